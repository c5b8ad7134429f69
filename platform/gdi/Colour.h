#pragma once
// COLORREF: 0x00BBGGRR, as GDI stores colours. Two sentinels sit outside that range: CLR_DEFAULT
// ("take the colour from whoever supplies defaults") and CLR_NONE ("no colour at all").

#include <QColor>

#include <cstdint>

namespace gdi {

using COLORREF = std::uint32_t;

inline constexpr COLORREF CLR_DEFAULT = 0xFF000000;
inline constexpr COLORREF CLR_NONE = 0xFFFFFFFF;

constexpr COLORREF Rgb(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GetGValue(COLORREF c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// True for the two sentinels (and anything else with a high byte), which name no drawable colour.
constexpr bool IsSentinel(COLORREF c) {
    return (c & 0xFF000000) != 0;
}

// `c`, or `fallback` when `c` is CLR_DEFAULT.
constexpr COLORREF ResolveColour(COLORREF c, COLORREF fallback) {
    return c == CLR_DEFAULT ? fallback : c;
}

// The opaque QColor of a COLORREF; a sentinel gives an invalid QColor.
inline QColor ToQColor(COLORREF c) {
    if (IsSentinel(c))
        return QColor();
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// Alpha is dropped; an invalid colour becomes CLR_NONE.
inline COLORREF FromQColor(const QColor& c) {
    if (!c.isValid())
        return CLR_NONE;
    return Rgb(c.red(), c.green(), c.blue());
}

// Shades of a colour, channel by channel, truncated. Lighten moves each channel towards 255 by
// the fraction f, Darken towards 0; outside 0 < f <= 1 both give the colour back unchanged.
constexpr COLORREF Lighten(COLORREF c, double f) {
    if (!(f > 0 && f <= 1))
        return c;
    const auto up = [f](int v) { return static_cast<int>(v + (255 - v) * f); };
    return Rgb(up(GetRValue(c)), up(GetGValue(c)), up(GetBValue(c)));
}
constexpr COLORREF Darken(COLORREF c, double f) {
    if (!(f > 0 && f <= 1))
        return c;
    const auto down = [f](int v) { return static_cast<int>(v - v * f); };
    return Rgb(down(GetRValue(c)), down(GetGValue(c)), down(GetBValue(c)));
}

// The grey of equal brightness: the luma 0.299 R + 0.587 G + 0.114 B, truncated, in all three
// channels.
constexpr COLORREF Grey(COLORREF c) {
    // The small addend keeps sums that are whole numbers in exact arithmetic (white: 255) from
    // truncating one lower through rounding of the weights.
    const int level =
        static_cast<int>(0.299 * GetRValue(c) + 0.587 * GetGValue(c) + 0.114 * GetBValue(c) + 1e-9);
    return Rgb(level, level, level);
}

// The tint of a disabled image's pixel: `shadow` lightened by the pixel's brightness, the mean of
// its channels (an integer) over 255 as a fraction, so that brighter pixels come out lighter.
constexpr COLORREF DisabledTint(COLORREF pixel, COLORREF shadow) {
    const int mean = (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel)) / 3;
    return Lighten(shadow, mean / 255.0);
}

} // namespace gdi
