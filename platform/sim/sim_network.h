#pragma once

// The simulated network's one implementation class, shared by the source
// files that define its operations by area (start-up and persistence, files
// and directories, servers and connections, directory services).

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/sim/description_store.h"
#include "platform/sim/journal.h"
#include "platform/sim/network_model.h"
#include "platform/sim/simulated_network.h"

namespace nwsim {

// Codes the contract leaves to the implementation.
inline constexpr NWCode kBadDirHandle = 0x899B;
inline constexpr NWCode kDSBadHandle = -322;
inline constexpr NWCode kDSBadKey = -331;

inline constexpr std::uint32_t kExtensionId = 0x4B520001;
inline constexpr const char* kExtensionName = "Kestrune Server";
inline constexpr std::size_t kCloseRequestSize = 2313;
inline constexpr std::uint8_t kCloseCommand = 0x43;
inline constexpr DirHandle kMaxDirHandles = 254;
inline constexpr std::uint32_t kFirstObjectId = 0x00010001;

inline constexpr int kFindNoMoreFiles = 18;
inline constexpr int kFindFileNotFound = 2;
inline constexpr int kFindPathNotFound = 3;

inline std::string DefaultDescriptionPath() {
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

inline std::string NormalizeSeparators(std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

inline std::vector<std::string> SplitComponents(std::string_view text) {
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

inline std::string JoinComponents(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& p : parts) {
        if (!out.empty()) out += '\\';
        out += p;
    }
    return out;
}

inline std::uint32_t ReadLE32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void WriteLE32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Splits a directory name into its parts, dropping type prefixes ("CN=").
inline std::vector<std::string> DSNameParts(std::string_view name) {
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

inline std::string DSJoin(const std::vector<std::string>& parts, bool typed) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) out += '.';
        if (typed) out += i == 0 ? "CN=" : (i + 1 == parts.size() ? "O=" : "OU=");
        out += parts[i];
    }
    return out;
}

inline bool IsRootContext(std::string_view context) {
    return context.empty() || EqualNoCase(context, "[root]");
}

class SimNetwork final : public SimulatedNetwork {
public:
    explicit SimNetwork(SimOptions options);
    ~SimNetwork() override;
    void WriteStats();

    // ---- SimulatedNetwork ---------------------------------------------------
    std::map<std::string, std::uint64_t> CallCounts() const override;
    std::map<std::string, std::uint64_t> GatheredCounts() const;
    int OpenDirHandles() const override;
    int OpenDSBuffers() const override;
    int OpenConnHandles() const override;

    // ---- start-up -------------------------------------------------------------
    NWCode NWCallsInit() override;

    // ---- connections ----------------------------------------------------------
    NWCode NWCCOpenConnByName(ConnHandle, const std::string& name, std::uint32_t, std::uint32_t,
                              std::uint32_t, ConnHandle& conn) override;
    NWCode NWCCGetPrimConnRef(std::uint32_t& connRef) override;
    NWCode NWCCOpenConnByRef(std::uint32_t connRef, std::uint32_t, std::uint32_t, ConnHandle& conn) override;
    NWCode NWCCCloseConn(ConnHandle conn) override;
    NWCode NWCCGetAllConnInfo(ConnHandle conn, std::uint32_t, NWAllConnInfo& info) override;
    NWCode NWCCGetConnInfo(ConnHandle conn, std::uint32_t infoType, std::size_t length,
                           void* buffer) override;

    // ---- paths ------------------------------------------------------------------
    NWCode NWParseNetWarePath(const std::string& path, ConnHandle& conn, DirHandle& dirHandle,
                              std::string& relativePath) override;
    NWCode NWParsePath(const std::string& path, std::string* server, ConnHandle* conn, std::string* volume,
                       std::string* dirPath) override;

