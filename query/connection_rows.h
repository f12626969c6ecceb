#pragma once

// The rows of one checked file: one Users row per entry of the server's list
// of connections using it, one Locks row per physical lock on it, with the
// user's name, login time, address and directory full name.

#include <cstdint>
#include <string>

#include "platform/nwclient.h"
#include "platform/prompts.h"
#include "query/query_window.h"
#include "query/result_list.h"

// Reads the first value of one directory attribute of object (OEM names).
// 0 when a value was read; -1 on any failure, after an error box without an
// owner window (none for an object that lacks the attribute). Both request
// buffers are freed on every way out.
int GetNDSAttribute(NWClient& client, Prompts& prompts, DSContext context,
                    const std::string& object, const std::string& attribute, std::string& value);

class ConnectionRows final {
public:
    ConnectionRows(NWClient& client, Prompts& prompts, QueryWindow& window, ResultList& users,
                   ResultList& locks);

    // shortPath is the file's DOS short path in the OEM code page. 0, or the
    // client's failure code (the end-of-list code counts as 0); rows added
    // before a failure stay.
    NWCode GetConnections(ConnHandle conn, const std::string& shortPath);
    NWCode GetLocks(ConnHandle conn, const std::string& shortPath);

    // Failures are reported in error boxes; the row is always completed.
    // fileName is the "File Name" cell: the short path as workstation text,
    // converted once for all the rows of a file.
    void AddOpenRecord(ConnHandle conn, ConnNumber number, const std::string& fileName);
    void AddLockRecord(ConnHandle conn, ConnNumber number, const std::string& fileName,
                       std::uint32_t start, std::uint32_t end, std::uint16_t task,
                       std::uint8_t type);

private:
    std::string ShownUserName(std::string oemName) const;

    NWClient& m_client;
    Prompts& m_prompts;
    QueryWindow& m_window;
    ResultList& m_users;
    ResultList& m_locks;
};
