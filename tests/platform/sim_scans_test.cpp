#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/platform/sim_fixture.h"

namespace {

using simtest::SimTest;

// A server whose file HOT.DAT is held by `opens` opens spread over
// connections 1..n (two opens each, the last maybe one), and COLD.DAT by nobody.
std::string BusyNetwork(int opens, const char* scanEnd) {
    nlohmann::json connections = nlohmann::json::array();
    for (int i = 0, number = 1; i < opens; ++number) {
        nlohmann::json open = nlohmann::json::array();
        for (int k = 0; k < 2 && i < opens; ++k, ++i) open.push_back("SYS:HOT.DAT");
        connections.push_back({{"number", number}, {"user", "U" + std::to_string(number)}, {"open", open}});
    }
    nlohmann::json net = {
        {"workstation", {{"bindery", {{"FS1", "SUPERVISOR"}}}}},
        {"servers",
         {{{"name", "FS1"},
           {"operators", {"SUPERVISOR"}},
           {"scanEnd", scanEnd},
           {"volumes", {{{"name", "SYS"}, {"number", 0}, {"entries", {"HOT.DAT", "COLD.DAT"}}}}},
           {"connections", connections}}}}};
    return net.dump();
}

// Runs the scan to its end as a caller would, collecting connection numbers
// and each batch size; records how the scan ended.
struct ScanResult {
    std::vector<std::uint16_t> numbers;
    std::vector<int> batches;
    NWCode endCode = 0;
    std::int16_t endIter = 0;
};

ScanResult ScanAll(SimulatedNetwork& sim, ConnHandle conn, const std::string& path) {
    ScanResult r;
    std::int16_t iter = 0;
    for (int guard = 0; guard < 100; ++guard) {
        NWConnsUsingFile reply;
        NWCode rc = sim.NWScanConnectionsUsingFile(conn, 0, path, iter, nullptr, reply);
        if (rc != 0) {
            r.endCode = rc;
            break;
        }
        r.batches.push_back(reply.connCount);
        for (int i = 0; i < reply.connCount; ++i) r.numbers.push_back(reply.connInfo[i].connNumber);
        if (iter == -1) break;
        EXPECT_GT(reply.connCount, 0) << "a batch that is not the last carries entries";
    }
    r.endIter = iter;
    return r;
}

class ConnectionScanTest : public SimTest {};

TEST_F(ConnectionScanTest, BatchesOfSeventyThenErrorOrLastBatch) {
    struct Case {
        int opens;
        const char* scanEnd;
        std::vector<int> batches;
        NWCode endCode;
    };
    const Case cases[] = {
        {150, "error", {70, 70, 10}, nwcode::kScanEnd},
        {140, "error", {70, 70}, nwcode::kScanEnd},
        {3, "error", {3}, nwcode::kScanEnd},
        {150, "last-batch", {70, 70, 10}, 0},
        {140, "last-batch", {70, 70}, 0},
        {70, "last-batch", {70}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.opens) + " " + c.scanEnd);
        ASSERT_EQ(Start(BusyNetwork(c.opens, c.scanEnd)), 0);
        ScanResult r = ScanAll(*m_sim, Conn(), "SYS:HOT.DAT");
        EXPECT_EQ(r.batches, c.batches);
        EXPECT_EQ(r.endCode, c.endCode);
        if (c.endCode == 0) {
            EXPECT_EQ(r.endIter, -1);
        }
        ASSERT_EQ(r.numbers.size(), static_cast<std::size_t>(c.opens));
        // One entry per open, in connection order then open order.
        for (int i = 0; i < c.opens; ++i) EXPECT_EQ(r.numbers[i], i / 2 + 1);
    }
}

TEST_F(ConnectionScanTest, AFileOpenByNobody) {
    ASSERT_EQ(Start(BusyNetwork(5, "error")), 0);
    std::int16_t iter = 0;
    NWConnsUsingFile reply;
    EXPECT_EQ(m_sim->NWScanConnectionsUsingFile(Conn(), 0, "SYS:COLD.DAT", iter, nullptr, reply),
              nwcode::kScanEnd);

    ASSERT_EQ(Start(BusyNetwork(5, "last-batch")), 0);
    iter = 0;
    ASSERT_EQ(m_sim->NWScanConnectionsUsingFile(Conn(), 0, "SYS:COLD.DAT", iter, nullptr, reply), 0);
    EXPECT_EQ(reply.connCount, 0);
    EXPECT_EQ(iter, -1);
}

