// The roster's and the score imports' work without widgets, on a sample school: the roster's
// listing, proposals, edits and renumbering; the roster import's cuts, keys and counts; the score
// imports' lookups, marks, counts and recomputed totals, and all-or-nothing failures (a full disk
// part-way included).
#include "AdminBSupport.h"

#include "admin/ImportResult.h"
#include "admin/ScoreImport.h"
#include "admin/ScoreSheet.h"
#include "admin/StudentRoster.h"

#include <sqlite3.h>

namespace adminb {
namespace {

using db::Variant;

// A source table as the import road leaves it: the record set of "select *".
db::Recordset Source(const QStringList& names, const QStringList& types,
                     std::vector<std::vector<Variant>> rows) {
    return db::Recordset(names, types, std::move(rows));
}

const QStringList kRosterTypes{"TEXT", "TEXT", "TEXT", "NUMBER", "TEXT", "TEXT", "TEXT", "TEXT", "TEXT"};
const QStringList kRosterNames{"XH", "XM", "XB", "BJ", "XHN", "ZD", "WL", "AB", "LB"};

class RosterUnit : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        grade = school.grades[0].code;
        cls = school.grades[0].classes[0];
    }
    int GradeRows() { return Count("SELECT count(*) FROM tavrinName WHERE grade=?", {grade}); }
    QString Row(const QString& studentId) {
        return Scalar("SELECT quote(name)||' '||quote(gender)||' '||quote(class)||' '||quote(id)||' '||"
                      "quote(active)||' '||quote(worl)||' '||quote(ab)||' '||quote(xjType)||' '||grade "
                      "FROM tavrinName WHERE studentid=?",
                      {studentId});
    }
    QString grade;
    int cls = 0;
};

TEST_F(RosterUnit, ListsAGradeOrAClassAndProposesTheNextSeat) {
    const auto all = roster::ListStudents(Db(), grade, 0);
    EXPECT_EQ(static_cast<int>(all.size()), GradeRows());
    const auto one = roster::ListStudents(Db(), grade, cls);
    ASSERT_FALSE(one.empty());
    for (const roster::RosterRow& r : one)
        EXPECT_EQ(r.Text(roster::kColClass), QString::number(cls));
    EXPECT_TRUE(roster::ListStudents(Db(), grade, 97).empty());
    EXPECT_EQ(roster::IsSeniorGrade("12008"), true);
    EXPECT_EQ(roster::IsSeniorGrade("02008"), false);

    EXPECT_EQ(roster::ProposeStudentId(Db(), grade, 97), grade + "9701");
    Db().Execute("INSERT INTO tavrinName(grade,studentid,class) VALUES(?,?,96),(?,?,96),(?,?,96)", grade,
                 grade + "9609", grade, grade + "9645", grade, grade + "96x");
    EXPECT_EQ(roster::ProposeStudentId(Db(), grade, 96), grade + "9646"); // the numeric maximum + 1
    Db().Execute("INSERT INTO tavrinName(grade,studentid,class) VALUES(?,?,95)", grade, grade + "9599");
    EXPECT_EQ(roster::ProposeStudentId(Db(), grade, 95), grade + "95100");
}

TEST_F(RosterUnit, AddsOnlyANewNonEmptyNumber) {
    const QString taken = roster::ListStudents(Db(), grade, cls).front().studentId;
    const int before = GradeRows();
    EXPECT_FALSE(roster::AddStudent(Db(), grade, cls, "   "));
    EXPECT_FALSE(roster::AddStudent(Db(), grade, cls, " " + taken + " "));
    EXPECT_EQ(GradeRows(), before);
    ASSERT_TRUE(roster::AddStudent(Db(), grade, cls, " " + grade + "0199 "));
    EXPECT_EQ(Row(grade + "0199"), QString("NULL NULL %1 NULL '是' NULL NULL NULL %2").arg(cls).arg(grade));
    // Full-width digits are plain digits; characters the code page lacks are never stored.
    EXPECT_FALSE(roster::AddStudent(Db(), grade, cls, grade + "０１９９"));
    EXPECT_FALSE(roster::AddStudent(Db(), grade, cls, "😀"));
    EXPECT_FALSE(roster::AddStudent(Db(), grade, cls, "학생번호"));
    EXPECT_EQ(GradeRows(), before + 1);
}

TEST_F(RosterUnit, CellEditsTakeOnlyWhatTheColumnHolds) {
    const roster::RosterRow row = roster::ListStudents(Db(), grade, cls).front();
    EXPECT_FALSE(roster::UpdateCell(Db(), {row.rowid, row.studentId}, roster::kColClass, "100"));
    EXPECT_FALSE(roster::UpdateCell(Db(), {row.rowid, row.studentId}, roster::kColClass, ""));
    EXPECT_FALSE(roster::UpdateCell(Db(), {row.rowid, row.studentId}, roster::kColNo, "-1"));
    EXPECT_FALSE(roster::UpdateCell(Db(), {row.rowid, row.studentId}, roster::kColNo, "3a"));
    EXPECT_FALSE(roster::UpdateCell(Db(), {row.rowid, row.studentId}, roster::kColStudentId, "1"));
    EXPECT_TRUE(roster::UpdateCell(Db(), {row.rowid, row.studentId}, roster::kColClass, "0"));
    EXPECT_TRUE(roster::UpdateCell(Db(), {row.rowid, row.studentId}, roster::kColNo, "123"));
    EXPECT_TRUE(roster::UpdateCell(Db(), {row.rowid, row.studentId}, roster::kColName, "O'Neil"));
    EXPECT_TRUE(roster::UpdateCell(Db(), {row.rowid, row.studentId}, roster::kColGender, ""));
    EXPECT_TRUE(Row(row.studentId).startsWith("'O''Neil' NULL 0 123 ")) << Row(row.studentId).toStdString();

    Db().Execute("DELETE FROM tavrinName WHERE rowid=?", row.rowid);
    EXPECT_THROW(roster::UpdateCell(Db(), {row.rowid, row.studentId}, roster::kColName, "x"), db::DbError);
}