    // ---- files and directories ----------------------------------------------
    NWCode NWIntScanDirectoryInformation2(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                          NWSearchSequence9& sequence, NWDirInfo* info,
                                          std::uint8_t) override;
    NWCode NWIntScanFileInformation2(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                     std::uint8_t searchAttributes, NWSearchSequence9& sequence,
                                     NWFileInfo* info, std::uint8_t) override;
    NWCode NWGetOwningNameSpace(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                std::uint32_t& nameSpace) override;
    NWCode NWGetNSPath(ConnHandle conn, DirHandle dirHandle, std::uint16_t fileFlag,
                       std::uint8_t srcNameSpace, std::uint8_t destNameSpace, NWNSPath& nsPath) override;
    NWCode NWGetLongName(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                         std::uint8_t srcNameSpace, std::uint8_t destNameSpace, std::string& name) override;
    int IsLongNameSpaceSupported(ConnHandle conn, DirHandle dirHandle, const std::string& path) override;
    NWCode NWAllocTempNSDirHandle2(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                   std::uint8_t nameSpace, DirHandle& newHandle, std::uint8_t) override;
    NWCode NWScanNSEntryInfo(ConnHandle conn, DirHandle dirHandle, std::uint8_t nameSpace,
                             std::uint16_t searchAttributes, NWSearchSequence12& sequence,
                             const std::string& pattern, std::uint32_t, NWEntryInfo& entry) override;
    NWCode DeallocateDirectoryHandle(ConnHandle conn, DirHandle dirHandle) override;
    NWCode GetVolumeName(ConnHandle conn, std::uint16_t volNumber, std::string& name) override;
    NWCode GetDirectoryEntryPath(ConnHandle conn, std::uint8_t volNumber, std::uint32_t dirEntry,
                                 std::uint8_t nameSpace, std::uint8_t& length, std::uint8_t* buffer) override;

    // ---- workstation drives ----------------------------------------------
    NWCode NWSetDriveBase(std::uint16_t driveNum, ConnHandle conn, DirHandle dirHandle,
                          const std::string& dirPath) override;

    // ---- connections of a server ------------------------------------------
    NWCode NWScanConnectionsUsingFile(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                      std::int16_t& iterHandle, NWConnUsingFileEntry* single,
                                      NWConnsUsingFile& reply) override;
    NWCode ScanPhysicalLocks(ConnHandle conn, DirHandle dirHandle, const std::string& path, std::uint8_t,
                             std::int16_t& iterHandle, NWPhysicalLock& lock,
                             NWPhysicalLockList& lockList) override;
    NWCode ScanOpenFilesByConnection(ConnHandle conn, ConnNumber connNumber, std::int16_t& iterHandle,
                                     NWOpenFileControl&, NWOpenFile& file) override;
    NWCode NWGetConnectionInformation(ConnHandle conn, ConnNumber connNumber, std::string* objectName,
                                      std::uint16_t* objectType, std::uint32_t* objectID,
                                      NWLoginTime* loginTime) override;
    NWCode GetConnectionAddress(ConnHandle conn, ConnNumber connNumber, NWStationAddress& address) override;
    NWCode GetBinderyObjectName(ConnHandle conn, std::uint32_t objectID, std::string& name,
                                std::uint16_t* objectType) override;
    NWCode NWClearConnectionNumber(ConnHandle conn, ConnNumber connNumber) override;
    NWCode NWSendBroadcastMessage(ConnHandle conn, const std::string& message, std::uint16_t count,
                                  const ConnNumber* connList, std::uint8_t* results) override;

    // ---- bindery and servers ----------------------------------------------
    NWCode NWLoginToFileServer(ConnHandle conn, const std::string& objectName, std::uint16_t,
                               const std::string& password) override;
    NWCode ScanBinderyObject(ConnHandle conn, const std::string& searchName, std::uint16_t objectType,
                             std::uint32_t& objectID, std::string* objectName,
                             std::uint16_t* foundType) override;
    NWCode OpenServerScan(std::uint16_t, std::uint32_t& scanHandle) override;
    NWCode NextScannedServer(std::uint32_t scanHandle, std::uint32_t& nameLength, std::string& name) override;
    NWCode CloseServerScan(std::uint32_t scanHandle) override;
    NWCode NWDisableFileServerLogin(ConnHandle conn) override;
    NWCode NWEnableFileServerLogin(ConnHandle conn) override;
    NWCode GetFileServerLoginStatus(ConnHandle conn, std::uint8_t& loginEnabled) override;
    NWCode GetFileServerInformation(ConnHandle conn, NWFileServerInfo& info) override;
    NWCode CheckConsolePrivileges(ConnHandle conn) override;

    // ---- server module -----------------------------------------------------
    NWCode NWGetNCPExtensionInfoByName(ConnHandle conn, const std::string& name, std::uint32_t& extensionID,
                                       std::uint8_t* majorVersion, std::uint8_t* minorVersion,
                                       std::uint8_t* revision, std::uint8_t* queryData32) override;
    NWCode NWNCPExtensionRequest(ConnHandle conn, std::uint32_t extensionID, const void* request,
                                 std::size_t requestLength, void*, std::size_t& replyLength) override;

