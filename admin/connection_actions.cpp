#include "admin/connection_actions.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <memory>

#include "platform/codepage.h"

namespace {

constexpr const char* kNoRights = "You do not have sufficient rights to clear connections";

std::string Numbered(const char* before, ConnNumber number, const char* after) {
    return before + std::to_string(number) + after;
}

}  // namespace

ConnectionActions::ConnectionActions(NWClient& client, ClientSession& session, Prompts& prompts,
                                     ActionsWindow& window, AuditLog& audit)
    : m_client(client), m_session(session), m_prompts(prompts), m_window(window), m_audit(audit) {}

void ConnectionActions::Audit(const CurrentServer& server, const char* action, ConnNumber number,
                              NWCode result) {
    UsersRowTexts row = m_window.RowTexts(number);
    m_audit.Record(AuditEvent{action, server.name, number, std::move(row.userName),
                              std::move(row.fileName), result});
}

ConnectionActions::CurrentServer ConnectionActions::ReadCurrentServer() {
    CurrentServer server;
    NWAllConnInfo info;
    if (m_client.NWCCGetAllConnInfo(m_session.currentConn, 1, info) != 0) return server;
    server.name = OemToCharA(info.serverName);
    // 0 is the server itself, never a workstation's connection.
    if (info.connNumber != 0 && info.connNumber <= 0xFFFF)
        server.own = static_cast<ConnNumber>(info.connNumber);
    return server;
}

bool ConnectionActions::ConfirmOwnConnection(ConnNumber number) {
    return m_prompts.AskYesNo(Numbered("Connection ", number,
                                       " is this workstation's own connection to the server.\n"
                                       "Clearing it cuts this program off from the server.\n"
                                       "Clear it anyway?"));
}

void ConnectionActions::Refresh() {
    m_window.GetOpenFilesData();
    m_prompts.SetBusyPointer(false);
}

void ConnectionActions::Clear() {
    const std::vector<ConnNumber> selected = m_window.UsersConnections(true);
    if (selected.empty()) {
        m_prompts.Beep();
        m_prompts.MessageBox("Select User(s) to Clear");
        return;
    }
    const CurrentServer server = ReadCurrentServer();
    for (const ConnNumber number : selected) {
        if (number == server.own) {
            if (!ConfirmOwnConnection(number)) continue;
        } else if (m_window.ConfirmOnClear() &&
                   !m_prompts.AskYesNo(Numbered("Clear Connection ", number, "?"))) {
            continue;
        }
        const NWCode rc = m_client.NWClearConnectionNumber(m_session.currentConn, number);
        Audit(server, audit::kClear, number, rc);
        if (rc == nwcode::kNoConsoleRights) {
            m_prompts.ErrorBox(kNoRights, 0);
            return;
        }
        if (rc != 0) m_prompts.ErrorBox("Cannot Clear Connection", rc);
    }
    m_window.GetOpenFilesData();
}

void ConnectionActions::ClearAll() {
    if (m_window.ConfirmOnClear() && !m_prompts.AskYesNo("Clear Al Connections ?")) return;
    const std::vector<ConnNumber> rows = m_window.UsersConnections(false);
    const CurrentServer server = rows.empty() ? CurrentServer{} : ReadCurrentServer();
    // Every 16-bit number has its place, so no list of connections is too
    // long for it.
    auto done = std::make_unique<std::bitset<0x10000>>();
    for (const ConnNumber number : rows) {
        if (done->test(number)) continue;
        done->set(number);
        if (number == server.own && !ConfirmOwnConnection(number)) continue;
        const NWCode rc = m_client.NWClearConnectionNumber(m_session.currentConn, number);
        Audit(server, audit::kClear, number, rc);
        if (rc == nwcode::kNoConsoleRights) {
            m_prompts.ErrorBox(kNoRights, 0);
            break;
        }
        if (rc != 0) m_prompts.ErrorBox(Numbered("Cannot Clear Connection : ", number, ""), rc);
    }
    m_window.GetOpenFilesData();
}

void ConnectionActions::SendMessage() {
    if (m_window.UsersConnections(true).empty()) {
        m_prompts.Beep();
        m_prompts.MessageBox("Select User(s) to Send To");
        return;
    }
    const std::optional<std::string> text = m_window.AskMessageText();
    if (!text) return;
    const std::string message = CharToOemA(*text);
    const CurrentServer server = ReadCurrentServer();
    // The results are not examined: a station that does not take the
    // message is no reason to hold back the others.
    for (ConnNumber number : m_window.UsersConnections(true)) {
        std::uint8_t result = 0;
        const NWCode rc =
            m_client.NWSendBroadcastMessage(m_session.currentConn, message, 1, &number, &result);
        Audit(server, audit::kMessage, number, rc != 0 ? rc : result);
    }
}

std::string ConnectionActions::FileLine(const std::string& volume, const std::uint8_t* path,
                                        std::size_t size) {
    std::string line = volume + ":";
    std::size_t at = 0;
    bool first = true;
    while (at < size && path[at] != 0) {
        const std::size_t length = std::min<std::size_t>(path[at], size - at - 1);
        if (!first) line += '\\';
        line.append(reinterpret_cast<const char*>(path + at + 1), length);
        first = false;
        at += 1 + length;
        if (line.size() >= kMaxLineBytes) break;
    }
    if (line.size() > kMaxLineBytes) line.resize(kMaxLineBytes);
    return line;
}

void ConnectionActions::ShowConnectionDetails(const std::optional<UsersRowPick>& row) {
    if (!row) {
        m_prompts.Beep();
        m_prompts.MessageBox("Double Click on a User to get Information");
        return;
    }
    const ConnHandle conn = m_session.currentConn;
    m_window.SetUserInfoName(row->userName);
    m_window.ClearUserInfoFiles();
    std::int16_t handle = 0;
    for (;;) {
        NWOpenFileControl control;
        NWOpenFile file;
        const std::int16_t sent = handle;
        const NWCode scan =
            m_client.ScanOpenFilesByConnection(conn, row->connection, handle, control, file);
        // A failing request ends the listing; the end codes of other scans
        // are taken as the end too, anything else is worth a box.
        if (scan != 0) {
            if (scan != nwcode::kScanEnd && scan != nwcode::kNoMatch)
                m_prompts.ErrorBox("Cannot Get Open Files", scan);
            break;
        }
        if (static_cast<std::uint16_t>(handle) == 0xFFFF) break;

        std::array<std::uint8_t, 255> path{};
        std::uint8_t length = 255;
        const NWCode rc = m_client.GetDirectoryEntryPath(conn, file.volNumber, file.dirEntry,
                                                         kNameSpaceDOS, length, path.data());
        if (rc != 0) {
            m_prompts.ErrorBox("Unable to get DirEntry info", rc);
            path.fill(0);
        }
        std::string volume;
        if (m_client.GetVolumeName(conn, file.volNumber, volume) != 0) volume.clear();
        m_window.AddUserInfoFile(OemToCharA(FileLine(volume, path.data(), path.size())));
        // A server that hands back the handle it was given would answer the
        // same request for ever.
        if (handle == sent) break;
    }
    m_window.ShowUserInfo();
}
