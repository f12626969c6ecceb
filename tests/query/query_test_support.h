#pragma once

// What the query tests share: a simulated network made from a small
// description and a window that records what the query did to it.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/prompts.h"
#include "platform/sim/simulated_network.h"
#include "query/query_window.h"
#include "query/row_table.h"
#include "tests/support/scripted_prompts.h"

namespace querytest {

// One server with a tree, a long-name volume SYS and a DOS-only volume DATA.
inline nlohmann::json BaseNetwork() {
    return nlohmann::json::parse(R"({
  "workstation": { "primary": "FS1", "drives": { "F": "FS1\\SYS:", "G": "FS1\\DATA:" },
                   "nds": { "tree": "ACME", "user": "ADMIN.IT.ACME" },
                   "bindery": { "FS1": "SUPERVISOR" } },
  "trees": { "ACME": {
      "ADMIN.IT.ACME": { "password": "x", "Full Name": ["Ada Admin"] },
      "JSMITH.SALES.ACME": { "password": "pw", "Full Name": ["John Smith", "J. Smith"] },
      "GUEST.ACME": { "password": "" } } },
  "servers": [ {
      "name": "FS1", "tree": "ACME", "operators": ["SUPERVISOR", "ADMIN.IT.ACME"],
      "users": { "SUPERVISOR": "secret" }, "address": "10.0.0.1",
      "volumes": [
        { "name": "SYS", "number": 0, "longNames": true, "entries": [
            "README.TXT",
            { "name": "ACCT", "entries": [
                "LEDGER.DAT",
                { "name": "Quarterly Report.doc", "dos": "QUARTE~1.DOC" },
                { "name": "ARCHIVE.DAT", "entries": [ "OLD.DAT" ] },
                { "name": "AUDIT.DAT", "hidden": true, "system": true },
                { "name": "SUB", "entries": [ "DEEP.DAT", "NOTE3.TXT",
                                              { "name": "INNER", "entries": [ "Z.DAT" ] } ] },
                "NOTES.TXT",
                "NOTE1.TXT" ] },
            { "name": "EMPTY", "entries": [] } ] },
        { "name": "DATA", "number": 1, "longNames": false, "entries": [ "PAYROLL.DB" ] } ],
      "connections": [
        { "number": 0, "open": [ { "path": "SYS:ACCT\\LEDGER.DAT",
                                   "locks": [ { "start": 0, "end": 99, "task": 1, "type": 10 } ] } ] },
        { "number": 5, "user": "JSMITH.SALES.ACME", "loginTime": "2007-01-03 09:05:00",
          "address": "0000ABCD:00C0F0123456",
          "open": [ "SYS:ACCT\\LEDGER.DAT",
                    { "path": "SYS:ACCT\\Quarterly Report.doc",
                      "locks": [ { "start": 0, "end": 511, "task": 2, "type": 1 } ] },
                    "DATA:PAYROLL.DB" ] },
        { "number": 12, "user": "GUEST.ACME", "nds": false, "loginTime": "2007-01-03 17:45:10",
          "address": "10.1.2.3", "open": [ "SYS:ACCT\\LEDGER.DAT", "SYS:ACCT\\LEDGER.DAT" ] },
        { "number": 7, "user": "ADMIN.IT.ACME", "loginTime": "1999-12-31 23:59:00",
          "open": [ { "path": "SYS:ACCT\\LEDGER.DAT",
                      "locks": [ { "start": 100, "end": 4294967295, "task": 10, "type": 9 } ] } ] },
        { "number": 9, "user": "GUEST.ACME", "loginTime": "2010-06-15 08:00:00",
          "open": [ "SYS:README.TXT" ] } ]
  } ]
})");
}

// The owners of the error boxes shown, in order.
inline std::vector<Prompts::Owner> ErrorOwners(const ScriptedPrompts& prompts) {
    std::vector<Prompts::Owner> owners;
    for (const ScriptedPrompts::Shown& shown : prompts.shown) {
        if (shown.kind == ScriptedPrompts::Kind::Error) owners.push_back(shown.owner);
    }
    return owners;
}

class RecordingWindow final : public QueryWindow {
public:
    std::string PathText() const override { return path; }
    bool CheckSubdirectories() const override { return checkSub; }
    bool CheckFileLocks() const override { return checkLocks; }
    bool ShowFullContext() const override { return showContext; }
    bool ShowFullName() const override { return showFullName; }
    bool ShowNetworkNumber() const override { return showNetwork; }
    void UpdatePickList(const std::string& text) override { pickList.push_back(text); }
    void SetScanStatus(const std::string& text) override {
        status = text;
        statusHistory.push_back(text);
        if (onStatus) onStatus();
    }
    void ShowPage(Page shown) override { page = shown; }
    void Repaint() override {}
    void QueryRunning(bool on) override { running = on; }
    void SetCurrentServerConnection(ConnHandle conn) override {
        currentConn = conn;
        ++connectionSets;
    }
    DSContext SharedNdsContext() const override { return context; }

    // Every "Checking : " line, without its prefix: the files in walk order.
    std::vector<std::string> Checked() const {
        std::vector<std::string> files;
        const std::string prefix = "Checking : ";
        for (const std::string& line : statusHistory) {
            if (line.rfind(prefix, 0) == 0) files.push_back(line.substr(prefix.size()));
        }
        return files;
    }

    // Options as the window starts with them.
    std::string path;
    bool checkSub = false;
    bool checkLocks = true;
    bool showContext = true;
    bool showFullName = true;
    bool showNetwork = true;

    bool running = false;
    std::function<void()> onStatus;  // runs inside the query, as a click could
    DSContext context = 0;
    std::vector<std::string> pickList;
    std::string status = "previous status";
    std::vector<std::string> statusHistory;
    std::optional<Page> page;
    ConnHandle currentConn = 0;
    int connectionSets = 0;
};

// A simulated network from a description, with the shared directory context
// set up as the window's start-up does it.
class SimulatedQueryTest : public ::testing::Test {
protected:
    void Load(const std::string& description) {
        const std::filesystem::path dir =
            std::filesystem::path(::testing::TempDir()) /
            ("kr_query_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        const std::filesystem::path file = dir / "network.json";
        std::ofstream(file) << description;
        SimOptions options;
        options.networkPath = file.string();
        options.readOnly = true;
        network = CreateSimulatedNetwork(options);
        ASSERT_EQ(network->NWCallsInit(), 0) << description;
        DSContext context = 0;
        ASSERT_EQ(network->DSCreateContextHandle(context), 0);
        std::uint32_t flags = 0;
        network->DSGetContext(context, kDSContextFlags, flags);
        network->DSSetContext(context, kDSContextFlags, flags | kDSFlagTypeless);
        network->DSSetContext(context, kDSContextNameContext, std::string("[root]"));
        window.context = context;
    }

    std::vector<std::string> UsersColumn(std::size_t column) const {
        std::vector<std::string> texts;
        for (std::size_t r = 0; r < users.RowCount(); ++r) texts.emplace_back(users.Cell(r, column));
        return texts;
    }

    std::unique_ptr<SimulatedNetwork> network;
    ScriptedPrompts prompts;
    RecordingWindow window;
    RowTable users;
    RowTable locks;
};

}  // namespace querytest
