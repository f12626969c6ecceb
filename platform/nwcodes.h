#pragma once

#include <cstdint>

// Result codes of the NetWare client. Every operation answers one of these
// (0 on success); directory-services calls use negative numbers.
using NWCode = std::int32_t;

namespace nwcode {

inline constexpr NWCode kSuccess = 0;
inline constexpr NWCode kDescriptionUnreadable = 0x88FE;   // NWCallsInit
inline constexpr NWCode kInvalidConnection = 0x8801;      // a handle not open (closed twice)
inline constexpr NWCode kServerUnknown = 0x880F;           // also: drive not mapped to NetWare
inline constexpr NWCode kBadPathSyntax = 0x8836;
inline constexpr NWCode kScanEnd = 0x88FF;                 // end of a connection or lock scan
inline constexpr NWCode kExtensionRefused = 0x897E;        // NCP extension request refused
inline constexpr NWCode kNoSuchVolume = 0x8998;
inline constexpr NWCode kNoSuchDirectory = 0x899C;
inline constexpr NWCode kNoMoreDirHandles = 0x899D;
inline constexpr NWCode kNameSpaceNotOnVolume = 0x89BF;
inline constexpr NWCode kNoConsoleRights = 0x89C6;
inline constexpr NWCode kNoSuchObject = 0x89FC;            // no such bindery object, unknown user
inline constexpr NWCode kConnectionNotInUse = 0x89FD;
inline constexpr NWCode kNoMatch = 0x89FF;                 // also: end of directory scan, wrong
                                                           // password, extension not registered
inline constexpr NWCode kDSNoSuchEntry = -601;
inline constexpr NWCode kDSNoSuchAttribute = -603;
inline constexpr NWCode kDSLoginRefused = -669;

// Result bytes of a broadcast message, one per addressed connection.
inline constexpr std::uint8_t kMessageDelivered = 0x00;
inline constexpr std::uint8_t kMessageRefused = 0xFC;
inline constexpr std::uint8_t kMessageNoConnection = 0xFF;

}  // namespace nwcode
