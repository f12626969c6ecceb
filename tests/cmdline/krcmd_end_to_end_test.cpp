// The built krcmd on small network descriptions: its exact standard output,
// its exit status, and what the run left in the network.

#include <signal.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/cmdline/krcmd_process.h"
#include "tests/cmdline/network_fixture.h"

namespace krcmd::test {
namespace {

using nlohmann::json;

// FS1 has long names and the module; FS2 neither. Connection 12 holds a
// hidden system file and files two levels down; JAN.DAT is open by nobody.
json BaseNetwork() {
    return json::parse(R"({
      "workstation": {
        "drives": { "F": "FS1\\SYS:", "G": "FS2\\DATA:" },
        "bindery": { "FS1": "SUPERVISOR", "FS2": "SUPERVISOR" }
      },
      "servers": [
        { "name": "FS1", "module": true, "operators": ["SUPERVISOR"],
          "volumes": [ { "name": "SYS", "number": 0, "longNames": true, "entries": [
            { "name": "ACCT", "entries": [
              "LEDGER.DAT",
              { "name": "Quarterly Report.doc", "dos": "QUARTE~1.DOC" },
              { "name": "AUDIT.DAT", "hidden": true, "system": true },
              { "name": "2007", "entries": [
                { "name": "Q1", "hidden": true, "system": true,
                  "entries": [ "REPORT.DAT", "NOTES.TXT" ] },
                "JAN.DAT", "FEB.DAT" ] } ] } ] } ],
          "connections": [
            { "number": 0, "open": ["SYS:ACCT\\LEDGER.DAT"] },
            { "number": 5, "user": "JSMITH",
              "open": ["SYS:ACCT\\LEDGER.DAT", "SYS:ACCT\\Quarterly Report.doc"] },
            { "number": 12, "user": "GUEST",
              "open": ["SYS:ACCT\\LEDGER.DAT", "SYS:ACCT\\AUDIT.DAT",
                       "SYS:ACCT\\2007\\Q1\\REPORT.DAT", "SYS:ACCT\\2007\\FEB.DAT"] } ] },
        { "name": "FS2", "module": true, "operators": ["SUPERVISOR"],
          "volumes": [ { "name": "DATA", "number": 1, "entries": [ "PAYROLL.DB" ] } ],
          "connections": [
            { "number": 300, "user": "PAYCLERK", "open": ["DATA:PAYROLL.DB"] } ] }
      ] })");
}

json& Server(json& network, const std::string& name) {
    for (json& s : network["servers"]) {
        if (s["name"] == name) return s;
    }
    throw std::logic_error("no server " + name);
}

json& Connection(json& network, const std::string& server, int number) {
    for (json& c : Server(network, server)["connections"]) {
        if (c["number"] == number) return c;
    }
    throw std::logic_error("no connection");
}

void AddFault(json& network, json fault) { network["faults"].push_back(std::move(fault)); }

bool Alive(const json& after, const std::string& server, int number) {
    return !FindConnection(after, server, number).is_null();
}

std::vector<std::string> Inbox(const json& after, const std::string& server, int number) {
    return FindConnection(after, server, number).value("inbox", std::vector<std::string>());
}

std::vector<std::string> OpenFiles(const json& after, const std::string& server, int number) {
    std::vector<std::string> files;
    for (const json& f : FindConnection(after, server, number).value("open", json::array())) {
        files.push_back(f.is_string() ? f.get<std::string>() : f.value("path", ""));
    }
    return files;
}

const char* const kLedgerLines =
    "  0  F:\\ACCT\\LEDGER.DAT    Netware Operating System\n"
    "  5  JSMITH                      F:\\ACCT\\LEDGER.DAT\n"
    " 12  GUEST                       F:\\ACCT\\LEDGER.DAT\n";

struct RunCase {
    const char* name;
    std::vector<std::string> arguments;
    std::function<void(json&)> change;  // on the base network before the run
    std::string out;
    int exitCode;
    std::function<void(const json&)> check;  // on the network after the run
};

// gtest names the failing case by its name, not its bytes.
void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

void NoChange(json&) {}
void NoCheck(const json&) {}

class KrcmdRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(KrcmdRun, PrintsExactlyAndLeavesTheNetworkAsExpected) {
    const RunCase& c = GetParam();
    json network = BaseNetwork();
    network["faults"] = json::array();
    c.change(network);
    NetworkFile file(network);

