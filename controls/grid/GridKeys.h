#pragma once
// Keys as the grid and its in-place editors speak of them: Windows virtual-key codes, the mouse
// and key-state flags, drop effects and dialog codes, and the "first key" that opens an editor.
//
// A first key is either a virtual key (VK_LBUTTON for an edit opened by the mouse or F2, Tab or
// a navigation key when an edit moves on to the next cell) or a typed character. Typed
// characters carry GK_CHAR, so that '!' (33) is never read as VK_PRIOR (33) nor '(' (40) as
// VK_DOWN. An unmarked code that is no virtual key the editors know is taken as a character.

#include <QString>
#include <Qt>

class QKeyEvent;

// Virtual keys.
inline constexpr unsigned VK_LBUTTON = 0x01;
inline constexpr unsigned VK_BACK = 0x08;
inline constexpr unsigned VK_TAB = 0x09;
inline constexpr unsigned VK_RETURN = 0x0D;
inline constexpr unsigned VK_SHIFT = 0x10;
inline constexpr unsigned VK_CONTROL = 0x11;
inline constexpr unsigned VK_ESCAPE = 0x1B;
inline constexpr unsigned VK_SPACE = 0x20;
inline constexpr unsigned VK_PRIOR = 0x21;
inline constexpr unsigned VK_NEXT = 0x22;
inline constexpr unsigned VK_END = 0x23;
inline constexpr unsigned VK_HOME = 0x24;
inline constexpr unsigned VK_LEFT = 0x25;
inline constexpr unsigned VK_UP = 0x26;
inline constexpr unsigned VK_RIGHT = 0x27;
inline constexpr unsigned VK_DOWN = 0x28;
inline constexpr unsigned VK_INSERT = 0x2D;
inline constexpr unsigned VK_DELETE = 0x2E;
inline constexpr unsigned VK_F2 = 0x71;

// Mouse-message key state.
inline constexpr unsigned MK_LBUTTON = 0x0001;
inline constexpr unsigned MK_RBUTTON = 0x0002;
inline constexpr unsigned MK_SHIFT = 0x0004;
inline constexpr unsigned MK_CONTROL = 0x0008;

// Drop effects.
inline constexpr unsigned DROPEFFECT_NONE = 0;
inline constexpr unsigned DROPEFFECT_COPY = 1;
inline constexpr unsigned DROPEFFECT_MOVE = 2;

// What a control asks of the dialog's keyboard handling (WM_GETDLGCODE).
inline constexpr unsigned DLGC_WANTARROWS = 0x0001;
inline constexpr unsigned DLGC_WANTTAB = 0x0002;
inline constexpr unsigned DLGC_WANTALLKEYS = 0x0004;
inline constexpr unsigned DLGC_WANTCHARS = 0x0080;

// Marks a first key as a typed character.
inline constexpr unsigned GK_CHAR = 0x80000000u;

constexpr unsigned CharKey(char32_t ch) {
    return GK_CHAR | static_cast<unsigned>(ch);
}
constexpr bool IsNavigationKey(unsigned key) {
    return key >= VK_PRIOR && key <= VK_DOWN;
}

// What a first key asks of a newly opened editor.
enum class FirstKeyAction {
    CaretAtEnd,    // VK_LBUTTON or Enter: keep the text, caret after it
    Backspace,     // caret at the end, then delete the last character
    SelectAll,     // Tab, Space or a navigation key: select the text, type nothing
    ReplaceWithKey // any other character: it replaces the selected text
};
FirstKeyAction ClassifyFirstKey(unsigned key);
// The character a first key types (for ReplaceWithKey).
QString FirstKeyText(unsigned key);

// The virtual key of a Qt key, 0 for keys the grid has no use for (punctuation included: Qt
// gives '!' the code 0x21, which must stay a character).
unsigned VirtualKeyOf(int qtKey);
// Modifier flags of the mouse messages (MK_SHIFT, MK_CONTROL) from Qt's modifiers.
unsigned MouseKeyFlags(Qt::KeyboardModifiers modifiers);
