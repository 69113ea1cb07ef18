// The console keyboard calls over the controlling terminal, so that the key wait runs
// unchanged off Windows: /dev/tty stands in for "CONIN$", the terminal settings for the
// console mode, and key presses decoded from the terminal's bytes for input events.
//
// The terminal belongs to the user's shell. Whatever the wait changes is put back on every
// way out: on return, on every signal that ends the process, and while a job-control stop
// lasts. Started in the background, the wait waits to be brought to the foreground before it
// touches the terminal, as job control expects.
#include "console/console_api.h"
#include "console/vt_input.h"
#include "cp936/cp936.h"
#include "listing/messages.h"
#include "utf16.h"
#include "utf8.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A byte that follows ESC, or a character's lead byte, later than this comes from a new key
// press. Terminals send a key's bytes in one burst; people do not type twice within 100 ms.
constexpr int escape_timeout_ms = 100;

// Set in the mode GetConsoleMode reports, beside the bits that describe the settings found:
// that mode, passed back, means "put back what you found", every flag of it. Any mode without
// this bit, 0 above all, asks for settings with the features it lacks turned off. Windows
// leaves the bit unused.
constexpr DWORD found_settings = 0x8000'0000;

#ifdef IUCLC
constexpr tcflag_t upper_to_lower_case = IUCLC;
#else
constexpr tcflag_t upper_to_lower_case = 0;
#endif

struct terminal {
    int fd = -1;
    termios saved{};                    // the settings GetConsoleMode found
    DWORD found_mode = found_settings;  // the mode it reported for them
    termios changed{};                  // what SetConsoleMode put in their place
    terminal_input input;
    // The last key read: its character and the first byte the terminal sent for it, and the
    // second half of a character beyond U+FFFF, still to be given.
    char32_t character = 0;
    char sent_byte = 0;
    KEY_EVENT_RECORD low_surrogate_key{};
};

terminal keyboard;

// Shared with the signal handlers. `changed_now`: the terminal holds `keyboard.changed`.
// `change_wanted`: it should, until the settings are put back for good; a stop puts them
// back only for as long as it lasts.
volatile std::sig_atomic_t changed_now = 0;
volatile std::sig_atomic_t change_wanted = 0;

// ---- Signals -------------------------------------------------------------------------------
// Handlers run with every signal blocked, SIGTTOU among them. A process outside the
// foreground that changes its terminal is stopped by SIGTTOU; with it blocked the change goes
// through instead, so that a handler never stops the process it is meant to end.

void put_back_in_handler()
{
    if (changed_now && tcsetattr(keyboard.fd, TCSANOW, &keyboard.saved) == 0) changed_now = 0;
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
    if (tcgetattr(keyboard.fd, &settings) != 0 && errno == EIO) {
        errno = saved_errno;
        return;
    }
    put_back_and_end(signal_number);
}

void install_handler(int signal_number, void (*handler)(int))
{
    struct sigaction action{};
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
// settings are made again, the saved ones kept for the end. Continued in the background
// (bg), the terminal stays the shell's, in whatever settings its line editor has: nothing
// is to be put back there when the wait's next read stops us again.
void change_again_on_continuing(int)
{
    const int saved_errno = errno;
    if (change_wanted && tcgetpgrp(keyboard.fd) != getpgrp()) {
        changed_now = 0;
    } else if (change_wanted && tcsetattr(keyboard.fd, TCSANOW, &keyboard.changed) == 0) {
        changed_now = 1;
    }
    errno = saved_errno;
}

// Every signal whose default action ends the process, besides SIGKILL, which no one can
// catch. The real-time signals are added at run time.
constexpr int ending_signals[] = {
    SIGHUP,  SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT,   SIGBUS,  SIGFPE,  SIGUSR1, SIGSEGV,
    SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF, SIGSYS,  SIGXFSZ,
#ifdef __linux__
    SIGIO, SIGPWR, SIGSTKFLT,  // elsewhere SIGIO is ignored by default, and the others absent
#endif
};
constexpr int stop_signals[] = {SIGTSTP, SIGTTIN, SIGTTOU};

// What each signal did before the wait, to be put back after it; indexed by signal number.
struct previous_action {
    bool replaced = false;
    struct sigaction action {};
};
previous_action previous_actions[NSIG];

void take_over(int signal_number, void (*handler)(int), bool even_if_ignored = false) noexcept
{
    previous_action& previous = previous_actions[signal_number];
    if (previous.replaced || sigaction(signal_number, nullptr, &previous.action) != 0) return;
    // A signal ignored by whoever started us (nohup, and our own SIGPIPE) stays ignored.
    if (previous.action.sa_handler == SIG_IGN && !even_if_ignored) return;
    install_handler(signal_number, handler);
    previous.replaced = true;
}

void install_signal_handlers() noexcept
{
    for (const int signal_number : ending_signals) {
        take_over(signal_number, signal_number == SIGHUP ? put_back_and_end_unless_hung_up
                                                         : put_back_and_end);
    }
    for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
        take_over(signal_number, put_back_and_end);
    }
    for (const int signal_number : stop_signals) take_over(signal_number, put_back_while_stopped);
    // Even where ignored: ignoring SIGCONT does not keep a stop from ending.
    take_over(SIGCONT, change_again_on_continuing, true);
}

