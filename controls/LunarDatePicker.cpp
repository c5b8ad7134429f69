#include "controls/LunarDatePicker.h"

#include "controls/LunarCalendar.h"
#include "platform/gdi/System.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Messages.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegularExpressionValidator>

using namespace gdi;

namespace {

// The dialog frame around the panel's client area.
constexpr int kFrame = 3;
constexpr int kFirstYear = 1901;
constexpr int kLastYear = 2050;

constexpr COLORREF kShadow = Rgb(128, 128, 128);
constexpr COLORREF kHighlight = Rgb(255, 255, 255);

LOGFONT DisplayLogFont() {
    LOGFONT lf;
    lf.lfHeight = 16;
    lf.lfWidth = 0;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = GB2312_CHARSET;
    lf.lfQuality = 2; // PROOF_QUALITY
    lf.lfPitchAndFamily = 18;
    lf.lfFaceName = QStringLiteral("Disp Font");
    return lf;
}

// The number at the start of `text`, as the C library's atoi reads it.
int LeadingNumber(const QString& text) {
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

// ---- the year box ------------------------------------------------------------------------------

CYearEdit::CYearEdit() = default;
CYearEdit::~CYearEdit() = default;

bool CYearEdit::Create(const Rect& rect, QWidget* parent, int id) {
    setParent(parent);
    setGeometry(rect.ToQRect());
    ui::Dialog::SetDlgCtrlId(this, id);
    setMaxLength(4);
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), this));
    show();
    return true;
}

void CYearEdit::focusOutEvent(QFocusEvent* event) {
    const int year = LeadingNumber(text().left(4));
    if (year < kFirstYear)
        setText(QString::asprintf("%4d", kFirstYear));
    else if (year > kLastYear)
        setText(QString::asprintf("%4d", kLastYear));
    QLineEdit::focusOutEvent(event);
}

// ---- the panel ---------------------------------------------------------------------------------

CLunarDatePicker::CLunarDatePicker() = default;
CLunarDatePicker::~CLunarDatePicker() = default;

bool CLunarDatePicker::Create(const Rect& rect, QWidget* parent, int id) {
    setParent(parent);
    setGeometry(rect.left, rect.top, kWidth, kHeight);
    setFocusPolicy(Qt::TabFocus);
    ui::Dialog::SetDlgCtrlId(this, id);
    if (!OnCreate())
        return false;
    m_font = Font(DisplayLogFont());
    setFont(m_font.GetQFont());
    show();
    return true;
}

Rect CLunarDatePicker::GetClientRect() const {
    return Rect(0, 0, std::max(0, width() - 2 * kFrame), std::max(0, height() - 2 * kFrame));
}

bool CLunarDatePicker::OnCreate() {
    auto widgetRect = [](int l, int t, int r, int b) {
        return Rect(l + kFrame, t + kFrame, r + kFrame, b + kFrame);
    };
    const Rect client = GetClientRect();
    const int gridLeft = (client.left + client.right) / 2 - 64;
    if (!m_calendar.Create(widgetRect(gridLeft, client.top + 2, gridLeft, client.top + 2), this,
                           IDC_CALENDAR))
        return false;

    if (!m_yearEdit.Create(widgetRect(2, 2, 92, 24), this, IDC_YEAR))
        return false;

    m_spin.setParent(this);
    m_spin.setGeometry(widgetRect(79, 3, 98, 23).ToQRect());
    ui::Dialog::SetDlgCtrlId(&m_spin, IDC_SPIN);
    m_spin.SetBuddy(&m_yearEdit);
    m_spin.SetRange(kFirstYear, kLastYear);
    std::uint16_t year = 0, month = 0, day = 0;
    m_calendar.GetDate(year, month, day);
    m_spin.SetPos(year);
    m_spin.show();

    m_monthList.setParent(this);
    const Rect list = widgetRect(2, 26, 92, 180);
    m_monthList.setGeometry(list.left, list.top, list.Width(), 22);
    m_monthList.setMaxVisibleItems(12);
    for (std::uint16_t m = 1; m <= 12; ++m)
        m_monthList.addItem(GetLunarMonthText(m, false));
    m_monthList.setCurrentIndex(month - 1);
    ui::Dialog::SetDlgCtrlId(&m_monthList, IDC_MONTH);
    m_monthList.show();

    m_todayButton.setParent(this);
    m_todayButton.setText(QStringLiteral("今天"));
    m_todayButton.setGeometry(widgetRect(255, 184, 328, 206).ToQRect());
    m_todayButton.setAutoDefault(false);
    ui::Dialog::SetDlgCtrlId(&m_todayButton, IDC_TODAY);
    m_todayButton.show();

    connect(&m_monthList, &QComboBox::activated, this, [this] { OnMonthChange(); });
    connect(&m_yearEdit, &QLineEdit::textChanged, this, [this] { OnYearChange(); });
    connect(&m_todayButton, &QPushButton::clicked, this, [this] { OnToday(); });
    return true;
}

