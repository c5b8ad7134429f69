#include "analysis/SignificanceTestDlg.h"

#include "analysis/NormalityTests.h"
#include "controls/ChartCtrl.h"
#include "controls/ComboChoice.h"
#include "controls/SkinButton.h"
#include "data/AppContext.h"
#include "platform/com/ComError.h"
#include "platform/db/DbError.h"
#include "platform/log/Log.h"
#include "platform/ui/MessageBox.h"
#include "report/GridReport.h"
#include "report/GridReportSink.h"
#include "reports/Format.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"
#include "reports/ScoreBandReportDlg.h"

#include <QComboBox>
#include <QGroupBox>

#include <algorithm>
#include <exception>

using reports::DialogRect;

CSignificanceTestDlg::CSignificanceTestDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("成绩显著性差异检验"));
    setFixedSize(DialogRect(0, 0, 343, 240).size());
    m_grid.Create(gdi::Rect::FromQRect(DialogRect(7, 7, 273, 226)), this, IDC_GRID);
    m_grid.show();

    auto* box = new QGroupBox(QStringLiteral("科目"), this);
    box->setGeometry(DialogRect(282, 3, 54, 40));
    m_cbSubject = new QComboBox(this);
    m_cbSubject->setEditable(true);
    m_cbSubject->setInsertPolicy(QComboBox::NoInsert);
    SetDlgCtrlId(m_cbSubject, IDC_SUBJECT);
    m_cbSubject->setGeometry(DialogRect(288, 17, 44, 14));

    const auto button = [this](int id, const QString& text, int y, unsigned style = BS_PUSHBUTTON) {
        auto* b = new CSkinButton(text, this, style);
        SetDlgCtrlId(b, id);
        b->setGeometry(DialogRect(286, y, 50, 19));
        return b;
    };
    m_btnOK = button(ui::IDOK, QStringLiteral("确定"), 51, BS_DEFPUSHBUTTON);
    m_btnPrint = button(IDC_PRINT, QStringLiteral("打印"), 75);
    m_btnExit = button(ui::IDCANCEL, QStringLiteral("退出"), 123);
    m_btnDistribution = button(IDC_DISTRIBUTION, QStringLiteral("分布"), 150);
    m_btnDistribution->hide();
    connect(m_btnOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_btnPrint, &QPushButton::clicked, this, [this] { OnPrint(); });
    connect(m_btnExit, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(m_btnDistribution, &QPushButton::clicked, this, [this] { OnDistribution(); });
}

CSignificanceTestDlg::~CSignificanceTestDlg() = default;

bool CSignificanceTestDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    m_btnOK->SetIcon(291, CSkinButton::DARK_COPY);
    m_btnPrint->SetIcon(292, CSkinButton::DARK_COPY);
    m_btnExit->SetIcon(260, CSkinButton::DARK_COPY);
    m_btnDistribution->SetIcon(296, CSkinButton::DARK_COPY);

    m_nRows = 1;
    m_nCols = 1;
    m_grid.EnableCellSelection(false);
    m_grid.ResetSelectedRange();
    m_grid.SetEditable(false);
    m_table = normality::TestTable(m_nMode, 0);
    ShowResult();

    const CAnalysisContext& context = data::AnalysisContext();
    if (data::HasDatabase())
        for (const int no : context.ParticipatingSubjects()) {
            QString name;
            reports::GetSubjectName(data::Database(), m_cipher, no, name);
            m_cbSubject->addItem(name, no);
        }
    m_cbSubject->setCurrentIndex(0);

    setWindowTitle(reports::ExamTitle(context.m_strAnalysisExam) + normality::TestTitle(m_nMode));
    PrepareTable();

    if (auto* sink = m_report.Create<CGridReportSink>(this))
        sink->SetRowSource(&m_rows);
    return true;
}

void CSignificanceTestDlg::ShowResult() {
    reports::ShowTable(m_grid, m_table);
    m_nRows = m_table.RowCount();
    m_nCols = m_table.ColumnCount();
    reports::FitColumnsToTexts(m_grid);
    GrowToShowColumns();
    m_grid.update();
}

