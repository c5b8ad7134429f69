#pragma once
// The database file in the program directory, its twin, its journals, and the connection strings
// built for it.

#include <QString>
#include <QStringList>

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
};

// Reconciles the database file with its twin and its journals:
// - a twin beside an existing database is deleted; a twin without a database is moved to the
//   database's name, after the journals of that name are removed (their database is gone);
// - a write-ahead journal older than the database file was left by a session whose file has
//   since been replaced (a backup or a fresh copy put in its place): it is moved aside, with its
//   index file, as "<name>-wal.<yyyyMMdd-HHmmss>.orphan" (the journal's own time), never applied.
// With neither file nothing happens (the connection then fails). File-system failures are left
// for the connection step to meet.
DataFilesReport EnsureDataFiles(const QString& appDir);

// Sets aside the write-ahead journal of `databasePath` when the database file is newer than it;
// returns the new paths (empty when there was nothing to set aside).
QStringList SetAsideOrphanJournal(const QString& databasePath);

// A connection-string template with every '#' replaced by the program directory (which ends in
// a separator) and the password appended. A value that the directory gives a ';' or a quote is
// quoted, so that any directory can be named.
QString BuildConnectionString(const QString& connectionTemplate, const QString& appDir,
                              const QString& password);

// The reason a database could not be opened or written, as the second line of the message
// that tells the user: a foreign or damaged file, a wrong password, another program holding the
// file, a read-only file or folder, a full disk, a missing file. `path` is the database file.
QString DatabaseFailureReason(const db::DbError& error, const QString& path = {});

} // namespace data
