#pragma once
#include <optional>

// The exit status for a usage error, as command-line tools give it.
constexpr int usage_error_status = 2;

struct run_options {
    bool utf8 = false;  // --utf8, -u: the terminal, or the data, is UTF-8
};

// Reads the arguments into `options`. --help and --version print their text on standard
// output and give status 0; anything unknown prints a one-line usage error on standard error
// and gives usage_error_status. Empty when the run goes ahead.
std::optional<int> read_arguments(int argc, char* argv[], run_options& options);
