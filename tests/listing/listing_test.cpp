#include "listing/listing.h"
#include "common/utf8.h"
#include "listing/listing_model.h"
#include "listing/pair_lines.h"
#include "listing/token_scan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

using namespace std::string_literals;

namespace {

std::string read_all(std::FILE* file)
{
    std::rewind(file);
    std::string bytes;
    for (int byte; (byte = std::getc(file)) != EOF;) bytes.push_back(static_cast<char>(byte));
    return bytes;
}

std::string list(const std::string& input, bool on_terminal = false,
                 text_encoding encoding = text_encoding::gbk)
{
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::fwrite(input.data(), 1, input.size(), in);
    std::fflush(in);
    std::rewind(in);
    listing_output output_stream(out, on_terminal, encoding);
    list_token(in, output_stream, encoding);
    std::string output = read_all(out);
    std::fclose(in);
    std::fclose(out);
    return output;
}

struct listing_case {
    const char* name;
    std::string input;
    std::string expected;
};

TEST(Listing, ListsEachTokenInPairsByPosition)
{
    // clang-format off
    const listing_case cases[] = {
        {"two Chinese characters", "\xBA\xBA\xD7\xD6\n",
         "\t\xBA\xBA  baba\n\t\xD7\xD6  d7d6\n"},
        {"two ASCII bytes", "ab", "\tab  6162\n"},
        {"one byte pairs with the terminator", "a\n", "\ta\0  610\n"s},
        {"ASCII shifts the pairs", "a\xBA\xBA", "\ta\xBA  61ba\n\t\xBA\0  ba0\n"s},
        {"no leading zeros", "\x01\x41 ", "\t\x01\x41  141\n"},
        {"ideographic space is token", "\xA1\xA1\xBA\xBA", "\t\xA1\xA1  a1a1\n\t\xBA\xBA  baba\n"},
        {"leading blanks and empty lines skipped", " \t\r\n\n  \xBA\xBA \xD7\xD6\n",
         "\t\xBA\xBA  baba\n"},
        {"every delimiter ends it", "\x0b\x0c" "ab\x0c" "cd", "\tab  6162\n"},
        {"carriage return ends it", "ab\rcd", "\tab  6162\n"},
        {"high blanks are token bytes", "\xA0\x85\xFF", "\t\xA0\x85  a085\n\t\xFF\0  ff0\n"s},
        {"zero bytes are listed", "\0\0a\0b"s, "\t\0\0  00\n\ta\0  610\n\tb\0  620\n"s},
        {"zero byte then delimiter", "a\0 b"s, "\ta\0  610\n"s},
        {"no token before the end", " \t\n\n", ""},
        {"empty input", "", ""},
    };
    // clang-format on
    for (const listing_case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(list(c.input), c.expected);
    }
}

TEST(Listing, NinetyNineAndNinetyEightByteTokens)
{
    std::string even;
    for (int line = 0; line < 49; ++line) even += "\txx  7878\n";
    EXPECT_EQ(list(std::string(98, 'x') + "\n"), even);
    EXPECT_EQ(list(std::string(99, 'x') + "\n"), even + "\tx\0  780\n"s);
}

TEST(Listing, MegabyteTokensOfEveryByteValueAreListedWhole)
{
    std::mt19937 random(20261208);
    for (std::size_t size : {std::size_t{1} << 20, (std::size_t{1} << 20) + 1}) {
        SCOPED_TRACE(size);
        std::string token(size, '\0');
        for (char& byte : token) {
            do byte = static_cast<char>(random());
            while (byte == ' ' || (byte >= '\t' && byte <= '\r'));
        }
        EXPECT_TRUE(list(token + " rest") == model_listing(token));
    }
}

TEST(Listing, LinesShownOneByOneMatchBufferedOnes)
{
    // The terminator of an odd token shows as '.', as a zero byte takes no cell there.
    EXPECT_EQ(list("\xBA\xBA\xD7\xD6"s + "a", true),
              "\t\xBA\xBA  baba\n\t\xD7\xD6  d7d6\n\ta.  610\n");
}

TEST(Listing, GbkInputThatLooksLikeUtf8IsToldApart)
{
    const struct {
        const char* name;
        std::string token;
        bool looks_like_utf8;
        // clang-format off
    } cases[] = {
        {"Chinese in UTF-8", "\xE6\xB1\x89\xE5\xAD\x97", true},
        {"a four-byte character among ASCII", "a\xF0\x9F\x98\x80" "b", true},
        {"Chinese in GBK", "\xBA\xBA\xD7\xD6", false},
        {"GBK that is two-byte UTF-8 only", "\xC4\xE3", false},
        {"ASCII", "abc", false},
        {"UTF-8 then a GBK pair", "\xE6\xB1\x89\xBA\xBA", false},
        {"UTF-8 cut short by ASCII", "\xE6\xB1\x89\xE5" "ab", false},
        {"UTF-8 cut short by the token's end", "\xE6\xB1\x89\xE5\xAD", false},
        {"a longer form of a character", "\xE6\xB1\x89\xE0\x80\xAF", false},
    };
    // clang-format on
    for (const auto& c : cases) {
        // Whole, and a byte a read, so that each character is split between reads.
        for (const std::size_t piece : {c.token.size(), std::size_t{1}}) {
            SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(piece));
            std::FILE* out = std::tmpfile();
            listing_output output_stream(out, false, text_encoding::gbk);
            token_scan scan(output_stream, text_encoding::gbk);
            const auto* const bytes = reinterpret_cast<const unsigned char*>(c.token.data());
            for (std::size_t at = 0; at < c.token.size(); at += piece) {
                scan.list_more(bytes + at, piece);
            }
            scan.finish();
            EXPECT_EQ(scan.looks_like_utf8(), c.looks_like_utf8);
            std::fclose(out);
        }
    }
}

