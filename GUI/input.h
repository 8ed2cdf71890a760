// The mouse and keyboard state a control keeps, and the codes the dispatcher reports.
#pragma once

namespace velk::gui {

// Indices of the mouse-state array, also the codes passed to MouseStateChanged.
enum SMouseState {
    MOUSE_ENTER = 0,
    MOUSE_MOVE = 1,
    MOUSE_LEAVE = 2,
    MOUSE_LEFT_DOWN = 3,
    MOUSE_RIGHT_DOWN = 4,
    MOUSE_MIDDLE_DOWN = 5,
    MOUSE_UP = 6,
    MOUSE_LEFT_DOUBLE = 7,
    MOUSE_RIGHT_DOUBLE = 8,
    MOUSE_MIDDLE_DOUBLE = 9,
    MOUSE_WHEEL = 13,
    MOUSE_WHEEL_UP = 14,
    MOUSE_WHEEL_DOWN = 15,
    MOUSE_INSIDE = 16,
    MOUSE_CAPTURE = 17,
    MOUSE_TRACKING = 19,
    MOUSE_ALT = 20,
    MOUSE_SHIFT = 21,
    MOUSE_CONTROL = 22,
    MOUSE_FLAGS = 23
};

// Kinds of key passed to KeyStateChanged.
enum SKeyKind {
    KEYKIND_CHAR = 0,
    KEYKIND_MODIFIER = 3,
    KEYKIND_SPECIAL = 4,
    KEYKIND_FUNCTION = 5,
};

// Modifier bits of the mask passed with keys.
enum SKeyModifier { KEYMOD_SHIFT = 1, KEYMOD_CONTROL = 2, KEYMOD_ALT = 4 };

namespace context {

class SInput {
public:
    virtual ~SInput() = default;

    // Back to the state of a new record.
    void Reset() { *this = SInput(); }

    int spare = 0;
    int lastX = -1;
    int lastY = -1;
    int deltaX = 0;
    int deltaY = 0;
    bool flags[MOUSE_FLAGS] = {};
    int lastButton = 0;
    int lastPressTime = 0;
    int spare2 = -1;
    int keyState = 0;
};

} // namespace context
} // namespace velk::gui
