// Keys typed at the built gbcode's key wait through a pseudo-terminal, those whose code
// depends on the terminal's settings (raw: no signal, flow control or line end translated; its
// erase character) or on its timing (Esc's silence, a long paste, keys typed ahead). The
// codes of every other key are unit rows, in console/vt_decode_test.cpp.
#include "console/key_case.h"
#include "terminal_session.h"

namespace {

void erase_is_control_h(termios& settings) { settings.c_cc[VERASE] = 0x08; }
void erase_is_hash(termios& settings) { settings.c_cc[VERASE] = '#'; }

TEST(KeyCharactersEndToEnd, KeysThatNeedTheTerminalGiveTheConsolesCode)
{
    const key_case cases[] = {
        {"Enter", "\r", 13},
        {"Backspace, the erase character", "\x7f", 8},
        {"Esc alone", "\x1b", 27},
        {"Ctrl+C, not ending the process", "\x03", 3},
        {"Ctrl+Z", "\x1a", 26},
        {"Ctrl+\\", "\x1c", 28},
        {"Ctrl+S", "\x13", 19},
        {"Ctrl+Q", "\x11", 17},
        {"e acute with keys typed ahead", "\xC3\xA9xy", 0xC3, "xy"},
        {"zhong in UTF-8, --utf8", "\xE4\xB8\xADxy", 0xD6, "xy", key_characters::gbk},
        {"an emoji, -g: its four-byte code", "\xF0\x9F\x98\x80xy", 0x94, "xy",
         key_characters::gb18030},
        {"Backspace where erase is ^H", "\x08xy", 8, "xy", {}, 0x08},
        {"Ctrl+Backspace where erase is ^H", "\x7fxy", 127, "xy", {}, 0x08},
        {"# where erase is #: no Backspace byte", "#xy", '#', "xy", {}, '#'},
        {"a 10 KB bracketed paste: its first character, the rest and marks taken along",
         "\x1b[200~h" + std::string(10240, 'e') + "\r\x1b[201~xy", 'h', "xy"},
    };
    for (const key_case& c : cases) {
        SCOPED_TRACE(c.key);
        launch_options options = piped_token();
        const bool utf8 = c.characters != key_characters::as_typed;
        if (c.characters == key_characters::gbk) options.with_arguments({"--utf8"});
        if (c.characters == key_characters::gb18030) options.with_arguments({"--gb18030"});
        if (c.erase == 0x08) options.adjusted(erase_is_control_h);
        if (c.erase == '#') options.adjusted(erase_is_hash);
        terminal_session gbcode(options);
        ASSERT_TRUE(gbcode.type_when_raw(c.bytes));
        // Nothing echoed.
        expect_end(gbcode, {.code = c.code,
                            .output = (utf8 ? utf8_prompt : gbk_prompt) + "\tab  6162\n",
                            .screen = "",
                            .left = c.left});
    }
}

}  // namespace
