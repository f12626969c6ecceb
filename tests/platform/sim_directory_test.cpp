#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include <nlohmann/json.hpp>

#include "tests/platform/sim_fixture.h"

namespace {

using simtest::SimTest;

class DirectoryHandleTest : public SimTest {};

std::vector<std::string> ScanNames(SimulatedNetwork& sim, ConnHandle conn, DirHandle handle, std::uint8_t ns,
                                   std::uint16_t attributes, const std::string& pattern,
                                   NWCode* end = nullptr) {
    std::vector<std::string> names;
    NWSearchSequence12 seq = NewSearchSequence12();
    NWEntryInfo entry{};
    NWCode rc;
    while ((rc = sim.NWScanNSEntryInfo(conn, handle, ns, attributes, seq, pattern, 0x0FFF, entry)) == 0) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&entry);
        std::uint32_t attr;
        std::memcpy(&attr, bytes + 4, 4);
        names.push_back(std::string(reinterpret_cast<const char*>(bytes + 85)) +
                        ((attr & kAttrDirectory) ? "/" : ""));
        if (names.size() > 20) break;
    }
    if (end) *end = rc;
    return names;
}

TEST_F(DirectoryHandleTest, ScanListsEntriesInDescriptionOrderInTheGivenNameSpace) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    DirHandle handle = 0;
    ASSERT_EQ(m_sim->NWAllocTempNSDirHandle2(conn, 0, "SYS:ACCT", kNameSpaceLong, handle, kNameSpaceLong), 0);
    NWCode end = 0;
    EXPECT_EQ(ScanNames(*m_sim, conn, handle, kNameSpaceLong, 0xFFFF, "*", &end),
              (std::vector<std::string>{"LEDGER.DAT", "Quarterly Report.doc", "ARCHIVE.DAT/", "AUDIT.DAT"}));
    EXPECT_EQ(end, nwcode::kNoMatch);
    EXPECT_EQ(ScanNames(*m_sim, conn, handle, kNameSpaceDOS, 0xFFFF, "*.*"),
              (std::vector<std::string>{"LEDGER.DAT", "QUARTE~1.DOC", "ARCHIVE.DAT/", "AUDIT.DAT"}));
    EXPECT_EQ(ScanNames(*m_sim, conn, handle, kNameSpaceLong, 0xFFFF, "*.doc"),
              std::vector<std::string>{"Quarterly Report.doc"});
    EXPECT_EQ(ScanNames(*m_sim, conn, handle, kNameSpaceDOS, 0xFFFF, "quarte~1.doc"),
              std::vector<std::string>{"QUARTE~1.DOC"});
    EXPECT_TRUE(ScanNames(*m_sim, conn, handle, kNameSpaceLong, 0xFFFF, "NOTHING*").empty());
    EXPECT_EQ(ScanNames(*m_sim, conn, handle, kNameSpaceLong, 0, "*"),
              (std::vector<std::string>{"LEDGER.DAT", "Quarterly Report.doc"}));
    EXPECT_EQ(m_sim->DeallocateDirectoryHandle(conn, handle), 0);
    EXPECT_EQ(m_sim->OpenDirHandles(), 0);

    // The volume root, and a volume without long names.
    ASSERT_EQ(m_sim->NWAllocTempNSDirHandle2(conn, 0, "SYS:", kNameSpaceLong, handle, kNameSpaceLong), 0);
    EXPECT_EQ(ScanNames(*m_sim, conn, handle, kNameSpaceLong, 0xFFFF, "*"),
              (std::vector<std::string>{"README.TXT", "ACCT/"}));
    EXPECT_EQ(m_sim->DeallocateDirectoryHandle(conn, handle), 0);
    EXPECT_EQ(m_sim->NWAllocTempNSDirHandle2(conn, 0, "DATA:APPS", kNameSpaceLong, handle, kNameSpaceLong),
              nwcode::kNameSpaceNotOnVolume);
    const std::pair<const char*, NWCode> refusals[] = {
        {"SYS:ACCT\\LEDGER.DAT", nwcode::kNoSuchDirectory},
        {"SYS:NOSUCH", nwcode::kNoMatch},
        {"SYS:NOSUCH\\DEEPER", nwcode::kNoSuchDirectory},
        {"VOL9:", nwcode::kNoSuchVolume},
    };
    for (const auto& [path, code] : refusals)
        EXPECT_EQ(m_sim->NWAllocTempNSDirHandle2(conn, 0, path, kNameSpaceDOS, handle, kNameSpaceDOS), code)
            << path;
    EXPECT_EQ(m_sim->OpenDirHandles(), 0);
}

