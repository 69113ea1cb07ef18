#pragma once
// A stand-in for the console calls that plays back scripted input events and records what
// was done to the keyboard's mode, for testing the key wait's loop on its own.
#include "console/console_api.h"

#include <optional>
#include <vector>

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
