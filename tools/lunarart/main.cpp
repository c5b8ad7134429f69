// Draws the lunar calendar's 43 day and month pictures (bitmaps 184 to 226): each 8 × 16 pixels,
// the two characters of the name one above the other, black on white, written as 16-colour BMP
// files. Days carry the names GetLunarDayText gives; months their two-character names (正月 …
// 十月, 冬月, 腊月), and the first day of a leap month 闰月. At eight pixels a font's outlines fall
// apart, so the characters come from a small pixel font of our own. Run by hand after a change; the
// pictures are kept in the repository:
//     lunarart <source tree> [preview.png]

#include "controls/LunarCalendar.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <array>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

constexpr int kCell = 8;
constexpr int kFirstBitmap = 184;
constexpr int kPictures = 43;

using Glyph = std::array<const char*, kCell>;

// Seven by seven strokes in an eight-pixel cell: the last row and column stay white, so that the
// two characters stand apart and clear of the cell's edge.
const std::map<char16_t, Glyph>& PixelFont() {
    static const std::map<char16_t, Glyph> font = {
        {u'一',
         {"........", "........", "........", "#######.", "........", "........", "........", "........"}},
        {u'二',
         {"........", ".#####..", "........", "........", "........", "#######.", "........", "........"}},
        {u'三',
         {".#####..", "........", "........", "..###...", "........", "........", "#######.", "........"}},
        {u'四',
         {"#######.", "#.#.#.#.", "#.#.#.#.", "#.#.#.#.", "##...##.", "#.....#.", "#######.", "........"}},
        {u'五',
         {"#######.", "..#.....", "..#.....", ".#####..", ".#...#..", ".#...#..", "#######.", "........"}},
        {u'六',
         {"...#....", "....#...", "#######.", "........", "..#.#...", ".#...#..", "#.....#.", "........"}},
        {u'七',
         {"..#.....", "..#.....", "#######.", "..#.....", "..#.....", "..#...#.", "...####.", "........"}},
        {u'八',
         {"..#.#...", "..#.#...", "..#.#...", "..#..#..", ".#...#..", ".#....#.", "#.....#.", "........"}},
        {u'九',
         {"..#.....", "..#.....", "#####...", "..#.#...", "..#.#...", ".#..#.#.", "#...###.", "........"}},
        {u'十',
         {"...#....", "...#....", "...#....", "#######.", "...#....", "...#....", "...#....", "........"}},
        {u'廿',
         {".#...#..", ".#...#..", "#######.", ".#...#..", ".#...#..", ".#####..", "........", "........"}},
        {u'初',
         {".#.####.", "###...#.", "..#.#.#.", ".##.#.#.", "#.#.#.#.", ".#.#..#.", ".#...##.", "........"}},
        {u'正',
         {"#######.", "...#....", "...#....", ".#.####.", ".#.#....", ".#.#....", "#######.", "........"}},
        {u'月',
         {".#####..", ".#...#..", ".#####..", ".#...#..", ".#####..", ".#...#..", "#...##..", "........"}},
        {u'闰',
         {".#......", "#.#####.", "#.....#.", "#.###.#.", "#..#..#.", "#.###.#.", "#....##.", "........"}},
        {u'冬',
         {"..#.....", ".#####..", "#...#...", "..##....", ".#..##..", "...#....", "....#...", "........"}},
        {u'腊',
         {"###.#.#.", "#.######", "###.#.#.", "#.######", "###.###.", "#.#.#.#.", "#.#.###.", "........"}},
    };
    return font;
}

QString PictureText(int index) {
    if (index < 30)
        return GetLunarDayText(static_cast<std::uint16_t>(index + 1));
    if (index == kPictures - 1)
        return QStringLiteral("闰月");
    static const char16_t* const months[] = {u"正月", u"二月", u"三月", u"四月", u"五月", u"六月",
                                             u"七月", u"八月", u"九月", u"十月", u"冬月", u"腊月"};
    return QString::fromUtf16(months[index - 30]);
}

