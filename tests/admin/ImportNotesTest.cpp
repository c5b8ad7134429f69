// The imports on files another program wrote: student numbers that a workbook holds as numbers in
// a text column and in a numeric column of mixed lengths, marks that are words, negative or above
// the full mark over stored marks, and the result the user reads, copies and saves.
#include "AdminBSupport.h"

#include "admin/ImportResult.h"
#include "admin/ImportResultDlg.h"
#include "admin/ImportSource.h"
#include "admin/ScoreImport.h"
#include "admin/ScoreSheet.h"
#include "admin/StudentRoster.h"
#include "platform/ui/FileDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace adminb {
namespace {

// The notes one a line, "row 学号 姓名 reason".
std::string Notes(const roster::ImportCount& count) {
    QStringList lines;
    for (const roster::ImportRowNote& n : count.notes)
        lines << QStringLiteral("%1 %2 %3 %4").arg(n.sourceRow).arg(n.studentId, n.name, n.reason);
    return lines.join(u'\n').toStdString();
}
std::string Lines(const QStringList& lines) {
    return lines.join(u'\n').toStdString();
}

class ImportNotes : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        for (const fixtures::GradeInfo& g : school.grades)
            if (!g.code.startsWith(u'1') && grade.isEmpty())
                grade = g.code;
        ASSERT_EQ(grade.size(), 5);
    }
    void TearDown() override {
        source.Close();
        AdminBTest::TearDown();
    }
    db::Recordset& Read(const QString& name, const QString& table) {
        source.Open(dir.filePath(name));
        source.SelectTable(table);
        return source.Records();
    }
    QTemporaryDir dir;
    admin::CImportSource source;
    QString grade;
};

TEST_F(ImportNotes, RosterNumbersFromAWorkbookGetBackOnlyTheLeadingZerosOfTheGradeAndRefusalsAreListed) {
    const QString taken = Scalar("SELECT studentid FROM tavrinName WHERE grade=? LIMIT 1", {grade});
    const QString code = grade.mid(1); // the code as a number drops its 0
    // XH is a text column with number cells (a 学号 typed without its apostrophe); XHN is
    // numeric, of mixed lengths.
    ASSERT_TRUE(WriteWithPython(QStringLiteral(R"(
import sys, xlwt
c = '%2'
book = xlwt.Workbook(encoding='utf-8')
s = book.add_sheet('Sheet1')
rows = [('XH', 'XM', 'XHN'),
        ('0%s9901' % c, '学生甲', int(c + '9911')),
        ('0%s9902' % c, '学生乙', 1234),
        (145, '学生丙', int('1' + c + '9913')),
        (int(c + '9904'), '学生丁', int(c + '9914')),
        ('0%s9901' % c, '重号', 145),
        ('%1', '已有', int(c + '9902')),
        ('0%s9903' % c, '한국', 7)]
for r, row in enumerate(rows):
    for col, v in enumerate(row):
        s.write(r, col, v)
book.save(sys.argv[1])
)")
                                    .arg(taken, code),
                                dir.filePath("ids.xls")));

    // The rows are listed as the spreadsheet numbers them: its row 1 is the header.
    db::Recordset& sheet = Read("ids.xls", "Sheet1$");
    roster::ImportCount count =
        roster::ImportRoster(Db(), sheet, {"XH", "XM"}, grade, {}, source.FirstRowNumber());
    EXPECT_EQ(count.written, 4);
    EXPECT_EQ(count.failed, 3);
    EXPECT_EQ(count.padded, 1);
    const QString z = "0" + code;
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName WHERE studentid IN (?, ?, ?, '145')",
                    {z + "9901", z + "9902", z + "9904"}),
              4);
    // 班级 is not mapped: every row stored is noted for it too.
    const QString noClass = " " + roster::kReasonNoClass;
    EXPECT_EQ(Notes(count),
              Lines({"2 " + z + "9901 学生甲" + noClass, "3 " + z + "9902 学生乙" + noClass,
                     "4 145 学生丙" + noClass, "5 " + z + "9904 学生丁 已补足前导0",
                     "5 " + z + "9904 学生丁" + noClass, "6 " + z + "9901 重号 文件中学号重复",
                     "7 " + taken + " 已有 学号已存在", "8 " + z + "9903 한국 姓名：字符集外文字"}));

    // The numeric column: an 8-digit number of the grade is padded, 1234 and 145 and a senior
    // number stand as they are.
    source.Close();
    Db().Execute("DELETE FROM tavrinName WHERE name IN ('学生甲', '学生乙', '学生丙', '学生丁')");
    count = roster::ImportRoster(Db(), Read("ids.xls", "Sheet1$"), {"XHN", "XM"}, grade);
    EXPECT_EQ(count.written, 6);
    EXPECT_EQ(count.padded, 3);
    EXPECT_EQ(Scalar("SELECT group_concat(studentid, ' ') FROM (SELECT studentid FROM tavrinName "
                     "WHERE name IN ('学生甲', '学生乙', '学生丙', '学生丁', '重号', '已有') ORDER BY rowid)")
                  .toStdString(),
              (z + "9911 1234 1" + code + "9913 " + z + "9914 145 " + z + "9902").toStdString());
}

