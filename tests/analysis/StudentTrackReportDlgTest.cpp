#include "TrackDialogSchool.h"

#include "analysis/StudentTrackReportDlg.h"
#include "analysis/TrackQueries.h"
#include "controls/grid/GridCellCheck.h"
#include "data/TotalsState.h"
#include "platform/report/Output.h"
#include "platform/ui/Messages.h"
#include "report/GridPrint.h"
#include "reports/ValidTotals.h"

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>

namespace {

class StudentTrackReportDlgTest : public TrackDialogSchool {
protected:
    std::unique_ptr<CStudentTrackReportDlg> Open() {
        auto dlg = std::make_unique<CStudentTrackReportDlg>();
        dlg->OnInitDialog();
        return dlg;
    }
    static void Click(CStudentTrackReportDlg& dlg, int id) {
        QTest::mouseClick(dlg.GetDlgItem<QAbstractButton>(id), Qt::LeftButton);
    }
    // The grade picked from the list, as a person picks it.
    static void PickGrade(CStudentTrackReportDlg& dlg, int index) {
        dlg.GradeList()->setCurrentIndex(index);
        emit dlg.GradeList()->activated(index);
    }
    static void Untick(CStudentTrackReportDlg& dlg, int row) {
        dynamic_cast<CGridCellCheck*>(dlg.Exams().GetCell(row, 3))->SetCheck(false);
    }
};

TEST_F(StudentTrackReportDlgTest, PickingAGradeListsItsExamsAndTheClass) {
    auto dlg = Open();
    EXPECT_EQ(dlg->SubjectList()->currentText(), QStringLiteral("总分"));
    EXPECT_EQ(dlg->TargetList()->currentText(), QStringLiteral("班级名次"));
    EXPECT_EQ(dlg->GradeList()->currentIndex(), -1);
    EXPECT_EQ(dlg->Exams().GetRowCount(), 1);
    EXPECT_EQ(dlg->Students().GetRowCount(), 1);

    PickGrade(*dlg, 0);
    EXPECT_EQ(dlg->m_strGradeCode, QStringLiteral("12008"));
    ASSERT_EQ(dlg->m_nExamRows, 5);
    EXPECT_EQ(GridRow(dlg->Exams(), 1), QStringList({"3", "第1次", "月考", "", "1.0"}));
    EXPECT_EQ(GridRow(dlg->Exams(), 4), QStringList({"4", "第4次", "", "", ""}));
    EXPECT_TRUE(dynamic_cast<CGridCellCheck*>(dlg->Exams().GetCell(1, 3))->GetCheck());
    EXPECT_FALSE(dynamic_cast<CGridCellCheck*>(dlg->Exams().GetCell(4, 3)));
    EXPECT_EQ(dlg->Exams().GetColumnWidth(0), 0);
    EXPECT_EQ(GridColumn(dlg->Students(), 1), QStringList({"李小明", "张　三", "ab　cd", "a张b"}));
    // The tracking boxes take no typed text, ticked or not; the weights do.
    for (const int row : {1, 4}) {
        dlg->Exams().OnEditCell(row, 3, gdi::Point(-1, -1), 'x');
        EXPECT_FALSE(dlg->Exams().IsItemEditing(row, 3)) << row;
        dlg->Exams().EndEditing();
        EXPECT_FALSE(dlg->Exams().IsCellEditable(row, 3)) << row;
    }
    EXPECT_TRUE(dlg->Exams().IsCellEditable(1, 4));

    // Class 3 from the spin box; it stops at 1 and 99.
    dlg->ClassBox()->stepBy(2);
    EXPECT_EQ(GridColumn(dlg->Students(), 0), QStringList({"120080301", "120080302"}));
    dlg->ClassBox()->stepBy(-10);
    EXPECT_EQ(dlg->ClassBox()->value(), 1);
    EXPECT_EQ(dlg->m_nStudentRows, 5);
}

TEST_F(StudentTrackReportDlgTest, TheWeightColumnIsInViewBesideALongExamName) {
    m_db.Execute(QStringLiteral("UPDATE tavrinKSLB SET mydesc=? WHERE id=1"),
                 Enc("2008至2009学年上学期期末考试（高二年级统一考试）"));
    auto dlg = Open();
    PickGrade(*dlg, 0);
    CGridCtrl& exams = dlg->Exams();
    gdi::Rect client;
    exams.GetClientRect(&client);
    gdi::Rect weight;
    ASSERT_TRUE(exams.GetCellRect(0, 4, &weight));
    EXPECT_LE(weight.right, client.right);
    EXPECT_GE(exams.GetColumnWidth(4), exams.GetTextExtent(0, 4, QStringLiteral("加权系数")).cx);
    EXPECT_GE(exams.GetColumnWidth(2), exams.GetTextExtent(0, 2, QStringLiteral("考试名称")).cx);
}

TEST_F(StudentTrackReportDlgTest, OkBuildsTheTableAndTwiceGivesTheSame) {
    auto dlg = Open();
    dlg->show();
    PickGrade(*dlg, 0);
    Click(*dlg, ui::IDOK);
    ASSERT_EQ(dlg->m_nStudentCols, 9);
    EXPECT_EQ(GridRow(dlg->Students(), 0),
              QStringList({"学号", "姓名", "第1次", "名次", "第2次", "名次", "第3次", "名次", "综合"}));
    EXPECT_EQ(GridRow(dlg->Students(), 1),
              QStringList({"120080101", "张　三", " 90.00", "1", " 85.50", "1", " 70.25", "3", "245.75"}));
    EXPECT_EQ(GridColumn(dlg->Students(), 8), QStringList({"245.75", "175.49", "170.13", "130.00"}));
    EXPECT_EQ(dlg->Students().GetItemFormat(1, 2), 0x26u);
    const QList<QStringList> before = [&] {
        QList<QStringList> rows;
        for (int r = 0; r < dlg->m_nStudentRows; ++r)
            rows << GridRow(dlg->Students(), r);
        return rows;
    }();
    Click(*dlg, ui::IDOK);
    for (int r = 0; r < dlg->m_nStudentRows; ++r)
        EXPECT_EQ(GridRow(dlg->Students(), r), before[r]);

    // A header click on 综合 turns the order; 姓名 sorts as GBK text.
    ClickHeader(dlg->Students(), 8);
    EXPECT_EQ(GridColumn(dlg->Students(), 8), QStringList({"130.00", "170.13", "175.49", "245.75"}));
    ClickHeader(dlg->Students(), 1);
    EXPECT_EQ(GridColumn(dlg->Students(), 1), QStringList({"ab　cd", "a张b", "李小明", "张　三"}));

    // Weights and ticks: only 第2次 at 0.5.
    Untick(*dlg, 1);
    Untick(*dlg, 3);
    dlg->Exams().SetItemText(2, 4, QStringLiteral("0.5"));
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(GridRow(dlg->Students(), 0), QStringList({"学号", "姓名", "第2次", "名次", "综合"}));
    EXPECT_EQ(GridColumn(dlg->Students(), 4), QStringList({" 42.75", " 42.74", "", "  0.00"}));

    // No exam ticked: 学号 姓名 综合.
    Untick(*dlg, 2);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(GridRow(dlg->Students(), 0), QStringList({"学号", "姓名", "综合"}));

    // Changing the class drops the tracking columns.
    dlg->ClassBox()->setValue(2);
    EXPECT_EQ(GridRow(dlg->Students(), 0), QStringList({"学号", "姓名"}));
}

TEST_F(StudentTrackReportDlgTest, SubjectTextMustNameASubject) {
    auto dlg = Open();
    PickGrade(*dlg, 0);
    dlg->SubjectList()->setEditText(QStringLiteral("物理"));
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(boxes->Texts(), QStringList({analysis::SubjectNotListedMessage()}));
    EXPECT_EQ(dlg->m_nStudentCols, 2);

    boxes->Clear();
    dlg->SubjectList()->setCurrentIndex(3); // 语文
    dlg->TargetList()->setEditText(QStringLiteral("随便"));
    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(boxes->Texts().isEmpty());
    EXPECT_EQ(dlg->m_nTarget, -1);
    EXPECT_EQ(GridRow(dlg->Students(), 0).size(), 9);
    const int row = GridColumn(dlg->Students(), 0).indexOf(QStringLiteral("120080102")) + 1;
    EXPECT_EQ(dlg->Students().GetItemText(row, 2), QStringLiteral(" 10.00"));
    EXPECT_EQ(dlg->Students().GetItemText(row, 3), QString());
}

TEST_F(StudentTrackReportDlgTest, ReportAndExportFollowTheRowsAsShown) {
    auto dlg = Open();
    dlg->show();
    Click(*dlg, CStudentTrackReportDlg::IDC_EXPORT); // header only: no file, and it says so
    EXPECT_TRUE(handedOn.isEmpty());
    EXPECT_EQ(boxes->Texts(), QStringList{"列表中没有数据，没有可以导出到电子表格的内容。"});
    boxes->Clear();

    PickGrade(*dlg, 0);
    Click(*dlg, CStudentTrackReportDlg::IDC_EXPORT);
    ASSERT_EQ(Exported().size(), 5);
    EXPECT_EQ(Exported()[1].size(), 3); // 学号, 姓名 and the line's end
    handedOn.clear();

    Click(*dlg, ui::IDOK);
    ClickHeader(dlg->Students(), 0);
    QTemporaryDir out;
    report::PdfOutput pdf(out.path());
    Click(*dlg, CStudentTrackReportDlg::IDC_PRINT_REPORT);
    report::IReport& r = dlg->ReportComponent().Report();
    EXPECT_EQ(r.Definition().pageHeader.boxes[0].text, QStringLiteral("学生个体成绩跟踪报表"));
    EXPECT_TRUE(r.Definition().detail.groups.empty());
    ASSERT_EQ(r.Records().RecordCount(), 4);
    EXPECT_EQ(r.Records().Record(0),
              QStringList({"120080100", "李小明", "", "", " 85.49", "2", " 90.00", "1", "175.49"}));
    EXPECT_EQ(r.Records().Record(2).value(4), QString());
    EXPECT_EQ(pdf.Written().size(), 1);

    Click(*dlg, CStudentTrackReportDlg::IDC_EXPORT);
    const QList<QStringList> lines = Exported();
    ASSERT_EQ(lines.size(), 5);
    // Cells lose their padding in the file; empty cells stay between their tabs.
    EXPECT_EQ(lines[1],
              QStringList({"120080100", "李小明", "", "", "85.49", "2", "90.00", "1", "175.49", ""}));
    EXPECT_EQ(lines[3].value(4), QString()); // abcd's empty 第2次 between two tabs

    // The grid's print request reaches the dialog.
    SetDefaultPrinterQuery([] { return QString(); });
    ui::WindowMessage request(WM_PRINTGRID, 0, 0);
    QApplication::sendEvent(dlg.get(), &request);
    EXPECT_EQ(request.Result(), 0);
    SetDefaultPrinterQuery({});
}

} // namespace

