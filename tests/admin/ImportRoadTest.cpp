// The import road: offers and mappings per mode, the table-pick and field-map dialogs as a user
// works them, and the road from the file dialog to the mapped source on real files.

#include "AdminASupport.h"

#include "admin/ImportFieldMapDlg.h"
#include "admin/ImportRoad.h"
#include "admin/ImportSource.h"
#include "admin/TablePickDlg.h"
#include "controls/grid/GridCellCombo.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "tests/platform/import/SourceFiles.h"

#include <gtest/gtest.h>

#include <QTest>

#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace {

using admin::CImportSource;
using admin::ImportRoadEnd;

const QString kInfoCaption = QStringLiteral("信息提示");

class ImportRoadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_dir->isValid());
        importtest::MakeSources(s_dir->path(),
                                {QStringLiteral("school.xls"), QStringLiteral("stu.dbf"),
                                 QStringLiteral("rows.xls:40"), QStringLiteral("blanks.xls:3")});
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override {
        ui::SetDialogRunner([this](ui::Dialog& d) -> int {
            shown << QString::fromLatin1(d.metaObject()->className());
            if (auto* pick = dynamic_cast<CTablePickDlg*>(&d)) {
                admintest::Open(*pick);
                return answerPick ? answerPick(*pick) : ui::IDCANCEL;
            }
            if (auto* map = dynamic_cast<CImportFieldMapDlg*>(&d)) {
                admintest::Open(*map);
                return answerMap ? answerMap(*map) : ui::IDCANCEL;
            }
            return ui::IDCANCEL;
        });
    }
    void TearDown() override { ui::SetDialogRunner({}); }

    static QString Generated(const QString& name) { return s_dir->filePath(name); }

    // The source opened and its table selected, as the road leaves it.
    static std::unique_ptr<CImportSource> Selected(const QString& path, const QString& table) {
        auto source = std::make_unique<CImportSource>();
        source->Open(path);
        source->SelectTable(table);
        return source;
    }

    // Types the texts into column 1 of the map (row 1 first; an empty text leaves the row) and
    // presses 导入. Returns the dialog's result: IDOK, or 0 while it stays open.
    static int MapAndImport(CImportFieldMapDlg& map, const QStringList& texts) {
        for (int row = 1; row <= texts.size(); ++row)
            if (!texts.at(row - 1).isEmpty())
                admina::EditCell(map.GetGrid(), row, 1, texts.at(row - 1));
        admintest::Click(map, ui::IDOK);
        return map.result();
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
    ui::ScriptedMessageBoxes boxes;
    ui::ScriptedFileDialogs files;
    QStringList shown;
    std::function<int(CTablePickDlg&)> answerPick;
    std::function<int(CImportFieldMapDlg&)> answerMap;
};

std::unique_ptr<QTemporaryDir> ImportRoadTest::s_dir;

