// Menu, accelerator and toolbar resources: the parsers, and the program's own tables.

#include "platform/res/Accelerators.h"
#include "platform/res/Menu.h"
#include "platform/res/StringTable.h"
#include "platform/res/Toolbar.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(MenuScript, ParsesPopupsSeparatorsAndEscapes) {
    const auto menu = res::ParseMenu(QStringLiteral("// comment\n"
                                                    "POPUP \"文件(&F)\"\n"
                                                    "BEGIN\n"
                                                    "    MENUITEM \"打开(&O)\\tCtrl+O\", 101\n"
                                                    "    MENUITEM SEPARATOR\n"
                                                    "    POPUP \"更多\" { MENUITEM \"说 \\\"好\\\"\", 102 }\n"
                                                    "END\n"));
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->items.size(), 1u);
    const res::MenuItem& file = menu->items[0];
    EXPECT_EQ(file.kind, res::MenuItem::Kind::Popup);
    ASSERT_EQ(file.items.size(), 3u);
    EXPECT_EQ(file.items[0].Label(), QStringLiteral("打开(&O)"));
    EXPECT_EQ(file.items[0].AcceleratorText(), QStringLiteral("Ctrl+O"));
    EXPECT_EQ(file.items[1].kind, res::MenuItem::Kind::Separator);
    EXPECT_EQ(file.items[2].items[0].text, QStringLiteral("说 \"好\""));
    EXPECT_EQ(menu->CommandIds(), (std::vector<int>{101, 102}));
    EXPECT_EQ(menu->FindCommand(102)->id, 102);
    EXPECT_EQ(menu->FindCommand(103), nullptr);
}

TEST(MenuScript, RefusesMalformedScripts) {
    EXPECT_FALSE(res::ParseMenu(QStringLiteral("POPUP \"a\"\nBEGIN\nMENUITEM \"b\", x\nEND")));
    EXPECT_FALSE(res::ParseMenu(QStringLiteral("POPUP \"a\"\nBEGIN\nMENUITEM \"b\", 1\n"))); // no END
    EXPECT_FALSE(res::ParseMenu(QStringLiteral("POPUP \"unterminated\nBEGIN\nEND")));
    EXPECT_FALSE(res::ParseMenu(QStringLiteral("END")));
}

TEST(MainMenu, HasEveryCommandWithAPromptAndTheTrackingTwins) {
    const auto main = res::LoadMenu(128);
    const auto tracking = res::LoadMenu(183);
    ASSERT_TRUE(main && tracking);
    ASSERT_EQ(main->items.size(), 8u);
    EXPECT_EQ(main->items[3].text, QStringLiteral("统计分析(&T)"));
    const std::vector<int> ids = main->CommandIds();
    EXPECT_EQ(ids.size(), 57u);
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size()); // no id twice
    for (int id : ids) {
        EXPECT_TRUE(res::HasString(id)) << id;
        EXPECT_TRUE(res::LoadString(id).contains(u'\n')) << id; // prompt and tooltip
    }
    EXPECT_EQ(tracking->CommandIds(), (std::vector<int>{32821, 32831, 32822, 32853, 32827}));
    // The submenu of the basic statistics sits inside 统计分析.
    const res::MenuItem& stats = main->items[3];
    const auto sub = std::find_if(stats.items.begin(), stats.items.end(), [](const res::MenuItem& i) {
        return i.kind == res::MenuItem::Kind::Popup;
    });
    ASSERT_NE(sub, stats.items.end());
    EXPECT_EQ(sub->text, QStringLiteral("基本统计量报表(&M)"));
    EXPECT_EQ(sub->items.size(), 3u);
    EXPECT_EQ(main->FindCommand(32778)->AcceleratorText(), QStringLiteral("Ctrl+R"));
}

TEST(Accelerators, TableOfTheMainFrame) {
    EXPECT_FALSE(res::ParseAccelerators(QStringLiteral("Ctrl+N 32778"))); // no tab
    EXPECT_FALSE(res::ParseAccelerators(QStringLiteral("Ctrl+N\tx")));
    const auto table = res::LoadAccelerators(128);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->size(), 12u);
    using K = QKeyCombination;
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::ControlModifier, Qt::Key_N)), 32778);
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::ControlModifier, Qt::Key_R)), 32778);
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::ControlModifier, Qt::Key_O)), 32784);
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::ControlModifier, Qt::Key_Insert)), 57634);
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::ShiftModifier, Qt::Key_F6)), 57681);
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::AltModifier, Qt::Key_Z)), 32799);
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::NoModifier, Qt::Key_Z)), 0);
}

TEST(Toolbars, SlotsAndImages) {
    const auto main = res::LoadToolbar(128);
    ASSERT_TRUE(main);
    EXPECT_EQ(main->buttonSize, QSize(16, 15));
    EXPECT_EQ(main->items.size(), 20u);
    EXPECT_EQ(main->Buttons().size(), 16u);
    EXPECT_EQ(main->items[3], 0);
    EXPECT_EQ(main->strip.size(), QSize(16 * 16, 15));
    EXPECT_FALSE(main->ImageFor(57664).isNull());
    EXPECT_TRUE(main->ImageFor(32842).isNull()); // not on this toolbar
    EXPECT_TRUE(main->ButtonImage(16).isNull()); // past the strip

    // Toolbar 177 gives an image to every menu command that toolbar 128 lacks.
    const auto extra = res::LoadToolbar(177);
    const auto menu = res::LoadMenu(128);
    const auto tracking = res::LoadMenu(183);
    ASSERT_TRUE(extra && menu && tracking);
    std::vector<int> ids = menu->CommandIds();
    const std::vector<int> twins = tracking->CommandIds();
    ids.insert(ids.end(), twins.begin(), twins.end());
    for (int id : ids)
        EXPECT_TRUE(!main->ImageFor(id).isNull() || !extra->ImageFor(id).isNull()) << id;

    EXPECT_FALSE(res::ParseToolbar(QStringLiteral("16\n1\n"), {}));
    EXPECT_FALSE(res::ParseToolbar(QStringLiteral("16 15\n-3\n"), {}));
}

} // namespace
