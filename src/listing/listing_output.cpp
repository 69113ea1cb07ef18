#include "listing/listing_output.h"
#include "common/messages.h"
#include "common/standard_streams.h"

#include <cerrno>

namespace {

constexpr std::size_t longest_line_in(text_encoding encoding)
{
    switch (encoding) {
    case text_encoding::gbk: return longest_pair_line;
    case text_encoding::utf8: return longest_readable_pair_line;
    case text_encoding::gb18030: return gb18030_pair_lines::longest_line;
    }
    return longest_readable_pair_line;
}

}  // namespace

listing_output::listing_output(std::FILE* stream, bool on_terminal, text_encoding encoding) noexcept
    : stream_(stream),
      on_terminal_(on_terminal),
      encoding_(encoding),
      controls_(on_terminal ? control_bytes::as_pictures : control_bytes::as_they_are),
      longest_line_(longest_line_in(encoding))
{
}

void listing_output::write(const unsigned char* bytes, std::size_t count) noexcept
{
    flush();
    write_now(bytes, count);
}

void listing_output::write_now(const unsigned char* bytes, std::size_t count) noexcept
{
    if (failed_ || count == 0 || write_output(stream_, bytes, count)) return;
    failed_ = true;
    reader_gone_ = is_reader_gone(errno);
    if (!reader_gone_) report_stream_error("standard output", errno);
}

void listing_output::put_lines(const unsigned char* bytes, std::size_t pair_count) noexcept
{
    while (pair_count > 0 && !failed_) {
        // Counted in longest lines, so that the lines never pass buffer_size (lines kept back
        // by GB18030 have room of their own past it).
        const std::size_t room = room_left() / longest_line_;
        if (room == 0) {
            flush();
            continue;
        }
        const std::size_t pairs = pair_count < room ? pair_count : room;
        filled_ = static_cast<std::size_t>(make_lines(bytes, pairs, buffer_ + filled_) - buffer_);
        bytes += 2 * pairs;
        pair_count -= pairs;
    }
    // On a terminal the lines made show at once: each call's lines in one write (more where
    // they fill the buffer), not one write a line, which made a long listing twenty times
    // slower. A pair split between two reads is listed with the second.
    if (on_terminal_) flush();
}

// Chosen for each run of pairs, not for each line: a switch costs no more than a call through
// a pointer would.
unsigned char* listing_output::make_lines(const unsigned char* bytes, std::size_t pair_count,
                                          unsigned char* out) noexcept
{
    switch (encoding_) {
    case text_encoding::gbk:
        return on_terminal_ ? put_terminal_pair_lines(bytes, pair_count, out)
                            : put_pair_lines(bytes, pair_count, out);
    case text_encoding::utf8: return put_readable_pair_lines(bytes, pair_count, controls_, out);
    case text_encoding::gb18030: return gb18030_lines_.put(bytes, pair_count, controls_, out);
    }
    return out;
}

void listing_output::end_lines() noexcept
{
    if (encoding_ == text_encoding::gb18030) {
        if (room_left() < room_for_kept_lines) flush();
        filled_ =
            static_cast<std::size_t>(gb18030_lines_.finish(controls_, buffer_ + filled_) - buffer_);
    }
    flush();
}

void listing_output::flush() noexcept
{
    write_now(buffer_, filled_);
    filled_ = 0;
}
