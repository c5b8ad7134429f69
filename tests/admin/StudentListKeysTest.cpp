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

} // namespace
} // namespace adminb
