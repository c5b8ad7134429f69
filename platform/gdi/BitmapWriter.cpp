#include "platform/gdi/BitmapWriter.h"

#include "platform/db/FileGuard.h"

#include <QSaveFile>

#include <cstdint>
#include <vector>

namespace {

struct PaletteEntry {
    int r, g, b;
};

// The colours the screen's default palette offers at each depth.
std::vector<PaletteEntry> DefaultPalette(int bitCount) {
    if (bitCount == 1)
        return {{0, 0, 0}, {255, 255, 255}};
    static const std::vector<PaletteEntry> vga = {
        {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
        {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
        {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    if (bitCount == 4)
        return vga;
    // 8 bits: the twenty static colours at both ends, a 6×6×6 colour cube and a grey ramp between.
    std::vector<PaletteEntry> p = {{0, 0, 0},       {128, 0, 0},    {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},     {128, 0, 128},  {0, 128, 128}, {192, 192, 192},
                                   {192, 220, 192}, {166, 202, 240}};
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p.push_back({r * 51, g * 51, b * 51});
    for (int i = 1; i <= 20; ++i)
        p.push_back({i * 12, i * 12, i * 12});
    const std::vector<PaletteEntry> tail = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                                            {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                                            {0, 255, 255},   {255, 255, 255}};
    p.insert(p.end(), tail.begin(), tail.end());
    return p;
}

int Nearest(const std::vector<PaletteEntry>& palette, QRgb c) {
    int best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        const long dr = qRed(c) - palette[i].r, dg = qGreen(c) - palette[i].g, db = qBlue(c) - palette[i].b;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
            if (distance == 0)
                break;
        }
    }
    return best;
}

void Put16(QByteArray& out, int v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(QByteArray& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

} // namespace

QByteArray EncodeDeviceIndependentBitmap(const QImage& bitmap, int deviceBitsPerPixel) {
    if (bitmap.isNull())
        return {};
    const int bitCount = deviceBitsPerPixel <= 1   ? 1
                         : deviceBitsPerPixel <= 4 ? 4
                         : deviceBitsPerPixel <= 8 ? 8
                                                   : 24;
    const std::uint32_t width = static_cast<std::uint32_t>(bitmap.width());
    const std::uint32_t height = static_cast<std::uint32_t>(bitmap.height());
    const std::uint32_t paletteSize = bitCount <= 8 ? (1u << bitCount) * 4 : 0;
    const std::uint32_t rowBytes = (width * bitCount + 31) / 32 * 4;
    const std::uint32_t pixelSize = rowBytes * height;

    QByteArray out;
    out.reserve(static_cast<qsizetype>(54 + paletteSize + pixelSize));
    out.append("BM");
    Put32(out, 54 + paletteSize + pixelSize);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, 54 + paletteSize);

    Put32(out, 40);
    Put32(out, width);
    Put32(out, height);
    Put16(out, 1);
    Put16(out, bitCount);
    for (int i = 0; i < 6; ++i) // compression, image size, resolutions, colours used and important
        Put32(out, 0);

    const QImage image = bitmap.convertToFormat(QImage::Format_RGB32);
    std::vector<PaletteEntry> palette;
    if (bitCount <= 8) {
        palette = DefaultPalette(bitCount);
        palette.resize(size_t(1) << bitCount, PaletteEntry{0, 0, 0});
        for (const PaletteEntry& e : palette) {
            out.append(static_cast<char>(e.b));
            out.append(static_cast<char>(e.g));
            out.append(static_cast<char>(e.r));
            out.append('\0');
        }
    }

    QByteArray row(static_cast<qsizetype>(rowBytes), '\0');
    for (int y = static_cast<int>(height) - 1; y >= 0; --y) {
        row.fill('\0');
        auto* dst = reinterpret_cast<std::uint8_t*>(row.data());
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (std::uint32_t x = 0; x < width; ++x) {
            if (bitCount == 24) {
                dst[3 * x] = static_cast<std::uint8_t>(qBlue(src[x]));
                dst[3 * x + 1] = static_cast<std::uint8_t>(qGreen(src[x]));
                dst[3 * x + 2] = static_cast<std::uint8_t>(qRed(src[x]));
                continue;
            }
            const int index = Nearest(palette, src[x]);
            const std::uint32_t bit = x * bitCount;
            const int shift = 8 - bitCount - static_cast<int>(bit % 8); // leftmost pixel in the high bits
            dst[bit / 8] |= static_cast<std::uint8_t>(index << shift);
        }
        out.append(row);
    }
    return out;
}

bool SaveBitmapToFile(const QImage& bitmap, const QString& fileName, int deviceBitsPerPixel) {
    const QByteArray bytes = EncodeDeviceIndependentBitmap(bitmap, deviceBitsPerPixel);
    if (bytes.isEmpty() || db::IsDatabaseFile(fileName, db::FileUse::kWrite))
        return false;
    // Written beside the target and renamed over it only when every byte is on disk.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
