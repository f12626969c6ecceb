#include <gtest/gtest.h>

#include "tests/platform/sim_fixture.h"

namespace {

using simtest::SimTest;

struct ParseCase {
    const char* path;
    NWCode code;
    const char* relative;  // expected relative path when code is 0
};

class ParseNetWarePathTest : public SimTest {};

TEST_F(ParseNetWarePathTest, AcceptsEveryFormAndKeepsComponentsAsTyped) {
    ASSERT_EQ(Start(), 0);
    const ParseCase cases[] = {
        {"F:", 0, "SYS:"},
        {"F:\\", 0, "SYS:"},
        {"F:\\ACCT\\LEDGER.DAT", 0, "SYS:ACCT\\LEDGER.DAT"},
        {"f:acct\\ledger.dat", 0, "SYS:acct\\ledger.dat"},
        {"F:/ACCT/Quarterly Report.doc", 0, "SYS:ACCT\\Quarterly Report.doc"},
        {"F:\\ACCT\\", 0, "SYS:ACCT"},
        {"F:\\NOSUCH\\X.DAT", 0, "SYS:NOSUCH\\X.DAT"},  // existence is not checked
        {"G:\\TOOL.EXE", 0, "DATA:APPS\\TOOL.EXE"},
        {"G:", 0, "DATA:APPS"},
        {"FS1\\SYS:ACCT\\*.*", 0, "SYS:ACCT\\*.*"},
        {"fs1/sys:ACCT", 0, "SYS:ACCT"},
        {"\\\\FS1\\SYS\\ACCT\\LEDGER.DAT", 0, "SYS:ACCT\\LEDGER.DAT"},
        {"//FS1/DATA", 0, "DATA:"},
        {"H:\\X", nwcode::kServerUnknown, nullptr},
        {"NOPE\\SYS:X", nwcode::kServerUnknown, nullptr},
        {"OLD\\SYS:X", nwcode::kServerUnknown, nullptr},
        {"FS1\\VOL9:X", nwcode::kNoSuchVolume, nullptr},
        {"\\\\FS1\\VOL9\\X", nwcode::kNoSuchVolume, nullptr},
        {"LEDGER.DAT", nwcode::kBadPathSyntax, nullptr},
        {"SYS:ACCT", nwcode::kBadPathSyntax, nullptr},
        {"\\\\FS1", nwcode::kBadPathSyntax, nullptr},
        {"", nwcode::kBadPathSyntax, nullptr},
        {"FS1\\SYS:A:B", nwcode::kBadPathSyntax, nullptr},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.path);
        ConnHandle conn = 0;
        DirHandle dir = 99;
        std::string relative;
        EXPECT_EQ(m_sim->NWParseNetWarePath(c.path, conn, dir, relative), c.code);
        if (c.code == 0) {
            EXPECT_EQ(relative, c.relative);
            EXPECT_EQ(dir, 0);
            EXPECT_EQ(conn, Conn());
        }
    }
}

TEST_F(ParseNetWarePathTest, ParsePathGivesServerVolumeAndDirectory) {
    ASSERT_EQ(Start(), 0);
    std::string server, volume, dir;
    ConnHandle conn = 0;
    ASSERT_EQ(m_sim->NWParsePath("G:\\SUB\\*.*", &server, &conn, &volume, &dir), 0);
    EXPECT_EQ(server, "FS1");
    EXPECT_EQ(volume, "DATA");
    EXPECT_EQ(dir, "APPS\\SUB\\*.*");
    EXPECT_EQ(conn, Conn());
    EXPECT_EQ(m_sim->NWParsePath("fs1/sys:", &server, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(server, "FS1");
    EXPECT_EQ(m_sim->NWParsePath("Q:\\X", &server, nullptr, nullptr, nullptr), nwcode::kServerUnknown);
}

class ServerPathTest : public SimTest {};

struct ScanCase {
    const char* path;
    std::uint8_t searchAttributes;
    NWCode fileCode;
    NWCode dirCode;
};

TEST_F(ServerPathTest, FileAndDirectoryTestsFollowPathRules) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    const ScanCase cases[] = {
        {"SYS:ACCT\\LEDGER.DAT", 6, 0, nwcode::kNoMatch},
        {"sys:acct/ledger.dat", 0, 0, nwcode::kNoMatch},
        {"SYS:ACCT\\QUARTE~1.DOC", 6, 0, nwcode::kNoMatch},
        {"SYS:ACCT\\quarterly report.DOC", 6, 0, nwcode::kNoMatch},
        {"SYS:ACCT", 6, nwcode::kNoMatch, 0},
        {"SYS:ACCT\\ARCHIVE.DAT", 6, nwcode::kNoMatch, 0},
        {"SYS:ACCT\\AUDIT.DAT", 6, 0, nwcode::kNoMatch},
        {"SYS:ACCT\\AUDIT.DAT", 2, nwcode::kNoMatch, nwcode::kNoMatch},  // system bit not searched
        {"SYS:ACCT\\AUDIT.DAT", 0, nwcode::kNoMatch, nwcode::kNoMatch},
        {"SYS:ACCT\\L?DGER.DAT", 6, 0, nwcode::kNoMatch},
        {"SYS:ACCT\\*.DAT", 6, 0, 0},
        {"SYS:ACCT\\MISSING.DAT", 6, nwcode::kNoMatch, nwcode::kNoMatch},
        {"SYS:NOSUCH\\LEDGER.DAT", 6, nwcode::kNoSuchDirectory, nwcode::kNoSuchDirectory},
        {"SYS:README.TXT\\X", 6, nwcode::kNoSuchDirectory, nwcode::kNoSuchDirectory},
        {"VOL9:X", 6, nwcode::kNoSuchVolume, nwcode::kNoSuchVolume},
        {"DATA:APPS\\tool.exe", 6, 0, nwcode::kNoMatch},
    };
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " attributes " + std::to_string(c.searchAttributes));
        NWSearchSequence9 seq = NewSearchSequence9();
        NWFileInfo info;
        EXPECT_EQ(m_sim->NWIntScanFileInformation2(conn, 0, c.path, c.searchAttributes, seq, &info, 0),
                  c.fileCode);
        seq = NewSearchSequence9();
        EXPECT_EQ(m_sim->NWIntScanDirectoryInformation2(conn, 0, c.path, seq, nullptr, 0), c.dirCode);
    }
}

