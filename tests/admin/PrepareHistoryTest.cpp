// 载入数据 on an exam that was sat keeps its record: rows with marks take the roster's current
// details only when the user agrees, rows without marks take every roster column, and a
// preparation killed half-way leaves the sheet as it was.
#include "AdminBSupport.h"

#include "admin/ExamSetup.h"
#include "admin/PrepareScoreSheetDlg.h"

#include <QComboBox>

#include <sqlite3.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace adminb {
namespace {

class PrepareHistory : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        grade = school.grades[0];
        for (const fixtures::ExamInfo& e : school.exams)
            if (e.grade == grade.code && e.scoreRows > 0) {
                sat = e.id;
                satEntry = EntryOf(e);
                break;
            }
        ASSERT_GT(sat, 0);
        // Every row of the sat exam has its exam number, and the roster says what the sheet says:
        // the changes below are the only ones.
        Db().Execute("UPDATE tavrinKSK SET kh=substr(studentid, -4) WHERE id=?", {sat});
        Db().Execute("UPDATE tavrinName SET name=k.name, class=k.class, id=k.cid, worl=k.worl, kh=k.kh, "
                     "ab=k.ab, xjtype=k.xjtype, gender=k.gender FROM tavrinKSK AS k WHERE k.id=? AND "
                     "k.studentid=tavrinName.studentid",
                     {sat});
        ASSERT_EQ(examsetup::MarkedRowsToRefresh(Db(), sat, grade.code), 0);
        const auto markedOf = [this](int cls) {
            return Scalar("SELECT studentid FROM tavrinKSK WHERE id=? AND class=? AND s01 IS NOT NULL "
                          "ORDER BY studentid",
                          {sat, cls});
        };
        moved = markedOf(grade.classes[0]);
        left = markedOf(grade.classes[2]);
        ASSERT_FALSE(moved.isEmpty());
        ASSERT_FALSE(left.isEmpty());
        newcomer = grade.code + "0199";
    }

    // The roster of the second term: one student moved to another class and made 旁, one who
    // left (在读 否, his exam number cleared by the new seating), one who joined.
    void ChangeRoster() {
        Db().Execute("UPDATE tavrinName SET class=?, xjtype='旁', ab='B', kh='0901' WHERE studentid=?",
                     {grade.classes[1], moved});
        Db().Execute("UPDATE tavrinName SET active='否', kh=NULL WHERE studentid=?", {left});
        Db().Execute(
            "INSERT INTO tavrinName (id, grade, studentid, name, class, active, kh) VALUES (50, ?, ?, "
            "'新同学', ?, '是', '0902')",
            {grade.code, newcomer, grade.classes[0]});
    }

    // The rows of the exam as stored, one text per row.
    QStringList SheetRows(int exam) {
        QStringList rows;
        for (db::Recordset rs = Db().Execute("SELECT * FROM tavrinKSK WHERE id=? ORDER BY rowid", {exam});
             !rs.IsEOF(); rs.MoveNext()) {
            QStringList cells;
            for (int c = 0; c < rs.FieldCount(); ++c)
                cells << (rs.Field(c).IsNull() ? QStringLiteral("NULL") : rs.Field(c).ToString());
            rows << cells.join(u'|');
        }
        return rows;
    }

    QString Cell(int exam, const QString& student, const QString& column) {
        return Scalar(
            QString("SELECT coalesce(%1, 'NULL') FROM tavrinKSK WHERE id=? AND studentid=?").arg(column),
            {exam, student});
    }

    // Paper I of 语文 of every row of the sat exam, in student-number order.
    QString Marks() {
        return Scalar("SELECT group_concat(m) FROM (SELECT studentid || ':' || coalesce(s011, '-') AS m FROM "
                      "tavrinKSK WHERE id=? ORDER BY studentid)",
                      {sat});
    }

    void OpenOn(const QString& entry) {
        dlg = std::make_unique<CPrepareScoreSheetDlg>();
        Open(*dlg);
        ASSERT_TRUE(Choose(dlg->GetDlgItem<QComboBox>(CPrepareScoreSheetDlg::IDC_EXAM), entry));
    }

    fixtures::GradeInfo grade;
    int sat = -1;
    QString satEntry, moved, left, newcomer;
    std::unique_ptr<CPrepareScoreSheetDlg> dlg;
};

