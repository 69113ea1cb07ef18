#pragma once
#include "common/text_encoding.h"
#include "common/utf8.h"
#include "cp936/utf8_to_gbk.h"
#include "listing/listing_output.h"

#include <cstddef>

// Finds the token in input as it arrives, piece by piece, and lists it two bytes to a line,
// paired by position: the listing's work between two reads. Leading bytes 09 to 0D and 20 are
// skipped, and the token runs up to the next such byte. A pair may be split between pieces.
// UTF-8 input is converted to GBK (or GB18030) first, and those bytes are paired.
class token_scan {
public:
    token_scan(listing_output& out, text_encoding input_encoding) noexcept
        : out_(out),
          input_encoding_(input_encoding),
          mark_bytes_seen_(reads_utf8(input_encoding) ? 0 : sizeof byte_order_mark),
          converter_(input_encoding == text_encoding::gb18030 ? gbk_codes::gb18030
                                                              : gbk_codes::code_page_936)
    {
    }

    // Lists what `bytes` add to the token. Returns false once the token has ended among them.
    bool list_more(const unsigned char* bytes, std::size_t count) noexcept;
    // Lists a last odd byte with the token's zero terminator, and writes what is gathered.
    void finish() noexcept;
    // The conversion from UTF-8 so far, with the characters that had no GBK code.
    const utf8_to_gbk& conversion() const noexcept { return converter_; }
    // For GBK input, after finish(): whether the token was well-formed UTF-8 holding a
    // character of three or four bytes, as every Chinese character is in UTF-8. GBK text
    // hardly ever is, and never with only GB2312's first-level characters (leads B0 to D7),
    // ASCII and symbols: no three-byte character can begin at their pairs' lead bytes, and
    // two-byte ones keep to the pairs. So the terminal was most likely UTF-8.
    bool looks_like_utf8() const noexcept
    {
        return may_be_utf8_ && has_long_utf8_ && utf8_index_ == 0;
    }

private:
    void pair(const unsigned char* bytes, std::size_t count) noexcept;
    void list_token_bytes(const unsigned char* bytes, std::size_t count) noexcept;
    void list_held_mark_bytes() noexcept;
    void check_utf8(const unsigned char* bytes, std::size_t count) noexcept;

    // U+FEFF in UTF-8, with which editors on Windows begin files saved as UTF-8 (Notepad among
    // them): a sign of the encoding, not text, and a character GBK lacks. Left out of the
    // listing where it opens UTF-8 input; anywhere else it is a character like any other.
    static constexpr unsigned char byte_order_mark[] = {0xEF, 0xBB, 0xBF};

    listing_output& out_;
    const text_encoding input_encoding_;
    // How much of the byte order mark the input has begun with, so far; all of it once the
    // input is known not to begin with the mark (and from the start in GBK).
    std::size_t mark_bytes_seen_;
    bool in_token_ = false;    // leading blanks are behind
    bool holds_byte_ = false;  // a pair's first byte came at the end of the last piece
    unsigned char held_byte_ = 0;
    utf8_to_gbk converter_;
    // Whether the GBK token read so far could be UTF-8 (checked only until it cannot), and
    // where in a character it stands: the lead byte and the index of the byte to come.
    bool may_be_utf8_ = true;
    bool has_long_utf8_ = false;
    unsigned char utf8_lead_ = 0;
    std::size_t utf8_length_ = 0;
    std::size_t utf8_index_ = 0;
};
