// Keys typed at a terminal, read as the key wait reads them: the rows once run through the
// built program but for those that need the terminal (key_characters_end_to_end_test.cpp).
#include "console/key_case.h"

#include <string>

namespace {

constexpr auto gbk = key_characters::gbk;
constexpr auto gb18030 = key_characters::gb18030;

TEST(TypedKeys, EachKeyIsTakenWholeWithTheConsolesCode)
{
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
    });
}

}  // namespace
