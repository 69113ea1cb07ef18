#pragma once
// The listing as plainly as it can be said: skip the blanks, take the token, and print each
// pair by position with printf's own "\t%c%c  %x%x\n". The tests and the fuzzer hold the
// listing to this model.
#include <cstdio>
#include <string>

inline bool is_blank(char byte) { return byte == ' ' || (byte >= '\t' && byte <= '\r'); }

// The lines of a token's pairs, a last odd byte paired with the zero terminator.
inline std::string model_pair_lines(const std::string& token)
{
    std::string lines;
    for (std::size_t i = 0; i < token.size(); i += 2) {
        const auto first = static_cast<unsigned char>(token[i]);
        const auto second = i + 1 < token.size() ? static_cast<unsigned char>(token[i + 1]) : 0u;
        char line[16];
        const int length = std::snprintf(line, sizeof line, "\t%c%c  %x%x\n", first, second,
                                         unsigned{first}, unsigned{second});
        lines.append(line, static_cast<std::size_t>(length));
    }
    return lines;
}

// The listing of the first token of `input`.
inline std::string model_listing(const std::string& input)
{
    std::size_t start = 0;
    while (start < input.size() && is_blank(input[start])) ++start;
    std::size_t end = start;
    while (end < input.size() && !is_blank(input[end])) ++end;
    return model_pair_lines(input.substr(start, end - start));
}