void remove_signal_handlers() noexcept
{
    for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
        previous_action& previous = previous_actions[signal_number];
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
        sigprocmask(SIG_BLOCK, &all, &before_);
    }
    ~signals_held() { sigprocmask(SIG_SETMASK, &before_, nullptr); }
    signals_held(const signals_held&) = delete;
    signals_held& operator=(const signals_held&) = delete;

private:
    sigset_t before_;
};

// ---- Settings ------------------------------------------------------------------------------

// Returns once this process may change the terminal: at once in the foreground; from the
// background, job control stops it (SIGTTOU) until the shell brings it to the foreground.
// tcdrain makes that check without changing anything. False where it can never be
// (an orphaned process group), or on any other error.
bool wait_for_foreground() noexcept
{
    int result;
    do result = tcdrain(keyboard.fd);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

bool apply(const termios& settings) noexcept
{
    // TCSANOW, not TCSAFLUSH: keys typed or pasted ahead must still be there to read.
    return tcsetattr(keyboard.fd, TCSANOW, &settings) == 0;
}

DWORD mode_of(const termios& settings) noexcept
{
    DWORD mode = 0;
    if (settings.c_lflag & ISIG) mode |= ENABLE_PROCESSED_INPUT;
    if (settings.c_lflag & ICANON) mode |= ENABLE_LINE_INPUT;
    if (settings.c_lflag & ECHO) mode |= ENABLE_ECHO_INPUT;
    return mode;
}

// The settings found, with the features `mode` lacks turned off, whatever they were before.
termios settings_for(DWORD mode, termios settings) noexcept
{
    if (!(mode & ENABLE_LINE_INPUT)) {
        // One byte at a time, as typed: Enter reads as 13, 8-bit bytes stay whole.
        settings.c_lflag &= ~ICANON;
        settings.c_iflag &= ~(ICRNL | INLCR | IGNCR | ISTRIP | PARMRK | upper_to_lower_case);
        // Block until a byte is there; with VMIN and VTIME both 0 a read never waits.
        settings.c_cc[VMIN] = 1;
        settings.c_cc[VTIME] = 0;
    }
    if (!(mode & ENABLE_ECHO_INPUT)) {
        settings.c_lflag &= ~(ECHO | ECHONL);
    }
    if (!(mode & ENABLE_PROCESSED_INPUT)) {
        // Ctrl+C, Ctrl+\, Ctrl+Z, Ctrl+S, Ctrl+Q, Ctrl+V and Ctrl+O arrive as keys.
        settings.c_lflag &= ~(ISIG | IEXTEN);
        settings.c_iflag &= ~(IXON | IXOFF);
    }
    return settings;
}

BOOL change_settings(const termios& settings) noexcept
{
    // Handlers first, so that no signal can find the terminal changed and nobody to mend it.
    install_signal_handlers();
    if (wait_for_foreground()) {
        const signals_held held;
        keyboard.changed = settings;
        if (apply(settings)) {
            changed_now = 1;
            change_wanted = 1;
            return TRUE;
        }
    }
    if (!change_wanted) remove_signal_handlers();
    return FALSE;
}

BOOL put_back_settings() noexcept
{
    // With signals held, a stop cannot come between putting back and the handlers' going,
    // and leave the terminal changed once continued.
    const signals_held held;
    const bool put_back = !changed_now || apply(keyboard.saved);
    changed_now = 0;
    change_wanted = 0;
    remove_signal_handlers();
    return put_back ? TRUE : FALSE;
}

enum class read_result { byte, silence, failed };

// Waits until a byte is there to read, at most `timeout_ms`, or for ever when it is negative.
read_result wait_for_byte(int timeout_ms) noexcept
{
    // select(), not poll(): poll() does not work on terminals everywhere (macOS).
    int ready;
    do {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(keyboard.fd, &readable);
        timeval timeout{timeout_ms / 1000, timeout_ms % 1000 * 1000};
        ready = select(keyboard.fd + 1, &readable, nullptr, nullptr,
                       timeout_ms < 0 ? nullptr : &timeout);
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) return read_result::silence;
    return ready > 0 ? read_result::byte : read_result::failed;
}

// Reads one byte, waiting at most `timeout_ms` for it, or for ever when it is negative.
// One byte at a time, so that whatever follows the key press stays for the shell.
read_result read_byte(unsigned char& byte, int timeout_ms) noexcept
{
    // Without a timeout the read comes first: from the background it stops us, as job
    // control expects, where select() would wait on.
    if (timeout_ms >= 0) {
        if (const read_result ready = wait_for_byte(timeout_ms); ready != read_result::byte) {
            return ready;
        }
    }
    for (;;) {
        const ssize_t count = read(keyboard.fd, &byte, 1);
        if (count == 1) return read_result::byte;
        if (count == 0) return read_result::failed;  // the terminal hung up
        if (errno == EINTR) continue;
        // A standard descriptor serving as the keyboard may be non-blocking: wait for it.
        if (errno != EAGAIN && errno != EWOULDBLOCK) return read_result::failed;
        if (const read_result ready = wait_for_byte(timeout_ms); ready != read_result::byte) {
            return ready;
        }
    }
}

std::optional<KEY_EVENT_RECORD> read_key() noexcept
{
    terminal_input& input = keyboard.input;
    for (;;) {
        if (const std::optional<KEY_EVENT_RECORD> key = input.next_key()) return key;
        unsigned char byte = 0;
        switch (read_byte(byte, input.expects_more() ? escape_timeout_ms : -1)) {
        case read_result::failed: return std::nullopt;
        case read_result::silence: input.add_silence(); break;
        case read_result::byte: input.add(byte); break;
        }
    }
}

constexpr char32_t character_of(const WCHAR* units, int count) noexcept
{
    const bool pair = count == 2 && is_high_surrogate(units[0]) && is_low_surrogate(units[1]);
    if (pair) return joined_surrogates(units[0], units[1]);
    return count == 1 ? units[0] : replacement_character;
}

// The decoder's key, whose character is the first byte sent, as a wide console event. What
// the byte began is remembered, for WideCharToMultiByte to give the byte back.
KEY_EVENT_RECORD wide_key(KEY_EVENT_RECORD key, char32_t decoded_character) noexcept
{
    const char byte = key.uChar.AsciiChar;
    const auto value = static_cast<unsigned char>(byte);
    // ASCII bytes are their own characters; beyond ASCII, the character the decoder found.
    char32_t character = value;
    if (value >= 0x80) character = decoded_character != 0 ? decoded_character : replacement_character;
    keyboard.character = character;
    keyboard.sent_byte = byte;
    if (character > 0xFFFF) {
        key.uChar.UnicodeChar = static_cast<WCHAR>(high_surrogate_of(character));
        keyboard.low_surrogate_key = key;
        keyboard.low_surrogate_key.uChar.UnicodeChar = static_cast<WCHAR>(low_surrogate_of(character));
    } else {
        key.uChar.UnicodeChar = static_cast<WCHAR>(character);
    }
    return key;
}

// The controlling terminal's own device, opened apart from the standard descriptors, or -1
// with errno telling why.
int open_terminal() noexcept
{
    int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    // Keep clear of descriptors 0 to 2: were standard output closed, the terminal would
    // otherwise take its place and receive output meant for it.
    if (fd >= 0 && fd <= 2) {
        const int high = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        // Nothing reads standard input once the wait has begun: with no descriptor left
        // above it (ulimit -n 3), the terminal may keep a closed one's place.
        if (high < 0 && fd == STDIN_FILENO) return fd;
        // With a limit of 3 descriptors (ulimit -n 3) there is no 3 to ask for: EINVAL.
        const int saved_errno = high < 0 && errno == EINVAL ? EMFILE : errno;
        close(fd);
        errno = saved_errno;
        fd = high;
    }
    return fd;
}

// A standard descriptor open for reading on the controlling terminal, or -1.
int standard_descriptor_on_terminal() noexcept
{
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        const int access = fcntl(fd, F_GETFL) & O_ACCMODE;
        const bool readable = access == O_RDONLY || access == O_RDWR;
        if (readable && isatty(fd) && tcgetsid(fd) == getsid(0)) return fd;
    }
    return -1;
}

}  // namespace

