#include "reports/BasicStatDlg.h"

#include "data/AppContext.h"
#include "platform/db/DbError.h"
#include "platform/log/Log.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Messages.h"
#include "report/ExportToXls.h"
#include "report/GridPrint.h"
#include "report/GridReport.h"
#include "reports/BasicStats.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"
#include "reports/ValidTotals.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

using reports::DialogRect;

int CBasicStatReportSink::NextFedRow(int row) const {
    if (!m_pTable)
        return row;
    const int n = m_pRows->GetRowCount();
    while (row < n) {
        const RowKind kind = m_pTable->Kind(row);
        if (kind != RowKind::BlockTitle && kind != RowKind::Separator)
            break;
        ++row;
    }
    return row;
}

CBasicStatDlg::CBasicStatDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(reports::BasicStatInitialCaption(0));
    setFixedSize(DialogRect(0, 0, 515, 292).size());

    m_grid.Create(gdi::Rect::FromQRect(DialogRect(7, 7, 400, 278)), this, IDC_GRID);
    m_grid.show();

    const auto group = [this](int id, const QString& title, const QRect& rect) {
        auto* g = new QGroupBox(title, this);
        SetDlgCtrlId(g, id);
        g->setGeometry(rect);
        return g;
    };
    const auto radio = [](QGroupBox* box, QButtonGroup* buttons, int id, int value, const QString& text,
                          const QRect& rect) {
        auto* r = new QRadioButton(text, box);
        SetDlgCtrlId(r, id);
        r->setGeometry(rect);
        buttons->addButton(r, value);
    };

    QGroupBox* statistic =
        group(IDC_STATISTIC_GROUP, QStringLiteral("统计量选择"), DialogRect(415, 4, 93, 34));
    // A list without an edit field: a statistic is always chosen.
    m_cbStatistic = new QComboBox(statistic);
    SetDlgCtrlId(m_cbStatistic, IDC_STATISTIC);
    m_cbStatistic->setGeometry(DialogRect(7, 14, 79, 14));

    QGroupBox* accum = group(IDC_ACCUM_GROUP, QStringLiteral("累计类型"), DialogRect(415, 42, 93, 30));
    m_accumGroup = new QButtonGroup(this);
    radio(accum, m_accumGroup, IDC_ACCUM_GRADE, 0, QStringLiteral("年级"), DialogRect(7, 14, 38, 11));
    radio(accum, m_accumGroup, IDC_ACCUM_STREAMS, 1, QStringLiteral("文理"), DialogRect(48, 14, 38, 11));

    QGroupBox* count = group(IDC_COUNT_GROUP, QStringLiteral("人数名次"), DialogRect(415, 76, 93, 30));
    m_countGroup = new QButtonGroup(this);
    radio(count, m_countGroup, IDC_COUNT_DROP, 0, QStringLiteral("不打印"), DialogRect(7, 14, 42, 11));
    radio(count, m_countGroup, IDC_COUNT_KEEP, 1, QStringLiteral("打印"), DialogRect(52, 14, 36, 11));

    const auto button = [this](int id, const QString& text, int y) {
        return ui::AddButton(this, id, text, DialogRect(425, y, 73, 16));
    };
    connect(button(IDC_RANK, QStringLiteral("名次统计"), 116), &QPushButton::clicked, this,
            [this] { OnRankStats(); });
    QPushButton* compute = button(ui::IDOK, QStringLiteral("统计计算"), 142);
    compute->setDefault(true);
    connect(compute, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(button(IDC_PRINT_PREVIEW, QStringLiteral("打印预览"), 168), &QPushButton::clicked, this,
            [this] { OnPrintPreview(); });
    connect(button(IDC_EXPORT, QStringLiteral("电子表格"), 194), &QPushButton::clicked, this,
            [this] { OnExportSpreadsheet(); });
    connect(button(ui::IDCANCEL, QStringLiteral("退出"), 220), &QPushButton::clicked, this,
            [this] { OnCancel(); });
}

CBasicStatDlg::~CBasicStatDlg() = default;

void CBasicStatDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_nAccumType = std::max(0, m_accumGroup->checkedId());
        m_nCountColumns = std::max(0, m_countGroup->checkedId());
    } else {
        if (QAbstractButton* b = m_accumGroup->button(m_nAccumType))
            b->setChecked(true);
        if (QAbstractButton* b = m_countGroup->button(m_nCountColumns))
            b->setChecked(true);
    }
}