TEST(ImportMapping, OffersSplitAndRefusalsPerMode) {
    EXPECT_EQ(admin::ImportTargetFields(admin::IMPORT_ROSTER).size(), 9);
    EXPECT_EQ(
        admin::ImportTargetFields(admin::IMPORT_SCORES_BY_NUMBER),
        (QStringList{QStringLiteral("学号[字符型,9位]"), QStringLiteral("I卷"), QStringLiteral("II卷")}));
    EXPECT_EQ(admin::ImportTargetFields(admin::IMPORT_SCORES_BY_NAME).first(),
              QStringLiteral("姓名[字符型,8位]"));

    const admin::ImportColumnRef offer = admin::SplitImportOffer(QStringLiteral("成绩 [a][N]"));
    EXPECT_EQ(offer.column, QStringLiteral("成绩 "));
    EXPECT_EQ(offer.classLetter, u'a');
    EXPECT_TRUE(offer.hasClass);
    const admin::ImportColumnRef typed = admin::SplitImportOffer(QStringLiteral("XH"));
    EXPECT_EQ(typed.column, QStringLiteral("XH"));
    EXPECT_FALSE(typed.hasClass);

    const auto refusal = [](int mode, QStringList texts) { return admin::ImportMappingRefusal(mode, texts); };
    const QString roster = QStringLiteral("对不起，必须导入学号和姓名！");
    EXPECT_EQ(refusal(admin::IMPORT_ROSTER, {QStringLiteral("XH"), QStringLiteral("  ")}), roster);
    EXPECT_EQ(refusal(admin::IMPORT_ROSTER, {QString(), QStringLiteral("XM")}), roster);
    EXPECT_TRUE(refusal(admin::IMPORT_ROSTER, {QStringLiteral("XH"), QStringLiteral("XM")}).isEmpty());

    // By student number: the number and either paper; II卷 alone will do.
    EXPECT_TRUE(
        refusal(admin::IMPORT_SCORES_BY_NUMBER, {QStringLiteral("XH[C]"), QString(), QStringLiteral("P2[N]")})
            .isEmpty());
    const QString byNumber =
        refusal(admin::IMPORT_SCORES_BY_NUMBER, {QStringLiteral("XH[C]"), QStringLiteral(" ")});
    EXPECT_EQ(byNumber.count(u'\n'), 1);
    EXPECT_TRUE(byNumber.contains(QStringLiteral("学号")));
    EXPECT_FALSE(refusal(admin::IMPORT_SCORES_BY_NUMBER, {QString(), QStringLiteral("P1[N]")}).isEmpty());

    // By name: name, class and either paper.
    EXPECT_TRUE(refusal(admin::IMPORT_SCORES_BY_NAME, {QStringLiteral("XM[C]"), QStringLiteral("BJ[N]"),
                                                       QStringLiteral("P1[N]"), QString()})
                    .isEmpty());
    const QString byName =
        refusal(admin::IMPORT_SCORES_BY_NAME, {QStringLiteral("XM[C]"), QString(), QStringLiteral("P1[N]")});
    EXPECT_EQ(byName.count(u'\n'), 1);
    EXPECT_TRUE(byName.contains(QStringLiteral("班级")));
    EXPECT_FALSE(
        refusal(admin::IMPORT_SCORES_BY_NAME, {QStringLiteral("XM[C]"), QStringLiteral("BJ[N]")}).isEmpty());
}

TEST_F(ImportRoadTest, OffersByModeAndColumnClass) {
    auto school = Selected(Generated(QStringLiteral("school.xls")), QStringLiteral("成绩表$"));
    EXPECT_EQ(admin::ImportOffers(school->Records(), admin::IMPORT_ROSTER),
              QStringList({QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("班级"),
                           QStringLiteral("P1"), QStringLiteral("P2"), QStringLiteral("考试日期"),
                           QStringLiteral("F7"), QStringLiteral("混合"), QStringLiteral("备注")}));
    // A date column refuses the whole source for the score imports, mapped or not.
    EXPECT_EQ(admin::ImportOffers(school->Records(), admin::IMPORT_SCORES_BY_NUMBER), std::nullopt);
    EXPECT_EQ(admin::ImportOffers(school->Records(), admin::IMPORT_SCORES_BY_NAME), std::nullopt);

    auto rows = Selected(Generated(QStringLiteral("rows.xls")), QStringLiteral("Sheet1$"));
    EXPECT_EQ(admin::ImportOffers(rows->Records(), admin::IMPORT_SCORES_BY_NAME),
              QStringList({QStringLiteral("XH[C]"), QStringLiteral("XM[C]"), QStringLiteral("BJ[N]"),
                           QStringLiteral("P1[N]"), QStringLiteral("P2[N]")}));

    // Headers with blanks around them are offered trimmed.
    auto blanks = Selected(Generated(QStringLiteral("blanks.xls")), QStringLiteral("Sheet1$"));
    EXPECT_EQ(admin::ImportOffers(blanks->Records(), admin::IMPORT_SCORES_BY_NAME),
              QStringList({QStringLiteral("学号[C]"), QStringLiteral("姓名[C]"), QStringLiteral("班级[N]"),
                           QStringLiteral("P1[N]"), QStringLiteral("P2[N]")}));

    auto access =
        Selected(importtest::AccessFile(QStringLiteral("compIndexTestV1997.mdb")), QStringLiteral("Table1"));
    EXPECT_EQ(admin::ImportOffers(access->Records(), admin::IMPORT_SCORES_BY_NUMBER),
              QStringList({QStringLiteral("CD_AGENTE[N]"), QStringLiteral("RS_AGENTE[C]"),
                           QStringLiteral("DC_AGENTE[C]")}));
    // Currency, dates and yes/no have no class.
    auto types = Selected(importtest::AccessFile(QStringLiteral("testV2000.mdb")), QStringLiteral("Table1"));
    EXPECT_EQ(admin::ImportOffers(types->Records(), admin::IMPORT_SCORES_BY_NUMBER), std::nullopt);
    auto fox = Selected(Generated(QStringLiteral("stu.dbf")), QStringLiteral("stu.dbf"));
    EXPECT_EQ(admin::ImportOffers(fox->Records(), admin::IMPORT_SCORES_BY_NAME), std::nullopt);
}

