// The server page and the login switches on the simulated network: "N/A"
// without a server, the three facts and the login status of the selected
// node's server, and Enable and Disable with their refusals.

#include <gtest/gtest.h>

#include <ostream>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "admin/server_page.h"
#include "platform/sim/simulated_network.h"
#include "tests/support/scripted_prompts.h"

namespace {

using Texts = std::vector<std::string>;

// FS1: the workstation's identity is an operator; FS2: a login there, but no
// operator.
nlohmann::json Network() {
    return nlohmann::json::parse(R"({
  "workstation": { "bindery": { "FS1": "SUPERVISOR", "FS2": "CLERK" } },
  "servers": [
    { "name": "FS1", "operators": ["SUPERVISOR"], "users": { "SUPERVISOR": "x" },
      "connections": [ { "number": 0 }, { "number": 3, "user": "SUPERVISOR" }, { "number": 9, "user": "SUPERVISOR" } ] },
    { "name": "FS2", "operators": ["SUPERVISOR"], "loginsEnabled": false, "users": { "CLERK": "y" },
      "connections": [ { "number": 1, "user": "CLERK" } ] }
  ]
})");
}

class Labels final : public ServerPageLabels {
public:
    void SetServerName(const std::string& text) override { serverName = text; }
    void SetLicenseCount(const std::string& text) override { licenseCount = text; }
    void SetSuperEquivalent(const std::string& text) override { superEquivalent = text; }
    void SetLoginStatus(const std::string& text) override { loginStatus = text; }
    Texts All() const { return {serverName, licenseCount, superEquivalent, loginStatus}; }

    std::string serverName = "old";
    std::string licenseCount = "old";
    std::string superEquivalent = "old";
    std::string loginStatus = "old";
};

ServerSelection Selected(const std::string& server) { return {true, true, server}; }

class ServerPageTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (network) {
            EXPECT_EQ(network->OpenConnHandles(), 0);
        }
    }

    void Load(nlohmann::json faults = nlohmann::json::array()) {
        nlohmann::json net = Network();
        net["faults"] = std::move(faults);
        const std::filesystem::path dir =
            std::filesystem::path(::testing::TempDir()) /
            ("kr_admin_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "network.json") << net.dump();
        SimOptions options;
        options.networkPath = (dir / "network.json").string();
        options.readOnly = true;
        network = CreateSimulatedNetwork(options);
        ASSERT_EQ(network->NWCallsInit(), 0);
        page = std::make_unique<ServerPage>(*network, prompts, labels, ready, audit);
    }

    std::unique_ptr<SimulatedNetwork> network;
    ScriptedPrompts prompts;
    Labels labels;
    bool ready = true;
    MemoryAuditLog audit;
    std::unique_ptr<ServerPage> page;
};

struct UpdateCase {
    const char* name;
    friend void PrintTo(const UpdateCase& c, std::ostream* os) { *os << c.name; }
    ServerSelection selection;
    nlohmann::json faults;
    Texts labels;  // name, count, supervisor, login status
    Texts boxes;
};

class UpdateTest : public ServerPageTest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(UpdateTest, ShowsTheSelectedServer) {
    const UpdateCase& c = GetParam();
    Load(c.faults);
    page->UpdateServerPage(c.selection);
    EXPECT_EQ(labels.All(), c.labels);
    EXPECT_EQ(prompts.Texts(), c.boxes);
}

INSTANTIATE_TEST_SUITE_P(
    Selections, UpdateTest,
    ::testing::Values(
        UpdateCase{"NoNode", {}, nlohmann::json::array(), {"N/A", "N/A", "N/A", "old"}, {}},
        UpdateCase{"Placeholder", {true, false, ""}, nlohmann::json::array(), {"N/A", "N/A", "N/A", "old"}, {}},
        UpdateCase{"DriveWithoutServer", Selected(""), nlohmann::json::array(), {"N/A", "N/A", "N/A", "old"}, {}},
        UpdateCase{"Operator", Selected("FS1"), nlohmann::json::array(), {"FS1", "2", "Yes", "Enabled"}, {}},
        UpdateCase{"NoConsoleRights", Selected("FS2"), nlohmann::json::array(), {"FS2", "1", "No", "Disabled"}, {}},
        UpdateCase{"LoginStatusUnanswered", Selected("FS1"),
                   nlohmann::json::array({{{"call", "GetFileServerLoginStatus"}, {"code", "0x8801"}}}),
                   {"FS1", "2", "Yes", "??"}, {}},
        // The information request is not examined, but its failure shows no
        // leftovers: the labels keep "N/A".
        UpdateCase{"InformationUnanswered", Selected("FS1"),
                   nlohmann::json::array({{{"call", "GetFileServerInformation"}, {"code", "0x8801"}}}),
                   {"N/A", "N/A", "Yes", "Enabled"}, {}},
        UpdateCase{"ServerUnreachable", Selected("FS9"), nlohmann::json::array(),
                   {"N/A", "N/A", "N/A", "old"}, {"NWCCOpenConnByName() \n Code : 880f"}},
        UpdateCase{"VersionUnread", Selected("FS1"),
                   nlohmann::json::array({{{"call", "NWCCGetConnInfo"}, {"code", "0x8801"}}}),
                   {"N/A", "N/A", "N/A", "old"}, {"NWCCGetConnInfo\n Code : 8801"}}),
    [](const ::testing::TestParamInfo<UpdateCase>& info) { return info.param.name; });

