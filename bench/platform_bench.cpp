// The per-call cost of the simulated client as the network grows tenfold:
// resolving a file's path, listing one directory, scanning one file's
// connections, and loading a description. The directory listed and the number
// of opens of the file scanned are the same at both sizes, so a flat cost per
// call is what a real server would show and what the programs rely on.
//
// Run: ./build/bench/platform_bench [--benchmark_filter=...]

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
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
};

constexpr Size kSizes[] = {
    {"10k_files_500_conns", 10'000, 500},
    {"100k_files_5000_conns", 100'000, 5'000},
};

// Everything but the file and connection counts stays fixed, so a directory
// holds 100 files and 10 subdirectories, every open file is open 8 times and
// every connection holds 16 opens at both sizes.
NetworkShape ShapeFor(const Size& size) {
    NetworkShape shape;
    shape.files = size.files;
    shape.filesPerDirectory = 100;
    shape.subdirectories = 10;
    shape.connections = size.connections;
    shape.openedFiles = size.connections * 2;
    shape.opensPerFile = 8;
    shape.locksPerOpen = 1;
    shape.lockEvery = 4;
    return shape;
}

// One generated network, written to a file and loaded on first use.
class BenchNetwork final {
public:
    BenchNetwork(const Size& size, std::filesystem::path dir)
        : m_generated(ShapeFor(size)), m_path(dir / (std::string(size.label) + ".json")) {}

    const GeneratedNetwork& Generated() const { return m_generated; }
    const std::string& Path() const { return m_path; }

    // The loaded network, or nullptr (with error set) when it cannot be had.
    SimulatedNetwork* Network(std::string& error) {
        if (m_network) return m_network.get();
        if (!EnsureWritten()) {
            error = "cannot write " + m_path;
            return nullptr;
        }
        auto network = CreateSimulatedNetwork(Options());
        const NWCode code = network->NWCallsInit();
        if (code != 0) {
            error = "NWCallsInit failed on " + m_path;
            return nullptr;
        }
        m_network = std::move(network);
        return m_network.get();
    }

    // Written once: rewriting the file under a loaded network would make it
    // reload at its next call.
    bool EnsureWritten() {
        if (!m_written) m_written = WriteTextFile(m_path, m_generated.Description());
        return m_written;
    }

    SimOptions Options() const {
        SimOptions options;
        options.networkPath = m_path;
        options.readOnly = true;
        return options;
    }

private:
    GeneratedNetwork m_generated;
    std::string m_path;
    bool m_written = false;
    std::unique_ptr<SimulatedNetwork> m_network;
};

void SetShapeCounters(benchmark::State& state, const GeneratedNetwork& generated) {
    state.counters["files"] = static_cast<double>(generated.Shape().files);
    state.counters["conns"] = static_cast<double>(generated.Shape().connections);
    state.counters["depth"] = static_cast<double>(generated.Depth());
}

// (a) NWParseNetWarePath + NWIntScanFileInformation2 on files of the deepest
// level, as every file check of both programs begins.
void ResolvePath(benchmark::State& state, BenchNetwork& bench) {
    std::string error;
    SimulatedNetwork* network = bench.Network(error);
    if (!network) return state.SkipWithError(error.c_str());
    const GeneratedNetwork& generated = bench.Generated();

    std::vector<std::string> paths;
    const std::size_t files = generated.Shape().files;
    for (std::size_t i = files - 16; i < files; ++i)
        paths.push_back(generated.DrivePath(generated.FilePath(i)));

    std::size_t next = 0;
    for (auto _ : state) {
        ConnHandle conn = 0;
        DirHandle dirHandle = 0;
        std::string relative;
        const std::string& path = paths[next++ % paths.size()];
        NWCode code = network->NWParseNetWarePath(path, conn, dirHandle, relative);
        if (code == 0) {
            NWSearchSequence9 sequence = NewSearchSequence9();
            NWFileInfo info;
            code = network->NWIntScanFileInformation2(conn, dirHandle, relative, 6, sequence, &info, 0);
        }
        if (code != 0) return state.SkipWithError(("cannot resolve " + path).c_str());
        benchmark::DoNotOptimize(relative);
    }
    SetShapeCounters(state, generated);
}

// (b) One directory of 100 files and 10 subdirectories listed in the long name
// space, handle allocated and released, as the browser and the query walk do.
void ListDirectory(benchmark::State& state, BenchNetwork& bench) {
    std::string error;
    SimulatedNetwork* network = bench.Network(error);
    if (!network) return state.SkipWithError(error.c_str());
    const GeneratedNetwork& generated = bench.Generated();
    const std::size_t expected = generated.Shape().filesPerDirectory + generated.Shape().subdirectories;

    ConnHandle conn = 0;
    DirHandle unused = 0;
    std::string relative;
    if (network->NWParseNetWarePath(generated.DrivePath(generated.DirectoryPath(1)), conn, unused,
                                    relative) != 0)
        return state.SkipWithError("cannot resolve the directory");

    for (auto _ : state) {
        DirHandle handle = 0;
        if (network->NWAllocTempNSDirHandle2(conn, 0, relative, kNameSpaceLong, handle,
                                             kNameSpaceLong) != 0)
            return state.SkipWithError("NWAllocTempNSDirHandle2 failed");
        NWSearchSequence12 sequence = NewSearchSequence12();
        NWEntryInfo entry{};
        std::size_t entries = 0;
        NWCode code;
        while ((code = network->NWScanNSEntryInfo(conn, handle, kNameSpaceLong, 0xFFFF, sequence, "*",
                                                  0x0FFF, entry)) == 0)
            ++entries;
        network->DeallocateDirectoryHandle(conn, handle);
        if (code != nwcode::kNoMatch || entries != expected)
            return state.SkipWithError("the listing did not end as expected");
    }
    if (network->OpenDirHandles() != 0) return state.SkipWithError("directory handles leaked");
    SetShapeCounters(state, generated);
}

// The DOS-name-space path that connection scans take, made as the programs
// make it.
NWCode ShortPath(SimulatedNetwork& network, ConnHandle conn, DirHandle dirHandle,
                 const std::string& relative, std::string& shortPath) {
    NWNSPath nsPath;
    nsPath.srcPath = relative;
    nsPath.destPath = relative;
    NWCode code = network.NWGetNSPath(conn, dirHandle, 1, kNameSpaceLong, kNameSpaceDOS, nsPath);
    if (code == nwcode::kNameSpaceNotOnVolume) {
        shortPath = relative;
        return 0;
    }
    if (code != 0) return code;
    std::string name;
    code = network.NWGetLongName(conn, 0, relative, kNameSpaceLong, kNameSpaceDOS, name);
    if (code != 0) return code;
    shortPath = nsPath.destPath + (nsPath.destPath.find(':') == std::string::npos ? ":" : "\\") + name;
    return 0;
}

// (c) All connections using one file (8 opens), to the end of the scan.
void ScanConnections(benchmark::State& state, BenchNetwork& bench) {
    std::string error;
    SimulatedNetwork* network = bench.Network(error);
    if (!network) return state.SkipWithError(error.c_str());
    const GeneratedNetwork& generated = bench.Generated();

    // A file in the middle of the connection table.
    const std::size_t k = generated.Shape().openedFiles / 2;
    ConnHandle conn = 0;
    DirHandle dirHandle = 0;
    std::string relative;
    std::string shortPath;
    if (network->NWParseNetWarePath(generated.DrivePath(generated.FilePath(generated.OpenedFile(k))),
                                    conn, dirHandle, relative) != 0 ||
        ShortPath(*network, conn, dirHandle, relative, shortPath) != 0)
        return state.SkipWithError("cannot resolve the scanned file");

    for (auto _ : state) {
        std::int16_t iterator = 0;
        NWConnsUsingFile reply{};
        std::size_t found = 0;
        NWCode code;
        while ((code = network->NWScanConnectionsUsingFile(conn, 0, shortPath, iterator, nullptr,
                                                           reply)) == 0) {
            found += reply.connCount;
            if (iterator == -1 || reply.connCount == 0) break;
        }
        if ((code != 0 && code != nwcode::kScanEnd) || found != generated.Shape().opensPerFile)
            return state.SkipWithError("the scan did not list the file's opens");
    }
    SetShapeCounters(state, generated);
}

// (d) Creating the client and NWCallsInit on the description.
void LoadDescription(benchmark::State& state, BenchNetwork& bench) {
    if (!bench.EnsureWritten()) return state.SkipWithError(("cannot write " + bench.Path()).c_str());
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(bench.Path(), ec);
    for (auto _ : state) {
        auto network = CreateSimulatedNetwork(bench.Options());
        const NWCode code = network->NWCallsInit();
        state.PauseTiming();
        network.reset();
        state.ResumeTiming();
        if (code != 0) return state.SkipWithError("NWCallsInit failed");
    }
    state.counters["MB"] = ec ? 0.0 : static_cast<double>(bytes) / 1e6;
    SetShapeCounters(state, bench.Generated());
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    const std::filesystem::path dir = MakeBenchDirectory("platform_bench");
    if (dir.empty()) return 1;

    std::vector<std::unique_ptr<BenchNetwork>> networks;
    for (const Size& size : kSizes) {
        networks.push_back(std::make_unique<BenchNetwork>(size, dir));
        BenchNetwork& bench = *networks.back();
        const std::string label = size.label;
        benchmark::RegisterBenchmark(("ResolvePath/" + label).c_str(),
                                     [&bench](benchmark::State& s) { ResolvePath(s, bench); });
        benchmark::RegisterBenchmark(("ListDirectory/" + label).c_str(),
                                     [&bench](benchmark::State& s) { ListDirectory(s, bench); });
        benchmark::RegisterBenchmark(("ScanConnections/" + label).c_str(),
                                     [&bench](benchmark::State& s) { ScanConnections(s, bench); });
        benchmark::RegisterBenchmark(("LoadDescription/" + label).c_str(),
                                     [&bench](benchmark::State& s) { LoadDescription(s, bench); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
    }

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    networks.clear();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