    // ---- directory services ------------------------------------------------
    NWCode DSCreateContextHandle(DSContext& context) override;
    NWCode DSGetContext(DSContext context, int key, std::uint32_t& value) override;
    NWCode DSGetContext(DSContext context, int key, std::string& value) override;
    NWCode DSSetContext(DSContext context, int key, std::uint32_t value) override;
    NWCode DSSetContext(DSContext context, int key, const std::string& value) override;
    NWCode DSAllocBuf(std::size_t, DSBuf& buf) override;
    NWCode DSInitBuf(DSContext context, std::uint32_t operation, DSBuf buf) override;
    NWCode DSFreeBuf(DSBuf buf) override;
    NWCode DSCanonicalizeName(DSContext context, const std::string& name, std::string& canonical) override;
    NWCode NWDSPutAttrName(DSContext context, DSBuf request, const std::string& attributeName) override;
    NWCode NWDSRead(DSContext context, const std::string& objectName, std::uint32_t, bool allAttributes,
                    DSBuf request, std::int32_t& iterationHandle, DSBuf reply) override;
    NWCode NWDSGetAttrCount(DSContext context, DSBuf reply, std::uint32_t& count) override;
    NWCode NWDSGetAttrName(DSContext context, DSBuf reply, std::string& attributeName,
                           std::uint32_t& valueCount, std::uint32_t& syntaxID) override;
    NWCode NWDSGetAttrVal(DSContext context, DSBuf reply, std::uint32_t, std::string& value) override;
    NWCode DSMapIDToName(DSContext context, ConnHandle conn, std::uint32_t objectID,
                         std::string& name) override;
    NWCode NWDSLogin(DSContext context, std::uint32_t, const std::string& objectName,
                     const std::string& password, std::uint32_t) override;
    NWCode NWDSAuthenticate(ConnHandle conn, std::uint32_t, const void*) override;

    // ---- workstation files -------------------------------------------------
    int FindFirst(const std::string& pattern, std::uint32_t attributes, FindState& state,
                  FindData& entry) override;
    int FindNext(FindState& state, FindData& entry) override;
    void FindClose(FindState& state) override;

private:
    static constexpr NWCode kNothingChanged = 1;  // a change that turned out to change nothing
    static constexpr std::uint32_t kSyntaxCaseIgnoreString = 3;

    struct CallArgs {
        std::optional<ConnHandle> conn = std::nullopt;
        std::string_view server = {};
        std::string_view path = {};
        std::optional<std::uint32_t> connection = std::nullopt;
        // Answered by the client alone (contexts, buffers, a reply already
        // read): no server is asked, so there is nothing to bring up to date.
        bool local = false;
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
            if (!args.local) sim.Settle();
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
    // Below this size a description is written whole at every change; from
    // it on changes go to the journal beside it, folded back into it when
    // the journal reaches 1/kFoldShare of the description.
    static constexpr std::size_t kJournalFrom = 16 * 1024;
    static constexpr std::size_t kFoldShare = 16;
    static constexpr NWCode kNothingToRecord = 2;  // a generic change that left everything as it was

    // How far the journal beside the description has been read.
    struct JournalState {
        bool belongs = false;   // it names the description as loaded
        std::size_t end = 0;    // bytes read, up to the end of the last complete line
        std::size_t lines = 0;  // changes read
        FileStamp stamp;        // the journal file as last read
    };

    void Diagnose(const LoadError& error, const std::string& file = {}) const;

    // Reads and builds the description and replays its journal; on success
    // it becomes the state.
    bool LoadFromDisk(bool quiet);
    bool ReplayJournal(const DescriptionId& id, Network& net, JournalState& journal, bool quiet) const;
    // Applies journal lines (the first of them line firstLine of the file).
    bool ReadChanges(const std::vector<std::string>& lines, std::size_t firstLine, Network& net,
                     bool quiet) const;
    NWCode LoadFirst();

    // Brings the state up to date with the files when another process
    // changed them: the changes appended to the journal since the last look
    // are applied; a description written anew is loaded anew.
    void Settle();
    bool CatchUp(bool quiet);
    // The same under the lock, before a change: false when what is on disk
    // cannot be read (it has been reported).
    bool Refresh();

