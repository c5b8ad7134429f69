#include "admin/ExamRoomDlg.h"

#include "admin/ExamRoom.h"
#include "admin/RoomOutputDlg.h"
#include "controls/grid/GridCellNumeric.h"
#include "data/DataFiles.h"
#include "data/ExamChooser.h"
#include "report/GridReport.h"

#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/ui/Random.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <ctime>
#include <optional>

using namespace admin;
using namespace examroom;

namespace {
constexpr int IDS_ROOM_HELP = 57694;
constexpr int IDS_SAVE_FAILED = 57695;

class CWaitCursor {
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
} // namespace

CExamRoomDlg::CExamRoomDlg(QWidget* parent) : CAdminGridDlg(IDD, parent) {
    setWindowTitle(QStringLiteral("考场安排"));

    m_cbGrade = new QComboBox(this);
    m_cbGrade->setEditable(true);
    SetDlgCtrlId(m_cbGrade, IDC_GRADE);
    auto* gradeRow = new QHBoxLayout;
    gradeRow->addWidget(new QLabel(QStringLiteral("年级"), this));
    gradeRow->addWidget(m_cbGrade, 1);

    auto* streamBox = new QGroupBox(QStringLiteral("分文理科"), this);
    auto* streamLayout = new QHBoxLayout(streamBox);
    m_streams = new QButtonGroup(this);
    const struct {
        int id;
        const char* text;
    } streams[] = {{IDC_ARTS, "文科"}, {IDC_SCIENCE, "理科"}, {IDC_ALL_STREAMS, "全体"}};
    int value = 0;
    for (const auto& s : streams) {
        auto* radio = new QRadioButton(QString::fromUtf8(s.text), streamBox);
        SetDlgCtrlId(radio, s.id);
        m_streams->addButton(radio, value++);
        streamLayout->addWidget(radio);
    }

    auto* capacityBox = new QGroupBox(QStringLiteral("每考室人数"), this);
    auto* capacityLayout = new QGridLayout(capacityBox);
    m_edOdd = new QLineEdit(capacityBox);
    SetDlgCtrlId(m_edOdd, IDC_ODD_CAPACITY);
    m_edEven = new QLineEdit(capacityBox);
    SetDlgCtrlId(m_edEven, IDC_EVEN_CAPACITY);
    capacityLayout->addWidget(new QLabel(QStringLiteral("奇数考室"), capacityBox), 0, 0);
    capacityLayout->addWidget(m_edOdd, 0, 1);
    capacityLayout->addWidget(new QLabel(QStringLiteral("偶数考室"), capacityBox), 1, 0);
    capacityLayout->addWidget(m_edEven, 1, 1);

    QPushButton* arrange = AddButton(IDC_ARRANGE, QStringLiteral("安排考场"), [this] { OnArrangeRooms(); });
    arrange->setDefault(true);

    auto* right = new QVBoxLayout;
    right->addLayout(gradeRow);
    right->addWidget(streamBox);
    right->addWidget(AddButton(IDC_LIST, QStringLiteral("确定"), [this] { OnListStudents(); }));
    right->addSpacing(8);
    right->addWidget(capacityBox);
    right->addWidget(arrange);
    right->addWidget(AddButton(IDC_SAVE, QStringLiteral("数据存盘"), [this] { OnSaveNumbers(); }));
    right->addWidget(AddButton(IDC_PRINT, QStringLiteral("打印输出"), [this] { OnPrint(); }));
    right->addWidget(AddButton(IDC_HELP, QStringLiteral("帮助"), [this] { OnHelpMessage(); }));
    right->addWidget(AddButton(ui::IDCANCEL, QStringLiteral("退出"), [this] { OnCancel(); }));
    right->addStretch();

    auto* panel = new QWidget(this);
    panel->setLayout(right);
    panel->setFixedWidth(200);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(&m_Grid, 1);
    layout->addWidget(panel);
    resize(700, 460);

    // 班级, 考室 and 考号 sort as numbers ("10" after "9"), the rest as text.
    m_Grid.SetColumnCompareChooser([](int col) {
        const bool numeric = col == kColClass || col == kColRoom || col == kColExamNumber;
        return numeric ? CGridCtrl::CompareNumericItems : CGridCtrl::CompareTextItems;
    });
}

CExamRoomDlg::~CExamRoomDlg() = default;

bool CExamRoomDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    m_Grid.ResetSelectedRange();
    m_Grid.EnableCellSelection(false);
    m_Grid.ResetSelectedRange();

