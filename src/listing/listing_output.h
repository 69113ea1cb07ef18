#pragma once
#include "common/text_encoding.h"
#include "listing/gb18030_lines.h"
#include "listing/pair_lines.h"

#include <cstddef>
#include <cstdio>

// The run's output on its way to a stream: the prompt, then the listing's lines, made for the
// text encoding and for where they go. Redirected, lines gather in one buffer and leave in
// large writes, byte for byte as made; on a terminal the lines of each piece of input are
// written as soon as they are made, so that they show at once, with control bytes made safe.
// The first failed write is reported on standard error (not a reader that left a pipe:
// pipelines end that way) and ends the output; the run goes on to the key wait whatever
// happens.
class listing_output {
public:
    listing_output(std::FILE* stream, bool on_terminal, text_encoding encoding) noexcept;
    listing_output(const listing_output&) = delete;
    listing_output& operator=(const listing_output&) = delete;

    // Writes `count` bytes at once, after the lines gathered so far.
    void write(const unsigned char* bytes, std::size_t count) noexcept;
    // Makes the lines of the first `pair_count` byte pairs of `bytes`. With GB18030 the last
    // of them may wait for the bytes after them, or for end_lines().
    void put_lines(const unsigned char* bytes, std::size_t pair_count) noexcept;
    // Makes the lines still waiting, the token's last, and writes the lines gathered.
    void end_lines() noexcept;
    // Writes the lines gathered so far.
    void flush() noexcept;
    // Whether a write has failed: nothing more will be written.
    bool failed() const noexcept { return failed_; }
    // Whether bytes were lost to a failed write, not only to a reader that left.
    bool lost_bytes() const noexcept { return failed_ && !reader_gone_; }

private:
    unsigned char* make_lines(const unsigned char* bytes, std::size_t pair_count,
                              unsigned char* out) noexcept;
    void write_now(const unsigned char* bytes, std::size_t count) noexcept;
    // Kept lines may pass buffer_size, into the room made for them.
    std::size_t room_left() const noexcept
    {
        return filled_ < buffer_size ? buffer_size - filled_ : 0;
    }

    // Large enough that each write costs little beside the copying, small enough to stay in
    // the processor's cache.
    static constexpr std::size_t buffer_size = 128 * 1024;
    // The lines of pairs kept back by GB18030's lines, made beside those asked for.
    static constexpr std::size_t room_for_kept_lines =
        gb18030_pair_lines::most_kept_pairs * gb18030_pair_lines::longest_line;

    std::FILE* const stream_;
    const bool on_terminal_;
    const text_encoding encoding_;
    const control_bytes controls_;  // on a terminal, as control pictures
    const std::size_t longest_line_;
    bool failed_ = false;
    bool reader_gone_ = false;
    std::size_t filled_ = 0;
    gb18030_pair_lines gb18030_lines_;
    unsigned char buffer_[buffer_size + pair_lines_overrun + room_for_kept_lines];
};
