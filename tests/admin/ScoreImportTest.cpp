// The score-entry dialog's 分数导入 on real files: by student number from a workbook, by name and
// class from a FoxPro table, the grid reloaded with the recomputed totals, and the stops before
// anything is written (a locked exam, a key or paper typed by hand, a cancelled road), and an
// import the database undid, which changes nothing.
#include "AdminBSupport.h"

#include "admin/ImportFieldMapDlg.h"
#include "admin/ImportResultDlg.h"
#include "admin/ScoreEntryDlg.h"
#include "admin/TablePickDlg.h"
#include "platform/import/Source.h"
#include "platform/ui/FileDialog.h"
#include "tests/platform/import/SourceFiles.h"

#include <QComboBox>
#include <QSpinBox>

#include <new>

namespace adminb {
namespace {

class ScoreImport : public AdminBTest {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_dir->isValid());
        importtest::MakeSources(s_dir->path(), {"rows.xls:40", "rows.dbf:40", "blanks.xls:40"});
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override {
        AdminBTest::SetUp();
        exam = FirstSeniorExam();
        ASSERT_NE(exam, nullptr);
        cls = GradeOf(*exam).classes[0];
        Db().Execute("UPDATE tavrinKMWGT SET t1=100, t2=60, t1w=1, t2w=0.5 WHERE kmfld='s03'");
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
                for (int row = 1; row <= mapping.size(); ++row)
                    if (!mapping.at(row - 1).isEmpty())
                        EditCell(map->GetGrid(), row, 1, mapping.at(row - 1));
                Click(*map, ui::IDOK);
                return map->result();
            }
            return ui::IDCANCEL;
        });
    }
    void TearDown() override {
        dlg.reset();
        ui::SetDialogRunner({});
        AdminBTest::TearDown();
    }
    void OpenAndChoose(int mode, const fixtures::ExamInfo& e, int number) {
        dlg = std::make_unique<CScoreEntryDlg>();
        dlg->SetEntryMode(mode);
        Open(*dlg);
        ASSERT_TRUE(Choose(dlg->GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_EXAM), EntryOf(e)));
        ASSERT_TRUE(Choose(dlg->GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_SUBJECT), "英语"));
        dlg->GetDlgItem<QSpinBox>(CScoreEntryDlg::IDC_NUMBER)->setValue(number);
    }
    // The class's score rows in student-number order.
    std::vector<long long> ClassRows() {
        std::vector<long long> keys;
        for (db::Recordset rs = Db().Execute(
                 "SELECT rowid FROM tavrinKSK WHERE id=? AND class=? ORDER BY studentid", exam->id, cls);
             !rs.IsEOF(); rs.MoveNext())
            keys.push_back(rs.Field(0).ToInt64());
        return keys;
    }
    QString Stored(long long key) {
        return Scalar("SELECT quote(s031)||' '||quote(s032)||' '||quote(s03) FROM tavrinKSK WHERE rowid=?",
                      {key});
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
    const fixtures::ExamInfo* exam = nullptr;
    int cls = 0;
    std::unique_ptr<CScoreEntryDlg> dlg;
    QStringList mapping;
    QStringList results; // the texts of the result dialogs shown
    ui::ScriptedFileDialogs files;
};
std::unique_ptr<QTemporaryDir> ScoreImport::s_dir;

TEST_F(ScoreImport, ByNumberFromAWorkbookWritesTheFoundRowsAndReloadsTheTotals) {
    // The class's students take the workbook's numbers 020000001 …; the last one is not in it.
    const std::vector<long long> keys = ClassRows();
    ASSERT_GE(keys.size(), 3u);
    for (size_t k = 0; k < keys.size(); ++k)
        Db().Execute("UPDATE tavrinKSK SET studentid=? WHERE rowid=?",
                     k + 1 < keys.size() ? QString::asprintf("0200%05d", int(k + 1)) : QString("029999999"),
                     keys[k]);
    const QString last = Stored(keys.back());

    OpenAndChoose(0, *exam, cls);
    files.SetNextAnswer(s_dir->filePath("rows.xls"));
    mapping = {"XH[C]", "P1[N]", "P2[N]"};
    Click(*dlg, CScoreEntryDlg::IDC_IMPORT);
    const int found = static_cast<int>(keys.size()) - 1;
    // The workbook's other rows are listed as not on the grid's list.
    ASSERT_EQ(results.size(), 1);
    EXPECT_TRUE(results.back().startsWith(QString::asprintf(
        "成功倒入%d条，有0条因失败未导入！\n另有%d条不在名单中，未导入。\n", found, 40 - found)))
        << results.back().toStdString();
    EXPECT_TRUE(
        results.back().contains(QString::asprintf("\n%d\t0200%05d\t\t不在名单中\n", found + 3, found + 1)));
    // Row k of the workbook: P1 = k % 101, P2 = (k * 7) % 51 + 0.5; the total P1 + P2 / 2.
    EXPECT_EQ(Stored(keys[0]), "1.0 7.5 4.75");
    EXPECT_EQ(Stored(keys[1]), "2.0 14.5 9.25");
    EXPECT_EQ(Stored(keys.back()).section(' ', 0, 1), last.section(' ', 0, 1));
    // The grid shows what was written.
    EXPECT_EQ(dlg->GetGrid().GetItemText(1, 5), "  1.00");
    EXPECT_EQ(dlg->GetGrid().GetItemText(1, 4), "  4.75");
}

