#include "cmdline/file_scan.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "cmdline/close_request.h"
#include "platform/codepage.h"
#include "platform/local_directory.h"

namespace krcmd {

namespace {

constexpr std::uint32_t kFilePassAttributes = kAttrReadOnly | kAttrHidden | kAttrSystem;
constexpr std::uint32_t kDirectoryPassAttributes = kFilePassAttributes | kAttrDirectory;
constexpr std::uint8_t kSearchHiddenAndSystem = kAttrHidden | kAttrSystem;
constexpr std::uint16_t kFileFlagFile = 1;

unsigned Hex(NWCode code) { return static_cast<unsigned>(code); }

}  // namespace

PathParts SplitPath(std::string_view path) {
    PathParts parts;
    std::size_t rest = 0;
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
        parts.drive = std::string(path.substr(0, 2));
        rest = 2;
    }
    const std::size_t separator = path.find_last_of("\\/");
    if (separator != std::string_view::npos && separator >= rest) {
        parts.directory = std::string(path.substr(rest, separator + 1 - rest));
        rest = separator + 1;
    }
    parts.final = std::string(path.substr(rest));
    return parts;
}

std::string UserField(std::string_view name) {
    std::string field(name.substr(0, std::min(name.size(), kUserFieldWidth)));
    field.resize(kUserFieldWidth, ' ');
    return field;
}

FileScanner::FileScanner(NWClient& client, WorkstationFiles& files, Output& out,
                         KeySource& keys, const RunOptions& options, ScanSinks sinks)
    : m_client(client),
      m_files(files),
      m_out(out),
      m_keys(keys),
      m_options(options),
      m_sinks(sinks),
      m_notes(sinks.notes ? *sinks.notes : out) {}

bool FileScanner::SkipTooLong(const std::string& path) {
    if (CharToOemA(path).size() <= kMaxTextLength) return false;
    // Cutting would name another file; saying nothing would hide its users.
    m_notes.Write("Path Too Long : " + path + "\n");
    ++m_tally.filesUnchecked;
    return true;
}

void FileScanner::Reason(const std::string& text) {
    if (m_sinks.reasons) m_sinks.reasons->Write("krcmd: " + m_file.shownPath + ": " + text + "\n");
}

const std::string& FileScanner::ServerName() {
    if (!m_file.serverKnown) {
        NWAllConnInfo info;
        if (m_client.NWCCGetAllConnInfo(m_file.conn, 1, info) == 0) {
            m_file.server = OemToCharA(info.serverName);
        }
        m_file.serverKnown = true;
    }
    return m_file.server;
}

void FileScanner::Audit(const char* action, ConnNumber number, const std::string& user,
                        NWCode result) {
    if (!m_sinks.audit) return;
    AuditEvent event;
    event.action = action;
    event.server = ServerName();
    event.connection = number;
    event.connectionUser = user;
    event.file = m_file.shownPath;
    event.result = result;
    m_sinks.audit->Record(event);
}

ExitStatus FileScanner::Walk(const std::string& path) {
    const PathParts parts = SplitPath(path);
    const std::string prefix = parts.drive + parts.directory;
    const std::optional<LocalDirectory> here = FindLocalDirectory(prefix);
    if (here) m_walking.push_back(*here);
    const ExitStatus status = WalkDirectory(path, parts);
    if (here) m_walking.pop_back();
    return status;
}

bool FileScanner::ShouldEnter(const std::string& directory) const {
    const std::optional<LocalDirectory> dir = FindLocalDirectory(directory);
    if (!dir) return true;
    // A link's files are listed by their own path where the walk reaches
    // them; followed, they would be listed and acted on twice, or the walk
    // would leave the tree it was given (and a link to an enclosing
    // directory never ends). Bind mounts can loop without a link.
    if (dir->link) return false;
    return std::none_of(m_walking.begin(), m_walking.end(),
                        [&](const LocalDirectory& d) { return d.SameDirectory(*dir); });
}

