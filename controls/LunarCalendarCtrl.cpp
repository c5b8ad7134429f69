#include "controls/LunarCalendarCtrl.h"

#include "controls/LunarCalendar.h"
#include "controls/LunarDatePicker.h"
#include "controls/Picture.h"
#include "platform/gdi/System.h"
#include "platform/ui/Clock.h"
#include "platform/ui/ColorDialog.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Messages.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

using namespace gdi;

namespace {

// The sunken client edge.
constexpr int kEdge = 2;
constexpr int kPictureWidth = 8;
constexpr int kPictureHeight = 16;

const QString kWeekDays = QStringLiteral("日一二三四五六");

} // namespace

CLunarCalendarCtrl::CLunarCalendarCtrl() {
    const QDate today = ui::CurrentDate();
    m_iYear = static_cast<std::uint16_t>(today.year());
    m_iMonth = static_cast<std::uint16_t>(today.month());
    m_iDay = static_cast<std::uint16_t>(today.day());
    SetDefaultColours();
}

CLunarCalendarCtrl::CLunarCalendarCtrl(std::uint16_t year, std::uint16_t month, std::uint16_t day)
    : CLunarCalendarCtrl() {
    SetDate(year, month, day);
}

CLunarCalendarCtrl::~CLunarCalendarCtrl() = default;

void CLunarCalendarCtrl::SetDefaultColours() {
    m_clrCellBack = Rgb(255, 255, 255);
    m_clrDayText = Rgb(0, 0, 0);
    m_clrSelectedBack = Rgb(150, 149, 230);
    m_clrSelectedText = Rgb(255, 255, 255);
    m_clrHeaderBack = Rgb(190, 70, 70);
    m_clrHeaderText = Rgb(255, 255, 0);
}

bool CLunarCalendarCtrl::Create(const Rect& rect, QWidget* parent, int id) {
    setParent(parent);
    setGeometry(rect.left, rect.top, kWidth, kHeight);
    setFocusPolicy(Qt::StrongFocus);
    ui::Dialog::SetDlgCtrlId(this, id);
    LoadPictures();

    m_menu = std::make_unique<QMenu>();
    const std::pair<int, const char16_t*> items[] = {{ID_HEADER_BACK, u"标题背景色..."},
                                                     {ID_HEADER_TEXT, u"标题前景色..."},
                                                     {ID_DAY_TEXT, u"日期前景色..."},
                                                     {ID_SELECTED_BACK, u"选中区颜色..."}};
    for (const auto& [command, text] : items) {
        QAction* action = m_menu->addAction(QString::fromUtf16(text));
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command = command] { OnCommand(command); });
    }
    show();
    return true;
}

void CLunarCalendarCtrl::LoadPictures() {
    m_pictures = std::make_unique<BitmapDc>(kPictureWidth, kPictureHeight * kBitmaps);
    for (int i = 0; i < kBitmaps; ++i) {
        QByteArray data;
        if (!FindPictureResource(kFirstBitmap + i, QStringLiteral("BITMAP"), &data))
            continue;
        const QImage picture = LoadPictureData(data);
        if (!picture.isNull())
            m_pictures->Painter()->drawImage(QPoint(0, i * kPictureHeight), picture);
    }
}

int CLunarCalendarCtrl::SetDate(std::uint16_t year, std::uint16_t month, std::uint16_t day) {
    if (year < 1901 || year > 2050 || month < 1 || month > 12 || day < 1 ||
        day > GetSolarMonthDays(year, month))
        return 0;
    m_iYear = year;
    m_iMonth = month;
    m_iDay = day;
    return 1;
}

void CLunarCalendarCtrl::GetDate(std::uint16_t& year, std::uint16_t& month, std::uint16_t& day) const {
    year = m_iYear;
    month = m_iMonth;
    day = m_iDay;
}

Rect CLunarCalendarCtrl::GetClientRect() const {
    return Rect(0, 0, std::max(0, width() - 2 * kEdge), std::max(0, height() - 2 * kEdge));
}

QRect CLunarCalendarCtrl::ToWidget(const Rect& client) const {
    return client.ToQRect().translated(kEdge, kEdge);
}

Font CLunarCalendarCtrl::DisplayFont() const {
    if (const auto* panel = qobject_cast<const CLunarDatePicker*>(parentWidget()))
        return panel->GetDisplayFont();
    return Font();
}

COLORREF CLunarCalendarCtrl::GetColour(int command) const {
    switch (command) {
    case ID_HEADER_BACK:
        return m_clrHeaderBack;
    case ID_HEADER_TEXT:
        return m_clrHeaderText;
    case ID_SELECTED_BACK:
        return m_clrSelectedBack;
    case ID_DAY_TEXT:
        return m_clrDayText;
    default:
        return CLR_NONE;
    }
}

