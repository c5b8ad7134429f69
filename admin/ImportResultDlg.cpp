#include "admin/ImportResultDlg.h"

#include "admin/AdminCommon.h"
#include "admin/ImportResult.h"
#include "platform/log/Log.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
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
    resize(620, 420);
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
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(m_strFull.toUtf8()) < 0 ||
        !file.flush()) {
        qCWarning(vlog::io) << "import result not saved to" << path << file.errorString();
        admin::ShowMessage(this, QStringLiteral("对不起，文件保存失败！"), ui::MB_ICONERROR);
    }
}

void ShowImportResult(QWidget* parent, const roster::ImportCount& count) {
    if (!admin::HasImportNotes(count)) {
        admin::ShowMessage(parent, roster::ImportResultText(count), ui::MB_ICONINFORMATION);
        return;
    }
    CImportResultDlg dlg(count, parent);
    dlg.DoModal();
}
