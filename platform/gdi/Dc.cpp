#include "platform/gdi/Dc.h"

#include "platform/gdi/ImageList.h"
#include "platform/gdi/System.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace gdi {
namespace {

// a × b / c rounded half away from zero, as MulDiv computes it.
int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const long long num = static_cast<long long>(a) * b;
    const long long half = std::llabs(static_cast<long long>(c)) / 2;
    const long long q = (num >= 0) == (c > 0)
                            ? (std::llabs(num) + half) / std::llabs(static_cast<long long>(c))
                            : -((std::llabs(num) + half) / std::llabs(static_cast<long long>(c)));
    return static_cast<int>(q);
}

constexpr int kHuge = INT_MAX / 4;

Qt::PenStyle QtPenStyle(int style) {
    switch (style) {
    case PS_DASH:
        return Qt::DashLine;
    case PS_DOT:
        return Qt::DotLine;
    case PS_DASHDOT:
        return Qt::DashDotLine;
    case PS_DASHDOTDOT:
        return Qt::DashDotDotLine;
    case PS_NULL:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

bool IsBreakableCjk(QChar c) {
    const ushort u = c.unicode();
    return (u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFF00 && u <= 0xFFEF) ||
           (u >= 0x3000 && u <= 0x303F);
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

// The QBrush of a GDI brush; a hatch draws its lines in the brush colour.
QBrush QtBrush(const Brush& brush) {
    if (brush.null)
        return Qt::NoBrush;
    static constexpr Qt::BrushStyle kHatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                  Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    if (brush.hatch >= 0 && brush.hatch < static_cast<int>(std::size(kHatches)))
        return QBrush(ToQColor(brush.colour), kHatches[brush.hatch]);
    return QBrush(ToQColor(brush.colour));
}

// QPainter's composition mode for a raster operation; false for one it cannot express.
bool CompositionFor(std::uint32_t rop, QPainter::CompositionMode* mode) {
    switch (rop) {
    case SRCCOPY:
    case PATCOPY:
    case BLACKNESS:
    case WHITENESS:
        *mode = QPainter::CompositionMode_Source;
        return true;
    case SRCPAINT:
        *mode = QPainter::RasterOp_SourceOrDestination;
        return true;
    case SRCAND:
        *mode = QPainter::RasterOp_SourceAndDestination;
        return true;
    case SRCINVERT:
    case PATINVERT:
        *mode = QPainter::RasterOp_SourceXorDestination;
        return true;
    case SRCERASE:
        *mode = QPainter::RasterOp_SourceAndNotDestination;
        return true;
    case NOTSRCCOPY:
        *mode = QPainter::RasterOp_NotSource;
        return true;
    case NOTSRCERASE:
        *mode = QPainter::RasterOp_NotSourceAndNotDestination;
        return true;
    case MERGEPAINT:
        *mode = QPainter::RasterOp_NotSourceOrDestination;
        return true;
    case DSTINVERT:
        *mode = QPainter::RasterOp_NotDestination;
        return true;
    default:
        return false;
    }
}

} // namespace

struct Dc::Layout {
    struct Line {
        QString text;
        int width = 0;
        int underline = -1; // index of the character a prefix underlines
    };
    std::vector<Line> lines;
    int lineHeight = 0;
    int ascent = 0;
    int width = 0;
    int height = 0;
};

// ---- construction ------------------------------------------------------------------------------

Dc::Dc() {
    m_surface = Rect(-kHuge, -kHuge, kHuge, kHuge);
}

Dc::Dc(QPainter* painter, Recorder* recorder) : m_recorder(recorder) {
    m_surface = Rect(-kHuge, -kHuge, kHuge, kHuge);
    AttachPainter(painter);
}

Dc::Dc(Recorder* recorder) : m_recorder(recorder) {
    m_surface = Rect(-kHuge, -kHuge, kHuge, kHuge);
}

Dc::~Dc() = default;

void Dc::AttachPainter(QPainter* painter) {
    m_painter = painter;
    m_painterFontSet = false;
    if (!painter || !painter->device())
        return;
    QPaintDevice* dev = painter->device();
    m_dpiX = dev->logicalDpiX();
    m_dpiY = dev->logicalDpiY();
    const QRect bounds = painter->transform().inverted().mapRect(QRect(0, 0, dev->width(), dev->height()));
    m_surface = Rect::FromQRect(bounds);
    m_deviceFont.reset();
    m_deviceMetrics.reset();
}

void Dc::SetSurfaceClip(const Rect& deviceRect) {
    m_surface = deviceRect;
    ApplyClip();
}

void Dc::SetDeviceInfo(int dpiX, int dpiY, int width, int height, int colours) {
    m_dpiX = dpiX > 0 ? dpiX : 96;
    m_dpiY = dpiY > 0 ? dpiY : 96;
    m_surface = Rect(0, 0, width, height);
    m_colours = colours;
    ApplyClip();
    m_deviceFont.reset();
    m_deviceMetrics.reset();
}

int Dc::GetDeviceCaps(int index) const {
    const bool bounded = m_surface.left > -kHuge;
    const int w = bounded ? m_surface.Width() : 1024;
    const int h = bounded ? m_surface.Height() : 768;
    switch (index) {
    case HORZRES:
    case PHYSICALWIDTH:
        return w;
    case VERTRES:
    case PHYSICALHEIGHT:
        return h;
    case LOGPIXELSX:
        return m_dpiX;
    case LOGPIXELSY:
        return m_dpiY;
    case HORZSIZE:
        return MulDiv(w, 254, m_dpiX * 10);
    case VERTSIZE:
        return MulDiv(h, 254, m_dpiY * 10);
    case BITSPIXEL:
        return m_colours == 2 ? 1 : 32;
    case NUMCOLORS:
        return m_colours;
    case RASTERCAPS:
        return RC_BITBLT | (m_colours > 16 && m_colours <= 256 ? RC_PALETTE : 0);
    default:
        return 0;
    }
}

// ---- attributes --------------------------------------------------------------------------------

COLORREF Dc::SetTextColor(COLORREF c) {
    return std::exchange(m_s.textColour, c);
}
COLORREF Dc::SetBkColor(COLORREF c) {
    return std::exchange(m_s.bkColour, c);
}

int Dc::SetBkMode(int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    return std::exchange(m_s.bkMode, mode);
}

unsigned Dc::SetTextAlign(unsigned align) {
    return std::exchange(m_s.textAlign, align);
}

Font Dc::SelectFont(const Font& font) {
    Font old = m_s.font;
    if (!(old == font)) {
        m_s.font = font;
        m_deviceFont.reset();
        m_deviceMetrics.reset();
    }
    return old;
}

Pen Dc::SelectPen(const Pen& pen) {
    return std::exchange(m_s.pen, pen);
}
Brush Dc::SelectBrush(const Brush& brush) {
    return std::exchange(m_s.brush, brush);
}

int Dc::SaveDC() {
    m_saved.push_back(m_s);
    return static_cast<int>(m_saved.size());
}

bool Dc::RestoreDC(int level) {
    const int count = static_cast<int>(m_saved.size());
    if (level < 0)
        level = count + level + 1;
    if (level < 1 || level > count)
        return false;
    const State& saved = m_saved[static_cast<std::size_t>(level - 1)];
    const bool fontChanged = !(saved.font == m_s.font) || saved.windowExt != m_s.windowExt ||
                             saved.viewportExt != m_s.viewportExt || saved.mapMode != m_s.mapMode;
    const bool clipChanged = saved.clip != m_s.clip;
    m_s = saved;
    m_saved.resize(static_cast<std::size_t>(level - 1));
    if (fontChanged) {
        m_deviceFont.reset();
        m_deviceMetrics.reset();
    }
    if (clipChanged)
        ApplyClip();
    return true;
}

// ---- mapping -----------------------------------------------------------------------------------

int Dc::SetMapMode(int mode) {
    const int old = m_s.mapMode;
    int units = 0;
    switch (mode) {
    case MM_TEXT:
        m_s.windowExt = {1, 1};
        m_s.viewportExt = {1, 1};
        break;
    case MM_LOMETRIC:
        units = 254;
        break;
    case MM_HIMETRIC:
        units = 2540;
        break;
    case MM_LOENGLISH:
        units = 100;
        break;
    case MM_HIENGLISH:
        units = 1000;
        break;
    case MM_TWIPS:
        units = 1440;
        break;
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC:
        break;
    default:
        return 0;
    }
    if (units) {
        m_s.windowExt = {units, units};
        m_s.viewportExt = {m_dpiX, -m_dpiY};
    }
    m_s.mapMode = mode;
    m_deviceFont.reset();
    m_deviceMetrics.reset();
    return old;
}

Point Dc::SetWindowOrg(int x, int y) {
    return std::exchange(m_s.windowOrg, Point(x, y));
}
Point Dc::SetViewportOrg(int x, int y) {
    return std::exchange(m_s.viewportOrg, Point(x, y));
}

Size Dc::SetWindowExt(int cx, int cy) {
    const Size old = m_s.windowExt;
    if ((m_s.mapMode == MM_ISOTROPIC || m_s.mapMode == MM_ANISOTROPIC) && cx != 0 && cy != 0) {
        m_s.windowExt = {cx, cy};
        m_deviceFont.reset();
        m_deviceMetrics.reset();
    }
    return old;
}

Size Dc::SetViewportExt(int cx, int cy) {
    const Size old = m_s.viewportExt;
    if ((m_s.mapMode == MM_ISOTROPIC || m_s.mapMode == MM_ANISOTROPIC) && cx != 0 && cy != 0) {
        m_s.viewportExt = {cx, cy};
        if (m_s.mapMode == MM_ISOTROPIC) {
            // Equal units on both axes: the larger scale gives way.
            const double sx = std::abs(static_cast<double>(cx) / m_s.windowExt.cx);
            const double sy = std::abs(static_cast<double>(cy) / m_s.windowExt.cy);
            if (sx > sy)
                m_s.viewportExt.cx =
                    Sign(cx) * static_cast<int>(std::lround(sy * std::abs(m_s.windowExt.cx)));
            else if (sy > sx)
                m_s.viewportExt.cy =
                    Sign(cy) * static_cast<int>(std::lround(sx * std::abs(m_s.windowExt.cy)));
        }
        m_deviceFont.reset();
        m_deviceMetrics.reset();
    }
    return old;
}

bool Dc::Identity() const {
    return m_s.windowExt.cx == m_s.viewportExt.cx && m_s.windowExt.cy == m_s.viewportExt.cy;
}

double Dc::ScaleX() const {
    return static_cast<double>(m_s.viewportExt.cx) / m_s.windowExt.cx;
}
double Dc::ScaleY() const {
    return static_cast<double>(m_s.viewportExt.cy) / m_s.windowExt.cy;
}

Point Dc::LPtoDP(Point p) const {
    if (Identity())
        return {p.x - m_s.windowOrg.x + m_s.viewportOrg.x, p.y - m_s.windowOrg.y + m_s.viewportOrg.y};
    return {MulDiv(p.x - m_s.windowOrg.x, m_s.viewportExt.cx, m_s.windowExt.cx) + m_s.viewportOrg.x,
            MulDiv(p.y - m_s.windowOrg.y, m_s.viewportExt.cy, m_s.windowExt.cy) + m_s.viewportOrg.y};
}

Rect Dc::LPtoDP(const Rect& r) const {
    const Point a = LPtoDP(r.TopLeft());
    const Point b = LPtoDP(r.BottomRight());
    Rect out(a.x, a.y, b.x, b.y);
    out.NormalizeRect();
    return out;
}

Point Dc::DPtoLP(Point p) const {
    if (Identity())
        return {p.x - m_s.viewportOrg.x + m_s.windowOrg.x, p.y - m_s.viewportOrg.y + m_s.windowOrg.y};
    return {MulDiv(p.x - m_s.viewportOrg.x, m_s.windowExt.cx, m_s.viewportExt.cx) + m_s.windowOrg.x,
            MulDiv(p.y - m_s.viewportOrg.y, m_s.windowExt.cy, m_s.viewportExt.cy) + m_s.windowOrg.y};
}

Rect Dc::DPtoLP(const Rect& r) const {
    const Point a = DPtoLP(r.TopLeft());
    const Point b = DPtoLP(r.BottomRight());
    Rect out(a.x, a.y, b.x, b.y);
    out.NormalizeRect();
    return out;
}

int Dc::ToDeviceLength(int logical, bool vertical) const {
    if (Identity())
        return logical;
    const double s = std::abs(vertical ? ScaleY() : ScaleX());
    return static_cast<int>(std::lround(logical * s));
}

int Dc::ToLogicalLength(int device, bool vertical) const {
    if (Identity())
        return device;
    const double s = std::abs(vertical ? ScaleY() : ScaleX());
    return s > 0 ? static_cast<int>(std::lround(device / s)) : device;
}

// ---- clipping ----------------------------------------------------------------------------------

Rect Dc::DeviceClip() const {
    return m_s.clip.value_or(m_surface);
}

void Dc::ApplyClip() {
    if (!m_painter)
        return;
    if (!m_s.clip && m_surface.left <= -kHuge) {
        m_painter->setClipping(false);
        return;
    }
    Rect r;
    r.IntersectRect(DeviceClip(), m_surface);
    m_painter->setClipRect(r.ToQRect());
}

int Dc::GetClipBox(Rect* rect) const {
    Rect dev;
    const bool any = dev.IntersectRect(DeviceClip(), m_surface);
    if (rect)
        *rect = any ? DPtoLP(dev) : Rect();
    return any ? SIMPLEREGION : NULLREGION;
}

int Dc::IntersectClipRect(const Rect& rect) {
    Rect r;
    r.IntersectRect(DeviceClip(), LPtoDP(rect));
    m_s.clip = r;
    ApplyClip();
    return r.IsRectEmpty() ? NULLREGION : SIMPLEREGION;
}

int Dc::SelectClipRect(const Rect* rect) {
    if (rect) {
        Rect r;
        r.IntersectRect(m_surface, LPtoDP(*rect));
        m_s.clip = r;
    } else {
        m_s.clip.reset();
    }
    ApplyClip();
    Rect box;
    return GetClipBox(&box);
}

bool Dc::PtVisible(Point p) const {
    Rect clip;
    clip.IntersectRect(DeviceClip(), m_surface);
    return clip.PtInRect(LPtoDP(p));
}

bool Dc::RectVisible(const Rect& rect) const {
    Rect clip, out;
    clip.IntersectRect(DeviceClip(), m_surface);
    return out.IntersectRect(clip, LPtoDP(rect));
}

// ---- fills and lines ---------------------------------------------------------------------------

void Dc::RecordCall(DrawCall&& call) const {
    if (m_recorder)
        m_recorder->Add(std::move(call));
}

void Dc::FillDevice(const Rect& r, COLORREF colour) const {
    if (m_painter && !r.IsRectEmpty() && !IsSentinel(colour))
        m_painter->fillRect(r.ToQRect(), ToQColor(colour));
}

void Dc::FillDevice(const Rect& r, const Brush& brush) const {
    if (brush.null)
        return;
    if (brush.hatch < 0) {
        FillDevice(r, brush.colour);
        return;
    }
    if (!m_painter || r.IsRectEmpty() || IsSentinel(brush.colour))
        return;
    if (m_s.bkMode == OPAQUE)
        FillDevice(r, m_s.bkColour);
    m_painter->save();
    m_painter->setBrushOrigin(0, 0);
    m_painter->fillRect(r.ToQRect(), QtBrush(brush));
    m_painter->restore();
}

void Dc::FillSolidRect(const Rect& rect, COLORREF colour) {
    // As the framework's FillSolidRect, this leaves the colour as the background colour.
    SetBkColor(colour);
    FillRect(rect, Brush::Solid(colour));
}

void Dc::FillRect(const Rect& rect, const Brush& brush) {
    if (brush.null)
        return;
    const Rect d = LPtoDP(rect);
    DrawCall c;
    c.op = DrawOp::Fill;
    c.rect = d;
    c.colour = brush.colour;
    c.brushHatch = brush.hatch;
    RecordCall(std::move(c));
    FillDevice(d, brush);
}

void Dc::FrameRect(const Rect& rect, const Brush& brush) {
    if (brush.null)
        return;
    const Rect d = LPtoDP(rect);
    if (d.IsRectEmpty())
        return;
    DrawCall c;
    c.op = DrawOp::Frame;
    c.rect = d;
    c.colour = brush.colour;
    RecordCall(std::move(c));
    FillDevice(Rect(d.left, d.top, d.right, d.top + 1), brush.colour);
    FillDevice(Rect(d.left, d.bottom - 1, d.right, d.bottom), brush.colour);
    FillDevice(Rect(d.left, d.top, d.left + 1, d.bottom), brush.colour);
    FillDevice(Rect(d.right - 1, d.top, d.right, d.bottom), brush.colour);
}

void Dc::Draw3dRect(const Rect& rect, COLORREF topLeft, COLORREF bottomRight) {
    const int x = rect.left, y = rect.top, cx = rect.Width(), cy = rect.Height();
    FillSolidRect(Rect(x, y, x + cx - 1, y + 1), topLeft);
    FillSolidRect(Rect(x, y, x + 1, y + cy - 1), topLeft);
    FillSolidRect(Rect(x + cx - 1, y, x + cx, y + cy), bottomRight);
    FillSolidRect(Rect(x, y + cy - 1, x + cx, y + cy), bottomRight);
}

void Dc::DrawFocusRect(const Rect& rect) {
    const Rect d = LPtoDP(rect);
    DrawCall c;
    c.op = DrawOp::FocusRect;
    c.rect = d;
    RecordCall(std::move(c));
    if (!m_painter || d.IsRectEmpty())
        return;
    m_painter->save();
    m_painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const QColor white(Qt::white);
    // One dot every second pixel, walking round the frame so that the corners are not hit twice.
    int step = 0;
    const auto dot = [&](int x, int y) {
        if (step++ % 2 == 0)
            m_painter->fillRect(QRect(x, y, 1, 1), white);
    };
    for (int x = d.left; x < d.right; ++x)
        dot(x, d.top);
    for (int y = d.top + 1; y < d.bottom; ++y)
        dot(d.right - 1, y);
    if (d.Height() > 1)
        for (int x = d.right - 2; x >= d.left; --x)
            dot(x, d.bottom - 1);
    if (d.Width() > 1)
        for (int y = d.bottom - 2; y > d.top; --y)
            dot(d.left, y);
    m_painter->restore();
}

bool Dc::Rectangle(const Rect& rect) {
    const Rect d = LPtoDP(rect);
    DrawCall c;
    c.op = DrawOp::Rectangle;
    c.rect = d;
    c.colour = m_s.pen.colour;
    c.penStyle = m_s.pen.style;
    c.bkColour = m_s.brush.colour;
    c.brushNull = m_s.brush.null;
    c.brushHatch = m_s.brush.hatch;
    RecordCall(std::move(c));
    if (!m_painter)
        return true;
    if (m_s.pen.style == PS_NULL) {
        // Without a pen the filled area is one pixel smaller on the right and bottom.
        FillDevice(Rect(d.left, d.top, d.right - 1, d.bottom - 1), m_s.brush);
        return true;
    }
    FillDevice(Rect(d.left + 1, d.top + 1, d.right - 1, d.bottom - 1), m_s.brush);
    const int w = std::max(1, ToDeviceLength(m_s.pen.width, false));
    FillDevice(Rect(d.left, d.top, d.right, d.top + w), m_s.pen.colour);
    FillDevice(Rect(d.left, d.bottom - w, d.right, d.bottom), m_s.pen.colour);
    FillDevice(Rect(d.left, d.top, d.left + w, d.bottom), m_s.pen.colour);
    FillDevice(Rect(d.right - w, d.top, d.right, d.bottom), m_s.pen.colour);
    return true;
}

Point Dc::MoveTo(int x, int y) {
    return std::exchange(m_s.position, Point(x, y));
}

bool Dc::LineTo(int x, int y) {
    const Point from = LPtoDP(m_s.position);
    const Point to = LPtoDP(Point(x, y));
    m_s.position = Point(x, y);
    DrawCall c;
    c.op = DrawOp::Line;
    c.from = from;
    c.to = to;
    c.colour = m_s.pen.colour;
    c.penStyle = m_s.pen.style;
    c.penWidth = m_s.pen.width;
    RecordCall(std::move(c));
    PaintLine(from, to);
    return true;
}

void Dc::PaintLine(Point from, Point to) const {
    if (!m_painter || m_s.pen.style == PS_NULL || from == to)
        return;
    const int width = std::max(1, ToDeviceLength(m_s.pen.width, false));
    const QColor colour = ToQColor(m_s.pen.colour);
    const bool solid = m_s.pen.style == PS_SOLID || m_s.pen.style == PS_INSIDEFRAME;
    if (solid && width == 1 && (from.x == to.x || from.y == to.y)) {
        // Straight one-pixel lines as fills: exact pixels, the end point left out.
        if (from.y == to.y) {
            const int lo = to.x > from.x ? from.x : to.x + 1;
            const int hi = to.x > from.x ? to.x - 1 : from.x;
            m_painter->fillRect(QRect(lo, from.y, hi - lo + 1, 1), colour);
        } else {
            const int lo = to.y > from.y ? from.y : to.y + 1;
            const int hi = to.y > from.y ? to.y - 1 : from.y;
            m_painter->fillRect(QRect(from.x, lo, 1, hi - lo + 1), colour);
        }
        return;
    }
    // Shorten by one pixel along the major axis so that the end point stays undrawn.
    const int dx = to.x - from.x, dy = to.y - from.y;
    QPointF end;
    if (std::abs(dx) >= std::abs(dy)) {
        const int ex = to.x - Sign(dx);
        end = QPointF(ex, from.y + static_cast<double>(ex - from.x) * dy / dx);
    } else {
        const int ey = to.y - Sign(dy);
        end = QPointF(from.x + static_cast<double>(ey - from.y) * dx / dy, ey);
    }
    QPen pen(colour, width, QtPenStyle(m_s.pen.style), Qt::SquareCap, Qt::MiterJoin);
    if (width == 1)
        pen.setCosmetic(true);
    m_painter->save();
    m_painter->setPen(pen);
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->drawLine(QPointF(from.x, from.y), QPointF(std::round(end.x()), std::round(end.y())));
    m_painter->restore();
}

bool Dc::Polygon(const std::vector<Point>& points) {
    if (points.size() < 2)
        return false;
    DrawCall c;
    c.op = DrawOp::Polygon;
    QPolygon poly;
    for (const Point& p : points) {
        const Point d = LPtoDP(p);
        c.points.push_back(d);
        poly << QPoint(d.x, d.y);
    }
    c.colour = m_s.pen.colour;
    c.penStyle = m_s.pen.style;
    c.bkColour = m_s.brush.colour;
    c.brushNull = m_s.brush.null;
    RecordCall(std::move(c));
    if (!m_painter)
        return true;
    m_painter->save();
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    if (m_s.pen.style == PS_NULL)
        m_painter->setPen(Qt::NoPen);
    else
        m_painter->setPen(QPen(ToQColor(m_s.pen.colour), std::max(1, ToDeviceLength(m_s.pen.width, false)),
                               QtPenStyle(m_s.pen.style)));
    m_painter->setBrush(QtBrush(m_s.brush));
    if (m_s.brush.hatch >= 0) {
        // A hatch's gaps take the background colour in the opaque mode.
        m_painter->setBackgroundMode(m_s.bkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
        m_painter->setBackground(ToQColor(m_s.bkColour));
    }
    m_painter->drawPolygon(poly);
    m_painter->restore();
    return true;
}

bool Dc::Polyline(const std::vector<Point>& points) {
    if (points.size() < 2)
        return false;
    DrawCall c;
    c.op = DrawOp::Polyline;
    std::vector<Point> device;
    for (const Point& p : points)
        device.push_back(LPtoDP(p));
    c.points = device;
    c.colour = m_s.pen.colour;
    c.penStyle = m_s.pen.style;
    RecordCall(std::move(c));
    for (std::size_t i = 1; i < device.size(); ++i)
        PaintLine(device[i - 1], device[i]);
    return true;
}

void Dc::PreparePenAndBrush() const {
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    if (m_s.pen.style == PS_NULL) {
        m_painter->setPen(Qt::NoPen);
    } else {
        QPen pen(ToQColor(m_s.pen.colour), std::max(1, ToDeviceLength(m_s.pen.width, false)),
                 QtPenStyle(m_s.pen.style));
        if (pen.width() == 1)
            pen.setCosmetic(true);
        m_painter->setPen(pen);
    }
    m_painter->setBrush(QtBrush(m_s.brush));
    if (m_s.brush.hatch >= 0) {
        // A hatch's gaps take the background colour in the opaque mode.
        m_painter->setBackgroundMode(m_s.bkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
        m_painter->setBackground(ToQColor(m_s.bkColour));
    }
}

bool Dc::Ellipse(const Rect& rect) {
    const Rect d = LPtoDP(rect);
    DrawCall c;
    c.op = DrawOp::Ellipse;
    c.rect = d;
    c.colour = m_s.pen.colour;
    c.penStyle = m_s.pen.style;
    c.penWidth = m_s.pen.width;
    c.bkColour = m_s.brush.colour;
    c.brushNull = m_s.brush.null;
    RecordCall(std::move(c));
    if (!m_painter || d.Width() < 2 || d.Height() < 2)
        return true;
    m_painter->save();
    PreparePenAndBrush();
    // The outline's pixels run from left to right - 1: the right and bottom edges stay outside.
    m_painter->drawEllipse(QRect(d.left, d.top, d.Width() - 1, d.Height() - 1));
    m_painter->restore();
    return true;
}

bool Dc::Pie(const Rect& rect, Point start, Point end) {
    const Rect d = LPtoDP(rect);
    Point from = LPtoDP(start);
    Point to = LPtoDP(end);
    DrawCall c;
    c.op = DrawOp::Pie;
    c.rect = d;
    c.from = from;
    c.to = to;
    c.colour = m_s.pen.colour;
    c.penStyle = m_s.pen.style;
    c.penWidth = m_s.pen.width;
    c.bkColour = m_s.brush.colour;
    c.brushNull = m_s.brush.null;
    RecordCall(std::move(c));
    if (!m_painter || d.Width() < 2 || d.Height() < 2)
        return true;
    // Counter-clockwise in logical units: a mapping that turns one axis over turns the sense too.
    if ((ScaleX() < 0) != (ScaleY() < 0))
        std::swap(from, to);
    const QRectF box(d.left, d.top, d.Width() - 1, d.Height() - 1);
    const QPointF centre = box.center();
    const double rx = box.width() / 2, ry = box.height() / 2;
    // Qt's arc angles are the ellipse's parameter; a ray's direction becomes that parameter once
    // both axes are scaled to the unit circle.
    const auto angleOf = [&](Point p) {
        double a = std::atan2(-(p.y - centre.y()) / ry, (p.x - centre.x()) / rx) * 180.0 / std::numbers::pi;
        return a < 0 ? a + 360.0 : a;
    };
    const double a1 = angleOf(from);
    double span = angleOf(to) - a1;
    if (span <= 0)
        span += 360.0;
    // A path keeps the angles unrounded, so that many thin wedges meet without gaps.
    QPainterPath wedge(centre);
    wedge.arcTo(box, a1, span);
    wedge.closeSubpath();
    m_painter->save();
    PreparePenAndBrush();
    m_painter->drawPath(wedge);
    m_painter->restore();
    return true;
}

// ---- 3-D edges ---------------------------------------------------------------------------------

void Dc::PaintEdgeRing(const Rect& r, COLORREF topLeft, COLORREF bottomRight, unsigned sides) const {
    // Top-left colour: top row without its last pixel, left column without its last pixel;
    // bottom-right colour: the full right column and bottom row.
    if (sides & BF_TOP)
        FillDevice(Rect(r.left, r.top, r.right - 1, r.top + 1), topLeft);
    if (sides & BF_LEFT)
        FillDevice(Rect(r.left, r.top, r.left + 1, r.bottom - 1), topLeft);
    if (sides & BF_RIGHT)
        FillDevice(Rect(r.right - 1, r.top, r.right, r.bottom), bottomRight);
    if (sides & BF_BOTTOM)
        FillDevice(Rect(r.left, r.bottom - 1, r.right, r.bottom), bottomRight);
}

void Dc::PaintEdge(Rect& r, unsigned edge, unsigned flags) const {
    const unsigned sides = flags & BF_RECT;
    auto shrink = [&](Rect& x) {
        if (sides & BF_LEFT)
            ++x.left;
        if (sides & BF_TOP)
            ++x.top;
        if (sides & BF_RIGHT)
            --x.right;
        if (sides & BF_BOTTOM)
            --x.bottom;
    };
    COLORREF outerTl = 0, outerBr = 0, innerTl = 0, innerBr = 0;
    const unsigned outer = edge & BDR_OUTER;
    const unsigned inner = edge & BDR_INNER;
    if (flags & BF_MONO) {
        outerTl = outerBr = GetSysColor(COLOR_WINDOWFRAME);
        innerTl = innerBr = GetSysColor(COLOR_WINDOW);
    } else if (flags & BF_FLAT) {
        outerTl = outerBr = GetSysColor(COLOR_3DSHADOW);
        innerTl = innerBr = GetSysColor(COLOR_3DFACE);
    } else {
        if (outer & BDR_RAISEDOUTER) {
            outerTl = GetSysColor((flags & BF_SOFT) ? COLOR_3DHIGHLIGHT : COLOR_3DLIGHT);
            outerBr = GetSysColor(COLOR_3DDKSHADOW);
        } else {
            outerTl = GetSysColor(COLOR_3DSHADOW);
            outerBr = GetSysColor(COLOR_3DHIGHLIGHT);
        }
        if (inner & BDR_RAISEDINNER) {
            innerTl = GetSysColor((flags & BF_SOFT) ? COLOR_3DLIGHT : COLOR_3DHIGHLIGHT);
            innerBr = GetSysColor(COLOR_3DSHADOW);
        } else {
            innerTl = GetSysColor(COLOR_3DDKSHADOW);
            innerBr = GetSysColor(COLOR_3DLIGHT);
        }
    }
    if (outer) {
        PaintEdgeRing(r, outerTl, outerBr, sides);
        shrink(r);
    }
    if (inner) {
        PaintEdgeRing(r, innerTl, innerBr, sides);
        shrink(r);
    }
    if (flags & BF_MIDDLE)
        FillDevice(r, GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_3DFACE));
}

bool Dc::DrawEdge(Rect& rect, unsigned edge, unsigned flags) {
    Rect d = LPtoDP(rect);
    DrawCall c;
    c.op = DrawOp::Edge;
    c.rect = d;
    c.format = edge;
    c.flags = flags;
    RecordCall(std::move(c));
    PaintEdge(d, edge, flags);
    if (flags & BF_ADJUST)
        rect = DPtoLP(d);
    return true;
}

bool Dc::DrawFrameControl(const Rect& rect, unsigned type, unsigned state) {
    Rect d = LPtoDP(rect);
    DrawCall c;
    c.op = DrawOp::FrameControl;
    c.rect = d;
    c.format = type;
    c.flags = state;
    RecordCall(std::move(c));
    if (!m_painter)
        return true;
    const bool inactive = state & DFCS_INACTIVE;
    const bool pushed = state & DFCS_PUSHED;
    const COLORREF ink = GetSysColor(inactive ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    auto arrow = [&](const Rect& box, unsigned dir) {
        // A filled triangle about a third of the box, centred.
        const int size = std::max(2, std::min(box.Width(), box.Height()) / 3);
        const Point centre = box.CenterPoint();
        const int o = pushed ? 1 : 0;
        // Row i runs from the triangle's base (i = 0, widest) towards its apex, which points the
        // named way.
        for (int i = 0; i < size; ++i) {
            const int half = size - 1 - i;
            switch (dir) {
            case DFCS_SCROLLUP:
                FillDevice(Rect(centre.x - half + o, centre.y + size / 2 - i + o, centre.x + half + 1 + o,
                                centre.y + size / 2 - i + 1 + o),
                           ink);
                break;
            case DFCS_SCROLLLEFT:
                FillDevice(Rect(centre.x + size / 2 - i + o, centre.y - half + o,
                                centre.x + size / 2 - i + 1 + o, centre.y + half + 1 + o),
                           ink);
                break;
            case DFCS_SCROLLRIGHT:
                FillDevice(Rect(centre.x - size / 2 + i + o, centre.y - half + o,
                                centre.x - size / 2 + i + 1 + o, centre.y + half + 1 + o),
                           ink);
                break;
            default: // down and combo box
                FillDevice(Rect(centre.x - half + o, centre.y - size / 2 + i + o, centre.x + half + 1 + o,
                                centre.y - size / 2 + i + 1 + o),
                           ink);
                break;
            }
        }
    };
    if (type == DFC_BUTTON && (state & 0xFF) == DFCS_BUTTONCHECK) {
        Rect box = d;
        PaintEdge(box, EDGE_SUNKEN, BF_RECT | ((state & DFCS_FLAT) ? BF_FLAT : 0));
        FillDevice(box, GetSysColor((inactive || pushed) ? COLOR_3DFACE : COLOR_WINDOW));
        if (state & DFCS_CHECKED) {
            // A tick: two strokes three pixels thick.
            const int w = box.Width();
            const int x0 = box.left + w / 5, y0 = box.top + box.Height() / 2;
            const int leg = std::max(2, w / 4);
            for (int i = 0; i < leg; ++i)
                FillDevice(Rect(x0 + i, y0 - 1 + i, x0 + i + 1, y0 + 2 + i), ink);
            for (int i = 0; i < w - w / 5 - leg - 1; ++i)
                FillDevice(Rect(x0 + leg + i, y0 + leg - 2 - i, x0 + leg + i + 1, y0 + leg + 1 - i), ink);
        }
    } else if (type == DFC_BUTTON && (state & 0xFF) == DFCS_BUTTONRADIO) {
        m_painter->save();
        m_painter->setRenderHint(QPainter::Antialiasing, true);
        m_painter->setPen(ToQColor(GetSysColor(COLOR_3DSHADOW)));
        m_painter->setBrush(ToQColor(GetSysColor(inactive ? COLOR_3DFACE : COLOR_WINDOW)));
        m_painter->drawEllipse(d.ToQRect().adjusted(0, 0, -1, -1));
        if (state & DFCS_CHECKED) {
            m_painter->setBrush(ToQColor(ink));
            m_painter->setPen(Qt::NoPen);
            m_painter->drawEllipse(
                d.ToQRect().adjusted(d.Width() / 3, d.Height() / 3, -d.Width() / 3, -d.Height() / 3));
        }
        m_painter->restore();
    } else if (type == DFC_BUTTON || type == DFC_SCROLL) {
        Rect box = d;
        if (state & DFCS_FLAT)
            PaintEdge(box, EDGE_SUNKEN, BF_RECT | BF_FLAT | BF_MIDDLE);
        else
            PaintEdge(box, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | (pushed ? BF_FLAT : 0));
        if (type == DFC_SCROLL)
            arrow(box, state & 0xFF);
    } else {
        FillDevice(d, GetSysColor(COLOR_3DFACE));
    }
    return true;
}

// ---- raster operations -------------------------------------------------------------------------

QImage* Dc::TargetImage() const {
    if (!m_painter || !m_painter->device() || m_painter->device()->devType() != QInternal::Image)
        return nullptr;
    return static_cast<QImage*>(m_painter->device());
}

bool Dc::PatBlt(int x, int y, int width, int height, std::uint32_t rop) {
    Rect d = LPtoDP(Rect(x, y, x + width, y + height));
    DrawCall c;
    c.op = DrawOp::PatBlt;
    c.rect = d;
    c.format = rop;
    c.colour = m_s.brush.colour;
    RecordCall(std::move(c));
    QPainter::CompositionMode mode;
    if (!CompositionFor(rop, &mode) || rop == SRCCOPY || rop == SRCPAINT || rop == SRCAND)
        return false;
    if (!m_painter)
        return true;
    QColor colour = ToQColor(m_s.brush.null ? 0 : m_s.brush.colour);
    if (rop == BLACKNESS)
        colour = Qt::black;
    else if (rop == WHITENESS)
        colour = Qt::white;
    else if (rop == DSTINVERT)
        colour = Qt::white;
    m_painter->save();
    m_painter->setCompositionMode(mode);
    m_painter->fillRect(d.ToQRect(), colour);
    m_painter->restore();
    return true;
}

bool Dc::BitBlt(int x, int y, int width, int height, const Dc* source, int sx, int sy, std::uint32_t rop) {
    const Rect d = LPtoDP(Rect(x, y, x + width, y + height));
    DrawCall c;
    c.op = DrawOp::BitBlt;
    c.rect = d;
    c.format = rop;
    if (source)
        c.from = source->LPtoDP(Point(sx, sy));
    RecordCall(std::move(c));
    QPainter::CompositionMode mode;
    if (!CompositionFor(rop, &mode))
        return false;
    if (!m_painter)
        return true;
    if (rop == BLACKNESS || rop == WHITENESS || rop == DSTINVERT || rop == PATCOPY || rop == PATINVERT)
        return PatBlt(x, y, width, height, rop);
    const QImage* image = source ? source->TargetImage() : nullptr;
    if (!image)
        return false;
    const Rect s = source->LPtoDP(Rect(sx, sy, sx + width, sy + height));
    const QRect srcRect = source->Painter()->transform().mapRect(s.ToQRect());
    const QImage block = image->copy(srcRect); // a copy, so that a blit onto itself reads the old pixels
    m_painter->save();
    m_painter->setCompositionMode(mode);
    m_painter->drawImage(d.ToQRect(), block);
    m_painter->restore();
    return true;
}

COLORREF Dc::SetPixel(int x, int y, COLORREF colour) {
    const Point d = LPtoDP(Point(x, y));
    DrawCall c;
    c.op = DrawOp::Pixel;
    c.from = d;
    c.colour = colour;
    RecordCall(std::move(c));
    FillDevice(Rect(d.x, d.y, d.x + 1, d.y + 1), colour);
    return colour;
}

COLORREF Dc::GetPixel(int x, int y) const {
    const QImage* image = TargetImage();
    if (!image)
        return CLR_NONE;
    const Point d = LPtoDP(Point(x, y));
    const QPoint p = m_painter->transform().map(QPoint(d.x, d.y));
    if (!image->rect().contains(p))
        return CLR_NONE;
    return FromQColor(image->pixelColor(p));
}

// ---- text --------------------------------------------------------------------------------------

const QFont& Dc::DeviceFont() const {
    if (!m_deviceFont) {
        if (Identity())
            m_deviceFont = m_s.font.GetQFont();
        else
            m_deviceFont = ToQFont(m_s.font.GetLogFont(), std::abs(ScaleY()));
    }
    return *m_deviceFont;
}

const QFontMetrics& Dc::DeviceMetrics() const {
    if (!m_deviceMetrics) {
        QPaintDevice* dev = m_painter ? m_painter->device() : nullptr;
        if (dev && dev->devType() == QInternal::Printer)
            m_deviceMetrics = std::make_unique<QFontMetrics>(DeviceFont(), dev);
        else if (Identity())
            m_deviceMetrics = std::make_unique<QFontMetrics>(m_s.font.Metrics());
        else
            m_deviceMetrics = std::make_unique<QFontMetrics>(DeviceFont());
    }
    return *m_deviceMetrics;
}

namespace {

void ChopTrailingSpaces(QString& text) {
    while (!text.isEmpty() && text.back() == QLatin1Char(' '))
        text.chop(1);
}

// Prefix characters: "&x" underlines x, "&&" is one ampersand. `underline` is the index in the
// result of the underlined character, or -1.
QString StripPrefixes(const QString& input, unsigned format, int& underline) {
    underline = -1;
    if ((format & DT_NOPREFIX) || !input.contains(QLatin1Char('&')))
        return input;
    QString text;
    text.reserve(input.size());
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (input[i] == QLatin1Char('&') && i + 1 < input.size()) {
            ++i;
            if (input[i] != QLatin1Char('&') && !(format & DT_HIDEPREFIX))
                underline = static_cast<int>(text.size());
        }
        text += input[i];
    }
    return text;
}

// Each tab becomes the blanks that reach the next tab stop (eight average characters apart, or
// the count DT_TABSTOP carries in the format's second byte).
QString ExpandTabs(const QString& text, unsigned format, const QFontMetrics& fm) {
    const int chars = (format & DT_TABSTOP) ? static_cast<int>((format >> 8) & 0xFF) : 8;
    const int stop = std::max(1, chars) * std::max(1, fm.averageCharWidth());
    const int space = std::max(1, fm.horizontalAdvance(QLatin1Char(' ')));
    QString expanded;
    QString line;
    for (QChar ch : text) {
        if (ch == QLatin1Char('\t')) {
            const int w = fm.horizontalAdvance(line);
            const int target = (w / stop + 1) * stop;
            const int n = std::max(1, (target - w + space - 1) / space);
            line += QString(n, QLatin1Char(' '));
        } else if (ch == QLatin1Char('\n')) {
            expanded += line + ch;
            line.clear();
        } else {
            line += ch;
        }
    }
    return expanded + line;
}

// The text's lines as its line breaks give them (CR LF, CR or LF), or the whole text on one line.
QStringList ParagraphsOf(const QString& text, unsigned format) {
    if (format & DT_SINGLELINE)
        return {text};
    QString t = text;
    if (t.contains(QLatin1Char('\r'))) {
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }
    return t.split(QLatin1Char('\n'));
}

// Greedy breaking at blanks and around CJK characters; a word wider than the line stays whole.
std::vector<QString> WrapParagraph(const QString& para, int maxWidth, const QFontMetrics& fm) {
    std::vector<QString> wrapped;
    QString current;
    qsizetype i = 0;
    while (i < para.size()) {
        qsizetype j = i;
        if (IsBreakableCjk(para[i])) {
            j = i + 1;
        } else {
            while (j < para.size() && !para[j].isSpace() && !IsBreakableCjk(para[j]))
                ++j;
            while (j < para.size() && para[j].isSpace() && para[j] != QChar(0x3000))
                ++j;
            if (j == i)
                j = i + 1;
        }
        const QString word = para.mid(i, j - i);
        const QString candidate = current + word;
        QString trimmed = candidate;
        ChopTrailingSpaces(trimmed);
        if (!current.isEmpty() && fm.horizontalAdvance(trimmed) > maxWidth) {
            ChopTrailingSpaces(current);
            wrapped.push_back(current);
            current = word;
        } else {
            current = candidate;
        }
        i = j;
    }
    ChopTrailingSpaces(current);
    wrapped.push_back(current);
    return wrapped;
}

// A line too wide for `maxWidth` cut to fit with "..." (at its end, after its last whole word,
// or inside the path before its last separator, as the format asks).
QString Ellipsized(const QString& text, unsigned format, int maxWidth, const QFontMetrics& fm) {
    const QString dots = QStringLiteral("...");
    if (format & DT_PATH_ELLIPSIS) {
        const qsizetype cut =
            std::max(text.lastIndexOf(QLatin1Char('\\')), text.lastIndexOf(QLatin1Char('/')));
        const QString tail = cut >= 0 ? text.mid(cut) : QString();
        const QString head = cut >= 0 ? text.left(cut) : text;
        qsizetype n = head.size();
        while (n > 0 && fm.horizontalAdvance(head.left(n) + dots + tail) > maxWidth)
            --n;
        return head.left(n) + dots + tail;
    }
    // The longest prefix that fits with the ellipsis after it.
    qsizetype lo = 0, hi = text.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi + 1) / 2;
        if (fm.horizontalAdvance(text.left(mid) + dots) <= maxWidth)
            lo = mid;
        else
            hi = mid - 1;
    }
    qsizetype n = lo;
    if ((format & DT_WORD_ELLIPSIS) && n < text.size()) {
        const qsizetype space = text.left(n + 1).lastIndexOf(QLatin1Char(' '));
        if (space > 0)
            n = space;
    }
    if (n > 0 && text[n - 1].isHighSurrogate())
        --n;
    return text.left(n) + dots;
}

} // namespace

Dc::Layout Dc::LayOut(const QString& input, const Rect& deviceRect, unsigned format) const {
    const QFontMetrics& fm = DeviceMetrics();
    Layout out;
    out.ascent = fm.ascent();
    out.lineHeight = fm.ascent() + fm.descent();
    if (format & DT_EXTERNALLEADING)
        out.lineHeight += std::max(0, fm.leading());

    int underline = -1;
    QString text = StripPrefixes(input, format, underline);
    if (format & DT_EXPANDTABS)
        text = ExpandTabs(text, format, fm);

    const int maxWidth = deviceRect.Width();
    int consumed = 0; // characters of `text` before the current paragraph, for the underline index
    for (const QString& para : ParagraphsOf(text, format)) {
        const bool wrap =
            (format & DT_WORDBREAK) && !(format & DT_SINGLELINE) && fm.horizontalAdvance(para) > maxWidth;
        for (const QString& part : wrap ? WrapParagraph(para, maxWidth, fm) : std::vector<QString>{para}) {
            Layout::Line line;
            line.text = part;
            if (underline >= consumed && underline < consumed + part.size())
                line.underline = underline - consumed;
            consumed += static_cast<int>(part.size());
            line.width = fm.horizontalAdvance(part);
            out.lines.push_back(std::move(line));
        }
        consumed += 1; // the line break
    }

    if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) {
        const qsizetype dots = 3; // the length of "..."
        for (Layout::Line& line : out.lines) {
            if (line.width <= maxWidth)
                continue;
            const QString result = Ellipsized(line.text, format, maxWidth, fm);
            if (line.underline >= 0 && line.underline >= result.size() - dots)
                line.underline = -1;
            line.text = result;
            line.width = fm.horizontalAdvance(result);
        }
    }

    for (const Layout::Line& line : out.lines)
        out.width = std::max(out.width, line.width);
    out.height = out.lineHeight * static_cast<int>(out.lines.size());
    return out;
}

