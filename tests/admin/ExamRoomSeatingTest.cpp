// One exam number names one student: a saved arrangement takes the numbers of students who left,
// entry by room brings a seating saved after the sheet was loaded (or says the room shows a sat
// exam as it was sat), refuses a room in which one number names two students and says when a room
// has nobody; an arrangement is offered for saving before it is printed or left.

#include "AdminBSupport.h"

#include "admin/ExamRoom.h"
#include "admin/ExamRoomDlg.h"
#include "admin/ExamSetup.h"
#include "admin/RoomOutputDlg.h"
#include "admin/ScoreEntryDlg.h"
#include "admin/ScoreSheet.h"
#include "platform/report/Output.h"
#include "platform/ui/Random.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include <map>
#include <memory>

using namespace adminb;

namespace {

class RoomSeating : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        grade = school.grades[0]; // the grade with the inactive students
        ASSERT_EQ(school.edges.inactiveStudents.size(), 2);
        // The exam about to be sat: its sheet made from today's roster, no mark in it.
        const QString description = QStringLiteral("2009至2010学年上学期期末考试");
        exam = AddExam(grade.code, description);
        entry = grade.name + u'|' + description;
        examsetup::InitWeights(Db(), exam);
        examsetup::PrepareScoreRows(Db(), exam, grade.code);
        ASSERT_GT(Count("SELECT count(*) FROM tavrinKSK WHERE id=?", {exam}), 10);
    }
    void TearDown() override {
        ui::SetRandomSource({});
        ui::SetDialogRunner({});
        rooms.reset();
        entryDlg.reset();
        AdminBTest::TearDown();
    }

    // 考室安排: the grade listed in `streamButton` and arranged, five to a room, the draw seating
    // in reverse student-number order; saved when `save`.
    void Arrange(bool save, int streamButton = CExamRoomDlg::IDC_ALL_STREAMS) {
        rooms = std::make_unique<CExamRoomDlg>();
        Open(*rooms);
        ASSERT_TRUE(Choose(rooms->GetDlgItem<QComboBox>(CExamRoomDlg::IDC_GRADE), grade.name));
        Click(*rooms, streamButton);
        Click(*rooms, CExamRoomDlg::IDC_LIST);
        rooms->GetDlgItem<QLineEdit>(CExamRoomDlg::IDC_ODD_CAPACITY)->setText("5");
        rooms->GetDlgItem<QLineEdit>(CExamRoomDlg::IDC_EVEN_CAPACITY)->setText("5");
        auto next = std::make_shared<int>(rooms->GetRowCount() - 1);
        ui::SetRandomSource([next] { return --*next; });
        Click(*rooms, CExamRoomDlg::IDC_ARRANGE);
        if (save)
            Click(*rooms, CExamRoomDlg::IDC_SAVE);
        boxes->Clear();
    }
    // 按考场录入成绩 of 英语 in `room`; what the load returned.
    int LoadRoom(const QString& examEntry, int room) {
        entryDlg = std::make_unique<CScoreEntryDlg>();
        entryDlg->SetEntryMode(scoresheet::kByRoom);
        Open(*entryDlg);
        EXPECT_TRUE(Choose(entryDlg->GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_EXAM), examEntry));
        EXPECT_TRUE(Choose(entryDlg->GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_SUBJECT), "英语"));
        entryDlg->GetDlgItem<QSpinBox>(CScoreEntryDlg::IDC_NUMBER)->setValue(room);
        return entryDlg->OnLoadScores();
    }
    CGridCtrl& EntryGrid() { return entryDlg->GetGrid(); }
    // Student number → exam number ("" for none), of the roster's grade or of an exam's sheet.
    std::map<QString, QString> Numbers(const QString& sql, const std::vector<db::Variant>& params) {
        std::map<QString, QString> kh;
        for (db::Recordset rs = Db().Execute(sql, params); !rs.IsEOF(); rs.MoveNext())
            kh[rs.Field(0).ToString()] = rs.Field(1).IsNull() ? QString() : rs.Field(1).ToString();
        return kh;
    }
    std::map<QString, QString> Roster() {
        return Numbers("SELECT studentid, kh FROM tavrinName WHERE studentid LIKE ?", {grade.code + u'%'});
    }
    std::map<QString, QString> Sheet(int examId) {
        return Numbers("SELECT studentid, kh FROM tavrinKSK WHERE id=?", {examId});
    }
    // Exam numbers that several roster students of the grade hold in one stream.
    int SharedInRoster() {
        return Count("SELECT count(*) FROM (SELECT 1 FROM tavrinName WHERE studentid LIKE ? AND "
                     "coalesce(kh, '')<>'' GROUP BY kh, worl HAVING count(*)>1)",
                     {grade.code + u'%'});
    }
    QStringList RoomOfRoster(const QString& room) {
        QStringList ids;
        for (db::Recordset rs =
                 Db().Execute("SELECT n.studentid FROM tavrinName n JOIN tavrinKSK k ON "
                              "k.studentid=n.studentid AND k.id=? WHERE n.studentid LIKE ? AND "
                              "n.kh LIKE ? ORDER BY n.worl, n.kh",
                              {exam, grade.code + u'%', room + u'%'});
             !rs.IsEOF(); rs.MoveNext())
            ids << rs.Field(0).ToString();
        return ids;
    }

    fixtures::GradeInfo grade;
    int exam = -1;
    QString entry;
    std::unique_ptr<CExamRoomDlg> rooms;
    std::unique_ptr<CScoreEntryDlg> entryDlg;
};