TEST_F(RosterUnit, ClassFromTheNumberIsAllOrNothingAndNumberingFollowsTheOrderGiven) {
    Db().Execute("UPDATE tavrinName SET class=NULL WHERE grade=?", grade);
    ASSERT_TRUE(roster::ClassFromStudentId(Db(), grade, 6, 2));
    for (const roster::RosterRow& r : roster::ListStudents(Db(), grade, 0))
        EXPECT_EQ(r.cls, r.studentId.mid(5, 2).toInt()) << r.studentId.toStdString();

    Db().Execute("INSERT INTO tavrinName(grade,studentid,class) VALUES(?,?,5)", grade, grade + "A501");
    const QString before = Scalar("SELECT group_concat(class) FROM tavrinName WHERE grade=?", {grade});
    EXPECT_FALSE(roster::ClassFromStudentId(Db(), grade, 6, 2));
    EXPECT_FALSE(roster::ClassFromStudentId(Db(), grade, 0, 2));
    EXPECT_EQ(Scalar("SELECT group_concat(class) FROM tavrinName WHERE grade=?", {grade}), before);

    std::vector<roster::RosterRow> rows = roster::ListStudents(Db(), grade, cls);
    std::vector<roster::RowKey> order;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        order.push_back({it->rowid, it->studentId});
    roster::NumberStudents(Db(), order);
    EXPECT_EQ(Scalar("SELECT id FROM tavrinName WHERE rowid=?", {rows.back().rowid}), "1");
    EXPECT_EQ(Scalar("SELECT id FROM tavrinName WHERE rowid=?", {rows.front().rowid}),
              QString::number(rows.size()));

    roster::ClearStudents(Db(), grade, cls);
    EXPECT_TRUE(roster::ListStudents(Db(), grade, cls).empty());
    EXPECT_FALSE(roster::ListStudents(Db(), grade, 0).empty());
    roster::ClearStudents(Db(), grade, 0);
    EXPECT_EQ(GradeRows(), 0);
}

TEST(RosterImportRules, TwoDigitNumbersAndNumericStudentNumbers) {
    EXPECT_EQ(roster::TwoDigitNumber("12"), 12);
    EXPECT_EQ(roster::TwoDigitNumber("123"), 12);
    EXPECT_EQ(roster::TwoDigitNumber("1"), 1);
    EXPECT_EQ(roster::TwoDigitNumber("3班"), std::nullopt);
    EXPECT_EQ(roster::TwoDigitNumber("A"), std::nullopt);
    EXPECT_EQ(roster::TwoDigitNumber(""), std::nullopt);
    const roster::StudentIdForm form{"02007", 9};
    const auto id = [&form](const Variant& v) {
        const roster::CellStudentId cell = roster::StudentIdOfCell(v, form);
        return cell.id + (cell.padded ? "+" : "");
    };
    EXPECT_EQ(id(Variant(20070145)), "020070145+");
    EXPECT_EQ(id(Variant(120070145.0)), "120070145");
    EXPECT_EQ(id(Variant(145)), "145");
    EXPECT_EQ(id(Variant(20070148.0)), "020070148+");
    EXPECT_EQ(id(Variant(2007)), "2007"); // 000002007 does not begin with the code
    EXPECT_EQ(id(Variant(1.5)), "1.5");
    EXPECT_EQ(id(Variant(" 0145")), " 0145");
    EXPECT_EQ(id(Variant()), "");
    // The grade's numbers are eight characters long here: a number is padded to eight.
    EXPECT_EQ(roster::StudentIdOfCell(Variant(2007013),
                                      roster::StudentIdFormOf("02007", {"02007011", "02007012", "x"}))
                  .id.toStdString(),
              "02007013");
    EXPECT_EQ(roster::StudentIdFormOf("02007", {"0200701", "02007011", "020070102", "020070103"}).length, 9);
    roster::ImportCount count;
    count.written = 37;
    count.failed = 1;
    EXPECT_EQ(roster::ImportResultText(count), "成功倒入37条，有1条因失败未导入！");
}

