#pragma once
// A device context over QPainter that keeps GDI's state and semantics, so that drawing code
// written against GDI draws the same pixels here:
//  - text colour, background colour and mode, selected font, pen and brush, SaveDC/RestoreDC;
//  - mapping modes (MM_TEXT, the metric and English modes, twips with y upwards, isotropic and
//    anisotropic) with window and viewport origins and extents;
//  - rectangles filled without their right and bottom edges; LineTo not drawing its end point;
//  - DrawText with the DT_ flag integers, DrawEdge, DrawFrameControl, raster operations.
//
// A Dc draws into a QPainter, records into a Recorder, both, or neither (a measuring context
// that only answers text extents and metrics). Coordinates given to it are logical; the painter
// receives device pixels in its own coordinate system.

#include "platform/gdi/Colour.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Recorder.h"
#include "platform/gdi/Types.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace gdi {

class ImageList;

// DrawText formats.
inline constexpr unsigned DT_TOP = 0x00000000;
inline constexpr unsigned DT_LEFT = 0x00000000;
inline constexpr unsigned DT_CENTER = 0x00000001;
inline constexpr unsigned DT_RIGHT = 0x00000002;
inline constexpr unsigned DT_VCENTER = 0x00000004;
inline constexpr unsigned DT_BOTTOM = 0x00000008;
inline constexpr unsigned DT_WORDBREAK = 0x00000010;
inline constexpr unsigned DT_SINGLELINE = 0x00000020;
inline constexpr unsigned DT_EXPANDTABS = 0x00000040;
inline constexpr unsigned DT_TABSTOP = 0x00000080;
inline constexpr unsigned DT_NOCLIP = 0x00000100;
inline constexpr unsigned DT_EXTERNALLEADING = 0x00000200;
inline constexpr unsigned DT_CALCRECT = 0x00000400;
inline constexpr unsigned DT_NOPREFIX = 0x00000800;
inline constexpr unsigned DT_INTERNAL = 0x00001000;
inline constexpr unsigned DT_EDITCONTROL = 0x00002000;
inline constexpr unsigned DT_PATH_ELLIPSIS = 0x00004000;
inline constexpr unsigned DT_END_ELLIPSIS = 0x00008000;
inline constexpr unsigned DT_MODIFYSTRING = 0x00010000;
inline constexpr unsigned DT_RTLREADING = 0x00020000;
inline constexpr unsigned DT_WORD_ELLIPSIS = 0x00040000;
inline constexpr unsigned DT_NOFULLWIDTHCHARBREAK = 0x00080000;
inline constexpr unsigned DT_HIDEPREFIX = 0x00100000;
inline constexpr unsigned DT_PREFIXONLY = 0x00200000;

// Background modes.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Text alignment (SetTextAlign).
inline constexpr unsigned TA_LEFT = 0;
inline constexpr unsigned TA_RIGHT = 2;
inline constexpr unsigned TA_CENTER = 6;
inline constexpr unsigned TA_TOP = 0;
inline constexpr unsigned TA_BOTTOM = 8;
inline constexpr unsigned TA_BASELINE = 24;

// Pen styles.
inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;
inline constexpr int PS_DOT = 2;
inline constexpr int PS_DASHDOT = 3;
inline constexpr int PS_DASHDOTDOT = 4;
inline constexpr int PS_NULL = 5;
inline constexpr int PS_INSIDEFRAME = 6;

// DrawEdge.
inline constexpr unsigned BDR_RAISEDOUTER = 0x0001;
inline constexpr unsigned BDR_SUNKENOUTER = 0x0002;
inline constexpr unsigned BDR_RAISEDINNER = 0x0004;
inline constexpr unsigned BDR_SUNKENINNER = 0x0008;
inline constexpr unsigned BDR_OUTER = 0x0003;
inline constexpr unsigned BDR_INNER = 0x000C;
inline constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
inline constexpr unsigned BF_LEFT = 0x0001;
inline constexpr unsigned BF_TOP = 0x0002;
inline constexpr unsigned BF_RIGHT = 0x0004;
inline constexpr unsigned BF_BOTTOM = 0x0008;
inline constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
inline constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
inline constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr unsigned BF_MIDDLE = 0x0800;
inline constexpr unsigned BF_SOFT = 0x1000;
inline constexpr unsigned BF_ADJUST = 0x2000;
inline constexpr unsigned BF_FLAT = 0x4000;
inline constexpr unsigned BF_MONO = 0x8000;

