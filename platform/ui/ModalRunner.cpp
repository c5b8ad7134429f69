#include "platform/ui/ModalRunner.h"

#include <QDialog>
#include <QMenu>

namespace ui {
namespace {
QtDialogRunner g_runner;
MenuRunner g_menuRunner;
} // namespace

int ExecDialog(QDialog& dialog) {
    return g_runner ? g_runner(dialog) : dialog.exec();
}

void SetQtDialogRunner(QtDialogRunner runner) {
    g_runner = std::move(runner);
}

QAction* TrackPopupMenu(QMenu& menu, const QPoint& at) {
    return g_menuRunner ? g_menuRunner(menu, at) : menu.exec(at);
}

void SetMenuRunner(MenuRunner runner) {
    g_menuRunner = std::move(runner);
}

} // namespace ui
