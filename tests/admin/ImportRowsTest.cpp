// The rows of an import as the user meets them: the empty rows of a sheet that a stray cell makes
// long, skipped by both imports and told once; the list of refused rows with the row the
// spreadsheet shows, the roster's name and what is wrong with which cell; a field map that keeps
// its choices when it refuses them; and a list that cannot be saved, told with the file and why.
#include "AdminBSupport.h"

#include "admin/ImportFieldMapDlg.h"
#include "admin/ImportResult.h"
#include "admin/ImportResultDlg.h"
#include "admin/ScoreEntryDlg.h"
#include "admin/ScoreImport.h"
#include "admin/StudentListDlg.h"
#include "admin/StudentRoster.h"
#include "admin/TablePickDlg.h"
#include "platform/ui/FileDialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QSpinBox>

#include <functional>

namespace adminb {
namespace {

using db::Variant;

// The lines of the report's list, each split into its cells (行号, 学号, 姓名, 原因).
std::vector<QStringList> ListCells(const QString& report) {
    std::vector<QStringList> cells;
    const QStringList lines = report.split(u'\n');
    const qsizetype header = lines.indexOf(QStringLiteral("行号\t学号\t姓名\t原因"));
    for (qsizetype i = header + 1; header >= 0 && i < lines.size(); ++i)
        if (!lines.at(i).isEmpty())
            cells.push_back(lines.at(i).split(u'\t'));
    return cells;
}

class ImportRows : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        ASSERT_TRUE(files.isValid());
        exam = FirstSeniorExam();
        ASSERT_NE(exam, nullptr);
        cls = GradeOf(*exam).classes[0];
        Db().Execute("UPDATE tavrinKMWGT SET t1=100, t2=60, t1w=1, t2w=1 WHERE kmfld='s03'");
        // The class's score rows in order, numbered 020000001 … and named 学生1 …
        for (db::Recordset rs = Db().Execute(
                 "SELECT rowid FROM tavrinKSK WHERE id=? AND class=? ORDER BY studentid", exam->id, cls);
             !rs.IsEOF(); rs.MoveNext())
            keys.push_back(rs.Field(0).ToInt64());
        ASSERT_GE(keys.size(), 5u);
        for (size_t k = 0; k < keys.size(); ++k)
            Db().Execute("UPDATE tavrinKSK SET studentid=?, name=?, s031=70, s032=40, s03=110 WHERE rowid=?",
                         Number(int(k)), QString("学生%1").arg(k + 1), keys[k]);
        ui::SetDialogRunner([this](ui::Dialog& d) -> int {
            Open(d);
            if (auto* pick = dynamic_cast<CTablePickDlg*>(&d)) {
                pick->SetSelection("Sheet1$");
                return ui::IDOK;
            }
            if (auto* result = dynamic_cast<CImportResultDlg*>(&d)) {
                results << result->ShownText();
                return ui::IDOK;
            }
            if (auto* map = dynamic_cast<CImportFieldMapDlg*>(&d)) {
                if (answerMap)
                    return answerMap(*map);
                Map(*map, mapping);
                Click(*map, ui::IDOK);
                return map->result();
            }
            return ui::IDCANCEL;
        });
    }
    void TearDown() override {
        ui::SetDialogRunner({});
        AdminBTest::TearDown();
    }

    // The number of the class's student k (from 0).
    static QString Number(int k) { return QString::asprintf("0200%05d", k + 1); }

    // A workbook of one sheet, Sheet1: the header XH XM BJ P1 P2, then the rows, given as Python
    // tuples (None: no cell; a text beginning with "#": that error value), then `more` Python
    // lines writing to the sheet `s`.
    QString Book(const QString& name, const QString& rows, const QString& more = {}) {
        const QString path = files.filePath(name);
        EXPECT_TRUE(WriteWithPython(QStringLiteral(R"(
import sys, xlwt
book = xlwt.Workbook(encoding='utf-8')
s = book.add_sheet('Sheet1')
for r, row in enumerate([('XH', 'XM', 'BJ', 'P1', 'P2')] + [%1]):
    for c, v in enumerate(row):
        if v is None:
            continue
        if isinstance(v, str) and v.startswith('#'):
            s.row(r).set_cell_error(c, {'#N/A': 42}.get(v, v))
        else:
            s.write(r, c, v)
%2
book.save(sys.argv[1])
)")
                                        .arg(rows, more),
                                    path));
        return path;
    }

