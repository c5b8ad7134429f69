// The score report, the class score list with its slips and the grade score list, on small exams
// whose ranks and standard scores were worked out by hand.
#include "DialogSchool.h"

#include "platform/report/Output.h"
#include "platform/text/Gbk.h"
#include "report/ExportToXls.h"
#include "report/PrintOrExcelDlg.h"
#include "reports/Format.h"
#include "reports/GradeScorePrintDlg.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ScorePrint.h"
#include "reports/ScorePrintDlg.h"
#include "reports/ScoreReport.h"
#include "reports/ScoreReportDlg.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace reports;

namespace {

using S = std::optional<double>;

class ScoreLists : public DialogSchool {
protected:
    // One student of exam `exam`: class, stream, the three totals and the score of subject 1.
    void Student(int exam, const QString& id, const QString& name, int cls, const char* worl, S sum3,
                 S sum1 = {}, S sum2 = {}, S s01 = {}) {
        const auto v = [](S x) { return x ? db::Variant(*x) : db::Variant(); };
        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinKSK (id, studentid, name, class, worl, sum1, sum2, sum3, "
                           "s01) VALUES (?,?,?,?,?,?,?,?,?)"),
            std::vector<db::Variant>{exam, id, name, cls, QString::fromUtf8(worl), v(sum1), v(sum2), v(sum3),
                                     v(s01)});
    }
    // Exam 3: one class (5) that is the whole grade, subject 1 scores 90, 85, 85, 80, 70, 60, none.
    void SixScores() {
        const S scores[] = {85, 60, 90, 80, S{}, 70, 85};
        for (int i = 0; i < 7; ++i)
            Student(3, QStringLiteral("30%1").arg(i), QStringLiteral("s%1").arg(i), 5, "文", {}, {}, {},
                    scores[i]);
    }
    static CAnalysisContext ExamContext(int exam, const QString& text = QStringLiteral("2008|期中考试")) {
        CAnalysisContext c;
        c.m_nAnalysisExamId = exam;
        c.m_strAnalysisExam = text;
        c.m_aSubjectSelected[0] = 1;
        c.m_nSelectedSubjects = 1;
        return c;
    }
    CReportTable List(int exam, int mode, float mean = 80, float sd = 20, int cls = 5) {
        ScoreReportOptions o;
        o.mode = mode;
        o.subject = 1;
        o.subjectName = QStringLiteral("语文");
        o.classNo = cls;
        o.targetMean = mean;
        o.targetSD = sd;
        CReportTable t = InitialScoreReportTable();
        ListScoreReport(m_db, ExamContext(exam), o, t);
        return t;
    }
    static QStringList Column(const CReportTable& t, int col) {
        QStringList texts;
        for (int r = 1; r < t.RowCount(); ++r)
            texts << t.Text(r, col);
        return texts;
    }
    CReportTable Print(int exam, const ScorePrintOptions& o) {
        CReportTable t;
        ListScorePrint(m_db, m_cipher, ExamContext(exam), o, t);
        return t;
    }
    // Exam 4: totals 600, 580, 580, 570 and one without a total, in two classes and both streams;
    // 赵六's 语文 is the exam's only mark of the subject.
    void FourTotals() {
        Student(4, QStringLiteral("401"), QStringLiteral("张三"), 1, "文", 580, 300, 280);
        Student(4, QStringLiteral("402"), QStringLiteral("李小四"), 1, "理", 600, 290, 310);
        Student(4, QStringLiteral("403"), QStringLiteral("a张b"), 1, "文", 570, 310, 260);
        Student(4, QStringLiteral("404"), QStringLiteral("王五  "), 2, "理", 580, 270, 310);
        Student(4, QStringLiteral("405"), QStringLiteral("赵六"), 1, "理", {}, {}, {}, 40);
    }
};

} // namespace

