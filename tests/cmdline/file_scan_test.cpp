#include "cmdline/file_scan.h"

#include <gtest/gtest.h>

namespace krcmd {
namespace {

TEST(SplitPath, DriveDirectoryAndFinalComponent) {
    struct Case { const char* path; const char* drive; const char* directory; const char* final; };
    const Case cases[] = {
        {"F:\\ACCT\\*.DAT", "F:", "\\ACCT\\", "*.DAT"},
        {"F:*.*", "F:", "", "*.*"},
        {"F:\\", "F:", "\\", ""},
        {"LEDGER.DAT", "", "", "LEDGER.DAT"},
        {"G:/DATA/SUB\\X?.DB", "G:", "/DATA/SUB\\", "X?.DB"},
        {"\\\\FS1\\SYS\\ACCT\\*.*", "", "\\\\FS1\\SYS\\ACCT\\", "*.*"},
        {"1:\\X", "", "1:\\", "X"},  // only a letter makes a drive
    };
    for (const Case& c : cases) {
        const PathParts parts = SplitPath(c.path);
        EXPECT_EQ(parts.drive, c.drive) << c.path;
        EXPECT_EQ(parts.directory, c.directory) << c.path;
        EXPECT_EQ(parts.final, c.final) << c.path;
    }
}

TEST(UserField, PaddedOrCutToTwentyFiveCharacters) {
    EXPECT_EQ(UserField("BOB"), "BOB" + std::string(22, ' '));
    EXPECT_EQ(UserField(""), std::string(25, ' '));
    EXPECT_EQ(UserField("ABCDEFGHIJKLMNOPQRSTUVWXY"), "ABCDEFGHIJKLMNOPQRSTUVWXY");
    EXPECT_EQ(UserField("ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"), "ABCDEFGHIJKLMNOPQRSTUVWXY");
}

}  // namespace
}  // namespace krcmd
