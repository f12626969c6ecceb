#include "platform/prompts.h"

#include <gtest/gtest.h>

TEST(ErrorBoxText, CodeLineInLowerCaseHexWithoutPrefix) {
    struct Case { const char* label; NWCode code; const char* text; };
    const Case cases[] = {
        {"Problem Getting Connections", 0x89FF, "Problem Getting Connections\n Code : 89ff"},
        {"No Matching Files were found", 0, "No Matching Files were found"},
        {"NWDSRead", -601, "NWDSRead\n Code : fffffda7"},
        {"Invalid Path/File ", 0x899C, "Invalid Path/File \n Code : 899c"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatErrorBoxText(c.label, c.code), c.text) << c.label;
}

TEST(ErrorBoxText, NeverLongerThan255Characters) {
    const std::string label(300, 'x');
    EXPECT_EQ(FormatErrorBoxText(label, 0x89C6).size(), 255u);
    EXPECT_EQ(FormatErrorBoxText(std::string(250, 'y'), 0x89C6).size(), 255u);
}

TEST(ErrorBoxText, CutNeverSplitsACharacter) {
    // 254 ASCII bytes, then a two-byte character straddling the limit.
    const std::string text = FormatErrorBoxText(std::string(254, 'x') + "\xC3\xA9tail", 0);
    EXPECT_EQ(text, std::string(254, 'x'));
}