TEST_F(ImportRoadTest, FieldMapShowsTheTargetsAndOffersOfEachMode) {
    const QStringList offers{QStringLiteral("XH[C]"), QStringLiteral("a|b[N]"), QStringLiteral("P2[N]")};
    struct Mode {
        int mode;
        int rows;
        QString caption;
    };
    for (const Mode& m : {Mode{admin::IMPORT_ROSTER, 10, QStringLiteral("学生名单导入")},
                          Mode{admin::IMPORT_SCORES_BY_NUMBER, 4, QStringLiteral("按学号导入考试成绩")},
                          Mode{admin::IMPORT_SCORES_BY_NAME, 5, QStringLiteral("按学生姓名导入考试成绩")}}) {
        SCOPED_TRACE(m.mode);
        CImportFieldMapDlg map;
        for (const QString& offer : offers)
            map.JoinFieldNames(offer);
        map.SetImportMode(m.mode);
        admintest::Open(map);
        CGridCtrl& grid = map.GetGrid();
        EXPECT_EQ(map.windowTitle(), m.caption);
        ASSERT_EQ(grid.GetRowCount(), m.rows);
        EXPECT_EQ(grid.GetColumnCount(), 2);
        EXPECT_EQ(grid.GetFixedRowCount(), 1);
        EXPECT_EQ(grid.GetFixedColumnCount(), 1);
        EXPECT_EQ(grid.GetItemText(0, 0), QStringLiteral("目标字段"));
        EXPECT_EQ(grid.GetItemText(0, 1), QStringLiteral("数据源字段"));
        EXPECT_EQ(admintest::GridColumn(grid, 0), admin::ImportTargetFields(m.mode));
        EXPECT_EQ(grid.GetFont()->GetLogFont().lfFaceName, QStringLiteral("宋体"));
        for (int row = 1; row < m.rows; ++row) {
            auto* cell = dynamic_cast<CGridCellCombo*>(grid.GetCell(row, 1));
            ASSERT_NE(cell, nullptr);
            // A name with "|" is one offer.
            EXPECT_EQ(cell->GetOptions(), offers);
            EXPECT_EQ(cell->GetStyle(), CBS_DROPDOWN);
        }
        EXPECT_EQ(map.GetMappedTexts(), QStringList(m.rows - 1, QString()));
    }
}

