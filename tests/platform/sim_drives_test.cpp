// NWSetDriveBase: a drive letter mapped to a directory is written back to the
// description, so that every later program on the workstation resolves it.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/platform/sim_fixture.h"

namespace {

using simtest::SimTest;

std::string Resolved(SimulatedNetwork& sim, const std::string& path) {
    ConnHandle conn = 0;
    DirHandle dirHandle = 0;
    std::string relative;
    const NWCode rc = sim.NWParseNetWarePath(path, conn, dirHandle, relative);
    return rc == 0 ? relative : "error " + std::to_string(rc);
}

nlohmann::json StoredDrives(const std::string& file) {
    return nlohmann::json::parse(simtest::ReadText(file), nullptr, true, true)["workstation"]["drives"];
}

TEST_F(SimTest, AMappedDriveIsWrittenBackAndSeenByTheNextProgram) {
    ASSERT_EQ(Start(), 0);
    const ConnHandle conn = Conn();
    ASSERT_EQ(m_sim->NWSetDriveBase(8, conn, 0, "sys:acct"), 0);
    ASSERT_EQ(m_sim->NWSetDriveBase(26, conn, 0, "DATA:"), 0);
    // A letter already mapped is mapped anew.
    ASSERT_EQ(m_sim->NWSetDriveBase(7, conn, 0, "SYS:ACCT\\ARCHIVE.DAT"), 0);

    EXPECT_EQ(Resolved(*m_sim, "H:\\LEDGER.DAT"), "SYS:ACCT\\LEDGER.DAT");
    EXPECT_EQ(StoredDrives(m_file), (nlohmann::json{{"F", "FS1\\SYS:"},
                                                   {"H", "FS1\\SYS:ACCT"},
                                                   {"Z", "FS1\\DATA:"},
                                                   {"G", "FS1\\SYS:ACCT\\ARCHIVE.DAT"}}));
    const std::unique_ptr<SimulatedNetwork> next = Open();
    ASSERT_EQ(next->NWCallsInit(), 0);
    EXPECT_EQ(Resolved(*next, "Z:\\PAYROLL.DB"), "DATA:PAYROLL.DB");
    EXPECT_EQ(Resolved(*next, "G:\\"), "SYS:ACCT\\ARCHIVE.DAT");
}

TEST_F(SimTest, DriveMappingsThatCannotBeMadeChangeNothing) {
    ASSERT_EQ(Start(), 0);
    const ConnHandle conn = Conn();
    const std::string before = simtest::ReadText(m_file);
    struct Case {
        const char* name;
        std::uint16_t driveNum;
        ConnHandle conn;
        const char* path;
        NWCode code;
    };
    const Case cases[] = {
        {"no letter before A", 0, conn, "SYS:ACCT", nwcode::kBadPathSyntax},
        {"no letter after Z", 27, conn, "SYS:ACCT", nwcode::kBadPathSyntax},
        {"a file", 8, conn, "SYS:README.TXT", nwcode::kNoSuchDirectory},
        {"a missing directory", 8, conn, "SYS:NOWHERE", nwcode::kNoSuchDirectory},
        {"a pattern", 8, conn, "SYS:AC*", nwcode::kNoSuchDirectory},
        {"a missing volume", 8, conn, "VOL9:", nwcode::kNoSuchVolume},
        {"an unknown connection", 8, 999, "SYS:ACCT", nwcode::kServerUnknown},
        {"a server without an identity", 8, Conn("FS2"), "SYS:", nwcode::kNoMatch},
    };
    for (const Case& c : cases)
        EXPECT_EQ(m_sim->NWSetDriveBase(c.driveNum, c.conn, 0, c.path), c.code) << c.name;
    EXPECT_EQ(simtest::ReadText(m_file), before);
}

TEST_F(SimTest, AReadOnlyNetworkKeepsAMappedDriveInMemory) {
    ASSERT_EQ(Start(simtest::kNetwork, true), 0);
    const std::string before = simtest::ReadText(m_file);
    ASSERT_EQ(m_sim->NWSetDriveBase(8, Conn(), 0, "SYS:ACCT"), 0);
    EXPECT_EQ(Resolved(*m_sim, "H:\\LEDGER.DAT"), "SYS:ACCT\\LEDGER.DAT");
    EXPECT_EQ(simtest::ReadText(m_file), before);
}

}  // namespace
