#pragma once
// Key presses as a terminal sends them and the code the key wait ends with: one row type for
// the unit tables and for the pseudo-terminal's.
#include "console/key_wait.h"
#include "console/vt_input.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

constexpr int no_key = -1;  // bytes that make no key: the wait goes on

struct key_case {
    const char* key;
    std::string bytes;  // typed in one burst: the key, then any typed ahead
    int code;
    std::string left = {};  // the keys typed ahead, never read: left for the shell
    // gbk: gbcode --utf8, a character gives its GBK code's first byte; gb18030: gbcode -g
    key_characters characters = key_characters::as_typed;
    unsigned char erase = 0x7F;  // the terminal's erase character (stty erase)
};

// Feeds each case's bytes to the key reader as the key wait does, one at a time and then
// silence, until a key press ends the wait; checks its code and the bytes never read.
inline void expect_keys(std::initializer_list<key_case> cases)
{
    for (const key_case& c : cases) {
        SCOPED_TRACE(c.key);
        terminal_input input;
        input.set_erase_character(c.erase);
        std::optional<int> code;
        std::size_t read = 0;
        for (bool silent = false; !code && !(silent && !input.expects_more());) {
            if (const std::optional<key_press> press = input.next_key()) {
                code = key_code_of(*press, c.characters);
            } else if (read < c.bytes.size()) {
                input.add(static_cast<unsigned char>(c.bytes[read++]));
            } else {
                input.add_silence();
                silent = true;
            }
        }
        EXPECT_EQ(code.value_or(no_key), c.code);
        EXPECT_EQ(c.bytes.substr(read), c.left);
    }
}
