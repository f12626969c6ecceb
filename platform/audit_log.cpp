#include "platform/audit_log.h"

#include <pwd.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <nlohmann/json.hpp>

namespace {

constexpr char kAuditFileVariable[] = "KESTRUNE_AUDIT_FILE";

bool IsPlain(std::string_view value) {
    if (value.empty()) return false;
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        // UTF-8 sequences pass; only spaces, quotes, '=' and controls need quoting.
        if (byte <= 0x20 || byte == 0x7F || c == '"' || c == '=') return false;
    }
    return true;
}

void AppendValue(std::string& line, std::string_view key, std::string_view value) {
    if (!line.empty()) line += ' ';
    line += key;
    line += '=';
    if (IsPlain(value)) {
        line += value;
        return;
    }
    line += '"';
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            line += '\\';
            line += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            line += escaped;
        } else {
            line += c;
        }
    }
    line += '"';
}

std::string Hex(NWCode code) {
    char text[16];
    std::snprintf(text, sizeof text, code == 0 ? "0" : "0x%x", static_cast<unsigned>(code));
    return text;
}

class SystemAuditLog final : public AuditLog {
public:
    SystemAuditLog(std::string program, std::string file)
        : m_program(std::move(program)), m_localUser(LocalUserName()), m_file(std::move(file)) {
        openlog(m_program.c_str(), LOG_PID, LOG_AUTHPRIV);
    }
    ~SystemAuditLog() override { closelog(); }
    SystemAuditLog(const SystemAuditLog&) = delete;
    SystemAuditLog& operator=(const SystemAuditLog&) = delete;

    void Record(const AuditEvent& event) override {
        const std::string line = FormatAuditLine(m_program, m_localUser, event);
        syslog(LOG_AUTHPRIV | (event.result == 0 ? LOG_NOTICE : LOG_WARNING), "%s", line.c_str());
        if (m_file.empty()) return;
        // Opened per event: another process may append between two of ours.
        std::FILE* out = std::fopen(m_file.c_str(), "a");
        const std::string json = FormatAuditJson(m_program, m_localUser, event) + "\n";
        if (out == nullptr || std::fputs(json.c_str(), out) == EOF || std::fclose(out) != 0) {
            std::fprintf(stderr, "%s: cannot append to the audit file %s: %s\n",
                         m_program.c_str(), m_file.c_str(), std::strerror(errno));
        }
    }

private:
    std::string m_program;  // openlog keeps a pointer to it
    std::string m_localUser;
    std::string m_file;
};

}  // namespace

std::string FormatAuditLine(std::string_view program, std::string_view localUser,
                            const AuditEvent& event) {
    std::string line;
    AppendValue(line, "action", event.action);
    AppendValue(line, "result", Hex(event.result));
    AppendValue(line, "server", event.server);
    if (event.connection) {
        AppendValue(line, "connection", std::to_string(*event.connection));
        AppendValue(line, "connection_user", event.connectionUser);
    }
    if (!event.file.empty()) AppendValue(line, "file", event.file);
    AppendValue(line, "local_user", localUser);
    AppendValue(line, "program", program);
    return line;
}

std::string FormatAuditJson(std::string_view program, std::string_view localUser,
                            const AuditEvent& event) {
    nlohmann::json record = {{"program", program},
                             {"localUser", localUser},
                             {"action", event.action},
                             {"server", event.server},
                             {"connection", nullptr},
                             {"connectionUser", nullptr},
                             {"file", nullptr},
                             {"result", event.result}};
    if (event.connection) {
        record["connection"] = *event.connection;
        record["connectionUser"] = event.connectionUser;
    }
    if (!event.file.empty()) record["file"] = event.file;
    // Text that is no UTF-8 must not lose the record.
    return record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string LocalUserName() {
    const uid_t uid = getuid();
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
        return found->pw_name;
    }
    return "uid " + std::to_string(uid);
}

std::unique_ptr<AuditLog> CreateSystemAuditLog(std::string program) {
    const char* file = std::getenv(kAuditFileVariable);
    return std::make_unique<SystemAuditLog>(std::move(program), file ? file : "");
}
