// The exam-room arrangement: seating as a pure function, then the dialog on a small sample school
// (listing, header sorts, arranging, refusals, saving) and its printouts.

#include "AdminBSupport.h"

#include "admin/ExamRoom.h"
#include "admin/ExamRoomDlg.h"
#include "admin/RoomOutputDlg.h"
#include "admin/RoomReport.h"
#include "controls/grid/GridCellBase.h"
#include "platform/db/Transaction.h"
#include "platform/report/LabelTemplate.h"
#include "platform/report/Output.h"
#include "platform/ui/Random.h"
#include "tests/platform/report/PdfText.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <map>
#include <numeric>

using namespace adminb;
using namespace examroom;

namespace {

QSet<QString> Distinct(const QStringList& texts) {
    return QSet<QString>(texts.begin(), texts.end());
}

QStringList ExamNumbers(const std::vector<Seat>& seats) {
    QStringList numbers;
    for (const Seat& s : seats)
        numbers << s.ExamNumber();
    return numbers;
}

} // namespace

TEST(ExamRoomSeating, RoomsAlternateTheirCapacitiesAndTheLastTakesTheRest) {
    std::vector<int> randoms(100);
    std::iota(randoms.begin(), randoms.end(), 0); // seated in student-number order
    const std::vector<Seat> seats = ArrangeSeats(randoms, 30, 28);
    std::map<int, int> perRoom;
    for (const Seat& s : seats)
        ++perRoom[s.room];
    EXPECT_EQ(perRoom, (std::map<int, int>{{1, 30}, {2, 28}, {3, 30}, {4, 12}}));
    EXPECT_EQ(seats[0].ExamNumber(), "0101");
    EXPECT_EQ(seats[29].ExamNumber(), "0130");
    EXPECT_EQ(seats[30].ExamNumber(), "0201");
    EXPECT_EQ(seats[30].RoomText(), "02");
    EXPECT_EQ(seats[99].ExamNumber(), "0412");
    EXPECT_EQ(RoomCount(100, 30, 28), 4);
    EXPECT_EQ(RoomCount(0, 30, 28), 0);
}

TEST(ExamRoomSeating, TheDrawnNumbersGiveTheSeatingOrder) {
    EXPECT_EQ(ExamNumbers(ArrangeSeats({30, 10, 20, 0}, 25, 25)),
              QStringList({"0104", "0102", "0103", "0101"}));
    // Equal numbers keep the student-number order.
    EXPECT_EQ(ExamNumbers(ArrangeSeats({5, 5, 1}, 2, 2)), QStringList({"0102", "0201", "0101"}));

    const auto draw = [](unsigned seed) {
        ui::Srand(seed);
        std::vector<int> randoms(60);
        for (int& r : randoms)
            r = ui::Rand();
        return ExamNumbers(ArrangeSeats(randoms, 30, 30));
    };
    EXPECT_NE(draw(1), draw(2));
    EXPECT_EQ(draw(7), draw(7));
}

TEST(ExamRoomSeating, ArrangementsThatDoNotFitTwoDigitsAreRefused) {
    const QString capacity = QStringLiteral("每考室人数必须在1到99之间！");
    const QString rooms = QStringLiteral("考室数不能超过99个！");
    EXPECT_EQ(CheckArrangement(10, 0, 25), capacity);
    EXPECT_EQ(CheckArrangement(10, 25, 100), capacity);
    EXPECT_EQ(CheckArrangement(1200, 1, 1), rooms);
    EXPECT_EQ(CheckArrangement(100, 1, 1), rooms);
    EXPECT_EQ(CheckArrangement(99, 1, 1), std::nullopt);
    EXPECT_EQ(CheckArrangement(99 * 99, 99, 99), std::nullopt);
    EXPECT_EQ(CheckArrangement(0, 25, 25), std::nullopt);

    EXPECT_EQ(ParseCapacity(QStringLiteral(" 30 ")), 30);
    EXPECT_EQ(ParseCapacity(QStringLiteral("99")), 99);
    for (const char* text : {"", "0", "100", "-3", "abc", "3x"})
        EXPECT_EQ(ParseCapacity(QString::fromLatin1(text)), std::nullopt) << text;
}

