// Veltora's entry: the application object's start-up, then the message loop.

#include "app/ExitSignals.h"
#include "app/MainFrm.h"
#include "app/QtTranslation.h"
#include "app/VeltoraApp.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

namespace {

// VELTORA_SMOKE_TEST=1: message boxes are written to stderr and answered with their default, modal
// dialogs (the tip of the day) are written to stderr and cancelled unseen, and the program reports how long
// the start took and quits once its main window is shown. Used by the start-up test and the start-up timing
// tool. VELTORA_SMOKE_TEST=2 does the same but keeps running until it is ended (by a signal), and then
// reports "ended".
class StderrMessageBoxes : public ui::ScriptedMessageBoxes {
public:
    int Show(QWidget* parent, const QString& text, const QString& caption, unsigned type) override {
        std::fprintf(stderr, "message: %s | %s\n", qPrintable(caption), qPrintable(text));
        return ScriptedMessageBoxes::Show(parent, text, caption, type);
    }
};

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    QApplication qtApp(argc, argv);
    LoadQtTranslation(qtApp);
    QCoreApplication::setApplicationVersion(QStringLiteral(VELTORA_VERSION));
    const int smokeMode = qEnvironmentVariableIntValue("VELTORA_SMOKE_TEST");
    const bool smokeTest = smokeMode == 1 || smokeMode == 2;
    std::unique_ptr<StderrMessageBoxes> boxes;
    if (smokeTest) {
        boxes = std::make_unique<StderrMessageBoxes>();
        ui::SetDialogRunner([](ui::Dialog& dialog) {
            std::fprintf(stderr, "dialog: %d %s\n", dialog.TemplateId(), qPrintable(dialog.windowTitle()));
            return 2; // IDCANCEL
        });
    }

    CVeltoraApp theApp;
    const CExitSignals exitSignals([&theApp] { theApp.EndRun(); });
    if (!theApp.InitInstance(QApplication::arguments()))
        return 1;
    // Ended while it was starting: the event loop is not entered.
    if (exitSignals.Received())
        return 0;

    if (smokeTest) {
        QTimer::singleShot(0, [&] {
            const bool shown = theApp.GetMainWnd() && theApp.GetMainWnd()->isVisible();
            std::printf("started: %s, %lld ms\n", shown ? "main window shown" : "no main window",
                        static_cast<long long>(clock.elapsed()));
            std::fflush(stdout);
            if (smokeMode == 1)
                QApplication::exit(shown ? 0 : 3);
        });
    }
    const int result = QApplication::exec();
    if (smokeMode == 2) {
        std::printf("ended: %d\n", result);
        std::fflush(stdout);
    }
    return result;
}
