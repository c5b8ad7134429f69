#include "app/SplashWnd.h"

#include "app/VersionInfo.h"
#include "platform/gdi/Font.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

namespace {

// The application's first look at every event, as an event filter on the application object.
class SplashMessageHook : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override {
        return CSplashWindow::PreTranslateAppMessage(event);
    }
};

// A key pressed to close the splash: its press is consumed too when it arrives after the
// shortcut check that already closed the splash.
int g_swallowKey = 0;

} // namespace

bool CSplashWindow::c_bShowSplashWnd = false;
CSplashWindow* CSplashWindow::c_pSplashWnd = nullptr;

// Above the main window under a window manager too: the frame is mapped after the splash, and a
// window manager stacks a newly mapped window on top unless the splash asks to stay above.
CSplashWindow::CSplashWindow()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

CSplashWindow::~CSplashWindow() {
    if (c_pSplashWnd == this)
        c_pSplashWnd = nullptr;
}

void CSplashWindow::EnableSplashScreen(bool enable) {
    c_bShowSplashWnd = enable;
}

void CSplashWindow::ShowSplashScreen(QWidget* parent) {
    if (!c_bShowSplashWnd || c_pSplashWnd)
        return;
    auto* splash = new CSplashWindow;
    if (!splash->Create(parent)) {
        delete splash;
        return;
    }
    c_pSplashWnd = splash;
    splash->repaint();
}

void CSplashWindow::InstallAppMessageHook() {
    static QObject* hook = nullptr;
    if (hook || !qApp)
        return;
    hook = new SplashMessageHook(qApp);
    qApp->installEventFilter(hook);
}

bool CSplashWindow::PreTranslateAppMessage(QEvent* event) {
    if (!event)
        return false;
    const QEvent::Type type = event->type();
    if (g_swallowKey != 0 && (type == QEvent::KeyPress || type == QEvent::KeyRelease)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool swallow = type == QEvent::KeyPress && key == g_swallowKey;
        g_swallowKey = 0;
        if (swallow)
            return true;
    }
    if (!c_pSplashWnd)
        return false;
    switch (type) {
    case QEvent::ShortcutOverride:
        // Seen before the key press: accepting it keeps an accelerator from running.
        event->accept();
        g_swallowKey = static_cast<QKeyEvent*>(event)->key();
        c_pSplashWnd->HideSplashScreen();
        return true;
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
        c_pSplashWnd->HideSplashScreen();
        return true;
    default:
        return false;
    }
}

bool CSplashWindow::Create(QWidget* parent) {
    if (!m_pic.LoadFromResource(kPictureId, QStringLiteral("GIF")))
        return false;
    if (parent) {
        setParent(parent, windowFlags()); // owned by the parent, still a window of its own
        parent->installEventFilter(this);
    }
    setCursor(Qt::ArrowCursor);
    resize(m_pic.m_Width, m_pic.m_Height);

    // Centred over the owner when it is on screen, else on the screen.
    QRect area;
    if (parent && parent->isVisible())
        area = parent->frameGeometry();
    else if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
    show();
    m_timer.start(kTimerDelayMs, this);
    return true;
}

void CSplashWindow::HideSplashScreen() {
    if (c_pSplashWnd == this)
        c_pSplashWnd = nullptr;
    m_timer.stop();
    QWidget* owner = parentWidget();
    hide();
    // Deleted once the event that closed it has been handled.
    deleteLater();
    if (owner)
        owner->update();
}

bool CSplashWindow::eventFilter(QObject* watched, QEvent* event) {
    // The owner coming up (shown, maximised, activated) would cover the splash: raise it again
    // once the owner's window is on screen.
    if (watched == parentWidget() && isVisible())
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::WindowStateChange:
        case QEvent::WindowActivate:
            QMetaObject::invokeMethod(this, &QWidget::raise, Qt::QueuedConnection);
            break;
        default:
            break;
        }
    return QWidget::eventFilter(watched, event);
}

void CSplashWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_timer.timerId())
        HideSplashScreen();
    else
        QWidget::timerEvent(event);
}

void CSplashWindow::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    const QRect client = rect();
    m_pic.Render(&dc, client);

    const QString text = GetFileVersionString();
    gdi::LOGFONT lf;
    lf.lfHeight = -11;
    lf.lfWeight = gdi::FW_NORMAL;
    lf.lfCharSet = gdi::ANSI_CHARSET;
    lf.lfOutPrecision = 3;   // OUT_STROKE_PRECIS
    lf.lfClipPrecision = 2;  // CLIP_STROKE_PRECIS
    lf.lfQuality = 1;        // DRAFT_QUALITY
    lf.lfPitchAndFamily = 2; // VARIABLE_PITCH
    lf.lfFaceName = QStringLiteral("Tahoma");
    const QFont font = gdi::ToQFont(lf);
    dc.setFont(font);
    const QFontMetrics fm(font);
    const int w = fm.horizontalAdvance(text);
    const int h = fm.height();
    dc.setPen(Qt::black);
    dc.drawText(QRect(client.width() - w - 250, client.height() - h - 262, w, h),
                Qt::AlignLeft | Qt::AlignTop, text);
}
