#include "console/vt_decode.h"
#include "common/utf16.h"
#include "common/utf8.h"
#include "console/scan_codes.h"
#include "cp936/cp936.h"
#include "cp936/gb18030.h"

namespace {

using vt::bell;
using vt::escape;
using vt::is_final_byte;
using vt::is_intermediate_byte;
using vt::is_parameter_byte;

// How a sequence begins after ESC: CSI is ESC [, SS3 is ESC O, and the Linux console sends
// its F1 to F5 as ESC [ [ and a letter.
enum class introducer : unsigned char { csi, ss3, csi_bracket };

// The number of a sequence that has no parameters at all. Most keys read that as 1, but st
// tells some keys apart by it: ESC [ P is its Delete, where ESC [ 1 ; 2 P is Shift+F1.
constexpr unsigned no_parameters = 0;

struct sequence_key {
    introducer form;
    unsigned char number;  // the first parameter
    unsigned char final_byte;
    WORD scan_code;
    DWORD state;         // ENHANCED_KEY where a console sets it, and modifiers a form implies
    char character = 0;  // for the keypad keys that type one
};

constexpr DWORD shift = SHIFT_PRESSED;
constexpr DWORD ctrl = LEFT_CTRL_PRESSED;
constexpr DWORD alt = LEFT_ALT_PRESSED;
// The separate cursor block, keypad Enter and keypad / are what a console flags as enhanced.
constexpr DWORD enhanced = ENHANCED_KEY;

constexpr introducer csi = introducer::csi;
constexpr introducer ss3 = introducer::ss3;
constexpr introducer csi_bracket = introducer::csi_bracket;

constexpr WORD function_key(unsigned number) { return static_cast<WORD>(scan::f1 + number - 1); }

// The keys a terminal sends as sequences, in the xterm, VT220, rxvt, st and Linux console
// forms, as the console's scan code and flags.
// clang-format off
constexpr sequence_key keys_by_sequence[] = {
    // Cursor block, plain and in application cursor mode.
    {csi, 1, 'A', scan::up, enhanced}, {ss3, 1, 'A', scan::up, enhanced},
    {csi, 1, 'B', scan::down, enhanced}, {ss3, 1, 'B', scan::down, enhanced},
    {csi, 1, 'C', scan::right, enhanced}, {ss3, 1, 'C', scan::right, enhanced},
    {csi, 1, 'D', scan::left, enhanced}, {ss3, 1, 'D', scan::left, enhanced},
    {csi, 1, 'H', scan::home, enhanced}, {ss3, 1, 'H', scan::home, enhanced},
    {csi, 1, 'F', scan::end, enhanced}, {ss3, 1, 'F', scan::end, enhanced},
    // rxvt: Shift+arrow as CSI and a small letter, Ctrl+arrow as SS3 and a small letter.
    {csi, 1, 'a', scan::up, enhanced | shift}, {ss3, 1, 'a', scan::up, enhanced | ctrl},
    {csi, 1, 'b', scan::down, enhanced | shift}, {ss3, 1, 'b', scan::down, enhanced | ctrl},
    {csi, 1, 'c', scan::right, enhanced | shift}, {ss3, 1, 'c', scan::right, enhanced | ctrl},
    {csi, 1, 'd', scan::left, enhanced | shift}, {ss3, 1, 'd', scan::left, enhanced | ctrl},
    // Editing keys as VT220 numbers; rxvt sends Home and End as 7 and 8.
    {csi, 1, '~', scan::home, enhanced}, {csi, 7, '~', scan::home, enhanced},
    {csi, 4, '~', scan::end, enhanced}, {csi, 8, '~', scan::end, enhanced},
    {csi, 2, '~', scan::insert, enhanced}, {csi, 3, '~', scan::del, enhanced},
    {csi, 5, '~', scan::page_up, enhanced}, {csi, 6, '~', scan::page_down, enhanced},
    // st outside application keypad mode sends editing keys as the editing commands of a
    // terminal. Its Ctrl+Delete, ESC [ M, is told from a mouse report by the silence after it.
    {csi, no_parameters, 'P', scan::del, enhanced},
    {csi, 4, 'h', scan::insert, enhanced},
    {csi, 4, 'l', scan::insert, enhanced | shift},
    {csi, no_parameters, 'L', scan::insert, enhanced | ctrl},
    {csi, 2, 'K', scan::del, enhanced | shift},
    {csi, no_parameters, 'M', scan::del, enhanced | ctrl},
    {csi, 2, 'J', scan::home, enhanced | shift},
    {csi, no_parameters, 'K', scan::end, enhanced | shift},
    {csi, no_parameters, 'J', scan::end, enhanced | ctrl},
    // F1 to F4: SS3 letters in xterm, CSI letters when modified, numbers in rxvt.
    {ss3, 1, 'P', function_key(1), 0}, {csi, 1, 'P', function_key(1), 0},
    {ss3, 1, 'Q', function_key(2), 0}, {csi, 1, 'Q', function_key(2), 0},
    {ss3, 1, 'R', function_key(3), 0}, {csi, 1, 'R', function_key(3), 0},
    {ss3, 1, 'S', function_key(4), 0}, {csi, 1, 'S', function_key(4), 0},
    {csi, 11, '~', function_key(1), 0}, {csi, 12, '~', function_key(2), 0},
    {csi, 13, '~', function_key(3), 0}, {csi, 14, '~', function_key(4), 0},
    {csi, 15, '~', function_key(5), 0}, {csi, 17, '~', function_key(6), 0},
    {csi, 18, '~', function_key(7), 0}, {csi, 19, '~', function_key(8), 0},
    {csi, 20, '~', function_key(9), 0}, {csi, 21, '~', function_key(10), 0},
    // PuTTY's VT100+ mode goes on with SS3 letters up to F12; its F9, SS3 X, is left to
    // xterm's keypad =.
    {ss3, 1, 'T', function_key(5), 0}, {ss3, 1, 'U', function_key(6), 0},
    {ss3, 1, 'V', function_key(7), 0}, {ss3, 1, 'W', function_key(8), 0},
    {ss3, 1, 'Y', function_key(10), 0},
    {ss3, 1, 'Z', scan::f11, 0}, {ss3, 1, '[', scan::f12, 0},
    // F11 and F12. rxvt and the Linux console send the same for Shift+F1 and Shift+F2, and
    // F13 to F20 for Shift+F3 to Shift+F10.
    {csi, 23, '~', scan::f11, 0}, {csi, 24, '~', scan::f12, 0},
    {csi, 25, '~', function_key(3), shift}, {csi, 26, '~', function_key(4), shift},
    {csi, 28, '~', function_key(5), shift}, {csi, 29, '~', function_key(6), shift},
    {csi, 31, '~', function_key(7), shift}, {csi, 32, '~', function_key(8), shift},
    {csi, 33, '~', function_key(9), shift}, {csi, 34, '~', function_key(10), shift},
    {csi, 22, '~', function_key(10), shift},  // in macOS Terminal before 10.7
    {csi_bracket, 1, 'A', function_key(1), 0}, {csi_bracket, 1, 'B', function_key(2), 0},
    {csi_bracket, 1, 'C', function_key(3), 0}, {csi_bracket, 1, 'D', function_key(4), 0},
    {csi_bracket, 1, 'E', function_key(5), 0},
    {csi, 1, 'Z', scan::tab, shift},  // Shift+Tab
    // The keypad in application keypad mode. Its digits and . come as SS3 p to y and n with
    // Num Lock off, and so give what a console gives then; keypad 5 gives nothing there and
    // is left out, to be dropped. SS3 l is PuTTY's keypad + (xterm's keypad comma, a key PC
    // keyboards lack).
    {ss3, 1, 'M', scan::enter, enhanced},
    {ss3, 1, 'o', scan::slash, enhanced},
    {ss3, 1, 'j', scan::keypad_star, 0, '*'},
    {ss3, 1, 'k', scan::keypad_plus, 0, '+'},
    {ss3, 1, 'l', scan::keypad_plus, 0, '+'},
    {ss3, 1, 'm', scan::keypad_minus, 0, '-'},
    {ss3, 1, 'X', 0, 0, '='},
    {ss3, 1, 'p', scan::insert, 0}, {ss3, 1, 'q', scan::end, 0}, {ss3, 1, 'r', scan::down, 0},
    {ss3, 1, 's', scan::page_down, 0}, {ss3, 1, 't', scan::left, 0},
    {ss3, 1, 'v', scan::right, 0}, {ss3, 1, 'w', scan::home, 0}, {ss3, 1, 'x', scan::up, 0},
    {ss3, 1, 'y', scan::page_up, 0}, {ss3, 1, 'n', scan::del, 0},
};
// clang-format on

// rxvt ends a number sequence in $, ^ or @ instead of ~ to say Shift, Ctrl or both.
constexpr DWORD rxvt_state_of(unsigned char final_byte)
{
    switch (final_byte) {
    case '$': return shift;
    case '^': return ctrl;
    case '@': return ctrl | shift;
    default: return 0;
    }
}

// The modifier parameter of xterm's CSI 1;m X and CSI n;m ~, and of CSI u, is 1 plus a bit
// set. Bits for keys a console has no flag for (Super, Hyper, the lock keys) are left out.
constexpr unsigned highest_modifier = 256;
constexpr DWORD state_of_modifier(unsigned modifier)
{
    const unsigned bits = modifier - 1;
    DWORD state = 0;
    if (bits & 1) state |= shift;
    if (bits & (2 | 8)) state |= alt;  // Alt, and Meta where a terminal tells them apart
    if (bits & 4) state |= ctrl;
    return state;
}

KEY_EVENT_RECORD key_event(CHAR character, WORD scan_code, DWORD state)
{
    return {.bKeyDown = TRUE,
            .wRepeatCount = 1,
            .wVirtualKeyCode = 0,
            .wVirtualScanCode = scan_code,
            .uChar = {.AsciiChar = character},
            .dwControlKeyState = state};
}

KEY_EVENT_RECORD escape_key() { return key_event(escape, scan::escape, 0); }

// A byte that is a key on its own. NUL is what Ctrl+2 (Ctrl+@) types, so it becomes that key.
KEY_EVENT_RECORD plain_key(unsigned char byte, DWORD state)
{
    if (byte == 0x00) return key_event(0, scan::digit_2, state | ctrl);
    return key_event(static_cast<CHAR>(byte), 0, state);
}

decoded_input found(std::size_t length, const KEY_EVENT_RECORD& key, char32_t character = 0)
{
    return {decode_outcome::key, length, key, character};
}
decoded_input dropped(std::size_t length) { return {decode_outcome::ignore, length, {}, 0}; }
decoded_input incomplete() { return {decode_outcome::need_more, 0, {}, 0}; }

// ESC and these open OSC, DCS, SOS, PM and APC strings: terminal replies, never keys.
constexpr bool opens_string(unsigned char byte)
{
    return byte == ']' || byte == 'P' || byte == 'X' || byte == '^' || byte == '_';
}

// A character's bytes and the character they make: 0 where they make none (a byte alone, an
// EUC-JP kanji), and a length of 0 while more of them may follow.
struct character_span {
    std::size_t length;
    char32_t character;
};

constexpr bool is_digit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

// The character starting `bytes`. UTF-8 wins where both readings fit, as UTF-8 terminals are
// the common case; a byte that fits no reading is a key of its own.
character_span span_of_character(const unsigned char* bytes, std::size_t count,
                                 bool more_may_follow)
{
    const unsigned char lead = bytes[0];
    const character_span alone{1, 0};
    const character_span pending{0, 0};
    if (lead < 0x80) return alone;
    const std::size_t utf8 = utf8_length(lead);
    if (utf8 > 0) {
        std::size_t fitting = 1;
        while (fitting < count && fitting < utf8 && continues_utf8(lead, fitting, bytes[fitting])) {
            ++fitting;
        }
        if (fitting == utf8) return {utf8, decode_utf8(bytes, utf8)};
        if (fitting == count && more_may_follow) return pending;
    }
    if (!is_gbk_lead(lead)) return alone;
    if (count < 2) return more_may_follow ? pending : alone;
    const character_span gbk_pair{2, unicode_of_gbk_pair(lead, bytes[1])};
    // EUC-JP writes the supplementary kanji as 8F and two bytes A1 to FE; its first two are
    // a GBK pair too, so the byte after them decides.
    constexpr unsigned char euc_jp_lead = 0x8F;
    const auto is_euc_jp_byte = [](unsigned char byte) { return byte >= 0xA1 && byte <= 0xFE; };
    if (lead == euc_jp_lead && is_euc_jp_byte(bytes[1])) {
        if (count < 3) return more_may_follow ? pending : gbk_pair;
        if (is_euc_jp_byte(bytes[2])) return {3, 0};
    }
    if (is_gbk_trail(bytes[1])) return gbk_pair;
    // GB18030's four bytes: a lead, a digit, a lead, a digit.
    if (!is_digit(bytes[1]) || (count > 2 && !is_gbk_lead(bytes[2])) ||
        (count > 3 && !is_digit(bytes[3]))) {
        return alone;
    }
    if (count < 4) return more_may_follow ? pending : alone;
    // A code of that form that no character has yet is still one key press.
    const char32_t character = read_gb18030(bytes, 4, false).character;
    return {4, character != 0 ? character : replacement_character};
}

decoded_input decode_character(const unsigned char* bytes, std::size_t count, bool more_may_follow)
{
    const character_span span = span_of_character(bytes, count, more_may_follow);
    if (span.length == 0) return incomplete();
    return found(span.length, plain_key(bytes[0], 0), span.character);
}

// A string runs from ESC and its opener to ST (ESC \) or BEL. Another ESC cuts it short and
// starts the next input.
decoded_input decode_string(const unsigned char* bytes, std::size_t count, bool more_may_follow)
{
    for (std::size_t at = 2; at < count; ++at) {
        if (bytes[at] == bell) return dropped(at + 1);
        if (bytes[at] != escape || at + 1 == count) continue;
        return dropped(bytes[at + 1] == '\\' ? at + 2 : at);
    }
    return more_may_follow ? incomplete() : dropped(count);
}

// What Ctrl with a character types on a PC keyboard: the control code of a letter or of
// @ [ \ ] ^ _, NUL for 2 and Space, 1E for 6, 1F for -, LF for Enter; other keys keep theirs.
constexpr unsigned with_ctrl(unsigned character)
{
    if (character >= 'a' && character <= 'z') return character - 'a' + 1;
    if (character >= '@' && character <= '_') return character - '@';
    if (character == ' ' || character == '2') return 0x00;
    if (character == '6') return 0x1E;
    if (character == '-') return 0x1F;
    if (character == '\r') return '\n';
    return character;
}

// With every key reported as a code, the CSI u form gives the keypad's keys codes of their
// own from 57399 on: what they type with Num Lock on, then the keys they are with it off,
// which give what SS3 p to y and n give.
constexpr unsigned long keypad_first = 57399;
constexpr char keypad_characters[] = "0123456789./*-+\r=,";
constexpr char keypad_without_num_lock[] = "tvxryswqpn";  // Left ... Insert, Delete
constexpr unsigned long keypad_navigation_first = keypad_first + sizeof keypad_characters - 1;

const sequence_key* find_key(introducer form, unsigned long number, unsigned char final_byte)
{
    for (const sequence_key& row : keys_by_sequence) {
        if (row.form == form && row.number == number && row.final_byte == final_byte) return &row;
    }
    return nullptr;
}

// A control sequence read once into its parts: up to three decimal parameters separated by
// ';' (an empty one counts as 1), and of the sub-parameters the CSI u form may add after ':'
// the key's shifted code after its own and the event type after the modifier (2 a repeat, 3
// a release). The text's further code points and the base layout key are skipped.
struct control_sequence {
    introducer form;
    std::size_t length;  // from the first byte to the final one
    std::size_t count;   // parameters given; 0 for none at all
    unsigned long values[3];
    unsigned long shifted_key;  // 0 where not reported
    unsigned long event_type;
    unsigned char final_byte;
};

constexpr unsigned long key_release = 3;

// Parses the parameter bytes; false for anything else in them (private markers, more
// parameters, numbers beyond any code point): a report of the terminal's, not a key.
bool parse_parameters(const unsigned char* bytes, std::size_t count, control_sequence& sequence)
{
    constexpr unsigned long largest = 0x10FFFF;  // the highest code point CSI u may report
    sequence.count = count == 0 ? 0 : 1;
    bool has_digits = false;
    std::size_t sub_parameter = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char byte = bytes[i];
        unsigned long* value = nullptr;
        if (sub_parameter == 0) value = &sequence.values[sequence.count - 1];
        if (sub_parameter == 1 && sequence.count == 1) value = &sequence.shifted_key;
        if (sub_parameter == 1 && sequence.count == 2) value = &sequence.event_type;
        if (byte == ';' && sequence.count < 3) {
            ++sequence.count;
            has_digits = false;
            sub_parameter = 0;
        } else if (byte == ':') {
            ++sub_parameter;
            has_digits = false;
        } else if (is_digit(byte)) {
            if (value == nullptr) continue;
            *value = (has_digits ? *value * 10 : 0) + (byte - '0');
            has_digits = true;
            if (*value > largest) return false;
        } else {
            return false;
        }
    }
    return true;
}

