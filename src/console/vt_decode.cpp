#include "console/vt_decode.h"
#include "console/scan_codes.h"
#include "cp936/cp936.h"
#include "utf8.h"

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
constexpr unsigned bare = 0;

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

constexpr WORD f(unsigned number) { return static_cast<WORD>(scan::f1 + number - 1); }

// The keys a terminal sends as sequences, in the xterm, VT220, rxvt, st and Linux console
// forms, as the console's scan code and flags.
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
    {csi, bare, 'P', scan::del, enhanced},
    {csi, 4, 'h', scan::insert, enhanced},
    {csi, 4, 'l', scan::insert, enhanced | shift},
    {csi, bare, 'L', scan::insert, enhanced | ctrl},
    {csi, 2, 'K', scan::del, enhanced | shift},
    {csi, bare, 'M', scan::del, enhanced | ctrl},
    {csi, 2, 'J', scan::home, enhanced | shift},
    {csi, bare, 'K', scan::end, enhanced | shift},
    {csi, bare, 'J', scan::end, enhanced | ctrl},
    // F1 to F4: SS3 letters in xterm, CSI letters when modified, numbers in rxvt.
    {ss3, 1, 'P', f(1), 0}, {csi, 1, 'P', f(1), 0},
    {ss3, 1, 'Q', f(2), 0}, {csi, 1, 'Q', f(2), 0},
    {ss3, 1, 'R', f(3), 0}, {csi, 1, 'R', f(3), 0},
    {ss3, 1, 'S', f(4), 0}, {csi, 1, 'S', f(4), 0},
    {csi, 11, '~', f(1), 0}, {csi, 12, '~', f(2), 0},
    {csi, 13, '~', f(3), 0}, {csi, 14, '~', f(4), 0},
    {csi, 15, '~', f(5), 0}, {csi, 17, '~', f(6), 0},
    {csi, 18, '~', f(7), 0}, {csi, 19, '~', f(8), 0},
    {csi, 20, '~', f(9), 0}, {csi, 21, '~', f(10), 0},
    // PuTTY's VT100+ mode goes on with SS3 letters up to F12; its F9, SS3 X, is left to
    // xterm's keypad =.
    {ss3, 1, 'T', f(5), 0}, {ss3, 1, 'U', f(6), 0}, {ss3, 1, 'V', f(7), 0},
    {ss3, 1, 'W', f(8), 0}, {ss3, 1, 'Y', f(10), 0},
    {ss3, 1, 'Z', scan::f11, 0}, {ss3, 1, '[', scan::f12, 0},
    // F11 and F12. rxvt and the Linux console send the same for Shift+F1 and Shift+F2, and
    // F13 to F20 for Shift+F3 to Shift+F10.
    {csi, 23, '~', scan::f11, 0}, {csi, 24, '~', scan::f12, 0},
    {csi, 25, '~', f(3), shift}, {csi, 26, '~', f(4), shift},
    {csi, 28, '~', f(5), shift}, {csi, 29, '~', f(6), shift},
    {csi, 31, '~', f(7), shift}, {csi, 32, '~', f(8), shift},
    {csi, 33, '~', f(9), shift}, {csi, 34, '~', f(10), shift},
    {csi, 22, '~', f(10), shift},  // in macOS Terminal before 10.7
    {csi_bracket, 1, 'A', f(1), 0}, {csi_bracket, 1, 'B', f(2), 0},
    {csi_bracket, 1, 'C', f(3), 0}, {csi_bracket, 1, 'D', f(4), 0},
    {csi_bracket, 1, 'E', f(5), 0},
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
    KEY_EVENT_RECORD key{};
    key.bKeyDown = TRUE;
    key.wRepeatCount = 1;
    key.wVirtualScanCode = scan_code;
    key.uChar.AsciiChar = character;
    key.dwControlKeyState = state;
    return key;
}

KEY_EVENT_RECORD escape_key(DWORD state) { return key_event(escape, scan::escape, state); }

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

enum class encoding { single_byte, utf8, gbk, gb18030, euc_jp_supplementary };

struct character_span {
    std::size_t length;  // 0 while more of it may follow
    encoding form;
};

// Whether `byte` may be the byte at `index` of a UTF-8 character led by `lead`: after E0, ED,
// F0 and F4 not every continuation may, lest the bytes make an overlong form, a surrogate or
// a code beyond U+10FFFF.
constexpr bool continues_utf8(unsigned char lead, std::size_t index, unsigned char byte)
{
    if (!is_utf8_continuation(byte)) return false;
    if (index > 1) return true;
    switch (lead) {
    case 0xE0: return byte >= 0xA0;
    case 0xED: return byte <= 0x9F;
    case 0xF0: return byte >= 0x90;
    case 0xF4: return byte <= 0x8F;
    default: return true;
    }
}

