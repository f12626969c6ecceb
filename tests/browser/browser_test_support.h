#pragma once

// What the browser tests share: a small network with a server in the
// workstation's tree, a bindery server that asks for a login and a server of
// another tree, and a window that records what the browser did to it.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "browser/browser_window.h"
#include "browser/network_browser.h"
#include "browser/node_tree.h"
#include "platform/client_session.h"
#include "platform/sim/simulated_network.h"
#include "tests/support/scripted_prompts.h"

namespace browsertest {

using Texts = std::vector<std::string>;

inline nlohmann::json BaseNetwork() {
    return nlohmann::json::parse(R"({
  "workstation": { "primary": "FS1", "drives": { "F": "FS1\\SYS:", "G": "FS1\\DATA:APPS" },
                   "nds": { "tree": "ACME", "user": "ADMIN.IT.ACME" } },
  "trees": {
    "ACME": { "ADMIN.IT.ACME": { "password": "x", "Full Name": ["Ada Admin"] } },
    "HARBOUR": { "PILOT.HARBOUR": { "password": "sea", "Full Name": ["Harbour Pilot"] },
                 "CLERK.HARBOUR": { "password": "ink", "Full Name": ["Dock Clerk"] } } },
  "servers": [
    { "name": "FS1", "tree": "ACME", "operators": ["ADMIN.IT.ACME"],
      "discovery": { "ipx": true, "ip": "fs1" },
      "volumes": [
        { "name": "SYS", "number": 0, "longNames": true, "entries": [
            "README.TXT", "autoexec.bat",
            { "name": "PUBLIC", "entries": [ "LOGIN.EXE", { "name": "Client", "entries": [] } ] },
            { "name": "ACCT", "entries": [ "LEDGER.DAT", "Quarterly Report.doc",
                                           { "name": "2006", "entries": [ "Q1.XLS" ] },
                                           { "name": "2007", "entries": [] },
                                           { "name": "_OLD", "entries": [] } ] },
            { "name": "EMPTY", "entries": [] } ] },
        { "name": "DATA", "number": 1, "entries": [
            "PAYROLL.DB", { "name": "APPS", "entries": [ "TOOL.EXE", { "name": "BIN", "entries": [] } ] } ] },
        { "name": "ARCH", "number": 3, "entries": [ "OLD.ZIP" ] } ],
      "connections": [ { "number": 0 }, { "number": 4, "user": "ADMIN.IT.ACME" } ] },
    { "name": "FS2", "users": { "SUPERVISOR": "secret" }, "operators": ["SUPERVISOR"],
      "loginsEnabled": true, "discovery": { "ipx": false, "ip": "FS2" },
      "volumes": [ { "name": "VOL1", "number": 0, "entries": [ { "name": "STOCK", "entries": [] } ] } ] },
    { "name": "HB1", "tree": "HARBOUR", "operators": ["PILOT.HARBOUR"], "discovery": { "ipx": true, "ip": false },
      "volumes": [ { "name": "SYS", "number": 0, "longNames": true, "entries": [ "MANIFEST.TXT" ] } ],
      "connections": [ { "number": 0 },
                       { "number": 2, "user": "CLERK.HARBOUR", "open": [ "SYS:MANIFEST.TXT" ] } ] }
  ]
})");
}

class RecordingWindow final : public BrowserWindow, public LoginBox {
public:
    bool ShowDrives() const override { return showDrives; }
    bool ShowServers() const override { return showServers; }
    bool UseIPX() const override { return useIPX; }
    bool UseIP() const override { return useIP; }
    void ShowStatus() override {
        ++statusShown;
        statusVisible = true;
    }
    void SetStatus(const std::string& text) override { statusTexts.push_back(text); }
    void HideStatus() override { statusVisible = false; }
    void SetPathText(const std::string& text) override { pathText = text; }
    void RepaintWindow() override { ++repaints; }
    TreeNode* SelectedNode() const override { return selected; }
    void UpdateServerPage() override { ++serverPageUpdates; }

