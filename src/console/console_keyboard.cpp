// The keyboard over the Windows console's own calls: "CONIN$", its input mode, and its key
// events read in UTF-16. Built for Windows; the tests build it off Windows too, over a fake
// of these calls.
#include "common/utf16.h"
#include "console/keyboard.h"

#include <utility>

namespace {

// The keyboard handle (CONIN$) in its three states: not opened yet, open, or failed to open.
HANDLE conin = nullptr;

// What the wait shares with the control handler, which runs on a thread of its own. The lock
// orders their changes to the mode, so that whichever comes second sees what the first did.
struct raw_wait {
    SRWLOCK lock = SRWLOCK_INIT;
    DWORD saved_mode = 0;
    bool handler_added = false;
    bool raw = false;          // the keyboard is in mode 0
    bool ending = false;       // a control event is ending the process: the mode stays put back
    WCHAR high_surrogate = 0;  // the first half of a character beyond U+FFFF, seen last
};
raw_wait waiting;

class holding_lock {
public:
    holding_lock() noexcept { AcquireSRWLockExclusive(&waiting.lock); }
    ~holding_lock() { ReleaseSRWLockExclusive(&waiting.lock); }
    holding_lock(const holding_lock&) = delete;
    holding_lock& operator=(const holding_lock&) = delete;
};

// Mode 0: no line input, no echo, and Ctrl+C arrives as the key 3 instead of ending us.
void set_raw_unless_ending() noexcept
{
    const holding_lock held;
    if (!waiting.ending && !waiting.raw) waiting.raw = SetConsoleMode(conin, 0) != FALSE;
}

// Ctrl+Break, a closed console window, logoff and shutdown end the process without the wait's
// own put-back; the input mode belongs to the console, so cmd.exe would be left raw. So does a
// Ctrl+C another program sends (typed, it is the key 3 in mode 0), unless gbcode was started
// ignoring it: then the wait goes on, and makes the mode raw again at its next event. FALSE:
// the default handling follows, and ends the process as before.
BOOL WINAPI put_back_before_ending(DWORD event) noexcept
{
    const holding_lock held;
    if (waiting.raw) SetConsoleMode(conin, waiting.saved_mode);
    waiting.raw = false;
    if (event != CTRL_C_EVENT) waiting.ending = true;
    return FALSE;
}

// A key press: a key going down, or Alt going up with the character typed by its decimal
// code on the keypad (the console also brings characters it makes up itself that way).
bool is_press(const KEY_EVENT_RECORD& key) noexcept
{
    return key.bKeyDown || (key.wVirtualKeyCode == VK_MENU && key.uChar.UnicodeChar != 0);
}

// The first byte of a character (one UTF-16 unit or a surrogate pair) in the console's code
// page, converted as the console converts for a narrow read: with best fit, flags 0
// (microsoft/terminal at 2058813, src/host/inputBuffer.cpp lines 69 and 423). '?' where the
// code page has none. The code page is only read: it is the whole console's.
char first_byte_as_typed(const WCHAR* units, int unit_count) noexcept
{
    char bytes[8]{};  // a character takes up to 4 bytes in any code page
    const int length = WideCharToMultiByte(GetConsoleCP(), 0, units, unit_count, bytes,
                                           static_cast<int>(sizeof bytes), nullptr, nullptr);
    return length > 0 ? bytes[0] : '?';
}

}  // namespace

bool open_keyboard() noexcept
{
    if (conin == nullptr) {
        conin = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    return conin != INVALID_HANDLE_VALUE;
}

bool make_keyboard_raw() noexcept
{
    // A keyboard whose mode cannot be read cannot be put back either: leave it untouched.
    if (!GetConsoleMode(conin, &waiting.saved_mode)) return false;
    waiting.ending = false;
    waiting.high_surrogate = 0;
    // The handler first, then the mode: an event in between finds nothing to put back, and
    // the mode is then left as it is.
    waiting.handler_added = SetConsoleCtrlHandler(put_back_before_ending, TRUE) != FALSE;
    set_raw_unless_ending();
    if (waiting.raw) return true;
    put_keyboard_back();
    return false;
}

void put_keyboard_back() noexcept
{
    {
        const holding_lock held;
        if (waiting.raw) SetConsoleMode(conin, waiting.saved_mode);
        waiting.raw = false;
        waiting.ending = true;
    }
    if (waiting.handler_added) SetConsoleCtrlHandler(put_back_before_ending, FALSE);
    waiting.handler_added = false;
}

// Reads wide key events, so that a character is taken whole and none of its bytes stays in
// the console for the next reader (a narrow read hands out a GBK character's trail byte on
// its own). A paste or an input method's text comes as a key event for each character
// (src/interactivity/win32/Clipboard.cpp line 314, windowproc.cpp lines 98-103 and
// inputBuffer.cpp lines 794-811): the first ends the wait, and the rest stays for the next
// reader, as typed keys do.
std::optional<key_press> read_key_press() noexcept
{
    for (;;) {
        INPUT_RECORD event{};
        DWORD events_read = 0;
        if (!ReadConsoleInputW(conin, &event, 1, &events_read) || events_read == 0) {
            return std::nullopt;
        }
        set_raw_unless_ending();  // after a Ctrl+C that did not end the process
        if (event.EventType != KEY_EVENT || !is_press(event.Event.KeyEvent)) continue;
        key_press press{event.Event.KeyEvent, 0};
        const WCHAR unit = press.key.uChar.UnicodeChar;
        if (unit == 0) return press;
        // Each half comes as a key press of its own; a lone half is dropped.
        if (is_high_surrogate(unit)) {
            waiting.high_surrogate = unit;
            continue;
        }
        const WCHAR pair[2] = {std::exchange(waiting.high_surrogate, WCHAR{0}), unit};
        const bool whole_pair = pair[0] != 0 && is_low_surrogate(unit);
        if (is_low_surrogate(unit) && !whole_pair) continue;
        const char32_t character = whole_pair ? joined_surrogates(pair[0], unit) : unit;
        press.key.uChar.UnicodeChar = 0;
        press.key.uChar.AsciiChar =
            whole_pair ? first_byte_as_typed(pair, 2) : first_byte_as_typed(&unit, 1);
        press.character = character < 0x80 ? 0 : character;
        return press;
    }
}
