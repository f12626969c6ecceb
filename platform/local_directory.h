#pragma once

// What a walk over the workstation's files needs to know about a local
// directory so that it ends: whether the name is a link, and which directory
// it finally is. Directory links (a -> ., /proc/self) and bind mounts let a
// tree contain itself; a walk that follows them never ends.

#include <cstdint>
#include <optional>
#include <string>

struct LocalDirectory {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool link = false;  // the name itself is a symbolic link to the directory

    bool SameDirectory(const LocalDirectory& other) const {
        return device == other.device && inode == other.inode;
    }
};

// The local directory that a workstation path (either separator) names;
// nullopt when it names none on this machine, as a path on a NetWare drive
// does (the servers' trees hold no links).
std::optional<LocalDirectory> FindLocalDirectory(const std::string& path);
