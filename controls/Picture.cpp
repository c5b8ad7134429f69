#include "controls/Picture.h"

#include "platform/db/FileGuard.h"
#include "platform/gdi/Dc.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPaintDevice>
#include <QPainter>
#include <QSaveFile>

#include <array>
#include <cstdint>
#include <vector>

namespace {

// A GIF names at most 65535 × 65535 pixels; refuse canvases no screen could show rather than
// trying to allocate them.
constexpr qint64 kMaxPixels = qint64(64) * 1024 * 1024;

class ByteView {
public:
    explicit ByteView(const QByteArray& data)
        : m_p(reinterpret_cast<const std::uint8_t*>(data.constData())), m_n(data.size()) {}

    qsizetype size() const { return m_n; }
    bool Has(qsizetype pos, qsizetype length) const { return pos >= 0 && length >= 0 && pos <= m_n - length; }
    // Callers check Has first.
    int U8(qsizetype pos) const { return m_p[pos]; }
    int U16(qsizetype pos) const { return m_p[pos] | (m_p[pos + 1] << 8); }
    const std::uint8_t* At(qsizetype pos) const { return m_p + pos; }

private:
    const std::uint8_t* m_p;
    qsizetype m_n;
};

// The position after a chain of data sub-blocks and its terminator, or -1 when the chain runs
// past the end of the data.
qsizetype SkipSubBlocks(const ByteView& d, qsizetype pos) {
    for (;;) {
        if (!d.Has(pos, 1))
            return -1;
        const int n = d.U8(pos);
        ++pos;
        if (n == 0)
            return pos;
        if (!d.Has(pos, n))
            return -1;
        pos += n;
    }
}

std::vector<QRgb> ReadColourTable(const ByteView& d, qsizetype pos, int entries) {
    std::vector<QRgb> table(entries);
    for (int i = 0; i < entries; ++i)
        table[i] = qRgb(d.U8(pos + 3 * i), d.U8(pos + 3 * i + 1), d.U8(pos + 3 * i + 2));
    return table;
}

// Variable-length LZW as GIF uses it (codes of minCodeSize + 1 up to 12 bits, least significant
// bit first). False for a stream that names a code not yet defined; a stream that simply ends
// early leaves the rest of the pixels unset.
bool DecodeLzw(const QByteArray& codes, int minCodeSize, qint64 pixelCount, std::vector<std::uint8_t>& out) {
    if (minCodeSize < 1 || minCodeSize > 11)
        return false;
    constexpr int kMaxCodes = 4096;
    std::array<std::int16_t, kMaxCodes> prefix{};
    std::array<std::uint8_t, kMaxCodes> suffix{};
    std::array<std::uint8_t, kMaxCodes> first{};
    std::array<std::uint16_t, kMaxCodes> length{};
    const int clear = 1 << minCodeSize;
    const int endOfInfo = clear + 1;
    for (int i = 0; i < clear; ++i) {
        prefix[i] = -1;
        suffix[i] = static_cast<std::uint8_t>(i);
        first[i] = static_cast<std::uint8_t>(i);
        length[i] = 1;
    }
    int codeSize = minCodeSize + 1;
    int next = clear + 2;
    int prev = -1;

    const auto putCode = [&](int code) {
        const size_t start = out.size();
        out.resize(start + length[code]);
        for (size_t i = start + length[code]; i-- > start;) {
            out[i] = suffix[code];
            code = prefix[code];
        }
    };

    const auto* src = reinterpret_cast<const std::uint8_t*>(codes.constData());
    const qsizetype srcSize = codes.size();
    qsizetype bytePos = 0;
    std::uint32_t bits = 0;
    int bitCount = 0;
    out.clear();
    out.reserve(static_cast<size_t>(pixelCount));
    while (static_cast<qint64>(out.size()) < pixelCount) {
        while (bitCount < codeSize) {
            if (bytePos >= srcSize)
                return true;
            bits |= static_cast<std::uint32_t>(src[bytePos++]) << bitCount;
            bitCount += 8;
        }
        const int code = static_cast<int>(bits & ((1u << codeSize) - 1));
        bits >>= codeSize;
        bitCount -= codeSize;

        if (code == clear) {
            codeSize = minCodeSize + 1;
            next = clear + 2;
            prev = -1;
            continue;
        }
        if (code == endOfInfo)
            break;
        if (prev < 0) {
            if (code >= clear)
                return false;
            putCode(code);
            prev = code;
            continue;
        }
        int k;
        if (code < next) {
            putCode(code);
            k = first[code];
        } else if (code == next && next < kMaxCodes) {
            k = first[prev];
            putCode(prev);
            out.push_back(static_cast<std::uint8_t>(k));
        } else {
            return false;
        }
        if (next < kMaxCodes) {
            prefix[next] = static_cast<std::int16_t>(prev);
            suffix[next] = static_cast<std::uint8_t>(k);
            first[next] = first[prev];
            length[next] = static_cast<std::uint16_t>(length[prev] + 1);
            ++next;
            if (next == (1 << codeSize) && codeSize < 12)
                ++codeSize;
        }
        prev = code;
    }
    if (static_cast<qint64>(out.size()) > pixelCount)
        out.resize(static_cast<size_t>(pixelCount));
    return true;
}

// The first image of a GIF on a transparent canvas of the logical screen's size; null for data
// that is damaged anywhere on the way to that image.
QImage DecodeGif(const QByteArray& data) {
    const ByteView d(data);
    if (!d.Has(0, 13) || !data.startsWith("GIF"))
        return {};
    int screenWidth = d.U16(6);
    int screenHeight = d.U16(8);
    const int packed = d.U8(10);
    qsizetype pos = 13;
    std::vector<QRgb> globalTable;
    if (packed & 0x80) {
        const int entries = 2 << (packed & 7);
        if (!d.Has(pos, 3 * entries))
            return {};
        globalTable = ReadColourTable(d, pos, entries);
        pos += 3 * entries;
    }

    int transparent = -1;
    while (d.Has(pos, 1)) {
        const int kind = d.U8(pos);
        if (kind == 0x21) {
            if (!d.Has(pos, 2))
                return {};
            if (d.U8(pos + 1) == 0xF9 && d.Has(pos, 8) && d.U8(pos + 2) >= 4)
                transparent = (d.U8(pos + 3) & 1) ? d.U8(pos + 6) : -1;
            pos = SkipSubBlocks(d, pos + 2);
            if (pos < 0)
                return {};
            continue;
        }
        if (kind != 0x2C)
            return {}; // the trailer before any image, or a byte that starts no block

        if (!d.Has(pos, 10))
            return {};
        const int left = d.U16(pos + 1);
        const int top = d.U16(pos + 3);
        const int width = d.U16(pos + 5);
        const int height = d.U16(pos + 7);
        const int imagePacked = d.U8(pos + 9);
        pos += 10;
        std::vector<QRgb> localTable;
        if (imagePacked & 0x80) {
            const int entries = 2 << (imagePacked & 7);
            if (!d.Has(pos, 3 * entries))
                return {};
            localTable = ReadColourTable(d, pos, entries);
            pos += 3 * entries;
        }
        if (!d.Has(pos, 1))
            return {};
        const int minCodeSize = d.U8(pos);
        ++pos;
        QByteArray codes;
        for (;;) {
            if (!d.Has(pos, 1))
                return {};
            const int n = d.U8(pos);
            ++pos;
            if (n == 0)
                break;
            if (!d.Has(pos, n))
                return {};
            codes.append(reinterpret_cast<const char*>(d.At(pos)), n);
            pos += n;
        }

        if (screenWidth == 0 || screenHeight == 0) {
            screenWidth = left + width;
            screenHeight = top + height;
        }
        const qint64 pixels = qint64(width) * height;
        if (screenWidth <= 0 || screenHeight <= 0 || qint64(screenWidth) * screenHeight > kMaxPixels ||
            pixels > kMaxPixels)
            return {};
        std::vector<std::uint8_t> indices;
        if (!DecodeLzw(codes, minCodeSize, pixels, indices))
            return {};

        std::vector<QRgb> table = !localTable.empty() ? std::move(localTable) : std::move(globalTable);
        if (table.empty()) {
            // No colour table at all: a grey ramp, so that the picture is at least visible.
            table.resize(256);
            for (int i = 0; i < 256; ++i)
                table[i] = qRgb(i, i, i);
        }
        QImage canvas(screenWidth, screenHeight, QImage::Format_ARGB32);
        if (canvas.isNull())
            return {};
        canvas.fill(Qt::transparent);

        // Interlaced images store every 8th row from 0, every 8th from 4, every 4th from 2, then
        // every 2nd from 1.
        std::vector<int> rowOrder;
        rowOrder.reserve(height);
        if (imagePacked & 0x40) {
            static constexpr int kStart[] = {0, 4, 2, 1};
            static constexpr int kStep[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = kStart[pass]; y < height; y += kStep[pass])
                    rowOrder.push_back(y);
        } else {
            for (int y = 0; y < height; ++y)
                rowOrder.push_back(y);
        }
        const size_t available = indices.size();
        for (int r = 0; r < height; ++r) {
            const int y = top + rowOrder[r];
            if (y >= screenHeight)
                continue;
            auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const size_t i = size_t(r) * width + x;
                if (i >= available)
                    break;
                const int index = indices[i];
                if (index == transparent || left + x >= screenWidth)
                    continue;
                line[left + x] = index < static_cast<int>(table.size()) ? table[index] : qRgb(0, 0, 0);
            }
        }
        return canvas;
    }
    return {};
}

} // namespace

