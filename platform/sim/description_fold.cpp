// Folding the journal back into the description: the description is parsed
// once and written out again with the changes in it, each change applied to
// the one connection, server or top-level member it touches. No document of
// the whole network is built, so a fold-back costs about what loading does.

#include <simdjson.h>

#include <map>
#include <unordered_map>

#include "platform/codepage.h"
#include "platform/sim/network_model.h"

namespace nwsim {

namespace {

using simdjson::dom::element;
using simdjson::dom::element_type;

void Quote(std::string_view text, std::string& out) {
    static const char* const kHex = "0123456789abcdef";
    out += '"';
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

bool IsContainer(const element& e) {
    return e.type() == element_type::ARRAY || e.type() == element_type::OBJECT;
}

bool IsEmpty(const element& e) {
    if (e.type() == element_type::ARRAY) {
        simdjson::dom::array array = e.get_array().value_unsafe();
        return array.begin() == array.end();
    }
    simdjson::dom::object object = e.get_object().value_unsafe();
    return object.begin() == object.end();
}

void Indent(std::size_t depth, std::string& out) {
    out.append(2 * depth, ' ');
}

// A value as readable JSON: containers one member to a line, except a short
// one holding no containers, which stays on one line.
void Write(const element& e, std::size_t depth, std::string& out) {
    if (e.type() == element_type::STRING) {
        Quote(e.get_string().value_unsafe(), out);
        return;
    }
    if (!IsContainer(e)) {
        out += simdjson::minify(e);
        return;
    }
    const bool isArray = e.type() == element_type::ARRAY;
    std::vector<std::pair<std::string_view, element>> members;
    if (isArray) {
        simdjson::dom::array array = e.get_array().value_unsafe();
        for (element child : array) members.emplace_back(std::string_view(), child);
    } else {
        simdjson::dom::object object = e.get_object().value_unsafe();
        for (simdjson::dom::key_value_pair kv : object) members.emplace_back(kv.key, kv.value);
    }
    if (members.empty()) {
        out += isArray ? "[]" : "{}";
        return;
    }
    bool flat = true;
    for (const auto& member : members) flat = flat && (!IsContainer(member.second) || IsEmpty(member.second));
    if (flat) {
        std::string line = simdjson::minify(e);
        if (line.size() <= 100) {
            out += line;
            return;
        }
    }
    out += isArray ? "[\n" : "{\n";
    for (std::size_t i = 0; i < members.size(); ++i) {
        Indent(depth + 1, out);
        if (!isArray) {
            Quote(members[i].first, out);
            out += ": ";
        }
        Write(members[i].second, depth + 1, out);
        out += i + 1 < members.size() ? ",\n" : "\n";
    }
    Indent(depth, out);
    out += isArray ? ']' : '}';
}

void WriteJson(const Json& value, std::size_t depth, std::string& out) {
    std::string text = value.dump(2, ' ', false, Json::error_handler_t::replace);
    // Indented as deep as the member it is the value of.
    std::string pad = "\n" + std::string(2 * depth, ' ');
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + pad.size()))
        text.replace(at, 1, pad);
    out += text;
}

struct ServerChanges {
    std::optional<bool> logins;
    std::unordered_map<std::uint64_t, std::vector<const Json*>> byConnection;
};

std::string ServerKey(std::string_view name) {
    return Upper(CharToOemA(name));
}

class Folder final {
public:
    explicit Folder(const std::vector<Json>& changes) {
        for (const Json& change : changes) {
            const std::string& kind = change["change"].get_ref<const std::string&>();
            if (kind == "set" || kind == "remove") {
                m_sectionChanges.push_back(&change);
                continue;
            }
            ServerChanges& s = m_servers[ServerKey(change["server"].get_ref<const std::string&>())];
            // Counted as they will be applied: a server's logins once, a
            // message once for each connection it went to.
            if (kind == "logins") {
                m_pending += s.logins ? 0 : 1;
                s.logins = change["enabled"].get<bool>();
            } else if (kind == "message") {
                for (const Json& n : change["connections"]) {
                    s.byConnection[n.get<std::uint64_t>()].push_back(&change);
                    ++m_pending;
                }
            } else {
                s.byConnection[change["connection"].get<std::uint64_t>()].push_back(&change);
                ++m_pending;
            }
        }
    }

