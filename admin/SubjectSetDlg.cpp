#include "admin/SubjectSetDlg.h"

#include "controls/grid/GridCellCombo.h"
#include "data/Schema.h"
#include "data/TotalsState.h"
#include "platform/db/Transaction.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace admin;

namespace {
constexpr int kMaxNameBytes = 8;

// The question before a new subject takes the number of a deleted one that left marks or weights.
QString LeftoversQuestion(int no, const data::SubjectLeftovers& left) {
    if (left.marks == 0)
        return QStringLiteral("科目号%1的已删除科目在%2个考试中还有加权系数。"
                              "增加新科目会先清除这些旧加权系数，是否继续？")
            .arg(no)
            .arg(left.weightExams);
    return QStringLiteral("科目号%1的已删除科目在%2个考试中还有%3个成绩。"
                          "增加新科目会先清除这些旧成绩和加权系数，是否继续？")
        .arg(no)
        .arg(left.exams)
        .arg(left.marks);
}

// The line under the delete question: the subject's marks stay behind.
QString MarksStayLine(const data::SubjectLeftovers& left) {
    if (left.marks == 0)
        return QStringLiteral("该科目还没有成绩。");
    return QStringLiteral("科目删除后，它在%1个考试中的%2个成绩和加权系数仍保留在数据库中。")
        .arg(left.exams)
        .arg(left.marks);
}

} // namespace

CSubjectSetDlg::CSubjectSetDlg(QWidget* parent) : CAdminGridDlg(IDD, parent) {
    setWindowTitle(QStringLiteral("科目设置"));

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(&m_Grid, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(AddButton(IDC_ADD, QStringLiteral("增加"), [this] { OnAddSubject(); }));
    buttons->addWidget(AddButton(IDC_DELETE, QStringLiteral("删除"), [this] { OnDeleteSubject(); }));
    buttons->addWidget(AddButton(IDC_HELP, QStringLiteral("帮助"), [this] { OnHelp(); }));
    buttons->addWidget(AddButton(ui::IDCANCEL, QStringLiteral("退出"), [this] { OnCancel(); }));
    buttons->addStretch();
    layout->addLayout(buttons);
    resize(460, 380);
}

CSubjectSetDlg::~CSubjectSetDlg() = default;

bool CSubjectSetDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    ApplySettingsFont(m_Grid);
    m_nRowCount = 1;
    m_Grid.SetRowCount(m_nRowCount);
    m_Grid.SetColumnCount(m_nColCount);
    m_Grid.SetFixedColumnCount(1);
    m_Grid.SetFixedRowCount(1);
    m_Grid.SetItemText(0, 0, QStringLiteral("序号"));
    m_Grid.SetItemText(0, 1, QStringLiteral("科目"));
    m_Grid.SetItemText(0, 2, QStringLiteral("得分类型"));
    LoadSubjects();
    return true;
}

void CSubjectSetDlg::LoadSubjects() {
    m_nRowCount = 1;
    m_Grid.SetRowCount(m_nRowCount);
    m_rowKeys.clear();
    try {
        for (const settings::SubjectRow& subject : settings::LoadSubjects(data::Database(), m_cipher)) {
            const int row = m_nRowCount++;
            m_Grid.SetRowCount(m_nRowCount);
            m_rowKeys.push_back(subject.key);
            if (!subject.id.IsNull())
                m_Grid.SetItemText(row, 0,
                                   subject.id.Type() == db::VariantType::Integer
                                       ? QString::number(subject.id.ToInt64())
                                       : subject.id.ToString());
            if (!subject.name.IsNull())
                m_Grid.SetItemText(row, 1, subject.name.ToString());
            if (!subject.type.IsNull())
                m_Grid.SetItemText(row, 2, subject.type.ToString());
        }
    } catch (const db::DbError& e) {
        // The table is shown empty.
        qCWarning(vlog::db) << "subjects not read:" << e.Message();
    }
    m_Grid.AutoSize();
}

void CSubjectSetDlg::OnGridBeginEdit(int row, int col) {
    if (col == 2)
        MakeTypeComboCell(row, col);
}

void CSubjectSetDlg::MakeTypeComboCell(int row, int col) {
    if (!m_Grid.SetCellType(row, col, RuntimeClass<CGridCellCombo>()))
        return;
    if (auto* cell = dynamic_cast<CGridCellCombo*>(m_Grid.GetCell(row, col))) {
        cell->SetOptions({settings::kScored, settings::kGraded});
        // Typed text is accepted by the box; the end-edit check refuses anything off the list.
        cell->SetStyle(CBS_DROPDOWN);
    }
}

