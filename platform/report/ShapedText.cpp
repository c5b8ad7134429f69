#include "platform/report/ShapedText.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QGlyphRun>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace report {

namespace {

// Texts drawn as glyph runs: those whose glyphs drawText places from left to right from the
// origin, the only way a text's glyphs are placed here. A text with right-to-left characters, or
// with blanks at either end (which a laid-out line may leave out), is drawn as text.
bool Batchable(const QString& text) {
    if (text.isEmpty() || text.front().isSpace() || text.back().isSpace())
        return false;
    for (const QChar ch : text) {
        if (ch.unicode() < 0x0590)
            continue;
        switch (ch.direction()) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirAN:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
            return false;
        default:
            break;
        }
    }
    return true;
}

// A place in whole 1/64 pixels, as text layout keeps it.
double Rounded64(double v) {
    return std::round(v * 64) / 64;
}

// The text laid out on one line, or null when it does not make exactly one line.
std::unique_ptr<QTextLayout> OneLine(const QString& text, const QFont& font, const QPaintDevice* device) {
    auto layout = std::make_unique<QTextLayout>(text, font, device);
    layout->setCacheEnabled(true); // its glyphs are kept for drawing
    layout->beginLayout();
    const QTextLine line = layout->createLine();
    layout->endLayout();
    if (!line.isValid() || layout->lineCount() != 1 || line.textLength() != text.size())
        return nullptr;
    return layout;
}

} // namespace

std::vector<ShapedTexts::Glyphs> ShapedTexts::GlyphsOf(const QTextLayout& layout) {
    const QTextLine line = layout.lineAt(0);
    const QPointF origin(line.x(), line.y() + line.ascent());
    std::vector<Glyphs> glyphs;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QList<quint32> indexes = run.glyphIndexes();
        if (indexes.isEmpty())
            continue;
        const QRawFont font = run.rawFont();
        Glyphs g;
        g.font = int(std::find(m_fonts.begin(), m_fonts.end(), font) - m_fonts.begin());
        if (g.font == int(m_fonts.size()))
            m_fonts.push_back(font);
        g.indexes = indexes;
        for (const QPointF& p : run.positions())
            g.positions.emplace_back(Rounded64(p.x() - origin.x()), Rounded64(p.y() - origin.y()));
        glyphs.push_back(std::move(g));
    }
    return glyphs;
}

void ShapedTexts::Use(const QFont& font, const QPaintDevice* device) {
    // The device is the one drawn on now: the texts' glyphs are made for it.
    m_device = device;
    const QString key = font.key() + u'@' + QString::number(device ? device->logicalDpiX() : 0) + u'x' +
                        QString::number(device ? device->logicalDpiY() : 0);
    if (key == m_key)
        return;
    m_texts.clear();
    m_fonts.clear();
    m_key = key;
    m_font = font;
    m_metrics.emplace(font, device);
}

const ShapedTexts::Text& ShapedTexts::Find(const QString& text, Make make) {
    Text& t = m_texts[text];
    const bool glyphs = make == Make::Glyphs && !t.glyphsMade;
    const bool layout = make == Make::Layout && !t.layoutMade;
    if (glyphs || layout) {
        t.glyphsMade = t.glyphsMade || glyphs;
        t.layoutMade = t.layoutMade || layout;
        if (std::unique_ptr<QTextLayout> line = Batchable(text) ? OneLine(text, m_font, m_device) : nullptr) {
            // The line's width is the sum of its glyphs' advances, what QFontMetricsF measures.
            t.advance = line->lineAt(0).naturalTextWidth();
            t.measured = true;
            if (glyphs)
                t.glyphs = GlyphsOf(*line);
            else
                t.layout = std::move(line);
        }
    }
    if (!t.measured) {
        if (!m_metrics)
            m_metrics.emplace(m_font, m_device);
        t.advance = m_metrics->horizontalAdvance(text);
        t.measured = true;
    }
    return t;
}

void ShapedTexts::Clear() {
    m_texts = {};
    m_fonts = {};
    m_key.clear();
    m_device = nullptr;
    m_metrics.reset();
}

double GlyphBatch::PlacedCoordinate(double v) {
    // Text drawn at a point starts at that point cut (not rounded) to whole 1/64 pixels.
    return double(static_cast<int>(v * 64)) / 64;
}

void GlyphBatch::Add(const std::vector<ShapedTexts::Glyphs>& glyphs, QPointF origin) {
    for (const ShapedTexts::Glyphs& g : glyphs) {
        if (g.font >= int(m_runs.size()))
            m_runs.resize(g.font + 1);
        Run& run = m_runs[g.font];
        run.indexes.append(g.indexes);
        for (const QPointF& p : g.positions)
            run.positions.append(origin + p);
    }
}

void GlyphBatch::Draw(QPainter& painter, const std::vector<QRawFont>& fonts) {
    for (std::size_t f = 0; f < m_runs.size() && f < fonts.size(); ++f) {
        Run& r = m_runs[f];
        if (r.indexes.isEmpty())
            continue;
        QGlyphRun run;
        run.setRawFont(fonts[f]);
        run.setGlyphIndexes(r.indexes);
        run.setPositions(r.positions);
        painter.drawGlyphRun(QPointF(), run);
        run = QGlyphRun(); // the lists are the batch's alone again, kept for the next row
        r.indexes.clear();
        r.positions.clear();
    }
}

} // namespace report
