#pragma once
#include "console/console_api.h"

#include <cstddef>

// Turning the bytes a terminal sends for a key press into the key event a Windows console
// would give for the same key. A pure function: no reads, no clocks, no state between calls.

enum class decode_outcome {
    need_more,  // the bytes so far start a key press (or a sequence) that is not complete yet
    key,        // `length` bytes make one key press, given in `key`
    ignore,     // `length` bytes make something that is no key press: drop them
};

struct decoded_input {
    decode_outcome outcome;
    std::size_t length;
    KEY_EVENT_RECORD key;
    char32_t character = 0;  // for a key typed as a UTF-8 character of several bytes: which
};

// Decodes the first key press in `bytes`. `more_may_follow` says whether further bytes could
// still belong to it; when false the result is never need_more, so ESC alone is the Esc key,
// a character's lead byte alone is that byte, and a sequence cut short is dropped. Never
// reads past `count` bytes, and consumes at least one byte unless it needs more.
//
// A character of several bytes is one key press whose code is its first byte: UTF-8 when
// its bytes form one, otherwise a GBK pair (lead 81 to FE, trail 40 to FE but 7F), since a
// terminal under luit still runs in a UTF-8 locale while it sends GBK.
decoded_input decode_terminal_input(const unsigned char* bytes, std::size_t count,
                                    bool more_may_follow) noexcept;

// For a reader whose buffer filled up while decode_terminal_input still needed more: whether
// the bytes open a control string (OSC, DCS, APC, PM, SOS), which ends at ST or BEL, rather
// than a control sequence, which ends at its final byte. The rest is then skipped as it comes.
bool opens_control_string(const unsigned char* bytes, std::size_t count) noexcept;
