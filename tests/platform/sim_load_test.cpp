#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "tests/platform/sim_fixture.h"

namespace {

using simtest::SimTest;

class DescriptionLoadTest : public SimTest {};

struct BadCase {
    const char* text;
    const char* diagnostic;  // after "nwsim: <file>: "
};

TEST_F(DescriptionLoadTest, EachBadDescriptionGivesOneLineAndRefusesTheStart) {
    const BadCase cases[] = {
        {"{\n  \"servers\": [\n    { \"name\": \"FS1\", }\n  ]\n}", "line 3, column 22: "},
        {"", "line 1, column 1: "},
        {"[]", "the description is not a JSON object"},
        {R"({"servers": [{"volumes": []}]})", "servers[0]: missing name"},
        {R"({"servers": [{"name": "A"}, {"name": "a"}]})", "servers[1].name: duplicate server name A"},
        {R"({"servers": [{"name": "A"}, {"name": "B", "volumes": [{"name": "SYS", "number": 0},
            {"name": "VOL1", "number": 0}]}]})",
         "servers[1].volumes[1]: duplicate volume number 0"},
        {R"({"servers": [{"name": "A", "volumes": [{"name": "SYS"}]}]})",
         "servers[0].volumes[0]: missing number"},
        {R"({"servers": [{"name": "A", "volumes": [{"name": "SYS", "number": "0"}]}]})",
         "servers[0].volumes[0].number: expected a whole number from 0 to 255"},
        {R"({"servers": [{"name": "A", "volumes": [{"name": "SYS", "number": 0, "longNames": true,
            "entries": ["日本.txt"]}]}]})",
         "servers[0].volumes[0].entries[0]: name not representable in code page 850: 日本.txt"},
        {R"({"servers": [{"name": "A", "volumes": [{"name": "SYS", "number": 0,
            "entries": ["Long Name.txt"]}]}]})",
         "servers[0].volumes[0].entries[0]: not an 8.3 name on a volume without long names: Long Name.txt"},
        {R"({"servers": [{"name": "A", "volumes": [{"name": "SYS", "number": 0,
            "entries": ["A.TXT", {"name": "D", "entries": ["X", "x"]}]}]}]})",
         "servers[0].volumes[0].entries[1].entries[1]: duplicate name X"},
        {R"({"servers": [{"name": "A", "connections": [{"number": 3}]}]})",
         "servers[0].connections[0]: missing user"},
        {R"({"servers": [{"name": "A", "connections": [{"number": 0}, {"number": 0}]}]})",
         "servers[0].connections[1]: duplicate connection number 0"},
        {R"({"servers": [{"name": "A", "volumes": [{"name": "SYS", "number": 0}],
            "connections": [{"number": 0, "open": ["SYS:NONE.DAT"]}]}]})",
         "servers[0].connections[0].open[0]: no such file SYS:NONE.DAT"},
        {R"({"servers": [{"name": "A", "volumes": [{"name": "SYS", "number": 0, "entries": ["F"]}],
            "connections": [{"number": 0, "open": [{"path": "SYS:F", "locks": [{"start": 9, "end": 1}]}]}]}]})",
         "servers[0].connections[0].open[0].locks[0]: end before start"},
        {R"({"servers": [{"name": "A", "volumes": [{"name": "SYS", "number": 0, "entries": ["F"]}],
            "connections": [{"number": 0, "open": [{"path": "SYS:F", "locks": [{"start": 9}]}]}]}]})",
         "servers[0].connections[0].open[0].locks[0]: missing end"},
        {R"({"servers": [{"name": "A", "connections": [{"number": 1, "user": "U", "address": "10.0.0.256"}]}]})",
         "servers[0].connections[0].address: not an IPv4 or IPX address"},
        {R"({"servers": [{"name": "A", "connections": [{"number": 1, "user": "U", "loginTime": "2007-02-30 10:00:00"}]}]})",
         "servers[0].connections[0].loginTime: expected \"YYYY-MM-DD HH:MM:SS\""},
        {R"({"servers": [{"name": "A", "scanEnd": "never"}]})",
         "servers[0].scanEnd: expected \"error\" or \"last-batch\""},
        {R"({"faults": [{"call": "NWGetNSPath", "code": "0xZZ"}]})", "faults[0].code: not a code: 0xZZ"},
        {R"({"workstation": {"bindery": {"FS1": "A", "fs1": "B"}}})",
         "workstation.bindery.fs1: duplicate server name fs1"},
        {R"({"workstation": {"drives": {"F": "SYS:"}}})",
         "workstation.drives.F: expected SERVER\\VOLUME:PATH"},
        // Wrong types, names a server would not keep, values that would hang a program.
        {R"({"servers": {"name": "A"}})", "servers: expected an array"},
        {R"({"servers": [{"name": "A", "down": "yes"}]})", "servers[0].down: expected true or false"},
        {R"({"servers": [{"name": "A", "version": [4294967301, 0, 0]}]})",
         "servers[0].version: expected [major, minor, revision], each 0 to 255"},
        {R"({"servers": [{"name": "A", "volumes": [{"name": "SYS", "number": 0, "longNames": true,
            "entries": ["README.TXT", {"name": "Read me first.txt", "dos": "readme.txt"}]}]}]})",
         "servers[0].volumes[0].entries[1]: duplicate DOS name README.TXT"},
        {R"({"servers": [{"name": "A", "volumes": [{"name": "SYS", "number": 0, "longNames": true,
            "entries": ["TAB\tNAME.TXT"]}]}]})",
         "servers[0].volumes[0].entries[0]: not a file name: TAB?NAME.TXT\n"},
        {R"({"trees": {"TWO\nLINES": 5}})", "trees.TWO?LINES: expected an object\n"},
        {R"({"latencyMicros": 86400000000})",
         "latencyMicros: expected a number of microseconds from 0 to 10000000"},
    };
    const std::string deep =
        R"({"servers": [{"name": "A", "volumes": [{"name": "SYS", "number": 0, "entries": )" +
        [] {
            std::string nest;
            for (int i = 0; i < 2000; ++i) nest += R"([{"name": "D", "entries": )";
            nest += "[]";
            for (int i = 0; i < 2000; ++i) nest += "}]";
            return nest;
        }() +
        "}]}]}";
    // The scans hand their position back in 16 bits: longer lists could
    // never be stepped through to their end.
    auto opens = [](int connections, int each, int locks) {
        std::string text = R"({"servers": [{"name": "A", "volumes": [{"name": "SYS", "number": 0,
            "entries": ["F"]}], "connections": [)";
        for (int c = 0; c < connections; ++c) {
            text += (c ? ",{" : "{") + std::string(R"("number": )") + std::to_string(c + 1) +
                    R"(, "user": "U", "open": [)";
            for (int o = 0; o < each; ++o) text += o ? ",\"SYS:F\"" : "\"SYS:F\"";
            if (locks) {
                text += std::string(each ? "," : "") + R"({"path": "SYS:F", "locks": [)";
                for (int l = 0; l < locks; ++l) text += std::string(l ? "," : "") + R"({"start": 0, "end": 0})";
                text += "]}";
            }
            text += "]}";
        }
        return text + "]}]}";
    };
    const std::string longName = R"({"servers": [{"name": "A", "volumes": [{"name": "SYS", "number": 0,
        "longNames": true, "entries": [")" + std::string(256, 'N') + R"("]}]}]})";
    const std::string openedByOne = opens(1, 0x7FFF, 0);
    const std::string openedByTwo = opens(2, 0x4000, 0);
    const std::string locked = opens(1, 0, 0x8000);
    std::vector<BadCase> all(std::begin(cases), std::end(cases));
    all.push_back({deep.c_str(), "nested deeper than 512 levels"});
    all.push_back({longName.c_str(), "servers[0].volumes[0].entries[0]: not a file name: NNN"});
    all.push_back({openedByOne.c_str(), "servers[0].connections[0].open: more than 32766 open files"});
    all.push_back({openedByTwo.c_str(), "servers[0].connections: a file open more than 32767 times"});
    all.push_back({locked.c_str(), "servers[0].connections: more than 32767 locks on a file"});
    for (const BadCase& c : all) {
        SCOPED_TRACE(std::string(c.text).substr(0, 200));
        testing::internal::CaptureStderr();
        NWCode rc = Start(c.text);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(rc, nwcode::kDescriptionUnreadable);
        std::string prefix = "nwsim: " + m_file + ": " + c.diagnostic;
        EXPECT_EQ(err.substr(0, prefix.size()), prefix);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(err.back(), '\n');
        // Nothing answers before a successful start.
        ConnHandle conn = 0;
        DirHandle dir = 0;
        std::string relative;
        EXPECT_EQ(m_sim->NWParseNetWarePath("A\\SYS:F", conn, dir, relative), nwcode::kDescriptionUnreadable);
    }
}