// DrawFrameControl.
inline constexpr unsigned DFC_CAPTION = 1;
inline constexpr unsigned DFC_MENU = 2;
inline constexpr unsigned DFC_SCROLL = 3;
inline constexpr unsigned DFC_BUTTON = 4;
inline constexpr unsigned DFCS_BUTTONCHECK = 0x0000;
inline constexpr unsigned DFCS_BUTTONRADIO = 0x0004;
inline constexpr unsigned DFCS_BUTTONPUSH = 0x0010;
inline constexpr unsigned DFCS_SCROLLUP = 0x0000;
inline constexpr unsigned DFCS_SCROLLDOWN = 0x0001;
inline constexpr unsigned DFCS_SCROLLLEFT = 0x0002;
inline constexpr unsigned DFCS_SCROLLRIGHT = 0x0003;
inline constexpr unsigned DFCS_SCROLLCOMBOBOX = 0x0005;
inline constexpr unsigned DFCS_INACTIVE = 0x0100;
inline constexpr unsigned DFCS_PUSHED = 0x0200;
inline constexpr unsigned DFCS_CHECKED = 0x0400;
inline constexpr unsigned DFCS_FLAT = 0x4000;
inline constexpr unsigned DFCS_MONO = 0x8000;

// Raster operations.
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;
inline constexpr std::uint32_t SRCPAINT = 0x00EE0086;
inline constexpr std::uint32_t SRCAND = 0x008800C6;
inline constexpr std::uint32_t SRCINVERT = 0x00660046;
inline constexpr std::uint32_t SRCERASE = 0x00440328;
inline constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
inline constexpr std::uint32_t NOTSRCERASE = 0x001100A6;
inline constexpr std::uint32_t MERGEPAINT = 0x00BB0226;
inline constexpr std::uint32_t PATCOPY = 0x00F00021;
inline constexpr std::uint32_t PATINVERT = 0x005A0049;
inline constexpr std::uint32_t DSTINVERT = 0x00550009;
inline constexpr std::uint32_t BLACKNESS = 0x00000042;
inline constexpr std::uint32_t WHITENESS = 0x00FF0062;

// Mapping modes.
inline constexpr int MM_TEXT = 1;
inline constexpr int MM_LOMETRIC = 2;
inline constexpr int MM_HIMETRIC = 3;
inline constexpr int MM_LOENGLISH = 4;
inline constexpr int MM_HIENGLISH = 5;
inline constexpr int MM_TWIPS = 6;
inline constexpr int MM_ISOTROPIC = 7;
inline constexpr int MM_ANISOTROPIC = 8;

// GetDeviceCaps.
inline constexpr int HORZSIZE = 4;
inline constexpr int VERTSIZE = 6;
inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int RASTERCAPS = 38;
inline constexpr int NUMCOLORS = 24;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
inline constexpr int PHYSICALWIDTH = 110;
inline constexpr int PHYSICALHEIGHT = 111;
inline constexpr int PHYSICALOFFSETX = 112;
inline constexpr int PHYSICALOFFSETY = 113;
// RASTERCAPS bits.
inline constexpr int RC_BITBLT = 0x0001;
inline constexpr int RC_PALETTE = 0x0100;

// DrawState.
inline constexpr unsigned DST_ICON = 0x0003;
inline constexpr unsigned DST_BITMAP = 0x0004;
inline constexpr unsigned DSS_NORMAL = 0x0000;
inline constexpr unsigned DSS_DISABLED = 0x0020;

// Clip results.
inline constexpr int ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;

struct Pen {
    int style = PS_SOLID;
    int width = 1;
    COLORREF colour = 0;

    bool operator==(const Pen&) const = default;
};

// Hatch styles (CreateHatchBrush).
inline constexpr int HS_HORIZONTAL = 0;
inline constexpr int HS_VERTICAL = 1;
inline constexpr int HS_FDIAGONAL = 2;
inline constexpr int HS_BDIAGONAL = 3;
inline constexpr int HS_CROSS = 4;
inline constexpr int HS_DIAGCROSS = 5;

struct Brush {
    COLORREF colour = Rgb(255, 255, 255);
    bool null = false;
    // A hatch style (HS_): lines of the colour, the gaps in the background colour when the
    // background mode is opaque; -1 for a solid brush.
    int hatch = -1;

    static Brush Solid(COLORREF c) { return Brush{c, false}; }
    static Brush Null() { return Brush{0, true}; }
    static Brush Hatch(int style, COLORREF c) { return Brush{c, false, style}; }
    bool operator==(const Brush&) const = default;
};

