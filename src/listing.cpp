#include "listing.h"

#include <cstddef>

namespace {

constexpr unsigned char prompt[] = {0xCA, 0xE4, 0xC8, 0xEB, 0xBA, 0xBA, 0xD7, 0xD6, 0xA3, 0xBA, '\n'};

constexpr char hex_digits[] = "0123456789abcdef";

// TAB, two bytes, two spaces, two hex fields of up to two digits each, LF.
constexpr std::size_t longest_line = 10;

bool ends_token(int byte)
{
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

// Listing lines waiting to be handed to stdio in one write. Lines are byte runs with a known
// length, never C strings: a token may hold zero bytes.
struct line_buffer {
    std::FILE* out = nullptr;
    bool show_each_line = false;
    std::size_t used = 0;
    unsigned char bytes[64 * 1024];
};

void flush_lines(line_buffer& lines)
{
    std::fwrite(lines.bytes, 1, lines.used, lines.out);
    lines.used = 0;
    if (lines.show_each_line) std::fflush(lines.out);
}

unsigned char* put_hex(unsigned char* at, unsigned char value)
{
    if (value >= 0x10) *at++ = static_cast<unsigned char>(hex_digits[value >> 4]);
    *at++ = static_cast<unsigned char>(hex_digits[value & 0x0F]);
    return at;
}

void add_line(line_buffer& lines, unsigned char first, unsigned char second)
{
    unsigned char* at = lines.bytes + lines.used;
    *at++ = '\t';
    *at++ = first;
    *at++ = second;
    *at++ = ' ';
    *at++ = ' ';
    at = put_hex(at, first);
    at = put_hex(at, second);
    *at++ = '\n';
    lines.used = static_cast<std::size_t>(at - lines.bytes);
    if (lines.show_each_line || sizeof lines.bytes - lines.used < longest_line) flush_lines(lines);
}

int skip_to_token(std::FILE* in)
{
    int byte;
    do byte = std::getc(in);
    while (byte != EOF && ends_token(byte));
    return byte;
}

}  // namespace

void write_prompt(std::FILE* out, bool show_at_once)
{
    std::fwrite(prompt, 1, sizeof prompt, out);
    if (show_at_once) std::fflush(out);
}

void list_token(std::FILE* in, std::FILE* out, bool show_each_line)
{
    line_buffer lines;  // left uninitialised: only the bytes below `used` are ever read
    lines.out = out;
    lines.show_each_line = show_each_line;
    int first = skip_to_token(in);
    int after_token = first;
    while (first != EOF && !ends_token(first)) {
        const int second = std::getc(in);
        if (second == EOF || ends_token(second)) {
            add_line(lines, static_cast<unsigned char>(first), 0x00);  // the token's terminator
            after_token = second;
            break;
        }
        add_line(lines, static_cast<unsigned char>(first), static_cast<unsigned char>(second));
        first = after_token = std::getc(in);
    }
    if (after_token != EOF) std::ungetc(after_token, in);
    flush_lines(lines);
    std::fflush(out);
}
