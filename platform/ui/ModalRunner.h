#pragma once
// Running a plain Qt modal dialog (print setup, font and colour choosers...) through a
// replaceable runner, as ui::Dialog::DoModal does for our own dialogs, so that tests can see
// which dialog a command opens without showing it.

#include <functional>

class QDialog;

namespace ui {

// Runs `dialog` modally (exec() by default) and returns its result code.
int ExecDialog(QDialog& dialog);

// An empty function restores exec().
using QtDialogRunner = std::function<int(QDialog&)>;
void SetQtDialogRunner(QtDialogRunner runner);

} // namespace ui
