#include "platform/ui/FileDialog.h"

#include "platform/db/FileGuard.h"
#include "platform/profile/Profile.h"
#include "platform/ui/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

namespace ui {
namespace {

class ScreenFileDialogs : public FileDialogService {
public:
    QString GetOpenFileName(QWidget* parent, const QString& filter) override {
        return GetOpenFileNameTitled(parent, filter, QString());
    }
    QString GetOpenFileNameTitled(QWidget* parent, const QString& filter, const QString& title) override {
        const QString path = QFileDialog::getOpenFileName(parent, title, StartFolder(), ToQtFilter(filter),
                                                          nullptr, QFileDialog::ReadOnly);
        RememberFolderOf(path);
        return path;
    }
    QString GetSaveFileName(QWidget* parent, const QString& filter, const QString& proposedName) override {
        // Qt's save dialog asks before replacing a file and shows no read-only box.
        const QString path =
            QFileDialog::getSaveFileName(parent, QString(), StartPath(proposedName), ToQtFilter(filter));
        RememberFolderOf(path);
        return path;
    }
};

ScreenFileDialogs g_screen;
FileDialogService* g_service = nullptr;

FileDialogService& Service() {
    return g_service ? *g_service : g_screen;
}

// The chosen path, or nothing when it is a file of the open database: the caller then opens or
// writes nothing, as when the dialog is cancelled.
QString Checked(QWidget* parent, const QString& path, db::FileUse use) {
    if (!db::IsDatabaseFile(path, use))
        return path;
    const QString caption = parent ? parent->window()->windowTitle() : QCoreApplication::applicationName();
    MessageBox(parent, db::DatabaseFileRefusal(), caption, MB_OK | MB_ICONWARNING);
    return {};
}

} // namespace

QString GetOpenFileName(QWidget* parent, const QString& filter) {
    return Checked(parent, Service().GetOpenFileName(parent, filter), db::FileUse::kRead);
}

QString GetSaveFileName(QWidget* parent, const QString& filter, const QString& proposedName) {
    return Checked(parent, Service().GetSaveFileName(parent, filter, proposedName), db::FileUse::kWrite);
}

QString GetOpenFileName(QWidget* parent, const QString& filter, const QString& title) {
    return Checked(parent, Service().GetOpenFileNameTitled(parent, filter, title), db::FileUse::kRead);
}

QString StartFolder() {
    const QString last = profile::GetProfileString(QStringLiteral("Settings"), QStringLiteral("LastFolder"));
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    return QDir::homePath();
}

QString StartPath(const QString& proposedName) {
    if (proposedName.isEmpty())
        return StartFolder();
    if (QFileInfo(proposedName).isAbsolute())
        return proposedName;
    return QDir(StartFolder()).filePath(proposedName);
}

void RememberFolderOf(const QString& path) {
    if (path.isEmpty())
        return;
    const QString folder = QFileInfo(path).absolutePath();
    if (QFileInfo(folder).isDir())
        profile::WriteProfileString(QStringLiteral("Settings"), QStringLiteral("LastFolder"), folder);
}

void SetFileDialogService(FileDialogService* service) {
    g_service = service;
}

QString ToQtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts.at(i).trimmed();
        if (name.isEmpty())
            break;
        QString patterns = parts.at(i + 1);
        patterns.replace(u';', u' ');
        // Qt takes the patterns from the parentheses of a description; add them where it has none.
        out << (name.contains(u'(') ? name : name + QStringLiteral(" (") + patterns + u')');
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace ui
