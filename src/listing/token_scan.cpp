#include "listing/token_scan.h"

namespace {

// The converted bytes of one piece of UTF-8 input on their way to the pairs, at most twice as
// many (a character of three bytes may take four). Static, not in the scan on the stack: a
// small stack (ulimit -s) must do.
constexpr std::size_t conversion_piece = 4096;
unsigned char converted[2 * conversion_piece + utf8_to_gbk::carried_over];

constexpr bool ends_token(unsigned char byte)
{
    return byte == ' ' || static_cast<unsigned char>(byte - '\t') <= '\r' - '\t';
}

const unsigned char* find_token_end(const unsigned char* from, const unsigned char* end)
{
    // Look at whole blocks without branching on each byte; only a block that holds the end
    // is searched byte by byte. The byte-wide accumulator (a bool one defeats GCC) lets
    // compilers turn the block test into vector instructions.
    constexpr std::size_t block = 32;
    while (static_cast<std::size_t>(end - from) >= block) {
        unsigned char any_end = 0;
        for (std::size_t i = 0; i < block; ++i) any_end |= ends_token(from[i]);
        if (any_end) break;
        from += block;
    }
    while (from != end && !ends_token(*from)) ++from;
    return from;
}

const unsigned char* skip_to_token(const unsigned char* from, const unsigned char* end)
{
    while (from != end && ends_token(*from)) ++from;
    return from;
}

}  // namespace

bool token_scan::list_more(const unsigned char* from, std::size_t count) noexcept
{
    // The mark may come split between reads: its first bytes are held until it is whole.
    for (; mark_bytes_seen_ < sizeof byte_order_mark && count > 0; ++from, --count) {
        if (*from != byte_order_mark[mark_bytes_seen_]) {
            list_held_mark_bytes();
            break;
        }
        ++mark_bytes_seen_;
    }
    const unsigned char* const end = from + count;
    if (!in_token_) {
        from = skip_to_token(from, end);
        in_token_ = from != end;
    }
    const unsigned char* const token_end = find_token_end(from, end);
    list_token_bytes(from, static_cast<std::size_t>(token_end - from));
    return token_end == end;
}

// The input began with bytes of the mark but not with the whole mark: they are text.
void token_scan::list_held_mark_bytes() noexcept
{
    const std::size_t held = mark_bytes_seen_;
    mark_bytes_seen_ = sizeof byte_order_mark;
    list_more(byte_order_mark, held);  // none of them is a blank: the token goes on
}

void token_scan::list_token_bytes(const unsigned char* bytes, std::size_t count) noexcept
{
    if (input_encoding_ == text_encoding::gbk) {
        if (may_be_utf8_) check_utf8(bytes, count);
        pair(bytes, count);
        return;
    }
    while (count > 0) {
        const std::size_t piece = count < conversion_piece ? count : conversion_piece;
        const unsigned char* const end = converter_.convert(bytes, piece, converted);
        pair(converted, static_cast<std::size_t>(end - converted));
        bytes += piece;
        count -= piece;
    }
}

// Character by character where a whole one is there, as plain as the listing beside it;
// only a character split between two pieces is taken a byte at a time.
void token_scan::check_utf8(const unsigned char* bytes, std::size_t count) noexcept
{
    std::size_t at = 0;
    for (; utf8_index_ > 0 && at < count; ++at) {
        may_be_utf8_ = continues_utf8(utf8_lead_, utf8_index_, bytes[at]);
        if (!may_be_utf8_) return;
        if (++utf8_index_ == utf8_length_) utf8_index_ = 0;
    }
    bool has_long = false;
    while (at < count) {
        const unsigned char lead = bytes[at];
        if (lead < 0x80) {
            ++at;
            continue;
        }
        // The CJK ideographs, led by E1 to EC, need no look at the lead beyond that.
        const bool common = lead >= 0xE1 && lead <= 0xEC && count - at > 2;
        if (common && is_utf8_continuation(bytes[at + 1]) && is_utf8_continuation(bytes[at + 2])) {
            has_long = true;
            at += 3;
            continue;
        }
        const std::size_t length = utf8_length(lead);
        std::size_t index = 1;
        while (index < length && at + index < count &&
               continues_utf8(lead, index, bytes[at + index])) {
            ++index;
        }
        if (length == 0 || (index < length && at + index < count)) {
            may_be_utf8_ = false;
            return;
        }
        has_long |= length > 2;
        if (index < length) {
            utf8_lead_ = lead;
            utf8_length_ = length;
            utf8_index_ = index;
        }
        at += index;
    }
    has_long_utf8_ |= has_long;
}

void token_scan::pair(const unsigned char* from, std::size_t count) noexcept
{
    const unsigned char* const end = from + count;
    if (holds_byte_ && from != end) {
        const unsigned char pair[2] = {held_byte_, *from++};
        out_.put_lines(pair, 1);
        holds_byte_ = false;
    }
    const auto length = static_cast<std::size_t>(end - from);
    out_.put_lines(from, length / 2);
    if (length % 2 == 1) {
        held_byte_ = end[-1];
        holds_byte_ = true;
    }
}

void token_scan::finish() noexcept
{
    if (mark_bytes_seen_ < sizeof byte_order_mark) list_held_mark_bytes();
    const unsigned char* const end = converter_.finish(converted);
    pair(converted, static_cast<std::size_t>(end - converted));
    if (holds_byte_) {
        const unsigned char last_pair[2] = {held_byte_, 0x00};
        out_.put_lines(last_pair, 1);
        holds_byte_ = false;
    }
    out_.end_lines();
}
