#include "browser/network_browser.h"

#include <cstring>
#include <vector>

#include "platform/codepage.h"
#include "platform/temp_dir_handle.h"

namespace {

constexpr std::uint32_t kFindDirectories = kAttrHidden | kAttrSystem | kAttrDirectory;  // 0x16
constexpr std::uint16_t kAllEntries = 0xFFFF;
constexpr std::uint32_t kAllEntryInfo = 0x0FFF;

bool EndsWithBackslash(const std::string& path) { return !path.empty() && path.back() == '\\'; }

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

std::string EntryName(const NWEntryInfo& entry) {
    return std::string(entry.entryName, strnlen(entry.entryName, sizeof entry.entryName));
}


}  // namespace

NetworkBrowser::NetworkBrowser(NWClient& client, WorkstationFiles& files, Prompts& prompts,
                               ClientSession& session, BrowserWindow& window, LoginBox& loginBox,
                               NodeTree& tree, FileList& fileList)
    : m_client(client),
      m_files(files),
      m_prompts(prompts),
      m_session(session),
      m_window(window),
      m_tree(tree),
      m_fileList(fileList),
      m_login(client, prompts, session, loginBox) {}

// ---- drives and servers ------------------------------------------------------

int NetworkBrowser::LoadDrives() {
    const bool showDrives = m_window.ShowDrives();
    const bool showServers = m_window.ShowServers();
    m_tree.DeleteAll();
    m_window.ShowStatus();
    if (showDrives) {
        for (char letter = 'A'; letter <= 'Z'; ++letter) LoadDrive(letter);
    }
    if (showServers && m_window.UseIPX()) LoadIpxServers();
    if (showServers && m_window.UseIP()) LoadIpServers();
    m_window.HideStatus();
    return 0;
}

void NetworkBrowser::LoadDrive(char letter) {
    const std::string root = std::string(1, letter) + ":\\";
    m_window.SetStatus("Loading Drive " + root);

    ConnHandle conn = 0;
    DirHandle dirHandle = 0;
    std::string relative;
    if (m_client.NWParseNetWarePath(root, conn, dirHandle, relative) != 0) return;

    auto record = std::make_unique<TBrowserNode>();
    record->driveBased = 1;
    record->path = root;
    record->nameSpace =
        m_client.IsLongNameSpaceSupported(conn, dirHandle, relative) != 0 ? kNameSpaceLong
                                                                          : kNameSpaceDOS;
    if (const NWCode rc = m_client.NWCCGetAllConnInfo(conn, 1, record->connInfo); rc != 0) {
        // Listed with no server: the text shows none, and the server page
        // has nothing to ask.
        m_prompts.ErrorBox("Cannot Get Connection Information", rc);
        record->connInfo = NWAllConnInfo{};
    }
    record->serverName = record->connInfo.serverName;

    const std::string text = std::string(1, letter) + ":  (" + OemToCharA(record->serverName) +
                             "\\" + OemToCharA(relative) + ")";
    TreeNode* node = m_tree.Add(nullptr, text, NodeImage::Computer, std::move(record));
    m_tree.AddPlaceholder(node);
}

void NetworkBrowser::AddServer(const std::string& name) {
    m_window.SetStatus("Loading Server " + OemToCharA(name));
    auto record = std::make_unique<TBrowserNode>();
    record->driveBased = 0;
    record->level = 0;
    record->serverName = name;
    record->path = name;
    TreeNode* node = m_tree.Add(nullptr, OemToCharA(name), NodeImage::Server, std::move(record));
    m_tree.AddPlaceholder(node);
}

void NetworkBrowser::LoadIpxServers() {
    std::uint32_t reference = 0;
    if (const NWCode rc = m_client.NWCCGetPrimConnRef(reference); rc != 0) {
        m_prompts.ErrorBox("NWCCGetPrimConnRef()", rc);
        return;
    }
    ConnHandle conn = 0;
    if (const NWCode rc = m_client.NWCCOpenConnByRef(reference, kOpenStateLicensed, 0, conn);
        rc != 0) {
        m_prompts.ErrorBox("NWCCOpenConnByRef() ", rc);
        return;
    }
    m_window.SetStatus("Loading IPX Servers");
    std::uint32_t objectId = 0xFFFFFFFF;
    std::string name;
    while (m_client.ScanBinderyObject(conn, "*", kObjectTypeFileServer, objectId, &name,
                                      nullptr) == 0)
        AddServer(name);
    m_client.NWCCCloseConn(conn);
}

bool NetworkBrowser::InTree(const std::string& shownName) const {
    const std::string wanted = UpperAscii(shownName);
    return m_tree.AnyNode([&wanted](const TreeNode& node) { return UpperAscii(node.text) == wanted; });
}

