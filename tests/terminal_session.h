#pragma once
// Starts the built gbcode the way a user does: on a pseudo-terminal of its own as its
// controlling terminal, with standard input and output on that terminal, on pipes, or closed.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <termios.h>
#include <vector>

using namespace std::chrono_literals;

// The prompt as a pipe receives it, in GBK and with --utf8.
inline const std::string gbk_prompt = "\xCA\xE4\xC8\xEB\xBA\xBA\xD7\xD6\xA3\xBA\n";
inline const std::string utf8_prompt =
    "\xE8\xBE\x93\xE5\x85\xA5\xE6\xB1\x89\xE5\xAD\x97\xEF\xBC\x9A\n";

// Where a standard stream goes; shared_with_errors: into standard error's pipe.
enum class stream { terminal, pipe, file, closed, shared_with_errors };

// How to start gbcode. Begin with at_terminal(), piped_token() or no_terminal() below and
// chain what differs: piped_token("ab").as_shell_job().with_arguments({"--utf8"}). The
// chain gives a reference into the temporary it began with: pass it on or copy it.
struct launch_options {
    bool controlling_terminal = true;
    stream input = stream::terminal;
    std::string piped_input;        // written to a piped standard input, which is then closed
    std::string piped_input_later;  // ... and this half a second later
    std::string input_file;         // for stream::file: a path opened for reading
    stream output = stream::terminal;
    std::string output_file;          // for stream::file: a path opened for writing
    bool append_output = false;       // ... at its end, as the shell's >> opens it
    bool output_reader_gone = false;  // a piped standard output whose reader has closed it
    bool ignore_hangup = false;       // started as nohup starts a program
    // Started as a job-control shell starts it, as the foreground process group under a
    // session leader, instead of leading the terminal's session itself; the leader ignores
    // SIGHUP and passes gbcode's status on.
    bool under_session_leader = false;
    bool outside_foreground = false;  // ... but in a group outside the foreground, as `timeout`
    void (*adjust_settings)(termios&) = nullptr;  // changes the terminal's settings first
    std::vector<std::string> arguments;
    bool nonblocking_input = false;     // O_NONBLOCK on a piped standard input
    bool nonblocking_output = false;    // ... and output, as a crashed program may leave them
    bool nonblocking_errors = false;    // ... and standard error
    long file_size_limit = 0;           // ulimit -f, in bytes; 0 for none
    long stack_limit = 0;               // ulimit -s, in bytes; 0 for the usual
    long open_files_limit = 0;          // ulimit -n; 0 for the usual
    std::vector<int> ignored_signals;   // as `trap '' TTOU` leaves them to the program
    std::vector<int> blocked_signals;   // as some supervisors leave them
    int last_inherited_descriptor = 0;  // 3 to this left open, as a careless parent leaves them

    // The builders, one a line.
    // clang-format off
    launch_options& with_arguments(std::vector<std::string> words)
    { arguments = std::move(words); return *this; }
    launch_options& adjusted(void (*adjust)(termios&)) { adjust_settings = adjust; return *this; }
    launch_options& as_shell_job() { under_session_leader = true; return *this; }
    launch_options& in_background() { as_shell_job().outside_foreground = true; return *this; }
    launch_options& under_nohup() { ignore_hangup = true; return *this; }
    launch_options& without_terminal() { controlling_terminal = false; return *this; }
    launch_options& input_closed() { input = stream::closed; return *this; }
    launch_options& input_from(std::string path)
    { input = stream::file; input_file = std::move(path); return *this; }
    launch_options& more_input_later(std::string bytes)
    { piped_input_later = std::move(bytes); return *this; }
    launch_options& output_closed() { output = stream::closed; return *this; }
    launch_options& output_to(std::string path)
    { output = stream::file; output_file = std::move(path); return *this; }
    launch_options& appending_to(std::string path)
    { append_output = true; return output_to(std::move(path)); }
    launch_options& output_on_terminal() { output = stream::terminal; return *this; }
    launch_options& output_with_errors() { output = stream::shared_with_errors; return *this; }
    launch_options& reader_gone() { output_reader_gone = true; return *this; }
    launch_options& input_nonblocking() { nonblocking_input = true; return *this; }
    launch_options& output_nonblocking() { nonblocking_output = true; return *this; }
    launch_options& errors_nonblocking() { nonblocking_errors = true; return *this; }
    launch_options& limit_file_size(long bytes) { file_size_limit = bytes; return *this; }
    launch_options& limit_stack(long bytes) { stack_limit = bytes; return *this; }
    launch_options& limit_open_files(long count) { open_files_limit = count; return *this; }
    launch_options& ignoring(std::vector<int> signals)
    { ignored_signals = std::move(signals); return *this; }
    launch_options& blocking(std::vector<int> signals)
    { blocked_signals = std::move(signals); return *this; }
    launch_options& inheriting_descriptors_up_to(int last)
    { last_inherited_descriptor = last; return *this; }
    // clang-format on
};

