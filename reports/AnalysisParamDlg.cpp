#include "reports/AnalysisParamDlg.h"

#include "controls/ComboChoice.h"
#include "controls/grid/GridCellCheck.h"
#include "controls/grid/GridFont.h"
#include "data/AppContext.h"
#include "data/ExamChooser.h"
#include "platform/db/DbError.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/ui/MessageBox.h"
#include "reports/AnalysisParams.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"
#include "reports/ValidTotals.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int IDS_CAPTION = 57656;
constexpr int IDS_DONE = 57661;
constexpr int IDS_PARTICIPATES = 57662;
constexpr int IDS_SAVED = 57671;
constexpr int IDS_NO_EXAM = 57674;
constexpr int IDS_AUTO_CLOSE = 57713;
constexpr int kCheckRowHeight = 32;

CGridCellCheck* CheckCell(const CGridCtrl& grid, int row) {
    return dynamic_cast<CGridCellCheck*>(grid.GetCell(row, 1));
}

} // namespace

CAnalysisParamDlg::CAnalysisParamDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    using reports::DialogRect;
    setWindowTitle(reports::ParamCaption());
    setFixedSize(DialogRect(0, 0, 273, 169).size());

    const auto button = [this](int id, const QString& text, const QRect& rect) {
        return ui::AddButton(this, id, text, rect);
    };
    QPushButton* save = button(ui::IDOK, QStringLiteral("保存"), DialogRect(216, 88, 50, 14));
    save->setDefault(true);
    connect(save, &QPushButton::clicked, this, [this] { OnOK(); });
    QPushButton* quit = button(ui::IDCANCEL, QStringLiteral("退出"), DialogRect(216, 109, 50, 14));
    connect(quit, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(button(IDC_SELECT_ALL, QStringLiteral("全选"), DialogRect(216, 46, 50, 14)),
            &QPushButton::clicked, this, [this] { OnSelectAll(); });
    connect(button(IDC_SELECT_NONE, QStringLiteral("均否"), DialogRect(216, 67, 50, 14)),
            &QPushButton::clicked, this, [this] { OnSelectNone(); });

    auto* examLabel = new QLabel(QStringLiteral("考试名称"), this);
    examLabel->setGeometry(DialogRect(7, 8, 40, 10));
    m_cbExam = new QComboBox(this);
    SetDlgCtrlId(m_cbExam, IDC_EXAM);
    m_cbExam->setEditable(true);
    m_cbExam->setInsertPolicy(QComboBox::NoInsert); // typed text is taken as it is, never listed
    m_cbExam->setGeometry(DialogRect(47, 6, 219, 14));

    auto* totalLabel = new QLabel(QStringLiteral("计算"), this);
    SetDlgCtrlId(totalLabel, IDC_TOTAL_LABEL);
    totalLabel->setGeometry(DialogRect(216, 29, 19, 10));
    // A list without an edit field: the total type is always one of the three.
    m_cbTotalType = new QComboBox(this);
    SetDlgCtrlId(m_cbTotalType, IDC_TOTAL_TYPE);
    m_cbTotalType->addItems(reports::TotalTypeItems());
    m_cbTotalType->setGeometry(DialogRect(235, 27, 31, 14));
    connect(m_cbTotalType, &QComboBox::activated, this, [this] { OnTotalTypeChange(); });

    m_Grid.Create(gdi::Rect::FromQRect(DialogRect(7, 25, 198, 137)), this, IDC_GRID);
    m_Grid.show();

    // The exam saved last is shown again.
    m_strExam = data::AnalysisContext().m_strAnalysisExam;
}

CAnalysisParamDlg::~CAnalysisParamDlg() = default;

QPushButton* CAnalysisParamDlg::Button(int id) const {
    return GetDlgItem<QPushButton>(id);
}

void CAnalysisParamDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate)
        m_strExam = m_cbExam->currentText();
    else
        m_cbExam->setEditText(m_strExam);
}

bool CAnalysisParamDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    DoDataExchange(false);
    m_strAutoClose = res::LoadString(IDS_AUTO_CLOSE);
    SetDialogGridFont(m_Grid);

    m_nRows = 1;
    m_nCols = 2;
    m_Grid.SetRowCount(m_nRows);
    m_Grid.SetColumnCount(m_nCols);
    m_Grid.SetFixedColumnCount(1);
    m_Grid.SetFixedRowCount(1);
    m_Grid.SetEditable(false); // check boxes still toggle
    m_Grid.SetItemText(0, 0, reports::SubjectColumnTitle());
    m_Grid.SetItemText(0, 1, res::LoadString(IDS_PARTICIPATES));
    m_strCaption = res::LoadString(IDS_CAPTION);

    if (m_nMode == 1) {
        m_cbExam->setEnabled(false);
        m_Grid.SetItemText(0, 1, reports::TotalTypeHeader(reports::kDefaultTotalType));
        Button(ui::IDOK)->setText(reports::TotalsButtonText());
        setWindowTitle(reports::TotalsCaption());
        m_cbTotalType->setCurrentIndex(reports::kDefaultTotalType);
    } else {
        GetDlgItem(IDC_TOTAL_LABEL)->hide();
        m_cbTotalType->hide();
    }
    m_Grid.AutoSize();

    FillExamList();
    FillSubjectGrid();
    m_MsgBox.CreateHidden(this);
    return true;
}

