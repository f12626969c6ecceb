// The fault sweep of the window's query: for every client operation a query
// makes, each of its calls fails once in its own run (the simulation's
// faults), and the run must show that step's error box and no other new one,
// release every temporary directory handle and directory-services buffer it
// took, and walk on past the failure as far as it should: past a file that
// failed to every later file, past a directory level that failed to the
// level above it.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "query/open_file_query.h"
#include "query_test_support.h"

namespace querytest {
namespace {

using json = nlohmann::json;
using Counts = std::map<std::string, std::uint64_t>;

constexpr NWCode kNetWareFault = 0x8901;
constexpr NWCode kDirectoryFault = -632;

bool DirectoryCall(const std::string& op) { return op.starts_with("DS") || op.starts_with("NWDS"); }

// Where a failure of an operation stops the walk.
enum class Reach {
    EveryFile,   // the failed file alone is affected; every file is still checked
    LevelEnds,   // the directory level being walked ends; the rest goes on
    DosNames,    // every file is checked, under its DOS name where it has two
};

struct Expectation {
    std::set<std::string> labels;  // one of these boxes (with the code); empty: no box
    Reach reach = Reach::EveryFile;
    bool resultTested = true;      // false: a result the query does not look at
};

// What the query shows when each operation fails.
const std::map<std::string, Expectation>& Expectations() {
    static const std::map<std::string, Expectation> table = {
        {"NWParsePath", {{"NWParsePath"}, Reach::LevelEnds}},
        // The walk's resolution ends its level; the file check's skips the file.
        {"NWParseNetWarePath", {{"NWParseNetwarePath", "Invalid NetWare Path"}, Reach::LevelEnds}},
        // Deciding the path kind: a failure makes a directory path (no box).
        {"NWIntScanFileInformation2", {{"Invalid Path/File ", ""}, Reach::LevelEnds}},
        {"IsLongNameSpaceSupported", {{""}, Reach::DosNames}},
        {"NWAllocTempNSDirHandle2", {{"NWAllocTempNSDirHandle2"}, Reach::LevelEnds}},
        {"NWScanNSEntryInfo", {{"NWScanNSEntryInfo"}, Reach::LevelEnds}},
        {"DeallocateDirectoryHandle", {{""}, Reach::EveryFile, false}},
        // A failure is the normal answer for a file.
        {"NWIntScanDirectoryInformation2", {{""}, Reach::EveryFile}},
        {"NWGetOwningNameSpace", {{"Cannot Get Owning Name Space"}, Reach::EveryFile}},
        {"NWGetNSPath", {{"Error with nwgetnspath "}, Reach::EveryFile}},
        {"NWGetLongName", {{"Error with nwgetlongname"}, Reach::EveryFile}},
        {"NWScanConnectionsUsingFile", {{"Problem Getting Connections"}, Reach::EveryFile}},
        {"ScanPhysicalLocks", {{"Problem Getting Locks"}, Reach::EveryFile}},
        {"NWGetConnectionInformation", {{"Cannot Get Connection Information"}, Reach::EveryFile}},
        {"GetConnectionAddress", {{""}, Reach::EveryFile}},
        {"DSMapIDToName", {{""}, Reach::EveryFile}},
        {"GetBinderyObjectName", {{""}, Reach::EveryFile, false}},
        {"DSAllocBuf", {{}, Reach::EveryFile, false}},  // any box of the read that follows
        {"DSInitBuf", {{}, Reach::EveryFile, false}},
        {"DSFreeBuf", {{""}, Reach::EveryFile, false}},
        {"DSCanonicalizeName", {{"NWDSCanocaliseName"}, Reach::EveryFile}},
        {"NWDSPutAttrName", {{"NWDSPutAttrName"}, Reach::EveryFile}},
        {"NWDSRead", {{"NWDSRead"}, Reach::EveryFile}},
        {"NWDSGetAttrCount", {{"NWDSGetAttrCount"}, Reach::EveryFile}},
        {"NWDSGetAttrName", {{"NWDSGetAttrName"}, Reach::EveryFile}},
        {"NWDSGetAttrVal", {{"NWDSGetAttrVal"}, Reach::EveryFile}},
    };
    return table;
}

// Every element of part appears in whole in the same order.
bool Subsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    auto at = whole.begin();
    for (const std::string& p : part) {
        at = std::find(at, whole.end(), p);
        if (at == whole.end()) return false;
        ++at;
    }
    return true;
}

struct QueryRun {
    std::vector<ScriptedPrompts::Shown> boxes;
    std::vector<std::string> checked;
    std::string status;
    Counts calls;         // made by the query itself
    int dirHandlesHeld = 0;
    int dsBuffersHeld = 0;
};

class QueryFaultSweep : public SimulatedQueryTest {
protected:
    QueryRun RunQuery(const json& faults) {
        json net = BaseNetwork();
        net["faults"] = faults;
        prompts.Reset();
        window = RecordingWindow{};
        users = RowTable{};
        locks = RowTable{};
        Load(net.dump());
        setup = network->CallCounts();
        window.path = "FS1\\SYS:*.*";
        window.checkSub = true;
        window.checkLocks = true;
        OpenFileQuery query(*network, prompts, window, users, locks);
        query.GetOpenFilesData();

        QueryRun run;
        for (const auto& s : prompts.shown)
            if (s.kind == ScriptedPrompts::Kind::Error) run.boxes.push_back(s);
        run.checked = window.Checked();
        run.status = window.status;
        for (const auto& [op, n] : network->CallCounts()) {
            const std::uint64_t before = setup.count(op) ? setup.at(op) : 0;
            if (n > before) run.calls[op] = n - before;
        }
        run.dirHandlesHeld = network->OpenDirHandles();
        run.dsBuffersHeld = network->OpenDSBuffers();
        return run;
    }

