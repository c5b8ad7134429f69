// Exam maintenance: a grade's exams, their dates, deleting an exam with its scores.
#include "AdminBSupport.h"

#include "admin/ExamMaintainDlg.h"
#include "platform/text/DisplayText.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>

namespace adminb {
namespace {

class AdminBMaintain : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        dlg = std::make_unique<CExamMaintainDlg>();
        Open(*dlg);
    }
    CGridCtrl& Grid() { return dlg->Grid(); }
    QComboBox* Grades() { return dlg->GetDlgItem<QComboBox>(CExamMaintainDlg::IDC_GRADE); }
    // The fixture's exams of grade `g`, as the grid lists them: newest registration first.
    std::vector<fixtures::ExamInfo> ExamsOf(int g) {
        std::vector<fixtures::ExamInfo> out;
        for (const fixtures::ExamInfo& e : school.exams)
            if (e.grade == school.grades[g].code)
                out.insert(out.begin(), e);
        return out;
    }
    int RowOf(const fixtures::ExamInfo& e) { return FindRow(Grid(), 0, QString::number(e.id)); }
    QString StoredDate(int id) { return Scalar("SELECT ksrq FROM tavrinKSLB WHERE id=?", {id}); }
    // The delete question about the exam, as the list shows it.
    QString Question(const fixtures::ExamInfo& e) {
        return QStringLiteral("你真的要删除【%1 %2（%3）】吗？\n该考试的%4条成绩记录将一并删除。")
            .arg(GradeOf(e).name, e.name, StoredDate(e.id),
                 QString::number(Count("SELECT count(*) FROM tavrinKSK WHERE id=?", {e.id})));
    }

    std::unique_ptr<CExamMaintainDlg> dlg;
};

TEST_F(AdminBMaintain, ListsAGradesExamsNewestFirstWithOnlyTheDateEditable) {
    EXPECT_EQ(Grades()->currentIndex(), -1);
    EXPECT_EQ(Grid().GetRowCount(), 1);
    EXPECT_EQ(Grid().GetColumnWidth(0), 0);
    // An old row written without leading zeros shows in the fixed form.
    const std::vector<fixtures::ExamInfo> exams = ExamsOf(1);
    Db().Execute("UPDATE tavrinKSLB SET ksrq='2008-3-7' WHERE id=?", {exams[0].id});

    ASSERT_TRUE(Choose(Grades(), school.grades[1].name));
    ASSERT_EQ(Grid().GetRowCount(), 3);
    EXPECT_EQ(GridRow(Grid(), 1), QStringList({QString::number(exams[0].id), school.grades[1].name,
                                               exams[0].name, "2008-03-07"}));
    EXPECT_EQ(GridRow(Grid(), 2), QStringList({QString::number(exams[1].id), school.grades[1].name,
                                               exams[1].name, exams[1].date}));
    EXPECT_EQ(Grid().GetColumnWidth(0), 0);
    for (int col = 0; col < 3; ++col)
        EXPECT_FALSE(EditCell(Grid(), 1, col, "x")) << col;
}

TEST_F(AdminBMaintain, TheDateColumnIsInViewAtOpening) {
    ASSERT_TRUE(Choose(Grades(), school.grades[0].name));
    QApplication::processEvents();
    gdi::Rect client;
    Grid().GetClientRect(&client);
    gdi::Rect date;
    ASSERT_TRUE(Grid().GetCellRect(0, 3, &date));
    EXPECT_LE(date.right, client.right);
    EXPECT_GE(Grid().GetColumnWidth(3), Grid().GetTextExtent(1, 3, Grid().GetItemText(1, 3)).cx);
}