ExitStatus FileScanner::WalkDirectory(const std::string& path, const PathParts& parts) {
    const std::string prefix = parts.drive + parts.directory;
    ExitStatus status = ExitStatus::Success;

    FindState state;
    FindData entry;
    if (m_files.FindFirst(path, kFilePassAttributes, state, entry) == 0) {
        do {
            if (entry.attributes & kAttrDirectory) continue;
            const std::string joined = prefix + entry.name;
            if (SkipTooLong(joined)) continue;
            status = CheckFile(joined);
        } while (status == ExitStatus::Success && m_files.FindNext(state, entry) == 0);
    }
    m_files.FindClose(state);
    if (status != ExitStatus::Success || !m_options.recurse) return status;

    FindState dirState;
    if (m_files.FindFirst(prefix + "*.*", kDirectoryPassAttributes, dirState, entry) == 0) {
        do {
            if (!(entry.attributes & kAttrDirectory) || entry.name == "." || entry.name == "..") {
                continue;
            }
            if (!ShouldEnter(prefix + entry.name)) continue;
            const std::string below = prefix + entry.name + "\\" + parts.final;
            if (SkipTooLong(below)) continue;
            status = Walk(below);
        } while (status == ExitStatus::Success && m_files.FindNext(dirState, entry) == 0);
    }
    m_files.FindClose(dirState);
    return status;
}

ExitStatus FileScanner::CheckFile(const std::string& path) {
    ConnHandle conn = 0;
    DirHandle dirHandle = 0;
    std::string relative;
    m_file = CurrentFile{};
    m_file.shownPath = path;
    if (m_client.NWParseNetWarePath(CharToOemA(path), conn, dirHandle, relative) != 0) {
        m_notes.Write("Invalid Path/File\n");
        return ExitStatus::Failure;
    }
    NWSearchSequence9 sequence = NewSearchSequence9();
    if (m_client.NWIntScanDirectoryInformation2(conn, dirHandle, relative, sequence, nullptr, 0) ==
        0) {
        m_notes.Write("Invalid Path\n");
        return ExitStatus::Failure;
    }
    sequence = NewSearchSequence9();
    NWFileInfo info;
    NWCode code = m_client.NWIntScanFileInformation2(conn, dirHandle, relative,
                                                     kSearchHiddenAndSystem, sequence, &info, 0);
    if (code != 0) {
        m_notes.Write(Format("Invalid Path/File %x", Hex(code)));
        return ExitStatus::Failure;
    }
    std::uint32_t nameSpace = 0;
    code = m_client.NWGetOwningNameSpace(conn, dirHandle, relative, nameSpace);
    if (code != 0) {
        m_notes.Write(Format("Cannot Get Owning Name Space : %x", Hex(code)));
        return ExitStatus::Failure;
    }
    m_file.conn = conn;
    m_file.volumePath = OemToCharA(relative);
    return ListConnections(conn, dirHandle, ShortPath(conn, dirHandle, relative), path);
}

std::string FileScanner::ShortPath(ConnHandle conn, DirHandle dirHandle,
                                   const std::string& relative) {
    NWNSPath nsPath;
    nsPath.srcPath = relative;
    nsPath.destPath = relative;
    nsPath.destPathSize = kMaxTextLength;
    NWCode code = m_client.NWGetNSPath(conn, dirHandle, kFileFlagFile, kNameSpaceLong,
                                       kNameSpaceDOS, nsPath);
    // No long names on the volume: the path already is the DOS one.
    if (code == nwcode::kNameSpaceNotOnVolume) return relative;
    bool converted = true;
    if (code != 0) {
        m_notes.Write(Format("error with nwgetnspath %x\n", Hex(code)));
        converted = false;
    }
    std::string dosName;
    code = m_client.NWGetLongName(conn, dirHandle, relative, kNameSpaceLong, kNameSpaceDOS,
                                  dosName);
    if (code != 0) {
        m_notes.Write(Format("error with nwgetlongname %x\n", Hex(code)));
        converted = false;
    }
    // Half a conversion names no file; the server also knows the file by the
    // path it gave us.
    if (!converted) return relative;
    std::string shortPath = nsPath.destPath;
    shortPath += shortPath.find(':') != std::string::npos ? "\\" : ":";
    shortPath += dosName;
    return shortPath;
}

