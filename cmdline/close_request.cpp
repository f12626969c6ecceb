#include "cmdline/close_request.h"

#include <algorithm>
#include <cstdint>

#include "cmdline/command_line.h"

namespace krcmd {

CloseRequestBlock BuildCloseRequest(ConnNumber connection, std::string_view shortPath) {
    CloseRequestBlock block{};
    block[0] = kCloseCommand;
    block[1] = 0x00;
    block[2] = static_cast<std::uint8_t>(connection & 0xFF);
    block[3] = static_cast<std::uint8_t>(connection >> 8);
    // Room is kept for the terminating zero whatever the path's length.
    const std::string upper = UpperCaseAscii(shortPath);
    const std::size_t length = std::min(upper.size(), kCloseRequestSize - kClosePathOffset - 1);
    std::copy_n(upper.begin(), length, block.begin() + kClosePathOffset);
    return block;
}

int SendCloseRequest(NWClient& client, Output& out, ConnHandle conn, ConnNumber connection,
                     std::string_view shortPath, NWCode* code) {
    NWCode ignored = 0;
    NWCode& failed = code ? *code : ignored;
    // Looked up for every request: the module may be unloaded between two.
    std::uint32_t extensionID = 0;
    std::uint8_t queryData[32] = {};
    failed = client.NWGetNCPExtensionInfoByName(conn, kModuleExtensionName, extensionID, nullptr,
                                                nullptr, nullptr, queryData);
    if (failed != 0) {
        out.Write("Kestrune.NLM is not loaded on this server\n");
        return 1;
    }
    const CloseRequestBlock request = BuildCloseRequest(connection, shortPath);
    std::array<std::uint8_t, kCloseReplySize> reply{};
    std::size_t replyLength = reply.size();
    failed = client.NWNCPExtensionRequest(conn, extensionID, request.data(), request.size(),
                                          reply.data(), replyLength);
    if (failed != 0) {
        out.Write(Format("Cannot NCP : %x\n", static_cast<unsigned>(failed)));
        return 1;
    }
    return 0;
}

}  // namespace krcmd
