#include "cp936/gb18030.h"
#include "cp936/cp936.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

// A pair, lead byte high, and its character.
struct gb18030_pair {
    std::uint16_t pair;
    char32_t character;
};

// The first four-byte number of a run of consecutive characters, and its first character.
struct four_byte_run {
    std::uint32_t first_number;
    char32_t first_character;
};

#include "cp936/gb18030_table.inc"

// 90 30 81 30, U+10000; every character beyond it follows in order.
constexpr std::uint32_t supplementary_first_number = 189000;

constexpr bool is_digit(unsigned char byte) { return byte >= 0x30 && byte <= 0x39; }

constexpr bool is_private_use(char32_t character)
{
    return character >= 0xE000 && character <= 0xF8FF;
}

// The pairs apart all hold private characters in code page 936 (the generator checks it): only
// those need looking for among them.
const gb18030_pair* find_pair_apart(unsigned char lead, unsigned char trail) noexcept
{
    const auto pair = static_cast<std::uint16_t>(lead << 8 | trail);
    const auto* const end = std::end(pairs_apart_from_cp936);
    const auto* const found = std::lower_bound(
        std::begin(pairs_apart_from_cp936), end, pair,
        [](const gb18030_pair& cell, std::uint16_t wanted) { return cell.pair < wanted; });
    return found != end && found->pair == pair ? found : nullptr;
}

std::uint32_t number_in_plane_0(char32_t character) noexcept
{
    constexpr std::size_t run_count = std::size(four_byte_runs);
    for (std::size_t i = 0; i < run_count; ++i) {
        const four_byte_run& run = four_byte_runs[i];
        const std::uint32_t end =
            i + 1 < run_count ? four_byte_runs[i + 1].first_number : four_byte_numbers_in_plane_0;
        if (character >= run.first_character &&
            character - run.first_character < end - run.first_number) {
            return run.first_number + (character - run.first_character);
        }
    }
    return 0;  // not reached: the generator checks that every other character is in a run
}

char32_t character_in_plane_0(std::uint32_t number) noexcept
{
    const auto* const after = std::upper_bound(
        std::begin(four_byte_runs), std::end(four_byte_runs), number,
        [](std::uint32_t wanted, const four_byte_run& run) { return wanted < run.first_number; });
    return after[-1].first_character + (number - after[-1].first_number);
}

std::size_t put_four_bytes(std::uint32_t number, unsigned char* out) noexcept
{
    out[3] = static_cast<unsigned char>(0x30 + number % 10);
    number /= 10;
    out[2] = static_cast<unsigned char>(0x81 + number % 126);
    number /= 126;
    out[1] = static_cast<unsigned char>(0x30 + number % 10);
    out[0] = static_cast<unsigned char>(0x81 + number / 10);
    return 4;
}

}  // namespace

std::size_t put_gb18030(char32_t character, unsigned char* out) noexcept
{
    if (character < 0x80) {
        out[0] = static_cast<unsigned char>(character);
        return 1;
    }
    if (character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) return 0;
    // Beyond U+FFFF every character has four bytes, in order.
    if (character >= 0x10000) {
        return put_four_bytes(supplementary_first_number + (character - 0x10000), out);
    }
    // Code page 936's pair, where GB18030 gives that pair the same character: if it gives
    // the pair another, it gives this character a pair apart or four bytes.
    if (put_gbk(character, out) == 2 &&
        (!is_private_use(character) || find_pair_apart(out[0], out[1]) == nullptr)) {
        return 2;
    }
    for (const gb18030_pair& cell : pairs_apart_from_cp936) {
        if (cell.character != character) continue;
        out[0] = static_cast<unsigned char>(cell.pair >> 8);
        out[1] = static_cast<unsigned char>(cell.pair & 0xFF);
        return 2;
    }
    return put_four_bytes(number_in_plane_0(character), out);
}

gb18030_character read_gb18030(const unsigned char* bytes, std::size_t count,
                               bool more_may_follow) noexcept
{
    constexpr gb18030_character broken{0, 1};
    constexpr gb18030_character unknown_yet{0, 0};
    if (count == 0) return unknown_yet;
    if (bytes[0] < 0x80) return {bytes[0], 1};
    if (!is_gbk_lead(bytes[0])) return broken;
    if (count < 2) return more_may_follow ? unknown_yet : broken;
    if (is_gbk_trail(bytes[1])) {
        const char32_t character = unicode_of_gbk_pair(bytes[0], bytes[1]);
        const gb18030_pair* const apart =
            is_private_use(character) ? find_pair_apart(bytes[0], bytes[1]) : nullptr;
        return {apart ? apart->character : character, 2};
    }
    if (!is_digit(bytes[1]) || (count > 2 && !is_gbk_lead(bytes[2])) ||
        (count > 3 && !is_digit(bytes[3]))) {
        return broken;
    }
    if (count < 4) return more_may_follow ? unknown_yet : broken;
    const std::uint32_t number =
        ((static_cast<std::uint32_t>(bytes[0] - 0x81) * 10 + (bytes[1] - 0x30)) * 126 +
         (bytes[2] - 0x81)) *
            10 +
        (bytes[3] - 0x30);
    if (number < four_byte_numbers_in_plane_0) return {character_in_plane_0(number), 4};
    if (number >= supplementary_first_number && number - supplementary_first_number <= 0xFFFFF) {
        return {0x10000 + (number - supplementary_first_number), 4};
    }
    return broken;
}
