#include "standard_streams.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

void prepare_standard_streams()
{
    std::signal(SIGPIPE, SIG_IGN);
}

bool is_terminal(std::FILE* stream)
{
    return isatty(fileno(stream)) == 1;
}

std::size_t read_input(std::FILE* in, unsigned char* buffer, std::size_t capacity)
{
    ssize_t count;
    do count = read(fileno(in), buffer, capacity);
    while (count < 0 && errno == EINTR);
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}