TEST_F(ScoreImport, AnImportThatMatchesNobodySaysSoWithTheLikelyCause) {
    // The class's numbers are not the workbook's 020000001 …: no row names a student.
    const std::vector<long long> keys = ClassRows();
    std::vector<QString> before;
    for (long long key : keys)
        before.push_back(Stored(key));
    OpenAndChoose(0, *exam, cls);
    files.SetNextAnswer(s_dir->filePath("rows.xls"));
    mapping = {"XH[C]", "P1[N]", "P2[N]"};
    Click(*dlg, CScoreEntryDlg::IDC_IMPORT);
    ASSERT_EQ(results.size(), 1);
    EXPECT_TRUE(results.back().startsWith(
        "没有一名学生与名单匹配：请检查学号或姓名、班级字段的选择。\n40条都不在名单中，未导入。\n"))
        << results.back().toStdString();
    EXPECT_FALSE(results.back().contains("成功倒入"));
    for (size_t k = 0; k < keys.size(); ++k)
        EXPECT_EQ(Stored(keys[k]), before[k]);
}

TEST_F(ScoreImport, ByNameAndClassFromAFoxProTable) {
    // Row k of the table: 学生k in class k % 20 + 1.
    const std::vector<long long> keys = ClassRows();
    const int k = cls - 1;
    Db().Execute("UPDATE tavrinKSK SET name=? WHERE rowid=?", QString("学生%1").arg(k), keys[0]);
    Db().Execute("UPDATE tavrinKSK SET name=? WHERE rowid=?", QString("学生%1").arg(k + 1), keys[1]);

    OpenAndChoose(2, *exam, cls);
    files.SetNextAnswer(s_dir->filePath("rows.dbf"));
    mapping = {"XM[C]", "BJ[N]", "", "P2[N]"};
    const QString before = Stored(keys[0]).section(' ', 0, 0);
    Click(*dlg, CScoreEntryDlg::IDC_IMPORT);
    ASSERT_EQ(results.size(), 1);
    EXPECT_TRUE(
        results.back().startsWith("成功倒入1条，有0条因失败未导入！\n另有39条不在名单中，未导入。\n"));
    EXPECT_EQ(Stored(keys[0]).section(' ', 0, 1), before + QString(" %1").arg((k * 7) % 51 + 0.5, 0, 'f', 1));
}

