#include "common/standard_streams.h"
#include "common/utf16.h"
#include "common/utf8.h"
#include "common/windows_api.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <io.h>
#include <utility>

namespace {

// A console behind standard input or output that is read or written as UTF-16 (--utf8 mode):
// the descriptor the C runtime knows it by and the console's handle; fd -1 for none.
struct wide_console {
    int fd = -1;
    HANDLE handle = INVALID_HANDLE_VALUE;
};
wide_console wide_input;
wide_console wide_output;

// The console behind a descriptor, or INVALID_HANDLE_VALUE. Not _isatty: it is true for any
// character device, the NUL device among them.
HANDLE console_of(int fd)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    DWORD mode;
    const bool console = handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
    return console ? handle : INVALID_HANDLE_VALUE;
}

wide_console console_behind(std::FILE* stream)
{
    const int fd = _fileno(stream);
    const HANDLE handle = console_of(fd);
    return handle != INVALID_HANDLE_VALUE ? wide_console{fd, handle} : wide_console{};
}

bool is_wide(std::FILE* stream, const wide_console& console)
{
    return console.fd >= 0 && _fileno(stream) == console.fd;
}

constexpr wchar_t ctrl_z = 0x1A;

// Reading ---------------------------------------------------------------------------------

// What one ReadConsoleW asks for. The console hands out a line at a time; one this long is
// read whole, as the C runtime's read of the listing's 32 KiB would read it.
constexpr DWORD units_per_read = 16 * 1024;
// Static, as the listing's buffer is: a small stack must do.
wchar_t read_units[units_per_read];

// The UTF-8 text of the last read not yet handed out. A unit makes at most three bytes (a
// surrogate pair four for two); a high surrogate held from the read before adds three.
unsigned char read_text[3 * units_per_read + 3];
std::size_t read_text_start = 0;
std::size_t read_text_end = 0;
// The first half of a surrogate pair that the end of a read (a line longer than it) cut off.
wchar_t held_high_surrogate = 0;

enum class console_read { text, emptied_by_ctrl_z, end, failed };

// One ReadConsoleW, as the C runtime's text mode reads: CR LF becomes LF and a Ctrl+Z ends
// the read's data. Puts the text in read_text; a read may give none, having held all it got.
// A CR that ends a read stays a CR: like the LF, it ends the token, and a console left
// without line input sends CR alone for Enter, so waiting to see what follows could hang.
console_read read_console(HANDLE console)
{
    const wchar_t* const units = read_units;
    DWORD count = 0;
    BOOL read;
    // Ctrl+C ends a read with nothing read and ERROR_OPERATION_ABORTED (microsoft/terminal at
    // 2058813, src/host/readDataCooked.cpp lines 215-220). It then ends the process as well,
    // unless gbcode was started ignoring it: then the read is made again.
    do {
        SetLastError(ERROR_SUCCESS);
        read = ReadConsoleW(console, read_units, units_per_read, &count, nullptr);
    } while (count == 0 && GetLastError() == ERROR_OPERATION_ABORTED);
    if (!read) {
        errno = EIO;
        return console_read::failed;
    }
    if (count == 0) return console_read::end;
    unsigned char* out = read_text;
    bool ctrl_z_seen = false;
    for (DWORD i = 0; i < count && !ctrl_z_seen; ++i) {
        const wchar_t unit = units[i];
        ctrl_z_seen = unit == ctrl_z;
        const wchar_t high_surrogate = std::exchange(held_high_surrogate, 0);
        if (high_surrogate != 0 && is_low_surrogate(unit)) {
            out = put_utf8(joined_surrogates(high_surrogate, unit), out);
            continue;
        }
        if (high_surrogate != 0) out = put_utf8(replacement_character, out);
        if (ctrl_z_seen || (unit == L'\r' && i + 1 < count && units[i + 1] == L'\n')) continue;
        if (is_high_surrogate(unit)) {
            held_high_surrogate = unit;
        } else {
            out = put_utf8(is_low_surrogate(unit) ? replacement_character : unit, out);
        }
    }
    read_text_start = 0;
    read_text_end = static_cast<std::size_t>(out - read_text);
    if (ctrl_z_seen && read_text_end == 0) return console_read::emptied_by_ctrl_z;
    return console_read::text;
}

