#include "admin/SubjectSetDlg.h"

#include "controls/grid/GridCellCombo.h"
#include "data/Schema.h"
#include "platform/db/Transaction.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace admin;

namespace {

constexpr int kMaxNameBytes = 8;

const QString kPlaceholder = QStringLiteral("*****");
const QString kScored = QStringLiteral("分数型");
const QString kGraded = QStringLiteral("等级型");

// Adds those of the subject's three score columns that the score table lacks: a subject deleted
// earlier leaves its columns behind, and adding its number again takes them over.
void AddMissingSubjectColumns(db::Connection& c, int subjectNo) {
    db::Recordset rs = c.Execute(QStringLiteral("SELECT * FROM tavrinKSK LIMIT 0"));
    const QString field = data::SubjectField(subjectNo);
    for (const QString& suffix : {QString(), QStringLiteral("1"), QStringLiteral("2")}) {
        if (rs.FieldIndex(field + suffix) < 0)
            c.Execute(QStringLiteral("ALTER TABLE tavrinKSK ADD COLUMN %1%2 REAL").arg(field, suffix));
    }
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
    try {
        db::Recordset rs = data::Database().Execute(QStringLiteral("SELECT * FROM tavrinKMK ORDER BY id"));
        const QString key = data::DescriptionKey();
        for (; !rs.IsEOF(); rs.MoveNext()) {
            const int row = m_nRowCount++;
            m_Grid.SetRowCount(m_nRowCount);
            const db::Variant& id = rs.Field(QStringLiteral("id"));
            if (!id.IsNull())
                m_Grid.SetItemText(row, 0, QString::number(id.ToInt()));
            const db::Variant& name = rs.Field(QStringLiteral("mydesc"));
            if (!name.IsNull()) {
                // Older files kept a new subject's placeholder unenciphered.
                const QString stored = name.ToString();
                m_Grid.SetItemText(row, 1,
                                   stored == kPlaceholder ? stored : m_cipher.DecodeText(key, stored));
            }
            const db::Variant& type = rs.Field(QStringLiteral("type"));
            if (!type.IsNull())
                m_Grid.SetItemText(row, 2, type.ToString());
        }
        rs.Close();
    } catch (const db::DbError& e) {
        // The rows read so far stay; the table is shown as far as it could be read.
        qCWarning(vlog::db) << "subjects cut short:" << e.Message();
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
        cell->SetOptions({kScored, kGraded});
        // Typed text is accepted by the box; the end-edit check refuses anything off the list.
        cell->SetStyle(CBS_DROPDOWN);
    }
}

bool CSubjectSetDlg::OnGridEndEdit(int row, int col) {
    if (col != 1 && col != 2)
        return true;
    const QString text = EditedText(row, col);
    if (col == 1 && ExceedsBytes(text, kMaxNameBytes)) {
        RefuseEdit(row, col, FormatString(IDS_MAX_LENGTH, kMaxNameBytes), ui::MB_ICONERROR);
        return true;
    }
    if (col == 1 && text.isEmpty()) {
        // An empty text has no cipher text: the name would be stored as the cipher's failure.
        RefuseEdit(row, col, QStringLiteral("科目名称不能为空！"), ui::MB_ICONERROR);
        return true;
    }
    if (col == 2 && text != kScored && text != kGraded) {
        RefuseEdit(row, col, QStringLiteral("只能在下拉列表中进行选择！"), ui::MB_ICONERROR);
        return true;
    }

    // A database failure leaves through the grid's guard: the old text back, 数据更新失败.
    if (text != OldText()) {
        const int id = TextToInt(m_Grid.GetItemText(row, 0));
        if (col == 1)
            data::Database().Execute(QStringLiteral("UPDATE tavrinKMK SET mydesc=? WHERE id=?"),
                                     m_cipher.EncodeText(data::DescriptionKey(), text), id);
        else
            data::Database().Execute(QStringLiteral("UPDATE tavrinKMK SET type=? WHERE id=?"), text, id);
    }
    LoadSubjects();
    return true;
}

void CSubjectSetDlg::OnAddSubject() {
    const int n = TextToInt(m_Grid.GetItemText(m_nRowCount - 1, 0)) + 1;
    if (n < 1 || n > kMaxSubjects) {
        Message(QStringLiteral("科目最多只能设置%1个！").arg(kMaxSubjects), ui::MB_ICONERROR);
        return;
    }
    try {
        db::Connection& c = data::Database();
        db::Transaction transaction(c);
        c.Execute(QStringLiteral("INSERT INTO tavrinKMK (id,fldname,mydesc,type) VALUES (?,?,?,?)"), n,
                  data::SubjectField(n), m_cipher.EncodeText(data::DescriptionKey(), kPlaceholder), kScored);
        AddMissingSubjectColumns(c, n);
        transaction.Commit();
    } catch (const db::DbError& e) {
        m_Grid.InvalidateRect();
        ReportDbFailure("adding a subject", e);
        return;
    }
    const int row = m_nRowCount++;
    m_Grid.SetRowCount(m_nRowCount);
    m_Grid.SetItemText(row, 0, QString::number(n));
    m_Grid.SetItemText(row, 1, kPlaceholder);
    m_Grid.SetItemText(row, 2, kScored);
    m_Grid.AutoSize();
}

void CSubjectSetDlg::OnDeleteSubject() {
    // Only the header row left: there is nothing to delete.
    if (m_nRowCount <= 1)
        return;
    const int row = m_nRowCount - 1;
    const QString question = FormatText(QStringLiteral("真的要删除科目[%s]吗？"), m_Grid.GetItemText(row, 1));
    if (Message(question, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
        return;
    try {
        // The score columns and the paper weights of the subject stay: the scores are kept.
        data::Database().Execute(QStringLiteral("DELETE FROM tavrinKMK WHERE id=?"),
                                 TextToInt(m_Grid.GetItemText(row, 0)));
    } catch (const db::DbError& e) {
        ReportDbFailure("deleting a subject", e);
        return;
    }
    --m_nRowCount;
    m_Grid.SetRowCount(m_nRowCount);
}

void CSubjectSetDlg::OnHelp() {
    Message(QStringLiteral(
                "请注意：\n1、科目名称不得超过四个汉字的长度；\n2、得分类型仅限于分数型和等级型两种。"),
            ui::MB_ICONINFORMATION);
}
