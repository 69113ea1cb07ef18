#include "command_line.h"
#include "common/messages.h"
#include "common/standard_streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

namespace {

constexpr char usage[] =
    "Usage: gbcode [-u | --utf8 | -g | --gb18030] [-n | --no-wait]\n"
    "       gbcode -h | --help | --version\n";

constexpr char help[] =
    "Asks for Chinese characters, reads one token from standard input and lists it\n"
    "two bytes to a line, once as the bytes themselves (a GBK terminal shows the\n"
    "character) and once in hexadecimal (its GB2312/GBK code). Then waits for one\n"
    "key press at the terminal and exits with that key's code.\n"
    "\n"
    "  -u, --utf8     the terminal or the input is UTF-8: list the GBK codes of its\n"
    "                 characters, and show them readably\n"
    "  -g, --gb18030  as --utf8, but list the GB18030-2022 codes: GBK's pair where\n"
    "                 it has one, else four bytes, so every character has a code;\n"
    "                 a four-byte code shows on the line of its first byte, a line\n"
    "                 of its later bytes alone shows the ditto mark (U+3003)\n"
    "  -n, --no-wait  list, then end without waiting for a key\n"
    "  -h, --help     show this text and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Exit status: the key's code, 0 to 255 (its character, or 0 or 224 for a key\n"
    "without one); 255 when there is no keyboard to read (and for the key 255);\n"
    "2 for a usage error (and for Ctrl+B); 1 when this text or the version could\n"
    "not be written (and for Ctrl+A). With --no-wait: 0, or 1 when the input could\n"
    "not be read or the listing not written. In a shell, 128+n when signal n\n"
    "ends gbcode.\n"
    "\n"
#ifdef _WIN32
    "Example, in a script: type words.txt | gbcode -un\n"
    "More in README.txt, beside gbcode.exe.\n";
#else
    "Example, in a script: echo 汉字 | gbcode -un\n"
    "More in the manual page: man gbcode\n";
#endif

constexpr char version[] = "gbcode " GBCODE_VERSION "\n";

enum class option { utf8, gb18030, no_wait, help, version };

struct option_name {
    option meaning;
    const char* short_name;  // a '-' and one letter; nullptr where there is none
    const char* long_name;
};

constexpr option_name option_names[] = {
    {option::utf8, "-u", "--utf8"},          {option::gb18030, "-g", "--gb18030"},
    {option::no_wait, "-n", "--no-wait"},    {option::help, "-h", "--help"},
    {option::version, nullptr, "--version"},
};

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

// Takes the options an argument names, each with the name it goes by: one long option, or
// one or more letters after a '-'. False where it names anything else.
template <typename apply_option>
bool read_options(const char* argument, apply_option&& apply)
{
    if (argument[0] == '-' && argument[1] == '-') {
        for (const option_name& name : option_names) {
            if (is(argument, name.long_name)) return apply(name.meaning, name.long_name), true;
        }
        return false;
    }
    if (argument[0] != '-' || argument[1] == '\0') return false;
    for (const char* letter = argument + 1; *letter != '\0'; ++letter) {
        const auto named = [letter](const option_name& name) {
            return name.short_name != nullptr && name.short_name[1] == *letter;
        };
        const option_name* const name = std::ranges::find_if(option_names, named);
        if (name == std::end(option_names)) return false;
        apply(name->meaning, name->short_name);
    }
    return true;
}

}  // namespace

std::optional<int> read_arguments(int argc, char* argv[], run_options& options)
{
    const char* alone = nullptr;  // --help or --version, as given
    int given = 0;                // options given, each letter of a bundle counted
    bool options_ended = false;   // after "--", as scripts write before what they pass on
    const auto apply = [&](option meaning, const char* name) {
        ++given;
        switch (meaning) {
        case option::utf8:
            // -g reads UTF-8 too: given with it, -u changes nothing
            if (options.encoding != text_encoding::gb18030) options.encoding = text_encoding::utf8;
            break;
        case option::gb18030: options.encoding = text_encoding::gb18030; break;
        case option::no_wait: options.wait_for_key = false; break;
        case option::help:
        case option::version: alone = name; break;
        }
    };
    for (int i = 1; i < argc; ++i) {
        const char* const argument = argv[i];
        if (!options_ended && is(argument, "--")) {
            options_ended = true;
            continue;
        }
        if (options_ended || !read_options(argument, apply)) {
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
