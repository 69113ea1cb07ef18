#include "console/vt_decode.h"
#include "console/key_case.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

constexpr DWORD shift = SHIFT_PRESSED;
constexpr DWORD ctrl = LEFT_CTRL_PRESSED;
constexpr DWORD alt = LEFT_ALT_PRESSED;
constexpr DWORD enhanced = ENHANCED_KEY;

decoded_input decode(const std::string& bytes, bool more_may_follow)
{
    return decode_terminal_input(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                 more_may_follow);
}

struct event_case {
    const char* name;
    std::string bytes;
    int character;  // as unsigned byte value; 0 for a key without one
    WORD scan_code;
    DWORD state;
};

void expect_event(const decoded_input& input, const event_case& c, std::size_t length)
{
    ASSERT_EQ(input.outcome, decode_outcome::key);
    EXPECT_EQ(input.length, length);
    EXPECT_TRUE(input.key.bKeyDown);
    EXPECT_EQ(static_cast<unsigned char>(input.key.uChar.AsciiChar), c.character);
    if (c.character == 0) {
        EXPECT_EQ(input.key.wVirtualScanCode, c.scan_code);
    }
    EXPECT_EQ(input.key.dwControlKeyState, c.state);
}

TEST(TerminalInput, EachAcceptedFormIsOneKey)
{
    // clang-format off
    const event_case cases[] = {
        {"a", "a", 'a', 0, 0},
        {"Enter", "\r", 13, 0, 0},
        {"DEL, when the reader names no erase character", "\x7f", 127, 0, 0},
        {"NUL is Ctrl+2", std::string(1, '\0'), 0, 0x03, ctrl},
        {"Alt+a", "\x1b" "a", 'a', 0, alt},
        {"Alt+Ctrl+2", std::string("\x1b\0", 2), 0, 0x03, ctrl | alt},
        {"Up", "\x1b[A", 0, 0x48, enhanced},
        {"Up, application mode", "\x1bOA", 0, 0x48, enhanced},
        {"Down", "\x1b[B", 0, 0x50, enhanced},
        {"Right", "\x1bOC", 0, 0x4D, enhanced},
        {"Left", "\x1b[D", 0, 0x4B, enhanced},
        {"Home", "\x1b[H", 0, 0x47, enhanced},
        {"Home, VT220", "\x1b[1~", 0, 0x47, enhanced},
        {"Home, rxvt", "\x1b[7~", 0, 0x47, enhanced},
        {"End", "\x1bOF", 0, 0x4F, enhanced},
        {"End, rxvt", "\x1b[8~", 0, 0x4F, enhanced},
        {"Insert", "\x1b[2~", 0, 0x52, enhanced},
        {"Delete", "\x1b[3~", 0, 0x53, enhanced},
        {"Page Up", "\x1b[5~", 0, 0x49, enhanced},
        {"Page Down", "\x1b[6~", 0, 0x51, enhanced},
        {"Ctrl+Up", "\x1b[1;5A", 0, 0x48, ctrl | enhanced},
        {"Alt+Up", "\x1b[1;3A", 0, 0x48, alt | enhanced},
        {"Meta+Up", "\x1b[1;9A", 0, 0x48, alt | enhanced},
        {"Shift+Alt+Ctrl+Delete", "\x1b[3;8~", 0, 0x53, shift | alt | ctrl | enhanced},
        {"Alt+Up, rxvt", "\x1b\x1b[A", 0, 0x48, alt | enhanced},
        {"Shift+Up, rxvt", "\x1b[a", 0, 0x48, shift | enhanced},
        {"Ctrl+Left, rxvt", "\x1bOd", 0, 0x4B, ctrl | enhanced},
        {"Shift+Delete, rxvt", "\x1b[3$", 0, 0x53, shift | enhanced},
        {"Ctrl+Page Up, rxvt", "\x1b[5^", 0, 0x49, ctrl | enhanced},
        {"Ctrl+Shift+Insert, rxvt", "\x1b[2@", 0, 0x52, ctrl | shift | enhanced},
        {"F1", "\x1bOP", 0, 0x3B, 0},
        {"F4", "\x1bOS", 0, 0x3E, 0},
        {"Shift+F1", "\x1b[1;2P", 0, 0x3B, shift},
        {"F1, rxvt", "\x1b[11~", 0, 0x3B, 0},
        {"F1, Linux console", "\x1b[[A", 0, 0x3B, 0},
        {"F5, Linux console", "\x1b[[E", 0, 0x3F, 0},
        {"F5", "\x1b[15~", 0, 0x3F, 0},
        {"F6", "\x1b[17~", 0, 0x40, 0},
        {"F10", "\x1b[21~", 0, 0x44, 0},
        {"F11", "\x1b[23~", 0, 0x57, 0},
        {"Ctrl+F12", "\x1b[24;5~", 0, 0x58, ctrl},
        {"Shift+Tab", "\x1b[Z", 0, 0x0F, shift},
        {"Shift+Tab, Linux console", "\x1b\t", 0, 0x0F, shift},
        {"Shift+F1, Konsole", "\x1bO2P", 0, 0x3B, shift},
        {"Ctrl+Right, old xterm", "\x1bO5C", 0, 0x4D, ctrl | enhanced},
        {"Ctrl+Right, macOS Terminal", "\x1b[5C", 0, 0x4D, ctrl | enhanced},
        {"F5, PuTTY VT100+", "\x1bOT", 0, 0x3F, 0},
        {"F12, PuTTY VT100+", "\x1bO[", 0, 0x58, 0},
        {"keypad Enter", "\x1bOM", 0, 0x1C, enhanced},
        {"keypad /", "\x1bOo", 0, 0x35, enhanced},
    };
    // clang-format on
    for (const event_case& c : cases) {
        SCOPED_TRACE(c.name);
        expect_event(decode(c.bytes, true), c, c.bytes.size());
        expect_event(decode(c.bytes + "x", true), c, c.bytes.size());  // the next key stays
    }
}

