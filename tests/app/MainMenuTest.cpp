// The main menu at start-up: its popups are drawn by the icon menu, a typed mnemonic runs the
// first item that has it, and a popup about to show takes in items that other code put there.

#include "ShellSupport.h"

#include "controls/KestMenu.h"
#include "platform/gdi/System.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

namespace {

QMenu* BarPopup(CMainFrame* frame, const QString& text) {
    for (QAction* entry : frame->menuBar()->actions())
        if (entry->text() == text)
            return entry->menu();
    return nullptr;
}

TEST_F(ShellTest, StartUpShowsTheStatisticsPopupAsAnIconMenu) {
    frame->LoadMainMenu();
    ASSERT_EQ(frame->menuBar()->actions().size(), 8);
    QMenu* stats = BarPopup(frame, QStringLiteral("统计分析(&T)"));
    ASSERT_NE(stats, nullptr);
    KestMenu* owner = KestMenu::FromHandle(stats);
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(owner->Items().size(), static_cast<std::size_t>(stats->actions().size()));
    EXPECT_TRUE(KestMenu::IsMenu(stats));

    frame->show();
    stats->popup(frame->mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(stats->isVisible());
    const QImage shot = stats->grab().toImage();
    stats->hide();

    // Every row is as tall as the icon menu measures it; the first command's row has the tinted
    // column and the light item background, and its image sits in the column.
    const QRect first = stats->actionGeometry(stats->actions().at(0));
    EXPECT_EQ(first.height(), 22);
    EXPECT_EQ(stats->actionGeometry(stats->actions().at(1)).height(), 3);
    const auto colourAt = [&shot](int x, int y) { return gdi::FromQColor(shot.pixelColor(x, y)); };
    EXPECT_EQ(colourAt(first.left() + 1, first.top() + 1), gdi::GetSysColor(gdi::COLOR_3DFACE));
    EXPECT_EQ(colourAt(first.right() - 4, first.top() + 2), gdi::Rgb(249, 249, 249));
    int imagePixels = 0;
    for (int y = first.top() + 4; y < first.top() + 19; ++y)
        for (int x = first.left() + 4; x < first.left() + 20; ++x)
            imagePixels += colourAt(x, y) != gdi::GetSysColor(gdi::COLOR_3DFACE);
    EXPECT_GT(imagePixels, 20);
    // The submenu entry is one of the popup's rows, drawn alike.
    QAction* basic = stats->actions().at(3);
    ASSERT_NE(basic->menu(), nullptr);
    EXPECT_EQ(stats->actionGeometry(basic).height(), 22);
}

TEST_F(ShellTest, TypedMnemonicRunsTheFirstItemWithIt) {
    frame->LoadMainMenu();
    frame->show();
    QMenu* viewMenu = BarPopup(frame, QStringLiteral("查看(&V)"));
    ASSERT_NE(viewMenu, nullptr);
    ASSERT_TRUE(frame->GetToolBar()->isVisible());

    viewMenu->popup(frame->mapToGlobal(QPoint(0, 0)));
    QTest::keyClick(viewMenu, Qt::Key_T, Qt::NoModifier);
    EXPECT_FALSE(frame->GetToolBar()->isVisible());
    viewMenu->popup(frame->mapToGlobal(QPoint(0, 0)));
    QTest::keyClick(viewMenu, Qt::Key_S, Qt::ShiftModifier); // an upper-case S
    EXPECT_FALSE(frame->GetStatusBar()->isVisible());

    // Two items share "(&I)": the first one is chosen and runs.
    QMenu* input = BarPopup(frame, QStringLiteral("成绩录入(&I)"));
    ASSERT_NE(input, nullptr);
    QAction* byNumber = input->actions().at(4);
    QAction* byName = input->actions().at(5);
    int runs = 0;
    QObject::connect(byNumber, &QAction::triggered, [&runs] { ++runs; });
    QObject::connect(byName, &QAction::triggered, [&runs] { runs += 100; });
    byNumber->setEnabled(true);
    input->popup(frame->mapToGlobal(QPoint(0, 0)));
    QTest::keyClick(input, Qt::Key_I, Qt::NoModifier);
    EXPECT_EQ(runs, 1);
    input->hide();
}

TEST_F(ShellTest, PopupAboutToShowTakesInItemsAddedBehindTheMenu) {
    frame->LoadMainMenu();
    QMenu* help = BarPopup(frame, QStringLiteral("帮助(&H)"));
    ASSERT_NE(help, nullptr);
    KestMenu* owner = KestMenu::FromHandle(help);
    ASSERT_NE(owner, nullptr);
    auto* added = new QAction(QStringLiteral("附加(&F)"), help);
    added->setData(104);
    help->addAction(added);
    emit help->aboutToShow();
    ASSERT_EQ(owner->Items().size(), 10u);
    EXPECT_EQ(owner->Items().back()->text, QStringLiteral("附加(&F)"));
    EXPECT_EQ(owner->Items().back()->nID, 104);
    // The command-update pass ran after it: 每日一贴 has a handler.
    EXPECT_TRUE(added->isEnabled());
}

} // namespace
