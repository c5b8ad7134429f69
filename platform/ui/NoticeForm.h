#pragma once
// A minimal dialog body: one line of text and a close button (control id 2, IDCANCEL), for
// dialogs whose own controls are not laid out yet.

#include <QString>

namespace ui {

class Dialog;

void BuildNoticeForm(Dialog& dialog, const QString& text);

} // namespace ui
