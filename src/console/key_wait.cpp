#include "console/key_wait.h"
#include "console/scan_codes.h"

#include <array>
#include <cstddef>

namespace {

// A key's two codes in the PC keyboard convention: a first code of 0 or 224 marks a key
// without a character, and the second code then says which key it is.
struct key_codes {
    unsigned char first;
    unsigned char second;
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

// Indexed by scan code. Rows of keys with a character list the characters too, for the
// reader's sake: an entry counts only when its first code is 0 or 224.
constexpr std::array<scan_row, scan::scan_code_count> keys_by_scan_code{{
    /* 00          */ no_key,
    /* 01 Esc      */ {chr(0x1B), chr(0x1B), chr(0x1B), ext(0x01)},
    /* 02 1        */ {chr('1'), chr('!'), none, ext(0x78)},
    /* 03 2        */ {chr('2'), chr('@'), ext(0x03), ext(0x79)},
    /* 04 3        */ {chr('3'), chr('#'), none, ext(0x7A)},
    /* 05 4        */ {chr('4'), chr('$'), none, ext(0x7B)},
    /* 06 5        */ {chr('5'), chr('%'), none, ext(0x7C)},
    /* 07 6        */ {chr('6'), chr('^'), chr(0x1E), ext(0x7D)},
    /* 08 7        */ {chr('7'), chr('&'), none, ext(0x7E)},
    /* 09 8        */ {chr('8'), chr('*'), none, ext(0x7F)},
    /* 0A 9        */ {chr('9'), chr('('), none, ext(0x80)},
    /* 0B 0        */ {chr('0'), chr(')'), none, ext(0x81)},
    /* 0C -        */ {chr('-'), chr('_'), chr(0x1F), ext(0x82)},
    /* 0D =        */ {chr('='), chr('+'), none, ext(0x83)},
    /* 0E Backspace*/ {chr(0x08), chr(0x08), chr(0x7F), ext(0x0E)},
    /* 0F Tab      */ {chr(0x09), ext(0x0F), ext(0x94), ext(0xA5)},
    /* 10 Q        */ {chr('q'), chr('Q'), chr(0x11), ext(0x10)},
    /* 11 W        */ {chr('w'), chr('W'), chr(0x17), ext(0x11)},
    /* 12 E        */ {chr('e'), chr('E'), chr(0x05), ext(0x12)},
    /* 13 R        */ {chr('r'), chr('R'), chr(0x12), ext(0x13)},
    /* 14 T        */ {chr('t'), chr('T'), chr(0x14), ext(0x14)},
    /* 15 Y        */ {chr('y'), chr('Y'), chr(0x19), ext(0x15)},
    /* 16 U        */ {chr('u'), chr('U'), chr(0x15), ext(0x16)},
    /* 17 I        */ {chr('i'), chr('I'), chr(0x09), ext(0x17)},
    /* 18 O        */ {chr('o'), chr('O'), chr(0x0F), ext(0x18)},
    /* 19 P        */ {chr('p'), chr('P'), chr(0x10), ext(0x19)},
    /* 1A [        */ {chr('['), chr('{'), chr(0x1B), ext(0x1A)},
    /* 1B ]        */ {chr(']'), chr('}'), chr(0x1D), ext(0x1B)},
    /* 1C Enter    */ {chr(0x0D), chr(0x0D), chr(0x0A), ext(0x1C)},
    /* 1D Ctrl     */ no_key,
    /* 1E A        */ {chr('a'), chr('A'), chr(0x01), ext(0x1E)},
    /* 1F S        */ {chr('s'), chr('S'), chr(0x13), ext(0x1F)},
    /* 20 D        */ {chr('d'), chr('D'), chr(0x04), ext(0x20)},
    /* 21 F        */ {chr('f'), chr('F'), chr(0x06), ext(0x21)},
    /* 22 G        */ {chr('g'), chr('G'), chr(0x07), ext(0x22)},
    /* 23 H        */ {chr('h'), chr('H'), chr(0x08), ext(0x23)},
    /* 24 J        */ {chr('j'), chr('J'), chr(0x0A), ext(0x24)},
    /* 25 K        */ {chr('k'), chr('K'), chr(0x0B), ext(0x25)},
    /* 26 L        */ {chr('l'), chr('L'), chr(0x0C), ext(0x26)},
    /* 27 ;        */ {chr(';'), chr(':'), none, ext(0x27)},
    /* 28 '        */ {chr('\''), chr('"'), none, ext(0x28)},
    /* 29 `        */ {chr('`'), chr('~'), none, ext(0x29)},
    /* 2A Shift L  */ no_key,
    /* 2B \        */ {chr('\\'), chr('|'), chr(0x1C), none},
    /* 2C Z        */ {chr('z'), chr('Z'), chr(0x1A), ext(0x2C)},
    /* 2D X        */ {chr('x'), chr('X'), chr(0x18), ext(0x2D)},
    /* 2E C        */ {chr('c'), chr('C'), chr(0x03), ext(0x2E)},
    /* 2F V        */ {chr('v'), chr('V'), chr(0x16), ext(0x2F)},
    /* 30 B        */ {chr('b'), chr('B'), chr(0x02), ext(0x30)},
    /* 31 N        */ {chr('n'), chr('N'), chr(0x0E), ext(0x31)},
    /* 32 M        */ {chr('m'), chr('M'), chr(0x0D), ext(0x32)},
    /* 33 ,        */ {chr(','), chr('<'), none, ext(0x33)},
    /* 34 .        */ {chr('.'), chr('>'), none, ext(0x34)},
    /* 35 /        */ {chr('/'), chr('?'), none, ext(0x35)},
    /* 36 Shift R  */ no_key,
    /* 37 Keypad * */ {chr('*'), chr('*'), none, none},
    /* 38 Alt      */ no_key,
    /* 39 Space    */ {chr(' '), chr(' '), chr(' '), chr(' ')},
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
    /* 47 Keypad 7 */ {ext(0x47), chr('7'), ext(0x77), none},
    /* 48 Keypad 8 */ {ext(0x48), chr('8'), ext(0x8D), none},
    /* 49 Keypad 9 */ {ext(0x49), chr('9'), ext(0x84), none},
    /* 4A Keypad - */ {chr('-'), chr('-'), none, none},
    /* 4B Keypad 4 */ {ext(0x4B), chr('4'), ext(0x73), none},
    /* 4C Keypad 5 */ {none, chr('5'), none, none},
    /* 4D Keypad 6 */ {ext(0x4D), chr('6'), ext(0x74), none},
    /* 4E Keypad + */ {chr('+'), chr('+'), none, none},
    /* 4F Keypad 1 */ {ext(0x4F), chr('1'), ext(0x75), none},
    /* 50 Keypad 2 */ {ext(0x50), chr('2'), ext(0x91), none},
    /* 51 Keypad 3 */ {ext(0x51), chr('3'), ext(0x76), none},
    /* 52 Keypad 0 */ {ext(0x52), chr('0'), ext(0x92), none},
    /* 53 Keypad . */ {ext(0x53), chr('.'), ext(0x93), none},
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
            if (row.scan_code == scan_code) return column_for(row.codes, key.dwControlKeyState).first;
        }
        return std::nullopt;
    }
    // Keys beyond the table, found on newer keyboards, are ignored like keys without an entry.
    if (scan_code >= keys_by_scan_code.size()) return std::nullopt;
    const key_codes codes = column_for(keys_by_scan_code[scan_code], key.dwControlKeyState);
    const bool is_extended = (codes.first == 0x00 || codes.first == 0xE0) && codes.second != 0x00;
    if (!is_extended) return std::nullopt;
    return codes.first;
}

// The keyboard handle in its three states: not opened yet, open, or failed to open.
HANDLE keyboard = nullptr;

HANDLE open_keyboard() noexcept
{
    if (keyboard == nullptr) {
        keyboard = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr);
    }
    return keyboard;
}

