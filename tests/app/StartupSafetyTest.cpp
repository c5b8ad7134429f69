// The real program's care for its database file: ended by the system, started beside a journal
// that is not the file's own, on a foreign, damaged, locked or unwritable file, on a full disk,
// and from a directory whose name holds ';' and quotes.

#include "StartupSupport.h"

#include "data/DataFiles.h"
#include "data/Schema.h"
#include "platform/db/Connection.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <memory>
#include <vector>

namespace {

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void SetModified(const QString& path, const QDateTime& when) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
}

QStringList Journals(const QString& db) {
    QStringList found;
    for (const char* suffix : db::kJournalSuffixes)
        if (QFile::exists(db + suffix))
            found << suffix;
    return found;
}

// The message the program showed, as the smoke mode writes it ("message: caption | text").
bool Told(const RunResult& r, const QString& text) {
    return r.err.contains(QStringLiteral(" | ") + text);
}

class StartupSafety : public Startup {
protected:
    // The shipped database as an older version left it: the roster and score table without the
    // columns the upgrade adds, and without the program's mark.
    void MakeOldDatabase(const QString& path) {
        ASSERT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        db::Connection c;
        c.OpenFile(path, "Tavrin#2008");
        for (const char* table : {"tavrinName", "tavrinKSK"})
            for (const char* column : {"kh", "xjType", "AB"})
                c.Execute(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(table, column));
        c.Execute("PRAGMA application_id=0");
    }

    static bool HasColumn(db::Connection& c, const QString& table, const QString& column) {
        return !c.Execute(QStringLiteral("SELECT 1 FROM pragma_table_info(?) WHERE name=? COLLATE NOCASE"),
                          table, column)
                    .IsEOF();
    }

    // A session that ended without closing its database (the shipped one): the file as it was
    // then, and its write-ahead journal holding a grade the file has not (id 77, "崩溃前").
    struct CrashedSession {
        QByteArray file;
        QByteArray wal;
    };
    static CrashedSession Crash() {
        QTemporaryDir dir;
        const QString path = dir.filePath("veltora.mdb");
        EXPECT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        CrashedSession session;
        db::Connection c;
        c.OpenFile(path, "Tavrin#2008");
        session.file = ReadFile(path); // WAL mode by now; the grade below goes to the journal
        c.Execute("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (77, '崩溃前', '12077')");
        session.wal = ReadFile(path + "-wal");
        EXPECT_FALSE(session.wal.isEmpty());
        return session;
    }

    QString Grade(const QString& path, int id) {
        db::Connection c;
        c.OpenFile(path, "Tavrin#2008");
        const db::Recordset rs = c.Execute("SELECT mydesc FROM tavrinGrade WHERE id=?", id);
        return rs.IsEOF() ? QString() : rs.Field(0).ToString();
    }
};

TEST_F(StartupSafety, TerminationSignalsEndTheRunCleanly) {
    MakeOldDatabase(Db());
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        QProcess p;
        Launch(p, home.path(), 2);
        ASSERT_TRUE(p.waitForReadyRead(30000)) << signal;
        ASSERT_TRUE(p.canReadLine() || p.waitForReadyRead(30000));
        EXPECT_TRUE(p.readLine().startsWith("started: main window shown"));
        // While it runs, the database has its write-ahead journal, holding the upgrade.
        EXPECT_TRUE(QFile::exists(Db() + "-wal"));
        ::kill(static_cast<pid_t>(p.processId()), signal);
        const RunResult r = Finish(p);
        EXPECT_EQ(r.exitCode, 0) << signal << r.err.toStdString();
        EXPECT_TRUE(r.out.contains("ended: 0")) << signal;
        EXPECT_EQ(Journals(Db()), QStringList()) << signal;
    }
    // The file alone holds everything: the upgrade's columns and the program's mark.
    QTemporaryDir elsewhere;
    const QString copy = elsewhere.filePath("copy.mdb");
    ASSERT_TRUE(QFile::copy(Db(), copy));
    db::Connection c;
    c.OpenFile(copy, "Tavrin#2008");
    EXPECT_TRUE(HasColumn(c, "tavrinName", "kh"));
    EXPECT_TRUE(HasColumn(c, "tavrinKSK", "xjType"));
    EXPECT_EQ(c.Execute("PRAGMA application_id").Field(0).ToInt64(), data::kApplicationId);
    EXPECT_EQ(c.Execute("PRAGMA quick_check").Field(0).ToString(), "ok");
    EXPECT_EQ(StoredVersion(), "20080101");
}

