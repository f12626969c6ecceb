#include "query/open_file_query.h"

#include <cstdio>
#include <cstring>

#include "platform/codepage.h"
#include "platform/temp_dir_handle.h"
#include "query/cell_text.h"

namespace {

enum class PathKind { Wildcard, File, Directory };

// Normal, hidden and system files; no directories.
constexpr std::uint8_t kFileSearchAttributes = 6;
constexpr std::uint16_t kAllEntries = 0xFFFF;
constexpr std::uint32_t kAllEntryInfo = 0x0FFF;

// Joins the parts of a composed path with single backslashes; a part that
// already ends with one (a relative path of a volume root) gets no second.
std::string JoinPath(std::initializer_list<const std::string*> parts) {
    std::string path;
    for (const std::string* part : parts) {
        if (!path.empty() && path.back() != '\\') path += '\\';
        path += *part;
    }
    return path;
}

std::string EntryName(const NWEntryInfo& entry) {
    return std::string(entry.entryName, strnlen(entry.entryName, sizeof entry.entryName));
}

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }


}  // namespace

OpenFileQuery::OpenFileQuery(NWClient& client, Prompts& prompts, QueryWindow& window,
                             ResultList& users, ResultList& locks)
    : m_client(client),
      m_prompts(prompts),
      m_window(window),
      m_users(users),
      m_locks(locks),
      m_rows(client, prompts, window, users, locks) {}

void OpenFileQuery::GetOpenFilesData() {
    if (m_running) return;
    m_running = true;

    m_prompts.SetBusyPointer(true);
    m_window.QueryRunning(true);
    m_window.Repaint();
    const std::string text = m_window.PathText();
    m_window.UpdatePickList(text);
    m_users.Clear();
    m_locks.Clear();
    m_filesFound = false;

    DoDirScan(CharToOemA(text));

    char status[64];
    std::snprintf(status, sizeof status, "%zu Open Handle(s)", m_users.RowCount());
    m_window.SetScanStatus(status);
    m_prompts.SetBusyPointer(false);
    m_window.QueryRunning(false);
    m_window.Repaint();
    if (!m_filesFound) m_prompts.ErrorBox("No Matching Files were found", 0);

    m_running = false;
}

void OpenFileQuery::DoDirScan(const std::string& path) {
    std::string server;
    std::string volume;
    NWCode rc = m_client.NWParsePath(path, &server, nullptr, &volume, nullptr);
    if (rc != 0) {
        m_prompts.ErrorBox("NWParsePath", rc);
        return;
    }

    PathKind kind = PathKind::Wildcard;
    if (path.find('*') == std::string::npos) {
        ConnHandle conn = 0;
        DirHandle dirHandle = 0;
        std::string relative;
        rc = m_client.NWParseNetWarePath(path, conn, dirHandle, relative);
        if (rc != 0) {
            m_prompts.ErrorBox("NWParseNetwarePath", rc);
            return;
        }
        NWSearchSequence9 sequence = NewSearchSequence9();
        NWFileInfo info;
        rc = m_client.NWIntScanFileInformation2(conn, 0, relative, kFileSearchAttributes,
                                                sequence, &info, 0);
        kind = rc == 0 ? PathKind::File : PathKind::Directory;
    }

    // A directory path has every entry checked. A wildcard or file path is
    // split before its last component, after the last "\" or the volume's ":"
    // whichever comes later: "FS1\SYS:README.TXT" lists "FS1\SYS:" for
    // "README.TXT", not "FS1\" for "SYS:README.TXT". The client takes "/" between
    // directories too, and no name can hold one, so it ends a component as well.
    std::string directory = path;
    std::string pattern = "*";
    if (kind != PathKind::Directory) {
        const std::size_t cut = path.find_last_of("\\/:");
        if (cut != std::string::npos) {
            directory = path.substr(0, cut + 1);
            pattern = path.substr(cut + 1);
        }
    }

    ConnHandle conn = 0;
    DirHandle unused = 0;
    std::string relative;
    rc = m_client.NWParseNetWarePath(directory, conn, unused, relative);
    if (rc != 0) {
        m_prompts.ErrorBox("NWParseNetwarePath", rc);
        return;
    }
    const std::uint8_t nameSpace =
        m_client.IsLongNameSpaceSupported(conn, 0, relative) != 0 ? kNameSpaceLong
                                                                   : kNameSpaceDOS;
    DirHandle handle = 0;
    rc = m_client.NWAllocTempNSDirHandle2(conn, 0, relative, nameSpace, handle, nameSpace);
    if (rc != 0) {
        m_prompts.ErrorBox("NWAllocTempNSDirHandle2", rc);
        return;
    }
    const TempDirHandle release(m_client, conn, handle);

    m_prompts.SetBusyPointer(true);
    m_window.Repaint();

    // File pass: every matching entry that is not a directory.
    NWSearchSequence12 sequence = NewSearchSequence12();
    NWEntryInfo entry{};
    for (;;) {
        rc = m_client.NWScanNSEntryInfo(conn, handle, nameSpace, kAllEntries, sequence, pattern,
                                        kAllEntryInfo, entry);
        if (rc == nwcode::kNoMatch) break;
        if (rc != 0) {
            m_prompts.ErrorBox("NWScanNSEntryInfo", rc);
            return;
        }
        const std::string name = EntryName(entry);
        if (IsDotEntry(name) || (entry.attributes & kAttrDirectory) != 0) continue;
        const std::string filePath = JoinPath({&server, &relative, &name});
        const std::string shownPath = OemToCharA(filePath);
        m_window.SetScanStatus("Checking : " + shownPath);
        GetOpenFileData(shownPath);
    }

    if (kind != PathKind::Wildcard || !m_window.CheckSubdirectories()) return;

    // Subdirectory pass: each subdirectory is walked whole, with the same
    // pattern, before the next one.
    sequence = NewSearchSequence12();
    entry = NWEntryInfo{};
    const std::string everything = "*";
    for (;;) {
        rc = m_client.NWScanNSEntryInfo(conn, handle, nameSpace, kAllEntries, sequence,
                                        everything, kAllEntryInfo, entry);
        if (rc == nwcode::kNoMatch) break;
        if (rc != 0) {
            m_prompts.ErrorBox("NWScanNSEntryInfo", rc);
            return;
        }
        const std::string name = EntryName(entry);
        if (IsDotEntry(name) || (entry.attributes & kAttrDirectory) == 0) continue;
        DoDirScan(JoinPath({&server, &relative, &name, &pattern}));
    }
}