void Dc::ApplyPainterFont() const {
    // Setting a painter's font is costly next to drawing a short text, so it is set only when the
    // painter does not hold the selected font already.
    const QFont& font = DeviceFont();
    if (m_painterFontSet && m_painter->font() == m_painterFont && m_painterFontSource == font)
        return;
    m_painter->setFont(font);
    m_painterFont = m_painter->font();
    m_painterFontSource = font;
    m_painterFontSet = true;
}

int Dc::DrawText(const QString& text, Rect& rect, unsigned format) {
    const Rect dr = LPtoDP(rect);
    const Layout layout = LayOut(text, dr, format);

    if (format & DT_CALCRECT) {
        Rect out = dr;
        if (!(format & DT_SINGLELINE) && (format & DT_WORDBREAK))
            out.right = dr.left + std::max(layout.width, 0);
        else
            out.right = dr.left + layout.width;
        out.bottom = dr.top + layout.height;
        // Back to logical units from the same corner.
        const Point a = DPtoLP(out.TopLeft());
        const Point b = DPtoLP(out.BottomRight());
        rect.right = rect.left + (b.x - a.x);
        rect.bottom = rect.top + (b.y - a.y);
        return ToLogicalLength(layout.height, true);
    }

    int y = dr.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = dr.top + (dr.Height() - layout.lineHeight) / 2;
        else if (format & DT_BOTTOM)
            y = dr.bottom - layout.lineHeight;
    }
    auto lineX = [&](const Layout::Line& line) {
        if (format & DT_CENTER)
            return dr.left + (dr.Width() - line.width) / 2;
        if (format & DT_RIGHT)
            return dr.right - line.width;
        return dr.left;
    };

    if (m_recorder) {
        DrawCall c;
        c.op = DrawOp::Text;
        c.rect = dr;
        c.format = format;
        c.colour = m_s.textColour;
        c.bkColour = m_s.bkColour;
        c.bkMode = m_s.bkMode;
        c.font = m_s.font.GetLogFont();
        QStringList texts;
        for (const auto& line : layout.lines)
            texts << line.text;
        c.text = texts.join(QLatin1Char('\n'));
        c.textOrigin = Point(layout.lines.empty() ? dr.left : lineX(layout.lines.front()), y);
        c.textSize = Size(layout.width, layout.height);
        RecordCall(std::move(c));
    }

    if (m_painter && !layout.lines.empty()) {
        ApplyPainterFont();
        m_painter->save();
        const bool fits = layout.width <= dr.Width() && y >= dr.top && y + layout.height <= dr.bottom;
        if (!(format & DT_NOCLIP) && !fits)
            m_painter->setClipRect(dr.ToQRect(), Qt::IntersectClip);
        m_painter->setPen(ToQColor(m_s.textColour));
        const int escapement = m_s.font.GetLogFont().lfEscapement;
        int lineY = y;
        for (const auto& line : layout.lines) {
            const int x = lineX(line);
            if (m_s.bkMode == OPAQUE)
                m_painter->fillRect(QRect(x, lineY, line.width, layout.lineHeight), ToQColor(m_s.bkColour));
            if (escapement != 0) {
                m_painter->save();
                m_painter->translate(x, lineY);
                m_painter->rotate(-escapement / 10.0);
                m_painter->drawText(QPoint(0, layout.ascent), line.text);
                m_painter->restore();
            } else {
                m_painter->drawText(QPoint(x, lineY + layout.ascent), line.text);
            }
            if (line.underline >= 0 && line.underline < line.text.size()) {
                const QFontMetrics& fm = DeviceMetrics();
                const int ux = x + fm.horizontalAdvance(line.text.left(line.underline));
                const int uw = fm.horizontalAdvance(line.text.mid(line.underline, 1));
                m_painter->fillRect(QRect(ux, lineY + layout.ascent + 1, uw, 1), ToQColor(m_s.textColour));
            }
            lineY += layout.lineHeight;
        }
        m_painter->restore();
    }

    if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)))
        return ToLogicalLength(y + layout.height - dr.top, true);
    return ToLogicalLength(layout.height, true);
}

