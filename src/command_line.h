#pragma once
#include <optional>

// The exit status for a usage error, as command-line tools give it.
constexpr int usage_error_status = 2;

// Answers the arguments: --help and --version print their text on standard output and give
// status 0; anything else prints a one-line usage error on standard error and gives
// usage_error_status. Empty when there are none, and the run goes ahead.
std::optional<int> answer_arguments(int argc, char* argv[]);
