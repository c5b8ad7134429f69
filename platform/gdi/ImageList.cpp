#include "platform/gdi/ImageList.h"

#include "platform/gdi/Dc.h"

namespace gdi {

int ImageList::Add(const QImage& strip, COLORREF mask) {
    if (strip.isNull() || m_size.cx <= 0 || m_size.cy <= 0)
        return -1;
    const int first = GetImageCount();
    QImage source = strip.convertToFormat(QImage::Format_ARGB32);
    if (!IsSentinel(mask)) {
        const QRgb key = ToQColor(mask).rgb();
        for (int y = 0; y < source.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(source.scanLine(y));
            for (int x = 0; x < source.width(); ++x)
                if ((line[x] & 0x00FFFFFF) == (key & 0x00FFFFFF))
                    line[x] = 0;
        }
    }
    for (int x = 0; x + m_size.cx <= source.width(); x += m_size.cx)
        m_images.push_back(source.copy(x, 0, m_size.cx, m_size.cy));
    return GetImageCount() > first ? first : -1;
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
