#pragma once
// The files of the program's open databases, kept from everything the program reads or writes
// outside SQLite. Opening and closing any descriptor of a database file drops every record lock
// the process holds on it, SQLite's own among them, and another session could then take the
// journal for an orphan; a save over one of those files replaces the database or its journal.
// So every file the program opens or writes on its own (pictures, tips, help, templates, import
// sources, exports, saves) is first asked about here.

#include <QString>

namespace db {

enum class FileUse { kRead, kWrite };

// "不能选用程序正在使用的数据库文件。": what the user is told of a refused file.
QString DatabaseFileRefusal();

// True when `path` is one of the files of a connection open in this process: its database file,
// its journal or index file (-wal, -shm, -journal), and for a write also the names its owner
// keeps from writes (Connection::KeepFromWrites). A file is told by its identity (device and
// inode, so that a symbolic link, a hard link or another spelling of the name is caught) and, for
// one that does not exist (yet), by the name a link leads to.
bool IsDatabaseFile(const QString& path, FileUse use);

// The connections' side of the rule (Connection.cpp): `owner` has `databasePath` open, which
// SQLite itself knows as `sqlitePath` (symbolic links followed); written names add to it; the
// close forgets them all.
void GuardDatabaseFiles(const void* owner, const QString& databasePath, const QString& sqlitePath);
void GuardWrittenName(const void* owner, const QString& path);
void UnguardDatabaseFiles(const void* owner);

} // namespace db