TEST(Listing, FromUtf8ListsTheGbkCodesAndShowsThePairsReadably)
{
    // clang-format off
    const listing_case cases[] = {
        {"two Chinese characters", "\xE6\xB1\x89\xE5\xAD\x97 rest",
         "\t\xE6\xB1\x89  baba\n\t\xE5\xAD\x97  d7d6\n"},
        {"halves of characters, and the terminator", "a\xE6\xB1\x89",
         "\ta\xEF\xBF\xBD  61ba\n\t\xEF\xBF\xBD\0  ba0\n"s},
        {"the euro sign, and control bytes as they are", "\xE2\x82\xAC\x01",
         "\t\xE2\x82\xAC\x01  801\n"},
        {"a byte order mark opening the input, before the line end",
         "\xEF\xBB\xBF\r\n\xE6\xB1\x89", "\t\xE6\xB1\x89  baba\n"},
        {"a byte order mark within the token", "a\xEF\xBB\xBF", "\ta?  613f\n"},
        {"U+F8F5 is the byte FF, and shows as itself", "\xEF\xA3\xB5" "a",
         "\t\xEF\xA3\xB5" "a  ff61\n"},
    };
    // clang-format on
    for (const listing_case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(list(c.input, false, text_encoding::utf8), c.expected);
    }
}

// A four-byte code shows on the line of its first byte, a line of its later bytes alone as
// the ditto mark (E3 80 83).
TEST(Listing, AsGb18030ListsEveryCharactersCode)
{
    // clang-format off
    const listing_case cases[] = {
        {"GBK's pair, and GB18030's own for the euro sign", "\xE6\xB1\x89\xE2\x82\xAC",
         "\t\xE6\xB1\x89  baba\n\t\xE2\x82\xAC  a2e3\n"},
        {"a pair of 2022, and the private character it took the place of",
         "\xEF\xB8\x90\xEE\x9E\x8D",
         "\t\xEF\xB8\x90  a6d9\n\t\xEE\x9E\x8D  8431\n\t\xE3\x80\x83  8236\n"},
        {"four bytes below U+10000", "\xE1\xA0\xA0",
         "\t\xE1\xA0\xA0  8134\n\t\xE3\x80\x83  d630\n"},
        {"four bytes beyond U+FFFF, begun within a pair, odd in length", "a\xF0\xA0\x80\x80",
         "\ta\xF0\xA0\x80\x80  6195\n\t\xE3\x80\x83  3282\n\t\xE3\x80\x83\0  360\n"s},
        {"not UTF-8, and a pair split between lines", "\x80\xE6\xB1",
         "\t\xEF\xBF\xBD\xEF\xBF\xBD  80e6\n\t\xEF\xBF\xBD\0  b10\n"s},
        {"a C1 control, which a terminal would obey", "\xC2\x85",
         "\t\xEF\xBF\xBD  8130\n\t\xE3\x80\x83  8135\n"},
        {"a four-byte form no character has", "\x84" "1\xA5" "0",
         "\t\xEF\xBF\xBD" "1  8431\n\t\xEF\xBF\xBD" "0  a530\n"},
    };
    // clang-format on
    for (const listing_case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(list(c.input, false, text_encoding::gb18030), c.expected);
    }
    // Over the pieces the conversion works in, lines wait for the bytes of the next piece.
    std::string input = "a", expected = "\ta\xF0\xA0\x80\x80  6195\n";
    for (int i = 1; i < 3000; ++i) {
        input += "\xF0\xA0\x80\x80";
        expected += "\t\xE3\x80\x83  3282\n\t\xE3\x80\x83\xF0\xA0\x80\x80  3695\n";
    }
    EXPECT_TRUE(list(input + "\xF0\xA0\x80\x80", false, text_encoding::gb18030) ==
                expected + "\t\xE3\x80\x83  3282\n\t\xE3\x80\x83\0  360\n"s);
}

