// gbcode: asks for Chinese characters, lists the token typed two bytes a line, raw and in
// hexadecimal, so that each pair shows as its GBK character beside its code, then waits for
// one key press at the console keyboard and exits with that key's code.
#include "command_line.h"
#include "common/standard_streams.h"
#include "console/key_wait.h"
#include "listing/listing.h"

namespace {

// At the key wait, a typed character gives the first byte of its code in the listing's
// encoding: as the terminal sent it, or converted from UTF-8.
key_characters key_characters_for(text_encoding encoding)
{
    switch (encoding) {
    case text_encoding::utf8: return key_characters::gbk;
    case text_encoding::gb18030: return key_characters::gb18030;
    case text_encoding::gbk: break;
    }
    return key_characters::as_typed;
}

}  // namespace

int main(int argc, char* argv[])
{
    // Before anything is written, --help included: a write to a reader that left or past a
    // file size limit must fail as a write, not end the process.
    prepare_standard_streams();
    run_options options;
    if (const std::optional<int> status = read_arguments(argc, argv, options)) return *status;
    if (reads_utf8(options.encoding)) use_wide_console_text();
    // Static, not on the stack: the output's buffer is large, and a small stack must do.
    static listing_output out(stdout, is_terminal(stdout), options.encoding);
    write_prompt(out, options.encoding);
    const bool listed = list_token(stdin, out, options.encoding);
    if (!options.wait_for_key) return listed ? 0 : unlisted_status;
    return wait_for_key(key_characters_for(options.encoding));
}
