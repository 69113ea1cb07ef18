// The terminal belongs to the user's shell. Whatever the wait changes is put back on every way
// out: on return, on every signal that ends the process, and while a job-control stop lasts.
// Started in the background, the wait waits to be brought to the foreground before it touches
// the terminal, whatever signal dispositions and mask it inherited.
#include "console/terminal_settings.h"

#include <cerrno>
#include <csignal>
#include <initializer_list>
#include <unistd.h>

namespace {

#ifdef IUCLC
constexpr tcflag_t upper_to_lower_case = IUCLC;
#else
constexpr tcflag_t upper_to_lower_case = 0;
#endif

// Every signal whose default action ends the process, besides SIGKILL, which no one can
// catch. The real-time signals are added at run time.
constexpr int ending_signals[] = {
    SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT,   SIGBUS,  SIGFPE, SIGUSR1, SIGSEGV,
    SIGUSR2, SIGPIPE, SIGALRM,   SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF, SIGSYS, SIGXFSZ,
#ifdef __linux__
    SIGIO,   SIGPWR,  SIGSTKFLT,  // elsewhere SIGIO is ignored by default, and the others absent
#endif
};

// What each signal did before the wait, to be put back after it.
struct previous_action {
    bool replaced = false;
    struct sigaction action {};
};

// The terminal for the time of the wait, shared with the signal handlers.
struct raw_terminal {
    int fd = -1;
    termios found{};  // the settings to put back
    termios raw{};    // the wait's
    // `raw_now`: the terminal holds `raw`. `raw_wanted`: it should, until the settings are put
    // back for good; a stop puts them back only for as long as it lasts.
    volatile std::sig_atomic_t raw_now = 0;
    volatile std::sig_atomic_t raw_wanted = 0;
    previous_action previous[NSIG];  // by signal number
    sigset_t inherited_mask{};
};

raw_terminal terminal;

// ---- Signals -------------------------------------------------------------------------------
// Handlers run with every signal blocked, SIGTTOU among them. A process outside the
// foreground that changes its terminal is stopped by SIGTTOU; with it blocked the change goes
// through instead, so that a handler never stops the process it is meant to end.

void put_back_in_handler()
{
    if (terminal.raw_now && tcsetattr(terminal.fd, TCSANOW, &terminal.found) == 0) {
        terminal.raw_now = 0;
    }
}

void put_back_and_end(int signal_number)
{
    put_back_in_handler();
    signal(signal_number, SIG_DFL);
    raise(signal_number);  // pending until this handler returns; then its default action ends us
}

// A hang-up comes with SIGHUP for the session's leader, but the terminal is gone by then: it
// answers EIO, the wait's read fails and gives -1, and there are no settings to put back.
// A SIGHUP sent while the terminal lives ends the process like the other signals.
void put_back_and_end_unless_hung_up(int signal_number)
{
    const int saved_errno = errno;
    termios settings;
    if (tcgetattr(terminal.fd, &settings) != 0 && errno == EIO) {
        errno = saved_errno;
        return;
    }
    put_back_and_end(signal_number);
}

void install_handler(int signal_number, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigfillset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
}

void put_back_while_stopped(int signal_number)
{
    const int saved_errno = errno;
    put_back_in_handler();
    signal(signal_number, SIG_DFL);
    sigset_t this_signal;
    sigemptyset(&this_signal);
    sigaddset(&this_signal, signal_number);
    sigprocmask(SIG_UNBLOCK, &this_signal, nullptr);
    raise(signal_number);  // stops here until continued; then SIGCONT's handler follows
    sigprocmask(SIG_BLOCK, &this_signal, nullptr);
    install_handler(signal_number, put_back_while_stopped);
    errno = saved_errno;
}

// Continued after a stop of any kind, SIGSTOP too, which no handler sees coming: the shell
// has put its own settings back meanwhile. Continued in the foreground (fg), the wait's
// settings are made again, the found ones kept for the end. Continued in the background
// (bg), the terminal stays the shell's, in whatever settings its line editor has: nothing
// is to be put back there when the wait's next read stops us again.
void make_raw_again_on_continuing(int)
{
    const int saved_errno = errno;
    if (terminal.raw_wanted && tcgetpgrp(terminal.fd) != getpgrp()) {
        terminal.raw_now = 0;
    } else if (terminal.raw_wanted && tcsetattr(terminal.fd, TCSANOW, &terminal.raw) == 0) {
        terminal.raw_now = 1;
    }
    errno = saved_errno;
}

void take_over(int signal_number, void (*handler)(int), bool even_if_ignored = false) noexcept
{
    previous_action& previous = terminal.previous[signal_number];
    if (previous.replaced || sigaction(signal_number, nullptr, &previous.action) != 0) return;
    // A signal ignored by whoever started us (nohup, and our own SIGPIPE) stays ignored.
    if (previous.action.sa_handler == SIG_IGN && !even_if_ignored) return;
    install_handler(signal_number, handler);
    previous.replaced = true;
}

void install_signal_handlers() noexcept
{
    for (const int signal_number : ending_signals) {
        take_over(signal_number,
                  signal_number == SIGHUP ? put_back_and_end_unless_hung_up : put_back_and_end);
    }
    for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
        take_over(signal_number, put_back_and_end);
    }
    take_over(SIGTSTP, put_back_while_stopped);
    // Even where ignored: the wait depends on these to wait for the foreground, and ignoring
    // SIGCONT does not keep a stop from ending.
    take_over(SIGTTIN, put_back_while_stopped, true);
    take_over(SIGTTOU, put_back_while_stopped, true);
    take_over(SIGCONT, make_raw_again_on_continuing, true);
    // Unblocked for the wait, however they were inherited (some supervisors block them).
    sigset_t job_control;
    sigemptyset(&job_control);
    for (const int signal_number : {SIGTSTP, SIGTTIN, SIGTTOU, SIGCONT}) {
        sigaddset(&job_control, signal_number);
    }
    sigprocmask(SIG_UNBLOCK, &job_control, &terminal.inherited_mask);
}

