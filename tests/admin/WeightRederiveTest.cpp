// Paper weights and the stored scores: a changed weight makes every subject score of the exam again
// with the row, all or nothing, and a full mark is not lowered below the marks already stored.
#include "AdminBSupport.h"

#include "admin/ExamSetup.h"
#include "admin/WeightCoefDlg.h"
#include "data/TotalsState.h"

#include <QComboBox>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>

namespace adminb {
namespace {

// Subject 3 of the fixture (英语): two papers, 120 and 30, both weighted 1.
constexpr int kSubject = 2;

class WeightRederive : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        exam = &school.exams[0];
        other = &school.exams[1];
        field = school.subjects[kSubject].field;
        ASSERT_EQ(school.subjects[kSubject].t2, 30);
    }
    void OpenAndLoad() {
        dlg = std::make_unique<CWeightCoefDlg>();
        Open(*dlg);
        ASSERT_TRUE(Choose(dlg->GetDlgItem<QComboBox>(CWeightCoefDlg::IDC_EXAM), EntryOf(*exam)));
        Click(*dlg, ui::IDOK);
        row = FindRow(dlg->Grid(), 0, school.subjects[kSubject].name);
        ASSERT_GT(row, 0);
    }
    CGridCtrl& Grid() { return dlg->Grid(); }
    // The statement with the subject's score column in place of every $f.
    QString Sql(const char* sql) const { return QString::fromUtf8(sql).replace("$f", field); }
    QString Weights() {
        return Scalar(
            "SELECT t1 || ' ' || t1w || ' ' || t2 || ' ' || t2w FROM tavrinKMWGT WHERE id=? AND kmfld=?",
            {exam->id, field});
    }
    // Score rows of the exam whose subject score is not I·t1w + II·t2w at two decimals (NULL when
    // both papers are absent).
    int Mismatches(double t1w, double t2w) {
        int wrong = 0;
        for (db::Recordset rs =
                 Db().Execute(Sql("SELECT $f, $f1, $f2 FROM tavrinKSK WHERE id=?"), {exam->id});
             !rs.IsEOF(); rs.MoveNext()) {
            const db::Variant &total = rs.Field(0), &p1 = rs.Field(1), &p2 = rs.Field(2);
            if (p1.IsNull() && p2.IsNull()) {
                wrong += !total.IsNull();
                continue;
            }
            const double expected =
                (p1.IsNull() ? 0 : p1.ToDouble()) * t1w + (p2.IsNull() ? 0 : p2.ToDouble()) * t2w;
            wrong += total.IsNull() || std::abs(total.ToDouble() - expected) > 0.0051;
        }
        return wrong;
    }
    // Every later write to the weights, the scores or the totals' records counts one row here.
    void CountWrites() {
        Db().Execute("CREATE TEMP TABLE writes (what TEXT)");
        for (const char* table : {"tavrinKMWGT", "tavrinKSK", "tavrinSumState"})
            for (const char* event : {"INSERT", "UPDATE", "DELETE"})
                Db().Execute(QStringLiteral("CREATE TEMP TRIGGER count_%1_%2 AFTER %1 ON main.%2 BEGIN "
                                            "INSERT INTO writes VALUES ('%2'); END")
                                 .arg(QString::fromLatin1(event), QString::fromLatin1(table)));
    }
    QString Writes() { return Scalar("SELECT coalesce(group_concat(DISTINCT what), '') FROM writes"); }

    const fixtures::ExamInfo* exam = nullptr;
    const fixtures::ExamInfo* other = nullptr;
    QString field;
    std::unique_ptr<CWeightCoefDlg> dlg;
    int row = -1;
};

