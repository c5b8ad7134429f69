#include "admin/RoomOutputDlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CRoomOutputDlg::CRoomOutputDlg(QWidget* parent) : ui::Dialog(IDD, parent), m_choices(new QButtonGroup(this)) {
    setWindowTitle(QStringLiteral("功能选择"));

    auto* box = new QGroupBox(this);
    auto* choices = new QVBoxLayout(box);
    const struct {
        int id;
        const char* text;
    } buttons[] = {{IDC_CLASS_LISTS, "分班输出学生考场安排详情"},
                   {IDC_ROOM_LISTS, "输出各考场的考生详细列表"},
                   {IDC_DESK_LABELS, "分考场输出桌面贴条"}};
    int value = 0;
    for (const auto& b : buttons) {
        auto* radio = new QRadioButton(QString::fromUtf8(b.text), box);
        SetDlgCtrlId(radio, b.id);
        m_choices->addButton(radio, value++);
        choices->addWidget(radio);
    }

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    SetDlgCtrlId(ok, 1);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    SetDlgCtrlId(cancel, 2);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });

    auto* actions = new QHBoxLayout;
    actions->addStretch();
    actions->addWidget(ok);
    actions->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addLayout(actions);
}

bool CRoomOutputDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    if (QAbstractButton* b = m_choices->button(m_nChoice))
        b->setChecked(true);
    return true;
}

void CRoomOutputDlg::OnOK() {
    m_nChoice = std::max(0, m_choices->checkedId());
    ui::Dialog::OnOK();
}
