#pragma once
// The texts of a report's cells, measured and shaped once for a font on a device, and a row's
// glyphs gathered to be drawn in one call per font.
//
// A long list repeats its marks, ranks and classes thousands of times: drawing each cell with
// QPainter::drawText lays its text out again every time, and a PDF page wraps every call in its
// own text object. Drawn from these, the glyphs and their places are the same as drawText's.

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <QVarLengthArray>

#include <optional>
#include <vector>

class QPaintDevice;
class QPainter;

namespace report {

class ShapedTexts {
public:
    struct Text {
        double advance = 0;           // the width QFontMetricsF gives the text
        bool shaped = false;          // glyphs made
        std::vector<QGlyphRun> glyphs; // placed from the origin of the text's baseline
    };

    // Texts are kept for one font on one device; another font or device (a smaller font after a
    // new layout, another printer) drops those of the last.
    void Use(const QFont& font, const QPaintDevice* device);
    // The text measured, with its glyphs when `shape` is set; both made at most once.
    const Text& Find(const QString& text, bool shape);
    void Clear();
    int Size() const { return int(m_texts.size()); }

private:
    QFont m_font;
    const QPaintDevice* m_device = nullptr;
    std::optional<QFontMetricsF> m_metrics;
    QString m_key;
    QHash<QString, Text> m_texts;
};

// Glyphs gathered from several texts, drawn as one glyph run per font.
class GlyphBatch {
public:
    // Adds a text's glyphs with its baseline origin at `origin` (device pixels).
    void Add(const std::vector<QGlyphRun>& glyphs, QPointF origin);
    // Draws what was added with the painter's pen, and forgets it.
    void Draw(QPainter& painter);
    bool Empty() const { return m_runs.empty(); }

    // A coordinate cut to the 1/64 pixel a text's origin is placed at when it is drawn as text.
    static double PlacedCoordinate(double v);

private:
    struct Run {
        QRawFont font;
        QList<quint32> indexes;
        QList<QPointF> positions;
    };
    QVarLengthArray<Run, 2> m_runs;
};

} // namespace report