    // Answers from the script, in order: a user name and password for OK,
    // nullopt for Cancel. An unscripted login is cancelled.
    bool AskLogin(const std::string& details, std::string& userName,
                  std::string& password) override {
        loginDetails.push_back(details);
        if (logins.empty() || !logins.front()) {
            if (!logins.empty()) logins.pop_front();
            return false;
        }
        std::tie(userName, password) = *logins.front();
        logins.pop_front();
        return true;
    }

    bool showDrives = true;
    bool showServers = true;
    bool useIPX = true;
    bool useIP = true;

    int statusShown = 0;
    bool statusVisible = false;
    Texts statusTexts;
    std::string pathText = "previous path";
    int repaints = 0;
    TreeNode* selected = nullptr;
    int serverPageUpdates = 0;
    std::deque<std::optional<std::pair<std::string, std::string>>> logins;
    Texts loginDetails;
};

class PlainFileList final : public FileList {
public:
    void Clear() override { items.clear(); }
    void SetFiles(std::vector<std::string> captions) override { items = std::move(captions); }
    std::size_t Count() const override { return items.size(); }
    std::string Caption(std::size_t index) const override { return items.at(index); }
    Texts items = {"previous file"};
};

// The browser on a simulated network made from a description, with the
// shared directory context set up as the window's start-up does it.
class BrowserTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (!network) return;
        EXPECT_EQ(network->OpenDirHandles(), 0);
        EXPECT_EQ(network->OpenConnHandles(), 0);
    }

    void Load(const nlohmann::json& description = BaseNetwork()) {
        const std::filesystem::path dir =
            std::filesystem::path(::testing::TempDir()) /
            ("kr_browser_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        const std::filesystem::path file = dir / "network.json";
        std::ofstream(file) << description.dump();
        SimOptions options;
        options.networkPath = file.string();
        options.readOnly = true;
        network = CreateSimulatedNetwork(options);
        ASSERT_EQ(network->NWCallsInit(), 0);
        ASSERT_EQ(network->DSCreateContextHandle(session.dsContext), 0);
        std::uint32_t flags = 0;
        network->DSGetContext(session.dsContext, kDSContextFlags, flags);
        network->DSSetContext(session.dsContext, kDSContextFlags, flags | kDSFlagTypeless);
        network->DSSetContext(session.dsContext, kDSContextNameContext, std::string("[root]"));
        browser = std::make_unique<NetworkBrowser>(*network, *network, prompts, session, window,
                                                   window, tree, files);
    }

    // Loads with one fault added to the base network.
    void LoadWithFault(nlohmann::json fault) {
        nlohmann::json net = BaseNetwork();
        net["faults"] = nlohmann::json::array({std::move(fault)});
        Load(net);
    }

    Texts Children(const TreeNode* parent) const {
        Texts texts;
        for (const auto& child : tree.Children(parent)) texts.push_back(child->text);
        return texts;
    }

    TreeNode* Find(const TreeNode* parent, const std::string& text) const {
        for (const auto& child : tree.Children(parent))
            if (child->text == text) return child.get();
        ADD_FAILURE() << "no node " << text;
        return nullptr;
    }

    // Expands the nodes named by the path of texts, one after the other.
    TreeNode* Walk(std::initializer_list<std::string> texts) {
        TreeNode* node = nullptr;
        for (const std::string& text : texts) {
            if (node) {
                EXPECT_TRUE(browser->tvwDrivesExpanding(node)) << node->text;
            }
            node = Find(node, text);
            if (!node) return nullptr;
        }
        return node;
    }

    void Select(TreeNode* node) {
        window.selected = node;
        browser->tvwDrivesChange(node);
    }

    std::unique_ptr<SimulatedNetwork> network;
    ScriptedPrompts prompts;
    ClientSession session;
    RecordingWindow window;
    NodeTree tree;
    PlainFileList files;
    std::unique_ptr<NetworkBrowser> browser;
};

}  // namespace browsertest