// A key reported by its character, as xterm's modifyOtherKeys (CSI 27;m;c ~) and the CSI u
// keyboard form (CSI c;m u) do, becomes the key event a console gives for what it types.
// `applied`: the modifiers the character already carries (Shift for CSI u's shifted key, Shift
// and Ctrl for its text); the others are applied as to any key.
decoded_input character_key(std::size_t length, unsigned long code_point, DWORD state,
                            DWORD applied = 0)
{
    constexpr unsigned long private_use_first = 0xE000;  // CSI u's keys without a character
    constexpr unsigned long private_use_last = 0xF8FF;
    if (code_point >= keypad_first && code_point < keypad_navigation_first) {
        code_point = static_cast<unsigned char>(keypad_characters[code_point - keypad_first]);
    } else if (code_point >= keypad_navigation_first &&
               code_point < keypad_navigation_first + sizeof keypad_without_num_lock - 1) {
        const sequence_key* row =
            find_key(ss3, 1, keypad_without_num_lock[code_point - keypad_navigation_first]);
        return found(length, key_event(row->character, row->scan_code, state | row->state));
    }
    if (code_point == 0 || code_point > 0x10FFFF || is_high_surrogate(code_point) ||
        is_low_surrogate(code_point) ||
        (code_point >= private_use_first && code_point <= private_use_last)) {
        return dropped(length);
    }
    // Shift+Tab and Ctrl+Tab type nothing: they are keys with extended codes.
    if (code_point == '\t' && (state & (shift | ctrl))) {
        return found(length, key_event(0, scan::tab, state));
    }
    auto character = static_cast<unsigned>(code_point);
    if (!(applied & ctrl) && (state & ctrl)) {
        character = with_ctrl(character);
    } else if (!(applied & shift) && (state & shift) && character >= 'a' && character <= 'z') {
        character -= 'a' - 'A';
    }
    // Beyond ASCII, the first byte of the character in UTF-8, as typing it would give.
    unsigned char utf8[4];
    put_utf8(character, utf8);
    return found(length, plain_key(utf8[0], state), character < 0x80 ? 0 : character);
}

