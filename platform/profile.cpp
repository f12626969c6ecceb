#include "platform/profile.h"

#include <sys/stat.h>

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/key_text.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct IniText {
    std::vector<std::string> lines;
    std::string eol = "\n";
    bool bom = false;  // kept, so a file saved by an editor stays as it saved it
};


// The section a line opens, if it is a section header.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

bool IsComment(std::string_view line) {
    line = Trim(line);
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

// Key and raw value of a "key=value" line.
std::optional<std::pair<std::string_view, std::string_view>> EntryOf(std::string_view line) {
    if (IsComment(line) || SectionOf(line)) return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return std::make_pair(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
}

// Values are trimmed; one pair of matching quotes around a value is removed,
// which is how a value with blanks at either end survives the trim.
std::string Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

std::string Quote(const std::string& v) {
    if (v.empty()) return v;
    const bool blankEdge = Trim(v).size() != v.size();
    const bool quoted = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
    return (blankEdge || quoted) ? "\"" + v + "\"" : v;
}

bool Readable(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    return in.is_open();
}

IniText Load(const fs::path& path) {
    IniText text;
    std::ifstream in(path, std::ios::binary);
    if (!in) return text;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first && line.starts_with(kUtf8Bom)) {
            line.erase(0, kUtf8Bom.size());
            text.bom = true;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            if (first) text.eol = "\r\n";
        }
        first = false;
        text.lines.push_back(std::move(line));
    }
    return text;
}

struct Position {
    std::optional<std::size_t> section;  // the header line
    std::optional<std::size_t> key;      // the key's line
    std::size_t insertAt = 0;            // after the section's last non-blank line
};

Position Find(const IniText& text, std::string_view section, std::string_view key) {
    Position pos;
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        const auto name = SectionOf(text.lines[i]);
        if (!name) continue;
        if (!SameName(*name, section)) continue;
        pos.section = i;
        pos.insertAt = i + 1;
        for (std::size_t j = i + 1; j < text.lines.size() && !SectionOf(text.lines[j]); ++j) {
            if (!Trim(text.lines[j]).empty()) pos.insertAt = j + 1;
            const auto entry = EntryOf(text.lines[j]);
            if (entry && SameName(entry->first, key)) {
                pos.key = j;
                return pos;
            }
        }
        return pos;
    }
    return pos;
}

bool HasLineBreakOrZero(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Cuts to at most max bytes without splitting a UTF-8 sequence.
void CutText(std::string& s, std::size_t max) {
    if (s.size() <= max) return;
    std::size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    s.resize(n);
}

}  // namespace

IniProfile::IniProfile(fs::path besideProgram, fs::path fallback)
    : m_besideProgram(std::move(besideProgram)), m_fallback(std::move(fallback)) {}

fs::path ProgramConfigDirectory() {
    fs::path configHome;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        configHome = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        configHome = fs::path(home) / ".config";
    } else {
        configHome = ".config";
    }
    return configHome / "kestrune";
}

IniProfile IniProfile::ForProgram(const fs::path& programPath) {
    return IniProfile(programPath.parent_path() / kSettingsFileName,
                      ProgramConfigDirectory() / kSettingsFileName);
}

fs::path IniProfile::Location() const {
    return Readable(m_besideProgram) ? m_besideProgram : m_fallback;
}

std::string IniProfile::ReadText(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    const IniText text = Load(Location());
    const Position pos = Find(text, section, key);
    std::string value = pos.key ? Unquote(EntryOf(text.lines[*pos.key])->second) : def;
    CutText(value, kProfileTextBytes - 1);
    return value;
}

int IniProfile::ReadInt(const std::string& section, const std::string& key, int def) const {
    const IniText text = Load(Location());
    const Position pos = Find(text, section, key);
    if (!pos.key) return def;
    std::string value = Unquote(EntryOf(text.lines[*pos.key])->second);
    std::string_view digits = value;
    if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') digits.remove_prefix(1);
    int result = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
    if (ec != std::errc() || end != digits.data() + digits.size()) return def;
    return result;
}

namespace {

bool Writable(const ProfileEntry& e) {
    // A line break in any part would write keys nobody asked for.
    if (HasLineBreakOrZero(e.section) || HasLineBreakOrZero(e.key) || HasLineBreakOrZero(e.value))
        return false;
    if (Trim(e.section).empty() || e.section.find(']') != std::string::npos) return false;
    if (Trim(e.key).empty() || e.key.find('=') != std::string::npos || SectionOf(e.key) ||
        IsComment(e.key))
        return false;
    return true;
}

void Apply(IniText& text, const ProfileEntry& e) {
    const Position pos = Find(text, e.section, e.key);
    std::string line = e.key + "=" + Quote(e.value);
    if (pos.key) {
        text.lines[*pos.key] = std::move(line);
    } else if (pos.section) {
        text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(pos.insertAt),
                          std::move(line));
    } else {
        if (!text.lines.empty() && !Trim(text.lines.back()).empty()) text.lines.emplace_back();
        text.lines.push_back("[" + e.section + "]");
        text.lines.push_back(std::move(line));
    }
}

}  // namespace

bool IniProfile::WriteText(const std::string& section, const std::string& key,
                           const std::string& value) {
    return WriteEntries({{section, key, value}});
}

bool IniProfile::WriteEntries(const std::vector<ProfileEntry>& entries) {
    std::vector<const ProfileEntry*> writable;
    for (const ProfileEntry& e : entries)
        if (Writable(e)) writable.push_back(&e);
    const bool allWritable = writable.size() == entries.size();
    if (writable.empty()) return allWritable;

    const fs::path target = WriteTarget(Location());
    std::error_code ec;
    fs::create_directories(DirectoryOf(target), ec);
    const DirectoryLock lock(DirectoryOf(target));
    IniText text = Load(target);
    for (const ProfileEntry* e : writable) Apply(text, *e);

    std::string content(text.bom ? kUtf8Bom : std::string_view());
    for (const std::string& l : text.lines) content += l + text.eol;
    // A file the user made keeps its mode; a new one is readable by all.
    mode_t mode = 0644;
    struct stat st{};
    if (::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
    return WriteFileAtomically(target, content, mode) && allWritable;
}

bool IniProfile::WriteInt(const std::string& section, const std::string& key, int value) {
    return WriteText(section, key, std::to_string(value));
}
