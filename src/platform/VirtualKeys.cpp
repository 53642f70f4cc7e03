#include "VirtualKeys.h"

#include <utility>

namespace {

UINT KeypadKey(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return VK_NUMPAD0 + static_cast<UINT>(qtKey - Qt::Key_0);
    }
    switch (qtKey) {
        // What the digit keys send with NumLock off.
        case Qt::Key_Insert:
            return VK_NUMPAD0;
        case Qt::Key_End:
            return VK_NUMPAD1;
        case Qt::Key_Down:
            return VK_NUMPAD2;
        case Qt::Key_PageDown:
            return VK_NUMPAD3;
        case Qt::Key_Left:
            return VK_NUMPAD4;
        case Qt::Key_Clear:
            return VK_NUMPAD5;
        case Qt::Key_Right:
            return VK_NUMPAD6;
        case Qt::Key_Home:
            return VK_NUMPAD7;
        case Qt::Key_Up:
            return VK_NUMPAD8;
        case Qt::Key_PageUp:
            return VK_NUMPAD9;
        case Qt::Key_Delete:
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return VK_DECIMAL;
        case Qt::Key_Asterisk:
            return VK_MULTIPLY;
        case Qt::Key_Plus:
            return VK_ADD;
        case Qt::Key_Minus:
            return VK_SUBTRACT;
        case Qt::Key_Slash:
            return VK_DIVIDE;
        case Qt::Key_Enter:
        case Qt::Key_Return:
            return VK_RETURN;
        default:
            return 0;
    }
}

UINT MainKey(int qtKey) {
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) {
        return static_cast<UINT>(qtKey);
    }
    if (qtKey >= 'a' && qtKey <= 'z') {
        return static_cast<UINT>(qtKey - 'a' + 'A');
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return VK_F1 + static_cast<UINT>(qtKey - Qt::Key_F1);
    }
    switch (qtKey) {
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Clear:
            return VK_CLEAR;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Shift:
            return VK_SHIFT;
        case Qt::Key_Control:
            return VK_CONTROL;
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
            return VK_MENU;
        case Qt::Key_Pause:
            return VK_PAUSE;
        case Qt::Key_CapsLock:
            return VK_CAPITAL;
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
        case Qt::Key_Print:
            return VK_SNAPSHOT;
        case Qt::Key_Insert:
            return VK_INSERT;
        case Qt::Key_Delete:
            return VK_DELETE;
        case Qt::Key_Super_L:
            return VK_LWIN;
        case Qt::Key_Super_R:
            return VK_RWIN;
        case Qt::Key_Menu:
            return VK_APPS;
        case Qt::Key_NumLock:
            return VK_NUMLOCK;
        case Qt::Key_ScrollLock:
            return VK_SCROLL;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return VK_OEM_PLUS;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            return VK_OEM_MINUS;
        case Qt::Key_Comma:
            return VK_OEM_COMMA;
        case Qt::Key_Period:
            return VK_OEM_PERIOD;
        default:
            return 0;
    }
}

}  // namespace

UINT VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (const UINT key = KeypadKey(qtKey)) {
            return key;
        }
    }
    return MainKey(qtKey);
}
