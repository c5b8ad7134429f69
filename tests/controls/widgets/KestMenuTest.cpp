// The icon menu: building the main menu with its images, searching and removing, the padding of
// accelerators, sizes, the recorded drawing of each kind of item in both looks, and mnemonics.

#include "controls/KestMenu.h"
#include "platform/gdi/Dc.h"
#include "platform/gdi/Recorder.h"
#include "platform/gdi/System.h"
#include "platform/res/Menu.h"
#include "platform/res/Toolbar.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>

#include <set>

using gdi::COLORREF;
using gdi::DrawOp;
using gdi::Rgb;

namespace {

class KestMenuTest : public ::testing::Test {
protected:
    void SetUp() override { KestMenu::ClearSharedImages(); }
    void TearDown() override {
        KestMenu::SetDrawModes(1, 1);
        gdi::ResetSysColors();
        KestMenu::ClearSharedImages();
    }

    // Menu 128 with the images of toolbars 128 and 177.
    void LoadMain() {
        ASSERT_TRUE(menu.LoadMenu(128));
        ASSERT_TRUE(menu.AddToolbarImages(128));
        ASSERT_TRUE(menu.AddToolbarImages(177));
    }

    KestMenu& Popup(const QString& text) {
        KestMenu* popup = menu.FindPopupByText(text);
        EXPECT_NE(popup, nullptr) << text.toStdString();
        return *popup;
    }

    KestMenu menu;
};

// A toolbar of the given commands whose images are single-colour squares.
res::Toolbar ColourToolbar(const std::vector<int>& commands, QColor colour) {
    res::Toolbar toolbar;
    toolbar.buttonSize = QSize(16, 15);
    toolbar.items = commands;
    toolbar.strip = QImage(16 * static_cast<int>(commands.size()), 15, QImage::Format_ARGB32);
    toolbar.strip.fill(colour);
    return toolbar;
}

COLORREF PixelOf(const QImage& image, int x, int y) {
    return gdi::FromQColor(image.pixelColor(x, y));
}

TEST_F(KestMenuTest, MainMenuIsBuiltWithPlainTopLevelAndFourImagesPerCommand) {
    LoadMain();
    const auto& top = menu.Items();
    ASSERT_EQ(top.size(), 8u);
    for (const auto& record : top)
        EXPECT_EQ(record->flags, MF_BYPOSITION | MF_POPUP) << record->text.toStdString();
    EXPECT_EQ(top[3]->text, QStringLiteral("统计分析(&T)"));
    EXPECT_TRUE(KestMenu::IsMenu(top[3]->hSubMenu));
    EXPECT_FALSE(KestMenu::IsMenu(menu.GetMenu()));

    KestMenu& stats = Popup(QStringLiteral("统计分析(&T)"));
    ASSERT_EQ(stats.Items().size(), 19u);
    const KestMenuData& separator = *stats.Items()[1];
    EXPECT_EQ(separator.nID, 0);
    EXPECT_EQ(separator.flags, MF_SEPARATOR | MF_OWNERDRAW);
    EXPECT_EQ(stats.Items()[0]->flags, MF_OWNERDRAW);
    EXPECT_EQ(stats.Items()[3]->flags, MF_POPUP | MF_OWNERDRAW);
    EXPECT_EQ(stats.GetSubMenu(3), stats.Items()[3]->hSubMenu.data());
    EXPECT_EQ(stats.GetSubMenu(QStringLiteral("基本统计量报表(&M)")), stats.GetSubMenu(3));
    EXPECT_TRUE(KestMenu::IsOwnMenu(&stats));
    EXPECT_FALSE(KestMenu::IsOwnMenu(&menu));

    // Every command of the menu that a toolbar has a button for got its image, four entries in a
    // row: normal, faded, shadow, disabled.
    const auto& commands = KestMenu::SharedImageCommands();
    EXPECT_EQ(commands.size(), 4u * 57u);
    const KestMenuData* settings = menu.FindItemData(32784);
    ASSERT_NE(settings, nullptr);
    ASSERT_GE(settings->nSharedImage, 0);
    EXPECT_TRUE(KestMenu::HasImageSet(settings->nSharedImage));
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(commands[static_cast<std::size_t>(settings->nSharedImage + k)], 32784);
    EXPECT_EQ(KestMenu::SharedImages()->GetImageCount(), static_cast<int>(commands.size()));

    // The image is the toolbar button's: its top-left pixel is the strip's at the button's slot.
    const auto toolbar = res::LoadToolbar(128);
    ASSERT_TRUE(toolbar);
    const QImage expected = toolbar->ImageFor(32784);
    const QImage& got = KestMenu::SharedImages()->Image(settings->nSharedImage);
    for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < 16; ++x) {
            if (qAlpha(expected.pixel(x, y)) == 255 && expected.pixelColor(x, y) != QColor(192, 192, 192) &&
                gdi::FromQColor(expected.pixelColor(x, y)) != gdi::GetSysColor(gdi::COLOR_3DFACE)) {
                ASSERT_EQ(got.pixel(x, y), expected.pixel(x, y)) << x << "," << y;
            }
        }
    }
}

TEST_F(KestMenuTest, LaterToolbarReplacesTheImageInPlace) {
    LoadMain();
    const KestMenuData* exit = menu.FindItemData(57665);
    ASSERT_NE(exit, nullptr);
    const int index = exit->nSharedImage;
    const std::size_t count = KestMenu::SharedImageCommands().size();
    ASSERT_TRUE(menu.AddToolbarImages(ColourToolbar({0, 57665}, QColor(255, 0, 0))));
    EXPECT_EQ(exit->nSharedImage, index);
    EXPECT_EQ(KestMenu::SharedImageCommands().size(), count);
    const gdi::ImageList& list = *KestMenu::SharedImages();
    EXPECT_EQ(PixelOf(list.Image(index), 5, 5), Rgb(255, 0, 0));
    EXPECT_EQ(PixelOf(list.Image(index + 1), 5, 5), gdi::Lighten(Rgb(255, 0, 0), 0.3));
    EXPECT_EQ(PixelOf(list.Image(index + 2), 5, 5), gdi::GetSysColor(gdi::COLOR_3DSHADOW));
    EXPECT_EQ(PixelOf(list.Image(index + 3), 5, 5), Rgb(170, 170, 170));
}

