#pragma once
#include "common/text_encoding.h"

#include <string>

// Whether `output` is the listing of the first token of `input` in the mode given, by the
// plain model of the line format. Built without the fuzzer's coverage: its comparisons are
// the fuzzer's, not the listing's, and would only slow it down.
bool is_listing_of(const std::string& input, const std::string& output, text_encoding encoding,
                   bool on_terminal);