class Dc {
public:
    // A measuring context with no surface (like a screen DC that is never drawn on).
    Dc();
    // Draws into `painter` (may be null) and records into `recorder` (may be null). The painter's
    // device gives the surface bounds and resolution.
    explicit Dc(QPainter* painter, Recorder* recorder = nullptr);
    explicit Dc(Recorder* recorder);
    virtual ~Dc();
    Dc(const Dc&) = delete;
    Dc& operator=(const Dc&) = delete;

    QPainter* Painter() const { return m_painter; }
    Recorder* GetRecorder() const { return m_recorder; }

    // The device rectangle that clipping starts from and RestoreDC returns to (the paint area).
    void SetSurfaceClip(const Rect& deviceRect);
    // Resolution and surface size for GetDeviceCaps; taken from the painter's device by default.
    // A colour count above 16 up to 256 makes it a palette device (RC_PALETTE in RASTERCAPS), as
    // a 256-colour display is.
    void SetDeviceInfo(int dpiX, int dpiY, int width, int height, int colours = -1);
    bool IsPrinting() const { return m_printing; }
    void SetPrinting(bool printing) { m_printing = printing; }
    int GetDeviceCaps(int index) const;

    // Attributes.
    COLORREF SetTextColor(COLORREF c);
    COLORREF GetTextColor() const { return m_s.textColour; }
    COLORREF SetBkColor(COLORREF c);
    COLORREF GetBkColor() const { return m_s.bkColour; }
    int SetBkMode(int mode);
    int GetBkMode() const { return m_s.bkMode; }
    unsigned SetTextAlign(unsigned align);
    unsigned GetTextAlign() const { return m_s.textAlign; }
    Font SelectFont(const Font& font);
    const Font& GetCurrentFont() const { return m_s.font; }
    Pen SelectPen(const Pen& pen);
    const Pen& GetCurrentPen() const { return m_s.pen; }
    Brush SelectBrush(const Brush& brush);
    const Brush& GetCurrentBrush() const { return m_s.brush; }

    // Returns a level for RestoreDC; RestoreDC(-1) restores the latest.
    int SaveDC();
    bool RestoreDC(int level);

    // Mapping.
    int SetMapMode(int mode);
    int GetMapMode() const { return m_s.mapMode; }
    Point SetWindowOrg(int x, int y);
    Point GetWindowOrg() const { return m_s.windowOrg; }
    Point SetViewportOrg(int x, int y);
    Point GetViewportOrg() const { return m_s.viewportOrg; }
    Size SetWindowExt(int cx, int cy);
    Size GetWindowExt() const { return m_s.windowExt; }
    Size SetViewportExt(int cx, int cy);
    Size GetViewportExt() const { return m_s.viewportExt; }
    Point LPtoDP(Point p) const;
    Rect LPtoDP(const Rect& r) const; // normalised
    Point DPtoLP(Point p) const;
    Rect DPtoLP(const Rect& r) const; // normalised

    // Clipping (logical units).
    int GetClipBox(Rect* rect) const;
    int IntersectClipRect(const Rect& rect);
    // Null resets clipping to the surface.
    int SelectClipRect(const Rect* rect);
    bool PtVisible(Point p) const;
    bool RectVisible(const Rect& rect) const;

    // Filling and lines.
    void FillSolidRect(const Rect& rect, COLORREF colour);
    void FillRect(const Rect& rect, const Brush& brush);
    void FrameRect(const Rect& rect, const Brush& brush);
    void Draw3dRect(const Rect& rect, COLORREF topLeft, COLORREF bottomRight);
    // The dotted focus frame: every other pixel of the rectangle's edge inverted, so that a second
    // call takes it away again.
    void DrawFocusRect(const Rect& rect);
    bool Rectangle(const Rect& rect);
    Point MoveTo(int x, int y);
    Point MoveTo(Point p) { return MoveTo(p.x, p.y); }
    bool LineTo(int x, int y);
    bool LineTo(Point p) { return LineTo(p.x, p.y); }
    Point GetCurrentPosition() const { return m_s.position; }
    bool Polygon(const std::vector<Point>& points);
    bool Polyline(const std::vector<Point>& points);
    // The ellipse in `rect` (right and bottom outside, as for Rectangle), outlined with the pen
    // and filled with the brush.
    bool Ellipse(const Rect& rect);
    // The wedge of the ellipse in `rect` from the ray through `start` counter-clockwise to the ray
    // through `end` (both from the centre); equal rays give the whole ellipse. Outlined with the
    // pen, filled with the brush.
    bool Pie(const Rect& rect, Point start, Point end);

    // 3-D edges and frame controls in the system colours. With BF_ADJUST `rect` becomes the
    // interior.
    bool DrawEdge(Rect& rect, unsigned edge, unsigned flags);
    bool DrawFrameControl(const Rect& rect, unsigned type, unsigned state);

