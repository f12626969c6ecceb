#pragma once

// What the query tests share: a simulated network made from a small
// description, prompts that record every box, and a window that records what
// the query did to it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/prompts.h"
#include "platform/sim/simulated_network.h"
#include "query/query_window.h"
#include "query/row_table.h"

namespace querytest {

struct Box {
    std::string text;  // as the error box shows it
    Prompts::Owner owner;
    bool operator==(const Box&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << '"' << box.text << '"'
               << (box.owner == Prompts::Owner::None ? " (no owner)" : "");
}

class RecordingPrompts final : public Prompts {
public:
    void ErrorBox(const std::string& label, NWCode code, Owner owner) override {
        boxes.push_back({FormatErrorBoxText(label, code), owner});
    }
    void MessageBox(const std::string& text, const std::string&) override {
        boxes.push_back({text, Owner::MainWindow});
    }
    bool AskYesNo(const std::string&) override { return false; }
    void Beep() override {}
    void SetBusyPointer(bool on) override { busy = on; }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Box& box : boxes) texts.push_back(box.text);
        return texts;
    }

    std::vector<Box> boxes;
    bool busy = false;
};

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
    }
    void ShowPage(Page shown) override { page = shown; }
    void Repaint() override {}
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
        for (std::size_t r = 0; r < users.RowCount(); ++r) texts.push_back(users.Cell(r, column));
        return texts;
    }

    std::unique_ptr<SimulatedNetwork> network;
    RecordingPrompts prompts;
    RecordingWindow window;
    RowTable users;
    RowTable locks;
};

}  // namespace querytest
