// The browser on the simulated network: discovery of drives and servers under
// every option, lazy expansion with its refusals, the file list and the path
// texts the tree and the list put into the path box.

#include <gtest/gtest.h>

#include <ostream>

#include "tests/browser/browser_test_support.h"

namespace browsertest {
namespace {

const std::string kDriveF = "F:  (FS1\\SYS:)";
const std::string kDriveG = "G:  (FS1\\DATA:APPS)";

struct DiscoveryCase {
    const char* name;
    friend void PrintTo(const DiscoveryCase& c, std::ostream* os) { *os << c.name; }
    bool showDrives;
    bool showServers;
    bool useIPX;
    bool useIP;
    Texts topLevel;
};

class DiscoveryTest : public BrowserTest, public ::testing::WithParamInterface<DiscoveryCase> {};

TEST_P(DiscoveryTest, ListsWhatTheOptionsAskFor) {
    const DiscoveryCase& c = GetParam();
    Load();
    window.showDrives = c.showDrives;
    window.showServers = c.showServers;
    window.useIPX = c.useIPX;
    window.useIP = c.useIP;
    EXPECT_EQ(browser->LoadDrives(), 0);

    EXPECT_EQ(Children(nullptr), c.topLevel);
    for (const auto& node : tree.Children(nullptr)) EXPECT_EQ(Children(node.get()), Texts{"Working..."});
    EXPECT_EQ(window.statusShown, 1);
    EXPECT_FALSE(window.statusVisible);
    EXPECT_EQ(prompts.Texts(), Texts{});
}

INSTANTIATE_TEST_SUITE_P(
    Options, DiscoveryTest,
    ::testing::Values(
        DiscoveryCase{"NothingShown", false, false, true, true, {}},
        DiscoveryCase{"ServersWithoutAMethod", true, true, false, false, {kDriveF, kDriveG}},
        // FS1 comes as "FS1" by IPX and as "fs1" by IP: listed once.
        DiscoveryCase{"BothMethods", true, true, true, true, {kDriveF, kDriveG, "FS1", "FS2", "HB1"}},
        DiscoveryCase{"IpOnlyShowsTheNameItReports", false, true, false, true, {"fs1", "FS2"}},
        DiscoveryCase{"IpxOnly", false, true, true, false, {"FS1", "HB1"}}),
    [](const ::testing::TestParamInfo<DiscoveryCase>& info) { return info.param.name; });

TEST_F(BrowserTest, StatusLinesNameEveryLetterThenEveryServer) {
    Load();
    browser->LoadDrives();
    Texts expected;
    for (char letter = 'A'; letter <= 'Z'; ++letter) expected.push_back(std::string("Loading Drive ") + letter + ":\\");
    expected.insert(expected.end(), {"Loading IPX Servers", "Loading Server FS1", "Loading Server HB1",
                                     "Loading IP Servers", "Loading Server FS2"});
    EXPECT_EQ(window.statusTexts, expected);
}

TEST_F(BrowserTest, RecordsCarryWhatEachKindNeeds) {
    Load();
    browser->LoadDrives();
    const TBrowserNode& drive = *Find(nullptr, kDriveF)->record;
    EXPECT_EQ(drive.driveBased, 1);
    EXPECT_EQ(drive.path, "F:\\");
    EXPECT_EQ(drive.serverName, "FS1");
    EXPECT_EQ(drive.connInfo.serverName, "FS1");
    EXPECT_EQ(drive.nameSpace, kNameSpaceLong);
    EXPECT_EQ(Find(nullptr, kDriveG)->record->nameSpace, kNameSpaceDOS);
    const TreeNode* server = Find(nullptr, "FS1");
    EXPECT_EQ(server->image, NodeImage::Server);
    EXPECT_EQ(server->record->driveBased, 0);
    EXPECT_EQ(server->record->level, 0);
    EXPECT_EQ(server->record->path, "FS1");
    EXPECT_EQ(server->record->connInfo.serverName, "");
}

TEST_F(BrowserTest, ReloadReleasesEveryRecordOnceAndLeavesListAndPathBox) {
    Load();
    browser->LoadDrives();
    Walk({"FS1", "SYS", "ACCT"});
    const std::size_t before = tree.RecordsAttached();
    EXPECT_GT(before, 5u);
    browser->LoadDrives();
    EXPECT_EQ(tree.RecordsReleased(), before);
    EXPECT_EQ(tree.RecordsAttached() - tree.RecordsReleased(), tree.Children(nullptr).size());
    EXPECT_EQ(files.items, Texts{"previous file"});
    EXPECT_EQ(window.pathText, "previous path");
}

TEST_F(BrowserTest, ConnectionInformationFailureStillListsTheDrive) {
    LoadWithFault({{"call", "NWCCGetAllConnInfo"}, {"code", "0x880F"}, {"times", 1}});
    window.showServers = false;
    browser->LoadDrives();
    EXPECT_EQ(prompts.Texts(), Texts{"Cannot Get Connection Information\n Code : 880f"});
    EXPECT_EQ(Children(nullptr), (Texts{"F:  (\\SYS:)", kDriveG}));
    EXPECT_EQ(Find(nullptr, "F:  (\\SYS:)")->record->serverName, "");
}

TEST_F(BrowserTest, PrimaryConnectionFailureListsNoIpxServers) {
    LoadWithFault({{"call", "NWCCOpenConnByRef"}, {"code", "0x8801"}});
    window.showDrives = false;
    browser->LoadDrives();
    EXPECT_EQ(prompts.Texts(), Texts{"NWCCOpenConnByRef() \n Code : 8801"});
    EXPECT_EQ(Children(nullptr), (Texts{"fs1", "FS2"}));
}

// ---- expansion ---------------------------------------------------------------

TEST_F(BrowserTest, ServerListsVolumesUpToTheFirstGap) {
    Load();
    browser->LoadDrives();
    TreeNode* server = Find(nullptr, "FS1");
    ASSERT_TRUE(browser->tvwDrivesExpanding(server));
    // ARCH has number 3, after the gap at 2.
    EXPECT_EQ(Children(server), (Texts{"DATA", "SYS"}));
    const TBrowserNode& sys = *Find(server, "SYS")->record;
    EXPECT_EQ(sys.level, 1);
    EXPECT_EQ(sys.path, "FS1\\SYS:");
    EXPECT_EQ(sys.nameSpace, kNameSpaceLong);
    EXPECT_EQ(sys.connInfo.serverName, "FS1");
    EXPECT_EQ(Find(server, "DATA")->record->nameSpace, kNameSpaceDOS);
    EXPECT_EQ(Children(Find(server, "SYS")), Texts{"Working..."});
    EXPECT_EQ(window.loginDetails, Texts{});

    // Loaded once: expanding again reads nothing.
    const auto calls = network->CallCounts()["GetVolumeName"];
    EXPECT_TRUE(browser->tvwDrivesExpanding(server));
    EXPECT_EQ(network->CallCounts()["GetVolumeName"], calls);
}

TEST_F(BrowserTest, UnresolvableVolumeIsRemovedAndEndsTheListing) {
    LoadWithFault({{"call", "NWParseNetWarePath"}, {"path", "FS1\\DATA:"}, {"code", "0x8801"}});
    browser->LoadDrives();
    TreeNode* server = Find(nullptr, "FS1");
    EXPECT_TRUE(browser->tvwDrivesExpanding(server));
    EXPECT_EQ(Children(server), Texts{"SYS"});
    EXPECT_EQ(prompts.Texts(), Texts{"NWParseNetwarePath\n Code : 8801"});
}

TEST_F(BrowserTest, DirectoriesOnlyInTheTreeInTheirOrder) {
    Load();
    browser->LoadDrives();
    TreeNode* acct = Walk({"FS1", "SYS", "ACCT"});
    TreeNode* sys = acct->parent;
    EXPECT_EQ(Children(sys), (Texts{"ACCT", "EMPTY", "PUBLIC"}));
    ASSERT_TRUE(browser->tvwDrivesExpanding(acct));
    EXPECT_EQ(Children(acct), (Texts{"2006", "2007", "_OLD"}));
    const TBrowserNode& year = *Find(acct, "2006")->record;
    EXPECT_EQ(year.level, 2);
    EXPECT_EQ(year.path, "FS1\\SYS:\\ACCT\\2006");
    EXPECT_EQ(year.serverName, "FS1");
    EXPECT_EQ(year.nameSpace, kNameSpaceLong);

    // A directory without subdirectories loses its expand mark.
    TreeNode* empty = Find(sys, "EMPTY");
    EXPECT_TRUE(browser->tvwDrivesExpanding(empty));
    EXPECT_EQ(Children(empty), Texts{});
    EXPECT_EQ(prompts.Count(ScriptedPrompts::Kind::Busy), prompts.Count(ScriptedPrompts::Kind::NotBusy));
}

TEST_F(BrowserTest, DriveExpandsThroughTheWorkstationsFiles) {
    Load();
    window.showServers = false;
    browser->LoadDrives();
    TreeNode* drive = Find(nullptr, kDriveF);
    ASSERT_TRUE(browser->tvwDrivesExpanding(drive));
    EXPECT_EQ(Children(drive), (Texts{"ACCT", "EMPTY", "PUBLIC"}));
    TreeNode* acct = Find(drive, "ACCT");
    EXPECT_EQ(acct->record->driveBased, 1);
    EXPECT_EQ(acct->record->path, "F:\\ACCT");
    ASSERT_TRUE(browser->tvwDrivesExpanding(acct));
    EXPECT_EQ(Children(acct), (Texts{"2006", "2007", "_OLD"}));
    EXPECT_EQ(Find(acct, "2006")->record->path, "F:\\ACCT\\2006");
    EXPECT_EQ(network->CallCounts()["NWScanNSEntryInfo"], 0u);
}

struct RefusalCase {
    const char* name;
    friend void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }
    nlohmann::json fault;
    Texts path;  // the node to expand, from the top
    std::string box;
};

class RefusedExpansionTest : public BrowserTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedExpansionTest, KeepsThePlaceholderAndLoadsOnRetry) {
    const RefusalCase& c = GetParam();
    LoadWithFault(c.fault);
    browser->LoadDrives();
    TreeNode* node = nullptr;
    for (const std::string& text : c.path) {
        if (node) browser->tvwDrivesExpanding(node);
        node = Find(node, text);
    }
    prompts.Reset();
    EXPECT_FALSE(browser->tvwDrivesExpanding(node));
    EXPECT_EQ(Children(node), Texts{"Working..."});
    EXPECT_EQ(prompts.Texts(), Texts{c.box});
    EXPECT_TRUE(browser->tvwDrivesExpanding(node));
    EXPECT_NE(Children(node), Texts{"Working..."});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RefusedExpansionTest,
    ::testing::Values(
        RefusalCase{"ServerCannotBeOpened",
                    {{"call", "NWCCOpenConnByName"}, {"server", "FS1"}, {"code", "0x880F"}, {"times", 1}},
                    {"FS1"}, "NWCCOpenConnByName() \n Code : 880f"},
        RefusalCase{"ConnectionUndescribed",
                    // The two drives' calls come first.
                    {{"call", "NWCCGetAllConnInfo"}, {"server", "FS1"}, {"code", "0x8801"}, {"after", 2}, {"times", 1}},
                    {"FS1"}, "NWCCGetAllConnInfo() \n Code : 8801"},
        RefusalCase{"DirectoryPathUnresolved",
                    {{"call", "NWParseNetWarePath"}, {"path", "FS1\\SYS:\\ACCT"}, {"code", "0x899C"}, {"times", 1}},
                    {"FS1", "SYS", "ACCT"}, "NWParseNetwarePath\n Code : 899c"},
        RefusalCase{"NoDirectoryHandle",
                    {{"call", "NWAllocTempNSDirHandle2"}, {"code", "0x899D"}, {"times", 1}},
                    {"FS1", "SYS"}, "NWAllocTempNSDirHandle2\n Code : 899d"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

TEST_F(BrowserTest, ScanFailingHalfwayKeepsTheDirectoriesSoFar) {
    // SYS holds two files, PUBLIC, ACCT and EMPTY: the scan fails at ACCT.
    LoadWithFault({{"call", "NWScanNSEntryInfo"}, {"after", 3}, {"code", "0x8801"}});
    browser->LoadDrives();
    TreeNode* sys = Walk({"FS1", "SYS"});
    prompts.Reset();
    EXPECT_TRUE(browser->tvwDrivesExpanding(sys));
    EXPECT_EQ(prompts.Texts(), Texts{"NWScanNSEntryInfo\n Code : 8801"});
    EXPECT_EQ(Children(sys), (Texts{"PUBLIC"}));
    EXPECT_EQ(network->OpenDirHandles(), 0);
    EXPECT_FALSE(prompts.busy);
}

// ---- selection and the file list -------------------------------------------

TEST_F(BrowserTest, SelectingAServerEmptiesTheListAndNamesIt) {
    Load();
    browser->LoadDrives();
    Select(Find(nullptr, "FS1"));
    EXPECT_EQ(files.items, Texts{});
    EXPECT_EQ(window.pathText, "FS1\\*.*");
    EXPECT_EQ(window.serverPageUpdates, 1);
    EXPECT_EQ(network->CallCounts()["NWAllocTempNSDirHandle2"], 0u);
}

struct ListingCase {
    const char* name;
    friend void PrintTo(const ListingCase& c, std::ostream* os) { *os << c.name; }
    Texts path;
    Texts files;
    std::string pathBox;
};

class ListingTest : public BrowserTest, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(ListingTest, ListsPlainFilesAndSetsThePathBox) {
    const ListingCase& c = GetParam();
    Load();
    browser->LoadDrives();
    TreeNode* node = nullptr;
    for (const std::string& text : c.path) {
        if (node) {
            ASSERT_TRUE(browser->tvwDrivesExpanding(node));
        }
        node = Find(node, text);
    }
    Select(node);
    EXPECT_EQ(files.items, c.files);
    EXPECT_EQ(window.pathText, c.pathBox);
    EXPECT_NE(session.currentConn, 0u);
    EXPECT_EQ(prompts.Texts(), Texts{});
    EXPECT_FALSE(prompts.busy);
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, ListingTest,
    ::testing::Values(
        ListingCase{"Drive", {kDriveF}, {"README.TXT", "autoexec.bat"}, "F:\\*.*"},
        ListingCase{"DriveDirectory", {kDriveF, "ACCT"}, {"LEDGER.DAT", "Quarterly Report.doc"}, "F:\\ACCT\\*.*"},
        ListingCase{"Volume", {"FS1", "SYS"}, {"README.TXT", "autoexec.bat"}, "FS1\\SYS:\\*.*"},
        ListingCase{"ServerDirectory", {"FS1", "SYS", "PUBLIC"}, {"LOGIN.EXE"}, "FS1\\SYS:\\PUBLIC\\*.*"},
        ListingCase{"NoFiles", {"FS1", "SYS", "EMPTY"}, {}, "FS1\\SYS:\\EMPTY\\*.*"}),
    [](const ::testing::TestParamInfo<ListingCase>& info) { return info.param.name; });

TEST_F(BrowserTest, ListingFailuresKeepTheListAndTheConnection) {
    LoadWithFault({{"call", "NWParseNetWarePath"}, {"path", "FS1\\SYS:\\PUBLIC"}, {"code", "0x899C"}});
    browser->LoadDrives();
    TreeNode* pub = Walk({"FS1", "SYS", "PUBLIC"});
    session.currentConn = 77;
    Select(pub);
    EXPECT_EQ(prompts.Texts(), Texts{"NWParseNetwarePath\n Code : 899c"});
    EXPECT_EQ(files.items, Texts{"previous file"});
    EXPECT_EQ(session.currentConn, 77u);
    EXPECT_EQ(window.pathText, "FS1\\SYS:\\PUBLIC\\*.*");
}

TEST_F(BrowserTest, FileChosenPutsItsFullPathInThePathBox) {
    Load();
    browser->LoadDrives();
    TreeNode* pub = Walk({"FS1", "SYS", "PUBLIC"});
    Select(pub);
    const std::string file = "LOGIN.EXE";
    browser->lvwFilesChange(&file);
    EXPECT_EQ(window.pathText, "FS1\\SYS:\\PUBLIC\\LOGIN.EXE");
    browser->lvwFilesChange(nullptr);
    EXPECT_EQ(window.pathText, "FS1\\SYS:\\PUBLIC\\");

    Select(Find(nullptr, kDriveF));
    browser->lvwFilesChange(&file);
    EXPECT_EQ(window.pathText, "F:\\LOGIN.EXE");

    // After a reload nothing is selected: the stale list changes nothing.
    browser->LoadDrives();
    window.selected = nullptr;
    browser->lvwFilesChange(&file);
    EXPECT_EQ(window.pathText, "F:\\LOGIN.EXE");
}

TEST_F(BrowserTest, NoSelectionDoesNothing) {
    Load();
    browser->tvwDrivesChange(nullptr);
    EXPECT_EQ(window.serverPageUpdates, 0);
    EXPECT_EQ(window.pathText, "previous path");
}

}  // namespace
}  // namespace browsertest