void remove_signal_handlers() noexcept
{
    for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
        previous_action& previous = terminal.previous[signal_number];
        if (previous.replaced) sigaction(signal_number, &previous.action, nullptr);
        previous.replaced = false;
    }
}

// Holds every signal back while the terminal and the flags the handlers read are changed
// together; those that came meanwhile are delivered on leaving.
class signals_held {
public:
    signals_held() noexcept
    {
        sigset_t all;
        sigfillset(&all);
        sigprocmask(SIG_BLOCK, &all, &after_);
    }
    ~signals_held() { sigprocmask(SIG_SETMASK, &after_, nullptr); }
    signals_held(const signals_held&) = delete;
    signals_held& operator=(const signals_held&) = delete;

    // Leaves with this mask rather than the one found.
    void leave_with(const sigset_t& mask) noexcept { after_ = mask; }

private:
    sigset_t after_;
};

// ---- Settings ------------------------------------------------------------------------------

// Returns once this process is in the terminal's foreground process group. From the
// background a change of the terminal makes job control stop it (SIGTTOU, now handled) until
// the shell brings it to the foreground; tcdrain asks for one without changing anything.
// False where it can never be (an orphaned process group), or on any other error.
bool wait_for_foreground(int fd) noexcept
{
    for (;;) {
        if (tcgetpgrp(fd) == getpgrp()) return true;
        // Let through only where the terminal has no foreground group to keep it from us.
        if (tcdrain(fd) == 0) return true;
        if (errno != EINTR) return false;
    }
}

termios raw_settings(termios settings) noexcept
{
    // One byte at a time, as typed: Enter reads as 13, 8-bit bytes stay whole.
    settings.c_lflag &= ~ICANON;
    settings.c_iflag &= ~(ICRNL | INLCR | IGNCR | ISTRIP | PARMRK | upper_to_lower_case);
    // Block until a byte is there; with VMIN and VTIME both 0 a read never waits.
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    settings.c_lflag &= ~(ECHO | ECHONL);
    // Ctrl+C, Ctrl+\, Ctrl+Z, Ctrl+S, Ctrl+Q, Ctrl+V and Ctrl+O arrive as keys.
    settings.c_lflag &= ~(ISIG | IEXTEN);
    settings.c_iflag &= ~(IXON | IXOFF);
    return settings;
}

}  // namespace

bool make_terminal_raw(int fd) noexcept
{
    terminal.fd = fd;
    // Handlers first: the wait for the foreground needs them, and no signal may find the
    // terminal changed with nobody to mend it.
    install_signal_handlers();
    // The settings are read in the foreground: in the background the shell may have the
    // terminal in settings of its own for the moment (its line editor's).
    while (wait_for_foreground(fd) && tcgetattr(fd, &terminal.found) == 0) {
        const signals_held held;
        if (tcgetpgrp(fd) != getpgrp()) continue;  // sent to the background meanwhile
        terminal.raw = raw_settings(terminal.found);
        // TCSANOW, not TCSAFLUSH: keys typed or pasted ahead must still be there to read.
        if (tcsetattr(fd, TCSANOW, &terminal.raw) != 0) break;
        terminal.raw_now = 1;
        terminal.raw_wanted = 1;
        return true;
    }
    signals_held held;
    remove_signal_handlers();
    held.leave_with(terminal.inherited_mask);
    return false;
}

void put_terminal_back() noexcept
{
    // With signals held, a stop cannot come between putting back and the handlers' going,
    // and leave the terminal raw once continued.
    signals_held held;
    if (terminal.raw_now) tcsetattr(terminal.fd, TCSANOW, &terminal.found);
    terminal.raw_now = 0;
    terminal.raw_wanted = 0;
    remove_signal_handlers();
    held.leave_with(terminal.inherited_mask);
}

const termios& found_terminal_settings() noexcept { return terminal.found; }