TEST(Prompt, IsTheGbkTextAndALineEnd)
{
    std::FILE* out = std::tmpfile();
    listing_output output_stream(out, true, text_encoding::gbk);
    write_prompt(output_stream, text_encoding::gbk);
    EXPECT_EQ(read_all(out), "\xCA\xE4\xC8\xEB\xBA\xBA\xD7\xD6\xA3\xBA\n");
    std::fclose(out);
}

}  // namespace

namespace {

TEST(PairLines, MatchTheLineFormatForEveryPairOfByteValues)
{
    std::string bytes;
    for (unsigned first = 0; first < 256; ++first) {
        for (unsigned second = 0; second < 256; ++second) {
            bytes.push_back(static_cast<char>(first));
            bytes.push_back(static_cast<char>(second));
        }
    }
    // Redirected, and on a terminal, where a control byte in either place shows as '.'.
    for (const bool on_terminal : {false, true}) {
        SCOPED_TRACE(on_terminal);
        std::string lines((bytes.size() / 2) * longest_pair_line + pair_lines_overrun, '\0');
        auto* const out = reinterpret_cast<unsigned char*>(lines.data());
        const auto* const pairs = reinterpret_cast<const unsigned char*>(bytes.data());
        const unsigned char* const end = on_terminal
                                             ? put_terminal_pair_lines(pairs, bytes.size() / 2, out)
                                             : put_pair_lines(pairs, bytes.size() / 2, out);
        lines.resize(static_cast<std::size_t>(end - out));
        EXPECT_TRUE(lines == model_pair_lines(bytes, on_terminal));
    }
}

TEST(PairLines, ReadableOnesOnATerminalWriteNoControl)
{
    // Every pair: its hex fields as in the plain line, and shown as whole UTF-8 characters,
    // none a control (C0, the zero byte among them, DEL, C1) that the terminal would obey or
    // that would take no cell.
    for (unsigned pair = 0; pair < 256 * 256; ++pair) {
        const unsigned char bytes[2] = {static_cast<unsigned char>(pair >> 8),
                                        static_cast<unsigned char>(pair)};
        unsigned char line[longest_readable_pair_line];
        const unsigned char* const end =
            put_readable_pair_lines(bytes, 1, control_bytes::as_pictures, line);
        const std::string plain = model_pair_lines(std::string(bytes, bytes + 2));
        const std::string hex = plain.substr(plain.rfind(' '));
        const std::string made(reinterpret_cast<const char*>(line),
                               static_cast<std::size_t>(end - line));
        ASSERT_TRUE(made.ends_with(hex) && made[0] == '\t') << pair;
        for (std::size_t at = 1; at < made.size() - hex.size() - 1;) {
            const auto* const shown = reinterpret_cast<const unsigned char*>(&made[at]);
            const std::size_t length = shown[0] < 0x80 ? 1 : utf8_length(shown[0]);
            const char32_t character = length > 0 ? decode_utf8(shown, length) : 0;
            const bool control = character < 0x20 || (character >= 0x7F && character < 0xA0);
            ASSERT_TRUE(length > 0 && !control) << pair << " at " << at;
            at += length;
        }
    }
}

}  // namespace
