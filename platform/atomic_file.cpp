#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace fs = std::filesystem;

DirectoryLock::DirectoryLock(const fs::path& dir)
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

DirectoryLock::~DirectoryLock() {
    if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
}

fs::path DirectoryOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

fs::path WriteTarget(fs::path target) {
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::canonical(target, ec);
        if (!ec) target = std::move(resolved);
    }
    return target;
}

bool WriteFileAtomically(const fs::path& target, std::string_view content, mode_t mode) {
    const fs::path dir = DirectoryOf(target);

    std::string pattern = (dir / (target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());  // created 0600
    if (fd < 0) return false;

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
