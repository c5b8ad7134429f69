#include "platform/report/ShapedText.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>

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

std::vector<QGlyphRun> Shape(const QString& text, const QFont& font, const QPaintDevice* device) {
    QTextLayout layout(text, font, device);
    layout.setCacheEnabled(false);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid() || layout.lineCount() != 1 || line.textLength() != text.size())
        return {};
    const QPointF origin(line.x(), line.y() + line.ascent());
    std::vector<QGlyphRun> glyphs;
    for (QGlyphRun run : layout.glyphRuns()) {
        if (run.isRightToLeft() || run.glyphIndexes().isEmpty())
            continue;
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions)
            p = QPointF(Rounded64(p.x() - origin.x()), Rounded64(p.y() - origin.y()));
        run.setPositions(positions);
        glyphs.push_back(run);
    }
    return glyphs;
}

} // namespace

void ShapedTexts::Use(const QFont& font, const QPaintDevice* device) {
    // The device is the one drawn on now: the texts' glyphs are made for it.
    m_device = device;
    const QString key = font.key() + u'@' + QString::number(device ? device->logicalDpiX() : 0) + u'x' +
                        QString::number(device ? device->logicalDpiY() : 0);
    if (key == m_key)
        return;
    m_texts.clear();
    m_key = key;
    m_font = font;
    m_metrics.emplace(font, device);
}

const ShapedTexts::Text& ShapedTexts::Find(const QString& text, bool shape) {
    auto it = m_texts.find(text);
    if (it == m_texts.end()) {
        if (!m_metrics)
            m_metrics.emplace(m_font, m_device);
        Text t;
        t.advance = m_metrics->horizontalAdvance(text);
        it = m_texts.insert(text, std::move(t));
    }
    if (shape && !it->shaped) {
        it->shaped = true;
        if (Batchable(text))
            it->glyphs = Shape(text, m_font, m_device);
    }
    return *it;
}

void ShapedTexts::Clear() {
    m_texts = {};
    m_key.clear();
    m_device = nullptr;
    m_metrics.reset();
}

double GlyphBatch::PlacedCoordinate(double v) {
    // Text drawn at a point starts at that point cut (not rounded) to whole 1/64 pixels.
    return double(static_cast<int>(v * 64)) / 64;
}

void GlyphBatch::Add(const std::vector<QGlyphRun>& glyphs, QPointF origin) {
    for (const QGlyphRun& g : glyphs) {
        const QRawFont font = g.rawFont();
        Run* run = nullptr;
        for (Run& r : m_runs)
            if (r.font == font) {
                run = &r;
                break;
            }
        if (!run) {
            m_runs.append(Run{font, {}, {}});
            run = &m_runs.back();
        }
        run->indexes.append(g.glyphIndexes());
        for (const QPointF& p : g.positions())
            run->positions.append(origin + p);
    }
}

void GlyphBatch::Draw(QPainter& painter) {
    for (Run& r : m_runs) {
        QGlyphRun run;
        run.setRawFont(r.font);
        run.setGlyphIndexes(r.indexes);
        run.setPositions(r.positions);
        painter.drawGlyphRun(QPointF(), run);
    }
    m_runs.clear();
}

} // namespace report
