#include "admin/ImportResultDlg.h"

#include "admin/AdminCommon.h"
#include "admin/ImportResult.h"
#include "platform/log/Log.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>

CImportResultDlg::CImportResultDlg(const roster::ImportCount& count, QWidget* parent)
    : ui::Dialog(IDD, parent), m_strFull(admin::ImportReportText(count, -1)) {
    setWindowTitle(admin::InfoCaption());
    auto* layout = new QVBoxLayout(this);
    m_text = new QPlainTextEdit(this);
    SetDlgCtrlId(m_text, IDC_TEXT);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Columns wide enough for a twelve-digit number and a blank.
    m_text->setTabStopDistance(m_text->fontMetrics().horizontalAdvance(QStringLiteral("0000000000000")));
    m_text->setPlainText(admin::ImportReportText(count, admin::kShownImportNotes));
    layout->addWidget(m_text);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const auto button = [&](int id, const QString& text, auto handler) {
        auto* b = new QPushButton(text, this);
        SetDlgCtrlId(b, id);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        buttons->addWidget(b);
        return b;
    };
    button(IDC_COPY, QStringLiteral("复制"), [this] { OnCopy(); });
    button(IDC_SAVE, QStringLiteral("保存…"), [this] { OnSave(); });
    button(ui::IDOK, QStringLiteral("确定"), [this] { OnOK(); })->setDefault(true);
    layout->addLayout(buttons);
    // Wide enough for the longest line shown, as far as the screen allows: a reason cut off at
    // the right edge would have to be scrolled to be read.
    const QFontMetrics metrics = m_text->fontMetrics();
    const qreal tab = m_text->tabStopDistance();
    int widest = 0;
    for (const QString& line : m_text->toPlainText().split(u'\n')) {
        qreal x = 0;
        const QStringList fields = line.split(u'\t');
        for (int i = 0; i < fields.size(); ++i) {
            x += metrics.horizontalAdvance(fields[i]);
            if (i + 1 < fields.size())
                x = (std::floor(x / tab) + 1) * tab;
        }
        widest = std::max(widest, static_cast<int>(std::ceil(x)));
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() * 9 / 10 : 1200;
    const int margins = layout->contentsMargins().left() + layout->contentsMargins().right() +
                        2 * m_text->frameWidth() + m_text->document()->documentMargin() * 2 +
                        m_text->verticalScrollBar()->sizeHint().width() + metrics.height();
    resize(std::clamp(widest + margins, 620, std::max(620, room)), 420);
}

QString CImportResultDlg::ShownText() const {
    return m_text->toPlainText();
}

void CImportResultDlg::OnCopy() {
    QApplication::clipboard()->setText(m_strFull);
}

void CImportResultDlg::OnSave() {
    const QString path =
        ui::GetSaveFileName(this, QStringLiteral("文本文件 (*.txt)|*.txt||"), QStringLiteral("导入结果.txt"));
    if (path.isEmpty())
        return;
    // Written beside the file and put in its place when whole: a failed save leaves a file of
    // that name as it was.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(m_strFull.toUtf8()) >= 0 && file.commit())
        return;
    const QString reason = ui::WriteFailureReason(path, &file);
    file.cancelWriting();
    qCWarning(vlog::io) << "import result not saved to" << path << file.errorString();
    admin::ShowMessage(
        this,
        QStringLiteral("对不起，导入结果没有保存到“%1”：%2").arg(QDir::toNativeSeparators(path), reason),
        ui::MB_ICONERROR);
}

void ShowImportResult(QWidget* parent, const roster::ImportCount& count) {
    if (!admin::HasImportNotes(count)) {
        admin::ShowMessage(parent, admin::ImportSummaryText(count), ui::MB_ICONINFORMATION);
        return;
    }
    CImportResultDlg dlg(count, parent);
    dlg.DoModal();
}
