// The listing, read in arbitrary pieces, against a plain model of the line format. The first
// input bytes choose the piece sizes; the rest is what standard input would deliver.
#include "listing/listing_model.h"
#include "listing/token_scan.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4) return 0;
    const std::uint8_t* const piece_sizes = data;
    const unsigned char* const input = data + 4;
    const std::size_t input_size = size - 4;

    // The listing writes to a descriptor, as it does to standard output.
    std::FILE* out = std::tmpfile();
    // Large: kept out of the stack.
    static std::optional<listing_output> lines;
    lines.emplace(out, piece_sizes[0] & 1);
    token_scan scan(*lines);

    std::size_t at = 0;
    for (std::size_t piece = 0; at < input_size; ++piece) {
        const std::size_t wanted = 1 + piece_sizes[1 + piece % 3];
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
    std::string output;
    std::rewind(out);
    for (int byte; (byte = std::getc(out)) != EOF;) output.push_back(static_cast<char>(byte));
    std::fclose(out);

    const std::string token(reinterpret_cast<const char*>(input), input_size);
    if (output != model_listing(token)) std::abort();
    return 0;
}
