#include "command_line.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char usage[] = "Usage: gbcode [--help | --version]\n";

constexpr char help[] =
    "Asks for Chinese characters, reads one token from standard input and lists it two\n"
    "bytes to a line, once as the bytes themselves (a GBK terminal shows the character)\n"
    "and once in hexadecimal (its GB2312/GBK code). Then waits for one key press at the\n"
    "terminal and exits with that key's code.\n"
    "\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n";

bool is(const char* argument, const char* option) { return std::strcmp(argument, option) == 0; }

}  // namespace

std::optional<int> answer_arguments(int argc, char* argv[])
{
    if (argc < 2) return std::nullopt;
    const bool known = is(argv[1], "--help") || is(argv[1], "--version");
    if (!known || argc > 2) {
        const char* const unexpected = known ? argv[2] : argv[1];
        std::fprintf(stderr, "gbcode: unexpected argument '%s'; try 'gbcode --help'\n", unexpected);
        return usage_error_status;
    }
    if (is(argv[1], "--help")) {
        std::fputs(usage, stdout);
        std::fputs(help, stdout);
        return 0;
    }
    std::fputs("gbcode " GBCODE_VERSION "\n", stdout);
    return 0;
}