TEST_F(RosterUnit, ImportCutsOnCharacterBoundariesAndRefusesEmptyAndTakenNumbers) {
    const QString taken = roster::ListStudents(Db(), grade, cls).front().studentId;
    db::Recordset source =
        Source(kRosterNames, kRosterTypes,
               {
                   {Variant("020070145"), Variant("学生甲"), Variant("男"), Variant(12), Variant("7"),
                    Variant("是"), Variant("文"), Variant("AB"), Variant("正式")},
                   {Variant("020070146"), Variant("ABCDEFGHIJ"), Variant("男女"), Variant(123),
                    Variant("3班"), Variant("NULL"), Variant(), Variant("B"), Variant("旁")},
                   {Variant("020070147"), Variant("学生甲乙丙丁"), Variant("x"), Variant("3班"), Variant(1),
                    Variant(), Variant(), Variant(), Variant()},
                   {Variant("020070145"), Variant("重复"), Variant(), Variant(), Variant(), Variant(),
                    Variant(), Variant(), Variant()}, // earlier row
                   {Variant(taken), Variant("已有"), Variant(), Variant(), Variant(), Variant(), Variant(),
                    Variant(), Variant()}, // on the roster
                   {Variant(" "), Variant("空号"), Variant(), Variant(), Variant(), Variant(), Variant(),
                    Variant(), Variant()}, // empty
                   {Variant(), Variant("无号"), Variant(), Variant(), Variant(), Variant(), Variant(),
                    Variant(), Variant()}, // null
                   {Variant("020070148"), Variant("한국"), Variant(), Variant(), Variant(), Variant(),
                    Variant(), Variant(), Variant()}, // code page
                   {Variant("  020070149  "), Variant("学生 乙  "), Variant(), Variant(), Variant(),
                    Variant(), Variant(), Variant(), Variant()},
               });
    const roster::ImportCount count = roster::ImportRoster(Db(), source, kRosterNames, "02007");
    EXPECT_EQ(count.written, 4);
    EXPECT_EQ(count.failed, 5);
    EXPECT_EQ(Row("020070145"), "'学生甲' '男' 12 7 '是' '文' 'A' '正' 02007");
    EXPECT_EQ(Row("020070146"), "'ABCDEFGH' '男' 12 NULL NULL NULL 'B' '旁' 02007");
    EXPECT_EQ(Row("020070147"), "'学生甲乙' 'x' NULL 1 NULL NULL NULL NULL 02007");
    EXPECT_EQ(Row("020070149"), "'学生 乙' NULL NULL NULL NULL NULL NULL NULL 02007");
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName WHERE studentid='020070145'"), 1);
    // A name that lost characters is told once, on its row; trailing blanks cut are no loss.
    std::vector<int> cutRows;
    for (const roster::ImportRowNote& n : count.notes)
        if (n.reason == roster::kReasonNameCut)
            cutRows.push_back(n.sourceRow);
    EXPECT_EQ(cutRows, (std::vector<int>{2, 3}));

    // The second run of the same file: every row is refused.
    const roster::ImportCount again = roster::ImportRoster(Db(), source, kRosterNames, "02007");
    EXPECT_EQ(again.written, 0);
    EXPECT_EQ(again.failed, 9);
}

TEST_F(RosterUnit, ImportPadsANumberCellOfTheGradeWhateverItsColumnAndLeavesUnmappedColumnsAlone) {
    db::Recordset source = Source({"学号", "姓名", "日期"}, {"NUMBER", "TEXT", "DATE"},
                                  {{Variant(20070145), Variant("学生甲"), Variant("2024-05-06")},
                                   {Variant(120070146), Variant("学生乙"), Variant()}});
    const roster::ImportCount count = roster::ImportRoster(Db(), source, {"学号", " 姓名 "}, "02007");
    EXPECT_EQ(count.written, 2);
    EXPECT_EQ(count.failed, 0);
    EXPECT_EQ(count.padded, 1);
    EXPECT_EQ(Row("020070145"), "'学生甲' NULL NULL NULL NULL NULL NULL NULL 02007");
    EXPECT_EQ(Row("120070146"), "'学生乙' NULL NULL NULL NULL NULL NULL NULL 02007");

    // Number cells in a text column: the grade's number gets its 0 back, 145 stays 145.
    db::Recordset mixed = Source({"XH", "XM"}, {"TEXT", "TEXT"},
                                 {{Variant("020070147"), Variant("学生丙")},
                                  {Variant(20070148.0), Variant("学生丁")},
                                  {Variant(145), Variant("学生戊")}});
    const roster::ImportCount more = roster::ImportRoster(Db(), mixed, {"XH", "XM"}, "02007");
    EXPECT_EQ(more.written, 3);
    EXPECT_EQ(more.padded, 1);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName WHERE studentid IN ('020070147', '020070148', '145')"),
              3);
    // Each row, stored without a class, is noted for that too.
    ASSERT_EQ(more.notes.size(), 4u);
    EXPECT_EQ(more.notes[1].sourceRow, 2);
    EXPECT_EQ(more.notes[1].studentId, "020070148");
    EXPECT_EQ(more.notes[1].reason, roster::kReasonPadded);
    for (const int i : {0, 2, 3})
        EXPECT_EQ(more.notes[i].reason, roster::kReasonNoClass);

    // Error values (a workbook formula's #N/A): a 学号 refuses its row, a name is left empty and
    // noted.
    db::Recordset errors = Source({"XH", "XM"}, {"TEXT", "TEXT"},
                                  {{Variant(), Variant("学生己")}, {Variant("020070151"), Variant()}});
    const roster::ImportCount withErrors =
        roster::ImportRoster(Db(), errors, {"XH", "XM"}, "02007", importsrc::ErrorCells{{1, 0}, {2, 1}});
    EXPECT_EQ(withErrors.written, 1);
    EXPECT_EQ(withErrors.failed, 1);
    ASSERT_EQ(withErrors.notes.size(), 3u);
    EXPECT_EQ(withErrors.notes[0].reason, "学号：单元格是错误值");
    EXPECT_EQ(withErrors.notes[1].sourceRow, 2);
    EXPECT_EQ(withErrors.notes[1].reason, "姓名：单元格是错误值，已留空");
    EXPECT_EQ(withErrors.notes[2].reason, roster::kReasonNoClass);
    EXPECT_EQ(Row("020070151"), "NULL NULL NULL NULL NULL NULL NULL NULL 02007");

    db::Recordset empty = Source({"学号", "姓名"}, {"TEXT", "TEXT"}, {});
    const roster::ImportCount none = roster::ImportRoster(Db(), empty, {"学号", "姓名"}, "02007");
    EXPECT_EQ(none.written + none.failed, 0);
}

