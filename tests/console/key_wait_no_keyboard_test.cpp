#include "console/key_wait.h"
#include "fake_console.h"

#include <gtest/gtest.h>

namespace {

using fake_console::console;

// Its own program: the key wait remembers a failed open for the rest of the process.
TEST(KeyWaitWithoutKeyboard, ReturnsMinusOneAtOnceAndDoesNotTryAgain)
{
    console.keyboard_present = false;
    EXPECT_EQ(wait_for_key(key_characters::as_typed), -1);
    console.keyboard_present = true;  // even a keyboard that appears later is not tried
    EXPECT_EQ(wait_for_key(key_characters::as_typed), -1);
    EXPECT_EQ(console.open_calls, 1);
    EXPECT_TRUE(console.modes_set.empty());
    EXPECT_EQ(console.next, 0u);
}

}  // namespace