TEST_F(KestMenuTest, InsertedItemsTakeImagesAndSeparatorsLikeAppendedOnes) {
    LoadMain();
    KestMenu& stats = Popup(QStringLiteral("统计分析(&T)"));
    // Before the item of a command, in whichever popup it is.
    ASSERT_TRUE(menu.InsertItem(32794, QStringLiteral("新命令(&W)"), MF_BYCOMMAND, 40001, 128));
    ASSERT_TRUE(stats.InsertItem(2, QString(), MF_BYPOSITION, 0));
    ASSERT_EQ(stats.Items().size(), 21u);
    EXPECT_EQ(stats.Items()[2]->flags, MF_SEPARATOR | MF_OWNERDRAW | MF_BYPOSITION);
    EXPECT_EQ(stats.Items()[3]->nID, 40001);
    EXPECT_EQ(stats.GetMenu()->actions()[3]->data().toInt(), 40001);
    EXPECT_FALSE(menu.InsertItem(49999, QStringLiteral("无处"), MF_BYCOMMAND, 40002));

    // A command with no button on the toolbar takes its first image, inserted or appended alike.
    KestMenu& view = Popup(QStringLiteral("查看(&V)"));
    ASSERT_TRUE(view.AppendItem(QStringLiteral("追加(&Y)"), 0, 40003, 128));
    const int inserted = stats.Items()[3]->nSharedImage;
    const int appended = view.Items().back()->nSharedImage;
    ASSERT_GE(inserted, 0);
    ASSERT_GE(appended, 0);
    EXPECT_NE(inserted, appended);
    EXPECT_EQ(KestMenu::SharedImages()->Image(inserted), KestMenu::SharedImages()->Image(appended));
    // Both, in a popup of a loaded menu, are drawn; the top level stays plain.
    EXPECT_EQ(menu.Items()[6]->flags, MF_BYPOSITION | MF_POPUP);
}

