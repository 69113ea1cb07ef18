// Every key that the installed terminfo database (ncurses-base and ncurses-term) declares for
// the terminal emulators in use, fed to the key reader as the terminal sends it, gives the
// code a console gives for that key, and nothing of it is left over. The sequences are read
// from the database at test time with infocmp; only the small model below, of which key each
// capability stands for, is written here.
#include "console/key_wait.h"
#include "console/vt_input.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

std::string output_of(const std::string& command)
{
    std::string output;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) {
            output.append(buffer, got);
        }
        pclose(pipe);
    }
    return output;
}

// A string capability as infocmp writes it: \E, ^X, \ and a letter or three octal digits
// (\0 is a NUL, sent as 80).
std::string unescape(const std::string& text)
{
    static const std::map<char, char> named{{'E', 0x1B}, {'e', 0x1B},  {'n', '\n'}, {'l', '\n'},
                                            {'r', '\r'}, {'t', '\t'},  {'b', '\b'}, {'f', '\f'},
                                            {'s', ' '},  {'0', '\x80'}};
    std::string bytes;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '^' && at + 1 < text.size()) {
            const char next = text[++at];
            bytes += next == '?' ? '\x7f' : static_cast<char>(next & 0x1F);
        } else if (c == '\\' && at + 3 < text.size() &&
                   text.find_first_not_of("01234567", at + 1) >= at + 4) {
            const int value = std::stoi(text.substr(at + 1, 3), nullptr, 8);
            bytes += static_cast<char>(value == 0 ? 0x80 : value);
            at += 3;
        } else if (c == '\\' && at + 1 < text.size()) {
            const char next = text[++at];
            const auto found = named.find(next);
            bytes += found != named.end() ? found->second : next;  // \\ \, \^ \:
        } else {
            bytes += c;
        }
    }
    return bytes;
}