TEST_F(ImportRoadTest, FieldMapClosesOnEscWhereverTheFocusIs) {
    CImportFieldMapDlg map;
    map.JoinFieldNames(QStringLiteral("学号"));
    admintest::Open(map);
    map.GetGrid().SetFocusCell(1, 1);
    map.GetGrid().setFocus();
    QTest::keyClick(&map.GetGrid(), Qt::Key_Escape);
    EXPECT_EQ(map.result(), ui::IDCANCEL);
    EXPECT_FALSE(map.isVisible());

    CImportFieldMapDlg other;
    admintest::Open(other);
    QTest::keyClick(&other, Qt::Key_Escape);
    EXPECT_FALSE(other.isVisible());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ImportRoadTest, FieldMapRefusesAnIncompleteMappingAndKeepsTypedTexts) {
    CImportFieldMapDlg roster;
    roster.JoinFieldNames(QStringLiteral("学号"));
    roster.JoinFieldNames(QStringLiteral("姓名"));
    admintest::Open(roster);
    EXPECT_NE(MapAndImport(roster, {QStringLiteral("学号")}), ui::IDOK);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, QStringLiteral("对不起，必须导入学号和姓名！"));
    EXPECT_EQ(boxes.Boxes()[0].caption, kInfoCaption);
    EXPECT_EQ(boxes.Boxes()[0].type, ui::MB_ICONERROR);
    EXPECT_TRUE(roster.isVisible());

    // A text typed in place of an offer goes to the import as it stands.
    ASSERT_TRUE(admina::TypeIntoCell(roster.GetGrid(), 2, 1, QStringLiteral("自填 列")));
    ASSERT_TRUE(admina::TypeIntoCell(roster.GetGrid(), 4, 1, QStringLiteral("BJ")));
    admintest::Click(roster, ui::IDOK);
    EXPECT_EQ(roster.result(), ui::IDOK);
    EXPECT_FALSE(roster.isVisible());
    // The texts stay readable after the dialog has closed.
    EXPECT_EQ(
        roster.GetMappedTexts().mid(0, 4),
        (QStringList{QStringLiteral("学号"), QStringLiteral("自填 列"), QString(), QStringLiteral("BJ")}));

    CImportFieldMapDlg byNumber;
    byNumber.SetImportMode(admin::IMPORT_SCORES_BY_NUMBER);
    admintest::Open(byNumber);
    boxes.Clear();
    EXPECT_NE(MapAndImport(byNumber, {QStringLiteral("XH[C]")}), ui::IDOK);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].type, ui::MB_ICONERROR);
    EXPECT_EQ(MapAndImport(byNumber, {QString(), QString(), QStringLiteral("P2[N]")}), ui::IDOK);
    EXPECT_EQ(byNumber.GetMappedTexts(),
              (QStringList{QStringLiteral("XH[C]"), QString(), QStringLiteral("P2[N]")}));

    CImportFieldMapDlg byName;
    byName.SetImportMode(admin::IMPORT_SCORES_BY_NAME);
    admintest::Open(byName);
    boxes.Clear();
    EXPECT_NE(MapAndImport(byName, {QStringLiteral("XM[C]"), QString(), QStringLiteral("P1[N]")}), ui::IDOK);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(MapAndImport(byName, {QString(), QStringLiteral("BJ[N]")}), ui::IDOK);

    boxes.Clear();
    admintest::Click(byName, CImportFieldMapDlg::IDC_HELP);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, QStringLiteral("一个英文字符是1位，一个汉字大小是2位。"));
    EXPECT_EQ(boxes.Boxes()[0].caption, kInfoCaption);
    EXPECT_EQ(boxes.Boxes()[0].type, ui::MB_ICONINFORMATION);
}

TEST_F(ImportRoadTest, TablePickListsNamesWholeAndInOrder) {
    CTablePickDlg pick;
    EXPECT_EQ(pick.windowTitle(), QStringLiteral("请选择数据库中的表"));
    const QStringList names{QStringLiteral("成绩表$"), QStringLiteral("a|b$"), QStringLiteral("Another$")};
    for (const QString& name : names)
        pick.AddTable(name);
    EXPECT_EQ(pick.GetTableCount(), 3);
    admintest::Open(pick);
    QStringList listed;
    for (int i = 0; i < pick.TableList().count(); ++i)
        listed << pick.TableList().item(i)->text();
    EXPECT_EQ(listed, names);

    // Nothing clicked: the first table, shown chosen.
    EXPECT_TRUE(pick.TableList().item(0)->isSelected());
    admintest::Click(pick, ui::IDOK);
    EXPECT_EQ(pick.result(), ui::IDOK);
    EXPECT_EQ(pick.GetSelection(), names.first());

    CTablePickDlg again;
    for (const QString& name : names)
        again.AddTable(name);
    admintest::Open(again);
    again.TableList().setCurrentRow(1);
    admintest::Click(again, ui::IDOK);
    EXPECT_EQ(again.GetSelection(), QStringLiteral("a|b$"));

    // A double click on a name takes it.
    CTablePickDlg twice;
    for (const QString& name : names)
        twice.AddTable(name);
    admintest::Open(twice);
    QListWidget& list = twice.TableList();
    emit list.itemDoubleClicked(list.item(2));
    EXPECT_EQ(twice.result(), ui::IDOK);
    EXPECT_FALSE(twice.isVisible());
    EXPECT_EQ(twice.GetSelection(), QStringLiteral("Another$"));

    CTablePickDlg set;
    set.SetSelection(QStringLiteral("stu.dbf"));
    EXPECT_EQ(set.GetSelection(), QStringLiteral("stu.dbf"));
}