void NetworkBrowser::LoadIpServers() {
    m_window.SetStatus("Loading IP Servers");
    std::uint32_t scan = 0;
    if (m_client.OpenServerScan(kObjectTypeFileServer, scan) == 0) {
        for (;;) {
            std::uint32_t nameLength = 255;
            std::string name;
            if (m_client.NextScannedServer(scan, nameLength, name) != 0) break;
            if (!InTree(OemToCharA(name))) AddServer(name);
        }
    }
    m_client.CloseServerScan(scan);
}

// ---- expansion ---------------------------------------------------------------

bool NetworkBrowser::tvwDrivesExpanding(TreeNode* node) {
    if (!NodeTree::Unloaded(node)) return true;
    if (LoadBranch(node) != 0) return false;
    m_tree.Delete(node->children.front().get());
    return true;
}

int NetworkBrowser::LoadBranch(TreeNode* node) {
    const TBrowserNode* record = node ? node->record.get() : nullptr;
    if (!record) return -1;
    m_tree.BeginLoad(node);
    const int result = record->driveBased == 1 ? LoadDriveDirectories(node)
                       : record->level == 0    ? LoadVolumes(node)
                                               : LoadServerDirectories(node);
    m_tree.EndLoad();
    return result;
}

int NetworkBrowser::LoadDriveDirectories(TreeNode* node) {
    const TBrowserNode& parent = *node->record;
    const std::string pattern =
        OemToCharA(parent.path + (EndsWithBackslash(parent.path) ? "*.*" : "\\*.*"));
    FindState state;
    FindData entry;
    if (m_files.FindFirst(pattern, kFindDirectories, state, entry) != 0) {
        m_files.FindClose(state);
        return 0;
    }
    do {
        if ((entry.attributes & kAttrDirectory) == 0 || IsDotEntry(entry.name)) continue;
        auto record = std::make_unique<TBrowserNode>();
        record->driveBased = 1;
        record->level = 0;
        record->nameSpace = parent.nameSpace;
        record->connInfo = parent.connInfo;
        record->serverName = parent.serverName;
        record->path = parent.path + (EndsWithBackslash(parent.path) ? "" : "\\") +
                       CharToOemA(entry.name);
        TreeNode* child = m_tree.Add(node, entry.name, NodeImage::Folder, std::move(record));
        m_tree.AddPlaceholder(child);
    } while (m_files.FindNext(state, entry) == 0);
    m_files.FindClose(state);
    return 0;
}

int NetworkBrowser::LoadVolumes(TreeNode* node) {
    const std::string serverName = node->record->serverName;
    ConnHandle conn = 0;
    NWAllConnInfo info;
    if (!m_login.Connect(serverName, conn, info)) return -1;

    for (std::uint32_t number = 0; number <= 0xFFFF; ++number) {
        std::string name;
        const NWCode result = m_client.GetVolumeName(conn, static_cast<std::uint16_t>(number), name);
        if (name.empty()) break;

        TreeNode* volume = m_tree.Add(node, OemToCharA(name), NodeImage::Volume, nullptr);
        auto record = std::make_unique<TBrowserNode>();
        record->driveBased = 0;
        record->level = 1;
        record->serverName = serverName;
        record->path = serverName + "\\" + name + ":";
        record->connInfo = info;

        ConnHandle volumeConn = 0;
        DirHandle dirHandle = 0;
        std::string relative;
        if (const NWCode rc = m_client.NWParseNetWarePath(record->path, volumeConn, dirHandle, relative);
            rc != 0) {
            // A volume that cannot be listed gets no node rather than a
            // node without a record.
            m_prompts.ErrorBox("NWParseNetwarePath", rc);
            m_tree.Delete(volume);
            break;
        }
        record->nameSpace = m_client.IsLongNameSpaceSupported(volumeConn, dirHandle, relative) != 0
                                ? kNameSpaceLong
                                : kNameSpaceDOS;
        m_tree.Attach(volume, std::move(record));
        m_tree.AddPlaceholder(volume);
        if (result != 0) break;
    }
    m_client.NWCCCloseConn(conn);
    return 0;
}

