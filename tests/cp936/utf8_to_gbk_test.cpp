#include "cp936/utf8_to_gbk.h"
#include "common/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Converts `pieces` one after another, as reads deliver them, and finishes.
std::string convert(const std::vector<std::string>& pieces)
{
    utf8_to_gbk converter;
    std::string gbk;
    for (const std::string& piece : pieces) {
        std::string out(piece.size() + utf8_to_gbk::carried_over, '\0');
        auto* const start = reinterpret_cast<unsigned char*>(out.data());
        const unsigned char* const end = converter.convert(
            reinterpret_cast<const unsigned char*>(piece.data()), piece.size(), start);
        gbk.append(out.data(), static_cast<std::size_t>(end - start));
    }
    unsigned char rest[utf8_to_gbk::carried_over + 1];
    gbk.append(reinterpret_cast<const char*>(rest),
               static_cast<std::size_t>(converter.finish(rest) - rest));
    return gbk;
}

TEST(Utf8ToGbk, ConvertsTellingCharacters)
{
    const struct {
        const char* name;
        std::vector<std::string> pieces;
        std::string gbk;
        // clang-format off
    } cases[] = {
        {"ASCII", {"ab"}, "ab"},
        {"GB2312: han zi", {"\xE6\xB1\x89\xE5\xAD\x97"}, "\xBA\xBA\xD7\xD6"},
        {"GBK only: U+4E02", {"\xE4\xB8\x82"}, "\x81\x40"},
        {"the euro sign, one byte", {"\xE2\x82\xAC"}, "\x80"},
        {"no GBK code: an emoji", {"a\xF0\x9F\x98\x80" "b"}, "a?b"},
        {"GBK given by mistake passes through", {"\xBA\xBA\xD7\xD6"}, "\xBA\xBA\xD7\xD6"},
        {"a surrogate is not a character", {"\xED\xA0\x80"}, "\xED\xA0\x80"},
        {"split across two reads", {"\xE6", "\xB1\x89"}, "\xBA\xBA"},
        {"split across three reads", {"x\xE6", "\xB1", "\x89y"}, "x\xBA\xBAy"},
        {"cut short by the end", {"\xE6\xB1"}, "\xE6\xB1"},
        {"cut short by another byte", {"\xE6\xB1" "a"}, "\xE6\xB1" "a"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(convert(c.pieces), c.gbk);
    }
}

TEST(Utf8, DecodesOnlyWholeCharactersOfTheirCount)
{
    const struct {
        std::string bytes;
        char32_t character;
    } cases[] = {
        {"A", U'A'},  // one ASCII byte: itself, not its low bits
        {"\xC3\xA9", U'\u00E9'},
        {"\xE6\xB1\x89", U'\u6C49'},
        {"\xF0\x9F\x98\x80", U'\U0001F600'},
        {"\xC3", 0},          // a lead alone
        {"\xC3\xA9\x80", 0},  // a count the lead does not announce
        {"\xE6\x41\x89", 0},  // a byte out of place
        {"\xC0\x80", 0},      // a longer form of the zero byte
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const auto* const bytes = reinterpret_cast<const unsigned char*>(c.bytes.data());
        EXPECT_EQ(decode_utf8(bytes, c.bytes.size()), c.character);
    }
}

}  // namespace