TEST_F(ImportRoadTest, RoadFromAWorkbookToTheMappedTable) {
    // The extension in capitals is still a workbook's.
    const QString path = s_dir->filePath(QStringLiteral("SCHOOL.XLS"));
    ASSERT_TRUE(importtest::CopyFile(Generated(QStringLiteral("school.xls")), path));
    files.SetNextAnswer(path);
    QStringList listed;
    answerPick = [&](CTablePickDlg& pick) {
        for (int i = 0; i < pick.TableList().count(); ++i)
            listed << pick.TableList().item(i)->text();
        pick.TableList().setCurrentRow(0);
        admintest::Click(pick, ui::IDOK);
        return pick.result();
    };
    QStringList offered;
    answerMap = [&](CImportFieldMapDlg& map) {
        offered = dynamic_cast<CGridCellCombo*>(map.GetGrid().GetCell(1, 1))->GetOptions();
        return MapAndImport(
            map, {QStringLiteral("学号"), QStringLiteral("姓名"), QString(), QStringLiteral("班级")});
    };
    CImportSource source;
    CImportFieldMapDlg map;
    EXPECT_EQ(admin::RunImportRoad(nullptr, admin::IMPORT_ROSTER, source, map), ImportRoadEnd::Mapped);
    EXPECT_EQ(files.Filters(), QStringList{admin::ImportFileFilter()});
    EXPECT_EQ(files.Titles(), QStringList{QStringLiteral("选择数据来源文件")});
    EXPECT_EQ(shown, (QStringList{QStringLiteral("CTablePickDlg"), QStringLiteral("CImportFieldMapDlg")}));
    EXPECT_EQ(listed, (QStringList{QStringLiteral("成绩表$"), QStringLiteral("Another$"),
                                   QStringLiteral("班 'a|b'$"), QStringLiteral("Empty$")}));
    EXPECT_EQ(offered.size(), 9);
    EXPECT_EQ(source.ChosenTable(), QStringLiteral("成绩表$"));
    EXPECT_EQ(source.Records().RecordCount(), 5);
    EXPECT_EQ(map.GetMappedText(4), QStringLiteral("班级"));
    // The roster import reads the rows by the mapped names.
    EXPECT_EQ(source.Records().Field(map.GetMappedText(2)).ToString(), QStringLiteral("学生甲"));
    EXPECT_TRUE(boxes.Texts().isEmpty());
}

TEST_F(ImportRoadTest, RoadOfAScoreImportIndexesItsKeys) {
    files.SetNextAnswer(Generated(QStringLiteral("rows.xls")));
    answerPick = [](CTablePickDlg& pick) {
        pick.TableList().setCurrentRow(0);
        admintest::Click(pick, ui::IDOK);
        return pick.result();
    };
    answerMap = [](CImportFieldMapDlg& map) {
        return MapAndImport(
            map, {QStringLiteral("XM[C]"), QStringLiteral("BJ[N]"), QString(), QStringLiteral("P2[N]")});
    };
    CImportSource source;
    CImportFieldMapDlg map;
    ASSERT_EQ(admin::RunImportRoad(nullptr, admin::IMPORT_SCORES_BY_NAME, source, map),
              ImportRoadEnd::Mapped);
    EXPECT_EQ(map.windowTitle(), QStringLiteral("按学生姓名导入考试成绩"));
    db::Recordset plan = source.Connection().Execute(
        QStringLiteral("EXPLAIN QUERY PLAN select P2 from [Sheet1$] where XM='学生3' and trim(str(BJ))='4'"));
    EXPECT_TRUE(plan.Field(QStringLiteral("detail")).ToString().contains(QStringLiteral("USING INDEX")));
    EXPECT_EQ(source.Connection()
                  .Execute(QStringLiteral("select P2 from [Sheet1$] where XM='学生3' and trim(str(BJ))='4'"))
                  .Field(0)
                  .ToDouble(),
              21.5);
}

