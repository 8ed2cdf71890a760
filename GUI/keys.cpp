#include "GUI/keys.h"

#include <X11/keysym.h>

#include "GUI/input.h"

namespace velk::gui {

namespace {

struct SSpecial {
    KeySym first;
    KeySym second;
    int code;
};

// Special keys and their keypad twins (0 where there is none).
const SSpecial kSpecial[] = {
    {XK_Return, XK_KP_Enter, 0},  {XK_Escape, 0, 1},
    {XK_Tab, XK_KP_Tab, 2},       {XK_BackSpace, 0, 3},
    {XK_Delete, XK_KP_Delete, 4}, {XK_Insert, XK_KP_Insert, 5},
    {XK_Up, XK_KP_Up, 6},         {XK_Down, XK_KP_Down, 7},
    {XK_Left, XK_KP_Left, 8},     {XK_Right, XK_KP_Right, 9},
    {XK_Prior, XK_KP_Prior, 10},  {XK_Next, XK_KP_Next, 11},
    {XK_Home, XK_KP_Home, 12},    {XK_End, XK_KP_End, 13},
    {XK_Caps_Lock, 0, 14},        {XK_Print, 0, 15},
    {XK_Pause, XK_Break, 16},
};

// Keypad operators and the ASCII character they stand for.
const SSpecial kKeypadChars[] = {
    {XK_KP_Space, 0, ' '},     {XK_KP_Multiply, 0, '*'}, {XK_KP_Add, 0, '+'},
    {XK_KP_Separator, 0, ','}, {XK_KP_Subtract, 0, '-'}, {XK_KP_Decimal, 0, '.'},
    {XK_KP_Divide, 0, '/'},    {XK_KP_Equal, 0, '='},
};

} // namespace

SKeyTranslation TranslateKey(KeySym k) {
    switch (k) {
    case XK_space:
    case XK_asterisk:
    case XK_plus:
    case XK_comma:
    case XK_minus:
    case XK_period:
    case XK_slash:
    case XK_equal: return {KEYKIND_CHAR, static_cast<int>(k), -1};
    case XK_Shift_L:
    case XK_Shift_R: return {KEYKIND_MODIFIER, 17, MOUSE_SHIFT};
    case XK_Control_L:
    case XK_Control_R: return {KEYKIND_MODIFIER, 18, MOUSE_CONTROL};
    case XK_Alt_L:
    case XK_Alt_R: return {KEYKIND_MODIFIER, 19, MOUSE_ALT};
    default: break;
    }
    for (const SSpecial& s : kKeypadChars)
        if (k == s.first) return {KEYKIND_CHAR, s.code, -1};
    if (k >= XK_0 && k <= XK_9) return {KEYKIND_CHAR, static_cast<int>('0' + (k - XK_0)), -1};
    if (k >= XK_KP_0 && k <= XK_KP_9)
        return {KEYKIND_CHAR, static_cast<int>('0' + (k - XK_KP_0)), -1};
    for (const SSpecial& s : kSpecial)
        if (k == s.first || (s.second && k == s.second)) return {KEYKIND_SPECIAL, s.code, -1};
    if ((k >= XK_F1 && k <= XK_F24) || (k >= XK_KP_F1 && k <= XK_KP_F4))
        return {KEYKIND_FUNCTION, static_cast<int>(k), -1};
    return {KEYKIND_CHAR, static_cast<int>(k), -1};
}

} // namespace velk::gui
