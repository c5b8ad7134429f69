// The lunar calendar dialog driven as a person uses it: the month grid as drawn (through the
// recorder), clicks on days, the year box, the month list, the "今天" button and the colour menu.

#include "controls/LunarDlg.h"
#include "controls/LunarCalendar.h"
#include "controls/Picture.h"
#include "platform/gdi/Recorder.h"
#include "platform/ui/Clock.h"
#include "platform/ui/ColorDialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Messages.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QMenu>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

using namespace gdi;

namespace {

// Counts the events of one kind that reach a widget.
class EventCounter : public QObject {
public:
    EventCounter(QObject* target, std::function<bool(QEvent*)> match) : m_match(std::move(match)) {
        target->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (m_match(event))
            ++count;
        return false;
    }
    int count = 0;

private:
    std::function<bool(QEvent*)> m_match;
};

class LunarDialog : public ::testing::Test {
protected:
    void Open(const QDate& today) {
        dlg.reset();
        if (clock)
            clock->Set(today);
        else
            clock = std::make_unique<ui::FixedClock>(today);
        dlg = std::make_unique<CLunarDlg>();
        dlg->OnInitDialog();
        dlg->show();
        QApplication::processEvents();
    }

    CLunarDatePicker& Panel() { return dlg->GetDatePicker(); }
    CLunarCalendarCtrl& Grid() { return Panel().GetCalendar(); }
    std::tuple<int, int, int> Date() {
        std::uint16_t y = 0, m = 0, d = 0;
        Grid().GetDate(y, m, d);
        return {y, m, d};
    }
    void PaintGrid(Recorder& recorder) {
        Dc dc(&recorder);
        Grid().OnPaint(dc);
    }
    void PaintPanel(Recorder& recorder) {
        Dc dc(&recorder);
        Panel().OnPaint(dc);
    }
    // A click at a point of the grid's client area (inside its two-pixel edge).
    void ClickGrid(int x, int y) { QTest::mouseClick(&Grid(), Qt::LeftButton, {}, QPoint(x + 2, y + 2)); }
    void LeaveYearBox() {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(&Panel().GetYearEdit(), &out);
    }
    // The texts drawn at a point, in drawing order.
    static QStringList TextsAt(const Recorder& r, Point origin) {
        QStringList out;
        for (const DrawCall& c : r.Of(DrawOp::Text))
            if (c.textOrigin == origin)
                out << c.text;
        return out;
    }

    std::unique_ptr<ui::FixedClock> clock;
    std::unique_ptr<CLunarDlg> dlg;
};

} // namespace

TEST_F(LunarDialog, OpensOnTodayWithItsPanel) {
    Open(QDate(2024, 3, 15));
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("中国农历"));
    EXPECT_EQ(dlg->TemplateId(), 237);
    EXPECT_FALSE(dlg->windowIcon().isNull());
    EXPECT_EQ(dlg->GetDlgItem(236), &Panel());
    EXPECT_EQ(Panel().geometry(), QRect(5, 5, 340, 214));
    // The grid is centred on the client area less 64 pixels; the dialog frame is 3 pixels.
    EXPECT_EQ(Grid().geometry(), QRect(3 + 103, 3 + 2, 228, 150));
    EXPECT_EQ(Date(), std::make_tuple(2024, 3, 15));

    EXPECT_EQ(Panel().GetYearEdit().text(), QStringLiteral("2024"));
    EXPECT_EQ(Panel().GetSpin().GetLower(), 1901);
    EXPECT_EQ(Panel().GetSpin().GetUpper(), 2050);
    // The arrows sit at the year box's right edge.
    EXPECT_EQ(Panel().GetSpin().geometry().left(), Panel().GetYearEdit().geometry().right() + 1);
    QComboBox& months = Panel().GetMonthList();
    ASSERT_EQ(months.count(), 12);
    EXPECT_EQ(months.itemText(0), QStringLiteral("　一月"));
    EXPECT_EQ(months.itemText(9), QStringLiteral("　十月"));
    EXPECT_EQ(months.itemText(11), QStringLiteral("十二月"));
    EXPECT_EQ(months.currentIndex(), 2);
    EXPECT_EQ(Panel().GetTodayButton().text(), QStringLiteral("今天"));

    Recorder r;
    PaintPanel(r);
    EXPECT_EQ(TextsAt(r, Point(106, 159)), QStringList{QStringLiteral("今天：2024年 3月15日")});
    // 15 March 2024 is the sixth day of the second lunar month.
    EXPECT_EQ(TextsAt(r, Point(15, 55)), QStringList{QStringLiteral("甲辰 龙年")});
    EXPECT_EQ(TextsAt(r, Point(38, 75)), QStringList{QStringLiteral("　二月")});
    EXPECT_EQ(TextsAt(r, Point(54, 95)), QStringList{QStringLiteral("初六")});
    EXPECT_EQ(TextsAt(r, Point(15, 135)), QStringList{QStringLiteral("今日          ")});
}

