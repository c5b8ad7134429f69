#include "admin/TablePickDlg.h"

#include <QPushButton>

namespace {

// Dialog units of the template to pixels.
QRect Dlu(int x, int y, int w, int h) {
    return QRect(x * 7 / 4, y * 7 / 4, w * 7 / 4, h * 7 / 4);
}

} // namespace

CTablePickDlg::CTablePickDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("请选择数据库中的表"));
    setFixedSize(Dlu(0, 0, 186, 124).size());
    m_TableList = new CTableListBox(this);
    SetDlgCtrlId(m_TableList, IDC_TABLE_LIST);
    m_TableList->setGeometry(Dlu(7, 7, 116, 110));
    m_TableList->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    SetDlgCtrlId(ok, 1);
    ok->setGeometry(Dlu(129, 7, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    SetDlgCtrlId(cancel, 2);
    cancel->setGeometry(Dlu(129, 24, 50, 14));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    // A double click on a name takes it, as 确定 does.
    connect(m_TableList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (!item)
            return;
        m_TableList->setCurrentItem(item);
        item->setSelected(true);
        OnOK();
    });
}

void CTablePickDlg::AddTable(const QString& name) {
    m_strTableNames << name;
    ++m_nTableCount;
}

void CTablePickDlg::showEvent(QShowEvent* event) {
    ui::Dialog::showEvent(event);
    OnShowWindow();
}

void CTablePickDlg::OnShowWindow() {
    m_TableList->clear();
    m_TableList->addItems(m_strTableNames.mid(0, m_nTableCount));
    // The first table is chosen until the user picks another, so 确定 alone takes it.
    if (m_TableList->count() > 0)
        m_TableList->setCurrentRow(0);
}

void CTablePickDlg::OnOK() {
    const QListWidgetItem* item = m_TableList->currentItem();
    m_strTable = item && item->isSelected() ? item->text() : QString();
    ui::Dialog::OnOK();
}
