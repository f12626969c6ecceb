// Clear, Clear All, Send Message and the connection details on the simulated
// network: what the user is asked and shown, which requests reach the server,
// and whether the lists are refreshed afterwards.

#include "admin/connection_actions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/admin/admin_test_support.h"

namespace admintest {
namespace {

using json = nlohmann::json;
using Texts = std::vector<std::string>;
using Row = RecordingActionsWindow::Row;

const std::string kOwnQuestion =
    "Connection 1 is this workstation's own connection to the server.\n"
    "Clearing it cuts this program off from the server.\n"
    "Clear it anyway?";
const std::string kNoRights = "You do not have sufficient rights to clear connections";

json Fault(int connection, const char* code) {
    return {{"call", "NWClearConnectionNumber"}, {"connection", connection}, {"code", code}};
}

// ---- Clear and Clear All -----------------------------------------------------

struct ClearCase {
    const char* name;
    bool all;                    // Clear All instead of Clear
    std::vector<Row> rows;
    bool confirm;
    std::deque<bool> answers;
    json faults;
    Texts texts;                 // questions and boxes, in order
    std::uint64_t requests;      // clear requests sent
    std::vector<int> left;       // connections left on the server
    int refreshes;
};

void PrintTo(const ClearCase& c, std::ostream* os) { *os << c.name; }

const std::vector<Row> kFiveSevenTwelve{{5, true}, {7, false}, {12, true}};

const ClearCase kClearCases[] = {
    {"ClearWithoutConfirmingClearsEverySelectedRow", false, kFiveSevenTwelve, false, {},
     json::array(), {}, 2, {0, 7, 9, 11}, 1},
    {"ClearConfirmingAsksPerRowAndSkipsNo", false, kFiveSevenTwelve, true, {false, true},
     json::array(), {"Clear Connection 5?", "Clear Connection 12?"}, 1, {0, 5, 7, 9, 11}, 1},
    {"ClearTwoRowsOfOneConnectionAsksTwiceAndSendsTwice", false, {{5, true}, {5, true}}, true,
     {true, true}, json::array(),
     {"Clear Connection 5?", "Clear Connection 5?", "Cannot Clear Connection\n Code : 89fd"}, 2,
     {0, 7, 9, 11, 12}, 1},
    {"ClearRefusedForRightsOnTheFirstRowStopsWithoutRefresh", false, kFiveSevenTwelve, false, {},
     json::array({Fault(5, "0x89C6")}), {kNoRights}, 1, {0, 5, 7, 9, 11, 12}, 0},
    {"ClearFailingOnOneRowGoesOnWithTheNext", false, kFiveSevenTwelve, false, {},
     json::array({Fault(5, "0x8901")}), {"Cannot Clear Connection\n Code : 8901"}, 2,
     {0, 5, 7, 9, 11}, 1},
    {"ClearOfConnectionZeroIsSentLikeAnyOther", false, {{0, true}}, true, {true},
     json::array(), {"Clear Connection 0?", "Cannot Clear Connection\n Code : 89fd"}, 1,
     {0, 5, 7, 9, 11, 12}, 1},
    {"ClearWithNothingSelectedOnlyTellsSo", false, {{5, false}}, true, {}, json::array(),
     {"Select User(s) to Clear"}, 0, {0, 5, 7, 9, 11, 12}, 0},
    {"ClearOfTheOwnConnectionAsksEvenWithoutConfirming", false, {{1, true}, {5, true}}, false,
     {false}, json::array(), {kOwnQuestion}, 1, {0, 7, 9, 11, 12}, 1},
    {"ClearOfTheOwnConnectionAsksOnlyItsOwnQuestion", false, {{5, true}, {1, true}}, true,
     {true, true}, json::array(),
     {"Clear Connection 5?", kOwnQuestion, "Cannot Clear Connection\n Code : 89fd"}, 2,
     {0, 7, 9, 11, 12}, 1},

    {"ClearAllSendsOneRequestPerConnectionInListOrder", true, {{5, false}, {7, false}, {5, true}},
     false, {}, json::array({Fault(5, "0x8901"), Fault(7, "0x8902")}),
     {"Cannot Clear Connection : 5\n Code : 8901", "Cannot Clear Connection : 7\n Code : 8902"}, 2,
     {0, 5, 7, 9, 11, 12}, 1},
    {"ClearAllIsNotLimitedToTheSelection", true, {{5, false}, {7, false}, {5, false}}, false, {},
     json::array(), {}, 2, {0, 9, 11, 12}, 1},
    {"ClearAllFailingOnOneRowGoesOnWithTheNext", true, {{5, false}, {7, false}}, false, {},
     json::array({Fault(5, "0x8901")}), {"Cannot Clear Connection : 5\n Code : 8901"}, 2,
     {0, 5, 9, 11, 12}, 1},
    {"ClearAllRefusedForRightsStopsAndRefreshes", true, {{5, false}, {7, false}}, false, {},
     json::array({Fault(5, "0x89C6")}), {kNoRights}, 1, {0, 5, 7, 9, 11, 12}, 1},
    {"ClearAllOnAnEmptyListStillAsksAndRefreshes", true, {}, true, {true}, json::array(),
     {"Clear Al Connections ?"}, 0, {0, 5, 7, 9, 11, 12}, 1},
    {"ClearAllAnsweredNoChangesNothing", true, {{5, false}}, true, {false}, json::array(),
     {"Clear Al Connections ?"}, 0, {0, 5, 7, 9, 11, 12}, 0},
    {"ClearAllAsksOnceAboutTheOwnConnection", true, {{1, false}, {5, false}, {1, false}}, true,
     {true, false}, json::array(), {"Clear Al Connections ?", kOwnQuestion}, 1,
     {0, 7, 9, 11, 12}, 1},
};

class ClearTest : public AdminTest, public ::testing::WithParamInterface<ClearCase> {};

TEST_P(ClearTest, AsksClearsAndRefreshesAsTheCaseSays) {
    const ClearCase& c = GetParam();
    json description = BaseNetwork();
    description["faults"] = c.faults;
    Load(description);
    window.rows = c.rows;
    window.confirm = c.confirm;
    prompts.answers = c.answers;
    ConnectionActions actions(*network, session, prompts, window, audit);

    c.all ? actions.ClearAll() : actions.Clear();

    EXPECT_EQ(prompts.Texts(), c.texts);
    EXPECT_EQ(prompts.unscriptedQuestions, 0);
    EXPECT_EQ(Calls("NWClearConnectionNumber"), c.requests);
    EXPECT_EQ(StoredConnections(), c.left);
    EXPECT_EQ(window.refreshes, c.refreshes);
}

INSTANTIATE_TEST_SUITE_P(Cases, ClearTest, ::testing::ValuesIn(kClearCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AdminTest, EmptySelectionBeepsBeforeItsMessage) {
    Load(BaseNetwork());
    window.rows = {{5, false}};
    ConnectionActions actions(*network, session, prompts, window, audit);

    actions.Clear();
    actions.SendMessage();

    ASSERT_EQ(prompts.shown.size(), 4u);
    EXPECT_EQ(prompts.shown[0].kind, ScriptedPrompts::Kind::Beep);
    EXPECT_EQ(prompts.shown[1].text, "Select User(s) to Clear");
    EXPECT_EQ(prompts.shown[2].kind, ScriptedPrompts::Kind::Beep);
    EXPECT_EQ(prompts.shown[3].text, "Select User(s) to Send To");
    EXPECT_EQ(window.messageDialogs, 0);
}

TEST_F(AdminTest, RefreshRunsTheQueryAndRestoresThePointer) {
    Load(BaseNetwork());
    prompts.SetBusyPointer(true);
    ConnectionActions(*network, session, prompts, window, audit).Refresh();
    EXPECT_EQ(window.refreshes, 1);
    EXPECT_FALSE(prompts.busy);
}

// Every clear and message that reached the server is in the audit trail with
// its outcome, a refused one included; a row the user declined is not.
TEST_F(AdminTest, ChangesTriedAreAuditedWithTheirOutcome) {
    json description = BaseNetwork();
    description["faults"] = json::array({Fault(7, "0x8901")});
    description["servers"][0]["connections"][3]["messages"] = false;  // connection 9
    Load(description);
    window.rows = {{5, true, "JSMITH", "F:\\ACCT\\LEDGER.DAT"},
                   {7, true, "ADMIN", "F:\\ACCT\\LEDGER.DAT"},
                   {9, true, "GUEST", "F:\\README.TXT"}};
    window.confirm = true;
    prompts.answers = {true, true, false};  // Clear 5, clear 7, not 9
    ConnectionActions actions(*network, session, prompts, window, audit);
    actions.Clear();
    window.rows = {{9, true, "GUEST", "F:\\README.TXT"}};
    window.messageText = "Logout now";
    actions.SendMessage();

    const auto event = [](const char* action, ConnNumber number, const char* user,
                          const char* file, NWCode result) {
        return AuditEvent{action, "FS1", number, user, file, result};
    };
    EXPECT_EQ(audit.events(),
              (std::vector<AuditEvent>{
                  event(audit::kClear, 5, "JSMITH", "F:\\ACCT\\LEDGER.DAT", 0),
                  event(audit::kClear, 7, "ADMIN", "F:\\ACCT\\LEDGER.DAT", 0x8901),
                  event(audit::kMessage, 9, "GUEST", "F:\\README.TXT", 0xFC)}));
}

// ---- Send Message ------------------------------------------------------------

TEST_F(AdminTest, SendMessageSendsTheTextAsTypedOncePerSelectedRow) {
    Load(BaseNetwork());
    window.rows = {{5, true}, {7, false}, {5, true}, {12, true}};
    ConnectionActions actions(*network, session, prompts, window, audit);

    window.messageText = "";
    actions.SendMessage();
    window.messageText = "Bitte schließen Sie LEDGER.DAT";
    actions.SendMessage();

    EXPECT_EQ(Inbox(5), (Texts{"", "", "Bitte schließen Sie LEDGER.DAT",
                               "Bitte schließen Sie LEDGER.DAT"}));
    EXPECT_EQ(Inbox(12), (Texts{"", "Bitte schließen Sie LEDGER.DAT"}));
    EXPECT_EQ(Inbox(7), Texts{});
    EXPECT_EQ(Calls("NWSendBroadcastMessage"), 6u);
    EXPECT_EQ(prompts.Texts(), Texts{});
    EXPECT_EQ(window.refreshes, 0);
}

TEST_F(AdminTest, SendMessageCancelledSendsNothing) {
    Load(BaseNetwork());
    window.rows = {{5, true}};
    window.messageText.reset();
    ConnectionActions(*network, session, prompts, window, audit).SendMessage();
    EXPECT_EQ(window.messageDialogs, 1);
    EXPECT_EQ(Calls("NWSendBroadcastMessage"), 0u);
}

TEST_F(AdminTest, SendMessageReportsNothingWhenAStationRefuses) {
    json description = BaseNetwork();
    description["servers"][0]["connections"][1]["messages"] = false;  // connection 5
    Load(description);
    window.rows = {{5, true}, {7, true}, {404, true}};
    window.messageText = "Logout now";
    ConnectionActions(*network, session, prompts, window, audit).SendMessage();
    EXPECT_EQ(prompts.Texts(), Texts{});
    EXPECT_EQ(Inbox(5), Texts{});
    EXPECT_EQ(Inbox(7), Texts{"Logout now"});
}

// ---- Other Files Open ---------------------------------------------------------

struct DetailsCase {
    const char* name;
    ConnNumber connection;
    json faults;
    Texts files;
    Texts texts;
};

void PrintTo(const DetailsCase& c, std::ostream* os) { *os << c.name; }

const DetailsCase kDetailsCases[] = {
    {"EveryFileInServerOrder", 5, json::array(), {"SYS:ACCT\\LEDGER.DAT", "DATA:PAYROLL.DB"}, {}},
    {"FileInTheVolumeRootHasNoSeparator", 9, json::array(), {"SYS:README.TXT"}, {}},
    {"DeepPathWithNamesOutsideAscii", 11, json::array(), {"SYS:ACCT\\BÜCHER\\ÜBERSI~1.XLS"}, {}},
    {"ConnectionWithNothingOpenListsNothing", 12, json::array(), {}, {}},
    {"PathNotFoundLeavesTheVolumeAndGoesOn", 5,
     json::array({{{"call", "GetDirectoryEntryPath"}, {"code", "0x89FF"}, {"times", 1}}}),
     {"SYS:", "DATA:PAYROLL.DB"}, {"Unable to get DirEntry info\n Code : 89ff"}},
    {"FailingScanEndsTheListing", 5,
     json::array({{{"call", "ScanOpenFilesByConnection"}, {"code", "0x8901"}, {"after", 1}}}),
     {"SYS:ACCT\\LEDGER.DAT"}, {"Cannot Get Open Files\n Code : 8901"}},
    {"ConnectionGoneIsReported", 404, json::array(), {}, {"Cannot Get Open Files\n Code : 89fd"}},
};

class DetailsTest : public AdminTest, public ::testing::WithParamInterface<DetailsCase> {};

TEST_P(DetailsTest, ListsTheConnectionsOpenFiles) {
    const DetailsCase& c = GetParam();
    json description = BaseNetwork();
    description["faults"] = c.faults;
    Load(description);
    ConnectionActions actions(*network, session, prompts, window, audit);

    actions.ShowConnectionDetails(UsersRowPick{c.connection, "JSMITH"});

    EXPECT_EQ(window.userName, "JSMITH");
    EXPECT_EQ(window.files, c.files);
    EXPECT_EQ(prompts.Texts(), c.texts);
    EXPECT_EQ(window.userInfoShown, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, DetailsTest, ::testing::ValuesIn(kDetailsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AdminTest, DetailsOfASecondRowReplaceTheFirst) {
    Load(BaseNetwork());
    ConnectionActions actions(*network, session, prompts, window, audit);
    actions.ShowConnectionDetails(UsersRowPick{5, "JSMITH"});
    actions.ShowConnectionDetails(UsersRowPick{9, "GUEST"});
    EXPECT_EQ(window.userName, "GUEST");
    EXPECT_EQ(window.files, Texts{"SYS:README.TXT"});
}

TEST_F(AdminTest, DetailsWithoutARowBeepAndDoNotOpen) {
    Load(BaseNetwork());
    ConnectionActions(*network, session, prompts, window, audit).ShowConnectionDetails(std::nullopt);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].kind, ScriptedPrompts::Kind::Beep);
    EXPECT_EQ(prompts.shown[1].text, "Double Click on a User to get Information");
    EXPECT_EQ(window.userInfoShown, 0);
    EXPECT_EQ(Calls("ScanOpenFilesByConnection"), 0u);
}

TEST(FileLine, CutsLongLinesAndStopsAtTheBufferEnd) {
    std::vector<std::uint8_t> path;
    for (int i = 0; i < 4; ++i) {
        path.push_back(80);
        path.insert(path.end(), 80, static_cast<std::uint8_t>('A' + i));
    }
    path.push_back(0);
    const std::string line = ConnectionActions::FileLine("VOL1", path.data(), path.size());
    EXPECT_EQ(line.size(), ConnectionActions::kMaxLineBytes);
    EXPECT_EQ(line.substr(0, 6), "VOL1:A");
    EXPECT_EQ(line.back(), 'D');

    // A component longer than what is left of the buffer, and no end byte.
    const std::uint8_t cut[] = {3, 'D', 'I', 'R', 9, 'F', 'I', 'L'};
    EXPECT_EQ(ConnectionActions::FileLine("SYS", cut, sizeof cut), "SYS:DIR\\FIL");
    EXPECT_EQ(ConnectionActions::FileLine("SYS", cut, 0), "SYS:");
}

}  // namespace
}  // namespace admintest
