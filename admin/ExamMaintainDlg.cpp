#include "admin/ExamMaintainDlg.h"

#include "admin/ExamSetup.h"
#include "app/VeltoraApp.h"
#include "controls/grid/GridFont.h"
#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"
#include "platform/ui/MessageBox.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

db::Connection* AppConnection() {
    CVeltoraApp* app = GetVeltoraApp();
    return app && app->m_pConnection && app->m_pConnection->IsOpen() ? app->m_pConnection.get() : nullptr;
}

} // namespace

CExamMaintainDlg::CExamMaintainDlg(QWidget* parent) : ui::Dialog(IDD, parent), m_Grid(0, 0, 0, 0) {
    setWindowTitle(QStringLiteral("考试维护"));

    m_cbGrade = new QComboBox(this);
    SetDlgCtrlId(m_cbGrade, 1149);
    m_Grid.Create(gdi::Rect(0, 0, 420, 260), this, 1007);
    m_Grid.setMinimumSize(420, 260);
    m_edExamId = new QLineEdit(this);
    m_edExamId->setReadOnly(true);
    m_edExamId->hide();
    SetDlgCtrlId(m_edExamId, 1154);
    auto* note = new QLabel(QStringLiteral("１、本系统进行成绩跟踪是按照考试日期先后顺序进行跟踪；\n"
                                           "２、本模块用于修改考试日期和删除已经在案的考试；考试一经删除，"
                                           "将不可恢复，切记！"),
                            this);
    note->setWordWrap(true);
    SetDlgCtrlId(note, 65535);
    auto* gradeLabel = new QLabel(QStringLiteral("年级"), this);
    SetDlgCtrlId(gradeLabel, 65535);

    auto* remove = new QPushButton(QStringLiteral("删除"), this);
    SetDlgCtrlId(remove, 1021);
    auto* help = new QPushButton(QStringLiteral("帮助"), this);
    SetDlgCtrlId(help, 1);
    auto* quit = new QPushButton(QStringLiteral("退出"), this);
    SetDlgCtrlId(quit, 2);
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
    db::Connection* db = AppConnection();
    if (!db)
        return;
    // Each entry carries its grade code, so two grades of one name each list their own exams.
    std::vector<std::pair<QString, QString>> grades;
    try {
        for (db::Recordset rs = db->Execute(QStringLiteral("SELECT grade FROM tavrinKSLB GROUP BY grade"));
             !rs.IsEOF(); rs.MoveNext())
            if (const db::Variant& v = rs.Field(0); !v.IsNull())
                grades.emplace_back(examsetup::GradeName(*db, v.ToString()), v.ToString());
    } catch (const db::DbError&) {
        // The list keeps what was read.
    }
    std::stable_sort(grades.begin(), grades.end(),
                     [](const auto& a, const auto& b) { return text::CompareGbk(a.first, b.first) < 0; });
    for (const auto& [name, code] : grades)
        m_cbGrade->addItem(name, code);
    m_cbGrade->setCurrentIndex(-1);
}

void CExamMaintainDlg::OnSelectGrade() {
    m_Grid.SetRowCount(1);
    db::Connection* db = AppConnection();
    if (!db || m_cbGrade->currentIndex() < 0)
        return;
    const QString code = m_cbGrade->currentData().toString();
    const QString key = examsetup::DescriptionKey();
    try {
        db::Recordset rs = db->Execute(
            QStringLiteral("SELECT id, grade, mydesc, ksrq FROM tavrinKSLB WHERE grade=? ORDER BY id DESC"),
            code);
        for (; !rs.IsEOF(); rs.MoveNext()) {
            const int row = m_Grid.GetRowCount();
            m_Grid.SetRowCount(row + 1);
            if (const db::Variant& v = rs.Field(QStringLiteral("id")); !v.IsNull())
                m_Grid.SetItemText(row, 0, QString::number(v.ToInt64()));
            if (const db::Variant& v = rs.Field(QStringLiteral("grade")); !v.IsNull())
                m_Grid.SetItemText(row, 1, examsetup::GradeName(*db, v.ToString()));
            if (const db::Variant& v = rs.Field(QStringLiteral("mydesc")); !v.IsNull())
                m_Grid.SetItemText(row, 2, m_cipher.DecodeText(key, v.ToString()));
            m_Grid.SetItemText(row, 3, examsetup::ShowExamDate(rs.Field(QStringLiteral("ksrq"))));
        }
    } catch (const db::DbError&) {
        // A partial list stays.
    }
    m_Grid.AutoSizeColumns();
}