TEST_F(LunarDialog, TodayIsTheLocalDate) {
    // 07:30 in China is still the day before in UTC.
    clock = std::make_unique<ui::FixedClock>(QDateTime(QDate(2024, 2, 10), QTime(7, 30)));
    CLunarCalendarCtrl grid;
    std::uint16_t y = 0, m = 0, d = 0;
    grid.GetDate(y, m, d);
    EXPECT_EQ(std::make_tuple(y, m, d), std::make_tuple(2024, 2, 10));
    CLunarCalendarCtrl refused(2051, 1, 1);
    refused.GetDate(y, m, d);
    EXPECT_EQ(std::make_tuple(y, m, d), std::make_tuple(2024, 2, 10));
    EXPECT_EQ(refused.SetDate(2023, 2, 29), 0);
    EXPECT_EQ(refused.SetDate(1900, 12, 31), 0);
    EXPECT_EQ(refused.SetDate(2050, 12, 31), 1);
}

TEST_F(LunarDialog, PaintsAMonthStartingOnSundayInFourRows) {
    Open(QDate(2026, 2, 10));
    Recorder r;
    PaintGrid(r);

    const DrawCall* header = nullptr;
    const std::vector<DrawCall> fills = r.Of(DrawOp::Fill); // outlives `header`, which points into it
    for (const DrawCall& c : fills)
        if (c.rect == Rect(1, 1, 223, 21))
            header = &c;
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->colour, Rgb(190, 70, 70));
    const QString weekDays = QStringLiteral("日一二三四五六");
    for (int c = 0; c < 7; ++c) {
        const DrawCall* t = r.FindText(weekDays.mid(c, 1));
        ASSERT_NE(t, nullptr) << c;
        EXPECT_EQ(t->textOrigin, Point(9 + 32 * c, 3));
        EXPECT_EQ(t->colour, Rgb(255, 255, 0));
        EXPECT_EQ(t->bkColour, Rgb(190, 70, 70));
    }

    // 1 February 2026 is a Sunday: 28 days in exactly four rows from column 0.
    int numbers = 0;
    for (const DrawCall& c : r.Of(DrawOp::Text)) {
        bool isNumber = false;
        const int day = c.text.trimmed().toInt(&isNumber);
        if (!isNumber)
            continue;
        ++numbers;
        const int cell = day - 1;
        EXPECT_EQ(c.textOrigin, Point(32 * (cell % 7) + 2, 26 + 20 * (cell / 7) + 2)) << day;
        EXPECT_EQ(c.text, QString::asprintf("%2d", day));
    }
    EXPECT_EQ(numbers, 28);

    // Each cell's picture is its lunar day, or the lunar month's name on the month's first day.
    const auto blits = r.Of(DrawOp::BitBlt);
    ASSERT_EQ(blits.size(), 28u);
    for (int day = 1; day <= 28; ++day) {
        const DrawCall& b = blits[static_cast<std::size_t>(day - 1)];
        const int cell = day - 1;
        EXPECT_EQ(b.rect, Rect(Point(32 * (cell % 7) + 19, 26 + 20 * (cell / 7) + 2), Size(8, 16))) << day;
        std::uint16_t ly = 0, lm = 0, ld = 0;
        SolarToLunar(2026, 2, static_cast<std::uint16_t>(day), ly, lm, ld);
        EXPECT_EQ(b.from.y / 16, ld == 1 ? 29 + lm : ld - 1) << day;
        EXPECT_EQ(b.format, day == 10 ? MERGEPAINT : SRCCOPY) << day;
    }
    // 17 February 2026 is the lunar New Year: the picture of the first month.
    EXPECT_EQ(blits[16].from.y, 30 * 16);

    // The selected day, Tuesday the 10th: its cell filled and its number in white.
    EXPECT_EQ(Grid().GetSelectedRect(), Rect(65, 46, 95, 66));
    bool filled = false;
    for (const DrawCall& c : r.Of(DrawOp::Fill))
        filled = filled || (c.rect == Rect(65, 46, 95, 66) && c.colour == Rgb(150, 149, 230));
    EXPECT_TRUE(filled);
    const DrawCall* selected = r.FindText(QStringLiteral("10"));
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->colour, Rgb(255, 255, 255));
    EXPECT_EQ(selected->bkColour, Rgb(150, 149, 230));
    const DrawCall* ordinary = r.FindText(QStringLiteral("11"));
    ASSERT_NE(ordinary, nullptr);
    EXPECT_EQ(ordinary->colour, Rgb(0, 0, 0));
    EXPECT_EQ(ordinary->bkColour, Rgb(255, 255, 255));
}

