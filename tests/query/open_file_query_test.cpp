#include "query/open_file_query.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "query_test_support.h"

namespace querytest {
namespace {

using json = nlohmann::json;
using Texts = std::vector<std::string>;
constexpr std::size_t Col(UsersColumn c) { return static_cast<std::size_t>(c); }
constexpr std::size_t Col(LocksColumn c) { return static_cast<std::size_t>(c); }

class OpenFileQueryTest : public SimulatedQueryTest {
protected:
    void TearDown() override {
        if (network) {
            EXPECT_EQ(network->OpenDirHandles(), 0) << "a directory handle is still held";
            EXPECT_EQ(network->OpenDSBuffers(), 0) << "a directory-services buffer is still held";
        }
    }

    void LoadWith(const json& faults, const std::function<void(json&)>& change = {}) {
        json net = BaseNetwork();
        net["faults"] = faults;
        if (change) change(net);
        Load(net.dump());
    }

    void Run(const std::string& path) {
        window.path = path;
        OpenFileQuery query(*network, prompts, window, users, locks);
        query.GetOpenFilesData();
        found = query.FilesFound();
    }

    bool found = false;
};

constexpr const char* kLedger = "SYS:ACCT\\LEDGER.DAT";
const char* const kNoMatch = "No Matching Files were found";

// ---- rows -------------------------------------------------------------------

TEST_F(OpenFileQueryTest, UsersRowsFollowTheDisplayOptions) {
    const struct {
        const char* what;
        bool showContext;
        bool showFullName;
        bool showNetwork;
        Texts userNames;
        Texts fullNames;
        const char* ipxAddress;
    } cases[] = {
        {"full context and full names", true, true, true,
         {"Netware File Server", "JSMITH.SALES.ACME", "GUEST", "GUEST", "ADMIN.IT.ACME"},
         {"", "John Smith", "", "", "Ada Admin"}, "[0000ABCD:00C0F0123456]"},
        {"names cut at their first dot", false, true, true,
         {"Netware File Server", "JSMITH", "GUEST", "GUEST", "ADMIN"},
         {"", "John Smith", "", "", "Ada Admin"}, "[0000ABCD:00C0F0123456]"},
        {"no full names: no bindery fallback either", true, false, true,
         {"Netware File Server", "JSMITH.SALES.ACME", "", "", "ADMIN.IT.ACME"},
         {"", "", "", "", ""}, "[0000ABCD:00C0F0123456]"},
        {"no network numbers: an IPX station by its node", true, true, false,
         {"Netware File Server", "JSMITH.SALES.ACME", "GUEST", "GUEST", "ADMIN.IT.ACME"},
         {"", "John Smith", "", "", "Ada Admin"}, "[00C0F0123456]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LoadWith(json::array());
        window.showContext = c.showContext;
        window.showFullName = c.showFullName;
        window.showNetwork = c.showNetwork;
        Run("FS1\\SYS:ACCT\\LEDGER.DAT");
        EXPECT_EQ(prompts.Texts(), Texts{});
        EXPECT_EQ(UsersColumn(Col(UsersColumn::UserName)), c.userNames);
        EXPECT_EQ(UsersColumn(Col(UsersColumn::FullName)), c.fullNames);
        // One row per entry of the server's list: connection 12 twice.
        EXPECT_EQ(UsersColumn(Col(UsersColumn::Conn)), (Texts{"0", "5", "12", "12", "7"}));
        EXPECT_EQ(UsersColumn(Col(UsersColumn::FileName)), Texts(5, kLedger));
        EXPECT_EQ(UsersColumn(Col(UsersColumn::LoginTime)),
                  (Texts{"N/A", "09:05 03/Jan/2007", "17:45 03/Jan/2007", "17:45 03/Jan/2007",
                         "23:59 31/Dec/1999"}));
        EXPECT_EQ(UsersColumn(Col(UsersColumn::Address)),
                  (Texts{"10.0.0.1", c.ipxAddress, "10.1.2.3", "10.1.2.3", "N/A"}));
        for (std::size_t r = 0; r < users.RowCount(); ++r) {
            EXPECT_EQ(std::to_string(users.Connection(r)), users.Cell(r, 0));
        }
        EXPECT_EQ(window.status, "5 Open Handle(s)");
        prompts.Reset();
        users.Clear();
    }
}

TEST_F(OpenFileQueryTest, LocksRowsTakeTheirUserFromTheConnectionInformation) {
    LoadWith(json::array());
    window.showContext = false;
    Run("FS1\\SYS:ACCT\\LEDGER.DAT");
    ASSERT_EQ(locks.RowCount(), 2u);
    const Texts server{"0", kLedger, "Netware File Server", "10", "0", "99", "1"};
    const Texts admin{"7", kLedger, "ADMIN", "9", "100", "4294967295", "10"};
    EXPECT_EQ(locks.Row(0).Cells(), server);
    EXPECT_EQ(locks.Row(1).Cells(), admin);
    EXPECT_EQ(locks.Connection(1), 7);

    // Without "Check File Locks" the lock scan does not run at all.
    locks.Clear();
    window.checkLocks = false;
    Run("FS1\\SYS:ACCT\\LEDGER.DAT");
    EXPECT_EQ(locks.RowCount(), 0u);
    EXPECT_EQ(users.RowCount(), 5u);
    EXPECT_EQ(network->CallCounts()["ScanPhysicalLocks"], 3u);  // the first query's only
}

TEST_F(OpenFileQueryTest, AUserWithoutAFullNameGetsAnEmptyCellAndNoBox) {
    LoadWith(json::array());
    Run("FS1\\SYS:README.TXT");
    EXPECT_EQ(prompts.Texts(), Texts{});
    ASSERT_EQ(users.RowCount(), 1u);
    EXPECT_EQ(users.Cell(0, Col(UsersColumn::UserName)), "GUEST.ACME");
    EXPECT_EQ(users.Cell(0, Col(UsersColumn::FullName)), "");
}

TEST_F(OpenFileQueryTest, UnreadableConnectionInformationStillCompletesTheRows) {
    LoadWith(json::parse(
        R"([{ "call": "NWGetConnectionInformation", "connection": 5, "code": "0x89FD" }])"));
    Run("FS1\\SYS:ACCT\\Quarterly Report.doc");
    EXPECT_EQ(prompts.Texts(), Texts(2, "Cannot Get Connection Information\n Code : 89fd"));
    ASSERT_EQ(users.RowCount(), 1u);
    const Texts usersRow{"5", "SYS:ACCT\\QUARTE~1.DOC", "", "N/A", "[0000ABCD:00C0F0123456]",
                         "", ""};
    EXPECT_EQ(users.Row(0).Cells(), usersRow);
    ASSERT_EQ(locks.RowCount(), 1u);
    const Texts locksRow{"5", "SYS:ACCT\\QUARTE~1.DOC", "", "1", "0", "511", "2"};
    EXPECT_EQ(locks.Row(0).Cells(), locksRow);
    EXPECT_EQ(window.page, QueryWindow::Page::Users);
}

TEST_F(OpenFileQueryTest, AFailedFullNameReadShowsItsStepWithoutOwnerAndFreesTheBuffers) {
    const struct {
        const char* call;
        const char* code;
        const char* box;  // empty: no box
        int after = 0;    // matching calls that succeed first
    } cases[] = {
        {"DSAllocBuf", "0x8801", "DSAllocBuf\n Code : 8801"},
        // The request buffer fails after the reply buffer was had.
        {"DSAllocBuf", "0x8801", "DSAllocBuf\n Code : 8801", 1},
        {"DSInitBuf", "-641", "DSInitBuf\n Code : fffffd7f"},
        {"DSCanonicalizeName", "-601", "NWDSCanocaliseName\n Code : fffffda7"},
        {"NWDSPutAttrName", "-641", "NWDSPutAttrName\n Code : fffffd7f"},
        {"NWDSRead", "-601", "NWDSRead\n Code : fffffda7"},
        {"NWDSRead", "-603", ""},
        {"NWDSGetAttrCount", "-641", "NWDSGetAttrCount\n Code : fffffd7f"},
        {"NWDSGetAttrName", "-641", "NWDSGetAttrName\n Code : fffffd7f"},
        {"NWDSGetAttrVal", "-641", "NWDSGetAttrVal\n Code : fffffd7f"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.call) + " " + c.code + " after " + std::to_string(c.after));
        // Only the first lookup (connection 5's) fails; connection 7's succeeds.
        LoadWith(json::array(
            {{{"call", c.call}, {"code", c.code}, {"after", c.after}, {"times", 1}}}));
        Run("FS1\\SYS:ACCT\\LEDGER.DAT");
        const Texts expected = *c.box ? Texts{c.box} : Texts{};
        EXPECT_EQ(prompts.Texts(), expected);
        EXPECT_EQ(ErrorOwners(prompts), std::vector<Prompts::Owner>(expected.size(), Prompts::Owner::None));
        EXPECT_EQ(UsersColumn(Col(UsersColumn::FullName)),
                  (Texts{"", "", "", "", "Ada Admin"}));
        EXPECT_EQ(network->OpenDSBuffers(), 0);
        EXPECT_TRUE(found);
        prompts.Reset();
        users.Clear();
    }
}

// A file open by more connections than one batch carries, ended both ways a
// server may end the list.
TEST_F(OpenFileQueryTest, ListsEveryConnectionAcrossBatches) {
    for (const char* scanEnd : {"error", "last-batch"}) {
        SCOPED_TRACE(scanEnd);
        json net = BaseNetwork();
        json& server = net["servers"][0];
        server["scanEnd"] = scanEnd;
        server["volumes"][0]["entries"].push_back("BIG.DAT");
        Texts expected;
        for (int n = 101; n <= 250; ++n) {
            json open = json::array({"SYS:BIG.DAT"});
            expected.push_back(std::to_string(n));
            if (n == 103) {  // open twice: listed twice
                open.push_back("SYS:BIG.DAT");
                expected.push_back(std::to_string(n));
            }
            server["connections"].push_back(
                {{"number", n}, {"user", "U" + std::to_string(n)}, {"open", open}});
        }
        Load(net.dump());
        window.showFullName = false;
        Run("FS1\\SYS:BIG.DAT");
        EXPECT_EQ(prompts.Texts(), Texts{});
        EXPECT_EQ(UsersColumn(0), expected);
        EXPECT_EQ(window.status, "151 Open Handle(s)");
        users.Clear();
    }
}

// ---- the walk -----------------------------------------------------------------

TEST_F(OpenFileQueryTest, EachPathKindChecksItsFiles) {
    const struct {
        const char* path;
        bool checkSub;
        Texts checked;
    } cases[] = {
        // A wildcard path: the directory's files in server order, no directories.
        {"FS1\\SYS:ACCT\\*.*", false,
         {"FS1\\SYS:ACCT\\LEDGER.DAT", "FS1\\SYS:ACCT\\Quarterly Report.doc",
          "FS1\\SYS:ACCT\\AUDIT.DAT", "FS1\\SYS:ACCT\\NOTES.TXT", "FS1\\SYS:ACCT\\NOTE1.TXT"}},
        // ARCHIVE.DAT matches the pattern but is a directory.
        {"FS1\\SYS:ACCT\\*.DAT", false, {"FS1\\SYS:ACCT\\LEDGER.DAT", "FS1\\SYS:ACCT\\AUDIT.DAT"}},
        // Files first, then each subdirectory walked whole, to any depth.
        {"FS1\\SYS:ACCT\\*.DAT", true,
         {"FS1\\SYS:ACCT\\LEDGER.DAT", "FS1\\SYS:ACCT\\AUDIT.DAT",
          "FS1\\SYS:ACCT\\ARCHIVE.DAT\\OLD.DAT", "FS1\\SYS:ACCT\\SUB\\DEEP.DAT",
          "FS1\\SYS:ACCT\\SUB\\INNER\\Z.DAT"}},
        {"F:\\ACCT\\*.TXT", true,
         {"FS1\\SYS:ACCT\\NOTES.TXT", "FS1\\SYS:ACCT\\NOTE1.TXT",
          "FS1\\SYS:ACCT\\SUB\\NOTE3.TXT"}},
        // A file path is never walked into subdirectories.
        {"FS1\\SYS:ACCT\\LEDGER.DAT", true, {"FS1\\SYS:ACCT\\LEDGER.DAT"}},
        {"F:\\ACCT\\ledger.dat", true, {"FS1\\SYS:ACCT\\LEDGER.DAT"}},
        // "?" alone makes no wildcard path: a file path when it matches.
        {"FS1\\SYS:ACCT\\NOTE?.TXT", true, {"FS1\\SYS:ACCT\\NOTES.TXT", "FS1\\SYS:ACCT\\NOTE1.TXT"}},
        // A directory path: all its files, never its subdirectories.
        {"FS1\\SYS:ACCT\\SUB", true, {"FS1\\SYS:ACCT\\SUB\\DEEP.DAT", "FS1\\SYS:ACCT\\SUB\\NOTE3.TXT"}},
        {"FS1\\SYS:ACCT\\SUB\\", false,
         {"FS1\\SYS:ACCT\\SUB\\DEEP.DAT", "FS1\\SYS:ACCT\\SUB\\NOTE3.TXT"}},
        // A file in the volume root: its name starts after the volume's colon.
        {"FS1\\SYS:README.TXT", false, {"FS1\\SYS:\\README.TXT"}},
        {"F:\\README.TXT", false, {"FS1\\SYS:\\README.TXT"}},
        {"FS1/SYS:*.TXT", false, {"FS1\\SYS:\\README.TXT"}},
        // "/" between directories, as the client takes it.
        {"FS1/SYS:ACCT/*.TXT", false, {"FS1\\SYS:ACCT\\NOTES.TXT", "FS1\\SYS:ACCT\\NOTE1.TXT"}},
        {"F:/ACCT/LEDGER.DAT", true, {"FS1\\SYS:ACCT\\LEDGER.DAT"}},
        {"FS1\\SYS:EMPTY\\*.*", true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        window = RecordingWindow();
        window.checkSub = c.checkSub;
        LoadWith(json::array());
        Run(c.path);
        EXPECT_EQ(window.Checked(), c.checked);
        EXPECT_EQ(window.pickList, Texts{c.path});
        EXPECT_EQ(found, !c.checked.empty());
        const Texts boxes = c.checked.empty() ? Texts{kNoMatch} : Texts{};
        EXPECT_EQ(prompts.Texts(), boxes);
        prompts.Reset();
    }
}

TEST_F(OpenFileQueryTest, ShowsLongNamesByTheirShortPathAndUpperCasesDosVolumes) {
    LoadWith(json::array());
    Run("FS1\\SYS:ACCT\\quarterly report.doc");
    ASSERT_EQ(users.RowCount(), 1u);
    EXPECT_EQ(users.Cell(0, Col(UsersColumn::FileName)), "SYS:ACCT\\QUARTE~1.DOC");
    EXPECT_EQ(locks.Cell(0, Col(LocksColumn::FileName)), "SYS:ACCT\\QUARTE~1.DOC");

    users.Clear();
    Run("G:\\payroll.db");  // a volume without long names keeps its own path
    ASSERT_EQ(users.RowCount(), 1u);
    EXPECT_EQ(users.Cell(0, Col(UsersColumn::FileName)), "DATA:PAYROLL.DB");
    EXPECT_EQ(prompts.Texts(), Texts{});
}

TEST_F(OpenFileQueryTest, NamesFromTheServerAreShownAsWorkstationText) {
    json net = BaseNetwork();
    json& server = net["servers"][0];
    server["volumes"][0]["entries"].push_back("Gr\u00fc\u00dfe.txt");
    server["connections"].push_back({{"number", 30},
                                     {"user", "M\u00dcLLER.ACME"},
                                     {"nds", false},
                                     {"open", json::array({"SYS:Gr\u00fc\u00dfe.txt"})}});
    Load(net.dump());
    Run("FS1\\SYS:Gr\u00fc\u00dfe.*");  // the path box holds UTF-8
    EXPECT_EQ(prompts.Texts(), Texts{});
    EXPECT_EQ(window.Checked(), Texts{"FS1\\SYS:\\Gr\u00fc\u00dfe.txt"});
    ASSERT_EQ(users.RowCount(), 1u);
    EXPECT_EQ(users.Cell(0, Col(UsersColumn::UserName)), "M\u00dcLLER");  // bindery fallback
    EXPECT_EQ(users.Cell(0, Col(UsersColumn::FileName)), "SYS:\\GR\u00fc\u00dfE.TXT");
}

TEST_F(OpenFileQueryTest, AFileNobodyHasOpenCountsAsFound) {
    LoadWith(json::array());
    Run("FS1\\SYS:ACCT\\NOTES.TXT");
    EXPECT_TRUE(found);
    EXPECT_EQ(prompts.Texts(), Texts{});
    EXPECT_EQ(window.status, "0 Open Handle(s)");
    EXPECT_EQ(window.page, QueryWindow::Page::Users);
    EXPECT_FALSE(prompts.busy);
    EXPECT_NE(window.currentConn, 0u);
}

TEST_F(OpenFileQueryTest, AWildcardMatchingNothingLeavesThePageAndReportsIt) {
    LoadWith(json::array());
    window.page = QueryWindow::Page::Path;
    window.status = "3 Open Handle(s)";
    Run("FS1\\SYS:ACCT\\*.XYZ");
    EXPECT_EQ(window.statusHistory, Texts{"0 Open Handle(s)"});
    EXPECT_EQ(prompts.Texts(), Texts{kNoMatch});
    EXPECT_EQ(window.page, QueryWindow::Page::Path);
    EXPECT_EQ(window.connectionSets, 0);
}

TEST_F(OpenFileQueryTest, AQueryStartedWhileOneRunsIsIgnored) {
    LoadWith(json::array());
    OpenFileQuery query(*network, prompts, window, users, locks);
    int nested = 0;
    window.onStatus = [&] {
        ++nested;
        query.GetOpenFilesData();
    };
    window.path = "FS1\\SYS:ACCT\\LEDGER.DAT";
    query.GetOpenFilesData();
    EXPECT_GE(nested, 1);
    EXPECT_EQ(window.pickList.size(), 1u);
    EXPECT_EQ(users.RowCount(), 5u);

    // Once it has ended, the next query runs.
    window.onStatus = nullptr;
    query.GetOpenFilesData();
    EXPECT_EQ(window.pickList.size(), 2u);
}

TEST_F(OpenFileQueryTest, ANewQueryReplacesTheRowsOfTheLastOne) {
    LoadWith(json::array());
    Run("FS1\\SYS:ACCT\\LEDGER.DAT");
    Run("FS1\\SYS:README.TXT");
    EXPECT_EQ(UsersColumn(0), Texts{"9"});
    EXPECT_EQ(locks.RowCount(), 0u);
    EXPECT_EQ(window.pickList, (Texts{"FS1\\SYS:ACCT\\LEDGER.DAT", "FS1\\SYS:README.TXT"}));
}

// ---- failures -------------------------------------------------------------------

TEST_F(OpenFileQueryTest, EachFailureShowsItsBoxAndTheWalkGoesOn) {
    const struct {
        const char* what;
        const char* faults;
        const char* path;
        Texts boxes;
        std::size_t usersRows;
        std::size_t locksRows;
        std::optional<QueryWindow::Page> page;
        const char* lastChecked = nullptr;  // where given: the walk got that far
    } cases[] = {
        {"the path cannot be parsed", R"([{"call":"NWParsePath","code":"0x880F"}])",
         "FS1\\SYS:ACCT\\*.DAT", {"NWParsePath\n Code : 880f", kNoMatch}, 0, 0, std::nullopt},
        {"the directory cannot be resolved", R"([{"call":"NWParseNetWarePath","code":"0x899C","times":1}])",
         "FS1\\SYS:ACCT\\*.DAT", {"NWParseNetwarePath\n Code : 899c", kNoMatch}, 0, 0, std::nullopt},
        {"a path without \"*\" cannot be resolved",
         R"([{"call":"NWParseNetWarePath","code":"0x899C","times":1}])", "FS1\\SYS:ACCT\\LEDGER.DAT",
         {"NWParseNetwarePath\n Code : 899c", kNoMatch}, 0, 0, std::nullopt},
        {"no directory handle", R"([{"call":"NWAllocTempNSDirHandle2","code":"0x899D"}])",
         "FS1\\SYS:ACCT\\*.DAT", {"NWAllocTempNSDirHandle2\n Code : 899d", kNoMatch}, 0, 0,
         std::nullopt},
        {"the directory scan breaks after one file",
         R"([{"call":"NWScanNSEntryInfo","code":"0x8801","after":1}])", "FS1\\SYS:ACCT\\*.DAT",
         {"NWScanNSEntryInfo\n Code : 8801"}, 5, 2, QueryWindow::Page::Users},
        {"the file's path cannot be resolved",
         R"([{"call":"NWParseNetWarePath","code":"0x8836","after":1,"times":1}])",
         "FS1\\SYS:ACCT\\LEDGER.*", {"Invalid NetWare Path\n Code : 8836", kNoMatch}, 0, 0,
         QueryWindow::Page::Path},
        {"the file cannot be scanned",
         R"([{"call":"NWIntScanFileInformation2","code":"0x89FF"}])", "FS1\\SYS:ACCT\\LEDGER.*",
         {"Invalid Path/File \n Code : 89ff", kNoMatch}, 0, 0, QueryWindow::Page::Path},
        {"no owning name space", R"([{"call":"NWGetOwningNameSpace","code":"0x8998"}])",
         "FS1\\SYS:ACCT\\LEDGER.*", {"Cannot Get Owning Name Space\n Code : 8998", kNoMatch}, 0, 0,
         QueryWindow::Page::Path},
        {"no DOS path", R"([{"call":"NWGetNSPath","code":"0x8901"}])", "FS1\\SYS:ACCT\\LEDGER.*",
         {"Error with nwgetnspath \n Code : 8901", kNoMatch}, 0, 0, QueryWindow::Page::Path},
        {"no DOS name", R"([{"call":"NWGetLongName","code":"0x89FF"}])", "FS1\\SYS:ACCT\\LEDGER.*",
         {"Error with nwgetlongname\n Code : 89ff", kNoMatch}, 0, 0, QueryWindow::Page::Path},
        {"no rights to scan connections",
         R"([{"call":"NWScanConnectionsUsingFile","code":"0x89C6"}])", "FS1\\SYS:ACCT\\LEDGER.*",
         {"Insufficent Rights to check open files", kNoMatch}, 0, 0, QueryWindow::Page::Path},
        {"the connection scan fails",
         R"([{"call":"NWScanConnectionsUsingFile","code":"0x8801"}])", "FS1\\SYS:ACCT\\LEDGER.*",
         {"Problem Getting Connections\n Code : 8801", kNoMatch}, 0, 0, QueryWindow::Page::Path},
        {"the lock scan fails after one lock",
         R"([{"call":"ScanPhysicalLocks","code":"0x8801","after":1}])", "FS1\\SYS:ACCT\\LEDGER.*",
         {"Problem Getting Locks\n Code : 8801", kNoMatch}, 5, 1, QueryWindow::Page::Path},
        // The last file checked decides the page: LEDGER.DAT fails, AUDIT.DAT passes.
        {"a failed file followed by a good one",
         R"([{"call":"NWGetNSPath","code":"0x8901","path":"SYS:ACCT\\LEDGER.DAT"}])",
         "FS1\\SYS:ACCT\\*.DAT", {"Error with nwgetnspath \n Code : 8901"}, 0, 0,
         QueryWindow::Page::Users},
        {"good files followed by a failed one",
         R"([{"call":"NWGetNSPath","code":"0x8901","path":"SYS:ACCT\\SUB\\INNER\\Z.DAT"}])",
         "FS1\\SYS:ACCT\\*.DAT", {"Error with nwgetnspath \n Code : 8901"}, 5, 2,
         QueryWindow::Page::Path, "FS1\\SYS:ACCT\\SUB\\INNER\\Z.DAT"},
        // A subdirectory that cannot be walked ends its own level only.
        {"a subdirectory gets no directory handle",
         R"([{"call":"NWAllocTempNSDirHandle2","code":"0x899D","path":"SYS:ACCT\\ARCHIVE.DAT"}])",
         "FS1\\SYS:ACCT\\*.DAT", {"NWAllocTempNSDirHandle2\n Code : 899d"}, 5, 2,
         QueryWindow::Page::Users, "FS1\\SYS:ACCT\\SUB\\INNER\\Z.DAT"},
        // The fifth scan call is the subdirectory pass's first: the file pass
        // returned LEDGER.DAT, ARCHIVE.DAT, AUDIT.DAT and its end.
        {"the subdirectory pass breaks",
         R"([{"call":"NWScanNSEntryInfo","code":"0x8801","after":4,"times":1}])",
         "FS1\\SYS:ACCT\\*.DAT", {"NWScanNSEntryInfo\n Code : 8801"}, 5, 2,
         QueryWindow::Page::Users, "FS1\\SYS:ACCT\\AUDIT.DAT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        window = RecordingWindow();
        prompts.Reset();
        users.Clear();
        locks.Clear();
        LoadWith(json::parse(c.faults));
        window.checkSub = true;
        Run(c.path);
        EXPECT_EQ(prompts.Texts(), c.boxes);
        EXPECT_EQ(ErrorOwners(prompts),
                  std::vector<Prompts::Owner>(c.boxes.size(), Prompts::Owner::MainWindow));
        EXPECT_EQ(users.RowCount(), c.usersRows);
        EXPECT_EQ(locks.RowCount(), c.locksRows);
        EXPECT_EQ(window.page, c.page);
        if (c.lastChecked) {
            ASSERT_FALSE(window.Checked().empty());
            EXPECT_EQ(window.Checked().back(), c.lastChecked);
        }
        EXPECT_EQ(window.status, std::to_string(c.usersRows) + " Open Handle(s)");
        EXPECT_FALSE(prompts.busy);
        EXPECT_FALSE(window.running);
        EXPECT_EQ(network->OpenDirHandles(), 0);
    }
}

// The hourglass comes with the query and with every walk level; a failed file
// gives the normal pointer back until the next level, and the query ends with
// it. "B" busy, "N" normal, "E" an error box.
TEST_F(OpenFileQueryTest, TheBusyPointerFollowsTheWalkLevelsAndFailedFiles) {
    LoadWith(json::parse(
        R"([{"call":"NWGetNSPath","code":"0x8901","path":"SYS:ACCT\\ARCHIVE.DAT\\OLD.DAT"}])"));
    window.checkSub = true;
    Run("FS1\\SYS:ACCT\\*.DAT");
    std::string pointer;
    for (const ScriptedPrompts::Shown& shown : prompts.shown) {
        if (shown.kind == ScriptedPrompts::Kind::Busy) pointer += 'B';
        if (shown.kind == ScriptedPrompts::Kind::NotBusy) pointer += 'N';
        if (shown.kind == ScriptedPrompts::Kind::Error) pointer += 'E';
    }
    // Query, ACCT, ARCHIVE.DAT (OLD.DAT fails), SUB, INNER, end.
    EXPECT_EQ(pointer, "BBBENBBN");
    EXPECT_FALSE(prompts.busy);
}

TEST_F(OpenFileQueryTest, ADirectoryHandedToTheFileCheckIsRefused) {
    LoadWith(json::array());
    OpenFileQuery query(*network, prompts, window, users, locks);
    query.GetOpenFileData("FS1\\SYS:ACCT\\SUB");
    EXPECT_EQ(prompts.Texts(), Texts{"Invalid Path"});
    EXPECT_EQ(window.page, QueryWindow::Page::Path);
    EXPECT_FALSE(query.FilesFound());
    EXPECT_EQ(network->CallCounts()["NWScanConnectionsUsingFile"], 0u);
}

}  // namespace
}  // namespace querytest
