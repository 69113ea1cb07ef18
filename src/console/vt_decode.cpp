#include "console/vt_decode.h"

#include <array>

namespace {

constexpr unsigned char escape = 0x1B;

// How a sequence begins after ESC: CSI is ESC [, SS3 is ESC O, and the Linux console sends
// its F1 to F5 as ESC [ [ and a letter.
enum class introducer : unsigned char { csi, ss3, csi_bracket };

struct sequence_key {
    introducer form;
    unsigned char number;  // the first parameter; 1 when the sequence has none
    unsigned char final_byte;
    WORD scan_code;
    DWORD implied_state;  // modifiers a form carries by itself (rxvt's Shift and Ctrl arrows)
};

constexpr DWORD shift = SHIFT_PRESSED;
constexpr DWORD ctrl = LEFT_CTRL_PRESSED;
constexpr DWORD alt = LEFT_ALT_PRESSED;

// The keys a terminal sends as sequences, by scan code, in the xterm, VT220, rxvt and Linux
// console forms.
constexpr sequence_key keys_by_sequence[] = {
    // Cursor block, plain and in application cursor mode.
    {introducer::csi, 1, 'A', 0x48, 0}, {introducer::ss3, 1, 'A', 0x48, 0},
    {introducer::csi, 1, 'B', 0x50, 0}, {introducer::ss3, 1, 'B', 0x50, 0},
    {introducer::csi, 1, 'C', 0x4D, 0}, {introducer::ss3, 1, 'C', 0x4D, 0},
    {introducer::csi, 1, 'D', 0x4B, 0}, {introducer::ss3, 1, 'D', 0x4B, 0},
    {introducer::csi, 1, 'H', 0x47, 0}, {introducer::ss3, 1, 'H', 0x47, 0},
    {introducer::csi, 1, 'F', 0x4F, 0}, {introducer::ss3, 1, 'F', 0x4F, 0},
    // rxvt: Shift+arrow as CSI and a small letter, Ctrl+arrow as SS3 and a small letter.
    {introducer::csi, 1, 'a', 0x48, shift}, {introducer::ss3, 1, 'a', 0x48, ctrl},
    {introducer::csi, 1, 'b', 0x50, shift}, {introducer::ss3, 1, 'b', 0x50, ctrl},
    {introducer::csi, 1, 'c', 0x4D, shift}, {introducer::ss3, 1, 'c', 0x4D, ctrl},
    {introducer::csi, 1, 'd', 0x4B, shift}, {introducer::ss3, 1, 'd', 0x4B, ctrl},
    // Editing keys as VT220 numbers; rxvt sends Home and End as 7 and 8.
    {introducer::csi, 1, '~', 0x47, 0}, {introducer::csi, 7, '~', 0x47, 0},
    {introducer::csi, 4, '~', 0x4F, 0}, {introducer::csi, 8, '~', 0x4F, 0},
    {introducer::csi, 2, '~', 0x52, 0}, {introducer::csi, 3, '~', 0x53, 0},
    {introducer::csi, 5, '~', 0x49, 0}, {introducer::csi, 6, '~', 0x51, 0},
    // F1 to F4: SS3 letters in xterm, CSI letters when modified, numbers in rxvt.
    {introducer::ss3, 1, 'P', 0x3B, 0}, {introducer::csi, 1, 'P', 0x3B, 0},
    {introducer::ss3, 1, 'Q', 0x3C, 0}, {introducer::csi, 1, 'Q', 0x3C, 0},
    {introducer::ss3, 1, 'R', 0x3D, 0}, {introducer::csi, 1, 'R', 0x3D, 0},
    {introducer::ss3, 1, 'S', 0x3E, 0}, {introducer::csi, 1, 'S', 0x3E, 0},
    {introducer::csi, 11, '~', 0x3B, 0}, {introducer::csi, 12, '~', 0x3C, 0},
    {introducer::csi, 13, '~', 0x3D, 0}, {introducer::csi, 14, '~', 0x3E, 0},
    {introducer::csi, 15, '~', 0x3F, 0}, {introducer::csi, 17, '~', 0x40, 0},
    {introducer::csi, 18, '~', 0x41, 0}, {introducer::csi, 19, '~', 0x42, 0},
    {introducer::csi, 20, '~', 0x43, 0}, {introducer::csi, 21, '~', 0x44, 0},
    {introducer::csi, 23, '~', 0x57, 0}, {introducer::csi, 24, '~', 0x58, 0},
    {introducer::csi_bracket, 1, 'A', 0x3B, 0}, {introducer::csi_bracket, 1, 'B', 0x3C, 0},
    {introducer::csi_bracket, 1, 'C', 0x3D, 0}, {introducer::csi_bracket, 1, 'D', 0x3E, 0},
    {introducer::csi_bracket, 1, 'E', 0x3F, 0},
    // Shift+Tab, and keypad Enter and / in application keypad mode.
    {introducer::csi, 1, 'Z', 0x0F, shift},
    {introducer::ss3, 1, 'M', 0x1C, 0}, {introducer::ss3, 1, 'o', 0x35, 0},
};

// The separate cursor block, keypad Enter and keypad / are what a console flags as enhanced.
constexpr bool is_enhanced(WORD scan_code)
{
    return scan_code == 0x1C || scan_code == 0x35 || (scan_code >= 0x47 && scan_code <= 0x53);
}

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

// The modifier parameter of xterm's CSI 1;m X and CSI n;m ~ is 1 plus a bit set.
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

KEY_EVENT_RECORD escape_key(DWORD state) { return key_event(escape, 0x01, state); }

// A byte that is a key on its own. NUL is what Ctrl+2 (Ctrl+@) types, so it becomes that key.
KEY_EVENT_RECORD plain_key(unsigned char byte, DWORD state)
{
    if (byte == 0x00) return key_event(0, 0x03, state | ctrl);
    return key_event(static_cast<CHAR>(byte), 0, state);
}

decoded_input found(std::size_t length, const KEY_EVENT_RECORD& key)
{
    return {decode_outcome::key, length, key};
}
decoded_input dropped(std::size_t length) { return {decode_outcome::ignore, length, {}}; }
decoded_input incomplete() { return {decode_outcome::need_more, 0, {}}; }

constexpr bool is_parameter_byte(unsigned char byte) { return byte >= 0x30 && byte <= 0x3F; }
constexpr bool is_intermediate_byte(unsigned char byte) { return byte >= 0x20 && byte <= 0x2F; }
constexpr bool is_final_byte(unsigned char byte) { return byte >= 0x40 && byte <= 0x7E; }

// Up to two decimal parameters, "n" or "n;m". Anything else (private markers, sub-parameters,
// more parameters) is a report of the terminal's, not a key.
struct parameters {
    bool valid;
    unsigned number;
    unsigned modifier;
};

parameters parse_parameters(const unsigned char* bytes, std::size_t count)
{
    unsigned values[2] = {0, 0};
    bool given[2] = {false, false};
    std::size_t index = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char byte = bytes[i];
        if (byte == ';' && index == 0) {
            index = 1;
        } else if (byte >= '0' && byte <= '9' && values[index] < 1000) {
            values[index] = values[index] * 10 + (byte - '0');
            given[index] = true;
        } else {
            return {false, 0, 0};
        }
    }
    return {true, given[0] ? values[0] : 1, given[1] ? values[1] : 1};
}

