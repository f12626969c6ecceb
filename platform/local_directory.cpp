#include "platform/local_directory.h"

#include <sys/stat.h>

#include <algorithm>

std::optional<LocalDirectory> FindLocalDirectory(const std::string& path) {
    std::string local = path.empty() ? std::string(".") : path;
    std::replace(local.begin(), local.end(), '\\', '/');
    struct stat target{};
    if (::stat(local.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) return std::nullopt;
    LocalDirectory dir;
    dir.device = static_cast<std::uint64_t>(target.st_dev);
    dir.inode = static_cast<std::uint64_t>(target.st_ino);
    // A trailing separator makes lstat look through the link.
    while (local.size() > 1 && local.back() == '/') local.pop_back();
    struct stat name{};
    dir.link = ::lstat(local.c_str(), &name) == 0 && S_ISLNK(name.st_mode);
    return dir;
}
