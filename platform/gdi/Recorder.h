#pragma once
// The recording back end: every drawing call a device context receives, kept as data in device
// pixels, so that geometry tests read what would be drawn without looking at rasterised glyphs.

#include "platform/gdi/Colour.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Types.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace gdi {

enum class DrawOp {
    Fill,         // FillRect / FillSolidRect: rect, colour
    Frame,        // FrameRect: rect, colour
    Line,         // MoveTo/LineTo: from, to (to is not drawn), colour = pen colour
    Rectangle,    // rect, colour = pen, bkColour = brush
    Polygon,      // points, colour = pen, bkColour = brush
    Polyline,     // points, colour = pen
    Text,         // DrawText / TextOut: rect, text, format, colour, origin and extent of the text
    Edge,         // DrawEdge: rect, format = edge, flags = BF_ flags
    FrameControl, // DrawFrameControl: rect, format = type, flags = state
    PatBlt,       // rect, format = raster operation, colour = brush
    BitBlt,       // rect (destination), from = source origin, format = raster operation
    Pixel,        // SetPixel: from, colour
    Image,        // image list draw: rect, format = image index, flags = style;
                  // DrawState: rect, flags = DST_ and DSS_ flags, imageKey
    Ellipse,      // rect (bounding), colour = pen, bkColour = brush
    Pie,          // rect (bounding), from and to = the radial points, colour = pen, bkColour = brush
    FocusRect,    // DrawFocusRect: rect
};

struct DrawCall {
    DrawOp op = DrawOp::Fill;
    Rect rect;
    Point from;
    Point to;
    std::vector<Point> points;
    COLORREF colour = 0;
    COLORREF bkColour = 0;
    int bkMode = 0;
    int penStyle = 0;
    int penWidth = 0;
    bool brushNull = false;
    int brushHatch = -1; // the brush's hatch style, -1 for solid
    QString text;        // as drawn: prefixes taken out, ellipsis applied, lines joined by '\n'
    unsigned format = 0;
    unsigned flags = 0;
    Point textOrigin;    // top-left corner of the first line
    Size textSize;       // extent of all lines
    LOGFONT font;        // font selected for a text call
    qint64 imageKey = 0; // DrawState: the drawn image's QImage::cacheKey()
};

class Recorder {
public:
    void Add(DrawCall call) { m_calls.push_back(std::move(call)); }
    const std::vector<DrawCall>& Calls() const { return m_calls; }
    void Clear() { m_calls.clear(); }

    std::vector<DrawCall> Of(DrawOp op) const {
        std::vector<DrawCall> out;
        for (const DrawCall& c : m_calls)
            if (c.op == op)
                out.push_back(c);
        return out;
    }

    // The first text call whose text is `text`, or null.
    const DrawCall* FindText(const QString& text) const {
        for (const DrawCall& c : m_calls)
            if (c.op == DrawOp::Text && c.text == text)
                return &c;
        return nullptr;
    }

private:
    std::vector<DrawCall> m_calls;
};

} // namespace gdi
