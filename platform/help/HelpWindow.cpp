#include "platform/help/HelpWindow.h"

#include "platform/db/FileGuard.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace help {
namespace {

// Pages, pictures and style sheets are read by the browser itself: a link to a file of the open
// database reads nothing.
class PageBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int type, const QUrl& name) override {
        const QUrl url = source().resolved(name);
        if (url.isLocalFile() && db::IsDatabaseFile(url.toLocalFile(), db::FileUse::kRead))
            return {};
        return QTextBrowser::loadResource(type, name);
    }
};

} // namespace

QPointer<HelpWindow> HelpWindow::s_instance;

HelpWindow& HelpWindow::Instance(QWidget* owner) {
    if (!s_instance) {
        s_instance = new HelpWindow(owner);
    } else if (owner && s_instance->parentWidget() != owner) {
        // A modal dialog blocks every window but its own: the help asked from it goes with it.
        s_instance->setParent(owner, Qt::Window);
    }
    return *s_instance;
}

void HelpWindow::CloseInstance() {
    if (s_instance)
        s_instance->close();
}

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window), m_browser(new PageBrowser(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Veltora 帮助"));
    resize(820, 640);
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto* contents = new QPushButton(QStringLiteral("目录"), this);
    auto* back = new QPushButton(QStringLiteral("后退"), this);
    auto* forward = new QPushButton(QStringLiteral("前进"), this);
    bar->addWidget(contents);
    bar->addWidget(back);
    bar->addWidget(forward);
    bar->addStretch();
    layout->addLayout(bar);
    layout->addWidget(m_browser);
    m_browser->setOpenExternalLinks(true);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(contents, &QPushButton::clicked, this, [this] {
        if (m_home.isValid())
            m_browser->setSource(m_home);
    });
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    back->setEnabled(false);
    forward->setEnabled(false);
}

void HelpWindow::ShowPage(const QUrl& page) {
    if (!m_home.isValid())
        m_home =
            QUrl::fromLocalFile(QFileInfo(page.toLocalFile()).dir().filePath(QStringLiteral("index.html")));
    if (db::IsDatabaseFile(page.toLocalFile(), db::FileUse::kRead))
        m_browser->setHtml(QStringLiteral("<p>%1</p>").arg(db::DatabaseFileRefusal()));
    else if (QFileInfo::exists(page.toLocalFile()))
        m_browser->setSource(page);
    else
        m_browser->setHtml(
            QStringLiteral("<h3>找不到帮助主题</h3><p>%1</p>").arg(page.toLocalFile().toHtmlEscaped()));
    show();
    raise();
    activateWindow();
}

} // namespace help
