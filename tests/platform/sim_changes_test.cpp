#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstring>

#include <nlohmann/json.hpp>

#include "platform/codepage.h"
#include "tests/platform/sim_fixture.h"

namespace {

using simtest::SimTest;

std::vector<std::uint16_t> Users(SimulatedNetwork& sim, ConnHandle conn, const std::string& path) {
    std::vector<std::uint16_t> numbers;
    std::int16_t iter = 0;
    for (int guard = 0; guard < 10; ++guard) {
        NWConnsUsingFile reply;
        if (sim.NWScanConnectionsUsingFile(conn, 0, path, iter, nullptr, reply) != 0) break;
        for (int i = 0; i < reply.connCount; ++i) numbers.push_back(reply.connInfo[i].connNumber);
        if (iter == -1) break;
    }
    return numbers;
}

nlohmann::json Stored(const std::string& file) {
    return nlohmann::json::parse(simtest::ReadText(file), nullptr, true, true);
}

// The 2313-byte close request of the server module.
std::vector<std::uint8_t> CloseRequest(std::uint16_t conn, const std::string& path) {
    std::vector<std::uint8_t> request(2313, 0);
    request[0] = 0x43;
    request[2] = static_cast<std::uint8_t>(conn & 0xFF);
    request[3] = static_cast<std::uint8_t>(conn >> 8);
    std::memcpy(request.data() + 6, path.data(), path.size());
    return request;
}

class ChangeTest : public SimTest {};

TEST_F(ChangeTest, ClearingRemovesTheConnectionWithItsOpensAndLocksAndIsWrittenBack) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    ASSERT_EQ(m_sim->NWClearConnectionNumber(conn, 5), 0);
    EXPECT_EQ(Users(*m_sim, conn, "SYS:ACCT\\LEDGER.DAT"), (std::vector<std::uint16_t>{0, 12}));
    std::int16_t iter = 0;
    NWPhysicalLock lock;
    NWPhysicalLockList list;
    ASSERT_EQ(m_sim->ScanPhysicalLocks(conn, 0, "SYS:ACCT\\QUARTE~1.DOC", 0, iter, lock, list), 0);
    EXPECT_EQ(iter, -1);
    EXPECT_EQ(m_sim->NWClearConnectionNumber(conn, 5), nwcode::kConnectionNotInUse);
    EXPECT_EQ(m_sim->NWClearConnectionNumber(conn, 0), nwcode::kConnectionNotInUse);

    // The next run sees it, and the rest of the description survived.
    auto next = Open();
    ASSERT_EQ(next->NWCallsInit(), 0);
    ConnHandle again = 0;
    ASSERT_EQ(
        next->NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, kTransportAny, again), 0);
    EXPECT_EQ(Users(*next, again, "SYS:ACCT\\LEDGER.DAT"), (std::vector<std::uint16_t>{0, 12}));
    nlohmann::json stored = Stored(m_file);
    EXPECT_EQ(stored["servers"][0]["connections"].size(), 2u);
    EXPECT_EQ(stored["trees"]["ACME"]["JSMITH.SALES.ACME"]["Full Name"][1], "J. Smith");
}

TEST_F(ChangeTest, ARunningProgramNoticesAnotherProgramsChangeAtItsNextCall) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    EXPECT_EQ(Users(*m_sim, conn, "SYS:ACCT\\LEDGER.DAT").size(), 3u);
    auto other = Open();
    ASSERT_EQ(other->NWCallsInit(), 0);
    ConnHandle otherConn = 0;
    ASSERT_EQ(
        other->NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, kTransportAny, otherConn),
        0);
    ASSERT_EQ(other->NWClearConnectionNumber(otherConn, 12), 0);
    EXPECT_EQ(Users(*m_sim, conn, "SYS:ACCT\\LEDGER.DAT"), (std::vector<std::uint16_t>{0, 5}));
    // And a change made here lands on top of the other's, not over it.
    ASSERT_EQ(m_sim->NWDisableFileServerLogin(conn), 0);
    nlohmann::json stored = Stored(m_file);
    EXPECT_EQ(stored["servers"][0]["connections"].size(), 2u);
    EXPECT_EQ(stored["servers"][0]["loginsEnabled"], false);
}

TEST_F(ChangeTest, ABrokenEditWhileRunningKeepsTheLastGoodNetworkAndIsReportedOnce) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    simtest::WriteText(m_file, "{ \"servers\": [ ");
    testing::internal::CaptureStderr();
    EXPECT_EQ(Users(*m_sim, conn, "SYS:ACCT\\LEDGER.DAT").size(), 3u);
    EXPECT_EQ(Users(*m_sim, conn, "SYS:ACCT\\LEDGER.DAT").size(), 3u);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    // A change is not written over a file it cannot read.
    testing::internal::CaptureStderr();
    EXPECT_EQ(m_sim->NWClearConnectionNumber(conn, 5), nwcode::kDescriptionUnreadable);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(simtest::ReadText(m_file), "{ \"servers\": [ ");
}

