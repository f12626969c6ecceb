#pragma once

// The actions on the connections a query found: Refresh, Clear, Clear All,
// Send Message, and the details of one connection ("Other Files Open"). All
// go to the current server connection of the session and act on the
// connection numbers of the Users rows; Clear and Clear All end by running
// the query again so that the lists show what is left.
//
// The program's own connection to the server is guarded: a row whose number
// is this workstation's own connection number on the current server is
// cleared only after a question of its own, asked whatever "Confirm on Clear
// File" says, because clearing it cuts the program off from the server.
// Every other row is asked about and cleared exactly as before.

#include <optional>
#include <string>
#include <vector>

#include "admin/actions_window.h"
#include "platform/audit_log.h"
#include "platform/client_session.h"
#include "platform/nwclient.h"
#include "platform/prompts.h"

// The row a double click picked on the Users list.
struct UsersRowPick {
    ConnNumber connection = 0;
    std::string userName;  // the row's "User Name" text
};

class ConnectionActions final {
public:
    // Every clear and message tried is recorded in audit.
    ConnectionActions(NWClient& client, ClientSession& session, Prompts& prompts,
                      ActionsWindow& window, AuditLog& audit);

    void Refresh();
    void Clear();
    void ClearAll();
    void SendMessage();
    // row: the row at the double click's height, none when there was no row.
    void ShowConnectionDetails(const std::optional<UsersRowPick>& row);

    // The longest file line; longer ones are cut.
    static constexpr std::size_t kMaxLineBytes = 254;

    // The line of an open file: the volume name, ":" and the components of
    // the path (length-prefixed, ended by a zero length or by the end of the
    // buffer) joined by "\", cut to kMaxLineBytes. OEM in, OEM out.
    static std::string FileLine(const std::string& volume, const std::uint8_t* path,
                                std::size_t size);

private:
    // The current server as the client knows it, read once per action: its
    // name for the audit trail and this workstation's own connection number
    // there (none when the client cannot tell).
    struct CurrentServer {
        std::string name;
        std::optional<ConnNumber> own;
    };
    CurrentServer ReadCurrentServer();
    bool ConfirmOwnConnection(ConnNumber number);
    void Audit(const CurrentServer& server, const char* action, ConnNumber number, NWCode result);

    NWClient& m_client;
    ClientSession& m_session;
    Prompts& m_prompts;
    ActionsWindow& m_window;
    AuditLog& m_audit;
};
