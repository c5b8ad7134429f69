#include "data/DataFiles.h"

#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/Journal.h"
#include "platform/log/Log.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>

namespace data {
namespace {

QString WithSeparator(const QString& dir) {
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

} // namespace

QString DatabasePath(const QString& appDir) {
    return WithSeparator(appDir) + QLatin1String(kDatabaseFileName);
}

QString TwinPath(const QString& databasePath) {
    QString twin = databasePath;
    if (!twin.isEmpty())
        twin[twin.size() - 1] = u'_';
    return twin;
}

DataFilesReport EnsureDataFiles(const QString& appDir, SessionLock& lock) {
    DataFilesReport report;
    lock.Release();
    const QString database = DatabasePath(appDir);
    const QString twin = TwinPath(database);
    if (!QFileInfo::exists(database) && !QFileInfo::exists(twin))
        return report; // nothing to reconcile
    if (!QFileInfo::exists(database)) {
        // Only the twin: it becomes the database under its exclusive hold. A start beside a live
        // session never renames it, since that session's file is in place.
        lock.Acquire(twin);
        if (lock.IsExclusive() && !QFileInfo::exists(database)) {
            db::RemoveJournalFiles(database);
            QFile::rename(twin, database);
        } else if (lock.Unavailable()) {
            report.lockUnavailable = true;
            return report;
        }
        // The session's lock is then taken under the database's name, as every later start takes
        // it: one that comes in between finds the file in place and reconciles it itself.
        lock.Release();
    }
    lock.Acquire(database);
    if (!lock.IsExclusive()) {
        report.lockUnavailable = lock.Unavailable();
        report.openUnderAnotherName = lock.OpenUnderAnotherName();
        if (report.openUnderAnotherName) {
            qCInfo(vlog::db) << "another session has" << database << "open under another name";
            // This session never opens the file: its lock would only keep out later starts
            // under the name the other session uses.
            lock.Release();
        } else if (lock.IsHeld()) {
            qCInfo(vlog::db) << "another session has" << database << "open: its files are left as they are";
        } else if (report.lockUnavailable) {
            qCWarning(vlog::db) << "cannot lock" << database << ": its journals are left as they are";
        }
        return report;
    }
    if (QFileInfo::exists(twin))
        QFile::remove(twin);
    // SQLite keeps the journals beside the file it opens, a symbolic link followed.
    const QString opened = QFileInfo(database).canonicalFilePath();
    if (!opened.isEmpty())
        report.setAside = SetAsideOrphanJournal(opened, lock.Descriptor());
    report.reconciled = true;
    lock.Share();
    return report;
}

QStringList SetAsideOrphanJournal(const QString& databasePath, int databaseFd) {
    const db::JournalOwner owner = db::InspectWriteAheadJournal(databasePath, databaseFd);
    if (owner == db::JournalOwner::kMarkOnly) {
        // A session ended while moving its mark into the file: the journal holds no data at all.
        qCInfo(vlog::db) << "journal holding only a session mark dropped";
        QFile::remove(databasePath + QStringLiteral("-wal"));
        QFile::remove(databasePath + QStringLiteral("-shm"));
        return {};
    }
    if (owner != db::JournalOwner::kForeign)
        return {};
    // Named after the journal's own time, so that the user can tell which session left it.
    const QString stamp = QFileInfo(databasePath + QStringLiteral("-wal"))
                              .fileTime(QFileDevice::FileModificationTime)
                              .toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QStringList moved;
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        const QString from = databasePath + suffix;
        if (!QFileInfo::exists(from))
            continue;
        QString to = from + u'.' + stamp + QStringLiteral(".orphan");
        for (int n = 2; QFileInfo::exists(to); ++n)
            to = from + u'.' + stamp + u'-' + QString::number(n) + QStringLiteral(".orphan");
        if (QFile::rename(from, to)) {
            moved << to;
        } else {
            // Never apply it: a journal that cannot be moved is removed.
            qCWarning(vlog::db) << "cannot move the journal of another file" << from << "aside; removing it";
            QFile::remove(from);
        }
    }
    qCInfo(vlog::db) << "journal of another database file set aside:" << moved;
    return moved;
}

QString BuildConnectionString(const QString& connectionTemplate, const QString& appDir,
                              const QString& password) {
    const QString dir = WithSeparator(appDir);
    QStringList parts = connectionTemplate.split(u';');
    for (QString& part : parts) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq < 0 || !part.contains(u'#'))
            continue;
        QString value = part.mid(eq + 1);
        value.replace(u'#', dir);
        part = part.left(eq + 1) + db::QuoteConnectionValue(value);
    }
    return parts.join(u';') + password;
}

bool IsDiskFull(const db::DbError& error) {
    const int system = error.SystemErrno();
    return (error.Code() & 0xFF) == SQLITE_FULL || system == ENOSPC || system == EDQUOT || system == EFBIG;
}

std::optional<QString> KnownDatabaseFailureReason(const db::DbError& error, const QString& path) {
    const int code = error.Code();
    const int primary = code & 0xFF;
    if (code == db::DbError::kForeignFile)
        return QStringLiteral("这不是 Veltora 的数据库文件。");
    if (code == db::DbError::kForeignSchema)
        return QStringLiteral("数据库文件中有不是 Veltora 建立的触发器或视图（%1），为了数据安全没有打开它。")
            .arg(error.Message());
    if (code == db::DbError::kDamagedFile || primary == SQLITE_CORRUPT)
        return QStringLiteral("数据库文件已损坏（%1）。").arg(error.Message());
    if (primary == SQLITE_NOTADB)
        return QStringLiteral("数据库文件已损坏，或者不是数据库文件。");
    if (code == db::DbError::kWrongPassword)
        return QStringLiteral("数据库密码不正确。");
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return QStringLiteral("数据库正被另一个程序使用。");
    if (IsDiskFull(error))
        return QStringLiteral("磁盘空间已满。");
    if (code == SQLITE_READONLY_DIRECTORY)
        return QStringLiteral("数据库文件所在的文件夹是只读的。");
    if (primary == SQLITE_READONLY)
        return QStringLiteral("数据库文件是只读的。");
    // The program's own word for a row that a write was to change and that is no longer there.
    if (code == db::DbError::kNoCurrentRecord)
        return QStringLiteral("要修改的记录已不在数据库中，可能已在另一个窗口中删除。");
    if (primary == SQLITE_CANTOPEN && !path.isEmpty() && !QFileInfo::exists(path))
        return QStringLiteral("找不到数据库文件 %1。").arg(path);
    return std::nullopt;
}

QString DatabaseFailureReason(const db::DbError& error, const QString& path) {
    return KnownDatabaseFailureReason(error, path).value_or(QStringLiteral("原因：%1").arg(error.Message()));
}

QString DatabaseFailureMessage(const QString& failed, const db::DbError& error) {
    return failed + u'\n' + DatabaseFailureReason(error);
}

} // namespace data