    Counts setup;
};

TEST_F(QueryFaultSweep, EveryCallOfEveryOperationFailsOnceWithItsBoxAndTheWalkGoesOn) {
    const QueryRun clean = RunQuery(json::array());
    ASSERT_TRUE(clean.boxes.empty()) << clean.boxes.front().text;
    ASSERT_GE(clean.checked.size(), 8u);
    const Counts cleanSetup = setup;

    std::size_t sites = 0;
    for (const auto& [op, calls] : clean.calls) {
        const auto expectation = Expectations().find(op);
        ASSERT_NE(expectation, Expectations().end()) << op << ": a call the sweep does not know";
        const Expectation& e = expectation->second;
        const NWCode code = DirectoryCall(op) ? kDirectoryFault : kNetWareFault;
        for (std::uint64_t k = 0; k < calls; ++k) {
            SCOPED_TRACE(op + " call " + std::to_string(k + 1) + " of " + std::to_string(calls));
            const std::uint64_t before = cleanSetup.count(op) ? cleanSetup.at(op) : 0;
            const QueryRun run = RunQuery(json::array(
                {{{"call", op}, {"code", code}, {"after", before + k}, {"times", 1}}}));
            ++sites;

            // The box of the failed step, once, with the code; any other new
            // box only the query's closing one.
            std::vector<std::string> stepBoxes;
            for (const auto& box : run.boxes) {
                if (box.label == "No Matching Files were found") {
                    EXPECT_EQ(box.code, 0);
                    continue;
                }
                stepBoxes.push_back(box.label);
                if (!e.labels.empty()) {
                    EXPECT_EQ(box.code, code) << box.text;
                }
            }
            if (!e.labels.empty()) {
                EXPECT_LE(stepBoxes.size(), 1u);
                const std::string shown = stepBoxes.empty() ? "" : stepBoxes.front();
                EXPECT_TRUE(e.labels.count(shown)) << "box shown: \"" << shown << "\"";
            }

            // Allocated directory handles and buffers all given back (a
            // failed release is the simulation's, not the query's leak).
            const auto count = [&](const char* name) {
                return run.calls.count(name) ? run.calls.at(name) : 0;
            };
            const std::uint64_t allocated = count("NWAllocTempNSDirHandle2") -
                                            (op == "NWAllocTempNSDirHandle2" ? 1 : 0);
            EXPECT_EQ(allocated, count("DeallocateDirectoryHandle"));
            if (op != "DeallocateDirectoryHandle") {
                EXPECT_EQ(run.dirHandlesHeld, 0);
            }
            if (op != "DSFreeBuf" && op != "DSAllocBuf") {
                EXPECT_EQ(run.dsBuffersHeld, 0);
            }

            // The walk went on.
            switch (e.reach) {
                case Reach::EveryFile: EXPECT_EQ(run.checked, clean.checked); break;
                case Reach::LevelEnds: EXPECT_TRUE(Subsequence(run.checked, clean.checked)); break;
                case Reach::DosNames: EXPECT_EQ(run.checked.size(), clean.checked.size()); break;
            }
            EXPECT_TRUE(run.status.ends_with("Open Handle(s)")) << run.status;
        }
    }
    // How much the sweep covers, for the record.
    RecordProperty("operations", static_cast<int>(clean.calls.size()));
    RecordProperty("call_sites", static_cast<int>(sites));
    std::printf("query fault sweep: %zu operations, %zu calls failed one at a time\n",
                clean.calls.size(), sites);
}

}  // namespace
}  // namespace querytest
