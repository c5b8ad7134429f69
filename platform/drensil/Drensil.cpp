#include "platform/drensil/Drensil.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace drensil {
namespace {

FileOpener& Opener() {
    static FileOpener opener;
    return opener;
}

} // namespace

QByteArray LoadResource(int id, const QString& type) {
    // ":/drensil/<type>/<id>.<extension>"; the extension does not matter.
    const QDir dir(QStringLiteral(":/drensil/") + type.toLower());
    const QStringList found = dir.entryList({QString::number(id) + QStringLiteral(".*")}, QDir::Files);
    if (found.isEmpty())
        return {};
    QFile f(dir.filePath(found.first()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool SayHello(const QString& path, int rows, int columns, const QString& caption, const QString& tail) {
    if (!QFileInfo(path).isFile())
        return false;
    if (Opener())
        return Opener()(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

void SetFileOpener(FileOpener opener) {
    Opener() = std::move(opener);
}

} // namespace drensil