// The CSI u form: the key's code, or what it types where the terminal reports that too.
decoded_input csi_u_key(const control_sequence& sequence, DWORD state)
{
    if (sequence.count == 3) {
        return character_key(sequence.length, sequence.values[2], state, shift | ctrl);
    }
    if (sequence.shifted_key != 0 && (state & shift)) {
        return character_key(sequence.length, sequence.shifted_key, state, shift);
    }
    return character_key(sequence.length, sequence.values[0], state);
}

// The key a whole control sequence stands for, by its form: rxvt's finals, modifyOtherKeys,
// CSI u, or a row of the table.
decoded_input key_of(const control_sequence& sequence)
{
    const std::size_t length = sequence.length;
    if (sequence.event_type == key_release) return dropped(length);
    const unsigned char final_byte = sequence.final_byte;
    const unsigned char table_final = rxvt_state_of(final_byte) != 0 ? '~' : final_byte;
    const unsigned long number = sequence.count == 0 ? no_parameters : sequence.values[0];
    unsigned long modifier = sequence.values[1];
    const sequence_key* row =
        sequence.count <= 2 ? find_key(sequence.form, number, table_final) : nullptr;
    // The number 1 left out (ESC [ A), or the modifier as the only parameter, as Konsole, old
    // xterms and macOS Terminal send it: ESC O 5 C and ESC [ 5 C are Ctrl+Right.
    if (row == nullptr && sequence.count <= 1 && table_final != '~') {
        row = find_key(sequence.form, 1, table_final);
        if (row != nullptr && sequence.count == 1) modifier = number;
    }
    if (modifier == 0 || modifier > highest_modifier) return dropped(length);
    const DWORD state =
        state_of_modifier(static_cast<unsigned>(modifier)) | rxvt_state_of(final_byte);
    if (sequence.form == csi && final_byte == '~' && sequence.count == 3 &&
        sequence.values[0] == 27) {
        return character_key(length, sequence.values[2], state);
    }
    if (sequence.form == csi && final_byte == 'u' && sequence.count >= 1) {
        return csi_u_key(sequence, state);
    }
    if (row == nullptr) return dropped(length);  // focus reports, paste marks, unknown keys
    return found(length, key_event(row->character, row->scan_code, state | row->state));
}

