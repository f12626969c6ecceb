#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace {

TEST(CodePage, RoundTripsEveryCharacterOfCodePage850) {
    struct Case {
        const char* utf8;
        const char* oem;
    };
    const Case cases[] = {
        {"PLAIN.TXT", "PLAIN.TXT"},         {"Müller", "M\x81ller"}, {"Ærø Café", "\x92r\x9B Caf\x82"},
        {"½ ß ñ ¿", "\xAB \xE1 \xA4 \xA8"}, {"╔═╗", "\xC9\xCD\xBB"}, {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CharToOemA(c.utf8), c.oem) << c.utf8;
        EXPECT_EQ(OemToCharA(c.oem), c.utf8) << c.utf8;
    }
    // Every byte of the code page comes back unchanged through UTF-8.
    for (int b = 1; b < 256; ++b) {
        std::string oem(1, static_cast<char>(b));
        EXPECT_EQ(CharToOemA(OemToCharA(oem)), oem) << b;
    }
}

TEST(CodePage, CharactersWithoutAFormBecomeQuestionMarks) {
    const std::pair<const char*, const char*> cases[] = {
        {"日本.txt", "??.txt"}, {"a€b", "a?b"},  // the euro sign is not in 850
        {"x\xFFy", "x?y"},                       // a stray byte is not text
        {"cut \xC3", "cut ?"},                   // nor is a sequence cut short
        {"\xE6\x97x\xC3(", "?x?("},             // which leaves the next character alone
        {"why?", "why?"},
    };
    for (const auto& [utf8, oem] : cases) EXPECT_EQ(CharToOemA(utf8), oem) << utf8;
}

}  // namespace
