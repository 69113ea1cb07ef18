#include "listing/standard_streams.h"

#include <cerrno>
#include <climits>
#include <io.h>

// Standard input and output stay in the C runtime's text mode, as they start: LF goes out as
// CR LF, CR LF comes in as LF, and Ctrl+Z ends redirected input. Windows has no SIGPIPE or
// SIGXFSZ; such a write simply fails.
void prepare_standard_streams() {}

bool is_terminal(std::FILE* stream)
{
    return _isatty(_fileno(stream)) != 0;
}

// _read does the text mode's work: CR LF arrives as LF, and Ctrl+Z ends the data of the read
// it comes in (for good, from a file or pipe). At the console a line that starts with Ctrl+Z
// gives an empty read once; only a second one straight after it ends the input.
long read_input(std::FILE* in, unsigned char* buffer, std::size_t capacity)
{
    const int fd = _fileno(in);
    const unsigned size = capacity < INT_MAX ? static_cast<unsigned>(capacity) : INT_MAX;
    int count = _read(fd, buffer, size);
    if (count == 0 && _isatty(fd)) count = _read(fd, buffer, size);
    return count;
}

// Through the stream, whose text mode turns each LF into CR LF, and on at once.
bool write_output(std::FILE* out, const unsigned char* bytes, std::size_t count)
{
    return std::fwrite(bytes, 1, count, out) == count && std::fflush(out) == 0;
}
