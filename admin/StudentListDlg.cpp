#include "admin/StudentListDlg.h"

#include "admin/DeleteCounts.h"
#include "admin/ExamRoom.h"
#include "admin/ImportResultDlg.h"
#include "admin/ImportRoad.h"
#include "admin/StudentRoster.h"
#include "controls/ComboChoice.h"
#include "controls/FontEx.h"
#include "controls/SkinButton.h"
#include "controls/grid/GridCellCombo.h"
#include "controls/grid/GridCellNumeric.h"
#include "data/DataFiles.h"
#include "data/ExamChooser.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/text/DisplayText.h"
#include "platform/text/Gbk.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <new>

using namespace admin;

namespace {

constexpr int IDS_NUMBER_RULE = 57622;
constexpr int kRightAligned = 0x26; // DT_RIGHT | DT_VCENTER | DT_SINGLELINE

class CWaitCursor {
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

// The byte limits of the roster's text columns, as the roster import cuts them.
int MaxBytes(int col) {
    switch (col) {
    case roster::kColName:
        return 8;
    case roster::kColAb:
        return 1;
    default:
        return 2;
    }
}

} // namespace

// ---- CNewStudentDlg

CNewStudentDlg::CNewStudentDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("新增学生"));
    auto* group = new QGroupBox(QStringLiteral("学号"), this);
    m_edNumber = new QLineEdit(group);
    m_edNumber->setMaxLength(12);
    SetDlgCtrlId(m_edNumber, IDC_NUMBER);
    (new QVBoxLayout(group))->addWidget(m_edNumber);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    SetDlgCtrlId(ok, ui::IDOK);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    SetDlgCtrlId(cancel, ui::IDCANCEL);
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
}

bool CNewStudentDlg::OnInitDialog() {
    m_edNumber->setText(m_strStudentId);
    m_edNumber->selectAll();
    m_edNumber->setFocus();
    return true;
}

void CNewStudentDlg::OnOK() {
    m_strStudentId = m_edNumber->text();
    EndDialog(ui::IDOK);
}

// ---- CClassCodeDlg

CClassCodeDlg::CClassCodeDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("请输入相关信息[全年级有效]"));
    m_edStart = new QLineEdit(this);
    SetDlgCtrlId(m_edStart, IDC_START);
    m_edDigits = new QLineEdit(this);
    SetDlgCtrlId(m_edDigits, IDC_DIGITS);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    SetDlgCtrlId(ok, ui::IDOK);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("学号中班级代码起始位"), this), 0, 0);
    layout->addWidget(m_edStart, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("班级位数"), this), 1, 0);
    layout->addWidget(m_edDigits, 1, 1);
    layout->addWidget(ok, 2, 1);
}

bool CClassCodeDlg::OnInitDialog() {
    m_edStart->setText(QString::number(m_nStart));
    m_edDigits->setText(QString::number(m_nDigits));
    return true;
}

void CClassCodeDlg::OnOK() {
    bool okStart = false, okDigits = false;
    const int start = m_edStart->text().trimmed().toInt(&okStart);
    const int digits = m_edDigits->text().trimmed().toInt(&okDigits);
    if (!okStart || !okDigits) {
        ui::MessageBox(this, QStringLiteral("请输入一个整数。"), QString(), ui::MB_ICONWARNING);
        return;
    }
    if (digits < 1 || digits > 2) {
        ui::MessageBox(this, QStringLiteral("请输入一个在 1 和 2 之间的整数。"), QString(),
                       ui::MB_ICONWARNING);
        return;
    }
    m_nStart = start;
    m_nDigits = digits;
    EndDialog(ui::IDOK);
}

// ---- CStudentListDlg