TEST_F(ScoreLists, TheScoreReportRanksAndStandardises) {
    SixScores();
    const ScopeMoments m = ScoreScopeMoments(m_db, 3, 1, kWholeGrade);
    EXPECT_EQ(Format62(m.mean), QStringLiteral(" 78.33"));
    EXPECT_EQ(Format62(m.sd), QStringLiteral(" 11.25"));

    const CReportTable z = List(3, kStandardScores);
    ASSERT_EQ(z.RowCount(), 8);
    EXPECT_EQ(z.FixedColumnCount(), 1);
    EXPECT_EQ(z.Text(0, 5), QStringLiteral("标准分"));
    EXPECT_EQ(Column(z, 4), QStringList({" 90.00", " 85.00", " 85.00", " 80.00", " 70.00", " 60.00", ""}));
    EXPECT_EQ(Column(z, 6), QStringList({" 1", " 2", " 2", " 4", " 5", " 6", ""}));
    EXPECT_EQ(Column(z, 5), QStringList({"  1.04", "  0.59", "  0.59", "  0.15", " -0.74", " -1.63", ""}));
    EXPECT_EQ(z.Text(7, 0), QStringLiteral("304")); // the student without a score comes last
    EXPECT_EQ(z.Cell(1, 1)->align, CellAlign::Default);
    EXPECT_EQ(z.Cell(1, 5)->align, CellAlign::Right);

    EXPECT_EQ(Column(List(3, kTScores), 5),
              QStringList({" 60.37", " 55.93", " 55.93", " 51.48", " 42.60", " 33.71", ""}));
    const CReportTable scaled = List(3, kStandardised);
    EXPECT_EQ(Column(scaled, 5),
              QStringList({"100.75", " 91.86", " 91.86", " 82.97", " 65.19", " 47.41", ""}));
    EXPECT_EQ(scaled.Text(0, 5), QStringLiteral("标准化"));
    // The target mean enters at two decimals of its single-precision value: 72.455 as 72.46.
    EXPECT_EQ(List(3, kStandardised, 72.455f).Text(1, 5), QStringLiteral(" 93.21"));

    // A scope with one score, or with equal scores, gives no standard score.
    Student(5, QStringLiteral("501"), QStringLiteral("一"), 1, "文", {}, {}, {}, 70);
    Student(6, QStringLiteral("601"), QStringLiteral("二"), 1, "文", {}, {}, {}, 80);
    Student(6, QStringLiteral("602"), QStringLiteral("三"), 1, "文", {}, {}, {}, 80);
    EXPECT_EQ(Column(List(5, kStandardScores, 80, 20, 1), 5), QStringList{""});
    EXPECT_EQ(Column(List(6, kTScores, 80, 20, 1), 5), QStringList({"", ""}));
    EXPECT_EQ(Column(List(6, kTScores, 80, 20, 1), 6), QStringList({" 1", " 1"}));
}

TEST_F(ScoreLists, ScoresEqualAtTwoDecimalsShareARank) {
    Student(5, QStringLiteral("1"), QStringLiteral("一"), 1, "文", {}, {}, {}, 85.004);
    Student(5, QStringLiteral("2"), QStringLiteral("二"), 1, "文", {}, {}, {}, 84.996);
    Student(5, QStringLiteral("3"), QStringLiteral("三"), 1, "文", {}, {}, {}, 80);
    const CReportTable t = List(5, kSubjectList, 80, 20, 1);
    EXPECT_EQ(t.Text(1, 5), QStringLiteral(" 1"));
    EXPECT_EQ(t.Text(2, 5), QStringLiteral(" 1"));
    EXPECT_EQ(t.Text(3, 5), QStringLiteral(" 3"));
}

TEST_F(ScoreLists, HalfListsPageInsteadOfLosingStudents) {
    for (int k = 1; k <= 70; ++k) // scores fall with k, so student k is the k-th listed
        Student(5, QStringLiteral("%1").arg(k, 3, 10, QChar(u'0')), QStringLiteral("n%1").arg(k), 2, "理", {},
                {}, {}, 200 - k);
    const CReportTable t = List(5, kSubjectList, 80, 20, 2);
    ASSERT_EQ(t.RowCount(), 69);
    ASSERT_EQ(t.ColumnCount(), 12);
    EXPECT_EQ(t.FixedColumnCount(), 0);
    EXPECT_EQ(t.Text(34, 0), QStringLiteral("034"));
    EXPECT_EQ(t.Text(1, 6), QStringLiteral("035"));
    EXPECT_EQ(t.Text(34, 6), QStringLiteral("068"));
    EXPECT_EQ(t.Text(35, 0), QStringLiteral("069"));
    EXPECT_EQ(t.Text(36, 0), QStringLiteral("070"));
    EXPECT_EQ(t.Text(35, 11), QString());
    EXPECT_EQ(t.Text(35, 5), QStringLiteral("69"));
    EXPECT_EQ(t.Text(0, 10), QStringLiteral("语文"));
    EXPECT_EQ(t.Cell(0, 10)->align, CellAlign::Default); // the copied titles keep the grid's format
    EXPECT_EQ(t.Cell(0, 4)->align, CellAlign::Right);

    const CReportTable empty = List(5, kSubjectList, 80, 20, 7);
    EXPECT_EQ(empty.RowCount(), 35);
    EXPECT_EQ(empty.Text(0, 11), QStringLiteral("名次"));
    EXPECT_EQ(List(5, kStandardScores, 80, 20, 7).RowCount(), 1);
}

