// The listing, read in arbitrary pieces, against a plain model of the line format. The first
// input bytes choose the piece sizes; the rest is what standard input would deliver.
#include "listing.h"
#include "listing_model.h"

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

    char* output = nullptr;
    std::size_t output_size = 0;
    std::FILE* out = open_memstream(&output, &output_size);
    // Large: kept out of the stack, and made once.
    static std::optional<token_listing> listing;
    listing.emplace(out, piece_sizes[0] & 1);

    std::size_t at = 0;
    for (std::size_t piece = 0; at < input_size; ++piece) {
        const std::size_t wanted = 1 + piece_sizes[1 + piece % 3];
        const std::size_t length = wanted < input_size - at ? wanted : input_size - at;
        // A fresh copy for each piece, so that reading past it is caught.
        auto* const copy = static_cast<unsigned char*>(std::malloc(length));
        std::memcpy(copy, input + at, length);
        const bool token_goes_on = list_more(*listing, copy, length);
        std::free(copy);
        at += length;
        if (!token_goes_on) break;
    }
    finish_listing(*listing);
    listing.reset();
    std::fclose(out);

    const std::string expected = model_listing(std::string(reinterpret_cast<const char*>(input), input_size));
    if (std::string(output, output_size) != expected) std::abort();
    std::free(output);
    return 0;
}