void OpenFileQuery::GetOpenFileData(const std::string& path) {
    const std::string oemPath = CharToOemA(path);
    ConnHandle conn = 0;
    DirHandle dirHandle = 0;
    std::string relative;
    NWCode rc = m_client.NWParseNetWarePath(oemPath, conn, dirHandle, relative);
    if (rc != 0) {
        m_prompts.ErrorBox("Invalid NetWare Path", rc);
        FailedFile();
        return;
    }
    m_window.SetCurrentServerConnection(conn);
    UpperCaseAscii(relative);

    NWSearchSequence9 dirSequence = NewSearchSequence9();
    if (m_client.NWIntScanDirectoryInformation2(conn, dirHandle, relative, dirSequence, nullptr,
                                                0) == 0) {
        m_prompts.ErrorBox("Invalid Path", 0);
        FailedFile();
        return;
    }
    NWSearchSequence9 fileSequence = NewSearchSequence9();
    NWFileInfo info;
    rc = m_client.NWIntScanFileInformation2(conn, dirHandle, relative, kFileSearchAttributes,
                                            fileSequence, &info, 0);
    if (rc != 0) {
        m_prompts.ErrorBox("Invalid Path/File ", rc);
        FailedFile();
        return;
    }

    // Scanning with no short path would ask the server about a file that is
    // not this one: a file whose short path cannot be made is a failed check.
    std::string shortPath;
    if (!ConvertToShortName(conn, relative, dirHandle, shortPath)) {
        FailedFile();
        return;
    }

    rc = m_rows.GetConnections(conn, shortPath);
    if (rc == nwcode::kNoConsoleRights) {
        m_prompts.ErrorBox("Insufficent Rights to check open files", 0);
        FailedFile();
        return;
    }
    if (rc != 0) {
        m_prompts.ErrorBox("Problem Getting Connections", rc);
        FailedFile();
        return;
    }
    if (m_window.CheckFileLocks()) {
        rc = m_rows.GetLocks(conn, shortPath);
        if (rc != 0) {
            m_prompts.ErrorBox("Problem Getting Locks", rc);
            FailedFile();
            return;
        }
    }
    m_window.ShowPage(QueryWindow::Page::Users);
    m_filesFound = true;
}

void OpenFileQuery::FailedFile() {
    m_window.ShowPage(QueryWindow::Page::Path);
    m_prompts.SetBusyPointer(false);
}

bool OpenFileQuery::ConvertToShortName(ConnHandle conn, const std::string& relative,
                                       DirHandle dirHandle, std::string& shortPath) {
    shortPath.clear();
    std::uint32_t owning = 0;
    NWCode rc = m_client.NWGetOwningNameSpace(conn, dirHandle, relative, owning);
    if (rc != 0) {
        m_prompts.ErrorBox("Cannot Get Owning Name Space", rc);
        return false;
    }

    NWNSPath record;
    record.srcPath = relative;
    record.destPath = relative;
    record.destPathSize = 255;
    rc = m_client.NWGetNSPath(conn, dirHandle, 1, kNameSpaceLong, kNameSpaceDOS, record);
    if (rc == nwcode::kNameSpaceNotOnVolume) {
        // A volume without long names: its names are the DOS names.
        shortPath = relative;
        return true;
    }
    if (rc != 0) {
        m_prompts.ErrorBox("Error with nwgetnspath ", rc);
        return false;
    }

    std::string dosName;
    rc = m_client.NWGetLongName(conn, 0, relative, kNameSpaceLong, kNameSpaceDOS, dosName);
    if (rc != 0) {
        m_prompts.ErrorBox("Error with nwgetlongname", rc);
        return false;
    }
    std::string path = record.destPath;
    if (path.find(':') == std::string::npos) path += ':';
    if (path.back() != '\\') path += '\\';
    path += dosName;
    shortPath = std::move(path);
    return true;
}
