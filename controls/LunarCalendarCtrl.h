#pragma once
// The month grid of the lunar calendar: the Gregorian days of one month, Sunday first, each with
// its lunar day (or, on the first day of a lunar month, the month's name, 闰月 for a leap month) as
// a small picture.
// Clicking a day selects it and tells the parent with WM_LUNARDATESELECT; the context menu
// changes the header and day colours.

#include "platform/gdi/Colour.h"
#include "platform/gdi/Dc.h"
#include "platform/gdi/Types.h"

#include <QWidget>

#include <cstdint>
#include <memory>

class QMenu;

// Posted to the parent on a new selection: wParam = (year << 16) | month, lParam = day.
inline constexpr unsigned WM_LUNARDATESELECT = 0x0400 + 101;

class CLunarCalendarCtrl : public QWidget {
    Q_OBJECT
public:
    // Window size (with its sunken client edge) and the grid's cells, in client pixels.
    static constexpr int kWidth = 228;
    static constexpr int kHeight = 150;
    static constexpr int kCellWidth = 32;
    static constexpr int kCellHeight = 20;
    static constexpr int kFirstRowTop = 26;

    // Context-menu commands.
    enum { ID_HEADER_BACK = 232, ID_HEADER_TEXT = 233, ID_SELECTED_BACK = 234, ID_DAY_TEXT = 235 };
    // The pictures: lunar day d is bitmap 184 + d − 1, lunar month m bitmap 213 + m, and the
    // first day of a leap month bitmap 226 (闰月).
    static constexpr int kFirstBitmap = 184;
    static constexpr int kBitmaps = 43;
    static constexpr int kLeapMonthPicture = 42;

    // Today (the local date).
    CLunarCalendarCtrl();
    // The given date when SetDate accepts it, else today.
    CLunarCalendarCtrl(std::uint16_t year, std::uint16_t month, std::uint16_t day);
    ~CLunarCalendarCtrl() override;

    // A child window of `parent` at the rectangle's top-left corner with id `id`, with its pictures
    // and context menu.
    bool Create(const gdi::Rect& rect, QWidget* parent, int id);

    // 1 and the date stored when it lies in 1901–2050 and is a real date; else 0.
    int SetDate(std::uint16_t year, std::uint16_t month, std::uint16_t day);
    void GetDate(std::uint16_t& year, std::uint16_t& month, std::uint16_t& day) const;

    // Draws the client area (the header band and the days) into `dc`.
    void OnPaint(gdi::Dc& dc);
    // The day under the client point, 0 for none.
    int HitTest(gdi::Point point) const;
    // A left click at a client point.
    void OnLButtonDown(gdi::Point point);
    // The colour commands 232–235; false for any other command.
    bool OnCommand(int id);

    gdi::Rect GetClientRect() const;
    // The rectangle of the selected day's cell, as last drawn.
    gdi::Rect GetSelectedRect() const { return m_rcSelected; }
    gdi::COLORREF GetColour(int command) const;
    QMenu* GetContextMenu() const { return m_menu.get(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void SetDefaultColours();
    void LoadPictures();
    gdi::Font DisplayFont() const;
    // Client rectangle to widget rectangle.
    QRect ToWidget(const gdi::Rect& client) const;

    std::uint16_t m_iYear = 0;
    std::uint16_t m_iMonth = 0;
    std::uint16_t m_iDay = 0;
    // The 43 pictures one below the other, 8 × 16 each, for BitBlt.
    std::unique_ptr<gdi::BitmapDc> m_pictures;
    std::unique_ptr<QMenu> m_menu;
    gdi::Rect m_rcSelected;
    gdi::COLORREF m_clrCellBack = 0;
    gdi::COLORREF m_clrDayText = 0;
    gdi::COLORREF m_clrSelectedBack = 0;
    gdi::COLORREF m_clrSelectedText = 0;
    gdi::COLORREF m_clrHeaderBack = 0;
    gdi::COLORREF m_clrHeaderText = 0;
};
