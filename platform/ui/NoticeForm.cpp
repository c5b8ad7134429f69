#include "platform/ui/NoticeForm.h"

#include "platform/ui/Dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

void BuildNoticeForm(Dialog& dialog, const QString& text) {
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(text, &dialog);
    label->setWordWrap(true);
    label->setMinimumWidth(320);
    layout->addWidget(label);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* close = new QPushButton(QStringLiteral("关闭"), &dialog);
    Dialog::SetDlgCtrlId(close, 2);
    QObject::connect(close, &QPushButton::clicked, &dialog, [&dialog] { dialog.OnCancel(); });
    buttons->addWidget(close);
    layout->addLayout(buttons);
}

} // namespace ui
