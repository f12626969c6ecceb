// The simulated network at the size of a large site, and at a tenth of it:
// what loading the description costs, what one change costs (one cleared
// connection, one broadcast message, a hundred clears in a row) and what a
// client call costs when nothing has changed. Each benchmark reports the peak
// memory of the process while it ran beside the size of the description, so
// that the two sizes show every cost as flat, growing with the network, or
// growing with the change only.
//
// Run: ./build/bench/sim_scale_bench [--benchmark_filter=...]

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "bench/network_generator.h"
#include "platform/sim/simulated_network.h"

namespace {

struct Size {
    const char* label;
    std::size_t files;
    std::size_t connections;
    std::size_t openedFiles;
};

// 100,000 files, 20,000 connections and 500,000 opens (each opened file open
// by 16 connections), and a tenth of each.
constexpr Size kSizes[] = {
    {"tenth", 10'000, 2'000, 3'125},
    {"full", 100'000, 20'000, 31'250},
};

NetworkShape ShapeFor(const Size& size) {
    NetworkShape shape;
    shape.files = size.files;
    shape.filesPerDirectory = 100;
    shape.subdirectories = 10;
    shape.connections = size.connections;
    shape.openedFiles = size.openedFiles;
    shape.opensPerFile = 16;
    shape.locksPerOpen = 1;
    shape.lockEvery = 4;
    return shape;
}

// Peak memory of this process from the last reset: freed memory is handed
// back first, so that one benchmark's peak does not start at the last one's.
void ResetPeakMemory() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

double PeakMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    }
    return 0;
}

// One generated description, written once; every benchmark works on a fresh
// copy of it so that the changes of one do not show in the next.
class ScaleNetwork final {
public:
    ScaleNetwork(const Size& size, std::filesystem::path dir)
        : m_size(size),
          m_dir(std::move(dir)),
          m_pristine((m_dir / (std::string(size.label) + ".json")).string()) {}

    const Size& Sizes() const { return m_size; }

    // Generated in a child process: the generator's memory never becomes
    // part of this process, whose peak the benchmarks report.
    bool Written() {
        if (m_written) return true;
        pid_t child = fork();
        if (child < 0) return false;
        if (child == 0) {
            GeneratedNetwork generated(ShapeFor(m_size));
            _exit(WriteTextFile(m_pristine, generated.Description()) ? 0 : 1);
        }
        int status = 0;
        if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return false;
        std::error_code ec;
        m_bytes = std::filesystem::file_size(m_pristine, ec);
        m_written = !ec;
        return m_written;
    }

    // A fresh copy of the description with nothing beside it.
    std::string FreshCopy(const char* what) {
        std::string path = (m_dir / (std::string(m_size.label) + "-" + what + ".json")).string();
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir, ec)) {
            if (entry.path().filename().string().rfind(std::filesystem::path(path).filename().string(), 0) ==
                0)
                std::filesystem::remove(entry.path(), ec);
        }
        std::filesystem::copy_file(m_pristine, path, std::filesystem::copy_options::overwrite_existing, ec);
        return ec ? std::string() : path;
    }

    double DescriptionMiB() const { return static_cast<double>(m_bytes) / (1024.0 * 1024.0); }

private:
    Size m_size;
    std::filesystem::path m_dir;
    std::string m_pristine;
    bool m_written = false;
    std::size_t m_bytes = 0;
};

void Report(benchmark::State& state, const ScaleNetwork& net, double peak = PeakMiB()) {
    state.counters["descMiB"] = net.DescriptionMiB();
    state.counters["peakMiB"] = peak;
    state.counters["peakXdesc"] = peak / net.DescriptionMiB();
}

// A loaded, writable network on a fresh copy, with a connection to the server.
struct Loaded {
    std::unique_ptr<SimulatedNetwork> sim;
    ConnHandle conn = 0;
};

bool Load(ScaleNetwork& net, const char* what, Loaded& out) {
    SimOptions options;
    options.networkPath = net.FreshCopy(what);
    if (options.networkPath.empty()) return false;
    out.sim = CreateSimulatedNetwork(options);
    if (out.sim->NWCallsInit() != 0) return false;
    return out.sim->NWCCOpenConnByName(0, GeneratedNetwork::kServer, kNameFormatBindery, kOpenStateLicensed,
                                       kTransportAny, out.conn) == 0;
}