    static void Map(CImportFieldMapDlg& map, const QStringList& texts) {
        for (int row = 1; row <= texts.size(); ++row)
            EditCell(map.GetGrid(), row, 1, texts.at(row - 1));
    }

    // 分数导入 by number of the exam's 英语 for the class, from `path`.
    void ImportScores(const QString& path) {
        CScoreEntryDlg dlg;
        dlg.SetEntryMode(0);
        Open(dlg);
        ASSERT_TRUE(Choose(dlg.GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_EXAM), EntryOf(*exam)));
        ASSERT_TRUE(Choose(dlg.GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_SUBJECT), "英语"));
        dlg.GetDlgItem<QSpinBox>(CScoreEntryDlg::IDC_NUMBER)->setValue(cls);
        picker.SetNextAnswer(path);
        Click(dlg, CScoreEntryDlg::IDC_IMPORT);
    }
    QString Stored(size_t k) {
        return Scalar("SELECT quote(s031)||' '||quote(s032)||' '||quote(s03) FROM tavrinKSK WHERE rowid=?",
                      {keys[k]});
    }

    QTemporaryDir files;
    ui::ScriptedFileDialogs picker;
    const fixtures::ExamInfo* exam = nullptr;
    int cls = 0;
    std::vector<long long> keys;
    QStringList mapping;
    std::function<int(CImportFieldMapDlg&)> answerMap;
    QStringList results; // the texts of the result dialogs shown
};

TEST_F(ImportRows, AStrayCellFarBelowMakesEmptyRowsThatBothImportsSkipAndTellOnce) {
    // Five students, an empty row among them and a row of a name of blanks; one number at IV65536
    // makes the sheet 65536 rows long.
    QStringList rows;
    for (int k = 0; k < 5; ++k) {
        if (k == 3)
            rows << "(None,)";
        rows << QString("('%1', '学生%2', 5, %3, 20)").arg(Number(k)).arg(k + 1).arg(50 + k);
    }
    rows << "(None, '   ')";
    const QString path = Book("stray.xls", rows.join(", "), "s.write(65535, 255, 1)");
    const int blank = 65535 - 5;

    mapping = {"XH[C]", "P1[N]", "P2[N]"};
    ImportScores(path);
    EXPECT_TRUE(results.isEmpty()) << results.value(0).left(300).toStdString();
    EXPECT_EQ(BoxTexts().value(BoxTexts().size() - 1),
              QString("成功倒入5条，有0条因失败未导入！\n另有%1行是空行，已跳过。").arg(blank));
    EXPECT_EQ(Stored(0), "50.0 20.0 70.0");
    EXPECT_EQ(Stored(4), "54.0 20.0 74.0");

    // The roster import of the same sheet adds the five students and nothing else.
    CStudentListDlg list;
    Open(list);
    auto* grade = list.GetDlgItem<QComboBox>(CStudentListDlg::IDC_GRADE);
    ASSERT_TRUE(Choose(grade, GradeOf(*exam).name));
    list.GetDlgItem<QSpinBox>(CStudentListDlg::IDC_CLASS)->setValue(0);
    Click(list, CStudentListDlg::IDC_LIST);
    const int before = Count("SELECT count(*) FROM tavrinName");
    mapping = {"XH", "XM", "", "BJ"};
    picker.SetNextAnswer(path);
    Click(list, CStudentListDlg::IDC_IMPORT);
    EXPECT_TRUE(results.isEmpty()) << results.value(0).left(300).toStdString();
    EXPECT_EQ(BoxTexts().value(BoxTexts().size() - 1),
              QString("成功倒入5条，有0条因失败未导入！\n另有%1行是空行，已跳过。").arg(blank));
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName"), before + 5);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName WHERE studentid LIKE '0200%' AND class=5"), 5);
}