TEST_F(AdminBMaintain, ChangesADateAndRefusesTextThatIsNoDate) {
    const fixtures::ExamInfo exam = ExamsOf(0)[0];
    ASSERT_TRUE(Choose(Grades(), school.grades[0].name));
    const int row = RowOf(exam);

    ASSERT_TRUE(EditCell(Grid(), row, 3, "2009-1-5"));
    EXPECT_EQ(StoredDate(exam.id), "2009-01-05");
    EXPECT_EQ(Grid().GetItemText(row, 3), "2009-01-05");

    // Blanks around the same date change nothing.
    Db().Execute("CREATE TABLE seen (n INTEGER)");
    Db().Execute(
        "CREATE TRIGGER count_dates AFTER UPDATE ON tavrinKSLB BEGIN INSERT INTO seen VALUES (1); END");
    ASSERT_TRUE(EditCell(Grid(), row, 3, " 2009-01-05 "));
    EXPECT_EQ(Count("SELECT count(*) FROM seen"), 0);

    for (const char* bad : {"abc", "2009-02-30", "2009-01-05' , grade='x"}) {
        boxes->Clear();
        ASSERT_TRUE(EditCell(Grid(), row, 3, QString::fromUtf8(bad)));
        EXPECT_EQ(BoxTexts(), QStringList{"“" + QString::fromUtf8(bad) +
                                          "”不是一个有效的日期，请按“年-月-日”的形式输入，例如 2026-09-01。"})
            << bad;
        EXPECT_EQ(Grid().GetItemText(row, 3), "2009-01-05") << bad;
    }
    EXPECT_EQ(StoredDate(exam.id), "2009-01-05");
    EXPECT_EQ(Scalar("SELECT grade FROM tavrinKSLB WHERE id=?", {exam.id}), exam.grade);

    // A pasted page is quoted by its first characters only.
    boxes->Clear();
    ASSERT_TRUE(EditCell(Grid(), row, 3, "2009-" + QString(100000, u'9')));
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_EQ(BoxTexts()[0], "“2009-" + QString(26, u'9') +
                                 "…”不是一个有效的日期，请按“年-月-日”的形式输入，例如 2026-09-01。");
    EXPECT_EQ(Grid().GetItemText(row, 3), "2009-01-05");

    FailOn("UPDATE", "tavrinKSLB");
    boxes->Clear();
    ASSERT_TRUE(EditCell(Grid(), row, 3, "2010-10-10"));
    EXPECT_EQ(BoxTexts(), QStringList{"对不起，数据更新失败！\n原因：refused"});
    EXPECT_EQ(Grid().GetItemText(row, 3), "2009-01-05");
}

TEST_F(AdminBMaintain, DeletesTheClickedExamWithItsScores) {
    Click(*dlg, CExamMaintainDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts(), QStringList{"请先在左侧表中选一次考试！"});

    const fixtures::ExamInfo gone = ExamsOf(0)[0];
    const int others = Count("SELECT count(*) FROM tavrinKSK WHERE id<>?", {gone.id});
    ASSERT_GT(Count("SELECT count(*) FROM tavrinKSK WHERE id=?", {gone.id}), 0);
    ASSERT_TRUE(Choose(Grades(), school.grades[0].name));
    ClickCell(Grid(), 0, 2); // the title row names no exam
    ClickCell(Grid(), RowOf(gone), 2);

    boxes->Clear();
    boxes->SetNextAnswer(ui::IDNO);
    Click(*dlg, CExamMaintainDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts(), QStringList{Question(gone)});
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSLB WHERE id=?", {gone.id}), 1);

    boxes->SetNextAnswer(ui::IDYES);
    Click(*dlg, CExamMaintainDlg::IDC_DELETE);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSLB WHERE id=?", {gone.id}), 0);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSK WHERE id=?", {gone.id}), 0);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSK"), others);
    // The grid lists the grade shown again.
    EXPECT_EQ(GridColumn(Grid(), 1), QStringList({school.grades[0].name}));
}

TEST_F(AdminBMaintain, ADeletedExamIsForgotten) {
    const std::vector<fixtures::ExamInfo> exams = ExamsOf(0);
    ASSERT_TRUE(Choose(Grades(), school.grades[0].name));
    ClickCell(Grid(), RowOf(exams[0]), 2);
    Click(*dlg, CExamMaintainDlg::IDC_DELETE);
    ASSERT_EQ(Count("SELECT count(*) FROM tavrinKSLB WHERE id=?", {exams[0].id}), 0);

    boxes->Clear();
    Click(*dlg, CExamMaintainDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts(), QStringList{"请先在左侧表中选一次考试！"});
    EXPECT_EQ(dlg->GetDlgItemText(CExamMaintainDlg::IDC_EXAM_ID), "");
    // The exam listed next is chosen by its own click, whatever row it now takes.
    ClickCell(Grid(), RowOf(exams[1]), 2);
    const QString question = Question(exams[1]);
    Click(*dlg, CExamMaintainDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts().back(), question);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSLB WHERE id=?", {exams[1].id}), 0);
}