TEST(TerminalInput, SilenceAfterEscapeCompletesWhatWasTyped)
{
    const event_case cases[] = {
        {"Esc alone", "\x1b", 27, 0, 0},
        {"Alt+[", "\x1b[", '[', 0, alt},
        {"Alt+O", "\x1bO", 'O', 0, alt},
        {"Alt+Esc", "\x1b\x1b", 27, 0, alt},
    };
    for (const event_case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decode(c.bytes, true).outcome, decode_outcome::need_more);
        expect_event(decode(c.bytes, false), c, c.bytes.size());
    }
}

TEST(TerminalInput, SequencesArrivingPieceByPieceWaitForTheirEnd)
{
    for (const std::string bytes : {"\x1b[1;5A", "\x1b\x1bOA", "\x1b[[B", "\x1b[24~"}) {
        SCOPED_TRACE(bytes.substr(1));
        for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
            const decoded_input partial = decode(bytes.substr(0, cut), true);
            EXPECT_EQ(partial.outcome, decode_outcome::need_more);
        }
        EXPECT_EQ(decode(bytes, true).outcome, decode_outcome::key);
    }
}

TEST(TerminalInput, UnknownSequencesAreDroppedWhole)
{
    const std::string sequences[] = {
        "\x1b[I",          // focus in
        "\x1b[O",          // focus out
        "\x1b[200~",       // start of a paste
        "\x1b[<0;12;7M",   // mouse report
        "\x1b[?1;2c",      // device attributes
        "\x1b[1;300A",     // modifier out of range
        "\x1b[99999999~",  // number out of range
        "\x1b[1 q",        // intermediate byte
        "\x1bOz",          // SS3 with no key
        "\x1bOu",          // keypad 5 with Num Lock off, which has no code
        "\x1b[[Z",         // Linux console form with no key
    };
    for (const std::string& sequence : sequences) {
        SCOPED_TRACE(sequence.substr(1));
        const decoded_input input = decode(sequence + "a", true);
        EXPECT_EQ(input.outcome, decode_outcome::ignore);
        EXPECT_EQ(input.length, sequence.size());
    }
}

TEST(TerminalInput, CutShortSequencesAreDroppedUpToWhereTheNextInputStarts)
{
    const decoded_input cut_by_escape = decode("\x1b[1;5\x1b[A", true);
    EXPECT_EQ(cut_by_escape.outcome, decode_outcome::ignore);
    EXPECT_EQ(cut_by_escape.length, 5u);

    const decoded_input cut_by_control = decode("\x1b[12\r", true);
    EXPECT_EQ(cut_by_control.outcome, decode_outcome::ignore);
    EXPECT_EQ(cut_by_control.length, 4u);

    const decoded_input silent_midway = decode("\x1b[1;5", false);
    EXPECT_EQ(silent_midway.outcome, decode_outcome::ignore);
    EXPECT_EQ(silent_midway.length, 5u);

    EXPECT_EQ(decode("", true).outcome, decode_outcome::need_more);
}

