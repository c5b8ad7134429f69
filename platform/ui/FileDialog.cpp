#include "platform/ui/FileDialog.h"

#include "platform/db/FileGuard.h"
#include "platform/profile/Profile.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDevice>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QIcon>
#include <QMimeDatabase>
#include <QWidget>

namespace ui {
namespace {

// Icons and type names from the file's name alone. Qt's own provider reads a file whose name
// says nothing of its type to find out, and so would open and close the database's journal and
// index file of a folder it lists: that drops every record lock the process holds on them.
class NameOnlyIcons : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override {
        if (info.isDir())
            return icon(Folder);
        const QIcon themed = QIcon::fromTheme(MimeType(info).iconName());
        return themed.isNull() ? icon(File) : themed;
    }
    QString type(const QFileInfo& info) const override {
        if (info.isDir())
            return QCoreApplication::translate("QAbstractFileIconProvider", "Folder");
        const QMimeType mime = MimeType(info);
        if (!mime.isDefault())
            return mime.comment();
        return info.suffix().isEmpty()
                   ? QCoreApplication::translate("QAbstractFileIconProvider", "File")
                   : QCoreApplication::translate("QAbstractFileIconProvider", "%1 File").arg(info.suffix());
    }

private:
    QMimeType MimeType(const QFileInfo& info) const {
        return m_types.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    }
    QMimeDatabase m_types;
};

// Qt's own dialog, never the desktop's: a desktop dialog runs in this process too and reads
// files to tell their types, as Qt's own provider does.
QString RunFileDialog(QWidget* parent, const QString& title, const QString& start, const QString& filter,
                      QFileDialog::AcceptMode mode) {
    NameOnlyIcons icons;
    QFileDialog dialog(parent, title, start, ToQtFilter(filter));
    dialog.setIconProvider(&icons);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(mode);
    if (mode == QFileDialog::AcceptOpen) {
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::ReadOnly, true);
    } else {
        // Asks before replacing a file; shows no read-only box.
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    if (ExecDialog(dialog) != QDialog::Accepted)
        return {};
    const QString path = dialog.selectedFiles().value(0);
    RememberFolderOf(path);
    return path;
}

class ScreenFileDialogs : public FileDialogService {
public:
    QString GetOpenFileName(QWidget* parent, const QString& filter) override {
        return GetOpenFileNameTitled(parent, filter, QString());
    }
    QString GetOpenFileNameTitled(QWidget* parent, const QString& filter, const QString& title) override {
        return RunFileDialog(parent, title, StartFolder(), filter, QFileDialog::AcceptOpen);
    }
    QString GetSaveFileName(QWidget* parent, const QString& filter, const QString& proposedName) override {
        return RunFileDialog(parent, QString(), StartPath(proposedName), filter, QFileDialog::AcceptSave);
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
    ShowDatabaseFileRefusal(parent);
    return {};
}

} // namespace

void ShowDatabaseFileRefusal(QWidget* parent) {
    const QString caption = parent ? parent->window()->windowTitle() : QCoreApplication::applicationName();
    MessageBox(parent, db::DatabaseFileRefusal(), caption, MB_OK | MB_ICONWARNING);
}

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
