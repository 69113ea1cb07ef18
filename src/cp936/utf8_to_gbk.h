#pragma once
#include <cstddef>

// Converts UTF-8 text, arriving in pieces, to its code page 936 bytes. A character the code
// page lacks becomes '?', as a code page 936 console makes it, and is named on standard error;
// bytes that are not UTF-8 pass through unchanged, so GBK given by mistake keeps its codes.
class utf8_to_gbk {
public:
    // The most bytes convert() may put out beyond the count it is given: those of a character
    // begun in the previous piece and found to be cut short.
    static constexpr std::size_t carried_over = 3;

    // Converts `count` bytes to `out`, which has room for `count + carried_over`; returns the
    // end of what it put there. A character split between pieces is converted whole.
    unsigned char* convert(const unsigned char* bytes, std::size_t count,
                           unsigned char* out) noexcept;
    // Passes on, unchanged, the bytes of a character that the text's end cut short.
    unsigned char* finish(unsigned char* out) noexcept;

private:
    unsigned char* put_character(unsigned char* out) noexcept;

    unsigned char pending_[4]{};
    std::size_t pending_count_ = 0;
    std::size_t expected_count_ = 0;
};
