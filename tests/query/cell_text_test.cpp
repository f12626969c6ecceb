#include "query/cell_text.h"

#include <gtest/gtest.h>

namespace {

TEST(UpperCaseAscii, FoldsOnlyTheAsciiLowerCaseLetters) {
    std::string text = "abz{`}AZ09 \x81\x82\xe9.x";
    UpperCaseAscii(text);
    EXPECT_EQ(text, "ABZ{`}AZ09 \x81\x82\xe9.X");
}

TEST(CutNameContext, KeepsThePartBeforeTheFirstDotThatFollowsAName) {
    const struct {
        const char* name;
        const char* shown;
    } cases[] = {
        {"JSMITH.SALES.ACME", "JSMITH"},
        {"ADMIN.ACME", "ADMIN"},
        {"SUPERVISOR", "SUPERVISOR"},
        {"", ""},
        {".ADMIN.IT.ACME", ".ADMIN"},   // a leading dot follows nothing
        {"..X.Y", "..X"},
        {"A..B", "A"},
        {"TRAILING.", "TRAILING"},
        {"Netware File Server", "Netware File Server"},
    };
    for (const auto& c : cases) EXPECT_EQ(CutNameContext(c.name), c.shown) << c.name;
}

NWLoginTime Time(int year, int month, int day, int hour, int minute) {
    return NWLoginTime{static_cast<std::uint8_t>(year - 1900), static_cast<std::uint8_t>(month),
                       static_cast<std::uint8_t>(day), static_cast<std::uint8_t>(hour),
                       static_cast<std::uint8_t>(minute), 0, 0};
}

TEST(FormatLoginTime, GivesLeadingZerosAndTheMonthName) {
    const struct {
        NWLoginTime time;
        const char* text;
    } cases[] = {
        {Time(2007, 1, 3, 9, 5), "09:05 03/Jan/2007"},
        {Time(1999, 12, 31, 23, 59), "23:59 31/Dec/1999"},
        {Time(1900, 2, 1, 0, 0), "00:00 01/Feb/1900"},
        {Time(2155, 6, 15, 12, 30), "12:30 15/Jun/2155"},
        // Out-of-range bytes keep every field in its place.
        {Time(2007, 13, 3, 9, 5), "09:05 03/13/2007"},
        {Time(2007, 0, 3, 9, 5), "09:05 03/00/2007"},
        {NWLoginTime{107, 1, 3, 200, 5, 0, 0}, "200:05 03/Jan/2007"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatLoginTime(c.time), c.text);
}

NWStationAddress Address(std::uint16_t type, std::array<std::uint8_t, 10> bytes) {
    NWStationAddress a{};
    std::copy(bytes.begin(), bytes.begin() + 4, a.network);
    std::copy(bytes.begin() + 4, bytes.end(), a.node);
    a.connType = type;
    return a;
}

TEST(FormatStationAddress, ShowsIpAsDottedNumbersAndIpxAsBracketedHex) {
    const struct {
        NWStationAddress address;
        bool showNetwork;
        const char* text;
    } cases[] = {
        {Address(kConnTypeIP, {10, 1, 2, 3, 9, 9, 9, 9, 9, 9}), true, "10.1.2.3"},
        {Address(kConnTypeIP, {255, 0, 0, 1, 0, 0, 0, 0, 0, 0}), false, "255.0.0.1"},
        {Address(kConnTypeIPX, {0x00, 0x00, 0xAB, 0xCD, 0x00, 0xC0, 0xF0, 0x12, 0x34, 0x56}),
         true, "[0000ABCD:00C0F0123456]"},
        {Address(0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), true, "[01020304:05060708090A]"},
        {Address(kConnTypeIPX, {0x00, 0x00, 0xAB, 0xCD, 0x00, 0xC0, 0xF0, 0x12, 0x34, 0x56}),
         false, "[00C0F0123456]"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatStationAddress(c.address, c.showNetwork), c.text);
    }
}

}  // namespace