TEST_F(ConnectionScanTest, ListsConnectionZeroAndEachOpenOfTheExampleFile) {
    ASSERT_EQ(Start(), 0);
    ScanResult r = ScanAll(*m_sim, Conn(), "SYS:ACCT\\LEDGER.DAT");
    EXPECT_EQ(r.numbers, (std::vector<std::uint16_t>{0, 5, 12}));
    // The file is found by its long or DOS name in any case.
    EXPECT_EQ(ScanAll(*m_sim, Conn(), "sys:acct\\quarterly report.doc").numbers,
              std::vector<std::uint16_t>{5});
    EXPECT_EQ(ScanAll(*m_sim, Conn(), "SYS:ACCT\\QUARTE~1.DOC").numbers, std::vector<std::uint16_t>{5});
}

TEST_F(ConnectionScanTest, RefusalsForRightsDirectoriesAndMissingFiles) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    const std::pair<const char*, NWCode> cases[] = {
        {"SYS:ACCT", nwcode::kNoMatch},           {"SYS:ACCT\\ARCHIVE.DAT", nwcode::kNoMatch},
        {"SYS:ACCT\\NONE.DAT", nwcode::kNoMatch}, {"SYS:NODIR\\NONE.DAT", nwcode::kNoSuchDirectory},
        {"XYZ:A", nwcode::kNoSuchVolume},
    };
    for (const auto& [path, code] : cases) {
        std::int16_t iter = 0;
        NWConnsUsingFile reply;
        EXPECT_EQ(m_sim->NWScanConnectionsUsingFile(conn, 0, path, iter, nullptr, reply), code) << path;
    }

    // A bindery login that is not an operator has no console rights.
    nlohmann::json net = nlohmann::json::parse(simtest::kNetwork, nullptr, true, true);
    net["workstation"].erase("nds");
    net["workstation"]["bindery"] = {{"FS1", "GUEST"}};
    ASSERT_EQ(Start(net.dump()), 0);
    std::int16_t iter = 0;
    NWConnsUsingFile reply;
    EXPECT_EQ(m_sim->NWScanConnectionsUsingFile(Conn(), 0, "SYS:ACCT\\LEDGER.DAT", iter, nullptr, reply),
              nwcode::kNoConsoleRights);
    std::int16_t lockIter = 0;
    NWPhysicalLock lock;
    NWPhysicalLockList list;
    EXPECT_EQ(m_sim->ScanPhysicalLocks(Conn(), 0, "SYS:ACCT\\LEDGER.DAT", 0, lockIter, lock, list),
              nwcode::kNoConsoleRights);
}

TEST_F(ConnectionScanTest, LocksComeOneAtATimeThenMinusOne) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    struct Seen {
        std::uint16_t conn;
        std::uint32_t start, end;
        std::uint16_t task;
        std::uint8_t type;
        bool operator==(const Seen&) const = default;
    };
    auto scan = [&](const std::string& path) {
        std::vector<Seen> seen;
        std::int16_t iter = 0;
        for (int guard = 0; guard < 10; ++guard) {
            NWPhysicalLock lock;
            NWPhysicalLockList list;
            EXPECT_EQ(m_sim->ScanPhysicalLocks(conn, 0, path, 0, iter, lock, list), 0);
            if (iter == -1) break;
            seen.push_back(
                {lock.connNumber, lock.recordStart, lock.recordEnd, lock.taskNumber, lock.lockType});
        }
        EXPECT_EQ(iter, -1);
        return seen;
    };
    EXPECT_EQ(scan("SYS:ACCT\\QUARTE~1.DOC"), (std::vector<Seen>{{5, 0, 511, 2, 1}, {5, 1024, 2047, 0, 0}}));
    EXPECT_EQ(scan("SYS:ACCT\\LEDGER.DAT"), (std::vector<Seen>{{12, 7, 7, 0, 0}}));
    EXPECT_TRUE(scan("SYS:README.TXT").empty());
}

TEST_F(ConnectionScanTest, OpenFilesByConnectionEndWithFFFF) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    std::int16_t iter = 0;
    std::vector<std::string> paths;
    for (int guard = 0; guard < 10; ++guard) {
        NWOpenFileControl control;
        NWOpenFile file;
        ASSERT_EQ(m_sim->ScanOpenFilesByConnection(conn, 5, iter, control, file), 0);
        if (static_cast<std::uint16_t>(iter) == 0xFFFF) break;
        std::string volume;
        ASSERT_EQ(m_sim->GetVolumeName(conn, file.volNumber, volume), 0);
        std::uint8_t buffer[255] = {};
        std::uint8_t length = sizeof buffer;
        ASSERT_EQ(m_sim->GetDirectoryEntryPath(conn, file.volNumber, file.dirEntry, 0, length, buffer), 0);
        std::string path = volume + ":";
        for (std::size_t at = 0; buffer[at] != 0; at += 1 + buffer[at]) {
            if (path.back() != ':') path += '\\';
            path.append(reinterpret_cast<const char*>(buffer + at + 1), buffer[at]);
        }
        paths.push_back(path);
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"SYS:ACCT\\LEDGER.DAT", "SYS:ACCT\\QUARTE~1.DOC"}));

    iter = 0;
    NWOpenFileControl control;
    NWOpenFile file;
    EXPECT_EQ(m_sim->ScanOpenFilesByConnection(conn, 77, iter, control, file), nwcode::kConnectionNotInUse);
    EXPECT_EQ(iter, -1) << "a failed request must end the caller's loop";
}

