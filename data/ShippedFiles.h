#pragma once
// The read-only files shipped beside the executable: the tips file, the help pages, the report
// templates. A program directory given by VELTORA_HOME need hold only the database; what it lacks
// of these is found beside the executable. Files of the program folder are read whole, and only
// when they are regular files of a sane size.

#include <QByteArray>
#include <QString>

#include <optional>

namespace data {

// `name` (a file or a folder) in the program directory `appDir` when it is there, else beside
// the executable when it is there, else in the program directory (where a message about a
// missing file should point).
QString ShippedFilePath(const QString& appDir, const QString& name);

// The whole of the file at `path` when it is a regular file (or a link to one) of at most
// `maxBytes` bytes; nullopt otherwise, with the reason in `why`. Nothing else is read: a FIFO, a
// device or a file that is too large would block the caller or exhaust its memory, and is
// treated as a missing file.
// A file of the open database (db/FileGuard.h) is never opened: DatabaseFile.
// `kind`, when given, tells which of the refusals it was, for a message to the user.
enum class ReadRefusal { None, Missing, NotRegular, TooLarge, Unreadable, DatabaseFile };
std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes, QString* why = nullptr,
                                          ReadRefusal* kind = nullptr);

// Where the executable's files are looked for; tests point it at the build's program directory.
// An empty text restores the executable's own directory.
void SetShippedFilesDirectory(const QString& dir);

} // namespace data