TEST_F(WeightRederive, AChangedWeightRemakesEveryScoreOfTheExamAndMarksItsTotalsStale) {
    // A student with I 87.5 and II 40 (above the fixture's paper II, which is no matter here).
    Db().Execute(Sql("UPDATE tavrinKSK SET $f=127.5, $f1=87.5, $f2=40 WHERE rowid=(SELECT min(rowid) FROM "
                     "tavrinKSK WHERE id=?)"),
                 {exam->id});
    const QString student =
        Scalar("SELECT studentid FROM tavrinKSK WHERE id=? ORDER BY rowid LIMIT 1", {exam->id});
    const auto score = [&] {
        return Scalar(Sql("SELECT $f FROM tavrinKSK WHERE id=? AND studentid=?"), {exam->id, student});
    };
    const QString otherExam = Scalar(Sql("SELECT group_concat($f) FROM tavrinKSK WHERE id=?"), {other->id});
    ASSERT_GT(Count(Sql("SELECT count($f) FROM tavrinKSK WHERE id=?"), {exam->id}), 10);
    ASSERT_EQ(Mismatches(1, 1), 0);
    ASSERT_TRUE(data::StaleTotals(Db(), exam->id).empty());

    OpenAndLoad();
    ASSERT_TRUE(EditCell(Grid(), row, 4, "0.8"));
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(Weights(), "120.0 1.0 30.0 0.8");
    EXPECT_EQ(score(), "119.5");
    EXPECT_EQ(Mismatches(1, 0.8), 0);
    EXPECT_EQ(data::StaleTotals(Db(), exam->id), (std::vector<int>{1, 2, 3}));

    // And back: every score follows the weight again; a halved paper I too.
    ASSERT_TRUE(EditCell(Grid(), row, 4, "1"));
    EXPECT_EQ(score(), "127.5");
    EXPECT_EQ(Mismatches(1, 1), 0);
    ASSERT_TRUE(EditCell(Grid(), row, 2, "0.5"));
    EXPECT_EQ(score(), "83.75");
    EXPECT_EQ(Mismatches(0.5, 1), 0);

    // The other exam and its records are untouched.
    EXPECT_EQ(Scalar(Sql("SELECT group_concat($f) FROM tavrinKSK WHERE id=?"), {other->id}), otherExam);
    EXPECT_TRUE(data::StaleTotals(Db(), other->id).empty());
}

TEST_F(WeightRederive, AFailingScoreWriteLeavesTheWeightAndEveryScoreAsTheyWere) {
    OpenAndLoad();
    const std::string before = TableDigests();
    const QString shown = Grid().GetItemText(row, 4);
    FailOn("UPDATE", "tavrinKSK");
    ASSERT_TRUE(EditCell(Grid(), row, 4, "0.5"));
    EXPECT_EQ(BoxTexts(), QStringList{"对不起，数据更新失败！\n原因：refused"});
    EXPECT_EQ(Grid().GetItemText(row, 4), shown);
    Db().Execute("DROP TRIGGER fail_UPDATE_tavrinKSK");
    EXPECT_EQ(TableDigests(), before);
}

// The weight row written, then the program killed at the first score it remakes.
void KilledAtTheFirstScore(sqlite3_context*, int, sqlite3_value**) {
    ::raise(SIGKILL);
}

TEST_F(WeightRederive, AProgramKilledBetweenTheWeightAndTheScoresLeavesNeitherChanged) {
    const long long key =
        Scalar("SELECT rowid FROM tavrinKMWGT WHERE id=? AND kmfld=?", {exam->id, field}).toLongLong();
    const examsetup::WeightValues halved{120, 1, 30, 0.5};
    const std::string before = TableDigests();
    // The program's connection is closed first: an SQLite connection must not be carried across
    // the fork, and the child opens its own.
    db::Connection& program = Db();
    program.Close();
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            db::Connection c;
            c.OpenFile(school.path, fixtures::DatabasePassword());
            if (sqlite3_create_function(c.Handle(), "killed_here", 0, SQLITE_UTF8, nullptr,
                                        &KilledAtTheFirstScore, nullptr, nullptr) != SQLITE_OK)
                ::_exit(4);
            c.Execute("CREATE TEMP TRIGGER kill_at_score BEFORE UPDATE ON main.tavrinKSK BEGIN SELECT "
                      "killed_here(); END");
            examsetup::WriteWeights(c, key, halved);
        } catch (...) {
            ::_exit(5);
        }
        ::_exit(3); // the scores were never written
    }
    int status = 0;
    const pid_t waited = ::waitpid(child, &status, 0);
    program.OpenFile(school.path, fixtures::DatabasePassword());
    ASSERT_EQ(waited, child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
    EXPECT_EQ(TableDigests(), before);

    // The same write, not interrupted, does both.
    const examsetup::WeightWrite done = examsetup::WriteWeights(Db(), key, halved);
    EXPECT_TRUE(done.written);
    EXPECT_GT(done.rederived, 0);
    EXPECT_EQ(Weights(), "120.0 1.0 30.0 0.5");
    EXPECT_EQ(Mismatches(1, 0.5), 0);
}

