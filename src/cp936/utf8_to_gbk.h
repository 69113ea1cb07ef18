#pragma once
#include "common/utf8.h"

#include <cstddef>
#include <span>

// Which codes the conversion gives: code page 936's, or GB18030-2022's, which extends them to
// every character.
enum class gbk_codes { code_page_936, gb18030 };

// Converts UTF-8 text, arriving in pieces, to its code page 936 (or GB18030) bytes. A
// character the code page lacks becomes '?', as a code page 936 console makes it, and is
// counted, the first few of them kept for naming; bytes that are not UTF-8 pass through
// unchanged, so GBK given by mistake keeps its codes.
class utf8_to_gbk {
public:
    explicit utf8_to_gbk(gbk_codes codes = gbk_codes::code_page_936) noexcept
        : codes_(codes)
    {
    }

    // The most bytes convert() may put out beyond the count it is given: those of a character
    // begun in the previous piece and found to be cut short.
    static constexpr std::size_t carried_over = 3;

    // Converts `count` bytes to `out`, which has room for `count + carried_over` bytes, or to
    // GB18030 `2 * count + carried_over` (two bytes of UTF-8 may become four); returns the end
    // of what it put there. A character split between pieces is converted whole.
    unsigned char* convert(const unsigned char* bytes, std::size_t count,
                           unsigned char* out) noexcept;
    // Passes on, unchanged, the bytes of a character that the text's end cut short.
    unsigned char* finish(unsigned char* out) noexcept;

    // How many characters without a GBK code have become '?'.
    std::size_t missing_count() const noexcept { return missing_count_; }
    // The first of them, each once, in the order met: at most `most_named`.
    static constexpr std::size_t most_named = 10;
    std::span<const char32_t> first_missing() const noexcept
    {
        return {first_missing_, first_missing_count_};
    }

private:
    unsigned char* put_character(char32_t character, unsigned char* out) noexcept;
    static unsigned char* pass_on(std::span<const unsigned char> bytes,
                                  unsigned char* out) noexcept;

    const gbk_codes codes_;
    utf8_decoder decoder_;
    std::size_t missing_count_ = 0;
    char32_t first_missing_[most_named]{};
    std::size_t first_missing_count_ = 0;
};
