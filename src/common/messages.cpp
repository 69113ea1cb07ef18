#include "common/messages.h"
#include "common/hex_digits.h"
#include "common/shows_as_itself.h"
#include "common/standard_streams.h"
#include "common/utf8.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char cut_short[] = "...";

// Whether standard error has failed once: later messages are not tried.
bool errors_given_up = false;

}  // namespace

void message::put(char byte) noexcept
{
    if (length_ < capacity - 1) text_[length_++] = byte;  // room is kept for the line end
}

message& message::add(const char* text) noexcept
{
    while (*text != '\0') put(*text++);
    return *this;
}

message& message::add_number(std::size_t number) noexcept
{
    char digits[24];
    std::size_t count = 0;
    do digits[count++] = static_cast<char>('0' + number % 10);
    while ((number /= 10) != 0);
    while (count > 0) put(digits[--count]);
    return *this;
}

message& message::add_code_point(char32_t character) noexcept
{
    add("U+");
    int shift = character > 0xFFFF ? (character > 0xFFFFF ? 20 : 16) : 12;
    for (; shift >= 0; shift -= 4) put("0123456789ABCDEF"[character >> shift & 0xF]);
    return *this;
}

void message::put_hex_byte(unsigned char byte) noexcept
{
    put('\\');
    put('x');
    put(hex_digits[byte >> 4]);
    put(hex_digits[byte & 0x0F]);
}

message& message::add_argument(const char* argument) noexcept
{
    // The most one step adds: a bidirectional control's three bytes escaped.
    constexpr std::size_t longest_piece = 12;
    // A long argument is cut short, so that the words after it still fit.
    constexpr std::size_t room_after_argument = 40;
    constexpr std::size_t argument_end = capacity - room_after_argument - sizeof cut_short;
    const auto* bytes = reinterpret_cast<const unsigned char*>(argument);
    while (*bytes != '\0') {
        if (length_ + longest_piece > argument_end) return add(cut_short);
        const unsigned char byte = *bytes;
        constexpr char named_escapes[] = "abtnvfr";  // for 07 to 0D
        if (byte >= 0x07 && byte <= 0x0D) {
            put('\\');
            put(named_escapes[byte - 0x07]);
        } else if (byte == '\\') {
            add("\\\\");
        } else if (byte < 0x20 || byte == 0x7F) {
            put_hex_byte(byte);
        } else if (byte < 0x80) {
            put(static_cast<char>(byte));
        } else {
            // A whole UTF-8 character stays as it is, unless it could act on the line.
            // The zero byte at the end continues nothing, so the count stops there.
            std::size_t length = 1;
            while (length < utf8_length(byte) && is_utf8_continuation(bytes[length])) ++length;
            const char32_t character = decode_utf8(bytes, length);
            if (character == 0) length = 1;  // a byte that begins no character: escaped alone
            if (shows_as_itself(character)) {
                for (std::size_t i = 0; i < length; ++i) put(static_cast<char>(bytes[i]));
            } else {
                for (std::size_t i = 0; i < length; ++i) put_hex_byte(bytes[i]);
            }
            bytes += length;
            continue;
        }
        ++bytes;
    }
    return *this;
}

void message::send() noexcept
{
    text_[length_++] = '\n';
    const auto* const line = reinterpret_cast<const unsigned char*>(text_);
    if (!errors_given_up && !write_output(stderr, line, length_)) errors_given_up = true;
    length_ = 0;
}

void report_stream_error(const char* stream_name, int error) noexcept
{
    message().add(stream_name).add(": ").add(std::strerror(error)).send();
}
