// The qualifying lines: hand-worked lines, counts and averages, and the dialog driven as a user
// drives it.

#include "LineSchool.h"

#include "analysis/QualifyLineDlg.h"
#include "analysis/QualifyLines.h"
#include "controls/grid/GridCtrl.h"
#include "platform/report/Output.h"
#include "report/PrintOrExcelDlg.h"
#include "reports/ReportQueries.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace qualify;

namespace {

// 语文 (s01) and 数学 (s02, full mark 100·1 + 50·1 = 150; 语文 has no weight row):
//   class 1: 文 90/120, 文 85/100, 理 95/150      class 2: 文 85/90, 文 80/89.99
//   class 3: 文 70/60, 理 69.988/30, 理 69.98/10  class 4: nobody
//   class 5: one student without scores          no class: 理 100/140
class QualifyTest : public LineSchool {
protected:
    void SetUp() override {
        LineSchool::SetUp();
        Add(1, "文", 90, 120);
        Add(1, "文", 85, 100);
        Add(1, "理", 95, 150);
        Add(2, "文", 85, 90);
        Add(2, "文", 80, 89.99);
        Add(3, "文", 70, 60);
        Add(3, "理", 69.988, 30);
        Add(3, "理", 69.98, 10);
        Add(5, "理", std::nullopt, std::nullopt);
        Add(std::nullopt, "理", 100, 140);
        Weights("s02", 100, 50, 1, 1);
        SetSubjects({1, 2});
    }
    CReportTable Compute(int range, int object, int x) {
        CReportTable t;
        ComputeQualifyLines(m_db, m_cipher, m_context, {range, object, x}, t);
        return t;
    }
    std::optional<double> Line(int subject, int range, int x) {
        return SubjectLine(m_db, 1, subject, range, x);
    }
    static QStringList Column(const CReportTable& t, int col) {
        QStringList texts;
        for (int r = 1; r < t.RowCount(); ++r)
            texts << t.Text(r, col);
        return texts;
    }
    std::unique_ptr<CQualifyLineDlg> Open() {
        OpenHome();
        auto dlg = std::make_unique<CQualifyLineDlg>();
        dlg->OnInitDialog();
        return dlg;
    }
    static void Click(ui::Dialog& dlg, int id) {
        QTest::mouseClick(dlg.GetDlgItem<QAbstractButton>(id), Qt::LeftButton);
    }
    static void Type(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    static QStringList GridColumn(CGridCtrl& g, int col) {
        QStringList texts;
        for (int r = 1; r < g.GetRowCount(); ++r)
            texts << g.GetItemText(r, col);
        return texts;
    }
};

} // namespace

TEST_F(QualifyTest, TheLineIsTheXthBestScoreOrAShareOfTheFullMark) {
    EXPECT_EQ(Line(1, kGradeTop, 0), 100.0); // X 0 is X 1: the best
    EXPECT_EQ(Line(1, kGradeTop, 1), 100.0);
    EXPECT_EQ(Line(1, kArtsTop, 2), 85.0);
    EXPECT_EQ(Line(1, kArtsTop, 3), 85.0); // equal scores count separately
    EXPECT_EQ(Line(1, kScienceTop, 3), 69.988);
    EXPECT_EQ(Line(1, kGradeTop, 100), 69.98); // more than there are: the lowest
    EXPECT_EQ(Line(2, kPercentOfFull, 60), 90.0);
    EXPECT_EQ(Line(2, kPercentOfFull, 150), 150.0); // at most the full mark
    EXPECT_EQ(Line(2, kPercentOfFull, -5), 0.0);
    EXPECT_FALSE(Line(1, kPercentOfFull, 60)); // no weight row
    m_db.Execute(QStringLiteral("UPDATE tavrinKMWGT SET t1w=0, t2w=0"));
    EXPECT_FALSE(Line(2, kPercentOfFull, 60)); // a full mark of 0
    EXPECT_EQ(ClassLine(m_db, 1, 1, 3, 2), 69.988);
    EXPECT_FALSE(ClassLine(m_db, 1, 1, 4, 2));
}

TEST_F(QualifyTest, CountsReachTheLineAtTwoDecimals) {
    // Arts, X 2: the line is 85 and both 85s count.
    CReportTable arts = Compute(kArtsTop, kCountByClass, 2);
    ASSERT_EQ(arts.RowCount(), 7);
    EXPECT_EQ(arts.Text(0, 1), QStringLiteral("语文"));
    EXPECT_EQ(arts.Text(6, 0), QStringLiteral("年级"));
    EXPECT_EQ(Column(arts, 1), QStringList({"   2", "   1", "", "", "", "   3"}));
    EXPECT_EQ(arts.Text(4, 0), QStringLiteral(" 4班")); // a class without students keeps its row

    // Science, X 3: the third best, 69.988, counts; 69.98 does not; the student without a class
    // counts in the grade only.
    CReportTable science = Compute(kScienceTop, kCountByClass, 3);
    EXPECT_EQ(Column(science, 1), QStringList({"   1", "", "   1", "", "", "   3"}));

    // More than there are: everyone with a score.
    EXPECT_EQ(Column(Compute(kGradeTop, kCountByClass, 100), 1),
              QStringList({"   3", "   2", "   3", "", "", "   9"}));

    // 60 % of 150 is 90.00; 语文 has no full mark and stays empty; 150 % is 100 %.
    CReportTable percent = Compute(kPercentOfFull, kCountByClass, 60);
    EXPECT_EQ(Column(percent, 1), QStringList(6, QString()));
    EXPECT_EQ(Column(percent, 2), QStringList({"   3", "   1", "", "", "", "   5"}));
    EXPECT_EQ(Column(Compute(kPercentOfFull, kCountByClass, 150), 2),
              QStringList({"   1", "", "", "", "", "   1"}));

    // The class top counts as the grade top; nothing chosen too.
    const CReportTable grade = Compute(kGradeTop, kCountByClass, 4);
    for (const int range : {int(kClassTop), -1})
        EXPECT_EQ(Column(Compute(range, kCountByClass, 4), 1), Column(grade, 1));
    // 100 (no class), 95, 90 and both 85s.
    EXPECT_EQ(Column(grade, 1), QStringList({"   3", "   1", "", "", "", "   5"}));
}

TEST_F(QualifyTest, ALineOnAHalfCentIsReachedByEveryScoreThatShowsTheSame) {
    // Class 4: 97.125 (shown 97.12), 97.12 and 97.115 (stored 97.11499…, shown 97.11).
    Add(4, "文", 97.125, std::nullopt);
    Add(4, "文", 97.12, std::nullopt);
    Add(4, "文", 97.115, std::nullopt);
    // X 2: the line is 97.125, which shows 97.12; 100 (no class) and both 97.12s reach it.
    CReportTable t = Compute(kGradeTop, kCountByClass, 2);
    EXPECT_EQ(t.Text(4, 1), QStringLiteral("   2"));
    EXPECT_EQ(t.Text(6, 1), QStringLiteral("   3"));
    // X 4: the line 97.115 shows 97.11, and the three of class 4 reach it.
    t = Compute(kGradeTop, kCountByClass, 4);
    EXPECT_EQ(t.Text(4, 1), QStringLiteral("   3"));
    EXPECT_EQ(Compute(kGradeTop, kAverageByClass, 2).Text(4, 1), QStringLiteral(" 97.12"));
}

TEST_F(QualifyTest, AveragesOfTheQualifyingStudents) {
    // The grade's figure is the mean of every qualifying student (86.67), not of the class means.
    EXPECT_EQ(Column(Compute(kArtsTop, kAverageByClass, 2), 1),
              QStringList({" 87.50", " 85.00", "", "", "", " 86.67"}));
    EXPECT_EQ(Column(Compute(-1, kAverageByClass, 2), 1), Column(Compute(kGradeTop, kAverageByClass, 2), 1));

    // Each class over its own best two, without a grade row.
    const CReportTable top = Compute(kClassTop, kAverageByClass, 2);
    ASSERT_EQ(top.RowCount(), 6);
    EXPECT_EQ(top.Text(5, 0), QStringLiteral(" 5班"));
    EXPECT_EQ(Column(top, 1), QStringList({" 92.50", " 82.50", " 69.99", "", ""}));
}

TEST_F(QualifyTest, TitlesHeadersAndTablesWithoutData) {
    EXPECT_EQ(QualifyTitle(QStringLiteral("2008|期中考试"), QStringLiteral("年级前Ｘ名"), 30,
                           QStringLiteral("各班人数分布")),
              QStringLiteral("2008级期中考试年级前30名各班人数分布"));
    EXPECT_EQ(QualifyTitle(QStringLiteral("2008|期中考试"), QStringLiteral("年级前Ｘ名"), 5,
                           QStringLiteral("各班平均分数")),
              QStringLiteral("2008级期中考试年级前 5名各班平均分数"));
    EXPECT_EQ(QualifyTitle(QStringLiteral("2008|期中考试"), QStringLiteral("单科X%以上"), 150, QString()),
              QStringLiteral("2008级期中考试单科150%以上"));

    // A subject without a name has an empty title, not the one before it.
    m_db.Execute(QStringLiteral("DELETE FROM tavrinKMK WHERE id=2"));
    SetSubjects({1, 2, 3});
    CReportTable t = Compute(kGradeTop, kCountByClass, 2);
    EXPECT_EQ(t.Text(0, 2), QString());
    EXPECT_EQ(t.Text(0, 3), QStringLiteral("英语"));
    EXPECT_EQ(t.Text(6, 3), QString()); // nobody has an 英语 score

    m_db.Execute(QStringLiteral("DELETE FROM tavrinKSK"));
    t = Compute(kGradeTop, kCountByClass, 2);
    EXPECT_EQ(t.RowCount(), 1);
    EXPECT_EQ(t.ColumnCount(), 4);
    m_context.m_nAnalysisExamId = -1;
    t = Compute(kGradeTop, kCountByClass, 2);
    EXPECT_EQ(t.ColumnCount(), 1);
}

TEST_F(QualifyTest, TheDialogRunsWhatTheBoxesSayAndTitlesIt) {
    auto dlg = Open();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("2008级期中考试上线情况"));
    EXPECT_EQ(dlg->XEdit()->text(), QStringLiteral("30"));
    EXPECT_EQ(dlg->RangeBox()->currentIndex(), -1);
    EXPECT_EQ(data::PrintTarget(), dlg.get());

