// The roster dialog as a user works it: listing a grade or a class, cell edits stored at once or
// refused with the old text back, adding, clearing, classes from the numbers, numbering, and the
// roster import from real workbooks and FoxPro tables, undone whole when the disk fills.
#include "AdminBSupport.h"

#include "admin/ImportFieldMapDlg.h"
#include "admin/ImportResultDlg.h"
#include "admin/StudentListDlg.h"
#include "admin/TablePickDlg.h"
#include "platform/import/Source.h"
#include "platform/ui/FileDialog.h"
#include "tests/platform/import/SourceFiles.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScreen>
#include <QSpinBox>
#include <QTest>

#include <functional>
#include <new>

namespace adminb {
namespace {

class StudentList : public AdminBTest {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_dir->isValid());
        importtest::MakeSources(s_dir->path(),
                                {"school.xls", "stu.dbf", "rows.xls:40", "rows.dbf:40", "blanks.xls:3"});
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override {
        AdminBTest::SetUp();
        grade = &school.grades[0];
        ui::SetDialogRunner([this](ui::Dialog& d) -> int {
            Open(d);
            if (auto* add = dynamic_cast<CNewStudentDlg*>(&d)) {
                if (newNumber.isNull())
                    return ui::IDCANCEL;
                add->findChild<QLineEdit*>()->setText(newNumber);
                add->OnOK();
                return ui::IDOK;
            }
            if (auto* code = dynamic_cast<CClassCodeDlg*>(&d)) {
                code->OnOK();
                return ui::IDOK;
            }
            if (auto* result = dynamic_cast<CImportResultDlg*>(&d)) {
                results << result->ShownText();
                return ui::IDOK;
            }
            if (auto* pick = dynamic_cast<CTablePickDlg*>(&d)) {
                pick->SetSelection(table);
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
        dlg = std::make_unique<CStudentListDlg>();
        Open(*dlg);
    }
    void TearDown() override {
        dlg.reset();
        ui::SetDialogRunner({});
        AdminBTest::TearDown();
    }
    CGridCtrl& Grid() { return dlg->GetGrid(); }
    void Show(const QString& gradeText, int cls) {
        auto* box = dlg->GetDlgItem<QComboBox>(CStudentListDlg::IDC_GRADE);
        if (!Choose(box, gradeText))
            box->setEditText(gradeText);
        dlg->GetDlgItem<QSpinBox>(CStudentListDlg::IDC_CLASS)->setValue(cls);
        Click(*dlg, CStudentListDlg::IDC_LIST);
    }
    QString Stored(const QString& col, const QString& studentId) {
        return Scalar("SELECT quote(" + col + ") FROM tavrinName WHERE studentid=?", {studentId});
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
    const fixtures::GradeInfo* grade = nullptr;
    std::unique_ptr<CStudentListDlg> dlg;
    QString newNumber;
    QString table;
    QStringList results; // the texts of the result dialogs shown
    QStringList mapping;
    ui::ScriptedFileDialogs files;
};
std::unique_ptr<QTemporaryDir> StudentList::s_dir;

TEST_F(StudentList, ListsAGradeOrAClassWithTheStreamColumnOnlyForSeniors) {
    const fixtures::GradeInfo* junior = nullptr;
    const fixtures::GradeInfo* senior = nullptr;
    for (const fixtures::GradeInfo& g : school.grades)
        (g.code.startsWith(u'1') ? senior : junior) = &g;
    ASSERT_TRUE(junior && senior);
    Show(junior->name, 0);
    EXPECT_EQ(Grid().GetColumnCount(), 8);
    EXPECT_EQ(Grid().GetRowCount() - 1, junior->students);
    Show(senior->name, senior->classes[0]);
    EXPECT_EQ(Grid().GetColumnCount(), 9);
    EXPECT_EQ(Grid().GetItemText(0, 8), "文理");
    EXPECT_EQ(GridColumn(Grid(), 1),
              QStringList(Grid().GetRowCount() - 1, QString::number(senior->classes[0])));
    Show(senior->name, 98);
    EXPECT_EQ(Grid().GetRowCount(), 1);

    // A text that names no grade is refused before anything happens.
    Show("没有的年级", 0);
    EXPECT_EQ(BoxTexts().back(), "对不起，请先选择年级！");
    Click(*dlg, CStudentListDlg::IDC_CLEAR);
    Click(*dlg, CStudentListDlg::IDC_IMPORT);
    EXPECT_EQ(BoxTexts().count("对不起，请先选择年级！"), 3);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName"), school.students);
}

TEST_F(StudentList, ASeniorGradeShowsEveryColumnAndKeepsTheNumberInView) {
    const fixtures::GradeInfo* senior = nullptr;
    for (const fixtures::GradeInfo& g : school.grades)
        if (g.code.startsWith(u'1'))
            senior = &g;
    ASSERT_TRUE(senior);
    // The roster's nine columns are wider than the dialog's first size: it grows at once.
    EXPECT_GT(dlg->width(), 620);
    Show(senior->name, 0);
    QCoreApplication::processEvents();
    ASSERT_EQ(Grid().GetColumnCount(), 9);
    gdi::Rect client;
    Grid().GetClientRect(&client);
    gdi::Rect last;
    ASSERT_TRUE(Grid().GetCellRect(0, Grid().GetColumnCount() - 1, &last));
    // Every column is in view, or the dialog is as wide as the screen lets it be.
    const QRect room = dlg->screen()->availableGeometry();
    if (dlg->frameGeometry().width() < room.width())
        EXPECT_LE(last.right, client.right);
    EXPECT_LE(dlg->width(), room.width());
    EXPECT_GE(dlg->frameGeometry().left(), room.left());
    EXPECT_EQ(Grid().GetFixedColumnCount(), 1);
    // Listing a class again never shrinks the dialog under the user.
    const int grown = dlg->width();
    Show(senior->name, senior->classes[0]);
    QCoreApplication::processEvents();
    EXPECT_EQ(dlg->width(), grown);
}

TEST_F(StudentList, EditsAreStoredAtOnceOrRefusedWithTheOldTextBack) {
    Show(grade->name, grade->classes[0]);
    const QString id = Grid().GetItemText(1, 0);
    ASSERT_TRUE(EditCell(Grid(), 1, 3, "新名字"));
    EXPECT_EQ(Stored("name", id), "'新名字'");
    ASSERT_TRUE(EditCell(Grid(), 1, 3, ""));
    EXPECT_EQ(Stored("name", id), "NULL");
    ASSERT_TRUE(EditCell(Grid(), 1, 4, "女"));
    EXPECT_EQ(Stored("gender", id), "'女'");
    ASSERT_TRUE(EditCell(Grid(), 1, 2, "17"));
    EXPECT_EQ(Stored("id", id), "17");

    const QString cls = Grid().GetItemText(1, 1);
    for (const QString& bad : {QString("100"), QString(""), QString("x")}) {
        EditCell(Grid(), 1, 1, bad);
        EXPECT_EQ(Grid().GetItemText(1, 1), cls);
        EXPECT_EQ(BoxTexts().back(), "对不起，数据更新失败！");
    }
    EditCell(Grid(), 1, 3, "一二三四五");
    EXPECT_EQ(Grid().GetItemText(1, 3), "");
    EXPECT_EQ(Stored("class", id), cls);
}

TEST_F(StudentList, EnterMovesDownAndEscNeverCloses) {
    Show(grade->name, grade->classes[0]);
    const QString id = Grid().GetItemText(1, 0);
    TypeIntoCell(Grid(), 1, 3, "Lee");
    EXPECT_EQ(Stored("name", id), "'Lee'");
    EXPECT_EQ(Grid().GetFocusCell().row, 2);
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(StudentList, AddsAProposedNumberOnceAndNeverAnEmptyOne) {
    Show(grade->name, 0);
    Click(*dlg, CStudentListDlg::IDC_ADD);
    EXPECT_EQ(BoxTexts().back(), "对不起，请先选择班级！");

    Show(grade->name, 97);
    newNumber = grade->code + "9701";
    Click(*dlg, CStudentListDlg::IDC_ADD);
    EXPECT_EQ(GridColumn(Grid(), 0), QStringList{grade->code + "9701"});
    EXPECT_EQ(Grid().GetItemText(1, 5), "是");
    const int rows = Count("SELECT count(*) FROM tavrinName");
    Click(*dlg, CStudentListDlg::IDC_ADD); // the same number again
    EXPECT_EQ(BoxTexts().back(), "学号[" + grade->code + "9701]已经有学生在使用！");
    newNumber = " ";
    Click(*dlg, CStudentListDlg::IDC_ADD);
    EXPECT_EQ(BoxTexts().back(), "对不起，数据库操作失败！");
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName"), rows);
    EXPECT_EQ(Grid().GetRowCount(), 2);
}

TEST_F(StudentList, ATypedNumberIsCheckedAsATypedNameIs) {
    Show(grade->name, 97);
    const int rows = Count("SELECT count(*) FROM tavrinName");
    for (const QString& bad : {QString("😀"), QString("학생번호")}) {
        newNumber = bad;
        Click(*dlg, CStudentListDlg::IDC_ADD);
        EXPECT_TRUE(BoxTexts().back().contains("不在本系统使用的中文字符集（GBK）内")) << bad.toStdString();
    }
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName"), rows);

    // Full-width digits are stored as plain digits, in the roster and in the grid.
    const QString fullWidth = " " + grade->code + "９７０２ ";
    newNumber = fullWidth;
    Click(*dlg, CStudentListDlg::IDC_ADD);
    EXPECT_EQ(GridColumn(Grid(), 0), QStringList{grade->code + "9702"});
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName WHERE studentid='" + grade->code + "9702'"), 1);

    // A name of blanks is stored empty; one outside the code page is refused as before.
    ASSERT_TRUE(EditCell(Grid(), 1, 3, "  　"));
    EXPECT_EQ(Stored("name", grade->code + "9702"), "NULL");
    EXPECT_EQ(Grid().GetItemText(1, 3), "");
    ASSERT_TRUE(EditCell(Grid(), 1, 2, "１２"));
    EXPECT_EQ(Stored("id", grade->code + "9702"), "12");
}

TEST_F(StudentList, ClassesFromNumbersNumberingAndClearing) {
    Db().Execute("UPDATE tavrinName SET class=0 WHERE grade=?", grade->code);
    Show(grade->name, 0);
    Click(*dlg, CStudentListDlg::IDC_CLASS_FROM_ID);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName WHERE grade=? AND class=0", {grade->code}), 0);

    Show(grade->name, grade->classes[0]);
    Grid().SortItems(3, false);
    const QString first = Grid().GetItemText(1, 0);
    Click(*dlg, CStudentListDlg::IDC_AUTO_NUMBER);
    EXPECT_EQ(Stored("id", first), "1");

    boxes->SetNextAnswer(ui::IDNO);
    Click(*dlg, CStudentListDlg::IDC_CLEAR);
    EXPECT_GT(Grid().GetRowCount(), 1);
    const int held = Grid().GetRowCount() - 1;
    boxes->SetNextAnswer(ui::IDYES);
    Click(*dlg, CStudentListDlg::IDC_CLEAR);
    EXPECT_EQ(Grid().GetRowCount(), 1);
    EXPECT_EQ(BoxTexts().back(), QStringLiteral("已清空%1名学生的数据。").arg(held));

    // A class that holds nobody has nothing to clear: no question, no success.
    boxes->Clear();
    Click(*dlg, CStudentListDlg::IDC_CLEAR);
    EXPECT_EQ(BoxTexts(), QStringList{"这个班没有学生，没有要清空的数据。"});
    boxes->Clear();
    Show(grade->name, 98);
    Click(*dlg, CStudentListDlg::IDC_CLEAR);
    EXPECT_EQ(BoxTexts(), QStringList{"这个班没有学生，没有要清空的数据。"});
    EXPECT_GT(Count("SELECT count(*) FROM tavrinName WHERE grade=?", {grade->code}), 0);

    Click(*dlg, CStudentListDlg::IDC_HELP);
    EXPECT_TRUE(BoxTexts().back().startsWith("系统内部学号编码规则：\n1、学号由九位数字组成；"));
}

TEST_F(StudentList, ImportsAWorkbookAndAFoxProTableAndCountsTheSecondRunAsFailed) {
    Show(grade->name, 0);
    const int before = Count("SELECT count(*) FROM tavrinName");
    files.SetNextAnswer(s_dir->filePath("rows.xls"));
    table = "Sheet1$";
    mapping = {"XH", "XM", "", "BJ"};
    Click(*dlg, CStudentListDlg::IDC_IMPORT);
    EXPECT_EQ(BoxTexts().back(), "成功倒入40条，有0条因失败未导入！");
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName"), before + 40);
    EXPECT_EQ(Scalar("SELECT grade||' '||name||' '||class FROM tavrinName WHERE studentid='020000012'"),
              grade->code + " 学生12 13");

    files.SetNextAnswer(s_dir->filePath("rows.dbf"));
    Click(*dlg, CStudentListDlg::IDC_IMPORT);
    // Every row is listed with its reason.
    ASSERT_EQ(results.size(), 1);
    EXPECT_TRUE(results.back().startsWith("成功倒入0条，有40条因失败未导入！\n\n行号\t学号\t姓名\t原因\n"
                                          "1\t020000000\t学生0\t学号已存在\n"));
    EXPECT_EQ(results.back().count("\t学号已存在"), 40);

    // The FoxPro table of every type: its numeric class and its eight-byte names.
    files.SetNextAnswer(s_dir->filePath("stu.dbf"));
    mapping = {"XH", "XM", "", "BJ", "ZS"};
    Db().Execute("DELETE FROM tavrinName WHERE studentid LIKE '02007%' OR studentid LIKE '2007%'");
    Click(*dlg, CStudentListDlg::IDC_IMPORT);
    EXPECT_EQ(BoxTexts().back(), "成功倒入3条，有0条因失败未导入！");
    EXPECT_EQ(Stored("class||' '||quote(id)||' '||name", "020070146"), "'12 NULL 学生乙'");
    EXPECT_EQ(Stored("class||' '||name", "20070148"), "'99 ABCDEFGH'");

    // An Access table: numbers and names cut to their bytes, a nine-digit number read as two digits.
    files.SetNextAnswer(importtest::AccessFile("testV2000.mdb"));
    table = "Table1";
    mapping = {"A", "B", "", "C", "E"};
    Click(*dlg, CStudentListDlg::IDC_IMPORT);
    // The names cut are listed, each once, with the rows imported.
    ASSERT_EQ(results.size(), 2);
    EXPECT_TRUE(results.back().startsWith("成功倒入2条，有0条因失败未导入！")) << results.back().toStdString();
    EXPECT_GE(results.back().count("\t姓名超过8个字节，已截短"), 1) << results.back().toStdString();
    EXPECT_EQ(Stored("name||' '||class||' '||id", "abcdefg"), "'hijklmno 2 33'");

    // Headers with blanks around them (" 学号", "姓名 ", " 班级 ") are offered and found trimmed.
    files.SetNextAnswer(s_dir->filePath("blanks.xls"));
    table = "Sheet1$";
    mapping = {"学号", "姓名", "", "班级"};
    Db().Execute("DELETE FROM tavrinName WHERE studentid LIKE '0200%'");
    Click(*dlg, CStudentListDlg::IDC_IMPORT);
    EXPECT_EQ(BoxTexts().back(), "成功倒入3条，有0条因失败未导入！");
    EXPECT_EQ(Stored("name||' '||class", "020000002"), "'学生2 3'");

    // A name typed into the map that is no column of the table: the error, nothing written.
    table = "Sheet1$";
    files.SetNextAnswer(s_dir->filePath("rows.xls"));
    mapping = {"XH", "XM", "", "没有"};
    Db().Execute("DELETE FROM tavrinName WHERE studentid LIKE '0200%'");
    const int now = Count("SELECT count(*) FROM tavrinName");
    Click(*dlg, CStudentListDlg::IDC_IMPORT);
    EXPECT_TRUE(BoxTexts().back().startsWith("错误信息:")) << BoxTexts().back().toStdString();
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName"), now);
}

// A FoxPro number field whose text is no number ("*****", a damaged digit) fails its row with
// the field and the text listed, whichever field it feeds; a field of blanks leaves its column
// empty. A header whose record count disagrees with the file's size refuses the file.
TEST_F(StudentList, FoxProNumbersThatDoNotReadFailTheirRowsAndAWrongRecordCountRefusesTheFile) {
    Show(grade->name, 0);
    const QStringList fields{"XH N(9,0)", "XM C(8)", "BJ N(2,0)"};
    const std::vector<QStringList> records{{"123450001", "Li Lei", "3"},
                                           {"123450002", "Han Mei", "**"},
                                           {"123450003", "Wang Wu", " x"},
                                           {"123450004", "Zhao Liu", ""},
                                           {"*********", "Sun Qi", "4"}};
    const QString path = s_dir->filePath("roster.dbf");
    ASSERT_TRUE(importtest::WriteBytes(path, importtest::FoxProTable(fields, records)));
    files.SetNextAnswer(path);
    mapping = {"XH", "XM", "", "BJ"};
    Click(*dlg, CStudentListDlg::IDC_IMPORT);
    ASSERT_EQ(results.size(), 1);
    EXPECT_TRUE(results.back().startsWith(
        "成功倒入2条，有3条因失败未导入！\n\n行号\t学号\t姓名\t原因\n"
        "2\t123450002\tHan Mei\t班级：** 不是数\n"
        "3\t123450003\tWang Wu\t班级：x 不是数\n"
        "4\t123450004\tZhao Liu\t班级为空：请在学生名单中填写班级，否则不能准备登分表\n"
        "5\t*********\tSun Qi\t学号：********* 不是数"))
        << results.back().toStdString();
    EXPECT_EQ(Stored("class", "123450001"), "3");
    EXPECT_EQ(Stored("class", "123450004"), "NULL");
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName WHERE studentid IN ('123450002', '123450003')"), 0);

    // A low and a zero record count: the file is refused whole, nothing is written.
    Db().Execute("DELETE FROM tavrinName WHERE studentid LIKE '12345%'");
    const auto before = TableDigests();
    for (const int count : {3, 0}) {
        ASSERT_TRUE(importtest::WriteBytes(path, importtest::FoxProTable(fields, records, count)));
        files.SetNextAnswer(path);
        Click(*dlg, CStudentListDlg::IDC_IMPORT);
        EXPECT_EQ(BoxTexts().back(),
                  QString("错误信息:无法读取FoxPro表“%1”：文件已损坏，文件头记有%2条记录，与文件的大小不符。")
                      .arg(path)
                      .arg(count));
        EXPECT_EQ(TableDigests(), before);
    }
    EXPECT_EQ(results.size(), 1);
}

TEST_F(StudentList, AnImportTheDiskCannotHoldChangesNothingAndSaysSo) {
    QTemporaryDir big;
    importtest::MakeSources(big.path(), {"rows.xls:3000"});
    Show(grade->name, 0);
    const QStringList listed = GridColumn(Grid(), 0);
    const auto before = TableDigests();
    FillDiskAfter(2);
    ExpectWarning full("database or disk is full");
    files.SetNextAnswer(big.filePath("rows.xls"));
    table = "Sheet1$";
    mapping = {"XH", "XM", "", "BJ"};
    Click(*dlg, CStudentListDlg::IDC_IMPORT);
    EXPECT_EQ(BoxTexts().back(), "磁盘已满，导入没有完成，数据库没有改变。");
    EXPECT_EQ(TableDigests(), before);
    EXPECT_EQ(GridColumn(Grid(), 0), listed);
}

TEST_F(StudentList, AnImportThatRunsOutOfMemorySaysTheFileIsTooLargeAndChangesNothing) {
    Show(grade->name, 0);
    const QStringList listed = GridColumn(Grid(), 0);
    const auto before = TableDigests();
    importsrc::SetLoadRowCheck([](int row) {
        if (row == 20)
            throw std::bad_alloc();
    });
    ExpectWarning memory("ran out of memory");
    const QString path = s_dir->filePath("rows.xls");
    files.SetNextAnswer(path);
    table = "Sheet1$";
    mapping = {"XH", "XM", "", "BJ"};
    Click(*dlg, CStudentListDlg::IDC_IMPORT);
    importsrc::SetLoadRowCheck({});
    EXPECT_EQ(BoxTexts().back(), "文件太大，无法导入：" + path);
    EXPECT_EQ(TableDigests(), before);
    EXPECT_EQ(GridColumn(Grid(), 0), listed);
}

} // namespace
} // namespace adminb
