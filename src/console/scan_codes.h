#pragma once
#include "console/console_api.h"

// The PC keyboard's scan codes (set 1) of the keys the key wait knows, by name. The keypad's
// digits share theirs with the cursor block; a console tells the block apart by ENHANCED_KEY.
namespace scan {
constexpr WORD escape = 0x01;
constexpr WORD digit_2 = 0x03;  // Ctrl+2 types NUL
constexpr WORD backspace = 0x0E;
constexpr WORD tab = 0x0F;
constexpr WORD enter = 0x1C;  // and keypad Enter, enhanced
constexpr WORD slash = 0x35;  // and keypad /, enhanced
constexpr WORD keypad_star = 0x37;
constexpr WORD f1 = 0x3B;       // F1 to F10 follow one another
constexpr WORD home = 0x47;     // keypad 7
constexpr WORD up = 0x48;       // keypad 8
constexpr WORD page_up = 0x49;  // keypad 9
constexpr WORD keypad_minus = 0x4A;
constexpr WORD left = 0x4B;   // keypad 4
constexpr WORD right = 0x4D;  // keypad 6
constexpr WORD keypad_plus = 0x4E;
constexpr WORD end = 0x4F;        // keypad 1
constexpr WORD down = 0x50;       // keypad 2
constexpr WORD page_down = 0x51;  // keypad 3
constexpr WORD insert = 0x52;     // keypad 0
constexpr WORD del = 0x53;        // keypad .
constexpr WORD f11 = 0x57;
constexpr WORD f12 = 0x58;
// One past F12, the last key of the console's table; keys of newer keyboards lie beyond.
constexpr WORD scan_code_count = 0x59;
}  // namespace scan
