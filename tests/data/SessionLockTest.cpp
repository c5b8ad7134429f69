// The session lock on the database file itself: whatever name the file is reached under, and
// whatever is done to the files beside it, a start beside a live session leaves that session's
// journal alone, two names of one file are told apart whatever they are, and a start that cannot
// lock a file it may write says so and leaves the journals as they are.

#include "data/SessionLock.h"
#include "DatabaseFileSupport.h"
#include "data/DataFiles.h"
#include "platform/db/Connection.h"
#include "tests/common/Warnings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <future>
#include <map>
#include <thread>

namespace {

using namespace datafiles_test;

QList<int> Ids(const QString& path) {
    db::Connection c;
    c.OpenFile(path);
    QList<int> ids;
    for (db::Recordset rs = c.Execute("SELECT id FROM tavrinGrade ORDER BY id"); !rs.IsEOF(); rs.MoveNext())
        ids << rs.Field(0).ToInt();
    return ids;
}

// A session killed with rows in its journal: the file and the journal as it left them.
void LeaveAJournal(const QString& path, int rows) {
    db::Connection c;
    c.OpenFile(path);
    AddGrades(c, 1, rows);
    const QByteArray file = ReadFile(path);
    const QByteArray wal = ReadFile(path + "-wal");
    c.Close();
    WriteFile(path, file);
    WriteFile(path + "-wal", wal);
}

TEST(SessionLock, ALiveSessionIsSeenUnderEveryNameOfItsFile) {
    QTemporaryDir dir;
    const QString db = MakeFile(dir);
    data::SessionLock live;
    ASSERT_TRUE(data::EnsureDataFiles(dir.path(), live).reconciled);

    // No file beside the database holds the lock: tidying the folder changes nothing.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"veltora.mdb"});
    WriteFile(dir.filePath("veltora.mdb.lock"), {});
    ASSERT_TRUE(QFile::remove(dir.filePath("veltora.mdb.lock")));
    data::SessionLock second;
    data::DataFilesReport report = data::EnsureDataFiles(dir.path(), second);
    EXPECT_FALSE(report.reconciled);
    EXPECT_FALSE(report.openUnderAnotherName);
    EXPECT_TRUE(second.IsHeld());

    // A hard link in another folder: the start there sees the session, and since its journal would
    // lie beside the other name, it must not open the file at all.
    QTemporaryDir other;
    ASSERT_EQ(::link(QFile::encodeName(db).constData(), QFile::encodeName(data::DatabasePath(other.path()))),
              0);
    data::SessionLock linked;
    report = data::EnsureDataFiles(other.path(), linked);
    EXPECT_FALSE(report.reconciled);
    EXPECT_TRUE(report.openUnderAnotherName);
    linked.Release(); // that start ends there

    // A symbolic link is the same name as its target: SQLite opens the target, journal and all.
    QTemporaryDir symbolic;
    ASSERT_TRUE(QFile::link(db, data::DatabasePath(symbolic.path())));
    data::SessionLock viaLink;
    report = data::EnsureDataFiles(symbolic.path(), viaLink);
    EXPECT_FALSE(report.reconciled);
    EXPECT_FALSE(report.openUnderAnotherName);

    // Once every session has ended, the next start under any name is alone.
    live.Release();
    second.Release();
    viaLink.Release();
    EXPECT_TRUE(data::EnsureDataFiles(other.path(), linked).reconciled);
}

TEST(SessionLock, ACopyPutBackBehindASymbolicLinkNeverGetsTheLaterJournal) {
    QTemporaryDir store;
    QTemporaryDir home;
    const QString target = store.filePath("school.mdb");
    MakeFile(store);
    ASSERT_TRUE(QFile::rename(data::DatabasePath(store.path()), target));
    {
        db::Connection c;
        c.OpenFile(target);
        AddGrades(c, 1, 10);
    }
    ASSERT_TRUE(QFile::link(target, data::DatabasePath(home.path())));
    const QByteArray backup = ReadFile(target);
    // A session through the link, many rows and a checkpoint after the backup, then killed; the
    // backup is put back over the target.
    {
        db::Connection c;
        c.OpenFile(data::DatabasePath(home.path()));
        AddGrades(c, 11, 3000);
        AddGrades(c, 3011, 20);
        const QByteArray wal = ReadFile(target + "-wal");
        c.Close();
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(target + suffix);
        WriteFile(target, backup);
        WriteFile(target + "-wal", wal);
    }
    data::SessionLock lock;
    const data::DataFilesReport report = data::EnsureDataFiles(home.path(), lock);
    ASSERT_EQ(report.setAside.size(), 1);
    EXPECT_TRUE(report.setAside.first().startsWith(target + "-wal."));
    QList<int> ten;
    for (int id = 1; id <= 10; ++id)
        ten << id;
    EXPECT_EQ(Ids(data::DatabasePath(home.path())), ten);
}

void HardLink(const QString& from, const QString& to) {
    ASSERT_EQ(::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()), 0);
}

