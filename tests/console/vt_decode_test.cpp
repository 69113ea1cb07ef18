#include "console/vt_decode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr DWORD shift = SHIFT_PRESSED;
constexpr DWORD ctrl = LEFT_CTRL_PRESSED;
constexpr DWORD alt = LEFT_ALT_PRESSED;
constexpr DWORD enhanced = ENHANCED_KEY;

decoded_input decode(const std::string& bytes, bool more_may_follow)
{
    return decode_terminal_input(reinterpret_cast<const unsigned char*>(bytes.data()),
                                 bytes.size(), more_may_follow);
}

struct key_case {
    const char* name;
    std::string bytes;
    int character;  // as unsigned byte value; 0 for a key without one
    WORD scan_code;
    DWORD state;
};

void expect_key(const decoded_input& input, const key_case& c, std::size_t length)
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
    const key_case cases[] = {
        {"a", "a", 'a', 0, 0},
        {"Enter", "\r", 13, 0, 0},
        {"Backspace", "\x7f", 127, 0, 0},
        {"GBK lead byte, also C1 CSI", "\x9b", 0x9B, 0, 0},
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
        {"keypad Enter", "\x1bOM", 0, 0x1C, enhanced},
        {"keypad /", "\x1bOo", 0, 0x35, enhanced},
    };
    for (const key_case& c : cases) {
        SCOPED_TRACE(c.name);
        expect_key(decode(c.bytes, true), c, c.bytes.size());
        expect_key(decode(c.bytes + "x", true), c, c.bytes.size());  // the next key stays
    }
}

TEST(TerminalInput, SilenceAfterEscapeCompletesWhatWasTyped)
{
    const key_case cases[] = {
        {"Esc alone", "\x1b", 27, 0, 0},
        {"Alt+[", "\x1b[", '[', 0, alt},
        {"Alt+O", "\x1bO", 'O', 0, alt},
        {"Alt+Esc", "\x1b\x1b", 27, 0, alt},
    };
    for (const key_case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decode(c.bytes, true).outcome, decode_outcome::need_more);
        expect_key(decode(c.bytes, false), c, c.bytes.size());
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
        "\x1b[1;99A",      // modifier out of range
        "\x1b[99999999~",  // number out of range
        "\x1b[1 q",        // intermediate byte
        "\x1bOx",          // SS3 with no key
        "\x1b[[Z",         // Linux console form with no key
    };
    for (const std::string& sequence : sequences) {
        SCOPED_TRACE(sequence.substr(1));
        const decoded_input input = decode(sequence + "a", true);
        EXPECT_EQ(input.outcome, decode_outcome::ignore);
        EXPECT_EQ(input.length, sequence.size());
        // The key after it decodes cleanly: no modifier leaks into it.
        const decoded_input next = decode("a", true);
        EXPECT_EQ(next.outcome, decode_outcome::key);
        EXPECT_EQ(next.key.dwControlKeyState, 0u);
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

}  // namespace