    const ProcessResult result = RunKrcmd(c.arguments, file.path());

    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.err, "") << "nothing goes to standard error";
    c.check(file.Read());
}

const RunCase kRunCases[] = {
    {"NoArgumentsShowsUsage", {}, NoChange, kUsage, 1, NoCheck},
    {"ClientThatCannotStartStopsEvenTheUsage",
     {},
     [](json& n) { AddFault(n, {{"call", "NWCallsInit"}, {"code", "0x8801"}}); },
     "Cannot Initialise Novell Libraries\n", 1, NoCheck},
    {"ListsEachFileOfTheDirectoryUpperCasingThePath",
     {"f:\\acct\\*.*"},
     NoChange,
     std::string(kLedgerLines) +
         "  5  JSMITH                      F:\\ACCT\\Quarterly Report.doc\n"
         " 12  GUEST                       F:\\ACCT\\AUDIT.DAT\n",
     0, NoCheck},
    {"FileOpenByNobodyPrintsNothing", {"F:\\ACCT\\2007\\JAN.DAT"}, NoChange, "", 0, NoCheck},
    {"PatternMatchingNothingPrintsNothing", {"F:\\ACCT\\*.XYZ", "/s"}, NoChange, "", 0, NoCheck},
    {"DirectoryWithoutPatternChecksNothing", {"F:\\ACCT\\2007"}, NoChange, "", 0, NoCheck},
    {"RecursionChecksFilesBeforeSubdirectoriesDepthFirst",
     {"F:\\ACCT\\*.DAT", "/s"},
     NoChange,
     std::string(kLedgerLines) +
         " 12  GUEST                       F:\\ACCT\\AUDIT.DAT\n"
         " 12  GUEST                       F:\\ACCT\\2007\\FEB.DAT\n"
         " 12  GUEST                       F:\\ACCT\\2007\\Q1\\REPORT.DAT\n",
     0, NoCheck},
    {"ClearLeavesTheServerItself",
     {"F:\\ACCT\\LEDGER.DAT", "/c"},
     NoChange,
     "  0  F:\\ACCT\\LEDGER.DAT    Netware Operating System\n"
     "  5  JSMITH                      F:\\ACCT\\LEDGER.DAT\n"
     "Connection 5 Cleared\n"
     " 12  GUEST                       F:\\ACCT\\LEDGER.DAT\n"
     "Connection 12 Cleared\n",
     0,
     [](const json& a) {
         EXPECT_TRUE(Alive(a, "FS1", 0));
         EXPECT_FALSE(Alive(a, "FS1", 5));
         EXPECT_FALSE(Alive(a, "FS1", 12));
     }},
    {"LaterActionWins",
     {"F:\\ACCT\\Quarterly Report.doc", "/p", "/c"},
     NoChange,
     "  5  JSMITH                      F:\\ACCT\\Quarterly Report.doc\n"
     "Connection 5 Cleared\n",
     0, [](const json& a) { EXPECT_FALSE(Alive(a, "FS1", 5)); }},
    {"PromptWithoutAnyTerminalAnswersNo",
     {"F:\\ACCT\\LEDGER.DAT", "/p"},
     NoChange,
     "  0  F:\\ACCT\\LEDGER.DAT    Netware Operating System\n"
     "  5  JSMITH                      F:\\ACCT\\LEDGER.DAT\n"
     "Clear Connection 5 ? (Y/N) N\n"
     " 12  GUEST                       F:\\ACCT\\LEDGER.DAT\n"
     "Clear Connection 12 ? (Y/N) N\n",
     0,
     [](const json& a) {
         EXPECT_TRUE(Alive(a, "FS1", 5));
         EXPECT_TRUE(Alive(a, "FS1", 12));
     }},
    {"FileOpenTwiceByOneConnectionIsListedTwice",
     {"F:\\ACCT\\LEDGER.DAT", "/c"},
     [](json& n) {
         Connection(n, "FS1", 5)["open"] = {"SYS:ACCT\\LEDGER.DAT", "SYS:ACCT\\LEDGER.DAT"};
         Server(n, "FS1")["connections"].erase(2);  // 12
     },
     // The second entry names a connection already cleared: no user any more.
     "  0  F:\\ACCT\\LEDGER.DAT    Netware Operating System\n"
     "  5  JSMITH                      F:\\ACCT\\LEDGER.DAT\n"
     "Connection 5 Cleared\n"
     "  5  " + std::string(25, ' ') + "   F:\\ACCT\\LEDGER.DAT\n"
     "\nCould Not Clear Connection : Error 89fd\n",
     0, [](const json& a) { EXPECT_FALSE(Alive(a, "FS1", 5)); }},
    {"MessageGoesOncePerFileAndRefusalIsReported",
     {"F:\\ACCT\\*.*", "/m:Back up now"},
     [](json& n) { Connection(n, "FS1", 12)["messages"] = false; },
     "  0  F:\\ACCT\\LEDGER.DAT    Netware Operating System\n"
     "  5  JSMITH                      F:\\ACCT\\LEDGER.DAT\n"
     "Message Sent to Connection 5\n"
     " 12  GUEST                       F:\\ACCT\\LEDGER.DAT\n"
     "Message NOT Sent to Connection 12\n"
     "  5  JSMITH                      F:\\ACCT\\Quarterly Report.doc\n"
     "Message Sent to Connection 5\n"
     " 12  GUEST                       F:\\ACCT\\AUDIT.DAT\n"
     "Message NOT Sent to Connection 12\n",
     0,
     [](const json& a) {
         EXPECT_EQ(Inbox(a, "FS1", 5), std::vector<std::string>({"Back up now", "Back up now"}));
         EXPECT_TRUE(Inbox(a, "FS1", 12).empty());
     }},
    // The text reaches the server in its code page and reads the same there.
    {"MessageOptionSecondAndFourthArgumentIgnored",
     {"F:\\ACCT\\AUDIT.DAT", "/M:Gr\xC3\xBC\xC3\x9F dich", "/s", "/bogus"},
     NoChange,
     " 12  GUEST                       F:\\ACCT\\AUDIT.DAT\n"
     "Message Sent to Connection 12\n",
     0,
     [](const json& a) {
         EXPECT_EQ(Inbox(a, "FS1", 12), std::vector<std::string>{"Gr\xC3\xBC\xC3\x9F dich"});
     }},
    {"MessageCallThatFailsIsNotReportedAsSent",
     {"F:\\ACCT\\Quarterly Report.doc", "/m:Hi"},
     [](json& n) { AddFault(n, {{"call", "NWSendBroadcastMessage"}, {"code", "0x8801"}}); },
     "  5  JSMITH                      F:\\ACCT\\Quarterly Report.doc\n"
     "Message NOT Sent to Connection 5\n",
     0, [](const json& a) { EXPECT_TRUE(Inbox(a, "FS1", 5).empty()); }},
    {"UserFieldIsTwentyFiveCharacters",
     {"F:\\ACCT\\LEDGER.DAT"},
     [](json& n) {
         n["servers"][0]["connections"] = {
             {{"number", 7}, {"user", "ABCDEFGHIJKLMNOPQRSTUVWXY"}, {"open", {"SYS:ACCT\\LEDGER.DAT"}}},
             {{"number", 8}, {"user", "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"}, {"open", {"SYS:ACCT\\LEDGER.DAT"}}},
             {{"number", 9}, {"user", "BOB"}, {"open", {"SYS:ACCT\\LEDGER.DAT"}}},
             {{"number", 10}, {"user", "M\xC3\x9CLLER"}, {"open", {"SYS:ACCT\\LEDGER.DAT"}}},
             {{"number", 1000}, {"user", "X"}, {"open", {"SYS:ACCT\\LEDGER.DAT"}}}};
         Server(n, "FS1")["maxConnections"] = 1000;
     },
     "  7  ABCDEFGHIJKLMNOPQRSTUVWXY   F:\\ACCT\\LEDGER.DAT\n"
     "  8  ABCDEFGHIJKLMNOPQRSTUVWXY   F:\\ACCT\\LEDGER.DAT\n"
     "  9  BOB                         F:\\ACCT\\LEDGER.DAT\n"
     " 10  M\xC3\x9CLLER                      F:\\ACCT\\LEDGER.DAT\n"
     "1000  X                           F:\\ACCT\\LEDGER.DAT\n",
     0, NoCheck},
    {"CloseSendsTheShortPathToTheModule",
     {"F:\\ACCT\\Quarterly Report.doc", "/o"},
     NoChange,
     "  5  JSMITH                      F:\\ACCT\\Quarterly Report.doc\n"
     "Connection 5 Closed\n",
     0,
     [](const json& a) {
         EXPECT_TRUE(Alive(a, "FS1", 5));
         EXPECT_EQ(OpenFiles(a, "FS1", 5), std::vector<std::string>{"SYS:ACCT\\LEDGER.DAT"});
     }},
    {"CloseOnVolumeWithoutLongNamesUsesThePathAsItIs",
     {"g:\\payroll.db", "/o"},
     NoChange,
     "300  PAYCLERK                    G:\\PAYROLL.DB\n"
     "Connection 300 Closed\n",
     0, [](const json& a) { EXPECT_TRUE(OpenFiles(a, "FS2", 300).empty()); }},
    {"CloseWithoutModuleFailsForEachConnection",
     {"F:\\ACCT\\LEDGER.DAT", "/o"},
     [](json& n) { Server(n, "FS1")["module"] = false; },
     "  0  F:\\ACCT\\LEDGER.DAT    Netware Operating System\n"
     "  5  JSMITH                      F:\\ACCT\\LEDGER.DAT\n"
     "Kestrune.NLM is not loaded on this server\n"
     "\nCould Not Close Connection : Error 1\n"
     " 12  GUEST                       F:\\ACCT\\LEDGER.DAT\n"
     "Kestrune.NLM is not loaded on this server\n"
     "\nCould Not Close Connection : Error 1\n",
     0,
     [](const json& a) { EXPECT_EQ(OpenFiles(a, "FS1", 5).size(), 2u); }},
    {"CloseRefusedByTheModule",
     {"F:\\ACCT\\Quarterly Report.doc", "/o"},
     [](json& n) { AddFault(n, {{"call", "NWNCPExtensionRequest"}, {"code", "0x897E"}}); },
     "  5  JSMITH                      F:\\ACCT\\Quarterly Report.doc\n"
     "Cannot NCP : 897e\n"
     "\nCould Not Close Connection : Error 1\n",
     0, NoCheck},
    {"ClearRefusedReportsTheCode",
     {"F:\\ACCT\\Quarterly Report.doc", "/C"},
     [](json& n) { AddFault(n, {{"call", "NWClearConnectionNumber"}, {"code", "0x89C6"}}); },
     "  5  JSMITH                      F:\\ACCT\\Quarterly Report.doc\n"
     "\nCould Not Clear Connection : Error 89c6\n",
     0, [](const json& a) { EXPECT_TRUE(Alive(a, "FS1", 5)); }},
    {"NoConsoleRightsEndsTheRunAtTheFirstFile",
     {"F:\\ACCT\\*.*", "/c"},
     [](json& n) { Server(n, "FS1")["operators"] = json::array(); },
     "Console Operator or Supervisor Privledges Are Required\n", 1,
     [](const json& a) { EXPECT_TRUE(Alive(a, "FS1", 5)); }},
    {"InvalidOptionScansNothing",
     {"F:\\ACCT\\LEDGER.DAT", "/c", "/x"},
     NoChange, "Invalid Option\n", 1, [](const json& a) { EXPECT_TRUE(Alive(a, "FS1", 5)); }},
    {"OptionBeforePathIsInvalid", {"/S", "F:\\ACCT\\*.*"}, NoChange, "Invalid Option\n", 1, NoCheck},
    {"OverlongMessageIsRefused",
     {"F:\\ACCT\\LEDGER.DAT", "/m:" + std::string(256, 'a')},
     NoChange, "Invalid Option\n", 1, NoCheck},
    {"OverlongPathIsRefused",
     {"F:\\" + std::string(253, 'A')},
     NoChange, "Invalid Path/File\n", 1, NoCheck},
    // 255 characters is the limit itself, not beyond it.
    {"PathOfExactly255CharactersIsScanned",
     {"F:\\" + std::string(252, 'A')},
     NoChange, "", 0, NoCheck},
    {"JoinedPathOfExactly255CharactersIsChecked",
     {"F:\\LONG\\*.DAT"},
     [](json& n) {
         const std::string name = std::string(243, 'N') + ".DAT";  // F:\LONG\ + 247
         n["servers"][0]["volumes"][0]["entries"].push_back(
             {{"name", "LONG"}, {"entries", {name, "M" + name}}});
         Connection(n, "FS1", 5)["open"] = {"SYS:LONG\\" + name};
     },
     "  5  JSMITH                      F:\\LONG\\" + std::string(243, 'N') + ".DAT\n"
     "Path Too Long : F:\\LONG\\M" + std::string(243, 'N') + ".DAT\n",
     0, NoCheck},
    // Neither cut (another file) nor silently left out (its users unseen).
    {"EntriesBeyondTheBufferAreReportedAndSkipped",
     {"F:\\LONG\\*.DAT", "/s"},
     [](json& n) {
         n["servers"][0]["volumes"][0]["entries"].push_back(
             {{"name", "LONG"},
              {"entries",
               {{{"name", std::string(120, 'X')},
                 {"entries",
                  {std::string(130, 'N') + ".DAT", "A.DAT",
                   {{"name", std::string(130, 'Y')}, {"entries", {"B.DAT"}}}}}}}}});
         Connection(n, "FS1", 5)["open"] = {"SYS:LONG\\" + std::string(120, 'X') + "\\A.DAT"};
     },
     "Path Too Long : F:\\LONG\\" + std::string(120, 'X') + "\\" + std::string(130, 'N') +
         ".DAT\n"
         "  5  JSMITH                      F:\\LONG\\" + std::string(120, 'X') + "\\A.DAT\n"
         "Path Too Long : F:\\LONG\\" + std::string(120, 'X') + "\\" + std::string(130, 'Y') +
         "\\*.DAT\n",
     0, NoCheck},
    {"FileInformationFailureEndsTheRun",
     {"F:\\ACCT\\*.*"},
     [](json& n) { AddFault(n, {{"call", "NWIntScanFileInformation2"}, {"code", "0x899C"}}); },
     "Invalid Path/File 899c", 1, NoCheck},
    {"OwningNameSpaceFailureEndsTheRun",
     {"F:\\ACCT\\*.*"},
     [](json& n) { AddFault(n, {{"call", "NWGetOwningNameSpace"}, {"code", "0x8901"}}); },
     "Cannot Get Owning Name Space : 8901", 1, NoCheck},
    {"NameSpacePathFailureIsReportedAndTheScanGoesOn",
     {"F:\\ACCT\\LEDGER.DAT"},
     [](json& n) { AddFault(n, {{"call", "NWGetNSPath"}, {"code", "0x8901"}}); },
     std::string("error with nwgetnspath 8901\n") + kLedgerLines, 0, NoCheck},
    {"DosNameFailureIsReportedAndTheScanGoesOn",
     {"F:\\ACCT\\Quarterly Report.doc", "/o"},
     [](json& n) { AddFault(n, {{"call", "NWGetLongName"}, {"code", "0x8901"}}); },
     "error with nwgetlongname 8901\n"
     "  5  JSMITH                      F:\\ACCT\\Quarterly Report.doc\n"
     "Connection 5 Closed\n",
     0,
     [](const json& a) {
         EXPECT_EQ(OpenFiles(a, "FS1", 5), std::vector<std::string>{"SYS:ACCT\\LEDGER.DAT"});
     }},
    {"ConnectionScanFailureMovesToTheNextFile",
     {"F:\\ACCT\\*.*"},
     [](json& n) {
         AddFault(n, {{"call", "NWScanConnectionsUsingFile"}, {"code", "0x8901"}, {"times", 1}});
     },
     "  5  JSMITH                      F:\\ACCT\\Quarterly Report.doc\n"
     " 12  GUEST                       F:\\ACCT\\AUDIT.DAT\n",
     0, NoCheck},
    {"DisableLoginsWithServerNameAsTyped",
     {"/d", "fs1"},
     NoChange, "Logins Disabled\n", 0,
     [](const json& a) { EXPECT_FALSE(a["servers"][0].value("loginsEnabled", true)); }},
    {"EnableLogins",
     {"/E", "FS1", "/ignored"},
     [](json& n) { Server(n, "FS1")["loginsEnabled"] = false; },
     "Logins Enabled\n", 0,
     [](const json& a) { EXPECT_TRUE(a["servers"][0].value("loginsEnabled", false)); }},
    {"EnableOnServerThatIsDown",
     {"/e", "FS2"},
     [](json& n) { Server(n, "FS2")["down"] = true; },
     "Unable to open connection to server : 880f\n\n", 0, NoCheck},
    {"DisableWithoutConsoleRights",
     {"/D", "FS1"},
     [](json& n) { Server(n, "FS1")["operators"] = json::array(); },
     "Unable to disable logins : 89c6\n\n", 0,
     [](const json& a) { EXPECT_TRUE(a["servers"][0].value("loginsEnabled", true)); }},
    {"EnableWithoutConsoleRights",
     {"/e", "FS1"},
     [](json& n) {
         Server(n, "FS1")["operators"] = json::array();
         Server(n, "FS1")["loginsEnabled"] = false;
     },
     "Unable to enable logins : 89c6\n\n", 0, NoCheck},
    {"LoginSwitchWithoutServerName", {"/e"}, NoChange, "Missing Server Name\n\n", 0, NoCheck},
};