TEST_F(ConnectionScanTest, DirectoryEntryPathMustFitAndVolumeNamesAnswerTheirNumbers) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    std::int16_t iter = 0;
    NWOpenFileControl control;
    NWOpenFile file;
    ASSERT_EQ(m_sim->ScanOpenFilesByConnection(conn, 5, iter, control, file), 0);
    std::uint8_t buffer[32];
    std::uint8_t length = 15;  // "\4ACCT\12LEDGER.DAT\0" needs 17
    EXPECT_NE(m_sim->GetDirectoryEntryPath(conn, file.volNumber, file.dirEntry, 0, length, buffer), 0);
    length = 17;
    EXPECT_EQ(m_sim->GetDirectoryEntryPath(conn, file.volNumber, file.dirEntry, 0, length, buffer), 0);

    std::string name = "junk";
    EXPECT_EQ(m_sim->GetVolumeName(conn, 3, name), 0);
    EXPECT_EQ(name, "DATA");
    EXPECT_EQ(m_sim->GetVolumeName(conn, 1, name), nwcode::kNoSuchVolume);
    EXPECT_EQ(name, "");
}

TEST_F(ConnectionScanTest, ConnectionInformationAddressesAndNames) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    std::string name = "junk";
    std::uint16_t type = 9;
    std::uint32_t id = 9;
    NWLoginTime time{1, 1, 1, 1, 1, 1, 1};
    ASSERT_EQ(m_sim->NWGetConnectionInformation(conn, 0, &name, &type, &id, &time), 0);
    EXPECT_EQ(name, "");
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(time.year, 0);

    ASSERT_EQ(m_sim->NWGetConnectionInformation(conn, 5, &name, &type, &id, &time), 0);
    EXPECT_EQ(name, "JSMITH.SALES.ACME");
    EXPECT_EQ(type, kObjectTypeUser);
    EXPECT_EQ((std::vector<int>{time.year, time.month, time.day, time.hour, time.minute, time.second,
                                time.weekday}),
              (std::vector<int>{107, 1, 3, 9, 5, 0, 3}));  // 3 January 2007 was a Wednesday
    std::uint32_t again = 0;
    ASSERT_EQ(m_sim->NWGetConnectionInformation(conn, 5, nullptr, nullptr, &again, nullptr), 0);
    EXPECT_EQ(again, id);
    std::string bindery;
    ASSERT_EQ(m_sim->GetBinderyObjectName(conn, id, bindery, &type), 0);
    EXPECT_EQ(bindery, "JSMITH");
    EXPECT_EQ(m_sim->NWGetConnectionInformation(conn, 6, &name, nullptr, nullptr, nullptr),
              nwcode::kConnectionNotInUse);

    // A login time may also be the client's seven raw bytes, taken as they are.
    nlohmann::json net = nlohmann::json::parse(simtest::kNetwork, nullptr, true, true);
    net["servers"][0]["connections"][1]["loginTime"] = {99, 12, 31, 23, 59, 58, 5};
    ASSERT_EQ(Start(net.dump()), 0);
    ASSERT_EQ(m_sim->NWGetConnectionInformation(Conn(), 5, nullptr, nullptr, nullptr, &time), 0);
    EXPECT_EQ((std::vector<int>{time.year, time.month, time.day, time.hour, time.minute, time.second,
                                time.weekday}),
              (std::vector<int>{99, 12, 31, 23, 59, 58, 5}));
    conn = Conn();

    NWStationAddress a;
    ASSERT_EQ(m_sim->GetConnectionAddress(conn, 5, a), 0);
    EXPECT_EQ(a.connType, kConnTypeIPX);
    EXPECT_EQ((std::vector<int>{a.network[2], a.network[3], a.node[0], a.node[5]}),
              (std::vector<int>{0xAB, 0xCD, 0x00, 0x56}));
    ASSERT_EQ(m_sim->GetConnectionAddress(conn, 12, a), 0);
    EXPECT_EQ(a.connType, kConnTypeIP);
    EXPECT_EQ((std::vector<int>{a.network[0], a.network[1], a.network[2], a.network[3]}),
              (std::vector<int>{10, 1, 2, 3}));
    ASSERT_EQ(m_sim->GetConnectionAddress(conn, 0, a), 0);
    EXPECT_EQ(a.network[3], 1);
    EXPECT_EQ(m_sim->GetConnectionAddress(conn, 44, a), nwcode::kConnectionNotInUse);
}

}  // namespace