TEST_F(DirectoryHandleTest, A254thHandleIsTheLastUntilOneIsReleased) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    std::set<DirHandle> handles;
    for (int i = 0; i < 254; ++i) {
        DirHandle h = 0;
        ASSERT_EQ(m_sim->NWAllocTempNSDirHandle2(conn, 0, "SYS:ACCT", kNameSpaceDOS, h, kNameSpaceDOS), 0)
            << i;
        EXPECT_NE(h, 0);
        handles.insert(h);
    }
    EXPECT_EQ(handles.size(), 254u);
    EXPECT_EQ(m_sim->OpenDirHandles(), 254);
    DirHandle extra = 0;
    EXPECT_EQ(m_sim->NWAllocTempNSDirHandle2(conn, 0, "SYS:ACCT", kNameSpaceDOS, extra, kNameSpaceDOS),
              nwcode::kNoMoreDirHandles);
    ASSERT_EQ(m_sim->DeallocateDirectoryHandle(conn, *handles.begin()), 0);
    EXPECT_EQ(m_sim->NWAllocTempNSDirHandle2(conn, 0, "SYS:ACCT", kNameSpaceDOS, extra, kNameSpaceDOS), 0);
    EXPECT_NE(m_sim->DeallocateDirectoryHandle(conn, 0), 0);
}

TEST_F(DirectoryHandleTest, AHandleWhoseDirectoryWentWithAnotherProgramsChangeIsRefused) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    DirHandle handle = 0;
    ASSERT_EQ(
        m_sim->NWAllocTempNSDirHandle2(conn, 0, "SYS:ACCT\\ARCHIVE.DAT", kNameSpaceLong, handle, kNameSpaceLong),
        0);
    // Another program leaves SYS with fewer entries than the handle's number.
    nlohmann::json net = nlohmann::json::parse(simtest::kNetwork, nullptr, true, true);
    net["servers"][0]["volumes"][0]["entries"] = {"ONLY.TXT"};
    net["servers"][0]["connections"] = nlohmann::json::array();
    simtest::WriteText(m_file, net.dump());
    NWCode end = 0;
    EXPECT_TRUE(ScanNames(*m_sim, conn, handle, kNameSpaceLong, 0xFFFF, "*", &end).empty());
    EXPECT_NE(end, 0);
    NWSearchSequence9 seq = NewSearchSequence9();
    EXPECT_NE(m_sim->NWIntScanFileInformation2(conn, handle, "*", 0xFF, seq, nullptr, 0), 0);
    EXPECT_EQ(m_sim->IsLongNameSpaceSupported(conn, handle, "X"), 0);
    // Paths with their volume still work, and the handle can still be released.
    EXPECT_EQ(m_sim->NWIntScanFileInformation2(conn, 0, "SYS:ONLY.TXT", 0, seq, nullptr, 0), 0);
    EXPECT_EQ(m_sim->DeallocateDirectoryHandle(conn, handle), 0);
    EXPECT_EQ(m_sim->OpenDirHandles(), 0);
}

class DirectoryServicesTest : public SimTest {
protected:
    DSContext RootContext(bool typeless = true) {
        DSContext ctx = 0;
        EXPECT_EQ(m_sim->DSCreateContextHandle(ctx), 0);
        std::uint32_t flags = 0;
        EXPECT_EQ(m_sim->DSGetContext(ctx, kDSContextFlags, flags), 0);
        if (typeless) flags |= kDSFlagTypeless;
        EXPECT_EQ(m_sim->DSSetContext(ctx, kDSContextFlags, flags), 0);
        EXPECT_EQ(m_sim->DSSetContext(ctx, kDSContextNameContext, std::string("[root]")), 0);
        return ctx;
    }

    // The read of one attribute as a caller makes it; the code of the first
    // failing step, and the first value.
    NWCode ReadAttribute(DSContext ctx, const std::string& object, const std::string& attribute,
                         std::string& value, std::uint32_t* count = nullptr) {
        DSBuf reply = 0, request = 0;
        EXPECT_EQ(m_sim->DSAllocBuf(kDSBufSize, reply), 0);
        EXPECT_EQ(m_sim->DSAllocBuf(kDSBufSize, request), 0);
        EXPECT_EQ(m_sim->DSInitBuf(ctx, kDSOperationRead, request), 0);
        NWCode rc = [&]() -> NWCode {
            std::string canonical;
            if (NWCode r = m_sim->DSCanonicalizeName(ctx, object, canonical)) return r;
            if (NWCode r = m_sim->NWDSPutAttrName(ctx, request, attribute)) return r;
            std::int32_t iter = -1;
            if (NWCode r = m_sim->NWDSRead(ctx, canonical, 1, false, request, iter, reply)) return r;
            std::uint32_t n = 0;
            if (NWCode r = m_sim->NWDSGetAttrCount(ctx, reply, n)) return r;
            if (count) *count = n;
            std::string name;
            std::uint32_t values = 0, syntax = 0;
            if (NWCode r = m_sim->NWDSGetAttrName(ctx, reply, name, values, syntax)) return r;
            EXPECT_EQ(name, attribute);
            return m_sim->NWDSGetAttrVal(ctx, reply, syntax, value);
        }();
        EXPECT_EQ(m_sim->DSFreeBuf(reply), 0);
        EXPECT_EQ(m_sim->DSFreeBuf(request), 0);
        return rc;
    }
};

