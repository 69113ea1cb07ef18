#include "listing.h"
#include "standard_streams.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

constexpr unsigned char prompt[] = {0xCA, 0xE4, 0xC8, 0xEB, 0xBA, 0xBA, 0xD7, 0xD6, 0xA3, 0xBA, '\n'};

constexpr char hex_digits[] = "0123456789abcdef";

constexpr bool ends_token(unsigned char byte)
{
    return byte == ' ' || static_cast<unsigned char>(byte - '\t') <= '\r' - '\t';
}

// "%x" of a byte: one digit below 0x10, two from there on.
constexpr unsigned hex_length(unsigned byte) { return byte >= 0x10 ? 2 : 1; }

constexpr std::uint64_t hex_field(unsigned byte)
{
    const std::uint64_t low = static_cast<unsigned char>(hex_digits[byte & 0x0F]);
    if (byte < 0x10) return low;
    return static_cast<unsigned char>(hex_digits[byte >> 4]) | low << 8;
}

// A line's variable end as words (first byte lowest), so that it takes two loads and no branch on
// the digit counts, which random bytes would mispredict. The first byte's hex field comes
// with, in its top bits, where the second byte's table starts; that table holds the second
// byte's hex field and LF already moved past the first field, and the whole line's length in
// its top byte. Those top bytes land past the line's end, where the next line overwrites them.
constexpr std::array<std::uint64_t, 256> first_hex_fields = [] {
    std::array<std::uint64_t, 256> fields{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        fields[byte] = hex_field(byte) | std::uint64_t{256 * (hex_length(byte) - 1)} << 48;
    }
    return fields;
}();

constexpr std::array<std::uint64_t, 2 * 256> second_hex_fields_and_lf = [] {
    std::array<std::uint64_t, 2 * 256> fields{};
    for (unsigned first_length = 1; first_length <= 2; ++first_length) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            const unsigned length = hex_length(byte);
            const std::uint64_t field = hex_field(byte) | std::uint64_t{'\n'} << (8 * length);
            const std::uint64_t line_length = 5 + first_length + length + 1;
            fields[256 * (first_length - 1) + byte] =
                field << (8 * first_length) | line_length << 56;
        }
    }
    return fields;
}();

// The words below hold a line's bytes first byte lowest; a big-endian machine stores them
// reversed. Compilers reduce this to nothing, or to one byte-swap instruction.
constexpr std::uint64_t in_memory_order(std::uint64_t word)
{
    if constexpr (std::endian::native == std::endian::little) return word;
    std::uint64_t reversed = 0;
    for (int byte = 0; byte < 8; ++byte) reversed = reversed << 8 | (word >> (8 * byte) & 0xFF);
    return reversed;
}

const unsigned char* find_token_end(const unsigned char* from, const unsigned char* end)
{
    // Look at whole blocks without branching on each byte; only a block that holds the end
    // is searched byte by byte. The byte-wide accumulator (a bool one defeats GCC) lets
    // compilers turn the block test into vector instructions.
    constexpr std::size_t block = 32;
    while (static_cast<std::size_t>(end - from) >= block) {
        unsigned char any_end = 0;
        for (std::size_t i = 0; i < block; ++i) any_end |= ends_token(from[i]);
        if (any_end) break;
        from += block;
    }
    while (from != end && !ends_token(*from)) ++from;
    return from;
}

const unsigned char* skip_to_token(const unsigned char* from, const unsigned char* end)
{
    while (from != end && ends_token(*from)) ++from;
    return from;
}

// Lines are made in place in the output's block, which is sent once nearly full, or after
// each line on a terminal.
void put_lines(token_listing& listing, const unsigned char* bytes, std::size_t pair_count)
{
    static_assert(longest_pair_line < block_writer::block_spare);
    static_assert(pair_line_slack <= block_writer::overrun);
    block_writer& lines = listing.lines;
    const bool line_by_line = lines.shows_each_block();
    while (pair_count > 0) {
        const std::size_t room = line_by_line ? 1 : lines.room() / longest_pair_line;
        const std::size_t pairs = pair_count < room ? pair_count : room;
        lines.add(put_pair_lines(bytes, pairs, lines.free_space()));
        if (line_by_line || lines.room() < block_writer::block_spare) lines.send();
        bytes += 2 * pairs;
        pair_count -= pairs;
    }
}

}  // namespace

unsigned char* put_pair_lines(const unsigned char* bytes, std::size_t pair_count, unsigned char* out)
{
    // Each line is two word stores: TAB, the two bytes and two spaces, then the hex fields
    // and LF. The second store overlaps the first's spare bytes; the next line overwrites the
    // second's.
    constexpr std::uint64_t tab_and_spaces = 0x20200000'09;
    for (std::size_t i = 0; i < pair_count; ++i, bytes += 2) {
        const std::uint64_t first = bytes[0];
        const std::uint64_t second = bytes[1];
        const std::uint64_t head = in_memory_order(tab_and_spaces | first << 8 | second << 16);
        const std::uint64_t first_hex = first_hex_fields[first];
        const std::uint64_t rest = second_hex_fields_and_lf[(first_hex >> 48) + second];
        const std::uint64_t tail = in_memory_order(first_hex | rest);
        std::memcpy(out, &head, sizeof head);
        std::memcpy(out + 5, &tail, sizeof tail);
        out += rest >> 56;
    }
    return out;
}

void write_prompt(std::FILE* out, bool show_at_once)
{
    std::fwrite(prompt, 1, sizeof prompt, out);
    if (show_at_once) std::fflush(out);
}

bool list_more(token_listing& listing, const unsigned char* from, std::size_t count)
{
    const unsigned char* const end = from + count;
    if (!listing.in_token) {
        from = skip_to_token(from, end);
        listing.in_token = from != end;
    }
    const unsigned char* const token_end = find_token_end(from, end);
    // A pair split between two pieces.
    if (listing.holds_byte && from != token_end) {
        const unsigned char pair[2] = {listing.held_byte, *from++};
        put_lines(listing, pair, 1);
        listing.holds_byte = false;
    }
    const std::size_t length = static_cast<std::size_t>(token_end - from);
    put_lines(listing, from, length / 2);
    if (length % 2 == 1) {
        listing.held_byte = token_end[-1];
        listing.holds_byte = true;
    }
    return token_end == end;
}

void finish_listing(token_listing& listing)
{
    if (listing.holds_byte) {
        const unsigned char last_pair[2] = {listing.held_byte, 0x00};  // with the terminator
        put_lines(listing, last_pair, 1);
        listing.holds_byte = false;
    }
    listing.lines.finish();
}

void list_token(std::FILE* in, std::FILE* out, bool show_each_line)
{
    token_listing listing(out, show_each_line);  // blocks left uninitialised: only lines go out
    unsigned char input[32 * 1024];
    for (;;) {
        const std::size_t count = read_input(in, input, sizeof input);
        if (count == 0 || !list_more(listing, input, count)) break;
    }
    finish_listing(listing);
}
