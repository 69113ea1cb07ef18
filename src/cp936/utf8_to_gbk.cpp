#include "cp936/utf8_to_gbk.h"
#include "cp936/cp936.h"
#include "cp936/gb18030.h"
#include "utf8.h"

#include <algorithm>
#include <cstring>

unsigned char* utf8_to_gbk::convert(const unsigned char* bytes, std::size_t count,
                                    unsigned char* out) noexcept
{
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char byte = bytes[i];
        if (pending_count_ > 0 && is_utf8_continuation(byte)) {
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
    const char32_t character = decode_utf8(pending_, pending_count_);
    if (character == 0) return finish(out);
    pending_count_ = 0;
    const std::size_t length = codes_ == gbk_codes::gb18030 ? put_gb18030(character, out)
                                                            : put_gbk(character, out);
    if (length > 0) return out + length;
    ++missing_count_;
    const char32_t* const named = first_missing_;
    const char32_t* const named_end = named + first_missing_count_;
    if (first_missing_count_ < most_named && std::find(named, named_end, character) == named_end) {
        first_missing_[first_missing_count_++] = character;
    }
    *out = '?';
    return out + 1;
}
