#pragma once
#include <cerrno>
#include <cstddef>
#include <cstdio>

// The few facts about the standard streams that differ by platform.

// Readies the standard streams for the run: a write to a reader that has gone, or beyond a
// file size limit, must fail as a write does instead of ending the process.
void prepare_standard_streams();

// For UTF-8 text (--utf8), called after prepare_standard_streams: a Windows console on
// standard input or output is read and written in UTF-16, converted from and to UTF-8, so
// that Chinese shows and reads whatever the console's code page. Nothing elsewhere.
void use_wide_console_text();

// Whether `stream` is a terminal or console, where each write must show at once.
bool is_terminal(std::FILE* stream);

// Reads into `buffer` what `in` has ready, up to `capacity` bytes, waiting only until there is
// something (a line at a terminal, what a pipe holds), also where the descriptor is
// non-blocking. Reads the descriptor below the stream, which must have nothing buffered, in
// the platform's text mode. Returns the count, 0 at the end of input, or -1 with errno set.
long read_input(std::FILE* in, unsigned char* buffer, std::size_t capacity);

// Writes all `count` bytes to `out` in the platform's text mode, going on where a write
// stopped and waiting where the descriptor is non-blocking and full. False with errno set on
// an error.
bool write_output(std::FILE* out, const unsigned char* bytes, std::size_t count);

// Whether a failed write's errno says only that the reader has gone.
inline bool is_reader_gone(int error) { return error == EPIPE; }
