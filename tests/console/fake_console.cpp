#include "fake_console.h"
#include "common/utf16.h"
#include "common/utf8.h"
#include "cp936/cp936.h"

#include <algorithm>
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
}  // namespace

HANDLE CreateFileA(const char* file_name, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) noexcept
{
    ++console.open_calls;
    if (!console.keyboard_present || std::strcmp(file_name, "CONIN$") != 0) {
        return INVALID_HANDLE_VALUE;
    }
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

BOOL ReadConsoleInputW(HANDLE handle, INPUT_RECORD* buffer, DWORD length,
                       DWORD* events_read) noexcept
{
    *events_read = 0;
    if (handle != &keyboard_object || length < 1) return FALSE;
    if (console.control_event && console.control_handler) {
        console.control_handler_result = console.control_handler(*console.control_event);
        console.mode_after_control_handler = console.mode;
        console.control_event.reset();
    }
    if (console.mode != 0) console.read_outside_raw_mode = true;
    if (console.return_no_event) return TRUE;
    if (console.next == console.script.size()) return FALSE;
    *buffer = console.script[console.next++];
    *events_read = 1;
    return TRUE;
}

// Code page 936 from the real table, and 65001 as UTF-8: one character at a time.
int WideCharToMultiByte(UINT code_page, DWORD, const WCHAR* wide, int wide_count, char* bytes,
                        int byte_count, const char*, BOOL*) noexcept
{
    console.code_pages_converted_to.push_back(code_page);
    char32_t character = wide[0];
    if (wide_count == 2 && is_high_surrogate(wide[0]) && is_low_surrogate(wide[1])) {
        character = joined_surrogates(wide[0], wide[1]);
    } else if (wide_count != 1) {
        return 0;
    }
    unsigned char out[4] = {'?'};
    std::size_t length = 1;
    if (code_page == 65001) {
        length = static_cast<std::size_t>(put_utf8(character, out) - out);
    } else if (code_page == gbk_code_page) {
        length = std::max<std::size_t>(put_gbk(character, out), 1);
    } else {
        return 0;
    }
    if (length > static_cast<std::size_t>(byte_count)) return 0;
    std::memcpy(bytes, out, length);
    return static_cast<int>(length);
}

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) noexcept
{
    console.control_handler = add ? handler : nullptr;
    console.control_handlers_added += add ? 1 : -1;
    if (add && console.control_event_when_added) {
        console.control_handler_result = handler(*console.control_event_when_added);
        console.mode_after_control_handler = console.mode;
    }
    return TRUE;
}

// One thread: the control handler runs within the calls above.
void AcquireSRWLockExclusive(SRWLOCK*) noexcept {}
void ReleaseSRWLockExclusive(SRWLOCK*) noexcept {}
