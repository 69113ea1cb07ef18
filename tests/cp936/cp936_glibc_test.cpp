// The table against the GNU C library's CP936, from which it was once made: every pair that
// one has must read the same, and the pairs Windows adds are all in the Private Use Area.
#include "cp936/cp936.h"

#include <gtest/gtest.h>

#include <iconv.h>

namespace {

// The character glibc reads from a pair; 0 where it reads none.
char32_t glibc_character(iconv_t converter, unsigned lead, unsigned trail)
{
    char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    wchar_t character = 0;
    char* in = pair;
    auto* out = reinterpret_cast<char*>(&character);
    std::size_t in_left = sizeof pair, out_left = sizeof character;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    const bool read =
        iconv(converter, &in, &in_left, &out, &out_left) != static_cast<std::size_t>(-1);
    return read && in_left == 0 && out_left == 0 ? character : 0;
}

TEST(Cp936, AgreesWithTheGnuCLibraryOnEveryPairItHas)
{
    const iconv_t converter = iconv_open("WCHAR_T", "CP936");
    ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1));
    int shared = 0, added = 0;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            SCOPED_TRACE(testing::Message() << std::hex << lead << trail);
            const char32_t ours = unicode_of_gbk_pair(static_cast<unsigned char>(lead),
                                                      static_cast<unsigned char>(trail));
            const char32_t theirs = glibc_character(converter, lead, trail);
            if (theirs != 0) {
                ++shared;
                ASSERT_EQ(ours, theirs);
            } else {
                ++added;
                ASSERT_GE(ours, U'\uE000');
                ASSERT_LE(ours, U'\uF8FF');
            }
        }
    }
    iconv_close(converter);
    EXPECT_EQ(shared, 21791);
    EXPECT_EQ(added, 2149);
}

}  // namespace
