#include "admin/ExamMaintainDlg.h"

#include "admin/DeleteCounts.h"
#include "admin/ExamSetup.h"
#include "controls/grid/GridFont.h"
#include "data/AppContext.h"
#include "data/DataFiles.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/text/DisplayText.h"
#include "platform/ui/MessageBox.h"

#include <algorithm>

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CExamMaintainDlg::CExamMaintainDlg(QWidget* parent) : ui::Dialog(IDD, parent), m_Grid(0, 0, 0, 0) {
    setWindowTitle(QStringLiteral("考试维护"));

    m_cbGrade = new QComboBox(this);
    SetDlgCtrlId(m_cbGrade, IDC_GRADE);
    m_Grid.Create(gdi::Rect(0, 0, 420, 260), this, IDC_GRID);
    m_Grid.setMinimumSize(420, 260);
    m_edExamId = new QLineEdit(this);
    m_edExamId->setReadOnly(true);
    m_edExamId->hide();
    SetDlgCtrlId(m_edExamId, IDC_EXAM_ID);
    auto* note = new QLabel(QStringLiteral("１、本系统进行成绩跟踪是按照考试日期先后顺序进行跟踪；\n"
                                           "２、本模块用于修改考试日期和删除已经在案的考试；考试一经删除，"
                                           "将不可恢复，切记！"),
                            this);
    note->setWordWrap(true);
    SetDlgCtrlId(note, 65535);
    auto* gradeLabel = new QLabel(QStringLiteral("年级"), this);
    SetDlgCtrlId(gradeLabel, 65535);

    auto* remove = new QPushButton(QStringLiteral("删除"), this);
    SetDlgCtrlId(remove, IDC_DELETE);
    auto* help = new QPushButton(QStringLiteral("帮助"), this);
    SetDlgCtrlId(help, ui::IDOK);
    auto* quit = new QPushButton(QStringLiteral("退出"), this);
    SetDlgCtrlId(quit, ui::IDCANCEL);
    // Enter belongs to the grid's date editor, never to a button.
    for (QPushButton* b : {remove, help, quit})
        b->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(gradeLabel);
    top->addWidget(m_cbGrade, 1);
    auto* left = new QVBoxLayout;
    left->addLayout(top);
    left->addWidget(&m_Grid, 1);
    auto* right = new QVBoxLayout;
    right->addSpacing(m_cbGrade->sizeHint().height() + 6);
    right->addWidget(remove);
    right->addWidget(help);
    right->addWidget(quit);
    right->addStretch();
    auto* body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(note);
    layout->addWidget(m_edExamId);

    connect(m_cbGrade, &QComboBox::activated, this, [this] { OnSelectGrade(); });
    connect(remove, &QPushButton::clicked, this, [this] { OnDeleteExam(); });
    connect(help, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(quit, &QPushButton::clicked, this, [this] { OnCancel(); });

    m_notify.OnEndEdit([this](int row, int col, const QString&) { return OnGridEndEdit(row, col); });
    m_notify.OnClick([this](int row, int col) { OnGridClick(row, col); });
    m_notify.OnDbError([this](CGridNotifyAdapter::Notice, int, int, const db::DbError& error) {
        ui::MessageBox(this, data::DatabaseFailureMessage(res::LoadString(57619), error),
                       res::LoadString(57656), ui::MB_ICONWARNING);
    });
}

bool CExamMaintainDlg::OnInitDialog() {
    SetDialogGridFont(m_Grid);
    m_Grid.SetRowCount(1);
    m_Grid.SetColumnCount(4);
    m_Grid.SetFixedRowCount(1);
    m_Grid.SetFixedColumnCount(3);
    const QString titles[] = {QStringLiteral("序号"), QStringLiteral("年级"), QStringLiteral("考试名称"),
                              QStringLiteral("考试日期")};
    for (int c = 0; c < 4; ++c)
        m_Grid.SetItemText(0, c, titles[c]);
    m_Grid.AutoSizeColumns();
    // The id column stays hidden: no resizing can bring it back.
    m_Grid.SetColumnWidth(0, 0);
    m_Grid.EnableColumnResize(false);
    m_Grid.ResetSelectedRange();
    m_Grid.EnableCellSelection(false);
    m_Grid.ResetSelectedRange();
    FillGrades();
    return true;
}

void CExamMaintainDlg::OnOK() {
    ui::MessageBox(this, QStringLiteral("修改完后按回车键即自动存盘！"), res::LoadString(57656),
                   ui::MB_ICONINFORMATION);
}

void CExamMaintainDlg::FillGrades() {
    m_cbGrade->clear();
    if (!data::HasDatabase())
        return;
    // Each entry carries its grade code, so two grades of one name each list their own exams. The
    // list shows names cut to a sane length: a name of a damaged file would size the box, and the
    // dialog with it, to its own width. Nothing shown here is written back.
    try {
        for (const examsetup::GradeChoice& grade : examsetup::GradesWithExams(data::Database()))
            m_cbGrade->addItem(text::ForDisplay(grade.name), grade.code);
    } catch (const db::DbError& e) {
        // The list stays empty.
        qCWarning(vlog::db) << "maintenance: grade list not read:" << e.Message();
    }
    m_cbGrade->setCurrentIndex(-1);
}

void CExamMaintainDlg::OnSelectGrade() {
    // Only an exam the list shows can be deleted: a new list forgets the chosen one.
    ForgetChosenExam();
    m_Grid.SetRowCount(1);
    m_examIds.clear();
    if (!data::HasDatabase() || m_cbGrade->currentIndex() < 0)
        return;
    const QString code = m_cbGrade->currentData().toString();
    try {
        for (const examsetup::RegisteredExam& exam :
             examsetup::GradeExams(data::Database(), m_cipher, code)) {
            const int row = m_Grid.GetRowCount();
            m_Grid.SetRowCount(row + 1);
            m_examIds.push_back(exam.id);
            m_Grid.SetItemText(row, 0, QString::number(exam.id));
            m_Grid.SetItemText(row, 1, text::ForDisplay(exam.grade));
            m_Grid.SetItemText(row, 2, text::ForDisplay(exam.description));
            m_Grid.SetItemText(row, 3, exam.date);
        }
    } catch (const db::DbError& e) {
        // The list stays empty.
        qCWarning(vlog::db) << "maintenance: exams of grade" << code << "not read:" << e.Message();
    }
    m_Grid.AutoSizeColumns();
    ShowAllColumns();
}

void CExamMaintainDlg::ShowAllColumns() {
    // The dialog grows with its grid so that the date, the one column to edit, is never behind
    // the scroll bar; a name too long for any screen still scrolls.
    m_Grid.setMinimumWidth(std::clamp(m_Grid.WidthShowingAllColumns(), 420, 1000));
}

int CExamMaintainDlg::ExamOfRow(int row) const {
    const int index = row - m_Grid.GetFixedRowCount();
    return index >= 0 && index < static_cast<int>(m_examIds.size())
               ? m_examIds[static_cast<std::size_t>(index)]
               : -1;
}

bool CExamMaintainDlg::OnGridEndEdit(int row, int col) {
    if (col != 3)
        return true;
    const QString text = m_Grid.GetItemText(row, col).trimmed();
    const QString& oldText = m_notify.OldText();
    if (text == oldText.trimmed()) {
        m_Grid.SetItemText(row, col, oldText);
        return true;
    }
    const int id = ExamOfRow(row);
    const std::optional<QDate> date = examsetup::ParseExamDate(text);
    if (id < 0 || !date) {
        m_notify.RestoreOldText(row, col);
        // A text that is no date names the form the box takes. It is quoted cut: a pasted page
        // would make a box wider than the screen.
        const QString message =
            id < 0 ? res::LoadString(57619)
                   : QStringLiteral("“%1”不是一个有效的日期，请按“年-月-日”的形式输入，例如 2026-09-01。")
                         .arg(text::ForDisplay(text, text::kQuotedLength));
        ui::MessageBox(this, message, res::LoadString(57656), ui::MB_ICONWARNING);
        return false;
    }
    // A database failure leaves through the grid's guard, with the same message.
    examsetup::SetExamDate(data::Database(), id, *date);
    m_Grid.SetItemText(row, col, examsetup::ShowExamDate(examsetup::ExamDateText(*date)));
    return true;
}

void CExamMaintainDlg::OnGridClick(int row, int col) {
    // The title row names no exam.
    const int id = ExamOfRow(row);
    if (id < 0)
        return;
    m_nExamId = id;
    m_edExamId->setText(QString::number(id));
    m_strExamName = m_Grid.GetItemText(row, 2);
}

void CExamMaintainDlg::ForgetChosenExam() {
    m_nExamId = -1;
    m_strExamName.clear();
    m_edExamId->clear();
}

int CExamMaintainDlg::RowOfExam(int id) const {
    for (int row = m_Grid.GetFixedRowCount(); row < m_Grid.GetRowCount(); ++row)
        if (ExamOfRow(row) == id)
            return row;
    return -1;
}

void CExamMaintainDlg::OnDeleteExam() {
    const QString caption = res::LoadString(57656);
    const int row = m_nExamId < 0 ? -1 : RowOfExam(m_nExamId);
    if (row < 0) {
        ui::MessageBox(this, QStringLiteral("请先在左侧表中选一次考试！"), caption, ui::MB_ICONERROR);
        return;
    }
    const QString failed = QStringLiteral("删除考试数据时出现错误！");
    int scoreRows = 0;
    try {
        scoreRows = deletecounts::ExamScoreRows(data::Database(), m_nExamId);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "scores of exam" << m_nExamId << "not counted:" << e.Message();
        ui::MessageBox(this, data::DatabaseFailureMessage(failed, e), caption, ui::MB_ICONWARNING);
        return;
    }
    // The question names the exam as the list shows it (grade, description, date): exams of two
    // grades may share a description.
    const QString date = m_Grid.GetItemText(row, 3);
    const QString question =
        QStringLiteral("你真的要删除【%1 %2%3】吗？\n该考试的%4条成绩记录将一并删除。")
            .arg(m_Grid.GetItemText(row, 1), m_strExamName,
                 date.isEmpty() ? QString() : QStringLiteral("（%1）").arg(date), QString::number(scoreRows));
    if (ui::MessageBox(this, question, caption, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
        return;
    try {
        examsetup::DeleteExam(data::Database(), m_nExamId);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "exam" << m_nExamId << "not deleted:" << e.Message();
        ui::MessageBox(this, data::DatabaseFailureMessage(failed, e), caption, ui::MB_ICONWARNING);
        return;
    }
    data::ForgetAnalysisExam(m_nExamId); // the reports no longer analyse it
    // The exam is gone: the list shows the grade again and nothing is chosen until the next click.
    OnSelectGrade();
}

bool CExamMaintainDlg::event(QEvent* e) {
    return m_notify.Handle(e) || ui::Dialog::event(e);
}

void CExamMaintainDlg::keyPressEvent(QKeyEvent* e) {
    // Enter never presses a button and Escape never closes the dialog.
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        e->accept();
        return;
    default:
        ui::Dialog::keyPressEvent(e);
    }
}