namespace {

class ExamRoomDlgTest : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        senior = school.grades[0];
        junior = school.grades[1];
        dlg = std::make_unique<CExamRoomDlg>();
        Open(*dlg);
    }
    void TearDown() override {
        ui::SetRandomSource({});
        ui::SetDialogRunner({});
        dlg.reset();
        AdminBTest::TearDown();
    }

    CGridCtrl& Grid() { return dlg->GetGrid(); }
    QComboBox* GradeBox() { return dlg->GetDlgItem<QComboBox>(CExamRoomDlg::IDC_GRADE); }

    void List(const QString& grade, int streamButton = CExamRoomDlg::IDC_ALL_STREAMS) {
        ASSERT_TRUE(Choose(GradeBox(), grade));
        Click(*dlg, streamButton);
        Click(*dlg, CExamRoomDlg::IDC_LIST);
    }
    void SetCapacities(const QString& odd, const QString& even) {
        dlg->GetDlgItem<QLineEdit>(CExamRoomDlg::IDC_ODD_CAPACITY)->setText(odd);
        dlg->GetDlgItem<QLineEdit>(CExamRoomDlg::IDC_EVEN_CAPACITY)->setText(even);
    }
    // Arranges with the numbers n-1, n-2, ..., 0 drawn: the seating order is the reverse of the
    // student-number order.
    void ArrangeReversed() {
        auto next = std::make_shared<int>(dlg->GetRowCount() - 1);
        ui::SetRandomSource([next] { return --*next; });
        Click(*dlg, CExamRoomDlg::IDC_ARRANGE);
    }
    // Student number → exam number, as the roster holds them for the grade.
    std::map<QString, QString> Roster(const QString& code) {
        std::map<QString, QString> kh;
        db::Recordset rs = Db().Execute(
            QStringLiteral("SELECT studentid, kh FROM tavrinName WHERE studentid LIKE ?"), code + u'%');
        for (; !rs.IsEOF(); rs.MoveNext())
            kh[rs.Field(0).ToString()] = rs.Field(1).IsNull() ? QString() : rs.Field(1).ToString();
        return kh;
    }
    std::map<QString, QString> GridNumbers() {
        std::map<QString, QString> kh;
        for (int r = 1; r < Grid().GetRowCount(); ++r)
            kh[Grid().GetItemText(r, kColStudentId)] = Grid().GetItemText(r, kColExamNumber);
        return kh;
    }
    int ActiveCount(const QString& code, const QString& stream = {}) {
        QString sql = QStringLiteral(
            "SELECT count(*) FROM tavrinName WHERE studentid LIKE ? AND (active='是' OR active IS NULL)");
        if (!stream.isEmpty())
            sql += QStringLiteral(" AND worl='%1'").arg(stream);
        return Count(sql, {code + u'%'});
    }
    void ClickHeader(int col) {
        gdi::Rect rect;
        ASSERT_TRUE(Grid().GetCellRect(0, col, &rect));
        QTest::mouseClick(
            &Grid(), Qt::LeftButton, {},
            Grid().ClientToWidget(gdi::Point((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2)));
    }
    static std::vector<long> Numbers(const QStringList& texts) {
        std::vector<long> numbers;
        for (const QString& t : texts)
            numbers.push_back(t.toLong());
        return numbers;
    }

    fixtures::GradeInfo senior;
    fixtures::GradeInfo junior;
    std::unique_ptr<CExamRoomDlg> dlg;
};

