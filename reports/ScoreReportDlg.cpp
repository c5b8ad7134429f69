#include "reports/ScoreReportDlg.h"

#include "controls/GifStatic.h"
#include "controls/SpinButtonCtrl.h"
#include "data/AppContext.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Messages.h"
#include "report/ExportToXls.h"
#include "report/GridPrint.h"
#include "report/GridReport.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"
#include "reports/ScoreReport.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using reports::DialogRect;

CScoreReportDlg::CScoreReportDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("成绩报表"));
    setFixedSize(DialogRect(0, 0, 540, 300).size());

    m_grid.Create(gdi::Rect::FromQRect(DialogRect(7, 7, 430, 286)), this, IDC_GRID);
    m_grid.show();

    const int x = 444;
    const auto label = [this](const QString& text, const QRect& rect, QWidget* parent, int id = -1) {
        auto* l = new QLabel(text, parent ? parent : this);
        if (id >= 0)
            SetDlgCtrlId(l, id);
        l->setGeometry(rect);
        return l;
    };
    label(QStringLiteral("科目"), DialogRect(x, 10, 22, 10), nullptr);
    m_cbSubject = new QComboBox(this);
    SetDlgCtrlId(m_cbSubject, IDC_SUBJECT);
    m_cbSubject->setGeometry(DialogRect(x + 24, 7, 66, 14));

    label(QStringLiteral("班级"), DialogRect(x, 29, 22, 10), nullptr);
    m_editClass = new QLineEdit(this);
    SetDlgCtrlId(m_editClass, IDC_CLASS);
    m_editClass->setGeometry(DialogRect(x + 24, 26, 44, 14));
    m_spinClass = new CSpinButtonCtrl(this);
    SetDlgCtrlId(m_spinClass, IDC_CLASS_SPIN);
    m_spinClass->setGeometry(DialogRect(x + 68, 26, 10, 14));

    auto* scope = new QGroupBox(QStringLiteral("范围"), this);
    SetDlgCtrlId(scope, IDC_SCOPE_GROUP);
    scope->setGeometry(DialogRect(x, 46, 90, 32));
    m_cbScope = new QComboBox(this);
    SetDlgCtrlId(m_cbScope, IDC_SCOPE);
    m_cbScope->setGeometry(DialogRect(x + 7, 59, 76, 14));
    m_cbScope->addItems(reports::ScoreScopeItems());

    auto* target = new QGroupBox(QStringLiteral("标准化标准"), this);
    SetDlgCtrlId(target, IDC_TARGET_GROUP);
    target->setGeometry(DialogRect(x, 82, 90, 50));
    label(QStringLiteral("平均分"), DialogRect(x + 7, 97, 30, 10), nullptr, IDC_TARGET_MEAN_LABEL);
    m_editMean = new QLineEdit(this);
    SetDlgCtrlId(m_editMean, IDC_TARGET_MEAN);
    m_editMean->setGeometry(DialogRect(x + 40, 95, 43, 13));
    label(QStringLiteral("标准差"), DialogRect(x + 7, 114, 30, 10), nullptr, IDC_TARGET_SD_LABEL);
    m_editSD = new QLineEdit(this);
    SetDlgCtrlId(m_editSD, IDC_TARGET_SD);
    m_editSD->setGeometry(DialogRect(x + 40, 112, 43, 13));
    // The choices of modes 1-3 stay hidden until the dialog opens in one of them.
    for (QWidget* w :
         std::initializer_list<QWidget*>{scope, m_cbScope, target, GetDlgItem(IDC_TARGET_MEAN_LABEL),
                                         m_editMean, GetDlgItem(IDC_TARGET_SD_LABEL), m_editSD})
        w->hide();

    m_gifPicture = new CGifStatic(this);
    SetDlgCtrlId(m_gifPicture, IDC_PICTURE);
    m_gifPicture->setGeometry(DialogRect(x + 8, 138, 74, 50));

    const auto button = [this, x](int id, const QString& text, int y) {
        auto* b = new QPushButton(text, this);
        SetDlgCtrlId(b, id);
        b->setGeometry(DialogRect(x + 8, y, 74, 16));
        return b;
    };
    QPushButton* ok = button(ui::IDOK, QStringLiteral("确定"), 196);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(button(IDC_PRINT_REPORT, QStringLiteral("打印报表"), 220), &QPushButton::clicked, this,
            [this] { OnPrintReport(); });
    connect(button(IDC_EXPORT, QStringLiteral("电子表格"), 244), &QPushButton::clicked, this,
            [this] { OnExportSpreadsheet(); });
    connect(button(ui::IDCANCEL, QStringLiteral("退出"), 268), &QPushButton::clicked, this,
            [this] { OnCancel(); });
}

CScoreReportDlg::~CScoreReportDlg() = default;

void CScoreReportDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        // Each value that does not read keeps what it held; the listing runs with the members.
        reports::ReadIntEdit(this, m_editClass, m_nClass, 0, 99) &&
            reports::ReadFloatEdit(this, m_editMean, m_fTargetMean) &&
            reports::ReadFloatEdit(this, m_editSD, m_fTargetSD);
    } else {
        m_editClass->setText(QString::number(m_nClass));
        m_editMean->setText(reports::FloatEditText(m_fTargetMean));
        m_editSD->setText(reports::FloatEditText(m_fTargetSD));
    }
}

