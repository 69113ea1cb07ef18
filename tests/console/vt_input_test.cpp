#include "console/vt_input.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Feeds `bytes` as a key reader would, one at a time, and gives the characters of the keys
// that came out ('!' for a key without one).
std::string keys_from(terminal_input& input, const std::string& bytes)
{
    std::string keys;
    for (const char byte : bytes) {
        input.add(static_cast<unsigned char>(byte));
        while (const std::optional<key_press> key = input.next_key()) {
            keys += key->key.uChar.AsciiChar != 0 ? key->key.uChar.AsciiChar : '!';
        }
    }
    return keys;
}

TEST(TerminalInputReader, SequencesTooLongToKeepAreSkippedToTheirEnd)
{
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"a control sequence", "\x1b[" + std::string(300, ';') + "A"},
        {"a string ended by ST", "\x1b]52;c;" + std::string(300, 'Q') + "\x1b\\"},
        {"a string ended by BEL", "\x1bP" + std::string(300, 'Q') + "\x07"},
        {"a string with its ST cut at the buffer's end", "\x1b]" + std::string(61, 'Q') + "\x1b\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal_input input;
        EXPECT_EQ(keys_from(input, c.bytes), "");
        EXPECT_FALSE(input.expects_more());
        EXPECT_EQ(keys_from(input, "x"), "x");
    }
}

// Once its start mark is read, a paste waits seconds for its next byte, where a key's
// sequence waits 100 ms: a slow link may split it anywhere.
TEST(TerminalInputReader, APasteGivesItsFirstCharacterOnceItsEndMarkIsRead)
{
    const struct {
        const char* name;
        std::string bytes;
        std::string keys;
        int waits_ms;  // for the byte after all but the last
    } cases[] = {
        {"text", "\x1b[200~ls -l\r\x1b[201~", "l", 3000},
        {"an escape in the text", "\x1b[200~\x1b[A\x1b[20\x1b[201~", "!", 3000},
        {"an empty paste: no key", "\x1b[200~\x1b[201~", "", 3000},
        {"an end mark alone is dropped", "\x1b[201~", "", 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal_input input;
        EXPECT_EQ(keys_from(input, c.bytes.substr(0, c.bytes.size() - 1)), "");
        EXPECT_EQ(input.silence_timeout_ms(), c.waits_ms);
        EXPECT_EQ(keys_from(input, c.bytes.substr(c.bytes.size() - 1) + "x"), c.keys + "x");
        EXPECT_EQ(input.silence_timeout_ms(), -1);
    }
    // A paste whose end mark never comes ends with the silence after it.
    terminal_input cut;
    EXPECT_EQ(keys_from(cut, "\x1b[200~abc"), "");
    EXPECT_TRUE(cut.expects_more());
    cut.add_silence();
    const std::optional<key_press> key = cut.next_key();
    ASSERT_TRUE(key);
    EXPECT_EQ(key->key.uChar.AsciiChar, 'a');
}

TEST(TerminalInputReader, AControlByteCutsASkippedSequenceShort)
{
    terminal_input input;
    EXPECT_EQ(keys_from(input, "\x1b[" + std::string(100, '1') + "\r"), "\r");
}

TEST(TerminalInputReader, ASequenceDroppedAfterAPauseLeavesNothingBehind)
{
    for (const std::string& cut :
         {std::string("\x1b[1;"), std::string("\x1b]11;rgb:00"), "\x1b[" + std::string(80, ';')}) {
        SCOPED_TRACE(cut.substr(1, 12));
        terminal_input input;
        EXPECT_EQ(keys_from(input, cut), "");
        EXPECT_TRUE(input.expects_more());
        input.add_silence();
        EXPECT_FALSE(input.next_key());
        EXPECT_FALSE(input.expects_more());
        input.add('a');
        const std::optional<key_press> key = input.next_key();
        ASSERT_TRUE(key);
        EXPECT_EQ(key->key.uChar.AsciiChar, 'a');
        EXPECT_EQ(key->key.dwControlKeyState, 0u);  // no Alt from the dropped ESC
    }
}

TEST(TerminalInputReader, SilenceCompletesWhatIsPending)
{
    terminal_input input;
    EXPECT_EQ(keys_from(input, "\x1b"), "");
    input.add_silence();
    const std::optional<key_press> key = input.next_key();
    ASSERT_TRUE(key);
    EXPECT_EQ(key->key.uChar.AsciiChar, 0x1B);
}

TEST(TerminalInputReader, ALookAheadByteStartsTheNextKey)
{
    // Alt+Esc is told from rxvt's Alt+Up (ESC ESC [ A) by the byte after it, and st's
    // Ctrl+Delete (ESC [ M) from a mouse report: that byte is the next key.
    for (const auto& [bytes, keys] :
         {std::pair<std::string, std::string>{"\x1b\x1bx", "\x1bx"}, {"\x1b[M\r", "!\r"}}) {
        SCOPED_TRACE(bytes.substr(1));
        terminal_input input;
        EXPECT_EQ(keys_from(input, bytes), keys);
        EXPECT_FALSE(input.expects_more());
    }
}

TEST(TerminalInputReader, TheEraseCharacterIsBackspace)
{
    const struct {
        unsigned char erase;
        std::string bytes;
        char character;
        WORD scan_code;
        // clang-format off
    } cases[] = {
        {0x7F, "\x7f", 0x08, 0x0E},      {0x7F, "\x1b\x7f", 0x08, 0x0E},  // and Alt+Backspace
        {0x7F, "\x08", 0x08, 0},         {0x08, "\x08", 0x08, 0x0E},
        {0x08, "\x7f", 0x7F, 0},  // Ctrl+Backspace on a console
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.erase));
        terminal_input input;
        input.set_erase_character(c.erase);
        for (const char byte : c.bytes) input.add(static_cast<unsigned char>(byte));
        input.add_silence();
        const std::optional<key_press> key = input.next_key();
        ASSERT_TRUE(key);
        EXPECT_EQ(key->key.uChar.AsciiChar, c.character);
        EXPECT_EQ(key->key.wVirtualScanCode, c.scan_code);
        EXPECT_EQ(key->key.dwControlKeyState, c.bytes.size() == 2 ? LEFT_ALT_PRESSED : 0u);
    }
}

}  // namespace
