#include "analysis/TeachEvalDlg.h"

#include "analysis/EvalParamDlg.h"
#include "controls/ComboChoice.h"
#include "controls/SkinButton.h"
#include "controls/TextProgressBar.h"
#include "controls/grid/GridCell.h"
#include "data/AppContext.h"
#include "platform/com/ComError.h"
#include "platform/db/DbError.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/ui/MessageBox.h"
#include "report/GridReport.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QRadioButton>

#include <exception>

using reports::DialogRect;

namespace {
constexpr int IDS_INFO_CAPTION = 57618;
constexpr int IDS_AUTO_CLOSE = 57713;
constexpr int IDS_TWO_EXAMS = 57715;
constexpr int IDS_SETTINGS_TIP = 32800;
} // namespace

CTeachEvalDlg::CTeachEvalDlg(QWidget* parent)
    : ui::Dialog(IDD, parent), m_strCaption(res::LoadString(IDS_INFO_CAPTION)),
      m_strAutoClose(res::LoadString(IDS_AUTO_CLOSE)) {
    setWindowTitle(QStringLiteral("教师教学效果评价"));
    setFixedSize(DialogRect(0, 0, 385, 242).size());

    m_grid.Create(gdi::Rect::FromQRect(DialogRect(7, 7, 310, 214)), this, IDC_GRID);
    m_grid.show();
    m_progress = new CTextProgressBar(this);
    SetDlgCtrlId(m_progress, IDC_PROGRESS);
    m_progress->setGeometry(DialogRect(7, 225, 310, 10));
    m_progress->hide();

    const auto button = [this](int id, const QString& text, int y, unsigned style = BS_PUSHBUTTON) {
        auto* b = new CSkinButton(text, this, style);
        SetDlgCtrlId(b, id);
        b->setGeometry(DialogRect(324, y, 54, 18));
        return b;
    };
    m_btnSettings = button(IDC_SETTINGS, QStringLiteral("设置"), 7);
    m_cbSubject = new QComboBox(this);
    m_cbSubject->setEditable(true);
    m_cbSubject->setInsertPolicy(QComboBox::NoInsert);
    SetDlgCtrlId(m_cbSubject, IDC_SUBJECT);
    m_cbSubject->setGeometry(DialogRect(324, 32, 54, 14));

    auto* box = new QGroupBox(QStringLiteral("算子"), this);
    box->setGeometry(DialogRect(324, 52, 54, 46));
    m_methodGroup = new QButtonGroup(this);
    const auto radio = [&](int id, int value, const QString& text, int y) {
        auto* r = new QRadioButton(text, box);
        SetDlgCtrlId(r, id);
        r->setGeometry(DialogRect(6, y, 46, 12));
        m_methodGroup->addButton(r, value);
        return r;
    };
    connect(radio(IDC_METHOD_M, teacheval::kMethodM, QStringLiteral("M分析法"), 12), &QRadioButton::clicked,
            this, [this] { OnMethodM(); });
    connect(radio(IDC_METHOD_F, teacheval::kMethodF, QStringLiteral("F分析法"), 28), &QRadioButton::clicked,
            this, [this] { OnMethodF(); });

    m_btnOK = button(ui::IDOK, QStringLiteral("确定"), 160, BS_DEFPUSHBUTTON);
    m_btnPrint = button(IDC_PRINT, QStringLiteral("打印"), 185);
    m_btnExit = button(ui::IDCANCEL, QStringLiteral("退出"), 210);
    connect(m_btnSettings, &QPushButton::clicked, this, [this] { OnSettings(); });
    connect(m_btnOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_btnPrint, &QPushButton::clicked, this, [this] { OnPrint(); });
    connect(m_btnExit, &QPushButton::clicked, this, [this] { OnCancel(); });
}

CTeachEvalDlg::~CTeachEvalDlg() = default;

void CTeachEvalDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_nMethod =
            m_methodGroup->checkedId() == teacheval::kMethodF ? teacheval::kMethodF : teacheval::kMethodM;
        m_strSubject = m_cbSubject->currentText();
    } else {
        if (QAbstractButton* b = m_methodGroup->button(m_nMethod))
            b->setChecked(true);
        m_cbSubject->setEditText(m_strSubject);
    }
}

