// The database file's journals, the program's mark, and the reasons told for a failure.

#include "DatabaseFileSupport.h"
#include "data/AppContext.h"
#include "data/DataFiles.h"
#include "data/Schema.h"
#include "platform/db/Connection.h"
#include "platform/db/Transaction.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <functional>

namespace {

using namespace datafiles_test;

int RefusalCode(db::Connection& c) {
    try {
        data::CheckDatabaseFile(c);
    } catch (const db::DbError& e) {
        return e.Code();
    }
    return 0;
}

// The rows of the grade table, the test's record of what was committed.
QStringList Grades(const QString& path) {
    db::Connection c;
    c.SetFileCheck(data::CheckDatabaseFile);
    c.OpenFile(path);
    EXPECT_EQ(c.Execute("PRAGMA integrity_check").Field(0).ToString(), "ok");
    QStringList rows;
    for (db::Recordset rs = c.Execute("SELECT id, mydesc FROM tavrinGrade ORDER BY id"); !rs.IsEOF();
         rs.MoveNext())
        rows << rs.Field(0).ToString() + u'=' + rs.Field(1).ToString();
    return rows;
}

// A session ended without closing its file (killed): the file and its journal as the session left them.
struct Session {
    QByteArray file;
    QByteArray wal;
};

Session Killed(const QString& path, const std::function<void(db::Connection&)>& work) {
    db::Connection c;
    c.OpenFile(path);
    work(c);
    return {ReadFile(path), ReadFile(path + "-wal")};
}

void Lay(const QString& path, const QByteArray& file, const QByteArray& wal) {
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(path + suffix);
    WriteFile(path, file);
    if (!wal.isNull())
        WriteFile(path + "-wal", wal);
}

TEST(DatabaseFile, TheTwinMovesInWithoutTheJournalsOfTheFileThatIsGone) {
    QTemporaryDir dir;
    const QString db = data::DatabasePath(dir.path());
    WriteFile(data::TwinPath(db), "twin");
    for (const char* suffix : db::kJournalSuffixes)
        WriteFile(db + suffix, "stale");
    EXPECT_TRUE(Reconcile(dir.path()).setAside.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"veltora.mdb"});
}

TEST(DatabaseFile, AJournalOfTheFilesOwnIsAlwaysAppliedAndAnotherFilesNever) {
    QTemporaryDir dir;
    const QString db = MakeFile(dir);
    const QByteArray atRest = ReadFile(db); // a backup taken between two sessions
    const Session s = Killed(db, [](db::Connection& c) { AddGrades(c, 1, 3); });
    ASSERT_FALSE(s.wal.isEmpty());
    const QStringList all{"1=" + QString(300, QChar(u'年')) + "1", "2=" + QString(300, QChar(u'年')) + "2",
                          "3=" + QString(300, QChar(u'年')) + "3"};

    // The file the session was killed on, whatever the times of the two files say.
    const QDateTime session(QDate(2024, 3, 5), QTime(14, 30, 7));
    Lay(db, s.file, {});
    WriteFile(db + "-wal", s.wal, session.addSecs(-600));
    EXPECT_TRUE(Reconcile(dir.path()).setAside.isEmpty());
    EXPECT_EQ(Grades(db), all);

    // The backup put back after that session: the journal is set aside under its own time, unread.
    Lay(db, atRest, {});
    WriteFile(db + "-wal", s.wal, session);
    WriteFile(db + "-shm", "its index");
    const QString wal = db + "-wal.20240305-143007.orphan";
    EXPECT_EQ(Reconcile(dir.path()).setAside, (QStringList{wal, db + "-shm.20240305-143007.orphan"}));
    EXPECT_EQ(ReadFile(wal), s.wal);
    EXPECT_EQ(ReadFile(db), atRest);
    EXPECT_EQ(Grades(db), QStringList());
    // A second orphan of the same second keeps the first.
    WriteFile(db + "-wal", s.wal, session);
    EXPECT_EQ(data::SetAsideOrphanJournal(db), QStringList{db + "-wal.20240305-143007-2.orphan"});
    EXPECT_EQ(ReadFile(wal), s.wal);

    // A journal SQLite would not read (no valid header) is no one's to judge: SQLite ignores it.
    Lay(db, s.file, "not a journal");
    EXPECT_TRUE(Reconcile(dir.path()).setAside.isEmpty());
    EXPECT_EQ(Grades(db), QStringList());
}

TEST(DatabaseFile, ACheckpointCutShortAtAnyPageLosesNothing) {
    QTemporaryDir dir;
    const QString db = MakeFile(dir);
    // Enough rows that the checkpoint writes many pages and the file grows.
    const Session s = Killed(db, [](db::Connection& c) {
        AddGrades(c, 1, 120);
        AddGrades(c, 121, 120);
    });
    // The file as a whole checkpoint leaves it, made on a copy.
    QByteArray done;
    {
        QTemporaryDir scratch;
        const QString copy = scratch.filePath("c.mdb");
        Lay(copy, s.file, s.wal);
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(copy.toUtf8().constData(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, "PRAGMA wal_checkpoint(FULL)", nullptr, nullptr, nullptr), SQLITE_OK);
        done = ReadFile(copy);
        sqlite3_close(raw);
    }
    ASSERT_GT(done.size(), s.file.size());
    // A checkpoint writes the pages in order: cut short after `pages` of them, the file holds the
    // new pages before that point and the old ones after it.
    const qsizetype pageSize = 4096;
    for (qsizetype pages = 0; pages * pageSize <= done.size(); pages += 7) {
        QByteArray cut = done.left(pages * pageSize);
        if (cut.size() < s.file.size())
            cut += s.file.mid(cut.size());
        Lay(db, cut, s.wal);
        EXPECT_TRUE(Reconcile(dir.path()).setAside.isEmpty()) << pages;
        EXPECT_EQ(Grades(db).size(), 240) << pages;
    }
}

