#pragma once
// The controlling terminal's descriptor for the key wait, and reads from it one byte at a
// time, with a limit on the wait for the next byte.
// Opens the controlling terminal, or where no descriptor is left to open it (ulimit -n), a
// standard one on it; -1 where there is none, standard error saying why where one exists.
int open_terminal_keyboard() noexcept;

// Milliseconds on the monotonic clock, which no change of the system's time moves.
long long monotonic_ms() noexcept;

enum class read_result { byte, silence, failed };

// Reads one byte, waiting for it until `deadline_ms` at the latest (for ever where negative).
// One byte at a time, so that whatever follows the key press stays for the shell.
read_result read_terminal_byte(int fd, unsigned char& byte, long long deadline_ms) noexcept;