// The byte of 4,096 that a single hash of the name (FNV-1a) gives it.
unsigned SingleHashByte(const QString& name) {
    std::uint32_t hash = 2166136261u;
    for (const char c : name.toUtf8())
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash % 4096;
}

TEST(SessionLock, HardLinksInFoldersWhoseNamesShareAByteAreToldApart) {
    QTemporaryDir parent;
    const QString base = QFileInfo(parent.path()).canonicalFilePath();
    // Two folder names whose database paths fall on the same byte of the single hash.
    std::map<unsigned, QString> seen;
    QString first;
    QString second;
    for (int n = 0; second.isEmpty(); ++n) {
        const QString folder = base + QStringLiteral("/school") + QString::number(n);
        const auto [at, fresh] = seen.emplace(SingleHashByte(data::DatabasePath(folder)), folder);
        if (!fresh) {
            first = at->second;
            second = folder;
        }
    }
    ASSERT_TRUE(QDir().mkdir(first));
    ASSERT_TRUE(QDir().mkdir(second));
    EXPECT_EQ(data::SessionLock::NameBytesOf(data::DatabasePath(first))[0],
              data::SessionLock::NameBytesOf(data::DatabasePath(second))[0]);

    const QString db = MakeFile(parent);
    HardLink(db, data::DatabasePath(first));
    HardLink(db, data::DatabasePath(second));
    data::SessionLock live;
    ASSERT_TRUE(data::EnsureDataFiles(first, live).reconciled);
    data::SessionLock linked;
    const data::DataFilesReport report = data::EnsureDataFiles(second, linked);
    EXPECT_TRUE(report.openUnderAnotherName);
    EXPECT_FALSE(report.reconciled);
    // The refused start holds nothing, so later starts under the live session's name still open.
    EXPECT_FALSE(linked.IsHeld());
    data::SessionLock again;
    EXPECT_FALSE(data::EnsureDataFiles(first, again).openUnderAnotherName);
    EXPECT_TRUE(again.IsHeld());
}

TEST(SessionLock, AStartFromTheTwinHoldsTheDatabasesOwnName) {
    QTemporaryDir dir;
    const QString db = MakeFile(dir);
    ASSERT_TRUE(QFile::rename(db, data::TwinPath(db)));
    data::SessionLock first;
    ASSERT_TRUE(data::EnsureDataFiles(dir.path(), first).reconciled);
    ASSERT_TRUE(QFile::exists(db));
    EXPECT_TRUE(first.IsHeld());

    // A second window on the same folder opens beside it; one through a hard link elsewhere does not.
    data::SessionLock second;
    data::DataFilesReport report = data::EnsureDataFiles(dir.path(), second);
    EXPECT_FALSE(report.openUnderAnotherName);
    EXPECT_FALSE(report.reconciled);
    EXPECT_TRUE(second.IsHeld());
    QTemporaryDir other;
    HardLink(db, data::DatabasePath(other.path()));
    data::SessionLock linked;
    EXPECT_TRUE(data::EnsureDataFiles(other.path(), linked).openUnderAnotherName);
}

