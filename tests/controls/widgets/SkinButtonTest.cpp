// The skinned push button: its images and their copies, its state colours, clicks in check, menu
// and link mode, hover, focus, transparency, and the faces it draws in each state.

#include "controls/SkinButton.h"
#include "controls/BitmapDialog.h"
#include "platform/gdi/Dc.h"
#include "platform/gdi/Recorder.h"
#include "platform/gdi/System.h"
#include "platform/text/Gbk.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Shell.h"
#include "platform/ui/Sound.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using gdi::COLORREF;
using gdi::DrawOp;
using gdi::Rgb;

namespace {

constexpr COLORREF kOrange = Rgb(200, 100, 50);

// A 10 × 10 icon: transparent, with an orange block and a black outline pixel.
QImage TestIcon() {
    QImage icon(10, 10, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    for (int y = 2; y < 8; ++y)
        for (int x = 2; x < 8; ++x)
            icon.setPixelColor(x, y, QColor(200, 100, 50));
    icon.setPixelColor(2, 2, Qt::black);
    return icon;
}

COLORREF PixelAt(const QImage& image, int x, int y) {
    return gdi::FromQColor(image.pixelColor(x, y));
}

void Move(QWidget* w, QPoint pos) {
    QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

void Send(QWidget* w, QEvent::Type type, QPoint pos) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, pos, w->mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Click(QWidget* w) {
    Send(w, QEvent::MouseButtonPress, QPoint(5, 5));
    Send(w, QEvent::MouseButtonRelease, QPoint(5, 5));
}

// Receives window messages, as a dialog's owner would.
class Owner : public QObject {
public:
    bool event(QEvent* e) override {
        if (ui::WindowMessage* m = ui::AsWindowMessage(e)) {
            messages.push_back({m->Message(), m->WParam(), m->LParam()});
            return true;
        }
        return QObject::event(e);
    }
    struct Message {
        unsigned message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };
    std::vector<Message> messages;
};

// The icon sits centred in a 30 × 30 button without caption: (10, 10) to (20, 20).
TEST(SkinButton, GreyCopyAtRestAndTheColouredIconUnderTheMouse) {
    CSkinButton button;
    button.resize(30, 30);
    ASSERT_EQ(button.SetIconHandles(TestIcon(), CSkinButton::GREY_COPY), CSkinButton::BTNST_OK);
    QImage rest = button.grab().toImage();
    EXPECT_EQ(PixelAt(rest, 14, 14), Rgb(124, 124, 124));
    EXPECT_EQ(PixelAt(rest, 12, 12), Rgb(0, 0, 0)); // the black outline stays black
    EXPECT_EQ(PixelAt(rest, 10, 10), gdi::GetSysColor(gdi::COLOR_3DFACE));

    Move(&button, QPoint(15, 15));
    EXPECT_TRUE(button.IsHovered());
    EXPECT_EQ(PixelAt(button.grab().toImage(), 14, 14), kOrange);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.IsHovered());

    button.SetIconHandles(TestIcon(), CSkinButton::DARK_COPY);
    EXPECT_EQ(PixelAt(button.grab().toImage(), 14, 14), Rgb(150, 75, 37));
    // Pressed shows the first icon, moved by the press shift.
    button.setDown(true);
    EXPECT_EQ(PixelAt(button.grab().toImage(), 15, 15), kOrange);
    EXPECT_EQ(PixelAt(button.grab().toImage(), 12, 12), gdi::GetSysColor(gdi::COLOR_3DFACE));
}

TEST(SkinButton, IconsFromTheProgramResources) {
    CSkinButton button;
    ASSERT_EQ(button.SetIcon(128, CSkinButton::GREY_COPY), CSkinButton::BTNST_OK);
    const QImage& first = button.GetIconImage(0);
    const QImage& grey = button.GetIconImage(1);
    ASSERT_EQ(first.size(), QSize(32, 32));
    int coloured = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QColor c = first.pixelColor(x, y), g = grey.pixelColor(x, y);
            coloured += c.red() != c.green() || c.green() != c.blue();
            EXPECT_TRUE(g.red() == g.green() && g.green() == g.blue());
            EXPECT_EQ(g.alpha(), c.alpha());
        }
    EXPECT_GT(coloured, 0);
    EXPECT_EQ(button.SetIcon(9999, CSkinButton::GREY_COPY), CSkinButton::BTNST_INVALIDRESOURCE);
    EXPECT_TRUE(button.GetIconImage(0).isNull());
    EXPECT_EQ(button.SetIcon(128, 9999), CSkinButton::BTNST_INVALIDRESOURCE);
}

TEST(SkinButton, MaskedBitmapsLeaveTheirTransparentColourOut) {
    const COLORREF magenta = Rgb(255, 0, 255);
    QImage bitmap(10, 10, QImage::Format_RGB32);
    bitmap.fill(QColor(255, 0, 255));
    for (int x = 0; x < 10; ++x)
        bitmap.setPixelColor(x, 5, QColor(200, 100, 50));
    CSkinButton button;
    button.resize(30, 30);
    ASSERT_EQ(button.SetBitmapHandles(bitmap, magenta, CSkinButton::DARK_COPY), CSkinButton::BTNST_OK);
    const QImage rest = button.grab().toImage();
    EXPECT_EQ(PixelAt(rest, 14, 15), Rgb(150, 75, 37));
    EXPECT_EQ(PixelAt(rest, 14, 12), gdi::GetSysColor(gdi::COLOR_3DFACE));
    Move(&button, QPoint(15, 15));
    EXPECT_EQ(PixelAt(button.grab().toImage(), 14, 15), kOrange);
    // Disabled: embossed in the 3-D colours.
    button.setEnabled(false);
    const QImage disabled = button.grab().toImage();
    EXPECT_EQ(PixelAt(disabled, 14, 15), gdi::GetSysColor(gdi::COLOR_3DSHADOW));
    EXPECT_EQ(PixelAt(disabled, 14, 16), gdi::GetSysColor(gdi::COLOR_3DHIGHLIGHT));
    EXPECT_EQ(button.LoadBitmaps(9999, magenta), CSkinButton::BTNST_INVALIDRESOURCE);
}

TEST(SkinButton, StateColoursShadeWithinTheirLimits) {
    CSkinButton button;
    COLORREF c = 0;
    ASSERT_EQ(button.GetStateColour(CSkinButton::BTNST_COLOR_BK_IN, &c), 0);
    EXPECT_EQ(c, gdi::GetSysColor(gdi::COLOR_3DFACE));
    ASSERT_EQ(button.GetStateColour(CSkinButton::BTNST_COLOR_FG_OUT, &c), 0);
    EXPECT_EQ(c, gdi::GetSysColor(gdi::COLOR_BTNTEXT));

    button.SetStateColour(0, kOrange);
    EXPECT_EQ(button.ShadeStateColour(0, 100), 0);
    button.GetStateColour(0, &c);
    EXPECT_EQ(c, Rgb(255, 155, 105)); // held to 55 by the red channel
    button.SetStateColour(1, kOrange);
    button.ShadeStateColour(1, -100);
    button.GetStateColour(1, &c);
    EXPECT_EQ(c, Rgb(150, 50, 0)); // held to -50 by the blue channel

    EXPECT_EQ(button.ShadeStateColour(0, 256), CSkinButton::BTNST_BADPARAM);
    EXPECT_EQ(button.ShadeStateColour(0, -256), CSkinButton::BTNST_BADPARAM);
    EXPECT_EQ(button.ShadeStateColour(6, 10), CSkinButton::BTNST_INVALIDINDEX);
    EXPECT_EQ(button.ShadeStateColour(6, 999), CSkinButton::BTNST_INVALIDINDEX);
    EXPECT_EQ(button.SetStateColour(-1, 0), CSkinButton::BTNST_INVALIDINDEX);
    EXPECT_EQ(button.GetStateColour(6, &c), CSkinButton::BTNST_INVALIDINDEX);
    EXPECT_EQ(button.SetImagePlacement(4), CSkinButton::BTNST_INVALIDPLACEMENT);
    EXPECT_EQ(button.SetPressShift(2), CSkinButton::BTNST_INVALIDPRESSSTYLE);

    button.ResetStateColours();
    button.GetStateColour(0, &c);
    EXPECT_EQ(c, gdi::GetSysColor(gdi::COLOR_3DFACE));
}

TEST(SkinButton, ADoubleClickIsTwoClicks) {
    CSkinButton button(QStringLiteral("确定"));
    button.resize(60, 24);
    QSignalSpy clicks(&button, &QPushButton::clicked);
    Send(&button, QEvent::MouseButtonPress, QPoint(5, 5));
    Send(&button, QEvent::MouseButtonRelease, QPoint(5, 5));
    Send(&button, QEvent::MouseButtonDblClick, QPoint(5, 5));
    Send(&button, QEvent::MouseButtonRelease, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 2);
}

TEST(SkinButton, CheckButtonsToggleAndAnswerTheirState) {
    CSkinButton check(QStringLiteral("跟踪"), nullptr, BS_AUTOCHECKBOX);
    check.resize(60, 24);
    QSignalSpy clicks(&check, &QPushButton::clicked);
    EXPECT_FALSE(check.IsChecked());
    Click(&check);
    EXPECT_TRUE(check.IsChecked());
    EXPECT_EQ(ui::SendMessage(&check, BM_GETCHECK), BST_CHECKED);
    Click(&check);
    EXPECT_EQ(ui::SendMessage(&check, BM_GETCHECK), BST_UNCHECKED);
    EXPECT_EQ(clicks.count(), 2); // the click still reaches the dialog
    ui::SendMessage(&check, BM_SETCHECK, BST_INDETERMINATE);
    EXPECT_TRUE(check.IsChecked());
    ui::SendMessage(&check, BM_SETCHECK, 3);
    EXPECT_FALSE(check.IsChecked());
    check.SetChecked(true);
    EXPECT_TRUE(check.IsChecked());

    CSkinButton plain;
    plain.SetChecked(true);
    EXPECT_FALSE(plain.IsChecked());
    Click(&plain);
    EXPECT_FALSE(plain.IsChecked());
}

TEST(SkinButton, DefaultButtonsFromTheStyle) {
    CSkinButton ok(QStringLiteral("确定"), nullptr, BS_DEFPUSHBUTTON);
    EXPECT_TRUE(ok.IsDefaultButton());
    EXPECT_EQ(ui::SendMessage(&ok, WM_GETDLGCODE), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    ui::SendMessage(&ok, BM_SETSTYLE, BS_PUSHBUTTON, 1);
    EXPECT_FALSE(ok.IsDefaultButton());
    EXPECT_EQ(ui::SendMessage(&ok, WM_GETDLGCODE), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
    ui::SendMessage(&ok, BM_SETSTYLE, BS_DEFPUSHBUTTON, 1);
    EXPECT_TRUE(ok.IsDefaultButton());
}

TEST(SkinButton, MenuChoiceIsPostedAfterTheMenuClosesAndDismissalPostsNothing) {
    Owner owner, notified;
    CSkinButton button(QStringLiteral("跟踪"));
    button.resize(60, 24);
    EXPECT_EQ(button.SetMenu(9999, &owner), CSkinButton::BTNST_INVALIDRESOURCE);
    ASSERT_EQ(button.SetMenu(183, &owner), CSkinButton::BTNST_OK);
    button.SetMenuNotify(&notified, ui::WM_USER + 7, 42);

    bool shownWhileOpen = false;
    std::size_t postedWhileOpen = 99;
    ui::SetMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
        shownWhileOpen = button.IsMenuShown();
        QCoreApplication::sendPostedEvents(&owner);
        postedWhileOpen = owner.messages.size();
        for (QAction* action : menu.actions())
            if (action->data().toInt() == 32822)
                return action;
        return nullptr;
    });
    Click(&button);
    EXPECT_TRUE(shownWhileOpen);
    EXPECT_EQ(postedWhileOpen, 0u);
    EXPECT_FALSE(button.IsMenuShown());
    ASSERT_EQ(notified.messages.size(), 1u);
    EXPECT_EQ(notified.messages[0].message, ui::WM_USER + 7);
    EXPECT_EQ(notified.messages[0].wParam, reinterpret_cast<std::uintptr_t>(button.GetMenu()));
    EXPECT_EQ(notified.messages[0].lParam, 42);
    EXPECT_TRUE(owner.messages.empty()); // posted, not sent
    QCoreApplication::sendPostedEvents(&owner);
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].message, ui::WM_COMMAND);
    EXPECT_EQ(owner.messages[0].wParam, 32822u);
    EXPECT_EQ(owner.messages[0].lParam, 0);

    ui::SetMenuRunner([](QMenu&, const QPoint&) -> QAction* { return nullptr; });
    Click(&button);
    QCoreApplication::sendPostedEvents(&owner);
    EXPECT_EQ(owner.messages.size(), 1u);
    ui::SetMenuRunner({});
}

