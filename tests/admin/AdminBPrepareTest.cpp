// Score-sheet preparation: copying the roster into an exam, repeatably, and the stream copy.
#include "AdminBSupport.h"

#include "admin/ExamRoom.h"
#include "admin/ExamSetup.h"
#include "admin/PrepareScoreSheetDlg.h"
#include "admin/ScoreEntryDlg.h"
#include "admin/ScoreSheet.h"
#include "data/TotalsState.h"

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>

namespace adminb {
namespace {

class AdminBPrepare : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        grade = school.grades[0];
        description = "2010至2011学年上学期期中考试";
        exam = AddExam(grade.code, description);
        entry = grade.name + "|" + description;
    }
    void OpenDialog(int mode) {
        dlg = std::make_unique<CPrepareScoreSheetDlg>();
        dlg->SetMode(mode);
        Open(*dlg);
        ASSERT_TRUE(Choose(dlg->GetDlgItem<QComboBox>(CPrepareScoreSheetDlg::IDC_EXAM), entry));
    }
    CGridCtrl& Grid() { return dlg->Grid(); }
    int Rows() { return Count("SELECT count(*) FROM tavrinKSK WHERE id=?", {exam}); }
    // The roster students the preparation takes.
    int Eligible() {
        return Count(
            "SELECT count(*) FROM tavrinName WHERE grade=? AND (active IS NULL OR active='是') AND class>0",
            {grade.code});
    }

    fixtures::GradeInfo grade;
    QString description, entry;
    int exam = -1;
    std::unique_ptr<CPrepareScoreSheetDlg> dlg;
};

TEST_F(AdminBPrepare, PreparesTheActiveStudentsOfTheGradeOnce) {
    OpenDialog(0);
    EXPECT_EQ(Grid().GetRowCount(), 1);
    EXPECT_FALSE(dlg->GetDlgItem<QPushButton>(CPrepareScoreSheetDlg::IDC_ADD_INFO)->isEnabled());
    EXPECT_EQ(dlg->windowTitle(), "准备登分表");

    // A class-0 student, a student of the other grade with a look-alike number.
    Db().Execute("INSERT INTO tavrinName (id, grade, studentid, name, class, active) VALUES (900, ?, ?, "
                 "'Z0', 0, '是')",
                 {grade.code, grade.code + "0999"});
    Db().Execute("INSERT INTO tavrinName (id, grade, studentid, name, class, active) VALUES (901, 'X', ?, "
                 "'ZX', 1, NULL)",
                 {grade.code + "0998"});
    const int eligible = Eligible();
    ASSERT_GT(eligible, 0);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    EXPECT_EQ(BoxTexts(),
              QStringList{QString("新载入%1名学生，更新了0名学生的名单信息。\n有1名在读学生没有"
                                  "班级（班级为空或为0），未载入：请在学生名单中填写班级后再载入数据。")
                              .arg(eligible)});
    EXPECT_EQ(Rows(), eligible);
    EXPECT_EQ(Grid().GetRowCount(), eligible + 1);
    EXPECT_EQ(
        Count("SELECT count(*) FROM tavrinKSK WHERE id=? AND (class=0 OR grade<>?)", {exam, grade.code}), 0);
    for (const QString& s : school.edges.inactiveStudents)
        EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSK WHERE id=? AND studentid=?", {exam, s}), 0)
            << s.toStdString();
    for (const QString& s : school.edges.nullActiveStudents)
        EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSK WHERE id=? AND studentid=?", {exam, s}), 1)
            << s.toStdString();
    // The copied columns, and the grid in class and number order.
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSK k JOIN tavrinName n ON n.id=k.cid WHERE k.id=? AND "
                    "k.studentid=n.studentid AND k.name=n.name AND k.class=n.class AND k.grade=?",
                    {exam, grade.code}),
              eligible);
    const QString first =
        Scalar("SELECT studentid FROM tavrinKSK WHERE id=? ORDER BY class, studentid", {exam});
    EXPECT_EQ(Grid().GetItemText(1, 0), first);
    EXPECT_EQ(Grid().GetItemText(1, 2), QString::asprintf("%2d", grade.classes[0]));
    // The padded class numbers line up by their last digit; names do not move.
    EXPECT_EQ(Grid().GetItemFormat(1, 2) & (gdi::DT_CENTER | gdi::DT_RIGHT), gdi::DT_RIGHT);
    EXPECT_EQ(Grid().GetItemFormat(1, 1) & gdi::DT_RIGHT, 0u);

    // Marks entered in between stay; a student added to the roster is the only new row.
    Db().Execute("UPDATE tavrinKSK SET s01=88 WHERE id=?", {exam});
    Db().Execute("INSERT INTO tavrinName (id, grade, studentid, name, class, active) VALUES (902, ?, ?, "
                 "'New', 1, '是')",
                 {grade.code, grade.code + "0197"});
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    EXPECT_EQ(Rows(), eligible + 1);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSK WHERE id=? AND s01=88", {exam}), eligible);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    EXPECT_EQ(Rows(), eligible + 1);
}

