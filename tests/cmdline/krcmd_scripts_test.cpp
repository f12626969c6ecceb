// The built krcmd as scripts use it: long options anywhere, records as CSV
// and JSON, exit statuses 0/1/2 with their reasons, --wait, and the audit
// trail of every change.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/audit_log.h"
#include "platform/sim/simulated_network.h"
#include "tests/cmdline/krcmd_process.h"
#include "tests/cmdline/network_fixture.h"

namespace krcmd::test {
namespace {

using nlohmann::json;

// LEDGER.DAT is open by the server itself and four stations: a name outside
// ASCII, one longer than the 25-character field, one with a comma and a
// double quote, one with a backslash that refuses messages. The budget file
// (a comma in its name) is open by two; JAN.DAT by one; FEB.DAT by nobody.
json ScriptNetwork() {
    return json::parse(R"({
      "workstation": {
        "drives": { "F": "FS1\\SYS:", "G": "FS2\\DATA:" },
        "bindery": { "FS1": "SUPERVISOR", "FS2": "SUPERVISOR" }
      },
      "servers": [
        { "name": "FS1", "module": true, "operators": ["SUPERVISOR"],
          "volumes": [ { "name": "SYS", "number": 0, "longNames": true, "entries": [
            { "name": "ACCT", "entries": [
              "LEDGER.DAT", "Budget, 2007.xls",
              { "name": "2007", "entries": [ "JAN.DAT", "FEB.DAT" ] } ] } ] } ],
          "connections": [
            { "number": 0, "open": ["SYS:ACCT\\LEDGER.DAT"] },
            { "number": 5, "user": "M\u00dcLLER.VERKAUF.ACME",
              "open": ["SYS:ACCT\\LEDGER.DAT", "SYS:ACCT\\Budget, 2007.xls"] },
            { "number": 9, "user": "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789",
              "open": ["SYS:ACCT\\LEDGER.DAT"] },
            { "number": 12, "user": "O\"BRIEN, PAT",
              "open": ["SYS:ACCT\\LEDGER.DAT", "SYS:ACCT\\Budget, 2007.xls"] },
            { "number": 14, "user": "DOMAIN\\GUEST", "messages": false,
              "open": ["SYS:ACCT\\LEDGER.DAT", "SYS:ACCT\\2007\\JAN.DAT"] } ] },
        { "name": "FS2", "operators": ["SUPERVISOR"],
          "volumes": [ { "name": "DATA", "number": 1, "entries": [ "PAYROLL.DB" ] } ] }
      ],
      "faults": [] })");
}

json& Server(json& network, const std::string& name) {
    for (json& s : network["servers"]) {
        if (s["name"] == name) return s;
    }
    throw std::logic_error("no server " + name);
}

void AddFault(json& network, json fault) { network["faults"].push_back(std::move(fault)); }

bool Alive(const json& after, int number) {
    return !FindConnection(after, "FS1", number).is_null();
}

const char* const kLedgerLines =
    "  0  F:\\ACCT\\LEDGER.DAT    Netware Operating System\n"
    "  5  M\xC3\x9CLLER.VERKAUF.ACME         F:\\ACCT\\LEDGER.DAT\n"
    "  9  ABCDEFGHIJKLMNOPQRSTUVWXY   F:\\ACCT\\LEDGER.DAT\n"
    " 12  O\"BRIEN, PAT                F:\\ACCT\\LEDGER.DAT\n"
    " 14  DOMAIN\\GUEST                F:\\ACCT\\LEDGER.DAT\n";

// ---- records ---------------------------------------------------------------

json Record(int connection, const std::string& user, json action = nullptr,
            json result = nullptr) {
    return {{"server", "FS1"},         {"volumePath", "SYS:ACCT\\LEDGER.DAT"},
            {"path", "F:\\ACCT\\LEDGER.DAT"}, {"connection", connection},
            {"user", user},            {"action", action},
            {"result", result}};
}

TEST(KrcmdRecords, JsonIsOneDocumentWithWholeNamesInUtf8) {
    NetworkFile file(ScriptNetwork());
    const ProcessResult result = RunKrcmd({"--format=json", "f:\\acct\\ledger.dat"}, file.path());

    const json document = json::parse(result.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << result.out;
    EXPECT_EQ(document, json::array({Record(0, ""), Record(5, "M\xC3\x9CLLER.VERKAUF.ACME"),
                                      Record(9, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"),
                                      Record(12, "O\"BRIEN, PAT"), Record(14, "DOMAIN\\GUEST")}));
    // The backslash is escaped as JSON wants it, not passed through.
    EXPECT_NE(result.out.find(R"("DOMAIN\\GUEST")"), std::string::npos);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 2);
}

TEST(KrcmdRecords, CsvQuotesEveryTextFieldAndDoublesItsQuotes) {
    NetworkFile file(ScriptNetwork());
    const ProcessResult result =
        RunKrcmd({"F:\\ACCT\\Budget, 2007.xls", "--format=csv", "/c"}, file.path());

    EXPECT_EQ(result.out,
              "server,volumePath,path,connection,user,action,result\r\n"
              "\"FS1\",\"SYS:ACCT\\Budget, 2007.xls\",\"F:\\ACCT\\Budget, 2007.xls\",5,"
              "\"M\xC3\x9CLLER.VERKAUF.ACME\",\"clear\",0\r\n"
              "\"FS1\",\"SYS:ACCT\\Budget, 2007.xls\",\"F:\\ACCT\\Budget, 2007.xls\",12,"
              "\"O\"\"BRIEN, PAT\",\"clear\",0\r\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_FALSE(Alive(file.Read(), 5));
}

TEST(KrcmdRecords, ActionResultsCarryTheCodeAndTheTextLinesStayOffStandardOutput) {
    json network = ScriptNetwork();
    AddFault(network, {{"call", "NWClearConnectionNumber"}, {"connection", 9}, {"code", "0x89C6"}});
    NetworkFile file(network);
    const ProcessResult result = RunKrcmd({"F:\\ACCT\\LEDGER.DAT", "/c", "--format=json"}, file.path());

    const json document = json::parse(result.out, nullptr, false);
    ASSERT_TRUE(document.is_array()) << result.out;
    ASSERT_EQ(document.size(), 5u);
    EXPECT_EQ(document[0], Record(0, ""));
    EXPECT_EQ(document[1]["result"], 0);
    EXPECT_EQ(document[2], Record(9, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", "clear", 0x89C6));
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 2);
}

// The question needs a screen: with records on standard output it is asked
// on standard error, and a declined clear is no action.
TEST(KrcmdRecords, PromptAsksOnStandardErrorWithRecords) {
    NetworkFile file(ScriptNetwork());
    KrcmdProcess process({"--format=json", "F:\\ACCT\\2007\\JAN.DAT", "/p"}, file.path(),
                         Terminal::Pty);
    ASSERT_TRUE(process.WaitForError("Clear Connection 14 ? (Y/N) "));
    ASSERT_TRUE(process.WaitForKeyWait());
    process.Type("n");
    const ProcessResult result = process.Finish();

    EXPECT_EQ(result.err,
              " 14  DOMAIN\\GUEST                F:\\ACCT\\2007\\JAN.DAT\n"
              "Clear Connection 14 ? (Y/N) N\n");
    const json document = json::parse(result.out, nullptr, false);
    ASSERT_TRUE(document.is_array()) << result.out;
    ASSERT_EQ(document.size(), 1u);
    EXPECT_TRUE(document[0]["action"].is_null());
    EXPECT_EQ(result.exitCode, 2);
}

// ---- exit statuses and their reasons --------------------------------------

struct StatusCase {
    const char* name;
    std::vector<std::string> arguments;
    std::function<void(json&)> change;
    std::optional<std::string> out;  // nullopt: not looked at
    std::string err;
    int exitCode;
    std::function<void(const json&)> check;
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

void NoChange(json&) {}
void NoCheck(const json&) {}

class KrcmdStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(KrcmdStatus, TellsFreeFromInUseFromError) {
    const StatusCase& c = GetParam();
    json network = ScriptNetwork();
    c.change(network);
    NetworkFile file(network);

    const ProcessResult result = RunKrcmd(c.arguments, file.path());

    if (c.out) {
        EXPECT_EQ(result.out, *c.out);
    }
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(result.exitCode, c.exitCode);
    c.check(file.Read());
}

const StatusCase kStatusCases[] = {
    {"FreeFileIsZero", {"--format=text", "F:\\ACCT\\2007\\FEB.DAT"}, NoChange, "", "", 0, NoCheck},
    {"HeldFileIsTwo", {"F:\\ACCT\\LEDGER.DAT", "--format=text"}, NoChange, kLedgerLines, "", 2,
     NoCheck},
    {"FileHeldOnlyByTheServerItselfIsZero",
     {"--format=text", "F:\\ACCT\\2007\\FEB.DAT"},
     [](json& n) { Server(n, "FS1")["connections"][0]["open"] = {"SYS:ACCT\\2007\\FEB.DAT"}; },
     "  0  F:\\ACCT\\2007\\FEB.DAT    Netware Operating System\n", "", 0, NoCheck},
    {"PatternMatchingNothingIsZero", {"--format=text", "F:\\ACCT\\*.XYZ", "/s"}, NoChange, "", "",
     0, NoCheck},
    {"MissingFile", {"--format=text", "F:\\ACCT\\NOPE.DAT"}, NoChange, "",
     "krcmd: F:\\ACCT\\NOPE.DAT: no such file\n", 1, NoCheck},
    {"MissingFileAnywhereBelow", {"--format=json", "F:\\ACCT\\NOPE.DAT", "/s"}, NoChange, "[]\n",
     "krcmd: F:\\ACCT\\NOPE.DAT: no such file\n", 1, NoCheck},
    {"MissingDirectory", {"--format=text", "F:\\ACCT\\1999\\*.*"}, NoChange, "",
     "krcmd: F:\\ACCT\\1999\\*.*: no such directory\n", 1, NoCheck},
    {"DriveNotMapped", {"--format=text", "q:\\ledger.dat"}, NoChange, "",
     "krcmd: Q:\\LEDGER.DAT: drive Q: is not mapped to NetWare, or its server is down\n", 1,
     NoCheck},
    {"ServerDown",
     {"--format=text", "\\\\FS2\\DATA\\PAYROLL.DB"},
     [](json& n) { Server(n, "FS2")["down"] = true; }, "",
     "krcmd: \\\\FS2\\DATA\\PAYROLL.DB: server FS2 is unknown or down\n", 1, NoCheck},
    {"DirectoryWithoutPattern", {"--format=text", "F:\\ACCT\\2007"}, NoChange, "",
     "krcmd: F:\\ACCT\\2007: is a directory; name its files with a pattern, such as "
     "F:\\ACCT\\2007\\*.*\n",
     1, NoCheck},
    {"NoConsoleRightsKeepsItsLine",
     {"--format=text", "F:\\ACCT\\LEDGER.DAT"},
     [](json& n) { Server(n, "FS1")["operators"] = json::array(); },
     "Console Operator or Supervisor Privledges Are Required\n", "", 1, NoCheck},
    {"NoConsoleRightsWithRecordsGoesToStandardError",
     {"--format=json", "F:\\ACCT\\LEDGER.DAT"},
     [](json& n) { Server(n, "FS1")["operators"] = json::array(); }, "[]\n",
     "krcmd: Console Operator or Supervisor Privledges Are Required\n", 1, NoCheck},
    {"ConnectionListThatFailsIsAnError",
     {"--format=text", "F:\\ACCT\\2007\\JAN.DAT"},
     [](json& n) { AddFault(n, {{"call", "NWScanConnectionsUsingFile"}, {"code", "0x8901"}}); },
     "", "krcmd: F:\\ACCT\\2007\\JAN.DAT: cannot list the connections using it (code 8901)\n", 1,
     NoCheck},
    {"EveryClearSucceededIsZero",
     {"--format=text", "F:\\ACCT\\2007\\JAN.DAT", "/c"}, NoChange,
     " 14  DOMAIN\\GUEST                F:\\ACCT\\2007\\JAN.DAT\n"
     "Connection 14 Cleared\n",
     "", 0, [](const json& a) { EXPECT_FALSE(Alive(a, 14)); }},
    {"RefusedClearIsTwo",
     {"--format=text", "F:\\ACCT\\2007\\JAN.DAT", "/c"},
     [](json& n) { AddFault(n, {{"call", "NWClearConnectionNumber"}, {"code", "0x89C6"}}); },
     " 14  DOMAIN\\GUEST                F:\\ACCT\\2007\\JAN.DAT\n"
     "\nCould Not Clear Connection : Error 89c6\n",
     "", 2, [](const json& a) { EXPECT_TRUE(Alive(a, 14)); }},
    {"DeclinedPromptIsTwo", {"--format=text", "F:\\ACCT\\2007\\JAN.DAT", "/p"}, NoChange,
     " 14  DOMAIN\\GUEST                F:\\ACCT\\2007\\JAN.DAT\n"
     "Clear Connection 14 ? (Y/N) N\n",
     "", 2, NoCheck},
    {"UndeliveredMessageIsTwo", {"--format=text", "F:\\ACCT\\2007\\JAN.DAT", "/m:Hi"}, NoChange,
     " 14  DOMAIN\\GUEST                F:\\ACCT\\2007\\JAN.DAT\n"
     "Message NOT Sent to Connection 14\n",
     "", 2, NoCheck},
    {"LoginsDisabledIsZero", {"/d", "--format=text", "FS1"}, NoChange, "Logins Disabled\n", "", 0,
     [](const json& a) { EXPECT_FALSE(a["servers"][0].value("loginsEnabled", true)); }},
    {"LoginSwitchOnServerThatIsDownIsOne",
     {"/e", "FS2", "--format=text"},
     [](json& n) { Server(n, "FS2")["down"] = true; },
     "Unable to open connection to server : 880f\n\n", "", 1, NoCheck},
    {"LoginSwitchWithoutRightsIsOne",
     {"--format=text", "/d", "FS1"},
     [](json& n) { Server(n, "FS1")["operators"] = json::array(); },
     "Unable to disable logins : 89c6\n\n", "", 1, NoCheck},
    {"MissingServerNameIsOne", {"--format=text", "/e"}, NoChange, "Missing Server Name\n\n", "", 1,
     NoCheck},
    {"InvalidOptionIsOne", {"--format=text", "F:\\ACCT\\LEDGER.DAT", "/x"}, NoChange,
     "Invalid Option\n", "", 1, NoCheck},
    {"InvalidOptionWithRecords", {"--format=csv", "F:\\ACCT\\LEDGER.DAT", "/x"}, NoChange, "",
     "krcmd: Invalid Option\n", 1, NoCheck},
    {"UnknownLongOption", {"--fromat=json", "F:\\ACCT\\LEDGER.DAT"}, NoChange, "",
     "krcmd: unrecognized option '--fromat=json'\n"
     "Try 'krcmd --help' for more information.\n",
     1, NoCheck},
    {"UnknownFormat", {"F:\\ACCT\\LEDGER.DAT", "--format=xml"}, NoChange, "",
     "krcmd: invalid argument 'xml' for '--format' (csv, json or text)\n"
     "Try 'krcmd --help' for more information.\n",
     1, NoCheck},
    {"WaitWithAnActionActsOnNothing", {"--wait", "F:\\ACCT\\LEDGER.DAT", "/c"}, NoChange, "",
     "krcmd: --wait cannot be used with /p, /c, /o or /m\n", 1,
     [](const json& a) { EXPECT_TRUE(Alive(a, 5)); }},
    {"RecordsOfALoginSwitchAreRefused", {"--format=json", "/d", "FS1"}, NoChange, "",
     "krcmd: /d and /e give no records for --format\n", 1,
     [](const json& a) { EXPECT_TRUE(a["servers"][0].value("loginsEnabled", true)); }},
    {"LongOptionsAloneShowTheUsage", {"--format=json"}, NoChange, "", kUsage, 1, NoCheck},
    {"VersionNeedsNoClient",
     {"--version"},
     [](json& n) { AddFault(n, {{"call", "NWCallsInit"}, {"code", "0x8801"}}); },
     std::string("krcmd (Kestrune) ") + KR_PROJECT_VERSION + "\n", "", 0, NoCheck},
    // "/m" alone has no text: the text typed after it would be ignored and an
    // empty message sent to everyone.
    {"TwoCharacterMessageOptionIsInvalid",
     {"F:\\ACCT\\LEDGER.DAT", "/s", "/m", "Please log off"},
     NoChange, "Invalid Option\n", "", 1,
     [](const json& a) { EXPECT_TRUE(FindConnection(a, "FS1", 5)["inbox"].is_null()); }},
    {"ThreeCharacterMessageOptionSendsAnEmptyText",
     {"F:\\ACCT\\Budget, 2007.xls", "/M:"},
     NoChange,
     "  5  M\xC3\x9CLLER.VERKAUF.ACME         F:\\ACCT\\Budget, 2007.xls\n"
     "Message Sent to Connection 5\n"
     " 12  O\"BRIEN, PAT                F:\\ACCT\\Budget, 2007.xls\n"
     "Message Sent to Connection 12\n",
     "", 0,
     [](const json& a) {
         EXPECT_EQ(FindConnection(a, "FS1", 5)["inbox"], json::array({""}));
     }},
};

INSTANTIATE_TEST_SUITE_P(Cases, KrcmdStatus, ::testing::ValuesIn(kStatusCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KrcmdHelp, UsageThenTheLongOptionsAndTheExitStatuses) {
    json network = ScriptNetwork();
    AddFault(network, {{"call", "NWCallsInit"}, {"code", "0x8801"}});
    NetworkFile file(network);
    const ProcessResult result = RunKrcmd({"F:\\X", "--help", "/c"}, file.path());

    EXPECT_TRUE(result.out.starts_with(kUsage)) << result.out;
    for (const char* line : {"  --format=FORMAT", "  --wait[=SECONDS]", "  --interval=SECONDS",
                             "  --version", "\n  0  no station holds", "\n  1  an error",
                             "\n  2  a station holds"}) {
        EXPECT_NE(result.out.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 0);
}

// ---- long options leave the specified command line as it was --------------

// Each specified form, run as it is and then with long options put in at
// every place: the text and what happened to the network are the same.
TEST(KrcmdLongOptionPlaces, EverySpecifiedFormBehavesAsWithout) {
    const std::vector<std::vector<std::string>> forms = {
        {"F:\\ACCT\\*.*", "/s"},
        {"F:\\ACCT\\LEDGER.DAT", "/c"},
        {"F:\\ACCT\\*.*", "/m:Hi", "/s", "/ignored"},
        {"F:\\ACCT\\LEDGER.DAT", "/p", "/o"},
        {"/S", "F:\\ACCT\\*.*"},
        {"/d", "FS1"},
        {"/e", "FS1", "/ignored"},
        {"/E"},
    };
    const std::vector<std::vector<std::string>> inserts = {{"--format=text"},
                                                           {"--interval=1", "--format=text"}};
    for (const auto& form : forms) {
        NetworkFile plainFile(ScriptNetwork());
        const ProcessResult plain = RunKrcmd(form, plainFile.path());
        const json plainAfter = plainFile.Read();
        for (const auto& insert : inserts) {
            for (std::size_t at = 0; at <= form.size(); ++at) {
                std::vector<std::string> arguments = form;
                arguments.insert(arguments.begin() + static_cast<long>(at), insert.begin(),
                                 insert.end());
                if (insert.size() > 1) {  // the second one somewhere else
                    std::rotate(arguments.begin() + static_cast<long>(at),
                                arguments.begin() + static_cast<long>(at) + 1, arguments.end());
                }
                NetworkFile file(ScriptNetwork());
                const ProcessResult result = RunKrcmd(arguments, file.path());
                std::string shown;
                for (const std::string& a : arguments) shown += a + " ";
                EXPECT_EQ(result.out, plain.out) << shown;
                EXPECT_EQ(file.Read(), plainAfter) << shown;
            }
        }
    }
}

// "--" ends the long options: what follows is a path like any other.
TEST(KrcmdLongOptionPlaces, DoubleDashKeepsTheRestAsItIs) {
    NetworkFile file(ScriptNetwork());
    const ProcessResult result =
        RunKrcmd({"--format=text", "--", "--wait", "F:\\ACCT\\LEDGER.DAT"}, file.path());
    EXPECT_EQ(result.out, "Invalid Option\n");  // "--wait" is the path, the path an option
    EXPECT_EQ(result.exitCode, 1);
}

// ---- the audit trail -------------------------------------------------------

struct AuditCase {
    const char* name;
    std::vector<std::string> arguments;
    std::function<void(json&)> change;
    std::vector<json> events;  // action, server, connection, connectionUser, file, result
};

void PrintTo(const AuditCase& c, std::ostream* os) { *os << c.name; }

class KrcmdAudit : public ::testing::TestWithParam<AuditCase> {};

json Event(const char* action, int connection, const char* user, const char* file, int result) {
    return {{"action", action}, {"server", "FS1"},  {"connection", connection},
            {"connectionUser", user}, {"file", file}, {"result", result}};
}

json ServerEvent(const char* action, const char* server, int result) {
    return {{"action", action},         {"server", server}, {"connection", nullptr},
            {"connectionUser", nullptr}, {"file", nullptr}, {"result", result}};
}

TEST_P(KrcmdAudit, RecordsEveryChangeTriedWithItsResult) {
    const AuditCase& c = GetParam();
    json network = ScriptNetwork();
    c.change(network);
    NetworkFile file(network);
    const std::string auditPath = (file.directory() / "audit.jsonl").string();

    const ProcessResult result =
        RunKrcmd(c.arguments, file.path(), {}, {"KESTRUNE_AUDIT_FILE=" + auditPath});

    std::vector<json> events;
    std::ifstream in(auditPath);
    for (std::string line; std::getline(in, line);) {
        json event = json::parse(line, nullptr, false);
        ASSERT_TRUE(event.is_object()) << line;
        EXPECT_EQ(event["program"], "krcmd");
        EXPECT_EQ(event["localUser"], LocalUserName());
        event.erase("program");
        event.erase("localUser");
        events.push_back(event);
    }
    EXPECT_EQ(events, c.events) << result.out;
    EXPECT_EQ(result.err, "");
}

const char* const kBudget = "F:\\ACCT\\Budget, 2007.xls";
const char* const kMuller = "M\xC3\x9CLLER.VERKAUF.ACME";

const AuditCase kAuditCases[] = {
    {"ScanAloneChangesNothing", {"F:\\ACCT\\*.*", "/s"}, NoChange, {}},
    {"ClearOfEachConnectionAndARefusedOne",
     {kBudget, "/c"},
     [](json& n) {
         AddFault(n, {{"call", "NWClearConnectionNumber"}, {"connection", 12}, {"code", "0x89C6"}});
     },
     {Event("clear", 5, kMuller, kBudget, 0), Event("clear", 12, "O\"BRIEN, PAT", kBudget, 0x89C6)}},
    {"ClearWithRecordsIsRecordedAlike",
     {"--format=json", "F:\\ACCT\\2007\\JAN.DAT", "/c"},
     NoChange,
     {Event("clear", 14, "DOMAIN\\GUEST", "F:\\ACCT\\2007\\JAN.DAT", 0)}},
    {"DeclinedPromptIsNoChange", {kBudget, "/p"}, NoChange, {}},
    {"CloseThroughTheModule", {kBudget, "/o"}, NoChange,
     {Event("close", 5, kMuller, kBudget, 0), Event("close", 12, "O\"BRIEN, PAT", kBudget, 0)}},
    {"CloseWithoutTheModule",
     {"F:\\ACCT\\2007\\JAN.DAT", "/o"},
     [](json& n) { Server(n, "FS1")["module"] = false; },
     {Event("close", 14, "DOMAIN\\GUEST", "F:\\ACCT\\2007\\JAN.DAT", 0x89FF)}},
    {"MessageDeliveredAndRefused",
     {"F:\\ACCT\\LEDGER.DAT", "/m:Back up now"},
     [](json& n) { Server(n, "FS1")["connections"].erase(2); },  // 9
     {Event("message", 5, kMuller, "F:\\ACCT\\LEDGER.DAT", 0),
      Event("message", 12, "O\"BRIEN, PAT", "F:\\ACCT\\LEDGER.DAT", 0),
      Event("message", 14, "DOMAIN\\GUEST", "F:\\ACCT\\LEDGER.DAT", 0xFC)}},
    {"LoginsOff", {"/d", "fs1"}, NoChange, {ServerEvent("disable-logins", "fs1", 0)}},
    {"LoginsOnRefused",
     {"/e", "FS1"},
     [](json& n) { Server(n, "FS1")["operators"] = json::array(); },
     {ServerEvent("enable-logins", "FS1", 0x89C6)}},
    {"LoginsOnServerThatIsDown",
     {"/e", "FS2"},
     [](json& n) { Server(n, "FS2")["down"] = true; },
     {ServerEvent("enable-logins", "FS2", 0x880F)}},
};

INSTANTIATE_TEST_SUITE_P(Actions, KrcmdAudit, ::testing::ValuesIn(kAuditCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- waiting until the file is free ----------------------------------------

const char* const kWaitNote =
    "krcmd: F:\\ACCT\\2007\\JAN.DAT: in use; scanning again every 0.05 s for up to 20 s\n";

TEST(KrcmdWait, EndsWhenAnotherProcessClearsTheLastConnection) {
    NetworkFile file(ScriptNetwork());
    KrcmdProcess waiting({"--wait=20", "--interval=0.05", "--format=json",
                          "F:\\ACCT\\2007\\JAN.DAT"},
                         file.path(), Terminal::None);
    ASSERT_TRUE(waiting.WaitForError(kWaitNote));

    const ProcessResult clear = RunKrcmd({"F:\\ACCT\\2007\\JAN.DAT", "/c"}, file.path());
    ASSERT_EQ(clear.exitCode, 0);
    const ProcessResult result = waiting.Finish();

    EXPECT_EQ(result.out, "[]\n");
    EXPECT_EQ(result.err, kWaitNote);
    EXPECT_EQ(result.exitCode, 0);
}

TEST(KrcmdWait, RunsOutShowingTheLastScan) {
    NetworkFile file(ScriptNetwork());
    const ProcessResult result = RunKrcmd(
        {"F:\\ACCT\\2007\\JAN.DAT", "--wait=0.2", "--interval=0.05"}, file.path());

    // One scan's lines, not one per scan.
    EXPECT_EQ(result.out, " 14  DOMAIN\\GUEST                F:\\ACCT\\2007\\JAN.DAT\n");
    EXPECT_EQ(result.err,
              "krcmd: F:\\ACCT\\2007\\JAN.DAT: in use; scanning again every 0.05 s for up to "
              "0.2 s\n");
    EXPECT_EQ(result.exitCode, 2);
}

TEST(KrcmdWait, FreeFileEndsAtOnceWithoutWaiting) {
    NetworkFile file(ScriptNetwork());
    const ProcessResult result = RunKrcmd({"--wait", "F:\\ACCT\\2007\\FEB.DAT"}, file.path());
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 0);
}

// ---- the demo network, as the README shows it ------------------------------

TEST(KrcmdDemo, JsonOfTheAccountsDirectoryReadsWithJq) {
    if (std::string(KR_JQ_PATH).empty()) GTEST_SKIP() << "jq is not installed";
    NetworkFile file(json::parse(DemoNetworkDescription(), nullptr, true, true));
    const std::filesystem::path script = file.directory() / "pipe.sh";
    std::ofstream(script) << "unset KESTRUNE_AUDIT_FILE NWSIM_READONLY NWSIM_STATS\n"
                          << "export NWSIM_NETWORK='" << file.path() << "'\n"
                          << "'" << KRCMD_PATH << "' --format=json 'F:\\ACCOUNTS\\*.*' /s | '"
                          << KR_JQ_PATH << "' -r '[.[] | select(.connection == 3) | .user] | "
                          << "unique | .[]'\n"
                          << "echo \"status ${PIPESTATUS[0]} ${PIPESTATUS[1]}\"\n";
    std::FILE* pipe = popen(("bash '" + script.string() + "' 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
    // krcmd says 2 (files in use) and jq read its whole output.
    EXPECT_EQ(out, "MOCONNELL.ACCOUNTS.ACME\nstatus 2 0\n");
}

}  // namespace
}  // namespace krcmd::test