TEST(SkinButton, LinksAndSoundsAreCutTo260Bytes) {
    ui::RecordingShell shell;
    ui::ResetSoundRequests();
    CSkinButton button(QStringLiteral("主页"));
    button.resize(60, 24);
    const QString longUrl = QStringLiteral("http://example.com/") + QString(300, QLatin1Char('a'));
    button.SetLinkTarget(longUrl);
    EXPECT_EQ(button.GetLinkTarget(), longUrl.left(260));
    button.SetLinkTarget(QStringLiteral("http://example.com/") + QString(200, QChar(0x6821)));
    EXPECT_EQ(text::GbkLength(button.GetLinkTarget()), 259); // 19 + 120 whole characters
    button.SetLinkTarget(QStringLiteral("http://example.com/veltora"));

    button.SetButtonSound(QStringLiteral("click.wav"), QString(), true, true);
    button.SetButtonSound(QStringLiteral("HOVER"), QStringLiteral("drensil"), false, false);
    EXPECT_EQ(button.GetSoundFlags(true), 0x22003u);
    EXPECT_EQ(button.GetSoundFlags(false), 0x42006u);
    Move(&button, QPoint(5, 5));
    Click(&button);
    ASSERT_EQ(shell.Opened().size(), 1);
    EXPECT_EQ(shell.Opened()[0], QUrl(QStringLiteral("http://example.com/veltora")));
    const auto sounds = ui::SoundRequests();
    ASSERT_EQ(sounds.size(), 2u);
    EXPECT_EQ(sounds[0].name, QStringLiteral("HOVER"));
    EXPECT_EQ(sounds[0].module, QStringLiteral("drensil"));
    EXPECT_EQ(sounds[1].name, QStringLiteral("click.wav"));
    EXPECT_EQ(sounds[1].flags, 0x22003u);
    button.SetButtonSound(QString(), QString(), true);
    EXPECT_EQ(button.GetSoundFlags(true), 0u);
}

