// The built-in demo network keeps the promises the demos are built on: every
// kind of server, the drives of the demo scripts, a busy connection table and
// names outside ASCII. It is loaded from a temporary copy, as any description.

#include "platform/sim/simulated_network.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace {

using ::testing::Contains;
using ::testing::IsSupersetOf;

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

class DemoNetworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kr-demo-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        const std::string path = (m_dir / "network.json").string();
        std::ofstream(path, std::ios::binary) << DemoNetworkDescription();

        SimOptions options;
        options.networkPath = path;
        options.readOnly = true;
        m_net = CreateSimulatedNetwork(options);
        ASSERT_EQ(m_net->NWCallsInit(), 0);
    }

    void TearDown() override {
        m_net.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    ConnHandle Open(const std::string& server) {
        ConnHandle conn = 0;
        EXPECT_EQ(m_net->NWCCOpenConnByName(0, server, kNameFormatBindery, kOpenStateLicensed,
                                            kTransportAny, conn),
                  0)
            << server;
        return conn;
    }

    // The DOS-name-space path that connection and lock scans take, made from a
    // workstation path as the programs make it.
    struct Resolved {
        ConnHandle conn = 0;
        std::string relative;
        std::string shortPath;
    };
    ::testing::AssertionResult Resolve(const std::string& utf8Path, Resolved& out) {
        DirHandle dirHandle = 0;
        const std::string path = CharToOemA(utf8Path);
        if (NWCode code = m_net->NWParseNetWarePath(path, out.conn, dirHandle, out.relative))
            return ::testing::AssertionFailure() << "NWParseNetWarePath " << std::hex << code;
        NWSearchSequence9 sequence = NewSearchSequence9();
        NWFileInfo info;
        if (NWCode code = m_net->NWIntScanFileInformation2(out.conn, dirHandle, out.relative, 6,
                                                           sequence, &info, 0))
            return ::testing::AssertionFailure() << "NWIntScanFileInformation2 " << std::hex << code;
        NWNSPath nsPath;
        nsPath.srcPath = out.relative;
        nsPath.destPath = out.relative;
        NWCode code = m_net->NWGetNSPath(out.conn, dirHandle, 1, kNameSpaceLong, kNameSpaceDOS, nsPath);
        if (code == nwcode::kNameSpaceNotOnVolume) {
            out.shortPath = out.relative;
            return ::testing::AssertionSuccess();
        }
        if (code) return ::testing::AssertionFailure() << "NWGetNSPath " << std::hex << code;
        std::string name;
        if ((code = m_net->NWGetLongName(out.conn, 0, out.relative, kNameSpaceLong, kNameSpaceDOS,
                                          name)))
            return ::testing::AssertionFailure() << "NWGetLongName " << std::hex << code;
        out.shortPath = nsPath.destPath +
                        (nsPath.destPath.find(':') == std::string::npos ? ":" : "\\") + name;
        return ::testing::AssertionSuccess();
    }

    // Connection numbers of every open of the file, in the server's order.
    std::vector<ConnNumber> ConnectionsUsing(const Resolved& file) {
        std::vector<ConnNumber> numbers;
        std::int16_t iterator = 0;
        NWConnsUsingFile reply{};
        while (m_net->NWScanConnectionsUsingFile(file.conn, 0, file.shortPath, iterator, nullptr,
                                                 reply) == 0) {
            for (std::size_t i = 0; i < reply.connCount; ++i)
                numbers.push_back(reply.connInfo[i].connNumber);
            if (iterator == -1 || reply.connCount == 0) break;
        }
        return numbers;
    }

    std::size_t LockCount(const Resolved& file) {
        std::size_t locks = 0;
        std::int16_t iterator = 0;
        NWPhysicalLock lock{};
        NWPhysicalLockList list{};
        while (m_net->ScanPhysicalLocks(file.conn, 0, file.shortPath, 0, iterator, lock, list) == 0 &&
               iterator != -1)
            ++locks;
        return locks;
    }

    // The workstation's listing of a directory ("F:\\DIR\\"), "." and ".." left out.
    std::vector<FindData> List(const std::string& dir) {
        std::vector<FindData> entries;
        FindState state;
        FindData entry;
        if (m_net->FindFirst(dir + "*.*", kAttrHidden | kAttrSystem | kAttrDirectory, state, entry) == 0) {
            do {
                if (entry.name != "." && entry.name != "..") entries.push_back(entry);
            } while (m_net->FindNext(state, entry) == 0);
        }
        m_net->FindClose(state);
        return entries;
    }

    std::filesystem::path m_dir;
    std::unique_ptr<SimulatedNetwork> m_net;
};

