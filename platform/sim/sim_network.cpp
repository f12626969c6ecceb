#include "platform/sim/sim_network.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include <unistd.h>

#include "platform/codepage.h"
#include "platform/sim/journal.h"

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
    for (const auto& [name, count] : GatheredCounts()) stats[name] = count;
    ReplaceFile(m_options.statsPath, stats.dump(2) + "\n");
}

std::map<std::string, std::uint64_t> SimNetwork::GatheredCounts() const {
    std::map<std::string, std::uint64_t> counts;
    for (const auto& [name, count] : m_counts) counts[name] += count;
    return counts;
}

std::map<std::string, std::uint64_t> SimNetwork::CallCounts() const {
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return GatheredCounts();
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

void SimNetwork::Diagnose(const LoadError& error, const std::string& file) const {
    // The place and the reason quote the description, whose names may hold
    // line breaks: the diagnostic stays one line whatever they hold.
    std::string line =
        (file.empty() ? m_path : file) + ": " + error.place + (error.place.empty() ? "" : ": ") + error.what;
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
    const DescriptionId id = IdOf(text);
    const std::size_t bytes = text.size();
    Network net;
    if (!BuildNetwork(text, net, error)) {
        if (!quiet) Diagnose(error);
        return false;
    }
    JournalState journal;
    if (!ReplayJournal(id, net, journal, quiet)) return false;
    bool faultsChanged = net.faults.size() != m_net.faults.size();
    m_net = std::move(net);
    if (faultsChanged) m_faultState.assign(m_net.faults.size(), FaultState{});
    m_stamp = stamp;
    m_id = id;
    m_descriptionBytes = bytes;
    m_journal = journal;
    return true;
}

bool SimNetwork::ReadChanges(const std::vector<std::string>& lines, std::size_t firstLine, Network& net,
                             bool quiet) const {
    LoadError error;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Json change;
        const std::string& line = lines[i];
        bool ok = NestingDepth(line, kMaxNesting) <= kMaxNesting;
        if (ok) {
            change = Json::parse(line, nullptr, false);
            ok = !change.is_discarded();
        }
        if (!ok) {
            error.what = "not a change";
        } else {
            ok = ApplyChange(change, net, error);
        }
        if (!ok) {
            if (!quiet) {
                error.place = "line " + std::to_string(firstLine + i);
                Diagnose(error, JournalPath(m_path));
            }
            return false;
        }
    }
    return true;
}

bool SimNetwork::ReplayJournal(const DescriptionId& id, Network& net, JournalState& journal,
                               bool quiet) const {
    JournalText read;
    if (!ReadJournal(JournalPath(m_path), id, 0, read)) {
        if (!quiet) Diagnose(LoadError{"", "cannot read the file"}, JournalPath(m_path));
        return false;
    }
    if (read.damagedLine) {
        if (!quiet) Diagnose(LoadError{"line 1", "not a change journal"}, JournalPath(m_path));
        return false;
    }
    journal = JournalState{};
    journal.stamp = read.stamp;
    if (!read.belongs) return true;
    if (!ReadChanges(read.lines, 2, net, quiet)) return false;
    journal.belongs = true;
    journal.end = read.end;
    journal.lines = read.lines.size();
    return true;
}

NWCode SimNetwork::LoadFirst() {
    if (m_options.networkPath.empty() && !StampOf(m_path).exists) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), ec);
        DescriptionLock lock(m_path);
        if (!StampOf(m_path).exists) {
            // A journal left from a demo that was removed belongs to nothing.
            ::unlink(JournalPath(m_path).c_str());
            ReplaceFile(m_path, DemoNetworkDescription(), m_path + ".tmp");
        }
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
    if (!now.exists) return;
    if (!(now == m_stamp)) {
        if (!LoadFromDisk(now == m_badStamp)) m_badStamp = now;
        return;
    }
    FileStamp journal = StampOf(JournalPath(m_path));
    if (journal == m_journal.stamp) return;
    if (!CatchUp(journal == m_badJournal)) m_badJournal = journal;
}

