#pragma once
#include <cstddef>

// Messages on standard error, "gbcode: " and one line each. A line is put together in a small
// buffer of its own (the C library's formatting needs more stack than a small stack has) and
// written whole through the same waiting write as the listing. Once a message could not be
// written (standard error full or closed), the rest are given up: there is nowhere to say so.
class message {
public:
    message() noexcept { add("gbcode: "); }
    message(const message&) = delete;
    message& operator=(const message&) = delete;

    message& add(const char* text) noexcept;
    message& add_number(std::size_t number) noexcept;
    // U+ and at least four uppercase hex digits, as Unicode names characters.
    message& add_code_point(char32_t character) noexcept;
    // A command-line argument, so that it shows as one line whatever it holds: control
    // characters, line separators, bidirectional controls and bytes that are not UTF-8 are
    // escaped (\n, \x9f), a backslash doubled.
    message& add_argument(const char* argument) noexcept;
    // Ends the line and writes it.
    void send() noexcept;

private:
    void put(char byte) noexcept;
    void put_hex_byte(unsigned char byte) noexcept;

    // A line longer than this is cut short: enough for any message with a sensible argument.
    static constexpr std::size_t capacity = 256;
    char text_[capacity];
    std::size_t length_ = 0;
};

// Reports a failed read or write once: "gbcode: standard output: <reason of errno `error`>".
void report_stream_error(const char* stream_name, int error) noexcept;
