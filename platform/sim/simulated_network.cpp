#include "platform/sim/simulated_network.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/sim/description_store.h"
#include "platform/sim/network_model.h"

using namespace nwsim;

SimOptions SimOptions::FromEnvironment() {
    SimOptions options;
    if (const char* v = std::getenv("NWSIM_NETWORK")) options.networkPath = v;
    if (const char* v = std::getenv("NWSIM_READONLY")) options.readOnly = std::string(v) == "1";
    if (const char* v = std::getenv("NWSIM_STATS")) options.statsPath = v;
    return options;
}

namespace {

// Codes the contract leaves to the implementation.
constexpr NWCode kBadDirHandle = 0x899B;
constexpr NWCode kDSBadHandle = -322;
constexpr NWCode kDSBadKey = -331;

constexpr std::uint32_t kExtensionId = 0x4B520001;
constexpr const char* kExtensionName = "Kestrune Server";
constexpr std::size_t kCloseRequestSize = 2313;
constexpr std::uint8_t kCloseCommand = 0x43;
constexpr DirHandle kMaxDirHandles = 254;
constexpr std::uint32_t kFirstObjectId = 0x00010001;

constexpr int kFindNoMoreFiles = 18;
constexpr int kFindFileNotFound = 2;
constexpr int kFindPathNotFound = 3;

std::string DefaultDescriptionPath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.local/share";
    } else {
        base = ".";
    }
    return base + "/kestrune/network.json";
}

std::string NormalizeSeparators(std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

std::vector<std::string> SplitComponents(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string JoinComponents(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& p : parts) {
        if (!out.empty()) out += '\\';
        out += p;
    }
    return out;
}

std::uint32_t ReadLE32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void WriteLE32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Splits a directory name into its parts, dropping type prefixes ("CN=").
std::vector<std::string> DSNameParts(std::string_view name) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('.', start);
        if (end == std::string_view::npos) end = name.size();
        std::string part(name.substr(start, end - start));
        std::size_t eq = part.find('=');
        if (eq != std::string::npos) part = part.substr(eq + 1);
        if (!part.empty()) parts.push_back(part);
        start = end + 1;
    }
    return parts;
}

std::string DSJoin(const std::vector<std::string>& parts, bool typed) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) out += '.';
        if (typed) out += i == 0 ? "CN=" : (i + 1 == parts.size() ? "O=" : "OU=");
        out += parts[i];
    }
    return out;
}

bool IsRootContext(std::string_view context) {
    return context.empty() || EqualNoCase(context, "[root]");
}

// The directory of one live instance, for the statistics hook at exit.
class SimNetwork;
std::mutex g_liveMutex;
SimNetwork* g_live = nullptr;
bool g_hookInstalled = false;
void WriteLiveStats();

class SimNetwork final : public SimulatedNetwork {
public:
    explicit SimNetwork(SimOptions options) : m_options(std::move(options)) {
        m_path = m_options.networkPath.empty() ? DefaultDescriptionPath() : m_options.networkPath;
        std::lock_guard<std::mutex> lock(g_liveMutex);
        g_live = this;
        if (!g_hookInstalled) {
            g_hookInstalled = true;
            std::atexit(WriteLiveStats);
        }
    }

    ~SimNetwork() override {
        {
            std::lock_guard<std::mutex> lock(g_liveMutex);
            if (g_live == this) g_live = nullptr;
        }
        WriteStats();
    }

    void WriteStats() {
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        if (m_options.statsPath.empty() || m_statsWritten) return;
        m_statsWritten = true;
        Json stats = Json::object();
        for (const auto& [name, count] : m_counts) stats[name] = count;
        ReplaceFile(m_options.statsPath, stats.dump(2) + "\n");
    }

    // ---- SimulatedNetwork ---------------------------------------------------
    std::map<std::string, std::uint64_t> CallCounts() const override {
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        return m_counts;
    }
    int OpenDirHandles() const override {
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        return static_cast<int>(m_dirHandles.size());
    }
    int OpenDSBuffers() const override {
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        return static_cast<int>(m_dsBuffers.size());
    }

    // ---- start-up -------------------------------------------------------------
    NWCode NWCallsInit() override {
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        ++m_counts["NWCallsInit"];
        if (!m_ready) {
            NWCode rc = LoadFirst();
            if (rc != 0) return rc;
        }
        Settle();
        if (NWCode fault = MatchFault("NWCallsInit", {}); fault != 0) {
            m_ready = false;
            return fault;
        }
        return nwcode::kSuccess;
    }

    // ---- connections ----------------------------------------------------------
    NWCode NWCCOpenConnByName(ConnHandle, const std::string& name, std::uint32_t, std::uint32_t,
                              std::uint32_t, ConnHandle& conn) override {
        Call call(*this, "NWCCOpenConnByName", {.server = name});
        if (call.rc) return call.rc;
        const Server* s = m_net.ServerByName(name);
        if (!s || s->down) return nwcode::kServerUnknown;
        conn = HandleFor(s->name);
        return nwcode::kSuccess;
    }

    NWCode NWCCGetPrimConnRef(std::uint32_t& connRef) override {
        Call call(*this, "NWCCGetPrimConnRef", {.server = m_net.workstation.primary});
        if (call.rc) return call.rc;
        const Server* s = m_net.ServerByName(m_net.workstation.primary);
        if (m_net.workstation.primary.empty() || !s || s->down) return nwcode::kServerUnknown;
        connRef = HandleFor(s->name);
        return nwcode::kSuccess;
    }

    NWCode NWCCOpenConnByRef(std::uint32_t connRef, std::uint32_t, std::uint32_t,
                             ConnHandle& conn) override {
        Call call(*this, "NWCCOpenConnByRef", {.conn = connRef});
        if (call.rc) return call.rc;
        NWCode rc;
        if (!ServerOf(connRef, rc)) return rc;
        conn = connRef;
        return nwcode::kSuccess;
    }

