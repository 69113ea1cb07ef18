#include "terminal_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// The session leader's child, gbcode, whose process group it gives the foreground to.
pid_t job = 0;

void set_foreground(pid_t group)
{
    const int saved_errno = errno;
    const int terminal = open("/dev/tty", O_RDWR);
    tcsetpgrp(terminal, group);
    close(terminal);
    errno = saved_errno;
}

void write_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// Runs in the forked child only: give it its streams, then become gbcode.
[[noreturn]] void start_program(const launch_options& options, const char* terminal_name,
                                int input_pipe, int output_pipe, int error_pipe)
{
    setsid();
    signal(SIGPIPE, SIG_DFL);  // as a shell would start it, not as this test program runs
    if (options.ignore_hangup) signal(SIGHUP, SIG_IGN);
    int terminal = -1;
    if (options.controlling_terminal) {
        terminal = open(terminal_name, O_RDWR);  // a session leader's first terminal is its own
        ioctl(terminal, TIOCSCTTY, 0);
    }
    auto place = [&](stream kind, int pipe_end, const std::string& path, int flags, int target) {
        if (kind == stream::terminal) dup2(terminal, target);
        if (kind == stream::pipe) dup2(pipe_end, target);
        if (kind == stream::file) dup2(open(path.c_str(), flags), target);
        if (kind == stream::closed) close(target);
        if (kind == stream::shared_with_errors) dup2(error_pipe, target);
    };
    place(options.input, input_pipe, options.input_file, O_RDONLY, STDIN_FILENO);
    const int output_flags = O_WRONLY | (options.append_output ? O_APPEND : 0);
    place(options.output, output_pipe, options.output_file, output_flags, STDOUT_FILENO);
    dup2(error_pipe, STDERR_FILENO);
    if (options.nonblocking_input) fcntl(STDIN_FILENO, F_SETFL, O_NONBLOCK);
    if (options.nonblocking_output) fcntl(STDOUT_FILENO, F_SETFL, O_NONBLOCK);
    if (options.nonblocking_errors) fcntl(STDERR_FILENO, F_SETFL, O_NONBLOCK);
    const auto limit = [](auto resource, long value) {
        const rlimit both{rlim_t(value), rlim_t(value)};
        if (value > 0) setrlimit(resource, &both);
    };
    limit(RLIMIT_FSIZE, options.file_size_limit);
    limit(RLIMIT_STACK, options.stack_limit);
    if (terminal > STDERR_FILENO) close(terminal);
    const rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);  // SIGQUIT tests must not leave core files behind
    if (options.under_session_leader) {
        signal(SIGHUP, SIG_IGN);
        const pid_t program = fork();
        if (program != 0) {
            job = program;
            signal(SIGTTOU, SIG_IGN);
            signal(SIGUSR1, [](int) { set_foreground(getpgrp()); });
            signal(SIGUSR2, [](int) { set_foreground(job); });
            // It never execs, so close-on-exec does not apply: close by hand, or a pipe's
            // writing end stays open and gbcode never sees the end of its input.
            for (int fd = 0; fd < 1024; ++fd) close(fd);
            int status = 0;
            while (waitpid(program, &status, 0) < 0 && errno == EINTR) {}
            if (WIFSIGNALED(status)) {
                signal(WTERMSIG(status), SIG_DFL);
                raise(WTERMSIG(status));
            }
            _exit(WEXITSTATUS(status));
        }
        // The program's own process group: in the foreground of the terminal, as a shell
        // starts a job, or outside it, as `timeout` runs a program.
        setpgid(0, 0);
        if (!options.outside_foreground) {
            signal(SIGTTOU, SIG_IGN);
            const int terminal_again = open("/dev/tty", O_RDWR);
            tcsetpgrp(terminal_again, getpid());
            close(terminal_again);
            signal(SIGTTOU, SIG_DFL);
        }
        signal(SIGHUP, SIG_DFL);
    }
    for (const int signal_number : options.ignored_signals) signal(signal_number, SIG_IGN);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int signal_number : options.blocked_signals) sigaddset(&blocked, signal_number);
    sigprocmask(SIG_BLOCK, &blocked, nullptr);
    if (options.last_inherited_descriptor > 0) {
        limit(RLIMIT_NOFILE, options.last_inherited_descriptor + 100);
        const int null_device = open("/dev/null", O_RDONLY);
        for (int fd = 3; fd <= options.last_inherited_descriptor; ++fd) dup2(null_device, fd);
    }
    // GBCODE_TEST_WRAPPER runs the program under a checker, for example valgrind.
    std::vector<std::string> words;
    const char* const checker = std::getenv("GBCODE_TEST_WRAPPER");
    std::istringstream wrapper(checker ? checker : "");
    for (std::string word; wrapper >> word;) words.push_back(word);
    words.push_back(GBCODE_PATH);
    words.insert(words.end(), options.arguments.begin(), options.arguments.end());
    std::vector<char*> arguments;
    for (std::string& word : words) arguments.push_back(word.data());
    arguments.push_back(nullptr);
    // Last, as checkers in this very child need descriptors of their own.
    limit(RLIMIT_NOFILE, options.open_files_limit);
    execvp(arguments[0], arguments.data());
    _exit(127);
}

}  // namespace

