#include "admin/StudentTypeDlg.h"

#include "platform/db/Transaction.h"
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
        db::Connection& c = data::Database();
        // An existing table keeps its rows untouched.
        if (!c
                 .Execute(QStringLiteral(
                     "SELECT 1 FROM sqlite_master WHERE type='table' AND name='tavrinXJLB' COLLATE NOCASE"))
                 .IsEOF())
            return;
        db::Transaction transaction(c);
        c.Execute(QStringLiteral("CREATE TABLE tavrinXJLB(xjtype char(2) PRIMARY KEY,xjdesc char(10))"));
        c.Execute(QStringLiteral("INSERT INTO tavrinXJLB(xjtype,xjdesc) VALUES (?,?)"), QStringLiteral("正"),
                  QStringLiteral("正式学籍"));
        c.Execute(QStringLiteral("INSERT INTO tavrinXJLB(xjtype,xjdesc) VALUES (?,?)"), QStringLiteral("旁"),
                  QStringLiteral("旁听生"));
        transaction.Commit();
    } catch (const db::DbError& e) {
        // The load then shows the table empty.
        qCWarning(vlog::db) << "student type table not made:" << e.Message();
    }
}

void CStudentTypeDlg::LoadTypes() {
    m_nRowCount = 1;
    m_Grid.SetRowCount(m_nRowCount);
    try {
        db::Recordset rs = data::Database().Execute(QStringLiteral("SELECT * FROM tavrinXJLB"));
        for (; !rs.IsEOF(); rs.MoveNext()) {
            const int row = m_nRowCount++;
            m_Grid.SetRowCount(m_nRowCount);
            m_Grid.SetItemText(row, 0, QString::number(row));
            const db::Variant& code = rs.Field(QStringLiteral("xjtype"));
            if (!code.IsNull())
                m_Grid.SetItemText(row, 1, code.ToString());
            const db::Variant& desc = rs.Field(QStringLiteral("xjdesc"));
            if (!desc.IsNull())
                m_Grid.SetItemText(row, 2, desc.ToString());
        }
        rs.Close();
    } catch (const db::DbError& e) {
        // The rows read so far stay.
        qCWarning(vlog::db) << "student types cut short:" << e.Message();
    }
    m_Grid.AutoSizeColumns();
}

void CStudentTypeDlg::OnGridBeginEdit(int row, int) {
    m_strKey = m_Grid.GetItemText(row, 1);
}

bool CStudentTypeDlg::OnGridEndEdit(int row, int col) {
    if (col != 1 && col != 2)
        return true;
    // Longer texts are cut to the column, on a character boundary.
    const QString text = text::CutToGbkBytes(EditedText(row, col), col == 1 ? kCodeBytes : kDescriptionBytes);
    // A database failure leaves through the grid's guard: the old text back, 数据更新失败.
    if (col == 1)
        data::Database().Execute(QStringLiteral("UPDATE tavrinXJLB SET xjtype=? WHERE xjtype=?"), text,
                                 m_strKey);
    else
        data::Database().Execute(QStringLiteral("UPDATE tavrinXJLB SET xjdesc=? WHERE xjtype=?"), text,
                                 m_strKey);
    // The cell shows what was stored, so that a further edit of the row finds it by its code.
    m_Grid.SetItemText(row, col, text);
    m_Grid.InvalidateRect();
    return true;
}
