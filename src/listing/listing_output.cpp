#include "listing/listing_output.h"
#include "listing/standard_streams.h"

#include <cerrno>
#include <cstring>

void listing_output::write(const unsigned char* bytes, std::size_t count) noexcept
{
    flush();
    write_now(bytes, count);
}

void listing_output::write_now(const unsigned char* bytes, std::size_t count) noexcept
{
    if (failed_ || count == 0 || write_output(stream_, bytes, count)) return;
    failed_ = true;
    if (!is_reader_gone(errno)) {
        std::fprintf(stderr, "gbcode: standard output: %s\n", std::strerror(errno));
    }
}

void listing_output::put_lines(const unsigned char* bytes, std::size_t pair_count) noexcept
{
    const bool readable = encoding_ == text_encoding::utf8;
    const std::size_t longest_line = readable ? longest_readable_pair_line : longest_pair_line;
    while (pair_count > 0 && !failed_) {
        // Counted in longest lines, so that the lines never pass buffer_size.
        std::size_t room = (buffer_size - filled_) / longest_line;
        if (room == 0) {
            flush();
            continue;
        }
        if (show_each_line_) room = 1;
        const std::size_t pairs = pair_count < room ? pair_count : room;
        unsigned char* const free_space = buffer_ + filled_;
        const unsigned char* const end = readable
                                             ? put_readable_pair_lines(bytes, pairs, free_space)
                                             : put_pair_lines(bytes, pairs, free_space);
        filled_ = static_cast<std::size_t>(end - buffer_);
        if (show_each_line_) flush();
        bytes += 2 * pairs;
        pair_count -= pairs;
    }
}

void listing_output::flush() noexcept
{
    write_now(buffer_, filled_);
    filled_ = 0;
}
