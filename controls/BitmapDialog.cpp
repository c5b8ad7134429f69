#include "controls/BitmapDialog.h"

#include "controls/Picture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

CBitmapDialog::CBitmapDialog() : ui::Dialog(0) {}

CBitmapDialog::CBitmapDialog(int templateId, QWidget* parent) : ui::Dialog(templateId, parent) {}

CBitmapDialog::CBitmapDialog(const QString& templateName, QWidget* parent)
    : ui::Dialog(0, parent), m_templateName(templateName) {}

CBitmapDialog::~CBitmapDialog() = default;

int CBitmapDialog::SetBitmap(const QImage& bitmap, gdi::COLORREF transparent) {
    m_bitmap = QImage();
    m_bitmapWidth = m_bitmapHeight = 0;
    if (!m_region.isEmpty()) {
        m_region = QRegion();
        clearMask();
    }
    if (bitmap.isNull()) {
        update();
        return 0;
    }
    if (bitmap.width() <= 0 || bitmap.height() <= 0)
        return 1;
    m_bitmap = bitmap;
    m_bitmapWidth = bitmap.width();
    m_bitmapHeight = bitmap.height();
    if (transparent != gdi::CLR_NONE) {
        m_region = BitmapToRegion(m_bitmap, transparent);
        if (m_region.isEmpty()) {
            // Nothing of the bitmap would be left of the window.
            m_bitmap = QImage();
            m_bitmapWidth = m_bitmapHeight = 0;
            update();
            return 3;
        }
        setMask(m_region);
    }
    update();
    return 0;
}

int CBitmapDialog::LoadBitmap(int id, gdi::COLORREF transparent) {
    QByteArray data;
    if (!FindPictureResource(id, QStringLiteral("BITMAP"), &data)) {
        SetBitmap(QImage());
        return 1;
    }
    const QImage bitmap = LoadPictureData(data);
    if (bitmap.isNull()) {
        SetBitmap(QImage());
        return 1;
    }
    return SetBitmap(bitmap, transparent);
}

int CBitmapDialog::SetPlacement(int placement, bool repaint) {
    if (placement < 0 || placement > 12)
        return 2;
    m_placement = placement;
    if (repaint)
        update();
    return 0;
}

void CBitmapDialog::FitToBitmap(bool repaint) {
    if (m_bitmapWidth > 0 && m_bitmapHeight > 0)
        resize(m_bitmapWidth, m_bitmapHeight); // the client area; the frame is the window system's
    m_placement = 1;
    if (repaint)
        update();
}

QRegion CBitmapDialog::BitmapToRegion(const QImage& bitmap, gdi::COLORREF colour) {
    const QImage rgb = bitmap.convertToFormat(QImage::Format_RGB32);
    const QRgb key = qRgb(gdi::GetRValue(colour), gdi::GetGValue(colour), gdi::GetBValue(colour));
    QRegion region;
    // Every column is looked at, the rightmost ones included.
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        int x = 0;
        while (x < rgb.width()) {
            while (x < rgb.width() && (line[x] & 0xFFFFFF) == (key & 0xFFFFFF))
                ++x;
            const int start = x;
            while (x < rgb.width() && (line[x] & 0xFFFFFF) != (key & 0xFFFFFF))
                ++x;
            if (x > start)
                region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

QImage CBitmapDialog::ComposeBackground(const QSize& client) const {
    QImage image(client, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(palette().color(backgroundRole()));
    if (m_bitmap.isNull())
        return image;
    const int W = client.width(), H = client.height();
    const int w = m_bitmapWidth, h = m_bitmapHeight;
    QPainter p(&image);
    const auto at = [&](int x, int y) { p.drawImage(x, y, m_bitmap); };
    switch (m_placement) {
    case 0:
        for (int y = 0; y < H; y += h)
            for (int x = 0; x < W; x += w)
                at(x, y);
        break;
    case 1:
        at((W - w) / 2, (H - h) / 2);
        break;
    case 2:
        p.drawImage(QRect(0, 0, W, H), m_bitmap);
        break;
    case 3:
        for (int x = 0; x < W; x += w)
            at(x, 0);
        break;
    case 4:
        for (int x = 0; x < W; x += w)
            at(x, H - h);
        break;
    case 5:
        for (int y = 0; y < H; y += h)
            at(0, y);
        break;
    case 6:
        for (int y = 0; y < H; y += h)
            at(W - w, y);
        break;
    case 7:
        at(0, 0);
        break;
    case 8:
        at(W - w, 0);
        break;
    case 9:
        at((W - w) / 2, 0);
        break;
    case 10:
        at(0, H - h);
        break;
    case 11:
        at(W - w, H - h);
        break;
    case 12:
        at((W - w) / 2, H - h);
        break;
    default:
        break;
    }
    return image;
}

void CBitmapDialog::paintEvent(QPaintEvent* event) {
    if (m_bitmap.isNull()) {
        ui::Dialog::paintEvent(event);
        return;
    }
    const QImage background = ComposeBackground(size());
    QPainter p(this);
    p.drawImage(0, 0, background);
    p.end();
    OnBackgroundReady(background);
}

void CBitmapDialog::mousePressEvent(QMouseEvent* event) {
    if (m_dragByClient && event->button() == Qt::LeftButton && windowHandle())
        windowHandle()->startSystemMove();
    ui::Dialog::mousePressEvent(event);
}