TEST_F(DescriptionLoadTest, AMissingFileIsRefusedLikeABadOne) {
    SimOptions options;
    options.networkPath = m_dir.Path() + "/absent.json";
    auto sim = CreateSimulatedNetwork(options);
    testing::internal::CaptureStderr();
    EXPECT_EQ(sim->NWCallsInit(), nwcode::kDescriptionUnreadable);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("nwsim: " + options.networkPath + ": ", 0), 0u) << err;
}

TEST_F(DescriptionLoadTest, CallsBeforeTheStartAreRefused) {
    simtest::WriteText(m_file, simtest::kNetwork);
    m_sim = Open();
    ConnHandle conn = 0;
    EXPECT_EQ(
        m_sim->NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, kTransportAny, conn),
        nwcode::kDescriptionUnreadable);
    ASSERT_EQ(m_sim->NWCallsInit(), 0);
    EXPECT_EQ(
        m_sim->NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, kTransportAny, conn), 0);
}

TEST_F(DescriptionLoadTest, DefaultsFillWhatTheDescriptionLeavesOut) {
    ASSERT_EQ(Start(R"({ "workstation": { "bindery": { "MIN": "ME" } },
      "servers": [ { "name": "MIN", "volumes": [ { "name": "VOL", "number": 7, "entries": ["a.txt"] } ],
                     "connections": [ { "number": 2, "user": "X.Y" } ] } ] })"),
              0);
    ConnHandle conn = Conn("min");
    NWFileServerInfo info;
    ASSERT_EQ(m_sim->GetFileServerInformation(conn, info), 0);
    EXPECT_EQ(info.serverName, "MIN");
    EXPECT_EQ(info.maximumServiceConnections, 250);
    EXPECT_EQ(info.connectionsInUse, 1);
    std::uint8_t enabled = 0;
    ASSERT_EQ(m_sim->GetFileServerLoginStatus(conn, enabled), 0);
    EXPECT_NE(enabled, 0);
    NWLoginTime time;
    ASSERT_EQ(m_sim->NWGetConnectionInformation(conn, 2, nullptr, nullptr, nullptr, &time), 0);
    EXPECT_EQ((std::vector<int>{time.year, time.month, time.day, time.hour}),
              (std::vector<int>{90, 1, 1, 0}));
    NWStationAddress address;
    EXPECT_NE(m_sim->GetConnectionAddress(conn, 2, address), 0);
    EXPECT_NE(m_sim->GetConnectionAddress(conn, 0, address), 0);
    // Names on a volume without long names are kept upper-cased.
    NWSearchSequence9 seq = NewSearchSequence9();
    NWFileInfo file;
    ASSERT_EQ(m_sim->NWIntScanFileInformation2(conn, 0, "VOL:A.TXT", 0, seq, &file, 0), 0);
    EXPECT_EQ(file.fileName, "A.TXT");
    std::uint32_t ns = 9;
    ASSERT_EQ(m_sim->NWGetOwningNameSpace(conn, 0, "VOL:A.TXT", ns), 0);
    EXPECT_EQ(ns, kNameSpaceDOS);
    std::uint32_t extension = 0;
    EXPECT_EQ(m_sim->NWGetNCPExtensionInfoByName(conn, "Kestrune Server", extension, nullptr, nullptr,
                                                 nullptr, nullptr),
              nwcode::kNoMatch);
}

