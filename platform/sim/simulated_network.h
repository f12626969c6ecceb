#pragma once

// The simulated NetWare network behind NWClient and WorkstationFiles: a
// network description (JSON with comments) loaded by NWCallsInit, every
// change written back to it at once under a lock.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/nwclient.h"
#include "platform/workstation_files.h"

struct SimOptions {
    std::string networkPath;  // empty: the built-in demo network (stored on first use)
    bool readOnly = false;    // changes stay in memory
    std::string statsPath;    // empty: no call statistics at exit

    // NWSIM_NETWORK, NWSIM_READONLY and NWSIM_STATS.
    static SimOptions FromEnvironment();
};

class SimulatedNetwork : public NWClient, public WorkstationFiles {
public:
    // Number of calls made so far of each client operation, by name.
    virtual std::map<std::string, std::uint64_t> CallCounts() const = 0;
    // Temporary directory handles and directory-services buffers still held.
    virtual int OpenDirHandles() const = 0;
    virtual int OpenDSBuffers() const = 0;
    // Handles opened by NWCCOpenConnByName or NWCCOpenConnByRef and not yet
    // closed with NWCCCloseConn.
    virtual int OpenConnHandles() const = 0;
};

std::unique_ptr<SimulatedNetwork> CreateSimulatedNetwork(const SimOptions& options);

// The description text of the built-in demo network.
const std::string& DemoNetworkDescription();