bool Dc::TextOut(int x, int y, const QString& text) {
    const Point p = LPtoDP(Point(x, y));
    const QFontMetrics& fm = DeviceMetrics();
    const int w = fm.horizontalAdvance(text);
    const int h = fm.ascent() + fm.descent();
    int left = p.x, top = p.y;
    if ((m_s.textAlign & TA_CENTER) == TA_CENTER)
        left -= w / 2;
    else if (m_s.textAlign & TA_RIGHT)
        left -= w;
    if ((m_s.textAlign & TA_BASELINE) == TA_BASELINE)
        top -= fm.ascent();
    else if (m_s.textAlign & TA_BOTTOM)
        top -= h;

    DrawCall c;
    c.op = DrawOp::Text;
    c.rect = Rect(left, top, left + w, top + h);
    c.text = text;
    c.format = DT_NOCLIP | DT_NOPREFIX | DT_SINGLELINE;
    c.colour = m_s.textColour;
    c.bkColour = m_s.bkColour;
    c.bkMode = m_s.bkMode;
    c.font = m_s.font.GetLogFont();
    c.textOrigin = Point(left, top);
    c.textSize = Size(w, h);
    RecordCall(std::move(c));

    if (m_painter) {
        ApplyPainterFont();
        m_painter->save();
        if (m_s.bkMode == OPAQUE)
            m_painter->fillRect(QRect(left, top, w, h), ToQColor(m_s.bkColour));
        m_painter->setPen(ToQColor(m_s.textColour));
        const int escapement = m_s.font.GetLogFont().lfEscapement;
        if (escapement != 0) {
            m_painter->translate(left, top);
            m_painter->rotate(-escapement / 10.0);
            m_painter->drawText(QPoint(0, fm.ascent()), text);
        } else {
            m_painter->drawText(QPoint(left, top + fm.ascent()), text);
        }
        m_painter->restore();
    }
    return true;
}

