#include "reports/ScoreBandReportDlg.h"

#include "controls/ChartCtrl.h"
#include "controls/SpinButtonCtrl.h"
#include "data/AppContext.h"
#include "platform/db/DbError.h"
#include "platform/gdi/BitmapWriter.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Messages.h"
#include "report/ExportToXls.h"
#include "report/GridPrint.h"
#include "report/GridReport.h"
#include "report/GridReportSink.h"
#include "reports/Format.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"
#include "reports/ScoreBands.h"

#include <QApplication>
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

constexpr int kColumnX = 384;
constexpr int kColumnWidth = 110;

} // namespace

// ---- the band range

CScoreBandRangeDlg::CScoreBandRangeDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("分数段范围设定"));
    setFixedSize(DialogRect(0, 0, 150, 62).size());
    ui::AddLabel(this, QStringLiteral("最低分"), DialogRect(8, 10, 30, 10));
    m_editLow = ui::AddEdit(this, IDC_LOW, DialogRect(40, 8, 44, 13));
    ui::AddLabel(this, QStringLiteral("最高分"), DialogRect(8, 30, 30, 10));
    m_editHigh = ui::AddEdit(this, IDC_HIGH, DialogRect(40, 28, 44, 13));
    QPushButton* ok = ui::AddButton(this, ui::IDOK, QStringLiteral("确定"), DialogRect(94, 7, 48, 15));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(ui::AddButton(this, ui::IDCANCEL, QStringLiteral("取消"), DialogRect(94, 27, 48, 15)),
            &QPushButton::clicked, this, [this] { OnCancel(); });
}

bool CScoreBandRangeDlg::DoDataExchange(bool saveAndValidate) {
    if (!saveAndValidate) {
        m_editLow->setText(QString::number(m_nLow));
        m_editHigh->setText(QString::number(m_nHigh));
        return true;
    }
    return reports::ReadIntEdit(this, m_editLow, m_nLow, INT_MIN, INT_MAX) &&
           reports::ReadIntEdit(this, m_editHigh, m_nHigh, INT_MIN, INT_MAX);
}

bool CScoreBandRangeDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    DoDataExchange(false);
    return true;
}

void CScoreBandRangeDlg::OnOK() {
    if (!DoDataExchange(true))
        return;
    if (m_nLow >= m_nHigh) {
        ui::MessageBox(this, QStringLiteral("最低分必须低于最高分，请重新输入！"), reports::MessageCaption(),
                       ui::MB_OK | ui::MB_ICONWARNING);
        return;
    }
    ui::Dialog::OnOK();
}

// ---- the class number

CClassInputDlg::CClassInputDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("请输入班级"));
    setFixedSize(DialogRect(0, 0, 150, 44).size());
    ui::AddLabel(this, QStringLiteral("班级"), DialogRect(8, 10, 20, 10));
    m_editClass = ui::AddEdit(this, IDC_CLASS, DialogRect(30, 8, 50, 13));
    m_spin = new CSpinButtonCtrl(this);
    SetDlgCtrlId(m_spin, IDC_SPIN);
    m_spin->setGeometry(DialogRect(70, 8, 10, 13));
    QPushButton* ok = ui::AddButton(this, ui::IDOK, QStringLiteral("确定"), DialogRect(94, 5, 48, 15));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(ui::AddButton(this, ui::IDCANCEL, QStringLiteral("取消"), DialogRect(94, 24, 48, 15)),
            &QPushButton::clicked, this, [this] { OnCancel(); });
}

bool CClassInputDlg::DoDataExchange(bool saveAndValidate) {
    if (!saveAndValidate) {
        m_editClass->setText(QString::number(m_nClass));
        return true;
    }
    return reports::ReadIntEdit(this, m_editClass, m_nClass, 1, 100);
}

bool CClassInputDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    m_spin->SetBuddy(m_editClass);
    m_spin->SetRange(1, 100);
    DoDataExchange(false);
    return true;
}

void CClassInputDlg::OnOK() {
    if (DoDataExchange(true))
        ui::Dialog::OnOK();
}

// ---- the report