bool CSubjectSetDlg::OnGridEndEdit(int row, int col) {
    if ((col != 1 && col != 2) || row < 1 || row >= m_nRowCount)
        return true;
    const QString text = EditedText(row, col);
    if (col == 1 && !AcceptStoredText(row, col, text, kMaxNameBytes))
        return true;
    if (col == 1 && text.isEmpty()) {
        // An empty text has no cipher text: the name would be stored as the cipher's failure.
        RefuseEdit(row, col, QStringLiteral("科目名称不能为空！"), ui::MB_ICONERROR);
        return true;
    }
    if (col == 2 && text != settings::kScored && text != settings::kGraded) {
        RefuseEdit(row, col, QStringLiteral("只能在下拉列表中进行选择！"), ui::MB_ICONERROR);
        return true;
    }

    // A database failure leaves through the grid's guard: the old text back, 数据更新失败.
    if (text != OldText()) {
        db::Connection& db = data::Database();
        const settings::RowKey key = m_rowKeys[static_cast<std::size_t>(row - 1)];
        if (col == 1) {
            // Score entry and the reports find a subject by its name.
            if (settings::SubjectNameTaken(db, m_cipher, text, key)) {
                RefuseEdit(
                    row, col,
                    FormatText(QStringLiteral("对不起，已经有名为[%s]的科目，科目名称不能重复！"), text),
                    ui::MB_ICONERROR);
                return true;
            }
            settings::RenameSubject(db, m_cipher, key, text);
        } else {
            settings::SetSubjectType(db, key, text);
        }
    }
    LoadSubjects();
    return true;
}

void CSubjectSetDlg::OnAddSubject() {
    int no = 0;
    settings::RowKey key = 0;
    try {
        db::Connection& db = data::Database();
        no = settings::NextSubjectNo(db);
        if (no > kMaxSubjects) {
            Message(QStringLiteral("科目最多只能设置%1个！").arg(kMaxSubjects), ui::MB_ICONERROR);
            return;
        }
        // A deleted subject's marks and weights never pass to the new subject of its number.
        const QString field = data::SubjectField(no);
        const data::SubjectLeftovers left = data::SubjectLeftoversOf(db, field);
        if (left.Any() &&
            Message(LeftoversQuestion(no, left), ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
            return;
        db::Transaction transaction(db);
        if (left.Any())
            data::ClearSubjectLeftovers(db, field);
        key = settings::AddSubject(db, m_cipher, no);
        transaction.Commit();
    } catch (const db::DbError& e) {
        m_Grid.InvalidateRect();
        ReportDbFailure("adding a subject", e);
        return;
    }
    const int row = m_nRowCount++;
    m_Grid.SetRowCount(m_nRowCount);
    m_rowKeys.push_back(key);
    m_Grid.SetItemText(row, 0, QString::number(no));
    m_Grid.SetItemText(row, 1, settings::kPlaceholder);
    m_Grid.SetItemText(row, 2, settings::kScored);
    m_Grid.AutoSize();
}

void CSubjectSetDlg::OnDeleteSubject() {
    // Only the header row left: there is nothing to delete.
    if (m_nRowCount <= 1)
        return;
    const int row = m_nRowCount - 1;
    data::SubjectLeftovers left;
    try {
        db::Connection& db = data::Database();
        left = data::SubjectLeftoversOf(db, data::SubjectFieldOfRow(db, m_rowKeys.back()));
    } catch (const db::DbError& e) {
        ReportDbFailure("counting a subject's marks", e);
        return;
    }
    const QString question =
        FormatText(QStringLiteral("真的要删除科目[%s]吗？"), m_Grid.GetItemText(row, 1)) + u'\n' +
        MarksStayLine(left);
    if (Message(question, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
        return;
    try {
        // The score columns and the paper weights of the subject stay: the scores are kept.
        db::Transaction transaction(data::Database());
        settings::DeleteSubject(data::Database(), m_rowKeys.back());
        data::TakeSubjectOutOfTotals(data::Database(), row); // its totals are to be recomputed
        transaction.Commit();
    } catch (const db::DbError& e) {
        ReportDbFailure("deleting a subject", e);
        return;
    }
    data::DropAnalysisSubject(row); // it no longer takes part in analysis
    --m_nRowCount;
    m_Grid.SetRowCount(m_nRowCount);
    m_rowKeys.pop_back();
}

void CSubjectSetDlg::OnHelp() {
    Message(QStringLiteral(
                "请注意：\n1、科目名称不得超过四个汉字的长度；\n2、得分类型仅限于分数型和等级型两种。"),
            ui::MB_ICONINFORMATION);
}
