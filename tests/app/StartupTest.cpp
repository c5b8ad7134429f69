// Runs the real program offscreen on a scratch program directory and profile.

#include "StartupSupport.h"

#include "data/Schema.h"
#include "platform/db/Connection.h"

#include <QDir>
#include <QFile>

namespace {

TEST_F(Startup, ShippedDatabaseStartsAndRecordsTheDataVersion) {
    ASSERT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, Db()));
    RunResult r = Start();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("main window shown"));
    EXPECT_FALSE(r.err.contains("message:")) << r.err.toStdString();
    EXPECT_EQ(StoredVersion(), "20080101");

    // A second start does not need the upgrade and still succeeds.
    r = Start();
    EXPECT_EQ(r.exitCode, 0);
}

TEST_F(Startup, MissingDatabaseAndTwinFailWithoutCreatingAFile) {
    RunResult r = Start();
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(kConnectFailed)) << r.err.toStdString();
    EXPECT_TRUE(QDir(home.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(StoredVersion(), ""); // a failed start leaves the profile alone
}

TEST_F(Startup, TwinAloneTakesTheDatabasesPlace) {
    ASSERT_TRUE(QFile::copy(VELTORA_SHIPPED_DATABASE, home.filePath("veltora.md_")));
    RunResult r = Start();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(Db()));
    EXPECT_FALSE(QFile::exists(home.filePath("veltora.md_")));
}

TEST_F(Startup, BadFilesEndInTheConnectionMessage) {
    // Not a database: the file is left as it was.
    {
        QFile f(Db());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    RunResult r = Start();
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(kConnectFailed));
    QFile f(Db());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray(4096, 'x'));
    f.close();

    // A database with another password.
    QFile::remove(Db());
    {
        db::Connection c;
        c.OpenFile(Db(), {}, true);
        data::CreateSchema(c);
        c.SetDatabasePassword("not the shipped one");
    }
    r = Start();
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(kConnectFailed));
}

TEST_F(Startup, OldDatabaseIsUpgradedOnceAndAFailedUpgradeIsRetried) {
    {
        db::Connection c;
        c.OpenFile(Db(), {}, true);
        c.Execute("CREATE TABLE tavrinName (id INTEGER, studentid TEXT, name TEXT, class INTEGER)");
        c.Execute("INSERT INTO tavrinName VALUES (1, '020080101', 'a', 1)");
        c.SetDatabasePassword("Tavrin#2008");
    }
    // The score table is missing, so part of the upgrade fails: the program starts, but the
    // version stays old so that the next start tries again.
    RunResult r = Start();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(StoredVersion(), "");
    {
        db::Connection c;
        c.OpenFile(Db(), "Tavrin#2008");
        db::Recordset rs = c.Execute("SELECT grade, kh, xjType, AB FROM tavrinName");
        EXPECT_EQ(rs.Field("grade").ToString(), "02008");
        c.Execute("CREATE TABLE tavrinKSK (id INTEGER, studentid TEXT)");
    }
    r = Start();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(StoredVersion(), "20080101");
}

} // namespace
