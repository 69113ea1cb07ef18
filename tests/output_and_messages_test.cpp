// What gbcode writes besides the listing's bytes, and where it goes: control bytes on a
// terminal, the user-defined area with --utf8, messages on a slow or failing standard error,
// help and version on failing streams, arguments echoed in errors, and a small stack.
#include "terminal_session.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;

namespace {

TEST(Output, ControlBytesShowAsPlaceholdersOnATerminalAndAsTheyAreInAPipe)
{
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::string token;
        std::string on_terminal;  // after the prompt, as the terminal receives it
        std::string in_pipe;
        // clang-format off
    } cases[] = {
        {"shift out, then line drawing, beside GBK bytes", {}, "\x0e\x1b(0qq\x81\x40\x1f\xBA",
         "\t..  e1b\r\n\t(0  2830\r\n\tqq  7171\r\n\t\x81\x40  8140\r\n\t.\xBA  1fba\r\n",
         "\t\x0e\x1b  e1b\n\t(0  2830\n\tqq  7171\n\t\x81\x40  8140\n\t\x1f\xBA  1fba\n"},
        {"a reset, a title string, and delete", {}, "\x1b" "c\x1b]0;x\x07\x7f",
         "\t.c  1b63\r\n\t.]  1b5d\r\n\t0;  303b\r\n\tx.  787\r\n\t..  7f0\r\n",
         "\t\x1b" "c  1b63\n\t\x1b]  1b5d\n\t0;  303b\n\tx\x07  787\n\t\x7f\0  7f0\n"s},
        {"UTF-8: control pictures", {"--utf8"}, "\x1b\x01\x0e\x7f",
         "\t\xE2\x90\x9B\xE2\x90\x81  1b1\r\n\t\xE2\x90\x8E\xE2\x90\xA1  e7f\r\n",
         "\t\x1b\x01  1b1\n\t\x0e\x7f  e7f\n"},
        {"UTF-8: an odd token's terminator, which takes no cell", {"--utf8"}, "a\xE6\xB1\x89",
         "\ta\xEF\xBF\xBD  61ba\r\n\t\xEF\xBF\xBD\xE2\x90\x80  ba0\r\n",
         "\ta\xEF\xBF\xBD  61ba\n\t\xEF\xBF\xBD\0  ba0\n"s},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string prompt = c.arguments.empty() ? gbk_prompt : utf8_prompt;
        terminal_session gbcode(
            piped_token(c.token + " rest").output_on_terminal().with_arguments(c.arguments));
        ASSERT_TRUE(gbcode.type_when_raw("k"));
        const std::string screen_prompt = prompt.substr(0, prompt.size() - 1) + "\r\n";
        expect_end(gbcode, {.code = 'k', .screen = screen_prompt + c.on_terminal});

        terminal_session piped(no_terminal(c.token + " rest").with_arguments(c.arguments));
        expect_end(piped, {.code = 255, .output = prompt + c.in_pipe});
    }
}

TEST(Output, TheUserDefinedAreaListsFromThePrivateUseAreaWithoutAWord)
{
    // In --utf8 mode U+E000 is AA A1 and U+E4C5 is FE FE, shown as the same characters again.
    terminal_session gbcode(no_terminal("\xEE\x80\x80\xEE\x93\x85\n").with_arguments({"--utf8"}));
    expect_end(gbcode, {.code = 255,
                        .output = utf8_prompt + "\t\xEE\x80\x80  aaa1\n\t\xEE\x93\x85  fefe\n",
                        .errors = ""});
}