void CLunarCalendarCtrl::OnPaint(Dc& dc) {
    const Rect client = GetClientRect();
    dc.SelectFont(DisplayFont());
    dc.FillSolidRect(client, Rgb(255, 255, 255)); // the window's white background

    // The header band: the days of the week from Sunday.
    dc.FillSolidRect(Rect(1, 1, client.right - 1, 21), m_clrHeaderBack);
    dc.SetBkColor(m_clrHeaderBack);
    dc.SetTextColor(m_clrHeaderText);
    for (int c = 0; c < 7; ++c)
        dc.TextOut(9 + kCellWidth * c, 3, kWeekDays.mid(c, 1));

    const int firstColumn = GetWeekDay(m_iYear, m_iMonth, 1);
    const int monthDays = GetSolarMonthDays(m_iYear, m_iMonth);
    std::uint16_t lyear = 0, lmonth = 0, lday = 0;
    int leap = LunarDateFromDays(lyear, lmonth, lday, GetDaysBetween(m_iYear, m_iMonth, 1, 1901, 1, 1));
    int day = 1;
    for (int r = 0; r < 6 && day <= monthDays; ++r) {
        const int top = kFirstRowTop + kCellHeight * r;
        for (int c = r == 0 ? firstColumn : 0; c < 7 && day <= monthDays; ++c) {
            const int x = kCellWidth * c;
            const QString number = QString::asprintf("%2d", day);
            // The first day of a lunar month shows the month's name instead of its day; a leap
            // month's first day says 闰月.
            const int picture = lday != 1 ? lday - 1 : leap ? kLeapMonthPicture : 29 + lmonth;
            if (day == m_iDay) {
                m_rcSelected = Rect(x + 1, top, x + kCellWidth - 1, top + kCellHeight);
                dc.FillSolidRect(m_rcSelected, m_clrSelectedBack);
                dc.SetTextColor(m_clrSelectedText);
                dc.TextOut(x + 2, top + 2, number);
                dc.SetTextColor(m_clrDayText);
                dc.SetBkColor(m_clrCellBack);
                // Inverted and merged, so that the black strokes stay on the coloured cell.
                dc.BitBlt(x + 19, top + 2, kPictureWidth, kPictureHeight, m_pictures.get(), 0,
                          picture * kPictureHeight, MERGEPAINT);
            } else {
                dc.SetTextColor(m_clrDayText);
                dc.SetBkColor(m_clrCellBack);
                dc.TextOut(x + 2, top + 2, number);
                dc.BitBlt(x + 19, top + 2, kPictureWidth, kPictureHeight, m_pictures.get(), 0,
                          picture * kPictureHeight, SRCCOPY);
            }
            ++day;
            if (++lday > 29)
                leap = LunarDateFromDays(lyear, lmonth, lday,
                                         GetDaysBetween(m_iYear, m_iMonth, day, 1901, 1, 1));
        }
    }
}

int CLunarCalendarCtrl::HitTest(Point point) const {
    // Both divisions truncate toward zero: y from 7 to 25 still counts as the first row.
    const int row = (point.y - kFirstRowTop) / kCellHeight;
    const int column = point.x / kCellWidth;
    if (row < 0 || point.x < 0 || column > 6)
        return 0;
    const int day = 7 * row - GetWeekDay(m_iYear, m_iMonth, 1) + column + 1;
    if (day < 1 || day > GetSolarMonthDays(m_iYear, m_iMonth))
        return 0;
    return day;
}

void CLunarCalendarCtrl::OnLButtonDown(Point point) {
    const int day = HitTest(point);
    if (day && day != m_iDay) {
        m_iDay = static_cast<std::uint16_t>(day);
        ui::PostMessage(parentWidget(), WM_LUNARDATESELECT,
                        static_cast<std::uintptr_t>(m_iYear) << 16 | m_iMonth, m_iDay);
        update(ToWidget(m_rcSelected));
        repaint();
        update(ToWidget(m_rcSelected));
    }
    setFocus(Qt::MouseFocusReason);
}

bool CLunarCalendarCtrl::OnCommand(int id) {
    COLORREF* target = nullptr;
    switch (id) {
    case ID_HEADER_BACK:
        target = &m_clrHeaderBack;
        break;
    case ID_HEADER_TEXT:
        target = &m_clrHeaderText;
        break;
    case ID_SELECTED_BACK:
        target = &m_clrSelectedBack;
        break;
    case ID_DAY_TEXT:
        target = &m_clrDayText;
        break;
    default:
        return false;
    }
    const QColor chosen = ui::GetColor(this, QColor(0, 0, 0));
    if (chosen.isValid()) {
        *target = FromQColor(chosen);
        update();
    }
    return true;
}

void CLunarCalendarCtrl::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    Dc frame(&painter);
    Rect outer(0, 0, width(), height());
    frame.DrawEdge(outer, EDGE_SUNKEN, BF_RECT);

    painter.translate(kEdge, kEdge);
    Rect clip = Rect::FromQRect(event->rect().translated(-kEdge, -kEdge));
    if (!clip.IntersectRect(clip, GetClientRect()))
        return;
    Dc dc(&painter);
    dc.SetSurfaceClip(clip);
    OnPaint(dc);
}

void CLunarCalendarCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint() - QPoint(kEdge, kEdge);
    // Clicks on the edge are not in the client area.
    if (GetClientRect().PtInRect(Point(p.x(), p.y())))
        OnLButtonDown(Point(p.x(), p.y()));
}

void CLunarCalendarCtrl::contextMenuEvent(QContextMenuEvent* event) {
    if (m_menu)
        m_menu->exec(event->globalPos());
}
