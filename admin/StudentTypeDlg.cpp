#include "admin/StudentTypeDlg.h"

#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace admin;

namespace {
constexpr int kCodeBytes = 2;
constexpr int kDescriptionBytes = 10;
} // namespace

CStudentTypeDlg::CStudentTypeDlg(QWidget* parent) : CAdminGridDlg(IDD, parent) {
    setWindowTitle(QStringLiteral("学生常用类别设置"));

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(&m_Grid, 1);
    auto* buttons = new QVBoxLayout;
    QPushButton* refresh = AddButton(ui::IDOK, QStringLiteral("刷新"), [this] { OnOK(); });
    refresh->setDefault(true);
    buttons->addWidget(refresh);
    buttons->addWidget(AddButton(IDC_HELP, QStringLiteral("帮助"), [this] { OnHelp(); }));
    buttons->addWidget(AddButton(ui::IDCANCEL, QStringLiteral("退出"), [this] { OnCancel(); }));
    buttons->addStretch();
    layout->addLayout(buttons);
    resize(440, 300);
}

CStudentTypeDlg::~CStudentTypeDlg() = default;

bool CStudentTypeDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    ApplySettingsFont(m_Grid);
    m_nRowCount = 1;
    m_Grid.SetRowCount(m_nRowCount);
    m_Grid.SetColumnCount(3);
    m_Grid.SetFixedColumnCount(1);
    m_Grid.SetFixedRowCount(1);
    m_Grid.SetItemText(0, 0, QStringLiteral("序号"));
    m_Grid.SetItemText(0, 1, QStringLiteral("学生类别"));
    m_Grid.SetItemText(0, 2, QStringLiteral("详细描述"));
    m_Grid.SetListMode(false);
    m_Grid.AutoSizeColumns();
    CreateTypeTable();
    LoadTypes();
    return true;
}

void CStudentTypeDlg::OnOK() {
    LoadTypes();
}

void CStudentTypeDlg::OnHelp() {
    Message(QStringLiteral("学生类别项不得超过一个汉字或两个英文字母。"), ui::MB_ICONINFORMATION);
}

void CStudentTypeDlg::CreateTypeTable() {
    try {
        settings::CreateStudentTypeTable(data::Database());
    } catch (const db::DbError& e) {
        // The load then shows the table empty.
        qCWarning(vlog::db) << "student type table not made:" << e.Message();
    }
}

void CStudentTypeDlg::LoadTypes() {
    m_nRowCount = 1;
    m_Grid.SetRowCount(m_nRowCount);
    m_rowKeys.clear();
    try {
        for (const settings::StudentTypeRow& type : settings::LoadStudentTypes(data::Database())) {
            const int row = m_nRowCount++;
            m_Grid.SetRowCount(m_nRowCount);
            m_rowKeys.push_back(type.key);
            m_Grid.SetItemText(row, 0, QString::number(row));
            if (!type.code.IsNull())
                m_Grid.SetItemText(row, 1, type.code.ToString());
            if (!type.description.IsNull())
                m_Grid.SetItemText(row, 2, type.description.ToString());
        }
    } catch (const db::DbError& e) {
        // The table is shown empty.
        qCWarning(vlog::db) << "student types not read:" << e.Message();
    }
    m_Grid.AutoSizeColumns();
}

bool CStudentTypeDlg::OnGridEndEdit(int row, int col) {
    if ((col != 1 && col != 2) || row < 1 || row >= m_nRowCount)
        return true;
    const QString typed = EditedText(row, col);
    if (!AcceptStoredText(row, col, typed))
        return true;
    // Longer texts are cut to the column, on a character boundary.
    const QString text = text::CutToGbkBytes(typed, col == 1 ? kCodeBytes : kDescriptionBytes);
    // A database failure leaves through the grid's guard: the old text back, 数据更新失败.
    const settings::RowKey key = m_rowKeys[static_cast<std::size_t>(row - 1)];
    if (col == 1 && !text.isEmpty() && settings::StudentTypeCodeTaken(data::Database(), text, key)) {
        RefuseEdit(row, col, FormatText(QStringLiteral("类别代码[%s]已经有别的类别在使用！"), text),
                   ui::MB_ICONWARNING);
        return true;
    }
    if (col == 1)
        settings::SetStudentTypeCode(data::Database(), key, text);
    else
        settings::SetStudentTypeDescription(data::Database(), key, text);
    // The cell shows what was stored.
    m_Grid.SetItemText(row, col, text);
    m_Grid.InvalidateRect();
    return true;
}