    // Nothing chosen: the grade's top 30 (everyone), counted.
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(dlg->RangeBox()->currentText(), QStringLiteral("年级前Ｘ名"));
    EXPECT_EQ(dlg->ObjectBox()->currentText(), QStringLiteral("各班人数分布"));
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("2008级期中考试年级前30名各班人数分布"));
    EXPECT_EQ(GridColumn(dlg->Grid(), 1), QStringList({"   3", "   2", "   3", "", "", "   9"}));
    EXPECT_EQ(dlg->Grid().GetItemFormat(0, 1), 0x26u);
    EXPECT_EQ(dlg->Grid().GetItemFormat(6, 0), 0x26u);

    // The class top counted is the grade top, and the box says so.
    dlg->RangeBox()->setCurrentIndex(kClassTop);
    Type(dlg->XEdit(), QStringLiteral("5"));
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(dlg->RangeBox()->currentIndex(), kGradeTop);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("2008级期中考试年级前 5名各班人数分布"));

    // Averages over each class's top: no grade row.
    dlg->RangeBox()->setCurrentIndex(kClassTop);
    dlg->ObjectBox()->setCurrentIndex(kAverageByClass);
    Type(dlg->XEdit(), QStringLiteral("2"));
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("2008级期中考试班级前 2名各班平均分数"));
    EXPECT_EQ(dlg->m_nRows, 6);
    EXPECT_EQ(GridColumn(dlg->Grid(), 1), QStringList({" 92.50", " 82.50", " 69.99", "", ""}));

    // The typed X names the title; the line stops at the full mark.
    dlg->RangeBox()->setCurrentIndex(kPercentOfFull);
    dlg->ObjectBox()->setCurrentIndex(kCountByClass);
    Type(dlg->XEdit(), QStringLiteral("150"));
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("2008级期中考试单科150%以上各班人数分布"));
    EXPECT_EQ(GridColumn(dlg->Grid(), 2), QStringList({"   1", "", "", "", "", "   1"}));
    EXPECT_EQ(dlg->XEdit()->text(), QStringLiteral("150"));
    // 语文 has no full mark: said once, with where to set it.
    EXPECT_EQ(boxes->Texts(),
              QStringList{QStringLiteral("本次考试的语文还没有设置满分，请先运行'考前准备→加权系数'！")});
    boxes->Clear();

    // A refused X computes nothing (not even with the range now chosen); the box shows the X in force.
    const QStringList shown = GridColumn(dlg->Grid(), 2);
    dlg->RangeBox()->setCurrentIndex(kGradeTop);
    for (const char* typed : {"-3", "2001", "abc"}) {
        Type(dlg->XEdit(), QString::fromUtf8(typed));
        Click(*dlg, ui::IDOK);
        EXPECT_EQ(dlg->XEdit()->text(), QStringLiteral("150")) << typed;
        EXPECT_EQ(dlg->m_nX, 150);
        EXPECT_EQ(dlg->windowTitle(), QStringLiteral("2008级期中考试单科150%以上各班人数分布"));
        EXPECT_EQ(GridColumn(dlg->Grid(), 2), shown);
    }
    const QString range = QStringLiteral("请输入一个介于 0 和 2000 之间的整数。");
    EXPECT_EQ(boxes->Texts(), QStringList({range, range, QStringLiteral("请输入一个整数。")}));
}