TEST_F(ServerPageTest, NothingBeforeThePageIsReady) {
    Load();
    ready = false;
    page->UpdateServerPage(Selected("FS1"));
    EXPECT_EQ(labels.All(), (Texts{"old", "old", "old", "old"}));
    EXPECT_EQ(network->CallCounts()["NWCCOpenConnByName"], 0u);
}

TEST_F(ServerPageTest, DisableThenEnableSwitchesTheStatus) {
    Load();
    page->UpdateServerPage(Selected("FS1"));
    EXPECT_EQ(labels.loginStatus, "Enabled");
    page->cmdDisableLoginsClick(Selected("FS1"));
    EXPECT_EQ(labels.loginStatus, "Disabled");
    page->cmdEnableLoginsClick(Selected("FS1"));
    EXPECT_EQ(labels.loginStatus, "Enabled");
    EXPECT_EQ(prompts.Texts(), Texts{});
}

struct SwitchCase {
    const char* name;
    friend void PrintTo(const SwitchCase& c, std::ostream* os) { *os << c.name; }
    bool enable;
    ServerSelection selection;
    nlohmann::json faults;
    Texts boxes;
    std::string loginStatus;
    std::optional<NWCode> audited;  // the outcome recorded in the audit trail; none: nothing tried
};

class SwitchTest : public ServerPageTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SwitchTest, RefusalsAreReportedAndThePageRefreshed) {
    const SwitchCase& c = GetParam();
    Load(c.faults);
    if (c.enable)
        page->cmdEnableLoginsClick(c.selection);
    else
        page->cmdDisableLoginsClick(c.selection);
    EXPECT_EQ(prompts.Texts(), c.boxes);
    EXPECT_EQ(labels.loginStatus, c.loginStatus);
    std::vector<AuditEvent> audited;
    if (c.audited)
        audited.push_back({c.enable ? audit::kEnableLogins : audit::kDisableLogins,
                           c.selection.serverName, std::nullopt, "", "", *c.audited});
    EXPECT_EQ(audit.events(), audited);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, SwitchTest,
    ::testing::Values(
        SwitchCase{"NoNodeSelected", true, {}, nlohmann::json::array(), {"Select a drive or server"}, "old", std::nullopt},
        SwitchCase{"Placeholder", false, {true, false, ""}, nlohmann::json::array(), {}, "old", std::nullopt},
        SwitchCase{"EnableWithoutRights", true, Selected("FS2"), nlohmann::json::array(),
                   {"Insufficent Rights to Enable Logins"}, "Disabled", 0x89C6},
        SwitchCase{"DisableWithoutRights", false, Selected("FS2"), nlohmann::json::array(),
                   {"Insufficent Rights to Disable Logins"}, "Disabled", 0x89C6},
        SwitchCase{"EnableFails", true, Selected("FS1"),
                   nlohmann::json::array({{{"call", "NWEnableFileServerLogin"}, {"code", "0x8801"}}}),
                   {"Cannot Enable Logins\n Code : 8801"}, "Enabled", 0x8801},
        SwitchCase{"DisableFails", false, Selected("FS1"),
                   nlohmann::json::array({{{"call", "NWDisableFileServerLogin"}, {"code", "0x8801"}}}),
                   {"Cannot Disable Logins\n Code : 8801"}, "Enabled", 0x8801},
        SwitchCase{"ServerUnreachable", false, Selected("FS9"), nlohmann::json::array(),
                   {"NWCCOpenConnByName() \n Code : 880f"}, "old", std::nullopt}),
    [](const ::testing::TestParamInfo<SwitchCase>& info) { return info.param.name; });

}  // namespace
