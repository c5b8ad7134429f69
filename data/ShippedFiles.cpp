#include "data/ShippedFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace data {

namespace {

QString& ShippedDirectory() {
    static QString dir;
    return dir;
}

} // namespace

QString ShippedFilePath(const QString& appDir, const QString& name) {
    const QString own = QDir(appDir).filePath(name);
    if (QFileInfo::exists(own))
        return own;
    const QString executableDir =
        ShippedDirectory().isEmpty() ? QCoreApplication::applicationDirPath() : ShippedDirectory();
    const QString shipped = QDir(executableDir).filePath(name);
    return QFileInfo::exists(shipped) ? shipped : own;
}

void SetShippedFilesDirectory(const QString& dir) {
    ShippedDirectory() = dir;
}

} // namespace data
