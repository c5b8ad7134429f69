// The database file's journals, the program's mark, and the reasons told for a failure.

#include "data/DataFiles.h"
#include "data/Schema.h"
#include "platform/db/Connection.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cerrno>

namespace {

void WriteFile(const QString& path, const QByteArray& content, const QDateTime& modified = {}) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.flush();
    if (modified.isValid())
        ASSERT_TRUE(f.setFileTime(modified, QFileDevice::FileModificationTime));
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int RefusalCode(db::Connection& c) {
    try {
        data::CheckDatabaseFile(c);
    } catch (const db::DbError& e) {
        return e.Code();
    }
    return 0;
}

TEST(DatabaseFile, JournalsThatAreNotTheFilesOwnNeverMeetIt) {
    QTemporaryDir dir;
    const QString db = data::DatabasePath(dir.path());
    // The twin moves in: journals of the database that is gone are removed first.
    WriteFile(data::TwinPath(db), "twin");
    for (const char* suffix : db::kJournalSuffixes)
        WriteFile(db + suffix, "stale");
    EXPECT_TRUE(data::EnsureDataFiles(dir.path()).setAside.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"veltora.mdb"});

    // A journal newer than the file is its own (the last session crashed on it): it stays.
    const QDateTime session(QDate(2024, 3, 5), QTime(14, 30, 7));
    WriteFile(db, "restored backup", session.addSecs(-60));
    WriteFile(db + "-wal", "wal of the crashed session", session);
    WriteFile(db + "-shm", "its index");
    EXPECT_TRUE(data::EnsureDataFiles(dir.path()).setAside.isEmpty());

    // The file replaced after that session: the journal is set aside under its own time.
    WriteFile(db, "restored backup", session.addSecs(60));
    const QString wal = db + "-wal.20240305-143007.orphan";
    EXPECT_EQ(data::EnsureDataFiles(dir.path()).setAside,
              (QStringList{wal, db + "-shm.20240305-143007.orphan"}));
    EXPECT_EQ(ReadFile(wal), "wal of the crashed session");
    EXPECT_EQ(ReadFile(db), "restored backup");
    EXPECT_FALSE(QFile::exists(db + "-wal") || QFile::exists(db + "-shm"));
    // A second orphan of the same second keeps the first.
    WriteFile(db + "-wal", "another", session);
    EXPECT_EQ(data::SetAsideOrphanJournal(db), QStringList{db + "-wal.20240305-143007-2.orphan"});
    EXPECT_EQ(ReadFile(wal), "wal of the crashed session");
}

TEST(DatabaseFile, OnlyMarkedOrRecognisedFilesAreAccepted) {
    db::Connection c;
    c.OpenFile(":memory:", {}, true);
    data::CreateSchema(c); // a new file of the program carries the mark
    EXPECT_EQ(c.Execute("PRAGMA application_id").Field(0).ToInt64(), data::kApplicationId);
    EXPECT_EQ(RefusalCode(c), 0);

    c.OpenFile(":memory:", {}, true); // an older, unmarked file is known by its roster
    c.Execute("CREATE TABLE TAVRINNAME (id INTEGER, StudentId TEXT)");
    EXPECT_EQ(RefusalCode(c), 0);
    c.Execute("PRAGMA application_id=1234"); // … unless another program marked it
    EXPECT_EQ(RefusalCode(c), db::DbError::kForeignFile);

    c.OpenFile(":memory:", {}, true); // a table of the same name is not enough
    c.Execute("CREATE TABLE tavrinName (id INTEGER, title TEXT)");
    EXPECT_FALSE(data::HoldsProgramTables(c));
    EXPECT_EQ(RefusalCode(c), db::DbError::kForeignFile);
}

TEST(DatabaseFile, FailuresOutsideTheStartUpTestsHaveTheirReasons) {
    using db::DbError;
    EXPECT_EQ(data::DatabaseFailureReason(DbError(SQLITE_IOERR_WRITE, "disk I/O error", ENOSPC)),
              QStringLiteral("磁盘空间已满。"));
    EXPECT_EQ(data::DatabaseFailureReason(DbError(SQLITE_BUSY_SNAPSHOT, "x")),
              QStringLiteral("数据库正被另一个程序使用。"));
    EXPECT_EQ(data::DatabaseFailureReason(DbError(DbError::kWrongPassword, "x")),
              QStringLiteral("数据库密码不正确。"));
    EXPECT_EQ(data::DatabaseFailureReason(DbError(SQLITE_CANTOPEN, "unable to open"), "/nowhere/veltora.mdb"),
              QStringLiteral("找不到数据库文件 /nowhere/veltora.mdb。"));
    EXPECT_EQ(data::DatabaseFailureReason(DbError(SQLITE_IOERR_READ, "disk I/O error", EIO)),
              QStringLiteral("原因：disk I/O error"));
}

} // namespace
