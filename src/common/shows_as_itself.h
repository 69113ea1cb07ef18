#pragma once

// Whether a character beyond ASCII may be written to a terminal as it is: not a C1 control
// (U+0080 to U+009F, which some terminals obey), not a line or paragraph separator, nor one of
// the marks, embeddings, overrides and isolates that reorder the text of bidirectional
// terminals.
constexpr bool shows_as_itself(char32_t character)
{
    const auto within = [character](char32_t first, char32_t last) {
        return character >= first && character <= last;
    };
    return character >= 0xA0 && character != 0x061C && !within(0x200E, 0x200F) &&
           !within(0x2028, 0x202E) && !within(0x2066, 0x2069);
}
