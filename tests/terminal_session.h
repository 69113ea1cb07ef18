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

enum class stream { terminal, pipe, file, closed };

struct launch_options {
    bool controlling_terminal = true;
    stream input = stream::terminal;
    std::string piped_input;      // written to a piped standard input, which is then closed
    stream output = stream::terminal;
    bool output_reader_gone = false;  // a piped standard output whose reader has closed it
    bool ignore_hangup = false;       // started as nohup starts a program
    std::string input_file;           // for stream::file: a path opened for reading
    std::string output_file;          // for stream::file: a path opened for writing
    bool append_output = false;       // ... at its end, as the shell's >> opens it
    // Started as a job-control shell starts it, as the foreground process group under a
    // session leader, instead of leading the terminal's session itself; the leader ignores
    // SIGHUP and passes gbcode's status on.
    bool under_session_leader = false;
    // ... but in a process group of its own outside the foreground, as `timeout` runs it.
    bool in_background = false;
    // Changes the terminal's settings before the program starts.
    void (*adjust_settings)(termios&) = nullptr;
    std::vector<std::string> arguments;
    bool capture_errors = false;      // standard error to a pipe (else /dev/null)
    bool nonblocking_input = false;   // O_NONBLOCK on a piped standard input
    bool nonblocking_output = false;  // ... and output, as a crashed program may leave them
    std::string piped_input_later;    // written to the piped input half a second later
    long file_size_limit = 0;         // ulimit -f, in bytes; 0 for none
    long stack_limit = 0;             // ulimit -s, in bytes; 0 for the usual
    long open_files_limit = 0;        // ulimit -n; 0 for the usual
};

class terminal_session {
public:
    explicit terminal_session(const launch_options& options);
    ~terminal_session();
    terminal_session(const terminal_session&) = delete;
    terminal_session& operator=(const terminal_session&) = delete;

    // Types bytes at the terminal's keyboard.
    void type(std::string_view keys);
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
    // Everything it wrote to standard error, with capture_errors.
    std::string piped_errors();
    // Reads one line of a piped standard output, then closes the pipe, as `head -1` does.
    std::string read_line_and_close_output();
    // The bytes typed but not read, left for whatever reads the terminal next (the shell).
    std::string unread_input();

    const std::string& screen() const { return screen_; }
    termios settings() const;  // the terminal's current settings
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

// A token on a piped standard input and the listing to a pipe: the terminal is the keyboard.
launch_options piped_token(std::string token = "ab");
