#pragma once

// UTF-16, as Windows' wide console calls take and give it: a character beyond U+FFFF is two
// units, a high surrogate and then a low one.

constexpr bool is_high_surrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool is_low_surrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The character a high and a low surrogate make together.
constexpr char32_t joined_surrogates(char32_t high, char32_t low)
{
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// The two units of a character beyond U+FFFF.
constexpr char32_t high_surrogate_of(char32_t character)
{
    return 0xD800 + ((character - 0x10000) >> 10);
}
constexpr char32_t low_surrogate_of(char32_t character)
{
    return 0xDC00 + ((character - 0x10000) & 0x3FF);
}
