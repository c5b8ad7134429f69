#pragma once
// The system beep and sound playing, behind counters and records that tests can read.

#include <QString>

#include <vector>

namespace ui {

// Sounds the default beep (the type is a Windows sound class; 0xFFFFFFFF is the plain beep).
void MessageBeep(unsigned type = 0xFFFFFFFF);

// How many beeps have sounded since start or the last reset; beeps are silent while muted.
int BeepCount();
void ResetBeepCount();
void SetBeepMuted(bool muted);

// PlaySound flags.
inline constexpr unsigned SND_SYNC = 0x0000;
inline constexpr unsigned SND_ASYNC = 0x0001;
inline constexpr unsigned SND_NODEFAULT = 0x0002;
inline constexpr unsigned SND_NOWAIT = 0x2000;
inline constexpr unsigned SND_FILENAME = 0x20000;
inline constexpr unsigned SND_RESOURCE = 0x40004;

// One request to play a sound: a file name, or a resource name of `module`.
struct SoundRequest {
    QString name;
    QString module;
    unsigned flags = 0;
};

// Plays nothing: the program's sounds are optional decoration and the platform has no player
// for them. The request is recorded; true as if it had played.
bool PlaySound(const QString& name, const QString& module, unsigned flags);

// The requests since start or the last reset, oldest first.
std::vector<SoundRequest> SoundRequests();
void ResetSoundRequests();

} // namespace ui