TEST(DatabaseFile, AJournalCheckpointedInPartByAnotherProgramIsApplied) {
    // Commit A, commit B, a checkpoint that copies only A (a reader held A's snapshot), the
    // session killed: both are the file's.
    QTemporaryDir dir;
    const QString db = MakeFile(dir);
    const Session s = Killed(db, [&](db::Connection& c) {
        AddGrades(c, 1, 1);
        sqlite3* reader = nullptr;
        ASSERT_EQ(sqlite3_open(db.toUtf8().constData(), &reader), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM tavrinGrade", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        AddGrades(c, 2, 1);
        sqlite3_exec(c.Handle(), "PRAGMA wal_checkpoint(PASSIVE)", nullptr, nullptr, nullptr);
        sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(reader);
    });
    Lay(db, s.file, s.wal);
    EXPECT_TRUE(Reconcile(dir.path()).setAside.isEmpty());
    EXPECT_EQ(Grades(db).size(), 2);
}

TEST(DatabaseFile, AJournalHoldingOnlyASessionMarkIsDropped) {
    // The session ended while moving its mark into the file: the journal holds the mark alone.
    QTemporaryDir dir;
    const QString db = MakeFile(dir);
    QByteArray file, wal;
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(db.toUtf8().constData(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, "PRAGMA wal_autocheckpoint=0; PRAGMA user_version=4242", nullptr, nullptr,
                               nullptr),
                  SQLITE_OK);
        file = ReadFile(db);
        wal = ReadFile(db + "-wal");
        sqlite3_close(raw);
    }
    ASSERT_FALSE(wal.isEmpty());
    Lay(db, file, wal);
    EXPECT_TRUE(Reconcile(dir.path()).setAside.isEmpty());
    EXPECT_FALSE(QFile::exists(db + "-wal"));
    EXPECT_EQ(ReadFile(db), file);

    // Beside a file whose first page is another (a school whose tables differ), the same journal
    // is a stranger's: set aside.
    QTemporaryDir other;
    const QString otherDb = MakeFile(other);
    {
        db::Connection c;
        c.OpenFile(otherDb);
        c.Execute("CREATE TABLE extra (x INTEGER)");
    }
    Lay(db, ReadFile(otherDb), wal);
    EXPECT_EQ(Reconcile(dir.path()).setAside.size(), 1);
}

TEST(DatabaseFile, AFullDiskAtCloseLosesNothing) {
    QTemporaryDir dir;
    const QString db = MakeFile(dir);
    {
        db::Connection c;
        c.OpenFile(db);
        AddGrades(c, 1, 200);
        // No file may grow past 1 KB now: the checkpoint at close cannot write the file.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const rlimit limit{1024, saved.rlim_max};
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        c.Close();
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
        std::signal(SIGXFSZ, SIG_DFL);
    }
    ASSERT_TRUE(QFile::exists(db + "-wal"));
    EXPECT_TRUE(Reconcile(dir.path()).setAside.isEmpty());
    EXPECT_EQ(Grades(db).size(), 200);
}

TEST(DatabaseFile, FilesWithTriggersOrViewsAreRefused) {
    db::Connection c;
    c.OpenFile(":memory:", {}, true);
    data::CreateSchema(c);
    c.Execute("CREATE TRIGGER wipe AFTER UPDATE ON tavrinName BEGIN DELETE FROM tavrinKSK; END");
    EXPECT_EQ(RefusalCode(c), db::DbError::kForeignSchema);
    try {
        data::CheckDatabaseFile(c);
    } catch (const db::DbError& e) {
        EXPECT_EQ(data::DatabaseFailureReason(e),
                  QStringLiteral(
                      "数据库文件中有不是 Veltora 建立的触发器或视图（wipe），为了数据安全没有打开它。"));
    }
    c.Execute("DROP TRIGGER wipe");
    c.Execute("CREATE VIEW v AS SELECT * FROM tavrinName");
    EXPECT_EQ(RefusalCode(c), db::DbError::kForeignSchema);
    c.Execute("DROP VIEW v");
    EXPECT_EQ(RefusalCode(c), 0);
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

    // A step's message: what failed, then the reason; the reports' texts give the reason alone
    // where the rule knows one, the error's own words otherwise.
    EXPECT_EQ(data::DatabaseFailureMessage(QStringLiteral("对不起，存盘时发生错误！"),
                                           DbError(SQLITE_READONLY_DIRECTORY, "readonly")),
              QStringLiteral("对不起，存盘时发生错误！\n数据库文件所在的文件夹是只读的。"));
    EXPECT_EQ(data::DbErrorText(DbError(SQLITE_FULL, "database or disk is full")),
              QStringLiteral("磁盘空间已满。"));
    EXPECT_EQ(data::DbErrorText(DbError(SQLITE_READONLY, "attempt to write a readonly database")),
              QStringLiteral("数据库文件是只读的。"));
    EXPECT_EQ(data::DbErrorText(DbError(SQLITE_CONSTRAINT, "refused")), QStringLiteral("refused"));
    EXPECT_EQ(data::DatabaseFailureReason(DbError(DbError::kNoCurrentRecord, "the row is gone: UPDATE ...")),
              QStringLiteral("要修改的记录已不在数据库中，可能已在另一个窗口中删除。"));
}

} // namespace
