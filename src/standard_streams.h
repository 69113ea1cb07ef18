#pragma once
#include <cstdio>

// Readies the standard streams for the run: a write to a reader that has gone must fail
// quietly instead of ending the process before the key wait.
void prepare_standard_streams();

// Whether `stream` is a terminal or console, where each write must show at once.
bool is_terminal(std::FILE* stream);