CScoreBandReportDlg::CScoreBandReportDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("各班各科分数段报表"));
    setFixedSize(DialogRect(0, 0, kColumnX + kColumnWidth + 7, 252).size());
    const QRect view = DialogRect(7, 7, kColumnX - 14, 238);
    m_grid.Create(gdi::Rect::FromQRect(view), this, IDC_GRID);
    m_grid.show();
    m_chart = new CChartCtrl(this);
    SetDlgCtrlId(m_chart, IDC_CHART);
    m_chart->setGeometry(view);
    m_chart->hide();

    ui::AddLabel(this, QStringLiteral("科目"), DialogRect(kColumnX, 8, 20, 10));
    m_cbSubject = new QComboBox(this);
    SetDlgCtrlId(m_cbSubject, IDC_SUBJECT);
    m_cbSubject->setGeometry(DialogRect(kColumnX + 22, 6, kColumnWidth - 22, 14));
    connect(m_cbSubject, &QComboBox::activated, this, [this] { OnSubjectChange(); });
    ui::AddLabel(this, QStringLiteral("间距"), DialogRect(kColumnX, 27, 20, 10));
    m_editWidth = ui::AddEdit(this, IDC_WIDTH, DialogRect(kColumnX + 22, 25, 40, 13));
    m_spin = new CSpinButtonCtrl(this);
    SetDlgCtrlId(m_spin, IDC_SPIN);
    m_spin->setGeometry(DialogRect(kColumnX + 52, 25, 10, 13));
    connect(m_editWidth, &QLineEdit::textChanged, this, [this] { OnBandWidthChange(); });
    connect(m_editWidth, &QLineEdit::editingFinished, this, [this] { OnBandWidthDone(); });

    auto* styleBox = new QGroupBox(QStringLiteral("样式"), this);
    styleBox->setGeometry(DialogRect(kColumnX, 44, kColumnWidth, 30));
    m_styles = new QButtonGroup(this);
    const struct {
        int id;
        const char* text;
        int x;
        int w;
    } styles[] = {{IDC_STYLE_TABLE, "表格", 5, 31},
                  {IDC_STYLE_HISTOGRAM, "直方图", 37, 39},
                  {IDC_STYLE_PIE, "饼图", 77, 31}};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(QString::fromUtf8(styles[i].text), styleBox);
        SetDlgCtrlId(r, styles[i].id);
        r->setGeometry(DialogRect(styles[i].x, 13, styles[i].w, 11));
        m_styles->addButton(r, i);
    }
    connect(m_styles->button(0), &QRadioButton::clicked, this, [this] { OnStyleTable(); });
    connect(m_styles->button(1), &QRadioButton::clicked, this, [this] { OnStyleHistogram(); });
    connect(m_styles->button(2), &QRadioButton::clicked, this, [this] { OnStylePie(); });

    auto* classBox = new QGroupBox(QStringLiteral("班级"), this);
    classBox->setGeometry(DialogRect(kColumnX, 78, kColumnWidth, 30));
    m_cbClass = new QComboBox(classBox);
    SetDlgCtrlId(m_cbClass, IDC_CLASS);
    m_cbClass->setGeometry(DialogRect(6, 12, kColumnWidth - 12, 14));
    m_cbClass->setEnabled(false);
    connect(m_cbClass, &QComboBox::activated, this, [this] { OnClassChange(); });

    const auto button = [this](int id, const QString& text, int y) {
        return ui::AddButton(this, id, text, DialogRect(kColumnX + 14, y, kColumnWidth - 28, 15));
    };
    connect(button(IDC_RANGE, QStringLiteral("分数范围"), 116), &QPushButton::clicked, this,
            [this] { OnBandRange(); });
    QPushButton* ok = button(ui::IDOK, QStringLiteral("年级统计"), 135);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(button(IDC_CLASS_BANDS, QStringLiteral("班级统计"), 154), &QPushButton::clicked, this,
            [this] { OnClassBands(); });
    connect(button(IDC_PRINT, res::LoadString(32829), 173), &QPushButton::clicked, this,
            [this] { OnPrint(); });
    connect(button(IDC_EXPORT, QStringLiteral("电子表格"), 192), &QPushButton::clicked, this,
            [this] { OnExportSpreadsheet(); });
    m_btnQuit = button(ui::IDCANCEL, QStringLiteral("退出"), 211);
    connect(m_btnQuit, &QPushButton::clicked, this, [this] { OnCancel(); });
}

CScoreBandReportDlg::~CScoreBandReportDlg() {
    // The width box loses the focus as the windows go, after this dialog's own parts are gone.
    disconnect(m_editWidth, nullptr, this, nullptr);
}