constexpr bool is_digit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

// The character starting `bytes`. UTF-8 wins where both readings fit, as UTF-8 terminals are
// the common case; a byte that fits no reading is a key of its own.
character_span span_of_character(const unsigned char* bytes, std::size_t count,
                                 bool more_may_follow)
{
    const unsigned char lead = bytes[0];
    const character_span alone{1, encoding::single_byte};
    const character_span pending{0, encoding::single_byte};
    if (lead < 0x80) return alone;
    const std::size_t utf8 = utf8_length(lead);
    if (utf8 > 0) {
        std::size_t fitting = 1;
        while (fitting < count && fitting < utf8 && continues_utf8(lead, fitting, bytes[fitting])) {
            ++fitting;
        }
        if (fitting == utf8) return {utf8, encoding::utf8};
        if (fitting == count && more_may_follow) return pending;
    }
    if (!is_gbk_lead(lead)) return alone;
    if (count < 2) return more_may_follow ? pending : alone;
    // EUC-JP writes the supplementary kanji as 8F and two bytes A1 to FE; its first two are
    // a GBK pair too, so the byte after them decides.
    constexpr unsigned char euc_jp_lead = 0x8F;
    const auto is_euc_jp_byte = [](unsigned char byte) { return byte >= 0xA1 && byte <= 0xFE; };
    if (lead == euc_jp_lead && is_euc_jp_byte(bytes[1])) {
        if (count < 3) return more_may_follow ? pending : character_span{2, encoding::gbk};
        if (is_euc_jp_byte(bytes[2])) return {3, encoding::euc_jp_supplementary};
    }
    if (is_gbk_trail(bytes[1])) return {2, encoding::gbk};
    // GB18030's four bytes: a lead, a digit, a lead, a digit.
    if (!is_digit(bytes[1]) || (count > 2 && !is_gbk_lead(bytes[2])) ||
        (count > 3 && !is_digit(bytes[3]))) {
        return alone;
    }
    if (count < 4) return more_may_follow ? pending : alone;
    return {4, encoding::gb18030};
}

// GB18030's four-byte codes count up in order from 81 30 81 30; from 90 30 81 30 they are
// U+10000 onwards. Those before it are characters of the basic plane outside GBK, which take
// a table to name.
char32_t unicode_of_gb18030(const unsigned char* bytes)
{
    const unsigned long index =
        ((static_cast<unsigned long>(bytes[0] - 0x81) * 10 + (bytes[1] - '0')) * 126 +
         (bytes[2] - 0x81)) * 10 + (bytes[3] - '0');
    constexpr unsigned long supplementary_first = 189000;  // the index of 90 30 81 30
    if (index < supplementary_first || index - supplementary_first > 0x10FFFF - 0x10000) {
        return replacement_character;
    }
    return static_cast<char32_t>(0x10000 + (index - supplementary_first));
}

char32_t unicode_of(const unsigned char* bytes, const character_span& span)
{
    switch (span.form) {
    case encoding::utf8: return decode_utf8(bytes, span.length);
    case encoding::gbk: return unicode_of_gbk_pair(bytes[0], bytes[1]);
    case encoding::gb18030: return unicode_of_gb18030(bytes);
    case encoding::single_byte:
    case encoding::euc_jp_supplementary: break;
    }
    return 0;
}

decoded_input decode_character(const unsigned char* bytes, std::size_t count, std::size_t start,
                               bool more_may_follow, DWORD state)
{
    const unsigned char* const character = bytes + start;
    const character_span span = span_of_character(character, count - start, more_may_follow);
    if (span.length == 0) return incomplete();
    return found(start + span.length, plain_key(character[0], state),
                 unicode_of(character, span));
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

const sequence_key* find_key(introducer form, unsigned long number, unsigned char final_byte);

// A key reported by its character, as xterm's modifyOtherKeys (CSI 27;m;c ~) and the CSI u
// keyboard form (CSI c;m u) do, becomes the key event a console gives for what it types.
decoded_input character_key(std::size_t length, unsigned long code_point, DWORD state)
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
    if (code_point == 0 || code_point > 0x10FFFF ||
        (code_point >= private_use_first && code_point <= private_use_last)) {
        return dropped(length);
    }
    // Shift+Tab and Ctrl+Tab type nothing: they are keys with extended codes.
    if (code_point == '\t' && (state & (shift | ctrl))) {
        return found(length, key_event(0, scan::tab, state));
    }
    auto character = static_cast<unsigned>(code_point);
    if (state & ctrl) {
        character = with_ctrl(character);
    } else if ((state & shift) && character >= 'a' && character <= 'z') {
        character -= 'a' - 'A';
    }
    // Beyond ASCII, the first byte of the character in UTF-8, as typing it would give.
    unsigned char utf8[4];
    put_utf8(character, utf8);
    return found(length, plain_key(utf8[0], state), character < 0x80 ? 0 : character);
}

