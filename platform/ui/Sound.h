#pragma once
// The system beep, behind a counter that tests can read.

namespace ui {

// Sounds the default beep (the type is a Windows sound class; 0xFFFFFFFF is the plain beep).
void MessageBeep(unsigned type = 0xFFFFFFFF);

// How many beeps have sounded since start or the last reset; beeps are silent while muted.
int BeepCount();
void ResetBeepCount();
void SetBeepMuted(bool muted);

} // namespace ui
