#include "console/key_wait.h"
#include "fake_console.h"
#include "key_events.h"

#include <gtest/gtest.h>

namespace {

using fake_console::console;
using fake_console::cooked_mode;

constexpr auto as_typed = key_characters::as_typed;
constexpr auto gbk = key_characters::gbk;

class KeyWait : public ::testing::Test {
protected:
    void SetUp() override { fake_console::reset(); }
};

TEST_F(KeyWait, SkipsWhatIsNoKeyPressAndReturnsTheFirstKey)
{
    console.script = {other_event(),
                      wide_key_press(0, 0x2A, SHIFT_PRESSED),  // Shift pressed alone
                      wide_key_press(0, 0x2A, 0, FALSE),       // and released
                      wide_key_press('q', 0x10, 0, FALSE),  // a release of a key with a character
                      wide_key_press(0, 0x4C),              // keypad 5 with Num Lock off
                      wide_key_press(0, 0x59),              // a scan code beyond the table
                      wide_key_press(0, 0x48, SHIFT_PRESSED),  // keypad Up with Shift
                      wide_key_press('a', 0x1E),
                      wide_key_press('b', 0x30)};
    EXPECT_EQ(wait_for_key(as_typed), 'a');
    EXPECT_EQ(console.next, 8u);
    EXPECT_EQ(console.modes_set, (std::vector<DWORD>{0, cooked_mode}));
    EXPECT_FALSE(console.read_outside_raw_mode);
}

TEST_F(KeyWait, ExtendedKeysEndIt)
{
    console.script = {wide_key_press(0, 0x48, ENHANCED_KEY)};
    EXPECT_EQ(wait_for_key(as_typed), 224);
    console.script.push_back(wide_key_press(0, 0x48, ENHANCED_KEY | LEFT_ALT_PRESSED));
    EXPECT_EQ(wait_for_key(as_typed), 0);
    console.script.push_back(wide_key_press(0, 0x3B));
    EXPECT_EQ(wait_for_key(as_typed), 0);
}

TEST_F(KeyWait, FailedOrEmptyReadGivesMinusOneAndPutsTheModeBack)
{
    console.script = {other_event()};
    EXPECT_EQ(wait_for_key(as_typed), -1);
    EXPECT_EQ(console.mode, cooked_mode);

    fake_console::reset();
    console.return_no_event = true;
    EXPECT_EQ(wait_for_key(as_typed), -1);
    EXPECT_EQ(console.mode, cooked_mode);
}

TEST_F(KeyWait, AModeThatCannotBeReadIsLeftAlone)
{
    console.mode_readable = false;
    console.script = {wide_key_press('a', 0x1E)};
    EXPECT_EQ(wait_for_key(as_typed), -1);
    EXPECT_TRUE(console.modes_set.empty());
}

TEST_F(KeyWait, RestoresWhateverModeItFound)
{
    console.mode = ENABLE_ECHO_INPUT;
    console.script = {wide_key_press('\r', 0x1C)};
    EXPECT_EQ(wait_for_key(as_typed), 13);
    EXPECT_EQ(console.modes_set, (std::vector<DWORD>{0, ENABLE_ECHO_INPUT}));
}

TEST_F(KeyWait, ACharacterGivesItsFirstByteInTheConsolesCodePageOr936)
{
    const INPUT_RECORD han = wide_key_press(0x6C49, 0);  // GBK BA BA, UTF-8 E6 B1 89
    console.code_page = 936;
    console.script = {han, han};
    EXPECT_EQ(wait_for_key(as_typed), 0xBA);
    console.code_page = 65001;
    EXPECT_EQ(wait_for_key(gbk), 0xBA);
    // Only the console's own code page is converted to; GBK's exact pairs are the table's.
    EXPECT_EQ(console.code_pages_converted_to, (std::vector<UINT>{936, 65001}));
    console.script.push_back(han);
    EXPECT_EQ(wait_for_key(as_typed), 0xE6);
    EXPECT_EQ(console.code_page, 65001u);  // read, never set
}

TEST_F(KeyWait, ASurrogatePairIsOneCharacter)
{
    console.code_page = 65001;
    // U+1F600 comes as two key presses, each with its release; GBK lacks it.
    console.script = {wide_key_press(0xD83D, 0), wide_key_press(0xD83D, 0, 0, FALSE),
                      wide_key_press(0xDE00, 0), wide_key_press('b', 0x30)};
    EXPECT_EQ(wait_for_key(gbk), '?');
    EXPECT_EQ(console.next, 3u);
    console.script.insert(console.script.begin() + 3,
                          {wide_key_press(0xD83D, 0), wide_key_press(0xDE00, 0)});
    EXPECT_EQ(wait_for_key(as_typed), 0xF0);
    // A lone half is no character: dropped, and the next key counts.
    console.script.insert(console.script.begin() + 5,
                          {wide_key_press(0xDE00, 0), wide_key_press(0xD83D, 0)});
    EXPECT_EQ(wait_for_key(as_typed), 'b');
}

TEST_F(KeyWait, ACharacterWhoseReleaseCarriesItTooCountsOnce)
{
    // As an IME or a program's typing (VK_PACKET) brings it: down and up, both with the character.
    INPUT_RECORD down = wide_key_press(0x6C49, 0);
    down.Event.KeyEvent.wVirtualKeyCode = 0xE7;
    INPUT_RECORD up = down;
    up.Event.KeyEvent.bKeyDown = FALSE;
    console.code_page = 936;
    console.script = {down, up, wide_key_press('b', 0x30)};
    EXPECT_EQ(wait_for_key(as_typed), 0xBA);
    EXPECT_EQ(wait_for_key(as_typed), 'b');
}

TEST_F(KeyWait, AltReleasedWithACharacterTypedOnTheKeypadEndsIt)
{
    INPUT_RECORD alt_up = wide_key_press(0x6C49, 0x38, 0, FALSE);
    alt_up.Event.KeyEvent.wVirtualKeyCode = VK_MENU;
    console.code_page = 936;
    console.script = {wide_key_press(0, 0x38, LEFT_ALT_PRESSED),
                      wide_key_press(0, 0x4F, LEFT_ALT_PRESSED),
                      wide_key_press(0, 0x4F, LEFT_ALT_PRESSED, FALSE), alt_up};
    EXPECT_EQ(wait_for_key(as_typed), 0xBA);
}

TEST_F(KeyWait, AHeldKeyIsOnePress)
{
    INPUT_RECORD held = wide_key_press('x', 0x2D);
    held.Event.KeyEvent.wRepeatCount = 3;
    console.script = {held, wide_key_press('y', 0x15)};
    EXPECT_EQ(wait_for_key(as_typed), 'x');
    EXPECT_EQ(console.next, 1u);
}

TEST_F(KeyWait, TheControlHandlerPutsTheModeBackAndLetsTheProcessEnd)
{
    constexpr DWORD found = ENABLE_ECHO_INPUT;
    const struct {
        DWORD event;
        bool when_added;  // before the wait has changed the mode
        int code;
        std::vector<DWORD> modes_set;
    } cases[] = {
        {CTRL_BREAK_EVENT, false, 'a', {0, found}},
        {CTRL_CLOSE_EVENT, false, 'a', {0, found}},
        {CTRL_LOGOFF_EVENT, false, 'a', {0, found}},
        {CTRL_SHUTDOWN_EVENT, false, 'a', {0, found}},
        // Sent by another program to a gbcode started ignoring it: the wait goes on raw.
        {CTRL_C_EVENT, false, 'a', {0, found, 0, found}},
        // Nothing to put back yet, and the mode is then left as found.
        {CTRL_BREAK_EVENT, true, -1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.event);
        SCOPED_TRACE(c.when_added);
        fake_console::reset();
        console.mode = found;
        (c.when_added ? console.control_event_when_added : console.control_event) = c.event;
        console.script = {other_event(), wide_key_press('a', 0x1E)};
        EXPECT_EQ(wait_for_key(as_typed), c.code);
        EXPECT_EQ(console.mode_after_control_handler, found);
        EXPECT_EQ(console.control_handler_result, FALSE);
        EXPECT_EQ(console.modes_set, c.modes_set);
        EXPECT_EQ(console.mode, found);
        EXPECT_EQ(console.control_handler, nullptr);  // installed for the wait only
        EXPECT_EQ(console.control_handlers_added, 0);
    }
}

TEST_F(KeyWait, OpensTheKeyboardOnceForTheWholeProcess)
{
    console.script = {wide_key_press('x', 0x2D), wide_key_press('y', 0x15)};
    EXPECT_EQ(wait_for_key(as_typed), 'x');
    EXPECT_EQ(wait_for_key(as_typed), 'y');
    EXPECT_EQ(console.open_calls, 1);  // counted over every wait of this test program
}

}  // namespace