bool CTeachEvalDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    m_msgBox.CreateHidden(this);
    m_btnSettings->SetIcon(290, CSkinButton::DARK_COPY);
    m_btnOK->SetIcon(291, CSkinButton::DARK_COPY);
    m_btnPrint->SetIcon(292, CSkinButton::DARK_COPY);
    m_btnExit->SetIcon(260, CSkinButton::DARK_COPY);
    m_btnSettings->SetTooltipText(res::LoadString(IDS_SETTINGS_TIP));

    m_grid.EnableCellSelection(false);
    m_grid.ResetSelectedRange();
    m_grid.SetEditable(false);
    // Fitting the columns: an empty result cell (a class without students) asks for little room.
    if (CGridDefaultCell* cell = m_grid.GetDefaultCell(false, false))
        cell->SetWidth(24);
    m_nRowCount = 1;
    m_nColCount = 1;
    DoDataExchange(false);
    OnMethodM();
    LoadSubjects();
    if (auto* sink = m_report.Create<CTeachEvalReportSink>(this))
        sink->SetRowSource(&m_rows);
    return true;
}

void CTeachEvalDlg::LoadSubjects() {
    m_cbSubject->clear();
    try {
        const QString key = data::DescriptionKey();
        // Each entry keeps its subject number: the number of its score column.
        for (db::Recordset rs = reports::Query(
                 data::Database(), QStringLiteral("select id,fldname,mydesc from tavrinKMK order by id"));
             !rs.IsEOF(); rs.MoveNext()) {
            if (rs.Field(2).IsNull())
                continue;
            const QString field = rs.Field(1).ToString();
            bool ok = false;
            int no = field.startsWith(u's') ? field.mid(1).toInt(&ok) : 0;
            if (!ok)
                no = rs.Field(0).ToInt();
            m_cbSubject->addItem(m_cipher.DecodeText(key, rs.Field(2).ToString()), no);
        }
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "subject list cut short:" << e.Message();
    }
    m_cbSubject->setCurrentIndex(-1);
}

void CTeachEvalDlg::ShowResult() {
    reports::ShowTable(m_grid, m_table);
    m_nRowCount = m_table.RowCount();
    m_nColCount = m_table.ColumnCount();
    m_grid.AutoSize();
    m_grid.update();
}

void CTeachEvalDlg::SetMethod(int method) {
    m_nMethod = method;
    m_table = teacheval::EmptyTable(method, m_nRowCount);
    ShowResult();
}

void CTeachEvalDlg::OnMethodM() {
    SetMethod(teacheval::kMethodM);
}

void CTeachEvalDlg::OnMethodF() {
    SetMethod(teacheval::kMethodF);
}

void CTeachEvalDlg::ShowError(const QString& text) {
    ui::MessageBox(this, reports::DbErrorMessage(text), reports::MessageCaption(),
                   ui::MB_OK | ui::MB_ICONERROR);
}

void CTeachEvalDlg::OnSettings() {
    CEvalParamDlg dlg;
    dlg.m_nGradeIndex = m_nGradeIndex;
    dlg.m_nRangeIndex = m_nRangeIndex;
    dlg.m_nFirstExamId = m_nFirstExamId;
    dlg.m_nSecondExamId = m_nSecondExamId;
    if (dlg.DoModal() != ui::IDOK)
        return;
    m_strGrade = dlg.m_strGrade;
    m_nRangeIndex = dlg.m_nRangeIndex;
    m_nGradeIndex = dlg.m_nGradeIndex;
    m_nFirstExamId = dlg.m_nFirstExamId;
    m_nSecondExamId = dlg.m_nSecondExamId;
    m_bExamTyped = dlg.m_bExamTyped;
    m_nRowCount = 1;
    QString error;
    try {
        // A row for every class number up to the exit exam's highest, students or not.
        m_nRowCount = reports::HighestClass(data::Database(), m_nSecondExamId) + 1;
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "classes of exam" << m_nSecondExamId << "not read:" << e.Message();
        error = data::DbErrorText(e);
    }
    SetMethod(m_nMethod);
    if (!error.isEmpty())
        ShowError(error);
}