// The key capabilities of an entry, with their bytes.
std::map<std::string, std::string> keys_of(const std::string& entry)
{
    std::map<std::string, std::string> keys;
    const std::string listing = output_of("infocmp -1 -x '" + entry + "' 2>/dev/null");
    std::size_t start = 0;
    for (std::size_t end; (end = listing.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = listing.substr(start, end - start);
        const std::size_t equals = line.find('=');
        if (line.size() < 4 || line[0] != '\t' || line[1] != 'k' || equals == std::string::npos ||
            line.back() != ',') {
            continue;
        }
        const std::string value = line.substr(equals + 1, line.size() - equals - 2);
        keys[line.substr(1, equals - 1)] = unescape(value);
    }
    return keys;
}

// The terminal emulators in use, by the names of their entries; `foot+base` stands for foot,
// whose own entries come with foot itself.
bool is_emulator(const std::string& name)
{
    static const char* const families[] = {
        "xterm",       "rxvt",        "screen",  "tmux",       "vte",         "gnome",  "konsole",
        "kitty",       "alacritty",   "st-",     "foot+base",  "linux",       "putty",  "mintty",
        "ms-terminal", "iTerm",       "iterm2",  "nsterm",     "Eterm",       "aterm",  "mrxvt",
        "mlterm",      "terminology", "termite", "terminator", "hterm",       "vscode", "domterm",
        "teraterm",    "cygwin",      "xfce",    "kterm",      "color_xterm", "dtterm", "kvt",
        "xiterm",      "xgterm",      "jfbterm", "kon",        "bterm",       "dvtm",   "mosh",
        "ms-vt",
    };
    if (name == "st") return true;
    if (name.find('+') != std::string::npos && name != "foot+base") return false;  // fragments
    for (const char* family : families) {
        if (name.rfind(family, 0) == 0) return true;
    }
    return false;
}

// Entries for keyboards that are no PC keyboard, whose keys mean other keys on one.
const char* why_left_out(const std::string& name)
{
    static const std::pair<const char*, const char*> left_out[] = {
        {"xterm-sco", "SCO console keys: F1 is ESC [ M"},
        {"putty-sco", "SCO console keys: F1 is ESC [ M"},
        {"xterm-sun", "Sun function keys: ESC [ 214 z"},
        {"xterms-sun", "Sun function keys: ESC [ 214 z"},
        {"xterm-hp", "HP keys: ESC p for F1"},
        {"xterm-vt52", "VT52 keys: ESC A for Up"},
        {"screen2", "VT52 keys: ESC A for Up"},
        {"screen.minitel", "Minitel keys"},
        {"xterm-8bit", "8-bit controls (9B for ESC [), which no UTF-8 terminal sends"},
        {"cygwinB19", "keys as NUL (80) and a scan code"},
        {"ms-vt-utf8", "Windows telnet's keys: ESC 1 for F1, everyone's Alt+1"},
        {"xtermc", "an old Unix vendor's xterm: ESC [ U for Page Down"},
        {"xtermm", "an old Unix vendor's xterm: ESC [ U for Page Down"},
    };
    for (const auto& [prefix, reason] : left_out) {
        if (name.rfind(prefix, 0) == 0) return reason;
    }
    return nullptr;
}

constexpr int no_code = -1;  // a key a console gives no code for: keypad 5 with Num Lock off

// On a console, F1 to F10 give 0 and F11 and F12 give 224, whatever the modifiers.
constexpr int function_key_code(int key) { return key <= 10 ? 0 : 224; }

// Which function key kfN is. xterm's numbering (xterm+pcfkeys, and all that follow it):
// kf13-kf24 are Shift+F1-F12, kf25-36 Ctrl, kf37-48 Ctrl+Shift, kf49-60 Alt, kf61-63
// Alt+Shift. rxvt's and the Linux console's (rxvt+pcfkeys, linux): Shift+F1 and F2 are F11
// and F12, so kf13-kf20 are Shift+F3-F10, kf21-22 Shift+F11-F12, kf23-34 Ctrl+F1-F12,
// kf35-42 Ctrl+Shift+F3-F10, kf43-44 Ctrl+Shift+F11-F12. macOS Terminal's (nsterm): kf13-kf20
// are Shift+F5-F12.
int function_key(int number, const std::map<std::string, std::string>& keys,
                 const std::string& entry)
{
    const auto kf13 = keys.find("kf13");
    const bool vt220_numbering = kf13 != keys.end() && kf13->second == "\x1b[25~";
    if (!vt220_numbering || number <= 12) return (number - 1) % 12 + 1;
    if (entry.rfind("nsterm", 0) == 0) return number - 8;
    if (number <= 22) return number - 10;
    if (number <= 34) return number - 22;
    return number - 32;
}

// The code a console gives for the key a capability stands for; empty for capabilities of
// keys a PC keyboard lacks (Find, Select, Help), mouse and focus reports.
std::optional<int> expected_code(const std::string& capability,
                                 const std::map<std::string, std::string>& keys,
                                 const std::string& entry)
{
    // clang-format off
    static const std::map<std::string, int> codes{
        {"kcuu1", 224}, {"kcud1", 224}, {"kcuf1", 224}, {"kcub1", 224}, {"khome", 224},
        {"kend", 224},  {"kich1", 224}, {"kdch1", 224}, {"kpp", 224},   {"knp", 224},
        {"kri", 224},   {"kind", 224},  // Shift+Up and Shift+Down
        {"kcbt", 0},    {"kent", 13},   {"kbs", 8},
        // The keypad with Num Lock off: ka1 ka2 ka3 / kb1 kb2 kb3 / kc1 kc2 kc3.
        {"ka1", 0}, {"ka2", 0}, {"ka3", 0}, {"kb1", 0}, {"kb2", no_code}, {"kb3", 0},
        {"kc1", 0}, {"kc2", 0}, {"kc3", 0},
        {"kp0", 0}, {"kp1", 0}, {"kp2", 0}, {"kp3", 0}, {"kp4", 0}, {"kp5", no_code},
        {"kp6", 0}, {"kp7", 0}, {"kp8", 0}, {"kp9", 0}, {"kpZRO", 0}, {"kpDOT", 0},
        {"kpADD", '+'}, {"kpSUB", '-'}, {"kpMUL", '*'}, {"kpDIV", '/'}, {"kpCMA", ','},
        {"kpNUM", no_code},
    };
    // clang-format on
    // Entries with the VT100's keypad (vt100+keypad) name its 1, 3, 2, 0 and . by the corners
    // and middle: there kb2 is keypad 2.
    const auto ka1 = keys.find("ka1");
    if (capability == "kb2" && ka1 != keys.end() && ka1->second == "\x1bOq") return 0;
    if (const auto found = codes.find(capability); found != codes.end()) return found->second;
    if (capability.size() > 2 && capability.rfind("kf", 0) == 0 &&
        capability.find_first_not_of("0123456789", 2) == std::string::npos) {
        const int number = std::stoi(capability.substr(2));
        if (number < 1 || number > 63) return std::nullopt;
        return function_key_code(function_key(number, keys, entry));
    }
    // The cursor and editing keys with modifiers: kUP is Shift+Up, kUP3 Alt, kUP4 Shift+Alt,
    // kUP5 Ctrl, kUP6 Shift+Ctrl, kUP7 Ctrl+Alt, kUP8 all three. With Alt a console gives 0.
    static const std::set<std::string> modified{"kUP",  "kDN", "kLFT", "kRIT", "kHOM",
                                                "kEND", "kIC", "kDC",  "kPRV", "kNXT"};
    const std::size_t digits = capability.find_first_of("345678");
    if (modified.count(capability.substr(0, digits)) == 0) return std::nullopt;
    if (digits == std::string::npos) return 224;
    if (digits + 1 != capability.size()) return std::nullopt;
    const char modifier = capability[digits];
    return modifier == '3' || modifier == '4' || modifier == '7' || modifier == '8' ? 0 : 224;
}

// Sequences that mean different keys in different entries: the meaning chosen, and why.
// The other meaning is not checked.
const char* why_other_meaning(const std::string& bytes)
{
    // clang-format off
    static const std::map<std::string, const char*> chosen{
        {"\x1b[33~", "Shift+F9 as in rxvt, Linux and PuTTY, not macOS Terminal's Shift+F11"},
        {"\x1b[34~", "Shift+F10 as in rxvt, Linux and PuTTY, not macOS Terminal's Shift+F12"},
        {"\x1bOX", "xterm's keypad =, not PuTTY's F9 in its VT100+ mode"},
        {"\x1b" "b", "Alt+b, not macOS Terminal's Option+Left"},
        {"\x1b" "f", "Alt+f, not macOS Terminal's Option+Right"},
        {"\x1bOl", "PuTTY's keypad +, not xterm's keypad comma, which PC keyboards lack"},
        {"\x1bOP", "F1, not PuTTY's keypad Num Lock"},
        {"\x1bOQ", "F2, not PuTTY's keypad /"},
        {"\x1bOR", "F3, not PuTTY's keypad *"},
        {"\x1bOS", "F4, not PuTTY's keypad -"},
        {"\x1b[OH", "the focus-out report ESC [ O, then H: terminology 1.0.0's entry's Home"},
        {"\x1b[OF", "the focus-out report ESC [ O, then F: terminology 1.0.0's entry's End"},
        {"\x7f", "Ctrl+Backspace (127) where Backspace sends ^H, not old keytabs' Delete"},
    };
    // clang-format on
    const auto found = chosen.find(bytes);
    return found != chosen.end() ? found->second : nullptr;
}

// The code the key reader gives for `bytes`, told that the terminal's erase character is
// `erase`; no_code when they make no key. Checks that exactly one key press came of them and
// that the next key is read whole after it.
int code_of(const std::string& bytes, unsigned char erase)
{
    terminal_input input;
    input.set_erase_character(erase);
    std::vector<KEY_EVENT_RECORD> keys;
    auto collect = [&] {
        while (const std::optional<key_press> key = input.next_key()) keys.push_back(key->key);
    };
    for (const char byte : bytes) {
        input.add(static_cast<unsigned char>(byte));
        collect();
    }
    if (input.expects_more()) {
        input.add_silence();
        collect();
    }
    EXPECT_FALSE(input.expects_more());
    input.add('x');
    const std::optional<key_press> next = input.next_key();
    EXPECT_TRUE(next && next->key.uChar.AsciiChar == 'x') << "bytes left over";
    EXPECT_LE(keys.size(), 1u);
    if (keys.empty()) return no_code;
    INPUT_RECORD event{};
    event.EventType = KEY_EVENT;
    event.Event.KeyEvent = keys.front();
    return key_code_of(event).value_or(no_code);
}

std::string visible(const std::string& bytes)
{
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0x1B) {
            text += "ESC ";
        } else if (byte > 0x20 && byte < 0x7F) {
            text += std::string(1, c) + " ";
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02X ", byte);
            text += hex;
        }
    }
    return text;
}