Size Dc::GetTextExtent(const QString& text) const {
    const QFontMetrics& fm = DeviceMetrics();
    return Size(ToLogicalLength(fm.horizontalAdvance(text), false),
                ToLogicalLength(fm.ascent() + fm.descent(), true));
}

bool Dc::GetTextMetrics(TEXTMETRIC* tm) const {
    if (!tm)
        return false;
    TEXTMETRIC t = TextMetricsOf(DeviceMetrics(), m_s.font.GetLogFont());
    if (!Identity()) {
        t.tmHeight = ToLogicalLength(t.tmHeight, true);
        t.tmAscent = ToLogicalLength(t.tmAscent, true);
        t.tmDescent = ToLogicalLength(t.tmDescent, true);
        t.tmInternalLeading = ToLogicalLength(t.tmInternalLeading, true);
        t.tmExternalLeading = ToLogicalLength(t.tmExternalLeading, true);
        t.tmAveCharWidth = ToLogicalLength(t.tmAveCharWidth, false);
        t.tmMaxCharWidth = ToLogicalLength(t.tmMaxCharWidth, false);
    }
    *tm = t;
    return true;
}

bool Dc::DrawImage(const ImageList& list, int index, Point pt, unsigned style) {
    if (index < 0 || index >= list.GetImageCount())
        return false;
    const Size size = list.GetImageSize();
    const Rect d = LPtoDP(Rect(pt, size));
    DrawCall c;
    c.op = DrawOp::Image;
    c.rect = d;
    c.format = static_cast<unsigned>(index);
    c.flags = style;
    RecordCall(std::move(c));
    if (m_painter) {
        m_painter->save();
        if (style & (ILD_BLEND25 | ILD_BLEND50))
            m_painter->setOpacity(0.5);
        m_painter->drawImage(d.ToQRect(), list.Image(index));
        m_painter->restore();
    }
    return true;
}