bool CScoreReportDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    if (m_gifPicture->LoadFromResource(176, QStringLiteral("GIF")))
        m_gifPicture->Draw();
    m_spinClass->SetBuddy(m_editClass);
    m_spinClass->SetRange(0, 99);
    m_spinClass->SetPos(m_nClass);

    gdi::LOGFONT lf = m_grid.GetFont() ? m_grid.GetFont()->GetLogFont() : gdi::LOGFONT{};
    lf.lfFaceName = QStringLiteral("Times New Roman");
    lf.lfHeight = -16;
    lf.lfWeight = gdi::FW_NORMAL;
    lf.lfCharSet = gdi::ANSI_CHARSET;
    lf.lfOutPrecision = 3;
    lf.lfClipPrecision = 2;
    lf.lfQuality = 1;
    lf.lfPitchAndFamily = 2;
    m_grid.SetFont(lf, true);

    m_grid.EnableCellSelection(false);
    m_table = reports::InitialScoreReportTable();
    reports::ShowTable(m_grid, m_table);
    m_nRows = m_table.RowCount();
    m_nCols = m_table.ColumnCount();
    m_grid.SetEditable(false);
    m_grid.AutoSize();

    // Subjects by number: two subjects may share a name. A subject whose name cannot be read is
    // left out: an empty entry names nothing the user could choose.
    const CAnalysisContext& context = data::AnalysisContext();
    for (const int no : context.ParticipatingSubjects()) {
        QString name;
        if (reports::GetSubjectName(data::Database(), m_cipher, no, name))
            m_cbSubject->addItem(name, no);
    }
    m_cbSubject->setCurrentIndex(m_cbSubject->count() > 0 ? 0 : -1);

    setWindowTitle(reports::ScoreReportCaption(context.m_strAnalysisExam, m_nMode));
    if (m_nMode != reports::kSubjectList) {
        GetDlgItem<QPushButton>(ui::IDOK)->setText(reports::ScoreReportModeText(m_nMode));
        for (int id : {IDC_SCOPE_GROUP, IDC_SCOPE})
            GetDlgItem(id)->show();
    }
    if (m_nMode == reports::kStandardised)
        for (int id :
             {IDC_TARGET_GROUP, IDC_TARGET_MEAN_LABEL, IDC_TARGET_MEAN, IDC_TARGET_SD_LABEL, IDC_TARGET_SD})
            GetDlgItem(id)->show();
    // The scope starts on the whole grade each time the dialog opens.
    m_cbScope->setCurrentIndex(reports::kWholeGrade);
    DoDataExchange(false);

    m_report.Create<CScoreReportSink>(this);
    if (auto* sink = static_cast<CScoreReportSink*>(m_report.Sink()))
        sink->SetRowSource(&m_rows);
    data::SetPrintTarget(this);
    return true;
}

void CScoreReportDlg::OnOK() {
    if (m_cbSubject->currentIndex() < 0)
        return;
    DoDataExchange(true);
    // An exam without marks would list the class with empty cells.
    if (!reports::ReadyToCompute(this, {}))
        return;
    reports::ScoreReportOptions options;
    options.mode = m_nMode;
    options.subject = m_cbSubject->currentData().toInt();
    options.subjectName = m_cbSubject->currentText();
    options.classNo = m_nClass;
    options.scope = std::max(0, m_cbScope->currentIndex());
    options.targetMean = m_fTargetMean;
    options.targetSD = m_fTargetSD;
    // The rows listed before a failure are shown.
    reports::ComputeAndShowTable(this, m_grid, m_table, "score report", [&] {
        reports::ListScoreReport(data::Database(), data::AnalysisContext(), options, m_table);
    });
    m_nRows = m_table.RowCount();
    m_nCols = m_table.ColumnCount();
}

void CScoreReportDlg::BuildReport() {
    GridReportLayout layout;
    layout.caption = windowTitle();
    layout.widthFactor = 0.26;
    // The captions at the start of the report and on every page.
    layout.captionStyle = report::CaptionsAtReportStart | report::CaptionsOnEveryPage;
    BuildGridReport(m_report.Report(), m_rows, layout);
}

void CScoreReportDlg::OnPrintReport() {
    RunReportCommand(this, [this] {
        BuildReport();
        m_report.Report().Show(true);
    });
}

void CScoreReportDlg::OnExportSpreadsheet() {
    XlsExportOptions options;
    options.waitCursor = false;
    options.needsDataRows = true;
    ExportToXls(this, m_rows, windowTitle(), data::AppDirectory(), options);
}

std::intptr_t CScoreReportDlg::OnPrintGrid(std::uintptr_t, std::intptr_t) {
    return PrintGridOnRequest(m_grid);
}

bool CScoreReportDlg::event(QEvent* e) {
    if (ui::WindowMessage* m = ui::AsWindowMessage(e); m && m->Message() == WM_PRINTGRID) {
        m->SetResult(OnPrintGrid(m->WParam(), m->LParam()));
        return true;
    }
    return ui::Dialog::event(e);
}
