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

} // namespace gdi
