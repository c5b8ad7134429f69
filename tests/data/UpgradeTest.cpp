#include "data/Upgrade.h"
#include "data/Schema.h"
#include "data/TotalsState.h"

#include <gtest/gtest.h>

#include <QSet>

#include <sqlite3.h>

#include <algorithm>

namespace {

QSet<QString> Columns(db::Connection& c, const QString& table) {
    db::Recordset rs = c.Execute(QString("SELECT * FROM %1 LIMIT 0").arg(table));
    QSet<QString> names;
    for (int i = 0; i < rs.FieldCount(); ++i)
        names.insert(rs.FieldName(i).toLower());
    return names;
}

// An old database: the roster and score table without the named columns.
void MakeOldTables(db::Connection& c, const QStringList& nameLacks, const QStringList& kskLacks) {
    QStringList name = {"id INTEGER",    "studentid TEXT", "name TEXT",      "class INTEGER",
                        "grade char(5)", "kh char(4)",     "xjType char(2)", "AB char(1)"};
    QStringList ksk = {"id INTEGER", "studentid TEXT", "class INTEGER", "grade char(5)",
                       "kh char(4)", "xjtype char(2)", "ab char(1)"};
    auto drop = [](QStringList cols, const QStringList& lacks) {
        for (const QString& l : lacks)
            cols.erase(std::remove_if(cols.begin(), cols.end(),
                                      [&](const QString& c) {
                                          return c.section(' ', 0, 0).compare(l, Qt::CaseInsensitive) == 0;
                                      }),
                       cols.end());
        return cols;
    };
    c.Execute("CREATE TABLE tavrinName (" + drop(name, nameLacks).join(", ") + ")");
    c.Execute("CREATE TABLE tavrinKSK (" + drop(ksk, kskLacks).join(", ") + ")");
}

TEST(Upgrade, VersionComparisonIsByteWise) {
    EXPECT_TRUE(data::NeedsUpgrade(""));
    EXPECT_TRUE(data::NeedsUpgrade("20071231"));
    EXPECT_TRUE(data::NeedsUpgrade("1999"));
    EXPECT_FALSE(data::NeedsUpgrade("20080101"));
    EXPECT_FALSE(data::NeedsUpgrade("20080102"));
    EXPECT_FALSE(data::NeedsUpgrade("2009")); // a year alone above 2008 counts as newer
    EXPECT_TRUE(data::NeedsUpgrade("2008"));  // a prefix is older
    EXPECT_FALSE(data::NeedsUpgrade("3"));
}

TEST(Upgrade, AddsEveryMissingColumnInBothTablesAndFillsGrades) {
    struct Case {
        QStringList nameLacks, kskLacks;
    };
    const Case cases[] = {
        {{"kh", "grade"}, {"kh", "grade"}},    {{"grade"}, {"grade"}}, {{"xjType", "AB"}, {"xjtype", "ab"}},
        {{}, {"kh", "grade", "xjtype", "ab"}}, // a score table behind its roster is repaired too
        {{"kh", "grade", "xjType", "AB"}, {}},
    };
    for (const Case& k : cases) {
        db::Connection c;
        c.OpenFile(":memory:", {}, true);
        MakeOldTables(c, k.nameLacks, k.kskLacks);
        c.Execute("INSERT INTO tavrinName (id, studentid) VALUES (1, '020080105')");
        c.Execute("INSERT INTO tavrinName (id, studentid) VALUES (2, '123')");
        c.Execute("INSERT INTO tavrinKSK (id, studentid) VALUES (1, '120100203')");
        if (!k.nameLacks.contains("grade"))
            c.Execute("UPDATE tavrinName SET grade='kept!' WHERE id=1");

        EXPECT_TRUE(data::UpgradeDatabase(c)) << k.nameLacks.join(",").toStdString();
        for (const char* col : {"kh", "grade", "xjtype", "ab"}) {
            EXPECT_TRUE(Columns(c, "tavrinName").contains(col)) << col;
            EXPECT_TRUE(Columns(c, "tavrinKSK").contains(col)) << col;
        }
        db::Recordset rs = c.Execute("SELECT grade FROM tavrinName ORDER BY id");
        EXPECT_EQ(rs.Field("grade").ToString(), k.nameLacks.contains("grade") ? "02008" : "kept!");
        rs.MoveNext();
        EXPECT_EQ(rs.Field("grade").ToString(), "123"); // a short number gives a short code
        EXPECT_EQ(c.Execute("SELECT grade FROM tavrinKSK").Field(0).ToString(), "12010");

        EXPECT_EQ(c.Execute("PRAGMA application_id").Field(0).ToInt64(), data::kApplicationId);
        // A second run finds nothing to do and succeeds.
        const int columns = Columns(c, "tavrinName").size() + Columns(c, "tavrinKSK").size();
        EXPECT_TRUE(data::UpgradeDatabase(c));
        EXPECT_EQ(Columns(c, "tavrinName").size() + Columns(c, "tavrinKSK").size(), columns);
    }
}

TEST(Upgrade, AFailureKeepsNothingOfIt) {
    db::Connection c;
    c.OpenFile(":memory:", {}, true);
    MakeOldTables(c, {"kh", "grade"}, {"kh", "grade"});
    // The score table's grade cannot be filled (it has no student numbers): the roster's new
    // columns, added before, go too, and the file is not marked.
    c.Execute("ALTER TABLE tavrinKSK DROP COLUMN studentid");
    const data::UpgradeOutcome outcome = data::RunUpgrade(c);
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_FALSE(outcome.complete);
    EXPECT_FALSE(Columns(c, "tavrinName").contains("kh"));
    EXPECT_EQ(c.Execute("PRAGMA application_id").Field(0).ToInt(), 0);
    EXPECT_EQ(sqlite3_get_autocommit(c.Handle()), 1);
}

TEST(Upgrade, AMissingTableLeavesTheUpgradeIncomplete) {
    db::Connection c;
    c.OpenFile(":memory:", {}, true);
    c.Execute("CREATE TABLE tavrinName (id INTEGER, studentid TEXT)");
    c.Execute("INSERT INTO tavrinName VALUES (1, '120100203')");
    const data::UpgradeOutcome outcome = data::RunUpgrade(c);
    EXPECT_FALSE(outcome.complete);
    EXPECT_FALSE(outcome.error.has_value());
    EXPECT_EQ(outcome.missingTables, QStringList{"tavrinKSK"});
    // What is there is upgraded.
    EXPECT_EQ(c.Execute("SELECT grade FROM tavrinName").Field(0).ToString(), "12010");
    EXPECT_TRUE(Columns(c, "tavrinName").contains("ab"));
}

TEST(Upgrade, ShippedSchemaNeedsNothingAndMissingTablesAreReported) {
    db::Connection c;
    c.OpenFile(":memory:", {}, true);
    data::CreateSchema(c);
    EXPECT_TRUE(data::UpgradeDatabase(c));

    db::Connection empty;
    empty.OpenFile(":memory:", {}, true);
    EXPECT_FALSE(data::UpgradeDatabase(empty)); // every step fails, none throws
}

} // namespace