    NWCode NWCCGetAllConnInfo(ConnHandle conn, std::uint32_t, NWAllConnInfo& info) override {
        Call call(*this, "NWCCGetAllConnInfo", {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerOf(conn, rc);
        if (!s) return rc;
        std::optional<std::string> id = IdentityOn(*s);
        info = NWAllConnInfo{};
        info.authenticationState = id ? 1 : 0;
        info.ndsState = s->tree.empty() ? 0 : 1;
        info.treeName = s->tree;
        info.serverName = s->name;
        info.userName = id.value_or("");
        info.connNumber = OwnNumberOn(*s);
        info.majorVersion = s->version[0];
        info.minorVersion = s->version[1];
        info.revision = s->version[2];
        return nwcode::kSuccess;
    }

    NWCode NWCCGetConnInfo(ConnHandle conn, std::uint32_t infoType, std::size_t length,
                           void* buffer) override {
        Call call(*this, "NWCCGetConnInfo", {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerOf(conn, rc);
        if (!s) return rc;
        if (infoType != kConnInfoServerVersion || length < sizeof(NWServerVersion) || !buffer)
            return nwcode::kBadPathSyntax;
        NWServerVersion v{s->version[0], s->version[1], s->version[2]};
        std::memcpy(buffer, &v, sizeof v);
        return nwcode::kSuccess;
    }

    // ---- paths ------------------------------------------------------------------
    NWCode NWParseNetWarePath(const std::string& path, ConnHandle& conn, DirHandle& dirHandle,
                              std::string& relativePath) override {
        Call call(*this, "NWParseNetWarePath", {.path = path});
        if (call.rc) return call.rc;
        NetPath parsed;
        if (NWCode rc = ParseNetPath(path, parsed); rc != 0) return rc;
        conn = HandleFor(parsed.server);
        dirHandle = 0;
        relativePath = parsed.volume + ":" + parsed.rest;
        return nwcode::kSuccess;
    }

    NWCode NWParsePath(const std::string& path, std::string* server, ConnHandle* conn,
                       std::string* volume, std::string* dirPath) override {
        Call call(*this, "NWParsePath", {.path = path});
        if (call.rc) return call.rc;
        NetPath parsed;
        if (NWCode rc = ParseNetPath(path, parsed); rc != 0) return rc;
        if (server) *server = parsed.server;
        if (conn) *conn = HandleFor(parsed.server);
        if (volume) *volume = parsed.volume;
        if (dirPath) *dirPath = parsed.rest;
        return nwcode::kSuccess;
    }

    // ---- files and directories ----------------------------------------------
    NWCode NWIntScanDirectoryInformation2(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                          NWSearchSequence9& sequence, NWDirInfo* info,
                                          std::uint8_t) override {
        Call call(*this, "NWIntScanDirectoryInformation2", {.conn = conn, .path = path});
        if (call.rc) return call.rc;
        const Server* s;
        Located where;
        if (NWCode rc = LocateOn(conn, dirHandle, path, s, where); rc != 0) return rc;
        const Volume& v = s->volumes[where.volume];
        std::uint32_t found = kNoEntry;
        if (where.last.empty()) {
            // The directory itself ("VOL:" or a trailing separator).
            if (StartOf(sequence) == 0) found = where.directory;
            if (found != kNoEntry) SetPosition(sequence, 0xFFFFFFFE);
        } else {
            found = ScanChildren(v, where.directory, where.last, sequence, [](const Entry& e) {
                return e.directory;
            });
        }
        if (found == kNoEntry) return nwcode::kNoMatch;
        if (info) {
            const Entry& e = v.entries[found];
            info->dirName = found == 0 ? v.name : e.dos;
            info->attributes = e.Attributes();
        }
        return nwcode::kSuccess;
    }

    NWCode NWIntScanFileInformation2(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                     std::uint8_t searchAttributes, NWSearchSequence9& sequence,
                                     NWFileInfo* info, std::uint8_t) override {
        Call call(*this, "NWIntScanFileInformation2", {.conn = conn, .path = path});
        if (call.rc) return call.rc;
        const Server* s;
        Located where;
        if (NWCode rc = LocateOn(conn, dirHandle, path, s, where); rc != 0) return rc;
        if (where.last.empty()) return nwcode::kNoMatch;
        const Volume& v = s->volumes[where.volume];
        const std::uint32_t special = kAttrHidden | kAttrSystem;
        std::uint32_t found = ScanChildren(v, where.directory, where.last, sequence, [&](const Entry& e) {
            return !e.directory && (e.Attributes() & special & ~std::uint32_t{searchAttributes}) == 0;
        });
        if (found == kNoEntry) return nwcode::kNoMatch;
        if (info) {
            const Entry& e = v.entries[found];
            info->fileName = e.dos;
            info->attributes = e.Attributes();
            info->fileSize = 0;
        }
        return nwcode::kSuccess;
    }

    NWCode NWGetOwningNameSpace(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                std::uint32_t& nameSpace) override {
        Call call(*this, "NWGetOwningNameSpace", {.conn = conn, .path = path});
        if (call.rc) return call.rc;
        const Server* s;
        Located where;
        if (NWCode rc = LocateOn(conn, dirHandle, path, s, where); rc != 0) return rc;
        if (EntryOf(*s, where) == kNoEntry) return nwcode::kNoMatch;
        nameSpace = s->volumes[where.volume].longNames ? kNameSpaceLong : kNameSpaceDOS;
        return nwcode::kSuccess;
    }

    NWCode NWGetNSPath(ConnHandle conn, DirHandle dirHandle, std::uint16_t fileFlag,
                       std::uint8_t srcNameSpace, std::uint8_t destNameSpace, NWNSPath& nsPath) override {
        Call call(*this, "NWGetNSPath", {.conn = conn, .path = nsPath.srcPath});
        if (call.rc) return call.rc;
        const Server* s;
        Located where;
        if (NWCode rc = LocateOn(conn, dirHandle, nsPath.srcPath, s, where); rc != 0) return rc;
        const Volume& v = s->volumes[where.volume];
        if (!v.longNames && (srcNameSpace == kNameSpaceLong || destNameSpace == kNameSpaceLong))
            return nwcode::kNameSpaceNotOnVolume;
        std::uint32_t entry = EntryOf(*s, where);
        if (entry == kNoEntry) return nwcode::kNoMatch;
        std::uint32_t target = fileFlag == 1 && entry != 0 ? v.entries[entry].parent : entry;
        std::string out = v.name;
        auto parts = v.PathOf(target, destNameSpace != kNameSpaceLong);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            out += i == 0 ? ":" : "\\";
            out += *parts[i];
        }
        if (out.size() > nsPath.destPathSize) return nwcode::kBadPathSyntax;
        nsPath.destPath = std::move(out);
        return nwcode::kSuccess;
    }

    NWCode NWGetLongName(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                         std::uint8_t srcNameSpace, std::uint8_t destNameSpace, std::string& name) override {
        Call call(*this, "NWGetLongName", {.conn = conn, .path = path});
        if (call.rc) return call.rc;
        const Server* s;
        Located where;
        if (NWCode rc = LocateOn(conn, dirHandle, path, s, where); rc != 0) return rc;
        const Volume& v = s->volumes[where.volume];
        if (!v.longNames && (srcNameSpace == kNameSpaceLong || destNameSpace == kNameSpaceLong))
            return nwcode::kNameSpaceNotOnVolume;
        std::uint32_t entry = EntryOf(*s, where);
        if (entry == kNoEntry) return nwcode::kNoMatch;
        name = destNameSpace == kNameSpaceLong ? v.entries[entry].name : v.entries[entry].dos;
        return nwcode::kSuccess;
    }

    int IsLongNameSpaceSupported(ConnHandle conn, DirHandle dirHandle, const std::string& path) override {
        Call call(*this, "IsLongNameSpaceSupported", {.conn = conn, .path = path});
        if (call.rc) return 0;
        NWCode rc;
        const Server* s = ServerOf(conn, rc);
        if (!s) return 0;
        Located where;
        std::optional<std::pair<std::uint32_t, std::uint32_t>> base;
        if (dirHandle != 0) {
            auto it = m_dirHandles.find({conn, dirHandle});
            if (it == m_dirHandles.end()) return 0;
            base = std::make_pair(it->second.volume, it->second.entry);
        }
        if (Locate(*s, path, base, where) != 0) {
            // A path of a missing directory still names its volume.
            std::string volume;
            std::vector<std::string> parts;
            if (!SplitVolumePath(path, volume, parts)) return 0;
            const Volume* v = s->VolumeByName(volume);
            return v && v->longNames ? 1 : 0;
        }
        return s->volumes[where.volume].longNames ? 1 : 0;
    }

    NWCode NWAllocTempNSDirHandle2(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                   std::uint8_t nameSpace, DirHandle& newHandle, std::uint8_t) override {
        Call call(*this, "NWAllocTempNSDirHandle2", {.conn = conn, .path = path});
        if (call.rc) return call.rc;
        const Server* s;
        Located where;
        if (NWCode rc = LocateOn(conn, dirHandle, path, s, where); rc != 0) return rc;
        const Volume& v = s->volumes[where.volume];
        if (!v.longNames && nameSpace == kNameSpaceLong) return nwcode::kNameSpaceNotOnVolume;
        std::uint32_t entry = EntryOf(*s, where);
        if (entry == kNoEntry) return nwcode::kNoMatch;
        if (!v.entries[entry].directory) return nwcode::kNoSuchDirectory;
        for (DirHandle h = 1; h <= kMaxDirHandles; ++h) {
            if (!m_dirHandles.count({conn, h})) {
                m_dirHandles[{conn, h}] = DirHandleInfo{where.volume, entry};
                newHandle = h;
                return nwcode::kSuccess;
            }
        }
        return nwcode::kNoMoreDirHandles;
    }

    NWCode NWScanNSEntryInfo(ConnHandle conn, DirHandle dirHandle, std::uint8_t nameSpace,
                             std::uint16_t searchAttributes, NWSearchSequence12& sequence,
                             const std::string& pattern, std::uint32_t, NWEntryInfo& entry) override {
        Call call(*this, "NWScanNSEntryInfo", {.conn = conn, .path = pattern});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerWithIdentity(conn, rc);
        if (!s) return rc;
        auto it = m_dirHandles.find({conn, dirHandle});
        if (it == m_dirHandles.end()) return kBadDirHandle;
        const Volume& v = s->volumes[it->second.volume];
        if (!v.longNames && nameSpace == kNameSpaceLong) return nwcode::kNameSpaceNotOnVolume;
        const Entry& dir = v.entries[it->second.entry];
        bool longNames = nameSpace == kNameSpaceLong;
        std::uint32_t start = 0;
        if (!(sequence[8] == 0xFF && sequence[9] == 0xFF && sequence[10] == 0xFF && sequence[11] == 0xFF))
            start = ReadLE32(sequence.data());
        auto wanted = [&](const Entry& e) {
            if (searchAttributes == 0xFFFF) return true;
            std::uint32_t special = e.Attributes() & (kAttrHidden | kAttrSystem | kAttrDirectory);
            return (special & ~std::uint32_t{searchAttributes}) == 0;
        };
        auto named = [&](const Entry& e) -> const std::string& { return longNames ? e.name : e.dos; };
        std::uint32_t foundAt = kNoEntry;
        if (!pattern.empty() && !HasWildcards(pattern)) {
            std::uint32_t e = v.Find(it->second.entry, pattern);
            if (start == 0 && e != kNoEntry && EqualNoCase(named(v.entries[e]), pattern) && wanted(v.entries[e]))
                foundAt = e;
            start = static_cast<std::uint32_t>(dir.children.size());
        } else if (!pattern.empty()) {
            for (; start < dir.children.size(); ++start) {
                const Entry& e = v.entries[dir.children[start]];
                if (wanted(e) && WildcardMatch(pattern, named(e))) {
                    foundAt = dir.children[start++];
                    break;
                }
            }
        }
        if (foundAt == kNoEntry) return nwcode::kNoMatch;
        WriteLE32(sequence.data(), start);
        WriteLE32(sequence.data() + 8, it->second.entry);
        const Entry& e = v.entries[foundAt];
        entry = NWEntryInfo{};
        entry.attributes = e.Attributes();
        entry.dirEntNum = foundAt;
        entry.DosDirNum = foundAt;
        entry.volNumber = v.number;
        const std::string& name = named(e);
        std::size_t n = std::min<std::size_t>(name.size(), sizeof entry.entryName - 1);
        std::memcpy(entry.entryName, name.data(), n);
        entry.entryName[n] = '\0';
        entry.nameLength = static_cast<std::uint8_t>(n);
        return nwcode::kSuccess;
    }

    NWCode DeallocateDirectoryHandle(ConnHandle conn, DirHandle dirHandle) override {
        Call call(*this, "DeallocateDirectoryHandle", {.conn = conn});
        if (call.rc) return call.rc;
        if (m_dirHandles.erase({conn, dirHandle}) == 0) return kBadDirHandle;
        return nwcode::kSuccess;
    }

    NWCode GetVolumeName(ConnHandle conn, std::uint16_t volNumber, std::string& name) override {
        Call call(*this, "GetVolumeName", {.conn = conn});
        name.clear();
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerOf(conn, rc);
        if (!s) return rc;
        const Volume* v = s->VolumeByNumber(volNumber);
        if (!v) return nwcode::kNoSuchVolume;
        name = v->name;
        return nwcode::kSuccess;
    }

    NWCode GetDirectoryEntryPath(ConnHandle conn, std::uint8_t volNumber, std::uint32_t dirEntry,
                                 std::uint8_t nameSpace, std::uint8_t& length, std::uint8_t* buffer) override {
        Call call(*this, "GetDirectoryEntryPath", {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerWithIdentity(conn, rc);
        if (!s) return rc;
        const Volume* v = s->VolumeByNumber(volNumber);
        if (!v) return nwcode::kNoSuchVolume;
        if (dirEntry >= v->entries.size()) return nwcode::kNoMatch;
        if (!v->longNames && nameSpace == kNameSpaceLong) return nwcode::kNameSpaceNotOnVolume;
        auto parts = v->PathOf(dirEntry, nameSpace != kNameSpaceLong);
        std::size_t need = 1;
        for (const std::string* p : parts) need += 1 + std::min<std::size_t>(p->size(), 255);
        if (need > length || !buffer) return nwcode::kBadPathSyntax;
        std::size_t at = 0;
        for (const std::string* p : parts) {
            std::size_t n = std::min<std::size_t>(p->size(), 255);
            buffer[at++] = static_cast<std::uint8_t>(n);
            std::memcpy(buffer + at, p->data(), n);
            at += n;
        }
        buffer[at++] = 0;
        length = static_cast<std::uint8_t>(at);
        return nwcode::kSuccess;
    }

    // ---- connections of a server ------------------------------------------
    NWCode NWScanConnectionsUsingFile(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                      std::int16_t& iterHandle, NWConnUsingFileEntry* single,
                                      NWConnsUsingFile& reply) override {
        Call call(*this, "NWScanConnectionsUsingFile", {.conn = conn, .path = path});
        if (call.rc) return call.rc;
        const Server* s;
        std::uint32_t volume = 0, entry = 0;
        if (NWCode rc = ConsoleFile(conn, dirHandle, path, s, volume, entry); rc != 0) return rc;
        const std::vector<OpenRef>& opens = s->OpensOf(volume, entry);
        std::size_t total = opens.size();
        std::size_t pos = iterHandle < 0 ? total + 1 : static_cast<std::size_t>(iterHandle);
        reply = NWConnsUsingFile{};
        if (total == 0 && s->scanEndLastBatch && pos == 0) {
            iterHandle = -1;
            return nwcode::kSuccess;
        }
        if (pos >= total) return nwcode::kScanEnd;
        std::size_t end = std::min(total, pos + kConnsUsingFileBatch);
        bool anyLocks = false;
        for (std::size_t i = pos; i < end; ++i) {
            const Connection& c = s->connections[opens[i].connection];
            const Open& o = c.opens[opens[i].open];
            NWConnUsingFileEntry& out = reply.connInfo[i - pos];
            out.connNumber = c.number;
            out.taskNumber = o.locks.empty() ? 1 : o.locks.front().task;
            out.lockType = o.locks.empty() ? 0 : o.locks.front().type;
            out.accessControl = 0x03;  // opened for reading and writing
            out.lockFlag = o.locks.empty() ? 0 : 1;
            anyLocks = anyLocks || !o.locks.empty();
        }
        std::uint16_t count16 = static_cast<std::uint16_t>(std::min<std::size_t>(total, 0xFFFF));
        reply.useCount = reply.openCount = reply.openForReadCount = reply.openForWriteCount = count16;
        reply.locked = anyLocks ? 1 : 0;
        reply.connCount = static_cast<std::uint16_t>(end - pos);
        if (single) *single = reply.connInfo[0];
        bool last = end == total;
        iterHandle = last && s->scanEndLastBatch ? -1 : static_cast<std::int16_t>(std::min<std::size_t>(end, 0x7FFF));
        return nwcode::kSuccess;
    }

    NWCode ScanPhysicalLocks(ConnHandle conn, DirHandle dirHandle, const std::string& path, std::uint8_t,
                             std::int16_t& iterHandle, NWPhysicalLock& lock, NWPhysicalLockList& lockList) override {
        Call call(*this, "ScanPhysicalLocks", {.conn = conn, .path = path});
        if (call.rc) return call.rc;
        const Server* s;
        std::uint32_t volume = 0, entry = 0;
        if (NWCode rc = ConsoleFile(conn, dirHandle, path, s, volume, entry); rc != 0) return rc;
        const std::vector<LockRef>& locks = s->LocksOf(volume, entry);
        lock = NWPhysicalLock{};
        lockList = NWPhysicalLockList{};
        std::size_t pos = iterHandle < 0 ? locks.size() : static_cast<std::size_t>(iterHandle);
        if (pos >= locks.size()) {
            iterHandle = -1;
            return nwcode::kSuccess;
        }
        const LockRef& ref = locks[pos];
        const Connection& c = s->connections[ref.connection];
        const Lock& l = c.opens[ref.open].locks[ref.lock];
        lock.loggedCount = 1;
        lock.recordStart = l.start;
        lock.recordEnd = l.end;
        lock.connNumber = c.number;
        lock.taskNumber = l.task;
        lock.lockType = l.type;
        iterHandle = static_cast<std::int16_t>(std::min<std::size_t>(pos + 1, 0x7FFF));
        return nwcode::kSuccess;
    }

    NWCode ScanOpenFilesByConnection(ConnHandle conn, ConnNumber connNumber, std::int16_t& iterHandle,
                                     NWOpenFileControl&, NWOpenFile& file) override {
        Call call(*this, "ScanOpenFilesByConnection", {.conn = conn, .connection = connNumber});
        // A failed request ends the caller's listing too: its loop only looks
        // at the handle.
        if (call.rc) {
            iterHandle = -1;
            return call.rc;
        }
        NWCode rc;
        const Server* s = ServerWithConsole(conn, rc);
        const Connection* c = s ? s->ConnectionByNumber(connNumber) : nullptr;
        if (s && !c) rc = nwcode::kConnectionNotInUse;
        if (!c) {
            iterHandle = -1;
            return rc;
        }
        std::size_t pos = iterHandle < 0 ? c->opens.size() : static_cast<std::size_t>(iterHandle);
        file = NWOpenFile{};
        if (pos >= c->opens.size()) {
            iterHandle = -1;
            return nwcode::kSuccess;
        }
        const Open& o = c->opens[pos];
        const Volume& v = s->volumes[o.volume];
        const Entry& e = v.entries[o.entry];
        file.taskNumber = o.locks.empty() ? 1 : o.locks.front().task;
        file.lockType = o.locks.empty() ? 0 : o.locks.front().type;
        file.accessControl = 0x03;
        file.lockFlag = o.locks.empty() ? 0 : 1;
        file.volNumber = static_cast<std::uint8_t>(v.number);
        file.parent = e.parent;
        file.dirEntry = o.entry;
        file.nameSpace = kNameSpaceDOS;
        file.fileName = e.dos;
        iterHandle = static_cast<std::int16_t>(std::min<std::size_t>(pos + 1, 0x7FFE));
        return nwcode::kSuccess;
    }

    NWCode NWGetConnectionInformation(ConnHandle conn, ConnNumber connNumber, std::string* objectName,
                                      std::uint16_t* objectType, std::uint32_t* objectID,
                                      NWLoginTime* loginTime) override {
        Call call(*this, "NWGetConnectionInformation", {.conn = conn, .connection = connNumber});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerWithIdentity(conn, rc);
        if (!s) return rc;
        if (connNumber == 0) {
            if (objectName) objectName->clear();
            if (objectType) *objectType = 0;
            if (objectID) *objectID = 0;
            if (loginTime) *loginTime = NWLoginTime{};
            return nwcode::kSuccess;
        }
        const Connection* c = s->ConnectionByNumber(connNumber);
        if (!c) return nwcode::kConnectionNotInUse;
        if (objectName) *objectName = c->user;
        if (objectType) *objectType = kObjectTypeUser;
        if (objectID) *objectID = ObjectIdFor(*s, *c);
        if (loginTime) *loginTime = c->loginTime;
        return nwcode::kSuccess;
    }

    NWCode GetConnectionAddress(ConnHandle conn, ConnNumber connNumber, NWStationAddress& address) override {
        Call call(*this, "GetConnectionAddress", {.conn = conn, .connection = connNumber});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerWithIdentity(conn, rc);
        if (!s) return rc;
        const std::optional<NWStationAddress>* a = &s->address;
        if (connNumber != 0) {
            const Connection* c = s->ConnectionByNumber(connNumber);
            if (!c) return nwcode::kConnectionNotInUse;
            a = &c->address;
        }
        if (!*a) return nwcode::kNoMatch;
        address = **a;
        return nwcode::kSuccess;
    }

    NWCode GetBinderyObjectName(ConnHandle conn, std::uint32_t objectID, std::string& name,
                                std::uint16_t* objectType) override {
        Call call(*this, "GetBinderyObjectName", {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerWithIdentity(conn, rc);
        if (!s) return rc;
        auto it = m_objects.find(objectID);
        if (it == m_objects.end() || it->second.server != s->name) return nwcode::kNoSuchObject;
        name = it->second.bindery;
        if (objectType) *objectType = kObjectTypeUser;
        return nwcode::kSuccess;
    }

    NWCode NWClearConnectionNumber(ConnHandle conn, ConnNumber connNumber) override {
        Call call(*this, "NWClearConnectionNumber", {.conn = conn, .connection = connNumber});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerWithConsole(conn, rc);
        if (!s) return rc;
        std::string server = s->name;
        return Change([&](Json& doc) -> NWCode {
            const Server* fresh = m_net.ServerByName(server);
            if (!fresh || fresh->down) return nwcode::kServerUnknown;
            if (connNumber == 0) return nwcode::kConnectionNotInUse;
            auto c = fresh->connectionByNumber.find(connNumber);
            if (c == fresh->connectionByNumber.end()) return nwcode::kConnectionNotInUse;
            Json& list = doc["servers"][m_net.serverByName.at(server)]["connections"];
            list.erase(list.begin() + c->second);
            return nwcode::kSuccess;
        });
    }

    NWCode NWSendBroadcastMessage(ConnHandle conn, const std::string& message, std::uint16_t count,
                                  const ConnNumber* connList, std::uint8_t* results) override {
        Call call(*this, "NWSendBroadcastMessage", {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerWithIdentity(conn, rc);
        if (!s) return rc;
        if (count > 0 && !connList) return nwcode::kBadPathSyntax;
        std::string server = s->name;
        std::string text = OemToCharA(message);
        std::vector<std::uint8_t> outcome(count, nwcode::kMessageNoConnection);
        NWCode changed = Change([&](Json& doc) -> NWCode {
            const Server* fresh = m_net.ServerByName(server);
            if (!fresh || fresh->down) return nwcode::kServerUnknown;
            Json& list = doc["servers"][m_net.serverByName.at(server)]["connections"];
            bool any = false;
            for (std::uint16_t i = 0; i < count; ++i) {
                const Connection* c = connList[i] == 0 ? nullptr : fresh->ConnectionByNumber(connList[i]);
                if (!c) {
                    outcome[i] = nwcode::kMessageNoConnection;
                } else if (!c->messages) {
                    outcome[i] = nwcode::kMessageRefused;
                } else {
                    outcome[i] = nwcode::kMessageDelivered;
                    Json& inbox = list[fresh->connectionByNumber.at(connList[i])]["inbox"];
                    if (!inbox.is_array()) inbox = Json::array();
                    inbox.push_back(text);
                    any = true;
                }
            }
            return any ? nwcode::kSuccess : kNothingChanged;
        });
        if (changed != 0 && changed != kNothingChanged) return changed;
        if (results) std::copy(outcome.begin(), outcome.end(), results);
        return nwcode::kSuccess;
    }

    // ---- bindery and servers ----------------------------------------------
    NWCode NWLoginToFileServer(ConnHandle conn, const std::string& objectName, std::uint16_t,
                               const std::string& password) override {
        Call call(*this, "NWLoginToFileServer", {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerOf(conn, rc);
        if (!s) return rc;
        auto user = s->users.find(Upper(objectName));
        if (user == s->users.end()) return nwcode::kNoSuchObject;
        if (user->second != password) return nwcode::kNoMatch;
        std::string server = s->name;
        std::string name = OemToCharA(user->first);
        return Change([&](Json& doc) -> NWCode {
            Json& ws = doc["workstation"];
            if (!ws.is_object()) ws = Json::object();
            Json& bindery = ws["bindery"];
            if (!bindery.is_object()) bindery = Json::object();
            for (auto it = bindery.begin(); it != bindery.end(); ++it) {
                if (EqualNoCase(it.key(), server)) {
                    bindery.erase(it);
                    break;
                }
            }
            bindery[OemToCharA(server)] = name;
            return nwcode::kSuccess;
        });
    }

    NWCode ScanBinderyObject(ConnHandle conn, const std::string& searchName, std::uint16_t objectType,
                             std::uint32_t& objectID, std::string* objectName, std::uint16_t* foundType) override {
        Call call(*this, "ScanBinderyObject", {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerOf(conn, rc);
        if (!s) return rc;
        std::string pattern = searchName.empty() ? "*" : searchName;
        std::uint32_t start = objectID == 0xFFFFFFFF ? 0 : objectID;
        if (objectType == kObjectTypeFileServer) {
            for (std::uint32_t i = start; i < m_net.servers.size(); ++i) {
                const Server& other = m_net.servers[i];
                if (!other.discoveryIpx || !WildcardMatch(pattern, other.name)) continue;
                objectID = i + 1;
                if (objectName) *objectName = other.name;
                if (foundType) *foundType = kObjectTypeFileServer;
                return nwcode::kSuccess;
            }
        } else if (objectType == kObjectTypeUser) {
            std::uint32_t i = 0;
            for (const auto& [name, password] : s->users) {
                if (i++ < start || !WildcardMatch(pattern, name)) continue;
                objectID = i;
                if (objectName) *objectName = name;
                if (foundType) *foundType = kObjectTypeUser;
                return nwcode::kSuccess;
            }
        }
        return nwcode::kNoSuchObject;
    }

    NWCode OpenServerScan(std::uint16_t, std::uint32_t& scanHandle) override {
        Call call(*this, "OpenServerScan", {});
        if (call.rc) return call.rc;
        std::vector<std::string> names;
        for (const Server& s : m_net.servers) {
            if (s.discoveryIp) names.push_back(*s.discoveryIp);
        }
        scanHandle = m_nextScan++;
        m_serverScans[scanHandle] = ServerScan{std::move(names), 0};
        return nwcode::kSuccess;
    }

    NWCode NextScannedServer(std::uint32_t scanHandle, std::uint32_t& nameLength, std::string& name) override {
        Call call(*this, "NextScannedServer", {});
        if (call.rc) return call.rc;
        auto it = m_serverScans.find(scanHandle);
        if (it == m_serverScans.end()) return nwcode::kBadPathSyntax;
        ServerScan& scan = it->second;
        if (scan.next >= scan.names.size()) return nwcode::kNoMatch;
        const std::string& found = scan.names[scan.next];
        if (found.size() + 1 > nameLength) return nwcode::kBadPathSyntax;
        ++scan.next;
        name = found;
        nameLength = static_cast<std::uint32_t>(found.size());
        return nwcode::kSuccess;
    }

    NWCode CloseServerScan(std::uint32_t scanHandle) override {
        Call call(*this, "CloseServerScan", {});
        if (call.rc) return call.rc;
        return m_serverScans.erase(scanHandle) ? nwcode::kSuccess : nwcode::kBadPathSyntax;
    }

    NWCode NWDisableFileServerLogin(ConnHandle conn) override {
        return SwitchLogins("NWDisableFileServerLogin", conn, false);
    }
    NWCode NWEnableFileServerLogin(ConnHandle conn) override {
        return SwitchLogins("NWEnableFileServerLogin", conn, true);
    }

    NWCode GetFileServerLoginStatus(ConnHandle conn, std::uint8_t& loginEnabled) override {
        Call call(*this, "GetFileServerLoginStatus", {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerOf(conn, rc);
        if (!s) return rc;
        loginEnabled = s->loginsEnabled ? 1 : 0;
        return nwcode::kSuccess;
    }

    NWCode GetFileServerInformation(ConnHandle conn, NWFileServerInfo& info) override {
        Call call(*this, "GetFileServerInformation", {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerOf(conn, rc);
        if (!s) return rc;
        info = NWFileServerInfo{};
        info.serverName = s->name;
        info.fileServiceVersion = static_cast<std::uint8_t>(s->version[0]);
        info.fileServiceSubVersion = static_cast<std::uint8_t>(s->version[1]);
        info.revision = static_cast<std::uint8_t>(s->version[2]);
        info.maximumServiceConnections = s->maxConnections;
        std::size_t inUse = s->connections.size() - s->connectionByNumber.count(0);
        info.connectionsInUse = static_cast<std::uint16_t>(inUse);
        info.maxConnectionsUsed = static_cast<std::uint16_t>(inUse);
        info.numberMountedVolumes = static_cast<std::uint16_t>(s->volumes.size());
        return nwcode::kSuccess;
    }

    NWCode CheckConsolePrivileges(ConnHandle conn) override {
        Call call(*this, "CheckConsolePrivileges", {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerOf(conn, rc);
        if (!s) return rc;
        return HasConsoleRights(*s) ? nwcode::kSuccess : nwcode::kNoConsoleRights;
    }

    // ---- server module -----------------------------------------------------
    NWCode NWGetNCPExtensionInfoByName(ConnHandle conn, const std::string& name, std::uint32_t& extensionID,
                                       std::uint8_t* majorVersion, std::uint8_t* minorVersion,
                                       std::uint8_t* revision, std::uint8_t* queryData32) override {
        Call call(*this, "NWGetNCPExtensionInfoByName", {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerOf(conn, rc);
        if (!s) return rc;
        if (!s->module || name != kExtensionName) return nwcode::kNoMatch;
        extensionID = kExtensionId;
        if (majorVersion) *majorVersion = 1;
        if (minorVersion) *minorVersion = 0;
        if (revision) *revision = 0;
        if (queryData32) std::memset(queryData32, 0, 32);
        return nwcode::kSuccess;
    }

    NWCode NWNCPExtensionRequest(ConnHandle conn, std::uint32_t extensionID, const void* request,
                                 std::size_t requestLength, void*, std::size_t& replyLength) override {
        Call call(*this, "NWNCPExtensionRequest", {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerWithIdentity(conn, rc);
        if (!s) return rc;
        if (!s->module || extensionID != kExtensionId) return nwcode::kNoMatch;
        const auto* bytes = static_cast<const std::uint8_t*>(request);
        if (!bytes || requestLength != kCloseRequestSize || bytes[0] != kCloseCommand)
            return nwcode::kExtensionRefused;
        ConnNumber number = static_cast<ConnNumber>(bytes[2] | bytes[3] << 8);
        const char* pathStart = reinterpret_cast<const char*>(bytes + 6);
        std::string path(pathStart, strnlen(pathStart, kCloseRequestSize - 6));
        std::string server = s->name;
        NWCode changed = Change([&](Json& doc) -> NWCode {
            const Server* fresh = m_net.ServerByName(server);
            if (!fresh || fresh->down) return nwcode::kServerUnknown;
            auto c = fresh->connectionByNumber.find(number);
            if (c == fresh->connectionByNumber.end()) return nwcode::kConnectionNotInUse;
            Located where;
            if (Locate(*fresh, path, std::nullopt, where) != 0) return nwcode::kNoMatch;
            std::uint32_t entry = EntryOf(*fresh, where);
            if (entry == kNoEntry || entry == 0 || fresh->volumes[where.volume].entries[entry].directory)
                return nwcode::kNoMatch;
            const Connection& victim = fresh->connections[c->second];
            Json& opens = doc["servers"][m_net.serverByName.at(server)]["connections"][c->second]["open"];
            bool any = false;
            for (std::size_t i = victim.opens.size(); i-- > 0;) {
                if (victim.opens[i].volume == where.volume && victim.opens[i].entry == entry) {
                    opens.erase(opens.begin() + static_cast<std::ptrdiff_t>(i));
                    any = true;
                }
            }
            return any ? nwcode::kSuccess : kNothingChanged;
        });
        if (changed != 0 && changed != kNothingChanged) return changed;
        replyLength = 0;
        return nwcode::kSuccess;
    }

    // ---- directory services ------------------------------------------------
    NWCode DSCreateContextHandle(DSContext& context) override {
        Call call(*this, "DSCreateContextHandle", {});
        if (call.rc) return call.rc;
        context = m_nextContext++;
        m_contexts[context] = DSContextState{0, "[root]", m_net.workstation.ndsTree};
        return nwcode::kSuccess;
    }

    NWCode DSGetContext(DSContext context, int key, std::uint32_t& value) override {
        Call call(*this, "DSGetContext", {});
        if (call.rc) return call.rc;
        auto it = m_contexts.find(context);
        if (it == m_contexts.end()) return kDSBadHandle;
        if (key != kDSContextFlags) return kDSBadKey;
        value = it->second.flags;
        return nwcode::kSuccess;
    }

    NWCode DSGetContext(DSContext context, int key, std::string& value) override {
        Call call(*this, "DSGetContext", {});
        if (call.rc) return call.rc;
        auto it = m_contexts.find(context);
        if (it == m_contexts.end()) return kDSBadHandle;
        if (key == kDSContextNameContext) {
            value = it->second.nameContext;
        } else if (key == kDSContextTreeName) {
            value = it->second.tree;
        } else {
            return kDSBadKey;
        }
        return nwcode::kSuccess;
    }

    NWCode DSSetContext(DSContext context, int key, std::uint32_t value) override {
        Call call(*this, "DSSetContext", {});
        if (call.rc) return call.rc;
        auto it = m_contexts.find(context);
        if (it == m_contexts.end()) return kDSBadHandle;
        if (key != kDSContextFlags) return kDSBadKey;
        it->second.flags = value;
        return nwcode::kSuccess;
    }

    NWCode DSSetContext(DSContext context, int key, const std::string& value) override {
        Call call(*this, "DSSetContext", {});
        if (call.rc) return call.rc;
        auto it = m_contexts.find(context);
        if (it == m_contexts.end()) return kDSBadHandle;
        if (key == kDSContextNameContext) {
            it->second.nameContext = value;
        } else if (key == kDSContextTreeName) {
            it->second.tree = Upper(value);
        } else {
            return kDSBadKey;
        }
        return nwcode::kSuccess;
    }

    NWCode DSAllocBuf(std::size_t, DSBuf& buf) override {
        Call call(*this, "DSAllocBuf", {});
        if (call.rc) return call.rc;
        buf = m_nextBuffer++;
        m_dsBuffers[buf] = DSBuffer{};
        return nwcode::kSuccess;
    }

    NWCode DSInitBuf(DSContext context, std::uint32_t operation, DSBuf buf) override {
        Call call(*this, "DSInitBuf", {});
        if (call.rc) return call.rc;
        auto it = m_dsBuffers.find(buf);
        if (it == m_dsBuffers.end() || !m_contexts.count(context)) return kDSBadHandle;
        it->second = DSBuffer{};
        it->second.operation = operation;
        return nwcode::kSuccess;
    }

    NWCode DSFreeBuf(DSBuf buf) override {
        Call call(*this, "DSFreeBuf", {});
        if (call.rc) return call.rc;
        return m_dsBuffers.erase(buf) ? nwcode::kSuccess : kDSBadHandle;
    }

    NWCode DSCanonicalizeName(DSContext context, const std::string& name, std::string& canonical) override {
        Call call(*this, "DSCanonicalizeName", {});
        if (call.rc) return call.rc;
        auto it = m_contexts.find(context);
        if (it == m_contexts.end()) return kDSBadHandle;
        std::vector<std::string> parts = FullNameParts(it->second, name);
        if (parts.empty()) return nwcode::kDSNoSuchEntry;
        canonical = DSJoin(parts, !(it->second.flags & kDSFlagTypeless));
        return nwcode::kSuccess;
    }

    NWCode NWDSPutAttrName(DSContext context, DSBuf request, const std::string& attributeName) override {
        Call call(*this, "NWDSPutAttrName", {});
        if (call.rc) return call.rc;
        auto it = m_dsBuffers.find(request);
        if (it == m_dsBuffers.end() || !m_contexts.count(context)) return kDSBadHandle;
        it->second.names.push_back(attributeName);
        return nwcode::kSuccess;
    }

    NWCode NWDSRead(DSContext context, const std::string& objectName, std::uint32_t, bool allAttributes,
                    DSBuf request, std::int32_t& iterationHandle, DSBuf reply) override {
        Call call(*this, "NWDSRead", {.path = objectName});
        if (call.rc) return call.rc;
        auto ctx = m_contexts.find(context);
        auto req = m_dsBuffers.find(request);
        auto rep = m_dsBuffers.find(reply);
        if (ctx == m_contexts.end() || rep == m_dsBuffers.end() ||
            (!allAttributes && req == m_dsBuffers.end()))
            return kDSBadHandle;
        const TreeObject* object = FindObject(ctx->second, objectName);
        if (!object) return nwcode::kDSNoSuchEntry;
        DSBuffer result;
        std::vector<std::string> names = allAttributes ? std::vector<std::string>{"Full Name"} : req->second.names;
        for (const std::string& attribute : names) {
            if (EqualNoCase(attribute, "Full Name") && object->fullName)
                result.attributes.emplace_back("Full Name", *object->fullName);
        }
        if (result.attributes.empty()) return nwcode::kDSNoSuchAttribute;
        rep->second = std::move(result);
        iterationHandle = -1;
        return nwcode::kSuccess;
    }

    NWCode NWDSGetAttrCount(DSContext context, DSBuf reply, std::uint32_t& count) override {
        Call call(*this, "NWDSGetAttrCount", {});
        if (call.rc) return call.rc;
        auto it = m_dsBuffers.find(reply);
        if (it == m_dsBuffers.end() || !m_contexts.count(context)) return kDSBadHandle;
        count = static_cast<std::uint32_t>(it->second.attributes.size());
        return nwcode::kSuccess;
    }

    NWCode NWDSGetAttrName(DSContext context, DSBuf reply, std::string& attributeName, std::uint32_t& valueCount,
                           std::uint32_t& syntaxID) override {
        Call call(*this, "NWDSGetAttrName", {});
        if (call.rc) return call.rc;
        auto it = m_dsBuffers.find(reply);
        if (it == m_dsBuffers.end() || !m_contexts.count(context)) return kDSBadHandle;
        DSBuffer& b = it->second;
        if (b.nextAttribute >= b.attributes.size()) return nwcode::kDSNoSuchAttribute;
        b.current = b.nextAttribute++;
        b.nextValue = 0;
        attributeName = b.attributes[b.current].first;
        valueCount = static_cast<std::uint32_t>(b.attributes[b.current].second.size());
        syntaxID = kSyntaxCaseIgnoreString;
        return nwcode::kSuccess;
    }

    NWCode NWDSGetAttrVal(DSContext context, DSBuf reply, std::uint32_t, std::string& value) override {
        Call call(*this, "NWDSGetAttrVal", {});
        if (call.rc) return call.rc;
        auto it = m_dsBuffers.find(reply);
        if (it == m_dsBuffers.end() || !m_contexts.count(context)) return kDSBadHandle;
        DSBuffer& b = it->second;
        if (b.current >= b.attributes.size()) return nwcode::kDSNoSuchAttribute;
        const auto& values = b.attributes[b.current].second;
        if (b.nextValue >= values.size()) return nwcode::kDSNoSuchAttribute;
        value = values[b.nextValue++];
        return nwcode::kSuccess;
    }

    NWCode DSMapIDToName(DSContext context, ConnHandle conn, std::uint32_t objectID, std::string& name) override {
        Call call(*this, "DSMapIDToName", {.conn = conn});
        if (call.rc) return call.rc;
        auto ctx = m_contexts.find(context);
        if (ctx == m_contexts.end()) return kDSBadHandle;
        NWCode rc;
        const Server* s = ServerWithIdentity(conn, rc);
        if (!s) return rc;
        auto it = m_objects.find(objectID);
        if (it == m_objects.end() || it->second.server != s->name || !it->second.nds || s->tree.empty())
            return nwcode::kDSNoSuchEntry;
        std::vector<std::string> parts = DSNameParts(it->second.user);
        if (!IsRootContext(ctx->second.nameContext)) {
            // Relative to the name context when the object lies below it.
            std::vector<std::string> context = DSNameParts(ctx->second.nameContext);
            if (context.size() < parts.size() &&
                std::equal(context.rbegin(), context.rend(), parts.rbegin(),
                           [](const std::string& a, const std::string& b) { return EqualNoCase(a, b); }))
                parts.resize(parts.size() - context.size());
        }
        name = DSJoin(parts, !(ctx->second.flags & kDSFlagTypeless));
        return nwcode::kSuccess;
    }

    NWCode NWDSLogin(DSContext context, std::uint32_t, const std::string& objectName, const std::string& password,
                     std::uint32_t) override {
        Call call(*this, "NWDSLogin", {});
        if (call.rc) return call.rc;
        auto ctx = m_contexts.find(context);
        if (ctx == m_contexts.end()) return kDSBadHandle;
        DSContextState root = ctx->second;
        root.nameContext = "[root]";
        const TreeObject* object = FindObject(root, objectName);
        if (!object) return nwcode::kDSNoSuchEntry;
        if (object->password != password) return nwcode::kDSLoginRefused;
        std::string tree = OemToCharA(TreeOf(root)->name);
        std::string user = OemToCharA(object->name);
        return Change([&](Json& doc) -> NWCode {
            Json& ws = doc["workstation"];
            if (!ws.is_object()) ws = Json::object();
            ws["nds"] = Json{{"tree", tree}, {"user", user}};
            return nwcode::kSuccess;
        });
    }

    NWCode NWDSAuthenticate(ConnHandle conn, std::uint32_t, const void*) override {
        Call call(*this, "NWDSAuthenticate", {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerOf(conn, rc);
        if (!s) return rc;
        const Workstation& ws = m_net.workstation;
        if (s->tree.empty() || ws.ndsUser.empty() || ws.ndsTree != s->tree) return nwcode::kDSLoginRefused;
        return nwcode::kSuccess;
    }

    // ---- workstation files -------------------------------------------------
    int FindFirst(const std::string& pattern, std::uint32_t attributes, FindState& state,
                  FindData& entry) override {
        state = FindState{};
        int rc = IsNetworkPath(pattern) ? ListNetwork(pattern, attributes, state)
                                        : ListLocal(pattern, attributes, state);
        if (rc != 0) return rc;
        if (state.entries.empty()) return kFindFileNotFound;
        return FindNext(state, entry);
    }

    int FindNext(FindState& state, FindData& entry) override {
        if (state.next >= state.entries.size()) return kFindNoMoreFiles;
        entry = state.entries[state.next++];
        return 0;
    }

    void FindClose(FindState& state) override { state = FindState{}; }

private:
    static constexpr NWCode kNothingChanged = 1;  // a change that turned out to change nothing
    static constexpr std::uint32_t kSyntaxCaseIgnoreString = 3;

    struct CallArgs {
        std::optional<ConnHandle> conn = std::nullopt;
        std::string_view server = {};
        std::string_view path = {};
        std::optional<std::uint32_t> connection = std::nullopt;
    };

    // The gate every client operation passes: counted, refused before a
    // successful start, brought up to date with the file, delayed, faulted.
    class Call final {
    public:
        Call(SimNetwork& sim, const char* name, const CallArgs& args) : m_guard(sim.m_mutex) {
            ++sim.m_counts[name];
            if (!sim.m_ready) {
                rc = nwcode::kDescriptionUnreadable;
                return;
            }
            sim.Settle();
            rc = sim.MatchFault(name, args);
        }
        NWCode rc = 0;

    private:
        std::lock_guard<std::recursive_mutex> m_guard;
    };

    struct NetPath {
        std::string server;
        std::string volume;
        std::string rest;  // components below the volume, '\' separated, as typed
    };

    struct DirHandleInfo {
        std::uint32_t volume;
        std::uint32_t entry;
    };

    struct ObjectInfo {
        std::string server;
        std::string user;
        std::string bindery;
        bool nds;
    };

    struct ServerScan {
        std::vector<std::string> names;
        std::size_t next = 0;
    };

    struct DSContextState {
        std::uint32_t flags = 0;
        std::string nameContext;
        std::string tree;
    };

    struct DSBuffer {
        std::uint32_t operation = 0;
        std::vector<std::string> names;
        std::vector<std::pair<std::string, std::vector<std::string>>> attributes;
        std::size_t nextAttribute = 0;
        std::size_t current = 0;
        std::size_t nextValue = 0;
    };

    // ---- loading and persistence ------------------------------------------
    void Diagnose(const LoadError& error) const {
        std::fprintf(stderr, "nwsim: %s: %s%s%s\n", m_path.c_str(), error.place.c_str(),
                     error.place.empty() ? "" : ": ", error.what.c_str());
    }

    // Reads and builds the description; on success it becomes the state.
    bool LoadFromDisk(bool quiet) {
        FileStamp stamp = StampOf(m_path);
        std::string text;
        LoadError error;
        if (!ReadWholeFile(m_path, text)) {
            error.what = "cannot read the file";
            if (!quiet) Diagnose(error);
            return false;
        }
        Json doc;
        Network net;
        if (!ParseDescription(text, doc, error) || !BuildNetwork(doc, net, error)) {
            if (!quiet) Diagnose(error);
            return false;
        }
        Adopt(std::move(doc), std::move(net));
        m_stamp = stamp;
        return true;
    }

    void Adopt(Json doc, Network net) {
        bool faultsChanged = net.faults.size() != m_net.faults.size();
        m_doc = std::move(doc);
        m_net = std::move(net);
        if (faultsChanged) m_faultState.assign(m_net.faults.size(), FaultState{});
    }

    NWCode LoadFirst() {
        if (m_options.networkPath.empty() && !StampOf(m_path).exists) {
            std::error_code ec;
            std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), ec);
            DescriptionLock lock(m_path);
            if (!StampOf(m_path).exists) ReplaceFile(m_path, DemoNetworkDescription());
        }
        // Fault counts outlive a failed start, so "times" holds across retries.
        if (!LoadFromDisk(false)) return nwcode::kDescriptionUnreadable;
        m_ready = true;
        return nwcode::kSuccess;
    }

    // Brings the state up to date with the file when another process changed it.
    void Settle() {
        if (m_options.readOnly && m_changedInMemory) return;
        FileStamp now = StampOf(m_path);
        if (now == m_stamp || !now.exists) return;
        if (!LoadFromDisk(now == m_badStamp)) m_badStamp = now;
    }

    // One change of the network: under the lock, on the newest description,
    // written back whole. change edits the document (which matches m_net) and
    // answers 0, kNothingChanged, or the code to fail with.
    NWCode Change(const std::function<NWCode(Json&)>& change) {
        if (m_options.readOnly) {
            Json doc = m_doc;
            NWCode rc = change(doc);
            if (rc != 0) return rc;
            return Rebuild(std::move(doc)) ? (m_changedInMemory = true, nwcode::kSuccess)
                                           : nwcode::kDescriptionUnreadable;
        }
        DescriptionLock lock(m_path);
        if (!(StampOf(m_path) == m_stamp) && !LoadFromDisk(false)) return nwcode::kDescriptionUnreadable;
        Json doc = m_doc;
        NWCode rc = change(doc);
        if (rc != 0) return rc;
        if (!Rebuild(doc)) return nwcode::kDescriptionUnreadable;
        if (!ReplaceFile(m_path, doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n")) {
            std::fprintf(stderr, "nwsim: %s: cannot write the description back\n", m_path.c_str());
            return nwcode::kDescriptionUnreadable;
        }
        m_stamp = StampOf(m_path);
        return nwcode::kSuccess;
    }

    bool Rebuild(Json doc) {
        Network net;
        LoadError error;
        if (!BuildNetwork(doc, net, error)) {
            Diagnose(error);
            return false;
        }
        Adopt(std::move(doc), std::move(net));
        return true;
    }

    // ---- faults --------------------------------------------------------------
    struct FaultState {
        std::uint64_t seen = 0;
        std::uint64_t fired = 0;
    };

    NWCode MatchFault(const char* name, const CallArgs& args) {
        if (m_net.latencyMicros) std::this_thread::sleep_for(std::chrono::microseconds(m_net.latencyMicros));
        std::string server(args.server);
        if (args.conn) {
            auto it = m_handles.find(*args.conn);
            if (it != m_handles.end()) server = it->second;
        }
        for (std::size_t i = 0; i < m_net.faults.size(); ++i) {
            const Fault& f = m_net.faults[i];
            if (f.call != name) continue;
            if (f.server && !EqualNoCase(*f.server, server)) continue;
            if (f.path && !EqualNoCase(*f.path, NormalizeSeparators(args.path))) continue;
            if (f.connection && (!args.connection || *args.connection != *f.connection)) continue;
            FaultState& state = m_faultState[i];
            if (state.seen++ < f.after) continue;
            if (f.times && state.fired >= *f.times) continue;
            ++state.fired;
            return f.code;
        }
        return nwcode::kSuccess;
    }

    // ---- servers, identities, handles -------------------------------------
    ConnHandle HandleFor(const std::string& server) {
        std::string key = Upper(server);
        for (const auto& [handle, name] : m_handles) {
            if (name == key) return handle;
        }
        ConnHandle handle = static_cast<ConnHandle>(m_handles.size() + 1);
        m_handles.emplace(handle, key);
        return handle;
    }

    const Server* ServerOf(ConnHandle conn, NWCode& rc) const {
        auto it = m_handles.find(conn);
        const Server* s = it == m_handles.end() ? nullptr : m_net.ServerByName(it->second);
        if (!s || s->down) {
            rc = nwcode::kServerUnknown;
            return nullptr;
        }
        return s;
    }

    std::optional<std::string> IdentityOn(const Server& s) const {
        const Workstation& ws = m_net.workstation;
        if (auto it = ws.bindery.find(s.name); it != ws.bindery.end()) return it->second;
        if (!s.tree.empty() && s.tree == ws.ndsTree && !ws.ndsUser.empty()) return ws.ndsUser;
        return std::nullopt;
    }

    bool HasConsoleRights(const Server& s) const {
        std::optional<std::string> id = IdentityOn(s);
        if (!id) return false;
        return std::any_of(s.operators.begin(), s.operators.end(),
                           [&](const std::string& op) { return EqualNoCase(op, *id); });
    }

    // A server that shows nothing to a station without an identity on it.
    const Server* ServerWithIdentity(ConnHandle conn, NWCode& rc) const {
        const Server* s = ServerOf(conn, rc);
        if (s && !IdentityOn(*s)) {
            rc = nwcode::kNoMatch;
            return nullptr;
        }
        return s;
    }

    const Server* ServerWithConsole(ConnHandle conn, NWCode& rc) const {
        const Server* s = ServerWithIdentity(conn, rc);
        if (s && !HasConsoleRights(*s)) {
            rc = nwcode::kNoConsoleRights;
            return nullptr;
        }
        return s;
    }

    std::uint16_t OwnNumberOn(const Server& s) const {
        std::uint16_t n = 1;
        while (s.connectionByNumber.count(n) && n < 0xFFFF) ++n;
        return n;
    }

    std::uint32_t ObjectIdFor(const Server& s, const Connection& c) {
        std::string key = s.name + '\n' + Upper(c.user) + '\n' + c.bindery + '\n' + (c.nds ? "1" : "0");
        auto it = m_objectIds.find(key);
        if (it != m_objectIds.end()) return it->second;
        std::uint32_t id = kFirstObjectId + static_cast<std::uint32_t>(m_objectIds.size());
        m_objectIds.emplace(key, id);
        m_objects.emplace(id, ObjectInfo{s.name, c.user, c.bindery, c.nds});
        return id;
    }

    NWCode SwitchLogins(const char* name, ConnHandle conn, bool enable) {
        Call call(*this, name, {.conn = conn});
        if (call.rc) return call.rc;
        NWCode rc;
        const Server* s = ServerOf(conn, rc);
        if (!s) return rc;
        if (!HasConsoleRights(*s)) return nwcode::kNoConsoleRights;
        std::string server = s->name;
        return Change([&](Json& doc) -> NWCode {
            if (!m_net.serverByName.count(server)) return nwcode::kServerUnknown;
            doc["servers"][m_net.serverByName.at(server)]["loginsEnabled"] = enable;
            return nwcode::kSuccess;
        });
    }

    // ---- paths ---------------------------------------------------------------
    // Workstation paths: "F:...", "SERVER\VOL:...", "\\SERVER\VOL\...".
    NWCode ParseNetPath(std::string_view text, NetPath& out) const {
        std::string p = NormalizeSeparators(text);
        std::string rest;
        if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
            std::vector<std::string> parts = SplitComponents(std::string_view(p).substr(2));
            if (parts.size() < 2) return nwcode::kBadPathSyntax;
            out.server = parts[0];
            out.volume = parts[1];
            if (!out.volume.empty() && out.volume.back() == ':') out.volume.pop_back();
            parts.erase(parts.begin(), parts.begin() + 2);
            rest = JoinComponents(parts);
        } else if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
            char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
            auto it = m_net.workstation.drives.find(letter);
            if (it == m_net.workstation.drives.end()) return nwcode::kServerUnknown;
            out.server = it->second.server;
            out.volume = it->second.volume;
            std::vector<std::string> parts = SplitComponents(it->second.directory);
            for (std::string& part : SplitComponents(std::string_view(p).substr(2))) parts.push_back(std::move(part));
            rest = JoinComponents(parts);
        } else {
            std::size_t colon = p.find(':');
            std::size_t sep = p.find('\\');
            if (colon == std::string::npos || sep == std::string::npos || sep == 0 || sep > colon ||
                colon == sep + 1)
                return nwcode::kBadPathSyntax;
            out.server = p.substr(0, sep);
            out.volume = p.substr(sep + 1, colon - sep - 1);
            if (out.volume.find('\\') != std::string::npos) return nwcode::kBadPathSyntax;
            rest = JoinComponents(SplitComponents(std::string_view(p).substr(colon + 1)));
        }
        if (rest.find(':') != std::string::npos || out.server.empty() || out.volume.empty())
            return nwcode::kBadPathSyntax;
        const Server* s = m_net.ServerByName(out.server);
        if (!s || s->down) return nwcode::kServerUnknown;
        const Volume* v = s->VolumeByName(out.volume);
        if (!v) return nwcode::kNoSuchVolume;
        out.server = s->name;
        out.volume = v->name;
        out.rest = std::move(rest);
        return nwcode::kSuccess;
    }

    // A path inside the server of conn, relative to dirHandle when it has no volume.
    NWCode LocateOn(ConnHandle conn, DirHandle dirHandle, std::string_view path, const Server*& s,
                    Located& where) const {
        NWCode rc;
        s = ServerWithIdentity(conn, rc);
        if (!s) return rc;
        std::optional<std::pair<std::uint32_t, std::uint32_t>> base;
        if (dirHandle != 0) {
            auto it = m_dirHandles.find({conn, dirHandle});
            if (it == m_dirHandles.end()) return kBadDirHandle;
            base = std::make_pair(it->second.volume, it->second.entry);
        }
        return Locate(*s, path, base, where);
    }

    // The entry a located path names exactly (no wildcards), or kNoEntry.
    static std::uint32_t EntryOf(const Server& s, const Located& where) {
        if (where.last.empty()) return where.directory;
        if (HasWildcards(where.last)) return kNoEntry;
        return s.volumes[where.volume].Find(where.directory, where.last);
    }

    // The file (not a directory) of a console-rights request.
    NWCode ConsoleFile(ConnHandle conn, DirHandle dirHandle, std::string_view path, const Server*& s,
                       std::uint32_t& volume, std::uint32_t& entry) const {
        NWCode rc;
        s = ServerWithConsole(conn, rc);
        if (!s) return rc;
        Located where;
        if (NWCode located = LocateOn(conn, dirHandle, path, s, where); located != 0) return located;
        entry = EntryOf(*s, where);
        volume = where.volume;
        if (entry == kNoEntry || s->volumes[volume].entries[entry].directory) return nwcode::kNoMatch;
        return nwcode::kSuccess;
    }

    // Nine-byte sequences: all 0xFF to start, else bytes 0-3 hold the next
    // child position.
    static std::uint32_t StartOf(const NWSearchSequence9& sequence) {
        std::uint32_t pos = ReadLE32(sequence.data());
        return pos == 0xFFFFFFFF ? 0 : pos;
    }
    static void SetPosition(NWSearchSequence9& sequence, std::uint32_t pos) {
        WriteLE32(sequence.data(), pos);
        for (std::size_t i = 4; i < sequence.size(); ++i) sequence[i] = 0;
    }

    template <typename Accept>
    static std::uint32_t ScanChildren(const Volume& v, std::uint32_t dir, const std::string& pattern,
                                      NWSearchSequence9& sequence, Accept accept) {
        std::uint32_t start = StartOf(sequence);
        const Entry& d = v.entries[dir];
        if (!HasWildcards(pattern)) {
            std::uint32_t e = v.Find(dir, pattern);
            if (start != 0 || e == kNoEntry || !accept(v.entries[e])) return kNoEntry;
            SetPosition(sequence, 0xFFFFFFFE);
            return e;
        }
        for (std::uint32_t i = start; i < d.children.size(); ++i) {
            const Entry& e = v.entries[d.children[i]];
            if (accept(e) && (WildcardMatch(pattern, e.name) || WildcardMatch(pattern, e.dos))) {
                SetPosition(sequence, i + 1);
                return d.children[i];
            }
        }
        return kNoEntry;
    }

    // ---- directory services --------------------------------------------------
    const Tree* TreeOf(const DSContextState& ctx) const {
        std::string tree = ctx.tree.empty() ? m_net.workstation.ndsTree : ctx.tree;
        auto it = m_net.trees.find(Upper(tree));
        return it == m_net.trees.end() ? nullptr : &it->second;
    }

    // The typeless parts of name made absolute against the context: a leading
    // dot or the root context leaves it as it is.
    static std::vector<std::string> FullNameParts(const DSContextState& ctx, std::string_view name) {
        bool absolute = !name.empty() && name.front() == '.';
        std::vector<std::string> parts = DSNameParts(name);
        if (!absolute && !IsRootContext(ctx.nameContext)) {
            for (std::string& part : DSNameParts(ctx.nameContext)) parts.push_back(std::move(part));
        }
        return parts;
    }

    const TreeObject* FindObject(const DSContextState& ctx, std::string_view name) const {
        const Tree* tree = TreeOf(ctx);
        if (!tree) return nullptr;
        std::vector<std::string> parts = FullNameParts(ctx, name);
        auto it = tree->objects.find(Upper(DSJoin(parts, false)));
        return it == tree->objects.end() ? nullptr : &it->second;
    }

    // ---- workstation files ---------------------------------------------------
    bool IsNetworkPath(std::string_view pattern) const {
        if (pattern.size() >= 2 && (pattern[0] == '\\' || pattern[0] == '/') && (pattern[1] == '\\' || pattern[1] == '/'))
            return true;
        if (pattern.size() >= 2 && pattern[1] == ':' && std::isalpha(static_cast<unsigned char>(pattern[0]))) {
            std::lock_guard<std::recursive_mutex> guard(m_mutex);
            char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(pattern[0])));
            return m_net.workstation.drives.count(letter) > 0;
        }
        return false;
    }

    int ListNetwork(const std::string& pattern, std::uint32_t attributes, FindState& state) {
        Call call(*this, "FindFirst", {.path = pattern});
        if (call.rc) return kFindPathNotFound;
        NetPath parsed;
        if (ParseNetPath(CharToOemA(pattern), parsed) != 0) return kFindPathNotFound;
        ConnHandle conn = HandleFor(parsed.server);
        const Server* s;
        Located where;
        if (LocateOn(conn, 0, parsed.volume + ":" + parsed.rest, s, where) != 0) return kFindPathNotFound;
        if (where.last.empty()) return kFindFileNotFound;
        const Volume& v = s->volumes[where.volume];
        const Entry& dir = v.entries[where.directory];
        if (where.directory != 0 && (attributes & kAttrDirectory)) {
            for (const char* dot : {".", ".."}) {
                if (WildcardMatch(where.last, dot)) state.entries.push_back(FindData{dot, kAttrDirectory});
            }
        }
        const std::uint32_t special = kAttrHidden | kAttrSystem | kAttrDirectory;
        auto add = [&](const Entry& e) {
            if ((e.Attributes() & special & ~attributes) != 0) return;
            state.entries.push_back(FindData{OemToCharA(v.longNames ? e.name : e.dos), e.Attributes()});
        };
        if (!HasWildcards(where.last)) {
            std::uint32_t e = v.Find(where.directory, where.last);
            if (e != kNoEntry) add(v.entries[e]);
            return 0;
        }
        for (std::uint32_t child : dir.children) {
            const Entry& e = v.entries[child];
            if (WildcardMatch(where.last, e.name) || WildcardMatch(where.last, e.dos)) add(e);
        }
        return 0;
    }

    int ListLocal(const std::string& pattern, std::uint32_t attributes, FindState& state) {
        {
            std::lock_guard<std::recursive_mutex> guard(m_mutex);
            ++m_counts["FindFirst"];
        }
        namespace fs = std::filesystem;
        std::size_t sep = pattern.find_last_of("/\\");
        std::string dir = sep == std::string::npos ? "." : pattern.substr(0, sep + 1);
        std::string last = sep == std::string::npos ? pattern : pattern.substr(sep + 1);
        std::replace(dir.begin(), dir.end(), '\\', '/');
        if (last.empty()) return kFindFileNotFound;
        std::error_code ec;
        if (!fs::is_directory(dir, ec)) return kFindPathNotFound;
        if (attributes & kAttrDirectory) {
            for (const char* dot : {".", ".."}) {
                if (WildcardMatch(last, dot)) state.entries.push_back(FindData{dot, kAttrDirectory});
            }
        }
        std::vector<FindData> found;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            std::string name = it->path().filename().string();
            if (!WildcardMatch(last, name)) continue;
            std::uint32_t attr = it->is_directory(ec) ? kAttrDirectory : kAttrArchive;
            if (name.size() > 1 && name[0] == '.') attr |= kAttrHidden;
            if ((attr & (kAttrHidden | kAttrSystem | kAttrDirectory) & ~attributes) != 0) continue;
            found.push_back(FindData{name, attr});
        }
        std::sort(found.begin(), found.end(), [](const FindData& a, const FindData& b) { return a.name < b.name; });
        state.entries.insert(state.entries.end(), found.begin(), found.end());
        return 0;
    }

    SimOptions m_options;
    std::string m_path;
    mutable std::recursive_mutex m_mutex;
    bool m_ready = false;
    bool m_changedInMemory = false;
    bool m_statsWritten = false;
    Json m_doc;
    Network m_net;
    FileStamp m_stamp;
    FileStamp m_badStamp;
    std::vector<FaultState> m_faultState;
    std::map<std::string, std::uint64_t> m_counts;
    std::map<ConnHandle, std::string> m_handles;  // handle -> server name
    std::map<std::pair<ConnHandle, DirHandle>, DirHandleInfo> m_dirHandles;
    std::map<std::string, std::uint32_t> m_objectIds;
    std::map<std::uint32_t, ObjectInfo> m_objects;
    std::map<std::uint32_t, ServerScan> m_serverScans;
    std::uint32_t m_nextScan = 1;
    std::map<DSContext, DSContextState> m_contexts;
    DSContext m_nextContext = 1;
    std::map<DSBuf, DSBuffer> m_dsBuffers;
    DSBuf m_nextBuffer = 1;
};

void WriteLiveStats() {
    std::lock_guard<std::mutex> lock(g_liveMutex);
    if (g_live) g_live->WriteStats();
}

}  // namespace

std::unique_ptr<SimulatedNetwork> CreateSimulatedNetwork(const SimOptions& options) {
    return std::make_unique<SimNetwork>(options);
}