TEST_F(ChangeTest, AChangeThatCannotTakeTheLockIsRefusedAndWritesNothing) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    std::filesystem::create_directory(m_file + ".lock");  // no lock can be taken on a directory
    std::string before = simtest::ReadText(m_file);
    testing::internal::CaptureStderr();
    EXPECT_EQ(m_sim->NWClearConnectionNumber(conn, 5), nwcode::kDescriptionUnreadable);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(simtest::ReadText(m_file), before);
    EXPECT_EQ(Users(*m_sim, conn, "SYS:ACCT\\LEDGER.DAT").size(), 3u);
}

TEST_F(ChangeTest, AWriterKilledMidWriteLeavesTheDescriptionWholeAndTheLockFree) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    std::string before = simtest::ReadText(m_file);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Holds the lock, has half of its new description written, and dies.
        int lock = open((m_file + ".lock").c_str(), O_RDWR | O_CREAT, 0644);
        flock(lock, LOCK_EX);
        simtest::WriteText(m_file + ".tmp." + std::to_string(getpid()), before.substr(0, before.size() / 2));
        raise(SIGKILL);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(simtest::ReadText(m_file), before);
    ASSERT_EQ(m_sim->NWClearConnectionNumber(conn, 5), 0);
    auto next = Open();
    ASSERT_EQ(next->NWCallsInit(), 0);
    EXPECT_EQ(Stored(m_file)["servers"][0]["connections"].size(), 2u);
}

TEST_F(ChangeTest, BroadcastAnswersOneByteEachAndKeepsTheMessage) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    const std::array<ConnNumber, 4> targets{5, 12, 0, 99};
    std::array<std::uint8_t, 4> results{};
    std::string message = CharToOemA("Server going down — save now");
    ASSERT_EQ(m_sim->NWSendBroadcastMessage(conn, message, 4, targets.data(), results.data()), 0);
    EXPECT_EQ(results,
              (std::array<std::uint8_t, 4>{nwcode::kMessageDelivered, nwcode::kMessageRefused,
                                           nwcode::kMessageNoConnection, nwcode::kMessageNoConnection}));
    nlohmann::json stored = Stored(m_file);
    EXPECT_EQ(stored["servers"][0]["connections"][1]["inbox"],
              nlohmann::json::array({"Server going down ? save now"}));
    EXPECT_FALSE(stored["servers"][0]["connections"][2].contains("inbox"));
}

TEST_F(ChangeTest, ServerModuleClosesOneConnectionsOpensOfOneFile) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    std::uint32_t id = 0;
    std::uint8_t query[32];
    ASSERT_EQ(
        m_sim->NWGetNCPExtensionInfoByName(conn, "Kestrune Server", id, nullptr, nullptr, nullptr, query), 0);
    std::vector<std::uint8_t> reply(2761);
    std::size_t replyLength = reply.size();
    auto request = CloseRequest(5, "SYS:ACCT\\LEDGER.DAT");
    ASSERT_EQ(
        m_sim->NWNCPExtensionRequest(conn, id, request.data(), request.size(), reply.data(), replyLength), 0);
    EXPECT_EQ(replyLength, 0u);
    EXPECT_EQ(Users(*m_sim, conn, "SYS:ACCT\\LEDGER.DAT"), (std::vector<std::uint16_t>{0, 12}));
    EXPECT_EQ(Users(*m_sim, conn, "SYS:ACCT\\QUARTE~1.DOC"), std::vector<std::uint16_t>{5});

    struct Refusal {
        std::vector<std::uint8_t> request;
        NWCode code;
    };
    auto wrongCommand = CloseRequest(5, "SYS:ACCT\\LEDGER.DAT");
    wrongCommand[0] = 0x44;
    auto shortRequest = CloseRequest(5, "SYS:ACCT\\LEDGER.DAT");
    shortRequest.resize(2312);
    const Refusal refusals[] = {
        {wrongCommand, nwcode::kExtensionRefused},
        {shortRequest, nwcode::kExtensionRefused},
        {CloseRequest(300, "SYS:ACCT\\LEDGER.DAT"), nwcode::kConnectionNotInUse},
        {CloseRequest(12, "SYS:ACCT\\NOFILE.DAT"), nwcode::kNoMatch},
        {CloseRequest(12, "SYS:ACCT"), nwcode::kNoMatch},
    };
    for (const Refusal& r : refusals) {
        replyLength = reply.size();
        EXPECT_EQ(m_sim->NWNCPExtensionRequest(conn, id, r.request.data(), r.request.size(), reply.data(),
                                               replyLength),
                  r.code);
    }
    EXPECT_EQ(
        m_sim->NWGetNCPExtensionInfoByName(conn, "Other Module", id, nullptr, nullptr, nullptr, nullptr),
        nwcode::kNoMatch);
}

