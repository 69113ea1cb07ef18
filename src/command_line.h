#pragma once
#include "common/text_encoding.h"

#include <optional>

// Exit statuses of the run's own, beside the key codes they share their values with.
constexpr int usage_error_status = 2;       // as command-line tools give it
constexpr int unwritten_answer_status = 1;  // --help or --version could not be written
constexpr int unlisted_status = 1;  // with --no-wait: the input unread or the listing unwritten

// The run's options, decided once and handed to each part.
struct run_options {
    // --utf8, -u: the terminal, or the data; --gb18030, -g: the same, listed as GB18030
    text_encoding encoding = text_encoding::gbk;
    bool wait_for_key = true;  // --no-wait, -n: list and end, for scripts
};

// Reads the arguments into `options`. Short options may come bundled (-un), as POSIX
// utilities take them. --help (-h) and --version write their text on standard
// output and give status 0, or unwritten_answer_status with the reason on standard error
// (a reader that left a pipe is no failure, and silent); anything unknown gives a one-line
// usage error on standard error, the argument shown safely, and usage_error_status. Empty
// when the run goes ahead. The standard streams must be prepared first.
std::optional<int> read_arguments(int argc, char* argv[], run_options& options);
