// Changes to a description large enough to keep them in a journal beside it:
// seen by other programs, never lost to one another, whole or absent after a
// kill at any step, kept when folded back, refused when damaged.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>

#include <nlohmann/json.hpp>

#include "tests/platform/sim_fixture.h"

namespace {

using simtest::SimTest;

// The example network with a long comment after it: a hand-written
// description past the size from which changes go to a journal (16 KiB).
std::string Large(const std::string& text = simtest::kNetwork) {
    std::string out = text + "\n";
    for (int i = 0; i < 300; ++i)
        out += "// a note kept by the person who wrote this network, line " + std::to_string(i) + "\n";
    return out;
}

std::vector<std::uint16_t> Users(SimulatedNetwork& sim, const std::string& path = "SYS:ACCT\\LEDGER.DAT") {
    ConnHandle conn = 0;
    if (sim.NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, kTransportAny, conn) != 0)
        return {9999};
    std::vector<std::uint16_t> numbers;
    std::int16_t iter = 0;
    for (int guard = 0; guard < 10; ++guard) {
        NWConnsUsingFile reply;
        if (sim.NWScanConnectionsUsingFile(conn, 0, path, iter, nullptr, reply) != 0) break;
        for (int i = 0; i < reply.connCount; ++i) numbers.push_back(reply.connInfo[i].connNumber);
        if (iter == -1) break;
    }
    return numbers;
}

std::vector<std::uint8_t> CloseRequest(std::uint16_t conn, const std::string& path) {
    std::vector<std::uint8_t> request(2313, 0);
    request[0] = 0x43;
    request[2] = static_cast<std::uint8_t>(conn & 0xFF);
    request[3] = static_cast<std::uint8_t>(conn >> 8);
    std::memcpy(request.data() + 6, path.data(), path.size());
    return request;
}

// Files beside the description other than itself, its lock and its journal.
std::vector<std::string> Leftovers(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::string name = entry.path().filename().string();
        if (name != "net.json" && name != "net.json.lock" && name != "net.json.journal")
            names.push_back(name);
    }
    return names;
}

// Runs body in a child that holds the description's lock and is killed at
// its end, as a writer killed in the middle of a change.
void KilledWriter(const std::string& file, const std::function<void()>& body) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int lock = open((file + ".lock").c_str(), O_RDWR | O_CREAT, 0644);
        flock(lock, LOCK_EX);
        body();
        raise(SIGKILL);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
}

// ---------------------------------------------------------------------------

struct ChangeCase {
    const char* name;
    std::function<NWCode(SimulatedNetwork&, ConnHandle)> change;
    std::function<void(SimulatedNetwork&)> seen;
};

class JournalChangeTest : public SimTest, public testing::WithParamInterface<ChangeCase> {};

TEST_P(JournalChangeTest, IsSeenByARunningProgramAtItsNextCallAndByTheNextRunWithTheDescriptionKept) {
    const std::string text = Large();
    ASSERT_EQ(Start(text), 0);
    auto running = Open();
    ASSERT_EQ(running->NWCallsInit(), 0);
    EXPECT_EQ(Users(*running), (std::vector<std::uint16_t>{0, 5, 12}));

    ASSERT_EQ(GetParam().change(*m_sim, Conn()), 0);
    GetParam().seen(*running);
    auto next = Open();
    ASSERT_EQ(next->NWCallsInit(), 0);
    GetParam().seen(*next);
    // The description as its author wrote it, comments and all, is not
    // rewritten for one change.
    EXPECT_EQ(simtest::ReadText(m_file), text);
    EXPECT_TRUE(std::filesystem::exists(m_file + ".journal"));
}

