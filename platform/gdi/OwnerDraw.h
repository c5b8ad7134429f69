#pragma once
// The state bits an owner-drawn control or menu item is painted with.

inline constexpr unsigned ODS_SELECTED = 0x0001;
inline constexpr unsigned ODS_GRAYED = 0x0002;
inline constexpr unsigned ODS_DISABLED = 0x0004;
inline constexpr unsigned ODS_CHECKED = 0x0008;
inline constexpr unsigned ODS_FOCUS = 0x0010;
