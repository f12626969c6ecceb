// The wait loop of RunKrcmd on a scripted clock: how long it sleeps, when it
// scans again and when it gives up, without any real time passing.

#include "cmdline/krcmd.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/audit_log.h"
#include "platform/sim/simulated_network.h"
#include "tests/cmdline/network_fixture.h"

namespace krcmd {
namespace {

class NoKeys final : public KeySource {
public:
    int ReadKey() override { return -1; }
};

// Time passes only by sleeping; each sleep may run something first.
class ScriptedClock final : public WaitClock {
public:
    double Now() override { return m_now; }
    void Sleep(double seconds) override {
        sleeps.push_back(seconds);
        if (onSleep) onSleep(sleeps.size());
        m_now += seconds;
    }
    std::vector<double> sleeps;
    std::function<void(std::size_t)> onSleep;

private:
    double m_now = 1000;
};

nlohmann::json OneUserNetwork() {
    return nlohmann::json::parse(R"({
      "workstation": { "drives": { "F": "FS1\\SYS:" }, "bindery": { "FS1": "SUPERVISOR" } },
      "servers": [ { "name": "FS1", "operators": ["SUPERVISOR"],
        "volumes": [ { "name": "SYS", "number": 0, "entries": [ "A.DAT" ] } ],
        "connections": [ { "number": 5, "user": "JSMITH", "open": ["SYS:A.DAT"] } ] } ] })");
}

struct WaitRun {
    ExitStatus status;
    std::string out;
    std::string err;
    std::vector<double> sleeps;
};

// clearAtSleep: the sleep during which another program clears connection 5.
WaitRun Wait(std::vector<std::string> arguments, std::size_t clearAtSleep) {
    test::NetworkFile file(OneUserNetwork());
    SimOptions options;
    options.networkPath = file.path();
    const auto network = CreateSimulatedNetwork(options);
    BufferOutput out;
    BufferOutput err;
    NoKeys keys;
    MemoryAuditLog audit;
    ScriptedClock clock;
    clock.onSleep = [&](std::size_t sleep) {
        if (sleep != clearAtSleep) return;
        const auto other = CreateSimulatedNetwork(options);
        ConnHandle conn = 0;
        ASSERT_EQ(other->NWCallsInit(), 0);
        ASSERT_EQ(other->NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, 0,
                                            conn),
                  0);
        ASSERT_EQ(other->NWClearConnectionNumber(conn, 5), 0);
    };
    const ExitStatus status =
        RunKrcmd(arguments, *network, *network, {out, err, keys, audit, clock});
    EXPECT_TRUE(audit.events().empty()) << "waiting changes nothing";
    return {status, out.text(), err.text(), clock.sleeps};
}

TEST(KrcmdWaitLoop, ScansAgainAfterEachIntervalUntilTheFileIsFree) {
    const WaitRun run = Wait({"--wait", "--interval=2", "F:\\A.DAT"}, 3);
    EXPECT_EQ(run.status, ExitStatus::Success);
    EXPECT_EQ(run.sleeps, (std::vector<double>{2, 2, 2}));
    EXPECT_EQ(run.out, "");  // the last scan found nobody
    EXPECT_EQ(run.err, "krcmd: F:\\A.DAT: in use; scanning again every 2 s\n");
}

TEST(KrcmdWaitLoop, LastSleepIsCutToTheLimitAndOneMoreScanDecides) {
    const WaitRun run = Wait({"--wait=5", "--interval=2", "F:\\A.DAT"}, 0);
    EXPECT_EQ(run.status, ExitStatus::InUse);
    EXPECT_EQ(run.sleeps, (std::vector<double>{2, 2, 1}));
    EXPECT_EQ(run.out, "  5  JSMITH                      F:\\A.DAT\n");
}

TEST(KrcmdWaitLoop, ClearedDuringTheLastSleepStillEndsFree) {
    const WaitRun run = Wait({"--wait=5", "--interval=2", "F:\\A.DAT"}, 3);
    EXPECT_EQ(run.status, ExitStatus::Success);
    EXPECT_EQ(run.sleeps, (std::vector<double>{2, 2, 1}));
}

TEST(KrcmdWaitLoop, ZeroSecondsScansOnceWithoutSleeping) {
    const WaitRun run = Wait({"--wait=0", "--format=csv", "F:\\A.DAT"}, 0);
    EXPECT_EQ(run.status, ExitStatus::InUse);
    EXPECT_TRUE(run.sleeps.empty());
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "server,volumePath,path,connection,user,action,result\r\n"
              "\"FS1\",\"SYS:A.DAT\",\"F:\\A.DAT\",5,\"JSMITH\",\"\",\r\n");
}

}  // namespace
}  // namespace krcmd