TEST_F(RoomSeating, ASavedArrangementTakesTheNumbersOfStudentsWhoLeft) {
    const QStringList& gone = school.edges.inactiveStudents;
    // They were seated in room 01 before they left, where the new seating seats others.
    Db().Execute("UPDATE tavrinName SET kh='0101' WHERE studentid=?", {gone[0]});
    Db().Execute("UPDATE tavrinName SET kh='0102' WHERE studentid=?", {gone[1]});
    // One who left another grade is no student of this arrangement.
    const QString elsewhere =
        Scalar("SELECT studentid FROM tavrinName WHERE studentid LIKE ? ORDER BY studentid",
               {school.grades[1].code + u'%'});
    Db().Execute("UPDATE tavrinName SET active='否', kh='0101' WHERE studentid=?", {elsewhere});

    const std::map<QString, QString> before = Roster();
    Arrange(false);
    EXPECT_EQ(Roster(), before); // nothing stored before 数据存盘
    Click(*rooms, CExamRoomDlg::IDC_SAVE);
    EXPECT_EQ(BoxTexts(),
              QStringList{QStringLiteral("已保存%1名学生的考号。").arg(rooms->GetRowCount() - 1)});
    const std::map<QString, QString> after = Roster();
    for (const QString& id : gone)
        EXPECT_EQ(after.at(id), "") << id.toStdString();
    EXPECT_EQ(SharedInRoster(), 0);
    EXPECT_EQ(Scalar("SELECT kh FROM tavrinName WHERE studentid=?", {elsewhere}), "0101");
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName WHERE studentid LIKE ? AND kh LIKE '01%'",
                    {grade.code + u'%'}),
              5);

    // Arts apart: numbered from room 01 again, sharing numbers only with the other stream.
    Db().Execute("UPDATE tavrinName SET kh='0103' WHERE studentid=?", {gone[0]});
    const std::map<QString, QString> science =
        Numbers("SELECT studentid, kh FROM tavrinName WHERE studentid LIKE ? AND worl='理' AND "
                "(active='是' OR active IS NULL)",
                {grade.code + u'%'});
    Arrange(true, CExamRoomDlg::IDC_ARTS);
    EXPECT_EQ(Roster().at(gone[0]), "");
    EXPECT_EQ(SharedInRoster(), 0);
    EXPECT_EQ(Numbers("SELECT studentid, kh FROM tavrinName WHERE studentid LIKE ? AND worl='理' AND "
                      "(active='是' OR active IS NULL)",
                      {grade.code + u'%'}),
              science);
}

