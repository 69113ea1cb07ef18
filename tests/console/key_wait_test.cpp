#include "console/key_wait.h"
#include "key_events.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

namespace {

constexpr DWORD alt = LEFT_ALT_PRESSED;
constexpr DWORD ctrl = LEFT_CTRL_PRESSED;
constexpr DWORD shift = SHIFT_PRESSED;
constexpr DWORD enhanced = ENHANCED_KEY;

TEST(KeyCode, KeysWithACharacterGiveIt)
{
    EXPECT_EQ(key_code_of(key_press('\r', 0x1C)), 13);
    EXPECT_EQ(key_code_of(key_press(0x1B, 0x01)), 27);
    EXPECT_EQ(key_code_of(key_press('a', 0x1E)), 97);
    EXPECT_EQ(key_code_of(key_press('A', 0x1E, shift)), 65);
    EXPECT_EQ(key_code_of(key_press(0x03, 0x2E, ctrl)), 3);
    EXPECT_EQ(key_code_of(key_press('\xBA', 0)), 0xBA);  // 8-bit characters count unsigned
    INPUT_RECORD repeated = key_press('x', 0x2D);
    repeated.Event.KeyEvent.wRepeatCount = 5;
    EXPECT_EQ(key_code_of(repeated), 'x');
}

TEST(KeyCode, ReleasesModifiersAloneAndOtherEventsAreIgnored)
{
    EXPECT_EQ(key_code_of(key_press('a', 0x1E, 0, FALSE)), std::nullopt);
    EXPECT_EQ(key_code_of(key_press(0, 0x3B, 0, FALSE)), std::nullopt);
    for (WORD modifier : {0x2A, 0x36, 0x1D, 0x38, 0x3A, 0x45}) {
        SCOPED_TRACE(modifier);
        EXPECT_EQ(key_code_of(key_press(0, modifier, shift)), std::nullopt);
    }
    INPUT_RECORD focus{};
    focus.EventType = FOCUS_EVENT;
    EXPECT_EQ(key_code_of(focus), std::nullopt);
}

TEST(KeyCode, AltReleasedWithACharacterTypedOnTheKeypadGivesIt)
{
    INPUT_RECORD alt_up = key_press('\xBA', 0x38, 0, FALSE);
    alt_up.Event.KeyEvent.wVirtualKeyCode = VK_MENU;
    EXPECT_EQ(key_code_of(alt_up), 0xBA);
    alt_up.Event.KeyEvent.uChar.AsciiChar = 0;  // Alt released after anything else
    EXPECT_EQ(key_code_of(alt_up), std::nullopt);
}

struct telling_row {
    const char* key;
    WORD scan_code;
    DWORD table;  // 0 for the main table, ENHANCED_KEY for the enhanced one
    int plain, shifted, with_ctrl, with_alt;  // the first codes; -1 where the key is ignored
};

TEST(KeyCode, TellingRows)
{
    const telling_row rows[] = {
        {"F1", 0x3B, 0, 0x00, 0x00, 0x00, 0x00},
        {"F10", 0x44, 0, 0x00, 0x00, 0x00, 0x00},
        {"F11", 0x57, 0, 0xE0, 0xE0, 0xE0, 0xE0},
        {"F12", 0x58, 0, 0xE0, 0xE0, 0xE0, 0xE0},
        {"keypad 7, Num Lock off", 0x47, 0, 0x00, -1, 0x00, -1},
        {"Home", 0x47, enhanced, 0xE0, 0xE0, 0xE0, 0x00},
        {"Up", 0x48, enhanced, 0xE0, 0xE0, 0xE0, 0x00},
        {"Delete", 0x53, enhanced, 0xE0, 0xE0, 0xE0, 0x00},
        {"keypad Enter", 0x1C, enhanced, 0x0D, 0x0D, 0x0A, 0x00},
        {"keypad /", 0x35, enhanced, 0x2F, 0x3F, 0x00, 0x00},
    };
    for (const telling_row& row : rows) {
        SCOPED_TRACE(row.key);
        const int expected[] = {row.plain, row.shifted, row.with_ctrl, row.with_alt};
        const DWORD states[] = {0, shift, ctrl, alt};
        for (int column = 0; column < 4; ++column) {
            SCOPED_TRACE(column);
            const std::optional<int> code =
                key_code_of(key_press(0, row.scan_code, states[column] | row.table));
            EXPECT_EQ(code.value_or(-1), expected[column]);
        }
    }
}

std::set<WORD> scan_codes(std::initializer_list<std::pair<WORD, WORD>> ranges)
{
    std::set<WORD> codes;
    for (auto [from, to] : ranges) {
        for (WORD code = from; code <= to; ++code) codes.insert(code);
    }
    return codes;
}

// Every key press without a character, against the whole effect of the two tables.
TEST(KeyCode, MainTableEffectInFull)
{
    const std::set<WORD> keypad{0x47, 0x48, 0x49, 0x4B, 0x4D, 0x4F, 0x50, 0x51, 0x52, 0x53};
    std::set<WORD> plain = scan_codes({{0x3B, 0x44}});
    plain.insert(keypad.begin(), keypad.end());
    std::set<WORD> with_ctrl = scan_codes({{0x03, 0x03}, {0x0F, 0x0F}, {0x3B, 0x44}});
    with_ctrl.insert(keypad.begin(), keypad.end());
    const struct {
        const char* column;
        DWORD state;
        std::set<WORD> giving_zero;
    } columns[] = {
        {"no modifier", 0, plain},
        {"Shift", shift, scan_codes({{0x0F, 0x0F}, {0x3B, 0x44}})},
        {"Ctrl", ctrl, with_ctrl},
        {"Ctrl (right)", RIGHT_CTRL_PRESSED, with_ctrl},
        {"Alt", alt, scan_codes({{0x01, 0x1C}, {0x1E, 0x29}, {0x2C, 0x35}, {0x3B, 0x44}})},
        {"Alt (right) over Ctrl and Shift", RIGHT_ALT_PRESSED | ctrl | shift,
         scan_codes({{0x01, 0x1C}, {0x1E, 0x29}, {0x2C, 0x35}, {0x3B, 0x44}})},
        {"Ctrl over Shift", ctrl | shift, with_ctrl},
    };
    for (const auto& column : columns) {
        SCOPED_TRACE(column.column);
        for (WORD scan_code = 0; scan_code <= 0x100; ++scan_code) {
            SCOPED_TRACE(scan_code);
            std::optional<int> expected;
            if (column.giving_zero.count(scan_code)) expected = 0;
            if (scan_code == 0x57 || scan_code == 0x58) expected = 224;
            EXPECT_EQ(key_code_of(key_press(0, scan_code, column.state)), expected);
        }
    }
}

TEST(KeyCode, EnhancedTableEffectInFull)
{
    const std::set<WORD> cursor_block{0x47, 0x48, 0x49, 0x4B, 0x4D, 0x4F, 0x50, 0x51, 0x52, 0x53};
    const DWORD states[] = {0, shift, ctrl, alt};
    const int keypad_enter[] = {13, 13, 10, 0};
    const int keypad_slash[] = {47, 63, 0, 0};
    for (WORD scan_code = 0; scan_code <= 0x100; ++scan_code) {
        SCOPED_TRACE(scan_code);
        for (int column = 0; column < 4; ++column) {
            SCOPED_TRACE(column);
            std::optional<int> expected;
            if (cursor_block.count(scan_code)) expected = column == 3 ? 0 : 224;
            if (scan_code == 0x1C) expected = keypad_enter[column];
            if (scan_code == 0x35) expected = keypad_slash[column];
            EXPECT_EQ(key_code_of(key_press(0, scan_code, states[column] | enhanced)), expected);
        }
    }
}

}  // namespace