bool SimNetwork::CatchUp(bool quiet) {
    const std::string path = JournalPath(m_path);
    const FileStamp& known = m_journal.stamp;
    FileStamp now = StampOf(path);
    if (now == known) return true;
    // The same file grown: only the changes appended since are read.
    const bool grown = now.exists && known.exists && now.device == known.device && now.inode == known.inode &&
                       static_cast<std::size_t>(now.size) >= m_journal.end && m_journal.belongs;
    if (!grown && m_journal.lines > 0) return LoadFromDisk(quiet);
    JournalText read;
    if (!ReadJournal(path, m_id, grown ? m_journal.end : 0, read)) return LoadFromDisk(quiet);
    if (read.damagedLine) {
        if (!quiet) Diagnose(LoadError{"line 1", "not a change journal"}, path);
        return false;
    }
    if (!read.belongs) {
        // A journal gone or of another text since the description was
        // looked at: a fold-back may have replaced both meanwhile.
        if (!(StampOf(m_path) == m_stamp)) return LoadFromDisk(quiet);
        m_journal = JournalState{};
        m_journal.stamp = read.stamp;
        return true;
    }
    const std::size_t first = grown ? m_journal.lines + 2 : 2;
    const std::size_t before = m_net.faults.size();
    bool ok = ReadChanges(read.lines, first, m_net, quiet);
    if (m_net.faults.size() != before) m_faultState.assign(m_net.faults.size(), FaultState{});
    if (!ok) return false;
    m_journal.belongs = true;
    m_journal.stamp = read.stamp;
    m_journal.end = read.end;
    m_journal.lines = (grown ? m_journal.lines : 0) + read.lines.size();
    return true;
}

bool SimNetwork::Refresh() {
    FileStamp now = StampOf(m_path);
    if (!(now == m_stamp)) return LoadFromDisk(false);
    return CatchUp(false);
}

NWCode SimNetwork::Change(const std::function<NWCode(Json&)>& change) {
    NWCode rc = Commit([&](std::vector<Json>& changes) -> NWCode {
        Json doc = m_net.sections;
        NWCode rc = change(doc);
        if (rc != 0) return rc;
        // A look at doc["servers"] leaves a null member behind: not a change.
        for (const char* bulk : {"servers", "trees"}) {
            if (doc.is_object() && doc.contains(bulk) && doc[bulk].is_null()) doc.erase(bulk);
        }
        if (!doc.is_object() || doc.contains("servers") || doc.contains("trees")) {
            std::fprintf(stderr, "nwsim: %s: a change of the servers or trees must be a kind of its own\n",
                         m_path.c_str());
            return nwcode::kDescriptionUnreadable;
        }
        for (auto it = doc.begin(); it != doc.end(); ++it) {
            auto was = m_net.sections.find(it.key());
            if (was == m_net.sections.end() || *was != it.value())
                changes.push_back(Json{{"change", "set"}, {"key", it.key()}, {"value", it.value()}});
        }
        for (auto it = m_net.sections.begin(); it != m_net.sections.end(); ++it) {
            if (!doc.contains(it.key())) changes.push_back(Json{{"change", "remove"}, {"key", it.key()}});
        }
        return changes.empty() ? kNothingToRecord : nwcode::kSuccess;
    });
    return rc == kNothingToRecord ? nwcode::kSuccess : rc;
}

