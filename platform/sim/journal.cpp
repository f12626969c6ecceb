#include "platform/sim/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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
    // Four independent lanes of multiply and mix: a hash of the whole text at
    // several bytes per cycle, so that naming a large description adds little
    // to loading it. Not a defence against a made collision, which no writer
    // of a description has a reason to make.
    constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
    std::uint64_t lane[4] = {0x243F6A8885A308D3ull, 0x13198A2E03707344ull, 0xA4093822299F31D0ull,
                             0x082EFA98EC4E6C89ull};
    const char* p = text.data();
    std::size_t left = text.size();
    auto mix = [](std::uint64_t h, std::uint64_t word) {
        h = (h ^ word) * kMul;
        return h ^ (h >> 32);
    };
    while (left >= 32) {
        for (int i = 0; i < 4; ++i) {
            std::uint64_t word;
            std::memcpy(&word, p + 8 * i, 8);
            lane[i] = mix(lane[i], word);
        }
        p += 32;
        left -= 32;
    }
    std::uint64_t h = text.size();
    for (std::uint64_t l : lane) h = mix(h, l);
    for (; left > 0; --left, ++p) h = mix(h, static_cast<unsigned char>(*p));
    return DescriptionId{text.size(), mix(h, kMul)};
}

std::string JournalPath(const std::string& description) {
    return description + ".journal";
}

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
    ok = ok && ::lseek(fd, static_cast<off_t>(end), SEEK_SET) >= 0 && WriteAll(fd, text) &&
         ::fdatasync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    return ok ? end + text.size() : 0;
}

}  // namespace nwsim
