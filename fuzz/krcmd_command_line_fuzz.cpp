// krcmd's command line and path handling: any arguments (split at zero
// bytes) are read without a crash, and a run against a small network on its
// mapped drive ends with one of the three exit statuses.

#include <cstdint>
#include <string>
#include <vector>

#include "cmdline/command_line.h"
#include "cmdline/file_scan.h"
#include "cmdline/krcmd.h"
#include "cmdline/long_options.h"
#include "fuzz/fuzz_support.h"
#include "platform/audit_log.h"
#include "platform/sim/simulated_network.h"

namespace {

constexpr const char* kNetwork = R"({
  "workstation": { "drives": { "F": "FS1\\SYS:" }, "bindery": { "FS1": "SUPERVISOR" } },
  "servers": [ { "name": "FS1", "operators": ["SUPERVISOR"], "module": true,
    "volumes": [ { "name": "SYS", "number": 0, "longNames": true, "entries": [
      "A.DAT", { "name": "Long Name.txt" }, { "name": "SUB", "entries": [ "B.DAT" ] } ] } ],
    "connections": [ { "number": 0, "open": ["SYS:A.DAT"] },
      { "number": 5, "user": "JSMITH", "open": ["SYS:A.DAT", "SYS:SUB\\B.DAT"] } ] } ] })";

class NoKeys final : public krcmd::KeySource {
public:
    int ReadKey() override { return -1; }
};

// Time passes only by sleeping, so --wait ends after its limit at once.
class FakeClock final : public krcmd::WaitClock {
public:
    double Now() override { return m_now; }
    void Sleep(double seconds) override { m_now += seconds > 0 ? seconds : 1; }

private:
    double m_now = 0;
};

// Only paths on the mapped drive are walked: anything else would walk this
// machine's own files.
bool OnTheNetwork(const std::vector<std::string>& rest) {
    if (rest.empty()) return true;
    const std::string first = krcmd::UpperCaseAscii(rest[0]);
    return first == "/D" || first == "/E" || first.starts_with("F:");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments(1);
    for (char c : fuzz::Bytes(data, size)) {
        if (c == '\0') {
            arguments.emplace_back();
        } else {
            arguments.back() += c;
        }
    }
    for (const std::string& a : arguments) {
        (void)krcmd::SplitPath(a);
        (void)krcmd::CharacterCount(a);
        if (krcmd::UpperCaseAscii(a).size() != a.size()) fuzz::Broken("upper-casing changed the size");
    }
    const krcmd::SplitArguments split = krcmd::TakeLongOptions(arguments);
    if (!split.rest.empty()) (void)krcmd::ParseCommand(split.rest);
    if (split.options.wait) {
        // Without a limit it waits for ever by design; a long one scans for long.
        if (!split.options.waitSeconds) return 0;
        if (!(*split.options.waitSeconds <= 20 * split.options.intervalSeconds)) return 0;
    }
    if (!OnTheNetwork(split.rest)) return 0;

    static const std::string network = fuzz::WriteScratch("krcmd.json", kNetwork).string();
    SimOptions options;
    options.networkPath = network;
    options.readOnly = true;
    const auto sim = CreateSimulatedNetwork(options);
    krcmd::NullOutput out;
    krcmd::NullOutput err;
    NoKeys keys;
    MemoryAuditLog audit;
    FakeClock clock;
    const krcmd::RunContext context{out, err, keys, audit, clock};
    const krcmd::ExitStatus status = krcmd::RunKrcmd(arguments, *sim, *sim, context);
    const int code = static_cast<int>(status);
    if (code < 0 || code > 2) fuzz::Broken("exit status " + std::to_string(code));
    if (sim->OpenDirHandles() != 0) fuzz::Broken("directory handles left open");
    return 0;
}
