#pragma once

// The NetWare client as both programs see it: one abstract interface, each
// operation under its client name. Nothing above platform/ knows what sits
// behind it (today the simulated network of platform/sim/).
//
// Conventions:
//  - every operation returns an NWCode, 0 on success (IsLongNameSpaceSupported
//    and the name-space ids are the exceptions the client itself makes);
//  - names and paths travel in the OEM code page (850), as std::string bytes;
//  - an optional output is a pointer; nullptr means "not wanted".

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/nwcodes.h"
#include "platform/nwrecords.h"

using ConnHandle = std::uint32_t;   // the client's handle for a connection to one server
using DirHandle = std::uint8_t;     // a directory handle on such a connection
using ConnNumber = std::uint16_t;   // the server's number for a station; 0 is the server
using DSContext = std::uint32_t;    // a directory-services context handle
using DSBuf = std::uint32_t;        // a directory-services request or reply buffer

inline constexpr std::uint8_t kNameSpaceDOS = 0;
inline constexpr std::uint8_t kNameSpaceLong = 4;

inline constexpr std::uint32_t kNameFormatBindery = 2;
inline constexpr std::uint32_t kOpenStateLicensed = 1;
inline constexpr std::uint32_t kTransportAny = 0x8000;

// Object types as the client takes them (high and low byte swapped).
inline constexpr std::uint16_t kObjectTypeUser = 0x0100;
inline constexpr std::uint16_t kObjectTypeFileServer = 0x0400;

// NWCCGetConnInfo information types used by the programs.
inline constexpr std::uint32_t kConnInfoServerVersion = 12;

// Directory-services context keys and flags.
inline constexpr int kDSContextFlags = 1;
inline constexpr int kDSContextNameContext = 3;
inline constexpr int kDSContextTreeName = 11;
inline constexpr std::uint32_t kDSFlagTypeless = 4;
inline constexpr std::uint32_t kDSOperationRead = 7;
inline constexpr std::size_t kDSBufSize = 4096;

// NWCCGetAllConnInfo, version 1: the fields the callers read, and what a copy
// of the whole record carries along.
struct NWAllConnInfo {
    std::uint32_t authenticationState = 0;  // 0: not authenticated
    std::uint32_t ndsState = 0;             // 0: the server has no directory services
    std::string treeName;
    std::string serverName;
    std::string userName;                   // the identity the connection is authenticated as
    std::uint32_t connNumber = 0;           // the workstation's own number on the server
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t revision = 0;
};

// NWCCGetConnInfo type 12 (length 12).
struct NWServerVersion {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};
static_assert(sizeof(NWServerVersion) == 12);

// NWGetNSPath: source path in, destination path out, at most destPathSize
// characters.
struct NWNSPath {
    std::string srcPath;
    std::string destPath;
    std::size_t destPathSize = 255;
};

// NWIntScanFileInformation2: what the programs may read of a file.
struct NWFileInfo {
    std::string fileName;
    std::uint32_t attributes = 0;
    std::uint32_t fileSize = 0;
};

// NWIntScanDirectoryInformation2: what the programs may read of a directory.
struct NWDirInfo {
    std::string dirName;
    std::uint32_t attributes = 0;
};

// ScanOpenFilesByConnection: the control record (iteration state of the
// server) and one open file.
struct NWOpenFileControl {
    std::uint32_t reserved[4] = {};
};
struct NWOpenFile {
    std::uint16_t taskNumber = 0;
    std::uint8_t lockType = 0;
    std::uint8_t accessControl = 0;
    std::uint8_t lockFlag = 0;
    std::uint8_t volNumber = 0;
    std::uint32_t parent = 0;
    std::uint32_t dirEntry = 0;   // the open file's directory entry number on its volume
    std::uint8_t forkCount = 0;
    std::uint8_t nameSpace = 0;
    std::string fileName;
};

// GetFileServerInformation.
struct NWFileServerInfo {
    std::string serverName;
    std::uint8_t fileServiceVersion = 0;
    std::uint8_t fileServiceSubVersion = 0;
    std::uint16_t maximumServiceConnections = 0;
    std::uint16_t connectionsInUse = 0;
    std::uint16_t numberMountedVolumes = 0;
    std::uint16_t maxConnectionsUsed = 0;
    std::uint8_t revision = 0;
    std::uint8_t SFTLevel = 0;
    std::uint8_t TTSLevel = 0;
};