TEST_F(RosterUnit, ADuplicateKeyFailsItsRowAloneAndAFullDiskUndoesTheWholeImport) {
    Db().Execute("CREATE UNIQUE INDEX one_name ON tavrinName(name) WHERE grade='02007'");
    db::Recordset few = Source({"XH", "XM"}, {"TEXT", "TEXT"},
                               {{Variant("020070145"), Variant("学生甲")},
                                {Variant("020070146"), Variant("学生甲")},
                                {Variant("020070147"), Variant("学生丙")}});
    const roster::ImportCount count = roster::ImportRoster(Db(), few, {"XH", "XM"}, "02007");
    EXPECT_EQ(count.written, 2);
    EXPECT_EQ(count.failed, 1);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName WHERE studentid IN ('020070146', '020070147')"), 1);

    std::vector<std::vector<Variant>> rows;
    for (int i = 0; i < 3000; ++i)
        rows.push_back({Variant(QString::asprintf("12008%04d", i)), Variant(QString("新生%1").arg(i))});
    db::Recordset many = Source({"XH", "XM"}, {"TEXT", "TEXT"}, std::move(rows));
    const auto before = TableDigests();
    FillDiskAfter(2);
    try {
        roster::ImportRoster(Db(), many, {"XH", "XM"}, "12008");
        ADD_FAILURE() << "the import went through";
    } catch (const roster::ImportNotDone& e) {
        EXPECT_EQ(e.Code() & 0xFF, SQLITE_FULL) << e.Message().toStdString();
    }
    EXPECT_EQ(TableDigests(), before);
    EXPECT_FALSE(Db().InTransaction());
}

TEST_F(RosterUnit, ImportOfAColumnTheSourceLacksWritesNothing) {
    const int before = Count("SELECT count(*) FROM tavrinName");
    db::Recordset source =
        Source({"XH", "XM"}, {"TEXT", "TEXT"},
               {{Variant("020070145"), Variant("学生甲")}, {Variant("020070146"), Variant("乙")}});
    EXPECT_THROW(roster::ImportRoster(Db(), source, {"XH", "XM", "", "typed"}, "02007"), db::DbError);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName"), before);

    // A row the database refuses is counted, and the rest go in.
    Db().Execute("CREATE TRIGGER no_b BEFORE INSERT ON tavrinName WHEN new.name='乙' "
                 "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    const roster::ImportCount count = roster::ImportRoster(Db(), source, {"XH", "XM"}, "02007");
    EXPECT_EQ(count.written, 1);
    EXPECT_EQ(count.failed, 1);
}

// A 学号, 姓名 or 班级 holding a NUL or another control character (a damaged file's text) fails its
// row, naming the cell; the other rows go in, and the report keeps each note on its line.
TEST_F(RosterUnit, AKeyCellWithAControlCharacterFailsItsRow) {
    const QString nul(QChar(u'\0'));
    db::Recordset source = Source({"XH", "XM", "BJ"}, {"TEXT", "TEXT", "TEXT"},
                                  {{Variant("020070161"), Variant("学生甲"), Variant("1")},
                                   {Variant("020" + nul + " 70162"), Variant("学生乙"), Variant("1")},
                                   {Variant("020070163"), Variant("学生" + nul + "丙"), Variant("1")},
                                   {Variant("020070164"), Variant("学生丁"), Variant("1" + nul)},
                                   {Variant("020070165"), Variant("学生\t戊"), Variant("2")},
                                   {Variant("020070166"), Variant("学生己"), Variant(2)}});
    const int before = Count("SELECT count(*) FROM tavrinName");
    const roster::ImportCount count = roster::ImportRoster(Db(), source, {"XH", "XM", "", "BJ"}, "02007");
    EXPECT_EQ(count.written, 2);
    EXPECT_EQ(count.failed, 4);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName"), before + 2);
    EXPECT_EQ(Row("020070161"), "'学生甲' NULL 1 NULL NULL NULL NULL NULL 02007");
    EXPECT_EQ(Row("020070166"), "'学生己' NULL 2 NULL NULL NULL NULL NULL 02007");
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName WHERE studentid IN ('020070163', '020070164', "
                    "'020070165') OR instr(studentid, char(0)) OR name LIKE '学生_丙'"),
              0);
    QStringList notes;
    for (const roster::ImportRowNote& n : count.notes)
        notes << QString("%1 %2").arg(n.sourceRow).arg(n.reason);
    EXPECT_EQ(notes, QStringList({"2 学号：含有控制字符", "3 姓名：含有控制字符", "4 班级：含有控制字符",
                                  "5 姓名：含有控制字符"}));
    const QStringList lines = admin::ImportReportText(count, -1).split(u'\n');
    EXPECT_TRUE(lines.contains("2\t020? 70162\t学生乙\t学号：含有控制字符"));
    EXPECT_TRUE(lines.contains("5\t020070165\t学生?戊\t姓名：含有控制字符"));
}

