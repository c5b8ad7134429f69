#include "analysis/StudentTrackReportDlg.h"

#include "analysis/AnalysisGrid.h"
#include "analysis/TrackQueries.h"
#include "controls/grid/GridCellCheck.h"
#include "controls/grid/RuntimeClass.h"
#include "data/AppContext.h"
#include "data/ExamChooser.h"
#include "data/GradeLookup.h"
#include "platform/db/DbError.h"
#include "platform/log/Log.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Messages.h"
#include "report/ExportToXls.h"
#include "report/GridPrint.h"
#include "report/GridReport.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

using reports::DialogRect;

CStudentTrackReportDlg::CStudentTrackReportDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("学生个体成绩跟踪报表"));
    setFixedSize(DialogRect(0, 0, 343, 258).size());

    m_gridStudents.Create(gdi::Rect::FromQRect(DialogRect(7, 7, 329, 148)), this, IDC_STUDENTS);
    m_gridStudents.show();
    m_gridExams.Create(gdi::Rect::FromQRect(DialogRect(7, 160, 188, 91)), this, IDC_EXAMS);
    m_gridExams.show();

    auto* group = new QGroupBox(this);
    group->setGeometry(DialogRect(200, 156, 88, 95));
    const auto label = [this](const QString& text, int y) {
        ui::AddLabel(this, text, DialogRect(206, y + 2, 20, 12));
    };
    const auto combo = [this](int id, int y) {
        return ui::AddEditableCombo(this, id, DialogRect(228, y, 54, 14));
    };
    label(QStringLiteral("年级"), 166);
    m_cbGrade = combo(IDC_GRADE, 166);
    label(QStringLiteral("班级"), 186);
    m_spinClass = new QSpinBox(this);
    SetDlgCtrlId(m_spinClass, IDC_CLASS);
    m_spinClass->setRange(1, 99);
    m_spinClass->setWrapping(false);
    m_spinClass->setGeometry(DialogRect(228, 186, 54, 14));
    label(QStringLiteral("科目"), 206);
    m_cbSubject = combo(IDC_SUBJECT, 206);
    label(QStringLiteral("目标"), 226);
    m_cbTarget = combo(IDC_TARGET, 226);
    m_cbTarget->addItems(analysis::TrackTargetItems());

    const auto button = [this](int id, const QString& text, int y) {
        return ui::AddButton(this, id, text, DialogRect(293, y, 44, 16));
    };
    QPushButton* ok = button(ui::IDOK, QStringLiteral("确定"), 163);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(button(IDC_PRINT_REPORT, QStringLiteral("打印报表"), 185), &QPushButton::clicked, this,
            [this] { OnPrintReport(); });
    connect(button(IDC_EXPORT, QStringLiteral("电子表格"), 207), &QPushButton::clicked, this,
            [this] { OnExportSpreadsheet(); });
    connect(button(ui::IDCANCEL, QStringLiteral("退出"), 229), &QPushButton::clicked, this,
            [this] { OnCancel(); });

    connect(m_cbGrade, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { OnSelectGrade(index); });
    connect(m_spinClass, qOverload<int>(&QSpinBox::valueChanged), this, [this] { OnChangeClassNo(); });
}

CStudentTrackReportDlg::~CStudentTrackReportDlg() = default;

void CStudentTrackReportDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_strGrade = m_cbGrade->currentText();
        m_strSubject = m_cbSubject->currentText();
        m_nClass = m_spinClass->value();
    } else {
        m_cbGrade->setEditText(m_strGrade);
        m_cbSubject->setEditText(m_strSubject);
        const QSignalBlocker quiet(m_spinClass);
        m_spinClass->setValue(m_nClass);
    }
}