TEST_F(RoomSeating, ASeatingSavedAfterTheSheetIsOfferedAndBroughtOver) {
    // A student leaves after the sheet was made; the rooms are then arranged and saved.
    const QString left =
        Scalar("SELECT studentid FROM tavrinKSK WHERE id=? AND kh IS NOT NULL ORDER BY kh", {exam});
    Db().Execute("UPDATE tavrinName SET active='否' WHERE studentid=?", {left});
    Arrange(true);
    ASSERT_NE(Sheet(exam), Roster());

    // 否: nothing listed, nothing stored.
    const std::string digests = TableDigests();
    boxes->SetNextAnswer(ui::IDNO);
    EXPECT_EQ(LoadRoom(entry, 1), 0);
    ASSERT_EQ(boxes->Boxes().size(), 1u);
    const QString question = BoxTexts()[0];
    EXPECT_TRUE(question.startsWith("考室01有")) << question.toStdString();
    EXPECT_TRUE(question.endsWith("是否把已存盘的考场安排载入登分表？")) << question.toStdString();
    EXPECT_EQ(boxes->Boxes()[0].type & 0x0F, ui::MB_YESNO);
    EXPECT_EQ(EntryGrid().GetRowCount(), 1);
    EXPECT_TRUE(entryDlg->GetExamId().isEmpty());
    EXPECT_EQ(TableDigests(), digests);

    // 是: every row of the exam takes the saved seating, the one who left none; the room lists the
    // students the room list names.
    boxes->Clear();
    boxes->SetNextAnswer(ui::IDYES);
    ASSERT_EQ(LoadRoom(entry, 1), 1);
    EXPECT_EQ(BoxTexts().size(), 1);
    const std::map<QString, QString> roster = Roster();
    for (const auto& [id, kh] : Sheet(exam))
        EXPECT_EQ(kh, roster.at(id)) << id.toStdString();
    EXPECT_EQ(Sheet(exam).at(left), "");
    EXPECT_EQ(GridColumn(EntryGrid(), 0), RoomOfRoster("01"));
    for (int r = 1; r < EntryGrid().GetRowCount(); ++r)
        EXPECT_EQ(EntryGrid().GetItemText(r, 3), roster.at(EntryGrid().GetItemText(r, 0)));

    // The other rooms now agree: no question.
    boxes->Clear();
    ASSERT_EQ(LoadRoom(entry, 2), 1);
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(GridColumn(EntryGrid(), 0), RoomOfRoster("02"));

    // Once a mark is in, the exam was sat: a later seating is not brought over, and the room
    // shows the numbers the exam was sat under.
    ASSERT_TRUE(EditCell(EntryGrid(), 1, 6, "80"));
    const std::map<QString, QString> sat = Sheet(exam);
    Db().Execute("UPDATE tavrinName SET kh=NULL WHERE studentid=?", {GridColumn(EntryGrid(), 0).first()});
    boxes->Clear();
    ASSERT_EQ(LoadRoom(entry, 2), 1);
    EXPECT_EQ(BoxTexts(), QStringList{scoresheet::SatSeatingMessage(2, 1)});
    EXPECT_EQ(Sheet(exam), sat);
    EXPECT_EQ(GridColumn(EntryGrid(), 3).first(), sat.at(GridColumn(EntryGrid(), 0).first()));
}