// ---- score imports

class ScoreUnit : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        exam = FirstSeniorExam();
        ASSERT_NE(exam, nullptr);
        cls = GradeOf(*exam).classes[0];
        Db().Execute("UPDATE tavrinKMWGT SET t1=100, t2=60, t1w=1, t2w=1 WHERE kmfld='s03' AND id=?",
                     exam->id);
        target.examId = exam->id;
        target.field = "s03";
        target.papers = *scoresheet::LoadPapers(Db(), exam->id, "s03");
        Fill(cls);
    }
    // The students the grid lists for the class (0: the whole exam).
    void Fill(int c) {
        target.cls = c;
        target.students.clear();
        std::vector<scoresheet::EntryRow> rows;
        scoresheet::LoadEntryRows(Db(), exam->id, "s03", scoresheet::kByClass, c, rows);
        for (const scoresheet::EntryRow& r : rows)
            target.students.push_back(
                {r.key, r.studentId, r.name, r.cls ? QString::asprintf("%2d", *r.cls) : QString()});
    }
    QString Stored(const QString& student) {
        return Scalar("SELECT quote(s031)||' '||quote(s032)||' '||quote(s03) FROM tavrinKSK "
                      "WHERE id=? AND studentid=?",
                      {exam->id, student});
    }
    QString All() {
        return Scalar("SELECT group_concat(quote(s031)||quote(s032)||quote(s03)) FROM tavrinKSK WHERE id=?",
                      {exam->id});
    }
    const fixtures::ExamInfo* exam = nullptr;
    int cls = 0;
    scoreimport::Target target;
};

TEST(ScoreImportRules, MappingsAndMarks) {
    using scoreimport::MapProblem;
    EXPECT_EQ(scoreimport::CheckMapping(1, {"XH[C]", "P1[N]", ""}), MapProblem::None);
    EXPECT_EQ(scoreimport::CheckMapping(1, {"XH[C]", "", "P2[N]"}), MapProblem::None);
    EXPECT_EQ(scoreimport::CheckMapping(1, {"XH", "P1[N]", ""}), MapProblem::NoNumberKey);
    EXPECT_EQ(scoreimport::CheckMapping(1, {"XH[C]", "P1", ""}), MapProblem::PaperTyped);
    EXPECT_EQ(scoreimport::CheckMapping(1, {"XH[C]", " ", ""}), MapProblem::NoPaper);
    EXPECT_EQ(scoreimport::CheckMapping(2, {"XM", "BJ[N]", "P1[N]", ""}), MapProblem::NoNameKey);
    EXPECT_EQ(scoreimport::CheckMapping(2, {"XM[C]", "BJ", "P1[N]", ""}), MapProblem::NoClassKey);
    EXPECT_EQ(scoreimport::CheckMapping(2, {"XM[C]", "BJ[N]", "", "P2[N]"}), MapProblem::None);
    EXPECT_EQ(scoreimport::MapProblemText(MapProblem::NoNumberKey), "对不起，学号字段必选！");
    EXPECT_EQ(scoreimport::MapProblemText(MapProblem::NoNameKey), "对不起，学生姓名字段必选！");
    EXPECT_EQ(scoreimport::MapProblemText(MapProblem::NoClassKey), "对不起，学生班级字段必选！");

    const auto mark = [](const Variant& v) {
        const scoreimport::SourceMark m = scoreimport::ReadMark(v, 100);
        return !m.ok ? QString("failed") : m.value ? QString::number(*m.value) : QString("NULL");
    };
    EXPECT_EQ(mark(Variant(85.5)), "85.5");
    EXPECT_EQ(mark(Variant(" 85.5 ")), "85.5");
    EXPECT_EQ(mark(Variant(".5")), "0.5");
    EXPECT_EQ(mark(Variant(100)), "100");
    EXPECT_EQ(mark(Variant(120)), "failed");
    EXPECT_EQ(mark(Variant("100.01")), "failed");
    EXPECT_EQ(mark(Variant(0)), "0");
    EXPECT_EQ(mark(Variant()), "NULL");
    EXPECT_EQ(mark(Variant(-5)), "failed");
    EXPECT_EQ(mark(Variant("-5")), "failed");
    EXPECT_EQ(mark(Variant("缺考")), "failed");
    EXPECT_EQ(mark(Variant("  ")), "failed");
    EXPECT_EQ(scoreimport::ReadMark(Variant(""), 100).fault, "空白文字");
    EXPECT_EQ(mark(Variant("九十")), "failed");
    EXPECT_EQ(mark(Variant("1.2.3")), "failed");
}

