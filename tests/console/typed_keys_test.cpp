// Keys typed at a terminal, as the key wait reads them from the terminal's bytes: each key
// taken whole with the code a console gives, and keys typed ahead after it left unread.
// Those that need the terminal's own settings run through the built program too, in
// key_characters_end_to_end_test.cpp.
#include "console/key_case.h"

#include <string>

using namespace std::string_literals;

namespace {

TEST(TypedKeys, EachKeyEndsTheWaitWithItsCodeAndIsTakenWhole)
{
    expect_keys({
        {"Enter", "\r", 13},
        {"a", "a", 97},
        {"Shift+a", "A", 65},
        {"Tab", "\t", 9},
        {"Backspace, the erase character", "\x7f", 8},
        {"Esc alone", "\x1b", 27},
        {"Ctrl+C, not ending the process", "\x03", 3},
        {"Ctrl+Z", "\x1a", 26},
        {"Ctrl+\\", "\x1c", 28},
        {"Ctrl+S", "\x13", 19},
        {"Ctrl+Q", "\x11", 17},
        {"Ctrl+2", "\0"s, 0},
        {"Up", "\x1b[A", 224},
        {"Up, application mode", "\x1bOA", 224},
        {"Ctrl+Up", "\x1b[1;5A", 224},
        {"Alt+Up", "\x1b[1;3A", 0},
        {"Delete", "\x1b[3~", 224},
        {"Delete in st", "\x1b[P", 224},
        {"F1", "\x1bOP", 0},
        {"F10", "\x1b[21~", 0},
        {"F12", "\x1b[24~", 224},
        {"Shift+Tab", "\x1b[Z", 0},
        {"keypad Enter", "\x1bOM", 13},
        {"keypad /", "\x1bOo", 47},
        {"Alt+x", "\x1bx", 120},
        {"Alt+[", "\x1b[", 91},
        {"Ctrl+C as modifyOtherKeys sends it", "\x1b[27;5;99~", 3},
        {"a focus report, then x", "\x1b[Ix", 120},
        {"a paste: its first character, the rest taken along", "\x1b[200~hi\x1b[201~", 104},
        {"a colour reply, then k", "\x1b]11;rgb:0000/0000/0000\x1b\\k", 'k'},
        {"an over-long sequence, then k", "\x1b[" + std::string(300, ';') + "Ak", 'k'},
        {"a mouse report, then k", "\x1b[M !!k", 'k'},
        {"e acute, UTF-8: its first byte", "\xC3\xA9", 0xC3},
        {"han, UTF-8", "\xE6\xB1\x89", 0xE6},
        {"han, GBK under luit", "\xBA\xBA", 0xBA},
        {"Alt+e acute", "\x1b\xC3\xA9", 0xC3},
        {"e acute with keys typed ahead", "\xC3\xA9xy", 0xC3, "xy"},
    });
}

TEST(TypedKeys, CharactersInEveryCharacterSetAndKeysByTheTerminalsSettings)
{
    expect_keys({
        {"an emoji, GB18030: its first byte", "\x94\x39\xFC\x36xy", 0x94, "xy"},
        {"U+20000, GB18030", "\x95\x32\x82\x36xy", 0x95, "xy"},
        {"a supplementary kanji, EUC-JP", "\x8F\xB0\xA1xy", 0x8F, "xy"},
        {"yi, Big5", "\xA4\x40xy", 0xA4, "xy"},
        {"an emoji, GB18030, --utf8: no GBK code", "\x94\x39\xFC\x36xy", '?', "xy", true},
        {"zhong, GBK, --utf8", "\xD6\xD0xy", 0xD6, "xy", true},
        {"luo, GBK, --utf8", "\xC2\xE4xy", 0xC2, "xy", true},
        {"zhong, CSI u, --utf8", "\x1b[20013uxy", 0xD6, "xy", true},
        {"zhong, modifyOtherKeys, --utf8", "\x1b[27;1;20013~xy", 0xD6, "xy", true},
        {"euro, CSI u, --utf8", "\x1b[8364uxy", 0x80, "xy", true},
        {"Shift+Tab, Linux console", "\x1b\txy", 0, "xy"},
        {"Shift+F1, Konsole", "\x1bO2Pxy", 0, "xy"},
        {"F12, PuTTY VT100+", "\x1bO[xy", 224, "xy"},
        {"Backspace where erase is ^H", "\x08xy", 8, "xy", false, 0x08},
        {"Ctrl+Backspace where erase is ^H", "\x7fxy", 127, "xy", false, 0x08},
        {"# where erase is #: no Backspace byte", "#xy", '#', "xy", false, '#'},
        {"Ctrl+Backspace, CSI u", "\x1b[127;5uxy", 127, "xy"},
        {"Ctrl+Backspace, modifyOtherKeys", "\x1b[27;5;127~xy", 127, "xy"},
        {"Shift+Backspace, CSI u", "\x1b[127;2uxy", 8, "xy"},
        {"a 10 KB bracketed paste: its first character, the rest and marks taken along",
         "\x1b[200~h" + std::string(10240, 'e') + "\r\x1b[201~xy", 'h', "xy"},
        {"U+009B typed alone, --utf8: no GBK code", "\xC2\x9B", '?', "", true},
        {"a surrogate reported by CSI u, then x", "\x1b[55296ux", 'x'},
    });
}

TEST(TypedKeys, ACharacterGivesItsFirstByteAsSentOrInGbkWithUtf8)
{
    expect_keys({
        {"zhong in UTF-8", "\xE4\xB8\xAD", 0xE4},
        {"zhong in UTF-8, --utf8", "\xE4\xB8\xAD", 0xD6, "", true},
        {"euro sign, --utf8", "\xE2\x82\xAC", 0x80, "", true},
        {"an emoji", "\xF0\x9F\x98\x80", 0xF0},
        {"an emoji, --utf8", "\xF0\x9F\x98\x80", '?', "", true},
        {"zhong in GBK", "\xD6\xD0", 0xD6},
        {"a lone high byte", "\xB0", 0xB0},
        {"a", "a", 'a', "", true},
    });
}

}  // namespace
