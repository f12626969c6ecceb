// The changes a program makes to the network, applied to the model
// (description_fold.cpp writes them into the description). Each touches only
// what it changes: a cleared connection leaves its place in the table empty
// rather than moving every later connection, so the indexes of the other
// opens stay as they are.

#include <algorithm>

#include "platform/codepage.h"
#include "platform/sim/network_model.h"

namespace nwsim {

namespace {

std::uint64_t FileKey(const Open& open) {
    return (static_cast<std::uint64_t>(open.volume) << 32) | open.entry;
}

// Every index entry of connection c on the files it has open, taken out.
void UnindexConnection(Server& s, std::uint32_t c) {
    for (const Open& open : s.connections[c].opens) {
        const std::uint64_t key = FileKey(open);
        if (auto it = s.opensByFile.find(key); it != s.opensByFile.end()) {
            std::erase_if(it->second, [c](const OpenRef& r) { return r.connection == c; });
            if (it->second.empty()) s.opensByFile.erase(it);
        }
        if (open.locks.empty()) continue;
        if (auto it = s.locksByFile.find(key); it != s.locksByFile.end()) {
            std::erase_if(it->second, [c](const LockRef& r) { return r.connection == c; });
            if (it->second.empty()) s.locksByFile.erase(it);
        }
    }
}

// Connection c's opens put back into the file indexes, each list kept in
// table order: connection, then the open's place in the connection.
void IndexConnection(Server& s, std::uint32_t c) {
    const Connection& conn = s.connections[c];
    for (std::uint32_t o = 0; o < conn.opens.size(); ++o) {
        const Open& open = conn.opens[o];
        const std::uint64_t key = FileKey(open);
        std::vector<OpenRef>& opens = s.opensByFile[key];
        auto at = std::find_if(opens.begin(), opens.end(), [&](const OpenRef& r) {
            return r.connection > c || (r.connection == c && r.open > o);
        });
        opens.insert(at, OpenRef{c, o});
        if (open.locks.empty()) continue;
        std::vector<LockRef>& locks = s.locksByFile[key];
        auto lat = std::find_if(locks.begin(), locks.end(), [&](const LockRef& r) {
            return r.connection > c || (r.connection == c && r.open > o);
        });
        std::vector<LockRef> mine;
        for (std::uint32_t l = 0; l < open.locks.size(); ++l) mine.push_back(LockRef{c, o, l});
        locks.insert(lat, mine.begin(), mine.end());
    }
}

bool Fail(LoadError& error, const std::string& what) {
    error.place.clear();
    error.what = what;
    return false;
}

std::string ServerKey(const Json& change) {
    const Json* name = change.is_object() && change.contains("server") ? &change["server"] : nullptr;
    return name && name->is_string() ? Upper(CharToOemA(name->get_ref<const std::string&>())) : std::string();
}

// A whole number from the change, or nothing when it is not one.
std::optional<std::uint64_t> Whole(const Json& change, const char* key) {
    auto it = change.find(key);
    if (it == change.end() || !it->is_number_unsigned()) return std::nullopt;
    return it->get<std::uint64_t>();
}

bool IsSectionKey(const Json& key) {
    return key.is_string() && key != "servers" && key != "trees";
}

}  // namespace

bool ApplyChange(const Json& change, Network& net, LoadError& error) {
    if (!change.is_object() || !change.contains("change") || !change["change"].is_string())
        return Fail(error, "not a change");
    const std::string& kind = change["change"].get_ref<const std::string&>();
    if (kind == "set" || kind == "remove") {
        auto key = change.find("key");
        if (key == change.end() || !IsSectionKey(*key)) return Fail(error, "a change of no known member");
        Json before = net.sections;
        if (kind == "set") {
            if (!change.contains("value")) return Fail(error, "a change without its value");
            net.sections[key->get_ref<const std::string&>()] = change["value"];
        } else {
            net.sections.erase(key->get_ref<const std::string&>());
        }
        if (!RebuildSections(net, error)) {
            net.sections = std::move(before);
            return false;
        }
        return true;
    }
    Server* s = net.ServerByName(ServerKey(change));
    if (!s) return Fail(error, "a change on a server that does not exist");
    if (kind == "logins") {
        auto enabled = change.find("enabled");
        if (enabled == change.end() || !enabled->is_boolean())
            return Fail(error, "a login switch without its state");
        s->loginsEnabled = enabled->get<bool>();
        return true;
    }
    if (kind == "message") {
        auto list = change.find("connections");
        if (list == change.end() || !list->is_array() || !change.contains("text") ||
            !change["text"].is_string())
            return Fail(error, "a message without its connections or text");
        for (const Json& n : *list) {
            if (!n.is_number_unsigned() || !s->ConnectionByNumber(n.get<std::uint32_t>()))
                return Fail(error, "a message to a connection not in use");
        }
        return true;  // messages are kept in the description only
    }
    std::optional<std::uint64_t> number = Whole(change, "connection");
    auto found = number && *number <= 0xFFFF ? s->connectionByNumber.find(static_cast<std::uint16_t>(*number))
                                             : s->connectionByNumber.end();
    if (found == s->connectionByNumber.end()) return Fail(error, "a change of a connection not in use");
    const std::uint32_t c = found->second;
    if (kind == "clear") {
        UnindexConnection(*s, c);
        Connection& conn = s->connections[c];
        conn.opens.clear();
        conn.opens.shrink_to_fit();
        s->connectionByNumber.erase(found);
        return true;
    }
    if (kind == "close") {
        auto list = change.find("opens");
        if (list == change.end() || !list->is_array() || list->empty())
            return Fail(error, "a close without its opens");
        Connection& conn = s->connections[c];
        std::size_t previous = conn.opens.size();
        for (const Json& i : *list) {
            if (!i.is_number_unsigned() || i.get<std::uint64_t>() >= previous)
                return Fail(error, "a close of an open that is not there");
            previous = i.get<std::size_t>();
        }
        UnindexConnection(*s, c);
        for (const Json& i : *list) conn.opens.erase(conn.opens.begin() + i.get<std::ptrdiff_t>());
        IndexConnection(*s, c);
        return true;
    }
    return Fail(error, "an unknown kind of change: " + kind);
}

}  // namespace nwsim