TEST_F(WeightRederive, AFullMarkBelowTheStoredMarksIsRefusedAndRaisingStaysAllowed) {
    // Paper I marks of the exam up to 118.5; the other exam holds one at 120.
    Db().Execute(Sql("UPDATE tavrinKSK SET $f1=min($f1, 100) WHERE id=?"), {exam->id});
    const QString highest =
        Sql("UPDATE tavrinKSK SET $f1=? WHERE rowid=(SELECT max(rowid) FROM tavrinKSK WHERE id=?)");
    Db().Execute(highest, {118.5, exam->id});
    Db().Execute(highest, {120, other->id});
    const double highest2 = Scalar(Sql("SELECT max($f2) FROM tavrinKSK WHERE id=?"), {exam->id}).toDouble();
    ASSERT_GT(highest2, 20);
    OpenAndLoad();
    const std::string before = TableDigests();
    const QStringList shown = GridRow(Grid(), row);
    struct Case {
        const char* typed;
        int fullMark;
    };
    // 118.5 is a tie that rounds to 118.
    for (const Case& c : {Case{"110", 110}, Case{"118.5", 118}, Case{"0", 0}}) {
        boxes->Clear();
        ASSERT_TRUE(EditCell(Grid(), row, 1, c.typed));
        EXPECT_EQ(
            BoxTexts(),
            QStringList{
                QStringLiteral("本次考试已有I卷成绩高于%1分（最高118.5分），不能把满分改小到这些成绩以下。")
                    .arg(c.fullMark)})
            << c.typed;
        EXPECT_EQ(GridRow(Grid(), row), shown) << c.typed;
    }
    boxes->Clear();
    ASSERT_TRUE(EditCell(Grid(), row, 3, "20"));
    EXPECT_EQ(BoxTexts(),
              QStringList{QStringLiteral("本次考试已有II卷成绩高于20分（最高%1分），不能把满分改小到这些"
                                         "成绩以下。")
                              .arg(highest2)});
    EXPECT_EQ(boxes->Boxes().back().caption, "信息提示");
    EXPECT_EQ(GridRow(Grid(), row), shown);
    EXPECT_EQ(TableDigests(), before);

    // Down to the highest stored mark, and up again: taken, and no score changes with a full mark.
    boxes->Clear();
    ASSERT_TRUE(EditCell(Grid(), row, 1, "119"));
    EXPECT_EQ(Weights(), "119.0 1.0 30.0 1.0");
    ASSERT_TRUE(EditCell(Grid(), row, 1, "150"));
    EXPECT_EQ(Grid().GetItemText(row, 1), "150");
    EXPECT_EQ(Weights(), "150.0 1.0 30.0 1.0");
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_TRUE(data::StaleTotals(Db(), exam->id).empty());
}

TEST_F(WeightRederive, AnEditThatChangesNothingStoredWritesNothing) {
    OpenAndLoad();
    CountWrites();
    // Texts that round to what the row holds.
    ASSERT_TRUE(EditCell(Grid(), row, 1, "120.2"));
    ASSERT_TRUE(EditCell(Grid(), row, 2, " 1.001"));
    ASSERT_TRUE(EditCell(Grid(), row, 4, "1.00"));
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(GridRow(Grid(), row).mid(1), QStringList({"120", "  1.00", " 30", "  1.00"}));
    EXPECT_EQ(Writes(), "");
    // A full mark alone writes its row only: the scores do not depend on it.
    ASSERT_TRUE(EditCell(Grid(), row, 3, "40"));
    EXPECT_EQ(Writes(), "tavrinKMWGT");
    EXPECT_TRUE(data::StaleTotals(Db(), exam->id).empty());
}

} // namespace
} // namespace adminb
