// The key wait of the built program through a pseudo-terminal: stops it cannot see coming,
// no descriptor left, and characters in --utf8 mode.
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

TEST(KeyWaitEndToEnd, AfterSigstopItIsRawAgainAndStillPutsBackTheSettingsFoundFirst)
{
    for (const bool as_shell_job : {false, true}) {
        SCOPED_TRACE(as_shell_job ? "a shell's job" : "the session's leader");
        launch_options options = piped_token();
        options.under_session_leader = as_shell_job;
        terminal_session gbcode(options);
        ASSERT_TRUE(gbcode.wait_until_raw());
        kill(gbcode.program_pid(), SIGSTOP);  // as a debugger or kill -STOP stops it
        ASSERT_TRUE(gbcode.wait_until_stopped());
        // Meanwhile a shell puts its own settings: cooked, echoing.
        termios shells = gbcode.initial_settings();
        shells.c_lflag |= ICANON | ECHO;
        shells.c_cc[VMIN] = 1;
        shells.c_cc[VTIME] = 0;
        gbcode.set_settings(shells);
        kill(gbcode.program_pid(), SIGCONT);
        ASSERT_TRUE(gbcode.wait_until_raw());
        gbcode.type("a");
        EXPECT_EQ(exit_code(gbcode.wait_for_exit()), 'a');
        EXPECT_TRUE(same_settings(gbcode.settings(), gbcode.initial_settings()));
        EXPECT_EQ(gbcode.unread_input(), "");
    }
}

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

TEST(KeyWaitEndToEnd, WithStandardStreamsClosedAndNoDescriptorLeftTheTerminalTakesInputsPlace)
{
    if (needs_descriptors_to_start()) GTEST_SKIP() << "gbcode is not linked statically";
    launch_options options;  // /dev/tty opens as descriptor 0, and there is no 3 to move to
    options.input = stream::closed;
    options.output = stream::closed;
    options.open_files_limit = 3;
    terminal_session gbcode(options);
    ASSERT_TRUE(gbcode.wait_until_raw());
    gbcode.type("a");
    EXPECT_EQ(exit_code(gbcode.wait_for_exit()), 'a');
    EXPECT_TRUE(same_settings(gbcode.settings(), gbcode.initial_settings()));
}

TEST(KeyWaitEndToEnd, WithNoDescriptorLeftAndNoneOnTheTerminalItSaysWhy)
{
    if (needs_descriptors_to_start()) GTEST_SKIP() << "gbcode is not linked statically";
    // With standard output closed, /dev/tty opens in its place and cannot be moved above 2:
    // kept there, it would receive the output still to be flushed.
    for (const stream output : {stream::pipe, stream::closed}) {
        SCOPED_TRACE(output == stream::pipe ? "output piped" : "output closed");
        launch_options options = piped_token();
        options.output = output;
        options.open_files_limit = 3;
        terminal_session gbcode(options);
        EXPECT_EQ(exit_code(gbcode.wait_for_exit()), 255);
        const std::string errors = gbcode.piped_errors();
        const std::string why = "gbcode: no keyboard: /dev/tty: Too many open files\n";
        EXPECT_EQ(errors.substr(errors.size() - std::min(errors.size(), why.size())), why);
        if (output == stream::pipe) {
            EXPECT_EQ(errors, why);
            EXPECT_EQ(gbcode.piped_output(), "\xCA\xE4\xC8\xEB\xBA\xBA\xD7\xD6\xA3\xBA\n\tab  6162\n");
        }
        EXPECT_TRUE(same_settings(gbcode.settings(), gbcode.initial_settings()));
        EXPECT_EQ(gbcode.screen(), "");
    }
}

TEST(KeyWaitEndToEnd, ACharacterGivesItsFirstByteAsSentOrInGbkWithUtf8)
{
    const struct {
        const char* name;
        bool utf8;
        std::string typed;
        int code;
    } cases[] = {
        {"zhong in UTF-8", false, "\xE4\xB8\xAD", 0xE4},
        {"zhong in UTF-8, --utf8", true, "\xE4\xB8\xAD", 0xD6},
        {"euro sign, --utf8", true, "\xE2\x82\xAC", 0x80},
        {"an emoji", false, "\xF0\x9F\x98\x80", 0xF0},
        {"an emoji, --utf8", true, "\xF0\x9F\x98\x80", '?'},
        {"zhong in GBK", false, "\xD6\xD0", 0xD6},
        {"a lone high byte", false, "\xB0", 0xB0},
        {"a", true, "a", 'a'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        launch_options options = piped_token();
        if (c.utf8) options.arguments = {"--utf8"};
        terminal_session gbcode(options);
        ASSERT_TRUE(gbcode.wait_until_raw());
        gbcode.type(c.typed);
        EXPECT_EQ(exit_code(gbcode.wait_for_exit()), c.code);
        EXPECT_EQ(gbcode.unread_input(), "");
    }
}

}  // namespace