    m_nRowCount = 1;
    m_nColCount = 7;
    m_Grid.SetRowCount(m_nRowCount);
    m_Grid.SetColumnCount(m_nColCount);
    m_Grid.SetFixedColumnCount(3);
    m_Grid.SetFixedRowCount(1);
    const char* titles[] = {"学号", "班级", "姓名", "性别", "文理", "考室", "考号"};
    for (int c = 0; c < m_nColCount; ++c)
        m_Grid.SetItemText(0, c, QString::fromUtf8(titles[c]));
    m_Grid.SetListMode(false);
    m_Grid.SetSingleRowSelection(true);
    m_Grid.SetSortOnClick(true);
    m_Grid.SetEditable(false);
    m_Grid.AutoSizeColumns();

    FillGradeList();
    DoDataExchange(false);

    if (auto* sink = m_report.Create<CRoomReportSink>(this)) {
        sink->SetRowSource(&m_rows);
        sink->SetOutputChoice(&m_nOutputChoice);
    }
    return true;
}

void CExamRoomDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_nStream = std::max(0, m_streams->checkedId());
        m_strGrade = m_cbGrade->currentText();
        return;
    }
    if (QAbstractButton* b = m_streams->button(m_nStream))
        b->setChecked(true);
    m_edOdd->setText(QString::number(m_nOddCapacity));
    m_edEven->setText(QString::number(m_nEvenCapacity));
}

bool CExamRoomDlg::ReadCapacities() {
    const std::optional<int> odd = ParseCapacity(m_edOdd->text());
    const std::optional<int> even = ParseCapacity(m_edEven->text());
    if (!odd || !even) {
        Message(*CheckArrangement(0, 0, 0), ui::MB_ICONWARNING);
        (odd ? m_edEven : m_edOdd)->setFocus();
        return false;
    }
    m_nOddCapacity = *odd;
    m_nEvenCapacity = *even;
    return true;
}

void CExamRoomDlg::FillGradeList() {
    for (const data::GradeEntry& g : data::GradeEntries(data::Database(), data::GradeOrder::Code))
        m_cbGrade->addItem(g.name);
    if (m_cbGrade->count() > 0)
        m_cbGrade->setCurrentIndex(0);
}

void CExamRoomDlg::OnListStudents() {
    DoDataExchange(true);
    const std::optional<QString> code = GradeCodeOf(data::Database(), m_strGrade);
    if (!code) {
        Message(QStringLiteral("对不起，请先选择年级！"), ui::MB_ICONWARNING);
        return;
    }
    std::vector<RoomStudent> students;
    bool read = true;
    try {
        students = ListStudents(data::Database(), *code, m_nStream);
    } catch (const db::DbError& e) {
        // The list stays empty, and says why: an empty list alone would look like a grade
        // without students.
        qCWarning(vlog::db) << "exam-room students of" << *code << "not read:" << e.Message();
        read = false;
        Message(data::DatabaseFailureMessage(QStringLiteral("读不出本年级的学生名单。"), e),
                ui::MB_ICONERROR);
    }
    ShowStudents(students);
    m_strListedGrade = m_strGrade;
    m_strListedCode = *code;
    m_bUnsaved = false; // the list shows the numbers the roster holds
    // An empty list of one stream says why: the grade has no student of it.
    if (read && students.empty() && m_nStream != kAllStreams)
        Message(m_nStream == kArts ? QStringLiteral("本年级没有文科学生。")
                                   : QStringLiteral("本年级没有理科学生。"),
                ui::MB_ICONINFORMATION);
}

