// What gbcode writes besides the listing's bytes, and where it goes: control bytes on a
// terminal, messages on a slow or failing standard error, help and version on failing
// streams, arguments echoed in errors, and a small stack.
#include "terminal_session.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;

namespace {

const std::string gbk_prompt = "\xCA\xE4\xC8\xEB\xBA\xBA\xD7\xD6\xA3\xBA\n";
const std::string utf8_prompt = "\xE8\xBE\x93\xE5\x85\xA5\xE6\xB1\x89\xE5\xAD\x97\xEF\xBC\x9A\n";

launch_options without_terminal(std::string input, std::vector<std::string> arguments = {})
{
    launch_options options;
    options.controlling_terminal = false;
    options.input = stream::pipe;
    options.piped_input = std::move(input);
    options.output = stream::pipe;
    options.arguments = std::move(arguments);
    options.capture_errors = true;
    return options;
}

TEST(Output, ControlBytesShowAsPlaceholdersOnATerminalAndAsTheyAreInAPipe)
{
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::string token;
        std::string on_terminal;  // after the prompt, as the terminal receives it
        std::string in_pipe;
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string prompt = c.arguments.empty() ? gbk_prompt : utf8_prompt;
        launch_options to_terminal;
        to_terminal.input = stream::pipe;
        to_terminal.piped_input = c.token + " rest";
        to_terminal.arguments = c.arguments;
        terminal_session gbcode(to_terminal);
        ASSERT_TRUE(gbcode.wait_until_raw());
        gbcode.type("k");
        EXPECT_EQ(exit_code(gbcode.wait_for_exit()), 'k');
        const std::string screen_prompt = prompt.substr(0, prompt.size() - 1) + "\r\n";
        EXPECT_EQ(gbcode.screen(), screen_prompt + c.on_terminal);
        EXPECT_TRUE(same_settings(gbcode.settings(), gbcode.initial_settings()));

        launch_options to_pipe = without_terminal(c.token + " rest", c.arguments);
        terminal_session piped(to_pipe);
        EXPECT_EQ(piped.piped_output(), prompt + c.in_pipe);
        EXPECT_EQ(exit_code(piped.wait_for_exit()), 255);
    }
}

