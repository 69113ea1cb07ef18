#pragma once
// A stand-in for the console calls that plays back scripted input events and records what
// was done to the keyboard's mode, for testing the key wait's loop on its own.
#include "console/console_api.h"

#include <cstdint>
#include <optional>
#include <vector>

// The console calls the Windows keyboard makes, and what they take, as Windows declares them.
// The build of that keyboard here includes this header first.

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

namespace fake_console {

constexpr DWORD cooked_mode = ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT;

struct state {
    bool keyboard_present = true;
    bool mode_readable = true;
    int open_calls = 0;
    DWORD mode = cooked_mode;
    std::vector<DWORD> modes_set;
    std::vector<INPUT_RECORD> script;  // played back in order; a read past the end fails
    std::size_t next = 0;
    bool read_outside_raw_mode = false;
    bool return_no_event = false;
    UINT code_page = 65001;
    std::vector<UINT> code_pages_converted_to;  // 936 and 65001 only
    PHANDLER_ROUTINE control_handler = nullptr;
    int control_handlers_added = 0;
    // Delivered to the control handler at the next read, as the console would on its thread.
    std::optional<DWORD> control_event;
    // Delivered at once when the handler is added, before the wait changes the mode.
    std::optional<DWORD> control_event_when_added;
    BOOL control_handler_result = TRUE;
    DWORD mode_after_control_handler = 0;
};

extern state console;

void reset();  // keeps open_calls, as the key wait keeps its handle

}  // namespace fake_console
