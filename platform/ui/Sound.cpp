#include "platform/ui/Sound.h"

#include <QApplication>

#include <atomic>
#include <mutex>

namespace ui {
namespace {
std::atomic<int> g_beeps{0};
std::atomic<bool> g_muted{false};

std::mutex g_soundMutex;
std::vector<SoundRequest>& Requests() {
    static std::vector<SoundRequest> requests;
    return requests;
}
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

bool PlaySound(const QString& name, const QString& module, unsigned flags) {
    const std::lock_guard lock(g_soundMutex);
    Requests().push_back(SoundRequest{name, module, flags});
    return true;
}

std::vector<SoundRequest> SoundRequests() {
    const std::lock_guard lock(g_soundMutex);
    return Requests();
}

void ResetSoundRequests() {
    const std::lock_guard lock(g_soundMutex);
    Requests().clear();
}

} // namespace ui
