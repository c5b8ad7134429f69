#include "reports/ScoreListDlg.h"

#include "data/AppContext.h"
#include "platform/db/DbError.h"
#include "platform/log/Log.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Messages.h"
#include "report/ExportToXls.h"
#include "report/GridPrint.h"
#include "report/GridReport.h"
#include "report/PrintOrExcelDlg.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <climits>

using reports::DialogRect;

namespace {
// The right-hand column of the template, in template units.
constexpr int kColumnX = 276;
constexpr int kColumnWidth = 85;
} // namespace

CScoreListDlg::CScoreListDlg(int templateId, int totalRank, int subjectRank, QWidget* parent)
    : ui::Dialog(templateId, parent), m_nTotalRank(totalRank), m_nSubjectRank(subjectRank) {
    setFixedSize(DialogRect(0, 0, 368, 252).size());
    m_grid.Create(gdi::Rect::FromQRect(DialogRect(7, 7, 262, 238)), this, IDC_GRID);
    m_grid.show();
    // 姓名 sorts as text, every other column as a number.
    m_grid.SetColumnCompareChooser(
        [](int col) { return col == 1 ? CGridCtrl::CompareTextItems : CGridCtrl::CompareNumericItems; });
}

CScoreListDlg::~CScoreListDlg() = default;

QGroupBox* CScoreListDlg::AddBox(const QString& title, const QRect& rect) {
    auto* box = new QGroupBox(title, this);
    box->setGeometry(
        DialogRect(kColumnX + rect.x(), rect.y(), rect.width() ? rect.width() : kColumnWidth, rect.height()));
    return box;
}

QButtonGroup* CScoreListDlg::AddRadios(QGroupBox* box, const std::vector<Radio>& radios) {
    auto* group = new QButtonGroup(this);
    int value = 0;
    for (const Radio& r : radios) {
        auto* button = new QRadioButton(r.text, box);
        SetDlgCtrlId(button, r.id);
        button->setGeometry(DialogRect(r.rect.x(), r.rect.y(), r.rect.width(), r.rect.height()));
        group->addButton(button, value++);
    }
    return group;
}

void CScoreListDlg::AddChoiceBoxes(const QStringList& rangeItems, int top) {
    QGroupBox* totals = AddBox(QStringLiteral("文理科总分"), QRect(0, top, 0, 30));
    m_cbStreamTotals = new QComboBox(totals);
    SetDlgCtrlId(m_cbStreamTotals, IDC_STREAM_TOTALS);
    m_cbStreamTotals->setGeometry(DialogRect(6, 12, kColumnWidth - 12, 14));
    m_cbStreamTotals->addItems(reports::StreamTotalItems());

    QGroupBox* range = AddBox(QStringLiteral("范围"), QRect(0, top + 34, 0, 48));
    m_cbRange = new QComboBox(range);
    SetDlgCtrlId(m_cbRange, IDC_RANGE);
    m_cbRange->setGeometry(DialogRect(6, 12, kColumnWidth - 12, 14));
    m_cbRange->addItems(rangeItems);
    connect(m_cbRange, &QComboBox::activated, this, [this] { OnRangeChange(); });
    auto* label = new QLabel(QStringLiteral("Ｘ＝"), range);
    SetDlgCtrlId(label, IDC_X_LABEL);
    label->setGeometry(DialogRect(8, 31, 16, 10));
    m_editX = new QLineEdit(range);
    SetDlgCtrlId(m_editX, IDC_X);
    m_editX->setGeometry(DialogRect(26, 29, 40, 13));
    label->hide();
    m_editX->hide();
}

void CScoreListDlg::AddButtons(int top) {
    const auto button = [this](int id, const QString& text, int y) {
        return ui::AddButton(this, id, text, DialogRect(kColumnX + 8, y, kColumnWidth - 16, 15));
    };
    QPushButton* ok = button(ui::IDOK, QStringLiteral("确定"), top);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(button(IDC_PRINT, QStringLiteral("打印"), top + 19), &QPushButton::clicked, this,
            [this] { OnPrint(); });
    connect(button(ui::IDCANCEL, QStringLiteral("退出"), top + 38), &QPushButton::clicked, this,
            [this] { OnCancel(); });
}

void CScoreListDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        const bool own = ExchangeOwn(true);
        m_nTotalRank = m_totalGroup->checkedId() >= 0 ? m_totalGroup->checkedId() : m_nTotalRank;
        m_nSubjectRank = m_subjectGroup->checkedId() >= 0 ? m_subjectGroup->checkedId() : m_nSubjectRank;
        if (own)
            reports::ReadIntEdit(this, m_editX, m_nX, INT_MIN, INT_MAX);
    } else {
        ExchangeOwn(false);
        if (QAbstractButton* b = m_totalGroup->button(m_nTotalRank))
            b->setChecked(true);
        if (QAbstractButton* b = m_subjectGroup->button(m_nSubjectRank))
            b->setChecked(true);
        m_editX->setText(QString::number(m_nX));
    }
}

bool CScoreListDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    DoDataExchange(false);
    m_table = reports::InitialScorePrintTable();
    reports::ShowTable(m_grid, m_table);
    m_nRows = m_table.RowCount();
    m_nCols = m_table.ColumnCount();
    m_grid.SetEditable(false);
    m_grid.AutoSize();
    m_grid.SetCompareFunction(CGridCtrl::CompareNumericItems);
    m_grid.ResetSelectedRange();
    m_grid.EnableCellSelection(false);
    m_grid.ResetSelectedRange();
    m_grid.SetSortOnClick(!Slips());

    setWindowTitle(Caption());
    m_cbStreamTotals->setCurrentIndex(0);
    m_cbRange->setCurrentIndex(0);
    OnRangeChange();

    CreateSink();
    data::SetPrintTarget(this);
    return true;
}

void CScoreListDlg::OnRangeChange() {
    const int item = m_cbRange->currentIndex();
    const bool show = item >= 0 && !RangeWithoutX(item);
    GetDlgItem(IDC_X_LABEL)->setVisible(show);
    m_editX->setVisible(show);
}

void CScoreListDlg::OnOK() {
    DoDataExchange(true);
    const reports::ScorePrintOptions options = Options();
    bool oldTotals = false;
    if (!reports::ReadyToCompute(this, {reports::TotalsRead(options), false}, &oldTotals))
        return;
    // The rows listed before a failure are shown.
    reports::ComputeAndShowTable(this, m_grid, m_table, "score list", [&] {
        reports::ListScorePrint(data::Database(), m_cipher, data::AnalysisContext(), options, m_table);
    });
    reports::ShowOldTotalsMark(this, oldTotals);
    m_nRows = m_table.RowCount();
    m_nCols = m_table.ColumnCount();
    m_grid.SetSortColumn(-1);
}

void CScoreListDlg::BuildReport() {
    GridReportLayout layout;
    layout.caption = windowTitle();
    layout.widthFactor = 0.26;
    layout.captionStyle = Slips() ? report::CaptionsAtEveryGroup : report::CaptionsOnEveryPage;
    layout.groupByFirstColumn = Slips();
    BuildGridReport(m_report.Report(), m_rows, layout);
}

void CScoreListDlg::ExportToXls() {
    XlsExportOptions options;
    options.waitCursor = false;
    options.needsDataRows = true;
    ::ExportToXls(this, m_rows, windowTitle(), data::AppDirectory(), options);
}

void CScoreListDlg::OnPrint() {
    ChoosePrintOrExport(
        this,
        [this] {
            RunReportCommand(this, [this] {
                BuildReport();
                m_report.Report().Show(true);
            });
        },
        [this] { ExportToXls(); });
}

std::intptr_t CScoreListDlg::OnPrintGrid(std::uintptr_t, std::intptr_t) {
    return PrintGridOnRequest(m_grid);
}

bool CScoreListDlg::event(QEvent* e) {
    if (m_notify.Handle(e))
        return true;
    if (ui::WindowMessage* m = ui::AsWindowMessage(e); m && m->Message() == WM_PRINTGRID) {
        m->SetResult(OnPrintGrid(m->WParam(), m->LParam()));
        return true;
    }
    return ui::Dialog::event(e);
}