void CAnalysisParamDlg::FillExamList() {
    // Without a connection the box only offers typing. The entries come in text order, as the
    // sorted box keeps them, each with its exam's id.
    if (data::HasDatabase())
        for (const data::ExamEntry& e : data::ExamEntries(data::Database(), m_cipher))
            m_cbExam->addItem(e.text, e.id);
    m_cbExam->setEditText(m_strExam);
}

void CAnalysisParamDlg::FillSubjectGrid() {
    // Without a connection there are no rows: the grid keeps its header.
    std::vector<reports::SubjectRow> rows;
    if (data::HasDatabase())
        rows = reports::SubjectRows(data::Database(), m_cipher, data::AnalysisContext());
    for (const reports::SubjectRow& row : rows) {
        const int n = row.number;
        m_nRows = n + 1;
        m_Grid.SetRowCount(m_nRows);
        m_Grid.SetItemText(n, 0, row.name);
        m_Grid.SetItemText(n, 1, reports::CheckCellText());
        m_Grid.SetCellType(n, 1, RuntimeClass<CGridCellCheck>());
        SetSubjectCheck(n, row.checked);
        m_Grid.SetRowHeight(n, kCheckRowHeight);
    }
    m_Grid.AutoSizeColumns();
}

bool CAnalysisParamDlg::GetSubjectCheck(int row) const {
    const CGridCellCheck* cell = CheckCell(m_Grid, row);
    return cell && cell->GetCheck();
}

void CAnalysisParamDlg::SetSubjectCheck(int row, bool checked) {
    if (CGridCellCheck* cell = CheckCell(m_Grid, row))
        cell->SetCheck(checked);
}

void CAnalysisParamDlg::OnOK() {
    if (m_nMode == 0)
        SaveParams();
    else if (m_nMode == 1)
        ComputeTotals();
}

void CAnalysisParamDlg::SaveParams() {
    DoDataExchange(true);
    std::vector<bool> checks;
    for (int i = 1; i < m_nRows; ++i)
        checks.push_back(GetSubjectCheck(i));

    // Without a connection no exam can be found.
    reports::SaveResult result = reports::SaveResult::NoExam;
    if (data::HasDatabase())
        result = reports::SaveParams(data::Database(), m_cipher, m_strExam, checks, data::AnalysisContext(),
                                     ChosenEntryData(*m_cbExam));
    if (result == reports::SaveResult::NoExam) {
        m_strMessage = res::LoadString(IDS_NO_EXAM);
        ui::MessageBox(this, m_strMessage, m_strCaption, ui::MB_OK | ui::MB_ICONINFORMATION);
        return;
    }
    m_strMessage = res::LoadString(IDS_SAVED);
    m_MsgBox.Show(m_strMessage, m_strCaption + m_strAutoClose, 1000, ui::MB_OK | ui::MB_ICONINFORMATION,
                  true);
}

void CAnalysisParamDlg::OnSelectAll() {
    for (int i = 1; i < m_nRows; ++i)
        SetSubjectCheck(i, true);
    m_Grid.update();
}

void CAnalysisParamDlg::OnSelectNone() {
    for (int i = 1; i < m_nRows; ++i)
        SetSubjectCheck(i, false);
    m_Grid.update();
}

void CAnalysisParamDlg::OnTotalTypeChange() {
    const int s = m_cbTotalType->currentIndex();
    m_Grid.SetItemText(0, 1, reports::TotalTypeHeader(s));
    m_Grid.AutoSizeColumn(1);
    m_Grid.update();
    setWindowTitle(Button(ui::IDOK)->text() + m_cbTotalType->itemText(s));
}

void CAnalysisParamDlg::ComputeTotals() {
    const int examId = data::AnalysisContext().m_nAnalysisExamId;
    const int type = m_cbTotalType->currentIndex();
    if (examId == -1 || type < 0)
        return;
    std::vector<int> subjects;
    for (int i = 1; i < m_nRows; ++i)
        if (GetSubjectCheck(i))
            subjects.push_back(i);
    bool computed = false;
    try {
        const reports::CWaitCursor wait;
        computed = reports::ComputeValidTotals(data::Database(), examId, type, subjects);
    } catch (const db::DbError& e) {
        // All statements ran in one transaction: nothing has changed.
        qCWarning(vlog::db) << "valid totals of exam" << examId << "not computed:" << e.Message();
        m_strMessage = reports::DbErrorMessage(data::DbErrorText(e));
        ui::MessageBox(this, m_strMessage, m_strCaption, ui::MB_OK | ui::MB_ICONERROR);
        return;
    }
    if (!computed) {
        // Deleted since it was chosen: the context names no exam any more, as at start.
        data::ForgetAnalysisExam(examId);
        m_strMessage = reports::ExamGoneMessage();
        ui::MessageBox(this, m_strMessage, m_strCaption, ui::MB_OK | ui::MB_ICONINFORMATION);
        return;
    }
    m_strMessage = Button(ui::IDOK)->text() + res::LoadString(IDS_DONE);
    m_MsgBox.Show(m_strMessage, m_strCaption + m_strAutoClose, 1000, ui::MB_OK | ui::MB_ICONINFORMATION,
                  true);
}