TEST_F(ExamRoomDlgTest, ListsTheActiveStudentsOfTheChosenStream) {
    EXPECT_EQ(GradeBox()->itemText(0), junior.name); // grades in code order
    EXPECT_EQ(GradeBox()->currentIndex(), 0);
    EXPECT_TRUE(dlg->GetDlgItem<QAbstractButton>(CExamRoomDlg::IDC_ALL_STREAMS)->isChecked());
    EXPECT_EQ(dlg->GetDlgItem<QLineEdit>(CExamRoomDlg::IDC_ODD_CAPACITY)->text(), "25");

    List(senior.name);
    ASSERT_EQ(dlg->GetRowCount(), 1 + ActiveCount(senior.code));
    const QStringList ids = GridColumn(Grid(), kColStudentId);
    for (const QString& gone : school.edges.inactiveStudents)
        EXPECT_FALSE(ids.contains(gone)) << gone.toStdString();
    for (const QString& kept : school.edges.nullActiveStudents)
        EXPECT_TRUE(ids.contains(kept)) << kept.toStdString();
    const QStringList streams = GridColumn(Grid(), kColStream);
    EXPECT_TRUE(streams.contains("文"));
    EXPECT_TRUE(streams.contains("理"));
    const int row = FindRow(Grid(), kColStudentId, ids.first());
    const QString kh = Scalar(QStringLiteral("SELECT kh FROM tavrinName WHERE studentid=?"), {ids.first()});
    EXPECT_EQ(Grid().GetItemText(row, kColExamNumber), kh);
    EXPECT_EQ(Grid().GetItemText(row, kColRoom), kh.left(2));
    EXPECT_EQ(Grid().GetItemFormat(row, kColClass) & (gdi::DT_CENTER | gdi::DT_RIGHT), gdi::DT_RIGHT);
    EXPECT_EQ(Grid().GetItemFormat(row, kColName) & gdi::DT_RIGHT, 0u);

    List(senior.name, CExamRoomDlg::IDC_ARTS);
    EXPECT_EQ(dlg->GetRowCount(), 1 + ActiveCount(senior.code, "文"));
    EXPECT_EQ(Distinct(GridColumn(Grid(), kColStream)), QSet<QString>{"文"});
    List(senior.name, CExamRoomDlg::IDC_SCIENCE);
    EXPECT_EQ(dlg->GetRowCount(), 1 + ActiveCount(senior.code, "理"));

    // A junior grade is not divided into streams: the column stays empty.
    List(junior.name);
    EXPECT_EQ(dlg->GetRowCount(), 1 + ActiveCount(junior.code));
    EXPECT_EQ(Distinct(GridColumn(Grid(), kColStream)), QSet<QString>{QString()});
    EXPECT_TRUE(BoxTexts().isEmpty());
}

TEST_F(ExamRoomDlgTest, AGradeTextNamingNoGradeIsRefused) {
    List(junior.name);
    const QStringList before = GridColumn(Grid(), kColStudentId);
    for (const QString& text : {QStringLiteral("高1999级"), QString()}) {
        boxes->Clear();
        GradeBox()->setEditText(text); // typed over the chosen name
        Click(*dlg, CExamRoomDlg::IDC_LIST);
        EXPECT_EQ(BoxTexts(), QStringList{"对不起，请先选择年级！"});
        EXPECT_EQ(GridColumn(Grid(), kColStudentId), before);
    }
    // A grade's code typed as it is names the grade.
    boxes->Clear();
    Type(GradeBox(), senior.code);
    Click(*dlg, CExamRoomDlg::IDC_LIST);
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(dlg->GetRowCount(), 1 + ActiveCount(senior.code));
}

