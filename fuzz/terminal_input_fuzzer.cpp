// The terminal escape-sequence decoder over any byte stream, fed as a key reader would feed
// it: bytes so far, with more possibly to follow or not. It must never read past what it was
// given, always make progress, answer "need more" only while more may follow, and give only
// key events that the key tables know.
#include "console/key_wait.h"
#include "console/vt_decode.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void require(bool condition)
{
    if (!condition) std::abort();
}

bool is_known_key(const KEY_EVENT_RECORD& key)
{
    if (key.uChar.AsciiChar != 0) return true;
    INPUT_RECORD event{};
    event.EventType = KEY_EVENT;
    event.Event.KeyEvent = key;
    return key_code_of(event).has_value();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const std::uint8_t silences = data[0];  // bit i: silence after the i-th byte read
    const unsigned char* stream = data + 1;
    const std::size_t stream_size = size - 1;

    std::size_t consumed = 0;
    std::size_t available = 0;
    std::size_t reads = 0;
    while (consumed < stream_size) {
        if (available == consumed) ++available;  // a key reader reads one byte at a time
        const std::size_t count = available - consumed;
        const bool silence = (silences >> (reads++ % 8)) & 1;
        const bool more_may_follow = !silence && available < stream_size;
        // An exact copy, so that any read past `count` is caught.
        auto* const bytes = static_cast<unsigned char*>(std::malloc(count));
        std::memcpy(bytes, stream + consumed, count);
        const decoded_input input = decode_terminal_input(bytes, count, more_may_follow);
        std::free(bytes);

        if (input.outcome == decode_outcome::need_more) {
            require(more_may_follow && input.length == 0);
            ++available;
            continue;
        }
        require(input.length >= 1 && input.length <= count);
        if (input.outcome == decode_outcome::key) {
            require(input.key.bKeyDown && is_known_key(input.key));
        }
        consumed += input.length;
    }
    return 0;
}
