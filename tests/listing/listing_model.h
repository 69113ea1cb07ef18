#pragma once
// The listing as plainly as it can be said: skip the blanks, take the token, and print each
// pair by position with printf's own "\t%c%c  %x%x\n". On a terminal a control byte (00 to
// 1F, 7F) is printed as '.'. The tests and the fuzzer hold the listing to this model.
#include <cstdio>
#include <string>

inline bool is_blank(char byte) { return byte == ' ' || (byte >= '\t' && byte <= '\r'); }

// The lines of a token's pairs, a last odd byte paired with the zero terminator.
inline std::string model_pair_lines(const std::string& token, bool on_terminal = false)
{
    const auto shown = [&](unsigned char byte) {
        const bool control = byte <= 0x1F || byte == 0x7F;
        return on_terminal && control ? unsigned{'.'} : unsigned{byte};
    };
    std::string lines;
    for (std::size_t i = 0; i < token.size(); i += 2) {
        const auto first = static_cast<unsigned char>(token[i]);
        const auto second = i + 1 < token.size() ? static_cast<unsigned char>(token[i + 1]) : 0u;
        char line[16];
        const int length = std::snprintf(line, sizeof line, "\t%c%c  %x%x\n", shown(first),
                                         shown(second), unsigned{first}, unsigned{second});
        lines.append(line, static_cast<std::size_t>(length));
    }
    return lines;
}

// The first token of `input`.
inline std::string model_token(const std::string& input)
{
    std::size_t start = 0;
    while (start < input.size() && is_blank(input[start])) ++start;
    std::size_t end = start;
    while (end < input.size() && !is_blank(input[end])) ++end;
    return input.substr(start, end - start);
}

// The listing of the first token of `input`.
inline std::string model_listing(const std::string& input, bool on_terminal = false)
{
    return model_pair_lines(model_token(input), on_terminal);
}
