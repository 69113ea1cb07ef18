// The terminal escape-sequence decoder over any byte stream, fed as a key reader would feed
// it: bytes so far, with more possibly to follow or not. It must never read past what it was
// given, always make progress, answer "need more" only while more may follow, and give only
// key events a console could give: with a character, or with a scan code of the keyboard's,
// and take no byte of the next key into one: a key's own bytes alone give the same key.
// The same stream then goes through the reader's state, which must stay within its buffer.
#include "console/scan_codes.h"
#include "console/vt_decode.h"
#include "console/vt_input.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void require(bool condition)
{
    if (!condition) std::abort();
}

bool is_console_key(const KEY_EVENT_RECORD& key)
{
    const WORD scan_code = key.wVirtualScanCode;
    return key.uChar.AsciiChar != 0 || (scan_code > 0 && scan_code < scan::scan_code_count);
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
        if (input.outcome == decode_outcome::key && input.length < count) {
            const decoded_input alone = decode_terminal_input(bytes, input.length, false);
            require(alone.outcome == input.outcome && alone.length == input.length &&
                    alone.character == input.character &&
                    alone.key.uChar.AsciiChar == input.key.uChar.AsciiChar &&
                    alone.key.wVirtualScanCode == input.key.wVirtualScanCode &&
                    alone.key.dwControlKeyState == input.key.dwControlKeyState);
        }
        std::free(bytes);

        if (input.outcome == decode_outcome::need_more) {
            require(more_may_follow && input.length == 0);
            ++available;
            continue;
        }
        require(input.length >= 1 && input.length <= count);
        if (input.outcome == decode_outcome::key) {
            require(input.key.bKeyDown && is_console_key(input.key));
        }
        consumed += input.length;
    }

    terminal_input reader;
    for (std::size_t i = 0; i < stream_size; ++i) {
        reader.add(stream[i]);
        if ((silences >> (i % 8)) & 1) reader.add_silence();
        while (const std::optional<key_press> key = reader.next_key()) {
            require(key->key.bKeyDown && is_console_key(key->key));
        }
    }
    return 0;
}
