// The normality and significance tests: hand-worked rows and pairs, the moment forms on the
// fixture school, and the dialog driven as a user drives it.

#include "LineSchool.h"

#include "analysis/NormalityTests.h"
#include "analysis/SignificanceTestDlg.h"
#include "controls/ChartCtrl.h"
#include "controls/grid/GridCtrl.h"
#include "fixtures/SchoolFixture.h"
#include "platform/report/Output.h"
#include "reports/ScoreBandReportDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <map>

using namespace normality;

namespace {

class NormalityTest : public LineSchool {
protected:
    std::unique_ptr<CSignificanceTestDlg> Open(int mode) {
        OpenHome();
        auto dlg = std::make_unique<CSignificanceTestDlg>();
        dlg->SetMode(mode);
        dlg->OnInitDialog();
        return dlg;
    }
    static void Click(ui::Dialog& dlg, int id) {
        QTest::mouseClick(dlg.GetDlgItem<QAbstractButton>(id), Qt::LeftButton);
    }
    static QStringList Row(CGridCtrl& grid, int row) {
        QStringList texts;
        for (int c = 1; c < grid.GetColumnCount(); ++c)
            texts << grid.GetItemText(row, c);
        return texts;
    }
};

const QString kNormal = QStringLiteral("成绩分布服从正态分布(P>0.05)");

} // namespace

TEST_F(NormalityTest, ClassRowsFollowTheHandWorkedMoments) {
    AddClass(1, {60, 70, 70, 80});
    AddClass(2, Repeat(50, 9));
    AddClass(2, {100});
    AddClass(3, Repeat(40, 10));
    AddClass(3, Repeat(90, 10));
    AddClass(4, {0, 0, 55, 60, 70, 80});
    Add(4, "理", std::nullopt);
    AddClass(5, {70, 80, 90});  // three scores: not tested
    AddClass(6, Repeat(75, 4)); // every score equal
    AddClass(8, {50, 60, 70, 85});
    Add(std::nullopt, "文", 99); // no class, and class 0: neither touches a row
    Add(0, "文", 1);

    auto dlg = Open(kNormality);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("2008级期中考试成绩正态分布检验"));
    EXPECT_FALSE(dlg->GetDlgItem(CSignificanceTestDlg::IDC_DISTRIBUTION)->isVisibleTo(dlg.get()));
    CGridCtrl& g = dlg->Grid();
    ASSERT_EQ(g.GetRowCount(), 9);
    ASSERT_EQ(g.GetColumnCount(), 9);
    EXPECT_EQ(g.GetItemText(0, 0), QStringLiteral("班级"));
    EXPECT_EQ(Row(g, 0), QStringList({"人数", "最低分", "最高分", "平均分", "标准差", "偏度", "峰度",
                                      "正态性检验结果"}));
    EXPECT_EQ(g.GetItemText(7, 0), QStringLiteral(" 7班"));

    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(boxes->Boxes().empty());
    EXPECT_EQ(g.GetItemText(0, 0), QStringLiteral("语文"));
    EXPECT_TRUE(dlg->GetDlgItem(CSignificanceTestDlg::IDC_DISTRIBUTION)->isVisibleTo(dlg.get()));
    EXPECT_EQ(Row(g, 1), QStringList({"  4", "60.0", "80.0", "70.00", "8.16", "0.0000", "1.5000", kNormal}));
    EXPECT_EQ(Row(g, 2), QStringList({" 10", "50.0", "100.0", "55.00", "15.81", "3.1623", "10.0000",
                                      "呈正偏态陡峭型分布"}));
    EXPECT_EQ(Row(g, 3),
              QStringList({" 20", "40.0", "90.0", "65.00", "25.65", "0.0000", "-2.2353", "呈平坡型分布"}));
    EXPECT_EQ(Row(g, 4),
              QStringList({"  4", "55.0", "80.0", "66.25", "11.09", "0.4816", "-1.6995", kNormal}));
    const QStringList empty(8, QString());
    EXPECT_EQ(Row(g, 5), empty);
    // Equal scores: no skewness, kurtosis or verdict, and never "nan".
    EXPECT_EQ(Row(g, 6), QStringList({"  4", "75.0", "75.0", "75.00", "0.00", "", "", ""}));
    EXPECT_EQ(Row(g, 7), empty);
    EXPECT_EQ(g.GetItemFormat(1, 4), 0x26u);
}

