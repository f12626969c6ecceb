#include "platform/sim/description_store.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace nwsim {

namespace {

// A forked child shares its parent's inotify queue: whichever reads first
// takes the other's events. Children therefore stop trusting the watch.
std::atomic<unsigned> g_forkGeneration{0};

// The kernel tells the process that a watch has events by a signal, whose
// handler only counts: a call then learns that nothing changed from this
// counter alone, without asking the kernel. SIGURG is ignored by default and
// not otherwise used by these programs; a signal a program already handles
// is left to it, and the watches are read at every call as before.
constexpr int kWatchSignal = SIGURG;
std::atomic<unsigned> g_watchSignals{0};
static_assert(std::atomic<unsigned>::is_always_lock_free);

void CountWatchSignal(int) {
    g_watchSignals.fetch_add(1, std::memory_order_relaxed);
}

bool WatchSignalReady() {
    static const bool ready = [] {
        struct sigaction old {};
        if (::sigaction(kWatchSignal, nullptr, &old) != 0) return false;
        if (old.sa_handler != SIG_DFL || (old.sa_flags & SA_SIGINFO)) return false;
        struct sigaction action {};
        action.sa_handler = CountWatchSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        return ::sigaction(kWatchSignal, &action, nullptr) == 0;
    }();
    return ready;
}

unsigned ForkGeneration() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        pthread_atfork(nullptr, nullptr, [] { g_forkGeneration.fetch_add(1); });
    });
    return g_forkGeneration.load();
}

}  // namespace

ChangeWatch::ChangeWatch(const std::string& path) : m_forkGeneration(ForkGeneration()) {
    std::filesystem::path dir = std::filesystem::path(path).parent_path();
    if (dir.empty()) dir = ".";
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) return;
    const std::uint32_t mask = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO |
                               IN_CREATE | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF;
    if (::inotify_add_watch(m_fd, dir.c_str(), mask) < 0) {
        Drop();
        return;
    }
    // Signalled by the kernel at each event: no read is needed until one
    // comes. A thread that blocks the signal might be the only one to get it,
    // and it would never arrive: such a program reads the watch at each call.
    sigset_t blocked;
    const bool unblocked =
        ::pthread_sigmask(SIG_BLOCK, nullptr, &blocked) == 0 && sigismember(&blocked, kWatchSignal) == 0;
    m_signalled = unblocked && WatchSignalReady() && ::fcntl(m_fd, F_SETSIG, kWatchSignal) == 0 &&
                  ::fcntl(m_fd, F_SETOWN, ::getpid()) == 0 &&
                  ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_ASYNC) == 0;
    m_seen = g_watchSignals.load(std::memory_order_relaxed);
}

ChangeWatch::~ChangeWatch() { Drop(); }

void ChangeWatch::Drop() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool ChangeWatch::MaybeChanged() {
    if (m_fd < 0) return true;
    if (m_forkGeneration != g_forkGeneration.load()) {
        Drop();
        return true;
    }
    if (m_signalled) {
        // The signals go to the process that set the watch up, never to a
        // forked child, which has stopped trusting the watch above.
        const unsigned now = g_watchSignals.load(std::memory_order_acquire);
        if (now == m_seen) return false;
        m_seen = now;
    }
    bool any = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0) break;
        any = true;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            // The directory itself is gone or events were lost: stop trusting.
            if (event->mask & (IN_IGNORED | IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF)) {
                Drop();
                return true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return any;
}

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
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // One read into room for the whole file and a little more, which a
    // parser reading many bytes at a time may look into.
    text.clear();
    text.reserve(static_cast<std::size_t>(st.st_size) + kReadSlack);
    text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    bool ok = true;
    while (got < text.size()) {
        ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    return ok;
}

bool ReplaceFile(const std::string& path, const std::string& text) {
    return ReplaceFile(path, text, path + ".tmp." + std::to_string(::getpid()));
}

void RemoveLeftovers(const std::string& path, bool scan) {
    ::unlink((path + ".tmp").c_str());
    ::unlink((path + ".journal.tmp").c_str());
    if (!scan) return;
    const std::filesystem::path description(path);
    std::filesystem::path dir = description.parent_path();
    if (dir.empty()) dir = ".";
    const std::string name = description.filename().string();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string other = entry.path().filename().string();
        if (other == name + ".tmp" || other.rfind(name + ".tmp.", 0) == 0 || other == name + ".journal.tmp")
            std::filesystem::remove(entry.path(), ec);
    }
}

bool ReplaceFile(const std::string& path, const std::string& text, const std::string& temp) {
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