TEST_F(LunarDialog, PicturesFollowLunarMonthsOfBothLengths) {
    // January 1901 holds the end of a 30-day month (18 February is the 30th) and the start of the
    // 12th month of 1900; the pictures must follow each day's own lunar date.
    for (const QDate& d : {QDate(1901, 1, 5), QDate(1901, 2, 5), QDate(2023, 3, 5), QDate(2033, 12, 5)}) {
        Open(d);
        Recorder r;
        PaintGrid(r);
        const auto blits = r.Of(DrawOp::BitBlt);
        ASSERT_EQ(static_cast<int>(blits.size()), d.daysInMonth());
        for (int day = 1; day <= d.daysInMonth(); ++day) {
            std::uint16_t ly = 0, lm = 0, ld = 0;
            bool leap = false;
            SolarToLunar(static_cast<std::uint16_t>(d.year()), static_cast<std::uint16_t>(d.month()),
                         static_cast<std::uint16_t>(day), ly, lm, ld, &leap);
            const int picture = ld != 1 ? ld - 1 : leap ? 42 : 29 + lm;
            EXPECT_EQ(blits[static_cast<std::size_t>(day - 1)].from.y / 16, picture)
                << d.year() << '-' << d.month() << '-' << day;
        }
    }
}

TEST_F(LunarDialog, ALeapMonthSaysSo) {
    // 22 March 2023 is the first day of the leap second month; 20 February the first of the second.
    Open(QDate(2023, 3, 22));
    Recorder panel;
    PaintPanel(panel);
    EXPECT_EQ(TextsAt(panel, Point(38, 75)), QStringList{QStringLiteral("闰二月")});
    EXPECT_EQ(TextsAt(panel, Point(54, 95)), QStringList{QStringLiteral("初一")});
    Recorder grid;
    PaintGrid(grid);
    const auto blits = grid.Of(DrawOp::BitBlt);
    ASSERT_EQ(blits.size(), 31u);
    EXPECT_EQ(blits[21].from.y / 16, 42); // 闰月
    EXPECT_EQ(blits[22].from.y / 16, 1);  // 初二

    Open(QDate(2023, 2, 20));
    Recorder before;
    PaintPanel(before);
    EXPECT_EQ(TextsAt(before, Point(38, 75)), QStringList{QStringLiteral("　二月")});
    Recorder beforeGrid;
    PaintGrid(beforeGrid);
    EXPECT_EQ(beforeGrid.Of(DrawOp::BitBlt)[19].from.y / 16, 31);
    // A day later in the leap month still names it.
    Open(QDate(2023, 4, 10));
    Recorder later;
    PaintPanel(later);
    EXPECT_EQ(TextsAt(later, Point(38, 75)), QStringList{QStringLiteral("闰二月")});
}