TEST_F(AdminBPrepare, NullStudentNumberBlocksNoOne) {
    Db().Execute("INSERT INTO tavrinKSK (id, grade, studentid, name, class) VALUES (?, ?, NULL, 'ghost', 1)",
                 {exam, grade.code});
    Db().Execute("INSERT INTO tavrinName (id, grade, studentid, name, class, active) VALUES (903, ?, NULL, "
                 "'NoNo', 1, '是')",
                 {grade.code});
    Db().Execute("INSERT INTO tavrinName (id, grade, studentid, name, class, active) VALUES (904, ?, ' ', "
                 "'Blank', 2, NULL)",
                 {grade.code});
    OpenDialog(0);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    // The ghost row stands for no roster student: it stays, and the message counts it.
    const QString ghost = "登分表中有1名学生已不在本年级的在读学生名册中，仍保留在登分表中，成绩不变。";
    EXPECT_EQ(BoxTexts(), QStringList({QString("新载入%1名学生，更新了0名学生的名单信息。\n"
                                               "有2名在读学生没有学号，未载入。\n")
                                           .arg(Eligible() - 2) +
                                       ghost}));
    boxes->Clear();
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    // The roster rows without a number could never be found again, so they are not copied.
    EXPECT_EQ(Rows(), Eligible() - 2 + 1);
    EXPECT_EQ(BoxTexts(), QStringList({"新载入0名学生，更新了0名学生的名单信息。\n"
                                       "有2名在读学生没有学号，未载入。\n" +
                                       ghost}));
}

TEST_F(AdminBPrepare, OneStudentNumberIsCopiedOnce) {
    // Two roster students with one number (and a third of another grade, which plays no part).
    const QString number = grade.code + "0990";
    for (const auto& [id, name] : {std::pair{910, "甲"}, std::pair{911, "乙"}})
        Db().Execute(
            "INSERT INTO tavrinName (id, grade, studentid, name, class, active) VALUES (?, ?, ?, ?, 1, "
            "'是')",
            {id, grade.code, number, QString::fromUtf8(name)});
    Db().Execute("INSERT INTO tavrinName (id, grade, studentid, name, class, active) VALUES (912, 'X', ?, "
                 "'丙', 1, '是')",
                 {number});
    OpenDialog(0);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    EXPECT_EQ(Scalar("SELECT group_concat(name) FROM tavrinKSK WHERE id=? AND studentid=?", {exam, number}),
              "甲");
    EXPECT_EQ(Rows(), Eligible() - 1);
    EXPECT_EQ(FindRow(Grid(), 1, "乙"), -1);
    EXPECT_EQ(BoxTexts(),
              QStringList({QString("新载入%1名学生，更新了0名学生的名单信息。\n学生名册中有1个学号重复，"
                                   "每个学号只载入名册中的第一名学生，另有1名学生未载入。")
                               .arg(Eligible() - 1)}));
}

