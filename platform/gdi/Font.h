#pragma once
// LOGFONT ⇄ QFont, and the realised font object that a device context selects.
//
// Heights follow GDI: lfHeight < 0 is the character (em) height in pixels, lfHeight > 0 the cell
// height (ascent + descent), 0 a default. Windows face names are mapped onto families that this
// machine has (Chinese faces onto the installed CJK fonts), so sizes follow the local fonts.

#include <QFont>
#include <QFontMetrics>
#include <QString>

#include <cstdint>
#include <memory>

namespace gdi {

inline constexpr int FW_DONTCARE = 0;
inline constexpr int FW_THIN = 100;
inline constexpr int FW_LIGHT = 300;
inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_MEDIUM = 500;
inline constexpr int FW_SEMIBOLD = 600;
inline constexpr int FW_BOLD = 700;
inline constexpr int FW_HEAVY = 900;

inline constexpr std::uint8_t ANSI_CHARSET = 0;
inline constexpr std::uint8_t DEFAULT_CHARSET = 1;
inline constexpr std::uint8_t GB2312_CHARSET = 134;

struct LOGFONT {
    int lfHeight = 0;
    int lfWidth = 0;
    int lfEscapement = 0; // tenths of a degree, counter-clockwise
    int lfOrientation = 0;
    int lfWeight = FW_DONTCARE;
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = DEFAULT_CHARSET;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    QString lfFaceName; // at most 31 characters, as in GDI

    bool operator==(const LOGFONT&) const = default;
};

struct TEXTMETRIC {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
    int tmWeight = 0;
    int tmOverhang = 0;
    std::uint8_t tmItalic = 0;
    std::uint8_t tmUnderlined = 0;
    std::uint8_t tmStruckOut = 0;
    std::uint8_t tmCharSet = 0;
};

// `pixelScale` converts logical to device units for the height (1 on screens in MM_TEXT).
QFont ToQFont(const LOGFONT& lf, double pixelScale = 1.0);
// Height written as a negative em height in pixels.
LOGFONT FromQFont(const QFont& font);

// A font object: immutable, cheap to copy (shared). A default-constructed Font is the system's
// message font.
class Font {
public:
    Font();
    explicit Font(const LOGFONT& lf);

    const LOGFONT& GetLogFont() const;
    const QFont& GetQFont() const;
    // Screen metrics of the font, computed once.
    const QFontMetrics& Metrics() const;
    TEXTMETRIC GetTextMetrics() const;

    bool operator==(const Font& o) const { return m_impl == o.m_impl; }

private:
    struct Impl;
    static std::shared_ptr<const Impl> DefaultImpl();
    std::shared_ptr<const Impl> m_impl;
};

// Text metrics as GDI reports them, from Qt's metrics of one font.
TEXTMETRIC TextMetricsOf(const QFontMetrics& fm, const LOGFONT& lf);

} // namespace gdi