TEST_F(ExamRoomDlgTest, HeaderClicksSortClassRoomAndNumberAsNumbers) {
    const QString first = junior.code + "0101";
    const QString second = junior.code + "0102";
    Db().Execute(QStringLiteral("UPDATE tavrinName SET class=10, kh='10' WHERE studentid=?"), first);
    Db().Execute(QStringLiteral("UPDATE tavrinName SET kh='9' WHERE studentid=?"), second);
    List(junior.name);

    ClickHeader(kColStudentId); // a text sort first: the next column must still sort as numbers
    QStringList ids = GridColumn(Grid(), kColStudentId);
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));

    ClickHeader(kColClass);
    const std::vector<long> classes = Numbers(GridColumn(Grid(), kColClass));
    EXPECT_TRUE(std::is_sorted(classes.begin(), classes.end()));
    EXPECT_EQ(classes.back(), 10);

    ClickHeader(kColExamNumber);
    const std::vector<long> numbers = Numbers(GridColumn(Grid(), kColExamNumber));
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    EXPECT_LT(FindRow(Grid(), kColStudentId, second), FindRow(Grid(), kColStudentId, first)); // 9 before 10

    ClickHeader(kColRoom);
    const std::vector<long> rooms = Numbers(GridColumn(Grid(), kColRoom));
    EXPECT_TRUE(std::is_sorted(rooms.begin(), rooms.end()));

    ClickHeader(kColGender); // as text: "10" would come before "9"
    ClickHeader(kColExamNumber);
    ClickHeader(kColExamNumber); // descending now
    EXPECT_GT(FindRow(Grid(), kColStudentId, second), FindRow(Grid(), kColStudentId, first));

    // A sorted header shows its whole title beside the arrow, which is as high as a capital letter
    // less four pixels and leaves the cell's margins.
    for (int col : {kColClass, kColExamNumber}) {
        ClickHeader(col);
        CGridCellBase* header = Grid().GetCell(0, col);
        const int margin = static_cast<int>(header->GetMargin());
        const int arrow = Grid().GetTextExtent(0, col, QStringLiteral("M")).cy - 2 * margin - 4;
        const QFontMetrics& metrics = header->GetFontObject()->Metrics();
        EXPECT_GE(Grid().GetColumnWidth(col) - 2 * margin - arrow,
                  metrics.horizontalAdvance(Grid().GetItemText(0, col)))
            << col;
    }

    // The grid is read-only.
    EXPECT_FALSE(EditCell(Grid(), 1, kColExamNumber, "0101"));
    EXPECT_FALSE(EditCell(Grid(), 1, kColGender, "女"));
}

TEST_F(ExamRoomDlgTest, ArrangesByTheDrawAndStoresTheNumbers) {
    List(junior.name);
    const int n = dlg->GetRowCount() - 1;
    QStringList ids = GridColumn(Grid(), kColStudentId);
    std::sort(ids.begin(), ids.end());
    SetCapacities("5", "4");
    ArrangeReversed();

    // The grid shows the seating order: the highest student number first.
    EXPECT_EQ(Grid().GetItemText(1, kColStudentId), ids.last());
    EXPECT_EQ(Grid().GetItemText(1, kColExamNumber), "0101");
    EXPECT_EQ(Grid().GetItemText(6, kColExamNumber), "0201");
    EXPECT_EQ(Grid().GetItemText(6, kColRoom), "02");
    EXPECT_EQ(Grid().GetItemText(10, kColExamNumber), "0301");
    const QStringList numbers = GridColumn(Grid(), kColExamNumber);
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    EXPECT_EQ(Distinct(numbers).size(), n);

    Click(*dlg, CExamRoomDlg::IDC_SAVE);
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("已保存%1名学生的考号。").arg(n)});
    for (const auto& [id, kh] : GridNumbers())
        EXPECT_EQ(Roster(junior.code)[id], kh) << id.toStdString();
}

