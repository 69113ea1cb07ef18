#include "listing_oracle.h"
#include "common/utf8.h"
#include "cp936/utf8_to_gbk.h"
#include "listing/listing_model.h"

namespace {

// Byte by byte, not by memcmp: the fuzzer watches every memcmp for values to try, at a cost.
bool same_bytes(const char* a, const char* b, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

// The model's lines for `token`, each pair's line made by the model once and kept: printf,
// watched by the sanitizers, would cost more than the listing itself.
std::string model_lines(const std::string& token, bool on_terminal)
{
    static std::string made[2][256 * 256];
    std::string lines;
    for (std::size_t i = 0; i < token.size(); i += 2) {
        const auto first = static_cast<unsigned char>(token[i]);
        const auto second = i + 1 < token.size() ? static_cast<unsigned char>(token[i + 1]) : 0;
        std::string& line = made[on_terminal][first << 8 | second];
        if (line.empty()) line = model_pair_lines(token.substr(i, 2), on_terminal);
        lines += line;
    }
    return lines;
}

// Where a line's hex fields begin: after the two spaces (the shown bytes hold none).
std::size_t hex_field_start(const std::string& lines, std::size_t line, std::size_t line_end)
{
    std::size_t at = line_end;
    while (at > line && lines[at - 1] != ' ') --at;
    return at;
}

// Whether a readable line shows its pair safely between `from` and `to`: as whole UTF-8
// characters, none a C1 control, and on a terminal no C0 control, zero byte or DEL either.
bool shows_safely(const std::string& output, std::size_t from, std::size_t to, bool on_terminal)
{
    for (std::size_t at = from; at < to;) {
        const auto* const shown = reinterpret_cast<const unsigned char*>(&output[at]);
        const std::size_t length = shown[0] < 0x80 ? 1 : utf8_length(shown[0]);
        if (length == 0 || length > to - at) return false;
        if (length > 1 && decode_utf8(shown, length) < 0xA0) return false;
        const bool control = shown[0] <= 0x1F || shown[0] == 0x7F;
        if (on_terminal && control) return false;
        at += length;
    }
    return true;
}

// With UTF-8 the shown pairs differ from the model, but the hex fields are those of the
// token's GBK (or GB18030) bytes, converted here in one piece, and each pair is shown safely.
bool matches_converted(const std::string& token, const std::string& output, gbk_codes codes,
                       bool on_terminal)
{
    utf8_to_gbk converter(codes);
    std::string gbk(2 * token.size() + utf8_to_gbk::carried_over, '\0');
    auto* const start = reinterpret_cast<unsigned char*>(gbk.data());
    const auto* const utf8 = reinterpret_cast<const unsigned char*>(token.data());
    unsigned char* const end = converter.convert(utf8, token.size(), start);
    gbk.resize(static_cast<std::size_t>(converter.finish(end) - start));
    const std::string expected = model_lines(gbk, false);
    std::size_t line = 0;
    std::size_t expected_line = 0;
    while (line < output.size()) {
        const std::size_t line_end = output.find('\n', line);
        const std::size_t expected_end = expected.find('\n', expected_line);
        if (line_end == std::string::npos || expected_end == std::string::npos) return false;
        const std::size_t hex = hex_field_start(output, line, line_end);
        const std::size_t expected_hex = hex_field_start(expected, expected_line, expected_end);
        if (line_end - hex != expected_end - expected_hex ||
            !same_bytes(&output[hex], &expected[expected_hex], line_end - hex)) {
            return false;
        }
        const std::size_t spaces = 2;
        if (hex < line + 1 + spaces || !shows_safely(output, line + 1, hex - spaces, on_terminal)) {
            return false;
        }
        line = line_end + 1;
        expected_line = expected_end + 1;
    }
    return expected_line == expected.size();
}

}  // namespace

bool is_listing_of(const std::string& input, const std::string& output, text_encoding encoding,
                   bool on_terminal)
{
    if (encoding == text_encoding::gbk) {
        const std::string expected = model_lines(model_token(input), on_terminal);
        return output.size() == expected.size() &&
               same_bytes(output.data(), expected.data(), output.size());
    }
    // A byte order mark that opens UTF-8 input is no text.
    const bool marked = input.starts_with("\xEF\xBB\xBF");
    const gbk_codes codes =
        encoding == text_encoding::gb18030 ? gbk_codes::gb18030 : gbk_codes::code_page_936;
    return matches_converted(model_token(marked ? input.substr(3) : input), output, codes,
                             on_terminal);
}