namespace {

bool HasTable(db::Connection& c, const char* name) {
    return !c.Execute("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?", QString::fromLatin1(name))
                .IsEOF();
}

TEST(Upgrade, FilesOlderThanTheRecordOfOutOfDateTotalsGetIt) {
    db::Connection c;
    c.OpenFile(":memory:", {}, true);
    MakeOldTables(c, {}, {});
    // Read before the upgrade: nothing is out of date, and nothing is written.
    EXPECT_TRUE(data::StaleTotals(c, 1).empty());
    data::MarkTotalsComputed(c, 1, 3);
    EXPECT_FALSE(HasTable(c, "tavrinSumState"));
    EXPECT_TRUE(data::UpgradeDatabase(c));
    EXPECT_TRUE(HasTable(c, "tavrinSumState"));
    EXPECT_TRUE(HasTable(c, "tavrinSumKM"));

    // A file that missed its upgrade gets the table with its first mark.
    db::Connection missed;
    missed.OpenFile(":memory:", {}, true);
    MakeOldTables(missed, {}, {});
    data::MarkTotalsStale(missed, 7);
    data::MarkTotalsStale(missed, 7);
    data::MarkTotalsComputed(missed, 7, 2);
    EXPECT_EQ(data::StaleTotals(missed, 7), (std::vector<int>{1, 3}));
    EXPECT_TRUE(data::StaleTotals(missed, 8).empty());
}

} // namespace