void CSignificanceTestDlg::GrowToShowColumns() {
    // The verdict column is the widest and the last: the dialog grows (never shrinks) with its
    // grid, the controls on the right moving with it, so that every column is in view; a screen
    // too narrow for that still scrolls.
    const int grow = std::min(m_grid.WidthShowingAllColumns() - m_grid.width(), 480);
    if (grow <= 0)
        return;
    const int gridRight = m_grid.geometry().right();
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child != &m_grid && child->x() > gridRight)
            child->move(child->x() + grow, child->y());
    m_grid.resize(m_grid.width() + grow, m_grid.height());
    m_grid.OnSize();
    setFixedSize(width() + grow, height());
}

void CSignificanceTestDlg::ShowError(const QString& text) {
    ui::MessageBox(this, reports::DbErrorMessage(text), reports::MessageCaption(),
                   ui::MB_OK | ui::MB_ICONERROR);
}

void CSignificanceTestDlg::PrepareTable() {
    int highest = 0;
    QString error;
    try {
        const CAnalysisContext& context = data::AnalysisContext();
        if (context.HasExam())
            highest = reports::HighestClass(data::Database(), context.m_nAnalysisExamId);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "classes of the test not read:" << e.Message();
        error = data::DbErrorText(e);
    }
    const QString corner = m_table.Text(0, 0);
    m_table = normality::TestTable(m_nMode, highest);
    m_table.SetText(0, 0, corner, CellAlign::Right);
    ShowResult();
    if (!error.isEmpty())
        ShowError(error);
}

void CSignificanceTestDlg::OnOK() {
    m_strSubject = m_cbSubject->currentText();
    const QVariant subject = ChosenOrNamedEntryData(*m_cbSubject);
    if (!subject.isValid()) {
        ui::MessageBox(this, QStringLiteral("对不起，科目只能在列表中选择！"), reports::MessageCaption(),
                       ui::MB_OK | ui::MB_ICONINFORMATION);
        return;
    }
    const int no = subject.toInt();
    QString error;
    {
        const reports::CWaitCursor wait;
        m_btnDistribution->show();
        try {
            db::Connection& db = data::Database();
            reports::GetSubjectName(db, m_cipher, no, m_strSubjectName);
            m_cbSubject->setEditText(m_strSubjectName);
            normality::RunTest(db, m_nMode, data::AnalysisContext().m_nAnalysisExamId, no, m_strSubjectName,
                               m_table);
        } catch (const db::DbError& e) {
            qCWarning(vlog::db) << "test cut short:" << e.Message();
            error = data::DbErrorText(e); // the classes done so far are shown
        } catch (const std::exception& e) {
            qCWarning(vlog::db) << "test cut short:" << e.what();
            error = QString::fromLocal8Bit(e.what());
        }
        ShowResult();
    }
    if (!error.isEmpty())
        ShowError(error);
}

void CSignificanceTestDlg::BuildReport() {
    GridReportLayout layout;
    layout.caption = windowTitle();
    layout.titleSuffix = u'-' + m_strSubjectName;
    layout.widthFactor = 0.26;
    BuildGridReport(m_report.Report(), m_rows, layout);
}

void CSignificanceTestDlg::OnPrint() {
    QString error;
    try {
        BuildReport();
        m_report.Report().Show(false);
    } catch (const com::ComError& e) {
        error = e.ErrorMessage();
    } catch (const db::DbError& e) {
        error = data::DbErrorText(e);
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    if (!error.isEmpty()) {
        qCWarning(vlog::report) << "test not printed:" << error;
        ShowError(error);
    }
}

void CSignificanceTestDlg::OnDistribution() {
    CScoreBandReportDlg dlg;
    dlg.Chart().m_bNormalCurve = true;
    dlg.SetBandWidth(8);
    dlg.DoModal();
}
