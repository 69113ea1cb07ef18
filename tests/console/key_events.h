#pragma once
// Console input events as a test writes them.
#include "console/console_api.h"

inline INPUT_RECORD key_press(char character, WORD scan_code, DWORD state = 0, BOOL down = TRUE)
{
    INPUT_RECORD event{};
    event.EventType = KEY_EVENT;
    event.Event.KeyEvent.bKeyDown = down;
    event.Event.KeyEvent.wRepeatCount = 1;
    event.Event.KeyEvent.wVirtualScanCode = scan_code;
    event.Event.KeyEvent.uChar.AsciiChar = character;
    event.Event.KeyEvent.dwControlKeyState = state;
    return event;
}
