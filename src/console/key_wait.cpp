#include "console/key_wait.h"
#include "console/scan_codes.h"
#include "cp936/cp936.h"
#include "cp936/gb18030.h"

#include <array>
#include <cstddef>

namespace {

// A key's two codes in the PC keyboard convention: a first code of 0 or 224 marks a key
// without a character, and the second code then says which key it is.
struct key_codes {
    unsigned char first;
    unsigned char second;
    constexpr bool operator==(const key_codes&) const = default;
};

struct scan_row {
    key_codes plain;
    key_codes shift;
    key_codes ctrl;
    key_codes alt;
};

constexpr key_codes none{0x00, 0x00};
constexpr key_codes chr(unsigned char character) { return {character, 0x00}; }
constexpr key_codes ext(unsigned char second) { return {0x00, second}; }
constexpr key_codes ext224(unsigned char second) { return {0xE0, second}; }

constexpr scan_row no_key{none, none, none, none};

// Indexed by scan code. Where a key types a character its character is the code, so the
// table has no entry there.
constexpr std::array<scan_row, scan::scan_code_count> keys_by_scan_code{{
    /* 00          */ no_key,
    /* 01 Esc      */ {none, none, none, ext(0x01)},
    /* 02 1        */ {none, none, none, ext(0x78)},
    /* 03 2        */ {none, none, ext(0x03), ext(0x79)},
    /* 04 3        */ {none, none, none, ext(0x7A)},
    /* 05 4        */ {none, none, none, ext(0x7B)},
    /* 06 5        */ {none, none, none, ext(0x7C)},
    /* 07 6        */ {none, none, none, ext(0x7D)},
    /* 08 7        */ {none, none, none, ext(0x7E)},
    /* 09 8        */ {none, none, none, ext(0x7F)},
    /* 0A 9        */ {none, none, none, ext(0x80)},
    /* 0B 0        */ {none, none, none, ext(0x81)},
    /* 0C -        */ {none, none, none, ext(0x82)},
    /* 0D =        */ {none, none, none, ext(0x83)},
    /* 0E Backspace*/ {none, none, none, ext(0x0E)},
    /* 0F Tab      */ {none, ext(0x0F), ext(0x94), ext(0xA5)},
    /* 10 Q        */ {none, none, none, ext(0x10)},
    /* 11 W        */ {none, none, none, ext(0x11)},
    /* 12 E        */ {none, none, none, ext(0x12)},
    /* 13 R        */ {none, none, none, ext(0x13)},
    /* 14 T        */ {none, none, none, ext(0x14)},
    /* 15 Y        */ {none, none, none, ext(0x15)},
    /* 16 U        */ {none, none, none, ext(0x16)},
    /* 17 I        */ {none, none, none, ext(0x17)},
    /* 18 O        */ {none, none, none, ext(0x18)},
    /* 19 P        */ {none, none, none, ext(0x19)},
    /* 1A [        */ {none, none, none, ext(0x1A)},
    /* 1B ]        */ {none, none, none, ext(0x1B)},
    /* 1C Enter    */ {none, none, none, ext(0x1C)},
    /* 1D Ctrl     */ no_key,
    /* 1E A        */ {none, none, none, ext(0x1E)},
    /* 1F S        */ {none, none, none, ext(0x1F)},
    /* 20 D        */ {none, none, none, ext(0x20)},
    /* 21 F        */ {none, none, none, ext(0x21)},
    /* 22 G        */ {none, none, none, ext(0x22)},
    /* 23 H        */ {none, none, none, ext(0x23)},
    /* 24 J        */ {none, none, none, ext(0x24)},
    /* 25 K        */ {none, none, none, ext(0x25)},
    /* 26 L        */ {none, none, none, ext(0x26)},
    /* 27 ;        */ {none, none, none, ext(0x27)},
    /* 28 '        */ {none, none, none, ext(0x28)},
    /* 29 `        */ {none, none, none, ext(0x29)},
    /* 2A Shift L  */ no_key,
    /* 2B \        */ no_key,
    /* 2C Z        */ {none, none, none, ext(0x2C)},
    /* 2D X        */ {none, none, none, ext(0x2D)},
    /* 2E C        */ {none, none, none, ext(0x2E)},
    /* 2F V        */ {none, none, none, ext(0x2F)},
    /* 30 B        */ {none, none, none, ext(0x30)},
    /* 31 N        */ {none, none, none, ext(0x31)},
    /* 32 M        */ {none, none, none, ext(0x32)},
    /* 33 ,        */ {none, none, none, ext(0x33)},
    /* 34 .        */ {none, none, none, ext(0x34)},
    /* 35 /        */ {none, none, none, ext(0x35)},
    /* 36 Shift R  */ no_key,
    /* 37 Keypad * */ no_key,
    /* 38 Alt      */ no_key,
    /* 39 Space    */ no_key,
    /* 3A Caps Lock*/ no_key,
    /* 3B F1       */ {ext(0x3B), ext(0x54), ext(0x5E), ext(0x68)},
    /* 3C F2       */ {ext(0x3C), ext(0x55), ext(0x5F), ext(0x69)},
    /* 3D F3       */ {ext(0x3D), ext(0x56), ext(0x60), ext(0x6A)},
    /* 3E F4       */ {ext(0x3E), ext(0x57), ext(0x61), ext(0x6B)},
    /* 3F F5       */ {ext(0x3F), ext(0x58), ext(0x62), ext(0x6C)},
    /* 40 F6       */ {ext(0x40), ext(0x59), ext(0x63), ext(0x6D)},
    /* 41 F7       */ {ext(0x41), ext(0x5A), ext(0x64), ext(0x6E)},
    /* 42 F8       */ {ext(0x42), ext(0x5B), ext(0x65), ext(0x6F)},
    /* 43 F9       */ {ext(0x43), ext(0x5C), ext(0x66), ext(0x70)},
    /* 44 F10      */ {ext(0x44), ext(0x5D), ext(0x67), ext(0x71)},
    /* 45 Num Lock */ no_key,
    /* 46 Scroll   */ no_key,
    // The numeric keypad with Num Lock off. Alt with a keypad digit starts a character
    // typed by its decimal code, so those entries are empty.
    /* 47 Keypad 7 */ {ext(0x47), none, ext(0x77), none},
    /* 48 Keypad 8 */ {ext(0x48), none, ext(0x8D), none},
    /* 49 Keypad 9 */ {ext(0x49), none, ext(0x84), none},
    /* 4A Keypad - */ no_key,
    /* 4B Keypad 4 */ {ext(0x4B), none, ext(0x73), none},
    /* 4C Keypad 5 */ no_key,
    /* 4D Keypad 6 */ {ext(0x4D), none, ext(0x74), none},
    /* 4E Keypad + */ no_key,
    /* 4F Keypad 1 */ {ext(0x4F), none, ext(0x75), none},
    /* 50 Keypad 2 */ {ext(0x50), none, ext(0x91), none},
    /* 51 Keypad 3 */ {ext(0x51), none, ext(0x76), none},
    /* 52 Keypad 0 */ {ext(0x52), none, ext(0x92), none},
    /* 53 Keypad . */ {ext(0x53), none, ext(0x93), none},
    /* 54 SysRq    */ no_key,
    /* 55          */ no_key,
    /* 56          */ no_key,
    /* 57 F11      */ {ext224(0x85), ext224(0x87), ext224(0x89), ext224(0x8B)},
    /* 58 F12      */ {ext224(0x86), ext224(0x88), ext224(0x8A), ext224(0x8C)},
}};

struct enhanced_row {
    unsigned char scan_code;
    scan_row codes;
};

// Keys the console flags as enhanced: the separate cursor block, keypad Enter and keypad /.
// Their entries count whatever the first code is.
constexpr std::array<enhanced_row, 12> enhanced_keys{{
    {scan::enter, {chr(0x0D), chr(0x0D), chr(0x0A), ext(0xA6)}},  // Keypad Enter
    {scan::slash, {chr('/'), chr('?'), ext(0x95), ext(0xA4)}},    // Keypad /
    {scan::home, {ext224(0x47), ext224(0x47), ext224(0x77), ext(0x97)}},
    {scan::up, {ext224(0x48), ext224(0x48), ext224(0x8D), ext(0x98)}},
    {scan::page_up, {ext224(0x49), ext224(0x49), ext224(0x86), ext(0x99)}},
    {scan::left, {ext224(0x4B), ext224(0x4B), ext224(0x73), ext(0x9B)}},
    {scan::right, {ext224(0x4D), ext224(0x4D), ext224(0x74), ext(0x9D)}},
    {scan::end, {ext224(0x4F), ext224(0x4F), ext224(0x75), ext(0x9F)}},
    {scan::down, {ext224(0x50), ext224(0x50), ext224(0x91), ext(0xA0)}},
    {scan::page_down, {ext224(0x51), ext224(0x51), ext224(0x76), ext(0xA1)}},
    {scan::insert, {ext224(0x52), ext224(0x52), ext224(0x92), ext(0xA2)}},
    {scan::del, {ext224(0x53), ext224(0x53), ext224(0x93), ext(0xA3)}},
}};

// Alt wins over Ctrl, and Ctrl over Shift.
const key_codes& column_for(const scan_row& row, DWORD control_key_state) noexcept
{
    if (control_key_state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) return row.alt;
    if (control_key_state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) return row.ctrl;
    if (control_key_state & SHIFT_PRESSED) return row.shift;
    return row.plain;
}

std::optional<int> extended_key_code(const KEY_EVENT_RECORD& key) noexcept
{
    const WORD scan_code = key.wVirtualScanCode;
    if (key.dwControlKeyState & ENHANCED_KEY) {
        for (const enhanced_row& row : enhanced_keys) {
            if (row.scan_code == scan_code) {
                return column_for(row.codes, key.dwControlKeyState).first;
            }
        }
        return std::nullopt;
    }
    // Keys beyond the table, found on newer keyboards, are ignored like keys without an entry.
    if (scan_code >= keys_by_scan_code.size()) return std::nullopt;
    const key_codes codes = column_for(keys_by_scan_code[scan_code], key.dwControlKeyState);
    if (codes == none) return std::nullopt;
    return codes.first;
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