TEST_F(ImportRows, EmptyRowsOfATableOfRecordsAreSkippedButACellWithAnErrorValueIsNoEmptyCell) {
    // Records as an Access or FoxPro table gives them: no header, the first record is row 1.
    const auto marks = [&] {
        return db::Recordset({"XH", "P1", "P2"}, {"TEXT", "NUMBER", "NUMBER"},
                             {{Variant(Number(0)), Variant(90), Variant()},
                              {Variant(), Variant(), Variant()},
                              {Variant("  "), Variant(), Variant("")},
                              {Variant(), Variant(), Variant()},
                              {Variant(Number(1)), Variant(), Variant(30)}});
    };
    scoreimport::Target target;
    target.examId = exam->id;
    target.field = "s03";
    target.papers = *scoresheet::LoadPapers(Db(), exam->id, "s03");
    target.cls = cls;
    for (size_t k = 0; k < keys.size(); ++k)
        target.students.push_back(
            {keys[k], Number(int(k)), QString("学生%1").arg(k + 1), QString::number(cls)});
    db::Recordset source = marks();
    roster::ImportCount count =
        scoreimport::ImportScores(Db(), source, 1, {"XH[C]", "P1[N]", "P2[N]"}, target);
    EXPECT_EQ(count.written, 2);
    EXPECT_EQ(count.failed + count.notListed, 0);
    EXPECT_EQ(count.blank, 3);
    // The empty mark cells cleared what was stored, each noted; nothing else is.
    EXPECT_EQ(count.notes.size(), static_cast<size_t>(count.cleared));
    for (const roster::ImportRowNote& note : count.notes)
        EXPECT_TRUE(note.reason.contains("单元格为空，原有成绩")) << note.reason.toStdString();
    EXPECT_EQ(Stored(0), "90.0 NULL 90.0");

    // Row 4 holds an error value where its 学号 should be: a row that fails, not an empty one.
    source = marks();
    count = scoreimport::ImportScores(Db(), source, 1, {"XH[C]", "P1[N]", "P2[N]"}, target,
                                      importsrc::ErrorCells{{4, 0}});
    EXPECT_EQ(count.blank, 2);
    EXPECT_EQ(count.failed, 1);
    EXPECT_EQ(count.notListed, 0);
    ASSERT_EQ(count.notes.size(), 1u);
    EXPECT_EQ(count.notes[0].sourceRow, 4);
    EXPECT_EQ(count.notes[0].reason, "学号：单元格是错误值");

    const auto people = [] {
        return db::Recordset({"XH", "XM", "XB"}, {"TEXT", "TEXT", "TEXT"},
                             {{Variant(), Variant(), Variant()},
                              {Variant("020099001"), Variant("新生甲"), Variant()},
                              {Variant(" "), Variant(), Variant("   ")},
                              {Variant(), Variant(), Variant()}});
    };
    const int before = Count("SELECT count(*) FROM tavrinName");
    db::Recordset roster = people();
    count = roster::ImportRoster(Db(), roster, {"XH", "XM", "XB"}, "02009");
    EXPECT_EQ(count.written, 1);
    EXPECT_EQ(count.failed, 0);
    EXPECT_EQ(count.blank, 3);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName"), before + 1);
    // An error value in a row's 性别 alone: the row is no empty row, and without a 学号 it fails.
    roster = people();
    count = roster::ImportRoster(Db(), roster, {"XH", "XM", "XB"}, "02009", importsrc::ErrorCells{{4, 2}});
    EXPECT_EQ(count.blank, 2);
    EXPECT_EQ(count.failed, 2); // 020099001 is on the roster now
    ASSERT_EQ(count.notes.size(), 2u);
    EXPECT_EQ(count.notes[1].sourceRow, 4);
    EXPECT_EQ(count.notes[1].reason, roster::kReasonNoNumber);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName"), before + 1);
}

