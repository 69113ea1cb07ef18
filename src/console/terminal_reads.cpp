#include "console/terminal_reads.h"
#include "common/messages.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#ifdef __APPLE__
#include <sys/select.h>
#else
#include <poll.h>
#endif

namespace {

// The controlling terminal's own device, opened apart from standard input, output and error
// where a descriptor is left for it; -1 with errno telling why.
int open_terminal() noexcept
{
    int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    // Keep clear of descriptors 0 to 2: were standard output closed, the terminal would
    // otherwise take its place. With none left above them (ulimit -n 3) it keeps a closed
    // one's place: the listing is written by then, and nothing reads standard input.
    if (fd >= 0 && fd <= 2) {
        const int high = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        if (high >= 0) {
            close(fd);
            fd = high;
        }
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

// Waits until a byte is there to read, until `deadline_ms` at the latest (for ever where
// negative). An interruption (a stop, say) does not put the deadline off.
read_result wait_for_byte(int fd, long long deadline_ms) noexcept
{
    int ready;
    do {
        const long long left_ms = deadline_ms - monotonic_ms();
        const int timeout_ms = deadline_ms < 0 ? -1 : left_ms < 0 ? 0 : static_cast<int>(left_ms);
#ifdef __APPLE__
        // poll() does not work on terminals there; select() takes descriptors below
        // FD_SETSIZE only, and the terminal opened at the lowest free one.
        if (fd >= FD_SETSIZE) return read_result::failed;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        timeval timeout{timeout_ms / 1000, timeout_ms % 1000 * 1000};
        ready = select(fd + 1, &readable, nullptr, nullptr, timeout_ms < 0 ? nullptr : &timeout);
#else
        pollfd keyboard{fd, POLLIN, 0};
        ready = poll(&keyboard, 1, timeout_ms);
#endif
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) return read_result::silence;
    return ready > 0 ? read_result::byte : read_result::failed;
}

}  // namespace

int open_terminal_keyboard() noexcept
{
    int fd = open_terminal();
    if (fd < 0 && (errno == EMFILE || errno == ENFILE)) {
        // No descriptor left to open it (ulimit -n): a standard descriptor on the terminal
        // serves as it is, never closed, as no copy of it can be made either.
        const int open_error = errno;
        fd = standard_descriptor_on_terminal();
        if (fd < 0) message().add("no keyboard: /dev/tty: ").add(std::strerror(open_error)).send();
    }
    return fd;
}

long long monotonic_ms() noexcept
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1'000'000;
}

read_result read_terminal_byte(int fd, unsigned char& byte, long long deadline_ms) noexcept
{
    // Without a deadline the read comes first: from the background it stops us, as job
    // control expects, where poll() would wait on.
    if (deadline_ms >= 0) {
        const read_result ready = wait_for_byte(fd, deadline_ms);
        if (ready != read_result::byte) return ready;
    }
    for (;;) {
        const ssize_t count = read(fd, &byte, 1);
        if (count == 1) return read_result::byte;
        if (count == 0) return read_result::failed;  // the terminal hung up
        if (errno == EINTR) continue;
        // A standard descriptor serving as the keyboard may be non-blocking: wait for it.
        if (errno != EAGAIN && errno != EWOULDBLOCK) return read_result::failed;
        const read_result ready = wait_for_byte(fd, deadline_ms);
        if (ready != read_result::byte) return ready;
    }
}
