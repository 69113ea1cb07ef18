#pragma once

// A byte's hexadecimal digits, as the listing and the messages write them: index by nibble.
inline constexpr char hex_digits[] = "0123456789abcdef";