TEST_F(ImportRows, TheListGivesTheSpreadsheetsRowTheRostersNameAndWhatIsWrongWithWhichCell) {
    const QString path = Book("marks.xls",
                              QStringList{
                                  QString("('%1', None, None, 130, 40)").arg(Number(0)),
                                  QString("('%1', None, None, 50, 'abc')").arg(Number(1)),
                                  "('#N/A',)",
                                  "(None,)",
                                  QString("('%1', None, None, '#DIV/0!', 20)").arg(Number(2)),
                                  QString("('%1', None, None, 60, 30)").arg(Number(3)),
                                  "('029999999', None, None, 1, 1)",
                              }
                                  .join(", "));
    mapping = {"XH[C]", "P1[N]", "P2[N]"};
    ImportScores(path);
    ASSERT_EQ(results.size(), 1);
    // The 学号 that is an error value is one failed row, in the count and in the list alike.
    EXPECT_TRUE(results[0].startsWith("成功倒入1条，有4条因失败未导入！\n另有1条不在名单中，未导入。\n"
                                      "另有1行是空行，已跳过。\n\n"))
        << results[0].toStdString();
    const std::vector<QStringList> cells = ListCells(results[0]);
    const std::vector<QStringList> expected{
        {"2", Number(0), "学生1", "I卷：130 超过满分100"},
        {"3", Number(1), "学生2", "II卷：abc 不是数"},
        {"4", "", "", "学号：单元格是错误值"},
        {"6", Number(2), "学生3", "I卷：单元格是错误值"},
        {"8", "029999999", "", "不在名单中"},
    };
    EXPECT_EQ(cells, expected);
    for (size_t k = 0; k < 3; ++k)
        EXPECT_EQ(Stored(k), "70.0 40.0 110.0") << k;
    EXPECT_EQ(Stored(3), "60.0 30.0 90.0");

    // Both marks of a row wrong: both are named.
    Db().Execute("UPDATE tavrinKMWGT SET t1=50 WHERE kmfld='s03' AND id=?", exam->id);
    results.clear();
    const QString both = Book("both.xls", QString("('%1', None, None, 50.5, -3)").arg(Number(0)));
    ImportScores(both);
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(ListCells(results[0]),
              (std::vector<QStringList>{{"2", Number(0), "学生1", "I卷：50.5 超过满分50；II卷：-3 小于0"}}));
}

TEST_F(ImportRows, AFieldMapThatRefusesItsPapersStaysOpenWithTheChoicesMade) {
    const QString path = Book("two.xls", QString("('%1', None, None, 66, 33)").arg(Number(0)));
    QStringList told;
    answerMap = [&](CImportFieldMapDlg& map) {
        // "I" names no column of the sheet.
        Map(map, {"XH[C]", "I", ""});
        Click(map, ui::IDOK);
        told << BoxTexts().value(BoxTexts().size() - 1);
        EXPECT_TRUE(map.isVisible());
        EXPECT_NE(map.result(), ui::IDOK);
        EXPECT_EQ(map.GetMappedTexts(), (QStringList{"XH[C]", "I", ""}));
        // One column for both papers.
        Map(map, {"XH[C]", "P1[N]", "P1[N]"});
        Click(map, ui::IDOK);
        told << BoxTexts().value(BoxTexts().size() - 1);
        EXPECT_TRUE(map.isVisible());
        EXPECT_EQ(map.GetMappedText(1), "XH[C]");
        EditCell(map.GetGrid(), 3, 1, "P2[N]");
        Click(map, ui::IDOK);
        return map.result();
    };
    ImportScores(path);
    EXPECT_EQ(told, (QStringList{"对不起，I卷和II卷字段必须从列表中选择！",
                                 "对不起，I卷和II卷不能取自同一个字段！"}));
    // The import goes on from the same file and the same choices, mended.
    EXPECT_EQ(BoxTexts().value(BoxTexts().size() - 1), "成功倒入1条，有0条因失败未导入！");
    EXPECT_EQ(Stored(0), "66.0 33.0 99.0");
}

TEST_F(ImportRows, AListThatCannotBeSavedIsToldWithTheFileAndWhy) {
    roster::ImportCount count;
    count.failed = 1;
    count.notes.push_back({2, Number(0), "学生1", roster::kReasonTaken});
    CImportResultDlg dlg(count);
    Open(dlg);
    ExpectWarning notSaved("import result not saved");

    const QString missing = files.filePath("没有的文件夹");
    picker.SetNextSaveAnswer(missing + "/结果.txt");
    Click(dlg, CImportResultDlg::IDC_SAVE);
    EXPECT_EQ(BoxTexts().value(BoxTexts().size() - 1),
              QString("对不起，导入结果没有保存到“%1”：文件夹“%2”不存在。")
                  .arg(QDir::toNativeSeparators(missing + "/结果.txt"), QDir::toNativeSeparators(missing)));

    // The name of a folder: the folder stays as it was.
    ASSERT_TRUE(QDir(files.path()).mkdir("结果"));
    picker.SetNextSaveAnswer(files.filePath("结果"));
    Click(dlg, CImportResultDlg::IDC_SAVE);
    EXPECT_EQ(BoxTexts().value(BoxTexts().size() - 1),
              QString("对不起，导入结果没有保存到“%1”：这是一个文件夹的名字。")
                  .arg(QDir::toNativeSeparators(files.filePath("结果"))));
    EXPECT_TRUE(QFileInfo(files.filePath("结果")).isDir());
}

} // namespace
} // namespace adminb
