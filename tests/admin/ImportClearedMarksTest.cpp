// What the imports say about cells that hold nothing: in a marks workbook a cell of blanks keeps
// the stored mark and fails its row, an empty cell clears the stored mark and the result names it;
// a roster row stored without a class is listed, since no score sheet will take that student.
#include "AdminBSupport.h"

#include "admin/ImportResult.h"
#include "admin/ImportSource.h"
#include "admin/ScoreImport.h"
#include "admin/ScoreSheet.h"
#include "admin/StudentRoster.h"

#include <QTemporaryDir>

#include <algorithm>

namespace adminb {
namespace {

class ImportEmptyCells : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        for (const fixtures::ExamInfo& e : school.exams)
            if (!e.grade.startsWith(u'1') && e.yjcd.isEmpty() && !exam)
                exam = &e;
        ASSERT_NE(exam, nullptr);
        Db().Execute("UPDATE tavrinKMWGT SET t1=100, t2=60, t1w=1, t2w=1 WHERE kmfld='s03' AND id=?",
                     exam->id);
        target.examId = exam->id;
        target.field = "s03";
        target.papers = *scoresheet::LoadPapers(Db(), exam->id, "s03");
        target.cls = GradeOf(*exam).classes[0];
        scoresheet::LoadEntryRows(Db(), exam->id, "s03", scoresheet::kByClass, target.cls, rows);
        ASSERT_GE(rows.size(), 5u);
        for (const scoresheet::EntryRow& r : rows)
            target.students.push_back({r.key, r.studentId, r.name, QString::number(*r.cls)});
        Db().Execute("UPDATE tavrinKSK SET s031=28, s032=40, s03=68 WHERE id=? AND class=?", exam->id,
                     target.cls);
    }
    void TearDown() override {
        source.Close();
        AdminBTest::TearDown();
    }
    // A workbook of a header row and `cells`, a Python list of tuples.
    db::Recordset& Book(const QString& name, const QString& cells) {
        EXPECT_TRUE(WriteWithPython(QStringLiteral(R"(
import sys, xlwt
book = xlwt.Workbook(encoding='utf-8')
s = book.add_sheet('Sheet1')
for r, row in enumerate(%1):
    for c, v in enumerate(row):
        if v is not None:
            s.write(r, c, v)
book.save(sys.argv[1])
)")
                                        .arg(cells),
                                    dir.filePath(name)));
        source.Open(dir.filePath(name));
        source.SelectTable("Sheet1$");
        return source.Records();
    }
    QString Stored(int i) {
        return Scalar("SELECT quote(s031)||' '||quote(s032)||' '||quote(s03) FROM tavrinKSK WHERE rowid=?",
                      {rows[i].key});
    }
    QString Id(int i) const { return "'" + rows[i].studentId + "'"; }

    QTemporaryDir dir;
    admin::CImportSource source;
    const fixtures::ExamInfo* exam = nullptr;
    scoreimport::Target target;
    std::vector<scoresheet::EntryRow> rows;
};

} // namespace

TEST_F(ImportEmptyCells, ABlankTextFailsItsRowAndAnEmptyCellClearsTheStoredMarkAndSaysSo) {
    Db().Execute("UPDATE tavrinKSK SET s031=NULL, s03=40 WHERE rowid=?", rows[4].key);
    // Row 2: a paper-I cell of one blank; row 3: of a full-width blank; row 4: paper I empty;
    // row 5: both papers empty; row 6: paper I empty where nothing was stored.
    db::Recordset& sheet =
        Book("blank.xls", QStringLiteral("[('XH', 'P1', 'P2'), (%1, ' ', 20), (%2, '\u3000', 21), "
                                         "(%3, None, 30), (%4, None, None), (%5, None, 35)]")
                              .arg(Id(0), Id(1), Id(2), Id(3), Id(4)));
    const roster::ImportCount count =
        scoreimport::ImportScores(Db(), sheet, admin::IMPORT_SCORES_BY_NUMBER, {"XH[C]", "P1[N]", "P2[N]"},
                                  target, {}, source.FirstRowNumber());
    EXPECT_EQ(count.written, 3);
    EXPECT_EQ(count.failed, 2);
    EXPECT_EQ(count.cleared, 3);
    // The blank texts change nothing stored, not even the other paper of their rows.
    EXPECT_EQ(Stored(0), "28.0 40.0 68.0");
    EXPECT_EQ(Stored(1), "28.0 40.0 68.0");
    // The empty cells write the paper absent, and the totals follow.
    EXPECT_EQ(Stored(2), "NULL 30.0 30.0");
    EXPECT_EQ(Stored(3), "NULL NULL NULL");
    EXPECT_EQ(Stored(4), "NULL 35.0 35.0");

    const QString header = QStringLiteral("\n行号\t学号\t姓名\t原因\n");
    const auto line = [&](int row, int i, const QString& reason) {
        return QStringLiteral("%1\t%2\t%3\t%4\n").arg(row).arg(rows[i].studentId, rows[i].name, reason);
    };
    EXPECT_EQ(admin::ImportReportText(count, -1),
              QStringLiteral("成功倒入3条，有2条因失败未导入！\n其中3个原有成绩因单元格为空被清除。\n") +
                  header + line(2, 0, "I卷：空白文字") + line(3, 1, "I卷：空白文字") +
                  line(4, 2, "I卷：单元格为空，原有成绩28已清除") +
                  line(5, 3, "I卷：单元格为空，原有成绩28已清除") +
                  line(5, 3, "II卷：单元格为空，原有成绩40已清除"));
}

