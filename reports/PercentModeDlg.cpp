#include "reports/PercentModeDlg.h"

#include "controls/GifStatic.h"
#include "platform/ui/MessageBox.h"
#include "reports/ReportDialogSupport.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

using reports::DialogRect;

CPercentModeDlg::CPercentModeDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("如何计算百分比"));
    setFixedSize(DialogRect(0, 0, 186, 62).size());

    m_picture = new CGifStatic(this);
    SetDlgCtrlId(m_picture, IDC_PICTURE);
    m_picture->setGeometry(DialogRect(9, 12, 28, 28));

    m_group = new QGroupBox(QStringLiteral("给定计算标准"), this);
    SetDlgCtrlId(m_group, IDC_GROUP);
    m_group->setGeometry(DialogRect(44, 4, 82, 52));
    m_methods = new QButtonGroup(this);
    const auto radio = [this](int id, int value, const QString& text, int y) {
        auto* r = new QRadioButton(text, m_group);
        SetDlgCtrlId(r, id);
        r->setGeometry(DialogRect(8, y, 70, 12));
        m_methods->addButton(r, value);
    };
    radio(IDC_BY_SCORE, 0, QStringLiteral("按分数划定"), 14);
    radio(IDC_BY_PROPORTION, 1, QStringLiteral("按人数比例"), 32);

    const auto button = [this](int id, const QString& text, int y) {
        return ui::AddButton(this, id, text, DialogRect(133, y, 46, 15));
    };
    QPushButton* ok = button(ui::IDOK, QStringLiteral("确定"), 8);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(button(ui::IDCANCEL, QStringLiteral("取消"), 28), &QPushButton::clicked, this,
            [this] { OnCancel(); });
}

CPercentModeDlg::~CPercentModeDlg() = default;

void CPercentModeDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        if (m_methods->checkedId() >= 0)
            m_nMethod = m_methods->checkedId();
    } else if (QAbstractButton* b = m_methods->button(m_nMethod)) {
        b->setChecked(true);
    }
}

bool CPercentModeDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    DoDataExchange(false);
    if (m_picture->LoadFromResource(250, QStringLiteral("GIF")))
        m_picture->Draw();
    if (m_nMode == 1)
        m_group->setTitle(QStringLiteral("给定优秀标准"));
    return true;
}

void CPercentModeDlg::OnOK() {
    DoDataExchange(true);
    ui::Dialog::OnOK();
}
