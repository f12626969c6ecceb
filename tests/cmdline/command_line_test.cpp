#include "cmdline/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace krcmd {
namespace {

TEST(UpperCaseAscii, OnlyLettersAToZChange) {
    EXPECT_EQ(UpperCaseAscii("f:\\acct\\*.dat"), "F:\\ACCT\\*.DAT");
    // UTF-8 bytes (ä is C3 A4) and punctuation pass through untouched.
    EXPECT_EQ(UpperCaseAscii("g:\\b\xC3\xA4r{z}~"), "G:\\B\xC3\xA4R{Z}~");
}

struct OptionCase {
    std::vector<std::string> arguments;
    ActionMode action;
    bool recurse;
    const char* message;
    bool invalid;
};

TEST(ParseCommand, OptionsOfAScan) {
    const OptionCase cases[] = {
        {{"f:\\a\\*.*"}, ActionMode::None, false, "", false},
        {{"x", "/p"}, ActionMode::Prompt, false, "", false},
        {{"x", "/C"}, ActionMode::Clear, false, "", false},
        {{"x", "/o", "/S"}, ActionMode::Close, true, "", false},
        {{"x", "/s", "/m:Hello"}, ActionMode::Message, true, "Hello", false},
        {{"x", "/M:Hello", "/s"}, ActionMode::Message, true, "Hello", false},
        // The later action wins; a later message replaces the text.
        {{"x", "/p", "/c"}, ActionMode::Clear, false, "", false},
        {{"x", "/m:one", "/m:two"}, ActionMode::Message, false, "two", false},
        {{"x", "/m:one", "/p"}, ActionMode::Prompt, false, "one", false},
        // The third character is skipped whatever it is.
        {{"x", "/m=Hi there"}, ActionMode::Message, false, "Hi there", false},
        {{"x", "/m:"}, ActionMode::Message, false, "", false},
        // Two characters carry no text: refused, not sent empty; the
        // options before it stay applied.
        {{"x", "/m"}, ActionMode::None, false, "", true},
        {{"x", "/s", "/M"}, ActionMode::None, true, "", true},
        {{"x", "/s", "/c", "/m"}, ActionMode::Clear, true, "", false},
        // Arguments after the third are never looked at.
        {{"x", "/s", "/c", "/bogus"}, ActionMode::Clear, true, "", false},
        // Exact, case-sensitive apart from the two forms.
        {{"x", "/x"}, ActionMode::None, false, "", true},
        {{"x", "/pp"}, ActionMode::None, false, "", true},
        {{"x", "p"}, ActionMode::None, false, "", true},
        {{"x", "/c", "-s"}, ActionMode::Clear, false, "", true},
        // Option first: the real path becomes an invalid option.
        {{"/S", "F:\\A\\*.*"}, ActionMode::None, false, "", true},
    };
    for (const OptionCase& c : cases) {
        const Command command = ParseCommand(c.arguments);
        const std::string label = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(command.kind, CommandKind::Scan) << label;
        EXPECT_EQ(command.invalidOption, c.invalid) << label;
        EXPECT_EQ(command.options.action, c.action) << label;
        EXPECT_EQ(command.options.recurse, c.recurse) << label;
        EXPECT_EQ(command.options.message, c.message) << label;
    }
}

TEST(ParseCommand, PathIsUpperCasedCopyOfFirstArgument) {
    EXPECT_EQ(ParseCommand({"f:\\acct\\ledger.dat"}).path, "F:\\ACCT\\LEDGER.DAT");
    EXPECT_EQ(ParseCommand({"/S", "/c"}).path, "/S");
}

TEST(ParseCommand, LoginSwitchesTakeTheServerAsTyped) {
    struct Case {
        std::vector<std::string> arguments;
        CommandKind kind;
        const char* server;
        bool missing;
    };
    const Case cases[] = {
        {{"/d", "fs1"}, CommandKind::DisableLogins, "fs1", false},
        {{"/D", "Fs1", "/junk"}, CommandKind::DisableLogins, "Fs1", false},
        {{"/e", "FS2"}, CommandKind::EnableLogins, "FS2", false},
        {{"/e"}, CommandKind::EnableLogins, "", true},
        {{"/D"}, CommandKind::DisableLogins, "", true},
    };
    for (const Case& c : cases) {
        const Command command = ParseCommand(c.arguments);
        const std::string label = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(command.kind, c.kind) << label;
        EXPECT_EQ(command.server, c.server) << label;
        EXPECT_EQ(command.serverMissing, c.missing) << label;
        EXPECT_FALSE(command.invalidOption) << label;
    }
}

TEST(ParseCommand, OverlongArgumentsNeverOverrun) {
    // A message of 255 characters is sent whole; one more is refused, not cut.
    const std::string fits = "/m:" + std::string(255, 'a');
    EXPECT_EQ(ParseCommand({"x", fits}).options.message.size(), 255u);
    EXPECT_TRUE(ParseCommand({"x", fits + "b"}).invalidOption);
    // Characters, not bytes, are counted: 255 two-byte characters fit.
    std::string wide = "/m:";
    for (int i = 0; i < 255; ++i) wide += "\xC3\xA9";
    EXPECT_FALSE(ParseCommand({"x", wide}).invalidOption);
    EXPECT_TRUE(ParseCommand({"x", wide + "\xC3\xA9"}).invalidOption);
    // A byte that is no UTF-8 character (Latin-1 "\xA3") is still one character
    // on the server: 255 of them and one more is too long.
    EXPECT_FALSE(ParseCommand({"x", "/m:" + std::string(254, 'a') + "\xA3"}).invalidOption);
    EXPECT_TRUE(ParseCommand({"x", fits + "\xA3"}).invalidOption);

    // A server name is cut to 255 characters, at a character boundary.
    std::string server = "S";
    for (int i = 0; i < 300; ++i) server += "\xC3\xA9";
    const Command command = ParseCommand({"/d", server});
    EXPECT_EQ(CharacterCount(command.server), 255u);
    EXPECT_EQ(command.server.size(), 1u + 254u * 2u);
}

}  // namespace
}  // namespace krcmd