// 8 × 16, true for black.
using Picture = std::array<std::array<bool, kCell>, 2 * kCell>;

bool Compose(const QString& text, Picture* out) {
    if (text.size() != 2)
        return false;
    for (int k = 0; k < 2; ++k) {
        const auto it = PixelFont().find(text.at(k).unicode());
        if (it == PixelFont().end())
            return false;
        for (const char* row : it->second)
            if (std::strlen(row) != kCell)
                return false;
        for (int y = 0; y < kCell; ++y)
            for (int x = 0; x < kCell; ++x)
                (*out)[static_cast<std::size_t>(k * kCell + y)][static_cast<std::size_t>(x)] =
                    it->second[y][x] == '#';
    }
    return true;
}

void Put16(QByteArray& b, unsigned v) {
    b.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8 & 0xFF));
}
void Put32(QByteArray& b, unsigned v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A 4-bit BMP with the 16 colours of the standard palette; the picture uses black (0) and white (15).
QByteArray Bmp16(const Picture& p) {
    static const unsigned palette[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                         0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                         0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    const int width = kCell, height = 2 * kCell;
    const int rowBytes = ((width * 4 + 31) / 32) * 4;
    const unsigned pixelOffset = 14 + 40 + 16 * 4;
    const unsigned size = pixelOffset + static_cast<unsigned>(rowBytes * height);
    QByteArray b;
    b.append("BM");
    Put32(b, size);
    Put32(b, 0);
    Put32(b, pixelOffset);
    Put32(b, 40);
    Put32(b, width);
    Put32(b, height);
    Put16(b, 1);
    Put16(b, 4);
    Put32(b, 0);
    Put32(b, static_cast<unsigned>(rowBytes * height));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 16);
    Put32(b, 0);
    for (unsigned rgb : palette) {
        b.append(static_cast<char>(rgb & 0xFF)); // blue
        b.append(static_cast<char>(rgb >> 8 & 0xFF));
        b.append(static_cast<char>(rgb >> 16 & 0xFF));
        b.append('\0');
    }
    for (int y = height - 1; y >= 0; --y) { // bottom-up
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < width; ++x) {
            const int index = p[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] ? 0 : 15;
            row[x / 2] = static_cast<char>(row[x / 2] | (x % 2 ? index : index << 4));
        }
        b.append(row);
    }
    return b;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: lunarart <source tree> [preview.png]\n");
        return 2;
    }
    const QDir out(QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("res/pictures/bitmap")));
    // The preview: four rows of fourteen pictures, enlarged.
    constexpr int kZoom = 6;
    constexpr int kPerRow = 14;
    QImage preview(kPerRow * (kCell + 2) * kZoom, 4 * (2 * kCell + 2) * kZoom, QImage::Format_RGB32);
    preview.fill(QColor(200, 200, 200));
    QPainter painter(&preview);
    for (int i = 0; i < kPictures; ++i) {
        const QString text = PictureText(i);
        Picture picture{};
        if (!Compose(text, &picture)) {
            std::fprintf(stderr, "lunarart: no pixel glyphs for %s\n", qPrintable(text));
            return 1;
        }
        QFile file(out.filePath(QStringLiteral("%1.bmp").arg(kFirstBitmap + i)));
        if (!file.open(QIODevice::WriteOnly) || file.write(Bmp16(picture)) < 0) {
            std::fprintf(stderr, "lunarart: cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
        for (int y = 0; y < 2 * kCell; ++y)
            for (int x = 0; x < kCell; ++x)
                painter.fillRect(((i % kPerRow) * (kCell + 2) + x) * kZoom,
                                 ((i / kPerRow) * (2 * kCell + 2) + y) * kZoom, kZoom, kZoom,
                                 picture[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]
                                     ? Qt::black
                                     : Qt::white);
    }
    painter.end();
    if (argc == 3)
        preview.save(QString::fromLocal8Bit(argv[2]));
    std::printf("%d pictures written to %s\n", kPictures, qPrintable(out.path()));
    return 0;
}
