#include "platform/help/Help.h"

#include "platform/help/HelpWindow.h"

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
    QFile map(dir.filePath(QStringLiteral("contexts.txt")));
    if (map.open(QIODevice::ReadOnly)) {
        for (QString line : QString::fromUtf8(map.readAll()).split(u'\n')) {
            line = line.trimmed();
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            const QStringList parts = line.split(u'\t', Qt::SkipEmptyParts);
            bool ok = false;
            const quint32 id = parts.value(0).trimmed().toUInt(&ok, 0);
            if (ok && parts.size() == 2)
                m_pages.insert(id, parts.at(1).trimmed());
        }
    }
    m_state = State::Bound;
    return true;
}

QUrl HelpBook::PageFor(quint32 context) const {
    const QString page = m_pages.value(context, kIndex);
    return QUrl::fromLocalFile(QDir(m_folder).filePath(page));
}

bool HelpBook::Request(QWidget* owner, unsigned command, quint32 context) {
    if (!Bind())
        return false;
    if (command == HELP_QUIT) {
        CurrentPresenter().Close();
        return true;
    }
    CurrentPresenter().Show(owner, PageFor(command == HELP_CONTEXT ? context : 0));
    return true;
}

} // namespace help
