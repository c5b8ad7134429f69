// What a score import does to the totals: the subject's totals of the rows it wrote are recomputed
// and stored at two decimals by the rule score entry and the reports use (a half cent rounds as
// printf rounds it), and an import that wrote nothing leaves every total, and the record of
// out-of-date totals, as they were.
#include "AdminBSupport.h"

#include "admin/ScoreImport.h"
#include "admin/ScoreSheet.h"
#include "data/NumberFormat.h"
#include "data/TotalsState.h"

namespace adminb {
namespace {

class ScoreImportTotals : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        exam = FirstSeniorExam();
        ASSERT_NE(exam, nullptr);
        cls = GradeOf(*exam).classes[0];
        std::vector<scoresheet::EntryRow> rows;
        scoresheet::LoadEntryRows(Db(), exam->id, "s03", scoresheet::kByClass, cls, rows);
        ASSERT_GE(rows.size(), 3u);
        for (const scoresheet::EntryRow& r : rows)
            students.push_back({r.key, r.studentId, r.name, QString::number(r.cls.value_or(0))});
    }
    void SetWeights(int t1, int t2, double t1w, double t2w) {
        Db().Execute("UPDATE tavrinKMWGT SET t1=?, t2=?, t1w=?, t2w=? WHERE id=? AND kmfld='s03'",
                     {t1, t2, t1w, t2w, exam->id});
    }
    // Imports paper I of the students' numbers given, by student number.
    roster::ImportCount Import(const std::vector<std::pair<QString, db::Variant>>& marks) {
        std::vector<std::vector<db::Variant>> cells;
        for (const auto& [id, mark] : marks)
            cells.push_back({db::Variant(id), mark});
        db::Recordset source({"XH", "P1"}, {"TEXT", "TEXT"}, std::move(cells));
        const scoresheet::Papers papers = *scoresheet::LoadPapers(Db(), exam->id, "s03");
        const scoreimport::Target target{exam->id, "s03", papers, cls, students};
        return scoreimport::ImportScores(Db(), source, 1, {"XH[C]", "P1[C]", {}}, target);
    }
    QString Total(long long key) { return Scalar("SELECT quote(s03) FROM tavrinKSK WHERE rowid=?", {key}); }
    QStringList Totals() {
        QStringList totals;
        for (const scoreimport::GridStudent& s : students)
            totals << Total(s.key);
        return totals;
    }

    const fixtures::ExamInfo* exam = nullptr;
    int cls = 0;
    std::vector<scoreimport::GridStudent> students;
};

TEST_F(ScoreImportTotals, HalfCentTotalsAreStoredAtTheTwoDecimalsScoreEntryStores) {
    SetWeights(200, 100, 0.5, 0.5);
    Db().Execute("UPDATE tavrinKSK SET s032=NULL WHERE id=? AND class=?", {exam->id, cls});
    Db().Execute("UPDATE tavrinKSK SET s032=66 WHERE rowid=?", {students[2].key});
    const roster::ImportCount count = Import({{students[0].studentId, db::Variant("85.25")},
                                              {students[1].studentId, db::Variant("194.25")},
                                              {students[2].studentId, db::Variant("150.01")}});
    ASSERT_EQ(count.written, 3);
    // 42.625, 97.125 and 108.005 (which single precision holds as 108.00499…).
    EXPECT_EQ(Total(students[0].key), "42.62");
    EXPECT_EQ(Total(students[1].key), "97.12");
    EXPECT_EQ(Total(students[2].key), "108.0");
    // What the import stored is what score entry stores for the same marks, and shows the same.
    const scoresheet::Papers papers = *scoresheet::LoadPapers(Db(), exam->id, "s03");
    EXPECT_EQ(papers.Total(85.25, std::nullopt), 42.62);
    EXPECT_EQ(papers.Total(194.25, std::nullopt), 97.12);
    EXPECT_EQ(
        scoresheet::MarkText(Scalar("SELECT s03 FROM tavrinKSK WHERE rowid=?", {students[1].key}).toDouble()),
        " 97.12");
    EXPECT_EQ(data::Format62(97.125), " 97.12");
}

TEST_F(ScoreImportTotals, TheRecomputeRoundsItsWeightsByTheSameRule) {
    // A weight of 0.125 (as another program may have stored it) counts as 0.12: 100 · 0.12 = 12.
    SetWeights(100, 100, 0.125, 1);
    Db().Execute("UPDATE tavrinKSK SET s032=NULL WHERE id=? AND class=?", {exam->id, cls});
    ASSERT_EQ(Import({{students[0].studentId, db::Variant("100")}}).written, 1);
    EXPECT_EQ(Total(students[0].key), "12.0");
}

TEST_F(ScoreImportTotals, AnImportThatWritesNothingLeavesTheTotalsAndTheirRecord) {
    // The valid totals are up to date, then the weights change: the stored subject totals now
    // disagree with the weights, and only score entry or an import that writes may redo them.
    for (int sumNo = 1; sumNo <= 3; ++sumNo)
        data::MarkTotalsComputed(Db(), exam->id, sumNo);
    ASSERT_TRUE(data::StaleTotals(Db(), exam->id).empty());
    SetWeights(100, 100, 0.7, 0.3);
    const QStringList before = Totals();
    const std::string digests = TableDigests();

    // Every row fails: a word, a mark above the full mark, a student twice.
    const roster::ImportCount count = Import({{students[0].studentId, db::Variant("缺考")},
                                              {students[1].studentId, db::Variant("101")},
                                              {students[2].studentId, db::Variant("50")},
                                              {students[2].studentId, db::Variant("60")}});
    EXPECT_EQ(count.written, 0);
    EXPECT_EQ(count.failed, 4);
    EXPECT_EQ(Totals(), before);
    EXPECT_EQ(TableDigests(), digests);
    EXPECT_TRUE(data::StaleTotals(Db(), exam->id).empty());

    // One row written: that row's class is recomputed with the new weights and the totals are
    // recorded out of date.
    ASSERT_EQ(Import({{students[0].studentId, db::Variant("50")}}).written, 1);
    EXPECT_NE(Totals(), before);
    EXPECT_EQ(data::StaleTotals(Db(), exam->id), (std::vector<int>{1, 2, 3}));
}

} // namespace
} // namespace adminb
