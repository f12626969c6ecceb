#include "platform/sim/sim_network.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/codepage.h"

namespace nwsim {

NWCode SimNetwork::NWParseNetWarePath(const std::string& path, ConnHandle& conn, DirHandle& dirHandle,
                                      std::string& relativePath) {
    Call call(*this, "NWParseNetWarePath", {.path = path});
    if (call.rc) return call.rc;
    NetPath parsed;
    if (NWCode rc = ParseNetPath(path, parsed); rc != 0) return rc;
    conn = HandleFor(parsed.server);
    dirHandle = 0;
    relativePath = parsed.volume + ":" + parsed.rest;
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWParsePath(const std::string& path, std::string* server, ConnHandle* conn,
                               std::string* volume, std::string* dirPath) {
    Call call(*this, "NWParsePath", {.path = path});
    if (call.rc) return call.rc;
    NetPath parsed;
    if (NWCode rc = ParseNetPath(path, parsed); rc != 0) return rc;
    if (server) *server = parsed.server;
    if (conn) *conn = HandleFor(parsed.server);
    if (volume) *volume = parsed.volume;
    if (dirPath) *dirPath = parsed.rest;
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWIntScanDirectoryInformation2(ConnHandle conn, DirHandle dirHandle,
                                                  const std::string& path, NWSearchSequence9& sequence,
                                                  NWDirInfo* info, std::uint8_t) {
    Call call(*this, "NWIntScanDirectoryInformation2", {.conn = conn, .path = path});
    if (call.rc) return call.rc;
    const Server* s;
    Located where;
    if (NWCode rc = LocateOn(conn, dirHandle, path, s, where); rc != 0) return rc;
    const Volume& v = s->volumes[where.volume];
    std::uint32_t found = kNoEntry;
    if (where.last.empty()) {
        // The directory itself ("VOL:" or a trailing separator).
        if (StartOf(sequence) == 0) found = where.directory;
        if (found != kNoEntry) SetPosition(sequence, 0xFFFFFFFE);
    } else {
        found = ScanChildren(v, where.directory, where.last, sequence,
                             [](const Entry& e) { return e.directory; });
    }
    if (found == kNoEntry) return nwcode::kNoMatch;
    if (info) {
        const Entry& e = v.entries[found];
        info->dirName = found == 0 ? v.name : e.dos;
        info->attributes = e.Attributes();
    }
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWIntScanFileInformation2(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                             std::uint8_t searchAttributes, NWSearchSequence9& sequence,
                                             NWFileInfo* info, std::uint8_t) {
    Call call(*this, "NWIntScanFileInformation2", {.conn = conn, .path = path});
    if (call.rc) return call.rc;
    const Server* s;
    Located where;
    if (NWCode rc = LocateOn(conn, dirHandle, path, s, where); rc != 0) return rc;
    if (where.last.empty()) return nwcode::kNoMatch;
    const Volume& v = s->volumes[where.volume];
    const std::uint32_t special = kAttrHidden | kAttrSystem;
    std::uint32_t found = ScanChildren(v, where.directory, where.last, sequence, [&](const Entry& e) {
        return !e.directory && (e.Attributes() & special & ~std::uint32_t{searchAttributes}) == 0;
    });
    if (found == kNoEntry) return nwcode::kNoMatch;
    if (info) {
        const Entry& e = v.entries[found];
        info->fileName = e.dos;
        info->attributes = e.Attributes();
        info->fileSize = 0;
    }
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWGetOwningNameSpace(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                        std::uint32_t& nameSpace) {
    Call call(*this, "NWGetOwningNameSpace", {.conn = conn, .path = path});
    if (call.rc) return call.rc;
    const Server* s;
    Located where;
    if (NWCode rc = LocateOn(conn, dirHandle, path, s, where); rc != 0) return rc;
    if (EntryOf(*s, where) == kNoEntry) return nwcode::kNoMatch;
    nameSpace = s->volumes[where.volume].longNames ? kNameSpaceLong : kNameSpaceDOS;
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWGetNSPath(ConnHandle conn, DirHandle dirHandle, std::uint16_t fileFlag,
                               std::uint8_t srcNameSpace, std::uint8_t destNameSpace, NWNSPath& nsPath) {
    Call call(*this, "NWGetNSPath", {.conn = conn, .path = nsPath.srcPath});
    if (call.rc) return call.rc;
    const Server* s;
    Located where;
    if (NWCode rc = LocateOn(conn, dirHandle, nsPath.srcPath, s, where); rc != 0) return rc;
    const Volume& v = s->volumes[where.volume];
    if (!v.longNames && (srcNameSpace == kNameSpaceLong || destNameSpace == kNameSpaceLong))
        return nwcode::kNameSpaceNotOnVolume;
    std::uint32_t entry = EntryOf(*s, where);
    if (entry == kNoEntry) return nwcode::kNoMatch;
    std::uint32_t target = fileFlag == 1 && entry != 0 ? v.entries[entry].parent : entry;
    std::string out = v.name;
    auto parts = v.PathOf(target, destNameSpace != kNameSpaceLong);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        out += i == 0 ? ":" : "\\";
        out += *parts[i];
    }
    if (out.size() > nsPath.destPathSize) return nwcode::kBadPathSyntax;
    nsPath.destPath = std::move(out);
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWGetLongName(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                 std::uint8_t srcNameSpace, std::uint8_t destNameSpace, std::string& name) {
    Call call(*this, "NWGetLongName", {.conn = conn, .path = path});
    if (call.rc) return call.rc;
    const Server* s;
    Located where;
    if (NWCode rc = LocateOn(conn, dirHandle, path, s, where); rc != 0) return rc;
    const Volume& v = s->volumes[where.volume];
    if (!v.longNames && (srcNameSpace == kNameSpaceLong || destNameSpace == kNameSpaceLong))
        return nwcode::kNameSpaceNotOnVolume;
    std::uint32_t entry = EntryOf(*s, where);
    if (entry == kNoEntry) return nwcode::kNoMatch;
    name = destNameSpace == kNameSpaceLong ? v.entries[entry].name : v.entries[entry].dos;
    return nwcode::kSuccess;
}

int SimNetwork::IsLongNameSpaceSupported(ConnHandle conn, DirHandle dirHandle, const std::string& path) {
    Call call(*this, "IsLongNameSpaceSupported", {.conn = conn, .path = path});
    if (call.rc) return 0;
    NWCode rc;
    const Server* s = ServerOf(conn, rc);
    if (!s) return 0;
    Located where;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> base;
    if (dirHandle != 0) {
        const DirHandleInfo* handle = DirectoryOf(*s, conn, dirHandle);
        if (!handle) return 0;
        base = std::make_pair(handle->volume, handle->entry);
    }
    if (Locate(*s, path, base, where) != 0) {
        // A path of a missing directory still names its volume.
        std::string volume;
        std::vector<std::string> parts;
        if (!SplitVolumePath(path, volume, parts)) return 0;
        const Volume* v = s->VolumeByName(volume);
        return v && v->longNames ? 1 : 0;
    }
    return s->volumes[where.volume].longNames ? 1 : 0;
}

NWCode SimNetwork::NWAllocTempNSDirHandle2(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                           std::uint8_t nameSpace, DirHandle& newHandle, std::uint8_t) {
    Call call(*this, "NWAllocTempNSDirHandle2", {.conn = conn, .path = path});
    if (call.rc) return call.rc;
    const Server* s;
    Located where;
    if (NWCode rc = LocateOn(conn, dirHandle, path, s, where); rc != 0) return rc;
    const Volume& v = s->volumes[where.volume];
    if (!v.longNames && nameSpace == kNameSpaceLong) return nwcode::kNameSpaceNotOnVolume;
    std::uint32_t entry = EntryOf(*s, where);
    if (entry == kNoEntry) return nwcode::kNoMatch;
    if (!v.entries[entry].directory) return nwcode::kNoSuchDirectory;
    for (DirHandle h = 1; h <= kMaxDirHandles; ++h) {
        if (!m_dirHandles.count({conn, h})) {
            m_dirHandles[{conn, h}] = DirHandleInfo{where.volume, entry};
            newHandle = h;
            return nwcode::kSuccess;
        }
    }
    return nwcode::kNoMoreDirHandles;
}

NWCode SimNetwork::NWScanNSEntryInfo(ConnHandle conn, DirHandle dirHandle, std::uint8_t nameSpace,
                                     std::uint16_t searchAttributes, NWSearchSequence12& sequence,
                                     const std::string& pattern, std::uint32_t, NWEntryInfo& entry) {
    Call call(*this, "NWScanNSEntryInfo", {.conn = conn, .path = pattern});
    if (call.rc) return call.rc;
    NWCode rc;
    const Server* s = ServerWithIdentity(conn, rc);
    if (!s) return rc;
    const DirHandleInfo* handle = DirectoryOf(*s, conn, dirHandle);
    if (!handle) return kBadDirHandle;
    const Volume& v = s->volumes[handle->volume];
    if (!v.longNames && nameSpace == kNameSpaceLong) return nwcode::kNameSpaceNotOnVolume;
    const Entry& dir = v.entries[handle->entry];
    bool longNames = nameSpace == kNameSpaceLong;
    std::uint32_t start = 0;
    if (!(sequence[8] == 0xFF && sequence[9] == 0xFF && sequence[10] == 0xFF && sequence[11] == 0xFF))
        start = ReadLE32(sequence.data());
    auto wanted = [&](const Entry& e) {
        if (searchAttributes == 0xFFFF) return true;
        std::uint32_t special = e.Attributes() & (kAttrHidden | kAttrSystem | kAttrDirectory);
        return (special & ~std::uint32_t{searchAttributes}) == 0;
    };
    auto named = [&](const Entry& e) -> const std::string& { return longNames ? e.name : e.dos; };
    std::uint32_t foundAt = kNoEntry;
    if (!pattern.empty() && !HasWildcards(pattern)) {
        std::uint32_t e = v.Find(handle->entry, pattern);
        if (start == 0 && e != kNoEntry && EqualNoCase(named(v.entries[e]), pattern) && wanted(v.entries[e]))
            foundAt = e;
        start = static_cast<std::uint32_t>(dir.children.size());
    } else if (!pattern.empty()) {
        for (; start < dir.children.size(); ++start) {
            const Entry& e = v.entries[dir.children[start]];
            if (wanted(e) && WildcardMatch(pattern, named(e))) {
                foundAt = dir.children[start++];
                break;
            }
        }
    }
    if (foundAt == kNoEntry) return nwcode::kNoMatch;
    WriteLE32(sequence.data(), start);
    WriteLE32(sequence.data() + 8, handle->entry);
    const Entry& e = v.entries[foundAt];
    entry = NWEntryInfo{};
    entry.attributes = e.Attributes();
    entry.dirEntNum = foundAt;
    entry.DosDirNum = foundAt;
    entry.volNumber = v.number;
    const std::string& name = named(e);
    std::size_t n = std::min<std::size_t>(name.size(), sizeof entry.entryName - 1);
    std::memcpy(entry.entryName, name.data(), n);
    entry.entryName[n] = '\0';
    entry.nameLength = static_cast<std::uint8_t>(n);
    return nwcode::kSuccess;
}

NWCode SimNetwork::DeallocateDirectoryHandle(ConnHandle conn, DirHandle dirHandle) {
    Call call(*this, "DeallocateDirectoryHandle", {.conn = conn});
    if (call.rc) return call.rc;
    if (m_dirHandles.erase({conn, dirHandle}) == 0) return kBadDirHandle;
    return nwcode::kSuccess;
}

NWCode SimNetwork::GetVolumeName(ConnHandle conn, std::uint16_t volNumber, std::string& name) {
    Call call(*this, "GetVolumeName", {.conn = conn});
    name.clear();
    if (call.rc) return call.rc;
    NWCode rc;
    const Server* s = ServerOf(conn, rc);
    if (!s) return rc;
    const Volume* v = s->VolumeByNumber(volNumber);
    if (!v) return nwcode::kNoSuchVolume;
    name = v->name;
    return nwcode::kSuccess;
}

NWCode SimNetwork::GetDirectoryEntryPath(ConnHandle conn, std::uint8_t volNumber, std::uint32_t dirEntry,
                                         std::uint8_t nameSpace, std::uint8_t& length, std::uint8_t* buffer) {
    Call call(*this, "GetDirectoryEntryPath", {.conn = conn});
    if (call.rc) return call.rc;
    NWCode rc;
    const Server* s = ServerWithIdentity(conn, rc);
    if (!s) return rc;
    const Volume* v = s->VolumeByNumber(volNumber);
    if (!v) return nwcode::kNoSuchVolume;
    if (dirEntry >= v->entries.size()) return nwcode::kNoMatch;
    if (!v->longNames && nameSpace == kNameSpaceLong) return nwcode::kNameSpaceNotOnVolume;
    auto parts = v->PathOf(dirEntry, nameSpace != kNameSpaceLong);
    std::size_t need = 1;
    for (const std::string* p : parts) need += 1 + std::min<std::size_t>(p->size(), 255);
    if (need > length || !buffer) return nwcode::kBadPathSyntax;
    std::size_t at = 0;
    for (const std::string* p : parts) {
        std::size_t n = std::min<std::size_t>(p->size(), 255);
        buffer[at++] = static_cast<std::uint8_t>(n);
        std::memcpy(buffer + at, p->data(), n);
        at += n;
    }
    buffer[at++] = 0;
    length = static_cast<std::uint8_t>(at);
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWSetDriveBase(std::uint16_t driveNum, ConnHandle conn, DirHandle dirHandle,
                                  const std::string& dirPath) {
    Call call(*this, "NWSetDriveBase", {.conn = conn, .path = dirPath});
    if (call.rc) return call.rc;
    if (driveNum < 1 || driveNum > 26) return nwcode::kBadPathSyntax;
    const Server* s;
    Located where;
    if (NWCode rc = LocateOn(conn, dirHandle, dirPath, s, where); rc != 0) return rc;
    const Volume& v = s->volumes[where.volume];
    const std::uint32_t entry = EntryOf(*s, where);
    if (entry == kNoEntry || !v.entries[entry].directory) return nwcode::kNoSuchDirectory;
    std::string target = s->name + "\\" + v.name + ":";
    for (const std::string* part : v.PathOf(entry, false)) {
        if (target.back() != ':') target += '\\';
        target += *part;
    }
    const std::string letter(1, static_cast<char>('A' + driveNum - 1));
    return Change([&](Json& doc) -> NWCode {
        Json& ws = doc["workstation"];
        if (!ws.is_object()) ws = Json::object();
        Json& drives = ws["drives"];
        if (!drives.is_object()) drives = Json::object();
        for (auto it = drives.begin(); it != drives.end(); ++it) {
            if (EqualNoCase(it.key(), letter)) {
                drives.erase(it);
                break;
            }
        }
        drives[letter] = OemToCharA(target);
        return nwcode::kSuccess;
    });
}

int SimNetwork::FindFirst(const std::string& pattern, std::uint32_t attributes, FindState& state,
                          FindData& entry) {
    state = FindState{};
    int rc = IsNetworkPath(pattern) ? ListNetwork(pattern, attributes, state)
                                    : ListLocal(pattern, attributes, state);
    if (rc != 0) return rc;
    if (state.entries.empty()) return kFindFileNotFound;
    return FindNext(state, entry);
}

int SimNetwork::FindNext(FindState& state, FindData& entry) {
    if (state.next >= state.entries.size()) return kFindNoMoreFiles;
    entry = state.entries[state.next++];
    return 0;
}

void SimNetwork::FindClose(FindState& state) {
    state = FindState{};
}

NWCode SimNetwork::ParseNetPath(std::string_view text, NetPath& out) const {
    std::string p = NormalizeSeparators(text);
    std::string rest;
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
        std::vector<std::string> parts = SplitComponents(std::string_view(p).substr(2));
        if (parts.size() < 2) return nwcode::kBadPathSyntax;
        out.server = parts[0];
        out.volume = parts[1];
        if (!out.volume.empty() && out.volume.back() == ':') out.volume.pop_back();
        parts.erase(parts.begin(), parts.begin() + 2);
        rest = JoinComponents(parts);
    } else if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
        auto it = m_net.workstation.drives.find(letter);
        if (it == m_net.workstation.drives.end()) return nwcode::kServerUnknown;
        out.server = it->second.server;
        out.volume = it->second.volume;
        std::vector<std::string> parts = SplitComponents(it->second.directory);
        for (std::string& part : SplitComponents(std::string_view(p).substr(2)))
            parts.push_back(std::move(part));
        rest = JoinComponents(parts);
    } else {
        std::size_t colon = p.find(':');
        std::size_t sep = p.find('\\');
        if (colon == std::string::npos || sep == std::string::npos || sep == 0 || sep > colon ||
            colon == sep + 1)
            return nwcode::kBadPathSyntax;
        out.server = p.substr(0, sep);
        out.volume = p.substr(sep + 1, colon - sep - 1);
        if (out.volume.find('\\') != std::string::npos) return nwcode::kBadPathSyntax;
        rest = JoinComponents(SplitComponents(std::string_view(p).substr(colon + 1)));
    }
    if (rest.find(':') != std::string::npos || out.server.empty() || out.volume.empty())
        return nwcode::kBadPathSyntax;
    const Server* s = m_net.ServerByName(out.server);
    if (!s || s->down) return nwcode::kServerUnknown;
    const Volume* v = s->VolumeByName(out.volume);
    if (!v) return nwcode::kNoSuchVolume;
    out.server = s->name;
    out.volume = v->name;
    out.rest = std::move(rest);
    return nwcode::kSuccess;
}

NWCode SimNetwork::LocateOn(ConnHandle conn, DirHandle dirHandle, std::string_view path, const Server*& s,
                            Located& where) const {
    NWCode rc;
    s = ServerWithIdentity(conn, rc);
    if (!s) return rc;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> base;
    if (dirHandle != 0) {
        const DirHandleInfo* handle = DirectoryOf(*s, conn, dirHandle);
        if (!handle) return kBadDirHandle;
        base = std::make_pair(handle->volume, handle->entry);
    }
    return Locate(*s, path, base, where);
}

const SimNetwork::DirHandleInfo* SimNetwork::DirectoryOf(const Server& s, ConnHandle conn,
                                                         DirHandle dirHandle) const {
    auto it = m_dirHandles.find({conn, dirHandle});
    if (it == m_dirHandles.end()) return nullptr;
    const DirHandleInfo& handle = it->second;
    if (handle.volume >= s.volumes.size()) return nullptr;
    const Volume& v = s.volumes[handle.volume];
    if (handle.entry >= v.entries.size() || !v.entries[handle.entry].directory) return nullptr;
    return &handle;
}

std::uint32_t SimNetwork::EntryOf(const Server& s, const Located& where) {
    if (where.last.empty()) return where.directory;
    if (HasWildcards(where.last)) return kNoEntry;
    return s.volumes[where.volume].Find(where.directory, where.last);
}

NWCode SimNetwork::ConsoleFile(ConnHandle conn, DirHandle dirHandle, std::string_view path, const Server*& s,
                               std::uint32_t& volume, std::uint32_t& entry) const {
    NWCode rc;
    s = ServerWithConsole(conn, rc);
    if (!s) return rc;
    Located where;
    if (NWCode located = LocateOn(conn, dirHandle, path, s, where); located != 0) return located;
    entry = EntryOf(*s, where);
    volume = where.volume;
    if (entry == kNoEntry || s->volumes[volume].entries[entry].directory) return nwcode::kNoMatch;
    return nwcode::kSuccess;
}

std::uint32_t SimNetwork::StartOf(const NWSearchSequence9& sequence) {
    std::uint32_t pos = ReadLE32(sequence.data());
    return pos == 0xFFFFFFFF ? 0 : pos;
}

void SimNetwork::SetPosition(NWSearchSequence9& sequence, std::uint32_t pos) {
    WriteLE32(sequence.data(), pos);
    for (std::size_t i = 4; i < sequence.size(); ++i) sequence[i] = 0;
}

bool SimNetwork::IsNetworkPath(std::string_view pattern) const {
    if (pattern.size() >= 2 && (pattern[0] == '\\' || pattern[0] == '/') &&
        (pattern[1] == '\\' || pattern[1] == '/'))
        return true;
    if (pattern.size() >= 2 && pattern[1] == ':' && std::isalpha(static_cast<unsigned char>(pattern[0]))) {
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(pattern[0])));
        return m_net.workstation.drives.count(letter) > 0;
    }
    return false;
}

int SimNetwork::ListNetwork(const std::string& pattern, std::uint32_t attributes, FindState& state) {
    Call call(*this, "FindFirst", {.path = pattern});
    if (call.rc) return kFindPathNotFound;
    NetPath parsed;
    if (ParseNetPath(CharToOemA(pattern), parsed) != 0) return kFindPathNotFound;
    ConnHandle conn = HandleFor(parsed.server);
    const Server* s;
    Located where;
    if (LocateOn(conn, 0, parsed.volume + ":" + parsed.rest, s, where) != 0) return kFindPathNotFound;
    if (where.last.empty()) return kFindFileNotFound;
    const Volume& v = s->volumes[where.volume];
    const Entry& dir = v.entries[where.directory];
    if (where.directory != 0 && (attributes & kAttrDirectory)) {
        for (const char* dot : {".", ".."}) {
            if (WildcardMatch(where.last, dot)) state.entries.push_back(FindData{dot, kAttrDirectory});
        }
    }
    const std::uint32_t special = kAttrHidden | kAttrSystem | kAttrDirectory;
    auto add = [&](const Entry& e) {
        if ((e.Attributes() & special & ~attributes) != 0) return;
        state.entries.push_back(FindData{OemToCharA(v.longNames ? e.name : e.dos), e.Attributes()});
    };
    if (!HasWildcards(where.last)) {
        std::uint32_t e = v.Find(where.directory, where.last);
        if (e != kNoEntry) add(v.entries[e]);
        return 0;
    }
    for (std::uint32_t child : dir.children) {
        const Entry& e = v.entries[child];
        if (WildcardMatch(where.last, e.name) || WildcardMatch(where.last, e.dos)) add(e);
    }
    return 0;
}

int SimNetwork::ListLocal(const std::string& pattern, std::uint32_t attributes, FindState& state) {
    {
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        ++m_counts["FindFirst"];
    }
    namespace fs = std::filesystem;
    std::size_t sep = pattern.find_last_of("/\\");
    std::string dir = sep == std::string::npos ? "." : pattern.substr(0, sep + 1);
    std::string last = sep == std::string::npos ? pattern : pattern.substr(sep + 1);
    std::replace(dir.begin(), dir.end(), '\\', '/');
    if (last.empty()) return kFindFileNotFound;
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return kFindPathNotFound;
    if (attributes & kAttrDirectory) {
        for (const char* dot : {".", ".."}) {
            if (WildcardMatch(last, dot)) state.entries.push_back(FindData{dot, kAttrDirectory});
        }
    }
    std::vector<FindData> found;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (!WildcardMatch(last, name)) continue;
        std::uint32_t attr = it->is_directory(ec) ? kAttrDirectory : kAttrArchive;
        if (name.size() > 1 && name[0] == '.') attr |= kAttrHidden;
        if ((attr & (kAttrHidden | kAttrSystem | kAttrDirectory) & ~attributes) != 0) continue;
        found.push_back(FindData{name, attr});
    }
    std::sort(found.begin(), found.end(),
              [](const FindData& a, const FindData& b) { return a.name < b.name; });
    state.entries.insert(state.entries.end(), found.begin(), found.end());
    return 0;
}

}  // namespace nwsim
