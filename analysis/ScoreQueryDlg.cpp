#include "analysis/ScoreQueryDlg.h"

#include "analysis/AnalysisGrid.h"
#include "analysis/ScoreHistory.h"
#include "controls/FontEx.h"
#include "controls/Picture.h"
#include "controls/SkinButton.h"
#include "controls/grid/GridFont.h"
#include "data/AppContext.h"
#include "data/ExamChooser.h"
#include "platform/db/DbError.h"
#include "platform/drensil/Drensil.h"
#include "platform/log/Log.h"
#include "platform/text/Gbk.h"
#include "platform/ui/MessageBox.h"
#include "report/ExportToXls.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <memory>

using reports::DialogRect;

namespace {

// Keeps an edit's text within `limit` bytes of code page 936, cut at a character boundary. The
// first cut in the box says so, once: later ones are silent, so typing on never repeats it.
void LimitGbkBytes(QLineEdit* edit, int limit, const QString& message) {
    auto told = std::make_shared<bool>(false);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, limit, message, told](const QString& text) {
        if (text::GbkLength(text) <= limit)
            return;
        edit->setText(text::CutToGbkBytes(text, limit));
        if (*told)
            return;
        *told = true;
        ui::MessageBox(edit->window(), message, QStringLiteral("信息提示"), ui::MB_ICONINFORMATION);
    });
}

CSkinButton* IconButton(QWidget* parent, int id, const QRect& rect, unsigned style = BS_PUSHBUTTON) {
    auto* b = new CSkinButton(QString(), parent, style);
    ui::Dialog::SetDlgCtrlId(b, id);
    b->setGeometry(rect);
    return b;
}

} // namespace

CScoreQueryDlg::CScoreQueryDlg(QWidget* parent) : CBitmapDialog(IDD, parent) {
    setWindowTitle(QStringLiteral("成绩查询"));
    setFixedSize(DialogRect(0, 0, 349, 227).size());

    m_grid.Create(gdi::Rect::FromQRect(DialogRect(7, 7, 335, 158)), this, IDC_GRID);
    m_grid.show();

    auto* left = new QGroupBox(QStringLiteral("查询学号"), this);
    left->setGeometry(DialogRect(7, 169, 200, 52));
    auto* gradeLabel = new QLabel(QStringLiteral("年级"), this);
    gradeLabel->setGeometry(DialogRect(15, 185, 20, 12));
    m_cbGrade = new QComboBox(this);
    m_cbGrade->setEditable(true);
    SetDlgCtrlId(m_cbGrade, IDC_GRADE);
    m_cbGrade->setGeometry(DialogRect(37, 183, 84, 14));
    auto* nameLabel = new QLabel(QStringLiteral("姓名"), this);
    nameLabel->setGeometry(DialogRect(15, 203, 20, 12));
    m_editName = new QLineEdit(this);
    SetDlgCtrlId(m_editName, IDC_NAME);
    m_editName->setGeometry(DialogRect(37, 201, 84, 14));
    LimitGbkBytes(m_editName, 8, QStringLiteral("姓名最长8个字节（4个汉字），多出的部分已去掉。"));
    m_btnSearch = IconButton(this, IDC_SEARCH, DialogRect(129, 183, 32, 30));
    m_btnFont = IconButton(this, IDC_FONT, DialogRect(167, 183, 32, 30));

    auto* right = new QGroupBox(QStringLiteral("查询成绩"), this);
    right->setGeometry(DialogRect(213, 169, 129, 52));
    auto* idLabel = new QLabel(QStringLiteral("学号"), this);
    idLabel->setGeometry(DialogRect(221, 192, 20, 12));
    m_editStudentId = new QLineEdit(this);
    SetDlgCtrlId(m_editStudentId, IDC_STUDENT_ID);
    m_editStudentId->setGeometry(DialogRect(241, 190, 52, 14));
    LimitGbkBytes(m_editStudentId, 9, QStringLiteral("学号最长9个字节，多出的部分已去掉。"));
    m_btnQuery = IconButton(this, ui::IDOK, DialogRect(297, 183, 18, 30), BS_DEFPUSHBUTTON);
    m_btnExport = IconButton(this, IDC_EXPORT, DialogRect(318, 183, 18, 30));

    connect(m_btnSearch, &QPushButton::clicked, this, [this] { OnSearchStudent(); });
    connect(m_btnFont, &QPushButton::clicked, this, [this] { OnChooseFont(); });
    connect(m_btnQuery, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_btnExport, &QPushButton::clicked, this, [this] { OnExport(); });
    m_notify.OnClick([this](int row, int col) { OnGridClick(row, col); });
    m_notify.OnDbError([this](CGridNotifyAdapter::Notice, int, int, const db::DbError& error) {
        ui::MessageBox(this, reports::DbErrorMessage(data::DbErrorText(error)), reports::MessageCaption(),
                       ui::MB_ICONERROR);
    });
}

CScoreQueryDlg::~CScoreQueryDlg() = default;

void CScoreQueryDlg::DoDataExchange(bool saveAndValidate) {
    CBitmapDialog::DoDataExchange(saveAndValidate);
    if (saveAndValidate) {
        m_strName = m_editName->text();
        m_strGrade = m_cbGrade->currentText();
        m_strStudentId = m_editStudentId->text();
    } else {
        m_editName->setText(m_strName);
        m_cbGrade->setEditText(m_strGrade);
        m_editStudentId->setText(m_strStudentId);
    }
}

