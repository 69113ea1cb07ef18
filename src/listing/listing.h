#pragma once
#include "common/text_encoding.h"
#include "listing/listing_output.h"

#include <cstdio>

// Writes the prompt "输入汉字：" in `encoding`, then a line end.
void write_prompt(listing_output& out, text_encoding encoding);

// Reads one token from `in` and lists it on `out` two bytes to a line: TAB, the two bytes as
// they are, two spaces, then each byte's value in lowercase hex without leading zeros, and
// LF; a last odd byte is paired with the token's zero terminator. Leading bytes 09 to 0D and
// 20 are skipped, and the token runs up to the next such byte or the end of input. Tokens of
// any length, zero bytes included, are listed whole in constant memory; no token, no lines.
// Input is read as it becomes ready (a line at a terminal), so the listing never waits for
// more than the token; bytes after it may be read but are never listed. A failed read is
// reported on standard error and ends the token there. With UTF-8 input, the token's GBK
// bytes are listed; the first few characters without a GBK code are named on standard error,
// and, where not every one was named, how many there were in all; as GB18030 every
// character has a code, and none is named. With GBK input that looks
// like UTF-8 (see token_scan::looks_like_utf8), a line on standard error says how to get the
// GBK codes. True when the input was read and the listing written whole (or to a reader that
// left, as pipelines end).
bool list_token(std::FILE* in, listing_output& out, text_encoding input_encoding);