TEST_F(PrepareHistory, ASatExamKeepsItsRecordUnlessTheUserAgrees) {
    ChangeRoster();
    const QStringList before = SheetRows(sat);
    OpenOn(satEntry);

    // 否: the newcomer is added, every row with marks stays as the exam had it.
    boxes->SetNextAnswer(ui::IDNO);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    const QString question = "本次考试已有成绩。载入数据会把2名已有成绩的学生的班级、文理或考号改成学生名单中"
                             "现在的值，考试时的记录将不再保留。是否继续？";
    ASSERT_EQ(BoxTexts().size(), 2);
    EXPECT_EQ(BoxTexts()[0], question);
    EXPECT_EQ(boxes->Boxes()[0].type & 0x0F, unsigned(ui::MB_YESNO));
    EXPECT_EQ(BoxTexts()[1], "新载入1名学生，更新了0名学生的名单信息。\n"
                             "有2名已有成绩的学生保留了考试时的班级、文理和考号，未按学生名单更新。\n"
                             "登分表中有1名学生已不在本年级的在读学生名册中，仍保留在登分表中，成绩不变。");
    QStringList after = SheetRows(sat);
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.mid(0, before.size()), before);
    EXPECT_EQ(Cell(sat, newcomer, "name"), "新同学");
    EXPECT_GT(FindRow(dlg->Grid(), 0, newcomer), 0);

    // Asked again, the same two; 是 rewrites them, and their marks stay.
    boxes->Clear();
    const QString marksBefore = Marks();
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    ASSERT_EQ(BoxTexts().size(), 2);
    EXPECT_EQ(BoxTexts()[0], question);
    EXPECT_EQ(BoxTexts()[1], "新载入0名学生，更新了2名学生的名单信息。\n"
                             "登分表中有1名学生已不在本年级的在读学生名册中，仍保留在登分表中，成绩不变。");
    EXPECT_EQ(Cell(sat, moved, "class"), QString::number(grade.classes[1]));
    EXPECT_EQ(Cell(sat, moved, "xjtype"), "旁");
    EXPECT_EQ(Cell(sat, moved, "ab"), "B");
    EXPECT_EQ(Cell(sat, moved, "kh"), "0901");
    EXPECT_EQ(Cell(sat, left, "kh"), "NULL");
    EXPECT_EQ(Marks(), marksBefore);

    // Nothing differs any more: no question.
    boxes->Clear();
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    EXPECT_EQ(BoxTexts().size(), 1);
}

TEST_F(PrepareHistory, AnExamAboutToBeSatTakesEveryRosterColumnWithoutAsking) {
    const QString description = "2010至2011学年下学期期中考试";
    const int next = AddExam(grade.code, description);
    OpenOn(grade.name + "|" + description);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    ASSERT_FALSE(Cell(next, left, "kh").isEmpty());
    ASSERT_NE(Cell(next, left, "kh"), "NULL");
    ChangeRoster();
    Db().Execute(
        "UPDATE tavrinName SET gender=CASE WHEN gender='男' THEN '女' ELSE '男' END WHERE studentid=?",
        {moved});
    boxes->Clear();
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    EXPECT_EQ(BoxTexts(),
              QStringList{"新载入1名学生，更新了2名学生的名单信息。\n"
                          "登分表中有1名学生已不在本年级的在读学生名册中，仍保留在登分表中，成绩不变。"});
    EXPECT_EQ(
        Count("SELECT count(*) FROM tavrinKSK k JOIN tavrinName n ON n.studentid=k.studentid WHERE "
              "k.id=? AND k.studentid=? AND k.class IS n.class AND k.xjtype IS n.xjtype AND k.ab IS n.ab "
              "AND k.gender IS n.gender AND k.kh IS n.kh AND k.name IS n.name AND k.cid IS n.id",
              {next, moved}),
        1);
    // The student who left gives up his exam number: the new seating gives it to another.
    EXPECT_EQ(Cell(next, left, "kh"), "NULL");
    EXPECT_EQ(Cell(next, left, "class"), QString::number(grade.classes[2]));
    // The sat exam is not touched by preparing another.
    EXPECT_NE(Cell(sat, moved, "class"), QString::number(grade.classes[1]));
}

