// Several programs on one network description at once, held to the contract
// of docs/network.md rather than to how the simulation stores it: every
// change is a locked read-modify-write that replaces the file whole, so no
// change is lost, every version of the file that appears parses, and a
// writer killed at any moment leaves the last whole version behind.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/simulated_network.h"
#include "tests/cmdline/krcmd_process.h"
#include "tests/cmdline/network_fixture.h"

namespace krcmd::test {
namespace {

using json = nlohmann::json;
namespace fs = std::filesystem;

constexpr int kDirectories = 4;
constexpr int kFilesPerDirectory = 50;
constexpr int kFirstStation = 10;
constexpr ConnNumber kInbox = 1;

std::string FileName(int d, int f) {
    char name[32];
    std::snprintf(name, sizeof name, "D%d\\F%03d.DAT", d, f);
    return name;
}

// kDirectories directories of kFilesPerDirectory files, each file open by a
// station of its own, and station 1 that only receives messages.
json Network() {
    json volume = {{"name", "SYS"}, {"number", 0}, {"entries", json::array()}};
    json connections = json::array({{{"number", kInbox}, {"user", "INBOX"}}});
    for (int d = 0; d < kDirectories; ++d) {
        json files = json::array();
        for (int f = 0; f < kFilesPerDirectory; ++f) {
            files.push_back(FileName(d, f).substr(3));
            connections.push_back({{"number", kFirstStation + d * kFilesPerDirectory + f},
                                   {"user", "U" + std::to_string(d * kFilesPerDirectory + f)},
                                   {"open", json::array({"SYS:" + FileName(d, f)})}});
        }
        volume["entries"].push_back({{"name", "D" + std::to_string(d)}, {"entries", files}});
    }
    return {{"workstation", {{"drives", {{"F", "FS1\\SYS:"}}}, {"bindery", {{"FS1", "SUPERVISOR"}}}}},
            {"servers", json::array({{{"name", "FS1"},
                                      {"operators", json::array({"SUPERVISOR"})},
                                      {"volumes", json::array({volume})},
                                      {"connections", connections}}})}};
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// What one version of the description shows of the changes made so far.
struct Version {
    bool parses = false;
    std::size_t stations = 0;  // connections left, the inbox's station included
    std::size_t messages = 0;  // texts in the stations' inboxes
};

Version Examine(const std::string& text) {
    Version v;
    const json doc = json::parse(text, nullptr, false, true);
    if (!doc.is_object() || !doc.contains("servers")) return v;
    v.parses = true;
    for (const json& c : doc["servers"][0].value("connections", json::array())) {
        ++v.stations;
        v.messages += c.value("inbox", json::array()).size();
    }
    return v;
}

// Reads every version of the file that a rename puts in place, as soon as it
// appears, and checks that none is damaged and none goes back on a change.
class VersionWatcher final {
public:
    explicit VersionWatcher(const std::string& path) : m_path(path) {
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ::inotify_add_watch(m_fd, fs::path(path).parent_path().c_str(),
                            IN_MOVED_TO | IN_CLOSE_WRITE);
        m_last = Examine(ReadText(path));
        m_thread = std::thread([this] { Watch(); });
    }
    ~VersionWatcher() { Stop(); }

    void Stop() {
        if (!m_thread.joinable()) return;
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    int versionsSeen() const { return m_seen; }
    std::vector<std::string> problems;

private:
    void Watch() {
        alignas(inotify_event) char buffer[8192];
        const std::string name = fs::path(m_path).filename().string();
        while (!m_stop) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            bool replaced = false;
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if (event->len > 0 && name == event->name) replaced = true;
                p += sizeof(inotify_event) + event->len;
            }
            if (replaced) Check(ReadText(m_path));
        }
    }

    void Check(const std::string& text) {
        ++m_seen;
        const Version v = Examine(text);
        if (!v.parses) {
            problems.push_back("a damaged version:\n" + text.substr(0, 200));
        } else if (v.stations > m_last.stations || v.messages < m_last.messages) {
            problems.push_back("a version went back on a change");
        }
        if (v.parses) m_last = v;
    }

    std::string m_path;
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    Version m_last;
    int m_seen = 0;
};

// The second program: sends texts to the inbox station through a simulation
// of its own, one change each, while the krcmd processes clear.
void SendMessages(const std::string& path, int count, std::vector<std::string>& failures) {
    SimOptions options;
    options.networkPath = path;
    const auto network = CreateSimulatedNetwork(options);
    if (network->NWCallsInit() != 0) {
        failures.push_back("the second program cannot load the description");
        return;
    }
    ConnHandle conn = 0;
    if (network->NWCCOpenConnByName(0, "FS1", 2, 1, 0, conn) != 0) {
        failures.push_back("the second program cannot reach FS1");
        return;
    }
    for (int i = 0; i < count; ++i) {
        std::uint8_t result = 0xFF;
        const NWCode code =
            network->NWSendBroadcastMessage(conn, "m" + std::to_string(i), 1, &kInbox, &result);
        if (code != 0 || result != 0) failures.push_back("message " + std::to_string(i) + " not delivered");
    }
}

TEST(ConcurrentPrograms, EveryChangeLandsAndEveryVersionParses) {
    NetworkFile file(Network());
    VersionWatcher watcher(file.path());
    constexpr int kMessages = 100;

    std::vector<std::unique_ptr<KrcmdProcess>> scanners;
    for (int d = 0; d < kDirectories; ++d) {
        scanners.push_back(std::make_unique<KrcmdProcess>(
            std::vector<std::string>{"F:\\D" + std::to_string(d) + "\\*.*", "/c"}, file.path(),
            Terminal::None));
    }
    std::vector<std::string> failures;
    std::thread second([&] { SendMessages(file.path(), kMessages, failures); });
    for (int d = 0; d < kDirectories; ++d) {
        const ProcessResult result = scanners[d]->Finish();
        EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
        int cleared = 0;
        for (std::size_t at = 0; (at = result.out.find(" Cleared\n", at)) != std::string::npos; ++at)
            ++cleared;
        EXPECT_EQ(cleared, kFilesPerDirectory) << result.out;
    }
    second.join();
    watcher.Stop();
    EXPECT_EQ(failures, std::vector<std::string>{});
    EXPECT_EQ(watcher.problems, std::vector<std::string>{});

    // Every change landed: only the inbox station is left, with every text
    // in the order it was sent.
    const json after = file.Read();
    ASSERT_TRUE(after.is_object());
    const json& connections = after["servers"][0]["connections"];
    ASSERT_EQ(connections.size(), 1u) << connections.dump();
    const json inbox = connections[0].value("inbox", json::array());
    ASSERT_EQ(inbox.size(), static_cast<std::size_t>(kMessages));
    for (int i = 0; i < kMessages; ++i) EXPECT_EQ(inbox[i], "m" + std::to_string(i));
    std::printf("%d changes; %d versions of the file read as they appeared\n",
                kDirectories * kFilesPerDirectory + kMessages, watcher.versionsSeen());
}

// Kills krcmd at random moments of a run that writes the description again
// and again (a message per file); returns the leftovers beside it afterwards.
class KilledWriters : public ::testing::Test {
protected:
    static constexpr int kKills = 25;

