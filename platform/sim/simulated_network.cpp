#include "platform/sim/simulated_network.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/sim/sim_network.h"

SimOptions SimOptions::FromEnvironment() {
    SimOptions options;
    if (const char* v = std::getenv("NWSIM_NETWORK")) options.networkPath = v;
    if (const char* v = std::getenv("NWSIM_READONLY")) options.readOnly = std::string(v) == "1";
    if (const char* v = std::getenv("NWSIM_STATS")) options.statsPath = v;
    return options;
}

std::unique_ptr<SimulatedNetwork> CreateSimulatedNetwork(const SimOptions& options) {
    return std::make_unique<nwsim::SimNetwork>(options);
}
