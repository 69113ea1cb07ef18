#include "fake_console.h"

#include <cstring>

namespace fake_console {

state console;

void reset()
{
    const int open_calls = console.open_calls;
    console = state{};
    console.open_calls = open_calls;
}

}  // namespace fake_console

using fake_console::console;

namespace {
int keyboard_object;
}

HANDLE CreateFileA(const char* file_name, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) noexcept
{
    ++console.open_calls;
    if (!console.keyboard_present || std::strcmp(file_name, "CONIN$") != 0) return INVALID_HANDLE_VALUE;
    return &keyboard_object;
}

BOOL GetConsoleMode(HANDLE handle, DWORD* mode) noexcept
{
    if (handle != &keyboard_object || !console.mode_readable) return FALSE;
    *mode = console.mode;
    return TRUE;
}

BOOL SetConsoleMode(HANDLE handle, DWORD mode) noexcept
{
    if (handle != &keyboard_object) return FALSE;
    console.mode = mode;
    console.modes_set.push_back(mode);
    return TRUE;
}

UINT GetConsoleCP() noexcept { return console.code_page; }

BOOL SetConsoleCP(UINT code_page) noexcept
{
    console.code_page = code_page;
    console.code_pages_set.push_back(code_page);
    return TRUE;
}

BOOL ReadConsoleInputA(HANDLE handle, INPUT_RECORD* buffer, DWORD length, DWORD* events_read) noexcept
{
    *events_read = 0;
    if (handle != &keyboard_object || length < 1) return FALSE;
    if (console.mode != 0) console.read_outside_raw_mode = true;
    if (console.return_no_event) return TRUE;
    if (console.next == console.script.size()) return FALSE;
    *buffer = console.script[console.next++];
    *events_read = 1;
    return TRUE;
}