TEST_F(DirectoryServicesTest, FullNameReadGivesTheFirstValueAndBuffersAreCounted) {
    ASSERT_EQ(Start(), 0);
    DSContext ctx = RootContext();
    std::string value;
    std::uint32_t count = 0;
    EXPECT_EQ(ReadAttribute(ctx, "JSMITH.SALES.ACME", "Full Name", value, &count), 0);
    EXPECT_EQ(value, "John Smith");
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(ReadAttribute(ctx, "GUEST.ACME", "Full Name", value), nwcode::kDSNoSuchAttribute);
    EXPECT_EQ(ReadAttribute(ctx, "NOBODY.ACME", "Full Name", value), nwcode::kDSNoSuchEntry);
    EXPECT_EQ(m_sim->OpenDSBuffers(), 0);
    DSBuf leaked = 0;
    ASSERT_EQ(m_sim->DSAllocBuf(kDSBufSize, leaked), 0);
    EXPECT_EQ(m_sim->OpenDSBuffers(), 1);
}

TEST_F(DirectoryServicesTest, NamesAreCanonicalAndRelativeToTheContext) {
    ASSERT_EQ(Start(), 0);
    DSContext typeless = RootContext(true);
    DSContext typed = RootContext(false);
    std::string name;
    ASSERT_EQ(m_sim->DSCanonicalizeName(typeless, "CN=JSMITH.OU=SALES.O=ACME", name), 0);
    EXPECT_EQ(name, "JSMITH.SALES.ACME");
    ASSERT_EQ(m_sim->DSCanonicalizeName(typed, "JSMITH.SALES.ACME", name), 0);
    EXPECT_EQ(name, "CN=JSMITH.OU=SALES.O=ACME");

    ConnHandle conn = Conn();
    std::uint32_t jsmith = 0, guest = 0;
    ASSERT_EQ(m_sim->NWGetConnectionInformation(conn, 5, nullptr, nullptr, &jsmith, nullptr), 0);
    ASSERT_EQ(m_sim->NWGetConnectionInformation(conn, 12, nullptr, nullptr, &guest, nullptr), 0);
    EXPECT_NE(jsmith, guest);
    ASSERT_EQ(m_sim->DSMapIDToName(typeless, conn, jsmith, name), 0);
    EXPECT_EQ(name, "JSMITH.SALES.ACME");
    ASSERT_EQ(m_sim->DSMapIDToName(typed, conn, jsmith, name), 0);
    EXPECT_EQ(name, "CN=JSMITH.OU=SALES.O=ACME");
    ASSERT_EQ(m_sim->DSSetContext(typeless, kDSContextNameContext, std::string("SALES.ACME")), 0);
    ASSERT_EQ(m_sim->DSMapIDToName(typeless, conn, jsmith, name), 0);
    EXPECT_EQ(name, "JSMITH");
    // A bindery-only login does not map; its bindery name is still there.
    EXPECT_EQ(m_sim->DSMapIDToName(typeless, conn, guest, name), nwcode::kDSNoSuchEntry);
    ASSERT_EQ(m_sim->GetBinderyObjectName(conn, guest, name, nullptr), 0);
    EXPECT_EQ(name, "GUEST");
}