bool Dc::DrawState(const QImage& image, Point pt, unsigned flags) {
    if (image.isNull())
        return false;
    const Rect d = LPtoDP(Rect(pt, Size(image.width(), image.height())));
    DrawCall c;
    c.op = DrawOp::Image;
    c.rect = d;
    c.flags = flags;
    c.imageKey = image.cacheKey();
    RecordCall(std::move(c));
    if (!m_painter)
        return true;
    if (!(flags & DSS_DISABLED)) {
        m_painter->drawImage(d.left, d.top, image);
        return true;
    }
    // The embossed silhouette: the image's dark, opaque pixels as a one-colour shape.
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QImage shape(argb.size(), QImage::Format_ARGB32);
    shape.fill(Qt::transparent);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(shape.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(in[x]) >= 128 && GetRValue(Grey(Rgb(qRed(in[x]), qGreen(in[x]), qBlue(in[x])))) < 192)
                out[x] = 0xFF000000;
    }
    const auto tinted = [&](COLORREF colour) {
        QImage t = shape;
        QPainter p(&t);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(t.rect(), ToQColor(colour));
        return t;
    };
    m_painter->drawImage(d.left + 1, d.top + 1, tinted(GetSysColor(COLOR_3DHIGHLIGHT)));
    m_painter->drawImage(d.left, d.top, tinted(GetSysColor(COLOR_3DSHADOW)));
    return true;
}

// ---- bitmap context ----------------------------------------------------------------------------

BitmapDc::BitmapDc(int width, int height, COLORREF fill, Recorder* recorder)
    : Dc(recorder), m_image(std::max(1, width), std::max(1, height), QImage::Format_RGB32) {
    m_image.fill(ToQColor(IsSentinel(fill) ? Rgb(255, 255, 255) : fill));
    m_ownPainter = std::make_unique<QPainter>(&m_image);
    AttachPainter(m_ownPainter.get());
}

BitmapDc::BitmapDc(const QImage& image, Recorder* recorder)
    : Dc(recorder), m_image(image.convertToFormat(QImage::Format_RGB32)) {
    if (m_image.isNull()) {
        m_image = QImage(1, 1, QImage::Format_RGB32);
        m_image.fill(Qt::white);
    }
    m_ownPainter = std::make_unique<QPainter>(&m_image);
    AttachPainter(m_ownPainter.get());
}

BitmapDc::~BitmapDc() {
    if (m_ownPainter)
        m_ownPainter->end();
}

} // namespace gdi
