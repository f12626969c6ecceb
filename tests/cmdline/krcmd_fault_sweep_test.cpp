// The fault sweep of krcmd: for every client operation that a run makes, each
// of its calls fails once in a run of its own (the simulation's faults). The
// run must print that failure's message once with the code, end at once where
// the failure is fatal (exit status 1, nothing printed after the message, all
// before it as in a run without faults), and otherwise go on to the last
// file; no temporary directory handle may be left held.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cmdline/krcmd.h"
#include "platform/sim/simulated_network.h"
#include "tests/cmdline/network_fixture.h"

namespace krcmd {
namespace {

using json = nlohmann::json;

constexpr NWCode kFault = 0x8901;

json Network() {
    return json::parse(R"({
      "workstation": { "drives": { "F": "FS1\\SYS:" }, "bindery": { "FS1": "SUPERVISOR" } },
      "servers": [ { "name": "FS1", "operators": ["SUPERVISOR"], "module": true,
        "volumes": [ { "name": "SYS", "number": 0, "longNames": true, "entries": [
          { "name": "ACCT", "entries": [ "A.DAT", { "name": "Long Report.doc" },
            { "name": "SUB", "entries": [ "B.DAT", "C.DAT" ] } ] } ] } ],
        "connections": [
          { "number": 0, "open": ["SYS:ACCT\\A.DAT"] },
          { "number": 5, "user": "JSMITH", "open": ["SYS:ACCT\\A.DAT", "SYS:ACCT\\Long Report.doc",
                                                    "SYS:ACCT\\SUB\\C.DAT"] },
          { "number": 12, "user": "GUEST", "open": ["SYS:ACCT\\SUB\\B.DAT", "SYS:ACCT\\SUB\\C.DAT"] } ] } ] })");
}

// How the rest of a run compares with the same run without faults, once the
// failure's message is taken out.
enum class Rest {
    Fatal,        // ends at the message: exit 1, what came before as without faults
    Same,         // exactly as without faults
    Subsequence,  // some lines missing (a listing lost), none new or reordered
    ToTheEnd,     // the walk reached its last file (an action's outcome differs)
    Instead,      // the message alone, in place of the outcome; exit status 0
};

struct Failure {
    const char* message;  // printf format with the code; "" for none
    Rest rest;
};

// What krcmd prints when each operation fails.
const std::map<std::string, Failure>& Failures() {
    static const std::map<std::string, Failure> table = {
        {"NWCallsInit", {"Cannot Initialise Novell Libraries\n", Rest::Fatal}},
        {"FindFirst", {"", Rest::Subsequence}},
        {"NWParseNetWarePath", {"Invalid Path/File\n", Rest::Fatal}},
        {"NWIntScanDirectoryInformation2", {"", Rest::Same}},  // the normal answer for a file
        {"NWIntScanFileInformation2", {"Invalid Path/File %x", Rest::Fatal}},
        {"NWGetOwningNameSpace", {"Cannot Get Owning Name Space : %x", Rest::Fatal}},
        {"NWGetNSPath", {"error with nwgetnspath %x\n", Rest::Same}},
        {"NWGetLongName", {"error with nwgetlongname %x\n", Rest::Same}},
        {"NWScanConnectionsUsingFile", {"", Rest::Subsequence}},
        {"NWGetConnectionInformation", {"", Rest::ToTheEnd}},
        {"NWCCGetAllConnInfo", {"", Rest::Same}},  // the audit trail's server name
        {"NWClearConnectionNumber", {"\nCould Not Clear Connection : Error %x\n", Rest::ToTheEnd}},
        {"NWGetNCPExtensionInfoByName",
         {"Kestrune.NLM is not loaded on this server\n\nCould Not Close Connection : Error 1\n",
          Rest::ToTheEnd}},
        {"NWNCPExtensionRequest",
         {"Cannot NCP : %x\n\nCould Not Close Connection : Error 1\n", Rest::ToTheEnd}},
        {"NWSendBroadcastMessage", {"Message NOT Sent to Connection ", Rest::ToTheEnd}},
        {"NWCCOpenConnByName", {"Unable to open connection to server : %x\n\n", Rest::Instead}},
        {"NWDisableFileServerLogin", {"Unable to disable logins : %x\n\n", Rest::Instead}},
        {"NWEnableFileServerLogin", {"Unable to enable logins : %x\n\n", Rest::Instead}},
    };
    return table;
}

class NoKeys final : public KeySource {
public:
    int ReadKey() override { return -1; }
};

class StillClock final : public WaitClock {
public:
    double Now() override { return 0; }
    void Sleep(double) override {}
};

struct KrcmdRun {
    ExitStatus status = ExitStatus::Success;
    std::string out;
    std::map<std::string, std::uint64_t> calls;
    int dirHandlesHeld = 0;
};

KrcmdRun RunWithFaults(const std::vector<std::string>& arguments, const json& faults) {
    json description = Network();
    description["faults"] = faults;
    test::NetworkFile file(description);
    SimOptions options;
    options.networkPath = file.path();
    options.readOnly = true;
    const auto network = CreateSimulatedNetwork(options);
    BufferOutput out;
    BufferOutput err;
    NoKeys keys;
    MemoryAuditLog audit;
    StillClock clock;
    const RunContext context{out, err, keys, audit, clock};
    KrcmdRun run;
    run.status = RunKrcmd(arguments, *network, *network, context);
    run.out = out.text();
    run.calls = network->CallCounts();
    run.dirHandlesHeld = network->OpenDirHandles();
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool Subsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    auto at = whole.begin();
    for (const std::string& p : part) {
        at = std::find(at, whole.end(), p);
        if (at == whole.end()) return false;
        ++at;
    }
    return true;
}

// The files named on the listing lines, in order.
std::vector<std::string> ListedFiles(const std::string& text) {
    std::vector<std::string> files;
    for (const std::string& line : Lines(text)) {
        const std::size_t at = line.find("F:\\");
        if (at == std::string::npos) continue;
        std::string file = line.substr(at);
        const std::size_t end = file.find("    ");  // connection 0's closing words
        files.push_back(file.substr(0, end));
    }
    return files;
}

bool AllIn(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    return std::all_of(part.begin(), part.end(), [&](const std::string& p) {
        return std::find(whole.begin(), whole.end(), p) != whole.end();
    });
}

struct SweepCase {
    const char* name;
    std::vector<std::string> arguments;
    // A connection that a failure leaves uncleared is listed again at its
    // next file: such a run is compared by the files it names.
    bool changesNetwork = false;
};

class KrcmdFaultSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(KrcmdFaultSweep, EveryCallOfEveryOperationFailsOnceWithItsMessage) {
    const std::vector<std::string>& arguments = GetParam().arguments;
    const KrcmdRun clean = RunWithFaults(arguments, json::array());
    ASSERT_EQ(clean.status, ExitStatus::Success) << clean.out;
    // The files a run may name: those of the same walk without its action.
    std::vector<std::string> walkOnly;
    for (const std::string& a : arguments)
        if (a != "/c") walkOnly.push_back(a);
    const std::vector<std::string> files = ListedFiles(RunWithFaults(walkOnly, json::array()).out);