void CScoreBandReportDlg::showEvent(QShowEvent* event) {
    m_bLeaving = false;
    ui::Dialog::showEvent(event);
}

void CScoreBandReportDlg::OnCancel() {
    m_bLeaving = true;
    ui::Dialog::OnCancel();
}

int CScoreBandReportDlg::SubjectNumber() const {
    return m_cbSubject->currentData().toInt();
}

bool CScoreBandReportDlg::DoDataExchange(bool saveAndValidate) {
    // The band width is read with the request, which knows the widest band the full mark allows.
    m_bExchanging = true;
    if (saveAndValidate) {
        m_strSubject = m_cbSubject->currentText();
        m_strClass = m_cbClass->currentText();
        if (m_styles->checkedId() >= 0)
            m_nStyle = m_styles->checkedId();
    } else {
        m_editWidth->setText(QString::number(m_nBandWidth));
        if (QAbstractButton* b = m_styles->button(m_nStyle))
            b->setChecked(true);
    }
    m_bExchanging = false;
    return true;
}

bool CScoreBandReportDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    m_bExchanging = true;
    m_spin->SetBuddy(m_editWidth);
    m_spin->SetRange(1, 99);
    m_bExchanging = false;

    m_nRowCount = 1;
    m_nColCount = 0;
    m_table = CReportTable(1, 0);
    reports::ShowTable(m_grid, m_table);
    m_grid.SetFixedColumnCount(1);
    m_grid.SetFixedRowCount(1);
    m_grid.SetEditable(false);
    m_grid.ResetSelectedRange();
    m_grid.EnableCellSelection(false);
    m_grid.ResetSelectedRange();

    const CAnalysisContext& context = data::AnalysisContext();
    try {
        for (const reports::BandSubject& s : reports::BandSubjects(data::Database(), m_cipher, context))
            m_cbSubject->addItem(s.name, s.no);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "score bands: subjects not listed:" << e.Message();
    }
    m_cbSubject->setCurrentIndex(0);
    setWindowTitle(reports::ExamTitle(context.m_strAnalysisExam) + QStringLiteral("各班各科分数段报表"));

    m_nLow = 0;
    m_nHigh = 0;
    m_chart->hide();
    m_chart->SetColorScheme(2);
    m_chart->SetChartStyle(2);
    m_chart->AddValue(150.0, QStringLiteral("One"), false);

    if (context.HasExam()) {
        try {
            const int m = reports::HighestClass(data::Database(), context.m_nAnalysisExamId);
            for (int c = 1; c <= m; ++c)
                m_cbClass->addItem(reports::ClassLabel(c), c);
        } catch (const db::DbError& e) {
            qCWarning(vlog::db) << "score bands: classes not listed:" << e.Message();
        }
    }
    m_cbClass->setCurrentIndex(0);

    auto* sink = m_report.Create<CGridReportSink>(this);
    if (sink)
        sink->SetRowSource(&m_rows);
    data::SetPrintTarget(this);
    m_chart->m_bNormalCurve = true;
    DoDataExchange(false);
    return true;
}

void CScoreBandReportDlg::ReadChartClass() {
    m_strClass = m_cbClass->currentText();
    m_nChartClass = m_cbClass->currentData().isValid() ? m_cbClass->currentData().toInt() : 0;
}

reports::ReportReads CScoreBandReportDlg::Reads() const {
    const int no = SubjectNumber();
    return {no < 0 ? std::vector<int>{-no - 1} : std::vector<int>{}, true};
}

bool CScoreBandReportDlg::ReadRequest(reports::BandRequest& request) {
    bool oldTotals = false;
    if (!reports::ReadyToCompute(this, Reads(), &oldTotals, &m_staleAnswer))
        return false;
    reports::ShowOldTotalsMark(this, oldTotals);
    DoDataExchange(true);
    const CAnalysisContext& context = data::AnalysisContext();
    reports::BandCheck check;
    try {
        check = reports::CheckBandSubject(data::Database(), m_cipher, context, SubjectNumber());
    } catch (const db::DbError& e) {
        reports::ReportDbError(this, "score bands", e);
        return false;
    }
    if (!check.refusal.isEmpty()) {
        ui::MessageBox(this, check.refusal, reports::MessageCaption(), ui::MB_OK | ui::MB_ICONWARNING);
        return false;
    }
    // The width box shows the width in force again after a refusal, without computing with it.
    m_bExchanging = true;
    const bool whole = reports::ReadIntEditInForce(this, m_editWidth, m_nBandWidth, 1, check.maxWidth);
    m_editWidth->setModified(false); // judged now; leaving the box later asks nothing again
    m_bExchanging = false;
    if (!whole)
        return false;
    request = {SubjectNumber(), m_strSubject, m_nLow, m_nHigh, m_nBandWidth};
    return true;
}