TEST_F(DirectoryServicesTest, LoginSetsTheIdentityThatAuthenticatesConnections) {
    nlohmann::json net = nlohmann::json::parse(simtest::kNetwork, nullptr, true, true);
    net["workstation"].erase("nds");
    ASSERT_EQ(Start(net.dump()), 0);
    ConnHandle conn = Conn();
    EXPECT_EQ(m_sim->NWDSAuthenticate(conn, 0, nullptr), nwcode::kDSLoginRefused);
    NWAllConnInfo info;
    ASSERT_EQ(m_sim->NWCCGetAllConnInfo(conn, 1, info), 0);
    EXPECT_EQ(info.authenticationState, 0u);
    EXPECT_NE(info.ndsState, 0u);
    EXPECT_EQ(info.treeName, "ACME");

    DSContext ctx = 0;
    ASSERT_EQ(m_sim->DSCreateContextHandle(ctx), 0);
    ASSERT_EQ(m_sim->DSSetContext(ctx, kDSContextTreeName, std::string("ACME")), 0);
    EXPECT_EQ(m_sim->NWDSLogin(ctx, 0, "NOBODY.ACME", "x", 0), nwcode::kDSNoSuchEntry);
    EXPECT_EQ(m_sim->NWDSLogin(ctx, 0, "ADMIN.IT.ACME", "wrong", 0), nwcode::kDSLoginRefused);
    ASSERT_EQ(m_sim->NWDSLogin(ctx, 0, "admin.it.acme", "secret", 0), 0);
    EXPECT_EQ(m_sim->NWDSAuthenticate(conn, 0, nullptr), 0);
    ASSERT_EQ(m_sim->NWCCGetAllConnInfo(conn, 1, info), 0);
    EXPECT_NE(info.authenticationState, 0u);
    EXPECT_EQ(m_sim->CheckConsolePrivileges(conn), 0);
    nlohmann::json stored = nlohmann::json::parse(simtest::ReadText(m_file));
    EXPECT_EQ(stored["workstation"]["nds"], (nlohmann::json{{"tree", "ACME"}, {"user", "ADMIN.IT.ACME"}}));
}

class DiscoveryTest : public SimTest {};

TEST_F(DiscoveryTest, BinderyAndIpScansListTheirServersDownOnesIncluded) {
    ASSERT_EQ(Start(), 0);
    std::uint32_t ref = 0;
    ASSERT_EQ(m_sim->NWCCGetPrimConnRef(ref), 0);
    ConnHandle primary = 0;
    ASSERT_EQ(m_sim->NWCCOpenConnByRef(ref, kOpenStateLicensed, 0, primary), 0);
    std::vector<std::string> bindery;
    std::uint32_t id = 0xFFFFFFFF;
    std::string name;
    NWCode rc;
    while ((rc = m_sim->ScanBinderyObject(primary, "*", kObjectTypeFileServer, id, &name, nullptr)) == 0) {
        bindery.push_back(name);
        if (bindery.size() > 10) break;
    }
    EXPECT_EQ(rc, nwcode::kNoSuchObject);
    EXPECT_EQ(bindery, (std::vector<std::string>{"FS1", "OLD"}));

    std::uint32_t scan = 0;
    ASSERT_EQ(m_sim->OpenServerScan(kObjectTypeFileServer, scan), 0);
    std::vector<std::string> ip;
    std::uint32_t length = 255;
    while (m_sim->NextScannedServer(scan, length, name) == 0 && ip.size() < 10) {
        ip.push_back(name);
        length = 255;
    }
    EXPECT_EQ(m_sim->CloseServerScan(scan), 0);
    EXPECT_EQ(ip, (std::vector<std::string>{"FS1", "fs2.example"}));
    ConnHandle fs2 = 0;
    EXPECT_EQ(m_sim->NWCCOpenConnByName(0, "FS2.EXAMPLE", kNameFormatBindery, kOpenStateLicensed,
                                        kTransportAny, fs2),
              nwcode::kServerUnknown)
        << "the IP name is what discovery reports, not a server name";

    nlohmann::json net = nlohmann::json::parse(simtest::kNetwork, nullptr, true, true);
    net["workstation"].erase("primary");
    ASSERT_EQ(Start(net.dump()), 0);
    EXPECT_NE(m_sim->NWCCGetPrimConnRef(ref), 0);
}

TEST_F(DiscoveryTest, ServerInformationAndVersion) {
    ASSERT_EQ(Start(), 0);
    ConnHandle conn = Conn();
    NWServerVersion version{};
    ASSERT_EQ(m_sim->NWCCGetConnInfo(conn, kConnInfoServerVersion, sizeof version, &version), 0);
    EXPECT_EQ((std::vector<std::uint32_t>{version.major, version.minor, version.revision}),
              (std::vector<std::uint32_t>{5, 70, 0}));
    NWFileServerInfo info;
    ASSERT_EQ(m_sim->GetFileServerInformation(conn, info), 0);
    EXPECT_EQ(info.serverName, "FS1");
    EXPECT_EQ(info.connectionsInUse, 2);  // connection 0 is the server itself
    EXPECT_EQ(info.numberMountedVolumes, 2);
    EXPECT_EQ(m_sim->CheckConsolePrivileges(conn), 0);
}

}  // namespace