TEST_F(ScoreUnit, ByNumberCountsFoundRowsAndBadMarksAndRecomputesTheClass) {
    Fill(0); // the whole exam, with a few students left out of the source
    ASSERT_GE(target.students.size(), 6u);
    std::vector<std::vector<Variant>> rows;
    for (size_t i = 2; i < target.students.size(); ++i)
        rows.push_back({Variant(target.students[i].studentId),
                        Variant(i == 2 ? Variant("abc") : Variant(50 + int(i) % 50)), Variant(30)});
    rows.push_back({Variant("999999999"), Variant(1), Variant(1)});
    db::Recordset source = Source({"XH", "P1", "P2"}, {"TEXT", "TEXT", "NUMBER"}, rows);
    const QString missing = Stored(target.students[0].studentId);
    const QString bad = Stored(target.students[2].studentId);

    const scoreimport::ImportCount count =
        scoreimport::ImportScores(Db(), source, 1, {"XH[C]", "P1[C]", "P2[N]"}, target);
    const int found = static_cast<int>(target.students.size()) - 2;
    EXPECT_EQ(count.written, found - 1);
    EXPECT_EQ(count.failed, 1);
    EXPECT_EQ(Stored(target.students[3].studentId), "53.0 30.0 83.0");
    EXPECT_EQ(Stored(target.students[2].studentId), bad);
    // A student missing from the source keeps its papers; its total is recomputed from them.
    EXPECT_EQ(Stored(target.students[0].studentId).section(' ', 0, 1), missing.section(' ', 0, 1));
}

TEST_F(ScoreUnit, MarksAboveTheFullMarkFailTheirRowAndOnlyTheMappedPaperChanges) {
    const QString a = target.students[0].studentId, b = target.students[1].studentId;
    Db().Execute("UPDATE tavrinKSK SET s031=70, s032=40 WHERE id=? AND studentid IN (?,?)", exam->id, a, b);
    db::Recordset source =
        Source({"XH", "P1", "P2"}, {"TEXT", "NUMBER", "NUMBER"},
               {{Variant(a), Variant(120), Variant(55)}, {Variant(b), Variant(100), Variant(61)}});
    scoreimport::ImportCount count =
        scoreimport::ImportScores(Db(), source, 1, {"XH[C]", "P1[N]", ""}, target);
    EXPECT_EQ(count.written, 1);
    EXPECT_EQ(count.failed, 1);
    EXPECT_EQ(Stored(a), "70.0 40.0 110.0");
    EXPECT_EQ(Stored(b), "100.0 40.0 140.0");

    count = scoreimport::ImportScores(Db(), source, 1, {"XH[C]", "", "P2[N]"}, target);
    EXPECT_EQ(count.written, 1);
    EXPECT_EQ(count.failed, 1);
    EXPECT_EQ(Stored(a), "70.0 55.0 125.0");
    EXPECT_EQ(Stored(b), "100.0 40.0 140.0");
}

TEST_F(ScoreUnit, ANumericNumberColumnMatchesAsNineDigits) {
    const QString id = target.students[0].studentId;
    ASSERT_TRUE(id.startsWith(u'0'));
    db::Recordset source =
        Source({"XH", "P1"}, {"NUMBER", "NUMBER"}, {{Variant(id.toLongLong()), Variant(77)}});
    const scoreimport::ImportCount count =
        scoreimport::ImportScores(Db(), source, 1, {"XH[N]", "P1[N]"}, target);
    EXPECT_EQ(count.written, 1);
    EXPECT_TRUE(Stored(id).startsWith("77.0 "));
}

TEST_F(ScoreUnit, ByNameTakesNeitherOfTwoNamesakesAndComparesACharacterClassAsText) {
    const QString a = target.students[0].studentId, b = target.students[1].studentId;
    const QString c = target.students[2].studentId, d = target.students[3].studentId;
    Db().Execute("UPDATE tavrinKSK SET name='陈华' WHERE id=? AND studentid IN (?,?)", exam->id, a, b);
    Db().Execute("UPDATE tavrinKSK SET name='O''Neil' WHERE id=? AND studentid=?", exam->id, c);
    Db().Execute("UPDATE tavrinKSK SET name='李明' WHERE id=? AND studentid=?", exam->id, d);
    Db().Execute("UPDATE tavrinKSK SET s031=1, s032=2 WHERE id=? AND studentid IN (?,?,?)", exam->id, a, b,
                 d);
    Fill(cls);
    const QString two = QString::asprintf("%02d", cls);
    db::Recordset numeric = Source({"XM", "BJ", "P1", "P2"}, {"TEXT", "NUMBER", "NUMBER", "NUMBER"},
                                   {{Variant(" 陈华 "), Variant(cls), Variant(81), Variant(41)},
                                    {Variant("O'Neil "), Variant(double(cls)), Variant(83), Variant(43)},
                                    {Variant("李明"), Variant(cls), Variant(84), Variant(44)},
                                    {Variant("李明"), Variant(cls), Variant(85), Variant(45)}});
    scoreimport::ImportCount count =
        scoreimport::ImportScores(Db(), numeric, 2, {"XM[C]", "BJ[N]", "P1[N]", "P2[N]"}, target);
    EXPECT_EQ(count.written, 1);
    EXPECT_EQ(count.failed, 3);
    EXPECT_EQ(Stored(a), "1.0 2.0 3.0");
    EXPECT_EQ(Stored(b), "1.0 2.0 3.0");
    EXPECT_EQ(Stored(c), "83.0 43.0 126.0");
    EXPECT_EQ(Stored(d), "1.0 2.0 3.0");
    ASSERT_EQ(count.notes.size(), 3u);
    EXPECT_EQ(count.notes[0].sourceRow, 1);
    EXPECT_EQ(count.notes[0].name, "陈华");
    EXPECT_EQ(count.notes[0].reason, roster::kReasonSameName);
    EXPECT_EQ(count.notes[2].sourceRow, 4);
    EXPECT_EQ(count.notes[2].reason, roster::kReasonSameName);

    db::Recordset text = Source({"XM", "BJ", "P1"}, {"TEXT", "TEXT", "NUMBER"},
                                {{Variant("O'Neil"), Variant(two), Variant(10)},
                                 {Variant("O'Neil"), Variant(QString::number(cls)), Variant(11)}});
    count = scoreimport::ImportScores(Db(), text, 2, {"XM[C]", "BJ[C]", "P1[N]", ""}, target);
    EXPECT_EQ(count.written, cls < 10 ? 1 : 0); // "03" is not class 3; "12" and 12 name one student twice
    EXPECT_EQ(count.notListed, cls < 10 ? 1 : 0);
    EXPECT_TRUE(Stored(c).startsWith(cls < 10 ? "11.0 " : "83.0 "));
}

