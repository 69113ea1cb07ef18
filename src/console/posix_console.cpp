// The four console keyboard calls over the controlling terminal, so that the key wait runs
// unchanged off Windows: /dev/tty stands in for "CONIN$", the terminal settings for the
// console mode, and key presses decoded from the terminal's bytes for input events.
#include "console/console_api.h"
#include "console/vt_decode.h"

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A byte that follows ESC later than this comes from a new key press: Esc was pressed alone.
// Terminals send a key's sequence in one burst; people do not type twice within 100 ms.
constexpr int escape_timeout_ms = 100;

// Longer than any key sequence a terminal sends; anything longer is dropped as noise.
constexpr std::size_t longest_sequence = 64;

struct terminal {
    int fd = -1;
    termios saved{};          // the settings GetConsoleMode found
    DWORD saved_mode = 0;     // the mode GetConsoleMode reported for them
    bool changed = false;     // whether other settings are in force now
    termios current{};        // those other settings, to put back after a stop
    unsigned char pending[longest_sequence]{};  // bytes read but not yet decoded
    std::size_t pending_count = 0;
};

terminal keyboard;

// Signals that would end or stop the process while the terminal is raw: the settings go back
// first. After a stop (kill -TSTP; Ctrl+Z is an ordinary key while raw) they are made raw
// again when the process is continued in the foreground.
void restore_and_reraise(int signal_number)
{
    tcsetattr(keyboard.fd, TCSANOW, &keyboard.saved);
    // The signal stays blocked until this handler returns; then the default action ends us.
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

// A hang-up comes with SIGHUP for the session's leader, but the terminal is gone by then: it
// answers EIO, the wait's read fails and gives -1, and there are no settings to put back.
// A SIGHUP sent while the terminal lives ends the process like the other signals.
void hang_up_or_restore_and_reraise(int signal_number)
{
    const int saved_errno = errno;
    termios settings;
    if (tcgetattr(keyboard.fd, &settings) != 0 && errno == EIO) {
        errno = saved_errno;
        return;
    }
    restore_and_reraise(signal_number);
}

void restore_and_stop(int signal_number)
{
    const int saved_errno = errno;
    tcsetattr(keyboard.fd, TCSANOW, &keyboard.saved);
    signal(signal_number, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, signal_number);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    raise(signal_number);  // stops here until continued
    signal(signal_number, restore_and_stop);
    tcsetattr(keyboard.fd, TCSANOW, &keyboard.current);
    errno = saved_errno;
}

struct restoring_signal {
    int number;
    void (*handler)(int);
    bool handled = false;
    struct sigaction previous{};
};

restoring_signal restoring_signals[] = {{SIGINT, restore_and_reraise},
                                        {SIGTERM, restore_and_reraise},
                                        {SIGHUP, hang_up_or_restore_and_reraise},
                                        {SIGQUIT, restore_and_reraise},
                                        {SIGTSTP, restore_and_stop}};

void install_signal_handlers() noexcept
{
    struct sigaction action{};
    sigemptyset(&action.sa_mask);
    for (const restoring_signal& each : restoring_signals) sigaddset(&action.sa_mask, each.number);
    for (restoring_signal& each : restoring_signals) {
        if (each.handled || sigaction(each.number, nullptr, &each.previous) != 0) continue;
        // A signal ignored by whoever started us (nohup) stays ignored.
        if (each.previous.sa_handler == SIG_IGN) continue;
        action.sa_handler = each.handler;
        each.handled = sigaction(each.number, &action, nullptr) == 0;
    }
}

void remove_signal_handlers() noexcept
{
    for (restoring_signal& each : restoring_signals) {
        if (each.handled) sigaction(each.number, &each.previous, nullptr);
        each.handled = false;
    }
}

bool apply(const termios& settings) noexcept
{
    // TCSANOW, not TCSAFLUSH: keys typed or pasted ahead must still be there to read.
    int result;
    do result = tcsetattr(keyboard.fd, TCSANOW, &settings);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

DWORD mode_of(const termios& settings) noexcept
{
    DWORD mode = 0;
    if (settings.c_lflag & ISIG) mode |= ENABLE_PROCESSED_INPUT;
    if (settings.c_lflag & ICANON) mode |= ENABLE_LINE_INPUT;
    if (settings.c_lflag & ECHO) mode |= ENABLE_ECHO_INPUT;
    return mode;
}

termios settings_for(DWORD mode, termios settings) noexcept
{
    if (!(mode & ENABLE_LINE_INPUT)) {
        // One byte at a time, as typed: Enter reads as 13, 8-bit bytes stay whole.
        settings.c_lflag &= ~ICANON;
        settings.c_iflag &= ~(ICRNL | INLCR | IGNCR | ISTRIP | PARMRK);
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
        settings.c_iflag &= ~IXON;
    }
    return settings;
}

enum class read_result { byte, silence, failed };

// Reads one byte, waiting at most `timeout_ms` for it, or for ever when it is negative.
// One byte at a time, so that whatever follows the key press stays for the shell.
read_result read_byte(unsigned char& byte, int timeout_ms) noexcept
{
    if (timeout_ms >= 0) {
        // select(), not poll(): poll() does not work on terminals everywhere (macOS).
        int ready;
        do {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(keyboard.fd, &readable);
            timeval timeout{0, timeout_ms * 1000};
            ready = select(keyboard.fd + 1, &readable, nullptr, nullptr, &timeout);
        } while (ready < 0 && errno == EINTR);
        if (ready == 0) return read_result::silence;
        if (ready < 0) return read_result::failed;
    }
    ssize_t count;
    do count = read(keyboard.fd, &byte, 1);
    while (count < 0 && errno == EINTR);
    return count == 1 ? read_result::byte : read_result::failed;  // 0: the terminal hung up
}

void drop_pending(std::size_t length) noexcept
{
    std::memmove(keyboard.pending, keyboard.pending + length, keyboard.pending_count - length);
    keyboard.pending_count -= length;
}

}  // namespace

HANDLE CreateFileA(const char* file_name, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) noexcept
{
    if (std::strcmp(file_name, "CONIN$") != 0) return INVALID_HANDLE_VALUE;
    if (keyboard.fd >= 0) return &keyboard;  // one terminal, however often it is opened
    int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    // Keep clear of descriptors 0 to 2: were standard output closed, the terminal would
    // otherwise take its place and receive output meant for it.
    if (fd >= 0 && fd <= 2) {
        const int high = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        close(fd);
        fd = high;
    }
    if (fd < 0) return INVALID_HANDLE_VALUE;
    keyboard.fd = fd;
    return &keyboard;
}

BOOL GetConsoleMode(HANDLE console, DWORD* mode) noexcept
{
    if (console != &keyboard || tcgetattr(keyboard.fd, &keyboard.saved) != 0) return FALSE;
    keyboard.saved_mode = mode_of(keyboard.saved);
    *mode = keyboard.saved_mode;
    return TRUE;
}

BOOL SetConsoleMode(HANDLE console, DWORD mode) noexcept
{
    if (console != &keyboard) return FALSE;
    // The mode GetConsoleMode reported puts back the very settings it found, every flag of
    // them; any other mode is those settings with the features it lacks turned off.
    if (mode == keyboard.saved_mode) {
        const bool restored = apply(keyboard.saved);
        if (restored) {
            keyboard.changed = false;
            remove_signal_handlers();
        }
        return restored ? TRUE : FALSE;
    }
    // Handlers first, so that no signal can find the terminal changed and nobody to mend it.
    const termios settings = settings_for(mode, keyboard.saved);
    keyboard.current = settings;
    install_signal_handlers();
    if (!apply(settings)) {
        if (!keyboard.changed) remove_signal_handlers();
        return FALSE;
    }
    keyboard.changed = true;
    return TRUE;
}

BOOL ReadConsoleInputA(HANDLE console, INPUT_RECORD* buffer, DWORD length,
                       DWORD* events_read) noexcept
{
    *events_read = 0;
    if (console != &keyboard || length == 0) return FALSE;
    bool silence = false;
    for (;;) {
        const bool more_may_follow = !silence && keyboard.pending_count < longest_sequence;
        const decoded_input input =
            decode_terminal_input(keyboard.pending, keyboard.pending_count, more_may_follow);
        if (input.outcome == decode_outcome::need_more) {
            unsigned char byte = 0;
            const int timeout = keyboard.pending_count == 0 ? -1 : escape_timeout_ms;
            switch (read_byte(byte, timeout)) {
            case read_result::failed: return FALSE;
            case read_result::silence: silence = true; break;
            case read_result::byte: keyboard.pending[keyboard.pending_count++] = byte; break;
            }
            continue;
        }
        drop_pending(input.length);
        silence = false;
        if (input.outcome == decode_outcome::key) {
            buffer->EventType = KEY_EVENT;
            buffer->Event.KeyEvent = input.key;
            *events_read = 1;
            return TRUE;
        }
    }
}