    bool Fold(const element& root, std::string& out, std::string& why) {
        if (root.type() != element_type::OBJECT) {
            why = "the description is not a JSON object";
            return false;
        }
        simdjson::dom::object object = root.get_object().value_unsafe();
        // The members a change may replace whole, as they will stand.
        Json sections = Json::object();
        for (simdjson::dom::key_value_pair kv : object) {
            if (kv.key != "servers" && kv.key != "trees")
                sections[std::string(kv.key)] = Json::parse(simdjson::minify(kv.value), nullptr, false);
        }
        for (const Json* change : m_sectionChanges) {
            const std::string& key = (*change)["key"].get_ref<const std::string&>();
            if ((*change)["change"] == "set") {
                sections[key] = (*change)["value"];
            } else {
                sections.erase(key);
            }
        }
        out += "{\n";
        bool first = true;
        auto member = [&](std::string_view key) {
            out += first ? "" : ",\n";
            first = false;
            Indent(1, out);
            Quote(key, out);
            out += ": ";
        };
        for (simdjson::dom::key_value_pair kv : object) {
            if (kv.key == "servers") {
                member(kv.key);
                if (!WriteServers(kv.value, out, why)) return false;
            } else if (kv.key == "trees") {
                member(kv.key);
                Write(kv.value, 1, out);
            } else if (auto it = sections.find(std::string(kv.key)); it != sections.end()) {
                member(kv.key);
                WriteJson(*it, 1, out);
                sections.erase(it);
            }
        }
        for (auto it = sections.begin(); it != sections.end(); ++it) {
            member(it.key());
            WriteJson(it.value(), 1, out);
        }
        out += "\n}\n";
        if (m_applied != m_pending) {
            why = "a change of a server or connection the description does not have";
            return false;
        }
        return true;
    }

private:
    bool WriteServers(const element& servers, std::string& out, std::string& why) {
        if (servers.type() != element_type::ARRAY) {
            Write(servers, 1, out);
            return true;
        }
        simdjson::dom::array array = servers.get_array().value_unsafe();
        out += "[\n";
        bool first = true;
        for (element server : array) {
            out += first ? "" : ",\n";
            first = false;
            Indent(2, out);
            ServerChanges* changes = nullptr;
            std::string_view name;
            if (server.type() == element_type::OBJECT && server["name"].get(name) == simdjson::SUCCESS) {
                auto it = m_servers.find(ServerKey(name));
                if (it != m_servers.end()) changes = &it->second;
            }
            if (!changes) {
                Write(server, 2, out);
                continue;
            }
            if (!WriteServer(server, *changes, out, why)) return false;
        }
        out += "\n  ]";
        return true;
    }

    bool WriteServer(const element& server, ServerChanges& changes, std::string& out, std::string& why) {
        simdjson::dom::object object = server.get_object().value_unsafe();
        out += "{\n";
        bool first = true;
        bool loginsWritten = false;
        auto member = [&](std::string_view key) {
            out += first ? "" : ",\n";
            first = false;
            Indent(3, out);
            Quote(key, out);
            out += ": ";
        };
        for (simdjson::dom::key_value_pair kv : object) {
            member(kv.key);
            if (kv.key == "loginsEnabled" && changes.logins) {
                out += *changes.logins ? "true" : "false";
                loginsWritten = true;
            } else if (kv.key == "connections" && kv.value.type() == element_type::ARRAY) {
                if (!WriteConnections(kv.value, changes, out, why)) return false;
            } else {
                Write(kv.value, 3, out);
            }
        }
        if (changes.logins) {
            if (!loginsWritten) {
                member("loginsEnabled");
                out += *changes.logins ? "true" : "false";
            }
            ++m_applied;
        }
        out += "\n";
        Indent(2, out);
        out += "}";
        return true;
    }

    // One connection to a line; those with changes go through a small
    // document of their own.
    bool WriteConnections(const element& list, ServerChanges& changes, std::string& out, std::string& why) {
        simdjson::dom::array array = list.get_array().value_unsafe();
        out += "[\n";
        bool first = true;
        for (element connection : array) {
            std::uint64_t number = 0;
            auto it = connection.type() == element_type::OBJECT &&
                              connection["number"].get(number) == simdjson::SUCCESS
                          ? changes.byConnection.find(number)
                          : changes.byConnection.end();
            std::string line;
            if (it == changes.byConnection.end()) {
                line = simdjson::minify(connection);
            } else {
                Json c = Json::parse(simdjson::minify(connection), nullptr, false);
                bool cleared = false;
                for (const Json* change : it->second) {
                    const Json& kind = (*change)["change"];
                    if (kind == "clear") {
                        cleared = true;
                    } else if (kind == "close") {
                        Json& opens = c["open"];
                        for (const Json& i : (*change)["opens"]) {
                            if (!opens.is_array() || i.get<std::size_t>() >= opens.size()) {
                                why = "no open " + i.dump() + " of connection " + std::to_string(number);
                                return false;
                            }
                            opens.erase(opens.begin() + i.get<std::ptrdiff_t>());
                        }
                    } else {
                        Json& inbox = c["inbox"];
                        if (!inbox.is_array()) inbox = Json::array();
                        inbox.push_back((*change)["text"]);
                    }
                    ++m_applied;
                }
                changes.byConnection.erase(it);
                if (cleared) continue;
                line = c.dump(-1, ' ', false, Json::error_handler_t::replace);
            }
            out += first ? "" : ",\n";
            first = false;
            Indent(4, out);
            out += line;
        }
        out += first ? "]" : "\n      ]";
        return true;
    }

    std::vector<const Json*> m_sectionChanges;
    std::map<std::string, ServerChanges> m_servers;
    std::size_t m_pending = 0;
    std::size_t m_applied = 0;
};

}  // namespace

bool FoldDescription(std::string& text, const std::vector<Json>& changes, std::string& out,
                     LoadError& error) {
    simdjson::dom::document doc;
    if (!ParseToDocument(text, doc, error)) return false;
    Folder folder(changes);
    out.clear();
    std::string why;
    try {
        if (folder.Fold(doc.root(), out, why)) return true;
    } catch (const Json::exception& e) {
        why = e.what();
    }
    error.place.clear();
    error.what = why;
    return false;
}

}  // namespace nwsim