TEST_F(ExamRoomDlgTest, RefusedArrangementsChangeNothing) {
    List(junior.name);
    const std::map<QString, QString> roster = Roster(junior.code);
    const std::map<QString, QString> grid = GridNumbers();
    const QStringList order = GridColumn(Grid(), kColStudentId);
    for (const auto& [odd, even] : {std::pair{"0", "4"}, {"5", "100"}, {"abc", "4"}, {"", "4"}}) {
        boxes->Clear();
        SetCapacities(odd, even);
        Click(*dlg, CExamRoomDlg::IDC_ARRANGE);
        EXPECT_EQ(BoxTexts(), QStringList{"每考室人数必须在1到99之间！"}) << odd << " " << even;
        EXPECT_EQ(GridNumbers(), grid);
        EXPECT_EQ(GridColumn(Grid(), kColStudentId), order);
    }

    // 100 more students: at one a room they would need 100 rooms.
    {
        db::Transaction t(Db());
        for (int i = 0; i < 100; ++i)
            Db().Execute(
                QStringLiteral(
                    "INSERT INTO tavrinName (studentid, name, class, active) VALUES (?, ?, 9, '是')"),
                junior.code + QString::asprintf("9%03d", i), QStringLiteral("新生%1").arg(i));
        t.Commit();
    }
    List(junior.name);
    const std::map<QString, QString> many = GridNumbers();
    boxes->Clear();
    SetCapacities("1", "1");
    Click(*dlg, CExamRoomDlg::IDC_ARRANGE);
    EXPECT_EQ(BoxTexts(), QStringList{"考室数不能超过99个！"});
    EXPECT_EQ(GridNumbers(), many);
    EXPECT_EQ(Roster(junior.code).size(), roster.size() + 100);
    for (const auto& [id, kh] : roster)
        EXPECT_EQ(Roster(junior.code)[id], kh);
}

TEST_F(ExamRoomDlgTest, NothingListedOrARefusedCapacityIsNeverSavedAsASuccess) {
    const std::map<QString, QString> before = Roster(junior.code);
    Click(*dlg, CExamRoomDlg::IDC_SAVE);
    EXPECT_EQ(BoxTexts(), QStringList{"没有列出学生，没有要保存的考号。请先选择年级并按“确定”。"});

    List(junior.name);
    ArrangeReversed(); // an accepted arrangement, not saved
    const std::map<QString, QString> drawn = GridNumbers();
    boxes->Clear();
    SetCapacities("0", "4");
    Click(*dlg, CExamRoomDlg::IDC_ARRANGE);
    EXPECT_EQ(GridNumbers(), drawn);
    Click(*dlg, CExamRoomDlg::IDC_SAVE);
    EXPECT_EQ(BoxTexts(),
              (QStringList{"每考室人数必须在1到99之间！",
                           "考场没有安排，没有保存考号：请输入1到99之间的每考室人数，再按“安排考场”。"}));
    EXPECT_EQ(Roster(junior.code), before);

    // A valid capacity arranges again, and then the save stores and counts the numbers.
    boxes->Clear();
    SetCapacities("5", "5");
    ArrangeReversed();
    Click(*dlg, CExamRoomDlg::IDC_SAVE);
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("已保存%1名学生的考号。").arg(dlg->GetRowCount() - 1)});
    for (const auto& [id, kh] : GridNumbers())
        EXPECT_EQ(Roster(junior.code)[id], kh) << id.toStdString();
}

TEST_F(ExamRoomDlgTest, AListThatCannotBeReadSaysSo) {
    Db().Execute(QStringLiteral("ALTER TABLE tavrinName RENAME TO tavrinNameAway"));
    {
        ExpectWarning unread(QStringLiteral("no such table"));
        List(junior.name);
    }
    Db().Execute(QStringLiteral("ALTER TABLE tavrinNameAway RENAME TO tavrinName"));
    EXPECT_EQ(dlg->GetRowCount(), 1);
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_TRUE(BoxTexts()[0].startsWith(QStringLiteral("读不出本年级的学生名单。\n原因：")))
        << BoxTexts()[0].toStdString();
    EXPECT_EQ(boxes->Boxes().back().type & 0xF0, ui::MB_ICONERROR);
}