// Hands out the text of the console's reads, reading again where a read gave no text only
// because it ended in the first half of a surrogate pair. 0 for a read a Ctrl+Z emptied, as
// _read gives.
long read_wide_console(HANDLE console, unsigned char* buffer, std::size_t capacity)
{
    while (read_text_start == read_text_end) {
        const console_read read = read_console(console);
        if (read == console_read::failed) return -1;
        if (read != console_read::text) return 0;  // the end, or a read a Ctrl+Z emptied
    }
    const std::size_t ready = read_text_end - read_text_start;
    const std::size_t count = ready < capacity ? ready : capacity;
    std::memcpy(buffer, read_text + read_text_start, count);
    read_text_start += count;
    return static_cast<long>(count);
}

// Writing ---------------------------------------------------------------------------------

// Where the UTF-8 written so far stands: a character that the end of the last write cut
// short is completed by the next.
utf8_decoder written_text;

// UTF-16 on its way to the console, in pieces of at most this many units.
constexpr std::size_t units_per_write = 2048;

bool write_units(HANDLE console, const wchar_t* units, std::size_t count)
{
    while (count > 0) {
        DWORD written = 0;
        if (!WriteConsoleW(console, units, static_cast<DWORD>(count), &written, nullptr) ||
            written == 0) {
            errno = EIO;
            return false;
        }
        units += written;
        count -= written;
    }
    return true;
}

// Adds `character` to `units` as UTF-16, LF as CR LF; returns the new end.
wchar_t* put_utf16(char32_t character, wchar_t* units)
{
    if (character == '\n') *units++ = L'\r';
    if (character >= 0x10000) {
        *units++ = static_cast<wchar_t>(high_surrogate_of(character));
        character = low_surrogate_of(character);
    }
    *units++ = static_cast<wchar_t>(character);
    return units;
}

// UTF-8 to the console through WriteConsoleW, whatever its code page. A byte that begins no
// character, or a character cut short by the next byte, shows as U+FFFD; one cut short by the
// end of `bytes` waits for the next write.
bool write_wide_console(HANDLE console, const unsigned char* bytes, std::size_t count)
{
    wchar_t units[units_per_write + 4];
    wchar_t* end = units;
    for (std::size_t i = 0; i < count; ++i) {
        utf8_decoder::step step = written_text.push(bytes[i]);
        if (step == utf8_decoder::step::cut_short) {
            end = put_utf16(replacement_character, end);
            step = written_text.push(bytes[i]);
        }
        if (step == utf8_decoder::step::character) end = put_utf16(written_text.character(), end);
        if (step == utf8_decoder::step::not_utf8) end = put_utf16(replacement_character, end);
        if (end - units >= static_cast<std::ptrdiff_t>(units_per_write)) {
            if (!write_units(console, units, static_cast<std::size_t>(end - units))) return false;
            end = units;
        }
    }
    return write_units(console, units, static_cast<std::size_t>(end - units));
}

}  // namespace

// Standard input and output stay in the C runtime's text mode, as they start: LF goes out as
// CR LF, CR LF comes in as LF, and Ctrl+Z ends redirected input. Windows has no SIGPIPE or
// SIGXFSZ; such a write simply fails.
void prepare_standard_streams() {}

// Bytes in the console's code page show Chinese only in code page 936 or 65001, and typed
// text comes back as NUL bytes in 65001 on many consoles: a console is read and written as
// UTF-16 instead, converted from and to UTF-8. Redirected streams stay bytes.
void use_wide_console_text()
{
    wide_input = console_behind(stdin);
    wide_output = console_behind(stdout);
}

bool is_terminal(std::FILE* stream) { return console_of(_fileno(stream)) != INVALID_HANDLE_VALUE; }

// _read does the text mode's work: CR LF arrives as LF, and Ctrl+Z ends the data of the read
// it comes in (for good, from a file or pipe). At the console a line that starts with Ctrl+Z
// gives an empty read once; only a second one straight after it ends the input. The wide
// console read gives the same reads.
long read_input(std::FILE* in, unsigned char* buffer, std::size_t capacity)
{
    if (is_wide(in, wide_input)) {
        long count = read_wide_console(wide_input.handle, buffer, capacity);
        if (count == 0) count = read_wide_console(wide_input.handle, buffer, capacity);
        return count;
    }
    const int fd = _fileno(in);
    const unsigned size = capacity < INT_MAX ? static_cast<unsigned>(capacity) : INT_MAX;
    int count = _read(fd, buffer, size);
    if (count == 0 && console_of(fd) != INVALID_HANDLE_VALUE) count = _read(fd, buffer, size);
    return count;
}

// Through the stream, whose text mode turns each LF into CR LF, and on at once.
bool write_output(std::FILE* out, const unsigned char* bytes, std::size_t count)
{
    if (is_wide(out, wide_output)) return write_wide_console(wide_output.handle, bytes, count);
    return std::fwrite(bytes, 1, count, out) == count && std::fflush(out) == 0;
}