bool CStudentTrackReportDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    DoDataExchange(false);
    LoadGrades();
    LoadSubjects();
    if (m_cbSubject->count() > 2)
        m_cbSubject->setCurrentIndex(2);
    m_cbTarget->setCurrentIndex(0);

    m_gridExams.SetColumnCount(m_nExamCols);
    m_gridExams.SetRowCount(m_nExamRows);
    m_gridExams.SetFixedRowCount(1);
    m_gridExams.SetFixedColumnCount(3);
    const char* examTitles[] = {"", "序号", "考试名称", "是否跟踪", "加权系数"};
    for (int c = 0; c < m_nExamCols; ++c)
        m_gridExams.SetItemText(0, c, QString::fromUtf8(examTitles[c]));
    m_gridExams.AutoSizeColumns();
    m_gridExams.SetColumnWidth(0, 0);
    m_gridExams.EnableTitleTips(false);

    m_gridStudents.SetRowCount(m_nStudentRows);
    m_gridStudents.SetColumnCount(m_nStudentCols);
    m_gridStudents.SetFixedColumnCount(2);
    m_gridStudents.SetFixedRowCount(1);
    m_gridStudents.SetItemText(0, 0, QStringLiteral("学号"));
    m_gridStudents.SetItemText(0, 1, QStringLiteral("姓名"));
    m_gridStudents.SetEditable(false);
    m_gridStudents.EnableCellSelection(false);
    m_gridStudents.SetSortOnClick(true);
    m_gridStudents.AutoSizeColumns();
    m_gridStudents.SetCompareFunction(analysis::CompareByColumnTitle);
    m_gridStudents.EnableTitleTips(false);

    if (auto* sink = m_report.Create<CGridReportSink>(this))
        sink->SetRowSource(&m_rows);
    // The grid's print request comes to this dialog while it is open.
    data::SetPrintTarget(this);
    return true;
}

void CStudentTrackReportDlg::LoadGrades() {
    for (const data::GradeEntry& g : data::GradeEntries(data::Database(), data::GradeOrder::Code))
        m_cbGrade->addItem(g.name, g.code);
    m_cbGrade->setCurrentIndex(-1);
}

void CStudentTrackReportDlg::LoadSubjects() {
    try {
        m_cbSubject->addItems(analysis::TrackSubjects(data::Database(), m_cipher));
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "subject list not loaded:" << e.Message();
    }
}

QString CStudentTrackReportDlg::GradeCodeOfText() {
    const int picked = m_cbGrade->currentIndex();
    if (picked >= 0 && m_cbGrade->itemText(picked) == m_strGrade && m_cbGrade->itemData(picked).isValid())
        return m_cbGrade->itemData(picked).toString();
    QString code = m_strGrade;
    data::GetGradeNo(data::Database(), code);
    return code;
}

void CStudentTrackReportDlg::OnSelectGrade(int index) {
    if (index < 0)
        return;
    m_strGrade = m_cbGrade->itemText(index);
    m_cbGrade->setEditText(m_strGrade);
    m_strGradeCode =
        m_cbGrade->itemData(index).isValid() ? m_cbGrade->itemData(index).toString() : m_strGrade;
    LoadExams(m_strGradeCode);
    OnChangeClassNo();
}

void CStudentTrackReportDlg::LoadExams(const QString& gradeCode) {
    m_nExamRows = 1;
    m_gridExams.SetRowCount(1);
    try {
        const std::vector<analysis::TrackExam> exams =
            analysis::GradeExams(data::Database(), m_cipher, gradeCode);
        for (const analysis::TrackExam& exam : exams) {
            const int k = m_nExamRows++;
            m_gridExams.SetRowCount(m_nExamRows);
            if (exam.id)
                m_gridExams.SetItemText(k, 0, QString::number(*exam.id));
            m_gridExams.SetItemText(k, 1, QStringLiteral("第%1次").arg(k));
            // The tracking cell is a box to tick: it takes no typed text.
            m_gridExams.SetItemState(k, 3, m_gridExams.GetItemState(k, 3) | GCS_READONLY);
            if (exam.name) {
                m_gridExams.SetItemText(k, 2, *exam.name);
                m_gridExams.SetCellType(k, 3, RuntimeClass<CGridCellCheck>());
                if (auto* check = dynamic_cast<CGridCellCheck*>(m_gridExams.GetCell(k, 3)))
                    check->SetCheck(true);
                m_gridExams.SetItemText(k, 4, QStringLiteral("1.0"));
            }
        }
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "exam list not loaded:" << e.Message();
    }
    m_gridExams.AutoSizeColumns();
    m_gridExams.SetColumnWidth(0, 0);
    // The dialog cannot grow: a long exam name gives way so that 是否跟踪 and 加权系数 are in view.
    m_gridExams.NarrowColumnToFit(2, m_gridExams.GetTextExtent(0, 2, QStringLiteral("考试名称")).cx);
    m_gridExams.update();
}

