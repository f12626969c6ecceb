#pragma once

// The network description file: read, noticed when another process changed
// it, and rewritten whole under a lock so that concurrent writers lose
// nothing and a reader never sees half a file.

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
bool ReadWholeFile(const std::string& path, std::string& text);
// Writes a temporary file beside path and renames it over path.
bool ReplaceFile(const std::string& path, const std::string& text);

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
