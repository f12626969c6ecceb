// krcmd: which connections have these files open, and what to do with them.

#include <string>
#include <vector>

#include "cmdline/console.h"
#include "cmdline/krcmd.h"
#include "platform/audit_log.h"
#include "platform/sim/simulated_network.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto network = CreateSimulatedNetwork(SimOptions::FromEnvironment());
    krcmd::StdoutOutput out;
    krcmd::StderrOutput err;
    krcmd::TerminalKeys keys;
    krcmd::SteadyClock clock;
    const auto audit = CreateSystemAuditLog("krcmd");
    const krcmd::ExitStatus status =
        krcmd::RunKrcmd(arguments, *network, *network, {out, err, keys, *audit, clock});
    out.Flush();
    err.Flush();
    return static_cast<int>(status);
}
