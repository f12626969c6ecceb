#include "platform/sim/description_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace nwsim {

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return stamp;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = std::move(buffer).str();
    return !in.bad();
}

bool ReplaceFile(const std::string& path, const std::string& text) {
    std::string temp = path + ".tmp." + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    // File systems stamp with a coarse clock and may hand the freed inode to
    // the next file: a precise time keeps two quick writes of the same size
    // apart for readers that compare stamps.
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    const struct timespec times[2] = {now, now};
    ::futimens(fd, times);
    // On disk before the rename, so that a crash of the machine leaves the
    // old description or the new one, never an empty file under its name.
    bool synced = ::fdatasync(fd) == 0;
    if (::close(fd) != 0 || !synced || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

DescriptionLock::DescriptionLock(const std::string& path) {
    m_fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0) return;
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(m_fd);
            m_fd = -1;
            return;
        }
    }
}

DescriptionLock::~DescriptionLock() {
    if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
}

}  // namespace nwsim