CStudentListDlg::CStudentListDlg(QWidget* parent) : CAdminGridDlg(IDD, parent) {
    setWindowTitle(QStringLiteral("学生名单编辑"));

    m_cbGrade = new QComboBox(this);
    m_cbGrade->setEditable(true);
    m_cbGrade->setInsertPolicy(QComboBox::NoInsert);
    SetDlgCtrlId(m_cbGrade, IDC_GRADE);
    m_spinClass = new QSpinBox(this);
    m_spinClass->setRange(0, 99);
    m_spinClass->setValue(m_nClass);
    SetDlgCtrlId(m_spinClass, IDC_CLASS);

    auto* boxes = new QGridLayout;
    boxes->addWidget(new QLabel(QStringLiteral("年级"), this), 0, 0);
    boxes->addWidget(m_cbGrade, 0, 1);
    boxes->addWidget(new QLabel(QStringLiteral("班级"), this), 1, 0);
    boxes->addWidget(m_spinClass, 1, 1);

    m_btnFont = new CSkinButton(QString(), this);
    SetDlgCtrlId(m_btnFont, IDC_FONT);
    m_btnFont->setToolTip(QStringLiteral("表格字体"));
    connect(m_btnFont, &QPushButton::clicked, this, [this] { OnChooseFont(); });
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(m_btnFont);
    fontRow->addWidget(
        AddButton(IDC_CLASS_FROM_ID, QStringLiteral("班级在学号中"), [this] { OnClassFromStudentId(); }), 1);

    auto* right = new QVBoxLayout;
    right->addLayout(boxes);
    right->addWidget(AddButton(IDC_LIST, QStringLiteral("确定"), [this] { OnShowList(); }));
    right->addSpacing(8);
    right->addLayout(fontRow);
    right->addWidget(AddButton(IDC_AUTO_NUMBER, QStringLiteral("自动编号"), [this] { OnAutoNumber(); }));
    right->addWidget(AddButton(IDC_ADD, QStringLiteral("增加一个"), [this] { OnAddStudent(); }));
    right->addWidget(AddButton(IDC_IMPORT, QStringLiteral("名单导入"), [this] { OnImport(); }));
    right->addWidget(AddButton(IDC_CLEAR, QStringLiteral("数据清空"), [this] { OnClearData(); }));
    right->addWidget(AddButton(IDC_HELP, QStringLiteral("帮助"), [this] { OnHelp(); }));
    right->addWidget(AddButton(ui::IDCANCEL, QStringLiteral("退出"), [this] { OnCancel(); }));
    right->addStretch();
    // Enter belongs to the grid: no button takes it as the default.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);

    auto* panel = new QWidget(this);
    panel->setLayout(right);
    panel->setFixedWidth(170);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(&m_Grid, 1);
    layout->addWidget(panel);
    resize(620, 385);

    // 班级 and 编号 sort as numbers, the rest as text.
    m_Grid.SetColumnCompareChooser([](int col) {
        const bool numeric = col == roster::kColClass || col == roster::kColNo;
        return numeric ? CGridCtrl::CompareNumericItems : CGridCtrl::CompareTextItems;
    });
    qApp->installEventFilter(this);
}

CStudentListDlg::~CStudentListDlg() {
    qApp->removeEventFilter(this);
}

bool CStudentListDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    m_Grid.ResetSelectedRange();
    m_Grid.EnableCellSelection(false);
    m_btnFont->SetIcon(262, 263);

    gdi::LOGFONT lf;
    lf.lfHeight = -16;
    lf.lfWeight = gdi::FW_NORMAL;
    lf.lfCharSet = gdi::ANSI_CHARSET;
    lf.lfOutPrecision = 3;
    lf.lfClipPrecision = 2;
    lf.lfQuality = 1;
    lf.lfPitchAndFamily = 2;
    lf.lfFaceName = QStringLiteral("Times New Roman");
    m_Grid.SetFont(lf, true);

    m_nRowCount = 1;
    m_nColCount = 9;
    m_Grid.SetRowCount(m_nRowCount);
    m_Grid.SetColumnCount(m_nColCount);
    m_Grid.SetFixedColumnCount(1);
    m_Grid.SetFixedRowCount(1);
    const char* titles[] = {"学号", "班级", "编号", "姓名", "性别", "在读", "AB班", "类别", "文理"};
    for (int c = 0; c < m_nColCount; ++c)
        m_Grid.SetItemText(0, c, QString::fromUtf8(titles[c]));
    m_Grid.SetListMode(false);
    m_Grid.SetSingleColSelection(true);
    m_Grid.SetSortOnClick(true);
    m_Grid.AutoSizeColumns(GVS_DEFAULT);
    ShowAllColumns();

    FillGrades();
    FillStudentTypes();
    return true;
}

