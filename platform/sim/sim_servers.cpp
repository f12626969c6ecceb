#include "platform/sim/sim_network.h"

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"

namespace nwsim {

NWCode SimNetwork::NWCCOpenConnByName(ConnHandle, const std::string& name, std::uint32_t, std::uint32_t,
                                      std::uint32_t, ConnHandle& conn) {
    Call call(*this, "NWCCOpenConnByName", {.server = name});
    if (call.rc) return call.rc;
    const Server* s = m_net.ServerByName(name);
    if (!s || s->down) return nwcode::kServerUnknown;
    conn = HandleFor(s->name);
    ++m_connOpens[conn];
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWCCCloseConn(ConnHandle conn) {
    Call call(*this, "NWCCCloseConn", {.conn = conn, .local = true});
    if (call.rc) return call.rc;
    auto it = m_connOpens.find(conn);
    if (it == m_connOpens.end() || it->second == 0) return nwcode::kInvalidConnection;
    --it->second;
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWCCGetPrimConnRef(std::uint32_t& connRef) {
    Call call(*this, "NWCCGetPrimConnRef", {.server = m_net.workstation.primary});
    if (call.rc) return call.rc;
    const Server* s = m_net.ServerByName(m_net.workstation.primary);
    if (m_net.workstation.primary.empty() || !s || s->down) return nwcode::kServerUnknown;
    connRef = HandleFor(s->name);
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWCCOpenConnByRef(std::uint32_t connRef, std::uint32_t, std::uint32_t, ConnHandle& conn) {
    Call call(*this, "NWCCOpenConnByRef", {.conn = connRef});
    if (call.rc) return call.rc;
    NWCode rc;
    if (!ServerOf(connRef, rc)) return rc;
    conn = connRef;
    ++m_connOpens[conn];
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWCCGetAllConnInfo(ConnHandle conn, std::uint32_t, NWAllConnInfo& info) {
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

NWCode SimNetwork::NWCCGetConnInfo(ConnHandle conn, std::uint32_t infoType, std::size_t length,
                                   void* buffer) {
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

NWCode SimNetwork::NWScanConnectionsUsingFile(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                              std::int16_t& iterHandle, NWConnUsingFileEntry* single,
                                              NWConnsUsingFile& reply) {
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
    iterHandle =
        last && s->scanEndLastBatch ? -1 : static_cast<std::int16_t>(std::min<std::size_t>(end, 0x7FFF));
    return nwcode::kSuccess;
}

NWCode SimNetwork::ScanPhysicalLocks(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                     std::uint8_t, std::int16_t& iterHandle, NWPhysicalLock& lock,
                                     NWPhysicalLockList& lockList) {
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

NWCode SimNetwork::ScanOpenFilesByConnection(ConnHandle conn, ConnNumber connNumber, std::int16_t& iterHandle,
                                             NWOpenFileControl&, NWOpenFile& file) {
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

NWCode SimNetwork::NWGetConnectionInformation(ConnHandle conn, ConnNumber connNumber, std::string* objectName,
                                              std::uint16_t* objectType, std::uint32_t* objectID,
                                              NWLoginTime* loginTime) {
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

NWCode SimNetwork::GetConnectionAddress(ConnHandle conn, ConnNumber connNumber, NWStationAddress& address) {
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

NWCode SimNetwork::GetBinderyObjectName(ConnHandle conn, std::uint32_t objectID, std::string& name,
                                        std::uint16_t* objectType) {
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

NWCode SimNetwork::NWClearConnectionNumber(ConnHandle conn, ConnNumber connNumber) {
    Call call(*this, "NWClearConnectionNumber", {.conn = conn, .connection = connNumber});
    if (call.rc) return call.rc;
    NWCode rc;
    const Server* s = ServerWithConsole(conn, rc);
    if (!s) return rc;
    std::string server = s->name;
    return Commit([&](std::vector<Json>& changes) -> NWCode {
        const Server* fresh = m_net.ServerByName(server);
        if (!fresh || fresh->down) return nwcode::kServerUnknown;
        if (connNumber == 0 || !fresh->ConnectionByNumber(connNumber)) return nwcode::kConnectionNotInUse;
        changes.push_back(
            Json{{"change", "clear"}, {"server", OemToCharA(server)}, {"connection", connNumber}});
        return nwcode::kSuccess;
    });
}

NWCode SimNetwork::NWSendBroadcastMessage(ConnHandle conn, const std::string& message, std::uint16_t count,
                                          const ConnNumber* connList, std::uint8_t* results) {
    Call call(*this, "NWSendBroadcastMessage", {.conn = conn});
    if (call.rc) return call.rc;
    NWCode rc;
    const Server* s = ServerWithIdentity(conn, rc);
    if (!s) return rc;
    if (count > 0 && !connList) return nwcode::kBadPathSyntax;
    std::string server = s->name;
    std::string text = OemToCharA(message);
    std::vector<std::uint8_t> outcome(count, nwcode::kMessageNoConnection);
    NWCode changed = Commit([&](std::vector<Json>& changes) -> NWCode {
        const Server* fresh = m_net.ServerByName(server);
        if (!fresh || fresh->down) return nwcode::kServerUnknown;
        Json delivered = Json::array();
        for (std::uint16_t i = 0; i < count; ++i) {
            const Connection* c = connList[i] == 0 ? nullptr : fresh->ConnectionByNumber(connList[i]);
            if (!c) {
                outcome[i] = nwcode::kMessageNoConnection;
            } else if (!c->messages) {
                outcome[i] = nwcode::kMessageRefused;
            } else {
                outcome[i] = nwcode::kMessageDelivered;
                delivered.push_back(connList[i]);
            }
        }
        if (delivered.empty()) return kNothingChanged;
        changes.push_back(Json{{"change", "message"},
                               {"server", OemToCharA(server)},
                               {"connections", std::move(delivered)},
                               {"text", text}});
        return nwcode::kSuccess;
    });
    if (changed != 0 && changed != kNothingChanged) return changed;
    if (results) std::copy(outcome.begin(), outcome.end(), results);
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWLoginToFileServer(ConnHandle conn, const std::string& objectName, std::uint16_t,
                                       const std::string& password) {
    Call call(*this, "NWLoginToFileServer", {.conn = conn});
    if (call.rc) return call.rc;
    NWCode rc;
    const Server* s = ServerOf(conn, rc);
    if (!s) return rc;
    auto user = s->users.find(Upper(objectName));
    if (user == s->users.end()) return nwcode::kNoSuchObject;
    if (user->second != password) return nwcode::kNoMatch;
    // With logins disabled only those with console rights get in, so that an
    // operator can still switch them back on.
    auto isUser = [&](const std::string& op) { return EqualNoCase(op, user->first); };
    if (!s->loginsEnabled && std::none_of(s->operators.begin(), s->operators.end(), isUser))
        return nwcode::kNoConsoleRights;
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

NWCode SimNetwork::ScanBinderyObject(ConnHandle conn, const std::string& searchName, std::uint16_t objectType,
                                     std::uint32_t& objectID, std::string* objectName,
                                     std::uint16_t* foundType) {
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

NWCode SimNetwork::OpenServerScan(std::uint16_t, std::uint32_t& scanHandle) {
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

NWCode SimNetwork::NextScannedServer(std::uint32_t scanHandle, std::uint32_t& nameLength, std::string& name) {
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

NWCode SimNetwork::CloseServerScan(std::uint32_t scanHandle) {
    Call call(*this, "CloseServerScan", {});
    if (call.rc) return call.rc;
    return m_serverScans.erase(scanHandle) ? nwcode::kSuccess : nwcode::kBadPathSyntax;
}

NWCode SimNetwork::NWDisableFileServerLogin(ConnHandle conn) {
    return SwitchLogins("NWDisableFileServerLogin", conn, false);
}

NWCode SimNetwork::NWEnableFileServerLogin(ConnHandle conn) {
    return SwitchLogins("NWEnableFileServerLogin", conn, true);
}

NWCode SimNetwork::GetFileServerLoginStatus(ConnHandle conn, std::uint8_t& loginEnabled) {
    Call call(*this, "GetFileServerLoginStatus", {.conn = conn});
    if (call.rc) return call.rc;
    NWCode rc;
    const Server* s = ServerOf(conn, rc);
    if (!s) return rc;
    loginEnabled = s->loginsEnabled ? 1 : 0;
    return nwcode::kSuccess;
}

NWCode SimNetwork::GetFileServerInformation(ConnHandle conn, NWFileServerInfo& info) {
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
    std::size_t inUse = s->connectionByNumber.size() - s->connectionByNumber.count(0);
    info.connectionsInUse = static_cast<std::uint16_t>(inUse);
    info.maxConnectionsUsed = static_cast<std::uint16_t>(inUse);
    info.numberMountedVolumes = static_cast<std::uint16_t>(s->volumes.size());
    return nwcode::kSuccess;
}

NWCode SimNetwork::CheckConsolePrivileges(ConnHandle conn) {
    Call call(*this, "CheckConsolePrivileges", {.conn = conn});
    if (call.rc) return call.rc;
    NWCode rc;
    const Server* s = ServerOf(conn, rc);
    if (!s) return rc;
    return HasConsoleRights(*s) ? nwcode::kSuccess : nwcode::kNoConsoleRights;
}

NWCode SimNetwork::NWGetNCPExtensionInfoByName(ConnHandle conn, const std::string& name,
                                               std::uint32_t& extensionID, std::uint8_t* majorVersion,
                                               std::uint8_t* minorVersion, std::uint8_t* revision,
                                               std::uint8_t* queryData32) {
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

NWCode SimNetwork::NWNCPExtensionRequest(ConnHandle conn, std::uint32_t extensionID, const void* request,
                                         std::size_t requestLength, void*, std::size_t& replyLength) {
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
    NWCode changed = Commit([&](std::vector<Json>& changes) -> NWCode {
        const Server* fresh = m_net.ServerByName(server);
        if (!fresh || fresh->down) return nwcode::kServerUnknown;
        const Connection* victim = fresh->ConnectionByNumber(number);
        if (!victim) return nwcode::kConnectionNotInUse;
        Located where;
        if (Locate(*fresh, path, std::nullopt, where) != 0) return nwcode::kNoMatch;
        std::uint32_t entry = EntryOf(*fresh, where);
        if (entry == kNoEntry || entry == 0 || fresh->volumes[where.volume].entries[entry].directory)
            return nwcode::kNoMatch;
        Json closed = Json::array();
        for (std::size_t i = victim->opens.size(); i-- > 0;) {
            if (victim->opens[i].volume == where.volume && victim->opens[i].entry == entry)
                closed.push_back(i);
        }
        if (closed.empty()) return kNothingChanged;
        changes.push_back(Json{{"change", "close"},
                               {"server", OemToCharA(server)},
                               {"connection", number},
                               {"opens", std::move(closed)}});
        return nwcode::kSuccess;
    });
    if (changed != 0 && changed != kNothingChanged) return changed;
    replyLength = 0;
    return nwcode::kSuccess;
}

}  // namespace nwsim
