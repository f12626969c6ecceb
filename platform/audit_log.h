#pragma once

// The audit trail: every change either program makes to a server (clear,
// close through the server module, message, logins off and on, drive
// mapping) is recorded once it was tried, whatever its outcome, so that after
// an incident anyone can tell what was done, by whom and with what result.
//
// Callers build an AuditEvent and hand it to the AuditLog they were given;
// the program's entry creates the system one (CreateSystemAuditLog) and tests
// pass a MemoryAuditLog.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/nwclient.h"

namespace audit {

// The action names as they appear in the log.
inline constexpr char kClear[] = "clear";
inline constexpr char kClose[] = "close";
inline constexpr char kMessage[] = "message";
inline constexpr char kDisableLogins[] = "disable-logins";
inline constexpr char kEnableLogins[] = "enable-logins";
inline constexpr char kMapDrive[] = "map-drive";

}  // namespace audit

struct AuditEvent {
    std::string action;                     // one of the audit:: names
    std::string server;                     // as the client names it (or as typed, if unreached)
    std::optional<ConnNumber> connection;   // none: the change concerns the whole server
    std::string connectionUser;             // the connection's user name (workstation text)
    std::string file;                       // the path that led to it, as shown; empty: none
    NWCode result = 0;                      // the client's code; 0 when it succeeded

    bool operator==(const AuditEvent&) const = default;
};

class AuditLog {
public:
    virtual ~AuditLog() = default;
    virtual void Record(const AuditEvent& event) = 0;
};

// Keeps what was recorded, for tests.
class MemoryAuditLog final : public AuditLog {
public:
    void Record(const AuditEvent& event) override { m_events.push_back(event); }
    const std::vector<AuditEvent>& events() const { return m_events; }

private:
    std::vector<AuditEvent> m_events;
};

// One event as a single logfmt line: key=value pairs, a value in double
// quotes (with \" \\ and \xNN escapes) when it holds anything but plain
// printable characters, so that no name from a server can forge a line.
std::string FormatAuditLine(std::string_view program, std::string_view localUser,
                            const AuditEvent& event);

// The same event as one JSON object (no line break).
std::string FormatAuditJson(std::string_view program, std::string_view localUser,
                            const AuditEvent& event);

// The name of the local account running the program (its real user id).
std::string LocalUserName();

// Records through syslog(3), facility authpriv, tagged with program and its
// process id, each line naming the program and the local user; the system
// journal keeps it. When the environment variable KESTRUNE_AUDIT_FILE names a
// file, each event is also appended to it as one JSON line (hosts without a
// journal; the end-to-end tests read it).
std::unique_ptr<AuditLog> CreateSystemAuditLog(std::string program);
