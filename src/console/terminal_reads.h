#pragma once
// The controlling terminal's descriptor for the key wait, and reads from it one byte at a
// time, with a limit on the wait for the next byte.
#include <ctime>

// Opens the controlling terminal, or where no descriptor is left to open it (ulimit -n), a
// standard one on it; -1 where there is none, standard error saying why where one exists.
int open_terminal_keyboard() noexcept;

// A time on the monotonic clock, which no change of the system's time moves.
timespec monotonic_now() noexcept;
timespec later_by(timespec time, int milliseconds) noexcept;

enum class read_result { byte, silence, failed };

// Reads one byte, waiting until `deadline` at the latest for it (for ever where null). One
// byte at a time, so that whatever follows the key press stays for the shell.
read_result read_terminal_byte(int fd, unsigned char& byte, const timespec* deadline) noexcept;