TEST_F(KestMenuTest, PopupEndingInAPopupClosesBothLevels) {
    const auto parsed = res::ParseMenu(QString::fromUtf8(R"menu(
        POPUP "外(&A)"
        BEGIN
            MENUITEM "一(&1)", 1001
            POPUP "内(&B)"
            BEGIN
                MENUITEM "二(&2)", 1002
            END
        END
        POPUP "后(&C)"
        BEGIN
            MENUITEM "三(&3)", 1003
        END)menu"));
    ASSERT_TRUE(parsed);
    ASSERT_TRUE(menu.LoadMenu(*parsed));
    ASSERT_EQ(menu.Items().size(), 2u);
    KestMenu& outer = Popup(QStringLiteral("外(&A)"));
    ASSERT_EQ(outer.Items().size(), 2u);
    KestMenu* inner = outer.FindPopupByText(QStringLiteral("内(&B)"));
    ASSERT_NE(inner, nullptr);
    ASSERT_EQ(inner->Items().size(), 1u);
    EXPECT_EQ(Popup(QStringLiteral("后(&C)")).Items()[0]->nID, 1003);
}

TEST_F(KestMenuTest, FindsItemsByCommandAndByText) {
    LoadMain();
    const auto [holder, position] = menu.FindItem(32857);
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(position, 2);
    EXPECT_EQ(KestMenu::FromHandle(holder),
              Popup(QStringLiteral("统计分析(&T)")).FindPopupByText(QStringLiteral("基本统计量报表(&M)")));
    EXPECT_EQ(menu.FindNextItem(32857, {{holder, position}}).second, -1);
    EXPECT_EQ(menu.FindItem(49999), (std::pair<QMenu*, int>(nullptr, -1)));

    EXPECT_EQ(menu.FindItemData(32857)->text, QStringLiteral("分科基本统计量(&K)"));
    EXPECT_EQ(menu.FindItemByText(QStringLiteral("分科基本统计量(&K)"))->nID, 32857);
    EXPECT_EQ(menu.FindItemByText(QStringLiteral("不存在")), nullptr);
    // The top level holds only popups: no record index there.
    EXPECT_EQ(menu.FindRecordIndex(QStringLiteral("统计分析(&T)")), -1);
    EXPECT_EQ(Popup(QStringLiteral("帮助(&H)")).FindRecordIndex(QStringLiteral("每日一贴(&T)")), 2);

    QString label;
    EXPECT_TRUE(menu.GetItemLabel(104, &label));
    EXPECT_EQ(label, QStringLiteral("每日一贴(&T)"));
    EXPECT_TRUE(menu.SetItemLabel(104, QStringLiteral("小贴士(&T)")));
    EXPECT_EQ(menu.FindItemData(104)->text, QStringLiteral("小贴士(&T)"));
    EXPECT_FALSE(Popup(QStringLiteral("查看(&V)")).GetItemLabel(2, &label, MF_BYPOSITION));

    // A new text for every item of a command, keeping its image; an unknown command has no item
    // to change.
    const int image = menu.FindItemData(32784)->nSharedImage;
    EXPECT_TRUE(menu.ModifyItem(QStringLiteral("分析参数(&S)"), 32784));
    EXPECT_EQ(menu.FindItemData(32784)->text, QStringLiteral("分析参数(&S)"));
    EXPECT_EQ(menu.FindItemData(32784)->nSharedImage, image);
    EXPECT_FALSE(menu.ModifyItem(QStringLiteral("无"), 49999));
}

TEST_F(KestMenuTest, RemovesByCommandPositionAndTextWithItsNeighbours) {
    LoadMain();
    KestMenu& help = Popup(QStringLiteral("帮助(&H)"));
    const auto texts = [&help] {
        QStringList out;
        for (const auto& record : help.Items())
            out << (record->flags & MF_SEPARATOR ? QStringLiteral("-") : record->text.left(2));
        return out;
    };
    ASSERT_EQ(texts(), QStringList({"快速", "帮助", "每日", "-", "检查", "意见", "访问", "-", "关于"}));

    // Mode 1: the item and the one before it (the separator).
    EXPECT_EQ(help.RemoveMenu(QStringLiteral("关于 Veltora(&A)..."), 1), 8);
    EXPECT_EQ(texts(), QStringList({"快速", "帮助", "每日", "-", "检查", "意见", "访问"}));
    // Mode 3 at the start: no item before it, only the one after.
    EXPECT_EQ(help.DeleteMenu(QStringLiteral("快速入门(&Q)"), 3), 0);
    EXPECT_EQ(texts(), QStringList({"每日", "-", "检查", "意见", "访问"}));
    // Mode 3 inside: both neighbours.
    EXPECT_EQ(help.DeleteMenu(QStringLiteral("检查更新(&C)"), 3), 2);
    EXPECT_EQ(texts(), QStringList({"每日", "访问"}));
    EXPECT_EQ(help.RemoveMenu(QStringLiteral("不存在"), 3), -1);
    EXPECT_EQ(help.GetMenu()->actions().size(), 2);

    // By command anywhere in the tree, and a whole popup by position.
    EXPECT_TRUE(menu.DeleteMenu(32810, MF_BYCOMMAND));
    EXPECT_EQ(texts(), QStringList({"每日"}));
    EXPECT_FALSE(menu.DeleteMenu(32810, MF_BYCOMMAND));
    KestMenu& stats = Popup(QStringLiteral("统计分析(&T)"));
    QMenu* basic = stats.GetSubMenu(3);
    EXPECT_TRUE(stats.DeleteMenu(3, MF_BYPOSITION));
    EXPECT_FALSE(KestMenu::IsMenu(basic));
    EXPECT_EQ(stats.Items().size(), 18u);
    EXPECT_EQ(menu.FindItemData(32857), nullptr);
    EXPECT_EQ(stats.GetMenu()->actions().size(), 18);
}

TEST_F(KestMenuTest, AcceleratorsLineUpWithinASpace) {
    LoadMain();
    gdi::Dc dc;
    dc.SelectFont(gdi::Font(gdi::GetMenuFont()));
    const int space = dc.GetTextExtent(QStringLiteral(" ")).cx;
    ASSERT_GT(space, 0);
    for (const QString& name : {QStringLiteral("统计分析(&T)"), QStringLiteral("系统设置(&S)")}) {
        std::vector<int> columns;
        for (const auto& record : Popup(name).Items()) {
            const qsizetype tab = record->text.indexOf(u'\t');
            if (tab >= 0)
                columns.push_back(dc.GetTextExtent(record->text.left(tab)).cx);
        }
        ASSERT_GE(columns.size(), 2u);
        const auto [low, high] = std::minmax_element(columns.begin(), columns.end());
        EXPECT_LT(*high - *low, space) << name.toStdString();
    }
    // An item without tab keeps its text.
    EXPECT_EQ(menu.FindItemData(32794)->text, QStringLiteral("算学生有效总分(&U)"));
    EXPECT_TRUE(menu.FindItemData(57665)->text.endsWith(QStringLiteral("\tAlt+X")));
}

TEST_F(KestMenuTest, SizesFollowTheMetricsInBothLooks) {
    KestMenuData item;
    item.text = QStringLiteral("设定成绩分析参数(&S)");
    item.flags = MF_OWNERDRAW;
    KestMenuData separator;
    separator.flags = MF_SEPARATOR | MF_OWNERDRAW;
    gdi::Dc dc;
    dc.SelectFont(gdi::Font(gdi::GetMenuFont()));
    const int text = dc.GetTextExtent(item.text).cx;

    MEASUREITEMSTRUCT mis{&item};
    menu.MeasureItem(&mis);
    EXPECT_EQ(mis.itemWidth, text + 31);
    EXPECT_EQ(mis.itemHeight, std::max(gdi::GetSystemMetrics(gdi::SM_CYMENU), 22));
    MEASUREITEMSTRUCT sep{&separator};
    menu.MeasureItem(&sep);
    EXPECT_EQ(sep.itemHeight, 3);

    KestMenu::SetDrawModes(0, 0);
    EXPECT_FALSE(KestMenu::IsXPStyle());
    menu.MeasureItem(&mis);
    EXPECT_EQ(mis.itemWidth, text + 33);
    EXPECT_EQ(mis.itemHeight, std::max(gdi::GetSystemMetrics(gdi::SM_CYMENU), 19));
    menu.MeasureItem(&sep);
    EXPECT_EQ(sep.itemHeight, std::max(gdi::GetSystemMetrics(gdi::SM_CYMENU) / 2, 9));
    const int old = gdi::SetSystemMetrics(gdi::SM_CYMENU, 30);
    menu.MeasureItem(&mis);
    EXPECT_EQ(mis.itemHeight, 30);
    gdi::SetSystemMetrics(gdi::SM_CYMENU, old);
}

TEST_F(KestMenuTest, MenuColoursOnTheFixedScheme) {
    const COLORREF highlight = gdi::GetSysColor(gdi::COLOR_HIGHLIGHT);
    EXPECT_EQ(gdi::Lighten(highlight, 0.7), Rgb(181, 189, 210));
    EXPECT_EQ(gdi::Lighten(highlight, 0.85), Rgb(218, 222, 232));
    EXPECT_EQ(gdi::Darken(gdi::GetSysColor(gdi::COLOR_WINDOW), 0.02), Rgb(249, 249, 249));
    QImage red(16, 15, QImage::Format_ARGB32);
    red.fill(QColor(255, 0, 0));
    EXPECT_EQ(PixelOf(KestMenu::DisabledImage(red), 3, 3), Rgb(170, 170, 170));
}

class KestMenuDrawTest : public KestMenuTest {
protected:
    void SetUp() override {
        KestMenuTest::SetUp();
        LoadMain();
    }

    // Draws `record` in an item rectangle 200 × 22 at (10, 40), recording.
    void Draw(const KestMenuData& record, unsigned state, bool radio = false, bool palette = false) {
        recorder.Clear();
        gdi::Dc dc(&recorder);
        if (palette)
            dc.SetDeviceInfo(96, 96, 1024, 768, 256);
        DRAWITEMSTRUCT dis;
        dis.pDC = &dc;
        dis.rcItem = kItem;
        dis.itemData = &record;
        dis.itemState = state;
        dis.radioCheck = radio;
        (drawing ? *drawing : menu).DrawItem(&dis);
    }
    std::vector<gdi::DrawCall> Images() const { return recorder.Of(DrawOp::Image); }

    static constexpr gdi::Rect kItem{10, 40, 210, 62};
    gdi::Recorder recorder;
    KestMenu* drawing = nullptr; // the menu whose DrawItem runs; the main menu when null
};

TEST_F(KestMenuDrawTest, XpItemsInEachState) {
    const KestMenuData& settings = *menu.FindItemData(32784); // with image and Ctrl+S
    const int image = settings.nSharedImage;
    const COLORREF bar = gdi::GetSysColor(gdi::COLOR_3DFACE);

    // Normal: white row, tinted column, the faded image centred in it; label and accelerator.
    Draw(settings, 0);
    const auto fills = recorder.Of(DrawOp::Fill);
    ASSERT_GE(fills.size(), 2u);
    EXPECT_EQ(fills[0].rect, kItem);
    EXPECT_EQ(fills[0].colour, Rgb(249, 249, 249));
    EXPECT_EQ(fills[1].rect, gdi::Rect(10, 40, 33, 62));
    EXPECT_EQ(fills[1].colour, bar);
    ASSERT_EQ(Images().size(), 1u);
    EXPECT_EQ(Images()[0].format, static_cast<unsigned>(image + 1));
    EXPECT_EQ(Images()[0].rect.TopLeft(), gdi::Point(14, 44));
    const auto texts = recorder.Of(DrawOp::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text.trimmed(), QStringLiteral("设定成绩分析参数(S)"));
    EXPECT_EQ(texts[0].rect.left, 10 + 23 + 8);
    EXPECT_EQ(texts[1].text, QStringLiteral("Ctrl+S"));
    EXPECT_EQ(texts[1].format, gdi::DT_RIGHT | gdi::DT_VCENTER | gdi::DT_SINGLELINE);
    EXPECT_EQ(texts[1].rect.right, kItem.right - 16);
    EXPECT_EQ(texts[1].textOrigin.x + texts[1].textSize.cx, kItem.right - 16);
    EXPECT_EQ(texts[0].colour, gdi::GetSysColor(gdi::COLOR_MENUTEXT));

    // Selected: the light selection colour framed in the highlight, the image lifted over its shadow.
    Draw(settings, ODS_SELECTED);
    EXPECT_EQ(recorder.Of(DrawOp::Fill)[0].colour, Rgb(181, 189, 210));
    EXPECT_EQ(recorder.Of(DrawOp::Frame)[0].colour, gdi::GetSysColor(gdi::COLOR_HIGHLIGHT));
    ASSERT_EQ(Images().size(), 2u);
    EXPECT_EQ(Images()[0].format, static_cast<unsigned>(image + 2));
    EXPECT_EQ(Images()[0].rect.TopLeft(), gdi::Point(15, 45));
    EXPECT_EQ(Images()[1].format, static_cast<unsigned>(image));
    EXPECT_EQ(Images()[1].rect.TopLeft(), gdi::Point(13, 43));

    // Disabled under the mouse: never highlighted, the disabled image, grey text.
    Draw(settings, ODS_SELECTED | ODS_GRAYED);
    EXPECT_EQ(recorder.Of(DrawOp::Fill)[0].colour, Rgb(249, 249, 249));
    ASSERT_EQ(Images().size(), 1u);
    EXPECT_EQ(Images()[0].format, static_cast<unsigned>(image + 3));
    EXPECT_EQ(recorder.Of(DrawOp::Text)[0].colour, gdi::GetSysColor(gdi::COLOR_GRAYTEXT));

    // Checked with image: a frame tinted with the highlight, the image lifted; no check mark.
    Draw(settings, ODS_CHECKED);
    const gdi::Rect box(11, 41, 31, 61);
    bool tinted = false;
    for (const auto& f : recorder.Of(DrawOp::Fill))
        tinted |= f.rect == box && f.colour == Rgb(218, 222, 232);
    EXPECT_TRUE(tinted);
    EXPECT_EQ(Images()[0].format, static_cast<unsigned>(image));
    EXPECT_TRUE(recorder.Of(DrawOp::Line).empty());
}

TEST_F(KestMenuDrawTest, XpChecksWithoutImageAndSeparators) {
    KestMenuData plain;
    plain.text = QStringLiteral("工具栏(&T)");
    plain.flags = MF_OWNERDRAW;
    Draw(plain, ODS_CHECKED);
    EXPECT_TRUE(Images().empty());
    // The narrow check mark: seven vertical lines from the box's middle less three.
    const auto lines = recorder.Of(DrawOp::Line);
    ASSERT_EQ(lines.size(), 7u);
    const int ox = 20 / 2 - 3;
    const int oy = 20 / 2 - 3;
    EXPECT_EQ(lines[0].from, gdi::Point(11 + ox, 41 + oy + 2));
    EXPECT_EQ(lines[0].to, gdi::Point(11 + ox, 41 + oy + 4));
    EXPECT_EQ(lines[2].to, gdi::Point(11 + ox + 2, 41 + oy + 6));

    Draw(plain, ODS_CHECKED | ODS_SELECTED, true);
    EXPECT_TRUE(recorder.Of(DrawOp::Line).empty());
    const auto dots = recorder.Of(DrawOp::Ellipse);
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_EQ(dots[0].rect, gdi::Rect(11 + ox, 41 + oy, 17 + ox, 47 + oy));
    // Without an accelerator only the label is drawn.
    EXPECT_EQ(recorder.Of(DrawOp::Text).size(), 1u);

    KestMenuData separator;
    separator.flags = MF_SEPARATOR | MF_OWNERDRAW;
    Draw(separator, 0);
    const auto edges = recorder.Of(DrawOp::Edge);
    ASSERT_EQ(edges.size(), 1u);
    EXPECT_EQ(edges[0].rect.left, 10 + 7);
    EXPECT_EQ(edges[0].rect.top, 40 + 11);
    EXPECT_EQ(edges[0].flags, gdi::BF_TOP);
}

TEST_F(KestMenuDrawTest, PaletteDeviceGetsTheClassicLook) {
    const KestMenuData& settings = *menu.FindItemData(32784);
    Draw(settings, ODS_SELECTED, false, true);
    // The highlight fills the row right of the image; the raised image sits in a 3-D frame.
    const auto fills = recorder.Of(DrawOp::Fill);
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills[0].rect, gdi::Rect(10 + 16 + 5, 40, 210, 62));
    EXPECT_EQ(fills[0].colour, gdi::GetSysColor(gdi::COLOR_HIGHLIGHT));
    ASSERT_EQ(Images().size(), 1u);
    EXPECT_EQ(Images()[0].format, static_cast<unsigned>(settings.nSharedImage));
    EXPECT_EQ(Images()[0].rect.TopLeft(), gdi::Point(12, 40 + 1 + 2));
    const auto texts = recorder.Of(DrawOp::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].colour, gdi::GetSysColor(gdi::COLOR_HIGHLIGHTTEXT));
    EXPECT_EQ(texts[0].rect.left, 10 + 16 + 9);

    // Disabled and highlighted: the text in the menu colour; not highlighted: etched grey.
    Draw(settings, ODS_SELECTED | ODS_GRAYED, false, true);
    EXPECT_EQ(recorder.Of(DrawOp::Text)[0].colour, gdi::GetSysColor(gdi::COLOR_MENU));
    Draw(settings, ODS_GRAYED, false, true);
    const auto grey = recorder.Of(DrawOp::Text);
    ASSERT_EQ(grey.size(), 4u);
    EXPECT_EQ(grey[0].colour, gdi::GetSysColor(gdi::COLOR_3DHIGHLIGHT));
    EXPECT_EQ(grey[0].rect.left, grey[2].rect.left + 1);
    EXPECT_EQ(grey[2].colour, gdi::GetSysColor(gdi::COLOR_GRAYTEXT));

    // A checked item without image: a sunken box with the wide check mark.
    KestMenuData plain;
    plain.text = QStringLiteral("状态栏(&S)");
    plain.flags = MF_OWNERDRAW;
    Draw(plain, ODS_CHECKED, false, true);
    ASSERT_EQ(recorder.Of(DrawOp::Edge).size(), 1u);
    EXPECT_EQ(recorder.Of(DrawOp::Edge)[0].format, gdi::BDR_SUNKENOUTER);
    const auto lines = recorder.Of(DrawOp::Line);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[2].to.y - lines[2].from.y, 3); // 7 − 4, not narrowed
}

