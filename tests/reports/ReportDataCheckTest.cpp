// Every report that reads totals, full marks or marks checks them before it computes: totals out of
// date after marks were typed, imported or refreshed from the roster are asked about (是
// recomputes each from the subjects it was computed from and the report runs, or sends the user to
// 算学生有效总分 for one whose subjects are not known; 否 runs on the old ones and says so in the
// caption), and an exam without marks, without full marks or without totals gives its message and
// computes nothing.

#include "DialogSchool.h"

#include "admin/ExamSetup.h"
#include "admin/ScoreImport.h"
#include "admin/ScoreSheet.h"
#include "data/TotalsState.h"
#include "reports/BasicStatDlg.h"
#include "reports/BasicStats.h"
#include "reports/ExcellentRateDlg.h"
#include "reports/ExcellentRates.h"
#include "reports/GradeScorePrintDlg.h"
#include "reports/ScoreBandReportDlg.h"
#include "reports/ScorePrintDlg.h"
#include "reports/ScoreReportDlg.h"

#include <QComboBox>

#include <algorithm>
#include <functional>

using namespace reports;

namespace {

// One report as the user runs it: open the dialog, then press its compute button.
struct ReportCase {
    const char* name;
    std::function<std::unique_ptr<ui::Dialog>()> open;
    std::function<CGridCtrl&(ui::Dialog&)> grid;
    bool readsTotals;
    bool readsFullMarks;
};

template <class Dlg> CGridCtrl& GridOf(ui::Dialog& d) {
    return static_cast<Dlg&>(d).Grid();
}

std::unique_ptr<ui::Dialog> BasicStat(int mode) {
    auto dlg = std::make_unique<CBasicStatDlg>();
    dlg->SetStatMode(mode);
    dlg->OnInitDialog();
    return dlg;
}

const std::vector<ReportCase>& Reports() {
    static const std::vector<ReportCase> reports = {
        {"GradeStatistics", [] { return BasicStat(kGradeStats); }, GridOf<CBasicStatDlg>, true, false},
        {"ClassSubjectTable", [] { return BasicStat(kClassSubjectTable); }, GridOf<CBasicStatDlg>, false,
         true},
        {"ClassStandardScores", [] { return BasicStat(kClassStandardScores); }, GridOf<CBasicStatDlg>, true,
         false},
        {"ExcellentRates",
         [] {
             auto dlg = std::make_unique<CExcellentRateDlg>();
             dlg->SetMode(kExcellentRate, kCutByProportion);
             dlg->OnInitDialog();
             return std::unique_ptr<ui::Dialog>(std::move(dlg));
         },
         GridOf<CExcellentRateDlg>, false, false},
        {"ScoreBandsOfTheTotal",
         [] {
             auto dlg = std::make_unique<CScoreBandReportDlg>();
             dlg->OnInitDialog();
             dlg->SubjectBox()->setCurrentIndex(dlg->SubjectBox()->findData(-3));
             return std::unique_ptr<ui::Dialog>(std::move(dlg));
         },
         GridOf<CScoreBandReportDlg>, true, true},
        {"ScoreReport",
         [] {
             auto dlg = std::make_unique<CScoreReportDlg>();
             dlg->OnInitDialog();
             return std::unique_ptr<ui::Dialog>(std::move(dlg));
         },
         GridOf<CScoreReportDlg>, false, false},
        {"ClassScorePrint",
         [] {
             auto dlg = std::make_unique<CScorePrintDlg>();
             dlg->OnInitDialog();
             return std::unique_ptr<ui::Dialog>(std::move(dlg));
         },
         GridOf<CScorePrintDlg>, true, false},
        {"GradeScorePrint",
         [] {
             auto dlg = std::make_unique<CGradeScorePrintDlg>();
             dlg->OnInitDialog();
             return std::unique_ptr<ui::Dialog>(std::move(dlg));
         },
         GridOf<CGradeScorePrintDlg>, true, false},
    };
    return reports;
}

QStringList Cells(CGridCtrl& g) {
    QStringList cells;
    for (int r = 0; r < g.GetRowCount(); ++r)
        for (int c = 0; c < g.GetColumnCount(); ++c)
            cells << g.GetItemText(r, c);
    return cells;
}

class ReportDataCheckTest : public DialogSchool, public ::testing::WithParamInterface<int> {
public:
    void SetUp() override {
        DialogSchool::SetUp();
        SetContext();
        // 文总 and 理总 too, so that every report of the grade by stream finds its totals, each from
        // subjects of its own (总分 is from 1 to 3): a recompute must keep them apart.
        ComputeValidTotals(m_db, 1, 0, kArtsSubjects);
        ComputeValidTotals(m_db, 1, 1, kScienceSubjects);
    }
    static inline const std::vector<int> kArtsSubjects{1, 3};
    static inline const std::vector<int> kScienceSubjects{2};
    static inline const std::vector<int> kAllSubjects{1, 2, 3};
    // The subjects total `sumNo` was computed from in SetUp.
    static const std::vector<int>& SubjectsOf(int sumNo) {
        return sumNo == 1 ? kArtsSubjects : sumNo == 2 ? kScienceSubjects : kAllSubjects;
    }
    const ReportCase& Report() const { return Reports()[std::size_t(GetParam())]; }
    db::Connection& Db() { return data::Database(); }
    long long Key(const char* student) {
        return Db()
            .Execute(QStringLiteral("SELECT rowid FROM tavrinKSK WHERE id=1 AND studentid=?"), student)
            .Field(0)
            .ToInt64();
    }
    std::optional<double> StoredTotal(const char* student, int sumNo = 3) {
        const db::Variant v =
            Db().Execute(QStringLiteral("SELECT sum%1 FROM tavrinKSK WHERE id=1 AND studentid=?").arg(sumNo),
                         student)
                .Field(0);
        return v.IsNull() ? std::nullopt : std::optional<double>(v.ToDouble());
    }
    // The sum of the student's present marks in the subjects; nothing when none is present.
    std::optional<double> SubjectsTotal(const char* student, const std::vector<int>& subjects) {
        std::optional<double> total;
        for (const int no : subjects) {
            const db::Variant v = Db().Execute(QStringLiteral("SELECT s%1 FROM tavrinKSK WHERE id=1 AND "
                                                              "studentid=?")
                                                   .arg(no, 2, 10, QChar(u'0')),
                                               student)
                                      .Field(0);
            if (!v.IsNull())
                total = total.value_or(0) + v.ToDouble();
        }
        return total;
    }

