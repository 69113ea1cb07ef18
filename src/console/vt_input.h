#pragma once
#include "console/keyboard.h"
#include "console/vt_decode.h"

#include <cstddef>
#include <optional>

// What the key reader remembers between the bytes of a key press: the bytes read so far, and
// whether a sequence, a string or a paste is being skipped to its end; and the key presses it
// gives the key wait. No system calls: the reader hands over each byte the terminal sends, and
// says when the terminal was silent for as long as silence_timeout_ms() asks.
class terminal_input {
public:
    // Whether the bytes so far may go on, so that the next read waits only for the silence
    // timeout; otherwise it may wait as long as it takes.
    bool expects_more() const noexcept
    {
        return pending_count_ > 0 || skipping_ != skip::none || paste_ != paste::none;
    }

    // How long the terminal may stay silent before the next byte, in milliseconds, until what
    // is pending counts as all there is of it: -1 (for ever) where nothing is.
    int silence_timeout_ms() const noexcept
    {
        if (paste_ != paste::none) return paste_timeout_ms;
        return expects_more() ? escape_timeout_ms : -1;
    }

    // A byte the terminal sent. Call next_key() after each.
    void add(unsigned char byte) noexcept;
    // Nothing came for the silence timeout: what is pending is all there is of it.
    void add_silence() noexcept;

    // The next complete key press among the bytes so far, after dropping what is no key;
    // empty while more bytes are needed. Its event keeps the first byte the terminal sent, and
    // its character is the Unicode one, however it came (see decoded_input::character).
    std::optional<key_press> next_key() noexcept;

    // The terminal's erase character (VERASE), which its Backspace key sends: where it is a
    // Backspace byte (^H or ^?) that byte gives the Backspace key, 8, as on a console; any
    // other (stty erase '#') is a key typing itself. None by default.
    void set_erase_character(unsigned char erase) noexcept
    {
        erase_ = erase == 0x08 || erase == 0x7F ? erase : 0;
    }

private:
    // A byte that follows ESC, or a character's lead byte, later than this comes from a new key
    // press. Terminals send a key's bytes in one burst; people do not type twice within 100 ms.
    static constexpr int escape_timeout_ms = 100;
    // A paste over a slow link (a large one over ssh) may pause for longer between its marks;
    // its text is read to the end mark until the link has been silent this long.
    static constexpr int paste_timeout_ms = 3000;

    // Longer than any key a terminal sends; longer sequences and strings are skipped.
    static constexpr std::size_t longest_kept = 64;

    enum class skip { none, sequence, string, string_after_escape };
    // A paste (with bracketed paste mode left on) is one input, as on a console its first
    // character is the key: that key is held while the rest is read up to the closing mark,
    // so neither the pasted text nor the mark reaches the shell to run as typed commands.
    enum class paste { none, awaiting_first, skipping_rest, complete };

    void keep(unsigned char byte) noexcept;
    void skip_pasted(unsigned char byte) noexcept;
    std::optional<key_press> end_paste() noexcept;
    std::optional<key_press> give_unless_pasted(const decoded_input& input) noexcept;

    unsigned char pending_[longest_kept]{};
    std::size_t pending_count_ = 0;
    bool silent_ = false;  // the terminal fell silent after the last pending byte
    skip skipping_ = skip::none;
    unsigned char erase_ = 0;
    paste paste_ = paste::none;
    std::size_t paste_end_matched_ = 0;  // bytes of the closing mark seen so far
    key_press pasted_{};                 // the paste's first character, given once it has ended
};