TEST_F(ExamRoomDlgTest, AFailedSaveStoresNoNumber) {
    List(junior.name);
    const std::map<QString, QString> before = Roster(junior.code);
    ArrangeReversed();
    // The last row written fails: every row before it must be undone.
    const QString last = Grid().GetItemText(Grid().GetRowCount() - 1, kColStudentId);
    Db().Execute(
        QStringLiteral("CREATE TRIGGER fail_last BEFORE UPDATE ON tavrinName WHEN OLD.studentid='%1' "
                       "BEGIN SELECT RAISE(ABORT, 'refused'); END")
            .arg(last));
    ExpectWarning refusedSave(QStringLiteral("refused"));
    Click(*dlg, CExamRoomDlg::IDC_SAVE);
    EXPECT_EQ(BoxTexts(), QStringList{"对不起，存盘时发生错误！\n原因：refused"});
    EXPECT_EQ(boxes->Boxes().back().type & 0xF0, ui::MB_ICONERROR);
    EXPECT_EQ(Roster(junior.code), before);
}

TEST_F(ExamRoomDlgTest, AFullDiskOrAReadOnlyFileIsToldByItsReason) {
    List(junior.name);
    const std::map<QString, QString> before = Roster(junior.code);
    ArrangeReversed();
    for (const WriteFailure failure : kWriteFailures) {
        boxes->Clear();
        FailWrites(failure, "UPDATE", "tavrinName");
        Click(*dlg, CExamRoomDlg::IDC_SAVE);
        EXPECT_EQ(BoxTexts(), QStringList{"对不起，存盘时发生错误！\n" + ReasonOf(failure)});
        EndWriteFailure();
        EXPECT_EQ(Roster(junior.code), before);
    }
}

class ExamRoomOutputTest : public ExamRoomDlgTest {
protected:
    // 打印输出 with `choice` (-1: 取消); the report goes to a PDF file.
    void Print(int choice) {
        ui::SetDialogRunner([choice](ui::Dialog& d) {
            EXPECT_EQ(d.TemplateId(), CRoomOutputDlg::IDD);
            d.OnInitDialog();
            if (choice < 0) {
                d.OnCancel();
                return ui::IDCANCEL;
            }
            const int ids[] = {CRoomOutputDlg::IDC_CLASS_LISTS, CRoomOutputDlg::IDC_ROOM_LISTS,
                               CRoomOutputDlg::IDC_DESK_LABELS};
            d.GetDlgItem<QAbstractButton>(ids[choice])->setChecked(true);
            d.OnOK();
            return d.result();
        });
        Click(*dlg, CExamRoomDlg::IDC_PRINT);
    }
    // An arrangement stored before it is printed: nothing is asked.
    void ArrangeAndSave() {
        ArrangeReversed();
        Click(*dlg, CExamRoomDlg::IDC_SAVE);
        boxes->Clear();
    }
    report::IReport& Report() { return dlg->GetReportComponent().Report(); }
    QStringList FieldNames() {
        QStringList names;
        for (const report::FieldDef& f : Report().Records().Fields())
            names << f.name;
        return names;
    }
    // The records' values of `field`, in order.
    QStringList Values(const QString& field) {
        const report::Recordset& records = Report().Records();
        QStringList values;
        const int index = records.FindField(field)->Index();
        for (int r = 0; r < records.RecordCount(); ++r)
            values << records.Value(r, index);
        return values;
    }

    report::PdfOutput pdf{dir.filePath(QStringLiteral("out.pdf"))};
};