std::atomic<bool> g_waited{false};
std::promise<void> g_waiting;

// The system's lock call, telling the first time a start is about to wait.
int TellingLock(int fd, int command, void* lock) {
    if (command == F_OFD_SETLKW && !g_waited.exchange(true))
        g_waiting.set_value();
    return ::fcntl(fd, command, static_cast<struct flock*>(lock));
}

TEST(SessionLock, AStartThatWaitedOnTheTwinHoldsTheDatabasesOwnName) {
    QTemporaryDir dir;
    const QString db = MakeFile(dir);
    const QString twin = data::TwinPath(db);
    ASSERT_TRUE(QFile::rename(db, twin));
    // Another start holds the twin while it turns it into the database.
    data::SessionLock first;
    first.Acquire(twin);
    ASSERT_TRUE(first.IsExclusive());
    g_waiting = {};
    g_waited = false;
    data::SessionLock::SetLockCallForTesting(&TellingLock);
    data::SessionLock second;
    data::DataFilesReport report;
    std::thread start([&] { report = data::EnsureDataFiles(dir.path(), second); });
    g_waiting.get_future().wait();
    EXPECT_TRUE(QFile::rename(twin, db));
    first.Release();
    start.join();
    data::SessionLock::SetLockCallForTesting(nullptr);
    EXPECT_TRUE(second.IsHeld());
    data::SessionLock third;
    EXPECT_FALSE(data::EnsureDataFiles(dir.path(), third).openUnderAnotherName);
    EXPECT_TRUE(third.IsHeld());
}

int g_lockErrno = 0;

int FailingLock(int, int, void*) {
    errno = g_lockErrno;
    return -1;
}

TEST(SessionLock, AFileThatCannotBeLockedIsToldAndItsJournalsLeftAlone) {
    for (const int error : {ENOLCK, EINVAL, EACCES}) {
        QTemporaryDir dir;
        const QString db = MakeFile(dir);
        LeaveAJournal(db, 20);
        const QByteArray wal = ReadFile(db + "-wal");
        ASSERT_FALSE(wal.isEmpty());
        g_lockErrno = error;
        data::SessionLock::SetLockCallForTesting(&FailingLock);
        data::DataFilesReport report;
        {
            testwarnings::ExpectWarning refused("lock");
            data::SessionLock lock;
            report = data::EnsureDataFiles(dir.path(), lock);
        }
        data::SessionLock::SetLockCallForTesting(nullptr);
        EXPECT_TRUE(report.lockUnavailable) << error;
        EXPECT_FALSE(report.reconciled) << error;
        EXPECT_EQ(ReadFile(db + "-wal"), wal) << error;
        EXPECT_EQ(Ids(db).size(), 20) << error;
    }
}

TEST(SessionLock, AFileThatCannotBeWrittenIsLockedSharedAndNotToldAsUnlockable) {
    QTemporaryDir dir;
    const QString db = MakeFile(dir);
    LeaveAJournal(db, 20);
    const QByteArray wal = ReadFile(db + "-wal");
    // Root writes any file: the start then runs as nobody, for whom the file is read-only.
    ASSERT_TRUE(QFile::setPermissions(db, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::WriteOther |
                                                      QFile::ExeOther));
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(97);
        data::SessionLock lock;
        const data::DataFilesReport report = data::EnsureDataFiles(dir.path(), lock);
        ::_exit((report.lockUnavailable ? 1 : 0) | (report.reconciled ? 2 : 0) | (lock.ReadOnly() ? 0 : 4) |
                (lock.IsHeld() ? 0 : 8) | (lock.IsExclusive() ? 16 : 0));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 97) << "cannot run as nobody";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(ReadFile(db + "-wal"), wal);
    EXPECT_EQ(Ids(db).size(), 20);
}

} // namespace
