#include "platform/ui/ScrollInfo.h"

#include <QScrollBar>

#include <algorithm>

namespace ui {

int ScrollInfo::MaxPos() const {
    const long long span =
        static_cast<long long>(m_max) - std::max<long long>(static_cast<long long>(m_page) - 1, 0);
    return static_cast<int>(std::max<long long>(span, m_min));
}

int ScrollInfo::Clamp(int pos) const {
    return std::clamp(pos, m_min, std::max(m_min, MaxPos()));
}

int ScrollInfo::Set(const SCROLLINFO& info) {
    if (info.fMask & SIF_RANGE) {
        m_min = info.nMin;
        m_max = std::max(info.nMin, info.nMax);
    }
    if (info.fMask & SIF_PAGE)
        m_page = info.nPage;
    if (info.fMask & (SIF_RANGE | SIF_PAGE)) {
        const long long size = static_cast<long long>(m_max) - m_min + 1;
        if (static_cast<long long>(m_page) > size)
            m_page = static_cast<unsigned>(size);
    }
    if (info.fMask & SIF_POS)
        m_pos = info.nPos;
    m_pos = Clamp(m_pos);
    if (m_tracking)
        m_trackPos = Clamp(m_trackPos);

    if (info.fMask & (SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL)) {
        if (!CanScroll()) {
            if (info.fMask & SIF_DISABLENOSCROLL)
                m_enabled = false;
            else if (info.fMask & (SIF_RANGE | SIF_PAGE))
                m_visible = false;
        } else if (info.fMask != SIF_PAGE) {
            m_visible = true;
            m_enabled = true;
        }
    }
    return m_pos;
}

bool ScrollInfo::Get(SCROLLINFO* info) const {
    if (!info || !(info->fMask & SIF_ALL))
        return false;
    if (info->fMask & SIF_RANGE) {
        info->nMin = m_min;
        info->nMax = m_max;
    }
    if (info->fMask & SIF_PAGE)
        info->nPage = m_page;
    if (info->fMask & SIF_POS)
        info->nPos = m_pos;
    if (info->fMask & SIF_TRACKPOS)
        info->nTrackPos = TrackPos();
    return true;
}

void ScrollInfo::BeginTrack(int trackPos) {
    m_tracking = true;
    m_trackPos = Clamp(trackPos);
}

void ScrollInfo::EndTrack() {
    m_tracking = false;
}

ScrollBarLink::ScrollBarLink(QScrollBar* bar, Handler handler) : m_bar(bar), m_handler(std::move(handler)) {
    if (!m_bar)
        return;
    m_bar->setSingleStep(1);
    m_bar->setTracking(true);
    QObject::connect(m_bar, &QAbstractSlider::actionTriggered, m_bar,
                     [this](int action) { OnAction(action); });
    QObject::connect(m_bar, &QAbstractSlider::sliderReleased, m_bar, [this] {
        if (!m_info.Tracking())
            return;
        m_info.BeginTrack(m_bar->sliderPosition());
        if (m_handler)
            m_handler(SB_THUMBPOSITION);
        m_info.EndTrack();
        if (m_handler)
            m_handler(SB_ENDSCROLL);
        Mirror();
    });
    Mirror();
}

ScrollBarLink::~ScrollBarLink() {
    if (m_bar)
        QObject::disconnect(m_bar, nullptr, m_bar, nullptr);
}

void ScrollBarLink::Mirror() {
    if (!m_bar)
        return;
    m_mirroring = true;
    const QSignalBlocker block(m_bar);
    m_bar->setRange(m_info.Min(), m_info.MaxPos());
    m_bar->setPageStep(static_cast<int>(std::max(1u, m_info.Page())));
    if (!m_info.Tracking() || !m_bar->isSliderDown())
        m_bar->setValue(m_info.Pos());
    else
        m_bar->setValue(m_info.TrackPos());
    m_bar->setEnabled(m_info.Enabled() && m_info.CanScroll());
    m_bar->setVisible(m_info.Visible());
    m_mirroring = false;
}

void ScrollBarLink::OnAction(int action) {
    if (m_mirroring)
        return;
    int code = -1;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        code = SB_LINEDOWN;
        break;
    case QAbstractSlider::SliderSingleStepSub:
        code = SB_LINEUP;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = SB_PAGEDOWN;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = SB_PAGEUP;
        break;
    case QAbstractSlider::SliderToMinimum:
        code = SB_TOP;
        break;
    case QAbstractSlider::SliderToMaximum:
        code = SB_BOTTOM;
        break;
    case QAbstractSlider::SliderMove:
        code = SB_THUMBTRACK;
        break;
    default:
        return;
    }
    if (code == SB_THUMBTRACK) {
        m_info.BeginTrack(m_bar->sliderPosition());
        if (m_handler)
            m_handler(code);
        if (!m_bar->isSliderDown()) {
            // A move without a drag (the wheel over the bar) ends at once.
            m_info.EndTrack();
            if (m_handler)
                m_handler(SB_ENDSCROLL);
        }
    } else {
        // Undo the bar's own step; the handler decides the position.
        m_bar->setSliderPosition(m_info.Pos());
        if (m_handler) {
            m_handler(code);
            m_handler(SB_ENDSCROLL);
        }
    }
    Mirror();
}

int ScrollBarLink::SetScrollInfo(const SCROLLINFO& info) {
    const int pos = m_info.Set(info);
    Mirror();
    return pos;
}

int ScrollBarLink::SetScrollPos(int pos) {
    SCROLLINFO si;
    si.fMask = SIF_POS;
    si.nPos = pos;
    return SetScrollInfo(si);
}

void ScrollBarLink::ShowScrollBar(bool show) {
    m_info.Show(show);
    Mirror();
}

void ScrollBarLink::Send(int code) {
    if (m_handler)
        m_handler(code);
}

} // namespace ui