TEST_F(AdminBPrepare, APreparationThatCopiesNobodySaysWhy) {
    Db().Execute("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (99, '初2099级', '02099')");
    exam = AddExam("02099", description);
    entry = "初2099级|" + description;
    OpenDialog(0);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Grid().GetRowCount(), 1);
    EXPECT_EQ(BoxTexts(),
              QStringList({"没有载入任何学生：学生名册中没有初2099级的在读学生（有班级的学生）。\n"
                           "请先在学生名册中录入或导入本年级的学生。"}));
    EXPECT_EQ(boxes->Boxes()[0].caption, "信息提示");
}

TEST_F(AdminBPrepare, StreamCopyTakesTheRostersStreamForThisExamOnly) {
    OpenDialog(0);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    boxes->Clear();
    const fixtures::ExamInfo& other = school.exams[0];
    Db().Execute("UPDATE tavrinName SET worl='文' WHERE grade=?", {grade.code});
    const QString otherBefore =
        Scalar("SELECT group_concat(coalesce(worl, '-'), '') FROM tavrinKSK WHERE id=?", {other.id});

    OpenDialog(1);
    EXPECT_EQ(dlg->windowTitle(), "文理科信息添加");
    EXPECT_EQ(dlg->GetDlgItemText(CPrepareScoreSheetDlg::IDC_LOAD), "显示数据");
    EXPECT_TRUE(dlg->GetDlgItem<QPushButton>(CPrepareScoreSheetDlg::IDC_ADD_INFO)->isEnabled());
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    ASSERT_EQ(Grid().GetRowCount(), Rows() + 1);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_ADD_INFO);
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSK WHERE id=? AND worl='文'", {exam}), Rows());
    EXPECT_EQ(GridColumn(Grid(), 6), QStringList(QList<QString>(Rows(), "文")));
    EXPECT_EQ(Scalar("SELECT group_concat(coalesce(worl, '-'), '') FROM tavrinKSK WHERE id=?", {other.id}),
              otherBefore);
    // The streams changed, the totals did not: none is recorded out of date.
    EXPECT_TRUE(data::StaleTotals(Db(), exam).empty());
    EXPECT_TRUE(data::StaleTotals(Db(), other.id).empty());
}

TEST_F(AdminBPrepare, RoomsArrangedAfterPreparationReachRoomEntryOnceLoadedAgain) {
    Db().Execute("UPDATE tavrinName SET kh=NULL WHERE grade=?", {grade.code});
    examsetup::InitWeights(Db(), exam);
    OpenDialog(0);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    const int rows = Rows();
    ASSERT_GT(rows, 5);

    CScoreEntryDlg scores;
    scores.SetEntryMode(scoresheet::kByRoom);
    Open(scores);
    ASSERT_TRUE(Choose(scores.GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_EXAM), entry));
    ASSERT_TRUE(Choose(scores.GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_SUBJECT), "英语"));
    scores.GetDlgItem<QSpinBox>(CScoreEntryDlg::IDC_NUMBER)->setValue(1);
    boxes->Clear();
    EXPECT_EQ(scores.OnLoadScores(), 0);
    EXPECT_EQ(BoxTexts(), QStringList{scoresheet::NoRoomsMessage()});

    // The rooms are arranged in the roster: five seats to a room, in student-number order.
    std::vector<examroom::ExamNumberUpdate> numbers;
    int i = 0;
    for (db::Recordset rs =
             Db().Execute("SELECT rowid FROM tavrinName WHERE grade=? ORDER BY studentid", {grade.code});
         !rs.IsEOF(); rs.MoveNext(), ++i)
        numbers.push_back({rs.Field(0).ToInt64(), examroom::Seat{1 + i / 5, 1 + i % 5}.ExamNumber()});
    examroom::SaveExamNumbers(Db(), numbers);
    boxes->Clear();
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    EXPECT_EQ(BoxTexts(), QStringList{QString("新载入0名学生，更新了%1名学生的名单信息。").arg(rows)});
    // Exam numbers are no marks: the totals stay as up to date as they were.
    EXPECT_TRUE(data::StaleTotals(Db(), exam).empty());

    boxes->Clear();
    ASSERT_EQ(scores.OnLoadScores(), 1);
    EXPECT_TRUE(BoxTexts().isEmpty());
    QStringList room1;
    for (db::Recordset rs = Db().Execute(
             "SELECT studentid FROM tavrinKSK WHERE id=? AND kh LIKE '01%' ORDER BY worl, kh", {exam});
         !rs.IsEOF(); rs.MoveNext())
        room1 << rs.Field(0).ToString();
    EXPECT_FALSE(room1.isEmpty());
    EXPECT_EQ(GridColumn(scores.GetGrid(), 0), room1);
}

