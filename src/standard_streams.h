#pragma once
#include <cstddef>
#include <cstdio>

// Readies the standard streams for the run: a write to a reader that has gone must fail
// quietly instead of ending the process before the key wait.
void prepare_standard_streams();

// Whether `stream` is a terminal or console, where each write must show at once.
bool is_terminal(std::FILE* stream);

// Reads into `buffer` what `in` has ready, up to `capacity` bytes, waiting only until there is
// something: a line at a terminal, what a pipe holds. Reads the descriptor below the stream,
// which must have nothing buffered, in the platform's text mode. 0 at the end of input or on
// an error.
std::size_t read_input(std::FILE* in, unsigned char* buffer, std::size_t capacity);