int NetworkBrowser::LoadServerDirectories(TreeNode* node) {
    const TBrowserNode& parent = *node->record;
    ConnHandle conn = 0;
    DirHandle unused = 0;
    std::string relative;
    if (const NWCode rc = m_client.NWParseNetWarePath(parent.path, conn, unused, relative); rc != 0) {
        m_prompts.ErrorBox("NWParseNetwarePath", rc);
        return -1;
    }
    const auto nameSpace = static_cast<std::uint8_t>(parent.nameSpace);
    DirHandle handle = 0;
    if (const NWCode rc =
            m_client.NWAllocTempNSDirHandle2(conn, 0, relative, nameSpace, handle, nameSpace);
        rc != 0) {
        m_prompts.ErrorBox("NWAllocTempNSDirHandle2", rc);
        return -1;
    }
    {
        const TempDirHandle release(m_client, conn, handle);
        NWSearchSequence12 sequence = NewSearchSequence12();
        NWEntryInfo entry{};
        m_prompts.SetBusyPointer(true);
        m_window.RepaintWindow();
        for (;;) {
            const NWCode rc = m_client.NWScanNSEntryInfo(conn, handle, nameSpace, kAllEntries,
                                                         sequence, "*", kAllEntryInfo, entry);
            if (rc == nwcode::kNoMatch) break;
            if (rc != 0) {
                m_prompts.ErrorBox("NWScanNSEntryInfo", rc);
                break;
            }
            const std::string name = EntryName(entry);
            if (IsDotEntry(name) || (entry.attributes & kAttrDirectory) == 0) continue;
            auto record = std::make_unique<TBrowserNode>();
            record->driveBased = 0;
            record->level = 2;
            record->nameSpace = parent.nameSpace;
            record->connInfo = parent.connInfo;
            record->serverName = parent.serverName;
            record->path = parent.path + "\\" + name;
            TreeNode* child = m_tree.Add(node, OemToCharA(name), NodeImage::Folder, std::move(record));
            m_tree.AddPlaceholder(child);
        }
    }
    m_prompts.SetBusyPointer(false);
    m_window.RepaintWindow();
    return 0;
}

// ---- selection and file list ---------------------------------------------------

void NetworkBrowser::tvwDrivesChange(TreeNode* node) {
    if (!node) return;
    LoadData(node);
    if (const TBrowserNode* record = node->record.get()) {
        const std::string& path = record->path;
        m_window.SetPathText(OemToCharA(path + (EndsWithBackslash(path) ? "*.*" : "\\*.*")));
    }
    m_window.UpdateServerPage();
}

int NetworkBrowser::LoadData(TreeNode* node) {
    const TBrowserNode* record = node ? node->record.get() : nullptr;
    if (!record) return 0;
    if (record->driveBased == 0 && record->level == 0) {
        m_fileList.Clear();
        return 0;
    }
    std::string server;
    std::string volume;
    if (const NWCode rc = m_client.NWParsePath(record->path, &server, nullptr, &volume, nullptr);
        rc != 0) {
        m_prompts.ErrorBox("NWParsePath", rc);
        return 0;
    }
    ConnHandle conn = 0;
    DirHandle unused = 0;
    std::string relative;
    if (const NWCode rc = m_client.NWParseNetWarePath(record->path, conn, unused, relative); rc != 0) {
        m_prompts.ErrorBox("NWParseNetwarePath", rc);
        return 0;
    }
    m_session.currentConn = conn;
    const auto nameSpace = static_cast<std::uint8_t>(record->nameSpace);
    DirHandle handle = 0;
    if (const NWCode rc =
            m_client.NWAllocTempNSDirHandle2(conn, 0, relative, nameSpace, handle, nameSpace);
        rc != 0) {
        m_prompts.ErrorBox("NWAllocTempNSDirHandle2", rc);
        return 0;
    }
    std::vector<std::string> files;
    {
        const TempDirHandle release(m_client, conn, handle);
        NWSearchSequence12 sequence = NewSearchSequence12();
        NWEntryInfo entry{};
        m_prompts.SetBusyPointer(true);
        m_window.RepaintWindow();
        m_fileList.Clear();
        for (;;) {
            const NWCode rc = m_client.NWScanNSEntryInfo(conn, handle, nameSpace, kAllEntries,
                                                         sequence, "*", kAllEntryInfo, entry);
            if (rc == nwcode::kNoMatch) break;
            if (rc != 0) {
                m_fileList.SetFiles(files);
                m_prompts.ErrorBox("NWScanNSEntryInfo", rc);
                break;
            }
            const std::string name = EntryName(entry);
            if (IsDotEntry(name) || (entry.attributes & kAttrDirectory) != 0) continue;
            files.push_back(OemToCharA(name));
        }
    }
    m_fileList.SetFiles(std::move(files));
    m_prompts.SetBusyPointer(false);
    m_window.RepaintWindow();
    return 0;
}

void NetworkBrowser::lvwFilesChange(const std::string* caption) {
    // With no node selected (a reload deleted it) the list's items have no
    // directory to belong to: the path box is left alone.
    const TreeNode* node = m_window.SelectedNode();
    const TBrowserNode* record = node ? node->record.get() : nullptr;
    if (!record) return;
    std::string text = OemToCharA(record->path);
    if (!EndsWithBackslash(record->path)) text += '\\';
    if (caption) text += *caption;
    m_window.SetPathText(text);
}
