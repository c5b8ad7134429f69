#pragma once
// Texts read from the database on their way to a grid cell, a list or a combo box: a name of a
// damaged or hand-edited file may be megabytes long, and laying out, measuring and sorting such a
// text for every cell costs gigabytes. What is shown is cut; what is stored stays whole.

#include <QString>

namespace text {

// The most characters a shown name keeps: far beyond any name or description the program makes.
inline constexpr int kDisplayLength = 256;
// The most characters of one cell text a grid measures and draws: wider than any screen.
inline constexpr int kDrawnLength = 4096;
// The most characters of a typed text a message quotes back: enough to recognise what was typed,
// and a message box stays narrower than the screen whatever was pasted.
inline constexpr int kQuotedLength = 32;

// `s` when it has at most `limit` characters; otherwise its first limit - 1 characters (a
// character outside the basic plane is never split) and "…". A text shown cut is never written
// back: a dialog that stores what it shows keeps the stored text when IsCutForDisplay.
QString ForDisplay(const QString& s, int limit = kDisplayLength);

// Whether ForDisplay(s, limit) differs from s.
inline bool IsCutForDisplay(const QString& s, int limit = kDisplayLength) { return s.size() > limit; }

} // namespace text
