#pragma once
#include <cstddef>
#include <span>

// UTF-8, as terminals and files send it.

// U+FFFD, shown where bytes make no character.
constexpr char32_t replacement_character = 0xFFFD;

// The length of a character by its lead byte; 0 for a byte that leads none.
constexpr std::size_t utf8_length(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

constexpr bool is_utf8_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Whether `byte` may be the byte at `index` (1 to 3) of a character led by `lead`: after E0,
// ED, F0 and F4 not every continuation may, lest the bytes make a longer form of a smaller
// character, a surrogate or a code beyond U+10FFFF.
constexpr bool continues_utf8(unsigned char lead, std::size_t index, unsigned char byte)
{
    if (!is_utf8_continuation(byte)) return false;
    if (index > 1) return true;
    switch (lead) {
    case 0xE0: return byte >= 0xA0;
    case 0xED: return byte <= 0x9F;
    case 0xF0: return byte >= 0x90;
    case 0xF4: return byte <= 0x8F;
    default: return true;
    }
}

// Puts the UTF-8 bytes of `character` (at most U+10FFFF) at `out`; returns their end.
constexpr unsigned char* put_utf8(char32_t character, unsigned char* out)
{
    if (character < 0x80) {
        *out++ = static_cast<unsigned char>(character);
        return out;
    }
    const std::size_t length = character < 0x800 ? 2 : character < 0x10000 ? 3 : 4;
    const unsigned char lead_marks[] = {0, 0, 0xC0, 0xE0, 0xF0};
    *out = static_cast<unsigned char>(lead_marks[length] | character >> (6 * (length - 1)));
    for (std::size_t i = 1; i < length; ++i) {
        out[i] = static_cast<unsigned char>(0x80 | (character >> (6 * (length - 1 - i)) & 0x3F));
    }
    return out + length;
}

// The character that `count` bytes (1 to 4) make together: one ASCII byte, or a lead byte and
// as many continuations as it announces. 0 where they make no one character: another count, a
// byte out of place, a longer form of a smaller character, a surrogate, or beyond U+10FFFF;
// and 0 for the zero byte as well, which only a count of 1 can give.
constexpr char32_t decode_utf8(const unsigned char* bytes, std::size_t count)
{
    if (count == 1) return bytes[0] < 0x80 ? bytes[0] : 0;
    if (count == 0 || utf8_length(bytes[0]) != count) return 0;
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    char32_t character = bytes[0] & (0x7F >> count);
    for (std::size_t i = 1; i < count; ++i) {
        if (!is_utf8_continuation(bytes[i])) return 0;
        character = character << 6 | (bytes[i] & 0x3F);
    }
    const bool surrogate = character >= 0xD800 && character <= 0xDFFF;
    if (character < smallest[count] || surrogate || character > 0x10FFFF) return 0;
    return character;
}

// Decodes UTF-8 a byte at a time, for text that arrives in pieces: a character split between
// two pieces is decoded whole, and bytes that make no character are handed back as they are.
class utf8_decoder {
public:
    enum class step {
        more,       // the byte begins or goes on with a character
        character,  // the byte ends character()
        not_utf8,   // rejected() makes no character: a stray byte, or a character whose bytes
                    // came whole but make a longer form, a surrogate or more than U+10FFFF
        cut_short,  // rejected() began a character that this byte does not go on with; the
                    // byte itself is not taken yet: push it again
    };

    constexpr step push(unsigned char byte) noexcept
    {
        if (held_count_ > 0 && !is_utf8_continuation(byte)) {
            rejected_count_ = held_count_;
            held_count_ = 0;
            return step::cut_short;
        }
        held_[held_count_++] = byte;
        const std::size_t length = held_count_ == 1 ? utf8_length(held_[0]) : length_;
        if (held_count_ == 1 && byte < 0x80) return give(byte);
        if (length == 0) return reject();
        length_ = length;
        if (held_count_ < length) return step::more;
        const char32_t character = decode_utf8(held_, held_count_);
        return character != 0 ? give(character) : reject();
    }

    // What the last push gave, until the next push.
    char32_t character() const noexcept { return character_; }
    std::span<const unsigned char> rejected() const noexcept { return {held_, rejected_count_}; }
    // The bytes of a character still going on: where the text ends, they make none.
    std::span<const unsigned char> held() const noexcept { return {held_, held_count_}; }
    void clear() noexcept { held_count_ = 0; }

private:
    constexpr step give(char32_t character) noexcept
    {
        character_ = character;
        held_count_ = 0;
        return step::character;
    }
    constexpr step reject() noexcept
    {
        rejected_count_ = held_count_;
        held_count_ = 0;
        return step::not_utf8;
    }

    unsigned char held_[4]{};
    std::size_t held_count_ = 0;
    std::size_t length_ = 0;
    std::size_t rejected_count_ = 0;
    char32_t character_ = 0;
};
