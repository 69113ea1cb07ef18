#pragma once
#include <cstddef>

// The listing's lines, one for each byte pair of the token: TAB, the two bytes as they are,
// two spaces, then each byte's value in lowercase hexadecimal without leading zeros, and LF,
// as printf's "\t%c%c  %x%x\n" would make them.

// TAB, two bytes, two spaces, two hex fields of up to two digits each, LF.
constexpr std::size_t longest_pair_line = 10;
// put_pair_lines stores whole words, and so may write this far past the last line's end.
constexpr std::size_t pair_lines_overrun = 8;

// Writes the lines of the first `pair_count` byte pairs of `bytes` at `out`, which must have
// room for `longest_pair_line * pair_count + pair_lines_overrun` bytes; returns their end.
unsigned char* put_pair_lines(const unsigned char* bytes, std::size_t pair_count,
                              unsigned char* out) noexcept;

// For a UTF-8 terminal: the same lines, but the pair is shown readably. A pair that is one
// GBK character shows as that character in UTF-8, other bytes one by one: ASCII, control and
// zero bytes as they are, 80 as the euro sign, and any other (half of a character) as U+FFFD.
// The hex fields are the same.
constexpr std::size_t longest_readable_pair_line = 14;  // two U+FFFD take three bytes each
unsigned char* put_readable_pair_lines(const unsigned char* bytes, std::size_t pair_count,
                                       unsigned char* out) noexcept;