const ChangeCase kChanges[] = {
    {"ClearedConnection",
     [](SimulatedNetwork& sim, ConnHandle conn) { return sim.NWClearConnectionNumber(conn, 5); },
     [](SimulatedNetwork& sim) {
         EXPECT_EQ(Users(sim), (std::vector<std::uint16_t>{0, 12}));
         EXPECT_EQ(Users(sim, "SYS:ACCT\\QUARTE~1.DOC"), std::vector<std::uint16_t>{});
     }},
    {"FileClosedByTheModule",
     [](SimulatedNetwork& sim, ConnHandle conn) {
         std::uint32_t id = 0;
         sim.NWGetNCPExtensionInfoByName(conn, "Kestrune Server", id, nullptr, nullptr, nullptr, nullptr);
         auto request = CloseRequest(5, "SYS:ACCT\\LEDGER.DAT");
         std::size_t replyLength = 0;
         return sim.NWNCPExtensionRequest(conn, id, request.data(), request.size(), nullptr, replyLength);
     },
     [](SimulatedNetwork& sim) {
         EXPECT_EQ(Users(sim), (std::vector<std::uint16_t>{0, 12}));
         EXPECT_EQ(Users(sim, "SYS:ACCT\\QUARTE~1.DOC"), std::vector<std::uint16_t>{5});
     }},
    {"LoginsSwitchedOff",
     [](SimulatedNetwork& sim, ConnHandle conn) { return sim.NWDisableFileServerLogin(conn); },
     [](SimulatedNetwork& sim) {
         ConnHandle conn = 0;
         ASSERT_EQ(
             sim.NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, kTransportAny, conn),
             0);
         std::uint8_t enabled = 9;
         ASSERT_EQ(sim.GetFileServerLoginStatus(conn, enabled), 0);
         EXPECT_EQ(enabled, 0);
     }},
    {"BinderyLogin",
     [](SimulatedNetwork& sim, ConnHandle conn) {
         return sim.NWLoginToFileServer(conn, "guest", kObjectTypeUser, "");
     },
     [](SimulatedNetwork& sim) {
         // The bindery login comes before the directory identity, and GUEST
         // is no operator.
         ConnHandle conn = 0;
         ASSERT_EQ(
             sim.NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, kTransportAny, conn),
             0);
         EXPECT_EQ(sim.CheckConsolePrivileges(conn), nwcode::kNoConsoleRights);
     }},
};