TEST_F(StartupSafety, JournalOfAReplacedFileIsSetAsideAndAJournalOfItsOwnIsApplied) {
    const CrashedSession crashed = Crash();
    const QDateTime crash = QDateTime::currentDateTime().addSecs(-3600);

    // The file was then replaced by a backup: the journal is not its own.
    ASSERT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, Db()));
    QFile::setPermissions(Db(), QFile::ReadOwner | QFile::WriteOwner);
    WriteFile(Db() + "-wal", crashed.wal);
    SetModified(Db() + "-wal", crash);
    RunResult r = Start();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(
        r.err.contains(QStringLiteral("veltora.mdb-wal.%1.orphan").arg(crash.toString("yyyyMMdd-HHmmss"))))
        << r.err.toStdString();
    EXPECT_EQ(ReadFile(Db() + QStringLiteral("-wal.%1.orphan").arg(crash.toString("yyyyMMdd-HHmmss"))),
              crashed.wal);
    EXPECT_EQ(Grade(Db(), 77), ""); // the backup's rows, not the crashed session's
    EXPECT_EQ(Journals(Db()), QStringList());

    // The file the session crashed on, with its journal: the session's work is recovered.
    QFile::remove(Db());
    WriteFile(Db(), crashed.file);
    WriteFile(Db() + "-wal", crashed.wal);
    SetModified(Db() + "-wal", crash.addSecs(-600)); // older than the file: still its own
    r = Start();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(r.err.contains("message:")) << r.err.toStdString();
    EXPECT_EQ(Grade(Db(), 77), "崩溃前");
}

TEST_F(StartupSafety, ShippedDatabaseMakerRemovesJournalsOfTheOldFile) {
    const CrashedSession crashed = Crash();
    for (const char* name : {"veltora.mdb", "veltora.mdb.new"})
        WriteFile(home.filePath(name) + "-wal", crashed.wal);
    QProcess mkdb;
    mkdb.start(VELTORA_MKDB, {Db()});
    ASSERT_TRUE(mkdb.waitForFinished(30000));
    EXPECT_EQ(mkdb.exitCode(), 0) << mkdb.readAllStandardError().toStdString();
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{"veltora.mdb"});
    EXPECT_EQ(Grade(Db(), 77), "");
    db::Connection c;
    c.OpenFile(Db(), "Tavrin#2008");
    EXPECT_EQ(c.Execute("SELECT count(*) FROM tavrinKMK").Field(0).ToInt(), 9);
    EXPECT_EQ(c.Execute("PRAGMA application_id").Field(0).ToInt64(), data::kApplicationId);
}

TEST_F(StartupSafety, ForeignDatabaseIsRefusedAndLeftAsItWas) {
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(Db().toUtf8().constData(), &raw), SQLITE_OK);
        sqlite3_exec(raw,
                     "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT);"
                     "CREATE TABLE tavrinKMK (id INTEGER, mydesc TEXT);"
                     "INSERT INTO moz_places (url) VALUES ('https://example.org');",
                     nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    const QByteArray before = ReadFile(Db());
    const RunResult r = Start();
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(Told(r, QStringLiteral("%1\n这不是 Veltora 的数据库文件。").arg(kConnectFailed)))
        << r.err.toStdString();
    EXPECT_EQ(ReadFile(Db()), before);
    // Nothing beside it: the session lock is on the file itself.
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{"veltora.mdb"});
    EXPECT_EQ(StoredVersion(), "");
}