class NWClient {
public:
    virtual ~NWClient() = default;

    // ---- start-up ----------------------------------------------------------
    virtual NWCode NWCallsInit() = 0;

    // ---- connections -------------------------------------------------------
    virtual NWCode NWCCOpenConnByName(ConnHandle startConn, const std::string& name,
                                      std::uint32_t nameFormat, std::uint32_t openState,
                                      std::uint32_t transport, ConnHandle& conn) = 0;
    virtual NWCode NWCCGetPrimConnRef(std::uint32_t& connRef) = 0;
    virtual NWCode NWCCOpenConnByRef(std::uint32_t connRef, std::uint32_t openState,
                                     std::uint32_t reserved, ConnHandle& conn) = 0;
    // Releases a handle that NWCCOpenConnByName or NWCCOpenConnByRef gave;
    // the connection itself stays while other handles use it.
    virtual NWCode NWCCCloseConn(ConnHandle conn) = 0;
    virtual NWCode NWCCGetAllConnInfo(ConnHandle conn, std::uint32_t version,
                                      NWAllConnInfo& info) = 0;
    // Type 12 fills an NWServerVersion; length is the size of the buffer.
    virtual NWCode NWCCGetConnInfo(ConnHandle conn, std::uint32_t infoType, std::size_t length,
                                   void* buffer) = 0;

    // ---- paths -------------------------------------------------------------
    // A path on a mapped drive ("F:\DIR\NAME") or server-qualified
    // ("FS1\SYS:DIR\NAME", "FS1/SYS:..."): the server's connection, a directory
    // handle (0: the relative path is volume-qualified) and the relative path
    // as the server sees it ("SYS:DIR\NAME").
    virtual NWCode NWParseNetWarePath(const std::string& path, ConnHandle& conn,
                                      DirHandle& dirHandle, std::string& relativePath) = 0;
    virtual NWCode NWParsePath(const std::string& path, std::string* server, ConnHandle* conn,
                               std::string* volume, std::string* dirPath) = 0;

    // ---- files and directories --------------------------------------------
    // Succeeds when path (its last component may hold wildcards) names a
    // directory; sequence carries the scan position between calls.
    virtual NWCode NWIntScanDirectoryInformation2(ConnHandle conn, DirHandle dirHandle,
                                                  const std::string& path,
                                                  NWSearchSequence9& sequence, NWDirInfo* info,
                                                  std::uint8_t augmentFlag) = 0;
    // Succeeds when path (its last component may hold wildcards) names a file
    // whose special attributes are all within searchAttributes (2 hidden, 4 system).
    virtual NWCode NWIntScanFileInformation2(ConnHandle conn, DirHandle dirHandle,
                                             const std::string& path,
                                             std::uint8_t searchAttributes,
                                             NWSearchSequence9& sequence, NWFileInfo* info,
                                             std::uint8_t augmentFlag) = 0;
    virtual NWCode NWGetOwningNameSpace(ConnHandle conn, DirHandle dirHandle,
                                        const std::string& path, std::uint32_t& nameSpace) = 0;
    // With fileFlag 1: the path, in destNameSpace, of the directory holding the
    // file ("SYS:ACCT", or the bare volume "SYS" for a file in the root);
    // 0x89BF when the volume lacks either name space.
    virtual NWCode NWGetNSPath(ConnHandle conn, DirHandle dirHandle, std::uint16_t fileFlag,
                               std::uint8_t srcNameSpace, std::uint8_t destNameSpace,
                               NWNSPath& nsPath) = 0;
    // The last component of path, named in destNameSpace.
    virtual NWCode NWGetLongName(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                 std::uint8_t srcNameSpace, std::uint8_t destNameSpace,
                                 std::string& name) = 0;
    // Non-zero when the volume of path carries the long name space.
    virtual int IsLongNameSpaceSupported(ConnHandle conn, DirHandle dirHandle,
                                         const std::string& path) = 0;
    virtual NWCode NWAllocTempNSDirHandle2(ConnHandle conn, DirHandle dirHandle,
                                           const std::string& path, std::uint8_t nameSpace,
                                           DirHandle& newHandle,
                                           std::uint8_t newNameSpace) = 0;
    // One entry of the directory of dirHandle matching pattern per call;
    // 0x89FF after the last.
    virtual NWCode NWScanNSEntryInfo(ConnHandle conn, DirHandle dirHandle,
                                     std::uint8_t nameSpace, std::uint16_t searchAttributes,
                                     NWSearchSequence12& sequence, const std::string& pattern,
                                     std::uint32_t returnInfoMask, NWEntryInfo& entry) = 0;
    virtual NWCode DeallocateDirectoryHandle(ConnHandle conn, DirHandle dirHandle) = 0;
    // An empty name and 0x8998 for a number with no volume.
    virtual NWCode GetVolumeName(ConnHandle conn, std::uint16_t volNumber, std::string& name) = 0;
    // The entry's path below the volume root as length-prefixed components
    // ended by a zero length byte; length is the room in buffer on entry.
    virtual NWCode GetDirectoryEntryPath(ConnHandle conn, std::uint8_t volNumber,
                                         std::uint32_t dirEntry, std::uint8_t nameSpace,
                                         std::uint8_t& length, std::uint8_t* buffer) = 0;

