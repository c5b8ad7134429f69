#include "reports/ExcellentRateDlg.h"

#include "data/AppContext.h"
#include "platform/db/DbError.h"
#include "platform/log/Log.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Messages.h"
#include "report/ExportToXls.h"
#include "report/GridPrint.h"
#include "report/GridReport.h"
#include "report/GridReportSink.h"
#include "report/PrintOrExcelDlg.h"
#include "reports/ExcellentRates.h"
#include "reports/Format.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using reports::DialogRect;

namespace {
constexpr int kColumnX = 316;
constexpr int kColumnWidth = 104;
} // namespace

CExcellentRateDlg::CExcellentRateDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("优生率分析"));
    setFixedSize(DialogRect(0, 0, kColumnX + kColumnWidth + 7, 252).size());
    m_grid.Create(gdi::Rect::FromQRect(DialogRect(7, 7, kColumnX - 14, 238)), this, IDC_GRID);
    m_grid.show();

    auto* cutBox = new QGroupBox(QStringLiteral("计算标准"), this);
    cutBox->setGeometry(DialogRect(kColumnX, 4, kColumnWidth, 50));
    m_lead = new QLabel(reports::CutLeadText(reports::kCutByProportion), cutBox);
    SetDlgCtrlId(m_lead, IDC_CUT_LEAD);
    m_lead->setGeometry(DialogRect(8, 14, kColumnWidth - 16, 10));
    m_editCut = new QLineEdit(cutBox);
    SetDlgCtrlId(m_editCut, IDC_CUT);
    m_editCut->setGeometry(DialogRect(8, 29, 38, 13));
    m_tail = new QLabel(cutBox);
    SetDlgCtrlId(m_tail, IDC_CUT_TAIL);
    m_tail->setGeometry(DialogRect(49, 30, kColumnWidth - 53, 10));

    auto* scopeBox = new QGroupBox(QStringLiteral("范围"), this);
    scopeBox->setGeometry(DialogRect(kColumnX, 58, kColumnWidth, 30));
    m_scopes = new QButtonGroup(this);
    const char* scopes[] = {"全体", "文科", "理科"};
    const int ids[] = {IDC_ALL, IDC_ARTS, IDC_SCIENCE};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(QString::fromUtf8(scopes[i]), scopeBox);
        SetDlgCtrlId(r, ids[i]);
        r->setGeometry(DialogRect(6 + i * 32, 13, 31, 11));
        m_scopes->addButton(r, i);
    }

    const auto button = [this](int id, const QString& text, int y) {
        return ui::AddButton(this, id, text, DialogRect(kColumnX + 14, y, kColumnWidth - 28, 15));
    };
    QPushButton* ok = button(ui::IDOK, QStringLiteral("确定"), 100);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(button(IDC_PRINT, QStringLiteral("打印"), 120), &QPushButton::clicked, this,
            [this] { OnPrint(); });
    connect(button(IDC_HELP, QStringLiteral("帮助"), 140), &QPushButton::clicked, this, [this] { OnHelp(); });
    connect(button(ui::IDCANCEL, QStringLiteral("退出"), 160), &QPushButton::clicked, this,
            [this] { OnCancel(); });
}

CExcellentRateDlg::~CExcellentRateDlg() = default;

bool CExcellentRateDlg::DoDataExchange(bool saveAndValidate) {
    if (!saveAndValidate) {
        m_editCut->setText(m_strCut.isEmpty() ? reports::FloatEditText(m_fCut) : m_strCut);
        if (QAbstractButton* b = m_scopes->button(m_nScope))
            b->setChecked(true);
        return true;
    }
    if (m_scopes->checkedId() >= 0)
        m_nScope = m_scopes->checkedId();
    if (!reports::ReadFloatEdit(this, m_editCut, m_fCut))
        return false;
    m_strCut = m_editCut->text().trimmed();
    return true;
}