TEST_F(KestMenuTest, TypedMnemonicFindsTheFirstItemInEitherCase) {
    LoadMain();
    QMenu* input = Popup(QStringLiteral("成绩录入(&I)")).GetMenu();
    EXPECT_EQ(KestMenu::FindMnemonicItem(u'I', MF_POPUP, input), 4 | (MNC_EXECUTE << 16));
    EXPECT_EQ(KestMenu::FindMnemonicItem(u'i', MF_POPUP, input), 4 | (MNC_EXECUTE << 16));
    EXPECT_EQ(KestMenu::FindMnemonicItem(u'a', MF_POPUP, input), 7 | (MNC_EXECUTE << 16));
    EXPECT_EQ(KestMenu::FindMnemonicItem(u'z', MF_POPUP, input), 0);
    EXPECT_EQ(KestMenu::FindMnemonicItem(u'i', 0, input), 0);
    EXPECT_EQ(KestMenu::FindMnemonicItem(u'i', MF_POPUP, nullptr), 0);

    // Items another hand put into the popup are taken in before the search.
    QMenu* help = Popup(QStringLiteral("帮助(&H)")).GetMenu();
    help->insertAction(help->actions().first(), new QAction(QStringLiteral("新增(&N)"), help));
    EXPECT_EQ(KestMenu::FindMnemonicItem(u'N', MF_POPUP, help), 0 | (MNC_EXECUTE << 16));
    EXPECT_EQ(KestMenu::FindMnemonicItem(u'h', MF_POPUP, help), 2 | (MNC_EXECUTE << 16));
    EXPECT_EQ(Popup(QStringLiteral("帮助(&H)")).Items().size(), 10u);
}