HANDLE CreateFileA(const char* file_name, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) noexcept
{
    if (std::strcmp(file_name, "CONIN$") != 0) return INVALID_HANDLE_VALUE;
    if (keyboard.fd >= 0) return &keyboard;  // one terminal, however often it is opened
    int fd = open_terminal();
    if (fd < 0 && (errno == EMFILE || errno == ENFILE)) {
        // No descriptor left to open it (ulimit -n): a standard descriptor on the terminal
        // serves as it is, never closed, as no copy of it can be made either.
        const int open_error = errno;
        fd = standard_descriptor_on_terminal();
        if (fd < 0) message().add("no keyboard: /dev/tty: ").add(std::strerror(open_error)).send();
    }
    if (fd < 0) return INVALID_HANDLE_VALUE;
    keyboard.fd = fd;
    return &keyboard;
}

BOOL GetConsoleMode(HANDLE console, DWORD* mode) noexcept
{
    // In the background, the shell may have the terminal in settings of its own for the
    // moment (its line editor's): those are not the ones to put back.
    if (console != &keyboard || !wait_for_foreground()) return FALSE;
    if (tcgetattr(keyboard.fd, &keyboard.saved) != 0) return FALSE;
    const cc_t erase = keyboard.saved.c_cc[VERASE];
    keyboard.input.set_erase_byte(erase == _POSIX_VDISABLE ? 0 : erase);  // Backspace gives 8
    keyboard.found_mode = mode_of(keyboard.saved) | found_settings;
    *mode = keyboard.found_mode;
    return TRUE;
}

