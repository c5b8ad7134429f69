#include "platform/ui/ModalRunner.h"

#include <QDialog>

namespace ui {
namespace {
QtDialogRunner g_runner;
} // namespace

int ExecDialog(QDialog& dialog) {
    return g_runner ? g_runner(dialog) : dialog.exec();
}

void SetQtDialogRunner(QtDialogRunner runner) {
    g_runner = std::move(runner);
}

} // namespace ui