TEST_F(StartupSafety, StartsBesideALiveSessionLeaveItsJournalAlone) {
    // A session commits rows one at a time while the program is started again and again on the
    // same folder (a teacher double-clicking twice); another program holds a read as the session
    // opens, so that its mark waits to go into the file.
    ASSERT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, Db()));
    QFile::setPermissions(Db(), QFile::ReadOwner | QFile::WriteOwner);
    { // the upgrade done once, so that the starts below write nothing of their own
        const RunResult r = Start();
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    for (int round = 0; round < 3; ++round) {
        // The reader is opened after the fork: an SQLite connection must not be carried across one.
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        const pid_t session = ::fork();
        if (session == 0) {
            ::close(go[1]);
            char byte;
            if (::read(go[0], &byte, 1) != 1)
                ::_exit(4);
            data::SessionLock lock;
            const data::DataFilesReport files = data::EnsureDataFiles(home.path(), lock);
            try {
                db::Connection c;
                c.OpenFile(Db(), "Tavrin#2008");
                for (int i = 0; i < 300; ++i) {
                    c.Execute("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (?, 'g', ?)",
                              1000 * (round + 1) + i, QString::number(i));
                    ::usleep(2000);
                }
            } catch (const db::DbError&) {
                ::_exit(5);
            }
            ::_exit(0);
        }
        ::close(go[0]);
        sqlite3* reader = nullptr;
        ASSERT_EQ(sqlite3_open(Db().toUtf8().constData(), &reader), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM tavrinGrade", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        ASSERT_EQ(::write(go[1], "g", 1), 1);
        ::close(go[1]);
        ::usleep(20000);
        std::vector<std::unique_ptr<QProcess>> starts;
        for (int k = 0; k < 2; ++k) {
            starts.push_back(std::make_unique<QProcess>());
            Launch(*starts.back(), home.path());
        }
        ::usleep(300000);
        sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(reader);
        for (auto& p : starts) {
            const RunResult r = Finish(*p);
            EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
            EXPECT_FALSE(r.err.contains("orphan")) << r.err.toStdString();
        }
        int status = 0;
        ::waitpid(session, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        db::Connection c;
        c.OpenFile(Db(), "Tavrin#2008");
        EXPECT_EQ(
            c.Execute("SELECT count(*) FROM tavrinGrade WHERE id>=?", 1000 * (round + 1)).Field(0).ToInt(),
            300)
            << round;
    }
}

TEST_F(StartupSafety, AFileCarryingATriggerIsRefusedAndLeftAsItWas) {
    ASSERT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, Db()));
    QFile::setPermissions(Db(), QFile::ReadOwner | QFile::WriteOwner);
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(Db().toUtf8().constData(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(
                      raw, "CREATE TRIGGER wipe AFTER UPDATE ON tavrinName BEGIN DELETE FROM tavrinKSK; END",
                      nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    const QByteArray before = ReadFile(Db());
    const RunResult r = Start();
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(Told(
        r,
        QStringLiteral("%1\n数据库文件中有不是 Veltora 建立的触发器或视图（wipe），为了数据安全没有打开它。")
            .arg(kConnectFailed)))
        << r.err.toStdString();
    EXPECT_EQ(ReadFile(Db()), before);
    EXPECT_EQ(Journals(Db()), QStringList());
}

TEST_F(StartupSafety, DamagedDatabasesAreRefusedAndLeftAsTheyWere) {
    const QByteArray shipped = ReadFile(VELTORA_SHIPPED_DATABASE);
    int subjects = 0; // the page of the subjects' table
    {
        QTemporaryDir scratch;
        const QString path = scratch.filePath("s.mdb");
        WriteFile(path, shipped);
        db::Connection c;
        c.OpenFile(path, "Tavrin#2008");
        subjects = c.Execute("SELECT rootpage FROM sqlite_master WHERE name='tavrinKMK'").Field(0).ToInt();
    }
    ASSERT_GT(subjects, 1);
    const qsizetype page = qsizetype(subjects - 1) * 4096;
    const struct {
        const char* what;
        std::function<void(QByteArray&)> mutate;
        const char* reason;
    } cases[] = {
        {"header", [](QByteArray& b) { b[0] = 'X'; }, "数据库文件已损坏，或者不是数据库文件。"},
        {"schema page", [](QByteArray& b) { b[100] = 0x03; }, "数据库文件已损坏（"},
        {"page type", [&](QByteArray& b) { b[page] = 0x00; }, "数据库文件已损坏（"},
        {"cell offset", // the message names the damage
         [&](QByteArray& b) {
             b[page + 8] = char(0xFF);
             b[page + 9] = char(0xF0);
         },
         "数据库文件已损坏（On tree page "},
        {"free space",
         [&](QByteArray& b) {
             b[page + 1] = 0x0F;
             b[page + 2] = char(0xFF);
         },
         "数据库文件已损坏（"},
        {"truncated", [&](QByteArray& b) { b.truncate(page + 4096); }, "数据库文件已损坏（"},
    };
    for (const auto& k : cases) {
        QByteArray bytes = shipped;
        k.mutate(bytes);
        QFile::remove(Db());
        WriteFile(Db(), bytes);
        const RunResult r = Start();
        EXPECT_NE(r.exitCode, 0) << k.what;
        EXPECT_TRUE(Told(r, QStringLiteral("%1\n%2").arg(kConnectFailed, QString::fromUtf8(k.reason))))
            << k.what << ": " << r.err.toStdString();
        EXPECT_EQ(ReadFile(Db()), bytes) << k.what;
        EXPECT_EQ(Journals(Db()), QStringList()) << k.what;
    }
}

TEST_F(StartupSafety, ProgramDirectoryWithSemicolonAndQuotes) {
    const QString dir = home.filePath("成绩;a'b\"c");
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, dir + "/veltora.mdb"));
    const RunResult r = Start(dir);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("main window shown"));
    EXPECT_FALSE(r.err.contains("message:")) << r.err.toStdString();
}

