#pragma once
// An image list: equally sized images addressed by index, with an optional mask colour that is
// drawn transparent.

#include "platform/gdi/Colour.h"
#include "platform/gdi/Types.h"

#include <QImage>

#include <vector>

namespace gdi {

class Dc;

inline constexpr unsigned ILD_NORMAL = 0x0000;
inline constexpr unsigned ILD_TRANSPARENT = 0x0001;
inline constexpr unsigned ILD_BLEND25 = 0x0002;
inline constexpr unsigned ILD_BLEND50 = 0x0004;
inline constexpr unsigned ILD_MASK = 0x0010;

struct IMAGEINFO {
    Rect rcImage;
};

class ImageList {
public:
    ImageList(int cx, int cy) : m_size(cx, cy) {}

    // Splits `strip` into images of the list's width, left to right; pixels of `mask` (unless
    // CLR_NONE) become transparent. Returns the index of the first image added, -1 for none.
    int Add(const QImage& strip, COLORREF mask = CLR_NONE);
    // Puts the first image of `image` in place of image `index`, masked as Add does; false when
    // there is no such image.
    bool Replace(int index, const QImage& image, COLORREF mask = CLR_NONE);

    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    Size GetImageSize() const { return m_size; }
    bool GetImageInfo(int index, IMAGEINFO* info) const;
    const QImage& Image(int index) const { return m_images.at(static_cast<std::size_t>(index)); }

    // Draws image `index` with its top-left corner at `pt` (logical units of the DC).
    bool Draw(Dc* dc, int index, Point pt, unsigned style = ILD_NORMAL) const;

private:
    Size m_size;
    std::vector<QImage> m_images;
};

} // namespace gdi
