// The roster's keys hold against old marks and other windows: a new student never takes a number
// that still has marks, and a write reaches a row only while it holds the 学号 the grid shows.
#include "AdminBSupport.h"

#include "admin/StudentListDlg.h"
#include "admin/StudentRoster.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include <set>

namespace adminb {
namespace {

class StudentListKeys : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        grade = school.grades[0];
        ui::SetDialogRunner([this](ui::Dialog& d) -> int {
            Open(d);
            if (auto* add = dynamic_cast<CNewStudentDlg*>(&d)) {
                proposed = add->findChild<QLineEdit*>()->text();
                if (typed.isNull())
                    return ui::IDCANCEL;
                add->findChild<QLineEdit*>()->setText(typed);
                add->OnOK();
                return ui::IDOK;
            }
            return ui::IDCANCEL;
        });
        dlg = std::make_unique<CStudentListDlg>();
        Open(*dlg);
    }
    void TearDown() override {
        dlg.reset();
        ui::SetDialogRunner({});
        AdminBTest::TearDown();
    }
    void Show(int cls) {
        ASSERT_TRUE(Choose(dlg->GetDlgItem<QComboBox>(CStudentListDlg::IDC_GRADE), grade.name));
        dlg->GetDlgItem<QSpinBox>(CStudentListDlg::IDC_CLASS)->setValue(cls);
        Click(*dlg, CStudentListDlg::IDC_LIST);
    }
    CGridCtrl& Grid() { return dlg->GetGrid(); }

    fixtures::GradeInfo grade;
    std::unique_ptr<CStudentListDlg> dlg;
    QString proposed, typed;
};

TEST_F(StudentListKeys, ANewStudentNeverTakesTheNumberOfAClearedStudentsMarks) {
    const int cls = grade.classes[0];
    Show(cls);
    const QStringList cleared = GridColumn(Grid(), 0);
    ASSERT_FALSE(cleared.isEmpty());
    const QString first = cleared.front();
    const QString name = Scalar("SELECT name FROM tavrinName WHERE studentid=?", {first});
    const int exams = Count("SELECT count(DISTINCT id) FROM tavrinKSK WHERE studentid=?", {first});
    ASSERT_GT(exams, 0);
    Click(*dlg, CStudentListDlg::IDC_CLEAR);
    ASSERT_EQ(Grid().GetRowCount(), 1);
    const int rosterRows = Count("SELECT count(*) FROM tavrinName");

    // The class is empty on the roster, but its numbers still carry marks: the proposal is the
    // first seat that carries none.
    Click(*dlg, CStudentListDlg::IDC_ADD);
    std::set<QString> marked;
    for (db::Recordset rs = Db().Execute("SELECT studentid FROM tavrinKSK WHERE grade=?", {grade.code});
         !rs.IsEOF(); rs.MoveNext())
        marked.insert(rs.Field(0).ToString());
    int seat = 1;
    while (marked.count(grade.code + QString::asprintf("%02d%02d", cls, seat)))
        ++seat;
    ASSERT_GT(seat, 1);
    EXPECT_EQ(proposed, grade.code + QString::asprintf("%02d%02d", cls, seat));

    // Typed by hand, the cleared student's number is refused, naming his marks.
    typed = first;
    Click(*dlg, CStudentListDlg::IDC_ADD);
    EXPECT_EQ(BoxTexts().back(),
              QString("学号%1在%2个考试中已有学生[%3]的成绩").arg(first).arg(exams).arg(name));
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName"), rosterRows);
    EXPECT_EQ(Grid().GetRowCount(), 1);
    EXPECT_FALSE(roster::AddStudent(Db(), grade.code, cls, first));

    // The proposal itself is taken.
    typed = proposed;
    Click(*dlg, CStudentListDlg::IDC_ADD);
    EXPECT_EQ(GridColumn(Grid(), 0), QStringList{proposed});
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName"), rosterRows + 1);
}

TEST_F(StudentListKeys, AnEditFromAWindowListedBeforeAnotherWindowReimportedIsRefused) {
    const int cls = grade.classes[0];
    Show(cls);
    const QString first = Grid().GetItemText(1, roster::kColStudentId);
    const QString firstName = Grid().GetItemText(1, roster::kColName);

    // Another window on the same file clears the roster and imports the grade again, the other
    // way round: the row numbers the grid holds now belong to other students.
    {
        db::Connection other;
        other.OpenFile(school.path, fixtures::DatabasePassword());
        std::vector<std::vector<db::Variant>> rows;
        for (db::Recordset rs =
                 other.Execute("SELECT grade, studentid, name, class, id, active FROM tavrinName "
                               "WHERE grade=? ORDER BY rowid DESC",
                               {grade.code});
             !rs.IsEOF(); rs.MoveNext())
            rows.push_back({rs.Field(0), rs.Field(1), rs.Field(2), rs.Field(3), rs.Field(4), rs.Field(5)});
        other.Execute("DELETE FROM tavrinName");
        for (const auto& r : rows)
            other.Execute("INSERT INTO tavrinName (grade, studentid, name, class, id, active) VALUES (?, ?, "
                          "?, ?, ?, ?)",
                          r);
    }
    const long long listedRowid = static_cast<long long>(Grid().GetItemData(1, 0));
    ASSERT_NE(Scalar("SELECT studentid FROM tavrinName WHERE rowid=?", {listedRowid}), first);
    const std::string before = TableDigests();

    // A name typed into the old list lands nowhere.
    boxes->Clear();
    EditCell(Grid(), 1, roster::kColName, "新名字");
    EXPECT_EQ(BoxTexts(), QStringList{"该学生的记录已被另一个窗口修改或删除，请重新列出。"});
    EXPECT_EQ(Grid().GetItemText(1, roster::kColName), firstName);
    EditCell(Grid(), 1, roster::kColClass, "9");
    EXPECT_EQ(TableDigests(), before);

    // Numbering the old list numbers nobody, not even the rows that still match.
    boxes->Clear();
    Click(*dlg, CStudentListDlg::IDC_AUTO_NUMBER);
    EXPECT_EQ(BoxTexts(), QStringList{"该学生的记录已被另一个窗口修改或删除，请重新列出。"});
    EXPECT_EQ(TableDigests(), before);

    // Listed again, the same edit reaches its student.
    Show(cls);
    const int row = FindRow(Grid(), roster::kColStudentId, first);
    ASSERT_GT(row, 0);
    boxes->Clear();
    ASSERT_TRUE(EditCell(Grid(), row, roster::kColName, "新名字"));
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(Scalar("SELECT name FROM tavrinName WHERE studentid=?", {first}), "新名字");
    Click(*dlg, CStudentListDlg::IDC_AUTO_NUMBER);
    EXPECT_EQ(Scalar("SELECT id FROM tavrinName WHERE studentid=?", {Grid().GetItemText(1, 0)}), "1");
}

} // namespace
} // namespace adminb
