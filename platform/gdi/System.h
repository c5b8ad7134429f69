#pragma once
// System colours, metrics and the message font. They are fixed values of the classic Windows
// scheme rather than the desktop's, so that drawing and geometry are the same on every machine
// and in every test; a setter lets a test (or a settings change) replace one.

#include "platform/gdi/Colour.h"
#include "platform/gdi/Font.h"

namespace gdi {

// GetSysColor indexes.
inline constexpr int COLOR_SCROLLBAR = 0;
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_ACTIVECAPTION = 2;
inline constexpr int COLOR_INACTIVECAPTION = 3;
inline constexpr int COLOR_MENU = 4;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWFRAME = 6;
inline constexpr int COLOR_MENUTEXT = 7;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_CAPTIONTEXT = 9;
inline constexpr int COLOR_ACTIVEBORDER = 10;
inline constexpr int COLOR_INACTIVEBORDER = 11;
inline constexpr int COLOR_APPWORKSPACE = 12;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_3DFACE = COLOR_BTNFACE;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
inline constexpr int COLOR_3DDKSHADOW = 21;
inline constexpr int COLOR_3DLIGHT = 22;
inline constexpr int COLOR_INFOTEXT = 23;
inline constexpr int COLOR_INFOBK = 24;
inline constexpr int COLOR_HOTLIGHT = 26;
inline constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
inline constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
inline constexpr int COLOR_MENUHILIGHT = 29;
inline constexpr int COLOR_MENUBAR = 30;

// GetSystemMetrics indexes.
inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int SM_CXVSCROLL = 2;
inline constexpr int SM_CYHSCROLL = 3;
inline constexpr int SM_CYCAPTION = 4;
inline constexpr int SM_CXBORDER = 5;
inline constexpr int SM_CYBORDER = 6;
inline constexpr int SM_CXDLGFRAME = 7;
inline constexpr int SM_CYDLGFRAME = 8;
inline constexpr int SM_CYVTHUMB = 9;
inline constexpr int SM_CXHTHUMB = 10;
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;
inline constexpr int SM_CXCURSOR = 13;
inline constexpr int SM_CYCURSOR = 14;
inline constexpr int SM_CYMENU = 15;
inline constexpr int SM_CYVSCROLL = 20;
inline constexpr int SM_CXHSCROLL = 21;
inline constexpr int SM_CXSIZE = 30;
inline constexpr int SM_CYSIZE = 31;
inline constexpr int SM_CXFRAME = 32;
inline constexpr int SM_CYFRAME = 33;
inline constexpr int SM_CXDOUBLECLK = 36;
inline constexpr int SM_CYDOUBLECLK = 37;
inline constexpr int SM_CXEDGE = 45;
inline constexpr int SM_CYEDGE = 46;
inline constexpr int SM_CXSMICON = 49;
inline constexpr int SM_CYSMICON = 50;
inline constexpr int SM_CXDRAG = 68;
inline constexpr int SM_CYDRAG = 69;
inline constexpr int SM_CXMENUCHECK = 71;
inline constexpr int SM_CYMENUCHECK = 72;

COLORREF GetSysColor(int index);
// Replaces one system colour (tests, settings change); returns the old one.
COLORREF SetSysColor(int index, COLORREF colour);
// Every colour back to the fixed scheme.
void ResetSysColors();

// 0 for an unknown index, as the system call answers.
int GetSystemMetrics(int index);
int SetSystemMetrics(int index, int value);
void ResetSystemMetrics();

// The message font of the non-client metrics (lfMessageFont): 宋体, 12 pixels.
LOGFONT GetMessageFont();
void SetMessageFont(const LOGFONT& lf);

// The menu font of the non-client metrics (lfMenuFont): 宋体, 12 pixels, like the message font.
LOGFONT GetMenuFont();
void SetMenuFont(const LOGFONT& lf);

// Lines scrolled per wheel notch; UINT_MAX would mean a page (WHEEL_PAGESCROLL).
unsigned GetWheelScrollLines();
void SetWheelScrollLines(unsigned lines);

// Milliseconds between two clicks of a double click.
unsigned GetDoubleClickTime();

// The Windows version the drawing code is written for, as one code: 7 is Windows 5.1 (XP), the
// version this platform answers.
int GetWindowsVersionCode();

// Whether a desktop theme value (the path of the current theme file) names the classic theme: it
// ends in "Windows Classic.theme", in any letter case. This platform has no theme setting, so the
// form without argument is false.
bool IsClassicThemeActive(const QString& themeValue);
bool IsClassicThemeActive();

// The themed look: version code 7 without the classic theme.
bool IsThemedLook();

} // namespace gdi