    // Raster operations; they act only on image surfaces (and are recorded in any case).
    bool PatBlt(int x, int y, int width, int height, std::uint32_t rop);
    void InvertRect(const Rect& rect) { PatBlt(rect.left, rect.top, rect.Width(), rect.Height(), DSTINVERT); }
    bool BitBlt(int x, int y, int width, int height, const Dc* source, int sx, int sy, std::uint32_t rop);
    COLORREF SetPixel(int x, int y, COLORREF colour);
    COLORREF GetPixel(int x, int y) const; // CLR_NONE outside an image surface

    // Text. DrawText returns the height of the text (with DT_VCENTER or DT_BOTTOM the offset
    // from the rectangle's top to the bottom of the text), 0 on failure; with DT_CALCRECT it
    // only measures and widens or narrows `rect` to the text.
    int DrawText(const QString& text, Rect& rect, unsigned format);
    int DrawText(const QString& text, const Rect& rect, unsigned format) {
        Rect r = rect;
        return DrawText(text, r, format & ~DT_CALCRECT);
    }
    bool TextOut(int x, int y, const QString& text);
    Size GetTextExtent(const QString& text) const;
    bool GetTextMetrics(TEXTMETRIC* tm) const;

    bool DrawImage(const ImageList& list, int index, Point pt, unsigned style);
    // An icon (DST_ICON, alpha kept) or bitmap (DST_BITMAP) at `pt` at its own size; with
    // DSS_DISABLED embossed instead: its dark pixels in COLOR_3DHILIGHT one pixel right and down,
    // then in COLOR_3DSHADOW in place.
    bool DrawState(const QImage& image, Point pt, unsigned flags);

    // The QImage that this context draws on, or null when it does not draw on one.
    QImage* TargetImage() const;

protected:
    struct State {
        COLORREF textColour = 0;
        COLORREF bkColour = Rgb(255, 255, 255);
        int bkMode = OPAQUE;
        unsigned textAlign = TA_LEFT | TA_TOP;
        Font font;
        Pen pen;
        Brush brush;
        int mapMode = MM_TEXT;
        Point windowOrg;
        Point viewportOrg;
        Size windowExt{1, 1};
        Size viewportExt{1, 1};
        std::optional<Rect> clip; // device; none means the surface
        Point position;
    };

    void AttachPainter(QPainter* painter);

private:
    struct Layout;

    Rect DeviceClip() const;
    void ApplyClip();
    bool Identity() const;
    double ScaleX() const;
    double ScaleY() const;
    int ToDeviceLength(int logical, bool vertical) const;
    int ToLogicalLength(int device, bool vertical) const;
    const QFont& DeviceFont() const;
    const QFontMetrics& DeviceMetrics() const;
    void ApplyPainterFont() const;
    Layout LayOut(const QString& text, const Rect& deviceRect, unsigned format) const;
    void PaintLine(Point from, Point to) const;
    void PreparePenAndBrush() const;
    void PaintEdgeRing(const Rect& r, COLORREF topLeft, COLORREF bottomRight, unsigned sides) const;
    void PaintEdge(Rect& r, unsigned edge, unsigned flags) const;
    void FillDevice(const Rect& r, COLORREF colour) const;
    void FillDevice(const Rect& r, const Brush& brush) const;
    void RecordCall(DrawCall&& call) const;

    QPainter* m_painter = nullptr;
    Recorder* m_recorder = nullptr;
    State m_s;
    std::vector<State> m_saved;
    Rect m_surface;
    int m_dpiX = 96;
    int m_dpiY = 96;
    int m_colours = -1;
    bool m_printing = false;
    mutable std::optional<QFont> m_deviceFont;
    mutable std::unique_ptr<QFontMetrics> m_deviceMetrics;
    mutable bool m_painterFontSet = false;
    mutable QFont m_painterFont;       // the painter's font after the last setFont of ours
    mutable QFont m_painterFontSource; // the font given to it then
};

// A context over an image of its own (a memory DC with a selected bitmap), for raster
// operations and off-screen composition.
class BitmapDc : public Dc {
public:
    BitmapDc(int width, int height, COLORREF fill = Rgb(255, 255, 255), Recorder* recorder = nullptr);
    // Over a copy of `image` (a bitmap selected into a memory DC).
    explicit BitmapDc(const QImage& image, Recorder* recorder = nullptr);
    ~BitmapDc() override;

    const QImage& Image() const { return m_image; }

private:
    QImage m_image;
    std::unique_ptr<QPainter> m_ownPainter;
};

} // namespace gdi