decoded_input key_of(introducer form, std::size_t length, const unsigned char* parameter_bytes,
                     std::size_t parameter_count, unsigned char final_byte)
{
    control_sequence sequence{form, length, 0, {1, 1, 1}, 0, 1, final_byte};
    if (!parse_parameters(parameter_bytes, parameter_count, sequence)) return dropped(length);
    return key_of(sequence);
}

// An X10 mouse report is ESC [ M and three bytes of button and position, each 20 or above.
// Alone, or with fewer bytes before the terminal falls silent, ESC [ M is st's Ctrl+Delete.
constexpr std::size_t mouse_report_length = 3;

// Where the report's three values starting at `at` end, or 0 while more may follow. With
// the UTF-8 mouse mode a value from 80 up (a column or row beyond 95) takes two bytes.
std::size_t end_of_mouse_report(const unsigned char* bytes, std::size_t count, std::size_t at)
{
    for (std::size_t value = 0; value < mouse_report_length; ++value) {
        if (at >= count) return 0;
        const bool two_bytes = utf8_length(bytes[at]) == 2;
        if (two_bytes && at + 1 == count) return 0;
        at += two_bytes && is_utf8_continuation(bytes[at + 1]) ? 2 : 1;
    }
    return at;
}

decoded_input decode_mouse_report_or_key(const unsigned char* bytes, std::size_t count,
                                         std::size_t after, bool more_may_follow)
{
    if (after == count && more_may_follow) return incomplete();
    const bool report_follows = after < count && bytes[after] >= 0x20;
    if (!report_follows) return key_of(csi, after, nullptr, 0, 'M');
    const std::size_t report_end = end_of_mouse_report(bytes, count, after);
    if (report_end != 0) return dropped(report_end);
    if (more_may_follow) return incomplete();
    // Three bytes are a whole report of the plain mode, whose values from 80 up are one
    // byte each (a click beyond column 161 may look like the UTF-8 mode's two).
    if (count == after + mouse_report_length) return dropped(count);
    // A report comes in one burst: cut short by silence, it was Ctrl+Delete and keys
    // typed right after it, which go with it rather than leave the wait with none.
    return key_of(csi, count, nullptr, 0, 'M');
}

