#include "controls/SpinButtonCtrl.h"

#include "platform/gdi/Dc.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 80;
} // namespace

CSpinButtonCtrl::CSpinButtonCtrl(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    connect(&m_repeat, &QTimer::timeout, this, [this] { OnRepeat(); });
}

CSpinButtonCtrl::~CSpinButtonCtrl() = default;

void CSpinButtonCtrl::SetRange(int lower, int upper) {
    m_lower = lower;
    m_upper = upper;
    m_pos = std::clamp(m_pos, std::min(lower, upper), std::max(lower, upper));
}

void CSpinButtonCtrl::SetPos(int pos) {
    m_pos = std::clamp(pos, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
    if (m_buddy)
        m_buddy->setText(QString::number(m_pos));
}

int CSpinButtonCtrl::GetPos() {
    if (m_buddy) {
        bool ok = false;
        const int value = m_buddy->text().trimmed().toInt(&ok);
        if (ok && value >= std::min(m_lower, m_upper) && value <= std::max(m_lower, m_upper))
            m_pos = value;
    }
    return m_pos;
}

void CSpinButtonCtrl::SetBuddy(QLineEdit* buddy) {
    m_buddy = buddy;
    if (!buddy)
        return;
    const QRect b = buddy->geometry();
    const int w = width();
    buddy->setGeometry(b.x(), b.y(), std::max(0, b.width() - w), b.height());
    setGeometry(b.x() + b.width() - w, b.y(), w, b.height());
}

void CSpinButtonCtrl::Step(int delta) {
    GetPos();
    const int next = std::clamp(m_pos + delta, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
    if (next != m_pos)
        SetPos(next);
}

void CSpinButtonCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    gdi::Dc dc(&painter);
    const int half = height() / 2;
    dc.DrawFrameControl(gdi::Rect(0, 0, width(), half), gdi::DFC_SCROLL,
                        gdi::DFCS_SCROLLUP | (m_pressed > 0 ? gdi::DFCS_PUSHED : 0));
    dc.DrawFrameControl(gdi::Rect(0, half, width(), height()), gdi::DFC_SCROLL,
                        gdi::DFCS_SCROLLDOWN | (m_pressed < 0 ? gdi::DFCS_PUSHED : 0));
}

void CSpinButtonCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = event->position().y() < height() / 2 ? 1 : -1;
    update();
    Step(m_pressed);
    m_repeat.start(kFirstRepeatMs);
}

void CSpinButtonCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_repeat.stop();
    m_pressed = 0;
    update();
}

void CSpinButtonCtrl::OnRepeat() {
    if (!m_pressed) {
        m_repeat.stop();
        return;
    }
    Step(m_pressed);
    m_repeat.setInterval(kRepeatMs);
}
