#pragma once
// What an owner-drawn control or menu item is told when it is to be measured or painted: the
// item's state bits, its rectangle and the context to draw on.

#include "platform/gdi/Types.h"

namespace gdi {
class Dc;
}

// Item states of one paint.
inline constexpr unsigned ODS_SELECTED = 0x0001;
inline constexpr unsigned ODS_GRAYED = 0x0002;
inline constexpr unsigned ODS_DISABLED = 0x0004;
inline constexpr unsigned ODS_CHECKED = 0x0008;
inline constexpr unsigned ODS_FOCUS = 0x0010;
