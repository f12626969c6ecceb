#include "admin/drive_mapping.h"

#include "platform/codepage.h"

namespace {

constexpr const char* kPathForm =
    "Enter the folder to map as SERVER\\VOLUME:PATH or \\\\SERVER\\VOLUME\\PATH";

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The server a path names (SERVER\VOLUME:... or \\SERVER\...); empty for
// a drive-letter path.
std::string ServerOf(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '/') c = '\\';
    if (p.rfind("\\\\", 0) == 0) return p.substr(2, p.find('\\', 2) - 2);
    if (p.size() >= 2 && p[1] == ':') return {};
    return p.substr(0, p.find('\\'));
}

}  // namespace

DriveMapping::DriveMapping(NWClient& client, Prompts& prompts, MapDriveWindow& window,
                           AuditLog& audit)
    : m_client(client), m_prompts(prompts), m_window(window), m_audit(audit) {}

bool DriveMapping::LetterInUse(char letter) {
    ConnHandle conn = 0;
    DirHandle dirHandle = 0;
    std::string relative;
    return m_client.NWParseNetWarePath(std::string{letter, ':', '\\'}, conn, dirHandle, relative) == 0;
}

std::vector<char> DriveMapping::FreeLetters() {
    std::vector<char> letters;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (!LetterInUse(letter)) letters.push_back(letter);
    return letters;
}

void DriveMapping::MapDrive() {
    const std::vector<char> letters = FreeLetters();
    if (letters.empty()) {
        m_prompts.MessageBox("Every drive letter is in use");
    } else {
        m_window.ShowMapDriveDialog(
            letters, [this](char letter, const std::string& path) { return Map(letter, path); });
    }
    m_window.LoadDrives();
}

bool DriveMapping::Map(char letter, const std::string& typed) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') {
        m_prompts.MessageBox("Choose a drive letter");
        return false;
    }
    const std::string drive{letter, ':'};
    if (LetterInUse(letter)) {
        m_prompts.MessageBox("Drive " + drive + " is already in use");
        return false;
    }
    const std::string path = Trimmed(typed);
    if (path.empty() || path.find_first_of("*?") != std::string::npos) {
        m_prompts.MessageBox(kPathForm);
        return false;
    }

    ConnHandle conn = 0;
    DirHandle dirHandle = 0;
    std::string relative;
    NWCode rc = m_client.NWParseNetWarePath(CharToOemA(path), conn, dirHandle, relative);
    if (rc == nwcode::kBadPathSyntax) {
        m_prompts.MessageBox(kPathForm);
        return false;
    }
    if (rc == nwcode::kServerUnknown) {
        const std::string server = ServerOf(path);
        m_prompts.MessageBox(server.empty() ? "The drive of " + path + " is not mapped to a server"
                                            : "The server " + server + " is unknown or down");
        return false;
    }
    if (rc == nwcode::kNoSuchVolume) {
        m_prompts.MessageBox("The volume of " + path + " does not exist");
        return false;
    }
    if (rc != 0) {
        m_prompts.ErrorBox("Cannot Map Drive", rc);
        return false;
    }

    NWSearchSequence9 sequence = NewSearchSequence9();
    rc = m_client.NWIntScanDirectoryInformation2(conn, dirHandle, relative, sequence, nullptr, 0);
    if (rc == nwcode::kNoMatch || rc == nwcode::kNoSuchDirectory) {
        m_prompts.MessageBox("The folder " + path + " does not exist or you have no rights to it");
        return false;
    }
    if (rc == 0) {
        rc = m_client.NWSetDriveBase(static_cast<std::uint16_t>(letter - 'A' + 1), conn, dirHandle,
                                     relative);
        AuditEvent event;
        event.action = audit::kMapDrive;
        NWAllConnInfo info;
        event.server = m_client.NWCCGetAllConnInfo(conn, 1, info) == 0 ? OemToCharA(info.serverName)
                                                                        : ServerOf(path);
        event.file = std::string(1, letter) + ": " + path;
        event.result = rc;
        m_audit.Record(event);
    }
    if (rc != 0) {
        m_prompts.ErrorBox("Cannot Map Drive", rc);
        return false;
    }
    return true;
}
