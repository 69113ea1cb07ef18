#include "listing.h"
#include "standard_streams.h"
#include "token_scan.h"

#include <cerrno>
#include <cstring>

namespace {
constexpr unsigned char prompt[] = {0xCA, 0xE4, 0xC8, 0xEB, 0xBA, 0xBA, 0xD7, 0xD6, 0xA3, 0xBA, '\n'};
}  // namespace

void write_prompt(listing_output& out)
{
    out.write(prompt, sizeof prompt);
}

void list_token(std::FILE* in, listing_output& out)
{
    // Static, not on the stack: a small stack (ulimit -s) must do.
    static unsigned char input[32 * 1024];
    token_scan scan(out);
    for (;;) {
        const long count = read_input(in, input, sizeof input);
        if (count < 0) std::fprintf(stderr, "gbcode: standard input: %s\n", std::strerror(errno));
        if (count <= 0) break;
        if (!scan.list_more(input, static_cast<std::size_t>(count)) || out.failed()) break;
    }
    scan.finish();
}
