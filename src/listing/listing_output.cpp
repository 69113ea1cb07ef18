#include "listing/listing_output.h"
#include "listing/messages.h"
#include "listing/standard_streams.h"

#include <cerrno>

namespace {

unsigned char* put_readable_lines(const unsigned char* bytes, std::size_t pair_count,
                                  unsigned char* out) noexcept
{
    return put_readable_pair_lines(bytes, pair_count, control_bytes::as_they_are, out);
}

unsigned char* put_readable_terminal_lines(const unsigned char* bytes, std::size_t pair_count,
                                           unsigned char* out) noexcept
{
    return put_readable_pair_lines(bytes, pair_count, control_bytes::as_pictures, out);
}

}  // namespace

listing_output::listing_output(std::FILE* stream, bool on_terminal,
                               text_encoding encoding) noexcept
    : stream_(stream),
      on_terminal_(on_terminal),
      make_lines_(encoding == text_encoding::utf8
                      ? (on_terminal ? put_readable_terminal_lines : put_readable_lines)
                      : (on_terminal ? put_terminal_pair_lines : put_pair_lines)),
      longest_line_(encoding == text_encoding::utf8 ? longest_readable_pair_line
                                                    : longest_pair_line)
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
        // Counted in longest lines, so that the lines never pass buffer_size.
        std::size_t room = (buffer_size - filled_) / longest_line_;
        if (room == 0) {
            flush();
            continue;
        }
        const std::size_t pairs = pair_count < room ? pair_count : room;
        filled_ = static_cast<std::size_t>(make_lines_(bytes, pairs, buffer_ + filled_) - buffer_);
        bytes += 2 * pairs;
        pair_count -= pairs;
    }
    // On a terminal the lines of what was just read show at once, in one write rather than
    // one for each line: a line at a time made a long listing twenty times slower.
    if (on_terminal_) flush();
}

void listing_output::flush() noexcept
{
    write_now(buffer_, filled_);
    filled_ = 0;
}
