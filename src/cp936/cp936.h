#pragma once
#include <cstddef>

// Code page 936 (GBK) as Windows defines it: ASCII, the euro sign at 80, and pairs of a lead
// byte 81 to FE and a trail byte 40 to FE (but 7F).

// The character a GBK pair stands for; 0 where it stands for none.
char32_t unicode_of_gbk_pair(unsigned char lead, unsigned char trail) noexcept;

// Puts the code page 936 bytes of `character` at `out` and gives how many there are (1 or 2);
// 0 for a character the code page does not have.
std::size_t put_gbk(char32_t character, unsigned char* out) noexcept;