void CExamRoomDlg::ShowStudents(const std::vector<RoomStudent>& students) {
    m_nRowCount = 1;
    m_Grid.SetRowCount(m_nRowCount);
    m_nRowCount += static_cast<int>(students.size());
    m_Grid.SetRowCount(m_nRowCount);
    for (int i = 0; i < static_cast<int>(students.size()); ++i) {
        const RoomStudent& s = students[static_cast<std::size_t>(i)];
        const int row = i + 1;
        m_Grid.SetItemText(row, kColStudentId, s.studentId);
        m_Grid.SetItemData(row, kColStudentId, static_cast<LPARAM>(s.rowid));
        m_Grid.SetItemText(row, kColClass, s.classText);
        m_Grid.SetItemText(row, kColName, s.name);
        m_Grid.SetItemText(row, kColGender, s.gender);
        m_Grid.SetItemText(row, kColStream, s.stream);
        m_Grid.SetItemText(row, kColRoom, s.room);
        m_Grid.SetItemText(row, kColExamNumber, s.examNumber);
    }
    m_Grid.AutoSizeColumns();
    m_Grid.RightAlignNumberColumns(); // 班级 lines up by its last digit
    for (int row = 1; row < m_nRowCount; ++row)
        if (!m_Grid.SetCellType(row, kColClass, RuntimeClass<CGridCellNumeric>()) ||
            !m_Grid.SetCellType(row, kColName, RuntimeClass<CGridCellNumeric>()))
            break;
    m_Grid.InvalidateRect();
}

void CExamRoomDlg::OnArrangeRooms() {
    // Until an arrangement is accepted, 数据存盘 stores nothing: the numbers shown are not the
    // arrangement the user asked for.
    m_bArrangementRefused = true;
    if (!ReadCapacities())
        return;
    const int students = m_nRowCount - 1;
    if (const std::optional<QString> refusal = CheckArrangement(students, m_nOddCapacity, m_nEvenCapacity)) {
        Message(*refusal, ui::MB_ICONWARNING);
        return;
    }
    m_bArrangementRefused = false;
    if (students >= 1) {
        // The draw is made in student-number order, so that a seed gives one seating.
        m_Grid.SortItemsByFunction(CGridCtrl::CompareTextItems, kColStudentId, true);
        ui::Srand(static_cast<unsigned>(std::time(nullptr)));
        std::vector<int> randoms(static_cast<std::size_t>(students));
        for (int& r : randoms)
            r = ui::Rand();
        const std::vector<Seat> seats = ArrangeSeats(randoms, m_nOddCapacity, m_nEvenCapacity);
        for (int i = 0; i < students; ++i) {
            const Seat& seat = seats[static_cast<std::size_t>(i)];
            m_Grid.SetItemText(i + 1, kColRoom, seat.RoomText());
            m_Grid.SetItemText(i + 1, kColExamNumber, seat.ExamNumber());
        }
        // The list shows the seating order.
        m_Grid.SortItemsByFunction(CGridCtrl::CompareTextItems, kColExamNumber, true);
        m_bUnsaved = true;
    }
    m_Grid.InvalidateRect();
}

