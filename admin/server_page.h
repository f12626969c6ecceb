#pragma once

// The "Server Info" tab and the "Login Status" group: the name, the
// connections in use and the user's supervisor equivalence on the server of
// the node selected in the browser, whether that server accepts logins, and
// the two buttons that switch its logins. Every update and every switch opens
// its own connection by the server's name and releases it at the end.

#include <string>

#include "platform/audit_log.h"
#include "platform/nwclient.h"
#include "platform/prompts.h"

// The page's four output labels (workstation text).
class ServerPageLabels {
public:
    virtual ~ServerPageLabels() = default;
    virtual void SetServerName(const std::string& text) = 0;      // lblServerName
    virtual void SetLicenseCount(const std::string& text) = 0;    // lblLicenseCount
    virtual void SetSuperEquivalent(const std::string& text) = 0; // lblSuperEquivalent
    virtual void SetLoginStatus(const std::string& text) = 0;     // lblLoginStatus
};

// What the browser's selection says about its server.
struct ServerSelection {
    bool nodeSelected = false;
    bool hasRecord = false;   // a placeholder has none
    std::string serverName;   // OEM; empty when the node's server is unknown
};

class ServerPage final {
public:
    // ready: the page is filled only once it is true (start-up sets it).
    // Every switch of a server's logins that is tried is recorded in audit.
    ServerPage(NWClient& client, Prompts& prompts, ServerPageLabels& labels, const bool& ready,
               AuditLog& audit);

    void UpdateServerPage(const ServerSelection& selection);
    void cmdEnableLoginsClick(const ServerSelection& selection);
    void cmdDisableLoginsClick(const ServerSelection& selection);

private:
    struct Switch;
    void SwitchLogins(const ServerSelection& selection, const Switch& how);
    bool Open(const std::string& serverName, ConnHandle& conn);

    NWClient& m_client;
    Prompts& m_prompts;
    ServerPageLabels& m_labels;
    const bool& m_ready;
    AuditLog& m_audit;
};
