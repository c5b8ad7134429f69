#pragma once
// The texts of a report's cells, measured and shaped once for a font on a device, and a row's
// glyphs gathered to be drawn in one call per font.
//
// A long list repeats its marks, ranks and classes thousands of times: drawing each cell with
// QPainter::drawText lays its text out again every time, and a PDF page wraps every call in its
// own text object. Drawn from these, the glyphs and their places are the same as drawText's.

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QPaintDevice;
class QPainter;
class QTextLayout;

namespace report {

class ShapedTexts {
public:
    // Glyphs of one font: its place in Fonts(), the glyphs and their places.
    struct Glyphs {
        int font = 0;
        QList<quint32> indexes;
        std::vector<QPointF> positions;
    };
    struct Text {
        double advance = 0; // the width QFontMetricsF gives the text
        bool measured = false;
        // The glyphs, placed from the origin of the text's baseline, for a PDF page.
        bool glyphsMade = false;
        std::vector<Glyphs> glyphs;
        // The text laid out on one line, to draw on other devices (the preview's pages, images).
        bool layoutMade = false;
        std::shared_ptr<const QTextLayout> layout;
    };
    enum class Make { Width, Glyphs, Layout };

    // Texts are kept for one font on one device; another font or device (a smaller font after a
    // new layout, another printer) drops those of the last.
    void Use(const QFont& font, const QPaintDevice* device);
    // The text measured, with what `make` asks for, each made at most once. Glyphs and layout
    // stay empty for a text that is not drawn from them (one with blanks at either end, or with
    // right-to-left characters).
    const Text& Find(const QString& text, Make make);
    void Clear();
    // The fonts of the glyphs made since the font or device last changed.
    const std::vector<QRawFont>& Fonts() const { return m_fonts; }

private:
    std::vector<Glyphs> GlyphsOf(const QTextLayout& layout);

    QFont m_font;
    const QPaintDevice* m_device = nullptr;
    std::optional<QFontMetricsF> m_metrics;
    QString m_key;
    QHash<QString, Text> m_texts;
    std::vector<QRawFont> m_fonts;
};

// Glyphs gathered from several texts, drawn as one glyph run per font.
class GlyphBatch {
public:
    // Adds a text's glyphs with its baseline origin at `origin` (device pixels).
    void Add(const std::vector<ShapedTexts::Glyphs>& glyphs, QPointF origin);
    // Draws what was added with the painter's pen, and forgets it; `fonts` are those the glyphs
    // were made in.
    void Draw(QPainter& painter, const std::vector<QRawFont>& fonts);

    // A coordinate cut to the 1/64 pixel a text's origin is placed at when it is drawn as text.
    static double PlacedCoordinate(double v);

private:
    struct Run {
        QList<quint32> indexes;
        QList<QPointF> positions;
    };
    std::vector<Run> m_runs; // by font
};

} // namespace report