    // ---- workstation drives ----------------------------------------------
    // Maps drive driveNum (1 = A: ... 26 = Z:) of the workstation to the
    // directory dirPath on the server of conn (relative to dirHandle; with 0
    // volume-qualified, "SYS:DIR" or "SYS:" for the root). A letter already
    // mapped is mapped anew. The mapping lasts beyond this program: the
    // workstation's other programs and its next start see it.
    virtual NWCode NWSetDriveBase(std::uint16_t driveNum, ConnHandle conn, DirHandle dirHandle,
                                  const std::string& dirPath) = 0;

    // ---- connections of a server ------------------------------------------
    // Up to 70 entries per call. iterHandle starts at 0; the server either
    // answers 0x88FF after the last batch or sets it to -1 with the last batch.
    virtual NWCode NWScanConnectionsUsingFile(ConnHandle conn, DirHandle dirHandle,
                                              const std::string& path, std::int16_t& iterHandle,
                                              NWConnUsingFileEntry* single,
                                              NWConnsUsingFile& reply) = 0;
    // One lock per call; the call after the last sets iterHandle to -1.
    virtual NWCode ScanPhysicalLocks(ConnHandle conn, DirHandle dirHandle, const std::string& path,
                                     std::uint8_t dataStream, std::int16_t& iterHandle,
                                     NWPhysicalLock& lock, NWPhysicalLockList& lockList) = 0;
    // One open file per call; the call after the last sets iterHandle to 0xFFFF (-1).
    virtual NWCode ScanOpenFilesByConnection(ConnHandle conn, ConnNumber connNumber,
                                             std::int16_t& iterHandle,
                                             NWOpenFileControl& control, NWOpenFile& file) = 0;
    virtual NWCode NWGetConnectionInformation(ConnHandle conn, ConnNumber connNumber,
                                              std::string* objectName, std::uint16_t* objectType,
                                              std::uint32_t* objectID,
                                              NWLoginTime* loginTime) = 0;
    virtual NWCode GetConnectionAddress(ConnHandle conn, ConnNumber connNumber,
                                        NWStationAddress& address) = 0;
    virtual NWCode GetBinderyObjectName(ConnHandle conn, std::uint32_t objectID,
                                        std::string& name, std::uint16_t* objectType) = 0;
    virtual NWCode NWClearConnectionNumber(ConnHandle conn, ConnNumber connNumber) = 0;
    // results gets one byte per addressed connection (see nwcode::kMessage*).
    virtual NWCode NWSendBroadcastMessage(ConnHandle conn, const std::string& message,
                                          std::uint16_t count, const ConnNumber* connList,
                                          std::uint8_t* results) = 0;

