// The key wait of the built program through a pseudo-terminal: job control, whatever signals
// it inherits, and the descriptor the terminal opens as.
#include "terminal_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <elf.h>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>

namespace {

TEST(KeyWaitEndToEnd, ContinuedInTheBackgroundItLeavesTheShellsSettingsAlone)
{
    launch_options options = piped_token();
    options.under_session_leader = true;
    terminal_session gbcode(options);
    ASSERT_TRUE(gbcode.wait_until_raw());
    kill(gbcode.program_pid(), SIGSTOP);
    ASSERT_TRUE(gbcode.wait_until_stopped());
    // The shell takes the terminal with its line editor's settings, then runs `bg`: the
    // wait's next read stops it again (SIGTTIN), and the editor's settings must stay.
    gbcode.move_foreground(false);
    termios editors = gbcode.initial_settings();
    editors.c_lflag &= ~ECHO;
    gbcode.set_settings(editors);
    kill(gbcode.program_pid(), SIGCONT);
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(gbcode.wait_until_stopped());
    EXPECT_TRUE(same_settings(gbcode.settings(), editors));
    gbcode.move_foreground(true);  // fg
    kill(gbcode.program_pid(), SIGCONT);
    ASSERT_TRUE(gbcode.wait_until_raw());
    gbcode.type("a");
    EXPECT_EQ(exit_code(gbcode.wait_for_exit()), 'a');
    EXPECT_TRUE(same_settings(gbcode.settings(), gbcode.initial_settings()));
}

// A program that needs the dynamic loader cannot even start with no descriptor spare: the
// loader opens the shared libraries first.
bool needs_descriptors_to_start()
{
    if (std::getenv("GBCODE_TEST_WRAPPER")) return true;  // the checker does
    std::ifstream program(GBCODE_PATH, std::ios::binary);
    Elf64_Ehdr header{};
    program.read(reinterpret_cast<char*>(&header), sizeof header);
    for (int index = 0; index < header.e_phnum; ++index) {
        Elf64_Phdr segment{};
        program.seekg(static_cast<std::streamoff>(header.e_phoff + index * sizeof segment));
        program.read(reinterpret_cast<char*>(&segment), sizeof segment);
        if (segment.p_type == PT_INTERP) return true;
    }
    return false;
}

TEST(KeyWaitEndToEnd, WithNoDescriptorLeftAStandardOneOnTheTerminalIsTheKeyboard)
{
    if (needs_descriptors_to_start()) GTEST_SKIP() << "gbcode is not linked statically";
    for (const bool nonblocking : {false, true}) {
        SCOPED_TRACE(nonblocking ? "non-blocking" : "blocking");
        launch_options options;  // standard input and output on the terminal
        options.open_files_limit = 3;
        options.nonblocking_input = nonblocking;
        terminal_session gbcode(options);
        gbcode.type("ab\r");
        ASSERT_TRUE(gbcode.wait_for_screen("\tab  6162\r\n"));
        ASSERT_TRUE(gbcode.wait_until_raw());
        EXPECT_FALSE(gbcode.wait_for_exit(200ms));  // it waits for the key
        gbcode.type("a");
        EXPECT_EQ(exit_code(gbcode.wait_for_exit()), 'a');
        EXPECT_TRUE(same_settings(gbcode.settings(), gbcode.initial_settings()));
        EXPECT_EQ(gbcode.piped_errors(), "");
    }
}

TEST(KeyWaitEndToEnd, TheTerminalServesAsWhicheverDescriptorItOpensAs)
{
    const std::string listing = gbk_prompt + "\tab  6162\n";
    const std::string why = "gbcode: no keyboard: /dev/tty: Too many open files\n";
    const struct {
        const char* name;
        launch_options options;
        expected_end end;
    } cases[] = {
        // With no descriptor above 2 left, /dev/tty keeps a closed standard one's place.
        {"as 0, input and output closed",
         at_terminal().input_closed().output_closed().limit_open_files(3),
         {.code = 'a'}},
        {"as 1, output closed",
         piped_token().output_closed().limit_open_files(3),
         {.code = 'a', .screen = ""}},
        {"above 1023",
         piped_token().inheriting_descriptors_up_to(1099),
         {.code = 'a', .output = listing, .errors = ""}},
        {"none left",
         piped_token().limit_open_files(3),
         {.code = 255, .output = listing, .errors = why, .screen = ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.options.open_files_limit == 3 && needs_descriptors_to_start()) continue;
        terminal_session gbcode(c.options);
        if (c.end.code != 255) {
            ASSERT_TRUE(gbcode.type_when_raw("a"));
        }
        expect_end(gbcode, c.end);
    }
}

// Started in the background it waits stopped for `fg`; stopped during the wait it puts the
// settings back while it lasts (after SIGSTOP, unseen, the shell puts its own) and is raw once
// continued, and at the end puts back those found first; whatever signals it inherited.
TEST(KeyWaitEndToEnd, StoppedOrStartedInTheBackgroundItIsRawOnlyInTheForeground)
{
    const std::vector<int> job_control = {SIGTTOU, SIGTTIN, SIGTSTP, SIGCONT};
    std::vector<int> every_signal;
    for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
        every_signal.push_back(signal_number);
    }
    constexpr int started_in_background = 0;
    const struct {
        const char* name;
        launch_options options;
        int stop;
    } cases[] = {
        {"SIGTSTP", piped_token().as_shell_job(), SIGTSTP},
        {"SIGTTIN", piped_token().as_shell_job(), SIGTTIN},
        {"SIGTTOU", piped_token().as_shell_job(), SIGTTOU},
        {"SIGSTOP, the session's leader", piped_token(), SIGSTOP},
        {"SIGSTOP, a shell's job", piped_token().as_shell_job(), SIGSTOP},
        {"SIGSTOP, every signal blocked", piped_token().as_shell_job().blocking(every_signal),
         SIGSTOP},
        {"SIGSTOP, SIGCONT ignored", piped_token().as_shell_job().ignoring({SIGCONT}), SIGSTOP},
        {"in the background, SIGTTOU and SIGTTIN ignored",
         piped_token().in_background().ignoring({SIGTTOU, SIGTTIN}), started_in_background},
        {"in the background, job control's signals blocked",
         piped_token().in_background().blocking(job_control), started_in_background},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal_session gbcode(c.options);
        if (c.stop != started_in_background) {
            ASSERT_TRUE(gbcode.wait_until_raw());
            // kill -STOP, as a debugger stops it; the others as job control sends them.
            if (c.stop == SIGSTOP) kill(gbcode.program_pid(), SIGSTOP);
            if (c.stop != SIGSTOP) gbcode.signal_foreground(c.stop);
        }
        ASSERT_TRUE(gbcode.wait_until_stopped());
        if (c.stop != SIGSTOP) {
            EXPECT_TRUE(same_settings(gbcode.settings(), gbcode.initial_settings()));
        }
        // Meanwhile the shell puts its own settings, cooked and echoing (from the background
        // gbcode has found none yet), and gives it the terminal (fg).
        termios shells = gbcode.initial_settings();
        shells.c_lflag |= ICANON | ECHO;
        shells.c_cc[VMIN] = 1;
        shells.c_cc[VTIME] = 0;
        if (c.stop != started_in_background) gbcode.set_settings(shells);
        if (c.stop == started_in_background) gbcode.move_foreground(true);
        kill(gbcode.program_pid(), SIGCONT);
        ASSERT_TRUE(gbcode.type_when_raw("ab"));  // `b` is left, as keys typed ahead are
        expect_end(gbcode, {.code = 'a', .left = "b"});
    }
}

}  // namespace
