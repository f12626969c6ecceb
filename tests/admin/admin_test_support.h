#pragma once

// What the connection-action tests share: a network description written to a
// directory of its own (so that what the actions changed can be read back),
// the simulation on it, scripted prompts and a window that records what the
// actions asked of it.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "admin/actions_window.h"
#include "platform/audit_log.h"
#include "platform/client_session.h"
#include "platform/sim/simulated_network.h"
#include "tests/support/scripted_prompts.h"

namespace admintest {

// One server FS1 on which the workstation has console rights, with
// connections 0, 5, 7, 9 and 12 (the workstation's own number is therefore 1).
inline nlohmann::json BaseNetwork() {
    return nlohmann::json::parse(R"({
  "workstation": { "primary": "FS1", "drives": { "F": "FS1\\SYS:" },
                   "bindery": { "FS1": "SUPERVISOR" } },
  "servers": [ {
      "name": "FS1", "operators": ["SUPERVISOR"], "users": { "SUPERVISOR": "secret" },
      "volumes": [
        { "name": "SYS", "number": 0, "longNames": true, "entries": [
            "README.TXT",
            { "name": "ACCT", "entries": [ "LEDGER.DAT",
                { "name": "Bücher", "dos": "BÜCHER", "entries": [
                    { "name": "Übersicht 2007.xls", "dos": "ÜBERSI~1.XLS" } ] } ] } ] },
        { "name": "DATA", "number": 3, "entries": [ "PAYROLL.DB" ] } ],
      "connections": [
        { "number": 0, "open": [ "SYS:ACCT\\LEDGER.DAT" ] },
        { "number": 5, "user": "JSMITH", "open": [ "SYS:ACCT\\LEDGER.DAT", "DATA:PAYROLL.DB" ] },
        { "number": 7, "user": "ADMIN", "open": [ "SYS:ACCT\\LEDGER.DAT" ] },
        { "number": 9, "user": "GUEST", "open": [ "SYS:README.TXT" ] },
        { "number": 11, "user": "AUDIT",
          "open": [ "SYS:ACCT\\Bücher\\Übersicht 2007.xls" ] },
        { "number": 12, "user": "GUEST", "open": [] } ]
  } ]
})");
}

inline constexpr ConnNumber kOwnNumber = 1;

class RecordingActionsWindow final : public ActionsWindow {
public:
    struct Row {
        ConnNumber connection;
        bool selected;
        std::string user = {};
        std::string file = {};
    };

    std::vector<ConnNumber> UsersConnections(bool selectedOnly) const override {
        std::vector<ConnNumber> numbers;
        for (const Row& row : rows)
            if (row.selected || !selectedOnly) numbers.push_back(row.connection);
        return numbers;
    }
    UsersRowTexts RowTexts(ConnNumber number) const override {
        for (const Row& row : rows)
            if (row.connection == number) return {row.user, row.file};
        return {};
    }
    bool ConfirmOnClear() const override { return confirm; }
    void GetOpenFilesData() override { ++refreshes; }
    std::optional<std::string> AskMessageText() override {
        ++messageDialogs;
        return messageText;
    }
    void SetUserInfoName(const std::string& name) override { userName = name; }
    void ClearUserInfoFiles() override { files.clear(); }
    void AddUserInfoFile(const std::string& line) override { files.push_back(line); }
    void ShowUserInfo() override { ++userInfoShown; }

    std::vector<Row> rows;
    bool confirm = false;
    std::optional<std::string> messageText;  // none: the dialog is cancelled

    int refreshes = 0;
    int messageDialogs = 0;
    std::string userName;
    std::vector<std::string> files;
    int userInfoShown = 0;
};

// A writable description in a directory of the test's own and a simulation
// on it, with the current server connection set to FS1 as a query leaves it.
class AdminTest : public ::testing::Test {
protected:
    ~AdminTest() override {
        network.reset();
        std::filesystem::remove_all(m_dir);
    }

    void Load(const nlohmann::json& description) {
        std::filesystem::create_directories(m_dir);
        std::ofstream(File()) << description.dump(2);
        SimOptions options;
        options.networkPath = File().string();
        network = CreateSimulatedNetwork(options);
        ASSERT_EQ(network->NWCallsInit(), 0);
        DirHandle dirHandle = 0;
        std::string relative;
        ASSERT_EQ(network->NWParseNetWarePath("FS1\\SYS:", session.currentConn, dirHandle, relative), 0);
    }

    std::filesystem::path File() const { return m_dir / "network.json"; }

    nlohmann::json Stored() const {
        std::ifstream in(File());
        return nlohmann::json::parse(in, nullptr, true, true);
    }

    // The connection numbers left on FS1 in the stored description.
    std::vector<int> StoredConnections() const {
        const nlohmann::json stored = Stored();
        std::vector<int> numbers;
        for (const auto& c : stored["servers"][0]["connections"]) numbers.push_back(c["number"]);
        return numbers;
    }

    std::vector<std::string> Inbox(int number) const {
        const nlohmann::json stored = Stored();
        for (const auto& c : stored["servers"][0]["connections"])
            if (c["number"] == number && c.contains("inbox")) return c["inbox"];
        return {};
    }

    std::uint64_t Calls(const std::string& name) const {
        const auto counts = network->CallCounts();
        const auto it = counts.find(name);
        return it == counts.end() ? 0 : it->second;
    }

    static std::string TestName() {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name)
            if (c == '/') c = '_';
        return name;
    }

    std::filesystem::path m_dir = std::filesystem::temp_directory_path() /
                                  ("kr-admin-" + std::to_string(::getpid()) + "-" + TestName());
    std::unique_ptr<SimulatedNetwork> network;
    ClientSession session;
    ScriptedPrompts prompts;
    RecordingActionsWindow window;
    MemoryAuditLog audit;
};

}  // namespace admintest