TEST_F(ScoreLists, TotalsRankAndTheRangeKeepsItsPlaces) {
    FourTotals();
    ScorePrintOptions o = ClassScorePrintOptions(1, 2, 4, 0, 0, 0, 0);
    CReportTable t = Print(4, o);
    ASSERT_EQ(t.ColumnCount(), 7); // 学号 姓名 班级 总分 名次 名次 语文
    EXPECT_EQ(Column(t, 0), QStringList({"402", "401", "403", "405"}));
    EXPECT_EQ(Column(t, 4), QStringList({"   1", "   2", "   4", ""}));
    EXPECT_EQ(Column(t, 5), QStringList({"   1", "   2", "   3", ""}));
    EXPECT_EQ(Column(t, 1), QStringList({"李小四", "张　三", "a张b", "赵　六"}));
    EXPECT_EQ(t.Cell(1, 1)->align, CellAlign::Left);
    EXPECT_EQ(t.Cell(0, 1)->align, CellAlign::Center);
    EXPECT_EQ(t.Cell(0, 4)->align, CellAlign::Default);

    // The whole grade: 580 twice shares place 2, and 570 is fourth.
    const auto grade = [&](int range, int x) {
        return Column(Print(4, GradeScorePrintOptions(1, 0, 0, range, x)), 0);
    };
    EXPECT_EQ(Column(Print(4, GradeScorePrintOptions(1, 0, 0, 0, 0)), 4),
              QStringList({"   1", "   2", "   2", "   4", ""}));
    EXPECT_EQ(grade(1, 2).size(), 3);
    EXPECT_EQ(grade(2, 2), QStringList({"403", "405"})); // a student without a total always stays
    EXPECT_EQ(grade(1, 0), QStringList());
    EXPECT_EQ(grade(2, 0).size(), 5);
    // The class list keeps the class's students ranked in the grade.
    EXPECT_EQ(Column(Print(4, ClassScorePrintOptions(1, 3, 4, 0, 1, 2, 0)), 0), QStringList({"402", "401"}));

    // A stream's range lists that stream and judges by the rank within it, whatever the
    // stream-total box says (here the grade ranks shown are the same).
    const CReportTable arts = Print(4, GradeScorePrintOptions(0, 0, 1, 4, 10));
    EXPECT_EQ(Column(arts, 0), QStringList({"403", "401"}));
    EXPECT_EQ(arts.Text(0, 4), QStringLiteral("文总"));
    EXPECT_EQ(Column(arts, 5), QStringList({"   1", "   2"}));
    EXPECT_EQ(Column(Print(4, ClassScorePrintOptions(1, 3, 4, 0, 6, 1, 0)), 0), QStringList({"405"}));
    // Without the range the box's item 1 ranks the arts total among all students.
    EXPECT_EQ(Column(Print(4, ClassScorePrintOptions(1, 3, 4, 1, 0, 0, 0)), 5),
              QStringList({"   3", "   2", "   1", ""}));
}

TEST_F(ScoreLists, SlipsRepeatTheTitlesBeforeEveryStudent) {
    FourTotals();
    CReportTable t = Print(4, ClassScorePrintOptions(1, 3, 4, 0, 2, 1, 1)); // 401, 403, 405
    ASSERT_EQ(t.RowCount(), 8);
    EXPECT_EQ(t.Text(4, 0), QStringLiteral("403"));
    EXPECT_EQ(t.Text(3, 1), QStringLiteral("姓名"));
    EXPECT_EQ(t.Cell(3, 1)->align, CellAlign::Right);
    EXPECT_EQ(t.Text(2, 0), QString());
    EXPECT_EQ(t.Records().size(), 3u);
    EXPECT_EQ(Print(4, ClassScorePrintOptions(2, 3, 4, 0, 0, 0, 1)).RowCount(),
              2); // one student: nothing added
}