TEST(SkinButton, TooltipsAreTheButtonsOwn) {
    CSkinButton button;
    button.SetTooltipText(QStringLiteral("设置入口和出口考试"));
    EXPECT_EQ(button.toolTip(), QStringLiteral("设置入口和出口考试"));
    button.ShowTooltip(false);
    EXPECT_TRUE(button.toolTip().isEmpty());
    button.ShowTooltip(true);
    EXPECT_EQ(button.toolTip(), QStringLiteral("设置入口和出口考试"));
    button.SetTooltipText(999999); // no such string: nothing changes
    EXPECT_EQ(button.GetTooltipText(), QStringLiteral("设置入口和出口考试"));
}

TEST(SkinButton, FocusLeavesAButtonDisabledWhileFocused) {
    QWidget dialog;
    auto* first = new CSkinButton(QStringLiteral("确定"), &dialog);
    auto* second = new CSkinButton(QStringLiteral("退出"), &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(first);
    layout->addWidget(second);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    first->setFocus();
    ASSERT_TRUE(first->hasFocus());
    Move(first, QPoint(5, 5));
    EXPECT_TRUE(first->IsHovered());
    first->setEnabled(false);
    EXPECT_TRUE(second->hasFocus());
    EXPECT_FALSE(first->IsHovered());
}

// The faces, read from the drawing calls of a 80 × 24 button with the caption "确定".
class SkinButtonFaces : public ::testing::Test {
protected:
    SkinButtonFaces() : button(QStringLiteral("确定")) {
        button.resize(80, 24);
        button.SetStateColour(CSkinButton::BTNST_COLOR_BK_IN, Rgb(1, 0, 0));
        button.SetStateColour(CSkinButton::BTNST_COLOR_FG_IN, Rgb(2, 0, 0));
        button.SetStateColour(CSkinButton::BTNST_COLOR_BK_OUT, Rgb(3, 0, 0));
        button.SetStateColour(CSkinButton::BTNST_COLOR_FG_OUT, Rgb(4, 0, 0));
        button.SetStateColour(CSkinButton::BTNST_COLOR_BK_FOCUS, Rgb(5, 0, 0));
        button.SetStateColour(CSkinButton::BTNST_COLOR_FG_FOCUS, Rgb(6, 0, 0));
    }

    gdi::Recorder Draw(unsigned state) {
        gdi::Recorder rec;
        gdi::Dc dc(&rec);
        button.DrawItem(dc, state);
        return rec;
    }

    static std::vector<gdi::DrawCall> Texts(const gdi::Recorder& rec) { return rec.Of(DrawOp::Text); }

    CSkinButton button;
};

TEST_F(SkinButtonFaces, RestingFlatButtonHasNoBorder) {
    const gdi::Recorder rec = Draw(0);
    ASSERT_FALSE(rec.Of(DrawOp::Fill).empty());
    EXPECT_EQ(rec.Of(DrawOp::Fill)[0].rect, gdi::Rect(0, 0, 80, 24));
    EXPECT_EQ(rec.Of(DrawOp::Fill)[0].colour, Rgb(3, 0, 0));
    EXPECT_EQ(rec.Of(DrawOp::Fill).size(), 1u);
    EXPECT_TRUE(rec.Of(DrawOp::Line).empty());
    EXPECT_TRUE(rec.Of(DrawOp::FocusRect).empty()); // a flat button shows no focus frame
    const auto texts = Texts(rec);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].colour, Rgb(4, 0, 0));
    EXPECT_EQ(texts[0].text, QStringLiteral("确定"));
    // Centred: as much room on the left as on the right.
    EXPECT_NEAR(texts[0].textOrigin.x, (80 - texts[0].textSize.cx) / 2, 1);
}