ExitStatus FileScanner::ListConnections(ConnHandle conn, DirHandle dirHandle,
                                        const std::string& shortPath,
                                        const std::string& shownPath) {
    // The whole list is read before any connection is acted on: clearing or
    // closing shortens the server's list under the iterator, and the next
    // batch would then skip as many connections as were removed.
    std::vector<ConnNumber> numbers;
    bool noRights = false;
    NWCode failure = 0;
    std::int16_t iterator = 0;
    for (;;) {
        NWConnsUsingFile reply{};
        const NWCode code = m_client.NWScanConnectionsUsingFile(conn, dirHandle, shortPath,
                                                                iterator, nullptr, reply);
        if (code == nwcode::kNoConsoleRights) {
            noRights = true;
            break;
        }
        if (code != 0) {
            // The end of the list, or nothing to list; anything else leaves
            // the file unchecked.
            if (code != nwcode::kScanEnd) failure = code;
            break;
        }
        const std::size_t count = std::min<std::size_t>(reply.connCount, kConnsUsingFileBatch);
        // A server may end its list by marking the last batch itself: that
        // batch still counts.
        for (std::size_t i = 0; i < count; ++i) numbers.push_back(reply.connInfo[i].connNumber);
        if (iterator == -1 || count == 0) break;
    }
    for (const ConnNumber number : numbers) {
        HandleConnection(conn, number, shortPath, shownPath);
    }
    if (noRights) {
        m_notes.Write("Console Operator or Supervisor Privledges Are Required\n");
        return ExitStatus::Failure;
    }
    if (failure != 0) {
        ++m_tally.filesUnchecked;
        Reason(Format("cannot list the connections using it (code %x)", Hex(failure)));
    } else {
        ++m_tally.filesChecked;
    }
    return ExitStatus::Success;
}

void FileScanner::HandleConnection(ConnHandle conn, ConnNumber number,
                                   const std::string& shortPath, const std::string& shownPath) {
    std::string user;
    if (m_client.NWGetConnectionInformation(conn, number, &user, nullptr, nullptr, nullptr) !=
        0) {
        user.clear();  // gone since the scan, or not answering: a blank field
    }
    ConnectionRecord record;
    record.path = shownPath;
    record.connection = number;
    if (number == 0) {
        m_out.Write("  0  " + shownPath + "    Netware Operating System\n");
        if (m_sinks.records) {
            record.server = ServerName();
            record.volumePath = m_file.volumePath;
            m_sinks.records->push_back(record);
        }
        return;
    }
    m_out.Write(Format("%3d  ", number) + OemToCharA(UserField(user)) + "   " + shownPath + "\n");
    record.user = OemToCharA(user);

    std::optional<NWCode> result;
    switch (m_options.action) {
    case ActionMode::None:
        break;
    case ActionMode::Prompt:
        result = PromptAndClear(conn, number);
        if (result) record.action = audit::kClear;
        break;
    case ActionMode::Clear: {
        const NWCode code = m_client.NWClearConnectionNumber(conn, number);
        m_out.Write(code != 0 ? Format("\nCould Not Clear Connection : Error %x\n", Hex(code))
                              : Format("Connection %d Cleared\n", number));
        record.action = audit::kClear;
        result = code;
        break;
    }
    case ActionMode::Close: {
        NWCode code = 0;
        const int closed = SendCloseRequest(m_client, m_notes, conn, number, shortPath, &code);
        m_out.Write(closed != 0 ? Format("\nCould Not Close Connection : Error %x\n",
                                         static_cast<unsigned>(closed))
                                : Format("Connection %d Closed\n", number));
        record.action = audit::kClose;
        result = code;
        break;
    }
    case ActionMode::Message: {
        const ConnNumber list[1] = {number};
        // Preset to a refusal: a call that fails without answering must not
        // read as delivered.
        std::uint8_t results[1] = {nwcode::kMessageNoConnection};
        const NWCode code = m_client.NWSendBroadcastMessage(
            conn, CharToOemA(m_options.message), 1, list, results);
        const bool sent = code == 0 && results[0] == nwcode::kMessageDelivered;
        m_out.Write(sent ? Format("Message Sent to Connection %d\n", number)
                         : Format("Message NOT Sent to Connection %d\n", number));
        record.action = audit::kMessage;
        // The call's own failure, else the server's answer for the connection.
        result = code != 0 ? code : static_cast<NWCode>(results[0]);
        break;
    }
    }
    if (result) Audit(record.action.c_str(), number, record.user, *result);
    if (!result || *result != 0) ++m_tally.stillHeld;
    if (m_sinks.records) {
        record.server = ServerName();
        record.volumePath = m_file.volumePath;
        record.result = result;
        m_sinks.records->push_back(std::move(record));
    }
}

