#include "console/key_wait.h"
#include "fake_console.h"
#include "key_events.h"

#include <gtest/gtest.h>

namespace {

using fake_console::console;
using fake_console::cooked_mode;

INPUT_RECORD focus_change()
{
    INPUT_RECORD event{};
    event.EventType = FOCUS_EVENT;
    event.Event.FocusEvent.bSetFocus = TRUE;
    return event;
}

class KeyWait : public ::testing::Test {
protected:
    void SetUp() override { fake_console::reset(); }
};

TEST_F(KeyWait, SkipsWhatIsNoKeyPressAndReturnsTheFirstKey)
{
    console.script = {focus_change(),
                      key_press(0, 0x2A, SHIFT_PRESSED),          // Shift pressed alone
                      key_press(0, 0x2A, 0, FALSE),               // and released
                      key_press('q', 0x10, 0, FALSE),             // a release of a key with a character
                      key_press(0, 0x4C),                         // keypad 5 with Num Lock off
                      key_press(0, 0x59),                         // a scan code beyond the table
                      key_press(0, 0x48, SHIFT_PRESSED),          // keypad Up with Shift
                      key_press('a', 0x1E),
                      key_press('b', 0x30)};
    EXPECT_EQ(wait_for_key(), 'a');
    EXPECT_EQ(console.next, 8u);
    EXPECT_EQ(console.modes_set, (std::vector<DWORD>{0, cooked_mode}));
    EXPECT_FALSE(console.read_outside_raw_mode);
}

TEST_F(KeyWait, ExtendedKeysEndIt)
{
    console.script = {key_press(0, 0x48, ENHANCED_KEY)};
    EXPECT_EQ(wait_for_key(), 224);
    console.script.push_back(key_press(0, 0x48, ENHANCED_KEY | LEFT_ALT_PRESSED));
    EXPECT_EQ(wait_for_key(), 0);
    console.script.push_back(key_press(0, 0x3B));
    EXPECT_EQ(wait_for_key(), 0);
}

TEST_F(KeyWait, FailedOrEmptyReadGivesMinusOneAndPutsTheModeBack)
{
    console.script = {focus_change()};
    EXPECT_EQ(wait_for_key(), -1);
    EXPECT_EQ(console.mode, cooked_mode);

    fake_console::reset();
    console.return_no_event = true;
    EXPECT_EQ(wait_for_key(), -1);
    EXPECT_EQ(console.mode, cooked_mode);
}

TEST_F(KeyWait, AModeThatCannotBeReadIsLeftAlone)
{
    console.mode_readable = false;
    console.script = {key_press('a', 0x1E)};
    EXPECT_EQ(wait_for_key(), -1);
    EXPECT_TRUE(console.modes_set.empty());
}

TEST_F(KeyWait, RestoresWhateverModeItFound)
{
    console.mode = ENABLE_ECHO_INPUT;
    console.script = {key_press('\r', 0x1C)};
    EXPECT_EQ(wait_for_key(), 13);
    EXPECT_EQ(console.modes_set, (std::vector<DWORD>{0, ENABLE_ECHO_INPUT}));
}

TEST_F(KeyWait, ReadsInCodePage936OnlyWhenAskedAndPutsTheCodePageBack)
{
    console.code_page = 65001;
    console.script = {key_press('\xBA', 0), key_press('a', 0x1E)};
    EXPECT_EQ(wait_for_key(key_characters::gbk), 0xBA);
    EXPECT_EQ(console.code_pages_set, (std::vector<UINT>{936, 65001}));
    EXPECT_EQ(wait_for_key(), 'a');
    EXPECT_EQ(console.code_pages_set.size(), 2u);
}

TEST_F(KeyWait, OpensTheKeyboardOnceForTheWholeProcess)
{
    console.script = {key_press('x', 0x2D), key_press('y', 0x15)};
    EXPECT_EQ(wait_for_key(), 'x');
    EXPECT_EQ(wait_for_key(), 'y');
    EXPECT_EQ(console.open_calls, 1);  // counted over every wait of this test program
}

}  // namespace
