#include "cp936/utf8_to_gbk.h"
#include "cp936/cp936.h"
#include "cp936/gb18030.h"

#include <algorithm>
#include <cstring>

unsigned char* utf8_to_gbk::convert(const unsigned char* bytes, std::size_t count,
                                    unsigned char* out) noexcept
{
    for (std::size_t i = 0; i < count;) {
        switch (decoder_.push(bytes[i])) {
        case utf8_decoder::step::more: break;
        case utf8_decoder::step::character: out = put_character(decoder_.character(), out); break;
        case utf8_decoder::step::not_utf8: out = pass_on(decoder_.rejected(), out); break;
        case utf8_decoder::step::cut_short:
            out = pass_on(decoder_.rejected(), out);
            continue;  // the byte that cut it short begins anew
        }
        ++i;
    }
    return out;
}

unsigned char* utf8_to_gbk::finish(unsigned char* out) noexcept
{
    out = pass_on(decoder_.held(), out);
    decoder_.clear();
    return out;
}

unsigned char* utf8_to_gbk::pass_on(std::span<const unsigned char> bytes,
                                    unsigned char* out) noexcept
{
    std::memcpy(out, bytes.data(), bytes.size());
    return out + bytes.size();
}

unsigned char* utf8_to_gbk::put_character(char32_t character, unsigned char* out) noexcept
{
    const std::size_t length =
        codes_ == gbk_codes::gb18030 ? put_gb18030(character, out) : put_gbk(character, out);
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
