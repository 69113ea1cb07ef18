#include "listing/listing.h"
#include "listing/standard_streams.h"
#include "listing/token_scan.h"

#include <cerrno>
#include <cstring>

namespace {
// "输入汉字：" and a line end, in GBK and in UTF-8.
constexpr unsigned char gbk_prompt[] = {0xCA, 0xE4, 0xC8, 0xEB, 0xBA, 0xBA,
                                        0xD7, 0xD6, 0xA3, 0xBA, '\n'};
constexpr unsigned char utf8_prompt[] = {0xE8, 0xBE, 0x93, 0xE5, 0x85, 0xA5, 0xE6, 0xB1,
                                         0x89, 0xE5, 0xAD, 0x97, 0xEF, 0xBC, 0x9A, '\n'};
}  // namespace

void write_prompt(listing_output& out)
{
    if (out.encoding() == text_encoding::utf8) {
        out.write(utf8_prompt, sizeof utf8_prompt);
    } else {
        out.write(gbk_prompt, sizeof gbk_prompt);
    }
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
