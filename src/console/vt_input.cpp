#include "console/vt_input.h"
#include "console/scan_codes.h"

#include <cstring>

using vt::bell;
using vt::escape;

namespace {
// The marks a terminal in bracketed paste mode puts around pasted text.
constexpr unsigned char paste_start[] = {escape, '[', '2', '0', '0', '~'};
constexpr unsigned char paste_end[] = {escape, '[', '2', '0', '1', '~'};

constexpr DWORD ctrl_keys = LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED;

template <std::size_t length>
bool is_mark(const unsigned char (&mark)[length], const unsigned char* bytes, std::size_t count)
{
    return count == length && std::memcmp(bytes, mark, length) == 0;
}
}  // namespace

void terminal_input::keep(unsigned char byte) noexcept
{
    if (pending_count_ < longest_kept) pending_[pending_count_++] = byte;
}

void terminal_input::add(unsigned char byte) noexcept
{
    silent_ = false;
    if (paste_ == paste::skipping_rest) {
        skip_pasted(byte);
        return;
    }
    switch (skipping_) {
    case skip::none: keep(byte); return;
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
    // A paste that stops coming before its closing mark ends there; one that opened with
    // nothing after it was empty.
    if (paste_ == paste::skipping_rest) paste_ = paste::complete;
    if (paste_ == paste::awaiting_first && pending_count_ == 0) paste_ = paste::none;
}

void terminal_input::skip_pasted(unsigned char byte) noexcept
{
    if (byte == paste_end[paste_end_matched_]) {
        if (++paste_end_matched_ == sizeof paste_end) paste_ = paste::complete;
        return;
    }
    paste_end_matched_ = byte == escape ? 1 : 0;
}

std::optional<key_press> terminal_input::end_paste() noexcept
{
    paste_ = paste::none;
    return pasted_;
}

// A decoded key, or nothing while it is held as a paste's first character.
std::optional<key_press> terminal_input::give_unless_pasted(const decoded_input& input) noexcept
{
    KEY_EVENT_RECORD key = input.key;
    // The terminal's erase character is what its Backspace key sends; with Ctrl reported
    // (CSI u, modifyOtherKeys) it is Ctrl+Backspace, which keeps the byte, as on a console.
    if (erase_ != 0 && key.wVirtualScanCode == 0 && (key.dwControlKeyState & ctrl_keys) == 0 &&
        static_cast<unsigned char>(key.uChar.AsciiChar) == erase_) {
        key.wVirtualScanCode = scan::backspace;
        key.uChar.AsciiChar = 0x08;
    }
    if (paste_ != paste::awaiting_first) return key_press{key, input.character};
    pasted_ = {key, input.character};
    paste_ = paste::skipping_rest;
    paste_end_matched_ = 0;
    const std::size_t rest = pending_count_;
    pending_count_ = 0;
    for (std::size_t i = 0; i < rest && paste_ == paste::skipping_rest; ++i) {
        skip_pasted(pending_[i]);
    }
    if (paste_ == paste::complete) return end_paste();
    return std::nullopt;
}

std::optional<key_press> terminal_input::next_key() noexcept
{
    if (paste_ == paste::complete) return end_paste();
    while (pending_count_ > 0) {
        const decoded_input input = decode_terminal_input(pending_, pending_count_, !silent_);
        if (input.outcome == decode_outcome::need_more) {
            if (pending_count_ < longest_kept) return std::nullopt;
            // Too long for any key: skip the rest as it comes, in constant memory.
            const bool in_string = opens_control_string(pending_, pending_count_);
            const bool ends_in_escape = pending_[pending_count_ - 1] == escape;
            skipping_ = !in_string       ? skip::sequence
                        : ends_in_escape ? skip::string_after_escape
                                         : skip::string;
            pending_count_ = 0;
            return std::nullopt;
        }
        if (is_mark(paste_start, pending_, input.length)) paste_ = paste::awaiting_first;
        if (is_mark(paste_end, pending_, input.length) && paste_ == paste::awaiting_first) {
            paste_ = paste::none;  // an empty paste
        }
        std::memmove(pending_, pending_ + input.length, pending_count_ - input.length);
        pending_count_ -= input.length;
        // A key read together with a paste's start mark (an Esc typed just before the paste)
        // is the paste's first character: the paste is read to its end with it.
        if (input.outcome == decode_outcome::key &&
            is_mark(paste_start, pending_, pending_count_)) {
            paste_ = paste::awaiting_first;
            pending_count_ = 0;
        }
        if (input.outcome == decode_outcome::key) return give_unless_pasted(input);
    }
    return std::nullopt;
}
