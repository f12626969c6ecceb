#include "platform/sim/network_model.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <unordered_set>

#include <simdjson.h>

#include "platform/codepage.h"

namespace nwsim {

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

namespace {

char UpperChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool Is83Char(unsigned char c) {
    if (c >= 0x80) return true;
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    return std::strchr("!#$%&'()-@^_`{}~", c) != nullptr && c != 0;
}

}  // namespace

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (UpperChar(a[i]) != UpperChar(b[i])) return false;
    }
    return true;
}

bool HasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*") return true;
    // "NAME." names the file with no extension, as DOS has it.
    if (pattern.size() > 1 && pattern.back() == '.' && pattern != ".." &&
        name.find('.') == std::string_view::npos)
        return WildcardMatch(pattern.substr(0, pattern.size() - 1), name);
    // Greedy match with one backtrack point: linear in practice.
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || UpperChar(pattern[p]) == UpperChar(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    // "NAME.*" also matches "NAME" with no extension, as DOS does.
    if (p + 2 == pattern.size() && pattern[p] == '.' && pattern[p + 1] == '*') return true;
    return p == pattern.size();
}

bool IsValid83(std::string_view name) {
    std::size_t dot = name.find('.');
    std::string_view base = name.substr(0, dot);
    std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
    if (dot != std::string_view::npos && ext.empty()) return false;
    for (unsigned char c : base) {
        if (!Is83Char(c)) return false;
    }
    for (unsigned char c : ext) {
        if (!Is83Char(c)) return false;
    }
    return true;
}

std::uint32_t Entry::Attributes() const {
    std::uint32_t a = 0;
    if (readOnly) a |= kAttrReadOnly;
    if (hidden) a |= kAttrHidden;
    if (system) a |= kAttrSystem;
    a |= directory ? kAttrDirectory : kAttrArchive;
    return a;
}

std::uint64_t Volume::NameHash(std::uint32_t dir, std::string_view name) {
    std::uint64_t h = 0xCBF29CE484222325ull ^ (static_cast<std::uint64_t>(dir) * 0x9E3779B97F4A7C15ull);
    for (char c : name) {
        h ^= static_cast<unsigned char>(UpperChar(c));
        h *= 0x100000001B3ull;
    }
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 32);
}

std::uint32_t Volume::Find(std::uint32_t dir, std::string_view name) const {
    if (m_slots.empty()) return kNoEntry;
    const std::uint64_t h = NameHash(dir, name);
    const std::uint64_t tag = h >> 32;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t pos = h & mask;; pos = (pos + 1) & mask) {
        const std::uint64_t slot = m_slots[pos];
        if (slot == 0) return kNoEntry;
        if ((slot >> 32) != tag) continue;
        const std::uint32_t entry = static_cast<std::uint32_t>(slot & 0xFFFFFFFF) >> 1;
        const Entry& e = entries[entry];
        if (e.parent == dir && EqualNoCase((slot & 1) ? e.dos : e.name, name)) return entry;
    }
}

void Volume::ReserveNames(std::size_t names) {
    std::size_t size = 16;
    while (size < names * 2) size *= 2;
    if (size <= m_slots.size()) return;
    std::vector<std::uint64_t> old = std::move(m_slots);
    m_slots.assign(size, 0);
    const std::size_t mask = size - 1;
    for (std::uint64_t slot : old) {
        if (slot == 0) continue;
        const std::uint32_t entry = static_cast<std::uint32_t>(slot & 0xFFFFFFFF) >> 1;
        const Entry& e = entries[entry];
        const std::uint64_t h = NameHash(e.parent, (slot & 1) ? e.dos : e.name);
        std::size_t pos = h & mask;
        while (m_slots[pos] != 0) pos = (pos + 1) & mask;
        m_slots[pos] = slot;
    }
}

void Volume::Grow() {
    ReserveNames(m_names + 1 > m_slots.size() / 2 ? m_names * 2 + 8 : m_names);
}

bool Volume::AddName(std::uint32_t entry, bool dos) {
    const Entry& e = entries[entry];
    const std::string& name = dos ? e.dos : e.name;
    if (Find(e.parent, name) != kNoEntry) return false;
    if ((m_names + 1) * 2 > m_slots.size()) Grow();
    const std::uint64_t h = NameHash(e.parent, name);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t pos = h & mask;
    while (m_slots[pos] != 0) pos = (pos + 1) & mask;
    m_slots[pos] = (h >> 32) << 32 | static_cast<std::uint64_t>(entry) << 1 | (dos ? 1 : 0);
    ++m_names;
    return true;
}

std::vector<const std::string*> Volume::PathOf(std::uint32_t entry, bool dosNames) const {
    std::vector<const std::string*> parts;
    while (entry != 0 && entry < entries.size()) {
        parts.push_back(dosNames ? &entries[entry].dos : &entries[entry].name);
        entry = entries[entry].parent;
    }
    std::reverse(parts.begin(), parts.end());
    return parts;
}

const Volume* Server::VolumeByName(std::string_view name, std::uint32_t* indexOut) const {
    for (std::uint32_t i = 0; i < volumes.size(); ++i) {
        if (EqualNoCase(volumes[i].name, name)) {
            if (indexOut) *indexOut = i;
            return &volumes[i];
        }
    }
    return nullptr;
}

const Volume* Server::VolumeByNumber(std::uint32_t number) const {
    for (const Volume& v : volumes) {
        if (v.number == number) return &v;
    }
    return nullptr;
}

const Connection* Server::ConnectionByNumber(std::uint32_t number) const {
    auto it = connectionByNumber.find(static_cast<std::uint16_t>(number));
    if (number > 0xFFFF || it == connectionByNumber.end()) return nullptr;
    return &connections[it->second];
}

const std::vector<OpenRef>& Server::OpensOf(std::uint32_t volume, std::uint32_t entry) const {
    static const std::vector<OpenRef> none;
    auto it = opensByFile.find((static_cast<std::uint64_t>(volume) << 32) | entry);
    return it == opensByFile.end() ? none : it->second;
}