void CStudentListDlg::FillGrades() {
    std::vector<data::GradeEntry> grades;
    if (data::HasDatabase())
        grades = data::GradeEntries(data::Database());
    // The box is sorted: the names appear in the program's text order.
    std::stable_sort(grades.begin(), grades.end(), [](const data::GradeEntry& a, const data::GradeEntry& b) {
        return text::CompareGbk(a.name, b.name) < 0;
    });
    for (const data::GradeEntry& g : grades)
        m_cbGrade->addItem(g.name, g.code);
    if (m_cbGrade->count() > 0)
        m_cbGrade->setCurrentIndex(0);
}

void CStudentListDlg::FillStudentTypes() {
    try {
        m_strTypes = roster::StudentTypeCodes(data::Database());
    } catch (const db::DbError& e) {
        qCInfo(vlog::db) << "roster: no student categories:" << e.Message();
        Message(QStringLiteral("请先设置或确认贵校学生学籍类别！（考前准备-->学生类别）"),
                ui::MB_ICONWARNING);
    }
}

bool CStudentListDlg::ReadBoxes() {
    m_nClass = m_spinClass->value();
    std::optional<QString> code;
    try {
        db::Connection& db = data::Database();
        const QString chosen =
            data::ResolveGradeCode(db, m_cbGrade->currentText(), ChosenEntryData(*m_cbGrade));
        code = examroom::GradeCodeOf(db, chosen);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "roster: grade not read:" << e.Message();
    }
    if (!code) {
        Message(QStringLiteral("对不起，请先选择年级！"), ui::MB_ICONWARNING);
        return false;
    }
    m_strGrade = *code;
    return true;
}

void CStudentListDlg::OnShowList() {
    if (ReadBoxes())
        ListStudents();
}

void CStudentListDlg::ListStudents() {
    const bool senior = roster::IsSeniorGrade(m_strGrade);
    m_nColCount = senior ? 9 : 8;
    m_Grid.SetColumnCount(m_nColCount);
    if (senior)
        m_Grid.SetItemText(0, roster::kColStream, QStringLiteral("文理"));
    m_nRowCount = 1;
    m_Grid.SetRowCount(m_nRowCount);
    std::vector<roster::RosterRow> rows;
    try {
        rows = roster::ListStudents(data::Database(), m_strGrade, m_nClass);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "roster not listed:" << e.Message();
    }
    m_nRowCount = static_cast<int>(rows.size()) + 1;
    m_Grid.SetRowCount(m_nRowCount);
    int r = 1;
    for (const roster::RosterRow& row : rows) {
        for (int c = 0; c < m_nColCount; ++c)
            m_Grid.SetItemText(r, c, row.Text(c));
        // Every edit goes to this row by its key, while it still holds the number shown.
        m_Grid.SetItemData(r, 0, static_cast<LPARAM>(row.rowid));
        ++r;
    }
    m_Grid.AutoSizeColumns(GVS_DEFAULT);
    ShowAllColumns();
    for (r = 1; r < m_nRowCount; ++r)
        SetNumericCells(r);
    m_Grid.InvalidateRect();
}

roster::RowKey CStudentListDlg::ListedRow(int row) {
    return {static_cast<long long>(m_Grid.GetItemData(row, 0)),
            m_Grid.GetItemText(row, roster::kColStudentId)};
}