// Up to three decimal parameters separated by ';'; an empty one counts as 1. The CSI u form
// may add sub-parameters after ':': a key's shifted and base codes after its own, the event
// type after the modifier (2 a repeat, 3 a release), the text's code points in the third;
// only the event type is kept. Anything else (private markers, more parameters) is a report
// of the terminal's, not a key.
struct parameters {
    bool valid;
    std::size_t count;
    unsigned long values[3];
    unsigned long event_type;
};

constexpr unsigned long key_release = 3;

parameters parse_parameters(const unsigned char* bytes, std::size_t count)
{
    constexpr unsigned long largest = 0x10FFFF;  // the highest code point CSI u may report
    const parameters invalid{false, 0, {}, 0};
    parameters result{true, 0, {1, 1, 1}, 1};
    if (count == 0) return result;
    result.count = 1;
    bool has_digits = false;
    std::size_t sub_parameter = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char byte = bytes[i];
        const bool is_event_type = result.count == 2 && sub_parameter == 1;
        unsigned long& value = is_event_type ? result.event_type : result.values[result.count - 1];
        if (byte == ';' && result.count < 3) {
            ++result.count;
            has_digits = false;
            sub_parameter = 0;
        } else if (byte == ':') {
            ++sub_parameter;
            has_digits = false;
        } else if (byte >= '0' && byte <= '9') {
            if (sub_parameter > 0 && !is_event_type) continue;
            value = (has_digits ? value * 10 : 0) + (byte - '0');
            has_digits = true;
            if (value > largest) return invalid;
        } else {
            return invalid;
        }
    }
    return result;
}

const sequence_key* find_key(introducer form, unsigned long number, unsigned char final_byte)
{
    for (const sequence_key& row : keys_by_sequence) {
        if (row.form == form && row.number == number && row.final_byte == final_byte) return &row;
    }
    return nullptr;
}

// Looks up a complete sequence of `length` bytes; `parameter_bytes` are those between its
// introducer and its final byte.
decoded_input lookup(std::size_t length, introducer form, const unsigned char* parameter_bytes,
                     std::size_t parameter_count, unsigned char final_byte, DWORD state)
{
    const parameters params = parse_parameters(parameter_bytes, parameter_count);
    if (!params.valid || params.event_type == key_release) return dropped(length);
    const unsigned char table_final = rxvt_state_of(final_byte) != 0 ? '~' : final_byte;
    const unsigned long number = params.count == 0 ? bare : params.values[0];
    unsigned long modifier = params.values[1];
    const sequence_key* row = params.count <= 2 ? find_key(form, number, table_final) : nullptr;
    // The number 1 left out (ESC [ A), or the modifier as the only parameter, as Konsole, old
    // xterms and macOS Terminal send it: ESC O 5 C and ESC [ 5 C are Ctrl+Right.
    if (row == nullptr && params.count <= 1 && table_final != '~') {
        row = find_key(form, 1, table_final);
        if (row != nullptr && params.count == 1) modifier = number;
    }
    if (modifier == 0 || modifier > highest_modifier) return dropped(length);
    state |= state_of_modifier(static_cast<unsigned>(modifier)) | rxvt_state_of(final_byte);
    if (form == csi && final_byte == '~' && params.count == 3 && params.values[0] == 27) {
        return character_key(length, params.values[2], state);
    }
    if (form == csi && final_byte == 'u' && params.count >= 1) {
        return character_key(length, params.values[0], state);
    }
    if (row == nullptr) return dropped(length);  // focus reports, paste marks, unknown keys
    return found(length, key_event(row->character, row->scan_code, state | row->state));
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

// Decodes the sequence whose introducer ends at `start` (ESC [ or ESC O, after any Alt ESC).
decoded_input decode_sequence(const unsigned char* bytes, std::size_t count, std::size_t start,
                              introducer form, bool more_may_follow, DWORD state)
{
    if (form == csi && start < count && bytes[start] == '[') {
        if (start + 1 == count) return more_may_follow ? incomplete() : dropped(count);
        const unsigned char final_byte = bytes[start + 1];
        if (!is_final_byte(final_byte)) return dropped(start + 1);
        return lookup(start + 2, csi_bracket, nullptr, 0, final_byte, state);
    }
    if (form == csi && start < count && bytes[start] == 'M') {
        const std::size_t after = start + 1;
        if (after == count && more_may_follow) return incomplete();
        const bool report_follows = after < count && bytes[after] >= 0x20;
        if (!report_follows) return lookup(after, form, nullptr, 0, 'M', state);
        const std::size_t report_end = end_of_mouse_report(bytes, count, after);
        if (report_end != 0) return dropped(report_end);
        if (more_may_follow) return incomplete();
        // Three bytes are a whole report of the plain mode, whose values from 80 up are one
        // byte each (a click beyond column 161 may look like the UTF-8 mode's two).
        if (count == after + mouse_report_length) return dropped(count);
        // A report comes in one burst: cut short by silence, it was Ctrl+Delete and keys
        // typed right after it, which go with it rather than leave the wait with none.
        return lookup(count, form, nullptr, 0, 'M', state);
    }
    std::size_t at = start;
    while (at < count && is_parameter_byte(bytes[at])) ++at;
    const std::size_t parameters_end = at;
    // rxvt ends Shift+key sequences in $, which is an intermediate byte in the standard form.
    if (at < count && bytes[at] == '$' && form == csi) {
        return lookup(at + 1, form, bytes + start, parameters_end - start, '$', state);
    }
    while (at < count && is_intermediate_byte(bytes[at])) ++at;
    if (at == count) return more_may_follow ? incomplete() : dropped(count);
    const unsigned char final_byte = bytes[at];
    // A control byte or a new ESC cuts the sequence short; that byte starts the next input.
    if (!is_final_byte(final_byte)) return dropped(at);
    if (parameters_end != at) return dropped(at + 1);  // intermediates: no key uses them
    return lookup(at + 1, form, bytes + start, parameters_end - start, final_byte, state);
}

}  // namespace

