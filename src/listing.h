#pragma once
#include "block_writer.h"

#include <cstddef>
#include <cstdio>

// Writes the prompt "输入汉字：" as its GBK bytes, then a line end. `show_at_once` flushes it,
// so that on a terminal it is on screen before the token read waits.
void write_prompt(std::FILE* out, bool show_at_once);

// Reads one token from `in`: leading bytes 09 to 0D and 20 are skipped, and the token runs up
// to the next such byte or the end of input. It is listed on `out` two bytes to a line, paired
// by position: TAB, the two bytes as they are, two spaces, then each byte's value in lowercase
// hex without leading zeros, then LF. A last odd byte is paired with the zero byte that ends
// the token. Tokens of any length and zero bytes inside them are listed whole, in constant
// memory; no token, no lines. Input is read as it becomes ready (a line at a terminal), so the
// listing never waits for more than the token; bytes after it may be read but are never used.
// With `show_each_line` every line is flushed as it is made; otherwise lines go out in large
// writes, made beside the listing by a second thread. Write errors are not checked: the run
// goes on to the key wait whatever happens.
void list_token(std::FILE* in, std::FILE* out, bool show_each_line);

// TAB, two bytes, two spaces, two hex fields of up to two digits each, LF.
constexpr std::size_t longest_pair_line = 10;
// put_pair_lines writes whole machine words, up to this far past the last line's end.
constexpr std::size_t pair_line_slack = 8;

// The listing of one token made piece by piece, from input as it arrives: what list_token
// does between its reads. Tests and fuzzers drive it with pieces of their choosing.
struct token_listing {
    token_listing(std::FILE* out, bool show_each_line) noexcept : lines(out, show_each_line) {}

    bool in_token = false;    // leading blanks are behind
    bool holds_byte = false;  // a pair's first byte came at the end of the last piece
    unsigned char held_byte = 0;
    block_writer lines;       // made in place, on their way out
};

// Lists what `bytes` add to the token. Returns false once the token has ended among them.
bool list_more(token_listing& listing, const unsigned char* bytes, std::size_t count);

// Lists a last odd byte with the token's terminator; returns once all lines are written and
// flushed.
void finish_listing(token_listing& listing);

// Writes the lines of the first `pair_count` byte pairs of `bytes` to `out`, which must have
// room for `longest_pair_line * pair_count` bytes plus `pair_line_slack`; returns their end.
// Exposed for tests and benchmarks, which compare it with a plain model of the line format.
unsigned char* put_pair_lines(const unsigned char* bytes, std::size_t pair_count, unsigned char* out);