// Decodes the sequence whose introducer ends at `start` (ESC [, ESC O, or their 8-bit forms).
decoded_input decode_sequence(const unsigned char* bytes, std::size_t count, std::size_t start,
                              introducer form, bool more_may_follow)
{
    if (form == csi && start < count && bytes[start] == '[') {
        if (start + 1 == count) return more_may_follow ? incomplete() : dropped(count);
        const unsigned char final_byte = bytes[start + 1];
        if (!is_final_byte(final_byte)) return dropped(start + 1);
        return key_of(csi_bracket, start + 2, nullptr, 0, final_byte);
    }
    if (form == csi && start < count && bytes[start] == 'M') {
        return decode_mouse_report_or_key(bytes, count, start + 1, more_may_follow);
    }
    std::size_t at = start;
    while (at < count && is_parameter_byte(bytes[at])) ++at;
    const std::size_t parameters_end = at;
    // rxvt ends Shift+key sequences in $, which is an intermediate byte in the standard form.
    if (at < count && bytes[at] == '$' && form == csi) {
        return key_of(form, at + 1, bytes + start, parameters_end - start, '$');
    }
    while (at < count && is_intermediate_byte(bytes[at])) ++at;
    if (at == count) return more_may_follow ? incomplete() : dropped(count);
    const unsigned char final_byte = bytes[at];
    // A control byte or a new ESC cuts the sequence short; that byte starts the next input.
    if (!is_final_byte(final_byte)) return dropped(at);
    if (parameters_end != at) return dropped(at + 1);  // intermediates: no key uses them
    return key_of(form, at + 1, bytes + start, parameters_end - start, final_byte);
}

