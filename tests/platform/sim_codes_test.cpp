#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/platform/sim_fixture.h"

namespace {

using simtest::SimTest;

class CodesTest : public SimTest {};

// Each situation of the contract's table of codes, reached through the calls
// a program makes, with the code written out as the table gives it.
TEST_F(CodesTest, EachSituationAnswersTheCodeOfTheTable) {
    ASSERT_EQ(Start(), 0);
    ConnHandle fs1 = Conn();
    ConnHandle fs2 = Conn("FS2");  // no identity there
    ConnHandle conn = 0;
    DirHandle dir = 0;
    std::string text;
    auto scanFile = [&](ConnHandle c, const std::string& path, int calls = 1) {
        NWSearchSequence9 seq = NewSearchSequence9();
        NWCode rc = 0;
        for (int i = 0; i < calls && rc == 0; ++i)
            rc = m_sim->NWIntScanFileInformation2(c, 0, path, 0, seq, nullptr, 0);
        return rc;
    };
    auto usage = [&](const std::string& path, std::int16_t iter) {
        NWConnsUsingFile reply;
        return m_sim->NWScanConnectionsUsingFile(fs1, 0, path, iter, nullptr, reply);
    };
    auto nsPath = [&](const std::string& path) {
        NWNSPath rec;
        rec.srcPath = path;
        return m_sim->NWGetNSPath(fs1, 0, 1, kNameSpaceLong, kNameSpaceDOS, rec);
    };
    DSContext ctx = 0;
    ASSERT_EQ(m_sim->DSCreateContextHandle(ctx), 0);
    ASSERT_EQ(m_sim->DSSetContext(ctx, kDSContextFlags, kDSFlagTypeless), 0);
    auto readFullName = [&](const std::string& object) {
        DSBuf request = 0, reply = 0;
        m_sim->DSAllocBuf(kDSBufSize, request);
        m_sim->DSAllocBuf(kDSBufSize, reply);
        m_sim->DSInitBuf(ctx, kDSOperationRead, request);
        m_sim->NWDSPutAttrName(ctx, request, "Full Name");
        std::int32_t iteration = -1;
        NWCode rc = m_sim->NWDSRead(ctx, object, 1, false, request, iteration, reply);
        m_sim->DSFreeBuf(request);
        m_sim->DSFreeBuf(reply);
        return rc;
    };
    std::uint32_t id = 0;
    ASSERT_EQ(m_sim->NWGetConnectionInformation(fs1, 12, nullptr, nullptr, &id, nullptr), 0);

    struct Row {
        const char* situation;
        NWCode code;
        std::function<NWCode()> call;
    };
    const Row rows[] = {
        {"unknown server", 0x880F,
         [&] {
             return m_sim->NWCCOpenConnByName(0, "NOSUCH", kNameFormatBindery, kOpenStateLicensed,
                                              kTransportAny, conn);
         }},
        {"server down", 0x880F,
         [&] {
             return m_sim->NWCCOpenConnByName(0, "OLD", kNameFormatBindery, kOpenStateLicensed, kTransportAny,
                                              conn);
         }},
        {"drive not mapped", 0x880F, [&] { return m_sim->NWParseNetWarePath("Q:\\X.DAT", conn, dir, text); }},
        {"path syntax", 0x8836, [&] { return m_sim->NWParseNetWarePath("NOCOLON", conn, dir, text); }},
        {"usage scan past its last batch", 0x88FF, [&] { return usage("SYS:ACCT\\LEDGER.DAT", 3); }},
        {"usage scan of a file open by nobody", 0x88FF, [&] { return usage("SYS:README.TXT", 0); }},
        {"module refuses the request", 0x897E,
         [&] {
             std::vector<std::uint8_t> request(100, 0x43);
             std::size_t replyLength = 0;
             return m_sim->NWNCPExtensionRequest(fs1, 0x4B520001, request.data(), request.size(), nullptr,
                                                 replyLength);
         }},
        {"volume does not exist", 0x8998, [&] { return scanFile(fs1, "NOVOL:X.DAT"); }},
        {"volume number not in use", 0x8998, [&] { return m_sim->GetVolumeName(fs1, 9, text); }},
        {"directory of the path does not exist", 0x899C, [&] { return scanFile(fs1, "SYS:NODIR\\X.DAT"); }},
        {"name space not on the volume", 0x89BF, [&] { return nsPath("DATA:PAYROLL.DB"); }},
        {"no console rights", 0x89C6, [&] { return m_sim->CheckConsolePrivileges(fs2); }},
        {"unknown user", 0x89FC,
         [&] { return m_sim->NWLoginToFileServer(fs1, "NOBODY", kObjectTypeUser, ""); }},
        {"no such bindery object", 0x89FC,
         [&] { return m_sim->GetBinderyObjectName(fs1, 0xDEAD, text, nullptr); }},
        {"connection number not in use", 0x89FD, [&] { return m_sim->NWClearConnectionNumber(fs1, 99); }},
        {"no matching entry", 0x89FF, [&] { return scanFile(fs1, "SYS:NONE.TXT"); }},
        {"end of a directory scan", 0x89FF, [&] { return scanFile(fs1, "SYS:ACCT\\*.DAT", 3); }},
        {"wrong password", 0x89FF,
         [&] { return m_sim->NWLoginToFileServer(fs1, "SUPERVISOR", kObjectTypeUser, "wrong"); }},
        {"extension not registered", 0x89FF,
         [&] {
             std::uint32_t ext = 0;
             return m_sim->NWGetNCPExtensionInfoByName(fs2, "Kestrune Server", ext, nullptr, nullptr, nullptr,
                                                       nullptr);
         }},
        {"unauthenticated station sees nothing", 0x89FF, [&] { return scanFile(fs2, "SYS:X.DAT"); }},
        {"directory object does not exist", -601, [&] { return readFullName("NOBODY.ACME"); }},
        {"connection not mapped to a directory object", -601,
         [&] { return m_sim->DSMapIDToName(ctx, fs1, id, text); }},
        {"no such attribute", -603, [&] { return readFullName("GUEST.ACME"); }},
        {"directory login with a wrong password", -669,
         [&] { return m_sim->NWDSLogin(ctx, 0, "JSMITH.SALES.ACME", "wrong", 0); }},
        {"authentication without an identity in the tree", -669,
         [&] { return m_sim->NWDSAuthenticate(fs2, 0, nullptr); }},
    };
    for (const Row& row : rows) EXPECT_EQ(row.call(), row.code) << row.situation;
}

}  // namespace
