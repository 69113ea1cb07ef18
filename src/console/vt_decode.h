#pragma once
#include "console/console_api.h"

#include <cstddef>

// Turning the bytes a terminal sends for a key press into the key event a Windows console
// would give for the same key. A pure function: no reads, no clocks, no state between calls.

namespace vt {
constexpr unsigned char escape = 0x1B;
constexpr unsigned char bell = 0x07;  // ends a control string, as ESC \ does

// A control sequence is its introducer, parameter bytes, intermediate bytes, one final byte.
constexpr bool is_parameter_byte(unsigned char byte) { return byte >= 0x30 && byte <= 0x3F; }
constexpr bool is_intermediate_byte(unsigned char byte) { return byte >= 0x20 && byte <= 0x2F; }
constexpr bool is_final_byte(unsigned char byte) { return byte >= 0x40 && byte <= 0x7E; }
}  // namespace vt

enum class decode_outcome {
    need_more,  // the bytes so far start a key press (or a sequence) that is not complete yet
    key,        // `length` bytes make one key press, given in `key`
    ignore,     // `length` bytes make something that is no key press: drop them
};

struct decoded_input {
    decode_outcome outcome;
    std::size_t length;
    KEY_EVENT_RECORD key;
    // The Unicode character of a key that types one beyond ASCII, in whatever form it came:
    // UTF-8, a GBK pair, GB18030's four bytes, or a code reported by CSI u or modifyOtherKeys
    // (with Ctrl and Shift applied); 0 for ASCII, keys without a character, and GBK pairs
    // that stand for none; U+FFFD for a GB18030 code of four bytes that no character has.
    char32_t character = 0;
};

// Decodes the first key press in `bytes`. `more_may_follow` says whether further bytes could
// still belong to it; when false the result is never need_more, so ESC alone is the Esc key,
// a character's lead byte alone is that byte, and a sequence cut short is dropped. Never
// reads past `count` bytes, and consumes at least one byte unless it needs more.
//
// A character of several bytes is one key press, and its key event carries its first byte:
// UTF-8 when its bytes form one, otherwise a GBK pair (lead 81 to FE, trail 40 to FE but 7F)
// or GB18030's four bytes (lead, 30 to 39, 81 to FE, 30 to 39), since a terminal under luit
// still runs in a UTF-8 locale while it sends GBK. Each byte is checked against what may
// follow in that form, so no byte of the next key is waited for where the key is complete.
decoded_input decode_terminal_input(const unsigned char* bytes, std::size_t count,
                                    bool more_may_follow) noexcept;

// For a reader whose buffer filled up while decode_terminal_input still needed more: whether
// the bytes open a control string (OSC, DCS, APC, PM, SOS), which ends at ST or BEL, rather
// than a control sequence, which ends at its final byte. The rest is then skipped as it comes.
bool opens_control_string(const unsigned char* bytes, std::size_t count) noexcept;
