#pragma once
#include "listing/pair_lines.h"

#include <cstddef>

// Readable lines for GB18030 bytes, where a code may run over several pairs: the listing's
// pairs and hex fields as ever, but the bytes shown as the codes they belong to, wherever the
// codes start. A pair that is one two-byte code shows its character; the line of a four-byte
// code's first byte shows its character, and a line holding only later bytes of it the ditto
// mark 〃 (U+3003, "as above"). Halves of a two-byte code split between lines, bytes that
// begin no code, and characters a terminal would obey or reorder the line by (C1 controls,
// bidirectional controls) show as U+FFFD; bytes below 80 as the readable lines show them.
//
// The line of a pair is made once the codes begun in it are known, so the last pairs given
// may be kept until the bytes after them come, or the token ends.
class gb18030_pair_lines {
public:
    // A ditto mark or U+FFFD beside a character beyond U+FFFF: three bytes and four.
    static constexpr std::size_t longest_line = line_part::tab + 3 + 4 + line_part::spaces +
                                                2 * line_part::longest_hex_field +
                                                line_part::line_end;
    static constexpr std::size_t most_kept_pairs = 2;

    // Makes the lines of the first `pair_count` byte pairs of `bytes`, after those of the
    // pairs kept from before, at `out`, which has room for `longest_line` times their count
    // and `most_kept_pairs`; returns their end.
    unsigned char* put(const unsigned char* bytes, std::size_t pair_count, control_bytes controls,
                       unsigned char* out) noexcept;
    // Makes the lines of the pairs kept, as the token's last: nothing follows them.
    unsigned char* finish(control_bytes controls, unsigned char* out) noexcept;

private:
    std::size_t put_known(const unsigned char* bytes, std::size_t pair_count,
                          std::size_t count_at_hand, bool more_may_follow, control_bytes controls,
                          unsigned char*& out) noexcept;
    unsigned char* put_line(const unsigned char* pair, std::size_t count_at_hand,
                            bool more_may_follow, control_bytes controls,
                            unsigned char* out) noexcept;
    void keep(const unsigned char* bytes, std::size_t pair_count) noexcept;

    unsigned char kept_[2 * most_kept_pairs]{};
    std::size_t kept_pairs_ = 0;
    // The bytes that open the next pair and belong to a code begun before it: the second
    // half of a two-byte code, or later bytes of a four-byte one.
    std::size_t owed_bytes_ = 0;
    bool owed_half_ = false;
};
