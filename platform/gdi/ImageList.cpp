#include "platform/gdi/ImageList.h"

#include "platform/gdi/Dc.h"

namespace gdi {
namespace {

// `image` as ARGB with the pixels of `mask` (unless a sentinel) made transparent.
QImage Masked(const QImage& image, COLORREF mask) {
    QImage source = image.convertToFormat(QImage::Format_ARGB32);
    if (!IsSentinel(mask)) {
        const QRgb key = ToQColor(mask).rgb();
        for (int y = 0; y < source.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(source.scanLine(y));
            for (int x = 0; x < source.width(); ++x)
                if ((line[x] & 0x00FFFFFF) == (key & 0x00FFFFFF))
                    line[x] = 0;
        }
    }
    return source;
}

} // namespace

int ImageList::Add(const QImage& strip, COLORREF mask) {
    if (strip.isNull() || m_size.cx <= 0 || m_size.cy <= 0)
        return -1;
    const int first = GetImageCount();
    const QImage source = Masked(strip, mask);
    for (int x = 0; x + m_size.cx <= source.width(); x += m_size.cx)
        m_images.push_back(source.copy(x, 0, m_size.cx, m_size.cy));
    return GetImageCount() > first ? first : -1;
}

bool ImageList::Replace(int index, const QImage& image, COLORREF mask) {
    if (index < 0 || index >= GetImageCount() || image.width() < m_size.cx || image.height() < m_size.cy)
        return false;
    m_images[static_cast<std::size_t>(index)] = Masked(image, mask).copy(0, 0, m_size.cx, m_size.cy);
    return true;
}

bool ImageList::GetImageInfo(int index, IMAGEINFO* info) const {
    if (index < 0 || index >= GetImageCount())
        return false;
    if (info)
        info->rcImage = Rect(0, 0, m_size.cx, m_size.cy);
    return true;
}

bool ImageList::Draw(Dc* dc, int index, Point pt, unsigned style) const {
    return dc && dc->DrawImage(*this, index, pt, style);
}

} // namespace gdi
