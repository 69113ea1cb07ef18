#pragma once
#include <cstdio>

// Writes the prompt "输入汉字：" as its GBK bytes, then a line end. `show_at_once` flushes it,
// so that on a terminal it is on screen before the token read waits.
void write_prompt(std::FILE* out, bool show_at_once);

// Reads one token from `in`: leading bytes 09 to 0D and 20 are skipped, and the token runs up
// to the next such byte or the end of input. It is listed on `out` two bytes to a line, paired
// by position: TAB, the two bytes as they are, two spaces, then each byte's value in lowercase
// hex without leading zeros, then LF. A last odd byte is paired with the zero byte that ends
// the token. Tokens of any length and zero bytes inside them are listed whole; no token, no
// lines. The byte that ends the token is pushed back unread, and nothing after it is read.
// With `show_each_line` every line is flushed as it is made; otherwise lines go out in large
// writes. Write errors are not checked: the run goes on to the key wait whatever happens.
void list_token(std::FILE* in, std::FILE* out, bool show_each_line);
