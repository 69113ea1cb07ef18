#include "common/standard_streams.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A descriptor left non-blocking (by a crashed program sharing it, say) answers EAGAIN where
// it would block: wait for it, as a blocking one would.
bool wait_until_ready(int fd, short event)
{
    pollfd ready{fd, event, 0};
    int result;
    do result = poll(&ready, 1, -1);
    while (result < 0 && errno == EINTR);
    return result > 0;
}

bool must_wait(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

}  // namespace

void prepare_standard_streams()
{
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#ifdef F_SETPIPE_SZ
    // A pipe holds 64 KiB, so a long listing would hand over a quarter of each write at a
    // time, waiting for the reader in between. Where the system allows (1 MiB for anyone on
    // Linux), a larger one takes whole writes; elsewhere nothing changes.
    struct stat output;
    if (fstat(STDOUT_FILENO, &output) == 0 && S_ISFIFO(output.st_mode)) {
        fcntl(STDOUT_FILENO, F_SETPIPE_SZ, 1 << 20);
    }
#endif
}

// A terminal takes UTF-8 bytes as they are.
void use_wide_console_text() {}

bool is_terminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

long read_input(std::FILE* in, unsigned char* buffer, std::size_t capacity)
{
    const int fd = fileno(in);
    for (;;) {
        const ssize_t count = read(fd, buffer, capacity);
        if (count >= 0) return static_cast<long>(count);
        if (errno == EINTR || (must_wait(errno) && wait_until_ready(fd, POLLIN))) continue;
        return -1;
    }
}

bool write_output(std::FILE* out, const unsigned char* bytes, std::size_t count)
{
    const int fd = fileno(out);
    while (count > 0) {
        const ssize_t written = write(fd, bytes, count);
        if (written < 0) {
            if (errno == EINTR || (must_wait(errno) && wait_until_ready(fd, POLLOUT))) continue;
            return false;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}
