#pragma once
// The keyboard as each platform supplies it to the key wait: the console's own calls on
// Windows (console_keyboard.cpp), the controlling terminal elsewhere (terminal_keyboard.cpp).
// The key wait over these is one piece of code for both, and so are the tables it reads.
#include "console/console_api.h"

#include <optional>

// A key press: the key event a narrow console read gives for it (its scan code, modifiers
// and ENHANCED_KEY as a console reports them, and the first byte of its character as typed:
// in the console's code page, or as the terminal sent it), with the Unicode character it
// types, for its code in another code page; 0 for ASCII and for a key without a character.
struct key_press {
    KEY_EVENT_RECORD key;
    char32_t character;
};

// Opens the keyboard on the first call and keeps it open; false when there is none.
bool open_keyboard() noexcept;

// Saves the keyboard's mode and makes it raw: no echo, no line editing, no signal or flow
// control keys. False when it is left as found. A success is always matched by
// put_keyboard_back(), which puts back exactly what was saved, as every ending does.
bool make_keyboard_raw() noexcept;
void put_keyboard_back() noexcept;

// Blocks until the next key press (a release only where it carries a character); empty when
// the keyboard fails or is gone.
std::optional<key_press> read_key_press() noexcept;
