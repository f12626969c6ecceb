// The client's path parsing and the workstation listing of network paths:
// any path (workstation text) resolves or fails with a code, never crashes,
// and whatever resolves can be examined without leaking a directory handle.

#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "platform/nwrecords.h"
#include "platform/sim/simulated_network.h"

namespace {

std::unique_ptr<SimulatedNetwork> DemoNetwork() {
    static const std::string path =
        fuzz::WriteScratch("demo.json", DemoNetworkDescription()).string();
    SimOptions options;
    options.networkPath = path;
    options.readOnly = true;
    auto network = CreateSimulatedNetwork(options);
    if (network->NWCallsInit() != 0) fuzz::Broken("the demo network does not load");
    return network;
}

bool NetworkListing(const std::string& path) {
    if (path.starts_with("\\\\")) return true;
    return path.size() >= 2 && path[1] == ':';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<SimulatedNetwork> network = DemoNetwork();
    const std::string text(fuzz::Bytes(data, size));
    const std::string oem = CharToOemA(text);
    (void)OemToCharA(oem);

    std::string server, volume, directory;
    ConnHandle conn = 0;
    (void)network->NWParsePath(oem, &server, &conn, &volume, &directory);

    DirHandle dirHandle = 0;
    std::string relative;
    if (network->NWParseNetWarePath(oem, conn, dirHandle, relative) == 0) {
        NWSearchSequence9 sequence = NewSearchSequence9();
        NWFileInfo info;
        (void)network->NWIntScanFileInformation2(conn, dirHandle, relative, 6, sequence, &info, 0);
        std::uint32_t nameSpace = 0;
        (void)network->NWGetOwningNameSpace(conn, dirHandle, relative, nameSpace);
        NWNSPath nsPath;
        nsPath.srcPath = relative;
        nsPath.destPath = relative;
        nsPath.destPathSize = 255;
        (void)network->NWGetNSPath(conn, dirHandle, 1, 4, 0, nsPath);
        std::string dosName;
        (void)network->NWGetLongName(conn, 0, relative, 4, 0, dosName);
        const int longNames = network->IsLongNameSpaceSupported(conn, 0, relative);
        DirHandle temporary = 0;
        const std::uint8_t ns = longNames ? 4 : 0;
        if (network->NWAllocTempNSDirHandle2(conn, 0, relative, ns, temporary, ns) == 0)
            network->DeallocateDirectoryHandle(conn, temporary);
    }
    if (network->OpenDirHandles() != 0) fuzz::Broken("directory handles left open");

    // Only network paths: anything else is this machine's own file system.
    if (NetworkListing(text)) {
        FindState state;
        FindData entry;
        int found = network->FindFirst(text, kAttrHidden | kAttrSystem | kAttrDirectory, state, entry);
        for (int n = 0; found == 0 && n < 1000; ++n) found = network->FindNext(state, entry);
        network->FindClose(state);
    }
    return 0;
}
