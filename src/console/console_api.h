#pragma once
// The console keyboard calls the key wait is written against, under their Windows names.
// On Windows they are the system's own. Elsewhere posix_console.cpp provides them over the
// controlling terminal, with the same types, constants and failure values, so the key wait
// itself never needs to know which platform it runs on.

#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#else

#include <cstdint>

using BOOL = int;
using UINT = unsigned;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using CHAR = char;
using WCHAR = char16_t;
using HANDLE = void*;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD OPEN_EXISTING = 3;

// Console input modes.
constexpr DWORD ENABLE_PROCESSED_INPUT = 0x1;
constexpr DWORD ENABLE_LINE_INPUT = 0x2;
constexpr DWORD ENABLE_ECHO_INPUT = 0x4;

// Input record types.
constexpr WORD KEY_EVENT = 0x1;
constexpr WORD FOCUS_EVENT = 0x10;

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

struct FOCUS_EVENT_RECORD {
    BOOL bSetFocus;
};

struct INPUT_RECORD {
    WORD EventType;
    union {
        KEY_EVENT_RECORD KeyEvent;
        FOCUS_EVENT_RECORD FocusEvent;
    } Event;
};

// Opens "CONIN$", the keyboard of the controlling terminal; INVALID_HANDLE_VALUE when the
// process has none.
HANDLE CreateFileA(const char* file_name, DWORD desired_access, DWORD share_mode,
                   void* security_attributes, DWORD creation_disposition,
                   DWORD flags_and_attributes, HANDLE template_file) noexcept;

// Reads the keyboard's mode and remembers the terminal settings behind it, so that setting
// this same mode later puts those settings back exactly.
BOOL GetConsoleMode(HANDLE console, DWORD* mode) noexcept;

// Sets the keyboard's mode; mode 0 is raw: no echo, no line editing, no signal or flow keys.
BOOL SetConsoleMode(HANDLE console, DWORD mode) noexcept;

// The code page the keyboard's characters come in: 0 where they come as the terminal sends
// them. SetConsoleCP(936) says the terminal speaks UTF-8 and asks for its characters in code
// page 936, as a GBK console would give them; SetConsoleCP(0) goes back.
UINT GetConsoleCP() noexcept;
BOOL SetConsoleCP(UINT code_page) noexcept;

// Blocks until one key press has been decoded from the terminal and returns it as a key
// event; FALSE when the terminal fails or hangs up.
BOOL ReadConsoleInputA(HANDLE console, INPUT_RECORD* buffer, DWORD length,
                       DWORD* events_read) noexcept;

#endif