bool CBasicStatDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    m_table = reports::InitialBasicStatTable();
    reports::ShowTable(m_grid, m_table);
    m_nRows = m_table.RowCount();
    m_nCols = m_table.ColumnCount();

    const bool blocks = m_nMode == reports::kClassSubjectTable || m_nMode == reports::kSubjectClassTable;
    if (blocks)
        for (int id : {IDC_STATISTIC_GROUP, IDC_ACCUM_GROUP, IDC_RANK})
            GetDlgItem(id)->hide();
    if (m_nMode != reports::kGradeStats)
        GetDlgItem(IDC_COUNT_GROUP)->hide();

    m_cbStatistic->addItems(reports::StatisticItems(m_nMode));
    m_cbStatistic->setCurrentIndex(reports::DefaultStatisticIndex(m_nMode));
    setWindowTitle(reports::BasicStatInitialCaption(m_nMode));
    if (m_nMode >= reports::kClassStandardScores) {
        GetDlgItem(IDC_RANK)->hide();
        m_cbStatistic->setEnabled(false);
        m_nAccumType = reports::kGradeRow;
        GetDlgItem(IDC_ACCUM_STREAMS)->setEnabled(false);
    }
    m_grid.AutoSize();
    DoDataExchange(false);

    auto* sink = m_report.Create<CBasicStatReportSink>(this);
    if (sink) {
        sink->SetRowSource(&m_rows);
        sink->SetTable(&m_table);
    }
    // The grid's print request comes to this dialog while it is open.
    data::SetPrintTarget(this);
    return true;
}

void CBasicStatDlg::Compute() {
    DoDataExchange(true);
    // Missing marks or totals would leave the table empty without a word.
    bool oldTotals = false;
    const bool streamRows = m_nMode == reports::kGradeStats && m_nAccumType == reports::kStreamRows;
    if (!reports::ReadyToCompute(
            this, {reports::TotalsRead(m_nMode, m_nAccumType), reports::ReadsFullMarks(m_nMode), streamRows},
            &oldTotals)) {
        m_bRankPending = false;
        return;
    }
    QString error;
    {
        const reports::CWaitCursor wait;
        reports::GradeStatOptions options;
        options.statistic = static_cast<reports::Statistic>(std::clamp(m_cbStatistic->currentIndex(), 0, 4));
        options.accumType = m_nAccumType;
        options.keepCountColumns = m_bRankPending || m_nCountColumns == 1;
        try {
            db::Connection& db = data::Database();
            const CAnalysisContext& context = data::AnalysisContext();
            if (m_nMode == reports::kGradeStats && m_bRankPending)
                reports::ComputeGradeRanks(db, m_cipher, context, options, m_table);
            else
                reports::ComputeBasicStat(m_nMode, db, m_cipher, context, options, m_table);
        } catch (const db::DbError& e) {
            qCWarning(vlog::db) << "statistics" << m_nMode << "cut short:" << e.Message();
            error = data::DbErrorText(e); // the rows filled so far are shown
        }
        if (m_nMode == reports::kGradeStats && m_bRankPending)
            m_nCountColumns = 1;
        reports::ShowTable(m_grid, m_table);
        m_nRows = m_table.RowCount();
        m_nCols = m_table.ColumnCount();
        if (!m_table.caption.isEmpty())
            setWindowTitle(m_table.caption);
        reports::ShowOldTotalsMark(this, oldTotals);
        m_grid.AutoSize();
        m_grid.update();
        m_bRankPending = false;
        DoDataExchange(false);
    }
    if (!error.isEmpty())
        ui::MessageBox(this, reports::DbErrorMessage(error), reports::MessageCaption(),
                       ui::MB_OK | ui::MB_ICONERROR);
}

void CBasicStatDlg::OnOK() {
    Compute();
}

void CBasicStatDlg::OnRankStats() {
    // Ranking reruns the computation with the count columns kept; they become "名次".
    m_bRankPending = true;
    Compute();
}

void CBasicStatDlg::BuildReport() {
    const reports::BasicStatPrintLayout print = reports::BasicStatPrint(m_nMode);
    GridReportLayout layout;
    layout.caption = windowTitle();
    layout.titleSuffix = print.titleSuffix;
    layout.widthFactor = 0.26;
    layout.captionStyle = print.rowStyle;
    layout.groupByFirstColumn = print.groupOnFirstColumn;
    BuildGridReport(m_report.Report(), m_rows, layout);
}

void CBasicStatDlg::OnPrintPreview() {
    RunReportCommand(this, [this] {
        BuildReport();
        m_report.Report().Show(false);
    });
}

void CBasicStatDlg::OnExportSpreadsheet() {
    XlsExportOptions options;
    options.waitCursor = true;
    options.needsDataRows = false;
    ExportToXls(this, m_rows, windowTitle(), data::AppDirectory(), options);
}

std::intptr_t CBasicStatDlg::OnPrintGrid(std::uintptr_t, std::intptr_t) {
    return PrintGridOnRequest(m_grid);
}

bool CBasicStatDlg::event(QEvent* e) {
    if (ui::WindowMessage* m = ui::AsWindowMessage(e); m && m->Message() == WM_PRINTGRID) {
        m->SetResult(OnPrintGrid(m->WParam(), m->LParam()));
        return true;
    }
    return ui::Dialog::event(e);
}