TEST_F(NormalityTest, TheVerdictColumnIsInView) {
    AddClass(1, {60, 70, 70, 80});
    AddClass(2, Repeat(50, 9));
    AddClass(2, {100});
    auto dlg = Open(kNormality);
    Click(*dlg, ui::IDOK);
    CGridCtrl& g = dlg->Grid();
    ASSERT_EQ(g.GetItemText(1, g.GetColumnCount() - 1), kNormal);
    gdi::Rect client;
    g.GetClientRect(&client);
    gdi::Rect verdict;
    ASSERT_TRUE(g.GetCellRect(0, g.GetColumnCount() - 1, &verdict));
    EXPECT_LE(verdict.right, client.right);
    // The buttons moved with the grid and stay beside it.
    const QWidget* ok = dlg->GetDlgItem(ui::IDOK);
    EXPECT_GT(ok->x(), g.geometry().right());
    EXPECT_LE(ok->geometry().right(), dlg->width());
}

TEST_F(NormalityTest, VerdictsNameTheSignificantSkewAndKurtosis) {
    // n = 100: the standard errors are 0.2414 (skewness) and 0.4783 (kurtosis).
    EXPECT_EQ(NormalityVerdict(100, 0.4, 0.9), kNormal);
    EXPECT_EQ(NormalityVerdict(100, 0.5, 0.0), QStringLiteral("呈正偏态分布"));
    EXPECT_EQ(NormalityVerdict(100, -0.5, 0.0), QStringLiteral("呈负偏态分布"));
    EXPECT_EQ(NormalityVerdict(100, 0.0, 1.0), QStringLiteral("呈陡峭型分布"));
    EXPECT_EQ(NormalityVerdict(100, 0.0, -1.0), QStringLiteral("呈平坡型分布"));
    EXPECT_EQ(NormalityVerdict(100, 0.5, 1.0), QStringLiteral("呈正偏态陡峭型分布"));
    EXPECT_EQ(NormalityVerdict(100, 0.5, -1.0), QStringLiteral("呈正偏态平坡型分布"));
    EXPECT_EQ(NormalityVerdict(100, -0.5, 1.0), QStringLiteral("呈负偏态陡峭型分布"));
    EXPECT_EQ(NormalityVerdict(100, -0.5, -1.0), QStringLiteral("呈负偏态平坡型分布"));
    // Three scores are not tested; four are.
    EXPECT_FALSE(NormalityOf({1, 2, 3}, 2, 1));
    ASSERT_TRUE(NormalityOf({1, 2, 3, 4}, 2.5, std::sqrt(5.0 / 3)));
}

TEST(NormalityFixtureTest, SkewnessAndKurtosisAgreeWithTheMomentForms) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("school.mdb"));
    fixtures::MakeSchool(path);
    db::Connection conn;
    conn.OpenFile(path, fixtures::DatabasePassword());
    const int highest =
        conn.Execute(QStringLiteral("SELECT max(class) FROM tavrinKSK WHERE id=1")).Field(0).ToInt();
    CReportTable table = TestTable(kNormality, highest);
    RunTest(conn, kNormality, 1, 3, QStringLiteral("英语"), table);

    std::map<int, std::vector<double>> scores;
    for (db::Recordset rs = conn.Execute(QStringLiteral("SELECT class, s03 FROM tavrinKSK WHERE id=1"));
         !rs.IsEOF(); rs.MoveNext())
        if (!rs.Field(1).IsNull() && rs.Field(1).ToDouble() > 0)
            scores[rs.Field(0).ToInt()].push_back(rs.Field(1).ToDouble());
    int tested = 0;
    for (const auto& [cls, xs] : scores) {
        const double n = double(xs.size());
        double mean = 0;
        for (const double x : xs)
            mean += x / n;
        double m2 = 0, m3 = 0, m4 = 0;
        for (const double x : xs) {
            const double d = x - mean;
            m2 += d * d / n;
            m3 += d * d * d / n;
            m4 += d * d * d * d / n;
        }
        const double g1 = std::sqrt(n * (n - 1)) / (n - 2) * m3 / std::pow(m2, 1.5);
        const double g2 = ((n + 1) * (m4 / (m2 * m2) - 3) + 6) * (n - 1) / ((n - 2) * (n - 3));
        EXPECT_EQ(table.Text(cls, 1).trimmed().toInt(), int(xs.size())) << cls;
        EXPECT_NEAR(table.Text(cls, 6).toDouble(), g1, 0.00006) << cls;
        EXPECT_NEAR(table.Text(cls, 7).toDouble(), g2, 0.00006) << cls;
        EXPECT_EQ(table.Text(cls, 8), NormalityVerdict(int(n), g1, g2)) << cls;
        ++tested;
    }
    EXPECT_GE(tested, 4);
}

