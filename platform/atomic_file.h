#pragma once

// Replacing a small configuration file safely, shared by the settings file
// and the registry file:
//  - writers of one file take turns (a lock on its directory, which, unlike
//    the file, outlives the rename), so neither loses what the other wrote
//    between its read and its rename;
//  - the new text goes to a temporary file in the same directory, is synced
//    and renamed over the old one, so a crash never leaves a half-written file.

#include <sys/types.h>

#include <filesystem>
#include <string_view>

// Held from reading the old text to renaming the new one over it. Where the
// lock cannot be had (a file system without locks, a holder that does not let
// go) the write goes on unlocked rather than hang the window.
class DirectoryLock final {
public:
    explicit DirectoryLock(const std::filesystem::path& dir);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

private:
    int m_fd;
};

// The directory a file lives in ("." for a bare name).
std::filesystem::path DirectoryOf(const std::filesystem::path& file);

// Renaming over a link would replace the link; the file it names is meant.
std::filesystem::path WriteTarget(std::filesystem::path target);

// Replaces target's content; the file ends up with the given mode. The
// temporary file is never readable by others, whatever mode is asked for.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view content,
                         mode_t mode);
