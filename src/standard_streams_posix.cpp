#include "standard_streams.h"

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