void CStudentListDlg::ShowAllColumns() {
    // The dialog grows (never shrinks) with its grid so that every column of the roster is in
    // view; on a screen too narrow for that the rest scrolls beside 学号, the fixed column.
    if (layout())
        layout()->activate(); // the grid's width is the layout's, also before the first showing
    const int grow = m_Grid.WidthShowingAllColumns() - m_Grid.width();
    if (grow <= 0)
        return;
    const QScreen* s = screen();
    const QRect room = s ? s->availableGeometry() : QRect();
    const int frame = frameGeometry().width() - width();
    const int widest = s ? std::min(width() + grow, room.width() - frame) : width() + grow;
    if (widest > width())
        resize(widest, height());
    // A dialog grown past the screen's right edge moves back onto it.
    if (s && isVisible() && frameGeometry().right() > room.right())
        move(std::max(room.left(), x() - (frameGeometry().right() - room.right())), y());
}

void CStudentListDlg::SetNumericCells(int row) {
    for (const int c : {int(roster::kColClass), int(roster::kColNo)}) {
        if (!m_Grid.SetCellType(row, c, RuntimeClass<CGridCellNumeric>()))
            return;
        m_Grid.SetItemFormat(row, c, kRightAligned);
    }
}

void CStudentListDlg::OnAddStudent() {
    if (!ReadBoxes())
        return;
    if (m_nClass <= 0) {
        Message(QStringLiteral("对不起，请先选择班级！"), ui::MB_ICONWARNING);
        return;
    }
    try {
        db::Connection& db = data::Database();
        CNewStudentDlg dlg(this);
        dlg.m_strStudentId = roster::ProposeStudentId(db, m_strGrade, m_nClass);
        if (dlg.DoModal() != ui::IDOK)
            return;
        // The number is checked the way a typed name is: the code page first, then the roster.
        const QString number = roster::TypedText(dlg.m_strStudentId);
        if (const QString refusal = CodePageRefusal(number); !refusal.isEmpty()) {
            Message(refusal, ui::MB_ICONERROR);
            return;
        }
        if (!number.isEmpty() && roster::StudentIdTaken(db, number)) {
            Message(FormatText(QStringLiteral("学号[%s]已经有学生在使用！"), number), ui::MB_ICONWARNING);
            return;
        }
        // The marks of a student cleared from the roster stay under his number: a new student
        // given it would take them over.
        if (const roster::NumberScoreRows marked = roster::ScoreRowsOfNumber(db, m_strGrade, number);
            !number.isEmpty() && marked.exams > 0) {
            Message(roster::ScoreRowsRefusal(number, marked), ui::MB_ICONWARNING);
            return;
        }
        const std::optional<long long> rowid = roster::AddStudent(db, m_strGrade, m_nClass, number);
        if (!rowid) {
            Message(res::LoadString(IDS_DB_FAILED), ui::MB_ICONWARNING);
            return;
        }
        const int r = m_nRowCount++;
        m_Grid.SetRowCount(m_nRowCount);
        m_Grid.SetItemText(r, roster::kColStudentId, number);
        m_Grid.SetItemData(r, 0, static_cast<LPARAM>(*rowid));
        m_Grid.SetItemText(r, roster::kColClass, QString::asprintf("%1d", m_nClass));
        m_Grid.SetItemText(r, roster::kColActive, QStringLiteral("是"));
        m_Grid.AutoSizeColumns(GVS_DEFAULT);
        SetNumericCells(r);
        m_Grid.InvalidateRect();
    } catch (const db::DbError& e) {
        ReportDbFailure("roster: student not added", e);
    }
}

