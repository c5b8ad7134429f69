// The files of an open database that nothing outside SQLite may open or write.

#include "platform/db/FileGuard.h"
#include "platform/db/Connection.h"
#include "platform/db/Transaction.h"
#include "tests/common/OtherProcess.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

using db::FileUse;
using db::IsDatabaseFile;

class FileGuard : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkdir("other"));
        path = dir.filePath("veltora.mdb");
        connection.OpenFile(path, {}, true);
        connection.Execute("CREATE TABLE t (x INTEGER)");
    }
    bool Refused(const QString& name, FileUse use = FileUse::kRead) const {
        return IsDatabaseFile(name, use);
    }

    QTemporaryDir dir;
    QString path;
    db::Connection connection;
};

TEST_F(FileGuard, TheDatabaseItsJournalAndItsIndexAreToldByIdentityAndByName) {
    ASSERT_TRUE(QFile::exists(path + "-wal"));
    for (const QString& name : {path, path + "-wal", path + "-shm", dir.path() + "/other/../veltora.mdb"}) {
        EXPECT_TRUE(Refused(name)) << name.toStdString();
        EXPECT_TRUE(Refused(name, FileUse::kWrite)) << name.toStdString();
    }
    // Any other name of the same file: a symbolic link, a link to the link, a hard link elsewhere.
    ASSERT_TRUE(QFile::link(path, dir.filePath("other/picture.jpg")));
    ASSERT_TRUE(QFile::link(dir.filePath("other/picture.jpg"), dir.filePath("chain.bmp")));
    ASSERT_EQ(::link(QFile::encodeName(path + "-wal").constData(),
                     QFile::encodeName(dir.filePath("other/hard.txt")).constData()),
              0);
    EXPECT_TRUE(Refused(dir.filePath("other/picture.jpg")));
    EXPECT_TRUE(Refused(dir.filePath("chain.bmp"), FileUse::kWrite));
    EXPECT_TRUE(Refused(dir.filePath("other/hard.txt")));
    // A rollback journal that does not exist now would be met by the next start: a save under
    // its name, or through a link that leads there, is refused too.
    ASSERT_FALSE(QFile::exists(path + "-journal"));
    ASSERT_TRUE(QFile::link(path + "-journal", dir.filePath("other/export.xls")));
    EXPECT_TRUE(Refused(path + "-journal", FileUse::kWrite));
    EXPECT_TRUE(Refused(dir.filePath("other/export.xls"), FileUse::kWrite));

    // Files that only look alike are the user's.
    QFile same(dir.filePath("other/veltora.mdb"));
    ASSERT_TRUE(same.open(QIODevice::WriteOnly));
    same.close();
    for (const QString& name :
         {dir.filePath("other/veltora.mdb"), dir.filePath("veltora.md_"),
          dir.filePath("veltora.mdb-wal.orphan"), QString(), QStringLiteral(":/veltora/x")})
        EXPECT_FALSE(Refused(name, FileUse::kWrite)) << name.toStdString();

    // Closed, the files are the user's again.
    connection.Close();
    EXPECT_FALSE(Refused(path, FileUse::kWrite));
    EXPECT_FALSE(Refused(dir.filePath("other/picture.jpg")));
}

TEST_F(FileGuard, ANameKeptFromWritesIsRefusedForWritesOnly) {
    const QString twin = dir.filePath("veltora.md_");
    connection.KeepFromWrites(twin);
    EXPECT_TRUE(Refused(twin, FileUse::kWrite));
    EXPECT_FALSE(Refused(twin, FileUse::kRead));
    // A link to where the twin would be is the twin.
    ASSERT_TRUE(QFile::link(twin, dir.filePath("other/save.bmp")));
    EXPECT_TRUE(Refused(dir.filePath("other/save.bmp"), FileUse::kWrite));
    // Reopening forgets it with the rest of the old connection's files.
    connection.OpenFile(path);
    EXPECT_FALSE(Refused(twin, FileUse::kWrite));
    EXPECT_TRUE(Refused(path));
}

TEST_F(FileGuard, EveryOpenConnectionIsGuardedAndAMemoryDatabaseHasNoFiles) {
    db::Connection second;
    const QString other = dir.filePath("other/second.db");
    second.OpenFile(other, {}, true);
    db::Connection memory;
    memory.OpenFile(":memory:");
    EXPECT_TRUE(Refused(path));
    EXPECT_TRUE(Refused(other + "-wal"));
    second.Close();
    EXPECT_FALSE(Refused(other));
    EXPECT_TRUE(Refused(path));
    EXPECT_FALSE(Refused(":memory:", FileUse::kWrite));
}

TEST_F(FileGuard, ChildProcessesSeeTheSessionsLocks) {
    // The test's own view of the locks it checks elsewhere: held while open, the write lock
    // while a transaction writes, and gone with the connection.
    EXPECT_TRUE(other_process::SessionReadLockHeld(path));
    EXPECT_FALSE(other_process::WriteTransactionLockHeld(path));
    {
        db::Transaction t(connection);
        connection.Execute("INSERT INTO t VALUES (1)");
        EXPECT_TRUE(other_process::WriteTransactionLockHeld(path));
        // Closing a descriptor of the file drops them: what the guard is there to prevent.
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        file.close();
        EXPECT_FALSE(other_process::SessionReadLockHeld(path));
        t.Commit();
    }
    connection.Close();
    EXPECT_FALSE(other_process::SessionReadLockHeld(path));
    EXPECT_EQ(other_process::Bytes(dir.filePath("none")), "missing");
}

} // namespace