const std::vector<LockRef>& Server::LocksOf(std::uint32_t volume, std::uint32_t entry) const {
    static const std::vector<LockRef> none;
    auto it = locksByFile.find((static_cast<std::uint64_t>(volume) << 32) | entry);
    return it == locksByFile.end() ? none : it->second;
}

const Server* Network::ServerByName(std::string_view name) const {
    auto it = serverByName.find(Upper(name));
    return it == serverByName.end() ? nullptr : &servers[it->second];
}

bool SplitVolumePath(std::string_view path, std::string& volume, std::vector<std::string>& components) {
    std::size_t colon = path.find(':');
    if (colon == std::string_view::npos) return false;
    std::string_view head = path.substr(0, colon);
    std::size_t sep = head.find_last_of("\\/");
    if (sep != std::string_view::npos) head = head.substr(sep + 1);
    if (head.empty()) return false;
    volume.assign(head);
    components.clear();
    std::string_view rest = path.substr(colon + 1);
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = rest.size();
        if (end > start) components.emplace_back(rest.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

NWCode Locate(const Server& server, std::string_view path,
              const std::optional<std::pair<std::uint32_t, std::uint32_t>>& base, Located& out) {
    std::string volumeName;
    std::vector<std::string> parts;
    std::uint32_t volume = 0;
    std::uint32_t dir = 0;
    if (SplitVolumePath(path, volumeName, parts)) {
        if (!server.VolumeByName(volumeName, &volume)) return nwcode::kNoSuchVolume;
    } else if (base) {
        volume = base->first;
        dir = base->second;
        std::string withVolume = "V:" + std::string(path);
        SplitVolumePath(withVolume, volumeName, parts);
    } else {
        return nwcode::kBadPathSyntax;
    }
    const Volume& v = server.volumes[volume];
    out.volume = volume;
    out.last.clear();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (i + 1 == parts.size() && part != "." && part != "..") {
            out.last = part;
            break;
        }
        if (part == ".") continue;
        if (part == "..") {
            dir = v.entries[dir].parent;
            continue;
        }
        std::uint32_t next = v.Find(dir, part);
        if (next == kNoEntry || !v.entries[next].directory) return nwcode::kNoSuchDirectory;
        dir = next;
    }
    out.directory = dir;
    return nwcode::kSuccess;
}

bool ParseLoginTime(std::string_view text, NWLoginTime& time) {
    int y, mo, d, h, mi, s;
    char tail;
    std::string copy(text);
    if (std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
        return false;
    if (y < 1900 || y > 2155 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60 ||
        h < 0 || mi < 0 || s < 0)
        return false;
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = 12;
    time_t t = timegm(&tm);
    std::tm check{};
    gmtime_r(&t, &check);
    if (check.tm_mday != d) return false;  // 31 February and the like
    time = NWLoginTime{static_cast<std::uint8_t>(y - 1900),
                       static_cast<std::uint8_t>(mo),
                       static_cast<std::uint8_t>(d),
                       static_cast<std::uint8_t>(h),
                       static_cast<std::uint8_t>(mi),
                       static_cast<std::uint8_t>(s),
                       static_cast<std::uint8_t>(check.tm_wday)};
    return true;
}

// ---------------------------------------------------------------------------
// Loading

std::size_t NestingDepth(std::string_view text, std::size_t limit) {
    // Strings and comments are stepped over so that a bracket inside them
    // does not count; anything malformed is left for the parser to name.
    std::size_t depth = 0;
    std::size_t deepest = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') ++i;
            }
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            std::size_t end = text.find('\n', i);
            i = end == std::string_view::npos ? text.size() : end;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            std::size_t end = text.find("*/", i + 2);
            i = end == std::string_view::npos ? text.size() : end + 1;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
            if (deepest > limit) return deepest;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

bool ParseDescription(const std::string& text, Json& doc, LoadError& error) {
    // Copying, writing, reading and even growing a document recurse once per
    // level: a description nested without end is refused before the parser
    // builds anything from it.
    if (NestingDepth(text, kMaxNesting) > kMaxNesting) {
        error.place.clear();
        error.what = "nested deeper than " + std::to_string(kMaxNesting) + " levels";
        return false;
    }
    try {
        doc = Json::parse(text, nullptr, true, true);
    } catch (const Json::parse_error& e) {
        std::size_t byte = e.byte == 0 ? 0 : e.byte - 1;
        if (byte > text.size()) byte = text.size();
        std::size_t line = 1, column = 1;
        for (std::size_t i = 0; i < byte; ++i) {
            if (text[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        error.place = "line " + std::to_string(line) + ", column " + std::to_string(column);
        std::string what = e.what();
        std::size_t at = what.find("column ");
        at = at == std::string::npos ? std::string::npos : what.find(": ", at);
        error.what = at == std::string::npos ? "syntax error" : what.substr(at + 2);
        return false;
    } catch (const Json::exception& e) {
        error.place.clear();
        error.what = e.what();
        return false;
    }
    return true;
}

namespace {

bool ParseAddress(std::string_view text, NWStationAddress& address) {
    address = NWStationAddress{};
    unsigned a, b, c, d;
    char tail;
    std::string copy(text);
    if (std::sscanf(copy.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) == 4) {
        if (a > 255 || b > 255 || c > 255 || d > 255) return false;
        if (copy.find_first_not_of("0123456789.") != std::string::npos) return false;
        address.network[0] = static_cast<std::uint8_t>(a);
        address.network[1] = static_cast<std::uint8_t>(b);
        address.network[2] = static_cast<std::uint8_t>(c);
        address.network[3] = static_cast<std::uint8_t>(d);
        address.connType = kConnTypeIP;
        return true;
    }
    if (text.size() != 21 || text[8] != ':') return false;
    auto hex = [](char ch) -> int {
        if (ch >= '0' && ch <= '9') return ch - '0';
        if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
        if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
        return -1;
    };
    std::uint8_t bytes[10];
    std::size_t k = 0;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        if (i == 8) i = 9;
        int hi = hex(text[i]), lo = hex(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes[k++] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    std::memcpy(address.network, bytes, 4);
    std::memcpy(address.node, bytes + 4, 6);
    address.connType = kConnTypeIPX;
    return true;
}

constexpr std::uint64_t kMaxLatencyMicros = 10'000'000;

// The scans hand their position back in a signed 16-bit iterator, so a list
// longer than that could never be stepped through to its end.
constexpr std::size_t kMaxOpensOfAFile = 0x7FFF;
constexpr std::size_t kMaxLocksOnAFile = 0x7FFF;
constexpr std::size_t kMaxOpensOfAConnection = 0x7FFE;

// A server keeps a name of at most 255 characters; a control character is
// no part of any name.
constexpr std::size_t kMaxNameLength = 255;
bool HasControl(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// A read-only view of one value of a parsed description, with the few
// questions the builder asks of it. Arrays are stepped through in order, so
// element i after element i-1 costs one step.
class Value final {
public:
    Value() = default;
    explicit Value(simdjson::dom::element e) : m_e(e) {}

    bool is_object() const { return m_e.type() == simdjson::dom::element_type::OBJECT; }
    bool is_array() const { return m_e.type() == simdjson::dom::element_type::ARRAY; }
    bool is_string() const { return m_e.type() == simdjson::dom::element_type::STRING; }
    bool is_boolean() const { return m_e.type() == simdjson::dom::element_type::BOOL; }
    bool is_number_integer() const {
        return m_e.type() == simdjson::dom::element_type::INT64 ||
               m_e.type() == simdjson::dom::element_type::UINT64;
    }
    // As a JSON reader that keeps whole numbers from 0 up apart from negative ones.
    bool is_number_unsigned() const {
        return m_e.type() == simdjson::dom::element_type::UINT64 ||
               (m_e.type() == simdjson::dom::element_type::INT64 && m_e.get_int64().value_unsafe() >= 0);
    }
    template <typename T>
    T get() const {
        if constexpr (std::is_same_v<T, bool>) {
            return m_e.get_bool().value_unsafe();
        } else if constexpr (std::is_signed_v<T>) {
            return static_cast<T>(m_e.type() == simdjson::dom::element_type::UINT64
                                      ? static_cast<std::int64_t>(m_e.get_uint64().value_unsafe())
                                      : m_e.get_int64().value_unsafe());
        } else {
            return static_cast<T>(m_e.type() == simdjson::dom::element_type::UINT64
                                      ? m_e.get_uint64().value_unsafe()
                                      : static_cast<std::uint64_t>(m_e.get_int64().value_unsafe()));
        }
    }
    std::string_view str() const { return m_e.get_string().value_unsafe(); }
    bool operator==(std::string_view text) const { return is_string() && str() == text; }

    std::optional<Value> find(std::string_view key) const {
        if (!is_object()) return std::nullopt;
        simdjson::dom::element found;
        simdjson::dom::object object = m_e.get_object().value_unsafe();
        if (object.at_key(key).get(found) != simdjson::SUCCESS) return std::nullopt;
        return Value(found);
    }
    bool contains(std::string_view key) const { return find(key).has_value(); }

    std::size_t size() const {
        if (is_array()) {
            simdjson::dom::array array = m_e.get_array().value_unsafe();
            return array.size();
        }
        if (is_object()) {
            simdjson::dom::object object = m_e.get_object().value_unsafe();
            return object.size();
        }
        return 0;
    }
    Value operator[](std::size_t i) const {
        simdjson::dom::array array = m_e.get_array().value_unsafe();
        if (!m_stepping || i < m_index) {
            m_at = array.begin();
            m_index = 0;
            m_stepping = true;
        }
        for (; m_index < i; ++m_index) ++m_at;
        return Value(*m_at);
    }
    std::vector<Value> elements() const {
        std::vector<Value> out;
        if (is_array()) {
            simdjson::dom::array array = m_e.get_array().value_unsafe();
            for (simdjson::dom::element e : array) out.emplace_back(e);
        }
        return out;
    }
    std::vector<std::pair<std::string, Value>> items() const {
        std::vector<std::pair<std::string, Value>> out;
        if (is_object()) {
            simdjson::dom::object object = m_e.get_object().value_unsafe();
            for (simdjson::dom::key_value_pair kv : object)
                out.emplace_back(std::string(kv.key), Value(kv.value));
        }
        return out;
    }
    simdjson::dom::element element() const { return m_e; }

private:
    simdjson::dom::element m_e;
    mutable simdjson::dom::array::iterator m_at;
    mutable std::size_t m_index = 0;
    mutable bool m_stepping = false;
};

// Text paths of opens, looked up without making a string of each.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
        return std::hash<std::string_view>()(text);
    }
};

// Reads one description into a Network, stopping at the first fault.
class Builder final {
public:
    Builder(Network& network, LoadError& error) : m_net(network), m_error(error) {}

    bool Build(const Value& doc) {
        if (!doc.is_object()) return Fail("", "the description is not a JSON object");
        if (!ReadTrees(doc)) return false;
        if (auto it = doc.find("servers")) {
            if (!it->is_array()) return Fail("servers", "expected an array");
            for (std::size_t i = 0; i < it->size(); ++i) {
                if (!ReadServer((*it)[i], "servers[" + std::to_string(i) + "]")) return false;
            }
        }
        for (const auto& [key, value] : doc.items()) {
            if (key == "servers" || key == "trees") continue;
            m_net.sections[key] = Json::parse(simdjson::minify(value.element()), nullptr, false);
        }
        return BuildSections(doc);
    }

    // The members a change may replace whole: the workstation, the faults
    // and the latency.
    bool BuildSections(const Value& doc) {
        if (!doc.is_object()) return Fail("", "the description is not a JSON object");
        if (!ReadWorkstation(doc)) return false;
        if (!ReadFaults(doc)) return false;
        if (auto it = doc.find("latencyMicros")) {
            // Every call sleeps this long: a value beyond any real round trip
            // would only make the programs hang.
            if (!(it->is_number_unsigned() || (it->is_number_integer() && it->get<std::int64_t>() >= 0)) ||
                it->get<std::uint64_t>() > kMaxLatencyMicros)
                return Fail("latencyMicros", "expected a number of microseconds from 0 to " +
                                                 std::to_string(kMaxLatencyMicros));
            m_net.latencyMicros = it->get<std::uint64_t>();
        }
        return true;
    }

private:
    bool Fail(std::string place, std::string what) {
        m_error.place = std::move(place);
        m_error.what = std::move(what);
        return false;
    }

    // A name from the description in the OEM code page; false (and the
    // error) when it has no code-page-850 form.
    // A place is its text, or (for the many opens and locks) a function that
    // makes the text, called only when a fault is reported there.
    static const std::string& Render(const std::string& place) { return place; }
    template <typename MakePlace>
    static std::string Render(const MakePlace& place) {
        return place();
    }

    template <typename Place>
    bool Oem(const Value& value, const Place& place, std::string& out) {
        if (!value.is_string()) return Fail(Render(place), "expected a string");
        return OemText(value.str(), place, out);
    }

    template <typename Place>
    bool OemText(std::string_view text, const Place& place, std::string& out) {
        out = CharToOemA(text);
        if (std::count(out.begin(), out.end(), '?') != std::count(text.begin(), text.end(), '?'))
            return Fail(Render(place), "name not representable in code page 850: " + std::string(text));
        return true;
    }

    bool Text(const Value& obj, const char* key, const std::string& place, std::string& out, bool required) {
        auto it = obj.find(key);
        if (!it) {
            if (required) return Fail(place, std::string("missing ") + key);
            return true;
        }
        return Oem(*it, Join(place, key), out);
    }

    bool Bool(const Value& obj, const char* key, const std::string& place, bool& out) {
        auto it = obj.find(key);
        if (!it) return true;
        if (!it->is_boolean()) return Fail(Join(place, key), "expected true or false");
        out = it->get<bool>();
        return true;
    }

    template <typename Place>
    bool Number(const Value& obj, const char* key, const Place& place, std::uint64_t max,
                std::optional<std::uint64_t>& out) {
        auto it = obj.find(key);
        if (!it) return true;
        if (!(it->is_number_unsigned() || (it->is_number_integer() && it->get<std::int64_t>() >= 0)) ||
            it->get<std::uint64_t>() > max)
            return Fail(Join(Render(place), key), "expected a whole number from 0 to " + std::to_string(max));
        out = it->get<std::uint64_t>();
        return true;
    }

    static std::string Join(const std::string& place, const std::string& key) {
        return place.empty() ? key : place + "." + key;
    }

    bool ReadTrees(const Value& doc) {
        auto it = doc.find("trees");
        if (!it) return true;
        if (!it->is_object()) return Fail("trees", "expected an object");
        for (auto& [treeKey, objects] : it->items()) {
            std::string place = "trees." + treeKey;
            Tree tree;
            if (!OemText(treeKey, place, tree.name)) return false;
            if (!objects.is_object()) return Fail(place, "expected an object");
            for (auto& [objectKey, object] : objects.items()) {
                std::string objectPlace = place + "." + objectKey;
                TreeObject o;
                if (!OemText(objectKey, objectPlace, o.name)) return false;
                if (!object.is_object()) return Fail(objectPlace, "expected an object");
                if (!Text(object, "password", objectPlace, o.password, false)) return false;
                if (auto f = object.find("Full Name")) {
                    std::vector<std::string> values;
                    std::string fplace = objectPlace + ".Full Name";
                    if (f->is_string()) {
                        values.emplace_back();
                        if (!Oem(*f, fplace, values.back())) return false;
                    } else if (f->is_array()) {
                        for (std::size_t i = 0; i < f->size(); ++i) {
                            values.emplace_back();
                            if (!Oem((*f)[i], fplace + "[" + std::to_string(i) + "]", values.back()))
                                return false;
                        }
                    } else {
                        return Fail(fplace, "expected a list of texts");
                    }
                    if (!values.empty()) o.fullName = std::move(values);
                }
                std::string key = Upper(o.name);
                if (!tree.objects.emplace(key, std::move(o)).second)
                    return Fail(objectPlace, "duplicate object name " + objectKey);
            }
            std::string key = Upper(tree.name);
            if (!m_net.trees.emplace(key, std::move(tree)).second)
                return Fail(place, "duplicate tree name " + treeKey);
        }
        return true;
    }

    bool ReadServer(const Value& s, const std::string& place) {
        if (!s.is_object()) return Fail(place, "expected an object");
        Server server;
        if (!Text(s, "name", place, server.name, true)) return false;
        server.name = Upper(server.name);
        if (server.name.empty() || server.name.find_first_of("\\/:*?. ") != std::string::npos ||
            HasControl(server.name) || server.name.size() > kMaxNameLength)
            return Fail(Join(place, "name"), "not a server name: " + server.name);
        if (m_net.serverByName.count(server.name))
            return Fail(Join(place, "name"), "duplicate server name " + server.name);
        if (!Text(s, "tree", place, server.tree, false)) return false;
        server.tree = Upper(server.tree);
        if (auto it = s.find("version")) {
            if (!it->is_array() || it->size() != 3)
                return Fail(Join(place, "version"), "expected [major, minor, revision]");
            for (std::size_t i = 0; i < 3; ++i) {
                // The server information answers each part in one byte.
                const Value& v = (*it)[i];
                if (!(v.is_number_unsigned() || (v.is_number_integer() && v.get<std::int64_t>() >= 0)) ||
                    v.get<std::uint64_t>() > 255)
                    return Fail(Join(place, "version"), "expected [major, minor, revision], each 0 to 255");
                server.version[i] = v.get<std::uint32_t>();
            }
        }
        if (!Bool(s, "down", place, server.down) || !Bool(s, "loginsEnabled", place, server.loginsEnabled) ||
            !Bool(s, "module", place, server.module))
            return false;
        if (auto it = s.find("operators")) {
            if (!it->is_array()) return Fail(Join(place, "operators"), "expected a list of names");
            for (std::size_t i = 0; i < it->size(); ++i) {
                std::string name;
                if (!Oem((*it)[i], Join(place, "operators") + "[" + std::to_string(i) + "]", name))
                    return false;
                server.operators.push_back(Upper(name));
            }
        }
        if (auto it = s.find("users")) {
            if (!it->is_object()) return Fail(Join(place, "users"), "expected an object");
            for (auto& [user, password] : it->items()) {
                std::string upl = Join(place, "users") + "." + user;
                std::string name, pw;
                if (!OemText(user, upl, name) || !Oem(password, upl, pw)) return false;
                if (!server.users.emplace(Upper(name), pw).second) return Fail(upl, "duplicate user " + user);
            }
        }
        server.discoveryIp = server.name;
        if (auto it = s.find("discovery")) {
            std::string dplace = Join(place, "discovery");
            if (!it->is_object()) return Fail(dplace, "expected an object");
            if (!Bool(*it, "ipx", dplace, server.discoveryIpx)) return false;
            if (auto ip = it->find("ip")) {
                if (ip->is_boolean()) {
                    if (!ip->get<bool>()) server.discoveryIp.reset();
                } else {
                    std::string name;
                    if (!Oem(*ip, Join(dplace, "ip"), name)) return false;
                    server.discoveryIp = name;
                }
            }
        }
        if (auto it = s.find("address")) {
            NWStationAddress a;
            if (!it->is_string() || !ParseAddress(it->str(), a))
                return Fail(Join(place, "address"), "not an IPv4 or IPX address");
            server.address = a;
        }
        std::optional<std::uint64_t> maxConn;
        if (!Number(s, "maxConnections", place, 65535, maxConn)) return false;
        if (maxConn) server.maxConnections = static_cast<std::uint16_t>(*maxConn);
        if (auto it = s.find("scanEnd")) {
            if (*it == "last-batch") {
                server.scanEndLastBatch = true;
            } else if (*it != "error") {
                return Fail(Join(place, "scanEnd"), "expected \"error\" or \"last-batch\"");
            }
        }
        if (auto it = s.find("volumes")) {
            if (!it->is_array()) return Fail(Join(place, "volumes"), "expected an array");
            for (std::size_t i = 0; i < it->size(); ++i) {
                if (!ReadVolume((*it)[i], place + ".volumes[" + std::to_string(i) + "]", server))
                    return false;
            }
        }
        if (auto it = s.find("connections")) {
            if (!it->is_array()) return Fail(Join(place, "connections"), "expected an array");
            for (std::size_t i = 0; i < it->size(); ++i) {
                if (!ReadConnection((*it)[i], place + ".connections[" + std::to_string(i) + "]", server))
                    return false;
            }
        }
        // About one index entry for each file opened: no table grows twice.
        server.opensByFile.reserve(m_resolved.size());
        m_resolved.clear();
        IndexOpens(server);
        for (const auto& [key, opens] : server.opensByFile) {
            if (opens.size() > kMaxOpensOfAFile)
                return Fail(Join(place, "connections"), "a file open more than " +
                                                            std::to_string(kMaxOpensOfAFile) + " times");
        }
        for (const auto& [key, locks] : server.locksByFile) {
            if (locks.size() > kMaxLocksOnAFile)
                return Fail(Join(place, "connections"),
                            "more than " + std::to_string(kMaxLocksOnAFile) + " locks on a file");
        }
        m_net.serverByName.emplace(server.name, static_cast<std::uint32_t>(m_net.servers.size()));
        m_net.servers.push_back(std::move(server));
        return true;
    }

    bool ReadVolume(const Value& v, const std::string& place, Server& server) {
        if (!v.is_object()) return Fail(place, "expected an object");
        Volume volume;
        if (!Text(v, "name", place, volume.name, true)) return false;
        volume.name = Upper(volume.name);
        if (volume.name.empty() || volume.name.find_first_of("\\/:*?. ") != std::string::npos ||
            HasControl(volume.name) || volume.name.size() > kMaxNameLength)
            return Fail(Join(place, "name"), "not a volume name: " + volume.name);
        std::optional<std::uint64_t> number;
        if (!v.contains("number")) return Fail(place, "missing number");
        if (!Number(v, "number", place, 255, number)) return false;
        volume.number = static_cast<std::uint16_t>(*number);
        for (const Volume& other : server.volumes) {
            if (other.number == volume.number)
                return Fail(place, "duplicate volume number " + std::to_string(volume.number));
            if (other.name == volume.name) return Fail(place, "duplicate volume name " + volume.name);
        }
        if (!Bool(v, "longNames", place, volume.longNames)) return false;
        volume.entries.emplace_back();  // the root
        volume.entries[0].directory = true;
        volume.entries[0].name = volume.name;
        volume.entries[0].dos = volume.name;
        if (auto it = v.find("entries")) {
            std::size_t count = CountEntries(*it);
            volume.entries.reserve(count + 1);
            volume.ReserveNames(count * 2);
            if (!ReadEntries(*it, Join(place, "entries"), volume, 0)) return false;
        }
        server.volumes.push_back(std::move(volume));
        return true;
    }

    static std::size_t CountEntries(const Value& list) {
        if (!list.is_array()) return 0;
        std::size_t n = list.size();
        for (const Value& e : list.elements()) {
            if (e.is_object()) {
                if (auto it = e.find("entries")) n += CountEntries(*it);
            }
        }
        return n;
    }

    // Reads the entries of directory dir, then makes their DOS names (those
    // given or already 8.3 first, so that a made name never takes one of
    // theirs), then descends.
    bool ReadEntries(const Value& list, const std::string& place, Volume& volume, std::uint32_t dir) {
        if (!list.is_array()) return Fail(place, "expected an array");
        std::uint32_t first = static_cast<std::uint32_t>(volume.entries.size());
        std::vector<bool> needsDos(list.size(), false);
        volume.entries[dir].children.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Value& e = list[i];
            std::string eplace = place + "[" + std::to_string(i) + "]";
            Entry entry;
            entry.parent = dir;
            std::string dos;
            if (e.is_string()) {
                if (!Oem(e, eplace, entry.name)) return false;
            } else if (e.is_object()) {
                if (!Text(e, "name", eplace, entry.name, true) || !Text(e, "dos", eplace, dos, false) ||
                    !Bool(e, "hidden", eplace, entry.hidden) || !Bool(e, "system", eplace, entry.system) ||
                    !Bool(e, "readOnly", eplace, entry.readOnly))
                    return false;
                entry.directory = e.contains("entries");
            } else {
                return Fail(eplace, "expected a name or an object");
            }
            if (entry.name.empty() || entry.name == "." || entry.name == ".." ||
                entry.name.find_first_of("\\/:*?") != std::string::npos || HasControl(entry.name) ||
                entry.name.size() > kMaxNameLength)
                return Fail(eplace, "not a file name: " + OemToCharA(entry.name));
            if (!volume.longNames) {
                if (!IsValid83(entry.name))
                    return Fail(eplace,
                                "not an 8.3 name on a volume without long names: " + OemToCharA(entry.name));
                entry.name = Upper(entry.name);
                entry.dos = entry.name;
            } else if (!dos.empty()) {
                if (!IsValid83(dos)) return Fail(eplace + ".dos", "not an 8.3 name: " + OemToCharA(dos));
                entry.dos = Upper(dos);
            } else if (IsValid83(entry.name)) {
                entry.dos = Upper(entry.name);
            } else {
                needsDos[i] = true;
            }
            std::uint32_t index = static_cast<std::uint32_t>(volume.entries.size());
            const bool ownDos = !entry.dos.empty() && !EqualNoCase(entry.dos, entry.name);
            volume.entries.push_back(std::move(entry));
            const Entry& added = volume.entries.back();
            if (!volume.AddName(index, false))
                return Fail(eplace, "duplicate name " + OemToCharA(added.name));
            if (ownDos && !volume.AddName(index, true))
                return Fail(eplace, "duplicate DOS name " + OemToCharA(added.dos));
            volume.entries[dir].children.push_back(index);
        }
        // Made names: a counter per stem keeps this linear in the directory.
        std::unordered_map<std::string, unsigned> nextNumber;
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (!needsDos[i]) continue;
            std::uint32_t index = first + static_cast<std::uint32_t>(i);
            Entry& entry = volume.entries[index];
            std::size_t dot = entry.name.rfind('.');
            std::string base = dot == std::string::npos || dot == 0 ? entry.name : entry.name.substr(0, dot);
            std::string ext =
                dot == std::string::npos || dot == 0 ? std::string() : entry.name.substr(dot + 1);
            auto clean = [](const std::string& text, std::size_t max) {
                std::string out;
                for (char c : text) {
                    if (out.size() < max && Is83Char(static_cast<unsigned char>(c)))
                        out.push_back(UpperChar(c));
                }
                return out;
            };
            base = clean(base, 6);
            ext = clean(ext, 3);
            std::string suffix = ext.empty() ? std::string() : "." + ext;
            unsigned& n = nextNumber[base + suffix];
            for (;;) {
                std::string digits = std::to_string(++n);
                std::string candidate =
                    base.substr(0, std::min<std::size_t>(base.size(), 7 - digits.size())) + "~" + digits +
                    suffix;
                if (volume.Find(dir, candidate) == kNoEntry) {
                    entry.dos = std::move(candidate);
                    volume.AddName(index, true);
                    break;
                }
            }
        }
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Value& e = list[i];
            if (!e.is_object()) continue;
            auto it = e.find("entries");
            if (!it) continue;
            std::string eplace = place + "[" + std::to_string(i) + "].entries";
            if (!ReadEntries(*it, eplace, volume, first + static_cast<std::uint32_t>(i))) return false;
        }
        return true;
    }

    // The file an open names: it must exist and not be a directory.
    template <typename Place>
    bool ResolveFile(const Server& server, const Value& value, const Place& place, Open& open) {
        if (value.is_string()) {
            // Many opens name the same file: resolve each path text once.
            auto cached = m_resolved.find(value.str());
            if (cached != m_resolved.end()) {
                open.volume = cached->second.first;
                open.entry = cached->second.second;
                return true;
            }
        }
        std::string path;
        if (!Oem(value, place, path)) return false;
        Located where;
        NWCode rc = Locate(server, path, std::nullopt, where);
        if (rc == nwcode::kSuccess && !where.last.empty()) {
            std::uint32_t entry = server.volumes[where.volume].Find(where.directory, where.last);
            if (entry != kNoEntry && !server.volumes[where.volume].entries[entry].directory) {
                open.volume = where.volume;
                open.entry = entry;
                m_resolved.emplace(value.str(), std::make_pair(where.volume, entry));
                return true;
            }
        }
        return Fail(Render(place), "no such file " + OemToCharA(path));
    }

    bool ReadConnection(const Value& c, const std::string& place, Server& server) {
        if (!c.is_object()) return Fail(place, "expected an object");
        Connection conn;
        std::optional<std::uint64_t> number;
        if (!c.contains("number")) return Fail(place, "missing number");
        if (!Number(c, "number", place, 65535, number)) return false;
        conn.number = static_cast<std::uint16_t>(*number);
        if (server.connectionByNumber.count(conn.number))
            return Fail(place, "duplicate connection number " + std::to_string(conn.number));
        if (!Text(c, "user", place, conn.user, conn.number != 0)) return false;
        conn.nds = !server.tree.empty();
        if (!Bool(c, "nds", place, conn.nds)) return false;
        conn.bindery = conn.user.substr(0, conn.user.find('.'));
        if (!Text(c, "bindery", place, conn.bindery, false)) return false;
        if (!ParseLoginTime("1990-01-01 00:00:00", conn.loginTime)) return false;
        if (auto it = c.find("loginTime")) {
            std::string tplace = Join(place, "loginTime");
            if (it->is_string()) {
                if (!ParseLoginTime(it->str(), conn.loginTime))
                    return Fail(tplace, "expected \"YYYY-MM-DD HH:MM:SS\"");
            } else if (it->is_array() && it->size() == 7) {
                std::uint8_t raw[7];
                for (std::size_t i = 0; i < 7; ++i) {
                    const Value& b = (*it)[i];
                    if (!b.is_number_integer() || b.get<std::int64_t>() < 0 || b.get<std::int64_t>() > 255)
                        return Fail(tplace, "expected seven bytes");
                    raw[i] = static_cast<std::uint8_t>(b.get<std::int64_t>());
                }
                std::memcpy(&conn.loginTime, raw, 7);
            } else {
                return Fail(tplace, "expected a time text or seven bytes");
            }
        }
        if (auto it = c.find("address")) {
            NWStationAddress a;
            if (!it->is_string() || !ParseAddress(it->str(), a))
                return Fail(Join(place, "address"), "not an IPv4 or IPX address");
            conn.address = a;
        }
        if (!Bool(c, "messages", place, conn.messages)) return false;
        if (auto it = c.find("inbox")) {
            if (!it->is_array()) return Fail(Join(place, "inbox"), "expected a list of texts");
        }
        if (auto it = c.find("open")) {
            if (!it->is_array()) return Fail(Join(place, "open"), "expected an array");
            conn.opens.reserve(it->size());
            for (std::size_t i = 0; i < it->size(); ++i) {
                const Value& o = (*it)[i];
                auto oplace = [&] { return Join(place, "open") + "[" + std::to_string(i) + "]"; };
                Open open;
                if (o.is_string()) {
                    if (!ResolveFile(server, o, oplace, open)) return false;
                } else if (o.is_object()) {
                    auto path = o.find("path");
                    if (!path) return Fail(oplace(), "missing path");
                    auto pathPlace = [&] { return Join(oplace(), "path"); };
                    if (!ResolveFile(server, *path, pathPlace, open)) return false;
                    if (!ReadLocks(o, oplace, open)) return false;
                } else {
                    return Fail(oplace(), "expected a path or an object");
                }
                conn.opens.push_back(std::move(open));
            }
            if (conn.opens.size() > kMaxOpensOfAConnection)
                return Fail(Join(place, "open"),
                            "more than " + std::to_string(kMaxOpensOfAConnection) + " open files");
        }
        server.connectionByNumber.emplace(conn.number, static_cast<std::uint32_t>(server.connections.size()));
        server.connections.push_back(std::move(conn));
        return true;
    }

    template <typename Place>
    bool ReadLocks(const Value& o, const Place& place, Open& open) {
        auto it = o.find("locks");
        if (!it) return true;
        if (!it->is_array()) return Fail(Join(Render(place), "locks"), "expected an array");
        for (std::size_t i = 0; i < it->size(); ++i) {
            const Value& l = (*it)[i];
            auto lplace = [&] { return Join(Render(place), "locks") + "[" + std::to_string(i) + "]"; };
            if (!l.is_object()) return Fail(lplace(), "expected an object");
            if (!l.contains("start")) return Fail(lplace(), "missing start");
            if (!l.contains("end")) return Fail(lplace(), "missing end");
            std::optional<std::uint64_t> start, end, task, type;
            if (!Number(l, "start", lplace, 0xFFFFFFFF, start) ||
                !Number(l, "end", lplace, 0xFFFFFFFF, end) || !Number(l, "task", lplace, 0xFFFF, task) ||
                !Number(l, "type", lplace, 0xFF, type))
                return false;
            if (*end < *start) return Fail(lplace(), "end before start");
            open.locks.push_back(Lock{static_cast<std::uint32_t>(*start), static_cast<std::uint32_t>(*end),
                                      static_cast<std::uint16_t>(task.value_or(0)),
                                      static_cast<std::uint8_t>(type.value_or(0))});
        }
        return true;
    }

    static void IndexOpens(Server& server) {
        for (std::uint32_t c = 0; c < server.connections.size(); ++c) {
            const Connection& conn = server.connections[c];
            for (std::uint32_t o = 0; o < conn.opens.size(); ++o) {
                const Open& open = conn.opens[o];
                std::uint64_t key = (static_cast<std::uint64_t>(open.volume) << 32) | open.entry;
                server.opensByFile[key].push_back(OpenRef{c, o});
                for (std::uint32_t l = 0; l < open.locks.size(); ++l)
                    server.locksByFile[key].push_back(LockRef{c, o, l});
            }
        }
    }

    bool ReadWorkstation(const Value& doc) {
        auto it = doc.find("workstation");
        if (!it) return true;
        const Value& w = *it;
        if (!w.is_object()) return Fail("workstation", "expected an object");
        Workstation& ws = m_net.workstation;
        if (!Text(w, "primary", "workstation", ws.primary, false)) return false;
        ws.primary = Upper(ws.primary);
        if (auto d = w.find("drives")) {
            if (!d->is_object()) return Fail("workstation.drives", "expected an object");
            for (auto& [letter, target] : d->items()) {
                std::string place = "workstation.drives." + letter;
                if (letter.size() != 1 || !std::isalpha(static_cast<unsigned char>(letter[0])))
                    return Fail(place, "not a drive letter");
                std::string text;
                if (!Oem(target, place, text)) return false;
                std::size_t sep = text.find_first_of("\\/");
                std::size_t colon = text.find(':');
                if (sep == std::string::npos || colon == std::string::npos || colon < sep || sep == 0 ||
                    colon == sep + 1)
                    return Fail(place, "expected SERVER\\VOLUME:PATH");
                Drive drive;
                drive.server = Upper(text.substr(0, sep));
                drive.volume = Upper(text.substr(sep + 1, colon - sep - 1));
                std::string volume;
                std::vector<std::string> parts;
                SplitVolumePath(text.substr(sep + 1), volume, parts);
                for (const std::string& part : parts) {
                    if (!drive.directory.empty()) drive.directory += '\\';
                    drive.directory += part;
                }
                char key = UpperChar(letter[0]);
                if (!ws.drives.emplace(key, std::move(drive)).second)
                    return Fail(place, "duplicate drive letter " + letter);
            }
        }
        if (auto n = w.find("nds")) {
            if (!n->is_object()) return Fail("workstation.nds", "expected an object");
            if (!Text(*n, "tree", "workstation.nds", ws.ndsTree, true) ||
                !Text(*n, "user", "workstation.nds", ws.ndsUser, true))
                return false;
            ws.ndsTree = Upper(ws.ndsTree);
        }
        if (auto b = w.find("bindery")) {
            if (!b->is_object()) return Fail("workstation.bindery", "expected an object");
            for (auto& [server, user] : b->items()) {
                std::string place = "workstation.bindery." + server;
                std::string name, login;
                if (!OemText(server, place, name) || !Oem(user, place, login)) return false;
                if (!ws.bindery.emplace(Upper(name), login).second)
                    return Fail(place, "duplicate server name " + server);
            }
        }
        return true;
    }

    bool ReadFaults(const Value& doc) {
        auto it = doc.find("faults");
        if (!it) return true;
        if (!it->is_array()) return Fail("faults", "expected an array");
        for (std::size_t i = 0; i < it->size(); ++i) {
            const Value& f = (*it)[i];
            std::string place = "faults[" + std::to_string(i) + "]";
            if (!f.is_object()) return Fail(place, "expected an object");
            Fault fault;
            if (!Text(f, "call", place, fault.call, true)) return false;
            auto code = f.find("code");
            if (!code) return Fail(place, "missing code");
            if (code->is_number_integer()) {
                fault.code = static_cast<NWCode>(code->get<std::int64_t>());
            } else if (code->is_string()) {
                const std::string text(code->str());
                std::string_view digits = text;
                bool negative = !digits.empty() && digits[0] == '-';
                if (negative) digits.remove_prefix(1);
                int base = 10;
                if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
                    digits.remove_prefix(2);
                    base = 16;
                }
                std::int64_t value = 0;
                auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
                if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty())
                    return Fail(Join(place, "code"), "not a code: " + text);
                fault.code = static_cast<NWCode>(negative ? -value : value);
            } else {
                return Fail(Join(place, "code"), "expected a number or hexadecimal text");
            }
            if (fault.code == 0) return Fail(Join(place, "code"), "a fault needs a non-zero code");
            std::string text;
            if (f.contains("server")) {
                if (!Text(f, "server", place, text, true)) return false;
                fault.server = Upper(text);
            }
            if (f.contains("path")) {
                if (!Text(f, "path", place, text, true)) return false;
                std::replace(text.begin(), text.end(), '/', '\\');
                fault.path = Upper(text);
            }
            std::optional<std::uint64_t> connection, after, times;
            if (!Number(f, "connection", place, 65535, connection) ||
                !Number(f, "after", place, UINT32_MAX, after) ||
                !Number(f, "times", place, UINT32_MAX, times))
                return false;
            if (connection) fault.connection = static_cast<std::uint32_t>(*connection);
            fault.after = after.value_or(0);
            fault.times = times;
            m_net.faults.push_back(std::move(fault));
        }
        return true;
    }

    Network& m_net;
    LoadError& m_error;
    std::unordered_map<std::string, std::pair<std::uint32_t, std::uint32_t>, TextHash, std::equal_to<>>
        m_resolved;  // of one server
};

}  // namespace

