#pragma once
// Scroll bars as Windows computes them: a range, a page and a position (SCROLLINFO), the clamping
// that SetScrollInfo applies, and the rule by which a window's bar shows, hides or disables
// itself. ScrollBarLink mirrors that state onto a QScrollBar and turns the user's actions on it
// into the SB_ codes of WM_HSCROLL / WM_VSCROLL, so the owning window decides every position
// itself, exactly as a Windows window procedure does.

#include <functional>

class QScrollBar;

namespace ui {

// Bars.
inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;
inline constexpr int SB_CTL = 2;
inline constexpr int SB_BOTH = 3;

// Scroll codes.
inline constexpr int SB_LINEUP = 0;
inline constexpr int SB_LINELEFT = 0;
inline constexpr int SB_LINEDOWN = 1;
inline constexpr int SB_LINERIGHT = 1;
inline constexpr int SB_PAGEUP = 2;
inline constexpr int SB_PAGELEFT = 2;
inline constexpr int SB_PAGEDOWN = 3;
inline constexpr int SB_PAGERIGHT = 3;
inline constexpr int SB_THUMBPOSITION = 4;
inline constexpr int SB_THUMBTRACK = 5;
inline constexpr int SB_TOP = 6;
inline constexpr int SB_LEFT = 6;
inline constexpr int SB_BOTTOM = 7;
inline constexpr int SB_RIGHT = 7;
inline constexpr int SB_ENDSCROLL = 8;

// SCROLLINFO masks.
inline constexpr unsigned SIF_RANGE = 0x01;
inline constexpr unsigned SIF_PAGE = 0x02;
inline constexpr unsigned SIF_POS = 0x04;
inline constexpr unsigned SIF_DISABLENOSCROLL = 0x08;
inline constexpr unsigned SIF_TRACKPOS = 0x10;
inline constexpr unsigned SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

struct SCROLLINFO {
    unsigned fMask = 0;
    int nMin = 0;
    int nMax = 0;
    unsigned nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

// One bar's state and SetScrollInfo's arithmetic, without any widget.
class ScrollInfo {
public:
    // Applies the fields that info.fMask names and returns the resulting position:
    //  - the page is at most the range's size (nMax - nMin + 1);
    //  - the position stays within nMin .. nMax - max(nPage - 1, 0);
    //  - a window bar whose new range or page leaves nothing to scroll hides itself, or, with
    //    SIF_DISABLENOSCROLL, stays as it is but disabled; a bar that can scroll is shown and
    //    enabled unless only the page was set.
    int Set(const SCROLLINFO& info);
    // Fills the fields that info->fMask names.
    bool Get(SCROLLINFO* info) const;

    int Min() const { return m_min; }
    int Max() const { return m_max; }
    unsigned Page() const { return m_page; }
    int Pos() const { return m_pos; }
    int TrackPos() const { return m_tracking ? m_trackPos : m_pos; }
    // The largest position the bar accepts.
    int MaxPos() const;
    bool CanScroll() const { return m_min < MaxPos(); }

    bool Visible() const { return m_visible; }
    bool Enabled() const { return m_enabled; }
    // ShowScrollBar: only the visibility changes.
    void Show(bool show) { m_visible = show; }
    // EnableScrollBar.
    void Enable(bool enable) { m_enabled = enable; }

    bool Tracking() const { return m_tracking; }
    void BeginTrack(int trackPos);
    void EndTrack();

private:
    int Clamp(int pos) const;

    int m_min = 0;
    int m_max = 0;
    unsigned m_page = 0;
    int m_pos = 0;
    int m_trackPos = 0;
    bool m_tracking = false;
    bool m_visible = false;
    bool m_enabled = true;
};

// Mirrors a ScrollInfo onto a QScrollBar and reports the user's actions on the bar as SB_ codes.
// The bar's own movement is undone before the handler runs: the handler sets the position.
class ScrollBarLink {
public:
    using Handler = std::function<void(int code)>;

    ScrollBarLink(QScrollBar* bar, Handler handler);
    ~ScrollBarLink();
    ScrollBarLink(const ScrollBarLink&) = delete;
    ScrollBarLink& operator=(const ScrollBarLink&) = delete;

    QScrollBar* Bar() const { return m_bar; }
    const ScrollInfo& Info() const { return m_info; }

    int SetScrollInfo(const SCROLLINFO& info);
    bool GetScrollInfo(SCROLLINFO* info) const { return m_info.Get(info); }
    int SetScrollPos(int pos);
    int GetScrollPos(bool tracking) const { return tracking ? m_info.TrackPos() : m_info.Pos(); }
    void ShowScrollBar(bool show);
    bool IsShown() const { return m_info.Visible(); }

    // Delivers a code as if the user had acted on the bar (keyboard and wheel handling use it).
    void Send(int code);

private:
    void Mirror();
    void OnAction(int action);

    QScrollBar* m_bar;
    Handler m_handler;
    ScrollInfo m_info;
    bool m_mirroring = false;
};

} // namespace ui
