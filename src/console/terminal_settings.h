#pragma once
// How the controlling terminal is made raw for the key wait and always put back: its
// settings, the signals that may end or stop the process meanwhile, and job control.
#include <termios.h>

// Waits until this process is in the terminal's foreground (stopped by job control until
// `fg`), saves the settings found and makes the terminal raw. False when the terminal is left
// as found: it can never be in the foreground (an orphaned process group) or fails. A success
// is always matched by put_terminal_back(); until then every signal that ends the process puts
// the settings back first, and a stop puts them back while it lasts.
bool make_terminal_raw(int fd) noexcept;

// Puts back exactly the settings found, and the signal dispositions and mask inherited.
void put_terminal_back() noexcept;

// The settings make_terminal_raw() found.
const termios& found_terminal_settings() noexcept;
