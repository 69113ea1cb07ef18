// gbcode: asks for Chinese characters, lists the token typed two bytes a line, raw and in
// hexadecimal, so that each pair shows as its GBK character beside its code, then waits for
// one key press at the console keyboard and exits with that key's code.
#include "command_line.h"
#include "console/key_wait.h"
#include "listing/listing.h"
#include "listing/standard_streams.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    run_options options;
    if (const std::optional<int> status = read_arguments(argc, argv, options)) return *status;
    prepare_standard_streams();
    if (options.utf8) use_wide_console_text();
    const text_encoding encoding = options.utf8 ? text_encoding::utf8 : text_encoding::gbk;
    // Static, not on the stack: the output's buffer is large, and a small stack must do.
    static listing_output out(stdout, is_terminal(stdout), encoding);
    write_prompt(out);
    list_token(stdin, out);
    return wait_for_key(options.utf8 ? key_characters::gbk : key_characters::as_typed);
}
