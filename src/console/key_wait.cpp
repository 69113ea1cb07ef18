#include "console/key_wait.h"
#include "console/scan_codes.h"
#include "cp936/cp936.h"
#include "cp936/gb18030.h"

#include <cstddef>
#include <span>

namespace {

// A key's two codes in the PC keyboard convention: a first code of 0 or 224 marks a key
// without a character, and the second code then says which key it is.
struct key_codes {
    unsigned char first;
    unsigned char second;
    constexpr bool operator==(const key_codes&) const = default;
};

// A key's codes, by its scan code, alone and with each modifier.
struct key_row {
    unsigned char scan_code;
    key_codes plain;
    key_codes shift;
    key_codes ctrl;
    key_codes alt;
};

constexpr key_codes none{0x00, 0x00};
constexpr key_codes chr(unsigned char character) { return {character, 0x00}; }
constexpr key_codes ext(unsigned char second) { return {0x00, second}; }
constexpr key_codes ext224(unsigned char second) { return {0xE0, second}; }

// Where a key types a character its character is the code, so the table has no entry there;
// a key without a row (Ctrl, Shift, keys of newer keyboards) ends no wait.
constexpr key_row keys_by_scan_code[] = {
    {0x01, none, none, none, ext(0x01)},                 // Esc
    {0x02, none, none, none, ext(0x78)},                 // 1
    {0x03, none, none, ext(0x03), ext(0x79)},            // 2
    {0x04, none, none, none, ext(0x7A)},                 // 3
    {0x05, none, none, none, ext(0x7B)},                 // 4
    {0x06, none, none, none, ext(0x7C)},                 // 5
    {0x07, none, none, none, ext(0x7D)},                 // 6
    {0x08, none, none, none, ext(0x7E)},                 // 7
    {0x09, none, none, none, ext(0x7F)},                 // 8
    {0x0A, none, none, none, ext(0x80)},                 // 9
    {0x0B, none, none, none, ext(0x81)},                 // 0
    {0x0C, none, none, none, ext(0x82)},                 // -
    {0x0D, none, none, none, ext(0x83)},                 // =
    {0x0E, none, none, none, ext(0x0E)},                 // Backspace
    {0x0F, none, ext(0x0F), ext(0x94), ext(0xA5)},       // Tab
    {0x10, none, none, none, ext(0x10)},                 // Q
    {0x11, none, none, none, ext(0x11)},                 // W
    {0x12, none, none, none, ext(0x12)},                 // E
    {0x13, none, none, none, ext(0x13)},                 // R
    {0x14, none, none, none, ext(0x14)},                 // T
    {0x15, none, none, none, ext(0x15)},                 // Y
    {0x16, none, none, none, ext(0x16)},                 // U
    {0x17, none, none, none, ext(0x17)},                 // I
    {0x18, none, none, none, ext(0x18)},                 // O
    {0x19, none, none, none, ext(0x19)},                 // P
    {0x1A, none, none, none, ext(0x1A)},                 // [
    {0x1B, none, none, none, ext(0x1B)},                 // ]
    {0x1C, none, none, none, ext(0x1C)},                 // Enter
    {0x1E, none, none, none, ext(0x1E)},                 // A
    {0x1F, none, none, none, ext(0x1F)},                 // S
    {0x20, none, none, none, ext(0x20)},                 // D
    {0x21, none, none, none, ext(0x21)},                 // F
    {0x22, none, none, none, ext(0x22)},                 // G
    {0x23, none, none, none, ext(0x23)},                 // H
    {0x24, none, none, none, ext(0x24)},                 // J
    {0x25, none, none, none, ext(0x25)},                 // K
    {0x26, none, none, none, ext(0x26)},                 // L
    {0x27, none, none, none, ext(0x27)},                 // ;
    {0x28, none, none, none, ext(0x28)},                 // '
    {0x29, none, none, none, ext(0x29)},                 // `
    {0x2C, none, none, none, ext(0x2C)},                 // Z
    {0x2D, none, none, none, ext(0x2D)},                 // X
    {0x2E, none, none, none, ext(0x2E)},                 // C
    {0x2F, none, none, none, ext(0x2F)},                 // V
    {0x30, none, none, none, ext(0x30)},                 // B
    {0x31, none, none, none, ext(0x31)},                 // N
    {0x32, none, none, none, ext(0x32)},                 // M
    {0x33, none, none, none, ext(0x33)},                 // ,
    {0x34, none, none, none, ext(0x34)},                 // .
    {0x35, none, none, none, ext(0x35)},                 // /
    {0x3B, ext(0x3B), ext(0x54), ext(0x5E), ext(0x68)},  // F1
    {0x3C, ext(0x3C), ext(0x55), ext(0x5F), ext(0x69)},  // F2
    {0x3D, ext(0x3D), ext(0x56), ext(0x60), ext(0x6A)},  // F3
    {0x3E, ext(0x3E), ext(0x57), ext(0x61), ext(0x6B)},  // F4
    {0x3F, ext(0x3F), ext(0x58), ext(0x62), ext(0x6C)},  // F5
    {0x40, ext(0x40), ext(0x59), ext(0x63), ext(0x6D)},  // F6
    {0x41, ext(0x41), ext(0x5A), ext(0x64), ext(0x6E)},  // F7
    {0x42, ext(0x42), ext(0x5B), ext(0x65), ext(0x6F)},  // F8
    {0x43, ext(0x43), ext(0x5C), ext(0x66), ext(0x70)},  // F9
    {0x44, ext(0x44), ext(0x5D), ext(0x67), ext(0x71)},  // F10
    // The numeric keypad with Num Lock off. Alt with a keypad digit starts a character
    // typed by its decimal code, so those entries are empty.
    {0x47, ext(0x47), none, ext(0x77), none},                        // Keypad 7
    {0x48, ext(0x48), none, ext(0x8D), none},                        // Keypad 8
    {0x49, ext(0x49), none, ext(0x84), none},                        // Keypad 9
    {0x4B, ext(0x4B), none, ext(0x73), none},                        // Keypad 4
    {0x4D, ext(0x4D), none, ext(0x74), none},                        // Keypad 6
    {0x4F, ext(0x4F), none, ext(0x75), none},                        // Keypad 1
    {0x50, ext(0x50), none, ext(0x91), none},                        // Keypad 2
    {0x51, ext(0x51), none, ext(0x76), none},                        // Keypad 3
    {0x52, ext(0x52), none, ext(0x92), none},                        // Keypad 0
    {0x53, ext(0x53), none, ext(0x93), none},                        // Keypad .
    {0x57, ext224(0x85), ext224(0x87), ext224(0x89), ext224(0x8B)},  // F11
    {0x58, ext224(0x86), ext224(0x88), ext224(0x8A), ext224(0x8C)},  // F12
};

// Keys the console flags as enhanced: the separate cursor block, keypad Enter and keypad /.
// Their entries count whatever the first code is.
constexpr key_row enhanced_keys[] = {
    {scan::enter, chr(0x0D), chr(0x0D), chr(0x0A), ext(0xA6)},  // Keypad Enter
    {scan::slash, chr('/'), chr('?'), ext(0x95), ext(0xA4)},    // Keypad /
    {scan::home, ext224(0x47), ext224(0x47), ext224(0x77), ext(0x97)},
    {scan::up, ext224(0x48), ext224(0x48), ext224(0x8D), ext(0x98)},
    {scan::page_up, ext224(0x49), ext224(0x49), ext224(0x86), ext(0x99)},
    {scan::left, ext224(0x4B), ext224(0x4B), ext224(0x73), ext(0x9B)},
    {scan::right, ext224(0x4D), ext224(0x4D), ext224(0x74), ext(0x9D)},
    {scan::end, ext224(0x4F), ext224(0x4F), ext224(0x75), ext(0x9F)},
    {scan::down, ext224(0x50), ext224(0x50), ext224(0x91), ext(0xA0)},
    {scan::page_down, ext224(0x51), ext224(0x51), ext224(0x76), ext(0xA1)},
    {scan::insert, ext224(0x52), ext224(0x52), ext224(0x92), ext(0xA2)},
    {scan::del, ext224(0x53), ext224(0x53), ext224(0x93), ext(0xA3)},
};

// Alt wins over Ctrl, and Ctrl over Shift.
const key_codes& column_for(const key_row& row, DWORD control_key_state) noexcept
{
    if (control_key_state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) return row.alt;
    if (control_key_state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) return row.ctrl;
    if (control_key_state & SHIFT_PRESSED) return row.shift;
    return row.plain;
}

std::optional<int> extended_key_code(const KEY_EVENT_RECORD& key) noexcept
{
    const std::span<const key_row> rows = key.dwControlKeyState & ENHANCED_KEY
                                              ? std::span<const key_row>(enhanced_keys)
                                              : std::span<const key_row>(keys_by_scan_code);
    for (const key_row& row : rows) {
        if (row.scan_code != key.wVirtualScanCode) continue;
        const key_codes codes = column_for(row, key.dwControlKeyState);
        if (codes == none) return std::nullopt;
        return codes.first;
    }
    return std::nullopt;
}

// The first byte of a typed character's code in the encoding the wait gives codes in. The one
// place to add an encoding.
unsigned char first_byte_of(const key_press& press, key_characters characters) noexcept
{
    const auto as_typed = static_cast<unsigned char>(press.key.uChar.AsciiChar);
    if (press.character == 0) return as_typed;
    switch (characters) {
    case key_characters::as_typed: break;
    case key_characters::gbk: {
        // The code page's exact pairs, as the listing converts: no best-fit mapping (Windows
        // would give the yen sign's A3 A4, the fullwidth one's code). A character without a
        // code gives '?', as a code page 936 console gives it.
        unsigned char gbk[2];
        return put_gbk(press.character, gbk) > 0 ? gbk[0] : '?';
    }
    case key_characters::gb18030: {
        // From the project's own table, also on Windows, whose code page 54936 follows an
        // earlier edition.
        unsigned char code[4];
        return put_gb18030(press.character, code) > 0 ? code[0] : '?';
    }
    }
    return as_typed;
}

}  // namespace

std::optional<int> key_code_of(const INPUT_RECORD& event) noexcept
{
    if (event.EventType != KEY_EVENT) return std::nullopt;
    const KEY_EVENT_RECORD& key = event.Event.KeyEvent;
    const auto character = static_cast<unsigned char>(key.uChar.AsciiChar);
    if (character != 0 && (key.bKeyDown || key.wVirtualKeyCode == VK_MENU)) return character;
    if (!key.bKeyDown) return std::nullopt;
    return extended_key_code(key);
}

std::optional<int> key_code_of(const key_press& press, key_characters characters) noexcept
{
    INPUT_RECORD event{};
    event.EventType = KEY_EVENT;
    event.Event.KeyEvent = press.key;
    event.Event.KeyEvent.uChar.AsciiChar = static_cast<CHAR>(first_byte_of(press, characters));
    return key_code_of(event);
}

int wait_for_key(key_characters characters) noexcept
{
    if (!open_keyboard() || !make_keyboard_raw()) return -1;
    std::optional<int> key_code;
    while (!key_code) {
        const std::optional<key_press> press = read_key_press();
        if (!press) break;
        key_code = key_code_of(*press, characters);
    }
    put_keyboard_back();
    return key_code.value_or(-1);
}
