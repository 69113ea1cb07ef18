#include "listing/pair_lines.h"
#include "common/hex_digits.h"
#include "common/utf8.h"
#include "cp936/cp936.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

// A line is put down as two overlapping 8-byte words, with no branch on the number of hex
// digits (random bytes would mispredict it):
//
//   offset    0     1      2       3   4   5 ...
//   head      TAB   first  second  SP  SP  (3 spare bytes)
//   tail                                   first's hex, second's hex, LF, (spare bytes)
//
// The tail, stored at hex_offset, overwrites the head's spare bytes; the next line, stored
// where this one ends (7 to 10 bytes on), overwrites the tail's.
constexpr std::size_t hex_offset =
    line_part::tab + 2 * line_part::byte_shown_raw + line_part::spaces;
constexpr std::uint64_t tab_and_spaces = 0x20'20'00'00'09;  // first byte lowest
constexpr unsigned first_byte_shift = 8;
constexpr unsigned second_byte_shift = 16;

// Each byte value's "%x" digits, first digit lowest, and in the top byte how many there are.
constexpr unsigned count_shift = 56;
constexpr std::uint64_t digits_mask = 0xFF'FF'FF;  // up to two digits and the LF after them

constexpr std::uint64_t hex_field(unsigned byte, bool with_line_end)
{
    std::uint64_t field = 0;
    unsigned count = 0;
    const auto put = [&](char character) {
        field |= std::uint64_t{static_cast<unsigned char>(character)} << (8 * count++);
    };
    if (byte >= 0x10) put(hex_digits[byte >> 4]);
    put(hex_digits[byte & 0x0F]);
    if (with_line_end) put('\n');
    return field | std::uint64_t{count} << count_shift;
}

constexpr auto hex_fields(bool with_line_end)
{
    std::array<std::uint64_t, 256> fields{};
    for (unsigned byte = 0; byte < 256; ++byte) fields[byte] = hex_field(byte, with_line_end);
    return fields;
}

constexpr std::array<std::uint64_t, 256> first_hex_fields = hex_fields(false);
constexpr std::array<std::uint64_t, 256> second_hex_fields_and_lf = hex_fields(true);

// The words above hold a line's bytes first byte lowest; a big-endian machine stores them
// reversed. Compilers reduce this to nothing, or to one byte-swap instruction.
constexpr std::uint64_t in_memory_order(std::uint64_t word)
{
    if constexpr (std::endian::native == std::endian::little) return word;
    std::uint64_t reversed = 0;
    for (int byte = 0; byte < 8; ++byte) reversed = reversed << 8 | (word >> (8 * byte) & 0xFF);
    return reversed;
}

// On a terminal, the bytes that would act instead of showing. The zero byte acts on nothing,
// but takes no cell either, and would move the hex field after it out of line.
constexpr bool is_control_byte(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

// A byte as it stands, or U+FFFD for half of a character.
unsigned char* put_readable_byte(unsigned char byte, control_bytes controls, unsigned char* out)
{
    if (byte < 0x80) return put_readable_ascii(byte, controls, out);
    const char32_t character = unicode_of_gbk_byte(byte);
    return put_utf8(character != 0 ? character : replacement_character, out);
}

unsigned char* put_hex(unsigned char byte, unsigned char* out)
{
    if (byte >= 0x10) *out++ = static_cast<unsigned char>(hex_digits[byte >> 4]);
    *out++ = static_cast<unsigned char>(hex_digits[byte & 0x0F]);
    return out;
}

}  // namespace

unsigned char* put_pair_lines(const unsigned char* bytes, std::size_t pair_count,
                              unsigned char* out) noexcept
{
    for (std::size_t i = 0; i < pair_count; ++i, bytes += 2) {
        const std::uint64_t first = bytes[0];
        const std::uint64_t second = bytes[1];
        const std::uint64_t first_hex = first_hex_fields[first];
        const std::uint64_t second_hex = second_hex_fields_and_lf[second];
        const auto first_count = static_cast<unsigned>(first_hex >> count_shift);
        const auto second_count = static_cast<unsigned>(second_hex >> count_shift);
        const std::uint64_t head =
            tab_and_spaces | first << first_byte_shift | second << second_byte_shift;
        const std::uint64_t tail = (first_hex & digits_mask) | (second_hex & digits_mask)
                                                                   << (8 * first_count);
        const std::uint64_t head_bytes = in_memory_order(head);
        const std::uint64_t tail_bytes = in_memory_order(tail);
        std::memcpy(out, &head_bytes, sizeof head_bytes);
        std::memcpy(out + hex_offset, &tail_bytes, sizeof tail_bytes);
        out += hex_offset + first_count + second_count;
    }
    return out;
}

unsigned char* put_terminal_pair_lines(const unsigned char* bytes, std::size_t pair_count,
                                       unsigned char* out) noexcept
{
    constexpr std::size_t first_shown = line_part::tab;
    for (std::size_t i = 0; i < pair_count; ++i, bytes += 2) {
        unsigned char* const line = out;
        out = put_pair_lines(bytes, 1, out);
        for (unsigned char* shown = line + first_shown; shown != line + first_shown + 2; ++shown) {
            if (is_control_byte(*shown)) *shown = '.';
        }
    }
    return out;
}

unsigned char* put_readable_ascii(unsigned char byte, control_bytes controls,
                                  unsigned char* out) noexcept
{
    constexpr char32_t control_pictures = 0x2400;  // U+2400 for 00, on to U+241F for 1F
    constexpr char32_t delete_picture = 0x2421;
    if (controls == control_bytes::as_pictures && is_control_byte(byte)) {
        return put_utf8(byte == 0x7F ? delete_picture : control_pictures + byte, out);
    }
    *out = byte;
    return out + 1;
}

unsigned char* put_line_end(const unsigned char* pair, unsigned char* out) noexcept
{
    *out++ = ' ';
    *out++ = ' ';
    out = put_hex(pair[1], put_hex(pair[0], out));
    *out++ = '\n';
    return out;
}

unsigned char* put_readable_pair_lines(const unsigned char* bytes, std::size_t pair_count,
                                       control_bytes controls, unsigned char* out) noexcept
{
    for (std::size_t i = 0; i < pair_count; ++i, bytes += 2) {
        *out++ = '\t';
        if (const char32_t character = unicode_of_gbk_pair(bytes[0], bytes[1])) {
            out = put_utf8(character, out);
        } else {
            out = put_readable_byte(bytes[0], controls, out);
            out = put_readable_byte(bytes[1], controls, out);
        }
        out = put_line_end(bytes, out);
    }
    return out;
}