int read_key_press(HANDLE console) noexcept
{
    for (;;) {
        INPUT_RECORD event{};
        DWORD events_read = 0;
        if (!ReadConsoleInputA(console, &event, 1, &events_read) || events_read == 0) return -1;
        if (const std::optional<int> code = key_code_of(event)) return *code;
    }
}

}  // namespace

std::optional<int> key_code_of(const INPUT_RECORD& event) noexcept
{
    if (event.EventType != KEY_EVENT) return std::nullopt;
    const KEY_EVENT_RECORD& key = event.Event.KeyEvent;
    if (!key.bKeyDown) return std::nullopt;
    const auto character = static_cast<unsigned char>(key.uChar.AsciiChar);
    if (character != 0) return character;
    return extended_key_code(key);
}

int wait_for_key(key_characters characters) noexcept
{
    const HANDLE console = open_keyboard();
    if (console == INVALID_HANDLE_VALUE) return -1;

    // A keyboard whose mode cannot be read cannot be put back either: leave it untouched.
    DWORD saved_mode = 0;
    if (!GetConsoleMode(console, &saved_mode)) return -1;

    constexpr UINT gbk_code_page = 936;
    const UINT saved_code_page = GetConsoleCP();
    const bool code_page_set = characters == key_characters::gbk && SetConsoleCP(gbk_code_page);

    // Mode 0: no line input, no echo, and Ctrl+C arrives as the key 3 instead of ending us.
    int key_code = -1;
    if (SetConsoleMode(console, 0)) key_code = read_key_press(console);
    SetConsoleMode(console, saved_mode);
    if (code_page_set) SetConsoleCP(saved_code_page);
    return key_code;
}
