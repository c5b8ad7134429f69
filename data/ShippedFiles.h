#pragma once
// The read-only files shipped beside the executable: the tips file, the help pages, the report
// templates. A program directory given by VELTORA_HOME need hold only the database; what it lacks
// of these is found beside the executable.

#include <QString>

namespace data {

// `name` (a file or a folder) in the program directory `appDir` when it is there, else beside
// the executable when it is there, else in the program directory (where a message about a
// missing file should point).
QString ShippedFilePath(const QString& appDir, const QString& name);

// Where the executable's files are looked for; tests point it at the build's program directory.
// An empty text restores the executable's own directory.
void SetShippedFilesDirectory(const QString& dir);

} // namespace data
