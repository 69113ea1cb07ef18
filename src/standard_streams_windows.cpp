#include "standard_streams.h"

#include <io.h>

// Standard input and output stay in the C runtime's text mode, as they start: LF goes out as
// CR LF, CR LF comes in as LF, and Ctrl+Z ends redirected input. Windows has no SIGPIPE; a
// write to a closed pipe simply fails.
void prepare_standard_streams() {}

bool is_terminal(std::FILE* stream)
{
    return _isatty(_fileno(stream)) != 0;
}