void CStudentListDlg::OnGridBeginEdit(int row, int col) {
    if (col < roster::kColGender || col > roster::kColStream || row < 1)
        return;
    if (!m_Grid.SetCellType(row, col, RuntimeClass<CGridCellCombo>()))
        return;
    auto* cell = dynamic_cast<CGridCellCombo*>(m_Grid.GetCell(row, col));
    if (!cell)
        return;
    switch (col) {
    case roster::kColGender:
        cell->SetOptions({QStringLiteral("男"), QStringLiteral("女")});
        break;
    case roster::kColActive:
        cell->SetOptions({QStringLiteral("是"), QStringLiteral("否")});
        break;
    case roster::kColAb:
        cell->SetOptions({QStringLiteral("A"), QStringLiteral("B")});
        break;
    case roster::kColType:
        cell->SetOptions(m_strTypes);
        break;
    default:
        cell->SetOptions({QStringLiteral("文"), QStringLiteral("理")});
        break;
    }
    cell->SetStyle(CBS_DROPDOWN);
}

bool CStudentListDlg::OnGridEndEdit(int row, int col) {
    if (row < 1 || row >= m_nRowCount || col < roster::kColClass)
        return true;
    if (m_Grid.GetItemText(row, col) == OldText())
        return true;
    // The cell shows what is stored: full-width digits plain, the blanks around dropped.
    const QString text = roster::TypedText(m_Grid.GetItemText(row, col));
    if (col >= roster::kColName && !AcceptStoredText(row, col, text, MaxBytes(col)))
        return true;
    // A database failure leaves through the grid's guard: the old text back, 数据更新失败.
    try {
        if (!roster::UpdateCell(data::Database(), ListedRow(row), col, text)) {
            RefuseEdit(row, col, res::LoadString(IDS_UPDATE_FAILED), ui::MB_ICONWARNING);
            return true;
        }
    } catch (const roster::RowChanged& e) {
        qCInfo(vlog::db) << "roster edit refused:" << e.Message();
        RefuseEdit(row, col, roster::RowChangedMessage(), ui::MB_ICONWARNING);
        return true;
    }
    m_Grid.SetItemText(row, col, text);
    if (col <= roster::kColName)
        m_Grid.AutoSizeColumns(GVS_DEFAULT);
    m_Grid.InvalidateRect();
    return true;
}

