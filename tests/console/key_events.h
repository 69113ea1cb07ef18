#pragma once
// Console input events as a test writes them.
#include "console/console_api.h"

#ifndef _WIN32
// An event that is no key, as a console also gives; the key wait knows no more of it.
constexpr WORD FOCUS_EVENT = 0x10;
#endif

// As a narrow read gives it: the character as a byte of the code page.
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

// As a wide read gives it: the character in UTF-16.
inline INPUT_RECORD wide_key_press(char16_t character, WORD scan_code, DWORD state = 0,
                                   BOOL down = TRUE)
{
    INPUT_RECORD event = key_press(0, scan_code, state, down);
    event.Event.KeyEvent.uChar.UnicodeChar = static_cast<WCHAR>(character);
    return event;
}

inline INPUT_RECORD other_event()
{
    INPUT_RECORD event{};
    event.EventType = FOCUS_EVENT;
    return event;
}
