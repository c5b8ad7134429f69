#include "platform/ui/Sound.h"

#include <QApplication>

#include <atomic>

namespace ui {
namespace {
std::atomic<int> g_beeps{0};
std::atomic<bool> g_muted{false};
} // namespace

void MessageBeep(unsigned) {
    ++g_beeps;
    if (!g_muted && qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}

int BeepCount() {
    return g_beeps;
}
void ResetBeepCount() {
    g_beeps = 0;
}
void SetBeepMuted(bool muted) {
    g_muted = muted;
}

} // namespace ui