namespace {

class ScoreDialogs : public ScoreLists {
protected:
    void SetUp() override {
        ScoreLists::SetUp();
        SixScores();
        FourTotals();
    }
    void UseExam(int exam, const QString& text = QStringLiteral("高一|期中")) {
        static_cast<CAnalysisContext&>(*frame) = ExamContext(exam, text);
    }
    static void Click(ui::Dialog& dlg, int id) {
        QTest::mouseClick(dlg.GetDlgItem<QAbstractButton>(id), Qt::LeftButton);
    }
    static void Type(ui::Dialog& dlg, int id, const QString& text) {
        auto* edit = dlg.GetDlgItem<QLineEdit>(id);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    static void ClickTitle(CGridCtrl& grid, int col) {
        gdi::Rect rect;
        grid.GetCellRect(0, col, &rect);
        QTest::mouseClick(
            &grid, Qt::LeftButton, {},
            grid.ClientToWidget(gdi::Point((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2)));
    }
    QByteArray Exported(ui::Dialog& dlg, int button) {
        SetExportClock([] { return std::time_t(1136073600); });
        Click(dlg, button);
        SetExportClock({});
        QFile f(m_dir.filePath(QStringLiteral("1136073600.xls")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(ScoreDialogs, TheScoreReportShowsItsModeAndListsTheTypedClass) {
    UseExam(3);
    CScoreReportDlg dlg;
    dlg.SetReportMode(kStandardised);
    dlg.OnInitDialog();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("高一级期中成绩报表[标准化]"));
    EXPECT_EQ(dlg.GetDlgItem<QPushButton>(ui::IDOK)->text(), QStringLiteral("标准化"));
    EXPECT_FALSE(dlg.GetDlgItem(CScoreReportDlg::IDC_TARGET_SD)->isHidden());
    EXPECT_EQ(dlg.ScopeBox()->currentText(), QStringLiteral("全年级"));
    ASSERT_EQ(dlg.SubjectBox()->count(), 1);
    EXPECT_EQ(dlg.SubjectBox()->currentText(), QStringLiteral("语文"));

    Type(dlg, CScoreReportDlg::IDC_CLASS, QStringLiteral("5"));
    Type(dlg, CScoreReportDlg::IDC_TARGET_MEAN, QStringLiteral("72.455"));
    Click(dlg, ui::IDOK);
    EXPECT_EQ(dlg.m_nRows, 8);
    EXPECT_EQ(dlg.Grid().GetItemText(1, 5), QStringLiteral(" 93.21"));
    EXPECT_EQ(dlg.Grid().GetItemFormat(1, 5), 0x26u);

    // Printing feeds every row; a class number out of range is refused and the last one kept.
    report::PdfOutput pdf(m_dir.path());
    Click(dlg, CScoreReportDlg::IDC_PRINT_REPORT);
    EXPECT_EQ(dlg.ReportComponent().Report().Records().RecordCount(), 7);
    Type(dlg, CScoreReportDlg::IDC_CLASS, QStringLiteral("100"));
    Click(dlg, ui::IDOK);
    EXPECT_EQ(dlg.m_nClass, 5);
    ASSERT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
}

TEST_F(ScoreDialogs, AnEmptyClassStillExportsThirtyFiveLinesInModeZero) {
    UseExam(3);
    CScoreReportDlg dlg;
    dlg.OnInitDialog();
    EXPECT_TRUE(dlg.ScopeBox()->isHidden());
    Type(dlg, CScoreReportDlg::IDC_CLASS, QStringLiteral("9"));
    Click(dlg, ui::IDOK);
    EXPECT_EQ(dlg.Grid().GetRowCount(), 35);
    EXPECT_EQ(Exported(dlg, CScoreReportDlg::IDC_EXPORT).count('\n'), 35);
}

TEST_F(ScoreDialogs, ClassScoresSortByTheTitleClickedAndSlipsPrintOnePerStudent) {
    UseExam(4);
    CScorePrintDlg dlg;
    dlg.OnInitDialog();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("高一级期中成绩打印"));
    EXPECT_TRUE(dlg.GetDlgItem(CScoreListDlg::IDC_X)->isHidden());
    Click(dlg, ui::IDOK);
    CGridCtrl& g = dlg.Grid();
    ASSERT_EQ(g.GetRowCount(), 5);
    ClickTitle(g, 3); // 总分: by whole numbers, highest last, the empty total first
    EXPECT_EQ(g.GetItemText(4, 0), QStringLiteral("402"));
    EXPECT_EQ(g.GetItemText(1, 0), QStringLiteral("405"));
    ClickTitle(g, 1); // 姓名: as text
    EXPECT_EQ(g.GetItemText(1, 1), QStringLiteral("a张b"));
    EXPECT_EQ(g.GetItemText(2, 1), QStringLiteral("李小四"));
    ClickTitle(g, 1);
    EXPECT_EQ(g.GetItemText(4, 1), QStringLiteral("a张b"));

    // Score slips: the preview gets the three students, the spreadsheet all eight lines.
    CScorePrintDlg slips;
    slips.SetPrintMode(1);
    slips.OnInitDialog();
    slips.RangeBox()->setCurrentIndex(2); // after the best: 401, 403, 405
    Type(slips, CScoreListDlg::IDC_X, QStringLiteral("1"));
    Click(slips, ui::IDOK);
    EXPECT_EQ(slips.m_nRows, 8);
    int choice = 0;
    ui::SetDialogRunner([&](ui::Dialog& d) {
        auto* c = dynamic_cast<CPrintOrExcelDlg*>(&d);
        if (!c)
            return ui::IDCANCEL;
        c->m_nChoice = choice;
        return ui::IDOK;
    });
    report::PdfOutput pdf(m_dir.path());
    Click(slips, CScoreListDlg::IDC_PRINT);
    report::IReport& r = slips.ReportComponent().Report();
    ASSERT_EQ(r.Records().RecordCount(), 3);
    EXPECT_EQ(r.Records().Record(1).at(0), QStringLiteral("403"));
    EXPECT_EQ(r.Definition().detail.groups.size(), 1u);
    choice = 1;
    EXPECT_EQ(Exported(slips, CScoreListDlg::IDC_PRINT).count('\n'), 8);
    ui::SetDialogRunner({});
    EXPECT_TRUE(boxes->Boxes().empty());
}

TEST_F(ScoreDialogs, ClassAndXBothRefusedGiveOneMessageForOneClick) {
    UseExam(4);
    CScorePrintDlg dlg;
    dlg.OnInitDialog();
    dlg.RangeBox()->setCurrentIndex(2);
    Type(dlg, CScorePrintDlg::IDC_CLASS, QStringLiteral("x"));
    Type(dlg, CScoreListDlg::IDC_X, QStringLiteral("y"));
    Click(dlg, ui::IDOK);
    EXPECT_EQ(boxes->Texts(), QStringList{QStringLiteral("请输入一个整数。")});
}

TEST_F(ScoreDialogs, TheGradeListHidesXForWholeGroupsAndListsAStreamsTop) {
    UseExam(4);
    CGradeScorePrintDlg dlg;
    dlg.OnInitDialog();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("高一级期中年级成绩打印"));
    QComboBox* range = dlg.RangeBox();
    for (int item = 0; item < range->count(); ++item) {
        range->setCurrentIndex(item);
        dlg.OnRangeChange();
        EXPECT_EQ(dlg.GetDlgItem(CScoreListDlg::IDC_X)->isHidden(), item % 3 == 0) << item;
    }
    range->setCurrentIndex(4); // 文科班前Ｘ名
    Type(dlg, CScoreListDlg::IDC_X, QStringLiteral("10"));
    Click(dlg, ui::IDOK);
    ASSERT_EQ(dlg.m_nRows, 3);
    EXPECT_EQ(dlg.Grid().GetItemText(1, 0), QStringLiteral("403"));
    EXPECT_EQ(dlg.Grid().GetItemText(2, 0), QStringLiteral("401"));
    EXPECT_TRUE(dlg.Grid().GetSortOnClick());
}

TEST_F(ScoreDialogs, AStreamRangeShowsTheRankTheStreamTotalBoxNames) {
    // A science student of class 2 with the best arts total: 406 320, 403 310, 401 300, 402 290.
    Student(4, QStringLiteral("406"), QStringLiteral("钱七"), 2, "理", 500, 320, 180);
    UseExam(4);
    CScorePrintDlg dlg;
    dlg.OnInitDialog();
    dlg.StreamTotalBox()->setCurrentIndex(1); // 文总年级名次
    Click(dlg, ui::IDOK);
    CGridCtrl& g = dlg.Grid();
    ASSERT_EQ(g.GetItemText(0, 4), QStringLiteral("文总"));
    ASSERT_EQ(g.GetItemText(2, 0), QStringLiteral("401"));
    EXPECT_EQ(g.GetItemText(2, 5), QStringLiteral("   3"));

    // 文总文科前Ｘ名: the arts students of the class by their arts-stream rank, the grade rank shown.
    dlg.RangeBox()->setCurrentIndex(3);
    dlg.OnRangeChange();
    Type(dlg, CScoreListDlg::IDC_X, QStringLiteral("2"));
    Click(dlg, ui::IDOK);
    ASSERT_EQ(dlg.m_nRows, 3);
    EXPECT_EQ(g.GetItemText(1, 0), QStringLiteral("403"));
    EXPECT_EQ(g.GetItemText(1, 5), QStringLiteral("   2"));
    EXPECT_EQ(g.GetItemText(2, 0), QStringLiteral("401"));
    EXPECT_EQ(g.GetItemText(2, 5), QStringLiteral("   3"));
    Type(dlg, CScoreListDlg::IDC_X, QStringLiteral("1"));
    Click(dlg, ui::IDOK);
    ASSERT_EQ(dlg.m_nRows, 2); // stream rank 1, grade rank 2
    EXPECT_EQ(g.GetItemText(1, 5), QStringLiteral("   2"));

    // 文总文科名次 shows the stream rank; 文理年级名次 the grade ranks of both stream totals.
    dlg.StreamTotalBox()->setCurrentIndex(2);
    Click(dlg, ui::IDOK);
    EXPECT_EQ(g.GetItemText(1, 5), QStringLiteral("   1"));
    dlg.StreamTotalBox()->setCurrentIndex(5);
    dlg.RangeBox()->setCurrentIndex(5); // 理总理科前Ｘ名: 402's 310 shares the stream's place 1
    Click(dlg, ui::IDOK);
    ASSERT_EQ(dlg.m_nRows, 3); // 405, without a science total, stays
    EXPECT_EQ(g.GetItemText(1, 0), QStringLiteral("402"));
    EXPECT_EQ(g.GetItemText(1, 5), QStringLiteral("   4")); // 文总 290 in the grade
    EXPECT_EQ(g.GetItemText(1, 7), QStringLiteral("   1")); // 理总 310 in the grade
}

TEST_F(ScoreDialogs, TheScoreReportListsOnlySubjectsWhoseNameItReads) {
    // Subject 2 has no name, subject 5 no row: only 语文 is offered.
    m_db.Execute(QStringLiteral("UPDATE tavrinKMK SET mydesc=NULL WHERE id=2"));
    CAnalysisContext context = ExamContext(3, QStringLiteral("高一|期中"));
    context.m_aSubjectSelected[1] = 1;
    context.m_aSubjectSelected[4] = 1;
    context.m_nSelectedSubjects = 3;
    static_cast<CAnalysisContext&>(*frame) = context;
    CScoreReportDlg dlg;
    dlg.OnInitDialog();
    ASSERT_EQ(dlg.SubjectBox()->count(), 1);
    EXPECT_EQ(dlg.SubjectBox()->itemText(0), QStringLiteral("语文"));
    EXPECT_EQ(dlg.SubjectBox()->itemData(0).toInt(), 1);

    // Without any readable name the list is empty and "确定" lists nothing.
    m_db.Execute(QStringLiteral("UPDATE tavrinKMK SET mydesc=NULL"));
    CScoreReportDlg none;
    none.OnInitDialog();
    EXPECT_EQ(none.SubjectBox()->count(), 0);
    Click(none, ui::IDOK);
    EXPECT_EQ(none.m_nRows, 1);
}