TEST_F(SkinButtonFaces, HoveredFlatButtonIsRaised) {
    Move(&button, QPoint(10, 10));
    const gdi::Recorder rec = Draw(0);
    const auto fills = rec.Of(DrawOp::Fill);
    ASSERT_EQ(fills.size(), 5u); // the face and the four sides of the raised rectangle
    EXPECT_EQ(fills[0].colour, Rgb(1, 0, 0));
    EXPECT_EQ(fills[1].colour, gdi::GetSysColor(gdi::COLOR_3DHIGHLIGHT)); // top
    EXPECT_EQ(fills[3].colour, gdi::GetSysColor(gdi::COLOR_3DSHADOW));    // right
    EXPECT_EQ(Texts(rec)[0].colour, Rgb(2, 0, 0));
}

TEST_F(SkinButtonFaces, PressedFlatButtonIsSunkenAndShifted) {
    const gdi::Recorder rest = Draw(0);
    const gdi::Recorder rec = Draw(ODS_SELECTED);
    const auto fills = rec.Of(DrawOp::Fill);
    ASSERT_EQ(fills.size(), 5u);
    EXPECT_EQ(fills[0].colour, Rgb(1, 0, 0));
    EXPECT_EQ(fills[1].colour, gdi::GetSysColor(gdi::COLOR_3DSHADOW));
    EXPECT_EQ(fills[3].colour, gdi::GetSysColor(gdi::COLOR_3DHIGHLIGHT));
    EXPECT_EQ(Texts(rec)[0].textOrigin, Texts(rest)[0].textOrigin + gdi::Point(1, 1));
    button.SetPressShift(1);
    EXPECT_EQ(Texts(Draw(ODS_SELECTED))[0].textOrigin, Texts(rest)[0].textOrigin + gdi::Point(0, 2));
}

