// The database file's safety rules: journals that are not the file's own, the program's mark and
// the checks at open, the reasons told for a failure, and a program directory of any name.

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

void WriteFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void SetModified(const QString& path, const QDateTime& when) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
}

int RefusalCode(db::Connection& c) {
    try {
        data::CheckDatabaseFile(c);
    } catch (const db::DbError& e) {
        return e.Code();
    }
    return 0;
}

TEST(DatabaseFile, TwinMovedInLeavesNoOldJournalBehind) {
    QTemporaryDir dir;
    const QString db = data::DatabasePath(dir.path());
    WriteFile(data::TwinPath(db), "twin");
    // Journals of a database that is gone.
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        WriteFile(db + suffix, "stale");
    const data::DataFilesReport report = data::EnsureDataFiles(dir.path());
    EXPECT_EQ(ReadFile(db), "twin");
    EXPECT_TRUE(report.setAside.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"veltora.mdb"});
}

TEST(DatabaseFile, JournalOlderThanItsDatabaseIsSetAside) {
    QTemporaryDir dir;
    const QString db = data::DatabasePath(dir.path());
    const QDateTime session(QDate(2024, 3, 5), QTime(14, 30, 7));
    WriteFile(db, "restored backup");
    WriteFile(db + "-wal", "wal of the crashed session");
    WriteFile(db + "-shm", "its index");

    // The journal is newer: the last session crashed on this very file, and SQLite recovers it.
    SetModified(db, session.addSecs(-60));
    SetModified(db + "-wal", session);
    EXPECT_TRUE(data::EnsureDataFiles(dir.path()).setAside.isEmpty());
    EXPECT_TRUE(QFile::exists(db + "-wal"));

    // The file was replaced after that session: the journal is not its own.
    SetModified(db, session.addSecs(60));
    const data::DataFilesReport report = data::EnsureDataFiles(dir.path());
    const QString wal = db + "-wal.20240305-143007.orphan";
    const QString shm = db + "-shm.20240305-143007.orphan";
    EXPECT_EQ(report.setAside, (QStringList{wal, shm}));
    EXPECT_EQ(ReadFile(wal), "wal of the crashed session");
    EXPECT_EQ(ReadFile(shm), "its index");
    EXPECT_FALSE(QFile::exists(db + "-wal"));
    EXPECT_FALSE(QFile::exists(db + "-shm"));
    EXPECT_EQ(ReadFile(db), "restored backup");

    // A second orphan of the same second keeps the first.
    WriteFile(db + "-wal", "another");
    SetModified(db + "-wal", session);
    EXPECT_EQ(data::SetAsideOrphanJournal(db), QStringList{db + "-wal.20240305-143007-2.orphan"});
    EXPECT_EQ(ReadFile(wal), "wal of the crashed session");
}

TEST(DatabaseFile, ProgramDirectoryMayHoldSemicolonsAndQuotes) {
    QTemporaryDir root;
    const QString appDir = root.filePath("学校;a'b\"c ;");
    ASSERT_TRUE(QDir().mkpath(appDir));
    {
        db::Connection c;
        c.OpenFile(data::DatabasePath(appDir), {}, true);
        data::CreateSchema(c);
        c.SetDatabasePassword("pw;=x");
    }
    const QString s = data::BuildConnectionString(
        "Provider=Veltora.SQLite;Data Source=#veltora.mdb;Persist Security Info=False;Database Password=",
        appDir + "/", "pw;=x");
    db::Connection c;
    c.Open(s);
    EXPECT_EQ(c.Path(), data::DatabasePath(appDir));
    // The same for the second template's form.
    c.Open(data::BuildConnectionString("Driver={Veltora SQLite};Dbq=#veltora.mdb;PWD=", appDir, "pw;=x"));
    EXPECT_TRUE(c.IsOpen());
}

