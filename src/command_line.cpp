#include "command_line.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char usage[] = "Usage: gbcode [-u | --utf8]\n       gbcode --help | --version\n";

constexpr char help[] =
    "Asks for Chinese characters, reads one token from standard input and lists it two\n"
    "bytes to a line, once as the bytes themselves (a GBK terminal shows the character)\n"
    "and once in hexadecimal (its GB2312/GBK code). Then waits for one key press at the\n"
    "terminal and exits with that key's code.\n"
    "\n"
    "  -u, --utf8  the terminal or the input is UTF-8: list the GBK codes of its\n"
    "              characters, and show them readably\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n";

bool is(const char* argument, const char* option) { return std::strcmp(argument, option) == 0; }

}  // namespace

std::optional<int> read_arguments(int argc, char* argv[], run_options& options)
{
    const char* answer = nullptr;  // --help or --version
    for (int i = 1; i < argc; ++i) {
        const char* const argument = argv[i];
        if (is(argument, "--utf8") || is(argument, "-u")) {
            options.utf8 = true;
        } else if (is(argument, "--help") || is(argument, "--version")) {
            answer = argument;
        } else {
            std::fprintf(stderr, "gbcode: unexpected argument '%s'; try 'gbcode --help'\n",
                         argument);
            return usage_error_status;
        }
    }
    if (answer != nullptr && argc > 2) {
        std::fprintf(stderr, "gbcode: '%s' goes alone; try 'gbcode --help'\n", answer);
        return usage_error_status;
    }
    if (answer != nullptr && is(answer, "--help")) {
        std::fputs(usage, stdout);
        std::fputs(help, stdout);
        return 0;
    }
    if (answer != nullptr) {
        std::fputs("gbcode " GBCODE_VERSION "\n", stdout);
        return 0;
    }
    return std::nullopt;
}