TEST(TerminfoKeys, EveryKeyOfEveryEmulatorGivesTheConsolesCode)
{
    std::map<std::string, std::map<std::string, std::string>> entries;
    const std::string names = output_of("toe -a 2>/dev/null");
    for (std::size_t start = 0, end; (end = names.find('\n', start)) != std::string::npos;
         start = end + 1) {
        const std::string name = names.substr(start, names.find_first_of(" \t\n", start) - start);
        if (is_emulator(name) && why_left_out(name) == nullptr) entries[name] = keys_of(name);
    }
    // Without ncurses-term only a handful are there: the test would prove little.
    ASSERT_GT(entries.size(), 200u) << "is ncurses-term installed?";

    // The keypad's keys sent as the cursor block's (xterm, st, Eterm) are those keys.
    std::set<std::string> cursor_block;
    for (const auto& [entry, keys] : entries) {
        for (const char* key : {"khome", "kend", "kpp", "knp", "kich1", "kdch1", "kcuu1", "kcud1",
                                "kcuf1", "kcub1"}) {
            if (const auto found = keys.find(key); found != keys.end()) {
                cursor_block.insert(found->second);
            }
        }
    }

    std::set<std::string> sequences;
    std::map<std::string, int> other_meanings;
    int checked = 0;
    for (const auto& [entry, keys] : entries) {
        const auto kbs = keys.find("kbs");
        const unsigned char erase =
            kbs != keys.end() && kbs->second.size() == 1 ? kbs->second[0] : 0x7F;
        for (const auto& [capability, bytes] : keys) {
            std::optional<int> expected = expected_code(capability, keys, entry);
            if (!expected || bytes.empty()) continue;
            SCOPED_TRACE(entry + " " + capability + " " + visible(bytes));
            const bool keypad = capability.size() == 3 && capability[1] >= 'a' &&
                                capability[1] <= 'c' && capability[2] >= '1' &&
                                capability[2] <= '3';
            if (keypad && cursor_block.count(bytes) != 0) expected = 224;
            const int code = code_of(bytes, erase);
            if (code != *expected && why_other_meaning(bytes) != nullptr) {
                ++other_meanings[why_other_meaning(bytes)];
                continue;
            }
            EXPECT_EQ(code, *expected);
            ++checked;
            sequences.insert(bytes);
        }
    }
    std::printf("%zu entries, %d keys, %zu distinct sequences checked\n", entries.size(), checked,
                sequences.size());
    for (const auto& [reason, count] : other_meanings) {
        std::printf("  %d left to another meaning: %s\n", count, reason.c_str());
    }
}

}  // namespace
