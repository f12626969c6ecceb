// The server connection step behind a server's expansion: silent passage for
// an authenticated user, the bindery login and the tree login with every
// answer the "Login" dialog and the server can give.

#include <gtest/gtest.h>

#include <ostream>

#include "query/open_file_query.h"
#include "query/row_table.h"
#include "tests/browser/browser_test_support.h"
#include "tests/query/query_test_support.h"

namespace browsertest {
namespace {

using Login = std::optional<std::pair<std::string, std::string>>;

TEST_F(BrowserTest, AuthenticatedServerOpensWithoutTheDialog) {
    Load();
    browser->LoadDrives();
    EXPECT_TRUE(browser->tvwDrivesExpanding(Find(nullptr, "FS1")));
    EXPECT_EQ(window.loginDetails, Texts{});
}

struct BinderyCase {
    const char* name;
    friend void PrintTo(const BinderyCase& c, std::ostream* os) { *os << c.name; }
    std::vector<Login> answers;
    bool expanded;
    Texts boxes;
};

class BinderyLoginTest : public BrowserTest, public ::testing::WithParamInterface<BinderyCase> {};

TEST_P(BinderyLoginTest, AsksForTheServerAndAnswers) {
    const BinderyCase& c = GetParam();
    Load();
    browser->LoadDrives();
    window.logins.assign(c.answers.begin(), c.answers.end());
    TreeNode* server = Find(nullptr, "FS2");
    EXPECT_EQ(browser->tvwDrivesExpanding(server), c.expanded);
    EXPECT_EQ(window.loginDetails, Texts{"Login To Server FS2"});
    EXPECT_EQ(prompts.Texts(), c.boxes);
    EXPECT_EQ(Children(server), c.expanded ? Texts{"VOL1"} : Texts{"Working..."});
    EXPECT_FALSE(prompts.busy);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, BinderyLoginTest,
    ::testing::Values(
        BinderyCase{"RightPassword", {Login{{"supervisor", "secret"}}}, true, {}},
        BinderyCase{"Cancelled", {std::nullopt}, false, {}},
        BinderyCase{"UnknownUser", {Login{{"nobody", "secret"}}}, false, {"Unknown User ID"}},
        BinderyCase{"WrongPassword", {Login{{"SUPERVISOR", "guess"}}}, false, {"Invalid Password"}}),
    [](const ::testing::TestParamInfo<BinderyCase>& info) { return info.param.name; });

TEST_F(BrowserTest, CancelledLoginIsAskedAgainOnTheNextExpansion) {
    Load();
    browser->LoadDrives();
    TreeNode* server = Find(nullptr, "FS2");
    window.logins = {std::nullopt, Login{{"SUPERVISOR", "secret"}}};
    EXPECT_FALSE(browser->tvwDrivesExpanding(server));
    EXPECT_TRUE(browser->tvwDrivesExpanding(server));
    EXPECT_EQ(window.loginDetails, (Texts{"Login To Server FS2", "Login To Server FS2"}));
    // Logged in now: a reload and a new expansion pass without asking.
    browser->LoadDrives();
    EXPECT_TRUE(browser->tvwDrivesExpanding(Find(nullptr, "FS2")));
    EXPECT_EQ(window.loginDetails.size(), 2u);
}

TEST_F(BrowserTest, OtherBinderyRefusalShowsItsCode) {
    LoadWithFault({{"call", "NWLoginToFileServer"}, {"code", "0x89C6"}});
    browser->LoadDrives();
    window.logins = {Login{{"SUPERVISOR", "secret"}}};
    EXPECT_FALSE(browser->tvwDrivesExpanding(Find(nullptr, "FS2")));
    EXPECT_EQ(prompts.Texts(), Texts{"NWLoginToFileServer\n Code : 89c6"});
}

TEST_F(BrowserTest, TreeLoginReplacesTheSharedContextAndNamesComeFromTheNewTree) {
    Load();
    browser->LoadDrives();
    const DSContext before = session.dsContext;
    window.logins = {Login{{"PILOT.HARBOUR", "sea"}}};
    TreeNode* server = Find(nullptr, "HB1");
    ASSERT_TRUE(browser->tvwDrivesExpanding(server));
    EXPECT_EQ(window.loginDetails, Texts{"Login To Tree HARBOUR"});
    EXPECT_EQ(prompts.Texts(), Texts{});
    EXPECT_EQ(Children(server), Texts{"SYS"});
    EXPECT_NE(session.dsContext, before);

    // The query's full names, looked up through the shared context.
    querytest::RecordingWindow queryWindow;
    queryWindow.path = "HB1\\SYS:MANIFEST.TXT";
    queryWindow.context = session.dsContext;
    RowTable users;
    RowTable locks;
    OpenFileQuery query(*network, prompts, queryWindow, users, locks);
    query.GetOpenFilesData();
    EXPECT_EQ(prompts.Texts(), Texts{});
    ASSERT_EQ(users.RowCount(), 1u);
    EXPECT_EQ(users.Cell(0, static_cast<std::size_t>(UsersColumn::FullName)), "Dock Clerk");
}

struct TreeRefusalCase {
    const char* name;
    friend void PrintTo(const TreeRefusalCase& c, std::ostream* os) { *os << c.name; }
    Login answer;
    nlohmann::json fault;  // null: none
    Texts boxes;
    bool contextReplaced;
};

class TreeLoginRefusalTest : public BrowserTest, public ::testing::WithParamInterface<TreeRefusalCase> {};

TEST_P(TreeLoginRefusalTest, LeavesTheServerUnloaded) {
    const TreeRefusalCase& c = GetParam();
    if (c.fault.is_null())
        Load();
    else
        LoadWithFault(c.fault);
    browser->LoadDrives();
    const DSContext before = session.dsContext;
    window.logins = {c.answer};
    TreeNode* server = Find(nullptr, "HB1");
    EXPECT_FALSE(browser->tvwDrivesExpanding(server));
    EXPECT_EQ(prompts.Texts(), c.boxes);
    EXPECT_EQ(Children(server), Texts{"Working..."});
    EXPECT_EQ(session.dsContext != before, c.contextReplaced);
    EXPECT_FALSE(prompts.busy);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TreeLoginRefusalTest,
    ::testing::Values(
        TreeRefusalCase{"Cancelled", std::nullopt, nullptr, {}, false},
        TreeRefusalCase{"WrongPassword", Login{{"PILOT.HARBOUR", "reef"}}, nullptr,
                        {"NWDSLogin\n Code : fffffd63"}, true},
        TreeRefusalCase{"ReopenFails", Login{{"PILOT.HARBOUR", "sea"}},
                        {{"call", "NWCCOpenConnByName"}, {"server", "HB1"}, {"after", 1}, {"code", "0x880F"}},
                        {"NWCCOpenConnByName() \n Code : 880f"}, true},
        TreeRefusalCase{"AuthenticationFails", Login{{"PILOT.HARBOUR", "sea"}},
                        {{"call", "NWDSAuthenticate"}, {"server", "HB1"}, {"after", 2}, {"code", -669}},
                        {"NWDSAuthenticate() \n Code : fffffd63"}, true}),
    [](const ::testing::TestParamInfo<TreeRefusalCase>& info) { return info.param.name; });

}  // namespace
}  // namespace browsertest
