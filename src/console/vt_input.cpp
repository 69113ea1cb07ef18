#include "console/vt_input.h"
#include "console/scan_codes.h"

#include <cstring>

using vt::bell;
using vt::escape;

void terminal_input::keep(unsigned char byte) noexcept
{
    if (pending_count_ < longest_kept) pending_[pending_count_++] = byte;
}

void terminal_input::add(unsigned char byte) noexcept
{
    silent_ = false;
    switch (skipping_) {
    case skip::none:
        keep(byte);
        return;
    case skip::sequence:
        // Parameter and intermediate bytes go on; a final byte ends the sequence, and a
        // control byte cuts it short and starts the next input.
        if (vt::is_parameter_byte(byte) || vt::is_intermediate_byte(byte)) return;
        skipping_ = skip::none;
        if (!vt::is_final_byte(byte)) keep(byte);
        return;
    case skip::string:
        if (byte == bell) skipping_ = skip::none;
        if (byte == escape) skipping_ = skip::string_after_escape;
        return;
    case skip::string_after_escape:
        // ESC \ is the string terminator; ESC with anything else cuts the string short.
        skipping_ = skip::none;
        if (byte == '\\') return;
        keep(escape);
        keep(byte);
        return;
    }
}

void terminal_input::add_silence() noexcept
{
    silent_ = true;
    // Whatever was being skipped stopped coming: the next byte is a new key press.
    skipping_ = skip::none;
}

std::optional<KEY_EVENT_RECORD> terminal_input::next_key() noexcept
{
    while (pending_count_ > 0) {
        const decoded_input input = decode_terminal_input(pending_, pending_count_, !silent_);
        if (input.outcome == decode_outcome::need_more) {
            if (pending_count_ < longest_kept) return std::nullopt;
            // Too long for any key: skip the rest as it comes, in constant memory.
            const bool in_string = opens_control_string(pending_, pending_count_);
            const bool ends_in_escape = pending_[pending_count_ - 1] == escape;
            skipping_ = !in_string ? skip::sequence
                        : ends_in_escape ? skip::string_after_escape
                                         : skip::string;
            pending_count_ = 0;
            return std::nullopt;
        }
        std::memmove(pending_, pending_ + input.length, pending_count_ - input.length);
        pending_count_ -= input.length;
        if (input.outcome == decode_outcome::key) {
            last_character_ = input.character;
            KEY_EVENT_RECORD key = input.key;
            // The terminal's erase character is what its Backspace key sends.
            if (erase_ != 0 && key.wVirtualScanCode == 0 &&
                static_cast<unsigned char>(key.uChar.AsciiChar) == erase_) {
                key.wVirtualScanCode = scan::backspace;
                key.uChar.AsciiChar = 0x08;
            }
            return key;
        }
    }
    return std::nullopt;
}