// A FoxPro mark whose text is no number ("*****", as dBase writes a number too wide for its
// field, or a damaged digit) fails its row and leaves the stored marks; a field of blanks is an
// absent paper. A header whose record count disagrees with the file's size refuses the file.
TEST_F(ScoreImport, FoxProMarksThatDoNotReadFailTheirRowsAndAWrongRecordCountRefusesTheFile) {
    const std::vector<long long> keys = ClassRows();
    ASSERT_GE(keys.size(), 4u);
    for (size_t k = 0; k < keys.size(); ++k)
        Db().Execute("UPDATE tavrinKSK SET studentid=?, s031=70, s032=40, s03=90 WHERE rowid=?",
                     QString::asprintf("0200%05d", int(k + 1)), keys[k]);
    const QStringList fields{"XH C(9)", "P1 N(5,1)", "P2 N(5,1)"};
    const std::vector<QStringList> records{{"020000001", "85.5", "30"},
                                           {"020000002", "*****", "30"},
                                           {"020000003", "90", " 8x.0"},
                                           {"020000004", "", "20"}};
    const QString path = s_dir->filePath("marks.dbf");
    ASSERT_TRUE(importtest::WriteBytes(path, importtest::FoxProTable(fields, records)));

    OpenAndChoose(0, *exam, cls);
    files.SetNextAnswer(path);
    mapping = {"XH[C]", "P1[N]", "P2[N]"};
    Click(*dlg, CScoreEntryDlg::IDC_IMPORT);
    ASSERT_EQ(results.size(), 1);
    EXPECT_TRUE(results.back().startsWith("成功倒入2条，有2条因失败未导入！"))
        << results.back().toStdString();
    EXPECT_TRUE(results.back().contains("\n2\t020000002\t")) << results.back().toStdString();
    EXPECT_TRUE(results.back().contains("\tI卷：***** 不是数\n3\t020000003\t"))
        << results.back().toStdString();
    EXPECT_TRUE(results.back().contains("\tII卷：8x.0 不是数")) << results.back().toStdString();
    EXPECT_EQ(Stored(keys[0]), "85.5 30.0 100.5");
    EXPECT_EQ(Stored(keys[1]), "70.0 40.0 90.0");
    EXPECT_EQ(Stored(keys[2]), "70.0 40.0 90.0");
    EXPECT_EQ(Stored(keys[3]), "NULL 20.0 10.0");

    // A numeric 学号 that does not read fails its row, naming the field and the text.
    const QString keyPath = s_dir->filePath("keys.dbf");
    ASSERT_TRUE(
        importtest::WriteBytes(keyPath, importtest::FoxProTable({"XH N(9,0)", "P1 N(5,1)", "P2 N(5,1)"},
                                                                {{"*********", "50", "50"}})));
    files.SetNextAnswer(keyPath);
    mapping = {"XH[N]", "P1[N]", "P2[N]"};
    Click(*dlg, CScoreEntryDlg::IDC_IMPORT);
    ASSERT_EQ(results.size(), 2);
    EXPECT_TRUE(results.back().startsWith("成功倒入0条，有1条因失败未导入！"))
        << results.back().toStdString();
    EXPECT_TRUE(results.back().contains("\n1\t*********\t\t学号：********* 不是数"))
        << results.back().toStdString();
    mapping = {"XH[C]", "P1[N]", "P2[N]"};

    // A low and a zero record count: the file is refused whole, nothing is written.
    const auto before = TableDigests();
    for (const int count : {3, 0}) {
        ASSERT_TRUE(importtest::WriteBytes(path, importtest::FoxProTable(fields, records, count)));
        files.SetNextAnswer(path);
        Click(*dlg, CScoreEntryDlg::IDC_IMPORT);
        EXPECT_EQ(BoxTexts().back(),
                  QString("错误信息:无法读取FoxPro表“%1”：文件已损坏，文件头记有%2条记录，与文件的大小不符。")
                      .arg(path)
                      .arg(count));
        EXPECT_EQ(TableDigests(), before);
    }
    EXPECT_EQ(results.size(), 2);
}

TEST_F(ScoreImport, HeadersWithBlanksAndColumnNamesTypedByHandImportBothWays) {
    // The workbook's headers: " 学号", "姓名 ", " 班级 ", "P1", "P2 ".
    const std::vector<long long> keys = ClassRows();
    for (size_t k = 0; k < keys.size(); ++k)
        Db().Execute("UPDATE tavrinKSK SET studentid=? WHERE rowid=?",
                     QString::asprintf("0200%05d", int(k + 1)), keys[k]);
    // The result, in a message box or (with rows left out) in the result list.
    const auto told = [&] {
        const QString text = results.isEmpty() ? BoxTexts().value(BoxTexts().size() - 1) : results.back();
        results.clear();
        return text;
    };
    OpenAndChoose(0, *exam, cls);
    files.SetNextAnswer(s_dir->filePath("blanks.xls"));
    mapping = {"学号", "p1", " P2"}; // typed, not picked
    Click(*dlg, CScoreEntryDlg::IDC_IMPORT);
    EXPECT_TRUE(told().startsWith(QString::asprintf("成功倒入%d条，有0条因失败未导入！", int(keys.size()))));
    EXPECT_EQ(Stored(keys[0]), "1.0 7.5 4.75");

    // Row k: 学生k in class k % 20 + 1.
    Db().Execute("UPDATE tavrinKSK SET name=? WHERE rowid=?", QString("学生%1").arg(cls - 1), keys[1]);
    OpenAndChoose(2, *exam, cls);
    files.SetNextAnswer(s_dir->filePath("blanks.xls"));
    mapping = {"姓名[C]", "班级[N]", "P1[N]", ""};
    Click(*dlg, CScoreEntryDlg::IDC_IMPORT);
    EXPECT_TRUE(told().startsWith("成功倒入1条，有0条因失败未导入！"));
    EXPECT_EQ(Stored(keys[1]).section(' ', 0, 1), QString("%1.0 14.5").arg((cls - 1) % 101));
}

