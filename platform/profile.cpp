#include "platform/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct IniText {
    std::vector<std::string> lines;
    std::string eol = "\n";
    bool bom = false;  // kept, so a file saved by an editor stays as it saved it
};

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

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

// Renaming over a link would replace the link; the file it names is meant.
fs::path WriteTarget(fs::path target) {
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::canonical(target, ec);
        if (!ec) target = std::move(resolved);
    }
    return target;
}

fs::path DirectoryOf(const fs::path& target) {
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

// Writers of one file exclude each other from reading it to renaming the new
// text over it; otherwise one program's write replaces another's key written
// in between (two windows closing at once). The lock is on the directory,
// which, unlike the file, outlives the rename. Where it cannot be had (a file
// system without locks, a holder that does not let go) the write goes on
// unlocked rather than hang the window.
class DirectoryLock final {
public:
    explicit DirectoryLock(const fs::path& dir)
        : m_fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (m_fd < 0) return;
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) return;
            if (errno != EWOULDBLOCK && errno != EINTR) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::close(m_fd);
        m_fd = -1;
    }
    ~DirectoryLock() {
        if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
    }
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

private:
    int m_fd;
};

bool WriteAtomically(const fs::path& target, const std::string& content) {
    const fs::path dir = DirectoryOf(target);

    std::string pattern = (dir / (target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return false;

    mode_t mode = 0644;
    struct stat st{};
    if (::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;

    bool ok = true;
    const char* p = content.data();
    std::size_t left = content.size();
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
        } else {
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    ok = ok && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(pattern.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(pattern.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here loses nothing written.
    if (const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY); dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
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

IniProfile IniProfile::ForProgram(const fs::path& programPath) {
    fs::path configHome;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        configHome = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        configHome = fs::path(home) / ".config";
    } else {
        configHome = ".config";
    }
    return IniProfile(programPath.parent_path() / kSettingsFileName,
                      configHome / "kestrune" / kSettingsFileName);
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

bool IniProfile::WriteText(const std::string& section, const std::string& key,
                           const std::string& value) {
    // A line break in any part would write keys nobody asked for.
    if (HasLineBreakOrZero(section) || HasLineBreakOrZero(key) || HasLineBreakOrZero(value))
        return false;
    if (Trim(section).empty() || section.find(']') != std::string::npos) return false;
    if (Trim(key).empty() || key.find('=') != std::string::npos || SectionOf(key) ||
        IsComment(key))
        return false;

    const fs::path target = WriteTarget(Location());
    std::error_code ec;
    fs::create_directories(DirectoryOf(target), ec);
    const DirectoryLock lock(DirectoryOf(target));
    IniText text = Load(target);
    const Position pos = Find(text, section, key);
    std::string line = key + "=" + Quote(value);
    if (pos.key) {
        text.lines[*pos.key] = std::move(line);
    } else if (pos.section) {
        text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(pos.insertAt),
                          std::move(line));
    } else {
        if (!text.lines.empty() && !Trim(text.lines.back()).empty()) text.lines.emplace_back();
        text.lines.push_back("[" + section + "]");
        text.lines.push_back(std::move(line));
    }

    std::string content(text.bom ? kUtf8Bom : std::string_view());
    for (const std::string& l : text.lines) content += l + text.eol;
    return WriteAtomically(target, content);
}

bool IniProfile::WriteInt(const std::string& section, const std::string& key, int value) {
    return WriteText(section, key, std::to_string(value));
}