TEST(Messages, AFloodIsNamedTenTimesThenCountedAndAllArrivesThroughASlowPipe)
{
    // 2 MiB of listing fill the shared pipe (enlarged to 1 MiB) before the emoji come: then
    // U+1F600 to U+1F60B, and 20,001 more U+1F60A.
    std::string input;
    std::string listing = utf8_prompt;
    for (int i = 0; i < 200000; ++i) {
        input += "\xE6\xB1\x89";
        listing += "\t\xE6\xB1\x89  baba\n";
    }
    for (char last = '\x80'; last <= '\x8B'; ++last) input += "\xF0\x9F\x98"s + last;
    for (int i = 0; i < 20001; ++i) input += "\xF0\x9F\x98\x8A";
    for (int i = 0; i < 10006; ++i) listing += "\t?\?  3f3f\n";
    listing += "\t?\0  3f0\n"s;
    const std::string named =
        "gbcode: U+1F600 has no GBK code, listed as ?\n"
        "gbcode: U+1F601 has no GBK code, listed as ?\n"
        "gbcode: U+1F602 has no GBK code, listed as ?\n"
        "gbcode: U+1F603 has no GBK code, listed as ?\n"
        "gbcode: U+1F604 has no GBK code, listed as ?\n"
        "gbcode: U+1F605 has no GBK code, listed as ?\n"
        "gbcode: U+1F606 has no GBK code, listed as ?\n"
        "gbcode: U+1F607 has no GBK code, listed as ?\n"
        "gbcode: U+1F608 has no GBK code, listed as ?\n"
        "gbcode: U+1F609 has no GBK code, listed as ?\n";
    const std::string summary = "gbcode: 20013 characters had no GBK code, listed as ?\n";

    // Standard error on a non-blocking pipe read slowly, standard output elsewhere or in it.
    launch_options slow_errors =
        no_terminal(input + "\n").with_arguments({"--utf8"}).errors_nonblocking();
    terminal_session apart(launch_options(slow_errors).output_to("/dev/null"));
    EXPECT_EQ(apart.piped_errors_slowly(), named + summary);
    expect_end(apart, {.code = 255});

    terminal_session shared(slow_errors.output_with_errors());
    std::string received = shared.piped_errors_slowly();
    expect_end(shared, {.code = 255});
    const std::size_t names = received.find(named);  // among the lines, wherever they came
    ASSERT_NE(names, std::string::npos);
    received.erase(names, named.size());
    EXPECT_TRUE(received == listing + summary);
}

TEST(Messages, HelpAndVersionThatCannotBeWrittenGiveOneAndSaySo)
{
    char path[] = "/tmp/gbcode-help-XXXXXX";
    close(mkstemp(path));
    const struct {
        const char* name;
        launch_options options;
        int status;
        std::string errors;
    } cases[] = {
        {"a full disk", no_terminal("").with_arguments({"--help"}).output_to("/dev/full"), 1,
         "gbcode: standard output: No space left on device\n"},
        {"a closed standard output", no_terminal("").with_arguments({"--version"}).output_closed(),
         1, "gbcode: standard output: Bad file descriptor\n"},
        // As ulimit -f, to one byte.
        {"a file size limit",
         no_terminal("").with_arguments({"-h"}).output_to(path).limit_file_size(1), 1,
         "gbcode: standard output: File too large\n"},
        {"a reader that left", no_terminal("").with_arguments({"--help"}).reader_gone(), 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal_session gbcode(c.options);
        expect_end(gbcode, {.code = c.status, .errors = c.errors});
    }
    std::remove(path);
}

TEST(Messages, ArgumentsShownOnOneLine)
{
    // U+2028 (a line separator) and U+202E (which reverses what follows it).
    terminal_session usage_error(no_terminal("").with_arguments(
        {"a\nb\x9f\x1b[2J\\\xC2\x85\xE6\xB1\x89\xE2\x80\xA8\xE2\x80\xAE"}));
    expect_end(usage_error,
               {.code = 2,
                .output = "",
                .errors = "gbcode: unexpected argument 'a\\nb\\x9f\\x1b[2J\\\\\\xc2\\x85"
                          "\xE6\xB1\x89\\xe2\\x80\\xa8\\xe2\\x80\\xae'; try 'gbcode --help'\n"});

    terminal_session cut_short(no_terminal("").with_arguments({std::string(5000, 'x')}));
    expect_end(cut_short, {.code = 2});
    const std::string message = cut_short.piped_errors();
    EXPECT_EQ(message.substr(0, 40), "gbcode: unexpected argument 'xxxxxxxxxxx");
    EXPECT_EQ(message.find('\n'), message.size() - 1);
    EXPECT_TRUE(message.ends_with("xxx...'; try 'gbcode --help'\n")) << message;
}

TEST(Messages, ASmallStackNamesACharacterWithoutACode)
{
    // Under ulimit -s 24, less the room the environment takes: fprintf needed more.
    terminal_session gbcode(no_terminal("\xF0\x9F\x98\x80\xE6\xB1\x89")
                                .with_arguments({"--utf8"})
                                .limit_stack(20 * 1024));
    expect_end(gbcode, {.code = 255,
                        .output = utf8_prompt + "\t?\xEF\xBF\xBD  3fba\n\t\xEF\xBF\xBD\0  ba0\n"s,
                        .errors = "gbcode: U+1F600 has no GBK code, listed as ?\n"});
}

}  // namespace
