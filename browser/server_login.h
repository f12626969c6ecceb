#pragma once

// The server connection step: a connection to a server by name on which the
// user is authenticated, asking for a user name and password when the
// workstation's own identity does not get in — a bindery login on a server
// without directory services, else a login to the server's tree, which
// replaces the shared directory-services context.

#include <string>

#include "browser/browser_window.h"
#include "platform/client_session.h"
#include "platform/nwclient.h"
#include "platform/prompts.h"

class ServerLogin final {
public:
    ServerLogin(NWClient& client, Prompts& prompts, ClientSession& session, LoginBox& loginBox);

    // True with an open, authenticated handle and its information, which the
    // caller releases with NWCCCloseConn; false when refused (every handle
    // opened on the way is released again).
    bool Connect(const std::string& serverName, ConnHandle& conn, NWAllConnInfo& info);

private:
    bool BinderyLogin(ConnHandle conn, NWAllConnInfo& info);
    bool TreeLogin(const std::string& serverName, ConnHandle& conn, NWAllConnInfo& info);
    // The shared context becomes a new one bound to the tree, at its root.
    DSContext NewTreeContext(const std::string& treeName);
    void Release(ConnHandle conn);

    NWClient& m_client;
    Prompts& m_prompts;
    ClientSession& m_session;
    LoginBox& m_loginBox;
};