// Runs gbcode --utf8 without a terminal, `input` on a pipe, standard error on a non-blocking
// pipe read slowly, and standard output into the same pipe or into /dev/null. Gives what the
// pipe received and the exit status.
std::pair<std::string, int> run_with_slow_errors(const std::string& input, bool shared)
{
    int in[2];
    int errors[2];
    if (pipe(in) != 0 || pipe(errors) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        setsid();
        dup2(in[0], STDIN_FILENO);
        dup2(shared ? errors[1] : open("/dev/null", O_WRONLY), STDOUT_FILENO);
        dup2(errors[1], STDERR_FILENO);
        fcntl(STDERR_FILENO, F_SETFL, O_NONBLOCK);
        for (int fd = 3; fd < 1024; ++fd) close(fd);
        execl(GBCODE_PATH, GBCODE_PATH, "--utf8", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(errors[1]);
    std::thread writer([&] {
        for (std::size_t at = 0; at < input.size();) {
            const ssize_t written = write(in[1], input.data() + at, input.size() - at);
            if (written <= 0) break;
            at += static_cast<std::size_t>(written);
        }
        close(in[1]);
    });
    std::string received;
    char buffer[4096];
    for (ssize_t count; (count = read(errors[0], buffer, sizeof buffer)) > 0;) {
        received.append(buffer, static_cast<std::size_t>(count));
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    writer.join();
    close(errors[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return {received, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
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

    const auto [errors, status] = run_with_slow_errors(input + "\n", false);
    EXPECT_EQ(status, 255);
    EXPECT_EQ(errors, named + summary);

    auto [received, shared_status] = run_with_slow_errors(input + "\n", true);
    EXPECT_EQ(shared_status, 255);
    const std::size_t names = received.find(named);  // among the lines, wherever they came
    ASSERT_NE(names, std::string::npos);
    received.erase(names, named.size());
    EXPECT_TRUE(received == listing + summary);
}

TEST(Messages, HelpAndVersionThatCannotBeWrittenGiveOneAndSaySo)
{
    launch_options full_disk = without_terminal("", {"--help"});
    full_disk.output = stream::file;
    full_disk.output_file = "/dev/full";
    launch_options closed = without_terminal("", {"--version"});
    closed.output = stream::closed;
    char path[] = "/tmp/gbcode-help-XXXXXX";
    close(mkstemp(path));
    launch_options size_limit = without_terminal("", {"-h"});  // as ulimit -f, to one byte
    size_limit.output = stream::file;
    size_limit.output_file = path;
    size_limit.file_size_limit = 1;
    launch_options reader_gone = without_terminal("", {"--help"});
    reader_gone.output_reader_gone = true;
    const struct {
        const char* name;
        launch_options options;
        int status;
        std::string errors;
    } cases[] = {
        {"a full disk", full_disk, 1, "gbcode: standard output: No space left on device\n"},
        {"a closed standard output", closed, 1, "gbcode: standard output: Bad file descriptor\n"},
        {"a file size limit", size_limit, 1, "gbcode: standard output: File too large\n"},
        {"a reader that left", reader_gone, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal_session gbcode(c.options);
        EXPECT_EQ(exit_code(gbcode.wait_for_exit()), c.status);
        EXPECT_EQ(gbcode.piped_errors(), c.errors);
    }
    std::remove(path);
}

TEST(Messages, ArgumentsShownOnOneLine)
{
    // U+2028 (a line separator) and U+202E (which reverses what follows it).
    launch_options odd = without_terminal(
        "", {"a\nb\x9f\x1b[2J\\\xC2\x85\xE6\xB1\x89\xE2\x80\xA8\xE2\x80\xAE"});
    terminal_session usage_error(odd);
    EXPECT_EQ(exit_code(usage_error.wait_for_exit()), 2);
    EXPECT_EQ(usage_error.piped_errors(),
              "gbcode: unexpected argument 'a\\nb\\x9f\\x1b[2J\\\\\\xc2\\x85\xE6\xB1\x89"
              "\\xe2\\x80\\xa8\\xe2\\x80\\xae'; try 'gbcode --help'\n");
    EXPECT_EQ(usage_error.piped_output(), "");

    launch_options long_argument = without_terminal("", {std::string(5000, 'x')});
    terminal_session cut_short(long_argument);
    EXPECT_EQ(exit_code(cut_short.wait_for_exit()), 2);
    const std::string message = cut_short.piped_errors();
    EXPECT_EQ(message.substr(0, 40), "gbcode: unexpected argument 'xxxxxxxxxxx");
    EXPECT_EQ(message.find('\n'), message.size() - 1);
    EXPECT_TRUE(message.ends_with("xxx...'; try 'gbcode --help'\n")) << message;
}

TEST(Messages, ASmallStackNamesACharacterWithoutACode)
{
    launch_options small_stack = without_terminal("\xF0\x9F\x98\x80\xE6\xB1\x89", {"--utf8"});
    // Under ulimit -s 24, less the room the environment takes: fprintf needed more.
    small_stack.stack_limit = 20 * 1024;
    terminal_session gbcode(small_stack);
    EXPECT_EQ(gbcode.piped_output(),
              utf8_prompt + "\t?\xEF\xBF\xBD  3fba\n\t\xEF\xBF\xBD\0  ba0\n"s);
    EXPECT_EQ(exit_code(gbcode.wait_for_exit()), 255);
    EXPECT_EQ(gbcode.piped_errors(), "gbcode: U+1F600 has no GBK code, listed as ?\n");
}

}  // namespace