namespace {

// Blanks the comments of text in place (a JSON parser takes none), keeping
// every line and column where it was for the diagnostics.
void BlankComments(std::string& text) {
    if (text.find('/') == std::string::npos) return;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') ++i;
            }
        } else if (c == '/' && i + 1 < text.size() && (text[i + 1] == '/' || text[i + 1] == '*')) {
            const bool line = text[i + 1] == '/';
            std::size_t end = line ? text.find('\n', i) : text.find("*/", i + 2);
            end = end == std::string::npos ? text.size() : (line ? end : end + 2);
            for (std::size_t k = i; k < end; ++k) {
                if (text[k] != '\n') text[k] = ' ';
            }
            i = end - 1;
        }
    }
}

}  // namespace

bool ParseText(simdjson::dom::parser& parser, std::string& text, simdjson::dom::element& root,
               LoadError& error) {
    BlankComments(text);
    const bool padded = text.capacity() - text.size() >= simdjson::SIMDJSON_PADDING;
    if (parser.allocate(text.size(), kMaxNesting) == simdjson::SUCCESS &&
        parser.parse(text.data(), text.size(), !padded).get(root) == simdjson::SUCCESS)
        return true;
    // The parser that says where a text goes wrong is the slower one, asked
    // only then; it refuses a text nested too deeply before reading it.
    Json doc;
    if (!ParseDescription(text, doc, error)) return false;
    error.place.clear();
    error.what = "not a description this program can read";
    return false;
}

bool ParseToDocument(std::string& text, simdjson::dom::document& doc, LoadError& error) {
    {
        simdjson::dom::parser parser;
        simdjson::dom::element root;
        if (!ParseText(parser, text, root, error)) return false;
        doc = std::move(parser.doc);
    }
    std::string().swap(text);
    return true;
}

bool BuildNetwork(std::string& text, Network& network, LoadError& error) {
    network = Network{};
    simdjson::dom::document doc;
    // Only the document is held while the model grows, which keeps the peak
    // of a load below four times the description's size.
    if (!ParseToDocument(text, doc, error)) return false;
    Builder builder(network, error);
    return builder.Build(Value(doc.root()));
}

bool RebuildSections(Network& network, LoadError& error) {
    std::string text = network.sections.dump(-1, ' ', false, Json::error_handler_t::replace);
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    if (!ParseText(parser, text, root, error)) return false;
    Network fresh;
    Builder builder(fresh, error);
    if (!builder.BuildSections(Value(root))) return false;
    network.workstation = std::move(fresh.workstation);
    network.faults = std::move(fresh.faults);
    network.latencyMicros = fresh.latencyMicros;
    return true;
}

}  // namespace nwsim