TEST_F(ServerPathTest, RepeatedScansStepThroughMatches) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    NWSearchSequence9 seq = NewSearchSequence9();
    NWFileInfo info;
    std::vector<std::string> names;
    while (m_sim->NWIntScanFileInformation2(conn, 0, "SYS:ACCT\\*", 6, seq, &info, 0) == 0)
        names.push_back(info.fileName);
    EXPECT_EQ(names, (std::vector<std::string>{"LEDGER.DAT", "QUARTE~1.DOC", "AUDIT.DAT"}));
    // An exact name is found once, then the scan is over.
    seq = NewSearchSequence9();
    EXPECT_EQ(m_sim->NWIntScanFileInformation2(conn, 0, "SYS:README.TXT", 6, seq, &info, 0), 0);
    EXPECT_EQ(m_sim->NWIntScanFileInformation2(conn, 0, "SYS:README.TXT", 6, seq, &info, 0),
              nwcode::kNoMatch);
}

TEST_F(ServerPathTest, ShortPathOfALongNameIsTheParentsDosPathPlusTheDosName) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    std::uint32_t ns = 99;
    ASSERT_EQ(m_sim->NWGetOwningNameSpace(conn, 0, "SYS:ACCT\\Quarterly Report.doc", ns), 0);
    EXPECT_EQ(ns, kNameSpaceLong);
    ASSERT_EQ(m_sim->NWGetOwningNameSpace(conn, 0, "DATA:PAYROLL.DB", ns), 0);
    EXPECT_EQ(ns, kNameSpaceDOS);

    NWNSPath rec;
    rec.srcPath = "SYS:ACCT\\Quarterly Report.doc";
    ASSERT_EQ(m_sim->NWGetNSPath(conn, 0, 1, kNameSpaceLong, kNameSpaceDOS, rec), 0);
    EXPECT_EQ(rec.destPath, "SYS:ACCT");
    std::string name;
    ASSERT_EQ(m_sim->NWGetLongName(conn, 0, rec.srcPath, kNameSpaceLong, kNameSpaceDOS, name), 0);
    EXPECT_EQ(name, "QUARTE~1.DOC");
    ASSERT_EQ(m_sim->NWGetLongName(conn, 0, "SYS:ACCT\\QUARTE~1.DOC", kNameSpaceDOS, kNameSpaceLong, name),
              0);
    EXPECT_EQ(name, "Quarterly Report.doc");

    rec.srcPath = "sys:readme.txt";
    ASSERT_EQ(m_sim->NWGetNSPath(conn, 0, 1, kNameSpaceLong, kNameSpaceDOS, rec), 0);
    EXPECT_EQ(rec.destPath, "SYS");  // a file in the root: the bare volume

    rec.srcPath = "SYS:ACCT\\LEDGER.DAT";
    rec.destPathSize = 7;  // "SYS:ACCT" does not fit: refused, never cut
    EXPECT_EQ(m_sim->NWGetNSPath(conn, 0, 1, kNameSpaceLong, kNameSpaceDOS, rec), nwcode::kBadPathSyntax);
    rec.destPathSize = 255;
    rec.srcPath = "SYS:ACCT\\NONE.DAT";
    EXPECT_EQ(m_sim->NWGetNSPath(conn, 0, 1, kNameSpaceLong, kNameSpaceDOS, rec), nwcode::kNoMatch);
}