// Standard input and output on the terminal, as typed at a shell's prompt.
launch_options at_terminal();
// The token on a piped standard input and the listing to a pipe: the terminal is the keyboard.
launch_options piped_token(std::string token = "ab");
// As piped_token, with no controlling terminal: the key wait gives -1 at once.
launch_options no_terminal(std::string input = "ab");

class terminal_session {
public:
    explicit terminal_session(const launch_options& options);
    ~terminal_session();
    terminal_session(const terminal_session&) = delete;
    terminal_session& operator=(const terminal_session&) = delete;

    // Types bytes at the terminal's keyboard.
    void type(std::string_view keys);
    // Waits until the key wait has made the terminal raw, then types `keys`; false if it
    // never did.
    [[nodiscard]] bool type_when_raw(std::string_view keys);
    // Hangs the terminal up, as closing a terminal window does.
    void hang_up();
    // Sends a signal to the terminal's foreground process group, as a shell's job control does.
    void signal_foreground(int signal_number);
    // Under a session leader: the leader takes the terminal's foreground, as a shell does
    // when a job stops, or gives it back to gbcode, as `fg` does.
    void move_foreground(bool to_program);
    // Waits until gbcode has stopped.
    bool wait_until_stopped(std::chrono::milliseconds limit = 10s);
    // Waits until the terminal has shown `text` (everything shown is kept in screen()).
    bool wait_for_screen(std::string_view text, std::chrono::milliseconds limit = 10s);
    // Waits until the program has put its terminal into raw mode for the key wait.
    bool wait_until_raw(std::chrono::milliseconds limit = 10s);
    // Waits until the terminal's settings are no longer those it started with.
    bool wait_until_changed(std::chrono::milliseconds limit = 10s);
    // Waits for the program to end and returns its wait status; empty if it is still running.
    std::optional<int> wait_for_exit(std::chrono::milliseconds limit = 10s);
    // Everything the program wrote to a piped standard output (after it has ended).
    std::string piped_output();
    // Everything it wrote to standard error, always a pipe.
    std::string piped_errors();
    // The same, read as a slow reader does, pausing after each read.
    std::string piped_errors_slowly();
    // Reads one line of a piped standard output, then closes the pipe, as `head -1` does.
    std::string read_line_and_close_output();
    // The bytes typed but not read, left for whatever reads the terminal next (the shell).
    std::string unread_input();

    const std::string& screen() const { return screen_; }
    termios settings() const;                    // the terminal's current settings
    void set_settings(const termios& settings);  // as another program on the terminal would
    termios initial_settings() const { return initial_; }
    pid_t pid() const { return pid_; }
    // gbcode itself, also when it runs under a session leader.
    pid_t program_pid() const;

private:
    void read_screen(int timeout_ms);
    // Checks `done` until it holds or `limit` has passed, reading the screen in between.
    template <typename Condition>
    bool poll_until(Condition done, std::chrono::milliseconds limit);

    int master_ = -1;
    int slave_ = -1;  // held open, so the terminal and its settings outlive the program
    int output_pipe_ = -1;
    int error_pipe_ = -1;
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string screen_;
    termios initial_{};
};

// Whether two sets of terminal settings are the same in every flag and control character.
bool same_settings(const termios& a, const termios& b);

// The exit status as a POSIX shell shows it (-1 as 255); empty if the program has not exited.
std::optional<int> exit_code(const std::optional<int>& status);

// How a run must end. The terminal's settings are always checked to be those it started
// with; the texts only where given.
struct expected_end {
    int code = 0;                            // the exit status, as a shell shows it (-1 as 255) ...
    int signal = 0;                          // ... or, if not 0, the signal that ended it
    std::optional<std::string> output = {};  // all of a piped standard output
    std::optional<std::string> errors = {};  // all of standard error
    std::optional<std::string> screen = {};  // all the terminal showed
    std::optional<std::string> left = {};    // typed but not read: left for the shell
};

// Waits for the end (reading a piped output first, so that a long one cannot block it) and
// checks it against `expected`.
void expect_end(terminal_session& gbcode, const expected_end& expected);