TEST(DatabaseFile, OnlyMarkedOrRecognisedSoundFilesAreAccepted) {
    QTemporaryDir dir;
    db::Connection c;

    // A new file of the program carries the mark.
    c.OpenFile(dir.filePath("new.mdb"), {}, true);
    data::CreateSchema(c);
    EXPECT_EQ(c.Execute("PRAGMA application_id").Field(0).ToInt64(), data::kApplicationId);
    EXPECT_EQ(RefusalCode(c), 0);

    // An older, unmarked file is known by its roster.
    c.OpenFile(dir.filePath("old.mdb"), {}, true);
    c.Execute("CREATE TABLE TAVRINNAME (id INTEGER, StudentId TEXT)");
    EXPECT_TRUE(data::HoldsProgramTables(c));
    EXPECT_EQ(RefusalCode(c), 0);

    // Another program's file: without the roster, or with a roster of another shape, or marked
    // by that program.
    c.OpenFile(dir.filePath("foreign.mdb"), {}, true);
    c.Execute("CREATE TABLE moz_places (id INTEGER, url TEXT)");
    EXPECT_EQ(RefusalCode(c), db::DbError::kForeignFile);
    c.Execute("CREATE TABLE tavrinName (id INTEGER, title TEXT)");
    EXPECT_FALSE(data::HoldsProgramTables(c));
    EXPECT_EQ(RefusalCode(c), db::DbError::kForeignFile);
    c.Execute("ALTER TABLE tavrinName ADD COLUMN studentid TEXT");
    c.Execute("PRAGMA application_id=1234");
    EXPECT_EQ(RefusalCode(c), db::DbError::kForeignFile);
}

TEST(DatabaseFile, DamagedFileIsRefusedNamingTheDamage) {
    QTemporaryDir dir;
    const QString path = dir.filePath("damaged.mdb");
    int roster = 0;
    {
        db::Connection c;
        c.OpenFile(path, {}, true);
        c.Execute("PRAGMA journal_mode=DELETE");
        data::CreateSchema(c);
        roster = int(c.Execute("SELECT rootpage FROM sqlite_master WHERE name='tavrinKMK'").Field(0).ToInt());
        for (int i = 0; i < 9; ++i)
            c.Execute("INSERT INTO tavrinKMK (id, mydesc) VALUES (?, ?)", i, QString(40, u'x'));
    }
    QByteArray bytes = ReadFile(path);
    // The first cell of the subjects' page points outside the page.
    const qsizetype page = qsizetype(roster - 1) * 4096;
    bytes[page + 8] = char(0xFF);
    bytes[page + 9] = char(0xF0);
    WriteFile(path, bytes);

    db::Connection c;
    c.SetFileCheck(data::CheckDatabaseFile);
    try {
        c.OpenFile(path);
        FAIL() << "a damaged file was opened";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.Code(), db::DbError::kDamagedFile);
        EXPECT_TRUE(e.Message().contains(QStringLiteral("page %1").arg(roster), Qt::CaseInsensitive))
            << e.Message().toStdString();
        EXPECT_TRUE(data::DatabaseFailureReason(e).startsWith(QStringLiteral("数据库文件已损坏（")));
    }
    EXPECT_EQ(ReadFile(path), bytes);
}

TEST(DatabaseFile, EachFailureHasItsReason) {
    using db::DbError;
    const struct {
        DbError error;
        const char* reason;
    } cases[] = {
        {DbError(DbError::kForeignFile, "x"), "这不是 Veltora 的数据库文件。"},
        {DbError(DbError::kWrongPassword, "x"), "数据库密码不正确。"},
        {DbError(SQLITE_BUSY, "database is locked"), "数据库正被另一个程序使用。"},
        {DbError(SQLITE_BUSY_SNAPSHOT, "x"), "数据库正被另一个程序使用。"},
        {DbError(SQLITE_FULL, "database or disk is full"), "磁盘空间已满。"},
        {DbError(SQLITE_IOERR_WRITE, "disk I/O error", ENOSPC), "磁盘空间已满。"},
        {DbError(SQLITE_IOERR_WRITE, "disk I/O error", EFBIG), "磁盘空间已满。"},
        {DbError(SQLITE_READONLY_DIRECTORY, "x"), "数据库文件所在的文件夹是只读的。"},
        {DbError(SQLITE_READONLY, "x"), "数据库文件是只读的。"},
        {DbError(SQLITE_NOTADB, "x"), "数据库文件已损坏，或者不是数据库文件。"},
        {DbError(SQLITE_CORRUPT, "malformed"), "数据库文件已损坏（malformed）。"},
        {DbError(SQLITE_IOERR_READ, "disk I/O error", EIO), "原因：disk I/O error"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(data::DatabaseFailureReason(c.error), QString::fromUtf8(c.reason)) << c.reason;
    EXPECT_EQ(data::DatabaseFailureReason(DbError(SQLITE_CANTOPEN, "unable to open"), "/nowhere/veltora.mdb"),
              QStringLiteral("找不到数据库文件 /nowhere/veltora.mdb。"));
}

} // namespace