void CLunarDatePicker::OnPaint(Dc& dc) {
    const Rect client = GetClientRect();
    dc.SelectFont(m_font);
    // The panel has no background of its own: the dialog's face shows through.
    dc.FillSolidRect(client, GetSysColor(COLOR_3DFACE));

    dc.Draw3dRect(Rect(client.left + 1, 179, client.right + 1, 181), kShadow, kHighlight);
    dc.Draw3dRect(Rect(96, 1, 98, 181), kShadow, kHighlight);

    std::uint16_t year = 0, month = 0, day = 0;
    m_calendar.GetDate(year, month, day);
    std::uint16_t lyear = 0, lmonth = 0, lday = 0;
    bool leap = false;
    const int term = SolarToLunar(year, month, day, lyear, lmonth, lday, &leap);
    dc.SetBkColor(GetSysColor(COLOR_MENU));
    dc.TextOut(15, 55, GetGanZhiYearText(lyear));
    dc.TextOut(38, 75, GetLunarMonthText(lmonth, true, leap));
    dc.TextOut(54, 95, GetLunarDayText(lday));
    dc.TextOut(15, 135,
               QStringLiteral("今日 ") + (term ? GetSolarTermName(term) : QStringLiteral("         ")));

    const QDate today = ui::CurrentDate();
    dc.Draw3dRect(Rect(Point(102, 155), Size(227, 22)), kShadow, kHighlight);
    dc.SetBkColor(GetSysColor(COLOR_MENU));
    dc.TextOut(106, 159,
               QString::asprintf("今天：%4d年%2d月%2d日", today.year(), today.month(), today.day()));
}

void CLunarDatePicker::OnMonthChange() {
    const int month = m_monthList.currentIndex() + 1;
    std::uint16_t year = 0, current = 0, day = 0;
    m_calendar.GetDate(year, current, day);
    if (month < 1 || month == current)
        return;
    const int days = GetSolarMonthDays(year, static_cast<std::uint16_t>(month));
    if (day > days)
        day = static_cast<std::uint16_t>(days);
    m_calendar.SetDate(year, static_cast<std::uint16_t>(month), day);
    Invalidate(nullptr, true);
}

void CLunarDatePicker::OnYearChange() {
    if (m_yearEdit.text().size() < 4)
        return;
    std::uint16_t current = 0, month = 0, day = 0;
    m_calendar.GetDate(current, month, day);
    const int typed = LeadingNumber(m_yearEdit.text());
    if (typed < kFirstYear || typed > kLastYear) {
        // A year the tables do not hold: said so, and the box shows the year in force again.
        m_yearEdit.setText(QString::asprintf("%4d", current));
        ui::MessageBox(this, QStringLiteral("只能查看1901年至2050年的农历。"), QStringLiteral("中国农历"),
                       ui::MB_ICONWARNING);
        return;
    }
    const int year = m_spin.GetPos();
    if (year == current)
        return;
    const int days = GetSolarMonthDays(static_cast<std::uint16_t>(year), month);
    if (day > days)
        day = static_cast<std::uint16_t>(days);
    m_calendar.SetDate(static_cast<std::uint16_t>(year), month, day);
    m_yearEdit.setText(QString::asprintf("%4d", year));
    Invalidate(nullptr, true);
}

void CLunarDatePicker::OnToday() {
    const QDate today = ui::CurrentDate();
    std::uint16_t year = 0, month = 0, day = 0;
    m_calendar.GetDate(year, month, day);
    if (today.year() == year && today.month() == month && today.day() == day)
        return;
    if (!m_calendar.SetDate(static_cast<std::uint16_t>(today.year()),
                            static_cast<std::uint16_t>(today.month()),
                            static_cast<std::uint16_t>(today.day())))
        return;
    m_spin.SetPos(today.year());
    m_monthList.setCurrentIndex(today.month() - 1);
    Invalidate(nullptr, true);
}

void CLunarDatePicker::Invalidate(const Rect* client, bool withGrid) {
    if (client)
        update(client->ToQRect().translated(kFrame, kFrame));
    else
        update();
    if (withGrid)
        m_calendar.update();
}

bool CLunarDatePicker::event(QEvent* event) {
    if (const ui::WindowMessage* message = ui::AsWindowMessage(event)) {
        if (message->Message() == WM_LUNARDATESELECT) {
            // Only the lunar information changes; the message's values are not needed.
            const Rect info(15, 55, 95, 155);
            Invalidate(&info);
            return true;
        }
    }
    return QWidget::event(event);
}

void CLunarDatePicker::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    Dc frame(&painter);
    Rect outer(0, 0, width(), height());
    // The dialog frame: a raised edge with a line of face colour inside it.
    frame.DrawEdge(outer, EDGE_RAISED, BF_RECT | BF_ADJUST);
    frame.FrameRect(outer, Brush::Solid(GetSysColor(COLOR_3DFACE)));

    painter.translate(kFrame, kFrame);
    Rect clip = Rect::FromQRect(event->rect().translated(-kFrame, -kFrame));
    if (!clip.IntersectRect(clip, GetClientRect()))
        return;
    Dc dc(&painter);
    dc.SetSurfaceClip(clip);
    OnPaint(dc);
}