TEST_F(LunarDialog, HitTestFollowsTheCells) {
    Open(QDate(2024, 3, 15)); // 1 March 2024 is a Friday
    CLunarCalendarCtrl& g = Grid();
    EXPECT_EQ(g.HitTest(Point(40, 50)), 4);
    EXPECT_EQ(g.HitTest(Point(170, 30)), 1);
    // The lower part of the header band and the gap below it count as the first row.
    EXPECT_EQ(g.HitTest(Point(170, 7)), 1);
    EXPECT_EQ(g.HitTest(Point(170, 25)), 1);
    EXPECT_EQ(g.HitTest(Point(170, 6)), 0);
    EXPECT_EQ(g.HitTest(Point(10, 30)), 0); // before the first day
    EXPECT_EQ(g.HitTest(Point(0, 126)), 31);
    EXPECT_EQ(g.HitTest(Point(40, 126)), 0); // after the last day
    EXPECT_EQ(g.HitTest(Point(0, 146)), 0);  // below the last row
    EXPECT_EQ(g.HitTest(Point(223, 50)), 9);
    EXPECT_EQ(g.HitTest(Point(224, 50)), 0); // beyond the last column
}

TEST_F(LunarDialog, ClickingADaySelectsItAndTellsThePanel) {
    Open(QDate(2024, 3, 15));
    std::vector<std::pair<std::uintptr_t, std::intptr_t>> posted;
    EventCounter messages(&Panel(), [&](QEvent* e) {
        const ui::WindowMessage* m = ui::AsWindowMessage(e);
        if (!m || m->Message() != WM_LUNARDATESELECT)
            return false;
        posted.emplace_back(m->WParam(), m->LParam());
        return true;
    });
    EventCounter panelPaints(&Panel(), [](QEvent* e) { return e->type() == QEvent::Paint; });

    ClickGrid(40, 50);
    QApplication::processEvents();
    EXPECT_EQ(Date(), std::make_tuple(2024, 3, 4));
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].first, (std::uintptr_t{2024} << 16) | 3);
    EXPECT_EQ(posted[0].second, 4);
    EXPECT_GE(panelPaints.count, 1);
    EXPECT_EQ(Grid().GetSelectedRect(), Rect(33, 46, 63, 66));

    // The selected day again, an empty cell and the header band change nothing.
    ClickGrid(40, 50);
    ClickGrid(10, 30);
    ClickGrid(100, 3);
    QApplication::processEvents();
    EXPECT_EQ(Date(), std::make_tuple(2024, 3, 4));
    EXPECT_EQ(posted.size(), 1u);

    // Just below the header band is still the first row.
    ClickGrid(170, 10);
    QApplication::processEvents();
    EXPECT_EQ(Date(), std::make_tuple(2024, 3, 1));
    EXPECT_EQ(posted.size(), 2u);
    Recorder r;
    PaintPanel(r);
    EXPECT_EQ(TextsAt(r, Point(38, 75)), QStringList{QStringLiteral("　正月")});
    EXPECT_EQ(TextsAt(r, Point(54, 95)), QStringList{QStringLiteral("廿一")});
}

