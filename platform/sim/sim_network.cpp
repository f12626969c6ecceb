#include "platform/sim/sim_network.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/codepage.h"

namespace nwsim {

namespace {

// The one live instance, for the statistics hook at exit.
std::mutex g_liveMutex;
SimNetwork* g_live = nullptr;
bool g_hookInstalled = false;

void WriteLiveStats() {
    std::lock_guard<std::mutex> lock(g_liveMutex);
    if (g_live) g_live->WriteStats();
}

}  // namespace

SimNetwork::SimNetwork(SimOptions options) : m_options(std::move(options)) {
    m_path = m_options.networkPath.empty() ? DefaultDescriptionPath() : m_options.networkPath;
    std::lock_guard<std::mutex> lock(g_liveMutex);
    g_live = this;
    if (!g_hookInstalled) {
        g_hookInstalled = true;
        std::atexit(WriteLiveStats);
    }
}

SimNetwork::~SimNetwork() {
    {
        std::lock_guard<std::mutex> lock(g_liveMutex);
        if (g_live == this) g_live = nullptr;
    }
    WriteStats();
}

void SimNetwork::WriteStats() {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    if (m_options.statsPath.empty() || m_statsWritten) return;
    m_statsWritten = true;
    Json stats = Json::object();
    for (const auto& [name, count] : m_counts) stats[name] = count;
    ReplaceFile(m_options.statsPath, stats.dump(2) + "\n");
}

std::map<std::string, std::uint64_t> SimNetwork::CallCounts() const {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return m_counts;
}

int SimNetwork::OpenDirHandles() const {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return static_cast<int>(m_dirHandles.size());
}

int SimNetwork::OpenConnHandles() const {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    int open = 0;
    for (const auto& [handle, count] : m_connOpens) open += count;
    return open;
}

int SimNetwork::OpenDSBuffers() const {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return static_cast<int>(m_dsBuffers.size());
}

NWCode SimNetwork::NWCallsInit() {
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

void SimNetwork::Diagnose(const LoadError& error) const {
    // The place and the reason quote the description, whose names may hold
    // line breaks: the diagnostic stays one line whatever they hold.
    std::string line = m_path + ": " + error.place + (error.place.empty() ? "" : ": ") + error.what;
    auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20; };
    std::replace_if(line.begin(), line.end(), control, '?');
    std::fprintf(stderr, "nwsim: %s\n", line.c_str());
}

bool SimNetwork::LoadFromDisk(bool quiet) {
    // Watching before the stamp is taken: a change after it is never missed.
    if (!m_watch) m_watch = std::make_unique<ChangeWatch>(m_path);
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

void SimNetwork::Adopt(Json doc, Network net) {
    bool faultsChanged = net.faults.size() != m_net.faults.size();
    m_doc = std::move(doc);
    m_net = std::move(net);
    if (faultsChanged) m_faultState.assign(m_net.faults.size(), FaultState{});
}

NWCode SimNetwork::LoadFirst() {
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

void SimNetwork::Settle() {
    if (m_options.readOnly && m_changedInMemory) return;
    if (m_watch && !m_watch->MaybeChanged()) return;
    FileStamp now = StampOf(m_path);
    if (now == m_stamp || !now.exists) return;
    if (!LoadFromDisk(now == m_badStamp)) m_badStamp = now;
}

NWCode SimNetwork::Change(const std::function<NWCode(Json&)>& change) {
    if (m_options.readOnly) {
        Json doc = m_doc;
        NWCode rc = change(doc);
        if (rc != 0) return rc;
        return Rebuild(std::move(doc)) ? (m_changedInMemory = true, nwcode::kSuccess)
                                       : nwcode::kDescriptionUnreadable;
    }
    DescriptionLock lock(m_path);
    // Without the lock another program's change could be written over.
    if (!lock.Held()) {
        std::fprintf(stderr, "nwsim: %s: cannot lock the description for a change\n", m_path.c_str());
        return nwcode::kDescriptionUnreadable;
    }
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

bool SimNetwork::Rebuild(Json doc) {
    Network net;
    LoadError error;
    if (!BuildNetwork(doc, net, error)) {
        Diagnose(error);
        return false;
    }
    Adopt(std::move(doc), std::move(net));
    return true;
}

NWCode SimNetwork::MatchFault(const char* name, const CallArgs& args) {
    if (m_net.latencyMicros) std::this_thread::sleep_for(std::chrono::microseconds(m_net.latencyMicros));
    std::string server(args.server);
    if (args.conn) {
        auto it = m_handles.find(*args.conn);
        if (it != m_handles.end()) server = it->second;
    }
    // A workstation path ("F:\DIR\NAME") names its server and its
    // volume-qualified path itself; worked out only for a fault that asks.
    std::optional<std::string> qualified;
    bool parsed = false;
    auto parseWorkstationPath = [&] {
        if (parsed || args.conn || !server.empty() || args.path.empty()) return;
        parsed = true;
        NetPath p;
        if (ParseNetPath(args.path, p) != 0) return;
        server = p.server;
        qualified = p.volume + ":" + p.rest;
    };
    for (std::size_t i = 0; i < m_net.faults.size(); ++i) {
        const Fault& f = m_net.faults[i];
        if (f.call != name) continue;
        if (f.server || f.path) parseWorkstationPath();
        if (f.server && !EqualNoCase(*f.server, server)) continue;
        if (f.path && !EqualNoCase(*f.path, NormalizeSeparators(args.path)) &&
            !(qualified && EqualNoCase(*f.path, *qualified)))
            continue;
        if (f.connection && (!args.connection || *args.connection != *f.connection)) continue;
        FaultState& state = m_faultState[i];
        if (state.seen++ < f.after) continue;
        if (f.times && state.fired >= *f.times) continue;
        ++state.fired;
        return f.code;
    }
    return nwcode::kSuccess;
}

ConnHandle SimNetwork::HandleFor(const std::string& server) {
    std::string key = Upper(server);
    for (const auto& [handle, name] : m_handles) {
        if (name == key) return handle;
    }
    ConnHandle handle = static_cast<ConnHandle>(m_handles.size() + 1);
    m_handles.emplace(handle, key);
    return handle;
}

const Server* SimNetwork::ServerOf(ConnHandle conn, NWCode& rc) const {
    auto it = m_handles.find(conn);
    const Server* s = it == m_handles.end() ? nullptr : m_net.ServerByName(it->second);
    if (!s || s->down) {
        rc = nwcode::kServerUnknown;
        return nullptr;
    }
    return s;
}

std::optional<std::string> SimNetwork::IdentityOn(const Server& s) const {
    const Workstation& ws = m_net.workstation;
    if (auto it = ws.bindery.find(s.name); it != ws.bindery.end()) return it->second;
    if (!s.tree.empty() && s.tree == ws.ndsTree && !ws.ndsUser.empty()) return ws.ndsUser;
    return std::nullopt;
}

bool SimNetwork::HasConsoleRights(const Server& s) const {
    std::optional<std::string> id = IdentityOn(s);
    if (!id) return false;
    return std::any_of(s.operators.begin(), s.operators.end(),
                       [&](const std::string& op) { return EqualNoCase(op, *id); });
}

const Server* SimNetwork::ServerWithIdentity(ConnHandle conn, NWCode& rc) const {
    const Server* s = ServerOf(conn, rc);
    if (s && !IdentityOn(*s)) {
        rc = nwcode::kNoMatch;
        return nullptr;
    }
    return s;
}

const Server* SimNetwork::ServerWithConsole(ConnHandle conn, NWCode& rc) const {
    const Server* s = ServerWithIdentity(conn, rc);
    if (s && !HasConsoleRights(*s)) {
        rc = nwcode::kNoConsoleRights;
        return nullptr;
    }
    return s;
}

std::uint16_t SimNetwork::OwnNumberOn(const Server& s) const {
    std::uint16_t n = 1;
    while (s.connectionByNumber.count(n) && n < 0xFFFF) ++n;
    return n;
}

std::uint32_t SimNetwork::ObjectIdFor(const Server& s, const Connection& c) {
    std::string key = s.name + '\n' + Upper(c.user) + '\n' + c.bindery + '\n' + (c.nds ? "1" : "0");
    auto it = m_objectIds.find(key);
    if (it != m_objectIds.end()) return it->second;
    std::uint32_t id = kFirstObjectId + static_cast<std::uint32_t>(m_objectIds.size());
    m_objectIds.emplace(key, id);
    m_objects.emplace(id, ObjectInfo{s.name, c.user, c.bindery, c.nds});
    return id;
}

NWCode SimNetwork::SwitchLogins(const char* name, ConnHandle conn, bool enable) {
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

}  // namespace nwsim
