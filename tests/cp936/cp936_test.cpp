#include "cp936/cp936.h"
#include "cp936/gb18030.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp936, EveryPairInTheTableComesBackFromItsCharacter)
{
    int characters = 0;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            const char32_t character = unicode_of_gbk_pair(static_cast<unsigned char>(lead),
                                                           static_cast<unsigned char>(trail));
            if (character == 0) continue;
            ++characters;
            unsigned char gbk[2] = {0, 0};
            ASSERT_EQ(put_gbk(character, gbk), 2u);
            ASSERT_EQ(gbk[0] << 8 | gbk[1], static_cast<int>(lead << 8 | trail));
        }
    }
    // Windows gives a character to every pair but those with the trail byte 7F.
    EXPECT_EQ(characters, 126 * 190);
    EXPECT_EQ(unicode_of_gbk_pair(0xBA, 0xBA), U'\u6C49');
    EXPECT_EQ(unicode_of_gbk_pair(0xBA, 0x7F), 0u);
}

// The user-defined areas, which Windows maps to the Private Use Area, both ways: the ends of
// each run, as ICU's windows-936-2000 records them.
TEST(Cp936, UserDefinedAreasMapToThePrivateUseArea)
{
    const struct {
        unsigned char lead, trail;
        char32_t character;
    } cases[] = {
        {0xAA, 0xA1, U'\uE000'}, {0xAF, 0xFE, U'\uE233'}, {0xF8, 0xA1, U'\uE234'},
        {0xFE, 0xFE, U'\uE4C5'}, {0xA1, 0x40, U'\uE4C6'}, {0xA2, 0xA0, U'\uE585'},
        {0xA7, 0xA0, U'\uE765'}, {0xA2, 0xAB, U'\uE766'}, {0xA6, 0xD9, U'\uE78D'},
        {0xA7, 0xC2, U'\uE7A0'}, {0xD7, 0xFA, U'\uE810'}, {0xFE, 0x50, U'\uE815'},
        {0xFE, 0xA0, U'\uE864'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << unsigned{c.lead} << unsigned{c.trail});
        EXPECT_EQ(unicode_of_gbk_pair(c.lead, c.trail), c.character);
        unsigned char gbk[2] = {0, 0};
        EXPECT_EQ(put_gbk(c.character, gbk), 2u);
        EXPECT_EQ(gbk[0], c.lead);
        EXPECT_EQ(gbk[1], c.trail);
    }
}

TEST(Gb18030, EveryScalarValueHasOneCodeThatReadsBackAsIt)
{
    for (char32_t character = 0; character <= 0x10FFFF; ++character) {
        if (character == 0xD800) character = 0xE000;
        unsigned char code[4] = {};
        const std::size_t length = put_gb18030(character, code);
        const gb18030_character read = read_gb18030(code, length, false);
        ASSERT_EQ(read.character, character);
        ASSERT_EQ(read.length, length);
    }
}

}  // namespace