TEST(TerminalKeys, StOutsideApplicationKeypadMode)
{
    expect_keys({
        {"Delete", "\x1b[P", 224},
        {"Insert", "\x1b[4h", 224},
        {"Shift+Insert", "\x1b[4l", 224},
        {"Ctrl+Insert", "\x1b[L", 224},
        {"Shift+Delete", "\x1b[2K", 224},
        {"Ctrl+Delete", "\x1b[M", 224},
        {"Ctrl+Delete, then x typed in its burst: no mouse report", "\x1b[Mx", 224},
        {"Ctrl+Delete, then xy typed in its burst", "\x1b[Mxy", 224},
        {"Shift+Home", "\x1b[2J", 224},
        {"Shift+End", "\x1b[K", 224},
        {"Ctrl+End", "\x1b[J", 224},
        {"Shift+F1, xterm, still F1", "\x1b[1;2P", 0},
    });
}

TEST(TerminalKeys, ApplicationKeypadMode)
{
    // clang-format off
    expect_keys({
        {"*", "\x1bOj", '*'},          {"+", "\x1bOk", '+'},
        {"-", "\x1bOm", '-'},          {"+, PuTTY", "\x1bOl", '+'},
        {"=", "\x1bOX", '='},          {"Enter", "\x1bOM", 13},
        {"/", "\x1bOo", '/'},          {"0 as Insert", "\x1bOp", 0},
        {"1 as End", "\x1bOq", 0},     {"8 as Up", "\x1bOx", 0},
        {"9 as Page Up", "\x1bOy", 0}, {". as Delete", "\x1bOn", 0},
        {"5, which has no code", "\x1bOu", no_key},
    });
    // clang-format on
}

TEST(TerminalKeys, RxvtAndLinuxConsoleShiftedFunctionKeys)
{
    expect_keys({
        {"Shift+F1, the same as F11", "\x1b[23~", 224},
        {"Shift+F3 as F13", "\x1b[25~", 0},
        {"Shift+F6 as F16", "\x1b[29~", 0},
        {"Shift+F10 as F20", "\x1b[34~", 0},
        {"Shift+F3, rxvt's Shift form", "\x1b[25$", 0},
        {"Ctrl+Shift+F3", "\x1b[25^", 0},
        {"Ctrl+Shift+F10, rxvt's @", "\x1b[34@", 0},
        {"no key numbered 27 alone", "\x1b[27~", no_key},
    });
}

TEST(TerminalKeys, KeysReportedByTheirCharacter)
{
    expect_keys({
        {"Ctrl+C, modifyOtherKeys", "\x1b[27;5;99~", 3},
        {"Shift+A, modifyOtherKeys", "\x1b[27;2;65~", 65},
        {"Ctrl+C, CSI u", "\x1b[99;5u", 3},
        {"Esc, CSI u", "\x1b[27u", 27},
        {"Alt+a, CSI u", "\x1b[97;3u", 97},
        {"Shift+a, CSI u", "\x1b[97;2u", 65},
        {"Ctrl+Shift+a with its shifted code, CSI u", "\x1b[97:65;6u", 1},
        {"Shift+Tab, CSI u", "\x1b[9;2u", 0},
        {"Ctrl+Enter, CSI u", "\x1b[13;5u", 10},
        {"Ctrl+2, CSI u", "\x1b[50;5u", 0},
        {"Alt+e acute, CSI u", "\x1b[233;3u", 0xC3},
        {"Left Shift alone, CSI u", "\x1b[57441;2u", no_key},
        {"a key release, CSI u", "\x1b[97;1:3u", no_key},
        {"Ctrl+Up released, event types on", "\x1b[1;5:3A", no_key},
        {"a held key repeating, CSI u", "\x1b[97;1:2u", 97},
        {"Shift+a with its shifted code, CSI u", "\x1b[97:65;2u", 65},
        {"Shift+1 with its shifted code, CSI u", "\x1b[49:33;2u", '!'},
        {"Shift+1 with its text, CSI u", "\x1b[49;2;33u", '!'},
        {"1 with a shifted code but no Shift, CSI u", "\x1b[49:33u", '1'},
        {"a surrogate, CSI u: no key", "\x1b[55296u", no_key},
        {"a with its text, CSI u", "\x1b[97;;97u", 97},
        {"zhong with its text, CSI u", "\x1b[20013;1;20013u", 0xE4},
        {"keypad 0, every key as a code", "\x1b[57399u", '0'},
        {"keypad Enter, every key as a code", "\x1b[57414u", 13},
        {"keypad ,, every key as a code", "\x1b[57416u", ','},
        {"keypad Left, every key as a code", "\x1b[57417u", 0},
        {"keypad Delete, every key as a code", "\x1b[57426u", 0},
        {"keypad Begin (5), every key as a code", "\x1b[57427u", no_key},
    });
}

