#pragma once

// A temporary directory handle released on every way out of the scope that
// allocated it: a connection has room for only 254 of them, so one leaked per
// scanned directory soon stops every scan on that server.

#include "platform/nwclient.h"

class TempDirHandle final {
public:
    TempDirHandle(NWClient& client, ConnHandle conn, DirHandle handle)
        : m_client(client), m_conn(conn), m_handle(handle) {}
    ~TempDirHandle() { m_client.DeallocateDirectoryHandle(m_conn, m_handle); }
    TempDirHandle(const TempDirHandle&) = delete;
    TempDirHandle& operator=(const TempDirHandle&) = delete;

private:
    NWClient& m_client;
    ConnHandle m_conn;
    DirHandle m_handle;
};