NWCode SimNetwork::Commit(const std::function<NWCode(std::vector<Json>&)>& make) {
    std::vector<Json> changes;
    if (m_options.readOnly) {
        NWCode rc = make(changes);
        if (rc != 0) return rc;
        return Apply(changes) ? (m_changedInMemory = true, nwcode::kSuccess) : nwcode::kDescriptionUnreadable;
    }
    DescriptionLock lock(m_path);
    // Without the lock another program's change could be written over.
    if (!lock.Held()) {
        std::fprintf(stderr, "nwsim: %s: cannot lock the description for a change\n", m_path.c_str());
        return nwcode::kDescriptionUnreadable;
    }
    if (!Refresh()) return nwcode::kDescriptionUnreadable;
    NWCode rc = make(changes);
    if (rc != 0) return rc;
    if (changes.empty()) return nwcode::kSuccess;
    // A change of the workstation, the faults or the latency is tried on
    // those alone first: one that does not build is refused, never recorded
    // for every later load to trip over.
    Network trial;
    trial.sections = m_net.sections;
    for (const Json& change : changes) {
        LoadError error;
        const Json& kind = change["change"];
        if ((kind == "set" || kind == "remove") && !ApplyChange(change, trial, error)) {
            Diagnose(error);
            return nwcode::kDescriptionUnreadable;
        }
    }
    // The directory is listed once a run; the names this program uses are
    // removed at every change.
    RemoveLeftovers(m_path, !m_swept);
    m_swept = true;
    std::vector<std::string> lines;
    for (const Json& change : changes)
        lines.push_back(change.dump(-1, ' ', false, Json::error_handler_t::replace));
    // A small description costs less to write whole than to keep a journal
    // beside it, and shows every change to whoever opens it.
    if (m_descriptionBytes < kJournalFrom) {
        if (!FoldBack(lines)) return nwcode::kDescriptionUnreadable;
        return Apply(changes) ? nwcode::kSuccess : nwcode::kDescriptionUnreadable;
    }
    const std::string journal = JournalPath(m_path);
    std::size_t end = AppendJournal(journal, m_id, m_journal.belongs, m_journal.end, lines);
    if (end == 0) {
        std::fprintf(stderr, "nwsim: %s: cannot write the change journal\n", journal.c_str());
        return nwcode::kDescriptionUnreadable;
    }
    if (!m_journal.belongs) m_journal = JournalState{};
    m_journal.belongs = true;
    m_journal.end = end;
    m_journal.lines += lines.size();
    m_journal.stamp = StampOf(journal);
    if (!Apply(changes)) return nwcode::kDescriptionUnreadable;
    // The change is on disk either way: a fold-back that fails is tried
    // again at the next change.
    if (m_journal.end > m_descriptionBytes / kFoldShare) FoldBack({});
    return nwcode::kSuccess;
}

bool SimNetwork::Apply(const std::vector<Json>& changes) {
    const std::size_t before = m_net.faults.size();
    LoadError error;
    bool ok = true;
    for (const Json& change : changes) {
        if (!ApplyChange(change, m_net, error)) {
            Diagnose(error);
            ok = false;
            break;
        }
    }
    if (m_net.faults.size() != before) m_faultState.assign(m_net.faults.size(), FaultState{});
    return ok;
}

bool SimNetwork::FoldBack(const std::vector<std::string>& pending) {
    const std::string journalPath = JournalPath(m_path);
    std::string text;
    if (!ReadWholeFile(m_path, text)) {
        Diagnose(LoadError{"", "cannot read the file"});
        return false;
    }
    JournalText journal;
    if (!ReadJournal(journalPath, IdOf(text), 0, journal)) journal = JournalText{};
    std::vector<std::string> lines = journal.belongs ? std::move(journal.lines) : std::vector<std::string>{};
    lines.insert(lines.end(), pending.begin(), pending.end());
    std::vector<Json> changes;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        changes.push_back(Json::parse(lines[i], nullptr, false));
        const Json& change = changes.back();
        if (change.is_discarded() || !change.is_object() || !change.contains("change")) {
            Diagnose(LoadError{"line " + std::to_string(i + 2), "not a change"}, journalPath);
            return false;
        }
    }
    std::string folded;
    LoadError error;
    if (!FoldDescription(text, changes, folded, error)) {
        Diagnose(error, journalPath);
        return false;
    }
    changes.clear();
    if (!ReplaceFile(m_path, folded, m_path + ".tmp")) {
        std::fprintf(stderr, "nwsim: %s: cannot write the description back\n", m_path.c_str());
        return false;
    }
    // From here the journal names a text that is gone: whatever happens
    // next, it is ignored, and the description holds every change.
    ::unlink(journalPath.c_str());
    m_stamp = StampOf(m_path);
    m_id = IdOf(folded);
    m_descriptionBytes = folded.size();
    m_journal = JournalState{};
    return true;
}

NWCode SimNetwork::MatchFault(const char* name, const CallArgs& args) {
    if (m_net.latencyMicros) std::this_thread::sleep_for(std::chrono::microseconds(m_net.latencyMicros));
    if (m_net.faults.empty()) return nwcode::kSuccess;
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
    return Commit([&](std::vector<Json>& changes) -> NWCode {
        if (!m_net.serverByName.count(server)) return nwcode::kServerUnknown;
        changes.push_back(Json{{"change", "logins"}, {"server", OemToCharA(server)}, {"enabled", enable}});
        return nwcode::kSuccess;
    });
}

}  // namespace nwsim
