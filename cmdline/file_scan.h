#pragma once

// The work of a scan run: walk the workstation path, resolve every matching
// file on its server, list the connections that have it open, one line each,
// and apply the run's action to them.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cmdline/command_line.h"
#include "cmdline/console.h"
#include "cmdline/exit_status.h"
#include "cmdline/records.h"
#include "platform/audit_log.h"
#include "platform/local_directory.h"
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

// Where a scan's findings go besides its text lines. Every member may be
// left null.
struct ScanSinks {
    Output* notes = nullptr;    // the diagnostic lines; null: with the text lines
    Output* reasons = nullptr;  // one line for each file the text lines pass over in silence
    std::vector<ConnectionRecord>* records = nullptr;
    AuditLog* audit = nullptr;  // every action tried on a server
};

// What a scan found, for the exit status of scripts.
struct ScanTally {
    std::size_t filesChecked = 0;    // matching files whose connections were listed
    std::size_t filesUnchecked = 0;  // matching files skipped or whose listing failed
    // Stations (not the server itself) still holding a matching file: with
    // no action every one listed, otherwise those whose action failed or was
    // declined.
    std::size_t stillHeld = 0;
};

class FileScanner final {
public:
    FileScanner(NWClient& client, WorkstationFiles& files, Output& out, KeySource& keys,
                const RunOptions& options, ScanSinks sinks = {});

    // Walks path (upper-cased workstation text): the directory's matching files
    // first, then, with the recurse flag, each subdirectory depth first with
    // the same final component. Failure after a fatal condition was printed.
    // Directory links met on the way are not followed, and no directory is
    // entered again while it is being walked.
    ExitStatus Walk(const std::string& path);

    // One matching file, path as the workstation names it.
    ExitStatus CheckFile(const std::string& path);

    const ScanTally& tally() const { return m_tally; }

private:
    // The file being checked, as the records and the audit trail name it.
    struct CurrentFile {
        ConnHandle conn = 0;
        std::string shownPath;
        std::string volumePath;  // workstation text
        std::string server;      // looked up once it is needed
        bool serverKnown = false;
    };
    ExitStatus WalkDirectory(const std::string& path, const PathParts& parts);
    bool ShouldEnter(const std::string& directory) const;
    const std::string& ServerName();
    void Audit(const char* action, ConnNumber number, const std::string& user, NWCode result);
    void Reason(const std::string& text);

    // The file's DOS-name-space path, from its path as the server sees it.
    std::string ShortPath(ConnHandle conn, DirHandle dirHandle, const std::string& relative);
    ExitStatus ListConnections(ConnHandle conn, DirHandle dirHandle, const std::string& shortPath,
                               const std::string& shownPath);
    void HandleConnection(ConnHandle conn, ConnNumber number, const std::string& shortPath,
                          const std::string& shownPath);
    // The clear's code; nullopt when the answer was No.
    std::optional<NWCode> PromptAndClear(ConnHandle conn, ConnNumber number);
    // Reports and skips a path that the client's 255-character buffers cannot hold.
    bool SkipTooLong(const std::string& path);

    NWClient& m_client;
    WorkstationFiles& m_files;
    Output& m_out;
    KeySource& m_keys;
    const RunOptions& m_options;
    ScanSinks m_sinks;
    Output& m_notes;
    ScanTally m_tally;
    CurrentFile m_file;
    std::vector<LocalDirectory> m_walking;  // the local directories the walk is inside
};

// Why a walk of path examined no file at all: the reason for a script
// ("no such file", "server FS3 is unknown or down", ...), or empty when that
// is no error (a pattern that nothing matches).
std::string WhyNothingWasChecked(NWClient& client, const std::string& path);

// "/d" and "/e": switch logins off or on on the named server. Every outcome
// is printed; none ends the run with a failure, but the code is returned (0
// when logins were switched) for the exit status of scripts.
NWCode SwitchLogins(NWClient& client, Output& out, const std::string& server, bool enable,
                    AuditLog* audit = nullptr);

}  // namespace krcmd