std::optional<NWCode> FileScanner::PromptAndClear(ConnHandle conn, ConnNumber number) {
    m_out.Write(Format("Clear Connection %d ? (Y/N) ", number));
    m_out.Flush();
    for (;;) {
        const int key = m_keys.ReadKey();
        if (key == 'Y' || key == 'y') {
            m_out.Write("Y\n");
            const NWCode code = m_client.NWClearConnectionNumber(conn, number);
            if (code == nwcode::kNoConsoleRights) {
                m_out.Write("Insufficent rights to clear connection\n");
            } else if (code != 0) {
                m_out.Write(Format("Could Not Clear Connection : Error %x\n", Hex(code)));
            }
            return code;
        }
        // Nobody to ask is a No: a connection is never cleared without consent.
        if (key == 'N' || key == 'n' || key < 0) {
            m_out.Write("N\n");
            return std::nullopt;
        }
    }
}

std::string WhyNothingWasChecked(NWClient& client, const std::string& path) {
    const PathParts parts = SplitPath(path);
    const bool pattern = parts.final.find_first_of("*?") != std::string::npos;
    ConnHandle conn = 0;
    DirHandle dirHandle = 0;
    std::string relative;
    const NWCode code = client.NWParseNetWarePath(CharToOemA(path), conn, dirHandle, relative);
    if (code == nwcode::kServerUnknown) {
        if (!parts.drive.empty()) {
            return "drive " + parts.drive + " is not mapped to NetWare, or its server is down";
        }
        // \\SERVER\VOLUME\... or SERVER\VOLUME:...
        const std::size_t start = std::min(path.find_first_not_of("\\/"), path.size());
        const std::size_t end = path.find_first_of("\\/", start);
        return "server " + path.substr(start, end - start) + " is unknown or down";
    }
    if (code == nwcode::kNoSuchVolume) return "no such volume";
    if (code != 0) return Format("not a path on a NetWare server (code %x)", Hex(code));

    NWSearchSequence9 sequence = NewSearchSequence9();
    if (!pattern &&
        client.NWIntScanDirectoryInformation2(conn, dirHandle, relative, sequence, nullptr, 0) ==
            0) {
        const bool endsInSeparator = parts.final.empty();
        return "is a directory; name its files with a pattern, such as " + path +
               (endsInSeparator ? "*.*" : "\\*.*");
    }
    sequence = NewSearchSequence9();
    NWFileInfo info;
    const NWCode fileCode = client.NWIntScanFileInformation2(
        conn, dirHandle, relative, kSearchHiddenAndSystem, sequence, &info, 0);
    if (fileCode == 0 || (pattern && fileCode == nwcode::kNoMatch)) return {};
    if (fileCode == nwcode::kNoSuchDirectory) return "no such directory";
    if (fileCode == nwcode::kNoMatch) return "no such file";
    if (fileCode == nwcode::kNoConsoleRights) return "no rights to see it";
    return Format("cannot be read (code %x)", Hex(fileCode));
}

NWCode SwitchLogins(NWClient& client, Output& out, const std::string& server, bool enable,
                    AuditLog* audit) {
    AuditEvent event;
    event.action = enable ? audit::kEnableLogins : audit::kDisableLogins;
    event.server = server;
    ConnHandle conn = 0;
    NWCode code = client.NWCCOpenConnByName(0, CharToOemA(server), kNameFormatBindery,
                                            kOpenStateLicensed, 0, conn);
    if (code != 0) {
        out.Write(Format("Unable to open connection to server : %x\n\n", Hex(code)));
    } else if (enable) {
        code = client.NWEnableFileServerLogin(conn);
        out.Write(code != 0 ? Format("Unable to enable logins : %x\n\n", Hex(code))
                            : std::string("Logins Enabled\n"));
    } else {
        code = client.NWDisableFileServerLogin(conn);
        out.Write(code != 0 ? Format("Unable to disable logins : %x\n\n", Hex(code))
                            : std::string("Logins Disabled\n"));
    }
    // Recorded even when the server could not be reached: the attempt is
    // part of what was done.
    if (audit) {
        event.result = code;
        audit->Record(event);
    }
    return code;
}

}  // namespace krcmd