    // Runs the report; true when it computed (its grid changed).
    bool Run(ui::Dialog& dlg) {
        const QStringList before = Cells(Report().grid(dlg));
        dlg.OnOK();
        return Cells(Report().grid(dlg)) != before;
    }
    bool Asked() const {
        for (const ui::ScriptedMessageBoxes::Shown& b : boxes->Boxes())
            if ((b.type & 0x0F) == ui::MB_YESNO)
                return true;
        return false;
    }

    // The three ways marks change after the totals were computed. Each says whose total moves and to
    // what once recomputed (subjects 1 to 3 take part).
    struct Change {
        const char* student;
        double newTotal; // the student's total from the marks as they now are
    };
    double MarksTotal(const char* student) {
        return Db()
            .Execute(QStringLiteral("SELECT coalesce(s01,0)+coalesce(s02,0)+coalesce(s03,0) FROM tavrinKSK "
                                    "WHERE id=1 AND studentid=?"),
                     student)
            .Field(0)
            .ToDouble();
    }
    Change TypeMark() {
        // A's 语文 90 → 95.
        scoresheet::WriteMarks(Db(), Key("A"), 1, QStringLiteral("s01"), 95, std::nullopt, 95);
        return {"A", MarksTotal("A")};
    }
    Change ImportMark() {
        // G's 语文 60 → 50 by the import of the first paper of class 4.
        Db().Execute(QStringLiteral("UPDATE tavrinKSK SET s011=s01 WHERE id=1"));
        db::Recordset source({QStringLiteral("XH"), QStringLiteral("P1")},
                             {QStringLiteral("TEXT"), QStringLiteral("NUMBER")},
                             {{db::Variant("G"), db::Variant(50)}});
        scoreimport::Target target{1, QStringLiteral("s01"), {100, 0, 1, 0}, 4, {{Key("G"), "G", "", "4"}}};
        const scoreimport::ImportCount count = scoreimport::ImportScores(
            Db(), source, 1, {QStringLiteral("XH[C]"), QStringLiteral("P1[N]"), {}}, target);
        EXPECT_EQ(count.written, 1);
        return {"G", MarksTotal("G")};
    }
    Change RefreshStream() {
        // The roster now has A in the arts stream; 载入数据 brings it onto the sheet (A has marks:
        // the user said 是 to the question).
        Db().Execute(
            QStringLiteral("INSERT INTO tavrinName (id, grade, studentid, name, class, active, worl) "
                           "VALUES (1, '12008', 'A', 'A', 1, '是', '文')"));
        const examsetup::Preparation done =
            examsetup::PrepareScoreRows(Db(), 1, QStringLiteral("12008"), examsetup::MarkedRows::Refresh);
        EXPECT_EQ(done.streamsChanged, 1);
        return {"A", MarksTotal("A")};
    }
};

// A stream brought onto the sheet changes no total (they are sums of marks whatever the stream):
// no report asks to recompute them.
TEST_P(ReportDataCheckTest, AChangedStreamAsksNothing) {
    boxes->Clear();
    RefreshStream();
    EXPECT_TRUE(data::StaleTotals(Db(), 1).empty());
    auto dlg = Report().open();
    Run(*dlg);
    EXPECT_FALSE(Asked());
}

TEST_P(ReportDataCheckTest, MarksChangedAfterTheTotalsAreAskedAboutAndYesRecomputes) {
    for (Change (ReportDataCheckTest::*change)() :
         {&ReportDataCheckTest::TypeMark, &ReportDataCheckTest::ImportMark}) {
        boxes->Clear();
        const Change changed = (this->*change)();
        ASSERT_NE(StoredTotal(changed.student), changed.newTotal);
        // A 语文 mark leaves 理总 (数学 alone) up to date.
        const std::vector<int> staleNow{1, 3};
        ASSERT_EQ(data::StaleTotals(Db(), 1), staleNow);
        auto dlg = Report().open();
        boxes->SetNextAnswer(ui::IDYES);
        EXPECT_TRUE(Run(*dlg));
        EXPECT_EQ(Asked(), Report().readsTotals);
        if (!Report().readsTotals) {
            // The report reads no total: nothing to ask, and the totals stay out of date.
            EXPECT_EQ(data::StaleTotals(Db(), 1), staleNow);
            continue;
        }
        EXPECT_TRUE(boxes->Texts().value(0).contains(QStringLiteral("之后有过改动")))
            << boxes->Texts().join('|').toStdString();
        EXPECT_EQ(StoredTotal(changed.student), changed.newTotal);
        // 总分 is computed again (文总 and 理总 too when the report reads them), each total from the
        // subjects it was computed from, whatever the analysis parameters tick.
        const std::vector<int> stale = data::StaleTotals(Db(), 1);
        EXPECT_EQ(std::find(stale.begin(), stale.end(), 3), stale.end());
        for (int sumNo = 1; sumNo <= 3; ++sumNo) {
            if (std::find(stale.begin(), stale.end(), sumNo) == stale.end()) {
                EXPECT_EQ(StoredTotal(changed.student, sumNo),
                          SubjectsTotal(changed.student, SubjectsOf(sumNo)))
                    << "sum" << sumNo;
            }
            EXPECT_EQ(data::TotalSubjects(Db(), 1, sumNo), SubjectsOf(sumNo)) << "sum" << sumNo;
        }
        EXPECT_FALSE(dlg->windowTitle().endsWith(OldTotalsCaptionMark()));
        // Once computed, the next run asks nothing.
        boxes->Clear();
        Run(*dlg);
        EXPECT_FALSE(Asked());
    }
}

TEST_P(ReportDataCheckTest, NoRunsOnTheOldTotalsAndSaysSo) {
    if (!Report().readsTotals)
        GTEST_SKIP() << "reads no total";
    const std::optional<double> old = StoredTotal("A");
    TypeMark();
    auto dlg = Report().open();
    boxes->SetNextAnswer(ui::IDNO);
    EXPECT_TRUE(Run(*dlg));
    EXPECT_TRUE(Asked());
    EXPECT_EQ(StoredTotal("A"), old);
    EXPECT_TRUE(dlg->windowTitle().endsWith(OldTotalsCaptionMark())) << dlg->windowTitle().toStdString();
    if (std::string(Report().name) == "ScoreBandsOfTheTotal") {
        // The bands compute again at every change: the 否 holds for this opening, and the caption
        // keeps saying the totals are old.
        boxes->Clear();
        Run(*dlg);
        Run(*dlg);
        EXPECT_FALSE(Asked());
        EXPECT_TRUE(dlg->windowTitle().endsWith(OldTotalsCaptionMark()));
        EXPECT_EQ(StoredTotal("A"), old);
        // A new opening asks again.
        dlg = Report().open();
    }
    // Asked again on the next run; 是 then recomputes and takes the mark off the caption.
    boxes->SetNextAnswer(ui::IDYES);
    Run(*dlg);
    EXPECT_EQ(StoredTotal("A"), 285);
    EXPECT_FALSE(dlg->windowTitle().endsWith(OldTotalsCaptionMark()));
}

TEST_P(ReportDataCheckTest, ATotalOfUnknownSubjectsIsNotRecomputedAndTheTeacherIsToldToComputeIt) {
    if (!Report().readsTotals)
        GTEST_SKIP() << "reads no total";
    const std::optional<double> old = StoredTotal("A");
    TypeMark();
    // 总分 was computed before the program recorded the subjects it was computed from (no record),
    // or the file's record names no list of its subjects, each once: a subject number past the
    // score columns' 99, one the file lacks, one subject counted four times, no numbers.
    for (const char* stored : {static_cast<const char*>(nullptr), "1,100", "1,5", "1,1,1,1,2", "语文,数学"}) {
        if (stored)
            Db().Execute(
                QStringLiteral("INSERT OR REPLACE INTO tavrinSumKM (id, sumno, kmnos) VALUES (1, 3, ?)"),
                QString::fromUtf8(stored));
        else
            Db().Execute(QStringLiteral("DELETE FROM tavrinSumKM WHERE id=1 AND sumno=3"));
        boxes->Clear();
        auto dlg = Report().open();
        boxes->SetNextAnswer(ui::IDYES);
        EXPECT_FALSE(Run(*dlg)) << stored;
        EXPECT_TRUE(Asked());
        EXPECT_EQ(boxes->Texts().value(1), SubjectsUnknownMessage({2}))
            << boxes->Texts().join('|').toStdString();
        EXPECT_EQ(StoredTotal("A"), old) << stored;
        const std::vector<int> stale = data::StaleTotals(Db(), 1);
        EXPECT_NE(std::find(stale.begin(), stale.end(), 3), stale.end()) << stored;
    }
    EXPECT_TRUE(
        SubjectsUnknownMessage({2}).startsWith(QStringLiteral("总分是在本程序开始记录所用科目之前计算的")));
    EXPECT_TRUE(SubjectsUnknownMessage({2}).contains(QStringLiteral("算学生有效总分")));
    auto dlg = Report().open();

    // Once 算学生有效总分 has computed it, the report runs without a question.
    ComputeValidTotals(Db(), 1, 2, kAllSubjects);
    ComputeValidTotals(Db(), 1, 0, kArtsSubjects);
    ComputeValidTotals(Db(), 1, 1, kScienceSubjects);
    boxes->Clear();
    EXPECT_TRUE(Run(*dlg));
    EXPECT_FALSE(Asked());
    EXPECT_EQ(StoredTotal("A"), 285);
}

TEST_P(ReportDataCheckTest, AnExamWithoutMarksSaysSoAndComputesNothing) {
    Db().Execute(QStringLiteral("UPDATE tavrinKSK SET s01=NULL, s02=NULL, s03=NULL, s04=NULL WHERE id=1"));
    auto dlg = Report().open();
    EXPECT_FALSE(Run(*dlg));
    EXPECT_EQ(boxes->Texts(), QStringList{NoMarksMessage()});
}

TEST_P(ReportDataCheckTest, AnExamWithoutFullMarksStopsTheReportsThatCompareWithThem) {
    Db().Execute(QStringLiteral("DELETE FROM tavrinKMWGT WHERE id=1"));
    auto dlg = Report().open();
    const bool computed = Run(*dlg);
    EXPECT_EQ(computed, !Report().readsFullMarks);
    EXPECT_EQ(boxes->Texts().contains(NoFullMarksMessage()), Report().readsFullMarks)
        << boxes->Texts().join('|').toStdString();
}

TEST_P(ReportDataCheckTest, TotalsNeverComputedStopTheReportsThatReadThem) {
    Db().Execute(QStringLiteral("UPDATE tavrinKSK SET sum3=NULL WHERE id=1"));
    auto dlg = Report().open();
    const bool computed = Run(*dlg);
    EXPECT_EQ(computed, !Report().readsTotals);
    EXPECT_EQ(boxes->Texts().join('|').contains(QStringLiteral("还没有计算")), Report().readsTotals)
        << boxes->Texts().join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(EveryReport, ReportDataCheckTest, ::testing::Range(0, int(Reports().size())),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(Reports()[std::size_t(info.param)].name);
                         });

// The check itself, where the dialogs cannot show it: the order of the findings and the totals read.
using ReportDataUnit = DialogSchool;

TEST_F(ReportDataUnit, OnlyTheTotalsReadAndTheSubjectsTakingPartCount) {
    data::MarkTotalsStale(m_db, 1);
    EXPECT_EQ(CheckReportData(m_db, Context(), {{2}, false}).staleTypes, std::vector<int>{2});
    EXPECT_EQ(CheckReportData(m_db, Context(), {{}, false}).state, ReportDataState::Ready);
    // 英语 alone has no full mark; 物理 alone has marks when the others have none.
    EXPECT_EQ(CheckReportData(m_db, Context({3}), {{2}, true}).state, ReportDataState::NoFullMarks);
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET s01=NULL, s02=NULL, s03=NULL WHERE id=1"));
    EXPECT_EQ(CheckReportData(m_db, Context(), {{2}, true}).state, ReportDataState::NoMarks);
    EXPECT_EQ(CheckReportData(m_db, Context({4}), {{2}, true}).state, ReportDataState::Stale);
    ASSERT_EQ(data::TotalSubjects(m_db, 1, 3), (std::vector<int>{1, 2, 3}));
    examsetup::DeleteExam(m_db, 1);
    EXPECT_TRUE(data::StaleTotals(m_db, 1).empty());
    EXPECT_EQ(data::TotalSubjects(m_db, 1, 3), std::nullopt);
}

TEST_F(ReportDataUnit, StaleTotalsAreRecomputedFromTheirOwnSubjects) {
    ComputeValidTotals(m_db, 1, 0, {1, 3});
    ComputeValidTotals(m_db, 1, 1, {2});
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET s01=s01+1, s02=s02+2, s03=s03+4 WHERE id=1"));
    data::MarkTotalsStale(m_db, 1);
    m_db.Execute(QStringLiteral("DELETE FROM tavrinSumKM WHERE id=1 AND sumno=2"));
    EXPECT_EQ(RecomputeStaleTotals(m_db, 1, {0, 1, 2}), std::vector<int>{1});
    EXPECT_EQ(data::StaleTotals(m_db, 1), std::vector<int>{2});
    const auto differing = [this](const char* where) {
        return m_db
            .Execute(QStringLiteral("SELECT count(*) FROM tavrinKSK WHERE id=1 AND NOT (%1)").arg(where))
            .Field(0)
            .ToInt();
    };
    EXPECT_EQ(differing("sum1 IS coalesce(s01,0)+coalesce(s03,0) OR (s01 IS NULL AND s03 IS NULL)"), 0);
    EXPECT_EQ(differing("sum3 IS coalesce(s01,0)+coalesce(s02,0)+coalesce(s03,0) OR "
                        "(s01 IS NULL AND s02 IS NULL AND s03 IS NULL)"),
              0);
    // 理总, of unknown subjects, still holds the old marks' total.
    EXPECT_GT(differing("sum2 IS s02"), 0);
}

TEST_F(ReportDataUnit, AMarkIsNeverWrittenWithoutItsRecord) {
    // Every record refused: each write of marks fails whole.
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET s011=s01 WHERE id=1"));
    m_db.Execute(QStringLiteral("CREATE TRIGGER refuse_state BEFORE INSERT ON tavrinSumState BEGIN "
                                "SELECT RAISE(ABORT, 'refused'); END"));
    const auto s01 = [this](const char* student) {
        return m_db.Execute(QStringLiteral("SELECT s01 FROM tavrinKSK WHERE id=1 AND studentid=?"), student)
            .Field(0)
            .ToDouble();
    };
    const long long a =
        m_db.Execute(QStringLiteral("SELECT rowid FROM tavrinKSK WHERE id=1 AND studentid='A'"))
            .Field(0)
            .ToInt64();
    EXPECT_THROW(scoresheet::WriteMarks(m_db, a, 1, QStringLiteral("s01"), 95, std::nullopt, 95),
                 db::DbError);
    EXPECT_EQ(s01("A"), 90);

    const long long g =
        m_db.Execute(QStringLiteral("SELECT rowid FROM tavrinKSK WHERE id=1 AND studentid='G'"))
            .Field(0)
            .ToInt64();
    db::Recordset source({QStringLiteral("XH"), QStringLiteral("P1")},
                         {QStringLiteral("TEXT"), QStringLiteral("NUMBER")},
                         {{db::Variant("G"), db::Variant(50)}});
    scoreimport::Target target{1, QStringLiteral("s01"), {100, 0, 1, 0}, 4, {{g, "G", "", "4"}}};
    EXPECT_THROW(scoreimport::ImportScores(m_db, source, 1,
                                           {QStringLiteral("XH[C]"), QStringLiteral("P1[N]"), {}}, target),
                 scoreimport::ImportNotDone);
    EXPECT_EQ(s01("G"), 60);

    // A changed stream changes no total and needs no record: the sheet's refresh goes through.
    m_db.Execute(QStringLiteral("INSERT INTO tavrinName (id, grade, studentid, name, class, active, worl) "
                                "VALUES (1, '12008', 'A', '甲', 1, '是', '文')"));
    EXPECT_NO_THROW(
        examsetup::PrepareScoreRows(m_db, 1, QStringLiteral("12008"), examsetup::MarkedRows::Refresh));
    EXPECT_EQ(m_db.Execute(QStringLiteral(
                               "SELECT worl||coalesce(name,'-') FROM tavrinKSK WHERE id=1 AND studentid='A'"))
                  .Field(0)
                  .ToString(),
              QStringLiteral("文甲"));
}

} // namespace