TEST_F(LunarDialog, ThePanelNamesTheDaysSolarTerm) {
    Open(QDate(2024, 1, 5));
    ClickGrid(192 + 5, 30); // Saturday 6 January: 小寒
    QApplication::processEvents();
    EXPECT_EQ(Date(), std::make_tuple(2024, 1, 6));
    Recorder r;
    PaintPanel(r);
    EXPECT_EQ(TextsAt(r, Point(15, 135)), QStringList{QStringLiteral("今日 小寒")});
    EXPECT_EQ(TextsAt(r, Point(15, 55)), QStringList{QStringLiteral("癸卯 兔年")});
    EXPECT_EQ(TextsAt(r, Point(38, 75)), QStringList{QStringLiteral("十一月")});
    EXPECT_EQ(TextsAt(r, Point(54, 95)), QStringList{QStringLiteral("廿五")});
}

TEST_F(LunarDialog, TheYearBoxTakesDigitsAndKeepsTheRange) {
    Open(QDate(2024, 3, 15));
    CYearEdit& box = Panel().GetYearEdit();
    box.setFocus();
    QTest::keyClicks(&box, QStringLiteral("ab-"));
    EXPECT_EQ(box.text(), QStringLiteral("2024"));
    // An ordinary number box: Ctrl+A selects, digits type over the selection, Backspace takes the
    // digit before the cursor, and a fifth digit does not fit.
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&box, QStringLiteral("1988"));
    EXPECT_EQ(box.text(), QStringLiteral("1988"));
    EXPECT_EQ(Date(), std::make_tuple(1988, 3, 15));
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&box, QStringLiteral("2024"));
    EXPECT_EQ(box.text(), QStringLiteral("2024"));
    EXPECT_EQ(Date(), std::make_tuple(2024, 3, 15));
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.text(), QStringLiteral("202"));
    QTest::keyClicks(&box, QStringLiteral("35"));
    EXPECT_EQ(box.text(), QStringLiteral("2023"));
    EXPECT_EQ(Date(), std::make_tuple(2023, 3, 15));
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClicks(&box, QStringLiteral("4"));
    EXPECT_EQ(Date(), std::make_tuple(2024, 3, 15));
    // Delete works; so does typing digits into the freed place.
    QTest::keyClick(&box, Qt::Key_Home);
    QTest::keyClick(&box, Qt::Key_Delete);
    EXPECT_EQ(box.text(), QStringLiteral("024"));
    EXPECT_EQ(Date(), std::make_tuple(2024, 3, 15));
    ui::ScriptedMessageBoxes boxes;
    QTest::keyClicks(&box, QStringLiteral("1"));
    // Outside the range: said so, the date stays and the box shows its year again.
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, QStringLiteral("只能查看1901年至2050年的农历。"));
    EXPECT_EQ(box.text(), QStringLiteral("2024"));
    EXPECT_EQ(Date(), std::make_tuple(2024, 3, 15));

    box.selectAll();
    QTest::keyClicks(&box, QStringLiteral("1988"));
    EXPECT_EQ(Date(), std::make_tuple(1988, 3, 15));
    EXPECT_EQ(Panel().GetSpin().GetPos(), 1988);

    box.selectAll();
    QTest::keyClicks(&box, QStringLiteral("2099"));
    EXPECT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(box.text(), QStringLiteral("1988"));
    EXPECT_EQ(Date(), std::make_tuple(1988, 3, 15));
    box.selectAll();
    QTest::keyClicks(&box, QStringLiteral("18"));
    LeaveYearBox();
    EXPECT_EQ(box.text(), QStringLiteral("1901"));
    EXPECT_EQ(Date(), std::make_tuple(1901, 3, 15));

    box.selectAll();
    QTest::keyClicks(&box, QStringLiteral("21"));
    LeaveYearBox();
    EXPECT_EQ(box.text(), QStringLiteral("1901"));
    box.selectAll();
    QTest::keyClicks(&box, QStringLiteral("2100"));
    LeaveYearBox();
    EXPECT_EQ(boxes.Boxes().size(), 3u);
    EXPECT_EQ(box.text(), QStringLiteral("1901"));
    EXPECT_EQ(Date(), std::make_tuple(1901, 3, 15));
}

