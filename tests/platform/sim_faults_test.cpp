#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "tests/platform/sim_fixture.h"

namespace {

using simtest::SimTest;

std::string WithFaults(const nlohmann::json& faults) {
    nlohmann::json net = nlohmann::json::parse(simtest::kNetwork, nullptr, true, true);
    net["faults"] = faults;
    return net.dump();
}

class FaultTest : public SimTest {
protected:
    // The codes of `calls` successive NWGetNSPath requests for path.
    std::vector<NWCode> NSPathCodes(const std::string& path, int calls) {
        ConnHandle conn = Conn();
        std::vector<NWCode> codes;
        for (int i = 0; i < calls; ++i) {
            NWNSPath rec;
            rec.srcPath = path;
            codes.push_back(m_sim->NWGetNSPath(conn, 0, 1, kNameSpaceLong, kNameSpaceDOS, rec));
        }
        return codes;
    }
};

TEST_F(FaultTest, AfterSkipsAndTimesLimitsMatchingCallsOnly) {
    struct Case {
        nlohmann::json fault;
        std::vector<NWCode> ledger;  // five calls on LEDGER.DAT
        std::vector<NWCode> readme;  // two calls on README.TXT
    };
    const NWCode f = 0x8901;
    const Case cases[] = {
        {{{"call", "NWGetNSPath"}, {"code", "0x8901"}}, {f, f, f, f, f}, {f, f}},
        {{{"call", "NWGetNSPath"}, {"code", "0x8901"}, {"path", "sys:acct/ledger.dat"}, {"times", 1}},
         {f, 0, 0, 0, 0},
         {0, 0}},
        {{{"call", "NWGetNSPath"},
          {"code", 35073},
          {"path", "SYS:ACCT\\LEDGER.DAT"},
          {"after", 2},
          {"times", 2}},
         {0, 0, f, f, 0},
         {0, 0}},
        {{{"call", "NWGetNSPath"}, {"code", "0x8901"}, {"server", "FS2"}}, {0, 0, 0, 0, 0}, {0, 0}},
        {{{"call", "NWGetLongName"}, {"code", "0x8901"}}, {0, 0, 0, 0, 0}, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault.dump());
        ASSERT_EQ(Start(WithFaults(nlohmann::json::array({c.fault}))), 0);
        EXPECT_EQ(NSPathCodes("SYS:ACCT\\LEDGER.DAT", 5), c.ledger);
        EXPECT_EQ(NSPathCodes("SYS:README.TXT", 2), c.readme);
    }
}

TEST_F(FaultTest, ConnectionAndDirectoryCodesAndTheStartItself) {
    ASSERT_EQ(Start(WithFaults(nlohmann::json::array(
                  {{{"call", "NWClearConnectionNumber"}, {"code", "0x89C6"}, {"connection", 12}},
                   {{"call", "NWDSRead"}, {"code", -601}}}))),
              0);
    ConnHandle conn = Conn();
    EXPECT_EQ(m_sim->NWClearConnectionNumber(conn, 12), nwcode::kNoConsoleRights);
    EXPECT_EQ(m_sim->NWClearConnectionNumber(conn, 5), 0);
    DSContext ctx = 0;
    ASSERT_EQ(m_sim->DSCreateContextHandle(ctx), 0);
    DSBuf request = 0, reply = 0;
    ASSERT_EQ(m_sim->DSAllocBuf(kDSBufSize, request), 0);
    ASSERT_EQ(m_sim->DSAllocBuf(kDSBufSize, reply), 0);
    std::int32_t iter = -1;
    EXPECT_EQ(m_sim->NWDSRead(ctx, "JSMITH.SALES.ACME", 1, false, request, iter, reply), -601);

    testing::internal::CaptureStderr();
    EXPECT_EQ(Start(WithFaults(
                  nlohmann::json::array({{{"call", "NWCallsInit"}, {"code", "0x88FE"}, {"times", 1}}}))),
              nwcode::kDescriptionUnreadable);
    testing::internal::GetCapturedStderr();
    ConnHandle refused = 0;
    EXPECT_EQ(
        m_sim->NWCCOpenConnByName(0, "FS1", kNameFormatBindery, kOpenStateLicensed, kTransportAny, refused),
        nwcode::kDescriptionUnreadable);
    EXPECT_EQ(m_sim->NWCallsInit(), 0) << "the fault was good for one start only";
}

TEST_F(FaultTest, AWorkstationPathMatchesByItsServerAndVolumeQualifiedPath) {
    ASSERT_EQ(Start(WithFaults(nlohmann::json::array(
                  {{{"call", "NWParseNetWarePath"}, {"code", "0x8801"}, {"server", "fs1"}},
                   {{"call", "NWParsePath"}, {"code", "0x8802"}, {"path", "sys:acct/ledger.dat"}}}))),
              0);
    const std::pair<const char*, NWCode> parses[] = {
        {"G:\\TOOL.EXE", 0x8801}, {"\\\\FS1\\SYS\\README.TXT", 0x8801}, {"FS2\\SYS:X", 0}};
    for (const auto& [path, code] : parses) {
        ConnHandle conn = 0;
        DirHandle dir = 0;
        std::string relative;
        EXPECT_EQ(m_sim->NWParseNetWarePath(path, conn, dir, relative), code) << path;
    }
    const std::pair<const char*, NWCode> paths[] = {
        {"F:\\ACCT\\LEDGER.DAT", 0x8802}, {"FS1/SYS:ACCT/LEDGER.DAT", 0x8802}, {"F:\\README.TXT", 0}};
    for (const auto& [path, code] : paths)
        EXPECT_EQ(m_sim->NWParsePath(path, nullptr, nullptr, nullptr, nullptr), code) << path;
}

TEST_F(FaultTest, EveryCallIsCountedByNameAndWrittenAtExit) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    std::string name;
    for (int i = 0; i < 3; ++i) m_sim->NWGetConnectionInformation(conn, 5, &name, nullptr, nullptr, nullptr);
    m_sim->NWGetConnectionInformation(conn, 999, &name, nullptr, nullptr, nullptr);
    auto counts = m_sim->CallCounts();
    EXPECT_EQ(counts["NWCallsInit"], 1u);
    EXPECT_EQ(counts["NWCCOpenConnByName"], 1u);
    EXPECT_EQ(counts["NWGetConnectionInformation"], 4u);

    std::string statsFile = m_dir.Path() + "/stats.json";
    SimOptions options;
    options.networkPath = m_file;
    options.statsPath = statsFile;
    {
        auto sim = CreateSimulatedNetwork(options);
        ASSERT_EQ(sim->NWCallsInit(), 0);
        std::uint32_t ref = 0;
        sim->NWCCGetPrimConnRef(ref);
        sim->NWCCGetPrimConnRef(ref);
    }
    nlohmann::json stats = nlohmann::json::parse(simtest::ReadText(statsFile));
    EXPECT_EQ(stats, (nlohmann::json{{"NWCCGetPrimConnRef", 2}, {"NWCallsInit", 1}}));

    // A program that ends with exit() never destroys its client: the counts
    // are written all the same.
    std::remove(statsFile.c_str());
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto* sim = CreateSimulatedNetwork(options).release();
        sim->NWCallsInit();
        std::uint32_t ref = 0;
        sim->NWCCGetPrimConnRef(ref);
        std::exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    stats = nlohmann::json::parse(simtest::ReadText(statsFile), nullptr, false);
    EXPECT_EQ(stats, (nlohmann::json{{"NWCCGetPrimConnRef", 1}, {"NWCallsInit", 1}}));
}

}  // namespace