bool FindPictureResource(int id, const QString& type, QByteArray* data) {
    const QDir dir(QStringLiteral(":/veltora/pictures/") + type.toLower());
    const QString name = QString::number(id);
    QStringList candidates = dir.entryList({name + QStringLiteral(".*")}, QDir::Files);
    if (dir.exists(name))
        candidates.prepend(name);
    for (const QString& file : candidates) {
        QFile f(dir.filePath(file));
        if (f.open(QIODevice::ReadOnly)) {
            if (data)
                *data = f.readAll();
            return true;
        }
    }
    return false;
}

QImage LoadPictureData(const QByteArray& data) {
    if (data.startsWith("GIF"))
        return DecodeGif(data);
    return QImage::fromData(data);
}

CPicture::CPicture() = default;

CPicture::~CPicture() {
    FreePicture();
}

void CPicture::ShowError(const QString& text) const {
    ui::MessageBox(QApplication::activeWindow(), text, QStringLiteral("CPicture Error"), ui::MB_ICONERROR);
}

bool CPicture::LoadFromResource(int id, const QString& type) {
    FreePicture();
    QByteArray data;
    if (!FindPictureResource(id, type, &data)) {
        ShowError(QStringLiteral("FindResource() Failed\t"));
        return false;
    }
    LoadFromMemory(data);
    return IsLoaded();
}

