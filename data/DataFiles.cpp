#include "data/DataFiles.h"

#include <QFile>
#include <QFileInfo>

namespace data {

QString DatabasePath(const QString& appDir) {
    QString dir = appDir;
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir + QLatin1String(kDatabaseFileName);
}

QString TwinPath(const QString& databasePath) {
    QString twin = databasePath;
    if (!twin.isEmpty())
        twin[twin.size() - 1] = u'_';
    return twin;
}

void EnsureDataFiles(const QString& appDir) {
    const QString database = DatabasePath(appDir);
    const QString twin = TwinPath(database);
    const bool hasDatabase = QFileInfo::exists(database);
    const bool hasTwin = QFileInfo::exists(twin);
    if (hasDatabase && hasTwin)
        QFile::remove(twin);
    else if (!hasDatabase && hasTwin)
        QFile::rename(twin, database);
}

QString BuildConnectionString(const QString& connectionTemplate, const QString& appDir,
                              const QString& password) {
    QString dir = appDir;
    if (!dir.endsWith(u'/'))
        dir += u'/';
    QString s = connectionTemplate;
    s.replace(u'#', dir);
    return s + password;
}

} // namespace data
