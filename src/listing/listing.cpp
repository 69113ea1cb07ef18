#include "listing/listing.h"
#include "common/messages.h"
#include "common/standard_streams.h"
#include "listing/token_scan.h"

#include <cerrno>

namespace {
// "输入汉字：" and a line end, in GBK and in UTF-8.
constexpr unsigned char gbk_prompt[] = {0xCA, 0xE4, 0xC8, 0xEB, 0xBA, 0xBA,
                                        0xD7, 0xD6, 0xA3, 0xBA, '\n'};
constexpr unsigned char utf8_prompt[] = {0xE8, 0xBE, 0x93, 0xE5, 0x85, 0xA5, 0xE6, 0xB1,
                                         0x89, 0xE5, 0xAD, 0x97, 0xEF, 0xBC, 0x9A, '\n'};

// Names the characters without a GBK code met since the last call.
void name_missing_characters(const utf8_to_gbk& conversion, std::size_t& named)
{
    for (; named < conversion.first_missing().size(); ++named) {
        message()
            .add_code_point(conversion.first_missing()[named])
            .add(" has no GBK code, listed as ?")
            .send();
    }
}

// Sums up a flood: how many characters had no GBK code, where not every one was named (a
// repeat, or one beyond the first few), so always two or more.
void count_missing_characters(const utf8_to_gbk& conversion)
{
    const std::size_t count = conversion.missing_count();
    if (count == conversion.first_missing().size()) return;
    message().add_number(count).add(" characters had no GBK code, listed as ?").send();
}

}  // namespace

void write_prompt(listing_output& out, text_encoding encoding)
{
    if (reads_utf8(encoding)) {
        out.write(utf8_prompt, sizeof utf8_prompt);
    } else {
        out.write(gbk_prompt, sizeof gbk_prompt);
    }
}

bool list_token(std::FILE* in, listing_output& out, text_encoding input_encoding)
{
    // Static, not on the stack: a small stack (ulimit -s) must do.
    static unsigned char input[32 * 1024];
    token_scan scan(out, input_encoding);
    std::size_t named = 0;
    bool read_failed = false;
    for (;;) {
        const long count = read_input(in, input, sizeof input);
        read_failed = count < 0;
        if (read_failed) report_stream_error("standard input", errno);
        if (count <= 0) break;
        const bool token_goes_on = scan.list_more(input, static_cast<std::size_t>(count));
        name_missing_characters(scan.conversion(), named);
        if (!token_goes_on || out.failed()) break;
    }
    scan.finish();
    name_missing_characters(scan.conversion(), named);
    count_missing_characters(scan.conversion());
    if (scan.looks_like_utf8()) {
        message().add("if your terminal is UTF-8, gbcode --utf8 lists the GBK codes").send();
    }
    return !read_failed && !out.lost_bytes();
}
