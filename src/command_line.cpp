#include "command_line.h"
#include "listing/messages.h"
#include "listing/standard_streams.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr char usage[] =
    "Usage: gbcode [-u | --utf8 | -g | --gb18030]\n       gbcode -h | --help | --version\n";

constexpr char help[] =
    "Asks for Chinese characters, reads one token from standard input and lists it two\n"
    "bytes to a line, once as the bytes themselves (a GBK terminal shows the character)\n"
    "and once in hexadecimal (its GB2312/GBK code). Then waits for one key press at the\n"
    "terminal and exits with that key's code.\n"
    "\n"
    "  -u, --utf8     the terminal or the input is UTF-8: list the GBK codes of its\n"
    "                 characters, and show them readably\n"
    "  -g, --gb18030  as --utf8, but list the GB18030-2022 codes: GBK's pair where\n"
    "                 it has one, else four bytes, so every character has a code;\n"
    "                 a four-byte code shows on the line of its first byte, a line\n"
    "                 of its later bytes alone shows the ditto mark (U+3003)\n"
    "  -h, --help     show this text and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Exit status: the key's code, 0 to 255 (its character, or 0 or 224 for a key\n"
    "without one); 255 when there is no keyboard to read (and for the key 255);\n"
    "2 for a usage error (and for Ctrl+B); 1 when this text or the version could not\n"
    "be written (and for Ctrl+A); in a shell, 128+n when signal n ends gbcode.\n";

constexpr char version[] = "gbcode " GBCODE_VERSION "\n";

bool is(const char* argument, const char* option) { return std::strcmp(argument, option) == 0; }

// Writes the answer to --help or --version and gives the exit status.
int answer(const char* first, const char* second)
{
    const auto written = [](const char* text) {
        return write_output(stdout, reinterpret_cast<const unsigned char*>(text),
                            std::strlen(text));
    };
    if (written(first) && written(second)) return 0;
    if (is_reader_gone(errno)) return 0;  // as for the listing: pipelines end that way
    report_stream_error("standard output", errno);
    return unwritten_answer_status;
}

}  // namespace

std::optional<int> read_arguments(int argc, char* argv[], run_options& options)
{
    const char* alone = nullptr;  // --help or --version
    int given = 0;                // arguments besides a "--"
    bool options_ended = false;   // after "--", as scripts write before what they pass on
    for (int i = 1; i < argc; ++i) {
        const char* const argument = argv[i];
        if (!options_ended && is(argument, "--")) {
            options_ended = true;
            continue;
        }
        ++given;
        if (!options_ended && (is(argument, "--utf8") || is(argument, "-u"))) {
            // -g lists UTF-8 input too: given with it, -u changes nothing
            if (options.encoding != text_encoding::gb18030) options.encoding = text_encoding::utf8;
        } else if (!options_ended && (is(argument, "--gb18030") || is(argument, "-g"))) {
            options.encoding = text_encoding::gb18030;
        } else if (!options_ended &&
                   (is(argument, "--help") || is(argument, "-h") || is(argument, "--version"))) {
            alone = argument;
        } else {
            message()
                .add("unexpected argument '")
                .add_argument(argument)
                .add("'; try 'gbcode --help'")
                .send();
            return usage_error_status;
        }
    }
    if (alone != nullptr && given > 1) {
        message().add("'").add(alone).add("' goes alone; try 'gbcode --help'").send();
        return usage_error_status;
    }
    if (alone == nullptr) return std::nullopt;
    return is(alone, "--version") ? answer(version, "") : answer(usage, help);
}
