#include "cp936/utf8_to_gbk.h"
#include "cp936/cp936.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t utf8_length(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

constexpr bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The character of a complete UTF-8 sequence; 0 for one that is no character: too long a
// form of a smaller one, a surrogate, or beyond U+10FFFF.
char32_t decode(const unsigned char* bytes, std::size_t count)
{
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    char32_t character = bytes[0] & (0x7F >> count);
    for (std::size_t i = 1; i < count; ++i) character = character << 6 | (bytes[i] & 0x3F);
    const bool surrogate = character >= 0xD800 && character <= 0xDFFF;
    if (character < smallest[count] || surrogate || character > 0x10FFFF) return 0;
    return character;
}

}  // namespace

unsigned char* utf8_to_gbk::convert(const unsigned char* bytes, std::size_t count,
                                    unsigned char* out) noexcept
{
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char byte = bytes[i];
        if (pending_count_ > 0 && is_continuation(byte)) {
            pending_[pending_count_++] = byte;
            if (pending_count_ == expected_count_) out = put_character(out);
            continue;
        }
        out = finish(out);  // a character cut short by this byte
        expected_count_ = utf8_length(byte);
        if (expected_count_ == 0) {
            *out++ = byte;  // ASCII, or a byte that begins no UTF-8 character
        } else {
            pending_[0] = byte;
            pending_count_ = 1;
        }
    }
    return out;
}

unsigned char* utf8_to_gbk::finish(unsigned char* out) noexcept
{
    std::memcpy(out, pending_, pending_count_);
    out += pending_count_;
    pending_count_ = 0;
    return out;
}

unsigned char* utf8_to_gbk::put_character(unsigned char* out) noexcept
{
    const char32_t character = decode(pending_, pending_count_);
    if (character == 0) return finish(out);
    pending_count_ = 0;
    const std::size_t length = put_gbk(character, out);
    if (length > 0) return out + length;
    std::fprintf(stderr, "gbcode: U+%04X has no GBK code, listed as ?\n", static_cast<unsigned>(character));
    *out = '?';
    return out + 1;
}