TEST_F(RoomSeating, OneNumberOfTwoStudentsIsNamedNotListed) {
    // Two students of one stream under one number, in the roster and on the sheet alike.
    db::Recordset pair =
        Db().Execute("SELECT a.studentid, a.name, b.studentid, b.name, a.kh, a.worl FROM "
                     "tavrinKSK a JOIN tavrinKSK b ON a.id=b.id AND a.worl=b.worl AND "
                     "a.studentid<b.studentid WHERE a.id=? AND a.kh LIKE '01%' AND b.kh LIKE '01%' "
                     "ORDER BY a.kh, b.kh LIMIT 1",
                     {exam});
    ASSERT_FALSE(pair.IsEOF());
    const QString idA = pair.Field(0).ToString(), nameA = pair.Field(1).ToString();
    const QString idB = pair.Field(2).ToString(), nameB = pair.Field(3).ToString();
    const QString kh = pair.Field(4).ToString(), stream = pair.Field(5).ToString();
    pair.Close();
    for (const char* table : {"tavrinName", "tavrinKSK"})
        Db().Execute(QStringLiteral("UPDATE %1 SET kh=? WHERE studentid=?").arg(QString::fromLatin1(table)),
                     {kh, idB});

    EXPECT_EQ(LoadRoom(entry, 1), 0);
    ASSERT_EQ(BoxTexts().size(), 1);
    const QString message = BoxTexts()[0];
    const QString shared =
        QStringLiteral("考号%1（%2科）：%3（学号%4）和%5（学号%6）").arg(kh, stream, nameA, idA, nameB, idB);
    EXPECT_TRUE(message.contains(shared)) << message.toStdString();
    EXPECT_EQ(boxes->Boxes()[0].type & 0xF0, ui::MB_ICONWARNING);
    EXPECT_EQ(EntryGrid().GetRowCount(), 1);
    EXPECT_TRUE(entryDlg->GetExamId().isEmpty());

    // The same number in the other stream is another seat: both are listed.
    const QString other = stream == "文" ? "理" : "文";
    for (const char* table : {"tavrinName", "tavrinKSK"})
        Db().Execute(QStringLiteral("UPDATE %1 SET worl=? WHERE studentid=?").arg(QString::fromLatin1(table)),
                     {other, idB});
    boxes->Clear();
    ASSERT_EQ(LoadRoom(entry, 1), 1);
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_TRUE(GridColumn(EntryGrid(), 0).contains(idA));
    EXPECT_TRUE(GridColumn(EntryGrid(), 0).contains(idB));

    // A sat exam whose sheet alone holds the number twice: it is said to be listed as sat, and
    // then refused for the shared number.
    const fixtures::ExamInfo& past = school.exams[0];
    ASSERT_EQ(past.grade, grade.code);
    const QString first = Scalar("SELECT studentid FROM tavrinKSK WHERE id=? AND kh='0101'", {past.id});
    const QString firstStream = Scalar("SELECT worl FROM tavrinKSK WHERE id=? AND kh='0101'", {past.id});
    const QString second = Scalar("SELECT studentid FROM tavrinKSK WHERE id=? AND kh LIKE '01%' AND worl=? "
                                  "AND studentid<>? ORDER BY kh",
                                  {past.id, firstStream, first});
    ASSERT_FALSE(second.isEmpty());
    Db().Execute("UPDATE tavrinKSK SET kh='0101' WHERE id=? AND studentid=?", {past.id, second});
    boxes->Clear();
    EXPECT_EQ(LoadRoom(EntryOf(past), 1), 0);
    ASSERT_EQ(BoxTexts().size(), 2);
    EXPECT_TRUE(BoxTexts()[0].startsWith("本次考试已有成绩：考室01按考试时登分表中的考号列出"));
    EXPECT_TRUE(BoxTexts()[1].contains(QStringLiteral("（学号%1）").arg(first)))
        << BoxTexts()[1].toStdString();
    EXPECT_TRUE(BoxTexts()[1].contains(QStringLiteral("（学号%1）").arg(second)));
}

TEST_F(RoomSeating, ARoomWithoutStudentsSaysSo) {
    ASSERT_EQ(LoadRoom(entry, 0), 1); // room 0 is room 01
    EXPECT_FALSE(GridColumn(EntryGrid(), 0).isEmpty());
    boxes->Clear();
    EXPECT_EQ(LoadRoom(entry, 10), 0);
    EXPECT_EQ(BoxTexts(), QStringList{"考室10没有考生。"});
    EXPECT_EQ(EntryGrid().GetRowCount(), 1);
    EXPECT_TRUE(entryDlg->GetExamId().isEmpty());
}

