#pragma once
#include <cstddef>

// The listing's lines, one for each byte pair of the token: TAB, the two bytes as they are,
// two spaces, then each byte's value in lowercase hexadecimal without leading zeros, and LF,
// as printf's "\t%c%c  %x%x\n" would make them.

// A line's parts, in bytes: TAB, the two bytes, two spaces, two hex fields of one or two
// digits, LF (which Windows' C runtime turns into CR LF beyond these lines).
namespace line_part {
constexpr std::size_t tab = 1;
constexpr std::size_t byte_shown_raw = 1;
constexpr std::size_t spaces = 2;
constexpr std::size_t longest_hex_field = 2;
constexpr std::size_t line_end = 1;
}  // namespace line_part

constexpr std::size_t longest_line_showing_bytes_in(std::size_t bytes_per_shown_byte)
{
    using namespace line_part;
    return tab + 2 * bytes_per_shown_byte + spaces + 2 * longest_hex_field + line_end;
}

constexpr std::size_t longest_pair_line = longest_line_showing_bytes_in(line_part::byte_shown_raw);
// put_pair_lines stores whole words, and so may write this far past the last line's end.
constexpr std::size_t pair_lines_overrun = 8;

// Writes the lines of the first `pair_count` byte pairs of `bytes` at `out`, which must have
// room for `longest_pair_line * pair_count + pair_lines_overrun` bytes; returns their end.
unsigned char* put_pair_lines(const unsigned char* bytes, std::size_t pair_count,
                              unsigned char* out) noexcept;

// For a terminal: the same lines, but a control byte (00 to 1F, 7F) shows as '.', so that a
// token cannot move the cursor, switch the character set or reset the terminal, nor swallow
// the hex field after it; the zero byte, which takes no cell, would move it too. No GBK byte
// is a control byte.
unsigned char* put_terminal_pair_lines(const unsigned char* bytes, std::size_t pair_count,
                                       unsigned char* out) noexcept;

// How a readable line shows a control byte: as it is (into a file or pipe), or on a terminal
// as its control picture (U+2400 to U+241F, U+2421), which the terminal does not obey.
enum class control_bytes { as_they_are, as_pictures };

// For UTF-8: the same lines, but the pair is shown readably. A pair that is one GBK character
// shows as that character in UTF-8, other bytes one by one: ASCII bytes as they are,
// control bytes as `controls` says, 80 as the euro sign, FF as U+F8F5, and any other (half of
// a character) as U+FFFD. The hex fields are the same.
constexpr std::size_t longest_readable_pair_line =
    longest_line_showing_bytes_in(3);  // U+FFFD and the control pictures take three bytes
unsigned char* put_readable_pair_lines(const unsigned char* bytes, std::size_t pair_count,
                                       control_bytes controls, unsigned char* out) noexcept;

// The parts of a readable line, for line makers of other encodings: a byte below 80 shown as
// above, and what follows the shown pair (two spaces, the hex fields and LF).
unsigned char* put_readable_ascii(unsigned char byte, control_bytes controls,
                                  unsigned char* out) noexcept;
unsigned char* put_line_end(const unsigned char* pair, unsigned char* out) noexcept;