TEST_F(ExamRoomOutputTest, ClassListsComeByClassWithTheirColumns) {
    Db().Execute(QStringLiteral("UPDATE tavrinName SET class=10 WHERE studentid=?"), junior.code + "0101");
    List(junior.name);
    ArrangeAndSave();
    GradeBox()->setCurrentIndex(GradeBox()->findText(senior.name)); // chosen, not listed
    Print(kClassLists);
    ASSERT_TRUE(BoxTexts().isEmpty()) << BoxTexts().join('|').toStdString();
    EXPECT_EQ(pdf.PreviewCount(), 1);
    EXPECT_TRUE(pdf.LastFitWidth());
    EXPECT_EQ(dlg->GetOutputChoice(), kClassLists);
    EXPECT_EQ(Report().Title(), "班级名单【" + junior.name + "】");

    const std::vector<long> classes = Numbers(GridColumn(Grid(), kColClass));
    EXPECT_TRUE(std::is_sorted(classes.begin(), classes.end()));
    EXPECT_EQ(classes.back(), 10);
    // Inside a class the list goes by student number, though the draw seated them in reverse.
    const QStringList ids = Values("fld00");
    const QStringList printedClasses = Values("fld01");
    ASSERT_GT(ids.size(), 2);
    int ordered = 0;
    for (qsizetype i = 1; i < ids.size(); ++i)
        if (printedClasses[i] == printedClasses[i - 1]) {
            EXPECT_LT(ids[i - 1], ids[i]) << "class " << printedClasses[i].toStdString();
            ++ordered;
        }
    EXPECT_GT(ordered, 0);
    EXPECT_EQ(FieldNames(), QStringList({"fld00", "fld01", "fld02", "fld06"}));
    EXPECT_EQ(Values("fld00"), GridColumn(Grid(), kColStudentId));
    EXPECT_EQ(Values("fld01"), GridColumn(Grid(), kColClass));
    EXPECT_EQ(Values("fld02"), GridColumn(Grid(), kColName));
    EXPECT_EQ(Values("fld06"), GridColumn(Grid(), kColExamNumber));

    const report::ReportDefinition& def = Report().Definition();
    QStringList columns;
    for (const report::Column& c : def.detail.columns)
        columns << c.caption + ':' + c.field;
    EXPECT_EQ(columns, QStringList({"学号:fld00", "班级:fld01", "姓名:fld02", "考号:fld06"}));
    ASSERT_EQ(def.detail.groups.size(), 1u);
    EXPECT_EQ(def.detail.groups[0].field, "fld01");
    EXPECT_TRUE(def.detail.groups[0].pageBreakBefore);
    EXPECT_EQ(def.page.paperWidth, 21.0);
    EXPECT_EQ(def.page.paperHeight, 29.7);
}

