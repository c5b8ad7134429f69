#include "app/AboutDlg.h"

#include "app/CaptionStatic.h"
#include "app/VersionInfo.h"
#include "controls/GifStatic.h"
#include "platform/ui/MessageBox.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace {
enum ControlId { IDC_CAPTION = 1131, IDC_ANIMATION = 1077, IDC_VERSION = 1132 };
}

CAboutDlg::CAboutDlg(QWidget* parent)
    : ui::Dialog(IDD, parent), m_stCaption(new CCaptionStatic(this)), m_gifAnimation(new CGifStatic(this)) {
    setWindowTitle(QStringLiteral("关于 Veltora"));
    setFixedSize(440, 230);

    SetDlgCtrlId(m_stCaption, IDC_CAPTION);
    m_stCaption->setGeometry(0, 0, 440, 64);
    m_stCaption->setText(QStringLiteral("Veltora 成绩分析系统"));

    SetDlgCtrlId(m_gifAnimation, IDC_ANIMATION);
    m_gifAnimation->setGeometry(20, 82, 64, 64);

    auto* version = new QLabel(this);
    SetDlgCtrlId(version, IDC_VERSION);
    version->setGeometry(110, 84, 310, 22);

    auto* description = new QLabel(QStringLiteral("中小学考试成绩管理与统计分析"), this);
    description->setGeometry(110, 110, 310, 22);
    auto* copyright = new QLabel(QStringLiteral("Copyright (C) 2008 tavrin studio"), this);
    copyright->setGeometry(110, 136, 310, 22);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    SetDlgCtrlId(ok, ui::IDOK);
    ok->setGeometry(340, 188, 84, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
}

CAboutDlg::~CAboutDlg() = default;

bool CAboutDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    m_stCaption->SetRed(false);
    m_stCaption->SetGreen(true);
    m_stCaption->SetBlue(false);
    SetDlgItemText(IDC_VERSION, GetFileVersionString());
    if (m_gifAnimation->LoadFromResource(kAnimationId, QStringLiteral("GIF")))
        m_gifAnimation->Draw();
    return true;
}

void CAboutDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        EndDialog(ui::IDOK);
    ui::Dialog::mousePressEvent(event);
}