TEST_F(ImportNotes, MarksThatAreWordsNegativeOrAboveTheFullMarkLeaveTheStoredMarksAndAreListed) {
    const fixtures::ExamInfo* exam = nullptr;
    for (const fixtures::ExamInfo& e : school.exams)
        if (e.grade == grade && e.yjcd.isEmpty() && !exam)
            exam = &e;
    ASSERT_NE(exam, nullptr);
    Db().Execute("UPDATE tavrinKMWGT SET t1=100, t2=60, t1w=1, t2w=1 WHERE kmfld='s03' AND id=?", exam->id);
    scoreimport::Target target;
    target.examId = exam->id;
    target.field = "s03";
    target.papers = *scoresheet::LoadPapers(Db(), exam->id, "s03");
    target.cls = GradeOf(*exam).classes[0];
    std::vector<scoresheet::EntryRow> rows;
    scoresheet::LoadEntryRows(Db(), exam->id, "s03", scoresheet::kByClass, target.cls, rows);
    ASSERT_GE(rows.size(), 6u);
    Db().Execute("UPDATE tavrinKSK SET studentid='0145' WHERE rowid=?", rows[5].key);
    rows[5].studentId = "0145";
    for (const scoresheet::EntryRow& r : rows)
        target.students.push_back({r.key, r.studentId, r.name, QString::number(*r.cls)});
    Db().Execute("UPDATE tavrinKSK SET s031=70, s032=40 WHERE id=? AND class=?", exam->id, target.cls);
    const auto stored = [&](int i) {
        return Scalar("SELECT quote(s031)||' '||quote(s032)||' '||quote(s03) FROM tavrinKSK WHERE rowid=?",
                      {rows[i].key});
    };
    // A FoxPro table with a numeric 学号 and the marks as its character column holds them.
    QStringList records;
    const QStringList marks{"85", "abc", "缺考", "-5", "101", "9.5"};
    for (int i = 0; i < 6; ++i)
        records << QStringLiteral("(%1, '%2', 30)")
                       .arg(i == 5 ? 145 : rows[i].studentId.toLongLong())
                       .arg(marks[i]);
    ASSERT_TRUE(WriteWithPython(QStringLiteral(R"(
import sys, dbf
t = dbf.Table(sys.argv[1], 'XH N(10,0); P1 C(6); P2 N(5,1)', dbf_type='vfp', codepage='cp936')
t.open(dbf.READ_WRITE)
for row in [%1]:
    t.append(row)
t.close()
)")
                                    .arg(records.join(", ")),
                                dir.filePath("marks.dbf")));

    // A FoxPro table has no header row: its first record is row 1.
    db::Recordset& table = Read("marks.dbf", "marks.dbf");
    ASSERT_EQ(source.FirstRowNumber(), 1);
    const roster::ImportCount count = scoreimport::ImportScores(Db(), table, 1, {"XH[N]", "P1[C]", "P2[N]"},
                                                                target, {}, source.FirstRowNumber());
    EXPECT_EQ(count.written, 2);
    EXPECT_EQ(count.failed, 4);
    EXPECT_EQ(count.padded, 1);
    EXPECT_EQ(stored(0), "85.0 30.0 115.0");
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(stored(i), "70.0 40.0 110.0") << i;
    EXPECT_EQ(stored(5), "9.5 30.0 39.5"); // 145 is the roster's 0145
    // Each reason names the paper and the value; by number the name is the roster's.
    const auto notes = [&](int firstRow) {
        const QStringList reasons{"已补足前导0", "I卷：abc 不是数", "I卷：缺考 不是数", "I卷：-5 小于0",
                                  "I卷：101 超过满分100"};
        QStringList lines;
        for (int i = 0; i < reasons.size(); ++i)
            lines << QStringLiteral("%1 %2 %3 %4")
                         .arg(i + firstRow)
                         .arg(rows[i].studentId, rows[i].name, reasons[i]);
        return Lines(lines);
    };
    EXPECT_EQ(Notes(count), notes(1));

    // The same marks in a workbook's column of numbers, the words among them typed as text.
    source.Close();
    Db().Execute("UPDATE tavrinKSK SET s031=70, s032=40, s03=110 WHERE id=? AND class=?", exam->id,
                 target.cls);
    QStringList cells;
    for (int i = 0; i < 6; ++i)
        cells << QStringLiteral("(%1, %2)")
                     .arg(i == 5 ? 145 : rows[i].studentId.toLongLong())
                     .arg(i == 1 || i == 2 ? "'" + marks[i] + "'" : marks[i]);
    ASSERT_TRUE(WriteWithPython(QStringLiteral(R"(
import sys, xlwt
book = xlwt.Workbook(encoding='utf-8')
s = book.add_sheet('Sheet1')
for r, row in enumerate([('XH', 'P1', 'P2')] + [(x, p, 30) for x, p in [%1]]):
    for c, v in enumerate(row):
        s.write(r, c, v)
book.save(sys.argv[1])
)")
                                    .arg(cells.join(", ")),
                                dir.filePath("marks.xls")));
    db::Recordset& sheet = Read("marks.xls", "Sheet1$");
    ASSERT_EQ(source.FirstRowNumber(), 2);
    const roster::ImportCount fromBook = scoreimport::ImportScores(
        Db(), sheet, 1, {"XH[N]", "P1[N]", "P2[N]"}, target, {}, source.FirstRowNumber());
    EXPECT_EQ(fromBook.written, 2);
    EXPECT_EQ(fromBook.failed, 4);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(stored(i), "70.0 40.0 110.0") << i;
    EXPECT_EQ(stored(5), "9.5 30.0 39.5");
    EXPECT_EQ(Notes(fromBook), notes(2));

    // A mark that is a formula's error value is no absent paper: its row keeps the stored marks.
    Db().Execute("UPDATE tavrinKSK SET s031=70, s032=40, s03=110 WHERE id=? AND class=?", exam->id,
                 target.cls);
    const roster::ImportCount withError =
        scoreimport::ImportScores(Db(), source.Records(), 1, {"XH[N]", "P1[N]", "P2[N]"}, target,
                                  importsrc::ErrorCells{{6, 1}}, source.FirstRowNumber());
    EXPECT_EQ(withError.written, 1);
    EXPECT_EQ(stored(5), "70.0 40.0 110.0");
    EXPECT_NE(Notes(withError).find(("7 145 " + rows[5].name + " I卷：单元格是错误值").toStdString()),
              std::string::npos)
        << Notes(withError);
}