TEST_F(ScoreUnit, ADuplicateNumberInTheFileIsTakenForNeitherAndOneColumnForBothPapersIsRefused) {
    const QString a = target.students[0].studentId, b = target.students[1].studentId;
    Db().Execute("UPDATE tavrinKSK SET s031=1, s032=2 WHERE id=? AND studentid=?", exam->id, a);
    db::Recordset source = Source({"XH", "P1", "P2"}, {"TEXT", "NUMBER", "NUMBER"},
                                  {{Variant(a), Variant(50), Variant(20)},
                                   {Variant(b), Variant(60), Variant(30)},
                                   {Variant(a), Variant(51), Variant(21)},
                                   {Variant("999999999"), Variant(1), Variant(1)}});
    const scoreimport::ImportCount count =
        scoreimport::ImportScores(Db(), source, 1, {"XH[C]", "P1[N]", "P2[N]"}, target);
    EXPECT_EQ(count.written, 1);
    EXPECT_EQ(count.failed, 2);
    EXPECT_EQ(count.notListed, 1);
    EXPECT_EQ(Stored(a), "1.0 2.0 3.0");
    EXPECT_EQ(Stored(b), "60.0 30.0 90.0");
    QStringList notes;
    for (const roster::ImportRowNote& n : count.notes)
        notes << QString("%1 %2 %3").arg(n.sourceRow).arg(n.studentId, n.reason);
    EXPECT_EQ(notes, QStringList({"1 " + a + " 文件中学号重复", "3 " + a + " 文件中学号重复",
                                  "4 999999999 不在名单中"}));

    EXPECT_EQ(scoreimport::CheckMapping(1, {"XH[C]", "P1[N]", " P1[N]"}),
              scoreimport::MapProblem::SamePaperColumn);
    EXPECT_EQ(scoreimport::CheckMapping(2, {"XM[C]", "BJ[N]", "P2[N]", "P2[N]"}),
              scoreimport::MapProblem::SamePaperColumn);
    const QString before = All();
    EXPECT_THROW(scoreimport::ImportScores(Db(), source, 1, {"XH[C]", "P1[N]", "P1[N]"}, target),
                 db::DbError);
    EXPECT_EQ(All(), before);
}

TEST_F(ScoreUnit, WeightsTakeTwoDecimalsAndClassZeroRecomputesTheWholeExam) {
    Db().Execute("UPDATE tavrinKMWGT SET t1w=0.333, t2w=0.667 WHERE kmfld='s03' AND id=?", exam->id);
    target.papers = *scoresheet::LoadPapers(Db(), exam->id, "s03");
    const QString id = target.students[0].studentId;
    db::Recordset source =
        Source({"XH", "P1", "P2"}, {"TEXT", "NUMBER", "NUMBER"}, {{Variant(id), Variant(80), Variant(60)}});
    // A student of another class, whose total is stale.
    const QString other =
        Scalar("SELECT studentid FROM tavrinKSK WHERE id=? AND class<>? AND s031 IS NOT NULL "
               "AND s032 IS NOT NULL",
               {exam->id, cls});
    ASSERT_FALSE(other.isEmpty());
    Db().Execute("UPDATE tavrinKSK SET s03=-1 WHERE id=? AND studentid=?", exam->id, other);

    scoreimport::ImportScores(Db(), source, 1, {"XH[C]", "P1[N]", "P2[N]"}, target);
    EXPECT_EQ(Stored(id), "80.0 60.0 66.6"); // 26.40 + 40.20
    EXPECT_EQ(Scalar("SELECT s03 FROM tavrinKSK WHERE id=? AND studentid=?", {exam->id, other}), "-1");

    Fill(0);
    scoreimport::ImportScores(Db(), source, 1, {"XH[C]", "P1[N]", "P2[N]"}, target);
    EXPECT_NE(Scalar("SELECT s03 FROM tavrinKSK WHERE id=? AND studentid=?", {exam->id, other}), "-1");
}