TEST_F(AdminBMaintain, FailedDeleteKeepsTheScores) {
    FailOn("DELETE", "tavrinKSLB");
    const fixtures::ExamInfo exam = ExamsOf(0)[0];
    const int scores = Count("SELECT count(*) FROM tavrinKSK WHERE id=?", {exam.id});
    ASSERT_TRUE(Choose(Grades(), school.grades[0].name));
    ClickCell(Grid(), RowOf(exam), 2);
    Click(*dlg, CExamMaintainDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts().back(), "删除考试数据时出现错误！\n原因：refused");
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSK WHERE id=?", {exam.id}), scores);
}

TEST_F(AdminBMaintain, EnterStoresATypedDateAndEscapeKeepsTheDialogOpen) {
    const fixtures::ExamInfo exam = ExamsOf(0)[0];
    ASSERT_TRUE(Choose(Grades(), school.grades[0].name));
    TypeIntoCell(Grid(), RowOf(exam), 3, "2011-2-3");
    EXPECT_EQ(StoredDate(exam.id), "2011-02-03");
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    QTest::keyClick(dlg.get(), Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(BoxTexts().isEmpty());
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(BoxTexts(), QStringList{"修改完后按回车键即自动存盘！"});
}

// A damaged or hand-edited file whose grade name is a million characters long: the dialog opens at
// once, shows the name cut in its list and its grid, and never writes the cut name back.
class AdminBMaintainLongName : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        Db().Execute("UPDATE tavrinGrade SET mydesc=? WHERE gradeno=?", {kLongName, school.grades[1].code});
        dlg = std::make_unique<CExamMaintainDlg>();
        Open(*dlg);
    }
    QString StoredName() {
        return Scalar("SELECT mydesc FROM tavrinGrade WHERE gradeno=?", {school.grades[1].code});
    }

    const QString kLongName = QStringLiteral("高2008级") + QString(1 << 20, u'长');
    std::unique_ptr<CExamMaintainDlg> dlg;
};

TEST_F(AdminBMaintainLongName, ShowsTheNameCutAndKeepsItWhole) {
    QComboBox* grades = dlg->GetDlgItem<QComboBox>(CExamMaintainDlg::IDC_GRADE);
    const int index = grades->findData(school.grades[1].code);
    ASSERT_GE(index, 0);
    const QString shown = grades->itemText(index);
    EXPECT_EQ(shown.size(), text::kDisplayLength);
    EXPECT_TRUE(kLongName.startsWith(shown.chopped(1)));
    EXPECT_EQ(shown.back(), QChar(0x2026));
    // The other grade keeps its whole name.
    EXPECT_GE(grades->findText(school.grades[0].name), 0);

    grades->setCurrentIndex(index);
    emit grades->activated(index);
    CGridCtrl& grid = dlg->Grid();
    ASSERT_GT(grid.GetRowCount(), 1);
    for (int row = 1; row < grid.GetRowCount(); ++row)
        EXPECT_EQ(grid.GetItemText(row, 1), shown) << row;
    EXPECT_LT(grid.GetColumnWidth(1), 100000); // the cut name's width, not the whole one's

    // A date changed on that row stores the date only.
    const int id = grid.GetItemText(1, 0).toInt();
    ASSERT_TRUE(EditCell(grid, 1, 3, "2012-3-4"));
    EXPECT_EQ(Scalar("SELECT ksrq FROM tavrinKSLB WHERE id=?", {id}), "2012-03-04");
    EXPECT_EQ(Scalar("SELECT grade FROM tavrinKSLB WHERE id=?", {id}), school.grades[1].code);
    EXPECT_EQ(StoredName(), kLongName);
    EXPECT_TRUE(BoxTexts().isEmpty());
}

} // namespace
} // namespace adminb
