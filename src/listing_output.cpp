#include "listing_output.h"
#include "standard_streams.h"

#include <cerrno>
#include <cstring>

void listing_output::write(const unsigned char* bytes, std::size_t count) noexcept
{
    flush();
    if (failed_ || write_output(stream_, bytes, count)) return;
    failed_ = true;
    if (!is_reader_gone(errno)) {
        std::fprintf(stderr, "gbcode: standard output: %s\n", std::strerror(errno));
    }
}

void listing_output::put_lines(const unsigned char* bytes, std::size_t pair_count) noexcept
{
    while (pair_count > 0 && !failed_) {
        std::size_t room = (buffer_size - filled_) / longest_pair_line;
        if (room == 0) {
            flush();
            continue;
        }
        if (show_each_line_) room = 1;
        const std::size_t pairs = pair_count < room ? pair_count : room;
        filled_ = static_cast<std::size_t>(put_pair_lines(bytes, pairs, buffer_ + filled_) - buffer_);
        if (show_each_line_) flush();
        bytes += 2 * pairs;
        pair_count -= pairs;
    }
}

void listing_output::flush() noexcept
{
    if (filled_ == 0) return;
    const std::size_t count = filled_;
    filled_ = 0;
    write(buffer_, count);
}