TEST_F(ImportEmptyCells, ByNameTheClearedMarkIsListedWithTheStudentsNumber) {
    // A student whose name is the class's only one of its kind and needs no quoting.
    int k = 0;
    while (
        k < static_cast<int>(rows.size()) &&
        (rows[k].name.contains(u'\'') || rows[k].name.contains(u'\\') ||
         std::count_if(rows.begin(), rows.end(), [&](const auto& r) { return r.name == rows[k].name; }) > 1))
        ++k;
    ASSERT_LT(k, static_cast<int>(rows.size()));
    // Only II卷 mapped: its empty cell clears paper II, paper I stays.
    db::Recordset& sheet =
        Book("byname.xls",
             QStringLiteral("[('XM', 'BJ', 'P2'), ('%1', %2, None)]").arg(rows[k].name).arg(target.cls));
    const roster::ImportCount count =
        scoreimport::ImportScores(Db(), sheet, admin::IMPORT_SCORES_BY_NAME, {"XM[C]", "BJ[N]", "", "P2[N]"},
                                  target, {}, source.FirstRowNumber());
    ASSERT_EQ(count.written, 1);
    EXPECT_EQ(Stored(k), "28.0 NULL 28.0");
    ASSERT_EQ(count.notes.size(), 1u);
    EXPECT_EQ(count.notes[0].studentId, rows[k].studentId);
    EXPECT_EQ(count.notes[0].name, rows[k].name);
    EXPECT_EQ(count.notes[0].reason, "II卷：单元格为空，原有成绩40已清除");
}

TEST_F(ImportEmptyCells, RosterRowsStoredWithoutAClassAreListed) {
    const QString code = GradeOf(*exam).code;
    // Row 3 has no class, row 4 a class that is no number; both are stored, classless.
    db::Recordset& sheet = Book("roster.xls", QStringLiteral("[('XH', 'XM', 'BJ'), ('%1', '有班', 2), "
                                                             "('%2', '无班', None), ('%3', '字班', '3班')]")
                                                  .arg(code + "991", code + "992", code + "993"));
    const roster::ImportCount count =
        roster::ImportRoster(Db(), sheet, {"XH", "XM", "", "BJ"}, code, {}, source.FirstRowNumber());
    EXPECT_EQ(count.written, 3);
    EXPECT_EQ(count.failed, 0);
    EXPECT_EQ(Scalar("SELECT group_concat(quote(class), ' ') FROM (SELECT class FROM tavrinName "
                     "WHERE studentid IN (?, ?, ?) ORDER BY studentid)",
                     {code + "991", code + "992", code + "993"}),
              "2 NULL NULL");
    EXPECT_EQ(admin::ImportReportText(count, -1),
              QStringLiteral("成功倒入3条，有0条因失败未导入！\n\n行号\t学号\t姓名\t原因\n") + "3\t" + code +
                  "992\t无班\t班级为空：请在学生名单中填写班级，否则不能准备登分表\n" + "4\t" + code +
                  "993\t字班\t班级为空：请在学生名单中填写班级，否则不能准备登分表\n");
}

} // namespace adminb