TEST_F(QualifyTest, SubjectsWithoutAFullMarkAreNamedOnceAndGetNoLine) {
    SetSubjects({1, 2, 3});
    CReportTable t;
    // 语文 and 英语 have no weight row: empty columns, never a line of 0 that everyone reaches.
    EXPECT_EQ(ComputeQualifyLines(m_db, m_cipher, m_context, {kPercentOfFull, kCountByClass, 60}, t),
              QStringLiteral("本次考试的语文、英语还没有设置满分，请先运行'考前准备→加权系数'！"));
    EXPECT_EQ(Column(t, 1), QStringList(6, QString()));
    EXPECT_EQ(Column(t, 3), QStringList(6, QString()));
    EXPECT_EQ(Column(t, 2), QStringList({"   3", "   1", "", "", "", "   5"}));
    // Other ranges need no full mark.
    EXPECT_EQ(ComputeQualifyLines(m_db, m_cipher, m_context, {kGradeTop, kCountByClass, 60}, t), QString());
    // A full mark of 0 is none; an exam without any says so.
    m_db.Execute(QStringLiteral("UPDATE tavrinKMWGT SET t1w=0, t2w=0"));
    EXPECT_EQ(ComputeQualifyLines(m_db, m_cipher, m_context, {kPercentOfFull, kAverageByClass, 60}, t),
              reports::NoFullMarksMessage());
    EXPECT_EQ(Column(t, 2), QStringList(6, QString()));
}

