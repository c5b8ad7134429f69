#include "platform/ui/FileDialog.h"

#include "platform/profile/Profile.h"

#include <QDir>
#include <QFileDevice>
#include <QFileDialog>
#include <QFileInfo>

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

} // namespace

QString GetOpenFileName(QWidget* parent, const QString& filter) {
    return (g_service ? g_service : &g_screen)->GetOpenFileName(parent, filter);
}

QString GetSaveFileName(QWidget* parent, const QString& filter, const QString& proposedName) {
    return (g_service ? g_service : &g_screen)->GetSaveFileName(parent, filter, proposedName);
}

QString GetOpenFileName(QWidget* parent, const QString& filter, const QString& title) {
    return (g_service ? g_service : &g_screen)->GetOpenFileNameTitled(parent, filter, title);
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

QString WriteFailureReason(const QString& path, const QFileDevice* file) {
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("这是一个文件夹的名字。");
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists())
        return QStringLiteral("文件夹“%1”不存在。").arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isDir())
        return QStringLiteral("“%1”不是文件夹。").arg(QDir::toNativeSeparators(folder.filePath()));
    if (info.exists() && !info.isWritable())
        return QStringLiteral("文件是只读的。");
    if (!folder.isWritable())
        return QStringLiteral("没有在文件夹“%1”中写文件的权限。")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (!file)
        return {};
    if (file->error() == QFileDevice::ResourceError)
        return QStringLiteral("磁盘已满。");
    return QStringLiteral("写文件时出错（%1）。").arg(file->errorString());
}

} // namespace ui