TEST_F(DescriptionLoadTest, TheDemoNetworkIsStoredOnFirstUseAndUsedFromThere) {
    std::string data = m_dir.Path() + "/xdg";
    std::string stored = data + "/kestrune/network.json";
    const char* old = std::getenv("XDG_DATA_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    auto sim = CreateSimulatedNetwork(SimOptions{});
    EXPECT_EQ(sim->NWCallsInit(), 0);
    EXPECT_EQ(simtest::ReadText(stored), DemoNetworkDescription());
    // From then on the stored copy is the network.
    simtest::WriteText(stored, R"({"servers": [{"name": "ONLYHERE"}]})");
    auto second = CreateSimulatedNetwork(SimOptions{});
    ASSERT_EQ(second->NWCallsInit(), 0);
    ConnHandle conn = 0;
    EXPECT_EQ(second->NWCCOpenConnByName(0, "ONLYHERE", kNameFormatBindery, kOpenStateLicensed, kTransportAny,
                                         conn),
              0);
    if (old) {
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
}

TEST(SimOptionsTest, EnvironmentSelectsNetworkReadOnlyModeAndStatistics) {
    struct Var {
        const char* name;
        const char* value;
    };
    const Var vars[] = {
        {"NWSIM_NETWORK", "/x/net.json"}, {"NWSIM_READONLY", "1"}, {"NWSIM_STATS", "/x/stats.json"}};
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    for (const Var& v : vars) {
        const char* old = std::getenv(v.name);
        saved.emplace_back(v.name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(v.name, v.value, 1);
    }
    SimOptions options = SimOptions::FromEnvironment();
    EXPECT_EQ(options.networkPath, "/x/net.json");
    EXPECT_TRUE(options.readOnly);
    EXPECT_EQ(options.statsPath, "/x/stats.json");
    setenv("NWSIM_READONLY", "0", 1);
    unsetenv("NWSIM_NETWORK");
    options = SimOptions::FromEnvironment();
    EXPECT_FALSE(options.readOnly);
    EXPECT_EQ(options.networkPath, "");
    for (const auto& [name, value] : saved) {
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
}

}  // namespace
