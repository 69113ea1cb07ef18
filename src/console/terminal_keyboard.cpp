// The keyboard over the controlling terminal: /dev/tty, made raw for the wait, and key
// presses decoded from the bytes it sends.
#include "console/keyboard.h"
#include "console/terminal_reads.h"
#include "console/terminal_settings.h"
#include "console/vt_input.h"

namespace {

// The descriptor before the keyboard is opened; -1 once it failed to open.
constexpr int not_opened = -2;

struct terminal_keyboard {
    int fd = not_opened;
    terminal_input input;
    long long last_byte_ms = 0;  // when the last byte came, for the silence after it
};

terminal_keyboard keyboard;

}  // namespace

bool open_keyboard() noexcept
{
    if (keyboard.fd == not_opened) keyboard.fd = open_terminal_keyboard();
    return keyboard.fd >= 0;
}

bool make_keyboard_raw() noexcept
{
    if (!make_terminal_raw(keyboard.fd)) return false;
    keyboard.input.set_erase_character(found_terminal_settings().c_cc[VERASE]);
    return true;
}

void put_keyboard_back() noexcept { put_terminal_back(); }

std::optional<key_press> read_key_press() noexcept
{
    terminal_input& input = keyboard.input;
    for (;;) {
        if (const std::optional<key_press> press = input.next_key()) return press;
        const int timeout_ms = input.silence_timeout_ms();
        const long long deadline_ms = timeout_ms < 0 ? -1 : keyboard.last_byte_ms + timeout_ms;
        unsigned char byte = 0;
        switch (read_terminal_byte(keyboard.fd, byte, deadline_ms)) {
        case read_result::failed: return std::nullopt;
        case read_result::silence: input.add_silence(); break;
        case read_result::byte:
            keyboard.last_byte_ms = monotonic_ms();
            input.add(byte);
            break;
        }
    }
}
