#pragma once
// The Windows console's key events, types and keyboard calls, under their Windows names.
// On Windows they are the system's own. Elsewhere they serve as the key events the
// terminal decoder gives, and the calls are declared for the tests alone, whose fake console
// provides them to the Windows keyboard built there.

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

// The console calls the Windows keyboard makes, and what they take: declared for the tests,
// which build that keyboard here over a fake of them.
using UINT = unsigned;
using HANDLE = void*;

#define WINAPI

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

// Console control events.
constexpr DWORD CTRL_C_EVENT = 0;
constexpr DWORD CTRL_BREAK_EVENT = 1;
constexpr DWORD CTRL_CLOSE_EVENT = 2;
constexpr DWORD CTRL_LOGOFF_EVENT = 5;
constexpr DWORD CTRL_SHUTDOWN_EVENT = 6;

using PHANDLER_ROUTINE = BOOL(WINAPI*)(DWORD control_type);

HANDLE CreateFileA(const char* file_name, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) noexcept;
BOOL GetConsoleMode(HANDLE console, DWORD* mode) noexcept;
BOOL SetConsoleMode(HANDLE console, DWORD mode) noexcept;
UINT GetConsoleCP() noexcept;
BOOL ReadConsoleInputW(HANDLE console, INPUT_RECORD* buffer, DWORD length,
                       DWORD* events_read) noexcept;
int WideCharToMultiByte(UINT code_page, DWORD flags, const WCHAR* wide, int wide_count, char* bytes,
                        int byte_count, const char* default_char, BOOL* used_default_char) noexcept;
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) noexcept;

struct SRWLOCK {
    void* Ptr;
};
#define SRWLOCK_INIT \
    {                \
    }
void AcquireSRWLockExclusive(SRWLOCK* lock) noexcept;
void ReleaseSRWLockExclusive(SRWLOCK* lock) noexcept;

#endif