TEST_F(QualifyTest, TheTableIsPreviewedOrExported) {
    QTemporaryDir out;
    report::PdfOutput pdf(out.path());
    int choice = 0;
    int asked = 0;
    ui::SetDialogRunner([&](ui::Dialog& d) {
        if (auto* c = dynamic_cast<CPrintOrExcelDlg*>(&d)) {
            ++asked;
            c->m_nChoice = choice;
            return ui::IDOK;
        }
        return ui::IDCANCEL;
    });
    auto dlg = Open();
    Click(*dlg, CQualifyLineDlg::IDC_PRINT); // only the class column: nothing
    EXPECT_EQ(asked, 0);

    dlg->RangeBox()->setCurrentIndex(kArtsTop);
    Type(dlg->XEdit(), QStringLiteral("2"));
    Click(*dlg, ui::IDOK);
    Click(*dlg, CQualifyLineDlg::IDC_PRINT);
    report::IReport& r = dlg->ReportComponent().Report();
    ASSERT_EQ(r.Records().RecordCount(), 6); // every class row and the grade row
    EXPECT_EQ(r.Records().Record(3), QStringList({" 4班", "", ""}));
    EXPECT_EQ(r.Records().Record(5), QStringList({"年级", "   3", "   2"}));
    EXPECT_EQ(r.Definition().pageHeader.boxes[0].text,
              QStringLiteral("2008级期中考试文科前 2名各班人数分布"));
    EXPECT_EQ(pdf.PreviewCount(), 1);

    choice = 1;
    SetExportClock([] { return std::time_t(1136073600); });
    Click(*dlg, CQualifyLineDlg::IDC_PRINT);
    EXPECT_EQ(handedOn, QStringList{m_dir.filePath(QStringLiteral("1136073600.xls"))});
    const QList<QStringList> lines = Exported();
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[0], QStringList({"班级", "语文", "数学", ""}));
    EXPECT_EQ(lines[6], QStringList({"年级", "3", "2", ""}));

    // Only the title row: no file, and the export says so.
    handedOn.clear();
    m_db.Execute(QStringLiteral("DELETE FROM tavrinKSK"));
    Click(*dlg, ui::IDOK);
    Click(*dlg, CQualifyLineDlg::IDC_PRINT);
    EXPECT_TRUE(handedOn.isEmpty());
    EXPECT_EQ(boxes->Texts(), QStringList{"列表中没有数据，没有可以导出到电子表格的内容。"});
}

TEST_F(QualifyTest, AFailingSubjectIsReportedAndTheColumnsBeforeItStay) {
    SetSubjects({1, 4}); // subject 4 has no score column
    auto dlg = Open();
    testwarnings::ExpectWarning cut(QStringLiteral("qualifying lines cut short"));
    Click(*dlg, ui::IDOK);
    ASSERT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_TRUE(boxes->Texts()[0].startsWith(QStringLiteral("错误信息:")));
    EXPECT_EQ(boxes->Boxes()[0].caption, QStringLiteral("信息提示"));
    EXPECT_EQ(GridColumn(dlg->Grid(), 1), QStringList({"   3", "   2", "   3", "", "", "   9"}));
    EXPECT_EQ(dlg->Grid().GetColumnCount(), 3);
}