    // A change of the description's members other than its servers and
    // trees (the workstation, the faults, the latency): change edits a
    // document holding just those members, and answers 0, kNothingChanged,
    // or the code to fail with. What it changed is recorded as "set" and
    // "remove" changes (see network_model.h).
    NWCode Change(const std::function<NWCode(Json&)>& change);
    // Any change: under the lock, on the newest state, make looks at m_net
    // and adds the changes to record (network_model.h), or answers
    // kNothingChanged or the code to fail with. The changes are written to
    // disk, then applied to m_net.
    NWCode Commit(const std::function<NWCode(std::vector<Json>&)>& make);
    bool Apply(const std::vector<Json>& changes);
    // Writes the description anew with the journal and pending lines in it,
    // and drops the journal.
    bool FoldBack(const std::vector<std::string>& pending);

    // ---- faults --------------------------------------------------------------
    struct FaultState {
        std::uint64_t seen = 0;
        std::uint64_t fired = 0;
    };
    NWCode MatchFault(const char* name, const CallArgs& args);

    // ---- servers, identities, handles -------------------------------------
    ConnHandle HandleFor(const std::string& server);
    const Server* ServerOf(ConnHandle conn, NWCode& rc) const;
    std::optional<std::string> IdentityOn(const Server& s) const;
    bool HasConsoleRights(const Server& s) const;

    // A server that shows nothing to a station without an identity on it.
    const Server* ServerWithIdentity(ConnHandle conn, NWCode& rc) const;
    const Server* ServerWithConsole(ConnHandle conn, NWCode& rc) const;
    std::uint16_t OwnNumberOn(const Server& s) const;
    std::uint32_t ObjectIdFor(const Server& s, const Connection& c);
    NWCode SwitchLogins(const char* name, ConnHandle conn, bool enable);

    // ---- paths ---------------------------------------------------------------
    // Workstation paths: "F:...", "SERVER\VOL:...", "\\SERVER\VOL\...".
    NWCode ParseNetPath(std::string_view text, NetPath& out) const;

    // The directory a handle of conn stands for on s, or nullptr when the
    // handle is unknown or its directory went with a change of the file.
    const DirHandleInfo* DirectoryOf(const Server& s, ConnHandle conn, DirHandle dirHandle) const;

    // A path inside the server of conn, relative to dirHandle when it has no volume.
    NWCode LocateOn(ConnHandle conn, DirHandle dirHandle, std::string_view path, const Server*& s,
                    Located& where) const;

    // The entry a located path names exactly (no wildcards), or kNoEntry.
    static std::uint32_t EntryOf(const Server& s, const Located& where);

    // The file (not a directory) of a console-rights request.
    NWCode ConsoleFile(ConnHandle conn, DirHandle dirHandle, std::string_view path, const Server*& s,
                       std::uint32_t& volume, std::uint32_t& entry) const;

    // Nine-byte sequences: all 0xFF to start, else bytes 0-3 hold the next
    // child position.
    static std::uint32_t StartOf(const NWSearchSequence9& sequence);
    static void SetPosition(NWSearchSequence9& sequence, std::uint32_t pos);

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
    const Tree* TreeOf(const DSContextState& ctx) const;

    // The typeless parts of name made absolute against the context: a leading
    // dot or the root context leaves it as it is.
    static std::vector<std::string> FullNameParts(const DSContextState& ctx, std::string_view name);
    const TreeObject* FindObject(const DSContextState& ctx, std::string_view name) const;

    // ---- workstation files ---------------------------------------------------
    bool IsNetworkPath(std::string_view pattern) const;
    int ListNetwork(const std::string& pattern, std::uint32_t attributes, FindState& state);
    int ListLocal(const std::string& pattern, std::uint32_t attributes, FindState& state);
    SimOptions m_options;
    std::string m_path;
    mutable std::recursive_mutex m_mutex;
    bool m_ready = false;
    bool m_changedInMemory = false;
    bool m_statsWritten = false;
    Network m_net;
    FileStamp m_stamp;
    DescriptionId m_id;
    std::size_t m_descriptionBytes = 0;
    JournalState m_journal;
    std::unique_ptr<ChangeWatch> m_watch;
    FileStamp m_badStamp;
    FileStamp m_badJournal;
    bool m_swept = false;  // leftovers of earlier writers looked for
    std::vector<FaultState> m_faultState;
    // Calls by operation, keyed by the name's text as written at the call:
    // no string is made for a call, the names are gathered when asked for.
    std::unordered_map<const char*, std::uint64_t> m_counts;
    std::map<ConnHandle, std::string> m_handles;  // handle -> server name
    // One handle per server serves every open of it; this counts the opens
    // that no NWCCCloseConn has released yet.
    std::map<ConnHandle, int> m_connOpens;
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

}  // namespace nwsim
