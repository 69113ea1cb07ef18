#include "listing/listing_model.h"
#include "terminal_session.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;

namespace {

// The prompt as the terminal shows it.
const std::string screen_prompt = "\xCA\xE4\xC8\xEB\xBA\xBA\xD7\xD6\xA3\xBA\r\n";

TEST(EndToEnd, TypedTokenIsListedAndTheKeyBecomesTheExitStatus)
{
    terminal_session gbcode(at_terminal());
    // The prompt is on screen while the read waits, before anything is typed.
    ASSERT_TRUE(gbcode.wait_for_screen(screen_prompt));
    gbcode.type("\xBA\xBA\xD7\xD6\r");
    // Each line shows as it is made, before the key wait; the terminal turns LF into CR LF.
    const std::string lines = "\t\xBA\xBA  baba\r\n\t\xD7\xD6  d7d6\r\n";
    ASSERT_TRUE(gbcode.wait_for_screen(lines));
    ASSERT_TRUE(gbcode.wait_until_raw());
    EXPECT_EQ(gbcode.settings().c_lflag & (ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(gbcode.settings().c_iflag & (ICRNL | IXON), 0u);
    EXPECT_EQ(gbcode.settings().c_cc[VMIN], 1);
    EXPECT_EQ(gbcode.settings().c_cc[VTIME], 0);
    gbcode.type("\r");
    expect_end(gbcode, {.code = 13, .screen = screen_prompt + "\xBA\xBA\xD7\xD6\r\n" + lines});
}

TEST(EndToEnd, OnATerminalEachLineShowsBeforeTheTokenIsComplete)
{
    terminal_session gbcode(at_terminal());
    ASSERT_TRUE(gbcode.wait_for_screen(screen_prompt));
    gbcode.type("abcd\x04");  // Ctrl+D hands the read what is typed so far, without a line end
    ASSERT_TRUE(gbcode.wait_for_screen("\tab  6162\r\n\tcd  6364\r\n"));
    gbcode.type("e\r");
    ASSERT_TRUE(gbcode.wait_for_screen("\te.  650\r\n"));
    ASSERT_TRUE(gbcode.type_when_raw("\x1b\x1b"));
    expect_end(gbcode, {.code = 27});
}

TEST(EndToEnd, TheWaitMakesTheTerminalRawWhateverItsStartingSettings)
{
    const struct {
        const char* name;
        void (*adjust)(termios&);
        std::string key;
        int code;
    } cases[] = {
        {"no line input, echo or signals, a read that never waits",
         [](termios& t) {
             t.c_lflag &= ~(ICANON | ECHO | ISIG);
             t.c_cc[VMIN] = 0;
             t.c_cc[VTIME] = 0;
         },
         "\r", 13},
        {"no line input, echo or signals", [](termios& t) { t.c_lflag &= ~(ICANON | ECHO | ISIG); },
         "\r", 13},
        {"raw with flow control",
         [](termios& t) {
             cfmakeraw(&t);
             t.c_iflag |= IXON;
         },
         "\x13", 19},
        {"raw with stripping",
         [](termios& t) {
             cfmakeraw(&t);
             t.c_iflag |= ISTRIP;
         },
         "\xC3\xA9", 0xC3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal_session gbcode(piped_token().adjusted(c.adjust));
        ASSERT_TRUE(gbcode.wait_until_changed());
        EXPECT_FALSE(gbcode.wait_for_exit(200ms));  // it waits for the key
        gbcode.type(c.key);
        expect_end(gbcode, {.code = c.code});
    }
}

TEST(EndToEnd, StartedInTheBackgroundItWaitsForTheForegroundAndCanStillBeEnded)
{
    // As `echo ab | timeout 1 gbcode` runs it: job control stops it before it changes the
    // terminal, and timeout's SIGTERM and SIGCONT end it.
    terminal_session gbcode(piped_token().in_background());
    ASSERT_TRUE(gbcode.wait_until_stopped());
    EXPECT_TRUE(same_settings(gbcode.settings(), gbcode.initial_settings()));
    kill(gbcode.program_pid(), SIGTERM);
    kill(gbcode.program_pid(), SIGCONT);
    expect_end(gbcode, {.signal = SIGTERM});
}

TEST(EndToEnd, AnArrowSplitAcrossTwoReadsIsStillOneKey)
{
    terminal_session gbcode(piped_token());
    ASSERT_TRUE(gbcode.type_when_raw("\x1b["));
    std::this_thread::sleep_for(20ms);
    gbcode.type("A");
    expect_end(gbcode, {.code = 224});
}

TEST(EndToEnd, TheRestOfTheTokensLineDoesNotEndTheWait)
{
    terminal_session gbcode(at_terminal());
    ASSERT_TRUE(gbcode.wait_for_screen(screen_prompt));
    gbcode.type("\xBA\xBA \xD7\xD6 rest\r");
    ASSERT_TRUE(gbcode.wait_until_raw());
    EXPECT_FALSE(gbcode.wait_for_exit(200ms));
    gbcode.type("k");
    expect_end(gbcode,
               {.code = 'k',
                .screen = screen_prompt + "\xBA\xBA \xD7\xD6 rest\r\n" + "\t\xBA\xBA  baba\r\n"});
}

TEST(EndToEnd, KeysTypedAheadEndTheWaitAtOnce)
{
    for (const std::string ahead : {"q", "xyz\r"}) {
        SCOPED_TRACE(ahead);
        terminal_session gbcode(at_terminal());
        gbcode.type("\xBA\xBA\r" + ahead);
        expect_end(gbcode, {.code = ahead[0]});
    }
}

TEST(EndToEnd, RedirectedInputStillWaitsForAKeyAtTheTerminal)
{
    terminal_session gbcode(piped_token("\xBA\xBA\xD7\xD6 more\nlines\n"));
    ASSERT_TRUE(gbcode.wait_until_raw());
    EXPECT_FALSE(gbcode.wait_for_exit(200ms));
    gbcode.type("z");
    expect_end(gbcode,
               {.code = 'z', .output = gbk_prompt + "\t\xBA\xBA  baba\n\t\xD7\xD6  d7d6\n"});
}

TEST(EndToEnd, WithoutAControllingTerminalItExitsWithMinusOneAtOnce)
{
    const struct {
        const char* name;
        std::string input;
        std::string listing;
    } cases[] = {
        {"a token", "  a\xBA\xBA\n", "\ta\xBA  61ba\n\t\xBA\0  ba0\n"s},
        {"no token", " \n\t\n", ""},
        {"empty input", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal_session gbcode(no_terminal(c.input));
        EXPECT_TRUE(gbcode.wait_for_exit(2s));  // at once
        expect_end(gbcode, {.code = 255, .output = gbk_prompt + c.listing});
    }
}

TEST(EndToEnd, ALongTokenIsListedWholeIntoAPipeOrAFile)
{
    // Listed in many blocks, written beside the listing, wherever the output starts.
    std::mt19937 random(81226);
    std::string token(3 * 1024 * 1024 + 1, '\0');
    for (char& byte : token) {
        do byte = static_cast<char>(random());
        while (is_blank(byte));
    }
    const std::string listing = gbk_prompt + model_listing(token);
    terminal_session through_pipe(no_terminal(token + "\nrest"));
    expect_end(through_pipe, {.code = 255, .output = listing});

    for (const std::string earlier : {"", "lines from before\n"}) {
        SCOPED_TRACE(earlier);
        char path[] = "/tmp/gbcode-listing-XXXXXX";
        const int file = mkstemp(path);
        ASSERT_GE(file, 0);
        ASSERT_EQ(write(file, earlier.data(), earlier.size()), ssize_t(earlier.size()));
        close(file);
        terminal_session into_file(no_terminal(token + "\nrest").appending_to(path));
        expect_end(into_file, {.code = 255});
        std::ifstream written(path, std::ios::binary);
        EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(written), {}) == earlier + listing);
        std::remove(path);
    }
}

TEST(EndToEnd, ClosedOrBrokenStandardStreamsStillReachTheKeyWait)
{
    // The terminal, opened for the key wait, must not take the closed output's place.
    for (const launch_options& options :
         {at_terminal().input_closed().output_closed(), piped_token().output_closed(),
          piped_token(std::string(200000, 'x')).reader_gone()}) {
        terminal_session gbcode(options);
        ASSERT_TRUE(gbcode.wait_until_raw());
        // What was closed stays closed: the terminal in its place would receive the output.
        const auto is_open = [&](int fd) {
            const std::string pid = std::to_string(gbcode.pid());
            return access(("/proc/" + pid + "/fd/" + std::to_string(fd)).c_str(), F_OK) == 0;
        };
        EXPECT_EQ(is_open(STDIN_FILENO), options.input != stream::closed);
        EXPECT_EQ(is_open(STDOUT_FILENO), options.output != stream::closed);
        gbcode.type("y");
        expect_end(gbcode, {.code = 'y', .screen = ""});  // no output strayed onto the terminal
    }
}

TEST(EndToEnd, AHangUpDuringTheWaitGivesMinusOne)
{
    // Leading the terminal's session itself, started by a shell, or under nohup: a hang-up
    // is a failed read, even where it comes with SIGHUP.
    for (const launch_options& options :
         {piped_token(), piped_token().as_shell_job(), piped_token().under_nohup()}) {
        terminal_session gbcode(options);
        ASSERT_TRUE(gbcode.wait_until_raw());
        gbcode.hang_up();
        EXPECT_EQ(exit_code(gbcode.wait_for_exit()), 255);
    }
}

TEST(EndToEnd, AFailedReadOrWriteIsReportedOnceAndTheKeyWaitStillComes)
{
    const std::string token(100000, 'x');
    char path[] = "/tmp/gbcode-limit-XXXXXX";
    close(mkstemp(path));
    const struct {
        const char* name;
        launch_options options;
        std::string message;
        int no_wait_status;  // with --no-wait, which ends on the listing's success
        std::optional<std::string> output = {};
    } cases[] = {
        {"a full disk", piped_token(token).output_to("/dev/full"),
         "gbcode: standard output: No space left on device\n", 1},
        {"a file size limit", piped_token(token).output_to(path).limit_file_size(4096),
         "gbcode: standard output: File too large\n", 1},
        // Unreadable input lists nothing.
        {"input from a directory", piped_token().input_from("/"),
         "gbcode: standard input: Is a directory\n", 1, gbk_prompt},
        {"a reader that left, as pipelines end", piped_token(token).reader_gone(), "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal_session gbcode(c.options);
        ASSERT_TRUE(gbcode.type_when_raw("w"));
        expect_end(gbcode, {.code = 'w', .output = c.output, .errors = c.message});
        terminal_session without_wait(launch_options(c.options).with_arguments({"-n"}));
        expect_end(without_wait,
                   {.code = c.no_wait_status, .output = c.output, .errors = c.message});
    }
    std::remove(path);
}

TEST(EndToEnd, NonBlockingStreamsLoseNothing)
{
    for (const launch_options& options :
         {no_terminal("abcd").more_input_later("efgh").input_nonblocking(),
          no_terminal(std::string(3000000, 'x')).output_nonblocking()}) {
        terminal_session gbcode(options);
        std::this_thread::sleep_for(300ms);  // gbcode fills the pipe and finds it full
        const std::string listing = model_listing(options.piped_input + options.piped_input_later);
        expect_end(gbcode, {.code = 255, .output = gbk_prompt + listing, .errors = ""});
    }
}

TEST(EndToEnd, ASmallStackListsALongTokenWhole)
{
    const std::string token(100000, 'q');
    terminal_session gbcode(no_terminal(token).limit_stack(256 * 1024));
    expect_end(gbcode, {.code = 255, .output = gbk_prompt + model_listing(token)});
}

TEST(EndToEnd, HelpVersionAndUsageErrorsAnswerAsCommandLineToolsDo)
{
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string output_start;
        std::string errors;
        std::string token = "ab";
    } cases[] = {
        {{"--help"},
         0,
         "Usage: gbcode [-u | --utf8 | -g | --gb18030] [-n | --no-wait]\n"
         "       gbcode -h | --help | --version\n",
         ""},
        {{"-h"}, 0, "Usage: gbcode [-u | --utf8 | -g | --gb18030] [-n | --no-wait]\n", ""},
        {{"--version"}, 0, "gbcode " GBCODE_VERSION "\n", ""},
        {{"-x"}, 2, "", "gbcode: unexpected argument '-x'; try 'gbcode --help'\n"},
        {{"--help", "more"}, 2, "", "gbcode: unexpected argument 'more'; try 'gbcode --help'\n"},
        {{"--version", "-u"}, 2, "", "gbcode: '--version' goes alone; try 'gbcode --help'\n"},
        // "--" ends the options, as scripts write it before what they pass on.
        {{"--"}, 255, gbk_prompt + "\tab  6162\n", ""},
        {{"-u", "--"}, 255, utf8_prompt + "\tab  6162\n", ""},
        {{"--version", "--"}, 0, "gbcode " GBCODE_VERSION "\n", ""},
        {{"--", "-u"}, 2, "", "gbcode: unexpected argument '-u'; try 'gbcode --help'\n"},
        {{"--", "--"}, 2, "", "gbcode: unexpected argument '--'; try 'gbcode --help'\n"},
        // --no-wait lists and ends; short options go bundled.
        {{"-n"}, 0, gbk_prompt + "\tab  6162\n", ""},
        {{"-un"}, 0, utf8_prompt + "\tab  6162\n", ""},
        {{"-nh"}, 2, "", "gbcode: '-h' goes alone; try 'gbcode --help'\n"},
        {{"-nx"}, 2, "", "gbcode: unexpected argument '-nx'; try 'gbcode --help'\n"},
        // UTF-8 read as GBK gets a hint; GBK itself none.
        {{"--no-wait"},
         0,
         gbk_prompt + "\t\xE6\xB1  e6b1\n\t\x89\0  890\n"s,
         "gbcode: if your terminal is UTF-8, gbcode --utf8 lists the GBK codes\n",
         "\xE6\xB1\x89"},
        {{"-n"}, 0, gbk_prompt + "\t\xBA\xBA  baba\n", "", "\xBA\xBA"},
        // GB18030 reads UTF-8 too, whatever -u says; U+20000, U+1F600, U+6C49, U+FE10.
        {{"-ug"},
         255,
         utf8_prompt + "\t\xF0\xA0\x80\x80  9532\n\t\xE3\x80\x83  8236\n",
         "",
         "\xF0\xA0\x80\x80"},
        {{"--gb18030", "-nu"},
         0,
         utf8_prompt + "\t\xF0\xA0\x80\x80  9532\n\t\xE3\x80\x83  8236\n\t\xF0\x9F\x98\x80  9439\n"
                       "\t\xE3\x80\x83  fc36\n\t\xE6\xB1\x89  baba\n\t\xEF\xB8\x90  a6d9\n",
         "",
         "\xF0\xA0\x80\x80\xF0\x9F\x98\x80\xE6\xB1\x89\xEF\xB8\x90"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        // Without a terminal, a run that goes ahead gives -1 at once.
        terminal_session gbcode(no_terminal(c.token).with_arguments(c.arguments));
        const std::string output = gbcode.piped_output();
        EXPECT_EQ(output.substr(0, c.output_start.size()), c.output_start);
        // Every line fits 80 columns (here none takes more columns than bytes).
        for (std::size_t at = 0, end; (end = output.find('\n', at)) != output.npos; at = end + 1) {
            EXPECT_LE(end - at, 80u) << output.substr(at, end - at);
        }
        expect_end(gbcode, {.code = c.status, .errors = c.errors});
    }
}

TEST(EndToEnd, InUtf8ModeTheGbkCodesOfTypedCharactersAreListedAndGiven)
{
    terminal_session gbcode(at_terminal().with_arguments({"--utf8"}));
    ASSERT_TRUE(
        gbcode.wait_for_screen("\xE8\xBE\x93\xE5\x85\xA5\xE6\xB1\x89\xE5\xAD\x97\xEF\xBC\x9A\r\n"));
    gbcode.type("\xE6\xB1\x89\xE5\xAD\x97\xF0\x9F\x98\x80\r");  // han zi and an emoji
    ASSERT_TRUE(gbcode.wait_for_screen(
        "\t\xE6\xB1\x89  baba\r\n\t\xE5\xAD\x97  d7d6\r\n\t?\xE2\x90\x80  3f0\r\n"));
    ASSERT_TRUE(gbcode.type_when_raw("\xE6\xB1\x89"));  // han, whose GBK code begins with BA
    expect_end(
        gbcode,
        {.code = 0xBA, .errors = "gbcode: U+1F600 has no GBK code, listed as ?\n", .left = ""});
}

TEST(EndToEnd, AReaderLeavingAfterOneLineDoesNotStopIt)
{
    terminal_session gbcode(piped_token(std::string(1000000, 'x')));
    EXPECT_EQ(gbcode.read_line_and_close_output(), gbk_prompt);
    ASSERT_TRUE(gbcode.type_when_raw("v"));
    expect_end(gbcode, {.code = 'v'});
}

TEST(EndToEnd, ASignalDuringTheWaitRestoresTheTerminalAndEndsTheProcess)
{
    // Those that end a process, with or without a core dump; SIGSEGV and SIGABRT as a fault
    // or abort() would raise them. Valgrind takes the fault signals (SIGSYS among them) and
    // the highest real-time one for itself, and those sent from outside may not end it as
    // they end the program: they are left out there.
    std::vector<int> signals = {SIGTERM, SIGHUP,  SIGINT,    SIGQUIT,     SIGUSR1,
                                SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF,     SIGXCPU,
                                SIGPWR,  SIGABRT, SIGIO,     SIGRTMIN + 3};
    const char* const wrapper = std::getenv("GBCODE_TEST_WRAPPER");
    if (wrapper == nullptr || *wrapper == '\0') {
        signals.insert(signals.end(), {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGRTMAX});
    }
    for (int signal_number : signals) {
        SCOPED_TRACE(signal_number);
        terminal_session gbcode(piped_token());
        ASSERT_TRUE(gbcode.wait_until_raw());
        kill(gbcode.pid(), signal_number);
        expect_end(gbcode, {.signal = signal_number});
    }
}

}  // namespace