TEST_F(SkinButtonFaces, FocusedThreeDButtonIsFramedWithTheClassicEdge) {
    button.SetFlatLook(false);
    const gdi::Recorder rec = Draw(ODS_FOCUS);
    const auto frames = rec.Of(DrawOp::Frame);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].rect, gdi::Rect(0, 0, 80, 24));
    EXPECT_EQ(frames[0].colour, Rgb(0, 0, 0));
    EXPECT_EQ(rec.Of(DrawOp::Fill)[0].rect, gdi::Rect(1, 1, 79, 23));
    EXPECT_EQ(rec.Of(DrawOp::Fill)[0].colour, Rgb(5, 0, 0));
    const auto lines = rec.Of(DrawOp::Line);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0].from, gdi::Point(1, 22)); // up the left side from the bottom-left corner
    EXPECT_EQ(lines[0].colour, gdi::GetSysColor(gdi::COLOR_3DHIGHLIGHT));
    EXPECT_EQ(lines[4].colour, gdi::GetSysColor(gdi::COLOR_3DDKSHADOW));
    EXPECT_EQ(lines[5].to, gdi::Point(78, 0)); // up the right side
    ASSERT_EQ(rec.Of(DrawOp::FocusRect).size(), 1u);
    EXPECT_EQ(rec.Of(DrawOp::FocusRect)[0].rect, gdi::Rect(4, 4, 76, 20));
    EXPECT_EQ(Texts(rec)[0].colour, Rgb(6, 0, 0));

    // Pressed, a 3-D button gets a plain shadow frame instead of the edge.
    const gdi::Recorder pressed = Draw(ODS_SELECTED | ODS_FOCUS);
    EXPECT_TRUE(pressed.Of(DrawOp::Line).empty());
    ASSERT_EQ(pressed.Of(DrawOp::Frame).size(), 2u);
    EXPECT_EQ(pressed.Of(DrawOp::Frame)[1].colour, gdi::GetSysColor(gdi::COLOR_3DSHADOW));
}

