#pragma once
// The lunar calendar's date panel: a year box with its up-down arrows, a month list, the month
// grid, the lunar year, month, day and solar term of the selected day, a "今天" button and a line
// with today's date. Also the year box, which takes only digits and keeps the year in 1901–2050.

#include "controls/LunarCalendarCtrl.h"
#include "controls/SpinButtonCtrl.h"
#include "platform/gdi/Dc.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Types.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

class CYearEdit : public QLineEdit {
    Q_OBJECT
public:
    CYearEdit();
    ~CYearEdit() override;

    bool Create(const gdi::Rect& rect, QWidget* parent, int id);

protected:
    // An ordinary number box of at most four digits: Backspace, Delete, the selection keys and
    // typing over a selection work; a typed or pasted text that is not all digits is dropped.
    // On leaving, a year before 1901 becomes "1901" and one after 2050 "2050".
    void focusOutEvent(QFocusEvent* event) override;
};

class CLunarDatePicker : public QWidget {
    Q_OBJECT
public:
    // Window size (with its dialog frame) and the children's ids.
    static constexpr int kWidth = 340;
    static constexpr int kHeight = 214;
    enum { IDC_MONTH = 227, IDC_YEAR = 228, IDC_TODAY = 229, IDC_CALENDAR = 230, IDC_SPIN = 231 };

    CLunarDatePicker();
    ~CLunarDatePicker() override;

    // A child window of `parent` at the rectangle's top-left corner with id `id`, with its
    // children; false when one of them could not be made.
    bool Create(const gdi::Rect& rect, QWidget* parent, int id);

    // Draws the client area (the etched lines, the lunar information and today's line).
    void OnPaint(gdi::Dc& dc);
    void OnMonthChange();
    void OnYearChange();
    void OnToday();

    const gdi::Font& GetDisplayFont() const { return m_font; }
    gdi::Rect GetClientRect() const;
    CLunarCalendarCtrl& GetCalendar() { return m_calendar; }
    CSpinButtonCtrl& GetSpin() { return m_spin; }
    QComboBox& GetMonthList() { return m_monthList; }
    CYearEdit& GetYearEdit() { return m_yearEdit; }
    QPushButton& GetTodayButton() { return m_todayButton; }

protected:
    bool OnCreate();
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Invalidates the client rectangle (all of it when null), and the month grid with it.
    void Invalidate(const gdi::Rect* client = nullptr, bool withGrid = false);

    CLunarCalendarCtrl m_calendar;
    CSpinButtonCtrl m_spin;
    QComboBox m_monthList;
    CYearEdit m_yearEdit;
    QPushButton m_todayButton;
    gdi::Font m_font;
};
