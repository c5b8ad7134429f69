#include "app/TipOfDayDlg.h"

#include "controls/Picture.h"
#include "data/AppContext.h"
#include "data/ShippedFiles.h"
#include "platform/log/Log.h"
#include "platform/profile/Profile.h"
#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"
#include "platform/ui/MessageBox.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <ctime>

namespace {

const QString kSection = QStringLiteral("Tip");
const QString kStartUp = QStringLiteral("StartUp");
const QString kFilePos = QStringLiteral("FilePos");
const QString kTimeStamp = QStringLiteral("TimeStamp");

constexpr int kLineBytes = 1000; // a line of at most 999 bytes and its terminator
constexpr int kBitmapId = 102;

enum ControlId { IDC_TIP_FRAME = 1009, IDC_TIP_TEXT = 1004, IDC_STARTUP = 1001, IDC_NEXT_TIP = 1002 };

// The modification time as ctime writes it, without the line feed.
QString FileTimeStamp(const QString& path) {
    const QDateTime modified = QFileInfo(path).lastModified();
    if (!modified.isValid())
        return {};
    const std::time_t time = static_cast<std::time_t>(modified.toSecsSinceEpoch());
    const char* text = std::ctime(&time);
    return text ? QString::fromLatin1(text).trimmed() : QString();
}

} // namespace

QString CTipOfDayDlg::TipsFilePath() {
    return data::ShippedFilePath(data::AppDirectory(), QStringLiteral("tavrintips.txt"));
}

QString CTipOfDayDlg::ConvertTip(const QByteArray& line) {
    // Decoded first: a backslash byte may be the second half of a Chinese character.
    QString tip = text::FromGbk(line);
    tip.replace(QStringLiteral("\\n"), QStringLiteral("\n\n"));
    return tip;
}

CTipOfDayDlg::CTipOfDayDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    BuildControls();
    ReadFirstTip();
}

CTipOfDayDlg::~CTipOfDayDlg() {
    if (m_tips)
        profile::WriteProfileInt(kSection, kFilePos, static_cast<int>(m_nPosition));
}

void CTipOfDayDlg::ReadFirstTip() {
    m_bStartup = profile::GetProfileInt(kSection, kStartUp, 0) == 0;
    long position = profile::GetProfileInt(kSection, kFilePos, 0);
    // No place in a file is negative: a damaged setting starts over from the first tip and is
    // not the tips file's fault.
    if (position < 0) {
        qCInfo(vlog::io) << "tip position" << position
                         << "in the settings is not a file position; starting over";
        position = 0;
    }

    // A FIFO, a device or an oversized file would stall or exhaust the start: it counts as none.
    const QString path = TipsFilePath();
    QString why;
    m_tips = data::ReadRegularFile(path, kMaxTipsBytes, &why);
    if (!m_tips) {
        if (QFileInfo::exists(path))
            qCInfo(vlog::io) << "tips file" << path << "not read:" << why;
        m_strTip = res::LoadString(107);
        DoDataExchange(false);
        return;
    }

    // A changed tips file starts over from its first tip.
    const QString stamp = FileTimeStamp(path);
    if (stamp != profile::GetProfileString(kSection, kTimeStamp)) {
        position = 0;
        profile::WriteProfileString(kSection, kTimeStamp, stamp);
    }

    // A position past the end reads nothing, and the search goes round to the first tip.
    m_nPosition = position;
    QByteArray line;
    m_strTip = GetNextTipString(line) ? ConvertTip(line) : QString();
    DoDataExchange(false);
}

bool CTipOfDayDlg::ReadLine(QByteArray& line) {
    const qint64 size = m_tips->size();
    if (m_nPosition >= size)
        return false;
    const QByteArrayView rest = QByteArrayView(*m_tips).sliced(
        qsizetype(m_nPosition), qsizetype(std::min<qint64>(size - m_nPosition, kLineBytes - 1)));
    const qsizetype feed = rest.indexOf('\n');
    line = rest.first(feed < 0 ? rest.size() : feed + 1).toByteArray();
    m_nPosition += line.size();
    return true;
}

