// The key wait of the built gbcode, typed at through a pseudo-terminal: characters in every
// character set a terminal may speak taken whole, and keys a terminal sends by its settings.
#include "terminal_session.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>

namespace {

struct key_case {
    const char* key;
    std::vector<std::string> arguments;
    std::string bytes;
    int code;
    void (*adjust)(termios&) = nullptr;
};

void erase_is_control_h(termios& settings) { settings.c_cc[VERASE] = 0x08; }
void erase_is_hash(termios& settings) { settings.c_cc[VERASE] = '#'; }

TEST(KeyCharactersEndToEnd, EachKeyIsTakenWholeWithTheConsolesCode)
{
    const std::vector<std::string> utf8 = {"--utf8"};
    const key_case cases[] = {
        {"an emoji, GB18030: its first byte", {}, "\x94\x39\xFC\x36", 0x94},
        {"U+20000, GB18030", {}, "\x95\x32\x82\x36", 0x95},
        {"a supplementary kanji, EUC-JP", {}, "\x8F\xB0\xA1", 0x8F},
        {"yi, Big5", {}, "\xA4\x40", 0xA4},
        {"an emoji, GB18030, --utf8: no GBK code", utf8, "\x94\x39\xFC\x36", '?'},
        {"zhong, GBK, --utf8", utf8, "\xD6\xD0", 0xD6},
        {"luo, GBK, --utf8", utf8, "\xC2\xE4", 0xC2},
        {"zhong, CSI u, --utf8", utf8, "\x1b[20013u", 0xD6},
        {"zhong, modifyOtherKeys, --utf8", utf8, "\x1b[27;1;20013~", 0xD6},
        {"euro, CSI u, --utf8", utf8, "\x1b[8364u", 0x80},
        {"Shift+Tab, Linux console", {}, "\x1b\t", 0},
        {"Shift+F1, Konsole", {}, "\x1bO2P", 0},
        {"F12, PuTTY VT100+", {}, "\x1bO[", 224},
        {"Backspace where erase is ^H", {}, "\x08", 8, erase_is_control_h},
        {"Ctrl+Backspace where erase is ^H", {}, "\x7f", 127, erase_is_control_h},
        {"# where erase is #: no Backspace byte", {}, "#", '#', erase_is_hash},
        {"Ctrl+Backspace, CSI u", {}, "\x1b[127;5u", 127},
        {"Ctrl+Backspace, modifyOtherKeys", {}, "\x1b[27;5;127~", 127},
        {"Shift+Backspace, CSI u", {}, "\x1b[127;2u", 8},
        {"a 10 KB bracketed paste: its first character, the rest and marks taken along", {},
         "\x1b[200~h" + std::string(10240, 'e') + "\r\x1b[201~", 'h'},
    };
    for (const key_case& c : cases) {
        SCOPED_TRACE(c.key);
        launch_options options;
        options.input = stream::pipe;
        options.piped_input = "ab";
        options.output = stream::pipe;
        options.arguments = c.arguments;
        options.adjust_settings = c.adjust;
        terminal_session gbcode(options);
        ASSERT_TRUE(gbcode.wait_until_raw());
        // The key, then keys typed ahead in the same burst: those are left for the shell.
        gbcode.type(c.bytes + "xy");
        EXPECT_EQ(exit_code(gbcode.wait_for_exit()), c.code);
        EXPECT_TRUE(same_settings(gbcode.settings(), gbcode.initial_settings()));
        EXPECT_EQ(gbcode.unread_input(), "xy");
    }
}

}  // namespace
