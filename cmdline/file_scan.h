#pragma once

// The work of a scan run: walk the workstation path, resolve every matching
// file on its server, list the connections that have it open, one line each,
// and apply the run's action to them.

#include <cstddef>
#include <string>
#include <string_view>

#include "cmdline/command_line.h"
#include "cmdline/console.h"
#include "cmdline/exit_status.h"
#include "platform/nwclient.h"
#include "platform/workstation_files.h"

namespace krcmd {

inline constexpr std::size_t kUserFieldWidth = 25;

struct PathParts {
    std::string drive;      // "F:" or empty
    std::string directory;  // up to and including the last separator, or empty
    std::string final;      // file name or pattern
};
PathParts SplitPath(std::string_view path);

// The name padded with spaces, or cut, to exactly 25 characters.
std::string UserField(std::string_view name);

class FileScanner final {
public:
    FileScanner(NWClient& client, WorkstationFiles& files, Output& out, KeySource& keys,
                const RunOptions& options);

    // Walks path (upper-cased workstation text): the directory's matching files
    // first, then, with the recurse flag, each subdirectory depth first with
    // the same final component. Failure after a fatal condition was printed.
    ExitStatus Walk(const std::string& path);

    // One matching file, path as the workstation names it.
    ExitStatus CheckFile(const std::string& path);

private:
    // The file's DOS-name-space path, from its path as the server sees it.
    std::string ShortPath(ConnHandle conn, DirHandle dirHandle, const std::string& relative);
    ExitStatus ListConnections(ConnHandle conn, DirHandle dirHandle, const std::string& shortPath,
                               const std::string& shownPath);
    void HandleConnection(ConnHandle conn, ConnNumber number, const std::string& shortPath,
                          const std::string& shownPath);
    void PromptAndClear(ConnHandle conn, ConnNumber number);
    // Reports and skips a path that the client's 255-character buffers cannot hold.
    bool SkipTooLong(const std::string& path);

    NWClient& m_client;
    WorkstationFiles& m_files;
    Output& m_out;
    KeySource& m_keys;
    const RunOptions& m_options;
};

// "/d" and "/e": switch logins off or on on the named server. Every outcome
// is printed; none ends the run with a failure.
void SwitchLogins(NWClient& client, Output& out, const std::string& server, bool enable);

}  // namespace krcmd