TEST_F(PrepareHistory, StudentsWithoutAClassAreCountedAsLeftOut) {
    // Two active students without a class (empty and 0), one who left without one: only the two
    // count, and an empty grade still says why nobody came.
    Db().Execute(
        "INSERT INTO tavrinName (id, grade, studentid, name, class, active) VALUES (51, ?, ?, '甲', NULL, "
        "'是'), (52, ?, ?, '乙', 0, NULL), (53, ?, ?, '丙', NULL, '否')",
        {grade.code, grade.code + "0197", grade.code, grade.code + "0198", grade.code, grade.code + "0199"});
    const QString description = "2010至2011学年下学期期中考试";
    const int next = AddExam(grade.code, description);
    OpenOn(grade.name + "|" + description);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    const QString noClass =
        "有2名在读学生没有班级（班级为空或为0），未载入：请在学生名单中填写班级后再载入数据。";
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_EQ(BoxTexts()[0].split(u'\n').value(1), noClass);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSK WHERE id=? AND studentid IN (?, ?)",
                    {next, grade.code + "0197", grade.code + "0198"}),
              0);

    // The class typed in the roster brings the student in.
    Db().Execute("UPDATE tavrinName SET class=? WHERE studentid=?", {grade.classes[0], grade.code + "0197"});
    boxes->Clear();
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    EXPECT_EQ(BoxTexts(),
              QStringList{"新载入1名学生，更新了0名学生的名单信息。\n有1名在读学生没有班级（班级为空"
                          "或为0），未载入：请在学生名单中填写班级后再载入数据。"});

    Db().Execute("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (99, '初2099级', '02099')");
    Db().Execute("INSERT INTO tavrinName (id, grade, studentid, name, class, active) VALUES (54, '02099', "
                 "'020990101', '丁', NULL, '是')");
    AddExam("02099", description);
    OpenOn("初2099级|" + description);
    boxes->Clear();
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    EXPECT_EQ(BoxTexts(),
              QStringList{"没有载入任何学生：学生名册中没有初2099级的在读学生（有班级的学生）。\n"
                          "请先在学生名册中录入或导入本年级的学生。\n有1名在读学生没有班级（班级为空"
                          "或为0），未载入：请在学生名单中填写班级后再载入数据。"});
}

// The preparation's connection stops, when it adds the new student, until it is killed.
int g_holdPipe = -1;
void HoldUntilKilled(sqlite3_context* context, int, sqlite3_value**) {
    if (::write(g_holdPipe, "h", 1) != 1)
        ::_exit(3);
    for (;;)
        ::pause();
    sqlite3_result_null(context);
}

TEST_F(PrepareHistory, APreparationKilledHalfWayLeavesTheSheetAsBefore) {
    ChangeRoster();
    const std::string before = TableDigests();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        g_holdPipe = ready[1];
        try {
            db::Connection c;
            c.OpenFile(school.path, fixtures::DatabasePassword());
            if (sqlite3_create_function(c.Handle(), "hold", 0, SQLITE_UTF8, nullptr, &HoldUntilKilled,
                                        nullptr, nullptr) != SQLITE_OK)
                ::_exit(4);
            // A trigger of this connection only: the file itself gets none.
            c.Execute(QStringLiteral(
                "CREATE TEMP TRIGGER hold_insert AFTER INSERT ON main.tavrinKSK BEGIN SELECT hold(); END"));
            examsetup::PrepareScoreRows(c, sat, grade.code, examsetup::MarkedRows::Refresh);
        } catch (...) {
        }
        (void)!::write(ready[1], "e", 1);
        ::_exit(2);
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(byte, 'h') << "the preparation never reached the new student";
    ASSERT_TRUE(WIFSIGNALED(status));
    // The refreshed rows were written before the kill; none of them stands.
    EXPECT_EQ(TableDigests(), before);

    // Done again to the end, it is all there.
    OpenOn(satEntry);
    Click(*dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    EXPECT_EQ(Cell(sat, moved, "class"), QString::number(grade.classes[1]));
    EXPECT_EQ(Cell(sat, left, "kh"), "NULL");
    EXPECT_EQ(Cell(sat, newcomer, "name"), "新同学");
}

} // namespace
} // namespace adminb