void CExamMaintainDlg::OnGridBeginEdit(int row, int col) {
    m_strOldText = m_Grid.GetItemText(row, col);
}

LRESULT CExamMaintainDlg::OnGridEndEdit(int row, int col) {
    if (col != 3)
        return 0;
    const QString text = m_Grid.GetItemText(row, col).trimmed();
    if (text == m_strOldText.trimmed()) {
        m_Grid.SetItemText(row, col, m_strOldText);
        return 0;
    }
    const auto refuse = [&] {
        m_Grid.SetItemText(row, col, m_strOldText);
        ui::MessageBox(this, res::LoadString(57619), res::LoadString(57656), ui::MB_ICONWARNING);
        return LRESULT(-1);
    };
    bool idOk = false;
    const int id = m_Grid.GetItemText(row, 0).toInt(&idOk);
    const std::optional<QDate> date = examsetup::ParseExamDate(text);
    db::Connection* db = AppConnection();
    if (!idOk || !date || !db)
        return refuse();
    try {
        examsetup::SetExamDate(*db, id, *date);
    } catch (const db::DbError&) {
        return refuse();
    }
    m_Grid.SetItemText(row, col, examsetup::ShowExamDate(examsetup::ExamDateText(*date)));
    return 0;
}

void CExamMaintainDlg::OnGridClick(int row, int col) {
    // The title row names no exam.
    if (row < m_Grid.GetFixedRowCount() || row >= m_Grid.GetRowCount())
        return;
    m_strExamId = m_Grid.GetItemText(row, 0);
    m_edExamId->setText(m_strExamId);
    m_strExamName = m_Grid.GetItemText(row, 2);
}

void CExamMaintainDlg::OnDeleteExam() {
    const QString caption = res::LoadString(57656);
    if (m_strExamName.isEmpty()) {
        ui::MessageBox(this, QStringLiteral("请先在左侧表中选一次考试！"), caption, ui::MB_ICONERROR);
        return;
    }
    if (ui::MessageBox(this, QStringLiteral("你真的要删除【") + m_strExamName + QStringLiteral("】吗？"),
                       caption, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
        return;
    bool idOk = false;
    const int id = m_strExamId.toInt(&idOk);
    db::Connection* db = AppConnection();
    try {
        if (!idOk || !db)
            throw db::DbError(db::DbError::kNotOpen, QStringLiteral("no exam to delete"));
        examsetup::DeleteExam(*db, id);
    } catch (const db::DbError&) {
        ui::MessageBox(this, QStringLiteral("删除考试数据时出现错误！"), caption, ui::MB_ICONWARNING);
        return;
    }
    OnSelectGrade();
}

bool CExamMaintainDlg::event(QEvent* e) {
    NMHDR* hdr = NotifyHeader(e);
    if (!hdr || hdr->idFrom != 1007)
        return ui::Dialog::event(e);
    const auto* cell = reinterpret_cast<const NMGRIDCELL*>(hdr);
    LRESULT result = 0;
    switch (hdr->code) {
    case GVN_BEGINLABELEDIT:
        OnGridBeginEdit(cell->row, cell->col);
        break;
    case GVN_ENDLABELEDIT:
        result = OnGridEndEdit(cell->row, cell->col);
        break;
    case NM_CLICK:
        OnGridClick(cell->row, cell->col);
        break;
    default:
        break;
    }
    ui::AsWindowMessage(e)->SetResult(result);
    return true;
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