TEST_F(StartupSafety, ALockedFileIsToldAtOpenAndAtUpgrade) {
    // Another program writes to a file in rollback-journal mode: the program cannot even read it.
    ASSERT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, Db()));
    QFile::setPermissions(Db(), QFile::ReadOwner | QFile::WriteOwner);
    {
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(Db().toUtf8().constData(), &other), SQLITE_OK);
        ASSERT_EQ(
            sqlite3_exec(other, "PRAGMA journal_mode=DELETE; BEGIN EXCLUSIVE", nullptr, nullptr, nullptr),
            SQLITE_OK);
        const RunResult r = Start();
        sqlite3_close(other);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(Told(r, QStringLiteral("%1\n数据库正被另一个程序使用。").arg(kConnectFailed)))
            << r.err.toStdString();
    }

    // In write-ahead mode it can read, but the upgrade cannot write: it is told, nothing of it
    // is kept, the program runs on, and the next start tries again.
    QFile::remove(Db());
    MakeOldDatabase(Db());
    db::Connection other;
    other.OpenFile(Db(), "Tavrin#2008");
    other.Execute("BEGIN IMMEDIATE");
    RunResult r = Start();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(Told(r, QStringLiteral("对不起，数据库升级失败！\n数据库正被另一个程序使用。")))
        << r.err.toStdString();
    EXPECT_FALSE(HasColumn(other, "tavrinName", "kh"));
    EXPECT_EQ(StoredVersion(), "");
    other.Execute("ROLLBACK");
    r = Start();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(r.err.contains("message:")) << r.err.toStdString();
    EXPECT_TRUE(HasColumn(other, "tavrinName", "kh"));
    EXPECT_EQ(StoredVersion(), "20080101");
}

TEST_F(StartupSafety, AReadOnlyFolderOrFileIsToldAtOpenAsTheOneReason) {
    ASSERT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, Db()));
    const QByteArray before = ReadFile(Db());
    // Root may write anywhere: the program then runs as nobody, as a user without the right would.
    // The build may lie where nobody cannot go (a clone in root's own folder): nobody then runs a
    // copy of the program in a folder of its own.
    const bool asNobody = ::geteuid() == 0;
    QTemporaryDir place;
    QString program = QStringLiteral(VELTORA_EXECUTABLE);
    if (asNobody) {
        ASSERT_TRUE(place.isValid());
        program = CopyOfProgram(place.path());
        ASSERT_FALSE(program.isEmpty()) << "the program could not be copied";
    }
    const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                     QFile::WriteOther | QFile::ExeOther;
    const auto readable = QFile::ReadOwner | QFile::ReadOther;
    QFile::setPermissions(config.path(), all);
    const QByteArray programPath = QFile::encodeName(program);
    struct Case {
        QFileDevice::Permissions folder;
        QFileDevice::Permissions file;
        const char* reason;
    };
    for (const Case& c :
         {Case{readable | QFile::ExeOwner | QFile::ExeOther, readable | QFile::WriteOwner | QFile::WriteOther,
               "数据库文件所在的文件夹是只读的。"},
          Case{all, readable, "数据库文件是只读的。"}}) {
        QFile::setPermissions(Db(), c.file);
        QFile::setPermissions(home.path(), c.folder);
        const RunResult r = StartProgram(program, home.path(), [asNobody, programPath] {
            if (asNobody && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(97);
            if (::access(programPath.constData(), X_OK) != 0)
                ::_exit(98);
        });
        QFile::setPermissions(home.path(), all);
        ASSERT_NE(r.exitCode, 97) << "cannot run as nobody";
        if (r.exitCode == 98)
            GTEST_SKIP() << "nobody cannot run the program at " << program.toStdString()
                         << " (is the temporary folder mounted noexec or out of its reach?)";
        EXPECT_NE(r.exitCode, 0) << c.reason;
        // The real reason alone: nothing about a lock that nobody could have taken for writing.
        EXPECT_EQ(r.err.count(QStringLiteral("message:")), 1) << r.err.toStdString();
        EXPECT_TRUE(Told(r, QStringLiteral("%1\n%2").arg(kConnectFailed, QString::fromUtf8(c.reason))))
            << r.err.toStdString();
        EXPECT_EQ(ReadFile(Db()), before) << c.reason;
    }
}

TEST_F(StartupSafety, AFullDiskIsToldAtOpen) {
    ASSERT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, Db()));
    QFile::setPermissions(Db(), QFile::ReadOwner | QFile::WriteOwner);
    // No file may grow past 1 KB: the journal the open needs cannot be written, as on a full disk.
    const RunResult r = Start(home.path(), [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(Told(r, QStringLiteral("%1\n磁盘空间已满。").arg(kConnectFailed))) << r.err.toStdString();
}

} // namespace