INSTANTIATE_TEST_SUITE_P(Cases, KrcmdRun, ::testing::ValuesIn(kRunCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A file open by more connections than one reply carries: connections 1 to
// count, user Un, all on JAN.DAT.
json CrowdedNetwork(const char* scanEnd, int count) {
    json network = BaseNetwork();
    json& fs1 = network["servers"][0];
    fs1["scanEnd"] = scanEnd;
    fs1["connections"] = json::array();
    for (int number = 1; number <= count; ++number) {
        fs1["connections"].push_back({{"number", number},
                                      {"user", "U" + std::to_string(number)},
                                      {"open", {"SYS:ACCT\\2007\\JAN.DAT"}}});
    }
    return network;
}

TEST(KrcmdBatches, EveryConnectionOfEveryBatchWithBothScanEnds) {
    for (const char* scanEnd : {"error", "last-batch"}) {
        // 0: an empty list, ended at once; 140: the last batch exactly full.
        for (const int count : {0, 1, 70, 71, 140, 141}) {
            NetworkFile file(CrowdedNetwork(scanEnd, count));
            std::string expected;
            for (int number = 1; number <= count; ++number) {
                char line[80];
                std::snprintf(line, sizeof line, "%3d  %-25s   F:\\ACCT\\2007\\JAN.DAT\n", number,
                              ("U" + std::to_string(number)).c_str());
                expected += line;
            }
            const ProcessResult result = RunKrcmd({"F:\\ACCT\\2007\\JAN.DAT"}, file.path());
            EXPECT_EQ(result.out, expected) << scanEnd << ", " << count << " connections";
            EXPECT_EQ(result.exitCode, 0);
        }
    }
}

// Clearing shortens the server's list; no later batch may slip past.
TEST(KrcmdBatches, ClearReachesEveryBatch) {
    for (const char* scanEnd : {"error", "last-batch"}) {
        NetworkFile file(CrowdedNetwork(scanEnd, 141));
        const ProcessResult result = RunKrcmd({"F:\\ACCT\\2007\\JAN.DAT", "/c"}, file.path());
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_NE(result.out.find("Connection 141 Cleared\n"), std::string::npos) << scanEnd;
        EXPECT_TRUE(file.Read()["servers"][0]["connections"].empty()) << scanEnd;
    }
}

TEST(KrcmdLocalFiles, FileOutsideNetWareIsAnInvalidPath) {
    NetworkFile file(BaseNetwork());
    std::ofstream(file.directory() / "LOCAL.DAT") << "x";
    const ProcessResult result = RunKrcmd({"LOCAL.DAT"}, file.path(), file.directory().string());
    EXPECT_EQ(result.out, "Invalid Path/File\n");
    EXPECT_EQ(result.exitCode, 1);
}

// The workstation lists a file, the server knows a directory by that name: a
// local file "SYS:ACCT" in a local directory FS1 reads to the client as the
// server path FS1/SYS:ACCT. The run ends before anything is acted on.
TEST(KrcmdLocalFiles, EntryThatIsADirectoryOnTheServerIsAnInvalidPath) {
    NetworkFile file(BaseNetwork());
    std::filesystem::create_directory(file.directory() / "FS1");
    std::ofstream(file.directory() / "FS1" / "SYS:ACCT") << "x";
    const ProcessResult result =
        RunKrcmd({"FS1/SYS:ACCT", "/c"}, file.path(), file.directory().string());
    EXPECT_EQ(result.out, "Invalid Path\n");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(Alive(file.Read(), "FS1", 5));
}

// The prompt reads the terminal itself while standard input is /dev/null.
struct PromptCase {
    const char* name;
    std::vector<std::string> keys;  // typed at each prompt in turn
    std::string out;
    bool fiveCleared;
    bool twelveCleared;
};

void PrintTo(const PromptCase& c, std::ostream* os) { *os << c.name; }

class KrcmdPrompt : public ::testing::TestWithParam<PromptCase> {};

TEST_P(KrcmdPrompt, AnswersFromTheTerminalWithoutEcho) {
    const PromptCase& c = GetParam();
    json network = BaseNetwork();
    Connection(network, "FS1", 5)["open"] = {"SYS:ACCT\\2007\\JAN.DAT"};
    Connection(network, "FS1", 12)["open"] = {"SYS:ACCT\\2007\\JAN.DAT"};
    NetworkFile file(network);

    KrcmdProcess process({"F:\\ACCT\\2007\\JAN.DAT", "/p"}, file.path(), Terminal::Pty);
    const int numbers[] = {5, 12};
    for (std::size_t i = 0; i < c.keys.size(); ++i) {
        const std::string prompt =
            "Clear Connection " + std::to_string(numbers[i]) + " ? (Y/N) ";
        ASSERT_TRUE(process.WaitForOutput(prompt)) << prompt;
        ASSERT_TRUE(process.WaitForKeyWait());
        process.Type(c.keys[i]);
    }
    const ProcessResult result = process.Finish();

    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(process.TerminalText(), "") << "keys are not echoed";
    EXPECT_TRUE(process.TerminalRestored());
    const json after = file.Read();
    EXPECT_EQ(Alive(after, "FS1", 5), !c.fiveCleared);
    EXPECT_EQ(Alive(after, "FS1", 12), !c.twelveCleared);
}

const char* const kFivePrompt =
    "  5  JSMITH                      F:\\ACCT\\2007\\JAN.DAT\n"
    "Clear Connection 5 ? (Y/N) ";
const char* const kTwelvePrompt =
    " 12  GUEST                       F:\\ACCT\\2007\\JAN.DAT\n"
    "Clear Connection 12 ? (Y/N) ";

const PromptCase kPromptCases[] = {
    {"OtherKeysAreIgnoredUntilNo", {"X7n", "N"},
     std::string(kFivePrompt) + "N\n" + kTwelvePrompt + "N\n", false, false},
    {"YesClearsOnlyThatConnection", {"n", "y"},
     std::string(kFivePrompt) + "N\n" + kTwelvePrompt + "Y\n", false, true},
    {"UpperCaseYesAndACursorKeyIgnored", {"\x1b[AY", "\x1bOPy"},
     std::string(kFivePrompt) + "Y\n" + kTwelvePrompt + "Y\n", true, true},
};

INSTANTIATE_TEST_SUITE_P(Keys, KrcmdPrompt, ::testing::ValuesIn(kPromptCases),
                         [](const auto& info) { return std::string(info.param.name); });

// However the wait ends, the terminal is left as it was found.
TEST(KrcmdPromptSignals, TerminalRestoredWhenTheRunIsKilledWhileWaiting) {
    struct Case { int signal; bool fromKeyboard; };
    // Ctrl-C and Ctrl-\ are typed; the others come from outside.
    for (const Case c : {Case{SIGINT, true}, Case{SIGQUIT, true}, Case{SIGTERM, false},
                         Case{SIGHUP, false}}) {
        json network = BaseNetwork();
        NetworkFile file(network);
        KrcmdProcess process({"F:\\ACCT\\Quarterly Report.doc", "/p"}, file.path(),
                             Terminal::Pty);
        ASSERT_TRUE(process.WaitForOutput("(Y/N) "));
        ASSERT_TRUE(process.WaitForKeyWait());
        if (c.fromKeyboard) {
            process.Type(c.signal == SIGINT ? "\x03" : "\x1c");
        } else {
            process.Signal(c.signal);
        }
        const ProcessResult result = process.Finish();
        EXPECT_EQ(result.signal, c.signal);
        EXPECT_TRUE(process.TerminalRestored()) << "signal " << c.signal;
        EXPECT_TRUE(Alive(file.Read(), "FS1", 5));
    }
}

// Ctrl-Z hands the shell a terminal in line mode; back in the foreground the
// wait goes on without echo.
TEST(KrcmdPromptSignals, StoppedJobLeavesLineModeAndResumesTheWait) {
    json network = BaseNetwork();
    NetworkFile file(network);
    KrcmdProcess process({"F:\\ACCT\\Quarterly Report.doc", "/p"}, file.path(),
                         Terminal::PtyUnderShell);
    ASSERT_TRUE(process.WaitForOutput("(Y/N) "));
    ASSERT_TRUE(process.WaitForKeyWait());
    process.Type("\x1a");
    ASSERT_TRUE(process.WaitForError("[stopped"));
    ASSERT_TRUE(process.WaitForKeyWait());
    process.Type("n");
    const ProcessResult result = process.Finish();

    EXPECT_EQ(result.err, kStoppedInLineMode);
    EXPECT_EQ(result.out,
              "  5  JSMITH                      F:\\ACCT\\Quarterly Report.doc\n"
              "Clear Connection 5 ? (Y/N) N\n");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(process.TerminalRestored());
    EXPECT_EQ(process.TerminalText(), "");
}

}  // namespace
}  // namespace krcmd::test
