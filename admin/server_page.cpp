#include "admin/server_page.h"

#include "platform/codepage.h"

namespace {

constexpr const char* kNotAvailable = "N/A";

}  // namespace

struct ServerPage::Switch {
    NWCode (NWClient::*operation)(ConnHandle);
    const char* auditAction;
    const char* rightsText;
    const char* failureText;
};

ServerPage::ServerPage(NWClient& client, Prompts& prompts, ServerPageLabels& labels,
                       const bool& ready, AuditLog& audit)
    : m_client(client), m_prompts(prompts), m_labels(labels), m_ready(ready), m_audit(audit) {}

bool ServerPage::Open(const std::string& serverName, ConnHandle& conn) {
    const NWCode rc = m_client.NWCCOpenConnByName(0, serverName, kNameFormatBindery,
                                                  kOpenStateLicensed, kTransportAny, conn);
    if (rc == 0) return true;
    m_prompts.ErrorBox("NWCCOpenConnByName() ", rc);
    return false;
}

void ServerPage::UpdateServerPage(const ServerSelection& selection) {
    if (!m_ready) return;
    m_labels.SetServerName(kNotAvailable);
    m_labels.SetLicenseCount(kNotAvailable);
    m_labels.SetSuperEquivalent(kNotAvailable);
    // A drive whose connection could not be described names no server.
    if (!selection.nodeSelected || !selection.hasRecord || selection.serverName.empty()) return;

    ConnHandle conn = 0;
    if (!Open(selection.serverName, conn)) return;
    NWServerVersion version{};
    if (const NWCode rc = m_client.NWCCGetConnInfo(conn, kConnInfoServerVersion, sizeof version, &version);
        rc != 0) {
        m_prompts.ErrorBox("NWCCGetConnInfo", rc);
        m_client.NWCCCloseConn(conn);
        return;
    }
    m_labels.SetSuperEquivalent(m_client.CheckConsolePrivileges(conn) == 0 ? "Yes" : "No");

    // When the server does not answer, both labels keep "N/A" rather than
    // show what an unanswered request left behind.
    NWFileServerInfo info;
    if (m_client.GetFileServerInformation(conn, info) == 0) {
        m_labels.SetLicenseCount(std::to_string(info.connectionsInUse));
        m_labels.SetServerName(OemToCharA(info.serverName));
    }

    std::uint8_t enabled = 0;
    if (m_client.GetFileServerLoginStatus(conn, enabled) != 0)
        m_labels.SetLoginStatus("??");
    else
        m_labels.SetLoginStatus(enabled != 0 ? "Enabled" : "Disabled");
    m_client.NWCCCloseConn(conn);
}

void ServerPage::SwitchLogins(const ServerSelection& selection, const Switch& how) {
    if (!selection.nodeSelected) {
        m_prompts.MessageBox("Select a drive or server");
        return;
    }
    if (!selection.hasRecord) return;
    ConnHandle conn = 0;
    if (!Open(selection.serverName, conn)) return;
    const NWCode rc = (m_client.*how.operation)(conn);
    AuditEvent event;
    event.action = how.auditAction;
    event.server = OemToCharA(selection.serverName);
    event.result = rc;
    m_audit.Record(event);
    if (rc == nwcode::kNoConsoleRights)
        m_prompts.ErrorBox(how.rightsText, 0);
    else if (rc != 0)
        m_prompts.ErrorBox(how.failureText, rc);
    m_client.NWCCCloseConn(conn);
    UpdateServerPage(selection);
}

void ServerPage::cmdEnableLoginsClick(const ServerSelection& selection) {
    static constexpr Switch kEnable{&NWClient::NWEnableFileServerLogin, audit::kEnableLogins,
                                    "Insufficent Rights to Enable Logins", "Cannot Enable Logins"};
    SwitchLogins(selection, kEnable);
}

void ServerPage::cmdDisableLoginsClick(const ServerSelection& selection) {
    static constexpr Switch kDisable{&NWClient::NWDisableFileServerLogin, audit::kDisableLogins,
                                     "Insufficent Rights to Disable Logins", "Cannot Disable Logins"};
    SwitchLogins(selection, kDisable);
}