INSTANTIATE_TEST_SUITE_P(Kinds, JournalChangeTest, testing::ValuesIn(kChanges),
                         [](const testing::TestParamInfo<ChangeCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------

class JournalTest : public SimTest {};

TEST_F(JournalTest, TwoProcessesChangingAtOnceLoseNothingAcrossFoldBacks) {
    // Sixty connections: one process clears the odd ones, the other the even
    // ones, one change per call; the journal is folded back several times
    // on the way.
    nlohmann::json connections = nlohmann::json::array();
    for (int n = 1; n <= 60; ++n) connections.push_back({{"number", n}, {"user", "U" + std::to_string(n)}});
    nlohmann::json net = {
        {"workstation", {{"bindery", {{"FS1", "SUPERVISOR"}}}}},
        {"servers", {{{"name", "FS1"}, {"operators", {"SUPERVISOR"}}, {"connections", connections}}}}};
    const std::string text = Large(net.dump(2));
    ASSERT_EQ(Start(text), 0);
    pid_t children[2];
    for (int which = 0; which < 2; ++which) {
        children[which] = fork();
        ASSERT_GE(children[which], 0);
        if (children[which] == 0) {
            auto sim = Open();
            int failures = sim->NWCallsInit() != 0;
            ConnHandle conn = 0;
            failures += sim->NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed,
                                                kTransportAny, conn) != 0;
            for (int n = 1 + which; n <= 60; n += 2)
                failures += sim->NWClearConnectionNumber(conn, static_cast<ConnNumber>(n)) != 0;
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_NE(simtest::ReadText(m_file), text) << "the journal was never folded back";
    auto next = Open();
    ASSERT_EQ(next->NWCallsInit(), 0);
    for (SimulatedNetwork* sim : {m_sim.get(), next.get()}) {
        ConnHandle conn = 0;
        ASSERT_EQ(
            sim->NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, kTransportAny, conn),
            0);
        NWFileServerInfo info;
        ASSERT_EQ(sim->GetFileServerInformation(conn, info), 0);
        EXPECT_EQ(info.connectionsInUse, 0);
    }
    EXPECT_EQ(Leftovers(m_dir.Path()), std::vector<std::string>{});
}

TEST_F(JournalTest, FoldingBackWritesEveryChangeIntoTheDescription) {
    ASSERT_EQ(Start(Large()), 0);
    ConnHandle conn = Conn();
    ASSERT_EQ(m_sim->NWClearConnectionNumber(conn, 12), 0);
    std::uint32_t id = 0;
    ASSERT_EQ(
        m_sim->NWGetNCPExtensionInfoByName(conn, "Kestrune Server", id, nullptr, nullptr, nullptr, nullptr),
        0);
    auto request = CloseRequest(5, "SYS:ACCT\\LEDGER.DAT");
    std::size_t replyLength = 0;
    ASSERT_EQ(m_sim->NWNCPExtensionRequest(conn, id, request.data(), request.size(), nullptr, replyLength),
              0);
    ASSERT_EQ(m_sim->NWDisableFileServerLogin(conn), 0);
    ASSERT_EQ(m_sim->NWLoginToFileServer(conn, "supervisor", kObjectTypeUser, "secret"), 0);
    // Messages until the journal is folded back.
    const std::string before = simtest::ReadText(m_file);
    int sent = 0;
    for (; sent < 500 && simtest::ReadText(m_file) == before; ++sent) {
        const ConnNumber five = 5;
        std::uint8_t result = 0xEE;
        ASSERT_EQ(m_sim->NWSendBroadcastMessage(conn, "note " + std::to_string(sent), 1, &five, &result), 0);
    }
    ASSERT_LT(sent, 500);
    EXPECT_FALSE(std::filesystem::exists(m_file + ".journal"));

    nlohmann::json stored = nlohmann::json::parse(simtest::ReadText(m_file));
    const nlohmann::json& fs1 = stored["servers"][0];
    ASSERT_EQ(fs1["connections"].size(), 2u);
    EXPECT_EQ(fs1["connections"][1]["number"], 5);
    EXPECT_EQ(fs1["connections"][1]["open"].size(), 1u);
    EXPECT_EQ(fs1["connections"][1]["inbox"].size(), static_cast<std::size_t>(sent));
    EXPECT_EQ(fs1["connections"][1]["inbox"].back(), "note " + std::to_string(sent - 1));
    EXPECT_EQ(fs1["loginsEnabled"], false);
    EXPECT_EQ(stored["workstation"]["bindery"]["FS1"], "SUPERVISOR");
    EXPECT_EQ(stored["trees"]["ACME"]["JSMITH.SALES.ACME"]["Full Name"][1], "J. Smith");

    auto next = Open();
    ASSERT_EQ(next->NWCallsInit(), 0);
    EXPECT_EQ(Users(*next), std::vector<std::uint16_t>{0});
    EXPECT_EQ(Users(*next, "SYS:ACCT\\QUARTE~1.DOC"), std::vector<std::uint16_t>{5});
}

// ---------------------------------------------------------------------------
// A writer killed at each step of a change leaves the state before it or
// after it, and the next change goes on from there.

struct KillCase {
    const char* name;
    // What the killed writer leaves: given the description, the journal a
    // completed change wrote beside it, and the description folded back.
    std::function<void(const std::string& file, const std::string& journal, const std::string& folded)> leave;
    bool changed;
};

class KillTest : public SimTest, public testing::WithParamInterface<KillCase> {};

TEST_P(KillTest, LeavesTheOldStateOrTheNewOneAndNothingInBetween) {
    const std::string text = Large();
    // The journal a completed clear of connection 5 leaves, made on a copy.
    simtest::TempDir scratch;
    const std::string copy = scratch.Path() + "/net.json";
    simtest::WriteText(copy, text);
    {
        SimOptions options;
        options.networkPath = copy;
        auto sim = CreateSimulatedNetwork(options);
        ASSERT_EQ(sim->NWCallsInit(), 0);
        ConnHandle conn = 0;
        ASSERT_EQ(
            sim->NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, kTransportAny, conn),
            0);
        ASSERT_EQ(sim->NWClearConnectionNumber(conn, 5), 0);
    }
    const std::string journal = simtest::ReadText(copy + ".journal");
    ASSERT_EQ(std::count(journal.begin(), journal.end(), '\n'), 2) << journal;
    nlohmann::json doc = nlohmann::json::parse(text, nullptr, true, true);
    doc["servers"][0]["connections"].erase(1);
    const std::string folded = doc.dump(2) + "\n";

    ASSERT_EQ(Start(text), 0);
    KilledWriter(m_file, [&] { GetParam().leave(m_file, journal, folded); });

    const auto expected =
        GetParam().changed ? std::vector<std::uint16_t>{0, 12} : std::vector<std::uint16_t>{0, 5, 12};
    EXPECT_EQ(Users(*m_sim), expected);
    auto next = Open();
    testing::internal::CaptureStderr();
    ASSERT_EQ(next->NWCallsInit(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(Users(*next), expected);
    // The next change lands on top, and nothing the killed writer left stays.
    ConnHandle conn = 0;
    ASSERT_EQ(next->NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, kTransportAny, conn),
              0);
    ASSERT_EQ(next->NWClearConnectionNumber(conn, 12), 0);
    auto last = Open();
    ASSERT_EQ(last->NWCallsInit(), 0);
    const auto after = GetParam().changed ? std::vector<std::uint16_t>{0} : std::vector<std::uint16_t>{0, 5};
    EXPECT_EQ(Users(*last), after);
    EXPECT_EQ(Leftovers(m_dir.Path()), std::vector<std::string>{});
}

const KillCase kKills[] = {
    {"BeforeTheAppend", [](const std::string&, const std::string&, const std::string&) {}, false},
    {"HalfwayThroughTheFirstAppend",
     [](const std::string& file, const std::string& journal, const std::string&) {
         simtest::WriteText(file + ".journal.tmp", journal.substr(0, journal.size() / 2));
     },
     false},
    {"HalfwayThroughAnAppend",
     [](const std::string& file, const std::string& journal, const std::string&) {
         simtest::WriteText(file + ".journal", journal.substr(0, journal.size() - 10));
     },
     false},
    {"HalfwayThroughTheHeader",
     [](const std::string& file, const std::string& journal, const std::string&) {
         simtest::WriteText(file + ".journal", journal.substr(0, journal.find('\n') / 2));
     },
     false},
    {"BeforeTheFoldBack",
     [](const std::string& file, const std::string& journal, const std::string&) {
         simtest::WriteText(file + ".journal", journal);
     },
     true},
    {"HalfwayThroughTheFoldBack",
     [](const std::string& file, const std::string& journal, const std::string& folded) {
         simtest::WriteText(file + ".journal", journal);
         simtest::WriteText(file + ".tmp", folded.substr(0, folded.size() / 2));
     },
     true},
    {"BeforeTheJournalIsDropped",
     [](const std::string& file, const std::string& journal, const std::string& folded) {
         simtest::WriteText(file + ".journal", journal);
         simtest::WriteText(file + ".tmp", folded);
         std::filesystem::rename(file + ".tmp", file);
     },
     true},
};

INSTANTIATE_TEST_SUITE_P(Steps, KillTest, testing::ValuesIn(kKills),
                         [](const testing::TestParamInfo<KillCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------

struct DamageCase {
    const char* name;
    std::function<std::string(const std::string& journal)> damage;
    const char* diagnostic;  // after "nwsim: <file>.journal: "
};

class DamagedJournalTest : public SimTest, public testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedJournalTest, RefusesTheStartWithOneLineAndNeverLoadsWithoutIt) {
    ASSERT_EQ(Start(Large()), 0);
    auto running = Open();
    ASSERT_EQ(running->NWCallsInit(), 0);
    ASSERT_EQ(m_sim->NWClearConnectionNumber(Conn(), 12), 0);
    EXPECT_EQ(Users(*running), (std::vector<std::uint16_t>{0, 5}));
    const std::string journal = simtest::ReadText(m_file + ".journal");
    simtest::WriteText(m_file + ".journal", GetParam().damage(journal));
    const std::string prefix = "nwsim: " + m_file + ".journal: " + GetParam().diagnostic;

    testing::internal::CaptureStderr();
    auto next = Open();
    EXPECT_EQ(next->NWCallsInit(), nwcode::kDescriptionUnreadable);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.substr(0, prefix.size()), prefix) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;

    // A program already running keeps what it had and says so once.
    testing::internal::CaptureStderr();
    EXPECT_EQ(Users(*running), (std::vector<std::uint16_t>{0, 5}));
    EXPECT_EQ(Users(*running), (std::vector<std::uint16_t>{0, 5}));
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.substr(0, prefix.size()), prefix) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

const DamageCase kDamages[] = {
    {"NotAJournal", [](const std::string&) { return std::string("garbage\n"); },
     "line 1: not a change journal"},
    {"NotJson", [](const std::string& j) { return j + "{\"change\": \"clear\", \n"; },
     "line 3: not a change"},
    {"UnknownKind",
     [](const std::string& j) {
         return j + "{\"change\": \"explode\", \"server\": \"FS1\", \"connection\": 5}\n";
     },
     "line 3: an unknown kind of change: explode"},
    {"ConnectionAlreadyCleared", [](const std::string& j) { return j + j.substr(j.find('\n') + 1); },
     "line 3: a change of a connection not in use"},
    {"NestedWithoutEnd", [](const std::string& j) { return j + std::string(100000, '[') + "\n"; },
     "line 3: not a change"},
};

INSTANTIATE_TEST_SUITE_P(Damages, DamagedJournalTest, testing::ValuesIn(kDamages),
                         [](const testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------

TEST_F(JournalTest, RemovingTheStoredDemoPutsTheBuiltInDemoBack) {
    const std::string data = m_dir.Path() + "/xdg";
    const std::string stored = data + "/kestrune/network.json";
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    auto users = [](SimulatedNetwork& sim) {
        ConnHandle conn = 0;
        EXPECT_EQ(
            sim.NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, kTransportAny, conn), 0);
        NWFileServerInfo info;
        EXPECT_EQ(sim.GetFileServerInformation(conn, info), 0);
        return info.connectionsInUse;
    };
    std::uint16_t before = 0;
    {
        auto sim = CreateSimulatedNetwork(SimOptions{});
        ASSERT_EQ(sim->NWCallsInit(), 0);
        before = users(*sim);
        ConnHandle conn = 0;
        ASSERT_EQ(
            sim->NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, kTransportAny, conn),
            0);
        std::uint16_t cleared = 0;
        for (ConnNumber n = 1; n < 100 && cleared < 3; ++n)
            cleared += sim->NWClearConnectionNumber(conn, n) == 0;
        ASSERT_EQ(cleared, 3);
        EXPECT_EQ(users(*sim), before - 3);
    }
    // The documented reset: remove the stored demo.
    std::filesystem::remove(stored);
    auto sim = CreateSimulatedNetwork(SimOptions{});
    ASSERT_EQ(sim->NWCallsInit(), 0);
    EXPECT_EQ(users(*sim), before);
    EXPECT_EQ(simtest::ReadText(stored), DemoNetworkDescription());
    if (old) {
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
}

// ---------------------------------------------------------------------------
// A description nested without end is outside input like any other: a
// one-line diagnostic, never a crash, whether at the start or when a
// running program reads it again.

struct NestCase {
    const char* name;
    bool running;
};

class DeepNestTest : public SimTest, public testing::WithParamInterface<NestCase> {};

TEST_P(DeepNestTest, IsRefusedWithOneLine) {
    // The smallest shape that overflowed the stack: a deep nest followed by
    // one more key of the same object.
    const std::string deep = "{\"a\": " + std::string(120000, '[') + std::string(120000, ']') + ", \"b\": 0}";
    if (GetParam().running) {
        ASSERT_EQ(Start(), 0);
        simtest::WriteText(m_file, deep);
        testing::internal::CaptureStderr();
        EXPECT_EQ(Users(*m_sim), (std::vector<std::uint16_t>{0, 5, 12}));
    } else {
        testing::internal::CaptureStderr();
        EXPECT_EQ(Start(deep), nwcode::kDescriptionUnreadable);
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "nwsim: " + m_file + ": nested deeper than 512 levels\n");
}

INSTANTIATE_TEST_SUITE_P(When, DeepNestTest,
                         testing::Values(NestCase{"AtTheStart", false}, NestCase{"OnReload", true}),
                         [](const testing::TestParamInfo<NestCase>& info) { return info.param.name; });

// A writer killed while it wrote a whole new description left its full-size
// temporary copy beside it for good; the next writer takes it away.
struct LeftoverCase {
    const char* name;
    bool withPid;
    bool large;
};

class LeftoverTest : public SimTest, public testing::WithParamInterface<LeftoverCase> {};

TEST_P(LeftoverTest, TheNextChangeRemovesWhatAKilledWriterLeft) {
    const std::string text = GetParam().large ? Large() : std::string(simtest::kNetwork);
    ASSERT_EQ(Start(text), 0);
    KilledWriter(m_file, [&] {
        std::string temp = m_file + ".tmp" + (GetParam().withPid ? "." + std::to_string(getpid()) : "");
        simtest::WriteText(temp, text);
    });
    ASSERT_EQ(m_sim->NWClearConnectionNumber(Conn(), 5), 0);
    EXPECT_EQ(Leftovers(m_dir.Path()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Names, LeftoverTest,
                         testing::Values(LeftoverCase{"WithItsProcessNumber", true, false},
                                         LeftoverCase{"Plain", false, false},
                                         LeftoverCase{"BesideAJournal", true, true}),
                         [](const testing::TestParamInfo<LeftoverCase>& info) { return info.param.name; });

}  // namespace