void terminal_session::move_foreground(bool to_program)
{
    kill(pid_, to_program ? SIGUSR2 : SIGUSR1);
    const pid_t wanted = to_program ? program_pid() : pid_;
    poll_until(
        [&] {
            pid_t group = 0;
            return ioctl(master_, TIOCGPGRP, &group) == 0 && group == wanted;
        },
        5s);
}

terminal_session::terminal_session(const launch_options& options)
{
    // A program that dies early must not take this test program with it through its pipe.
    signal(SIGPIPE, SIG_IGN);
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    grantpt(master_);
    unlockpt(master_);
    const char* terminal_name = ptsname(master_);
    slave_ = open(terminal_name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);

    // Unusual VMIN and VTIME, which a restore rebuilt from a few flags would lose.
    termios settings{};
    tcgetattr(slave_, &settings);
    settings.c_cc[VMIN] = 7;
    settings.c_cc[VTIME] = 3;
    if (options.adjust_settings) options.adjust_settings(settings);
    tcsetattr(slave_, TCSANOW, &settings);
    tcgetattr(slave_, &initial_);

    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    int errors[2] = {-1, -1};
    if (options.input == stream::pipe) pipe2(input, O_CLOEXEC);
    if (options.output == stream::pipe) pipe2(output, O_CLOEXEC);
    pipe2(errors, O_CLOEXEC);

    pid_ = fork();
    if (pid_ == 0) start_program(options, terminal_name, input[0], output[1], errors[1]);

    if (options.input == stream::pipe) {
        close(input[0]);
        // A writer thread, so that a token larger than the pipe cannot block the test.
        const std::string later = options.piped_input_later;
        std::thread([fd = input[1], bytes = options.piped_input, later] {
            write_all(fd, bytes);
            if (!later.empty()) {
                std::this_thread::sleep_for(500ms);
                write_all(fd, later);
            }
            close(fd);
        }).detach();
    }
    close(errors[1]);
    error_pipe_ = errors[0];
    if (options.output == stream::pipe) {
        close(output[1]);
        output_pipe_ = output[0];
        if (options.output_reader_gone) {
            close(output_pipe_);
            output_pipe_ = -1;
        }
    }
}

terminal_session::~terminal_session()
{
    if (!status_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (output_pipe_ >= 0) close(output_pipe_);
    if (error_pipe_ >= 0) close(error_pipe_);
    close(slave_);
    if (master_ >= 0) close(master_);
}

template <typename Condition>
bool terminal_session::poll_until(Condition done, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        read_screen(2);
    }
    return true;
}

void terminal_session::type(std::string_view keys) { write_all(master_, keys); }

bool terminal_session::type_when_raw(std::string_view keys)
{
    if (!wait_until_raw()) return false;
    type(keys);
    return true;
}

void terminal_session::hang_up()
{
    close(master_);
    master_ = -1;
}

void terminal_session::signal_foreground(int signal_number)
{
    pid_t group = 0;
    if (ioctl(master_, TIOCGPGRP, &group) == 0 && group > 0) kill(-group, signal_number);
}

pid_t terminal_session::program_pid() const
{
    // Under a session leader, gbcode is the leader's only child.
    DIR* processes = opendir("/proc");
    pid_t child = pid_;
    while (const dirent* entry = processes ? readdir(processes) : nullptr) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string pid, name, state;
        pid_t parent = 0;
        // The name is in parentheses and has no spaces: it is gbcode or this test program.
        if (stat >> pid >> name >> state >> parent && parent == pid_) child = std::stoi(pid);
    }
    if (processes) closedir(processes);
    return child;
}

bool terminal_session::wait_until_stopped(std::chrono::milliseconds limit)
{
    return poll_until(
        [&] {
            // The third field of /proc/PID/stat is the state: T while stopped. Under a session
            // leader, gbcode may not have been started yet: look again each time.
            const std::string stat_path = "/proc/" + std::to_string(program_pid()) + "/stat";
            std::FILE* stat = std::fopen(stat_path.c_str(), "r");
            char state = 0;
            if (stat) {
                std::fscanf(stat, "%*d (%*[^)]) %c", &state);
                std::fclose(stat);
            }
            return state == 'T';
        },
        limit);
}

