#include "cmdline/file_scan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/sim/simulated_network.h"
#include "tests/cmdline/network_fixture.h"

namespace krcmd {
namespace {

TEST(SplitPath, DriveDirectoryAndFinalComponent) {
    struct Case { const char* path; const char* drive; const char* directory; const char* final; };
    const Case cases[] = {
        {"F:\\ACCT\\*.DAT", "F:", "\\ACCT\\", "*.DAT"},
        {"F:*.*", "F:", "", "*.*"},
        {"F:\\", "F:", "\\", ""},
        {"LEDGER.DAT", "", "", "LEDGER.DAT"},
        {"G:/DATA/SUB\\X?.DB", "G:", "/DATA/SUB\\", "X?.DB"},
        {"\\\\FS1\\SYS\\ACCT\\*.*", "", "\\\\FS1\\SYS\\ACCT\\", "*.*"},
        {"1:\\X", "", "1:\\", "X"},  // only a letter makes a drive
    };
    for (const Case& c : cases) {
        const PathParts parts = SplitPath(c.path);
        EXPECT_EQ(parts.drive, c.drive) << c.path;
        EXPECT_EQ(parts.directory, c.directory) << c.path;
        EXPECT_EQ(parts.final, c.final) << c.path;
    }
}

TEST(UserField, PaddedOrCutToTwentyFiveCharacters) {
    EXPECT_EQ(UserField("BOB"), "BOB" + std::string(22, ' '));
    EXPECT_EQ(UserField(""), std::string(25, ' '));
    EXPECT_EQ(UserField("ABCDEFGHIJKLMNOPQRSTUVWXY"), "ABCDEFGHIJKLMNOPQRSTUVWXY");
    EXPECT_EQ(UserField("ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"), "ABCDEFGHIJKLMNOPQRSTUVWXY");
}

}  // namespace
}  // namespace krcmd

// ---- the scanner on a simulated network, keys scripted ----------------------

namespace krcmd {
namespace {

class StringOutput final : public Output {
public:
    void Write(std::string_view text) override { m_text += text; }
    void Flush() override { m_flushed = m_text; }
    const std::string& text() const { return m_text; }
    const std::string& flushed() const { return m_flushed; }

private:
    std::string m_text;
    std::string m_flushed;
};

// Hands out the scripted keys, then -1 (no keyboard); remembers what had
// been flushed to the screen at each read.
class ScriptedKeys final : public KeySource {
public:
    ScriptedKeys(std::vector<int> keys, const StringOutput& out)
        : m_keys(std::move(keys)), m_out(out) {}
    int ReadKey() override {
        m_screenAtRead.push_back(m_out.flushed());
        return m_next < m_keys.size() ? m_keys[m_next++] : -1;
    }
    const std::vector<std::string>& screenAtRead() const { return m_screenAtRead; }

private:
    std::vector<int> m_keys;
    std::size_t m_next = 0;
    const StringOutput& m_out;
    std::vector<std::string> m_screenAtRead;
};

nlohmann::json TwoUsersOnOneFile() {
    return nlohmann::json::parse(R"({
      "workstation": { "drives": { "F": "FS1\\SYS:" }, "bindery": { "FS1": "SUPERVISOR" } },
      "servers": [ { "name": "FS1", "operators": ["SUPERVISOR"],
        "volumes": [ { "name": "SYS", "number": 0, "entries": [ "A.DAT" ] } ],
        "connections": [
          { "number": 5, "user": "JSMITH", "open": ["SYS:A.DAT"] },
          { "number": 12, "user": "GUEST", "open": ["SYS:A.DAT"] } ] } ] })");
}

struct PromptRun {
    std::string out;
    std::vector<std::string> screenAtRead;
    nlohmann::json after;
};

PromptRun RunPrompt(std::vector<int> keys, nlohmann::json faults = nlohmann::json::array()) {
    nlohmann::json description = TwoUsersOnOneFile();
    description["faults"] = std::move(faults);
    test::NetworkFile file(description);
    SimOptions simOptions;
    simOptions.networkPath = file.path();
    const auto network = CreateSimulatedNetwork(simOptions);
    EXPECT_EQ(network->NWCallsInit(), 0);
    StringOutput out;
    ScriptedKeys scripted(std::move(keys), out);
    RunOptions options;
    options.action = ActionMode::Prompt;
    FileScanner scanner(*network, *network, out, scripted, options);
    EXPECT_EQ(scanner.Walk("F:\\A.DAT"), ExitStatus::Success);
    return {out.text(), scripted.screenAtRead(), file.Read()};
}

TEST(FileScannerPrompt, IgnoresOtherKeysAndClearsOnlyOnYes) {
    const PromptRun run = RunPrompt({'X', '7', 'n', 'y'});
    EXPECT_EQ(run.out,
              "  5  JSMITH                      F:\\A.DAT\n"
              "Clear Connection 5 ? (Y/N) N\n"
              " 12  GUEST                       F:\\A.DAT\n"
              "Clear Connection 12 ? (Y/N) Y\n");
    EXPECT_FALSE(test::FindConnection(run.after, "FS1", 5).is_null());
    EXPECT_TRUE(test::FindConnection(run.after, "FS1", 12).is_null());
    // The question is on the screen before every wait for its key.
    ASSERT_EQ(run.screenAtRead.size(), 4u);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(run.screenAtRead[i].ends_with("5 ? (Y/N) "));
    EXPECT_TRUE(run.screenAtRead[3].ends_with("12 ? (Y/N) "));
}

TEST(FileScannerPrompt, NoKeyboardMeansNoToEveryConnection) {
    const PromptRun run = RunPrompt({});
    EXPECT_EQ(run.out,
              "  5  JSMITH                      F:\\A.DAT\n"
              "Clear Connection 5 ? (Y/N) N\n"
              " 12  GUEST                       F:\\A.DAT\n"
              "Clear Connection 12 ? (Y/N) N\n");
    EXPECT_FALSE(test::FindConnection(run.after, "FS1", 5).is_null());
    EXPECT_FALSE(test::FindConnection(run.after, "FS1", 12).is_null());
}

TEST(FileScannerPrompt, RefusedClearAfterYesIsReported) {
    const PromptRun run = RunPrompt(
        {'y', 'Y'},
        {{{"call", "NWClearConnectionNumber"}, {"connection", 5}, {"code", "0x89C6"}},
         {{"call", "NWClearConnectionNumber"}, {"connection", 12}, {"code", "0x8901"}}});
    EXPECT_EQ(run.out,
              "  5  JSMITH                      F:\\A.DAT\n"
              "Clear Connection 5 ? (Y/N) Y\n"
              "Insufficent rights to clear connection\n"
              " 12  GUEST                       F:\\A.DAT\n"
              "Clear Connection 12 ? (Y/N) Y\n"
              "Could Not Clear Connection : Error 8901\n");
    EXPECT_FALSE(test::FindConnection(run.after, "FS1", 5).is_null());
    EXPECT_FALSE(test::FindConnection(run.after, "FS1", 12).is_null());
}

}  // namespace
}  // namespace krcmd

