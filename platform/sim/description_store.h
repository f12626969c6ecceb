#pragma once

// The network description file: read, noticed when another process changed
// it, and rewritten whole under a lock so that concurrent writers lose
// nothing and a reader never sees half a file.

#include <cstddef>
#include <ctime>
#include <string>
#include <sys/types.h>

namespace nwsim {

// What identifies one version of the file on disk.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& path);
// Reads the whole file into text, with kReadSlack bytes of room beyond it.
inline constexpr std::size_t kReadSlack = 64;
bool ReadWholeFile(const std::string& path, std::string& text);
// Writes a temporary file beside path and renames it over path.
bool ReplaceFile(const std::string& path, const std::string& text);
bool ReplaceFile(const std::string& path, const std::string& text, const std::string& temp);

// Removes what writers of path killed while writing left behind: temporary
// copies named "<path>.tmp" and "<path>.journal.tmp", and with scan (which
// lists the directory) "<path>.tmp.<pid>" as earlier writers named them.
// Only under the description's lock, when no writer can be at work.
void RemoveLeftovers(const std::string& path, bool scan);

// Tells cheaply whether the file may have changed since the last ask. A
// stat walks the whole path on every client call, which dominated the cost of
// a large query; a watch on the file's directory answers from memory until
// something there moves, and where the kernel can signal its events, without
// a system call at all until one comes. Where the watch cannot be kept (no inotify, the
// directory itself went away, a forked child sharing the parent's queue) it
// answers "maybe" every time and the caller falls back to comparing stamps.
class ChangeWatch final {
public:
    explicit ChangeWatch(const std::string& path);
    ~ChangeWatch();
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;
    bool MaybeChanged();

private:
    void Drop();

    int m_fd = -1;
    unsigned m_forkGeneration = 0;
    bool m_signalled = false;  // the kernel signals each event (see the source)
    unsigned m_seen = 0;       // signals counted at the last read of the watch
};

// An exclusive lock on the side file "<path>.lock", held while it lives.
class DescriptionLock final {
public:
    explicit DescriptionLock(const std::string& path);
    ~DescriptionLock();
    DescriptionLock(const DescriptionLock&) = delete;
    DescriptionLock& operator=(const DescriptionLock&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

}  // namespace nwsim