TEST_F(AdminBPrepare, ACorrectedRosterReachesScoreEntryAndEveryMarkStays) {
    examsetup::InitWeights(Db(), exam);
    OpenDialog(0);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    const int rows = Rows();
    Db().Execute("UPDATE tavrinKSK SET s03=77 WHERE id=?", {exam});
    const int cls = grade.classes[0];
    const QString first =
        Scalar("SELECT studentid FROM tavrinKSK WHERE id=? AND class=? ORDER BY studentid", {exam, cls});
    const QString second = Scalar("SELECT studentid FROM tavrinKSK WHERE id=? AND class=? AND studentid<>? "
                                  "ORDER BY studentid",
                                  {exam, cls, first});
    // One name corrected with its stream; one student who left (made inactive).
    Db().Execute("UPDATE tavrinName SET name='改正后', worl=CASE WHEN worl='文' THEN '理' ELSE '文' END "
                 "WHERE grade=? AND studentid=?",
                 {grade.code, first});
    Db().Execute("UPDATE tavrinName SET active='否' WHERE grade=? AND studentid=?", {grade.code, second});
    boxes->Clear();
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    // The row has marks: the user is asked first (and says 是).
    EXPECT_EQ(BoxTexts(),
              QStringList({examsetup::RefreshMarkedRowsQuestion(1),
                           "新载入0名学生，更新了1名学生的名单信息。\n"
                           "登分表中有1名学生已不在本年级的在读学生名册中，仍保留在登分表中，成绩不变。"}));
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSK WHERE id=? AND s03=77", {exam}), rows);
    // The stream changed, no mark did: the totals still hold.
    EXPECT_TRUE(data::StaleTotals(Db(), exam).empty());

    CScoreEntryDlg scores;
    Open(scores);
    ASSERT_TRUE(Choose(scores.GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_EXAM), entry));
    ASSERT_TRUE(Choose(scores.GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_SUBJECT), "英语"));
    scores.GetDlgItem<QSpinBox>(CScoreEntryDlg::IDC_NUMBER)->setValue(cls);
    ASSERT_EQ(scores.OnLoadScores(), 1);
    const int row = FindRow(scores.GetGrid(), 0, first);
    ASSERT_GT(row, 0);
    EXPECT_EQ(scores.GetGrid().GetItemText(row, 1), "改正后");
    // The student who left is still listed with his mark.
    EXPECT_GT(FindRow(scores.GetGrid(), 0, second), 0);
}

TEST_F(AdminBPrepare, FailedPreparationAndUnknownExamAreReported) {
    FailOn("INSERT", "tavrinKSK");
    OpenDialog(0);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    Type(dlg->GetDlgItem<QComboBox>(CPrepareScoreSheetDlg::IDC_EXAM), "nothing");
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    EXPECT_EQ(BoxTexts(),
              QStringList({"对不起，准备登分表时出错！\n原因：refused", "对不起，准备登分表时出错！"}));
    EXPECT_EQ(Rows(), 0);
}

TEST_F(AdminBPrepare, AFullDiskOrAReadOnlyFileIsToldByItsReason) {
    OpenDialog(0);
    for (const WriteFailure failure : kWriteFailures) {
        boxes->Clear();
        FailWrites(failure, "INSERT", "tavrinKSK");
        Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
        EXPECT_EQ(BoxTexts(), QStringList{"对不起，准备登分表时出错！\n" + ReasonOf(failure)});
        EXPECT_EQ(Rows(), 0);
        EndWriteFailure();
    }
}

} // namespace
} // namespace adminb