TEST_F(ImportNotes, TheResultShowsTwoHundredRowsAndCopiesAndSavesThemAll) {
    roster::ImportCount count;
    count.written = 10;
    count.failed = 250;
    count.notListed = 3;
    count.padded = 1;
    for (int i = 1; i <= 250; ++i)
        count.notes.push_back(
            {i + 1, QString::asprintf("0200701%02d", i % 100), "陈华", roster::kReasonTaken});
    const QString shown = admin::ImportReportText(count, admin::kShownImportNotes);
    EXPECT_TRUE(shown.startsWith(
        "成功倒入10条，有250条因失败未导入！\n另有3条不在名单中，未导入。\n"
        "其中1个数字学号补足了前导0。\n\n行号\t学号\t姓名\t原因\n2\t020070101\t陈华\t学号已存在\n"));
    EXPECT_TRUE(shown.contains("\n201\t020070100\t陈华\t学号已存在\n……另有50行未显示"));
    EXPECT_FALSE(shown.contains("\n202\t"));
    EXPECT_EQ(admin::ImportReportText(count, -1).count(u'\n'), 5 + 250);
    EXPECT_FALSE(admin::HasImportNotes(roster::ImportCount()));

    CImportResultDlg dlg(count);
    Open(dlg);
    EXPECT_EQ(dlg.ShownText().trimmed(), shown.trimmed());
    Click(dlg, CImportResultDlg::IDC_COPY);
    EXPECT_EQ(QApplication::clipboard()->text(), admin::ImportReportText(count, -1));

    ui::ScriptedFileDialogs files;
    files.SetNextSaveAnswer(dir.filePath("结果.txt"));
    Click(dlg, CImportResultDlg::IDC_SAVE);
    QFile saved(dir.filePath("结果.txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), admin::ImportReportText(count, -1));
    EXPECT_EQ(files.ProposedNames(), QStringList{"导入结果.txt"});

    if (const QString png = qEnvironmentVariable("VELTORA_IMPORT_RESULT_PNG"); !png.isEmpty())
        dlg.grab().save(png);
}

} // namespace
} // namespace adminb