class UnsavedArrangement : public RoomSeating {
protected:
    // 打印输出 with the room lists chosen; counts the times the choice was offered.
    void Print() {
        ui::SetDialogRunner([this](ui::Dialog& d) {
            ++choices;
            d.OnInitDialog();
            d.GetDlgItem<QAbstractButton>(CRoomOutputDlg::IDC_ROOM_LISTS)->setChecked(true);
            d.OnOK();
            return d.result();
        });
        Click(*rooms, CExamRoomDlg::IDC_PRINT);
    }
    QString Question() const { return QStringLiteral("考场安排尚未存盘，是否先存盘？"); }

    int choices = 0;
    report::PdfOutput pdf{dir.filePath(QStringLiteral("rooms.pdf"))};
};

TEST_F(UnsavedArrangement, PrintAsksFirst) {
    const std::map<QString, QString> before = Roster();
    Arrange(false);
    boxes->SetNextAnswer(ui::IDCANCEL);
    Print();
    EXPECT_EQ(BoxTexts(), QStringList{Question()});
    EXPECT_EQ(choices, 0);
    EXPECT_EQ(pdf.PreviewCount(), 0);

    boxes->Clear();
    boxes->SetNextAnswer(ui::IDNO);
    Print();
    EXPECT_EQ(BoxTexts(), QStringList{Question()});
    EXPECT_EQ(choices, 1);
    EXPECT_EQ(pdf.PreviewCount(), 1);
    EXPECT_EQ(Roster(), before);

    boxes->Clear();
    boxes->SetNextAnswer(ui::IDYES);
    Print();
    EXPECT_EQ(
        BoxTexts(),
        (QStringList{Question(), QStringLiteral("已保存%1名学生的考号。").arg(rooms->GetRowCount() - 1)}));
    EXPECT_EQ(choices, 2);
    EXPECT_NE(Roster(), before);
    for (int r = 1; r < rooms->GetRowCount(); ++r)
        EXPECT_EQ(Roster().at(rooms->GetGrid().GetItemText(r, examroom::kColStudentId)),
                  rooms->GetGrid().GetItemText(r, examroom::kColExamNumber));

    // Stored: nothing more to ask.
    boxes->Clear();
    Print();
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(choices, 3);

    // A save that fails prints nothing.
    Click(*rooms, CExamRoomDlg::IDC_ARRANGE);
    const std::map<QString, QString> saved = Roster();
    FailOn("UPDATE", "tavrinName");
    boxes->Clear();
    boxes->SetNextAnswer(ui::IDYES);
    Print();
    EXPECT_EQ(BoxTexts(), (QStringList{Question(), "对不起，存盘时发生错误！\n原因：refused"}));
    EXPECT_EQ(choices, 3);
    EXPECT_EQ(Roster(), saved);
}

TEST_F(UnsavedArrangement, ExitAsksFirst) {
    const std::map<QString, QString> before = Roster();
    // Listed only: the grid shows what the roster holds, nothing to ask.
    rooms = std::make_unique<CExamRoomDlg>();
    Open(*rooms);
    Click(*rooms, CExamRoomDlg::IDC_LIST);
    Click(*rooms, ui::IDCANCEL);
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_FALSE(rooms->isVisible());

    Arrange(false);
    boxes->SetNextAnswer(ui::IDCANCEL);
    Click(*rooms, ui::IDCANCEL);
    EXPECT_EQ(BoxTexts(), QStringList{Question()});
    EXPECT_TRUE(rooms->isVisible());
    boxes->Clear();
    boxes->SetNextAnswer(ui::IDNO);
    // The title bar's close button goes the same way.
    QMetaObject::invokeMethod(rooms.get(), "reject");
    EXPECT_EQ(BoxTexts(), QStringList{Question()});
    EXPECT_FALSE(rooms->isVisible());
    EXPECT_EQ(Roster(), before);

    Arrange(false);
    boxes->SetNextAnswer(ui::IDYES);
    Click(*rooms, ui::IDCANCEL);
    EXPECT_EQ(
        BoxTexts(),
        (QStringList{Question(), QStringLiteral("已保存%1名学生的考号。").arg(rooms->GetRowCount() - 1)}));
    EXPECT_FALSE(rooms->isVisible());
    EXPECT_NE(Roster(), before);
}

} // namespace