TEST(SignificancePairTest, PairsCompareOnTheEvenScoreGrid) {
    const auto twenty = [](double x) { return std::vector<double>(20, x); };
    EXPECT_EQ(CompareClasses({51}, {52}).d, 0.0); // both in the step from 50 to 52
    EXPECT_EQ(CompareClasses({51}, {52}).result, kSame);
    const PairTest apart = CompareClasses({52}, {53});
    EXPECT_EQ(apart.d, 1.0);
    EXPECT_NEAR(apart.critical, 2.305, 0.001);
    EXPECT_EQ(apart.result, kSame);
    const PairTest shifted = CompareClasses({50, 60, 70, 80}, {52, 62, 72, 82});
    EXPECT_DOUBLE_EQ(shifted.d, 0.25);
    EXPECT_NEAR(shifted.critical, 1.153, 0.001);
    EXPECT_EQ(shifted.result, kSame);
    const PairTest far = CompareClasses(twenty(40), twenty(90));
    EXPECT_EQ(far.d, 1.0);
    EXPECT_NEAR(far.critical, 0.515, 0.001);
    EXPECT_EQ(far.result, kSignificant);
    EXPECT_EQ(CompareClasses({}, {60}).result, kNotSat);
    // A score below 2 counts at 2.
    EXPECT_EQ(CompareClasses({0.5}, {2}).d, 0.0);
    EXPECT_EQ(PairText(kNotSat) + PairText(kSame) + PairText(kSignificant), QStringLiteral("没考相同显著"));
}

TEST_F(NormalityTest, TheTriangleMarksSignificantPairsInRedUntilTheNextRun) {
    for (int i = 0; i < 20; ++i) {
        Add(1, "理", 40, 70);
        Add(2, "理", 90, 70);
        Add(3, "理", 0, 70);
        Add(4, "理", 40, 70);
    }
    auto dlg = Open(kSignificance);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("2008级期中考试成绩显著性差异检验"));
    CGridCtrl& g = dlg->Grid();
    ASSERT_EQ(g.GetRowCount(), 4);
    ASSERT_EQ(g.GetColumnCount(), 4);
    EXPECT_EQ(Row(g, 0), QStringList({" 2班", " 3班", " 4班"}));
    EXPECT_EQ(g.GetItemText(3, 0), QStringLiteral(" 3班"));

    Click(*dlg, ui::IDOK);
    EXPECT_EQ(Row(g, 1), QStringList({"显著", "没考", "相同"}));
    EXPECT_EQ(Row(g, 2), QStringList({"", "没考", "显著"}));
    EXPECT_EQ(Row(g, 3), QStringList({"", "", "没考"}));
    const gdi::COLORREF red = gdi::Rgb(255, 0, 0);
    EXPECT_EQ(g.GetItemBkColour(1, 1), red);
    EXPECT_EQ(g.GetItemBkColour(2, 3), red);
    EXPECT_NE(g.GetItemBkColour(1, 3), red);

    // 数学: every class the same; the red is gone.
    dlg->SubjectBox()->setCurrentIndex(1);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(g.GetItemText(0, 0), QStringLiteral("数学"));
    EXPECT_EQ(Row(g, 1), QStringList({"相同", "相同", "相同"}));
    EXPECT_EQ(Row(g, 3), QStringList({"", "", "相同"}));
    EXPECT_NE(g.GetItemBkColour(1, 1), red);
    EXPECT_NE(g.GetItemBkColour(2, 3), red);
    EXPECT_TRUE(boxes->Boxes().empty());
}

