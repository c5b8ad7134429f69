#include "admin/LookupTableDlg.h"

#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace admin;

namespace {
const QString kPlaceholder = QStringLiteral("*****");
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

void CLookupTableDlg::LoadTable() {
    try {
        db::Recordset rs =
            data::Database().Execute(QStringLiteral("SELECT * FROM %1 ORDER BY id").arg(m_table.table));
        m_nRowCount = 1;
        m_Grid.SetRowCount(m_nRowCount);
        for (; !rs.IsEOF(); rs.MoveNext()) {
            const int row = m_nRowCount++;
            m_Grid.SetRowCount(m_nRowCount);
            const db::Variant& id = rs.Field(QStringLiteral("id"));
            if (!id.IsNull())
                m_Grid.SetItemText(row, 0, QString::number(id.ToInt()));
            for (int c = 1; c < m_nColCount; ++c) {
                const db::Variant& v = rs.Field(m_table.columns[static_cast<std::size_t>(c)].field);
                if (!v.IsNull())
                    m_Grid.SetItemText(row, c, v.ToString());
            }
        }
        rs.Close();
    } catch (const db::DbError& e) {
        ReportDbFailure("loading the table", e);
    }
    m_Grid.AutoSize();
}

bool CLookupTableDlg::OnGridEndEdit(int row, int col) {
    if (col < 1 || col >= m_nColCount)
        return true;
    const Column& column = m_table.columns[static_cast<std::size_t>(col)];
    const QString text = EditedText(row, col);

    if (ExceedsBytes(text, column.maxBytes)) {
        RefuseEdit(row, col, FormatString(IDS_MAX_LENGTH, column.maxBytes), ui::MB_ICONERROR);
        return true;
    }
    if (column.fixedLength && text::GbkLength(text) < column.maxBytes) {
        // The typed code stays in view so that it can be corrected; nothing is stored.
        Message(res::LoadString(IDS_CODE_LENGTH), ui::MB_ICONERROR);
        return true;
    }
    if (text == OldText())
        return true;

    // A database failure leaves through the grid's guard: the old text back, 数据更新失败.
    data::Database().Execute(QStringLiteral("UPDATE %1 SET %2=? WHERE id=?").arg(m_table.table, column.field),
                             text, TextToInt(m_Grid.GetItemText(row, 0)));
    m_Grid.SetItemText(row, col, text);
    if (m_table.autoSizeAfterUpdate)
        m_Grid.AutoSize();
    return true;
}

void CLookupTableDlg::OnAdd() {
    const int id = TextToInt(m_Grid.GetItemText(m_nRowCount - 1, 0)) + 1;
    const Column& placeholder = m_table.columns[static_cast<std::size_t>(m_table.placeholderColumn)];
    try {
        data::Database().Execute(
            QStringLiteral("INSERT INTO %1 (id,%2) VALUES (?,?)").arg(m_table.table, placeholder.field), id,
            kPlaceholder);
    } catch (const db::DbError& e) {
        m_Grid.InvalidateRect();
        ReportDbFailure("adding a row", e);
        return;
    }
    const int row = m_nRowCount++;
    m_Grid.SetRowCount(m_nRowCount);
    m_Grid.SetItemText(row, 0, QString::number(id));
    m_Grid.SetItemText(row, m_table.placeholderColumn, kPlaceholder);
    m_Grid.AutoSize();
}

void CLookupTableDlg::OnDelete() {
    // Only the header row left: there is nothing to delete.
    if (m_nRowCount <= 1)
        return;
    const int row = m_nRowCount - 1;
    const QString question =
        FormatText(m_table.deleteQuestion, m_Grid.GetItemText(row, m_table.questionColumn));
    if (Message(question, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
        return;
    try {
        data::Database().Execute(QStringLiteral("DELETE FROM %1 WHERE id=?").arg(m_table.table),
                                 TextToInt(m_Grid.GetItemText(row, 0)));
    } catch (const db::DbError& e) {
        ReportDbFailure("deleting a row", e);
        return;
    }
    --m_nRowCount;
    m_Grid.SetRowCount(m_nRowCount);
}

void CLookupTableDlg::OnHelp() {
    Message(m_table.help, ui::MB_ICONINFORMATION);
}
