#pragma once

// The request that asks the server module to close one connection's use of
// one file. The module reads this layout, so its sizes and offsets are fixed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cmdline/console.h"
#include "platform/nwclient.h"

namespace krcmd {

inline constexpr char kModuleExtensionName[] = "Kestrune Server";
inline constexpr std::size_t kCloseRequestSize = 2313;
inline constexpr std::size_t kCloseReplySize = 2761;
inline constexpr std::uint8_t kCloseCommand = 0x43;
inline constexpr std::size_t kClosePathOffset = 6;

using CloseRequestBlock = std::array<std::uint8_t, kCloseRequestSize>;

// Command 0x43, the connection number low byte first at 2, the short path
// upper-cased (a-z only) and zero-terminated at 6, zeros everywhere else.
CloseRequestBlock BuildCloseRequest(ConnNumber connection, std::string_view shortPath);

// Finds the module's extension on the server and sends the request: 0 when
// the module took it, 1 after printing why not. code, when given, gets the
// client's code of the step that failed (0 on success) for the records.
int SendCloseRequest(NWClient& client, Output& out, ConnHandle conn, ConnNumber connection,
                     std::string_view shortPath, NWCode* code = nullptr);

}  // namespace krcmd