bool CExamRoomDlg::OnSaveNumbers() {
    if (m_nRowCount <= 1) {
        Message(QStringLiteral("没有列出学生，没有要保存的考号。请先选择年级并按“确定”。"),
                ui::MB_ICONINFORMATION);
        return false;
    }
    if (m_bArrangementRefused) {
        Message(QStringLiteral("考场没有安排，没有保存考号：请输入1到99之间的每考室人数，再按“安排考场”。"),
                ui::MB_ICONWARNING);
        return false;
    }
    std::vector<ExamNumberUpdate> numbers;
    numbers.reserve(static_cast<std::size_t>(std::max(0, m_nRowCount - 1)));
    for (int row = 1; row < m_nRowCount; ++row)
        numbers.push_back({static_cast<qint64>(m_Grid.GetItemData(row, kColStudentId)),
                           m_Grid.GetItemText(row, kColExamNumber)});
    std::optional<db::DbError> failure;
    {
        const CWaitCursor wait;
        try {
            SaveArrangement(data::Database(), m_strListedCode, numbers);
        } catch (const db::DbError& e) {
            qCWarning(vlog::db) << "exam numbers not saved:" << e.Message();
            failure = e;
        }
    }
    const bool saved = !failure;
    if (saved) {
        m_bUnsaved = false;
        ui::MessageBox(this, QStringLiteral("已保存%1名学生的考号。").arg(numbers.size()),
                       res::LoadString(57656), ui::MB_ICONINFORMATION);
    } else
        ui::MessageBox(this, data::DatabaseFailureMessage(res::LoadString(IDS_SAVE_FAILED), *failure),
                       res::LoadString(57656), ui::MB_ICONERROR);
    return saved;
}

bool CExamRoomDlg::OfferSave() {
    if (!m_bUnsaved)
        return true;
    switch (
        Message(QStringLiteral("考场安排尚未存盘，是否先存盘？"), ui::MB_YESNOCANCEL | ui::MB_ICONQUESTION)) {
    case ui::IDYES:
        return OnSaveNumbers();
    case ui::IDNO:
        return true;
    default:
        return false;
    }
}

void CExamRoomDlg::OnCancel() {
    if (OfferSave())
        CAdminGridDlg::OnCancel();
}

void CExamRoomDlg::OnPrint() {
    // A list without students would print pages of headers alone.
    if (m_nRowCount <= 1) {
        Message(QStringLiteral("列表中没有学生，没有打印任何内容。"), ui::MB_ICONINFORMATION);
        return;
    }
    // Labels and lists that disagree with the stored numbers would send students to the wrong desk.
    if (!OfferSave())
        return;
    CRoomOutputDlg dlg(this);
    dlg.m_nChoice = kClassLists;
    if (dlg.DoModal() != ui::IDOK)
        return;
    m_nOutputChoice = dlg.m_nChoice;
    if (m_nOutputChoice == kClassLists) {
        // By class, and inside a class by student number: a class list is read against the
        // class's own roll, not in the seating order of the draw.
        m_Grid.SortItemsByFunction(CGridCtrl::CompareNumericItems, kColClass, true);
        const int rows = m_Grid.GetRowCount();
        for (int low = m_Grid.GetFixedRowCount(); low < rows;) {
            int high = low;
            while (high + 1 < rows &&
                   m_Grid.GetItemText(high + 1, kColClass) == m_Grid.GetItemText(low, kColClass))
                ++high;
            m_Grid.SortRange(CGridCtrl::CompareTextItems, kColStudentId, true, 0, low, high);
            low = high + 1;
        }
    } else
        m_Grid.SortItemsByFunction(CGridCtrl::CompareTextItems, kColExamNumber, true);
    m_Grid.InvalidateRect();
    RunReportCommand(this, [this] {
        PrintRoomLists();
        m_report.Report().Show(true);
    });
}

void CExamRoomDlg::PrintRoomLists() {
    const QString grade = m_strListedGrade.isEmpty() ? m_cbGrade->currentText() : m_strListedGrade;
    BuildRoomReport(m_report.Report(), m_rows, m_nOutputChoice, grade, data::AppDirectory());
}

void CExamRoomDlg::OnHelpMessage() {
    ui::MessageBox(this, res::LoadString(IDS_ROOM_HELP), res::LoadString(57656), ui::MB_ICONINFORMATION);
}