namespace {

// Subjects 1 to `count`, each with its score columns.
void AddSubjects(db::Connection& c, int count) {
    for (int no = 1; no <= count; ++no) {
        c.Execute("INSERT INTO tavrinKMK (id, fldname) VALUES (?, ?)", no, data::SubjectField(no));
        data::AddSubjectColumns(c, no);
    }
}

TEST(TotalsSubjects, EachTotalKeepsItsOwnSubjectsUntilItsExamIsDeleted) {
    db::Connection c;
    c.OpenFile(":memory:", {}, true);
    data::CreateSchema(c);
    AddSubjects(c, 12);
    EXPECT_TRUE(HasTable(c, "tavrinSumKM"));
    EXPECT_EQ(data::TotalSubjects(c, 1, 1), std::nullopt);
    data::RecordTotalSubjects(c, 1, 1, {1, 3, 12});
    data::RecordTotalSubjects(c, 1, 2, {2});
    data::RecordTotalSubjects(c, 1, 3, {});
    data::RecordTotalSubjects(c, 2, 1, {4, 5});
    EXPECT_EQ(data::TotalSubjects(c, 1, 1), (std::vector<int>{1, 3, 12}));
    EXPECT_EQ(data::TotalSubjects(c, 1, 2), (std::vector<int>{2}));
    // Computed from no subject is known, and differs from not known.
    EXPECT_EQ(data::TotalSubjects(c, 1, 3), std::vector<int>{});
    // A total computed again keeps only its new subjects.
    data::RecordTotalSubjects(c, 1, 2, {2, 6});
    EXPECT_EQ(data::TotalSubjects(c, 1, 2), (std::vector<int>{2, 6}));

    data::ForgetTotalsState(c, 1);
    for (int sumNo = 1; sumNo <= 3; ++sumNo)
        EXPECT_EQ(data::TotalSubjects(c, 1, sumNo), std::nullopt);
    EXPECT_EQ(data::TotalSubjects(c, 2, 1), (std::vector<int>{4, 5}));
    // A text no list of numbers is as good as none.
    c.Execute("UPDATE tavrinSumKM SET kmnos='4,x' WHERE id=2");
    EXPECT_EQ(data::TotalSubjects(c, 2, 1), std::nullopt);
    // So is a list of a subject the file lacks, or of one without its score column.
    data::RecordTotalSubjects(c, 2, 1, {4, 13});
    EXPECT_EQ(data::TotalSubjects(c, 2, 1), std::nullopt);
    c.Execute("DELETE FROM tavrinKMK WHERE id=12");
    data::RecordTotalSubjects(c, 2, 1, {12});
    EXPECT_EQ(data::TotalSubjects(c, 2, 1), std::nullopt);
    c.Execute("ALTER TABLE tavrinKSK DROP COLUMN s04");
    data::RecordTotalSubjects(c, 2, 1, {3, 4});
    EXPECT_EQ(data::TotalSubjects(c, 2, 1), std::nullopt);
}

TEST(TotalsSubjects, AFileWithoutTheTableGetsItWithTheFirstTotal) {
    // A file at the current data version that predates the table: nothing is known, forgetting
    // writes nothing, and the first total computed creates it.
    db::Connection c;
    c.OpenFile(":memory:", {}, true);
    MakeOldTables(c, {}, {});
    c.Execute("CREATE TABLE tavrinKMK (id INTEGER, fldname TEXT, mydesc TEXT, type TEXT)");
    AddSubjects(c, 2);
    EXPECT_EQ(data::TotalSubjects(c, 1, 3), std::nullopt);
    data::ForgetTotalsState(c, 1);
    EXPECT_FALSE(HasTable(c, "tavrinSumKM"));
    data::RecordTotalSubjects(c, 1, 3, {1, 2});
    EXPECT_EQ(data::TotalSubjects(c, 1, 3), (std::vector<int>{1, 2}));
}

} // namespace