bool CExcellentRateDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    m_grid.ResetSelectedRange();
    m_grid.EnableCellSelection(false);
    m_grid.ResetSelectedRange();
    m_table = reports::InitialExcellentRateTable();
    reports::ShowTable(m_grid, m_table);
    m_nRows = m_table.RowCount();
    m_nCols = m_table.ColumnCount();
    m_grid.SetEditable(false);
    m_grid.SetListMode(false);
    m_grid.AutoSizeColumns();

    setWindowTitle(reports::ExamTitle(data::AnalysisContext().m_strAnalysisExam) +
                   reports::ExcellentRateTitle(m_nMode));
    m_fCut = reports::DefaultCut(m_nMode, m_nMethod);
    m_strCut.clear();
    m_lead->setText(reports::CutLeadText(m_nMethod));
    m_tail->setText(reports::CutTailText(m_nMode, m_nMethod));
    // Help is given only for the last row of the proportion method's rates.
    GetDlgItem(IDC_HELP)->setEnabled(m_nMode != reports::kTopAverage &&
                                     m_nMethod == reports::kCutByProportion);
    DoDataExchange(false);

    auto* sink = m_report.Create<CGridReportSink>(this);
    if (sink)
        sink->SetRowSource(&m_rows);
    data::SetPrintTarget(this);
    return true;
}

void CExcellentRateDlg::OnOK() {
    const float heldCut = m_fCut;
    const QString heldText = m_strCut;
    if (DoDataExchange(true)) {
        const QString refusal = reports::CutRefusal(m_nMethod, m_strCut);
        if (refusal.isEmpty()) {
            Compute();
            return;
        }
        ui::MessageBox(this, refusal, reports::MessageCaption(), ui::MB_OK | ui::MB_ICONWARNING);
    }
    // Refused: nothing is computed, the table shown stays, and the box shows again the cut it was
    // computed with.
    m_fCut = heldCut;
    m_strCut = heldText;
    DoDataExchange(false);
}

void CExcellentRateDlg::Compute() {
    m_table = reports::InitialExcellentRateTable();
    reports::ExcellentRateOptions options;
    options.mode = m_nMode;
    options.method = m_nMethod;
    options.scope = m_nScope;
    options.cut = m_strCut;
    if (!reports::ReadyToCompute(this, {}))
        return;
    // The columns computed before a failure are shown.
    reports::ComputeAndShowTable(this, m_grid, m_table, "rates", [&] {
        reports::ComputeExcellentRates(data::Database(), m_cipher, data::AnalysisContext(), options, m_table);
    });
    m_nRows = m_table.RowCount();
    m_nCols = m_table.ColumnCount();
}

void CExcellentRateDlg::BuildReport() {
    GridReportLayout layout;
    layout.caption = windowTitle();
    layout.widthFactor = 0.26;
    layout.captionStyle = report::CaptionsOnEveryPage;
    BuildGridReport(m_report.Report(), m_rows, layout);
}

void CExcellentRateDlg::ExportToXls() {
    XlsExportOptions options;
    options.waitCursor = false;
    options.needsDataRows = true;
    ::ExportToXls(this, m_rows, windowTitle(), data::AppDirectory(), options);
}

void CExcellentRateDlg::OnPrint() {
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

void CExcellentRateDlg::OnHelp() {
    if (m_nMode != reports::kTopAverage && m_nMethod == reports::kCutByProportion)
        ui::MessageBox(this, QStringLiteral("另，最后一行是分数标准。"), reports::MessageCaption(),
                       ui::MB_OK | ui::MB_ICONINFORMATION);
}

std::intptr_t CExcellentRateDlg::OnPrintGrid(std::uintptr_t, std::intptr_t) {
    return PrintGridOnRequest(m_grid);
}

bool CExcellentRateDlg::event(QEvent* e) {
    if (ui::WindowMessage* m = ui::AsWindowMessage(e); m && m->Message() == WM_PRINTGRID) {
        m->SetResult(OnPrintGrid(m->WParam(), m->LParam()));
        return true;
    }
    return ui::Dialog::event(e);
}