void CScoreBandReportDlg::OnOK() {
    // A refused request computes nothing: the table shown stays.
    reports::BandRequest request;
    if (!ReadRequest(request))
        return;
    const CAnalysisContext& context = data::AnalysisContext();
    QString message;
    // The rows filled before a database failure are shown, and the failure is told.
    reports::ComputeAndShowTable(this, m_grid, m_table, "score bands", [&] {
        const reports::BandResult result =
            reports::ComputeGradeBands(data::Database(), context, request, m_table);
        if (result.status == reports::BandStatus::NoBands)
            message = reports::NoBandsMessage(result.plan.low, result.fullMark);
        if (result.status != reports::BandStatus::Done)
            return;
        m_nShownHigh = result.plan.high;
        ReadChartClass();
        const reports::BandMarker marker =
            reports::ClassMarker(data::Database(), context, request.subject, m_nChartClass);
        m_dMean = marker.mean;
        m_dStdDev = marker.sd;
        m_chart->SetMarker(marker.count, marker.mean, marker.sd);
    });
    m_nRowCount = m_table.RowCount();
    m_nColCount = m_table.ColumnCount();
    if (m_nStyle != 0) {
        ReadChartClass();
        UpdateChart();
    }
    if (!message.isEmpty())
        ui::MessageBox(this, message, reports::MessageCaption(), ui::MB_OK | ui::MB_ICONWARNING);
}

void CScoreBandReportDlg::UpdateChart() {
    m_chart->RemoveAll();
    m_chart->SetWindowText(m_strClass.trimmed() + m_strSubject);
    // The bars keep an empty band inside the range as 0, so that the normal curve lines up with
    // them; a pie has no slice for it.
    for (const reports::ChartValue& v : reports::ChartValues(m_table, m_nChartClass))
        if (v.value > 0 || m_nStyle != 2)
            m_chart->AddValue(v.value, v.label, true);
    m_chart->update();
}

void CScoreBandReportDlg::ShowGrid() {
    m_chart->hide();
    m_grid.show();
    m_cbClass->setEnabled(false);
    GetDlgItem(IDC_PRINT)->setProperty("text", res::LoadString(32829));
}

void CScoreBandReportDlg::ShowStyle(int style) {
    if (style == 0) {
        ShowGrid();
    } else {
        m_grid.hide();
        m_chart->show();
        m_cbClass->setEnabled(true);
        m_chart->SetChartStyle(style);
        GetDlgItem(IDC_PRINT)->setProperty("text", res::LoadString(32833));
    }
    m_nStyle = style;
    OnOK();
}

void CScoreBandReportDlg::OnStyleTable() {
    ShowStyle(0);
}

void CScoreBandReportDlg::OnStyleHistogram() {
    ShowStyle(1);
}

void CScoreBandReportDlg::OnStylePie() {
    ShowStyle(2);
}

void CScoreBandReportDlg::OnClassBands() {
    if (m_nStyle != 0) {
        ShowGrid();
        m_nStyle = 0;
        DoDataExchange(false);
    }
    m_nRowCount = 1;
    m_nColCount = 5;
    m_table = CReportTable(1, 5);
    const char* titles[] = {"人数", "百分比", "累计人数", "累计百分比"};
    for (int c = 1; c <= 4; ++c)
        m_table.SetText(0, c, QString::fromUtf8(titles[c - 1]));
    reports::ShowTable(m_grid, m_table);

    CClassInputDlg input(this);
    if (input.DoModal() != ui::IDOK)
        return;
    reports::BandRequest request;
    if (!ReadRequest(request))
        return;
    QString message;
    reports::ComputeAndShowTable(this, m_grid, m_table, "class score bands", [&] {
        const reports::BandResult result = reports::ComputeClassBands(
            data::Database(), data::AnalysisContext(), request, input.m_nClass, m_table);
        if (result.status == reports::BandStatus::Done)
            m_nShownHigh = result.plan.high;
        if (result.status == reports::BandStatus::NoBands)
            message = reports::NoBandsMessage(result.plan.low, result.fullMark);
    });
    m_nRowCount = m_table.RowCount();
    m_nColCount = m_table.ColumnCount();
    if (!message.isEmpty())
        ui::MessageBox(this, message, reports::MessageCaption(), ui::MB_OK | ui::MB_ICONWARNING);
}

