#pragma once
// The database file in the program directory, its twin, its journals, and the connection strings
// built for it.

#include "data/SessionLock.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace db {
class DbError;
}

namespace data {

inline constexpr const char* kDatabaseFileName = "veltora.mdb";

// The database file's path and its twin's (the same path with '_' as the last character).
QString DatabasePath(const QString& appDir);
QString TwinPath(const QString& databasePath);

// What EnsureDataFiles did beyond the twin rule.
struct DataFilesReport {
    // The journal files it set aside as not belonging to the database file (their new paths).
    QStringList setAside;
    // False when another live session holds the database, or when nobody can tell: its files
    // were left as they are.
    bool reconciled = false;
    // The database file could not be locked although it may be written (a file or a file system
    // that refuses the lock): nobody can tell whether another session has it open, so its
    // journals were not judged. A file that cannot be opened for writing is not this: nothing is
    // judged beside it either, and the connection, which cannot write it, says why.
    bool lockUnavailable = false;
    // Another session has the file open under another name (a hard link in another folder, whose
    // journal lies beside that name): this session must not open it, and holds no lock.
    bool openUnderAnotherName = false;
};

// Reconciles the database file with its twin and its journals:
// - a twin beside an existing database is deleted; a twin without a database is moved to the
//   database's name, after the journals of that name are removed (their database is gone);
// - a write-ahead journal that the file's own session mark shows to be another file's (the file
//   has been replaced since that session: a backup or a fresh copy put in its place) is moved
//   aside, with its index file, as "<name>-wal.<yyyyMMdd-HHmmss>.orphan" (the journal's own time),
//   never applied; a journal of the file's own is always left for SQLite to apply (db/Journal.h).
//   The journals are those beside the file SQLite opens (a symbolic link followed).
// With neither file nothing happens (the connection then fails). File-system failures are left
// for the connection step to meet. All of this happens only under the exclusive hold of `lock`,
// which the caller keeps (shared by then) for as long as the session has the database open: while
// another session holds it, its journal is its own, live, and nothing is judged, moved or removed.
[[nodiscard]] DataFilesReport EnsureDataFiles(const QString& appDir, SessionLock& lock);

// Sets aside the write-ahead journal of `databasePath` when it belongs to another file, and drops
// one that holds nothing but a session mark; returns the paths of the journals set aside. Only for
// a caller that holds the session lock exclusively; the file is read through the lock's descriptor
// when one is given.
QStringList SetAsideOrphanJournal(const QString& databasePath, int databaseFd = -1);

// A connection-string template with every '#' replaced by the program directory (which ends in
// a separator) and the password appended. A value that the directory gives a ';' or a quote is
// quoted, so that any directory can be named.
QString BuildConnectionString(const QString& connectionTemplate, const QString& appDir,
                              const QString& password);

// True when `error` is a full disk (or a file grown past what the system allows).
bool IsDiskFull(const db::DbError& error);

// The reason a database could not be opened or written, as the second line of the message
// that tells the user: a foreign or damaged file, a wrong password, another program holding the
// file, a read-only file or folder, a full disk, a missing file, a row gone that a write was to
// change. `path` is the database file.
QString DatabaseFailureReason(const db::DbError& error, const QString& path = {});
// The reason as DatabaseFailureReason gives it when the rule knows one; nothing for any other
// failure, which only the error's own text describes.
std::optional<QString> KnownDatabaseFailureReason(const db::DbError& error, const QString& path = {});
// The message of a step that failed on the database: `failed` (what did not happen), then its
// reason on a line of its own (DatabaseFailureReason). Every write path tells its failure so.
QString DatabaseFailureMessage(const QString& failed, const db::DbError& error);

} // namespace data
