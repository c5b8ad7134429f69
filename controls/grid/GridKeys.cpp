#include "controls/grid/GridKeys.h"

FirstKeyAction ClassifyFirstKey(unsigned key) {
    const bool typed = (key & GK_CHAR) != 0;
    const unsigned code = key & ~GK_CHAR;
    if (code == VK_RETURN || (!typed && code == VK_LBUTTON))
        return FirstKeyAction::CaretAtEnd;
    if (code == VK_BACK)
        return FirstKeyAction::Backspace;
    if (code == VK_TAB || code == VK_SPACE || (!typed && IsNavigationKey(code)))
        return FirstKeyAction::SelectAll;
    return FirstKeyAction::ReplaceWithKey;
}

QString FirstKeyText(unsigned key) {
    const char32_t ch = key & ~GK_CHAR;
    if (ch < 0x20 || ch == 0x7F)
        return QString();
    return QString::fromUcs4(&ch, 1);
}

unsigned VirtualKeyOf(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return static_cast<unsigned>(qtKey);
    switch (qtKey) {
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_F2:
        return VK_F2;
    default:
        return 0;
    }
}

unsigned MouseKeyFlags(Qt::KeyboardModifiers modifiers) {
    unsigned flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        flags |= MK_CONTROL;
    return flags;
}
