#pragma once

// A scan's findings as data: one flat record per file and connection, written
// as CSV (RFC 4180, header line, CRLF) or as one JSON array. Text is UTF-8.

#include <optional>
#include <string>
#include <vector>

#include "platform/nwclient.h"

namespace krcmd {

struct ConnectionRecord {
    std::string server;
    std::string volumePath;  // the file as its server names it ("SYS:ACCT\LEDGER.DAT")
    std::string path;        // as the text line shows it
    ConnNumber connection = 0;
    std::string user;        // whole, not cut to the text line's 25 characters
    std::string action;      // "clear", "close", "message"; empty when none was taken
    std::optional<NWCode> result;  // with an action: 0 when it succeeded

    bool operator==(const ConnectionRecord&) const = default;
};

std::string RecordsCsv(const std::vector<ConnectionRecord>& records);
std::string RecordsJson(const std::vector<ConnectionRecord>& records);

}  // namespace krcmd
