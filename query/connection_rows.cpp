#include "query/connection_rows.h"

#include <algorithm>

#include "platform/codepage.h"
#include "query/cell_text.h"

namespace {

constexpr const char* kServerUser = "Netware File Server";
constexpr const char* kNotAvailable = "N/A";

// Frees the request buffer and then the reply buffer, however the read ends.
class DSBufferPair final {
public:
    DSBufferPair(NWClient& client, DSBuf reply, DSBuf request)
        : m_client(client), m_reply(reply), m_request(request) {}
    ~DSBufferPair() {
        m_client.DSFreeBuf(m_request);
        m_client.DSFreeBuf(m_reply);
    }
    DSBufferPair(const DSBufferPair&) = delete;
    DSBufferPair& operator=(const DSBufferPair&) = delete;

private:
    NWClient& m_client;
    DSBuf m_reply;
    DSBuf m_request;
};

// The client's text as workstation text. Code page 850 keeps ASCII as it is,
// so a name that is all ASCII (nearly every one) is taken over, not copied.
std::string WorkstationText(std::string oem) {
    const bool ascii = std::all_of(oem.begin(), oem.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ascii ? oem : OemToCharA(oem);
}

}  // namespace

int GetNDSAttribute(NWClient& client, Prompts& prompts, DSContext context,
                    const std::string& object, const std::string& attribute, std::string& value) {
    value.clear();
    const auto fail = [&](const char* label, NWCode code) {
        prompts.ErrorBox(label, code, Prompts::Owner::None);
        return -1;
    };

    DSBuf reply = 0;
    NWCode rc = client.DSAllocBuf(kDSBufSize, reply);
    if (rc != 0) return fail("DSAllocBuf", rc);
    DSBuf request = 0;
    rc = client.DSAllocBuf(kDSBufSize, request);
    if (rc != 0) {
        client.DSFreeBuf(reply);
        return fail("DSAllocBuf", rc);
    }
    const DSBufferPair buffers(client, reply, request);

    rc = client.DSInitBuf(context, kDSOperationRead, request);
    if (rc != 0) return fail("DSInitBuf", rc);

    std::string canonical;
    rc = client.DSCanonicalizeName(context, object, canonical);
    if (rc != 0) return fail("NWDSCanocaliseName", rc);

    rc = client.NWDSPutAttrName(context, request, attribute);
    if (rc != 0) return fail("NWDSPutAttrName", rc);

    std::int32_t iteration = -1;
    rc = client.NWDSRead(context, canonical, 1, false, request, iteration, reply);
    if (rc == nwcode::kDSNoSuchAttribute) return -1;
    if (rc != 0) return fail("NWDSRead", rc);

    std::uint32_t count = 0;
    rc = client.NWDSGetAttrCount(context, reply, count);
    if (rc != 0) return fail("NWDSGetAttrCount", rc);
    if (count != 1) return fail("AttribCount ", static_cast<NWCode>(count));

    std::string name;
    std::uint32_t valueCount = 0;
    std::uint32_t syntax = 0;
    rc = client.NWDSGetAttrName(context, reply, name, valueCount, syntax);
    if (rc != 0) return fail("NWDSGetAttrName", rc);

    // Only the first value is read, however many the attribute holds.
    rc = client.NWDSGetAttrVal(context, reply, syntax, value);
    if (rc != 0) {
        value.clear();
        return fail("NWDSGetAttrVal", rc);
    }
    return 0;
}

ConnectionRows::ConnectionRows(NWClient& client, Prompts& prompts, QueryWindow& window,
                               ResultList& users, ResultList& locks)
    : m_client(client), m_prompts(prompts), m_window(window), m_users(users), m_locks(locks) {}

NWCode ConnectionRows::GetConnections(ConnHandle conn, const std::string& shortPath) {
    const std::string fileName = OemToCharA(shortPath);
    std::int16_t iteration = 0;
    NWCode last = 0;
    while (last == 0 && iteration != -1) {
        NWConnsUsingFile reply{};
        last = m_client.NWScanConnectionsUsingFile(conn, 0, shortPath, iteration, nullptr, reply);
        if (last != 0) break;
        // The batch that comes with the end mark is a batch like any other.
        const std::size_t count =
            std::min<std::size_t>(reply.connCount, kConnsUsingFileBatch);
        for (std::size_t i = 0; i < count; ++i) {
            AddOpenRecord(conn, reply.connInfo[i].connNumber, fileName);
        }
    }
    return (last == 0 || last == nwcode::kScanEnd) ? 0 : last;
}

NWCode ConnectionRows::GetLocks(ConnHandle conn, const std::string& shortPath) {
    const std::string fileName = OemToCharA(shortPath);
    std::int16_t iteration = 0;
    NWCode last = 0;
    NWPhysicalLock lock{};
    NWPhysicalLockList lockList{};
    while (last == 0 && iteration != -1) {
        last = m_client.ScanPhysicalLocks(conn, 0, shortPath, 0, iteration, lock, lockList);
        // A record that comes back with the end mark is not a lock.
        if (last == 0 && iteration != -1) {
            AddLockRecord(conn, lock.connNumber, fileName, lock.recordStart, lock.recordEnd,
                          lock.taskNumber, lock.lockType);
        }
    }
    return (last == 0 || last == nwcode::kScanEnd) ? 0 : last;
}

std::string ConnectionRows::ShownUserName(std::string oemName) const {
    if (!m_window.ShowFullContext()) oemName = CutNameContext(oemName);
    return WorkstationText(std::move(oemName));
}

void ConnectionRows::AddOpenRecord(ConnHandle conn, ConnNumber number,
                                   const std::string& fileName) {
    ResultRow row;
    row.connection = number;
    std::string user;
    std::string fullName;
    std::string loginTime = kNotAvailable;

    if (number != 0) {
        std::uint32_t objectID = 0;
        NWLoginTime time{};
        const NWCode rc =
            m_client.NWGetConnectionInformation(conn, number, nullptr, nullptr, &objectID, &time);
        if (rc != 0) {
            // Without the connection information there is no object to name:
            // the row keeps an empty user, "N/A" and no full name.
            m_prompts.ErrorBox("Cannot Get Connection Information", rc);
        } else {
            loginTime = FormatLoginTime(time);
            const NWCode mapped =
                m_client.DSMapIDToName(m_window.SharedNdsContext(), conn, objectID, user);
            if (mapped != 0) user.clear();
            if (m_window.ShowFullName()) {
                if (mapped != 0) {
                    if (m_client.GetBinderyObjectName(conn, objectID, user, nullptr) != 0) {
                        user.clear();
                    }
                } else {
                    // Looked up with the uncut name.
                    GetNDSAttribute(m_client, m_prompts, m_window.SharedNdsContext(), user,
                                    "Full Name", fullName);
                }
            }
        }
    } else {
        user = kServerUser;
    }

    std::string address = kNotAvailable;
    NWStationAddress station{};
    if (m_client.GetConnectionAddress(conn, number, station) == 0) {
        address = FormatStationAddress(station, m_window.ShowNetworkNumber());
    }

    // In column order: Conn, File Name, User Name, Login Time, Address, Full Name.
    row.SetCells({std::to_string(number), fileName, ShownUserName(std::move(user)), loginTime,
                  address, WorkstationText(std::move(fullName))});
    m_users.Append(std::move(row));
}

void ConnectionRows::AddLockRecord(ConnHandle conn, ConnNumber number,
                                   const std::string& fileName, std::uint32_t start,
                                   std::uint32_t end, std::uint16_t task, std::uint8_t type) {
    ResultRow row;
    row.connection = number;
    std::string user;
    if (number != 0) {
        const NWCode rc =
            m_client.NWGetConnectionInformation(conn, number, &user, nullptr, nullptr, nullptr);
        if (rc != 0) {
            user.clear();
            m_prompts.ErrorBox("Cannot Get Connection Information", rc);
        }
    } else {
        user = kServerUser;
    }

    // In column order: Conn, File Name, User Name, Lock Type, Start Position,
    // End Position, Task.
    row.SetCells({std::to_string(number), fileName, ShownUserName(std::move(user)),
                  std::to_string(type), std::to_string(start), std::to_string(end),
                  std::to_string(task)});
    m_locks.Append(std::move(row));
}