BOOL SetConsoleMode(HANDLE console, DWORD mode) noexcept
{
    if (console != &keyboard) return FALSE;
    if (mode == keyboard.found_mode) return put_back_settings();
    return change_settings(settings_for(mode, keyboard.saved));
}

UINT GetConsoleCP() noexcept
{
    return 0;
}

BOOL ReadConsoleInputW(HANDLE console, INPUT_RECORD* buffer, DWORD length,
                       DWORD* events_read) noexcept
{
    *events_read = 0;
    if (console != &keyboard || length == 0) return FALSE;
    KEY_EVENT_RECORD key{};
    if (keyboard.low_surrogate_key.uChar.UnicodeChar != 0) {
        key = keyboard.low_surrogate_key;
        keyboard.low_surrogate_key = {};
    } else if (const std::optional<KEY_EVENT_RECORD> read = read_key()) {
        key = wide_key(*read, keyboard.input.last_character());
    } else {
        return FALSE;
    }
    buffer->EventType = KEY_EVENT;
    buffer->Event.KeyEvent = key;
    *events_read = 1;
    return TRUE;
}

int WideCharToMultiByte(UINT code_page, DWORD, const WCHAR* wide, int wide_count, char* bytes,
                        int byte_count, const char*, BOOL*) noexcept
{
    if (code_page == 0) {
        // The terminal's own bytes, known for the last key's character only.
        if (byte_count < 1 || keyboard.character == 0 ||
            character_of(wide, wide_count) != keyboard.character) {
            return 0;
        }
        bytes[0] = keyboard.sent_byte;
        return 1;
    }
    if (code_page != gbk_code_page) return 0;
    int written = 0;
    for (int at = 0; at < wide_count;) {
        const int units = at + 1 < wide_count && character_of(wide + at, 2) > 0xFFFF ? 2 : 1;
        unsigned char gbk[2] = {'?', 0};
        const int length = std::max(static_cast<int>(put_gbk(character_of(wide + at, units), gbk)), 1);
        if (written + length > byte_count) return 0;
        for (int i = 0; i < length; ++i) bytes[written++] = static_cast<char>(gbk[i]);
        at += units;
    }
    return written;
}

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE, BOOL) noexcept
{
    return TRUE;
}
