#include "platform/sim/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>

namespace nwsim {

namespace {

std::string Header(const DescriptionId& id) {
    char text[96];
    std::snprintf(text, sizeof text, "{\"journal\": 1, \"size\": %llu, \"hash\": \"%016llx\"}",
                  static_cast<unsigned long long>(id.size), static_cast<unsigned long long>(id.hash));
    return text;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

DescriptionId IdOf(std::string_view text) {
    return DescriptionId{text.size(), std::hash<std::string_view>()(text)};
}

std::string JournalPath(const std::string& description) { return description + ".journal"; }

bool ReadJournal(const std::string& path, const DescriptionId& id, std::size_t from, JournalText& out) {
    out = JournalText{};
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    out.exists = true;
    out.stamp.exists = true;
    out.stamp.device = st.st_dev;
    out.stamp.inode = st.st_ino;
    out.stamp.size = st.st_size;
    out.stamp.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    std::string text;
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    if (size > from) {
        text.resize(size - from);
        std::size_t got = 0;
        while (got < text.size()) {
            ssize_t n = ::pread(fd, text.data() + got, text.size() - got, static_cast<off_t>(from + got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        text.resize(got);
    }
    ::close(fd);
    std::size_t at = 0;
    if (from == 0) {
        std::size_t eol = text.find('\n');
        if (eol == std::string::npos) {
            // A header never finished: a first change whose writer died.
            out.belongs = false;
            return true;
        }
        const std::string_view header(text.data(), eol);
        if (header != Header(id)) {
            if (header.rfind("{\"journal\": 1, ", 0) != 0) out.damagedLine = 1;
            return true;
        }
        at = eol + 1;
    }
    out.belongs = true;
    while (at < text.size()) {
        std::size_t eol = text.find('\n', at);
        if (eol == std::string::npos) break;
        out.lines.emplace_back(text, at, eol - at);
        at = eol + 1;
    }
    out.end = from + at;
    return true;
}

std::size_t AppendJournal(const std::string& path, const DescriptionId& id, bool belongs, std::size_t end,
                          const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    if (!belongs) {
        // A new journal appears whole or not at all.
        std::string whole = Header(id) + "\n" + text;
        return ReplaceFile(path, whole, path + ".tmp") ? whole.size() : 0;
    }
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    // A torn line of a writer that died is cut off before anything follows it.
    if (ok && static_cast<std::size_t>(st.st_size) != end) ok = ::ftruncate(fd, static_cast<off_t>(end)) == 0;
    ok = ok && ::lseek(fd, static_cast<off_t>(end), SEEK_SET) >= 0 && WriteAll(fd, text) && ::fdatasync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    return ok ? end + text.size() : 0;
}

}  // namespace nwsim
