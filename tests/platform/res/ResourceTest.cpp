// Menu, accelerator and toolbar resources: the parsers, and the program's own tables.

#include "platform/res/Accelerators.h"
#include "platform/res/Menu.h"
#include "platform/res/PromptTable.h"
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
        EXPECT_TRUE(res::HasPrompt(id)) << id;
        EXPECT_FALSE(res::LoadPrompt(id).statusText.isEmpty()) << id;
        EXPECT_FALSE(res::LoadPrompt(id).toolTip.isEmpty()) << id;
    }
    EXPECT_EQ(tracking->CommandIds(), (std::vector<int>{32821, 32831, 32822, 32853, 32827}));
    // The twins of the second tracking menu prompt as the commands they stand for.
    for (const auto& [twin, command] :
         {std::pair{32821, 32825}, {32831, 32830}, {32822, 32826}, {32853, 32854}}) {
        EXPECT_EQ(res::LoadPrompt(twin).statusText, res::LoadPrompt(command).statusText) << twin;
        EXPECT_EQ(res::LoadPrompt(twin).toolTip, res::LoadPrompt(command).toolTip) << twin;
    }
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

TEST(PromptTable, KeepsPromptsApartFromTheStringsOfTheSameNumber) {
    // 57670 is the help command's prompt and, as a string, the caption of the totals mode.
    EXPECT_EQ(res::LoadPrompt(57670).statusText, QStringLiteral("显示帮助"));
    EXPECT_EQ(res::LoadPrompt(57670).toolTip, QStringLiteral("帮助"));
    EXPECT_EQ(res::LoadString(57670), QStringLiteral("计算各科总分"));
    // A command without an entry has neither text, and its number reads no string in its place.
    EXPECT_FALSE(res::HasPrompt(32829));
    EXPECT_TRUE(res::LoadPrompt(32829).statusText.isEmpty());
    EXPECT_TRUE(res::LoadPrompt(32829).toolTip.isEmpty());
    EXPECT_EQ(res::LoadString(32829), QStringLiteral("打印报表"));

    // The string table holds no prompt: no command of the menus and toolbars has a string,
    // except the help command's number, which the totals caption uses.
    std::set<int> commands;
    for (const int menuId : {128, 183}) {
        const auto menu = res::LoadMenu(menuId);
        ASSERT_TRUE(menu);
        const std::vector<int> ids = menu->CommandIds();
        commands.insert(ids.begin(), ids.end());
    }
    for (const int toolbarId : {128, 177}) {
        const auto toolbar = res::LoadToolbar(toolbarId);
        ASSERT_TRUE(toolbar);
        const std::vector<int> ids = toolbar->Buttons();
        commands.insert(ids.begin(), ids.end());
    }
    commands.insert({57607, 57608, 57609, 57670});
    for (const int id : commands) {
        EXPECT_TRUE(res::HasPrompt(id)) << id;
        EXPECT_EQ(res::HasString(id), id == 57670) << id;
    }
}

TEST(StringTable, HoldsEveryTextTheReportsAndTrackingDialogsReadById) {
    const std::pair<int, const char*> texts[] = {
        {32800, "设置入口和出口考试"},
        {32829, "打印报表"},
        {32833, "保存图像"},
        {57618, "信息提示"},
        {57619, "对不起，数据更新失败！"},
        {57638, "注意：以上各项必须在列表中选择！"},
        {57648, "平均分报表"},
        {57649, "最低分报表"},
        {57650, "最高分报表"},
        {57652, "报表输出到EXCEL出现错误！"},
        {57653, "基本统计量"},
        {57654, "标准差报表"},
        {57655, "在开始分析之前，请先设置分析参数！"},
        {57656, "信息提示"},
        {57657, "变异系数报表"},
        {57658, "标准分"},
        {57659, "T分数"},
        {57660, "名次"},
        {57661, "任务已经完成！"},
        {57662, "是否参与数据分析"},
        {57663, "是否计入文科总分"},
        {57666, "是否计入理科总分"},
        {57667, "是否计入总分"},
        {57670, "计算各科总分"},
        {57671, "成绩分析参数已经设置完毕！"},
        {57672, "文总"},
        {57673, "理总"},
        {57674, "对不起，必须选择考试名称！"},
        {57676, "云帆远航程"},
        {57677, "总分"},
        {57684, "对不起，准备登分表时出错！"},
        {57685, "人数"},
        {57707, "没考相同显著"},
        {57713, "【1秒后自动关闭】"},
        {57715, "必须选择两次不同的考试才能进行下一步分析！"},
        {57718, "有那么多班级吗？"},
    };
    for (const auto& [id, text] : texts)
        EXPECT_EQ(res::LoadString(id), QString::fromUtf8(text)) << id;
}

TEST(Accelerators, TableOfTheMainFrame) {
    EXPECT_FALSE(res::ParseAccelerators(QStringLiteral("Ctrl+N 32778"))); // no tab
    EXPECT_FALSE(res::ParseAccelerators(QStringLiteral("Ctrl+N\tx")));
    const auto table = res::LoadAccelerators(128);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->size(), 13u);
    using K = QKeyCombination;
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::ControlModifier, Qt::Key_N)), 32778);
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::ControlModifier, Qt::Key_R)), 32778);
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::ControlModifier, Qt::Key_O)), 32784);
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::ControlModifier, Qt::Key_Insert)), 57634);
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::ShiftModifier, Qt::Key_F6)), 57681);
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::AltModifier, Qt::Key_Z)), 32799);
    EXPECT_EQ(res::FindAccelerator(*table, K(Qt::NoModifier, Qt::Key_F1)), 57670); // the frame's help
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