bool CScoreQueryDlg::OnInitDialog() {
    CBitmapDialog::OnInitDialog();
    // The background picture lives in the resource library.
    const QImage background =
        LoadPictureData(drensil::LoadResource(IDB_BACKGROUND, QStringLiteral("BITMAP")));
    SetBitmap(background);

    const auto skin = [](CSkinButton* b, int icon, int second, const QString& tip) {
        b->SetIcon(icon, second);
        b->SetTransparent(false);
        b->SetTooltipText(tip);
    };
    skin(m_btnFont, 262, 263, QStringLiteral("设置字体"));
    skin(m_btnSearch, 280, CSkinButton::DARK_COPY, QStringLiteral("查询学号"));
    skin(m_btnQuery, 280, CSkinButton::DARK_COPY, QStringLiteral("查询成绩"));
    skin(m_btnExport, 286, CSkinButton::DARK_COPY, QStringLiteral("输出电子表格"));

    SetDialogGridFont(m_grid);
    Show(analysis::HistorySearchHeader());
    m_grid.ResetSelectedRange();
    m_grid.EnableCellSelection(false);
    m_grid.EnableTitleTips(false);
    LoadGrades();
    return true;
}

void CScoreQueryDlg::LoadGrades() {
    // A sorted list: each name in GBK order; the code goes with it.
    std::vector<data::GradeEntry> grades = data::GradeEntries(data::Database(), data::GradeOrder::Code);
    std::stable_sort(grades.begin(), grades.end(), [](const data::GradeEntry& a, const data::GradeEntry& b) {
        return text::CompareGbk(a.name, b.name) < 0;
    });
    for (const data::GradeEntry& g : grades)
        m_cbGrade->addItem(g.name, g.code);
    if (m_cbGrade->count() > 0)
        m_cbGrade->setCurrentIndex(0);
}

void CScoreQueryDlg::Show(const CReportTable& table) {
    reports::ShowTable(m_grid, table);
    m_nRowCount = table.RowCount();
    m_nColCount = table.ColumnCount();
    analysis::FitColumnsToTexts(m_grid);
    m_grid.update();
}

void CScoreQueryDlg::ShowDbError(const char* what, const db::DbError& error) {
    qCWarning(vlog::db) << what << "failed:" << error.Message();
    ui::MessageBox(this, reports::DbErrorMessage(data::DbErrorText(error)), reports::MessageCaption(),
                   ui::MB_OK | ui::MB_ICONERROR);
}

void CScoreQueryDlg::OnSearchStudent() {
    DoDataExchange(true);
    m_strGrade = m_strGrade.trimmed();
    m_strName = m_strName.trimmed();
    try {
        db::Connection& db = data::Database();
        // A grade picked from the list is known by its code; typed text is looked up by name.
        const int picked = m_cbGrade->currentIndex();
        const QString code = picked >= 0 && m_cbGrade->itemText(picked) == m_strGrade
                                 ? m_cbGrade->itemData(picked).toString()
                                 : analysis::FindGradeCode(db, m_strGrade);
        if (code.isEmpty() || m_strName.isEmpty()) {
            ui::MessageBox(this, analysis::EmptyKeyMessage(), reports::MessageCaption(),
                           ui::MB_OK | ui::MB_ICONWARNING);
            return;
        }
        const CReportTable table = analysis::SearchStudents(db, code, m_strName);
        Show(table);
        if (table.RowCount() < 2)
            ui::MessageBox(this, analysis::NotFoundMessage(), reports::MessageCaption(),
                           ui::MB_OK | ui::MB_ICONINFORMATION);
        m_grid.SetSortOnClick(true);
        m_grid.SetCompareFunction(analysis::CompareByColumnTitle);
    } catch (const db::DbError& e) {
        ShowDbError("student search", e);
    }
}

void CScoreQueryDlg::OnGridClick(int row, int) {
    if (row < 1 || row >= m_nRowCount)
        return;
    m_strStudentId = m_grid.GetItemText(row, 0);
    m_editStudentId->setText(m_strStudentId);
}

void CScoreQueryDlg::OnOK() {
    DoDataExchange(true);
    if (m_strStudentId.isEmpty()) {
        ui::MessageBox(this, analysis::EmptyKeyMessage(), reports::MessageCaption(),
                       ui::MB_OK | ui::MB_ICONWARNING);
        return;
    }
    const bool streams =
        ui::MessageBox(this, QStringLiteral("请问，需要分文理科吗？"), reports::MessageCaption(),
                       ui::MB_YESNO | ui::MB_ICONQUESTION) == ui::IDYES;
    bool found = false;
    try {
        const reports::CWaitCursor wait;
        const CReportTable table =
            analysis::ScoreHistory(data::Database(), m_cipher, m_strStudentId, streams);
        Show(table);
        found = table.RowCount() > 1;
    } catch (const db::DbError& e) {
        ShowDbError("score history", e);
        return;
    }
    if (!found)
        ui::MessageBox(this, analysis::NotFoundMessage(), reports::MessageCaption(),
                       ui::MB_OK | ui::MB_ICONINFORMATION);
}

void CScoreQueryDlg::OnExport() {
    XlsExportOptions options;
    options.waitCursor = false;
    options.needsDataRows = true;
    ExportToXls(this, m_rows, windowTitle(), data::AppDirectory(), options);
}

void CScoreQueryDlg::OnChooseFont() {
    const gdi::LOGFONT current = m_grid.GetFont() ? m_grid.GetFont()->GetLogFont() : gdi::LOGFONT{};
    CFontEx font(current);
    if (!font.ChooseFont(&current, this))
        return;
    m_grid.SetFont(font.GetLogFont(), true);
    m_grid.AutoSize();
}

void CScoreQueryDlg::OnBackgroundReady(const QImage& background) {
    m_btnSearch->SetBkFromDC(background);
}

bool CScoreQueryDlg::event(QEvent* e) {
    return m_notify.Handle(e) || CBitmapDialog::event(e);
}