// What the bytes after an Alt's ESC make, with Alt added.
decoded_input with_alt(decoded_input rest)
{
    if (rest.outcome == decode_outcome::need_more) return rest;
    ++rest.length;
    rest.key.dwControlKeyState |= alt;
    return rest;
}

// Decodes what starts with ESC. After ESC, silence means the Esc key itself; a byte straight
// after it is Alt with the key it begins (decoded as if alone), unless it opens a sequence or
// a string. `may_be_alt` is false for the ESC after an Alt's own: there Esc is a key of its
// own unless a sequence follows (ESC ESC is Alt+Esc, ESC ESC [ A rxvt's Alt+Up).
decoded_input decode_escape(const unsigned char* bytes, std::size_t count, bool more_may_follow,
                            bool may_be_alt)
{
    if (count == 1) return more_may_follow ? incomplete() : found(1, escape_key());
    const unsigned char next = bytes[1];
    const bool opens_sequence = next == '[' || next == 'O';
    const bool string_opened = may_be_alt && opens_string(next);
    if (!opens_sequence && !may_be_alt) return found(1, escape_key());
    // An opener followed by silence was typed: ESC [ is Alt+[, ESC ] is Alt+], and so on.
    if ((opens_sequence || string_opened) && count == 2 && !more_may_follow) {
        return may_be_alt ? found(2, plain_key(next, alt)) : found(1, escape_key());
    }
    if (string_opened) return decode_string(bytes, count, more_may_follow);
    if (opens_sequence) {
        return decode_sequence(bytes, count, 2, next == '[' ? csi : ss3, more_may_follow);
    }
    // The Linux console sends Shift+Tab as ESC TAB, which a console gives as Shift+Tab too.
    if (next == '\t') return found(2, key_event(0, scan::tab, shift));
    if (next == escape) {
        // What is no key (a paste's start mark, a focus report) takes no Alt: the Esc typed
        // just before it is a key of its own.
        const decoded_input rest = decode_escape(bytes + 1, count - 1, more_may_follow, false);
        if (rest.outcome == decode_outcome::ignore) return found(1, escape_key());
        return with_alt(rest);
    }
    return with_alt(decode_character(bytes + 1, count - 1, more_may_follow));
}

}  // namespace

decoded_input decode_terminal_input(const unsigned char* bytes, std::size_t count,
                                    bool more_may_follow) noexcept
{
    if (count == 0) return incomplete();
    // A terminal set to send 8-bit controls in UTF-8 sends CSI and SS3 as U+009B and U+008F,
    // which no key types; typed alone (GBK's 聸 and 聫 are those bytes), they are characters.
    constexpr unsigned char utf8_c1_lead = 0xC2;
    if (bytes[0] == utf8_c1_lead && count > 1 && (bytes[1] == 0x9B || bytes[1] == 0x8F)) {
        if (count == 2 && !more_may_follow) return decode_character(bytes, count, false);
        return decode_sequence(bytes, count, 2, bytes[1] == 0x9B ? csi : ss3, more_may_follow);
    }
    if (bytes[0] == escape) return decode_escape(bytes, count, more_may_follow, true);
    return decode_character(bytes, count, more_may_follow);
}

bool opens_control_string(const unsigned char* bytes, std::size_t count) noexcept
{
    return count >= 2 && bytes[0] == escape && opens_string(bytes[1]);
}