TEST_F(ScoreUnit, AFailurePartWayLeavesTheDatabaseAsItWas) {
    const QString id = target.students[0].studentId;
    db::Recordset source = Source({"XH", "P1"}, {"TEXT", "NUMBER"}, {{Variant(id), Variant(12)}});
    const QString before = All();
    EXPECT_THROW(scoreimport::ImportScores(Db(), source, 1, {"XH[C]", "P1[N]", "typed[N]"}, target),
                 db::DbError);
    EXPECT_EQ(All(), before);

    // The recompute fails after the marks were written.
    Db().Execute(QString("CREATE TRIGGER no_total BEFORE UPDATE OF s03 ON tavrinKSK WHEN old.rowid=%1 "
                         "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                     .arg(target.students.back().key));
    EXPECT_THROW(scoreimport::ImportScores(Db(), source, 1, {"XH[C]", "P1[N]", ""}, target), db::DbError);
    EXPECT_EQ(All(), before);
}

TEST_F(ScoreUnit, AFullDiskPartWayUndoesMarksAndTotalsAlike) {
    // Enough students without marks that their marks need new pages.
    Db().Execute(
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i<2999) "
        "INSERT INTO tavrinKSK(id, grade, studentid, class) SELECT ?, ?, printf('3%08d', i), ? FROM n",
        exam->id, exam->grade, cls);
    Fill(cls);
    std::vector<std::vector<Variant>> rows;
    for (const scoreimport::GridStudent& s : target.students)
        rows.push_back({Variant(s.studentId), Variant(int(rows.size() % 90)), Variant(30)});
    db::Recordset source = Source({"XH", "P1", "P2"}, {"TEXT", "NUMBER", "NUMBER"}, std::move(rows));
    const auto before = TableDigests();
    FillDiskAfter(2);
    try {
        scoreimport::ImportScores(Db(), source, 1, {"XH[C]", "P1[N]", "P2[N]"}, target);
        ADD_FAILURE() << "the import went through";
    } catch (const scoreimport::ImportNotDone& e) {
        EXPECT_EQ(e.Code() & 0xFF, SQLITE_FULL) << e.Message().toStdString();
    }
    EXPECT_EQ(TableDigests(), before);
}

// A key cell holding a NUL or another control character fails its row, by number and by name and
// class; the row's marks stay as they were and the other rows are written.
TEST_F(ScoreUnit, AKeyCellWithAControlCharacterFailsItsRowAndLeavesItsMarks) {
    const QString nul(QChar(u'\0'));
    std::vector<QString> ids;
    for (int i = 0; i < 4; ++i) {
        ids.push_back(target.students[i].studentId);
        Db().Execute("UPDATE tavrinKSK SET name=?, s031=1, s032=2 WHERE id=? AND studentid=?",
                     QString("控制%1").arg(i), exam->id, ids.back());
    }
    Fill(cls);
    // The papers of a failed row stay; the class's totals are recomputed from them.
    const auto papers = [this](const QString& id) { return Stored(id).section(u' ', 0, 1); };
    const QString kept = papers(ids[1]);
    db::Recordset byNumber = Source({"XH", "P1"}, {"TEXT", "NUMBER"},
                                    {{Variant(ids[0]), Variant(80)},
                                     {Variant(ids[1].left(3) + nul + ids[1].mid(3)), Variant(81)},
                                     {Variant(ids[1] + "\r"), Variant(82)},
                                     {Variant(ids[2]), Variant(83)}});
    scoreimport::ImportCount count =
        scoreimport::ImportScores(Db(), byNumber, 1, {"XH[C]", "P1[N]", ""}, target);
    EXPECT_EQ(count.written, 2);
    EXPECT_EQ(count.failed, 2);
    EXPECT_EQ(count.notListed, 0);
    EXPECT_EQ(papers(ids[1]), kept);
    EXPECT_TRUE(Stored(ids[2]).startsWith("83.0 "));
    ASSERT_EQ(count.notes.size(), 2u);
    EXPECT_EQ(count.notes[0].sourceRow, 2);
    EXPECT_EQ(count.notes[0].reason, "学号：含有控制字符");
    EXPECT_EQ(count.notes[1].reason, "学号：含有控制字符");

    const QString c = QString::number(cls);
    db::Recordset byName = Source({"XM", "BJ", "P1"}, {"TEXT", "TEXT", "NUMBER"},
                                  {{Variant("控制" + nul + "1"), Variant(c), Variant(71)},
                                   {Variant("控制2"), Variant(c + nul), Variant(72)},
                                   {Variant("控制3"), Variant(c), Variant(73)}});
    const QString two = papers(ids[2]);
    count = scoreimport::ImportScores(Db(), byName, 2, {"XM[C]", "BJ[C]", "P1[N]", ""}, target);
    EXPECT_EQ(count.written, 1);
    EXPECT_EQ(count.failed, 2);
    EXPECT_EQ(papers(ids[1]), kept);
    EXPECT_EQ(papers(ids[2]), two);
    EXPECT_TRUE(Stored(ids[3]).startsWith("73.0 "));
    ASSERT_EQ(count.notes.size(), 2u);
    EXPECT_EQ(count.notes[0].reason, "姓名：含有控制字符");
    EXPECT_EQ(count.notes[1].sourceRow, 2);
    EXPECT_EQ(count.notes[1].reason, "班级：含有控制字符");
}

} // namespace
} // namespace adminb