void CStudentTrackReportDlg::OnChangeClassNo() {
    DoDataExchange(true);
    m_nStudentRows = 1;
    m_nStudentCols = 2;
    m_gridStudents.SetRowCount(1);
    m_gridStudents.SetColumnCount(2);
    try {
        m_strGradeCode = GradeCodeOfText();
        m_strGrade = m_strGradeCode;
        const std::vector<analysis::TrackStudent> students =
            analysis::ClassStudents(data::Database(), m_strGrade, m_nClass);
        const CReportTable table = analysis::StudentListTable(students);
        reports::ShowTable(m_gridStudents, table);
        m_nStudentRows = table.RowCount();
        m_nStudentCols = table.ColumnCount();
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "student list not loaded:" << e.Message();
    }
    analysis::FitColumnsToTexts(m_gridStudents);
    m_gridStudents.update();
}

void CStudentTrackReportDlg::OnOK() {
    DoDataExchange(true);
    m_nTarget = m_cbTarget->findText(m_cbTarget->currentText(), Qt::MatchExactly);
    try {
        db::Connection& db = data::Database();
        const std::optional<QString> column = analysis::SubjectColumn(db, m_cipher, m_strSubject);
        if (!column) {
            ui::MessageBox(this, analysis::SubjectNotListedMessage(), reports::MessageCaption(),
                           ui::MB_OK | ui::MB_ICONWARNING);
            return;
        }
        std::vector<analysis::TrackedExam> exams;
        std::vector<int> examIds;
        for (int i = 1; i < m_nExamRows; ++i) {
            const auto* check = dynamic_cast<const CGridCellCheck*>(m_gridExams.GetCell(i, 3));
            if (check && check->GetCheck()) {
                exams.push_back({i, m_gridExams.GetItemText(i, 0).toInt(), m_gridExams.GetItemText(i, 4)});
                examIds.push_back(exams.back().examId);
            }
        }
        bool oldTotals = false;
        if (!reports::ReadyToCompute(this, examIds, {analysis::TotalsRead(*column), false}, &oldTotals))
            return;
        reports::ShowOldTotalsMark(this, oldTotals);
        const reports::CWaitCursor wait;
        std::vector<analysis::TrackStudent> students;
        for (int j = 1; j < m_nStudentRows; ++j)
            students.push_back({m_gridStudents.GetItemText(j, 0), m_gridStudents.GetItemText(j, 1)});
        const CReportTable table = analysis::TrackTable(db, students, exams, *column, m_nTarget);
        reports::ShowTable(m_gridStudents, table);
        m_nStudentRows = table.RowCount();
        m_nStudentCols = table.ColumnCount();
        analysis::FitColumnsToTexts(m_gridStudents);
        // The rows stand sorted by 综合 from the highest down; a click on its title turns them.
        m_gridStudents.SetSortColumn(m_nStudentCols - 1);
        m_gridStudents.SetSortAscending(false);
        m_gridStudents.update();
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "tracking table failed:" << e.Message();
        ui::MessageBox(this, reports::DbErrorMessage(data::DbErrorText(e)), reports::MessageCaption(),
                       ui::MB_OK | ui::MB_ICONERROR);
    }
}

void CStudentTrackReportDlg::BuildReport() {
    GridReportLayout layout;
    layout.caption = windowTitle();
    layout.widthFactor = 0.26;
    layout.groupByFirstColumn = false;
    BuildGridReport(m_report.Report(), m_rows, layout);
}

void CStudentTrackReportDlg::OnPrintReport() {
    RunReportCommand(this, [this] {
        BuildReport();
        m_report.Report().Show(false);
    });
}

void CStudentTrackReportDlg::OnExportSpreadsheet() {
    XlsExportOptions options;
    options.waitCursor = false;
    options.needsDataRows = true;
    ExportToXls(this, m_rows, windowTitle(), data::AppDirectory(), options);
}

std::intptr_t CStudentTrackReportDlg::OnPrintGrid(std::uintptr_t, std::intptr_t) {
    return PrintGridOnRequest(m_gridStudents);
}

bool CStudentTrackReportDlg::event(QEvent* e) {
    if (ui::WindowMessage* m = ui::AsWindowMessage(e); m && m->Message() == WM_PRINTGRID) {
        m->SetResult(OnPrintGrid(m->WParam(), m->LParam()));
        return true;
    }
    return ui::Dialog::event(e);
}