namespace {

TEST_F(StudentTrackReportDlgTest, AGradePickedFromTheListIsKnownByItsCode) {
    // A second grade of the same name, with one exam and one student in class 1.
    m_db.Execute(
        QStringLiteral("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (2, '高2008级', '22008')"));
    m_db.Execute(QStringLiteral(
                     "INSERT INTO tavrinKSLB (id, mydesc, grade, ksrq) VALUES (7, ?, '22008', '2009-05-01')"),
                 Enc("会考"));
    m_db.Execute(
        QStringLiteral("INSERT INTO tavrinName (grade, studentid, name, class) VALUES ('22008', '220080101', "
                       "'赵六', 1)"));
    auto dlg = Open();
    ASSERT_EQ(dlg->GradeList()->count(), 2);
    PickGrade(*dlg, 1);
    EXPECT_EQ(dlg->m_strGradeCode, QStringLiteral("22008"));
    EXPECT_EQ(GridColumn(dlg->Exams(), 2), QStringList({"会考"}));
    EXPECT_EQ(GridColumn(dlg->Students(), 1), QStringList({"赵　六"}));
    dlg->ClassBox()->setValue(2);
    dlg->ClassBox()->setValue(1); // the class reloads for the picked grade, not the first of its name
    EXPECT_EQ(GridColumn(dlg->Students(), 0), QStringList({"220080101"}));
}

TEST_F(StudentTrackReportDlgTest, EveryTrackedExamsTotalsAreCheckedBeforeTracking) {
    // Both subjects take part in the analysis.
    static CAnalysisContext context;
    context = CAnalysisContext();
    context.m_nAnalysisExamId = 1;
    context.m_aSubjectSelected[0] = context.m_aSubjectSelected[1] = 1;
    context.m_nSelectedSubjects = 2;
    data::SetAnalysisContext(&context);
    db::Connection& db = data::Database();
    const auto stored = [&](const char* sql) {
        return db.Execute(QString::fromLatin1(sql) + " FROM tavrinKSK WHERE id=2 AND studentid='120080101'")
            .Field(0)
            .ToDouble();
    };
    auto dlg = Open();
    PickGrade(*dlg, 0);
    const QString caption = dlg->windowTitle();

    // Exam 2's 总分 was computed from 语文 and 数学, and its marks changed after: 否 tracks on the
    // old 总分 and the caption says so.
    data::RecordTotalSubjects(db, 2, 3, {1, 2});
    data::MarkTotalsStale(db, 2);
    boxes->SetNextAnswer(ui::IDNO);
    Click(*dlg, ui::IDOK);
    ASSERT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_EQ(boxes->Boxes()[0].type & 0x0F, ui::MB_YESNO);
    EXPECT_EQ(dlg->m_nStudentCols, 9);
    EXPECT_EQ(stored("SELECT sum3"), 85.5);
    EXPECT_EQ(dlg->windowTitle(), caption + reports::OldTotalsCaptionMark());

    // 是 computes it again from 语文 and 数学, and the caption is the dialog's own again.
    boxes->Clear();
    boxes->SetNextAnswer(ui::IDYES);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(boxes->Boxes().size(), 1u);
    EXPECT_FLOAT_EQ(stored("SELECT sum3"), stored("SELECT s01+s02"));
    EXPECT_EQ(data::StaleTotals(db, 2), (std::vector<int>{1, 2}));
    EXPECT_EQ(dlg->windowTitle(), caption);

    // A subject reads no total: nothing to ask.
    data::MarkTotalsStale(db, 2);
    boxes->Clear();
    dlg->SubjectList()->setCurrentIndex(3); // 语文
    Click(*dlg, ui::IDOK);
    EXPECT_TRUE(boxes->Texts().isEmpty());

    // One tracked exam without a mark: its message, and the table stays as it was.
    db.Execute("UPDATE tavrinKSK SET s01=NULL, s02=NULL WHERE id=3");
    const QStringList before = GridRow(dlg->Students(), 1);
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(boxes->Texts(), QStringList{reports::NoMarksMessage()});
    EXPECT_EQ(GridRow(dlg->Students(), 1), before);
    data::SetAnalysisContext(nullptr);
}

} // namespace
