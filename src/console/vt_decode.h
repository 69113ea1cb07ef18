#pragma once
#include "console/console_api.h"

#include <cstddef>

// Turning the bytes a terminal sends for a key press into the key event a Windows console
// would give for the same key. A pure function: no reads, no clocks, no state between calls.

enum class decode_outcome {
    need_more,  // the bytes so far start a key press that is not complete yet
    key,        // `length` bytes make one key press, given in `key`
    ignore,     // `length` bytes make something that is no key press: drop them
};

struct decoded_input {
    decode_outcome outcome;
    std::size_t length;
    KEY_EVENT_RECORD key;
};

// Decodes the first key press in `bytes`. `more_may_follow` says whether further bytes could
// still belong to it; when false the result is never need_more, so ESC alone is the Esc key
// and a sequence cut short is dropped. Never reads past `count` bytes, and consumes at least
// one byte unless it needs more.
decoded_input decode_terminal_input(const unsigned char* bytes, std::size_t count,
                                    bool more_may_follow) noexcept;