TEST_F(NormalityTest, ASubjectMustComeFromTheList) {
    AddClass(1, {60, 70, 70, 80});
    auto dlg = Open(kNormality);
    QComboBox* box = dlg->SubjectBox();
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemData(2).toInt(), 3);
    box->setEditText(QStringLiteral("物理"));
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(boxes->Texts(), QStringList{QStringLiteral("对不起，科目只能在列表中选择！")});
    EXPECT_EQ(dlg->Grid().GetItemText(0, 0), QStringLiteral("班级"));
    EXPECT_EQ(dlg->Grid().GetItemText(1, 1), QString());

    // The name of an entry typed in full is that entry.
    boxes->Clear();
    box->setEditText(QStringLiteral("英语"));
    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(boxes->Boxes().empty());
    EXPECT_EQ(dlg->Grid().GetItemText(0, 0), QStringLiteral("英语"));
    EXPECT_EQ(dlg->m_strSubjectName, QStringLiteral("英语"));
}

TEST_F(NormalityTest, TheTableIsPrintedAndTheBandsOpenWithWidthEight) {
    AddClass(1, {60, 70, 70, 80});
    AddClass(3, {50, 55, 60, 65, 70});
    QTemporaryDir out;
    report::PdfOutput pdf(out.path());
    auto dlg = Open(kNormality);
    // Before any run: the labels, empty results, and a title ending in "-".
    Click(*dlg, CSignificanceTestDlg::IDC_PRINT);
    report::IReport& r = dlg->ReportComponent().Report();
    ASSERT_EQ(r.Records().RecordCount(), 3);
    EXPECT_EQ(r.Records().Record(1), QStringList({" 2班", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(r.Definition().pageHeader.boxes[0].text, QStringLiteral("2008级期中考试成绩正态分布检验-"));

    Click(*dlg, ui::IDOK);
    Click(*dlg, CSignificanceTestDlg::IDC_PRINT);
    ASSERT_EQ(r.Records().RecordCount(), 3); // the empty class 2 too
    EXPECT_EQ(r.Records().Record(0).size(), 9);
    EXPECT_EQ(r.Records().Record(0)[1], QStringLiteral("  4"));
    EXPECT_EQ(r.Definition().pageHeader.boxes[0].text, QStringLiteral("2008级期中考试成绩正态分布检验-语文"));
    EXPECT_EQ(pdf.PreviewCount(), 2);

    int width = 0;
    bool curve = false;
    ui::SetDialogRunner([&](ui::Dialog& d) {
        if (auto* bands = dynamic_cast<CScoreBandReportDlg*>(&d)) {
            width = bands->GetBandWidth();
            curve = bands->Chart().m_bNormalCurve;
        }
        return ui::IDCANCEL;
    });
    Click(*dlg, CSignificanceTestDlg::IDC_DISTRIBUTION);
    EXPECT_EQ(width, 8);
    EXPECT_TRUE(curve);
    EXPECT_TRUE(boxes->Boxes().empty());
}

TEST_F(NormalityTest, AnExamWithoutScoresOrWithOneClassKeepsOneCell) {
    auto empty = Open(kSignificance);
    EXPECT_EQ(empty->Grid().GetRowCount(), 1);
    Click(*empty, ui::IDOK);
    EXPECT_EQ(empty->Grid().GetItemText(0, 0), QStringLiteral("语文"));
    EXPECT_EQ(empty->m_nRows * empty->m_nCols, 1);

    AddClass(1, {60, 70, 70, 80});
    auto one = std::make_unique<CSignificanceTestDlg>();
    one->SetMode(kSignificance);
    one->OnInitDialog();
    Click(*one, ui::IDOK);
    EXPECT_EQ(one->Grid().GetRowCount(), 1);
    EXPECT_EQ(one->Grid().GetColumnCount(), 1);
    EXPECT_TRUE(boxes->Boxes().empty());
}

TEST_F(NormalityTest, ADatabaseFailureIsReportedAndTheTableStays) {
    AddClass(1, {60, 70, 70, 80});
    SetSubjects({1, 4}); // subject 4 has neither a name nor a score column
    auto dlg = Open(kNormality);
    ASSERT_EQ(dlg->SubjectBox()->count(), 2);
    dlg->SubjectBox()->setCurrentIndex(1);
    testwarnings::ExpectWarning cut(QStringLiteral("test cut short"));
    Click(*dlg, ui::IDOK);
    ASSERT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_TRUE(boxes->Texts()[0].startsWith(QStringLiteral("错误信息:")));
    EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
    EXPECT_EQ(dlg->Grid().GetRowCount(), 2);
    EXPECT_EQ(dlg->Grid().GetItemText(1, 0), QStringLiteral(" 1班"));
    EXPECT_EQ(dlg->Grid().GetItemText(1, 1), QString());
}
