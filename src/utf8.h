#pragma once
#include <cstddef>

// UTF-8, as terminals and files send it.

// The length of a character by its lead byte; 0 for a byte that leads none.
constexpr std::size_t utf8_length(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

constexpr bool is_utf8_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The character of a complete sequence of `count` bytes (a lead and its continuations); 0 for
// one that is no character: a longer form of a smaller one, a surrogate, or beyond U+10FFFF.
constexpr char32_t decode_utf8(const unsigned char* bytes, std::size_t count)
{
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    char32_t character = bytes[0] & (0x7F >> count);
    for (std::size_t i = 1; i < count; ++i) character = character << 6 | (bytes[i] & 0x3F);
    const bool surrogate = character >= 0xD800 && character <= 0xDFFF;
    if (character < smallest[count] || surrogate || character > 0x10FFFF) return 0;
    return character;
}
