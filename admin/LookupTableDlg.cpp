#include "admin/LookupTableDlg.h"

#include "data/GradeLookup.h"
#include "platform/res/StringTable.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace admin;

namespace {
constexpr int IDS_CODE_LENGTH = 32832; // 年级代码必须是五位数字，请按F1获取帮助。
} // namespace

CLookupTableDlg::CLookupTableDlg(int templateId, Table table, QWidget* parent)
    : CAdminGridDlg(templateId, parent), m_table(std::move(table)),
      m_nColCount(static_cast<int>(m_table.columns.size())) {
    setWindowTitle(m_table.caption);

    auto* layout = new QGridLayout(this);
    layout->addWidget(&m_Grid, 0, 0);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(AddButton(m_table.addId, QStringLiteral("增加"), [this] { OnAdd(); }));
    buttons->addWidget(AddButton(IDC_DELETE, QStringLiteral("删除"), [this] { OnDelete(); }));
    QPushButton* help = AddButton(m_table.helpId, QStringLiteral("帮助"), [this] { OnHelp(); });
    help->setDefault(true);
    buttons->addWidget(help);
    buttons->addWidget(AddButton(ui::IDCANCEL, QStringLiteral("退出"), [this] { OnCancel(); }));
    buttons->addStretch();
    layout->addLayout(buttons, 0, 1);
    if (!m_table.note.isEmpty()) {
        auto* note = new QLabel(m_table.note, this);
        note->setWordWrap(true);
        layout->addWidget(note, 1, 0, 1, 2);
    }
    layout->setColumnStretch(0, 1);
    resize(m_nColCount > 2 ? 520 : 420, 360);
}

CLookupTableDlg::~CLookupTableDlg() = default;

bool CLookupTableDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    ApplySettingsFont(m_Grid);

    m_nRowCount = 1;
    m_Grid.SetRowCount(m_nRowCount);
    m_Grid.SetColumnCount(m_nColCount);
    m_Grid.SetFixedColumnCount(1);
    m_Grid.SetFixedRowCount(1);
    for (int c = 0; c < m_nColCount; ++c)
        m_Grid.SetItemText(0, c, m_table.columns[static_cast<std::size_t>(c)].header);
    m_Grid.SetListMode(m_table.listMode);
    m_Grid.SetSingleColSelection(m_table.singleColSelection);

    LoadTable();
    return true;
}

QStringList CLookupTableDlg::Fields() const {
    QStringList fields;
    for (int c = 1; c < m_nColCount; ++c)
        fields << m_table.columns[static_cast<std::size_t>(c)].field;
    return fields;
}

void CLookupTableDlg::LoadTable() {
    m_nRowCount = 1;
    m_Grid.SetRowCount(m_nRowCount);
    m_rowKeys.clear();
    m_bNewRowUnstored = false;
    try {
        for (const settings::LookupRow& r :
             settings::LoadLookupRows(data::Database(), m_table.table, Fields())) {
            const int row = m_nRowCount++;
            m_Grid.SetRowCount(m_nRowCount);
            m_rowKeys.push_back(r.key);
            if (!r.id.IsNull())
                m_Grid.SetItemText(row, 0,
                                   r.id.Type() == db::VariantType::Integer ? QString::number(r.id.ToInt64())
                                                                           : r.id.ToString());
            for (int c = 1; c < m_nColCount; ++c)
                if (const db::Variant& v = r.values[static_cast<std::size_t>(c - 1)]; !v.IsNull())
                    m_Grid.SetItemText(row, c, v.ToString());
        }
    } catch (const db::DbError& e) {
        ReportDbFailure("loading the table", e);
    }
    m_Grid.AutoSize();
}

