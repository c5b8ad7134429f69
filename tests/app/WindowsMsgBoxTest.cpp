#include "app/SplashWnd.h"
#include "controls/MsgBox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("信息提示【1秒后自动关闭】");

template <typename Predicate> bool WaitFor(Predicate done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// A key as the window system delivers it: the shortcut check first, then press and release.
void TypeKey(QWidget* target, Qt::Key key, const QString& text) {
    QKeyEvent override(QEvent::ShortcutOverride, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &override);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

void Click(QWidget* target) {
    const QPointF at(target->width() / 2, target->height() / 2);
    const QPointF global = target->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

} // namespace

TEST(WindowsMsgBox, HiddenWindowIsMadeOnceAndNeverShown) {
    QWidget parent;
    CMsgBox box;
    EXPECT_FALSE(box.IsCreated());
    EXPECT_EQ(box.CreateHidden(&parent), 1);
    EXPECT_EQ(box.CreateHidden(&parent), 0);
    EXPECT_TRUE(box.IsCreated());
    const auto windows =
        parent.findChildren<QWidget*>(QStringLiteral("{62BAB41D-B6BB-402C-89EF-5B86830DF68C}"));
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(ui::Dialog::GetDlgCtrlId(windows[0]), 1000);
    parent.show();
    EXPECT_FALSE(windows[0]->isVisible());
}

TEST(WindowsMsgBox, ShowsThroughTheMessageBoxServiceOwnedByItsWindow) {
    QWidget parent;
    CMsgBox box(&parent);
    ui::ScriptedMessageBoxes boxes;
    EXPECT_EQ(box.Show(QStringLiteral("完成"), kCaption, 1000, ui::MB_ICONINFORMATION, false), ui::IDOK);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, kCaption);
    EXPECT_EQ(boxes.Boxes()[0].type, ui::MB_ICONINFORMATION);
    EXPECT_EQ(box.GetCaption(), kCaption);
    EXPECT_FALSE(box.IsTimerActive()); // no auto-close, no timer
}

TEST(WindowsMsgBox, ClosesTheBoxItOpenedAndNoOtherWithTheSameCaption) {
    QWidget parent;
    CMsgBox box(&parent);
    // Somebody else's box with the very same caption.
    QMessageBox other;
    other.setWindowTitle(kCaption);
    other.show();

    QElapsedTimer clock;
    clock.start();
    box.Show(QStringLiteral("完成"), kCaption, 150, ui::MB_ICONINFORMATION, true);
    EXPECT_GE(clock.elapsed(), 140);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(other.isVisible());
    EXPECT_FALSE(box.IsTimerActive());
}

TEST(WindowsMsgBox, BoxClosedByTheUserLeavesNoTimerBehind) {
    QWidget parent;
    CMsgBox box(&parent);
    QTimer::singleShot(50, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            d->done(QMessageBox::Ok);
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(box.Show(QStringLiteral("完成"), kCaption, 3000, ui::MB_ICONINFORMATION, true), ui::IDOK);
    EXPECT_LT(clock.elapsed(), 2500);
    EXPECT_FALSE(box.IsTimerActive());
}

namespace {

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override {
        CSplashWindow::InstallAppMessageHook();
        auto* layout = new QVBoxLayout(&m_main);
        layout->addWidget(m_edit = new QLineEdit);
        layout->addWidget(m_button = new QPushButton(QStringLiteral("按钮")));
        QObject::connect(m_button, &QPushButton::clicked, [this] { ++m_clicks; });
        m_main.show();
        m_main.activateWindow();
        m_edit->setFocus();
    }
    void TearDown() override {
        if (CSplashWindow* splash = CSplashWindow::GetSplashWindow())
            splash->HideSplashScreen();
        CSplashWindow::EnableSplashScreen(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void ShowSplash() {
        CSplashWindow::EnableSplashScreen(true);
        CSplashWindow::ShowSplashScreen(&m_main);
        ASSERT_NE(CSplashWindow::GetSplashWindow(), nullptr);
        ASSERT_TRUE(CSplashWindow::GetSplashWindow()->isVisible());
    }

    QWidget m_main;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_button = nullptr;
    int m_clicks = 0;
};

} // namespace

TEST_F(SplashTest, DisabledSplashShowsNothingAndLetsEverythingPass) {
    CSplashWindow::ShowSplashScreen(&m_main);
    EXPECT_EQ(CSplashWindow::GetSplashWindow(), nullptr);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    EXPECT_FALSE(CSplashWindow::PreTranslateAppMessage(&key));
}

TEST_F(SplashTest, KeyPressClosesTheSplashAndIsConsumed) {
    ShowSplash();
    TypeKey(m_edit, Qt::Key_A, QStringLiteral("a"));
    EXPECT_EQ(CSplashWindow::GetSplashWindow(), nullptr);
    EXPECT_TRUE(m_edit->text().isEmpty());
    TypeKey(m_edit, Qt::Key_B, QStringLiteral("b"));
    EXPECT_EQ(m_edit->text(), QStringLiteral("b"));

    // A press that comes without the shortcut check is consumed as well.
    ShowSplash();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_D, Qt::NoModifier, QStringLiteral("d"));
    QApplication::sendEvent(m_edit, &press);
    EXPECT_EQ(CSplashWindow::GetSplashWindow(), nullptr);
    EXPECT_EQ(m_edit->text(), QStringLiteral("b"));
    // A second showing is possible once the first has gone, but only when asked for.
    QKeyEvent key(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, QStringLiteral("c"));
    EXPECT_FALSE(CSplashWindow::PreTranslateAppMessage(&key));
}

TEST_F(SplashTest, ClickClosesTheSplashWithoutReachingTheWindowUnderIt) {
    ShowSplash();
    QMouseEvent move(QEvent::MouseMove, QPointF(1, 1), QPointF(1, 1), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    EXPECT_FALSE(CSplashWindow::PreTranslateAppMessage(&move));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
    EXPECT_FALSE(CSplashWindow::PreTranslateAppMessage(&release));
    EXPECT_NE(CSplashWindow::GetSplashWindow(), nullptr);

    Click(m_button);
    EXPECT_EQ(CSplashWindow::GetSplashWindow(), nullptr);
    EXPECT_EQ(m_clicks, 0);
    Click(m_button);
    EXPECT_EQ(m_clicks, 1);
}

TEST_F(SplashTest, StaysAboveTheMainWindowThatComesUpAfterIt) {
    // As at start-up: the splash first, then the main window is shown, maximised and activated.
    m_main.hide();
    ShowSplash();
    CSplashWindow* splash = CSplashWindow::GetSplashWindow();
    EXPECT_TRUE(splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(splash->windowFlags().testFlag(Qt::SplashScreen));
    struct RaiseCounter : QObject {
        int raised = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            raised += e->type() == QEvent::ZOrderChange;
            return false;
        }
    } counter;
    splash->installEventFilter(&counter);
    m_main.showMaximized();
    m_main.activateWindow();
    QCoreApplication::processEvents();
    EXPECT_GE(counter.raised, 1); // raised again once the main window was up
    EXPECT_TRUE(splash->isVisible());
    splash->removeEventFilter(&counter);
}

TEST_F(SplashTest, GoesAwayByItselfAfterItsTime) {
    ShowSplash();
    CSplashWindow::ShowSplashScreen(&m_main); // one at a time
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(WaitFor([] { return CSplashWindow::GetSplashWindow() == nullptr; }, 5000));
    EXPECT_GE(clock.elapsed(), 1400);
}