void CScoreBandReportDlg::OnBandRange() {
    // Without a range of the user's the dialog proposes the one shown (150 before any
    // statistics); cancelling leaves the range unset.
    CScoreBandRangeDlg range(this);
    const bool unset = m_nLow == m_nHigh;
    range.m_nLow = unset ? 0 : m_nLow;
    range.m_nHigh = unset ? (m_nShownHigh > 0 ? m_nShownHigh : 150) : m_nHigh;
    if (range.DoModal() != ui::IDOK)
        return;
    m_nLow = range.m_nLow;
    m_nHigh = range.m_nHigh;
}

void CScoreBandReportDlg::OnSubjectChange() {
    // The chart follows the first class again, and the class box says so.
    m_cbClass->setCurrentIndex(0);
    OnOK();
}

void CScoreBandReportDlg::OnClassChange() {
    OnOK();
}

void CScoreBandReportDlg::OnBandWidthChange() {
    // The spin arrows put a whole width into the box, which computes at once. What the teacher
    // types is judged only when done (leaving the box, Enter or 统计): typing 300 passes 3 and 30
    // on its way.
    if (m_bExchanging || m_editWidth->isModified())
        return;
    bool whole = false;
    const int width = m_editWidth->text().trimmed().toInt(&whole);
    if (whole && width >= 1)
        OnOK();
}

void CScoreBandReportDlg::OnBandWidthDone() {
    if (m_bExchanging || !m_editWidth->isModified())
        return;
    // Leaving the dialog judges nothing: pressing 退出 takes the focus from the box before its
    // click closes the dialog, and Esc or the close box hide the dialog with the focus in the box.
    if (m_bLeaving || QApplication::focusWidget() == m_btnQuit)
        return;
    m_editWidth->setModified(false);
    OnOK();
}

void CScoreBandReportDlg::BuildReport() {
    GridReportLayout layout;
    layout.caption = windowTitle();
    layout.widthFactor = 0.05;
    layout.captionStyle = report::CaptionsOnEveryPage;
    BuildGridReport(m_report.Report(), m_rows, layout);
}

void CScoreBandReportDlg::OnPrint() {
    if (m_nStyle != 0) {
        SaveBitmap();
        return;
    }
    RunReportCommand(this, [this] {
        BuildReport();
        m_report.Report().Show(false);
    });
}

void CScoreBandReportDlg::SaveBitmap() {
    const QImage picture = m_chart->grab().toImage();
    const QString path = ui::GetSaveFileName(this, QStringLiteral("位图文件 (*.bmp)|*.bmp||"),
                                             m_strClass.trimmed() + m_strSubject + QStringLiteral(".bmp"));
    if (path.isEmpty())
        return;
    if (!SaveBitmapToFile(picture, path, picture.depth())) {
        qCWarning(vlog::ui) << "chart not saved to" << path;
        ui::MessageBox(this, QStringLiteral("对不起，图像保存失败！"), reports::MessageCaption(),
                       ui::MB_OK | ui::MB_ICONERROR);
    }
}

void CScoreBandReportDlg::OnExportSpreadsheet() {
    if (m_nRowCount <= 1)
        return;
    XlsExportOptions options;
    options.waitCursor = false;
    options.needsDataRows = true;
    ExportToXls(this, m_rows, windowTitle(), data::AppDirectory(), options);
}

std::intptr_t CScoreBandReportDlg::OnPrintGrid(std::uintptr_t, std::intptr_t) {
    return PrintGridOnRequest(m_grid);
}

bool CScoreBandReportDlg::event(QEvent* e) {
    if (ui::WindowMessage* m = ui::AsWindowMessage(e); m && m->Message() == WM_PRINTGRID) {
        m->SetResult(OnPrintGrid(m->WParam(), m->LParam()));
        return true;
    }
    return ui::Dialog::event(e);
}