// A 16 × 15 image of the face colour with a solid square of `colour` at (4, 3), 8 × 8.
QImage SquareImage(QColor colour) {
    QImage image(16, 15, QImage::Format_RGB32);
    image.fill(gdi::ToQColor(gdi::GetSysColor(gdi::COLOR_3DFACE)));
    for (int y = 3; y < 11; ++y)
        for (int x = 4; x < 12; ++x)
            image.setPixelColor(x, y, colour);
    return image;
}

TEST_F(KestMenuDrawTest, CheckImagesStandInForTheCheckMark) {
    // Either id missing: nothing happens.
    menu.LoadCheckImages(0, 9002);
    EXPECT_EQ(menu.CheckImages(), nullptr);
    menu.LoadCheckImages(9001, 9002);
    ASSERT_NE(menu.CheckImages(), nullptr);
    ASSERT_EQ(menu.CheckImages()->GetImageCount(), 2);
    // The 16-colour bitmaps' grey is the face colour, drawn transparent.
    EXPECT_EQ(qAlpha(menu.CheckImages()->Image(0).pixel(0, 0)), 0);
    EXPECT_EQ(PixelOf(menu.CheckImages()->Image(1), 6, 6), Rgb(0, 0, 255));

    // A popup made now shares them; the loaded popups, made before, have none.
    KestMenu* colours = menu.AddPopup(QStringLiteral("颜色(&C)"));
    ASSERT_NE(colours, nullptr);
    EXPECT_EQ(colours->CheckImages(), menu.CheckImages());
    EXPECT_EQ(Popup(QStringLiteral("查看(&V)")).CheckImages(), nullptr);
    ASSERT_TRUE(colours->AppendItem(QStringLiteral("红色(&R)"), 0, 40010));
    const KestMenuData& red = *colours->Items()[0];
    drawing = colours;

    // XP: the column's box in the bar colour and image 0 where an image goes; no check mark.
    Draw(red, ODS_CHECKED);
    ASSERT_EQ(Images().size(), 1u);
    EXPECT_EQ(Images()[0].format, 0u);
    EXPECT_EQ(Images()[0].rect.TopLeft(), gdi::Point(14, 44));
    bool barBox = false;
    for (const auto& f : recorder.Of(DrawOp::Fill))
        barBox |= f.rect == gdi::Rect(11, 41, 31, 61) && f.colour == gdi::GetSysColor(gdi::COLOR_3DFACE);
    EXPECT_TRUE(barBox);
    EXPECT_TRUE(recorder.Of(DrawOp::Line).empty());
    Draw(red, ODS_CHECKED | ODS_SELECTED);
    ASSERT_EQ(Images().size(), 1u);
    EXPECT_EQ(Images()[0].format, 1u);
    // Not checked: nothing in the column.
    Draw(red, ODS_SELECTED);
    EXPECT_TRUE(Images().empty());

    // Classic: image 1 under the mouse at the image's place, the highlight right of the column.
    Draw(red, ODS_CHECKED | ODS_SELECTED, false, true);
    ASSERT_EQ(Images().size(), 1u);
    EXPECT_EQ(Images()[0].format, 1u);
    EXPECT_EQ(Images()[0].rect.TopLeft(), gdi::Point(12, 43));
    EXPECT_EQ(recorder.Of(DrawOp::Fill)[0].rect.left, 10 + 16 + 5);
    EXPECT_TRUE(recorder.Of(DrawOp::Edge).empty());

    // Loading again changes the shared list in place; a bitmap that cannot be had leaves none.
    menu.LoadCheckImages(9002, 9001);
    EXPECT_EQ(PixelOf(colours->CheckImages()->Image(0), 6, 6), Rgb(0, 0, 255));
    colours->LoadCheckImages(9001, 9999);
    EXPECT_EQ(colours->CheckImages(), nullptr);
    EXPECT_NE(menu.CheckImages(), nullptr);
    Draw(red, ODS_CHECKED);
    EXPECT_TRUE(Images().empty());
    EXPECT_EQ(recorder.Of(DrawOp::Line).size(), 7u);
}