    // ---- bindery and servers ----------------------------------------------
    virtual NWCode NWLoginToFileServer(ConnHandle conn, const std::string& objectName,
                                       std::uint16_t objectType, const std::string& password) = 0;
    // objectID is the iterator: -1 (all bits set) to start.
    virtual NWCode ScanBinderyObject(ConnHandle conn, const std::string& searchName,
                                     std::uint16_t objectType, std::uint32_t& objectID,
                                     std::string* objectName, std::uint16_t* foundType) = 0;
    virtual NWCode OpenServerScan(std::uint16_t serverType, std::uint32_t& scanHandle) = 0;
    // nameLength: room for the name on entry, its length on return.
    virtual NWCode NextScannedServer(std::uint32_t scanHandle, std::uint32_t& nameLength,
                                     std::string& name) = 0;
    virtual NWCode CloseServerScan(std::uint32_t scanHandle) = 0;
    virtual NWCode NWDisableFileServerLogin(ConnHandle conn) = 0;
    virtual NWCode NWEnableFileServerLogin(ConnHandle conn) = 0;
    virtual NWCode GetFileServerLoginStatus(ConnHandle conn, std::uint8_t& loginEnabled) = 0;
    virtual NWCode GetFileServerInformation(ConnHandle conn, NWFileServerInfo& info) = 0;
    virtual NWCode CheckConsolePrivileges(ConnHandle conn) = 0;

    // ---- server module -----------------------------------------------------
    virtual NWCode NWGetNCPExtensionInfoByName(ConnHandle conn, const std::string& name,
                                               std::uint32_t& extensionID,
                                               std::uint8_t* majorVersion,
                                               std::uint8_t* minorVersion,
                                               std::uint8_t* revision,
                                               std::uint8_t* queryData32) = 0;
    // replyLength: room in reply on entry, bytes returned on exit.
    virtual NWCode NWNCPExtensionRequest(ConnHandle conn, std::uint32_t extensionID,
                                         const void* request, std::size_t requestLength,
                                         void* reply, std::size_t& replyLength) = 0;

    // ---- directory services ------------------------------------------------
    virtual NWCode DSCreateContextHandle(DSContext& context) = 0;
    virtual NWCode DSGetContext(DSContext context, int key, std::uint32_t& value) = 0;
    virtual NWCode DSGetContext(DSContext context, int key, std::string& value) = 0;
    virtual NWCode DSSetContext(DSContext context, int key, std::uint32_t value) = 0;
    virtual NWCode DSSetContext(DSContext context, int key, const std::string& value) = 0;
    virtual NWCode DSAllocBuf(std::size_t size, DSBuf& buf) = 0;
    virtual NWCode DSInitBuf(DSContext context, std::uint32_t operation, DSBuf buf) = 0;
    virtual NWCode DSFreeBuf(DSBuf buf) = 0;
    virtual NWCode DSCanonicalizeName(DSContext context, const std::string& name,
                                      std::string& canonical) = 0;
    virtual NWCode NWDSPutAttrName(DSContext context, DSBuf request,
                                   const std::string& attributeName) = 0;
    // infoType 1: attribute values; allAttributes false: only those named in request.
    virtual NWCode NWDSRead(DSContext context, const std::string& objectName,
                            std::uint32_t infoType, bool allAttributes, DSBuf request,
                            std::int32_t& iterationHandle, DSBuf reply) = 0;
    virtual NWCode NWDSGetAttrCount(DSContext context, DSBuf reply, std::uint32_t& count) = 0;
    virtual NWCode NWDSGetAttrName(DSContext context, DSBuf reply, std::string& attributeName,
                                   std::uint32_t& valueCount, std::uint32_t& syntaxID) = 0;
    virtual NWCode NWDSGetAttrVal(DSContext context, DSBuf reply, std::uint32_t syntaxID,
                                  std::string& value) = 0;
    // The object's name relative to the context's name context.
    virtual NWCode DSMapIDToName(DSContext context, ConnHandle conn, std::uint32_t objectID,
                                 std::string& name) = 0;
    virtual NWCode NWDSLogin(DSContext context, std::uint32_t options,
                             const std::string& objectName, const std::string& password,
                             std::uint32_t validityPeriod) = 0;
    virtual NWCode NWDSAuthenticate(ConnHandle conn, std::uint32_t options,
                                    const void* sessionKey) = 0;
};
