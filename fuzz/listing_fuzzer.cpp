// The listing, read in arbitrary pieces, against a plain model of the line format. The first
// input byte chooses the mode (bit 0: a terminal, bit 1: UTF-8, bit 2 with it: as GB18030),
// the next three the piece sizes; the rest is what standard input would deliver.
#include "common/standard_streams.h"
#include "listing/token_scan.h"
#include "listing_oracle.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

// What the listing wrote: this fuzzer is linked without the standard streams, and takes
// their write's place, so that no input costs a system call.
std::string written;

}  // namespace

bool write_output(std::FILE*, const unsigned char* bytes, std::size_t count)
{
    written.append(reinterpret_cast<const char*>(bytes), count);
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4) return 0;
    const bool on_terminal = (data[0] & 1) != 0;
    const text_encoding encoding = (data[0] & 2) == 0   ? text_encoding::gbk
                                   : (data[0] & 4) != 0 ? text_encoding::gb18030
                                                        : text_encoding::utf8;
    const std::uint8_t* const piece_sizes = data + 1;
    const unsigned char* const input = data + 4;
    const std::size_t input_size = size - 4;

    // Large: kept out of the stack.
    static std::optional<listing_output> lines;
    lines.emplace(stdout, on_terminal, encoding);
    token_scan scan(*lines, encoding);

    std::size_t at = 0;
    for (std::size_t piece = 0; at < input_size; ++piece) {
        const std::size_t wanted = 1 + piece_sizes[piece % 3];
        const std::size_t length = wanted < input_size - at ? wanted : input_size - at;
        // A fresh copy for each piece, so that reading past it is caught.
        auto* const copy = static_cast<unsigned char*>(std::malloc(length));
        std::memcpy(copy, input + at, length);
        const bool token_goes_on = scan.list_more(copy, length);
        std::free(copy);
        at += length;
        if (!token_goes_on) break;
    }
    scan.finish();

    const std::string whole(reinterpret_cast<const char*>(input), input_size);
    if (!is_listing_of(whole, written, encoding, on_terminal)) std::abort();
    written.clear();
    return 0;
}