bool CLookupTableDlg::OnGridEndEdit(int row, int col) {
    if (col < 1 || col >= m_nColCount || row < 1 || row >= m_nRowCount)
        return true;
    const Column& column = m_table.columns[static_cast<std::size_t>(col)];
    const QString text = EditedText(row, col);
    if (text == OldText()) {
        m_Grid.SetItemText(row, col, text);
        return true;
    }
    if (!AcceptStoredText(row, col, text, column.maxBytes))
        return true;
    db::Connection& db = data::Database();
    const bool unstored = IsUnstored(row);
    if (column.gradeCode) {
        if (!data::IsGradeCode(text)) {
            RefuseEdit(row, col, res::LoadString(IDS_CODE_LENGTH), ui::MB_ICONERROR);
            return true;
        }
        // Two grades of one code would share their exams and rosters.
        if (settings::GradeCodeTaken(db, text,
                                     unstored ? std::nullopt : std::optional<settings::RowKey>(KeyOf(row)))) {
            RefuseEdit(row, col,
                       FormatText(QStringLiteral("对不起，年级代码[%s]已经有别的年级在使用！"), text),
                       ui::MB_ICONERROR);
            return true;
        }
    }

    // A database failure leaves through the grid's guard: the old text back, 数据更新失败.
    if (unstored && col == m_table.placeholderColumn)
        StoreNewRow(row, col, text);
    else if (!unstored)
        settings::UpdateLookupField(db, m_table.table, column.field, KeyOf(row), text);
    m_Grid.SetItemText(row, col, text);
    if (m_table.autoSizeAfterUpdate)
        m_Grid.AutoSize();
    return true;
}

void CLookupTableDlg::AddUnstoredRow() {
    // One new grade at a time: the one still waiting for its code is the new row.
    if (m_bNewRowUnstored) {
        m_Grid.SetFocusCell(m_nRowCount - 1, m_table.placeholderColumn);
        return;
    }
    int id = 0;
    try {
        id = settings::NextId(data::Database(), m_table.table);
    } catch (const db::DbError& e) {
        m_Grid.InvalidateRect();
        ReportDbFailure("adding a row", e);
        return;
    }
    m_bNewRowUnstored = true;
    AppendPlaceholderRow(id);
}

void CLookupTableDlg::StoreNewRow(int row, int col, const QString& code) {
    db::Connection& db = data::Database();
    // The id follows the table as it is now: another window may have added a row meanwhile.
    const int id = settings::NextId(db, m_table.table);
    QStringList fields;
    std::vector<db::Variant> values;
    for (int c = 1; c < m_nColCount; ++c) {
        const QString text = c == col ? code : m_Grid.GetItemText(row, c);
        fields << m_table.columns[static_cast<std::size_t>(c)].field;
        values.push_back(text.isEmpty() ? db::Variant() : db::Variant(text));
    }
    m_rowKeys.push_back(settings::AddLookupRow(db, m_table.table, id, fields, values));
    m_bNewRowUnstored = false;
    m_Grid.SetItemText(row, 0, QString::number(id));
}

void CLookupTableDlg::OnAdd() {
    const Column& placeholder = m_table.columns[static_cast<std::size_t>(m_table.placeholderColumn)];
    if (placeholder.gradeCode) {
        AddUnstoredRow();
        return;
    }
    int id = 0;
    settings::RowKey key = 0;
    try {
        db::Connection& db = data::Database();
        id = settings::NextId(db, m_table.table);
        key = settings::AddLookupRow(db, m_table.table, id, placeholder.field, settings::kPlaceholder);
    } catch (const db::DbError& e) {
        m_Grid.InvalidateRect();
        ReportDbFailure("adding a row", e);
        return;
    }
    m_rowKeys.push_back(key);
    AppendPlaceholderRow(id);
}

void CLookupTableDlg::AppendPlaceholderRow(int id) {
    const int row = m_nRowCount++;
    m_Grid.SetRowCount(m_nRowCount);
    m_Grid.SetItemText(row, 0, QString::number(id));
    m_Grid.SetItemText(row, m_table.placeholderColumn, settings::kPlaceholder);
    m_Grid.AutoSize();
}

void CLookupTableDlg::OnDelete() {
    // Only the header row left: there is nothing to delete.
    if (m_nRowCount <= 1)
        return;
    const int row = m_nRowCount - 1;
    QString question = FormatText(m_table.deleteQuestion, m_Grid.GetItemText(row, m_table.questionColumn));
    if (const QString detail = DeleteDetail(row); !detail.isEmpty())
        question += u'\n' + detail;
    if (Message(question, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
        return;
    if (IsUnstored(row)) {
        // Nothing stored: the grid forgets it.
        m_bNewRowUnstored = false;
        --m_nRowCount;
        m_Grid.SetRowCount(m_nRowCount);
        return;
    }
    try {
        settings::DeleteLookupRow(data::Database(), m_table.table, KeyOf(row));
    } catch (const db::DbError& e) {
        ReportDbFailure("deleting a row", e);
        return;
    }
    --m_nRowCount;
    m_Grid.SetRowCount(m_nRowCount);
    m_rowKeys.pop_back();
}

void CLookupTableDlg::OnHelp() {
    Message(m_table.help, ui::MB_ICONINFORMATION);
}