TEST_F(SkinButtonFaces, DisabledCaptionIsEngraved) {
    const auto texts = Texts(Draw(ODS_DISABLED));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].colour, gdi::GetSysColor(gdi::COLOR_3DHIGHLIGHT));
    EXPECT_EQ(texts[1].colour, gdi::GetSysColor(gdi::COLOR_3DSHADOW));
    EXPECT_EQ(texts[0].textOrigin, texts[1].textOrigin + gdi::Point(1, 1));
}

TEST_F(SkinButtonFaces, ImagePlacementMovesTheCaption) {
    button.SetIconHandles(TestIcon(), 0);
    const gdi::Recorder left = Draw(0);
    ASSERT_EQ(left.Of(DrawOp::Image).size(), 1u);
    EXPECT_EQ(left.Of(DrawOp::Image)[0].rect, gdi::Rect(3, 7, 13, 17));
    // The caption is centred in what is right of the image.
    EXPECT_NEAR(Texts(left)[0].textOrigin.x, 13 + (67 - Texts(left)[0].textSize.cx) / 2, 1);

    button.SetImagePlacement(1);
    const gdi::Recorder above = Draw(0);
    EXPECT_EQ(above.Of(DrawOp::Image)[0].rect, gdi::Rect(35, 3, 45, 13));
    EXPECT_GT(Texts(above)[0].rect.top, Texts(left)[0].rect.top);

    button.SetImagePlacement(3);
    EXPECT_EQ(Draw(0).Of(DrawOp::Image)[0].rect, gdi::Rect(0, 0, 10, 10));
    EXPECT_EQ(Draw(ODS_DISABLED).Of(DrawOp::Image)[0].flags, gdi::DST_ICON | gdi::DSS_DISABLED);

    button.FitToImage();
    EXPECT_EQ(button.size(), QSize(10, 10));
}

// A bitmap dialog that hands its background to one transparent button.
class BackgroundDialog : public CBitmapDialog {
public:
    BackgroundDialog() : CBitmapDialog(0) {
        button = new CSkinButton(QString(), this);
        button->setGeometry(10, 10, 20, 20);
    }
    void OnBackgroundReady(const QImage& background) override { handed = button->SetBkFromDC(background); }
    CSkinButton* button;
    int handed = -1;
};

TEST(SkinButton, TransparentButtonsShowTheBackgroundUnderThem) {
    QImage picture(40, 40, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    for (int y = 0; y < 40; ++y)
        picture.setPixelColor(15, y, Qt::red);
    BackgroundDialog dialog;
    dialog.resize(40, 40);
    ASSERT_EQ(dialog.SetBitmap(picture), 0);
    dialog.SetPlacement(7);
    CSkinButton& button = *dialog.button;
    EXPECT_EQ(button.SetBkFromDC(picture), CSkinButton::BTNST_BADPARAM); // not transparent yet
    button.SetTransparent();
    EXPECT_EQ(button.SetBkFromDC(QImage()), CSkinButton::BTNST_BADPARAM);

    // The first paint copies the dialog's background itself.
    const QImage first = button.grab().toImage();
    EXPECT_EQ(PixelAt(first, 5, 3), Rgb(255, 0, 0));
    EXPECT_EQ(PixelAt(first, 2, 3), Rgb(0, 0, 255));

    // Each painting of the dialog hands the picture over again.
    for (int y = 0; y < 40; ++y)
        picture.setPixelColor(12, y, Qt::green);
    dialog.SetBitmap(picture);
    (void)dialog.grab();
    EXPECT_EQ(dialog.handed, CSkinButton::BTNST_OK);
    EXPECT_EQ(PixelAt(button.grab().toImage(), 2, 3), Rgb(0, 255, 0));
    EXPECT_EQ(button.GetSavedBackground().size(), QSize(20, 20));
}

} // namespace
