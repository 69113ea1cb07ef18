// gbcode: asks for Chinese characters, lists the token typed two bytes a line, raw and in
// hexadecimal, so that each pair shows as its GBK character beside its code, then waits for
// one key press at the console keyboard and exits with that key's code.
#include "console/key_wait.h"
#include "listing.h"
#include "standard_streams.h"

#include <cstdio>

int main()
{
    prepare_standard_streams();
    const bool output_is_terminal = is_terminal(stdout);
    // Redirected, the listing leaves in large blocks of its own; a second buffer in between
    // would only cut each block in two writes.
    if (!output_is_terminal) std::setvbuf(stdout, nullptr, _IONBF, 0);
    write_prompt(stdout, output_is_terminal);
    list_token(stdin, stdout, output_is_terminal);
    return wait_for_key();
}