void terminal_session::read_screen(int timeout_ms)
{
    if (master_ < 0) return;
    pollfd ready{master_, POLLIN, 0};
    if (poll(&ready, 1, timeout_ms) <= 0) return;
    char buffer[4096];
    ssize_t count;
    while ((count = read(master_, buffer, sizeof buffer)) > 0) {
        screen_.append(buffer, static_cast<std::size_t>(count));
    }
}

bool terminal_session::wait_for_screen(std::string_view text, std::chrono::milliseconds limit)
{
    return poll_until([&] { return screen_.find(text) != std::string::npos; }, limit);
}

bool terminal_session::wait_until_raw(std::chrono::milliseconds limit)
{
    return poll_until([&] { return !(settings().c_lflag & ICANON); }, limit);
}

bool terminal_session::wait_until_changed(std::chrono::milliseconds limit)
{
    return poll_until([&] { return !same_settings(settings(), initial_); }, limit);
}

std::optional<int> terminal_session::wait_for_exit(std::chrono::milliseconds limit)
{
    poll_until(
        [&] {
            int status = 0;
            if (!status_ && waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
            return status_.has_value();
        },
        limit);
    read_screen(0);
    return status_;
}

namespace {
// Reads at most `most` bytes at a time, waiting `pause` after each read.
std::string read_to_end(int fd, std::size_t most = 65536, std::chrono::microseconds pause = {})
{
    std::string bytes;
    char buffer[65536];
    ssize_t count;
    while ((count = read(fd, buffer, std::min(most, sizeof buffer))) > 0) {
        bytes.append(buffer, static_cast<std::size_t>(count));
        std::this_thread::sleep_for(pause);
    }
    return bytes;
}
}  // namespace

std::string terminal_session::piped_output() { return read_to_end(output_pipe_); }

std::string terminal_session::piped_errors() { return read_to_end(error_pipe_); }

std::string terminal_session::piped_errors_slowly()
{
    return read_to_end(error_pipe_, 4096, 300us);
}

std::string terminal_session::read_line_and_close_output()
{
    std::string line;
    char byte;
    while (line.find('\n') == std::string::npos && read(output_pipe_, &byte, 1) == 1) {
        line.push_back(byte);
    }
    close(output_pipe_);
    output_pipe_ = -1;
    return line;
}

std::string terminal_session::unread_input()
{
    // Out of line mode, even a line not ended yet can be read.
    termios reading = settings();
    reading.c_lflag &= ~ICANON;
    reading.c_cc[VMIN] = 0;
    reading.c_cc[VTIME] = 0;
    tcsetattr(slave_, TCSANOW, &reading);
    return read_to_end(slave_);
}

termios terminal_session::settings() const
{
    termios settings{};
    tcgetattr(slave_, &settings);
    return settings;
}

void terminal_session::set_settings(const termios& settings)
{
    tcsetattr(slave_, TCSANOW, &settings);
}

bool same_settings(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

std::optional<int> exit_code(const std::optional<int>& status)
{
    if (!status || !WIFEXITED(*status)) return std::nullopt;
    return WEXITSTATUS(*status);
}

launch_options at_terminal() { return {}; }

launch_options piped_token(std::string token)
{
    launch_options options;
    options.input = stream::pipe;
    options.piped_input = std::move(token);
    options.output = stream::pipe;
    return options;
}

launch_options no_terminal(std::string input)
{
    return piped_token(std::move(input)).without_terminal();
}

namespace {
// Long texts are compared without GoogleTest's line diff, which takes quadratic time.
void expect_bytes(const char* what, const std::string& actual, const std::string& expected)
{
    if (actual.size() + expected.size() < 8192) {
        EXPECT_EQ(actual, expected) << what;
        return;
    }
    const auto differ =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first -
        actual.begin();
    EXPECT_TRUE(actual == expected) << what << ": " << actual.size() << " bytes for "
                                    << expected.size() << ", different from byte " << differ;
}
}  // namespace

void expect_end(terminal_session& gbcode, const expected_end& expected)
{
    if (expected.output) expect_bytes("standard output", gbcode.piped_output(), *expected.output);
    const std::optional<int> status = gbcode.wait_for_exit();
    if (expected.signal != 0) {
        EXPECT_TRUE(status && WIFSIGNALED(*status) && WTERMSIG(*status) == expected.signal)
            << "not ended by signal " << expected.signal;
    } else {
        EXPECT_EQ(exit_code(status), expected.code);
    }
    EXPECT_TRUE(same_settings(gbcode.settings(), gbcode.initial_settings()))
        << "the terminal's settings were not put back";
    if (expected.errors) {
        EXPECT_EQ(gbcode.piped_errors(), *expected.errors);
    }
    if (expected.screen) expect_bytes("screen", gbcode.screen(), *expected.screen);
    if (expected.left) {
        EXPECT_EQ(gbcode.unread_input(), *expected.left);
    }
}