// ---- the recursive walk over local folders with directory links -------------

namespace krcmd {
namespace {

namespace fs = std::filesystem;

// Passes listings through, remembering the pattern of each directory pass.
class RecordingFiles final : public WorkstationFiles {
public:
    explicit RecordingFiles(WorkstationFiles& inner) : m_inner(inner) {}
    int FindFirst(const std::string& pattern, std::uint32_t attributes, FindState& state,
                  FindData& entry) override {
        if (attributes & kAttrDirectory) m_directoryPasses.push_back(pattern);
        return m_inner.FindFirst(pattern, attributes, state, entry);
    }
    int FindNext(FindState& state, FindData& entry) override { return m_inner.FindNext(state, entry); }
    void FindClose(FindState& state) override { m_inner.FindClose(state); }
    const std::vector<std::string>& directoryPasses() const { return m_directoryPasses; }

private:
    WorkstationFiles& m_inner;
    std::vector<std::string> m_directoryPasses;
};

struct LinkCase {
    const char* name;
    std::vector<const char*> directories;                       // made below the root
    std::vector<std::pair<const char*, const char*>> links;     // name -> target
    std::vector<const char*> walked;                            // below the root, in order
};

class WalkOverLinks : public ::testing::TestWithParam<LinkCase> {};

TEST_P(WalkOverLinks, EveryDirectoryIsWalkedOnceAndLinksAreNotFollowed) {
    const LinkCase& c = GetParam();
    test::NetworkFile network(nlohmann::json::object());
    const fs::path root = network.directory() / "tree";
    fs::create_directory(root);
    for (const char* d : c.directories) fs::create_directories(root / d);
    for (const auto& [name, target] : c.links) fs::create_directory_symlink(target, root / name);

    SimOptions simOptions;
    simOptions.networkPath = network.path();
    const auto sim = CreateSimulatedNetwork(simOptions);
    ASSERT_EQ(sim->NWCallsInit(), 0);
    RecordingFiles files(*sim);
    StringOutput out;
    ScriptedKeys keys({}, out);
    RunOptions options;
    options.recurse = true;
    FileScanner scanner(*sim, files, out, keys, options);
    EXPECT_EQ(scanner.Walk(root.string() + "/*.NONE"), ExitStatus::Success);

    std::vector<std::string> expected{root.string() + "/*.*"};
    for (const char* w : c.walked) expected.push_back(root.string() + "/" + w + "\\*.*");
    EXPECT_EQ(files.directoryPasses(), expected);
    EXPECT_EQ(out.text(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WalkOverLinks,
    ::testing::Values(
        // Before links were passed over, one link to "." alone made the walk
        // go down it until the path reached 255 characters; two made it
        // exponential.
        LinkCase{"LinkToItself", {}, {{"a", "."}}, {}},
        LinkCase{"TwoLinksToItself", {}, {{"a", "."}, {"b", "."}}, {}},
        LinkCase{"LinkToParentBelow", {"sub"}, {{"sub/up", ".."}}, {"sub"}},
        LinkCase{"LinkBesideItsTarget", {"sub"}, {{"again", "sub"}}, {"sub"}},
        LinkCase{"PlainTreeStillWalked", {"x/y", "z"}, {}, {"x", "x\\y", "z"}}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace krcmd
