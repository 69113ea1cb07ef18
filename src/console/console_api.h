#pragma once
// The Windows console's key events and the types and flags they hold, under their Windows
// names. On Windows they are the system's own. Elsewhere they serve as the key events the
// terminal decoder gives; the console's calls are Windows' alone (the tests declare a fake
// of them, to build the Windows keyboard off Windows).

#ifdef _WIN32

#include "common/windows_api.h"

#else

#include <cstdint>

using BOOL = int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using CHAR = char;
using WCHAR = char16_t;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// Input record types.
constexpr WORD KEY_EVENT = 0x1;

// The Alt key's virtual key code.
constexpr WORD VK_MENU = 0x12;

// Control key state flags.
constexpr DWORD RIGHT_ALT_PRESSED = 0x1;
constexpr DWORD LEFT_ALT_PRESSED = 0x2;
constexpr DWORD RIGHT_CTRL_PRESSED = 0x4;
constexpr DWORD LEFT_CTRL_PRESSED = 0x8;
constexpr DWORD SHIFT_PRESSED = 0x10;
constexpr DWORD ENHANCED_KEY = 0x100;

struct KEY_EVENT_RECORD {
    BOOL bKeyDown;
    WORD wRepeatCount;
    WORD wVirtualKeyCode;
    WORD wVirtualScanCode;
    union {
        WCHAR UnicodeChar;
        CHAR AsciiChar;
    } uChar;
    DWORD dwControlKeyState;
};

struct INPUT_RECORD {
    WORD EventType;
    union {
        KEY_EVENT_RECORD KeyEvent;
    } Event;
};

#endif