TEST_F(LunarDialog, TheArrowsStepTheYearWithinTheRange) {
    Open(QDate(2049, 2, 29 - 1));
    CSpinButtonCtrl& spin = Panel().GetSpin();
    const QPoint up(spin.width() / 2, 2), down(spin.width() / 2, spin.height() - 3);
    QTest::mouseClick(&spin, Qt::LeftButton, {}, up);
    EXPECT_EQ(Panel().GetYearEdit().text(), QStringLiteral("2050"));
    EXPECT_EQ(Date(), std::make_tuple(2050, 2, 28));
    QTest::mouseClick(&spin, Qt::LeftButton, {}, up);
    EXPECT_EQ(Panel().GetYearEdit().text(), QStringLiteral("2050"));
    QTest::mouseClick(&spin, Qt::LeftButton, {}, down);
    QTest::mouseClick(&spin, Qt::LeftButton, {}, down);
    EXPECT_EQ(Date(), std::make_tuple(2048, 2, 28));
}

TEST_F(LunarDialog, AShorterMonthOrYearLowersTheDay) {
    Open(QDate(2024, 3, 31));
    EventCounter gridPaints(&Grid(), [](QEvent* e) { return e->type() == QEvent::Paint; });
    QComboBox& months = Panel().GetMonthList();
    QTest::keyClick(&months, Qt::Key_Up);
    EXPECT_EQ(months.currentIndex(), 1);
    EXPECT_EQ(Date(), std::make_tuple(2024, 2, 29));
    // The grid is drawn again for the new month.
    QApplication::processEvents();
    EXPECT_GE(gridPaints.count, 1);

    CYearEdit& box = Panel().GetYearEdit();
    box.selectAll();
    QTest::keyClicks(&box, QStringLiteral("2023"));
    EXPECT_EQ(Date(), std::make_tuple(2023, 2, 28));
    const int paints = gridPaints.count;
    QApplication::processEvents();
    EXPECT_GT(gridPaints.count, paints);
}

TEST_F(LunarDialog, TodayReturnsToTheClocksDate) {
    Open(QDate(2024, 3, 15));
    QComboBox& months = Panel().GetMonthList();
    QTest::keyClick(&months, Qt::Key_Down);
    Panel().GetYearEdit().selectAll();
    QTest::keyClicks(&Panel().GetYearEdit(), QStringLiteral("1990"));
    EXPECT_EQ(Date(), std::make_tuple(1990, 4, 15));

    clock->Set(QDate(2024, 3, 16));
    EventCounter gridPaints(&Grid(), [](QEvent* e) { return e->type() == QEvent::Paint; });
    QTest::mouseClick(&Panel().GetTodayButton(), Qt::LeftButton);
    EXPECT_EQ(Date(), std::make_tuple(2024, 3, 16));
    EXPECT_EQ(Panel().GetYearEdit().text(), QStringLiteral("2024"));
    EXPECT_EQ(months.currentIndex(), 2);
    QApplication::processEvents();
    EXPECT_GE(gridPaints.count, 1);
    Recorder r;
    PaintPanel(r);
    EXPECT_EQ(TextsAt(r, Point(106, 159)), QStringList{QStringLiteral("今天：2024年 3月16日")});
}