decoded_input decode_terminal_input(const unsigned char* bytes, std::size_t count,
                                    bool more_may_follow) noexcept
{
    if (count == 0) return incomplete();
    // A terminal set to send 8-bit controls in UTF-8 sends CSI and SS3 as U+009B and U+008F,
    // which no key types.
    constexpr unsigned char utf8_c1_lead = 0xC2;
    if (bytes[0] == utf8_c1_lead && count > 1 && (bytes[1] == 0x9B || bytes[1] == 0x8F)) {
        const introducer form = bytes[1] == 0x9B ? csi : ss3;
        return decode_sequence(bytes, count, 2, form, more_may_follow, 0);
    }
    if (bytes[0] != escape) return decode_character(bytes, count, 0, more_may_follow, 0);

    // After ESC, silence means the Esc key itself; a byte straight after it is Alt with that
    // key, unless it opens a sequence or a string. ESC ESC is Alt with what follows (rxvt's
    // Alt+arrow).
    std::size_t start = 1;
    DWORD state = 0;
    if (count > 1 && bytes[1] == escape) {
        start = 2;
        state = alt;
    }
    if (count == start) {
        if (more_may_follow) return incomplete();
        return found(count, escape_key(state));
    }
    const unsigned char next = bytes[start];
    const bool opens_sequence = next == '[' || next == 'O';
    const bool string_opened = start == 1 && opens_string(next);
    // After ESC ESC, a key that opens nothing is a key of its own: ESC ESC is Alt+Esc.
    if (start == 2 && !opens_sequence) return found(2, escape_key(alt));
    // An opener followed by silence was typed: ESC [ is Alt+[, ESC ] is Alt+], and so on.
    if ((opens_sequence || string_opened) && count == start + 1 && !more_may_follow) {
        return found(2, start == 2 ? escape_key(alt) : plain_key(next, alt));
    }
    if (string_opened) return decode_string(bytes, count, more_may_follow);
    // The Linux console sends Shift+Tab as ESC TAB, which a console gives as Shift+Tab too.
    if (next == '\t') return found(2, key_event(0, scan::tab, shift));
    if (!opens_sequence) return decode_character(bytes, count, 1, more_may_follow, alt);
    const introducer form = next == '[' ? csi : ss3;
    return decode_sequence(bytes, count, start + 1, form, more_may_follow, state);
}

bool opens_control_string(const unsigned char* bytes, std::size_t count) noexcept
{
    return count >= 2 && bytes[0] == escape && opens_string(bytes[1]);
}
