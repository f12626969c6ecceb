#include "browser/server_login.h"

#include "platform/codepage.h"

namespace {

NWCode OpenByName(NWClient& client, const std::string& serverName, ConnHandle& conn) {
    return client.NWCCOpenConnByName(0, serverName, kNameFormatBindery, kOpenStateLicensed,
                                     kTransportAny, conn);
}

}  // namespace

ServerLogin::ServerLogin(NWClient& client, Prompts& prompts, ClientSession& session,
                         LoginBox& loginBox)
    : m_client(client), m_prompts(prompts), m_session(session), m_loginBox(loginBox) {}

void ServerLogin::Release(ConnHandle conn) { m_client.NWCCCloseConn(conn); }

bool ServerLogin::Connect(const std::string& serverName, ConnHandle& conn, NWAllConnInfo& info) {
    if (const NWCode rc = OpenByName(m_client, serverName, conn); rc != 0) {
        m_prompts.ErrorBox("NWCCOpenConnByName() ", rc);
        return false;
    }
    // Silently, with whatever identity the workstation holds in the directory.
    m_client.NWDSAuthenticate(conn, 0, nullptr);
    info = NWAllConnInfo{};
    if (const NWCode rc = m_client.NWCCGetAllConnInfo(conn, 1, info); rc != 0) {
        // Without the record neither the authentication nor the kind of
        // login is known: refused, and the next expansion tries again.
        m_prompts.ErrorBox("NWCCGetAllConnInfo() ", rc);
        Release(conn);
        return false;
    }
    if (info.authenticationState != 0) return true;
    return info.ndsState == 0 ? BinderyLogin(conn, info) : TreeLogin(serverName, conn, info);
}

bool ServerLogin::BinderyLogin(ConnHandle conn, NWAllConnInfo& info) {
    std::string userName;
    std::string password;
    if (!m_loginBox.AskLogin("Login To Server " + OemToCharA(info.serverName), userName, password)) {
        m_prompts.SetBusyPointer(false);
        Release(conn);
        return false;
    }
    const NWCode rc = m_client.NWLoginToFileServer(conn, CharToOemA(userName), kObjectTypeUser,
                                                   CharToOemA(password));
    if (rc == 0) {
        if (const NWCode again = m_client.NWCCGetAllConnInfo(conn, 1, info); again != 0)
            m_prompts.ErrorBox("NWCCGetAllConnInfo() ", again);
        return true;
    }
    if (rc == nwcode::kNoSuchObject)
        m_prompts.MessageBox("Unknown User ID");
    else if (rc == nwcode::kNoMatch)
        m_prompts.MessageBox("Invalid Password");
    else
        m_prompts.ErrorBox("NWLoginToFileServer", rc);
    Release(conn);
    return false;
}

DSContext ServerLogin::NewTreeContext(const std::string& treeName) {
    DSContext context = 0;
    // A failed creation leaves the shared context as it was; the login that
    // follows then fails on the handle it did not get and says so.
    if (m_client.DSCreateContextHandle(context) == 0) m_session.dsContext = context;
    m_client.DSSetContext(context, kDSContextTreeName, treeName);
    m_client.DSSetContext(context, kDSContextNameContext, std::string("[root]"));
    std::uint32_t flags = 0;
    m_client.DSGetContext(context, kDSContextFlags, flags);
    m_client.DSSetContext(context, kDSContextFlags, flags | kDSFlagTypeless);
    return context;
}

bool ServerLogin::TreeLogin(const std::string& serverName, ConnHandle& conn, NWAllConnInfo& info) {
    if (m_client.NWDSAuthenticate(conn, 0, nullptr) != 0) {
        std::string userName;
        std::string password;
        if (!m_loginBox.AskLogin("Login To Tree " + OemToCharA(info.treeName), userName, password)) {
            m_prompts.SetBusyPointer(false);
            Release(conn);
            return false;
        }
        const DSContext context = NewTreeContext(info.treeName);
        const NWCode rc = m_client.NWDSLogin(context, 0, CharToOemA(userName),
                                             CharToOemA(password), 0);
        if (rc != 0) {
            m_prompts.ErrorBox("NWDSLogin", rc);
            m_prompts.SetBusyPointer(false);
            Release(conn);
            return false;
        }
    }

    // A fresh connection, made after the login, carries the new identity.
    Release(conn);
    if (const NWCode rc = OpenByName(m_client, serverName, conn); rc != 0) {
        m_prompts.ErrorBox("NWCCOpenConnByName() ", rc);
        return false;
    }
    if (const NWCode rc = m_client.NWDSAuthenticate(conn, 0, nullptr); rc != 0) {
        m_prompts.ErrorBox("NWDSAuthenticate() ", rc);
        Release(conn);
        return false;
    }
    if (const NWCode rc = m_client.NWCCGetAllConnInfo(conn, 1, info); rc != 0)
        m_prompts.ErrorBox("NWCCGetAllConnInfo() ", rc);
    return true;
}
