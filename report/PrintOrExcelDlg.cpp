#include "report/PrintOrExcelDlg.h"

#include "platform/ui/MessageBox.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

CPrintOrExcelDlg::CPrintOrExcelDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("直接输出打印还是输出到EXCEL电子表格？"));
    setFixedSize(360, 130);

    auto* group = new QGroupBox(QStringLiteral("请选择"), this);
    group->setGeometry(10, 8, 230, 110);
    m_radioPreview = new QRadioButton(QStringLiteral("打印预览"), group);
    SetDlgCtrlId(m_radioPreview, 1137);
    m_radioPreview->setGeometry(20, 30, 180, 24);
    m_radioExcel = new QRadioButton(QStringLiteral("电子表格"), group);
    SetDlgCtrlId(m_radioExcel, 1064);
    m_radioExcel->setGeometry(20, 66, 180, 24);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    SetDlgCtrlId(ok, ui::IDOK);
    ok->setGeometry(256, 20, 90, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    SetDlgCtrlId(cancel, ui::IDCANCEL);
    cancel->setGeometry(256, 60, 90, 28);
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

CPrintOrExcelDlg::~CPrintOrExcelDlg() = default;

void CPrintOrExcelDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate)
        m_nChoice = m_radioExcel->isChecked() ? 1 : m_radioPreview->isChecked() ? 0 : -1;
    else
        (m_nChoice == 1 ? m_radioExcel : m_radioPreview)->setChecked(true);
}

bool CPrintOrExcelDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    DoDataExchange(false);
    return true;
}

void CPrintOrExcelDlg::OnOK() {
    DoDataExchange(true);
    EndDialog(ui::IDOK);
}

void ChoosePrintOrExport(QWidget* parent, const std::function<void()>& preview,
                         const std::function<void()>& exportXls) {
    Q_UNUSED(parent); // the choice is asked like every report dialog asks it, on its own
    CPrintOrExcelDlg choice;
    if (choice.DoModal() != ui::IDOK)
        return;
    if (choice.m_nChoice == 0)
        preview();
    else if (choice.m_nChoice == 1)
        exportXls();
}