bool CTipOfDayDlg::GetNextTipString(QByteArray& text) {
    text.clear();
    if (!m_tips)
        return false;
    // One pass through the file at most: a file without a single tip must not keep us reading.
    bool wrapped = m_nPosition == 0;
    QByteArray line;
    for (;;) {
        if (!ReadLine(line)) {
            if (wrapped)
                return false;
            wrapped = true;
            m_nPosition = 0;
            continue;
        }
        const char first = line[0];
        if (first == ' ' || first == '\t' || first == '\n' || first == '\r' || first == ';' || first == '\0')
            continue;
        // The tip ends at a NUL byte, as the line's C string does.
        const qsizetype nul = line.indexOf('\0');
        text = nul < 0 ? line : line.left(nul);
        // Files written on Windows end their lines with CR LF; the line keeps only the line feed.
        if (text.endsWith("\r\n"))
            text.remove(text.size() - 2, 1);
        return true;
    }
}

void CTipOfDayDlg::BuildControls() {
    setWindowTitle(QStringLiteral("每日一贴"));
    setFixedSize(420, 250);

    auto* frame = new QFrame(this);
    SetDlgCtrlId(frame, IDC_TIP_FRAME);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(10, 10, 400, 180);

    auto* tip = new QLabel(this);
    SetDlgCtrlId(tip, IDC_TIP_TEXT);
    tip->setGeometry(24, 70, 372, 112);
    tip->setWordWrap(true);
    tip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    tip->setAutoFillBackground(true);
    QPalette white = tip->palette(); // drawn on the white stock brush
    white.setColor(QPalette::Window, Qt::white);
    tip->setPalette(white);

    auto* startup = new QCheckBox(QStringLiteral("每次程序启动时执行(&S)"), this);
    SetDlgCtrlId(startup, IDC_STARTUP);
    startup->setGeometry(12, 206, 200, 24);

    auto* next = new QPushButton(QStringLiteral("下一贴(&N)"), this);
    SetDlgCtrlId(next, IDC_NEXT_TIP);
    next->setGeometry(226, 204, 88, 28);
    connect(next, &QPushButton::clicked, this, [this] { OnNextTip(); });

    auto* close = new QPushButton(QStringLiteral("关闭(&C)"), this);
    SetDlgCtrlId(close, 1);
    close->setGeometry(322, 204, 88, 28);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, [this] { OnOK(); });
}

void CTipOfDayDlg::DoDataExchange(bool saveAndValidate) {
    auto* startup = GetDlgItem<QCheckBox>(IDC_STARTUP);
    auto* tip = GetDlgItem<QLabel>(IDC_TIP_TEXT);
    if (saveAndValidate) {
        m_bStartup = startup->isChecked();
        m_strTip = tip->text();
    } else {
        startup->setChecked(m_bStartup);
        tip->setText(m_strTip);
    }
}

bool CTipOfDayDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    DoDataExchange(false);
    if (!m_tips)
        GetDlgItem(IDC_NEXT_TIP)->setEnabled(false);
    return true;
}

void CTipOfDayDlg::OnNextTip() {
    QByteArray line;
    m_strTip = GetNextTipString(line) ? ConvertTip(line) : QString();
    auto* tip = GetDlgItem<QLabel>(IDC_TIP_TEXT);
    tip->setText(m_strTip);
}

void CTipOfDayDlg::OnOK() {
    DoDataExchange(true);
    EndDialog(ui::IDOK);
    profile::WriteProfileInt(kSection, kStartUp, m_bStartup ? 0 : 1);
}

void CTipOfDayDlg::paintEvent(QPaintEvent* event) {
    ui::Dialog::paintEvent(event);
    const QWidget* frame = GetDlgItem(IDC_TIP_FRAME);
    if (!frame)
        return;
    const QRect area = frame->geometry();
    QPainter dc(this);
    dc.fillRect(area, Qt::white);
    QByteArray data;
    if (!FindPictureResource(kBitmapId, QStringLiteral("BITMAP"), &data))
        return;
    const QImage bitmap = LoadPictureData(data);
    // As wide as the frame, as high as the bitmap.
    dc.drawImage(area.topLeft(), bitmap, QRect(0, 0, area.width(), bitmap.height()));
}