TEST_F(ServerPathTest, VolumeWithoutLongNamesRefusesTheLongNameSpace) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    NWNSPath rec;
    rec.srcPath = "DATA:APPS\\TOOL.EXE";
    EXPECT_EQ(m_sim->NWGetNSPath(conn, 0, 1, kNameSpaceLong, kNameSpaceDOS, rec),
              nwcode::kNameSpaceNotOnVolume);
    std::string name;
    EXPECT_EQ(m_sim->NWGetLongName(conn, 0, rec.srcPath, kNameSpaceLong, kNameSpaceDOS, name),
              nwcode::kNameSpaceNotOnVolume);
    EXPECT_EQ(m_sim->NWGetLongName(conn, 0, rec.srcPath, kNameSpaceDOS, kNameSpaceDOS, name), 0);
    EXPECT_EQ(name, "TOOL.EXE");
    EXPECT_EQ(m_sim->IsLongNameSpaceSupported(conn, 0, "DATA:APPS"), 0);
    EXPECT_NE(m_sim->IsLongNameSpaceSupported(conn, 0, "SYS:ACCT"), 0);
}

TEST_F(ServerPathTest, MadeDosNamesAreUniqueInTheirDirectory) {
    ASSERT_EQ(Start(R"({
      "workstation": { "bindery": { "FS1": "SUPERVISOR" } },
      "servers": [ { "name": "FS1", "volumes": [ { "name": "SYS", "number": 0, "longNames": true,
        "entries": [ "Budget Plan 2007.xls", "Budget Plan 2008.xls", "budget.txt", "BUDGET~1.XLS.bak",
                     { "name": "Taken", "dos": "BUDGET~3.XLS" }, "Budget Plan 2009.xlsx",
                     "a.b.c.d", "Dir With Spaces", "x" ] } ] } ] })"),
              0);
    ConnHandle conn = Conn();
    const std::pair<const char*, const char*> cases[] = {
        {"Budget Plan 2007.xls", "BUDGET~1.XLS"},
        {"Budget Plan 2008.xls", "BUDGET~2.XLS"},
        {"Budget Plan 2009.xlsx", "BUDGET~4.XLS"},  // ~3 is taken by a given name
        {"budget.txt", "BUDGET.TXT"},
        {"BUDGET~1.XLS.bak", "BUDGET~1.BAK"},
        {"a.b.c.d", "ABC~1.D"},
        {"Dir With Spaces", "DIRWIT~1"},
        {"x", "X"},
    };
    for (const auto& [longName, dos] : cases) {
        std::string name;
        ASSERT_EQ(m_sim->NWGetLongName(conn, 0, std::string("SYS:") + longName, kNameSpaceLong, kNameSpaceDOS,
                                       name),
                  0)
            << longName;
        EXPECT_EQ(name, dos) << longName;
        std::string back;
        ASSERT_EQ(
            m_sim->NWGetLongName(conn, 0, std::string("SYS:") + dos, kNameSpaceDOS, kNameSpaceLong, back), 0);
        EXPECT_EQ(back, longName);
    }
}

TEST_F(ServerPathTest, AStationWithoutIdentitySeesNothingButPaths) {
    ASSERT_EQ(Start(R"({
      "workstation": { "drives": { "F": "FS1\\SYS:" } },
      "servers": [ { "name": "FS1", "volumes": [ { "name": "SYS", "number": 0, "entries": [ "A.DAT" ] } ],
                     "connections": [ { "number": 3, "user": "BOB", "open": ["SYS:A.DAT"] } ] } ] })"),
              0);
    ConnHandle conn = 0;
    DirHandle dir = 0;
    std::string relative;
    ASSERT_EQ(m_sim->NWParseNetWarePath("F:\\A.DAT", conn, dir, relative), 0);
    NWSearchSequence9 seq = NewSearchSequence9();
    EXPECT_EQ(m_sim->NWIntScanFileInformation2(conn, 0, relative, 6, seq, nullptr, 0), nwcode::kNoMatch);
    std::string name;
    EXPECT_EQ(m_sim->NWGetConnectionInformation(conn, 3, &name, nullptr, nullptr, nullptr), nwcode::kNoMatch);
    NWAllConnInfo info;
    ASSERT_EQ(m_sim->NWCCGetAllConnInfo(conn, 1, info), 0);
    EXPECT_EQ(info.authenticationState, 0u);
    EXPECT_EQ(m_sim->CheckConsolePrivileges(conn), nwcode::kNoConsoleRights);
}

}  // namespace