TEST_F(ScoreImport, StopsBeforeWritingForALockedExamATypedTextOrACancelledRoad) {
    const QString before = Scalar(
        "SELECT group_concat(quote(s031)||quote(s032)||quote(s03)) FROM tavrinKSK WHERE id=?", {exam->id});
    OpenAndChoose(0, *exam, cls);
    Click(*dlg, CScoreEntryDlg::IDC_IMPORT); // no file chosen
    EXPECT_TRUE(BoxTexts().isEmpty());

    // Texts typed by hand that name no column of the source.
    files.SetNextAnswer(s_dir->filePath("rows.xls"));
    mapping = {"XH[C]", "P3", ""};
    Click(*dlg, CScoreEntryDlg::IDC_IMPORT);
    EXPECT_EQ(BoxTexts().back(), "对不起，I卷和II卷字段必须从列表中选择！");
    files.SetNextAnswer(s_dir->filePath("rows.xls"));
    mapping = {"学号", "P1[N]", ""};
    Click(*dlg, CScoreEntryDlg::IDC_IMPORT);
    EXPECT_EQ(BoxTexts().back(), "对不起，学号字段必选！");

    Db().Execute("UPDATE tavrinKSLB SET yjcd='Y' WHERE id=?", exam->id);
    OpenAndChoose(0, *exam, cls);
    Click(*dlg, CScoreEntryDlg::IDC_IMPORT);
    EXPECT_EQ(BoxTexts().back(), "本次考试的成绩已经锁定，不能导入！");
    EXPECT_EQ(Scalar("SELECT group_concat(quote(s031)||quote(s032)||quote(s03)) FROM tavrinKSK WHERE id=?",
                     {exam->id}),
              before);
}

TEST_F(ScoreImport, AnImportTheDatabaseUndidChangesNoMarkAndNoTotal) {
    const std::vector<long long> keys = ClassRows();
    ASSERT_GE(keys.size(), 3u);
    for (size_t k = 0; k < keys.size(); ++k)
        Db().Execute("UPDATE tavrinKSK SET studentid=? WHERE rowid=?",
                     QString::asprintf("0200%05d", int(k + 1)), keys[k]);
    // The second student's marks take the whole transaction back with them: the rows after it
    // must not go in one by one.
    Db().Execute(QString("CREATE TRIGGER undo BEFORE UPDATE OF s031 ON tavrinKSK WHEN old.rowid=%1 "
                         "BEGIN SELECT RAISE(ROLLBACK, 'undone'); END")
                     .arg(keys[1]));
    const auto before = TableDigests();
    OpenAndChoose(0, *exam, cls);
    Click(*dlg, CScoreEntryDlg::IDC_LOAD);
    const auto marks = [this] { return GridColumn(dlg->GetGrid(), 4) + GridColumn(dlg->GetGrid(), 5); };
    const QStringList shown = marks();
    ExpectWarning undone("undone");
    files.SetNextAnswer(s_dir->filePath("rows.xls"));
    mapping = {"XH[C]", "P1[N]", "P2[N]"};
    Click(*dlg, CScoreEntryDlg::IDC_IMPORT);
    EXPECT_EQ(BoxTexts().back(), "导入没有完成，数据库没有改变。\n原因：undone");
    EXPECT_EQ(TableDigests(), before);
    EXPECT_EQ(marks(), shown);
}

// Memory running out while the file is loaded ends the import with the file named as too large,
// and nothing changed.
TEST_F(ScoreImport, AnImportThatRunsOutOfMemorySaysTheFileIsTooLargeAndChangesNothing) {
    const auto before = TableDigests();
    OpenAndChoose(0, *exam, cls);
    Click(*dlg, CScoreEntryDlg::IDC_LOAD);
    const QStringList shown = GridColumn(dlg->GetGrid(), 4);
    importsrc::SetLoadRowCheck([](int row) {
        if (row == 20)
            throw std::bad_alloc();
    });
    ExpectWarning memory("ran out of memory");
    const QString path = s_dir->filePath("rows.xls");
    files.SetNextAnswer(path);
    mapping = {"XH[C]", "P1[N]", "P2[N]"};
    Click(*dlg, CScoreEntryDlg::IDC_IMPORT);
    importsrc::SetLoadRowCheck({});
    EXPECT_EQ(BoxTexts().back(), "文件太大，无法导入：" + path);
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(TableDigests(), before);
    EXPECT_EQ(GridColumn(dlg->GetGrid(), 4), shown);
}

} // namespace
} // namespace adminb
