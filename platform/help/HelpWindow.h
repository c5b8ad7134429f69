#pragma once
// The help viewer: one window with the pages, a contents button and back/forward.

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace help {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // The one help window, created on first use.
    static HelpWindow& Instance(QWidget* owner);
    static void CloseInstance();

    void ShowPage(const QUrl& page);

private:
    explicit HelpWindow(QWidget* owner);

    QTextBrowser* m_browser;
    QUrl m_home;
    static QPointer<HelpWindow> s_instance;
};

} // namespace help
