#pragma once
// Running a plain Qt modal dialog (print setup, font and colour choosers...) or a popup menu
// through a replaceable runner, as ui::Dialog::DoModal does for our own dialogs, so that tests can
// see which dialog a command opens, or choose from a menu, without showing it.

#include <functional>

class QAction;
class QDialog;
class QMenu;
class QPoint;

namespace ui {

// Runs `dialog` modally (exec() by default) and returns its result code.
int ExecDialog(QDialog& dialog);

// An empty function restores exec().
using QtDialogRunner = std::function<int(QDialog&)>;
void SetQtDialogRunner(QtDialogRunner runner);

// Shows `menu` as a popup at the global point `at` until the user chooses or dismisses it, and
// returns the chosen action (null when dismissed); QMenu::exec by default.
QAction* TrackPopupMenu(QMenu& menu, const QPoint& at);

// Tests install a runner that picks an action (or none) without showing the menu; an empty
// function restores QMenu::exec.
using MenuRunner = std::function<QAction*(QMenu&, const QPoint&)>;
void SetMenuRunner(MenuRunner runner);

} // namespace ui
