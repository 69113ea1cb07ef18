#pragma once
#include "console/keyboard.h"

#include <optional>

// The code a key press ends the wait with, from its event as a narrow console read gives it:
// its character's first byte, or for a key without one the first of its two extended codes
// (0 or 224 for most). Empty for an event that does not end the wait: a key release (but Alt's
// release carrying a character typed with Alt and the keypad), a modifier key alone, a key
// without an entry, anything but a key.
std::optional<int> key_code_of(const INPUT_RECORD& event) noexcept;

// Which byte a typed character gives: its first in the console's code page (on a terminal,
// the first the terminal sends for it), or the first of its code in code page 936 (GBK),
// whatever the console's own code page, as a GBK console would give it.
enum class key_characters { as_typed, gbk };

// The code a key press from the keyboard ends the wait with, its character given as asked.
std::optional<int> key_code_of(const key_press& press, key_characters characters) noexcept;

// Blocks until one key press at the console keyboard and returns its code, or -1 when the
// keyboard cannot be opened or read. The keyboard is opened on the first call and kept open;
// its mode is changed only during the wait and is put back on every path, Ctrl+Break and a
// closed console window included.
int wait_for_key(key_characters characters) noexcept;