// Looks up a complete sequence of `length` bytes; `parameter_bytes` are those between its
// introducer and its final byte.
decoded_input lookup(std::size_t length, introducer form, const unsigned char* parameter_bytes,
                     std::size_t parameter_count, unsigned char final_byte, DWORD state)
{
    const parameters params = parse_parameters(parameter_bytes, parameter_count);
    if (!params.valid || params.modifier == 0 || params.modifier > 16) return dropped(length);
    state |= state_of_modifier(params.modifier) | rxvt_state_of(final_byte);
    const unsigned char table_final = rxvt_state_of(final_byte) != 0 ? '~' : final_byte;
    for (const sequence_key& row : keys_by_sequence) {
        if (row.form == form && row.number == params.number && row.final_byte == table_final) {
            state |= row.implied_state;
            if (is_enhanced(row.scan_code)) state |= ENHANCED_KEY;
            return found(length, key_event(0, row.scan_code, state));
        }
    }
    return dropped(length);  // focus reports, paste marks, mouse reports, unknown keys
}

// Decodes the sequence whose introducer ends at `start` (ESC [ or ESC O, after any Alt ESC).
decoded_input decode_sequence(const unsigned char* bytes, std::size_t count, std::size_t start,
                              introducer form, bool more_may_follow, DWORD state)
{
    if (form == introducer::csi && start < count && bytes[start] == '[') {
        if (start + 1 == count) return more_may_follow ? incomplete() : dropped(count);
        const unsigned char final_byte = bytes[start + 1];
        if (!is_final_byte(final_byte)) return dropped(start + 1);
        return lookup(start + 2, introducer::csi_bracket, nullptr, 0, final_byte, state);
    }
    std::size_t at = start;
    while (at < count && is_parameter_byte(bytes[at])) ++at;
    const std::size_t parameters_end = at;
    // rxvt ends Shift+key sequences in $, which is an intermediate byte in the standard form.
    if (at < count && bytes[at] == '$' && form == introducer::csi) {
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
    if (bytes[0] != escape) return found(1, plain_key(bytes[0], 0));

    // After ESC, silence means the Esc key itself; a byte straight after it is Alt with that
    // key, unless it opens a sequence. ESC ESC is Alt with what follows (rxvt's Alt+arrow).
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
    // Alt with the key typed after ESC (after ESC ESC, that key is Esc), unless the byte opens
    // a sequence that may still go on: ESC [ and ESC O followed by silence are Alt+[ and Alt+O.
    const unsigned char next = bytes[start];
    const bool opens_sequence = next == '[' || next == 'O';
    if (!opens_sequence || (count == start + 1 && !more_may_follow)) {
        return found(2, start == 2 ? escape_key(alt) : plain_key(next, alt));
    }
    const introducer form = next == '[' ? introducer::csi : introducer::ss3;
    return decode_sequence(bytes, count, start + 1, form, more_may_follow, state);
}
