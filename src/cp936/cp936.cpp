#include "cp936/cp936.h"

#include <cstdint>

namespace {

struct single_byte_character {
    unsigned char byte;
    char32_t character;
};

#include "cp936/table.inc"

constexpr unsigned trails_per_lead = 0xFF - 0x40;

// The table turned around, made on first use: the mode that needs it is rare, and gbcode
// must start as fast without it. Every character of the code page has one pair only.
struct gbk_pairs_by_unicode {
    std::uint16_t pairs[0x10000];

    gbk_pairs_by_unicode() noexcept
        : pairs{}
    {
        constexpr unsigned pair_count = sizeof unicode_by_gbk_pair / sizeof *unicode_by_gbk_pair;
        for (unsigned index = 0; index < pair_count; ++index) {
            const unsigned lead = 0x81 + index / trails_per_lead;
            const unsigned trail = 0x40 + index % trails_per_lead;
            if (unicode_by_gbk_pair[index] != 0) {
                pairs[unicode_by_gbk_pair[index]] = static_cast<std::uint16_t>(lead << 8 | trail);
            }
        }
    }
};

std::uint16_t gbk_pair_of(char32_t character) noexcept
{
    static const gbk_pairs_by_unicode table;
    return table.pairs[character];
}

}  // namespace

char32_t unicode_of_gbk_byte(unsigned char byte) noexcept
{
    if (byte < 0x80) return byte;
    for (const single_byte_character& single : single_byte_characters) {
        if (single.byte == byte) return single.character;
    }
    return 0;
}

char32_t unicode_of_gbk_pair(unsigned char lead, unsigned char trail) noexcept
{
    if (!is_gbk_lead(lead) || !is_gbk_trail(trail)) return 0;
    return unicode_by_gbk_pair[(lead - 0x81) * trails_per_lead + (trail - 0x40)];
}

std::size_t put_gbk(char32_t character, unsigned char* out) noexcept
{
    if (character < 0x80) {
        out[0] = static_cast<unsigned char>(character);
        return 1;
    }
    for (const single_byte_character& single : single_byte_characters) {
        if (single.character != character) continue;
        out[0] = single.byte;
        return 1;
    }
    if (character > 0xFFFF) return 0;
    const std::uint16_t pair = gbk_pair_of(character);
    if (pair == 0) return 0;
    out[0] = static_cast<unsigned char>(pair >> 8);
    out[1] = static_cast<unsigned char>(pair & 0xFF);
    return 2;
}