void LoadDescription(benchmark::State& state, ScaleNetwork& net) {
    if (!net.Written()) return state.SkipWithError("cannot write the description");
    std::string path = net.FreshCopy("load");
    // Each load's own peak: what the last one freed is handed back first.
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ResetPeakMemory();
        state.ResumeTiming();
        SimOptions options;
        options.networkPath = path;
        auto sim = CreateSimulatedNetwork(options);
        if (sim->NWCallsInit() != 0) return state.SkipWithError("NWCallsInit failed");
        state.PauseTiming();
        peak = std::max(peak, PeakMiB());
        sim.reset();
        state.ResumeTiming();
    }
    Report(state, net, peak);
}

// Connections cleared one per iteration, from the middle of the table on.
void OneClear(benchmark::State& state, ScaleNetwork& net) {
    if (!net.Written()) return state.SkipWithError("cannot write the description");
    ResetPeakMemory();
    Loaded loaded;
    if (!Load(net, "clear", loaded)) return state.SkipWithError("cannot load the network");
    ConnNumber next = static_cast<ConnNumber>(net.Sizes().connections / 2);
    for (auto _ : state) {
        if (loaded.sim->NWClearConnectionNumber(loaded.conn, next++) != 0)
            return state.SkipWithError("the clear failed");
    }
    Report(state, net);
}

void OneBroadcast(benchmark::State& state, ScaleNetwork& net) {
    if (!net.Written()) return state.SkipWithError("cannot write the description");
    ResetPeakMemory();
    Loaded loaded;
    if (!Load(net, "broadcast", loaded)) return state.SkipWithError("cannot load the network");
    ConnNumber next = 1;
    for (auto _ : state) {
        std::uint8_t result = 0xEE;
        if (loaded.sim->NWSendBroadcastMessage(loaded.conn, "Server going down at noon", 1, &next, &result) !=
                0 ||
            result != 0)
            return state.SkipWithError("the message was not delivered");
        next = static_cast<ConnNumber>(next % net.Sizes().connections + 1);
    }
    Report(state, net);
}

// A hundred connections cleared in a row, as `krcmd <file> /c` does for a
// file that many stations hold open: one iteration is the hundred.
void HundredClears(benchmark::State& state, ScaleNetwork& net) {
    if (!net.Written()) return state.SkipWithError("cannot write the description");
    ResetPeakMemory();
    Loaded loaded;
    if (!Load(net, "hundred", loaded)) return state.SkipWithError("cannot load the network");
    ConnNumber next = 1;
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            if (loaded.sim->NWClearConnectionNumber(loaded.conn, next++) != 0)
                return state.SkipWithError("a clear failed");
        }
    }
    Report(state, net);
}

// A client call that asks the server something small, with nothing changed
// since the last call: what remains is the cost of learning that.
void QuietCall(benchmark::State& state, ScaleNetwork& net) {
    if (!net.Written()) return state.SkipWithError("cannot write the description");
    ResetPeakMemory();
    Loaded loaded;
    if (!Load(net, "quiet", loaded)) return state.SkipWithError("cannot load the network");
    for (auto _ : state) {
        std::uint8_t enabled = 0;
        if (loaded.sim->GetFileServerLoginStatus(loaded.conn, enabled) != 0)
            return state.SkipWithError("the call failed");
        benchmark::DoNotOptimize(enabled);
    }
    Report(state, net);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    const std::filesystem::path dir = MakeBenchDirectory("sim_scale_bench");
    if (dir.empty()) return 1;

    std::vector<std::unique_ptr<ScaleNetwork>> networks;
    for (const Size& size : kSizes) {
        networks.push_back(std::make_unique<ScaleNetwork>(size, dir));
        ScaleNetwork& net = *networks.back();
        const std::string label = size.label;
        benchmark::RegisterBenchmark(("Load/" + label).c_str(),
                                     [&net](benchmark::State& s) { LoadDescription(s, net); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
        benchmark::RegisterBenchmark(("OneClear/" + label).c_str(),
                                     [&net](benchmark::State& s) { OneClear(s, net); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(20);
        benchmark::RegisterBenchmark(("OneBroadcast/" + label).c_str(),
                                     [&net](benchmark::State& s) { OneBroadcast(s, net); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(20);
        benchmark::RegisterBenchmark(("HundredClears/" + label).c_str(),
                                     [&net](benchmark::State& s) { HundredClears(s, net); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark(("QuietCall/" + label).c_str(), [&net](benchmark::State& s) {
            QuietCall(s, net);
        })->Unit(benchmark::kMicrosecond);
    }

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    networks.clear();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