TEST(TerminalInput, EveryCharacterIsGivenInUnicodeWithItsFirstByteAsTyped)
{
    const struct {
        const char* name;
        std::string bytes;
        unsigned char first_byte;
        char32_t character;
    } cases[] = {
        {"zhong, UTF-8", "\xE4\xB8\xAD", 0xE4, U'\u4E2D'},
        {"zhong, GBK, whose lead leads UTF-8 too", "\xD6\xD0", 0xD6, U'\u4E2D'},
        {"luo, GBK, whose lead leads UTF-8 too", "\xC2\xE4", 0xC2, U'\u843D'},
        {"a pair of a user-defined area, in the private use area", "\xD7\xFA", 0xD7, U'\uE810'},
        {"an emoji, GB18030", "\x94\x39\xFC\x36", 0x94, U'\U0001F600'},
        {"U+20000, GB18030", "\x95\x32\x82\x36", 0x95, U'\U00020000'},
        {"U+0080, GB18030, outside GBK", "\x81\x30\x81\x30", 0x81, U'\u0080'},
        {"Alt+zhong, GBK", "\x1b\xD6\xD0", 0xD6, U'\u4E2D'},
        {"zhong, CSI u", "\x1b[20013u", 0xE4, U'\u4E2D'},
        {"zhong, modifyOtherKeys", "\x1b[27;1;20013~", 0xE4, U'\u4E2D'},
        {"euro, CSI u", "\x1b[8364u", 0xE2, U'\u20AC'},
        {"Shift+a, CSI u: ASCII", "\x1b[97;2u", 'A', 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Complete as soon as its last byte is there, and never longer than its own bytes.
        const decoded_input input = decode(c.bytes + "a", true);
        ASSERT_EQ(input.outcome, decode_outcome::key);
        EXPECT_EQ(input.length, c.bytes.size());
        EXPECT_EQ(static_cast<unsigned char>(input.key.uChar.AsciiChar), c.first_byte);
        EXPECT_EQ(input.character, c.character);
        EXPECT_EQ(decode(c.bytes, true).length, c.bytes.size());
    }
    // GB18030's four bytes are waited for one by one, and a byte that breaks the form leaves
    // the lead a key of its own.
    for (const std::string part : {"\x94", "\x94\x39", "\x94\x39\xFC"}) {
        EXPECT_EQ(decode(part, true).outcome, decode_outcome::need_more);
    }
    EXPECT_EQ(decode("\x94\x39"
                     "a",
                     true)
                  .length,
              1u);
    EXPECT_EQ(decode("\x94\x39\xFC"
                     "a",
                     true)
                  .length,
              1u);
}

TEST(TerminalKeys, CharactersOfSeveralBytesAreOneKey)
{
    expect_keys({
        {"e acute, UTF-8", "\xC3\xA9", 0xC3},
        {"han, UTF-8", "\xE6\xB1\x89", 0xE6},
        {"an emoji, UTF-8", "\xF0\x9F\x98\x80", 0xF0},
        {"han, GBK", "\xBA\xBA", 0xBA},
        {"zi, GBK, whose lead also leads UTF-8", "\xD7\xD6", 0xD7},
        {"a GBK pair that starts a UTF-8 character", "\xE6\xB1", 0xE6},
        {"Alt+e acute", "\x1b\xC3\xA9", 0xC3},
        {"a Latin-1 byte alone", "\xE9", 0xE9},
        {"the euro sign in code page 936", "\x80", 0x80},
    });
    // The key after the character stays.
    const struct {
        std::string bytes;
        std::size_t length;
    } followed[] = {{"\xBA\xBA\xBA", 2},
                    {"\xE6\xB1"
                     "a",
                     2},
                    {"\xC3\x1b", 1},
                    {"\xC3\xA9\xC3", 2}};
    for (const auto& c : followed) {
        SCOPED_TRACE(c.bytes);
        const decoded_input input = decode(c.bytes, true);
        EXPECT_EQ(input.outcome, decode_outcome::key);
        EXPECT_EQ(input.length, c.length);
    }
}

TEST(TerminalKeys, RepliesAndReportsAreNoKeys)
{
    expect_keys({
        {"a colour reply ended by ST", "\x1b]11;rgb:0000/0000/0000\x1b\\", no_key},
        {"a colour reply ended by BEL", "\x1b]11;rgb:0000/0000/0000\x07", no_key},
        {"a DCS reply", "\x1bP1+r544e=787465726d\x1b\\", no_key},
        {"an APC string", "\x1b_Gi=1;OK\x1b\\", no_key},
        {"an X10 mouse report", "\x1b[M !!", no_key},
        {"a click at column 96, UTF-8 mouse mode", "\x1b[M \xC2\x80!", no_key},
        {"a click at column 96, row 96, UTF-8 mouse mode", "\x1b[M \xC2\x80\xC2\x80", no_key},
        {"a click at column 165, row 101, plain mode", "\x1b[M \xC5\x85", no_key},
        {"Alt+] typed alone", "\x1b]", ']'},
        {"Alt+P typed alone", "\x1bP", 'P'},
    });
    // A string cut short by ESC: the ESC starts the next input.
    EXPECT_EQ(decode("\x1b]11;rgb\x1b[A", true).length, 8u);
    EXPECT_EQ(decode("\x1b]11;rgb:00", true).outcome, decode_outcome::need_more);
    EXPECT_EQ(decode("\x1b[M !", true).outcome, decode_outcome::need_more);
}

// Keys as the key wait reads them from a terminal, with their codes: once run through the
// built program, but for those that need the terminal (key_characters_end_to_end_test.cpp).
TEST(TerminalKeys, EachTypedKeyIsTakenWholeWithTheConsolesCode)
{
    constexpr auto gbk = key_characters::gbk;
    constexpr auto gb18030 = key_characters::gb18030;
    // clang-format off
    expect_keys({
        {"Shift+a", "A", 65},
        {"Tab", "\t", 9},
        {"a focus report, then x", "\x1b[Ix", 120},
        {"a paste: its first character, the rest taken along", "\x1b[200~hi\x1b[201~", 104},
        {"Esc, then a paste within its silence", "\x1b\x1b[200~hi\x1b[201~x", 27, "x"},
        {"Esc, then a focus report", "\x1b\x1b[O", 27},
        {"a colour reply, then k", "\x1b]11;rgb:0000/0000/0000\x1b\\k", 'k'},
        {"a mouse report, then k", "\x1b[M !!k", 'k'},
        {"euro sign, --utf8", "\xE2\x82\xAC", 0x80, "", gbk},
        {"an emoji, GB18030: its first byte", "\x94\x39\xFC\x36xy", 0x94, "xy"},
        {"U+20000, GB18030", "\x95\x32\x82\x36xy", 0x95, "xy"},
        {"a supplementary kanji, EUC-JP", "\x8F\xB0\xA1xy", 0x8F, "xy"},
        {"yi, Big5", "\xA4\x40xy", 0xA4, "xy"},
        {"an emoji, GB18030, --utf8: no GBK code", "\x94\x39\xFC\x36xy", '?', "xy", gbk},
        {"zhong, GBK, --utf8", "\xD6\xD0xy", 0xD6, "xy", gbk},
        {"luo, GBK, --utf8", "\xC2\xE4xy", 0xC2, "xy", gbk},
        {"zhong, CSI u, --utf8", "\x1b[20013uxy", 0xD6, "xy", gbk},
        {"zhong, modifyOtherKeys, --utf8", "\x1b[27;1;20013~xy", 0xD6, "xy", gbk},
        {"euro, CSI u, --utf8", "\x1b[8364uxy", 0x80, "xy", gbk},
        {"U+009B typed alone, --utf8: no GBK code", "\xC2\x9B", '?', "", gbk},
        {"an emoji, -g: its four-byte code", "\xF0\x9F\x98\x80xy", 0x94, "xy", gb18030},
        {"the euro sign, -g: GB18030's own pair", "\xE2\x82\xAC", 0xA2, "", gb18030},
        {"Shift+Tab, Linux console", "\x1b\txy", 0, "xy"},
        {"Shift+F1, Konsole", "\x1bO2Pxy", 0, "xy"},
        {"F12, PuTTY VT100+", "\x1bO[xy", 224, "xy"},
        {"Ctrl+Backspace, CSI u", "\x1b[127;5uxy", 127, "xy"},
        {"Ctrl+Backspace, modifyOtherKeys", "\x1b[27;5;127~xy", 127, "xy"},
        {"Shift+Backspace, CSI u", "\x1b[127;2uxy", 8, "xy"},
        {"a surrogate reported by CSI u, then x", "\x1b[55296ux", 'x'},
        {"F5, CSI as U+009B", "\xC2\x9B" "15~", 0},
        {"Up, CSI as U+009B", "\xC2\x9B" "A", 224},
        {"F1, SS3 as U+008F", "\xC2\x8F" "P", 0},
        {"a focus report", "\xC2\x9B" "I", no_key},
        {"U+009B typed alone (GBK's nie)", "\xC2\x9B", 0xC2},
        {"U+008F typed alone", "\xC2\x8F", 0xC2},
    });
    // clang-format on
}

}  // namespace
