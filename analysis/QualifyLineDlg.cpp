#include "analysis/QualifyLineDlg.h"

#include "analysis/QualifyLines.h"
#include "data/AppContext.h"
#include "platform/com/ComError.h"
#include "platform/db/DbError.h"
#include "platform/log/Log.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Messages.h"
#include "report/ExportToXls.h"
#include "report/GridPrint.h"
#include "report/GridReport.h"
#include "report/GridReportSink.h"
#include "report/PrintOrExcelDlg.h"
#include "reports/Format.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <exception>

using reports::DialogRect;

CQualifyLineDlg::CQualifyLineDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("上线情况"));
    setFixedSize(DialogRect(0, 0, 290, 198).size());

    // The group boxes first, so that the controls they frame stay above them.
    (new QGroupBox(QStringLiteral("统计范围"), this))->setGeometry(DialogRect(208, 7, 75, 184));
    (new QGroupBox(QStringLiteral("统计对象"), this))->setGeometry(DialogRect(208, 58, 75, 37));
    (new QGroupBox(this))->setGeometry(DialogRect(208, 90, 75, 101));

    const auto combo = [this](int id, const QStringList& items, int y) {
        auto* c = new QComboBox(this);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->addItems(items);
        c->setCurrentIndex(-1);
        SetDlgCtrlId(c, id);
        c->setGeometry(DialogRect(220, y, 55, 14));
        return c;
    };
    m_cbRange = combo(IDC_RANGE, qualify::RangeItems(), 21);
    auto* label = new QLabel(QStringLiteral("Ｘ＝"), this);
    SetDlgCtrlId(label, IDC_X_LABEL);
    label->setGeometry(DialogRect(220, 40, 19, 12));
    m_editX = new QLineEdit(this);
    SetDlgCtrlId(m_editX, IDC_X);
    m_editX->setGeometry(DialogRect(239, 40, 36, 12));
    m_cbObject = combo(IDC_OBJECT, qualify::ObjectItems(), 73);

    m_grid.Create(gdi::Rect::FromQRect(DialogRect(7, 7, 197, 184)), this, IDC_GRID);
    m_grid.show();

    const auto button = [this](int id, const QString& text, int y) {
        return ui::AddButton(this, id, text, DialogRect(220, y, 55, 14));
    };
    QPushButton* ok = button(ui::IDOK, QStringLiteral("统计"), 103);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(button(IDC_PRINT, QStringLiteral("打印"), 126), &QPushButton::clicked, this,
            [this] { OnPrint(); });
    button(IDC_HELP, QStringLiteral("帮助"), 149); // no help is given here
    connect(button(ui::IDCANCEL, QStringLiteral("退出"), 169), &QPushButton::clicked, this,
            [this] { OnCancel(); });
}

CQualifyLineDlg::~CQualifyLineDlg() = default;

bool CQualifyLineDlg::DoDataExchange(bool saveAndValidate) {
    if (!saveAndValidate) {
        m_editX->setText(QString::number(m_nX));
        return true;
    }
    const bool ok = reports::ReadIntEditInForce(this, m_editX, m_nX, 0, 2000);
    m_strRange = m_cbRange->currentText();
    m_strObject = m_cbObject->currentText();
    return ok;
}

bool CQualifyLineDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    m_table = qualify::InitialTable();
    m_grid.SetEditable(false);
    ShowResult();
    setWindowTitle(reports::ExamTitle(data::AnalysisContext().m_strAnalysisExam) +
                   QStringLiteral("上线情况"));
    DoDataExchange(false);

    if (auto* sink = m_report.Create<CGridReportSink>(this))
        sink->SetRowSource(&m_rows);
    data::SetPrintTarget(this);
    return true;
}

void CQualifyLineDlg::ShowResult() {
    reports::ShowTable(m_grid, m_table);
    m_nRows = m_table.RowCount();
    m_nCols = m_table.ColumnCount();
    reports::FitColumnsToTexts(m_grid);
    m_grid.update();
}

void CQualifyLineDlg::OnOK() {
    // A refused X computes nothing: the table shown stays, and the box shows its X again.
    if (!DoDataExchange(true))
        return;
    QString error;
    QString notice;
    {
        const reports::CWaitCursor wait;
        qualify::QualifyOptions options;
        options.object = m_cbObject->currentIndex() < 1 ? qualify::kCountByClass : qualify::kAverageByClass;
        options.range = m_cbRange->currentIndex();
        options.x = m_nX;
        // What the run counts is shown in the boxes: counting knows no class top.
        if (options.object == qualify::kCountByClass) {
            m_cbObject->setCurrentIndex(0);
            if (options.range == -1 || options.range == qualify::kClassTop)
                m_cbRange->setCurrentIndex(qualify::kGradeTop);
        }
        try {
            notice = qualify::ComputeQualifyLines(data::Database(), m_cipher, data::AnalysisContext(),
                                                  options, m_table);
        } catch (const db::DbError& e) {
            qCWarning(vlog::db) << "qualifying lines cut short:" << e.Message();
            error = data::DbErrorText(e); // the columns done so far are shown
        } catch (const std::exception& e) {
            qCWarning(vlog::db) << "qualifying lines cut short:" << e.what();
            error = QString::fromLocal8Bit(e.what());
        }
        ShowResult();
        m_strRange = m_cbRange->currentText();
        m_strObject = m_cbObject->currentText();
        setWindowTitle(
            qualify::QualifyTitle(data::AnalysisContext().m_strAnalysisExam, m_strRange, m_nX, m_strObject));
    }
    if (!error.isEmpty())
        ui::MessageBox(this, reports::DbErrorMessage(error), reports::MessageCaption(),
                       ui::MB_OK | ui::MB_ICONERROR);
    else if (!notice.isEmpty())
        ui::MessageBox(this, notice, reports::MessageCaption(), ui::MB_OK | ui::MB_ICONWARNING);
}

void CQualifyLineDlg::BuildReport() {
    GridReportLayout layout;
    layout.caption = windowTitle();
    layout.widthFactor = 0.05;
    BuildGridReport(m_report.Report(), m_rows, layout);
}

void CQualifyLineDlg::ExportToXls() {
    XlsExportOptions options;
    options.waitCursor = false;
    options.needsDataRows = true;
    ::ExportToXls(this, m_rows, windowTitle(), data::AppDirectory(), options);
}

void CQualifyLineDlg::OnPrint() {
    if (m_nCols <= 1)
        return;
    ChoosePrintOrExport(
        this, [this] { PreviewReport(); }, [this] { ExportToXls(); });
}

void CQualifyLineDlg::PreviewReport() {
    QString error;
    try {
        BuildReport();
        m_report.Report().Show(false);
    } catch (const com::ComError& e) {
        error = e.ErrorMessage();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    if (!error.isEmpty()) {
        qCWarning(vlog::report) << "qualifying lines not printed:" << error;
        ui::MessageBox(this, reports::DbErrorMessage(error), reports::MessageCaption(),
                       ui::MB_OK | ui::MB_ICONERROR);
    }
}

std::intptr_t CQualifyLineDlg::OnPrintGrid(std::uintptr_t, std::intptr_t) {
    return PrintGridOnRequest(m_grid);
}

bool CQualifyLineDlg::event(QEvent* e) {
    if (ui::WindowMessage* m = ui::AsWindowMessage(e); m && m->Message() == WM_PRINTGRID) {
        m->SetResult(OnPrintGrid(m->WParam(), m->LParam()));
        return true;
    }
    return ui::Dialog::event(e);
}
