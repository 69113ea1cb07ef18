#include "listing/gb18030_lines.h"
#include "common/shows_as_itself.h"
#include "common/utf8.h"
#include "cp936/gb18030.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char32_t ditto_mark = 0x3003;

}  // namespace

unsigned char* gb18030_pair_lines::put(const unsigned char* bytes, std::size_t pair_count,
                                       control_bytes controls, unsigned char* out) noexcept
{
    if (kept_pairs_ > 0) {
        // The kept pairs, with the first pairs given after them: three bytes past a pair
        // tell all its codes.
        unsigned char window[4 * most_kept_pairs];
        const std::size_t added = std::min(pair_count, most_kept_pairs);
        std::memcpy(window, kept_, 2 * kept_pairs_);
        std::memcpy(window + 2 * kept_pairs_, bytes, 2 * added);
        const std::size_t window_pairs = kept_pairs_ + added;
        const std::size_t made =
            put_known(window, kept_pairs_, 2 * window_pairs, true, controls, out);
        if (made < kept_pairs_) {
            // Under three bytes after the pair, so none are given beyond the window.
            keep(window + 2 * made, window_pairs - made);
            return out;
        }
        kept_pairs_ = 0;
    }
    const std::size_t made = put_known(bytes, pair_count, 2 * pair_count, true, controls, out);
    keep(bytes + 2 * made, pair_count - made);
    return out;
}

unsigned char* gb18030_pair_lines::finish(control_bytes controls, unsigned char* out) noexcept
{
    put_known(kept_, kept_pairs_, 2 * kept_pairs_, false, controls, out);
    kept_pairs_ = 0;
    owed_bytes_ = 0;
    return out;
}

void gb18030_pair_lines::keep(const unsigned char* bytes, std::size_t pair_count) noexcept
{
    // A pair waits only for the three bytes after it, so no more than two pairs wait.
    std::memmove(kept_, bytes, 2 * pair_count);
    kept_pairs_ = pair_count;
}

// Makes lines while the codes of each pair are known; gives how many pairs it made.
std::size_t gb18030_pair_lines::put_known(const unsigned char* bytes, std::size_t pair_count,
                                          std::size_t count_at_hand, bool more_may_follow,
                                          control_bytes controls, unsigned char*& out) noexcept
{
    std::size_t made = 0;
    for (; made < pair_count; ++made) {
        unsigned char* const line_end =
            put_line(bytes + 2 * made, count_at_hand - 2 * made, more_may_follow, controls, out);
        if (line_end == nullptr) break;
        out = line_end;
    }
    return made;
}

// The line of the pair at `pair`; nullptr, with nothing changed, when a code begun in it may
// run past the `count_at_hand` bytes there.
unsigned char* gb18030_pair_lines::put_line(const unsigned char* pair, std::size_t count_at_hand,
                                            bool more_may_follow, control_bytes controls,
                                            unsigned char* out) noexcept
{
    std::size_t owed = owed_bytes_;
    bool half = owed_half_;
    bool ditto_shown = false;
    *out++ = '\t';
    for (std::size_t at = 0; at < 2; ++at) {
        if (owed > 0) {
            --owed;
            if (half) {
                out = put_utf8(replacement_character, out);
            } else if (!ditto_shown) {
                out = put_utf8(ditto_mark, out);
                ditto_shown = true;
            }
            continue;
        }
        const gb18030_character read = read_gb18030(pair + at, count_at_hand - at, more_may_follow);
        if (read.length == 0) return nullptr;
        if (read.length == 1) {
            out = pair[at] < 0x80 ? put_readable_ascii(pair[at], controls, out)
                                  : put_utf8(replacement_character, out);
        } else if (read.length == 2 && at == 1) {
            out = put_utf8(replacement_character, out);
            owed = 1;
            half = true;
        } else {
            out = put_utf8(shows_as_itself(read.character) ? read.character : replacement_character,
                           out);
            owed = read.length - (2 - at);
            half = false;
            ++at;  // the pair's other byte is part of the code
        }
    }
    owed_bytes_ = owed;
    owed_half_ = half;
    return put_line_end(pair, out);
}