TEST_F(LunarDialog, TheContextMenuChangesColoursThroughTheColourDialog) {
    Open(QDate(2024, 3, 15));
    ui::ScriptedColorDialogs colours;
    QMenu* menu = Grid().GetContextMenu();
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    std::vector<int> ids;
    for (QAction* a : menu->actions()) {
        texts << a->text();
        ids.push_back(a->data().toInt());
    }
    EXPECT_EQ(texts, (QStringList{QStringLiteral("标题背景色..."), QStringLiteral("标题前景色..."),
                                  QStringLiteral("日期前景色..."), QStringLiteral("选中区颜色...")}));
    EXPECT_EQ(ids, (std::vector<int>{232, 233, 235, 234}));

    colours.SetNextAnswer(QColor(0, 128, 0));
    menu->actions()[0]->trigger();
    EXPECT_EQ(Grid().GetColour(232), Rgb(0, 128, 0));
    menu->actions()[1]->trigger(); // cancelled
    EXPECT_EQ(Grid().GetColour(233), Rgb(255, 255, 0));
    colours.SetNextAnswer(QColor(0, 0, 255));
    menu->actions()[3]->trigger();
    EXPECT_EQ(Grid().GetColour(234), Rgb(0, 0, 255));
    ASSERT_EQ(colours.Asked().size(), 3u);
    for (const QColor& c : colours.Asked())
        EXPECT_EQ(c, QColor(0, 0, 0)); // the dialog always starts from black

    Recorder r;
    PaintGrid(r);
    std::vector<COLORREF> fills;
    for (const DrawCall& c : r.Of(DrawOp::Fill))
        fills.push_back(c.colour);
    EXPECT_NE(std::find(fills.begin(), fills.end(), Rgb(0, 128, 0)), fills.end());
    EXPECT_NE(std::find(fills.begin(), fills.end(), Rgb(0, 0, 255)), fills.end());
    EXPECT_FALSE(Grid().OnCommand(236));
}

TEST_F(LunarDialog, PicturesShowOnWhiteAndInvertedOnTheSelectedCell) {
    Open(QDate(2024, 3, 15));
    const QImage shot = Grid().grab().toImage();
    // The grab includes the two-pixel edge. Friday 15 March is column 5 of row 2; the 14th beside it.
    auto pictureColours = [&](int column, int row) {
        std::set<QRgb> seen;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 8; ++x)
                seen.insert(shot.pixel(2 + 32 * column + 19 + x, 2 + 26 + 20 * row + 2 + y) & 0xFFFFFF);
        return seen;
    };
    EXPECT_EQ(pictureColours(4, 2), (std::set<QRgb>{0x000000, 0xFFFFFF}));
    EXPECT_EQ(pictureColours(5, 2), (std::set<QRgb>{0x9695E6, 0xFFFFFF}));
}

TEST(LunarPictures, FortyThreeBlackAndWhiteNames) {
    std::vector<QImage> pictures;
    for (int id = 184; id <= 226; ++id) {
        QByteArray data;
        ASSERT_TRUE(FindPictureResource(id, QStringLiteral("BITMAP"), &data)) << id;
        const QImage p = LoadPictureData(data).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(p.size(), QSize(8, 16)) << id;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 8; ++x) {
                const QRgb c = p.pixel(x, y) & 0xFFFFFF;
                ASSERT_TRUE(c == 0 || c == 0xFFFFFF) << id;
            }
        pictures.push_back(p);
    }
    auto half = [&](int id, bool top) {
        return pictures[static_cast<std::size_t>(id - 184)].copy(0, top ? 0 : 8, 8, 8);
    };
    // Day 20 reads 二十: its top is the 二 of 初二 and its bottom the 十 of 初十, not the 廿 of 廿一.
    EXPECT_EQ(half(203, true), half(185, false));
    EXPECT_EQ(half(203, false), half(193, false));
    EXPECT_NE(half(203, true), half(204, true));
    // The months carry 月 below their number.
    for (int id = 214; id <= 226; ++id)
        EXPECT_EQ(half(id, false), half(214, false)) << id;
    // 闰月 has its own top.
    for (int id = 214; id <= 225; ++id)
        EXPECT_NE(half(226, true), half(id, true)) << id;
}
