#include "platform/help/Help.h"

#include "platform/db/FileGuard.h"
#include "platform/help/HelpWindow.h"
#include "platform/log/Log.h"
#include "platform/ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace help {
namespace {

class WindowPresenter : public HelpPresenter {
public:
    void Show(QWidget* owner, const QUrl& page) override { HelpWindow::Instance(owner).ShowPage(page); }
    void Close() override { HelpWindow::CloseInstance(); }
};

WindowPresenter g_window;
HelpPresenter* g_presenter = nullptr;

const QString kIndex = QStringLiteral("index.html");

} // namespace

void SetHelpPresenter(HelpPresenter* presenter) {
    g_presenter = presenter;
}

HelpPresenter& CurrentPresenter() {
    return g_presenter ? *g_presenter : g_window;
}

HelpBook::HelpBook(QString folder) : m_folder(std::move(folder)) {}

bool HelpBook::Bind() {
    if (m_state != State::Unbound)
        return m_state == State::Bound;
    const QDir dir(m_folder);
    if (!QFileInfo(dir.filePath(kIndex)).isFile()) {
        m_state = State::Failed;
        return false;
    }
    const QString mapPath = dir.filePath(QStringLiteral("contexts.txt"));
    QFile map(mapPath);
    if (!db::IsDatabaseFile(mapPath, db::FileUse::kRead) && map.open(QIODevice::ReadOnly)) {
        for (QString line : QString::fromUtf8(map.readAll()).split(u'\n')) {
            line = line.trimmed();
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            const QStringList parts = line.split(u'\t', Qt::SkipEmptyParts);
            bool ok = false;
            const quint32 id = parts.value(0).trimmed().toUInt(&ok, 0);
            if (!ok || parts.size() != 2)
                continue;
            const QString page = QDir::cleanPath(parts.at(1).trimmed());
            if (InsideFolder(page))
                m_pages.insert(id, page);
            else
                qCInfo(vlog::io) << "help context" << id << "names a page outside the help folder:" << page;
        }
    }
    m_state = State::Bound;
    return true;
}

bool HelpBook::InsideFolder(const QString& page) const {
    if (page.isEmpty() || QDir::isAbsolutePath(page))
        return false;
    const QString root = QDir::cleanPath(QDir(m_folder).absolutePath());
    const QString path = QDir::cleanPath(root + u'/' + page);
    if (!path.startsWith(root + u'/'))
        return false;
    // A link inside the folder may still lead out of it.
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() || canonical.startsWith(canonicalRoot + u'/');
}

QString HelpBook::MissingText() const {
    return QStringLiteral("找不到帮助文件：%1")
        .arg(QDir::toNativeSeparators(QDir(m_folder).filePath(kIndex)));
}

QUrl HelpBook::PageFor(quint32 context) const {
    const QString page = m_pages.value(context, kIndex);
    return QUrl::fromLocalFile(QDir(m_folder).filePath(page));
}

bool HelpBook::Request(QWidget* owner, unsigned command, quint32 context) {
    if (!Bind()) {
        if (command != HELP_QUIT)
            ui::MessageBox(owner, MissingText(), QStringLiteral("信息提示"), ui::MB_ICONWARNING);
        return false;
    }
    if (command == HELP_QUIT) {
        CurrentPresenter().Close();
        return true;
    }
    CurrentPresenter().Show(owner, PageFor(command == HELP_CONTEXT ? context : 0));
    return true;
}

} // namespace help
