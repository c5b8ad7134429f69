#pragma once
// The splash window: the program's picture with its version over it while the main window comes
// up. It closes after 1.5 s or at the first key or mouse press, which it swallows.

#include "controls/Picture.h"

#include <QBasicTimer>
#include <QWidget>

class QEvent;

class CSplashWindow : public QWidget {
    Q_OBJECT
public:
    ~CSplashWindow() override;

    static void EnableSplashScreen(bool enable = true);
    // Shows the splash once, owned by `parent`, when enabled and none is up.
    static void ShowSplashScreen(QWidget* parent = nullptr);
    // The application's first look at every event: while the splash is up, a key or mouse press
    // closes it and is consumed (true). Everything else passes (false).
    static bool PreTranslateAppMessage(QEvent* event);
    // Installs PreTranslateAppMessage as an event filter on the application object (once).
    static void InstallAppMessageHook();

    // The splash on screen, or null.
    static CSplashWindow* GetSplashWindow() { return c_pSplashWnd; }
    static bool IsSplashScreenEnabled() { return c_bShowSplashWnd; }

    void HideSplashScreen();

    static constexpr int kPictureId = 180;
    static constexpr int kTimerDelayMs = 1500;

protected:
    CSplashWindow();
    bool Create(QWidget* parent);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    CPicture m_pic;
    QBasicTimer m_timer; // timer 1
    int m_swallowKey = 0;

    static bool c_bShowSplashWnd;
    static CSplashWindow* c_pSplashWnd;
};