    // The names in the description's directory other than the description.
    static std::vector<std::string> Leftovers(const NetworkFile& file) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(file.directory())) {
            const std::string name = entry.path().filename().string();
            if (name != fs::path(file.path()).filename().string()) names.push_back(name);
        }
        return names;
    }

    // Waits for count creations or renames in the directory (each write
    // makes a temporary file and renames it); false after ten seconds.
    static bool AwaitFileEvents(int fd, int count) {
        alignas(inotify_event) char buffer[4096];
        for (int waited = 0; count > 0 && waited < 10000;) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) {
                waited += 100;
                continue;
            }
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            for (char* e = buffer; n > 0 && e < buffer + n;) {
                --count;
                e += sizeof(inotify_event) + reinterpret_cast<const inotify_event*>(e)->len;
            }
        }
        return count <= 0;
    }

    void KillRepeatedly(const std::function<void(const NetworkFile&, int)>& afterEachKill) {
        NetworkFile file(Network());
        std::mt19937 random(12);  // the same moments every run
        // The kill comes after a random number of file events (in the middle
        // of a write, or just after one) and a random moment more, however
        // fast the program starts.
        std::uniform_int_distribution<int> events(1, 8);
        std::uniform_int_distribution<int> delayMicros(0, 1500);
        std::size_t messages = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            ::inotify_add_watch(fd, file.directory().c_str(), IN_CREATE | IN_MOVED_TO);
            KrcmdProcess writer({"F:\\*.*", "/s", "/m:x"}, file.path(), Terminal::None);
            EXPECT_TRUE(AwaitFileEvents(fd, events(random))) << "kill " << kill << ": no write seen";
            std::this_thread::sleep_for(std::chrono::microseconds(delayMicros(random)));
            writer.Signal(SIGKILL);
            writer.Finish();
            ::close(fd);

            const std::string text = ReadText(file.path());
            const Version v = Examine(text);
            ASSERT_TRUE(v.parses) << "kill " << kill << " left a damaged description:\n"
                                  << text.substr(0, 300);
            SimOptions options;
            options.networkPath = file.path();
            options.readOnly = true;
            ASSERT_EQ(CreateSimulatedNetwork(options)->NWCallsInit(), 0) << "kill " << kill;
            EXPECT_EQ(v.stations, 1u + kDirectories * kFilesPerDirectory);
            EXPECT_GE(v.messages, messages) << "a message that had landed was lost";
            messages = v.messages;
            afterEachKill(file, kill);
        }
        // Some kills must have come after writes, or nothing was tested.
        EXPECT_GT(messages, 0u);
    }
};

TEST_F(KilledWriters, NeverLeaveADamagedDescription) {
    KillRepeatedly([](const NetworkFile&, int) {});
}

// A killed writer may leave its temporary file behind; the next writer must
// not let them add up from kill to kill, or a site that kills stuck jobs
// fills its disk. A few side files (a lock, a journal, the one temporary
// file of the writer just killed) are the storage's own business.
TEST_F(KilledWriters, LeaveNoLeftoverThatGrows) {
    constexpr std::size_t kSideFiles = 3;
    KillRepeatedly([&](const NetworkFile& file, int kill) {
        EXPECT_LE(Leftovers(file).size(), kSideFiles)
            << "after kill " << kill << ": " << ::testing::PrintToString(Leftovers(file));
    });
}

}  // namespace
}  // namespace krcmd::test