TEST_F(ChangeTest, LoginSwitchesNeedConsoleRightsAndStatusDoesNot) {
    nlohmann::json net = nlohmann::json::parse(simtest::kNetwork, nullptr, true, true);
    net["workstation"].erase("nds");
    net["workstation"]["bindery"] = {{"FS1", "GUEST"}};
    ASSERT_EQ(Start(net.dump()), 0);
    ConnHandle conn = Conn();
    EXPECT_EQ(m_sim->NWDisableFileServerLogin(conn), nwcode::kNoConsoleRights);
    std::uint8_t enabled = 0;
    ASSERT_EQ(m_sim->GetFileServerLoginStatus(conn, enabled), 0);
    EXPECT_EQ(enabled, 1);

    ASSERT_EQ(m_sim->NWLoginToFileServer(conn, "nobody", kObjectTypeUser, "x"), nwcode::kNoSuchObject);
    ASSERT_EQ(m_sim->NWLoginToFileServer(conn, "supervisor", kObjectTypeUser, "wrong"), nwcode::kNoMatch);
    ASSERT_EQ(m_sim->NWLoginToFileServer(conn, "supervisor", kObjectTypeUser, "secret"), 0);
    EXPECT_EQ(m_sim->CheckConsolePrivileges(conn), 0);
    ASSERT_EQ(m_sim->NWDisableFileServerLogin(conn), 0);
    ASSERT_EQ(m_sim->GetFileServerLoginStatus(conn, enabled), 0);
    EXPECT_EQ(enabled, 0);
    EXPECT_EQ(Stored(m_file)["workstation"]["bindery"]["FS1"], "SUPERVISOR");
    // Logins off keep out everyone but the operators, whatever the password.
    EXPECT_EQ(m_sim->NWLoginToFileServer(conn, "guest", kObjectTypeUser, ""), nwcode::kNoConsoleRights);
    EXPECT_EQ(Stored(m_file)["workstation"]["bindery"]["FS1"], "SUPERVISOR");
    EXPECT_EQ(m_sim->NWLoginToFileServer(conn, "guest", kObjectTypeUser, "x"), nwcode::kNoMatch);
    EXPECT_EQ(m_sim->NWLoginToFileServer(conn, "SUPERVISOR", kObjectTypeUser, "secret"), 0);
    ASSERT_EQ(m_sim->NWEnableFileServerLogin(conn), 0);
    EXPECT_EQ(Stored(m_file)["servers"][0]["loginsEnabled"], true);
    EXPECT_EQ(m_sim->NWLoginToFileServer(conn, "guest", kObjectTypeUser, ""), 0);
    EXPECT_EQ(Stored(m_file)["workstation"]["bindery"]["FS1"], "GUEST");

    ConnHandle down = 0;
    EXPECT_EQ(
        m_sim->NWCCOpenConnByName(0, "OLD", kNameFormatBindery, kOpenStateLicensed, kTransportAny, down),
        nwcode::kServerUnknown);
}

TEST_F(ChangeTest, ReadOnlyKeepsChangesInMemory) {
    ASSERT_EQ(Start(simtest::kNetwork, /*readOnly=*/true), 0);
    std::string before = simtest::ReadText(m_file);
    ConnHandle conn = Conn();
    ASSERT_EQ(m_sim->NWClearConnectionNumber(conn, 5), 0);
    EXPECT_EQ(Users(*m_sim, conn, "SYS:ACCT\\LEDGER.DAT"), (std::vector<std::uint16_t>{0, 12}));
    ASSERT_EQ(m_sim->NWDisableFileServerLogin(conn), 0);
    EXPECT_EQ(simtest::ReadText(m_file), before);
}

TEST_F(ChangeTest, TwoProcessesWritingAtOnceLoseNothing) {
    // Fifty connections: one process clears the odd ones while the other
    // sends two messages to each even one, one change per call.
    nlohmann::json connections = nlohmann::json::array();
    for (int n = 1; n <= 50; ++n) connections.push_back({{"number", n}, {"user", "U" + std::to_string(n)}});
    nlohmann::json net = {
        {"workstation", {{"bindery", {{"FS1", "SUPERVISOR"}}}}},
        {"servers", {{{"name", "FS1"}, {"operators", {"SUPERVISOR"}}, {"connections", connections}}}}};
    simtest::WriteText(m_file, net.dump());
    pid_t children[2];
    for (int which = 0; which < 2; ++which) {
        children[which] = fork();
        ASSERT_GE(children[which], 0);
        if (children[which] == 0) {
            auto sim = Open();
            int failures = sim->NWCallsInit() != 0;
            ConnHandle conn = 0;
            failures += sim->NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed,
                                                kTransportAny, conn) != 0;
            for (int n = 2 - which; n <= 50; n += 2) {
                const ConnNumber target = static_cast<ConnNumber>(n);
                if (which == 0) {
                    for (int k = 0; k < 2; ++k) {
                        std::uint8_t result = 0xEE;
                        failures += sim->NWSendBroadcastMessage(conn, "hello", 1, &target, &result) != 0 ||
                                    result != 0;
                    }
                } else {
                    failures += sim->NWClearConnectionNumber(conn, target) != 0;
                }
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    nlohmann::json left = Stored(m_file)["servers"][0]["connections"];
    ASSERT_EQ(left.size(), 25u);
    for (const auto& c : left) {
        EXPECT_EQ(c["number"].get<int>() % 2, 0);
        EXPECT_EQ(c["inbox"], nlohmann::json::array({"hello", "hello"})) << c.dump();
    }
}

}  // namespace
