#pragma once
// The database file in the program directory, its twin, and the connection strings built for it.

#include <QString>

namespace data {

inline constexpr const char* kDatabaseFileName = "veltora.mdb";

// The database file's path and its twin's (the same path with '_' as the last character).
QString DatabasePath(const QString& appDir);
QString TwinPath(const QString& databasePath);

// Reconciles the database file with its twin: a twin beside an existing database is deleted; a
// twin without a database is moved to the database's name; with neither, nothing happens (the
// connection then fails). File-system failures are left for the connection step to meet.
void EnsureDataFiles(const QString& appDir);

// A connection-string template with every '#' replaced by the program directory (which ends in
// a separator) and the password appended.
QString BuildConnectionString(const QString& connectionTemplate, const QString& appDir,
                              const QString& password);

} // namespace data