void CTeachEvalDlg::OnOK() {
    if (m_bExamTyped) {
        ui::MessageBox(this, QStringLiteral("对不起，考试只能在列表中选择！"), m_strCaption,
                       ui::MB_OK | ui::MB_ICONINFORMATION);
        return;
    }
    if (m_nFirstExamId == -1 || m_nSecondExamId == -1 || m_nFirstExamId == m_nSecondExamId) {
        m_strMessage = res::LoadString(IDS_TWO_EXAMS);
        m_msgBox.Show(m_strMessage, m_strCaption + m_strAutoClose, 1000, ui::MB_OK | ui::MB_ICONERROR, true);
        return;
    }
    DoDataExchange(true);
    // The chosen entry, or the entry whose text was typed in full.
    const QVariant subject = ChosenOrNamedEntryData(*m_cbSubject);
    if (!subject.isValid()) {
        ui::MessageBox(this, QStringLiteral("对不起，科目只能在列表中选择！"), m_strCaption,
                       ui::MB_OK | ui::MB_ICONINFORMATION);
        return;
    }
    try {
        if (teacheval::ExitExamIsEarlier(data::Database(), m_nFirstExamId, m_nSecondExamId) &&
            ui::MessageBox(this,
                           QStringLiteral("第二次考试（出口考试）的日期早于第一次考试（入口考试），"
                                          "是否仍要进行分析？"),
                           m_strCaption, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
            return;
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "dates of the exams not read:" << e.Message();
        ShowError(data::DbErrorText(e));
        return;
    }
    teacheval::Choice choice;
    choice.firstExamId = m_nFirstExamId;
    choice.secondExamId = m_nSecondExamId;
    choice.subject = subject.toInt();
    // A typed range counts as the whole grade.
    choice.range =
        m_nRangeIndex >= 0 && m_nRangeIndex <= teacheval::kScience ? m_nRangeIndex : teacheval::kWholeGrade;

    QString error;
    teacheval::MissingScores missing = teacheval::MissingScores::None;
    {
        const reports::CWaitCursor wait;
        m_table = teacheval::EmptyTable(m_nMethod, m_nRowCount);
        ShowResult();
        try {
            db::Connection& db = data::Database();
            if (m_nMethod == teacheval::kMethodM) {
                m_progress->SetShowText(true);
                m_progress->SetRange(0, m_nRowCount + 2);
                m_progress->SetPos(0);
                m_progress->show();
                missing = teacheval::RunMAnalysis(db, choice, m_table,
                                                  [this](int position) { m_progress->SetPos(position); });
            } else {
                missing = teacheval::RunFAnalysis(db, choice, m_table);
            }
        } catch (const db::DbError& e) {
            qCWarning(vlog::db) << "teaching evaluation cut short:" << e.Message();
            error = data::DbErrorText(e); // the classes done so far are shown
        } catch (const std::exception& e) {
            qCWarning(vlog::db) << "teaching evaluation cut short:" << e.what();
            error = QString::fromLocal8Bit(e.what());
        }
        m_progress->hide();
        ShowResult();
    }
    if (!error.isEmpty()) {
        ShowError(error);
    } else if (missing != teacheval::MissingScores::None) {
        // Nothing was compared: the table stays empty and the notice says which exam lacks the scores.
        const int range = m_nMethod == teacheval::kMethodM ? choice.range : teacheval::kWholeGrade;
        m_strMessage = teacheval::MissingScoresMessage(missing, range, m_strSubject);
        ui::MessageBox(this, m_strMessage, m_strCaption, ui::MB_OK | ui::MB_ICONINFORMATION);
    }
}

void CTeachEvalDlg::BuildReport() {
    GridReportLayout layout;
    layout.caption = windowTitle();
    layout.titleSuffix = u' ' + m_strGrade + m_strSubject;
    layout.widthFactor = 0.26;
    const int method = m_nMethod;
    for (const teacheval::ColumnGroupSpec& g : teacheval::ReportColumnGroups(method))
        layout.columnGroups.push_back({g.title, g.first, g.last});
    // The count columns print their level letter under their group's title.
    layout.columnCaption = [method](int column, const QString& header) {
        return teacheval::IsLevelCountColumn(method, column) ? header.right(1) : header;
    };
    layout.columnAlign = report::AlignCenter | report::AlignMiddle;
    BuildGridReport(m_report.Report(), m_rows, layout);
}

void CTeachEvalDlg::OnPrint() {
    DoDataExchange(true);
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
        qCWarning(vlog::report) << "teaching evaluation not printed:" << error;
        ShowError(error);
    }
}