TEST_F(KestMenuTest, BitmapsAndImageListsGiveItemsTheirImages) {
    LoadMain();
    KestMenu& view = Popup(QStringLiteral("查看(&V)"));
    const std::size_t before = view.Items().size();

    // A bitmap: an own list with the image and its three variants, masked with the mask colour.
    QImage magenta = SquareImage(QColor(0, 128, 0));
    magenta.setPixelColor(0, 0, QColor(255, 0, 255));
    view.SetMaskColour(Rgb(255, 0, 255));
    ASSERT_TRUE(view.AppendItem(QStringLiteral("绿色(&G)"), 0, 40020, &magenta));
    const KestMenuData& green = *view.Items().back();
    ASSERT_NE(green.ownImages, nullptr);
    EXPECT_EQ(green.nOwnImageMark, 0);
    EXPECT_EQ(green.ownImages->GetImageCount(), 4);
    EXPECT_EQ(qAlpha(green.ownImages->Image(0).pixel(0, 0)), 0);
    EXPECT_EQ(PixelOf(green.ownImages->Image(0), 5, 5), Rgb(0, 128, 0));
    EXPECT_EQ(PixelOf(green.ownImages->Image(1), 5, 5), gdi::Lighten(Rgb(0, 128, 0), 0.3));
    // A null bitmap: no image at all, not even the command's shared one.
    ASSERT_TRUE(
        view.AppendMenu(MF_STRING, 32784, QStringLiteral("设定(&S)"), static_cast<const QImage*>(nullptr)));
    EXPECT_EQ(view.Items().back()->nSharedImage, -1);
    EXPECT_EQ(view.Items().back()->nOwnImageMark, -1);
    // The plain menu's argument order.
    ASSERT_TRUE(view.AppendMenu(MF_STRING, 32784, QStringLiteral("设定(&T)")));
    EXPECT_EQ(view.Items().back()->nSharedImage, menu.FindItemData(32784)->nSharedImage);
    ASSERT_TRUE(view.InsertMenu(0, MF_BYPOSITION, 0, QString()));
    EXPECT_EQ(view.Items()[0]->flags, MF_SEPARATOR | MF_OWNERDRAW | MF_BYPOSITION);
    ASSERT_EQ(view.Items().size(), before + 4);

    // An image list or bitmap given on insertion goes into the shared list, four entries.
    gdi::ImageList list(16, 15);
    list.Add(SquareImage(QColor(0, 0, 255)));
    const std::size_t shared = KestMenu::SharedImageCommands().size();
    ASSERT_TRUE(menu.InsertItem(32794, QStringLiteral("蓝色(&B)"), MF_BYCOMMAND, 40021, &list, 0));
    const KestMenuData* blue = menu.FindItemData(40021);
    ASSERT_NE(blue, nullptr);
    EXPECT_EQ(blue->nSharedImage, static_cast<int>(shared));
    EXPECT_TRUE(KestMenu::HasImageSet(blue->nSharedImage));
    EXPECT_EQ(PixelOf(KestMenu::SharedImages()->Image(blue->nSharedImage), 5, 5), Rgb(0, 0, 255));
    EXPECT_FALSE(menu.InsertMenu(49999, MF_BYCOMMAND, 40022, QStringLiteral("无处"), &list, 0));
    // Positions -1 and -2 both append.
    const QImage red = SquareImage(QColor(255, 0, 0));
    ASSERT_TRUE(view.InsertItem(-2, QStringLiteral("红色(&R)"), MF_BYPOSITION, 40023, &red));
    ASSERT_TRUE(view.InsertItem(-1, QStringLiteral("黄色(&Y)"), MF_BYPOSITION, 40024, &list, 0));
    EXPECT_EQ(view.Items()[view.Items().size() - 2]->nID, 40023);
    EXPECT_EQ(view.Items().back()->nID, 40024);
    EXPECT_EQ(view.GetMenu()->actions().size(), static_cast<qsizetype>(view.Items().size()));
    const int redIndex = view.Items()[view.Items().size() - 2]->nSharedImage;
    ASSERT_GE(redIndex, 0);
    EXPECT_EQ(PixelOf(KestMenu::SharedImages()->Image(redIndex), 5, 5), Rgb(255, 0, 0));

    // A bitmap for a command replaces its shared images in place, for every item of it.
    const int settings = menu.FindItemData(32784)->nSharedImage;
    const std::size_t count = KestMenu::SharedImageCommands().size();
    ASSERT_TRUE(menu.ModifyItem(QString(), 32784, &red));
    EXPECT_EQ(KestMenu::SharedImageCommands().size(), count);
    EXPECT_EQ(menu.FindItemData(32784)->nSharedImage, settings);
    EXPECT_EQ(view.Items().back()->nID, 40024);
    EXPECT_EQ(PixelOf(KestMenu::SharedImages()->Image(settings), 5, 5), Rgb(255, 0, 0));
    EXPECT_EQ(PixelOf(KestMenu::SharedImages()->Image(settings + 3), 5, 5), Rgb(170, 170, 170));
}