TEST_F(ExamRoomOutputTest, RoomListsAndLabelsComeByExamNumber) {
    List(junior.name);
    ArrangeAndSave();
    ClickHeader(kColStudentId); // the user looks at the list by student number first
    Print(kRoomLists);
    EXPECT_EQ(Report().Title(), "考场名单【" + junior.name + "】");
    QStringList numbers = GridColumn(Grid(), kColExamNumber);
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    EXPECT_EQ(FieldNames(), QStringList({"fld00", "fld01", "fld02", "fld05", "fld06"}));
    EXPECT_EQ(Values("fld05"), GridColumn(Grid(), kColRoom));
    EXPECT_EQ(Values("fld06"), numbers);
    EXPECT_EQ(Report().Definition().detail.groups.at(0).field, "fld05");

    // Without a template in the program directory the built-in labels are printed, and so with a
    // malformed one.
    ClickHeader(kColStudentId);
    {
        ExpectWarning fallback(QStringLiteral("desk label template"));
        Print(kDeskLabels);
    }
    EXPECT_EQ(Report().Title(), "桌面标签");
    ASSERT_TRUE(Report().Definition().labels.has_value());
    EXPECT_EQ(Report().Definition().labels->columns, 2);
    EXPECT_EQ(Report().Definition().labels->rows, 5);
    numbers = GridColumn(Grid(), kColExamNumber);
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    EXPECT_EQ(Values("fld06"), numbers);
    EXPECT_EQ(Values("fld05"), GridColumn(Grid(), kColRoom));

    QFile file(dir.filePath(QStringLiteral("roomtt.grf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Label]\nColumns = many\n");
    file.close();
    {
        ExpectWarning fallback(QStringLiteral("desk label template"));
        Print(kDeskLabels);
    }
    EXPECT_EQ(Report().Definition().labels->columns, 2);

    // A template of the program directory's own is used as it stands.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(report::DefaultLabelTemplateText());
    file.write("\n[Label]\nColumns = 3\nRows = 4\nWidth = 6\nHeight = 6\n");
    file.close();
    Print(kDeskLabels);
    EXPECT_EQ(Report().Definition().labels->columns, 3);
    EXPECT_EQ(Report().Title(), "桌面标签");
    EXPECT_EQ(Values("fld02"), GridColumn(Grid(), kColName));
    EXPECT_EQ(pdf.PreviewCount(), 4);
    EXPECT_TRUE(BoxTexts().isEmpty());
}

TEST_F(ExamRoomOutputTest, CancelKeepsTheOrderAndAnEmptyListPrintsNothing) {
    // Nothing listed yet, or a stream the grade has no student of: no choice is offered, no page
    // made, and the user is told.
    const auto printEmpty = [&] {
        boxes->Clear();
        ui::SetDialogRunner([](ui::Dialog&) {
            ADD_FAILURE() << "no output choice for an empty list";
            return ui::IDCANCEL;
        });
        Click(*dlg, CExamRoomDlg::IDC_PRINT);
        EXPECT_EQ(BoxTexts(), QStringList{"列表中没有学生，没有打印任何内容。"});
        EXPECT_EQ(pdf.PreviewCount(), 0);
        EXPECT_TRUE(pdf.Written().isEmpty());
    };
    printEmpty();
    struct Case {
        int button;
        const char* other; // the stream every student of the grade is in
        const char* text;
    };
    for (const Case& c : {Case{CExamRoomDlg::IDC_ARTS, "理", "本年级没有文科学生。"},
                          Case{CExamRoomDlg::IDC_SCIENCE, "文", "本年级没有理科学生。"}}) {
        Db().Execute("UPDATE tavrinName SET worl=? WHERE studentid LIKE ?", {c.other, junior.code + "%"});
        boxes->Clear();
        List(junior.name, c.button);
        EXPECT_EQ(dlg->GetRowCount(), 1);
        EXPECT_EQ(BoxTexts(), QStringList{c.text});
        printEmpty();
    }

    List(junior.name);
    ArrangeReversed();
    ClickHeader(kColName);
    const QStringList order = GridColumn(Grid(), kColStudentId);
    Print(-1);
    EXPECT_EQ(GridColumn(Grid(), kColStudentId), order);
    EXPECT_EQ(pdf.PreviewCount(), 0);
}

TEST_F(ExamRoomOutputTest, EachClassListStartsAPage) {
    if (!testing_pdf::HavePdfToText())
        GTEST_SKIP() << "pdftotext is missing";
    List(junior.name);
    ArrangeReversed();
    Print(kClassLists);
    ASSERT_EQ(pdf.Written().size(), 1);
    const QString path = pdf.Written().first();
    const int classes = static_cast<int>(junior.classes.size());
    ASSERT_EQ(testing_pdf::PdfPageCount(path), classes);
    for (int page = 1; page <= classes; ++page) {
        const QString text = testing_pdf::PdfText(path, page);
        EXPECT_TRUE(text.contains("班级名单【" + junior.name + "】")) << page;
        EXPECT_TRUE(text.contains(QStringLiteral("第%1页 共%2页").arg(page).arg(classes))) << page;
        // Every student of the page is of one class.
        const QString firstId = junior.code + QString::asprintf("%02d", junior.classes[page - 1]);
        EXPECT_TRUE(text.contains(firstId)) << page;
        for (int other : junior.classes) {
            if (other != junior.classes[page - 1])
                EXPECT_FALSE(text.contains(junior.code + QString::asprintf("%02d", other))) << page;
        }
    }
    EXPECT_TRUE(testing_pdf::PdfText(path, classes).contains(QString::fromUtf8(kRoomNote)));
    EXPECT_FALSE(testing_pdf::PdfText(path, 1).contains(QString::fromUtf8(kRoomNote)));
}

} // namespace
