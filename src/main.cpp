// gbcode: asks for Chinese characters, lists the token typed two bytes a line, raw and in
// hexadecimal, so that each pair shows as its GBK character beside its code, then waits for
// one key press at the console keyboard and exits with that key's code.
#include "command_line.h"
#include "console/key_wait.h"
#include "listing.h"
#include "standard_streams.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = answer_arguments(argc, argv)) return *status;
    prepare_standard_streams();
    // Static, not on the stack: the output's buffer is large, and a small stack must do.
    static listing_output out(stdout, is_terminal(stdout));
    write_prompt(out);
    list_token(stdin, out);
    return wait_for_key();
}
