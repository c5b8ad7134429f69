#pragma once
// Writes small GIF files for the picture tests: a global colour table, frames with or without a
// graphic control block, optional extensions. The image data is LZW with a clear code before the
// code size would grow, which every decoder must read.

#include <QByteArray>

#include <cstdint>
#include <vector>

struct TestFrame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<std::uint8_t> pixels; // width × height palette indices, rows top to bottom
    bool control = true;              // with a graphic control block
    int delay = 0;
    int disposal = 0;
    int transparent = -1;
    bool interlaced = false;
};

class GifWriter {
public:
    GifWriter(int width, int height, std::vector<std::uint32_t> palette) // 0xRRGGBB, 2^n entries
        : m_width(width), m_height(height), m_palette(std::move(palette)) {}

    void AddFrame(const TestFrame& f) { m_blocks.push_back(Frame(f)); }
    void AddComment(const QByteArray& text) {
        QByteArray b("\x21\xFE", 2);
        b += SubBlocks(text);
        m_blocks.push_back(b);
    }
    void AddLoopExtension() {
        QByteArray b("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
        m_blocks.push_back(b);
    }
    void AddRaw(const QByteArray& bytes) { m_blocks.push_back(bytes); }

    QByteArray Bytes() const {
        QByteArray out("GIF89a");
        Put16(out, m_width);
        Put16(out, m_height);
        int bits = 1;
        while ((1 << bits) < static_cast<int>(m_palette.size()))
            ++bits;
        out.append(static_cast<char>(0x80 | ((bits - 1) << 4) | (bits - 1)));
        out.append('\0'); // background index
        out.append('\0');
        for (int i = 0; i < (1 << bits); ++i) {
            const std::uint32_t c = i < static_cast<int>(m_palette.size()) ? m_palette[i] : 0;
            out.append(static_cast<char>((c >> 16) & 0xFF));
            out.append(static_cast<char>((c >> 8) & 0xFF));
            out.append(static_cast<char>(c & 0xFF));
        }
        for (const QByteArray& b : m_blocks)
            out += b;
        out.append(';');
        return out;
    }

    static QByteArray SubBlocks(const QByteArray& data) {
        QByteArray out;
        for (qsizetype pos = 0; pos < data.size(); pos += 255) {
            const QByteArray chunk = data.mid(pos, 255);
            out.append(static_cast<char>(chunk.size()));
            out += chunk;
        }
        out.append('\0');
        return out;
    }

    // Literal codes only, with a clear code before the decoder's code size would change.
    static QByteArray Lzw(const std::vector<std::uint8_t>& indices, int minCodeSize) {
        const int clear = 1 << minCodeSize;
        const int codeSize = minCodeSize + 1;
        const int run = (1 << codeSize) - clear - 2;
        QByteArray out;
        std::uint32_t bits = 0;
        int count = 0;
        const auto put = [&](int code) {
            bits |= static_cast<std::uint32_t>(code) << count;
            count += codeSize;
            while (count >= 8) {
                out.append(static_cast<char>(bits & 0xFF));
                bits >>= 8;
                count -= 8;
            }
        };
        for (size_t i = 0; i < indices.size(); ++i) {
            if (i % run == 0)
                put(clear);
            put(indices[i]);
        }
        put(clear + 1);
        if (count > 0)
            out.append(static_cast<char>(bits & 0xFF));
        return out;
    }

private:
    static void Put16(QByteArray& out, int v) {
        out.append(static_cast<char>(v & 0xFF));
        out.append(static_cast<char>((v >> 8) & 0xFF));
    }

    QByteArray Frame(const TestFrame& f) const {
        QByteArray b;
        if (f.control) {
            b.append("\x21\xF9\x04", 3);
            b.append(static_cast<char>((f.disposal << 2) | (f.transparent >= 0 ? 1 : 0)));
            Put16(b, f.delay);
            b.append(static_cast<char>(f.transparent >= 0 ? f.transparent : 0));
            b.append('\0');
        }
        b.append(',');
        Put16(b, f.left);
        Put16(b, f.top);
        Put16(b, f.width);
        Put16(b, f.height);
        b.append(static_cast<char>(f.interlaced ? 0x40 : 0));
        std::vector<std::uint8_t> stored = f.pixels;
        if (f.interlaced) {
            stored.clear();
            static constexpr int kStart[] = {0, 4, 2, 1};
            static constexpr int kStep[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = kStart[pass]; y < f.height; y += kStep[pass])
                    stored.insert(stored.end(), f.pixels.begin() + y * f.width,
                                  f.pixels.begin() + (y + 1) * f.width);
        }
        const int minCodeSize = 2;
        b.append(static_cast<char>(minCodeSize));
        b += SubBlocks(Lzw(stored, minCodeSize));
        return b;
    }

    int m_width;
    int m_height;
    std::vector<std::uint32_t> m_palette;
    std::vector<QByteArray> m_blocks;
};

// A frame of one colour.
inline TestFrame SolidFrame(int left, int top, int width, int height, std::uint8_t index) {
    TestFrame f;
    f.left = left, f.top = top, f.width = width, f.height = height;
    f.pixels.assign(static_cast<size_t>(width) * height, index);
    return f;
}