void CStudentListDlg::OnClearData() {
    if (!ReadBoxes())
        return;
    int held = 0, withMarks = 0;
    try {
        held = roster::CountStudents(data::Database(), m_strGrade, m_nClass);
        if (held > 0)
            withMarks = deletecounts::StudentsWithMarks(data::Database(), m_strGrade, m_nClass);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "roster or its marks not counted:" << e.Message();
        Message(data::DatabaseFailureMessage(res::LoadString(IDS_DB_FAILED), e), ui::MB_ICONINFORMATION);
        return;
    }
    if (held == 0) {
        Message(m_nClass == 0 ? QStringLiteral("这个年级没有学生，没有要清空的数据。")
                              : QStringLiteral("这个班没有学生，没有要清空的数据。"),
                ui::MB_ICONINFORMATION);
        return;
    }
    // The question names what goes: the class or grade, its students, and those with marks.
    const QString what = text::ForDisplay(m_cbGrade->currentText()) +
                         (m_nClass == 0 ? QStringLiteral("全年级") : QStringLiteral("%1班").arg(m_nClass));
    if (Message(QStringLiteral("真的要清空这个班/年级的数据吗？\n%1共%2名学生，其中%3名已有成绩。")
                    .arg(what, QString::number(held), QString::number(withMarks)),
                ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
        return;
    try {
        roster::ClearStudents(data::Database(), m_strGrade, m_nClass);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "roster not cleared:" << e.Message();
        Message(data::DatabaseFailureMessage(res::LoadString(IDS_DB_FAILED), e), ui::MB_ICONINFORMATION);
        return;
    }
    ListStudents();
    Message(QStringLiteral("已清空%1名学生的数据。").arg(held), ui::MB_ICONINFORMATION);
}

void CStudentListDlg::OnClassFromStudentId() {
    if (!ReadBoxes())
        return;
    CClassCodeDlg dlg(this);
    if (dlg.DoModal() != ui::IDOK)
        return;
    bool done = false;
    try {
        done = roster::ClassFromStudentId(data::Database(), m_strGrade, dlg.m_nStart, dlg.m_nDigits);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "roster: classes not taken from the numbers:" << e.Message();
        Message(data::DatabaseFailureMessage(res::LoadString(IDS_UPDATE_FAILED), e), ui::MB_ICONWARNING);
        return;
    }
    if (!done) {
        Message(res::LoadString(IDS_UPDATE_FAILED), ui::MB_ICONWARNING);
        return;
    }
    ListStudents();
}

void CStudentListDlg::OnAutoNumber() {
    if (m_nClass < 1 || m_strGrade.isEmpty())
        return;
    std::vector<roster::RowKey> rows;
    for (int r = 1; r < m_nRowCount; ++r)
        rows.push_back(ListedRow(r));
    try {
        roster::NumberStudents(data::Database(), rows);
    } catch (const roster::RowChanged& e) {
        qCInfo(vlog::db) << "roster not numbered:" << e.Message();
        Message(roster::RowChangedMessage(), ui::MB_ICONWARNING);
        return;
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "roster not numbered:" << e.Message();
        Message(data::DatabaseFailureMessage(res::LoadString(IDS_UPDATE_FAILED), e), ui::MB_ICONWARNING);
        return;
    }
    ListStudents();
}

void CStudentListDlg::OnChooseFont() {
    const gdi::LOGFONT current = m_Grid.GetFont() ? m_Grid.GetFont()->GetLogFont() : gdi::LOGFONT{};
    CFontEx font(current);
    if (!font.ChooseFont(&current, this))
        return;
    m_Grid.SetFont(font.GetLogFont(), true);
    m_Grid.AutoSize(GVS_DEFAULT);
    ShowAllColumns();
}

void CStudentListDlg::OnHelp() {
    Message(res::LoadString(IDS_NUMBER_RULE), ui::MB_ICONINFORMATION);
}

void CStudentListDlg::OnImport() {
    if (!ReadBoxes())
        return;
    CImportSource source;
    CImportFieldMapDlg map;
    bool relist = true;
    try {
        switch (RunImportRoad(this, IMPORT_ROSTER, source, map)) {
        case ImportRoadEnd::NoFile:
        case ImportRoadEnd::TableCancelled:
            relist = false;
            break;
        case ImportRoadEnd::Unsupported:
        case ImportRoadEnd::MapCancelled:
            break;
        case ImportRoadEnd::Mapped: {
            roster::ImportCount count;
            {
                CWaitCursor wait;
                count = roster::ImportRoster(data::Database(), source.Records(), map.GetMappedTexts(),
                                             m_strGrade, source.ErrorCells(), source.FirstRowNumber());
            }
            ShowImportResult(this, count);
            break;
        }
        }
    } catch (const roster::ImportNotDone& e) {
        // Nothing was added: the list stays as it is.
        relist = false;
        ShowImportNotDone(this, "roster import", e);
    } catch (const db::DbError& e) {
        qCInfo(vlog::io) << "roster import stopped:" << e.Message();
        ShowImportError(this, e);
    } catch (const std::bad_alloc&) {
        ShowImportTooLarge(this, "roster import", source);
    }
    source.Close();
    if (relist)
        ListStudents();
}

bool CStudentListDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && !m_bForwardingKey) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && widget &&
            m_Grid.isAncestorOf(widget) && key->modifiers() == Qt::NoModifier) {
            // Enter works as Down: an open edit is committed first, then the focus moves down.
            m_bForwardingKey = true;
            if (widget != &m_Grid)
                QCoreApplication::sendEvent(widget, event);
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QCoreApplication::sendEvent(&m_Grid, &down);
            m_bForwardingKey = false;
            return true;
        }
    }
    return CAdminGridDlg::eventFilter(watched, event);
}

void CStudentListDlg::keyPressEvent(QKeyEvent* event) {
    // Neither Esc nor Enter closes the dialog; 退出 does.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    CAdminGridDlg::keyPressEvent(event);
}
