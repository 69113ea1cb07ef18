#pragma once
#include <cstddef>

// GB18030-2022, the national standard that extends GBK to every Unicode character: ASCII, a
// pair (code page 936's, but for 100 pairs that code page leaves in the Private Use Area) or
// four bytes, 81-FE 30-39 81-FE 30-39, for every other character. The 2022 edition's mapping
// is taken strictly: each character has one code and each code one character.

// Puts the code of `character` at `out` and gives its length: 1, 2 or 4; 0 for what is not
// a Unicode scalar value (a surrogate, or beyond U+10FFFF).
std::size_t put_gb18030(char32_t character, unsigned char* out) noexcept;

// The character whose code begins at `bytes`, and how many bytes the code takes.
struct gb18030_character {
    char32_t character;
    std::size_t length;
};

// Reads the code that begins at `bytes`, of which `count` are at hand. A byte below 80 is
// itself; a byte that begins no code (80, FF, a lead byte whose code is broken or unassigned)
// gives {0, 1}. Length 0 when the bytes at hand end within a code that may still be whole
// and `more_may_follow`; without more to follow, such a code is broken.
gb18030_character read_gb18030(const unsigned char* bytes, std::size_t count,
                               bool more_may_follow) noexcept;
