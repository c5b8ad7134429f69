#include "data/DataFiles.h"
#include "data/GradeLookup.h"
#include "data/Schema.h"
#include "tests/common/Warnings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

TEST(DataFiles, PathsAndConnectionString) {
    EXPECT_EQ(data::DatabasePath("/opt/veltora/"), "/opt/veltora/veltora.mdb");
    EXPECT_EQ(data::DatabasePath("/opt/veltora"), "/opt/veltora/veltora.mdb");
    EXPECT_EQ(data::TwinPath("/opt/veltora/veltora.mdb"), "/opt/veltora/veltora.md_");
    EXPECT_EQ(data::BuildConnectionString("Data Source=#veltora.mdb;X=#;Database Password=", "/d/", "p;w"),
              "Data Source=/d/veltora.mdb;X=/d/;Database Password=p;w");
}

TEST(DataFiles, TwinReconciliation) {
    QTemporaryDir dir;
    const QString db = dir.filePath("veltora.mdb");
    const QString twin = dir.filePath("veltora.md_");
    data::SessionLock lock;

    // Neither: nothing is created.
    (void)data::EnsureDataFiles(dir.path(), lock);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());

    // Only the twin: it becomes the database.
    WriteFile(twin, "twin");
    (void)data::EnsureDataFiles(dir.path(), lock);
    EXPECT_EQ(ReadFile(db), "twin");
    EXPECT_FALSE(QFile::exists(twin));

    // Both: the twin goes, the database is untouched.
    WriteFile(twin, "other");
    (void)data::EnsureDataFiles(dir.path() + "/", lock);
    EXPECT_EQ(ReadFile(db), "twin");
    EXPECT_FALSE(QFile::exists(twin));
}

TEST(GradeLookup, FindsCodeAndLeavesUnknownNames) {
    db::Connection c;
    c.OpenFile(":memory:", {}, true);
    data::CreateSchema(c);
    c.Execute("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (1, ?, '02008')", QString("初一'(2)"));
    c.Execute("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (2, '高一', NULL)");

    QString grade = "初一'(2)"; // a quote in the name is looked up as typed
    data::GetGradeNo(c, grade);
    EXPECT_EQ(grade, "02008");

    grade = "高一"; // NULL code
    data::GetGradeNo(c, grade);
    EXPECT_EQ(grade, "高一");

    grade = "高三";
    data::GetGradeNo(c, grade);
    EXPECT_EQ(grade, "高三");

    c.Execute("DROP TABLE tavrinGrade"); // a database error leaves the name too
    ExpectWarning dropped("no such table: tavrinGrade");
    data::GetGradeNo(c, grade);
    EXPECT_EQ(grade, "高三");
}

} // namespace