bool CPicture::LoadFromFile(const QString& path) {
    FreePicture();
    if (db::IsDatabaseFile(path, db::FileUse::kRead)) {
        ShowError(db::DatabaseFileRefusal());
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowError(file.errorString());
        return false;
    }
    const QByteArray data = file.readAll();
    LoadFromMemory(data);
    return IsLoaded();
}

bool CPicture::LoadFromMemory(const void* bytes, qsizetype size) {
    if (!bytes || size < 0)
        return LoadFromMemory(QByteArray());
    return LoadFromMemory(QByteArray(static_cast<const char*>(bytes), size));
}

bool CPicture::LoadFromMemory(const QByteArray& data) {
    FreePicture();
    m_picture = LoadPictureData(data);
    if (m_picture.isNull())
        return true;
    m_data = data;
    m_Size = data.size();
    m_Width = m_picture.width();
    m_Height = m_picture.height();
    return true;
}

bool CPicture::Render(QPainter* dc, const QRect& rect) const {
    if (!dc || m_picture.isNull())
        return false;
    const bool smooth = dc->testRenderHint(QPainter::SmoothPixmapTransform);
    dc->setRenderHint(QPainter::SmoothPixmapTransform, true);
    dc->drawImage(rect, m_picture);
    dc->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    return true;
}

bool CPicture::Render(gdi::Dc* dc, const gdi::Rect& rect) const {
    return dc && Render(dc->Painter(), dc->LPtoDP(rect).ToQRect());
}

bool CPicture::RenderScaled(QPainter* dc, int x, int y) const {
    if (!dc || !dc->device() || m_picture.isNull())
        return false;
    const int width = m_Width * dc->device()->logicalDpiX() / 96;
    const int height = m_Height * dc->device()->logicalDpiY() / 96;
    return Render(dc, QRect(x, y, width, height));
}

bool CPicture::UpdateSizeOnDC(const QPaintDevice* dc, bool printing) {
    if (m_picture.isNull())
        return false;
    const int dpiX = printing || !dc ? 96 : dc->logicalDpiX();
    const int dpiY = printing || !dc ? 96 : dc->logicalDpiY();
    m_Width = m_picture.width() * dpiX / 96;
    m_Height = m_picture.height() * dpiY / 96;
    return true;
}

bool CPicture::ShowBitmapResource(QPainter* dc, int id, int x, int y) {
    QByteArray data;
    if (!dc || !FindPictureResource(id, QStringLiteral("BITMAP"), &data))
        return false;
    const QImage bitmap = LoadPictureData(data);
    if (bitmap.isNull())
        return false;
    dc->drawImage(x, y, bitmap);
    return true;
}

bool CPicture::SaveToFile(const QString& path) const {
    if (db::IsDatabaseFile(path, db::FileUse::kWrite)) {
        ShowError(db::DatabaseFileRefusal());
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        ShowError(file.errorString());
        return false;
    }
    if (file.write(m_data) != m_data.size() || !file.commit()) {
        file.cancelWriting();
        ShowError(file.errorString());
        return false;
    }
    return true;
}

void CPicture::FreePicture() {
    m_picture = QImage();
    m_data.clear();
    m_Height = 0;
    m_Size = 0;
    m_Width = 0;
}
