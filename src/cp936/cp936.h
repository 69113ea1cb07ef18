#pragma once
#include <cstddef>

// Code page 936 (GBK) as Windows defines it: ASCII, the euro sign at 80, U+F8F5 (a private
// character) at FF, and pairs of a lead byte 81 to FE and a trail byte 40 to FE (but 7F).

// Its number, as the console calls it.
constexpr unsigned gbk_code_page = 936;

constexpr bool is_gbk_lead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
constexpr bool is_gbk_trail(unsigned char byte)
{
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

// The character a byte stands for on its own: ASCII, the euro sign at 80 and U+F8F5 at FF;
// 0 for a byte that is only part of a character (81 to FE).
char32_t unicode_of_gbk_byte(unsigned char byte) noexcept;

// The character a GBK pair stands for; 0 where it stands for none.
char32_t unicode_of_gbk_pair(unsigned char lead, unsigned char trail) noexcept;

// Puts the code page 936 bytes of `character` at `out` and gives how many there are (1 or 2);
// 0 for a character the code page does not have.
std::size_t put_gbk(char32_t character, unsigned char* out) noexcept;