TEST_F(KestMenuTest, ColourSwatchesAndImagesFoundByText) {
    LoadMain();
    // An 8 × 8 swatch centred in the image, outlined and filled; the menu background around it
    // is the mask.
    const gdi::Size eight(8, 8);
    ASSERT_TRUE(menu.ModifyItem(QString(), 32784, Rgb(255, 0, 0), Rgb(0, 0, 255), -1, &eight));
    const QImage& swatch = KestMenu::SharedImages()->Image(menu.FindItemData(32784)->nSharedImage);
    EXPECT_EQ(qAlpha(swatch.pixel(3, 3)), 0);
    EXPECT_EQ(PixelOf(swatch, 4, 3), Rgb(0, 0, 255));
    EXPECT_EQ(PixelOf(swatch, 11, 10), Rgb(0, 0, 255));
    EXPECT_EQ(PixelOf(swatch, 7, 6), Rgb(255, 0, 0));
    EXPECT_EQ(qAlpha(swatch.pixel(12, 6)), 0);
    // Without a size the swatch fills the image; a hatch leaves gaps in white.
    const QImage hatched = KestMenu::ColourSwatch(Rgb(255, 0, 0), Rgb(0, 0, 255), gdi::HS_CROSS, {16, 15});
    EXPECT_EQ(PixelOf(hatched, 0, 0), Rgb(0, 0, 255));
    std::set<COLORREF> inside;
    for (int y = 1; y < 14; ++y)
        for (int x = 1; x < 15; ++x)
            inside.insert(PixelOf(hatched, x, y));
    EXPECT_EQ(inside, (std::set<COLORREF>{Rgb(255, 0, 0), Rgb(255, 255, 255)}));

    // By text anywhere in the tree: the new text and an own image from a 16-colour bitmap, its
    // black and greys taken from the system colours.
    gdi::SetSysColor(gdi::COLOR_BTNTEXT, Rgb(0, 0, 128));
    EXPECT_FALSE(menu.ModifyItemByText(QStringLiteral("新"), QStringLiteral("不存在"), 9001));
    ASSERT_TRUE(menu.ModifyItemByText(QStringLiteral("小贴士(&T)"), QStringLiteral("每日一贴(&T)"), 9001));
    const KestMenuData& tip = *menu.FindItemData(104);
    EXPECT_EQ(tip.text, QStringLiteral("小贴士(&T)"));
    EXPECT_EQ(Popup(QStringLiteral("帮助(&H)")).GetMenu()->actions()[2]->text(),
              QStringLiteral("小贴士(&T)"));
    ASSERT_NE(tip.ownImages, nullptr);
    EXPECT_EQ(tip.nOwnImageMark, 0);
    EXPECT_EQ(tip.ownImages->GetImageCount(), 4);
    const QImage& own = tip.ownImages->Image(0);
    EXPECT_EQ(PixelOf(own, 6, 9), Rgb(0, 0, 128));
    EXPECT_EQ(PixelOf(own, 12, 3), Rgb(255, 0, 0));
    EXPECT_EQ(PixelOf(own, 2, 2), gdi::GetSysColor(gdi::COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(qAlpha(own.pixel(0, 0)), 0);
    // A missing bitmap leaves the image as it was; the text still changes (null keeps it).
    ASSERT_TRUE(menu.ModifyItemByText(QString(), QStringLiteral("小贴士(&T)"), 9999));
    EXPECT_EQ(tip.text, QStringLiteral("小贴士(&T)"));
    EXPECT_EQ(tip.ownImages->GetImageCount(), 4);
}

TEST_F(KestMenuTest, ModifyingACommandStillToComeKeepsItsRecord) {
    LoadMain();
    KestMenu& help = Popup(QStringLiteral("帮助(&H)"));
    gdi::ImageList list(16, 15);
    list.Add(SquareImage(QColor(0, 0, 255)));

    // Nowhere yet: false, and the popup keeps the text and image for it, apart from its items.
    EXPECT_FALSE(help.ModifyItem(QStringLiteral("将来(&F)"), 40030, &list, 0));
    EXPECT_EQ(help.Items().size(), 9u);
    const KestMenuData* pending = help.FindItemData(40030);
    ASSERT_NE(pending, nullptr);
    EXPECT_EQ(pending->text, QStringLiteral("将来(&F)"));
    const int image = pending->nSharedImage;
    ASSERT_GE(image, 0);
    EXPECT_FALSE(help.ModifyItem(QStringLiteral("将来(&G)"), 40030));
    EXPECT_EQ(help.FindItemData(40030), pending);
    EXPECT_EQ(pending->text, QStringLiteral("将来(&G)"));

    // When other code adds the command, bringing the records in step takes that record in.
    auto* action = new QAction(QStringLiteral("到来(&C)"), help.GetMenu());
    action->setData(40030);
    help.GetMenu()->addAction(action);
    KestMenu::ResyncMenu(&help);
    ASSERT_EQ(help.Items().size(), 10u);
    EXPECT_EQ(help.Items().back()->nSharedImage, image);
    EXPECT_EQ(help.Items().back()->text, QStringLiteral("到来(&C)"));

    // An item other code put in front gets its record where it stands.
    auto* front = new QAction(QStringLiteral("外来"), help.GetMenu());
    front->setData(40031);
    help.GetMenu()->insertAction(help.GetMenu()->actions().first(), front);
    EXPECT_TRUE(menu.ModifyItem(QStringLiteral("外来(&O)"), 40031, &list, 0));
    ASSERT_EQ(help.Items().size(), 11u);
    EXPECT_EQ(help.Items()[0]->nID, 40031);
    EXPECT_EQ(help.Items()[0]->text, QStringLiteral("外来(&O)"));
    EXPECT_GE(help.Items()[0]->nSharedImage, 0);
    EXPECT_EQ(help.Items()[1]->text, QStringLiteral("快速入门(&Q)"));
}

TEST_F(KestMenuTest, DisabledImagesAsSilhouettes) {
    // Face, a black pixel, a yellow one and a white one.
    QImage bitmap(16, 15, QImage::Format_RGB32);
    bitmap.fill(gdi::ToQColor(gdi::GetSysColor(gdi::COLOR_3DFACE)));
    bitmap.setPixelColor(3, 3, Qt::black);
    bitmap.setPixelColor(8, 3, QColor(255, 255, 0));
    bitmap.setPixelColor(12, 3, Qt::white);
    const COLORREF back = Rgb(10, 20, 30);
    const COLORREF light = gdi::GetSysColor(gdi::COLOR_3DHIGHLIGHT);
    const COLORREF shadow = gdi::GetSysColor(gdi::COLOR_3DSHADOW);
    const auto draw = [&](auto helper) {
        gdi::BitmapDc dc(40, 40, Rgb(0, 255, 0));
        helper(dc, 10, 10, 16, 15, bitmap, back);
        return dc.Image().copy(10, 10, 17, 16);
    };
    // Embossed: only the dark pixel, lit one pixel right and down.
    const QImage embossed = draw(KestMenu::DrawEmbossedImage);
    EXPECT_EQ(PixelOf(embossed, 3, 3), shadow);
    EXPECT_EQ(PixelOf(embossed, 4, 4), light);
    EXPECT_EQ(PixelOf(embossed, 8, 3), back);
    EXPECT_EQ(PixelOf(embossed, 12, 3), back);
    EXPECT_EQ(PixelOf(embossed, 0, 0), back);
    EXPECT_EQ(PixelOf(embossed, 16, 0), Rgb(0, 255, 0)); // the frame stays as it was
    // Disabled: every pixel that is neither face nor light.
    const QImage disabled = draw(KestMenu::DrawDisabledBitmap);
    EXPECT_EQ(PixelOf(disabled, 3, 3), shadow);
    EXPECT_EQ(PixelOf(disabled, 8, 3), shadow);
    EXPECT_EQ(PixelOf(disabled, 9, 4), light);
    EXPECT_EQ(PixelOf(disabled, 12, 3), back);
    // Greyed: the disabled tint on the background.
    const QImage greyed = draw(KestMenu::DrawGreyedBitmap);
    EXPECT_EQ(PixelOf(greyed, 8, 3), gdi::DisabledTint(Rgb(255, 255, 0), shadow));
    EXPECT_EQ(PixelOf(greyed, 0, 0), back);

    // A menu resource by name: "#" and the number.
    EXPECT_TRUE(menu.LoadMenu(QStringLiteral("#128")));
    EXPECT_EQ(menu.Items().size(), 8u);
    EXPECT_FALSE(menu.LoadMenu(QStringLiteral("MAINMENU")));
    EXPECT_EQ(KestMenu::GetWindowsVersionCode(), 7);
    EXPECT_FALSE(KestMenu::IsClassicThemeActive());
}

TEST_F(KestMenuDrawTest, DisabledImagesWithoutASetAreMadeAtPaintTime) {
    // Classic: full-colour images seen, so the greyed tint at the image's size; with one-colour
    // disabled images the embossed silhouette, a pixel wider and higher for its lit edge.
    const KestMenuData& settings = *menu.FindItemData(32784);
    Draw(settings, ODS_GRAYED, false, true);
    ASSERT_EQ(Images().size(), 1u);
    EXPECT_EQ(Images()[0].flags, gdi::DST_BITMAP);
    EXPECT_EQ(Images()[0].rect, gdi::Rect(12, 43, 28, 58));
    menu.SetMonoDisabledImages(true);
    Draw(settings, ODS_GRAYED, false, true);
    ASSERT_EQ(Images().size(), 1u);
    EXPECT_EQ(Images()[0].rect, gdi::Rect(12, 43, 29, 59));

    // XP: an own list of one image has no set; the silhouette goes where the image would.
    KestMenuData single;
    single.text = QStringLiteral("单图(&D)");
    single.flags = MF_OWNERDRAW;
    single.ownImages = std::make_unique<gdi::ImageList>(16, 15);
    single.ownImages->Add(SquareImage(QColor(0, 0, 0)));
    single.nOwnImage = 0;
    single.nOwnImageMark = 0;
    Draw(single, ODS_GRAYED);
    ASSERT_EQ(Images().size(), 1u);
    EXPECT_EQ(Images()[0].flags, gdi::DST_BITMAP);
    EXPECT_EQ(Images()[0].rect.TopLeft(), gdi::Point(14, 44));
    Draw(single, 0);
    ASSERT_EQ(Images().size(), 1u);
    EXPECT_EQ(Images()[0].format, 0u);
}

} // namespace
