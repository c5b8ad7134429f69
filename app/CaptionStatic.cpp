#include "app/CaptionStatic.h"

#include "controls/FontEx.h"
#include "controls/Picture.h"

#include <QPainter>

namespace {
constexpr int kIconId = 128;
}

CCaptionStatic::CCaptionStatic(QWidget* parent) : QLabel(parent) {}

CCaptionStatic::~CCaptionStatic() = default;

void CCaptionStatic::FillGradient(QPainter& dc) const {
    const QRect client = rect();
    const int W = client.width();
    const float step = static_cast<float>(client.height()) * (1.0f / 256.0f);
    for (int i = 0; i < 256; ++i) {
        const int top = static_cast<int>(static_cast<float>(i) * step);
        const int bottom = static_cast<int>(static_cast<float>(i + 1) * step);
        if (bottom <= top)
            continue;
        const int v = 255 - i;
        dc.fillRect(QRect(0, top, W + 1, bottom - top),
                    QColor(m_bRed ? v : 0, m_bGreen ? v : 0, m_bBlue ? v : 0));
    }
}

void CCaptionStatic::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    FillGradient(dc);

    CFontEx font(QStringLiteral("仿宋体"));
    font.SetBold(true);
    font.SetHeight(25);
    font.SetOutPrecision(4); // OUT_TT_PRECIS
    dc.setFont(font);
    dc.setPen(Qt::white);

    const int H = height();
    QByteArray icon;
    if (FindPictureResource(kIconId, QStringLiteral("ICON"), &icon)) {
        const QImage image = LoadPictureData(icon);
        if (!image.isNull())
            dc.drawImage(QRect(2, H - 34, 32, 32), image);
    }

    QRect textArea = rect().adjusted(40, 2, -2, -2);
    dc.drawText(textArea, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine, text());
}