    std::size_t sites = 0;
    for (const auto& [op, calls] : clean.calls) {
        const auto failure = Failures().find(op);
        ASSERT_NE(failure, Failures().end()) << op << ": a call the sweep does not know";
        const Failure& f = failure->second;
        char message[256];
        std::snprintf(message, sizeof message, f.message, static_cast<unsigned>(kFault));
        for (std::uint64_t k = 0; k < calls; ++k) {
            SCOPED_TRACE(op + " call " + std::to_string(k + 1) + " of " + std::to_string(calls));
            const KrcmdRun run = RunWithFaults(arguments,
                json::array({{{"call", op}, {"code", kFault}, {"after", k}, {"times", 1}}}));
            ++sites;
            EXPECT_EQ(run.dirHandlesHeld, 0);

            std::string rest = run.out;
            const std::size_t at = rest.find(message);
            if (*message) {
                ASSERT_NE(at, std::string::npos) << run.out;
                EXPECT_EQ(rest.find(message, at + 1), std::string::npos) << "printed twice:\n" << run.out;
                if (f.rest != Rest::ToTheEnd) rest.erase(at, std::strlen(message));
            }
            switch (f.rest) {
                case Rest::Fatal:
                    EXPECT_EQ(run.status, ExitStatus::Failure);
                    EXPECT_EQ(at + std::strlen(message), run.out.size()) << "printed after the end";
                    EXPECT_TRUE(clean.out.starts_with(rest)) << run.out;
                    break;
                case Rest::Same:
                    EXPECT_EQ(run.status, ExitStatus::Success);
                    EXPECT_EQ(rest, clean.out);
                    break;
                case Rest::Subsequence:
                    // Exit status 0: no fatal stop, the walk ran to its end.
                    EXPECT_EQ(run.status, ExitStatus::Success);
                    EXPECT_TRUE(GetParam().changesNetwork
                                    ? AllIn(ListedFiles(rest), files)
                                    : Subsequence(Lines(rest), Lines(clean.out)))
                        << run.out;
                    break;
                case Rest::ToTheEnd:
                    EXPECT_EQ(run.status, ExitStatus::Success);
                    EXPECT_TRUE(AllIn(ListedFiles(run.out), files)) << run.out;
                    if (!GetParam().changesNetwork) {
                        EXPECT_EQ(ListedFiles(run.out).back(), ListedFiles(clean.out).back());
                    }
                    break;
                case Rest::Instead:
                    EXPECT_EQ(run.status, ExitStatus::Success);
                    EXPECT_EQ(run.out, message);
                    break;
            }
        }
    }
    std::printf("krcmd fault sweep (%s): %zu operations, %zu calls failed one at a time\n",
                GetParam().name, clean.calls.size(), sites);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, KrcmdFaultSweep,
    ::testing::Values(SweepCase{"ListRecursively", {"F:\\ACCT\\*.*", "/s"}},
                      SweepCase{"Clear", {"F:\\ACCT\\*.*", "/s", "/c"}, true},
                      SweepCase{"Close", {"F:\\ACCT\\*.*", "/o"}},
                      SweepCase{"Message", {"f:\\acct\\*.*", "/m:Hello", "/s"}},
                      SweepCase{"DisableLogins", {"/d", "FS1"}},
                      SweepCase{"EnableLogins", {"/e", "FS1"}}),
    [](const ::testing::TestParamInfo<SweepCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace krcmd
