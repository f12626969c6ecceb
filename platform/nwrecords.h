#pragma once

// Records that the client fills byte for byte. Their offsets are part of the
// contract with the callers, so each one is pinned by static_asserts; all
// multi-byte fields are in the workstation's byte order.

#include <array>
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// One entry of the connections-using-file reply.
struct NWConnUsingFileEntry {
    std::uint16_t connNumber;
    std::uint16_t taskNumber;
    std::uint8_t lockType;
    std::uint8_t accessControl;
    std::uint8_t lockFlag;
    std::uint8_t reserved;
};
static_assert(sizeof(NWConnUsingFileEntry) == 8);

inline constexpr std::size_t kConnsUsingFileBatch = 70;

// Reply of NWScanConnectionsUsingFile: a count at 16 and up to 70 entries from 18.
struct NWConnsUsingFile {
    std::uint16_t nextRequest;
    std::uint16_t useCount;
    std::uint16_t openCount;
    std::uint16_t openForReadCount;
    std::uint16_t openForWriteCount;
    std::uint16_t denyReadCount;
    std::uint16_t denyWriteCount;
    std::uint8_t locked;
    std::uint8_t forkCount;
    std::uint16_t connCount;
    NWConnUsingFileEntry connInfo[kConnsUsingFileBatch];
};
static_assert(offsetof(NWConnsUsingFile, connCount) == 16);
static_assert(offsetof(NWConnsUsingFile, connInfo) == 18);
static_assert(sizeof(NWConnsUsingFile) == 18 + 70 * 8);

// One physical record lock (ScanPhysicalLocks), 20 bytes.
struct NWPhysicalLock {
    std::uint16_t loggedCount;
    std::uint16_t shareableLockCount;
    std::uint32_t recordStart;
    std::uint32_t recordEnd;
    std::uint16_t connNumber;
    std::uint16_t taskNumber;
    std::uint8_t lockType;
    std::uint8_t reserved[3];
};
static_assert(offsetof(NWPhysicalLock, recordStart) == 4);
static_assert(offsetof(NWPhysicalLock, recordEnd) == 8);
static_assert(offsetof(NWPhysicalLock, connNumber) == 12);
static_assert(offsetof(NWPhysicalLock, taskNumber) == 14);
static_assert(offsetof(NWPhysicalLock, lockType) == 16);
static_assert(sizeof(NWPhysicalLock) == 20);

// The lock-list record that ScanPhysicalLocks is handed beside the single lock.
// Callers zero it and never read it.
struct NWPhysicalLockList {
    std::uint8_t bytes[656];
};
static_assert(sizeof(NWPhysicalLockList) == 656);

// Login time of a connection, 7 bytes.
struct NWLoginTime {
    std::uint8_t year;     // year - 1900
    std::uint8_t month;    // 1-12
    std::uint8_t day;
    std::uint8_t hour;
    std::uint8_t minute;
    std::uint8_t second;
    std::uint8_t weekday;  // 0 = Sunday
};
static_assert(sizeof(NWLoginTime) == 7);

inline constexpr std::uint16_t kConnTypeIPX = 1;
inline constexpr std::uint16_t kConnTypeIP = 11;

// Station address (GetConnectionAddress). For type 11 bytes 0-3 are an IPv4
// address in network order; otherwise 0-3 are the IPX network, 4-9 the node.
struct NWStationAddress {
    std::uint8_t network[4];
    std::uint8_t node[6];
    std::uint8_t socket[2];
    std::uint16_t connType;
};
static_assert(offsetof(NWStationAddress, node) == 4);
static_assert(offsetof(NWStationAddress, connType) == 12);
static_assert(sizeof(NWStationAddress) == 14);

inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;

// Directory entry in a name space (NWScanNSEntryInfo), 344 bytes: the
// attributes at 4, the NUL-terminated name at 85.
struct NWEntryInfo {
    std::uint32_t spaceAlloc;
    std::uint32_t attributes;
    std::uint16_t flags;
    std::uint32_t dataStreamSize;
    std::uint32_t totalStreamSize;
    std::uint16_t numberOfStreams;
    std::uint16_t creationTime;
    std::uint16_t creationDate;
    std::uint32_t creatorID;
    std::uint16_t modifyTime;
    std::uint16_t modifyDate;
    std::uint32_t modifierID;
    std::uint16_t lastAccessDate;
    std::uint16_t archiveTime;
    std::uint16_t archiveDate;
    std::uint32_t archiverID;
    std::uint16_t inheritedRightsMask;
    std::uint32_t dirEntNum;
    std::uint32_t DosDirNum;
    std::uint32_t volNumber;
    std::uint32_t EADataSize;
    std::uint32_t EAKeyCount;
    std::uint32_t EAKeySize;
    std::uint32_t NSCreator;
    std::uint8_t reserved[8];
    std::uint8_t nameLength;
    char entryName[256];
    std::uint8_t padding[3];
};
static_assert(offsetof(NWEntryInfo, attributes) == 4);
static_assert(offsetof(NWEntryInfo, nameLength) == 84);
static_assert(offsetof(NWEntryInfo, entryName) == 85);
static_assert(sizeof(NWEntryInfo) == 344);

#pragma pack(pop)

// Search sequences: 9 bytes of 0xFF start a file or directory information
// scan; 12 bytes, zero but for 8-11 set to 0xFF, start a name-space scan.
using NWSearchSequence9 = std::array<std::uint8_t, 9>;
using NWSearchSequence12 = std::array<std::uint8_t, 12>;

inline NWSearchSequence9 NewSearchSequence9() {
    NWSearchSequence9 s;
    s.fill(0xFF);
    return s;
}

inline NWSearchSequence12 NewSearchSequence12() {
    NWSearchSequence12 s{};
    for (std::size_t i = 8; i < 12; ++i) s[i] = 0xFF;
    return s;
}