TEST_F(DemoNetworkTest, DiscoveryFindsServersByBothMethods) {
    std::set<std::string> ipx;
    std::uint32_t ref = 0;
    ConnHandle primary = 0;
    ASSERT_EQ(m_net->NWCCGetPrimConnRef(ref), 0);
    ASSERT_EQ(m_net->NWCCOpenConnByRef(ref, kOpenStateLicensed, 0, primary), 0);
    std::uint32_t id = 0xFFFFFFFF;
    std::string name;
    while (m_net->ScanBinderyObject(primary, "*", kObjectTypeFileServer, id, &name, nullptr) == 0)
        ipx.insert(name);

    std::set<std::string> ip;
    std::uint32_t scan = 0;
    ASSERT_EQ(m_net->OpenServerScan(kObjectTypeFileServer, scan), 0);
    std::uint32_t length = 255;
    while (m_net->NextScannedServer(scan, length, name) == 0) {
        ip.insert(name);
        length = 255;
    }
    m_net->CloseServerScan(scan);

    EXPECT_THAT(ipx, IsSupersetOf({"FS1", "FS2", "FS3"}));
    // FS1 comes back over IP in lower case; the browser must list it once.
    EXPECT_THAT(ip, Contains("fs1"));
    EXPECT_THAT(ip, Contains("FS2"));
    std::set<std::string> ipOnly;
    for (const std::string& server : ip)
        if (!ipx.count(Upper(server))) ipOnly.insert(server);
    EXPECT_FALSE(ipOnly.empty()) << "no server found by the IP method alone";
}

TEST_F(DemoNetworkTest, EachServerShowsItsOwnPath) {
    struct Case {
        const char* server;
        NWCode open;          // opening a connection by name
        bool tree;            // directory services on the server
        NWCode console;       // CheckConsolePrivileges for the workstation's identity
        NWCode module;        // looking up the server module
    };
    const Case cases[] = {
        {"FS1", 0, true, 0, 0},
        {"FS2", 0, false, nwcode::kNoConsoleRights, nwcode::kNoMatch},
        {"FS3", nwcode::kServerUnknown, true, 0, 0},
        {"FS4", 0, true, 0, nwcode::kNoMatch},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        ConnHandle conn = 0;
        ASSERT_EQ(m_net->NWCCOpenConnByName(0, c.server, kNameFormatBindery, kOpenStateLicensed,
                                            kTransportAny, conn),
                  c.open);
        if (c.open != 0) continue;
        NWAllConnInfo info;
        ASSERT_EQ(m_net->NWCCGetAllConnInfo(conn, 1, info), 0);
        EXPECT_NE(info.authenticationState, 0u) << "the workstation holds no login there";
        EXPECT_EQ(info.ndsState != 0, c.tree);
        EXPECT_EQ(m_net->CheckConsolePrivileges(conn), c.console);
        std::uint32_t extension = 0;
        EXPECT_EQ(m_net->NWGetNCPExtensionInfoByName(conn, "Kestrune Server", extension, nullptr,
                                                     nullptr, nullptr, nullptr),
                  c.module);
    }

    NWServerVersion version{};
    ASSERT_EQ(m_net->NWCCGetConnInfo(Open("FS1"), kConnInfoServerVersion, sizeof version, &version), 0);
    EXPECT_TRUE((version.major == 5 && version.minor == 70) || (version.major == 6 && version.minor == 50))
        << version.major << "." << version.minor;
}