TEST_F(ImportRoadTest, RoadEndsQuietlyWhenTheUserCancels) {
    CImportSource source;
    {
        CImportFieldMapDlg map;
        EXPECT_EQ(admin::RunImportRoad(nullptr, admin::IMPORT_ROSTER, source, map), ImportRoadEnd::NoFile);
        EXPECT_TRUE(shown.isEmpty());
    }
    {
        files.SetNextAnswer(Generated(QStringLiteral("school.xls")));
        CImportFieldMapDlg map;
        EXPECT_EQ(admin::RunImportRoad(nullptr, admin::IMPORT_ROSTER, source, map),
                  ImportRoadEnd::TableCancelled);
        EXPECT_FALSE(source.IsOpen());
    }
    {
        // A FoxPro file is its own table: no table dialog.
        shown.clear();
        files.SetNextAnswer(Generated(QStringLiteral("stu.dbf")));
        CImportFieldMapDlg map;
        EXPECT_EQ(admin::RunImportRoad(nullptr, admin::IMPORT_ROSTER, source, map),
                  ImportRoadEnd::MapCancelled);
        EXPECT_EQ(shown, QStringList{QStringLiteral("CImportFieldMapDlg")});
        EXPECT_EQ(source.ChosenTable(), QStringLiteral("stu.dbf"));
        EXPECT_EQ(source.Records().RecordCount(), 3);
    }
    EXPECT_TRUE(boxes.Texts().isEmpty());
}

TEST_F(ImportRoadTest, RoadRefusesUnsupportedColumnsAndReportsUnreadableSources) {
    CImportSource source;
    {
        files.SetNextAnswer(Generated(QStringLiteral("stu.dbf")));
        CImportFieldMapDlg map;
        EXPECT_EQ(admin::RunImportRoad(nullptr, admin::IMPORT_SCORES_BY_NUMBER, source, map),
                  ImportRoadEnd::Unsupported);
        EXPECT_TRUE(shown.isEmpty());
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        // The first column of no class, the date column, is named.
        EXPECT_EQ(boxes.Boxes()[0].text,
                  QStringLiteral("数据导入时不支持该种数据类型！（字段“RQ”既不是数字也不是文字）"));
        EXPECT_EQ(boxes.Boxes()[0].caption, kInfoCaption);
        EXPECT_EQ(boxes.Boxes()[0].type, ui::MB_ICONERROR);
        EXPECT_FALSE(source.IsOpen());
    }
    {
        // Any other extension is tried as an Access database.
        const QString text = s_dir->filePath(QStringLiteral("名单.txt"));
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("020070145,学生甲\n");
        f.close();
        files.SetNextAnswer(text);
        CImportFieldMapDlg map;
        boxes.Clear();
        try {
            admin::RunImportRoad(nullptr, admin::IMPORT_ROSTER, source, map);
            ADD_FAILURE() << "a text file opened";
        } catch (const db::DbError& e) {
            admin::ShowImportError(nullptr, e);
        }
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_TRUE(boxes.Boxes()[0].text.startsWith(QStringLiteral("错误信息:无法读取Access数据库“")));
        EXPECT_TRUE(boxes.Boxes()[0].text.contains(QStringLiteral("名单.txt")));
        EXPECT_EQ(boxes.Boxes()[0].caption, QStringLiteral("信息提示"));
        EXPECT_EQ(boxes.Boxes()[0].type, ui::MB_OK);
        // The temporary file a source is loaded into meets a full disk: told in the program's words.
        boxes.Clear();
        admin::ShowImportError(nullptr, db::DbError(SQLITE_FULL, QStringLiteral("database or disk is full")));
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, QStringLiteral("磁盘已满，导入没有完成，数据库没有改变。"));
    }
    {
        // 确定 with the choice taken away (a Ctrl+click): no such table.
        files.SetNextAnswer(importtest::AccessFile(QStringLiteral("testV1997.mdb")));
        answerPick = [](CTablePickDlg& pick) {
            pick.TableList().clearSelection();
            admintest::Click(pick, ui::IDOK);
            return pick.result();
        };
        CImportFieldMapDlg map;
        EXPECT_THROW(admin::RunImportRoad(nullptr, admin::IMPORT_ROSTER, source, map), db::DbError);
    }
}

} // namespace
