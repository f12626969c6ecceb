// The network description: any file must either load or be refused with the
// one-line diagnostic and 0x88FE, never crash or hang; a description that
// loads must load again after the simulation wrote a change back to it.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "platform/nwcodes.h"
#include "platform/sim/simulated_network.h"

namespace {

std::unique_ptr<SimulatedNetwork> Open(const std::string& path) {
    SimOptions options;
    options.networkPath = path;
    return CreateSimulatedNetwork(options);
}

// Servers and connection numbers named in the text, read as the contract
// describes them; only used to pick changes that a real server would accept.
void Targets(std::string_view text, std::set<std::string>& servers, std::set<int>& numbers) {
    const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false, true);
    if (!doc.is_object() || !doc.contains("servers") || !doc["servers"].is_array()) return;
    for (const auto& s : doc["servers"]) {
        if (!s.is_object()) continue;
        if (s.contains("name") && s["name"].is_string()) servers.insert(s["name"].get<std::string>());
        if (!s.contains("connections") || !s["connections"].is_array()) continue;
        for (const auto& c : s["connections"]) {
            if (c.is_object() && c.contains("number") && c["number"].is_number_integer())
                numbers.insert(c["number"].get<int>());
        }
    }
}

// Makes every change the description allows; true when one was written back.
bool ChangeSomething(NWClient& client, std::string_view text) {
    std::set<std::string> servers;
    std::set<int> numbers;
    Targets(text, servers, numbers);
    bool changed = false;
    for (const std::string& name : servers) {
        ConnHandle conn = 0;
        if (client.NWCCOpenConnByName(0, CharToOemA(name), 2, 1, 0, conn) != 0) continue;
        for (int number : numbers) {
            if (number <= 0 || number > 0xFFFF) continue;
            const ConnNumber n = static_cast<ConnNumber>(number);
            std::uint8_t result = 0xFF;
            if (client.NWSendBroadcastMessage(conn, "fuzz", 1, &n, &result) == 0 && result == 0)
                changed = true;
        }
        if (client.NWDisableFileServerLogin(conn) == 0) changed = true;
    }
    return changed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::Bytes(data, size);
    const std::string path = fuzz::WriteScratch("network.json", text).string();
    const std::string before = fuzz::ReadFile(path);
    bool changed = false;
    {
        const auto network = Open(path);
        const NWCode code = network->NWCallsInit();
        // A fault on NWCallsInit may give it any code.
        const bool initFaulted = text.find("NWCallsInit") != std::string_view::npos;
        if (code != 0 && code != nwcode::kDescriptionUnreadable && !initFaulted)
            fuzz::Broken("NWCallsInit answered " + std::to_string(code));
        if (code == 0) changed = ChangeSomething(*network, text);
        if (network->OpenDirHandles() != 0) fuzz::Broken("directory handles left open");
    }
    if (!changed) {
        if (fuzz::ReadFile(path) != before) fuzz::Broken("the description changed with no change made");
        return 0;
    }
    const auto again = Open(path);
    if (again->NWCallsInit() != 0 && text.find("NWCallsInit") == std::string_view::npos)
        fuzz::Broken("the description written back does not load");
    return 0;
}