TEST_F(DemoNetworkTest, DrivesResolveToTheirVolumes) {
    struct Case { const char* path; const char* server; const char* relative; bool longNames; };
    const Case cases[] = {
        {"F:\\ACCOUNTS\\LEDGER.DAT", "FS1", "DATA:ACCOUNTS\\LEDGER.DAT", true},
        {"G:\\Templates\\Letterhead.dot", "FS1", "DATA:SHARED\\TEMPLATES\\LETTERHEAD.DOT", true},
        {"H:\\STOCK\\STOCK.DAT", "FS2", "VOL1:STOCK\\STOCK.DAT", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Resolved file;
        ASSERT_TRUE(Resolve(c.path, file));
        EXPECT_EQ(Upper(file.relative), c.relative);
        std::string server;
        ASSERT_EQ(m_net->NWParsePath(c.path, &server, nullptr, nullptr, nullptr), 0);
        EXPECT_EQ(server, c.server);
        EXPECT_EQ(m_net->IsLongNameSpaceSupported(file.conn, 0, file.relative) != 0, c.longNames);
        // Without long names the relative path already is the short one.
        if (!c.longNames) {
            EXPECT_EQ(file.shortPath, file.relative);
        }
    }
}

// What `krcmd 'F:\ACCOUNTS\*.*' /s` walks: files open at the top and four
// levels down, by connection 0, twice by one connection, hidden, and locked.
TEST_F(DemoNetworkTest, AccountsWalkFindsOpenFilesAtEveryLevel) {
    std::map<std::size_t, std::size_t> opensByDepth;
    std::size_t openByServer = 0, openTwiceByOne = 0, hiddenOpen = 0, locked = 0, files = 0;
    std::function<void(const std::string&, std::size_t)> walk = [&](const std::string& dir,
                                                                      std::size_t depth) {
        for (const FindData& entry : List(dir)) {
            if (entry.attributes & kAttrDirectory) {
                walk(dir + entry.name + "\\", depth + 1);
                continue;
            }
            ++files;
            Resolved file;
            ASSERT_TRUE(Resolve(dir + entry.name, file)) << dir + entry.name;
            const std::vector<ConnNumber> conns = ConnectionsUsing(file);
            opensByDepth[depth] += conns.size();
            openByServer += std::count(conns.begin(), conns.end(), 0);
            const std::set<ConnNumber> distinct(conns.begin(), conns.end());
            if (distinct.size() < conns.size()) ++openTwiceByOne;
            if ((entry.attributes & kAttrHidden) && !conns.empty()) ++hiddenOpen;
            if (LockCount(file) > 0) ++locked;
        }
    };
    walk("F:\\ACCOUNTS\\", 0);

    EXPECT_GT(files, 50u);
    EXPECT_GT(opensByDepth[0], 0u);
    EXPECT_GT(opensByDepth[1], 0u);
    EXPECT_GT(opensByDepth[4], 0u);
    EXPECT_GT(openByServer, 0u);
    EXPECT_GT(openTwiceByOne, 0u);
    EXPECT_GT(hiddenOpen, 0u);
    EXPECT_GE(locked, 3u);
}

TEST_F(DemoNetworkTest, ConnectionTableShowsEveryKindOfStation) {
    const ConnHandle conn = Open("FS1");
    NWFileServerInfo server;
    ASSERT_EQ(m_net->GetFileServerInformation(conn, server), 0);
    EXPECT_GT(server.connectionsInUse, 20);

    DSContext context = 0;
    ASSERT_EQ(m_net->DSCreateContextHandle(context), 0);
    m_net->DSSetContext(context, kDSContextTreeName, std::string("ACME"));
    m_net->DSSetContext(context, kDSContextNameContext, std::string("[root]"));
    std::uint32_t flags = 0;
    m_net->DSGetContext(context, kDSContextFlags, flags);
    m_net->DSSetContext(context, kDSContextFlags, flags | kDSFlagTypeless);

    std::size_t directoryUsers = 0, unmapped = 0, withoutFullName = 0, severalFullNames = 0;
    std::size_t refusesMessages = 0, ipAddresses = 0, ipxAddresses = 0;
    for (ConnNumber n = 1; n < server.maximumServiceConnections; ++n) {
        std::string user;
        std::uint32_t id = 0;
        NWLoginTime time{};
        if (m_net->NWGetConnectionInformation(conn, n, &user, nullptr, &id, &time) != 0) continue;
        SCOPED_TRACE(user);
        EXPECT_FALSE(user.empty());

        std::string mapped;
        if (m_net->DSMapIDToName(context, conn, id, mapped) != 0) {
            ++unmapped;
        } else {
            ++directoryUsers;
            DSBuf reply = 0, request = 0;
            m_net->DSAllocBuf(kDSBufSize, reply);
            m_net->DSAllocBuf(kDSBufSize, request);
            m_net->DSInitBuf(context, kDSOperationRead, request);
            m_net->NWDSPutAttrName(context, request, "Full Name");
            std::int32_t iteration = -1;
            const NWCode read = m_net->NWDSRead(context, mapped, 1, false, request, iteration, reply);
            if (read == nwcode::kDSNoSuchAttribute) {
                ++withoutFullName;
            } else {
                EXPECT_EQ(read, 0);
                std::uint32_t count = 0, values = 0, syntax = 0;
                std::string attribute;
                m_net->NWDSGetAttrCount(context, reply, count);
                m_net->NWDSGetAttrName(context, reply, attribute, values, syntax);
                if (values > 1) ++severalFullNames;
            }
            m_net->DSFreeBuf(request);
            m_net->DSFreeBuf(reply);
        }

        NWStationAddress address{};
        if (m_net->GetConnectionAddress(conn, n, address) == 0)
            ++(address.connType == kConnTypeIP ? ipAddresses : ipxAddresses);

        std::uint8_t result = 0;
        m_net->NWSendBroadcastMessage(conn, "demo", 1, &n, &result);
        if (result == nwcode::kMessageRefused) ++refusesMessages;
    }
    EXPECT_EQ(m_net->OpenDSBuffers(), 0);

    EXPECT_GT(directoryUsers + unmapped, 20u);
    EXPECT_GT(directoryUsers, 0u);
    EXPECT_GT(unmapped, 0u);
    EXPECT_GT(withoutFullName, 0u);
    EXPECT_GT(severalFullNames, 0u);
    EXPECT_GT(refusesMessages, 0u);
    EXPECT_GT(ipAddresses, 0u);
    EXPECT_GT(ipxAddresses, 0u);

    // The server's own connection holds files open.
    std::int16_t iterator = 0;
    NWOpenFileControl control;
    NWOpenFile file;
    ASSERT_EQ(m_net->ScanOpenFilesByConnection(conn, 0, iterator, control, file), 0);
    EXPECT_NE(static_cast<std::uint16_t>(iterator), 0xFFFF);
}

// Names outside ASCII arrive as UTF-8 on the workstation, travel as code page
// 850 to the server, and come back unchanged.
TEST_F(DemoNetworkTest, NamesOutsideAsciiRoundTrip) {
    const std::string dir = "F:\\SALES\\Customers\\";
    std::vector<std::string> names;
    for (const FindData& entry : List(dir))
        if (std::any_of(entry.name.begin(), entry.name.end(),
                        [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
            names.push_back(entry.name);
    ASSERT_GE(names.size(), 3u);
    EXPECT_THAT(names, Contains("Café Olé Imports.doc"));

    Resolved directory;
    DirHandle unused = 0;
    ASSERT_EQ(m_net->NWParseNetWarePath(dir, directory.conn, unused, directory.relative), 0);
    DirHandle handle = 0;
    ASSERT_EQ(m_net->NWAllocTempNSDirHandle2(directory.conn, 0, directory.relative, kNameSpaceLong,
                                             handle, kNameSpaceLong),
              0);
    std::set<std::string> serverNames;
    NWSearchSequence12 sequence = NewSearchSequence12();
    NWEntryInfo entry{};
    while (m_net->NWScanNSEntryInfo(directory.conn, handle, kNameSpaceLong, 0xFFFF, sequence, "*",
                                    0x0FFF, entry) == 0)
        serverNames.insert(entry.entryName);
    m_net->DeallocateDirectoryHandle(directory.conn, handle);

    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string oem = CharToOemA(name);
        EXPECT_EQ(oem.find('?'), std::string::npos);
        EXPECT_EQ(OemToCharA(oem), name);
        EXPECT_THAT(serverNames, Contains(oem));
        Resolved file;
        EXPECT_TRUE(Resolve(dir + name, file));
    }
}

// What a person should be able to try in the browser: a server that asks for
// a bindery login, one that asks for a tree login, a volume after a gap in the
// numbering, and a directory with hundreds of subdirectories.
TEST_F(DemoNetworkTest, BrowserCasesAreThere) {
    struct Case { const char* server; bool tree; const char* treeName; };
    const Case cases[] = {{"DEPOT", false, ""}, {"HB1", true, "HARBOUR"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        NWAllConnInfo info;
        ASSERT_EQ(m_net->NWCCGetAllConnInfo(Open(c.server), 1, info), 0);
        EXPECT_EQ(info.authenticationState, 0u) << "no login should be held there";
        EXPECT_EQ(info.ndsState != 0, c.tree);
        EXPECT_EQ(info.treeName, c.treeName);
    }

    const ConnHandle fs4 = Open("FS4");
    std::string name;
    EXPECT_EQ(m_net->GetVolumeName(fs4, 1, name), nwcode::kNoSuchVolume);
    EXPECT_EQ(m_net->GetVolumeName(fs4, 3, name), 0);
    EXPECT_EQ(name, "ARCHIVE");

    std::size_t subdirectories = 0;
    for (const FindData& entry : List("F:\\DISPATCH\\Consignments\\"))
        if (entry.attributes & kAttrDirectory) ++subdirectories;
    EXPECT_GE(subdirectories, 200u);
}

}  // namespace
