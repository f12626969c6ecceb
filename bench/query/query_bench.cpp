// The open-file query on a generated network of 10,000 files (100 to a
// directory, 10 subdirectories each) whose files are open 100,000 times in
// all, with 20,000 record locks: a recursive query from the volume root
// ("F:\*.*", "Check Subdirectories" and "Check File Locks" on, full names
// on), run
//   - through the main window's "Check" button (offscreen);
//   - into the list models alone, shown in bare report views and held back
//     and published as the window does;
//   - as a bare walk that makes the same client calls and builds nothing.
// Their ratio is what the rows and the display add over the client calls.
// Then the sort of the 100,000 Users rows by a text and by a number column.
//
// Run: QT_QPA_PLATFORM=offscreen ./build/bench/query/query_bench

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTreeView>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/result_list_model.h"
#include "platform/profile.h"
#include "bench/network_generator.h"
#include "platform/sim/simulated_network.h"
#include "query/open_file_query.h"

namespace {

NetworkShape QueryShape() {
    NetworkShape shape;
    shape.files = 10'000;
    shape.filesPerDirectory = 100;
    shape.subdirectories = 10;
    shape.connections = 1'000;
    shape.openedFiles = 5'000;
    shape.opensPerFile = 20;   // 100,000 Users rows
    shape.locksPerOpen = 1;
    shape.lockEvery = 5;       // 20,000 Locks rows
    return shape;
}

double PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The generated network, written once and loaded read-only.
class BenchNetwork final {
public:
    BenchNetwork() : m_generated(QueryShape()) {}

    const GeneratedNetwork& Generated() const { return m_generated; }

    SimulatedNetwork* Network() {
        if (m_network) return m_network.get();
        const auto path = std::filesystem::temp_directory_path() /
                          ("kr_query_bench_" + std::to_string(::getpid()) + ".json");
        if (!WriteTextFile(path.string(), m_generated.Description())) return nullptr;
        SimOptions options;
        options.networkPath = path.string();
        options.readOnly = true;
        auto network = CreateSimulatedNetwork(options);
        if (network->NWCallsInit() != 0) return nullptr;
        DSContext context = 0;
        network->DSCreateContextHandle(context);
        std::uint32_t flags = 0;
        network->DSGetContext(context, kDSContextFlags, flags);
        network->DSSetContext(context, kDSContextFlags, flags | kDSFlagTypeless);
        network->DSSetContext(context, kDSContextNameContext, std::string("[root]"));
        m_context = context;
        m_network = std::move(network);
        return m_network.get();
    }
    DSContext Context() const { return m_context; }

    std::string QueryPath() const { return std::string(1, GeneratedNetwork::kDrive) + ":\\*.*"; }

private:
    GeneratedNetwork m_generated;
    std::unique_ptr<SimulatedNetwork> m_network;
    DSContext m_context = 0;
};

BenchNetwork& Bench() {
    static BenchNetwork bench;
    return bench;
}

class SilentPrompts final : public Prompts {
public:
    void ErrorBox(const std::string& label, NWCode code, Owner) override {
        ++boxes;
        if (boxes == 1) std::fprintf(stderr, "box: %s\n", FormatErrorBoxText(label, code).c_str());
    }
    void MessageBox(const std::string&, const std::string&) override {}
    bool AskYesNo(const std::string&) override { return false; }
    void Beep() override {}
    void SetBusyPointer(bool) override {}
    int boxes = 0;
};

// The window as the query sees it, without its widgets: like the main
// window it holds the models' rows back while the query runs and publishes
// them at each status line and repaint, so the views get one insert per
// file, not one per row.
class BenchWindow final : public QueryWindow {
public:
    BenchWindow(DSContext context, ResultListModel& users, ResultListModel& locks)
        : m_context(context), m_users(users), m_locks(locks) {}
    std::string PathText() const override { return path; }
    bool CheckSubdirectories() const override { return true; }
    bool CheckFileLocks() const override { return true; }
    bool ShowFullContext() const override { return true; }
    bool ShowFullName() const override { return true; }
    bool ShowNetworkNumber() const override { return true; }
    void UpdatePickList(const std::string&) override {}
    void SetScanStatus(const std::string& text) override {
        Publish();
        status = text;
    }
    void ShowPage(Page) override {}
    void Repaint() override { Publish(); }
    void QueryRunning(bool running) override {
        m_users.HoldBack(running);
        m_locks.HoldBack(running);
    }
    void SetCurrentServerConnection(ConnHandle) override {}
    DSContext SharedNdsContext() const override { return m_context; }

    std::string path;
    std::string status;

private:
    void Publish() {
        m_users.Publish();
        m_locks.Publish();
    }

    DSContext m_context;
    ResultListModel& m_users;
    ResultListModel& m_locks;
};

// ---- the bare walk: the same client calls, nothing built -----------------------

struct BareCounts {
    std::size_t users = 0;
    std::size_t locks = 0;
};

void BareFullName(NWClient& client, DSContext context, const std::string& user) {
    DSBuf reply = 0, request = 0;
    client.DSAllocBuf(kDSBufSize, reply);
    client.DSAllocBuf(kDSBufSize, request);
    client.DSInitBuf(context, kDSOperationRead, request);
    std::string canonical, name, value;
    std::int32_t iteration = -1;
    std::uint32_t count = 0, values = 0, syntax = 0;
    if (client.DSCanonicalizeName(context, user, canonical) == 0 &&
        client.NWDSPutAttrName(context, request, "Full Name") == 0 &&
        client.NWDSRead(context, canonical, 1, false, request, iteration, reply) == 0 &&
        client.NWDSGetAttrCount(context, reply, count) == 0 && count == 1 &&
        client.NWDSGetAttrName(context, reply, name, values, syntax) == 0) {
        client.NWDSGetAttrVal(context, reply, syntax, value);
    }
    client.DSFreeBuf(request);
    client.DSFreeBuf(reply);
}

void BareFile(NWClient& client, DSContext context, const std::string& path, BareCounts& counts) {
    ConnHandle conn = 0;
    DirHandle dirHandle = 0;
    std::string relative;
    if (client.NWParseNetWarePath(path, conn, dirHandle, relative) != 0) return;
    NWSearchSequence9 s1 = NewSearchSequence9();
    if (client.NWIntScanDirectoryInformation2(conn, dirHandle, relative, s1, nullptr, 0) == 0) return;
    NWSearchSequence9 s2 = NewSearchSequence9();
    NWFileInfo info;
    if (client.NWIntScanFileInformation2(conn, dirHandle, relative, 6, s2, &info, 0) != 0) return;
    std::uint32_t owning = 0;
    client.NWGetOwningNameSpace(conn, dirHandle, relative, owning);
    NWNSPath ns;
    ns.srcPath = relative;
    ns.destPath = relative;
    std::string shortPath = relative;
    if (client.NWGetNSPath(conn, dirHandle, 1, kNameSpaceLong, kNameSpaceDOS, ns) == 0) {
        std::string dos;
        client.NWGetLongName(conn, 0, relative, kNameSpaceLong, kNameSpaceDOS, dos);
        shortPath = ns.destPath + "\\" + dos;
    }
    std::int16_t iteration = 0;
    NWCode last = 0;
    while (last == 0 && iteration != -1) {
        NWConnsUsingFile reply{};
        last = client.NWScanConnectionsUsingFile(conn, 0, shortPath, iteration, nullptr, reply);
        if (last != 0) break;
        for (std::size_t i = 0; i < reply.connCount && i < kConnsUsingFileBatch; ++i) {
            const ConnNumber n = reply.connInfo[i].connNumber;
            ++counts.users;
            if (n != 0) {
                std::uint32_t id = 0;
                NWLoginTime time{};
                std::string user;
                if (client.NWGetConnectionInformation(conn, n, nullptr, nullptr, &id, &time) == 0) {
                    if (client.DSMapIDToName(context, conn, id, user) == 0) {
                        BareFullName(client, context, user);
                    } else {
                        client.GetBinderyObjectName(conn, id, user, nullptr);
                    }
                }
            }
            NWStationAddress address{};
            client.GetConnectionAddress(conn, n, address);
        }
    }
    iteration = 0;
    last = 0;
    NWPhysicalLock lock{};
    NWPhysicalLockList list{};
    while (last == 0 && iteration != -1) {
        last = client.ScanPhysicalLocks(conn, 0, shortPath, 0, iteration, lock, list);
        if (last == 0 && iteration != -1) {
            ++counts.locks;
            std::string user;
            if (lock.connNumber != 0) {
                client.NWGetConnectionInformation(conn, lock.connNumber, &user, nullptr, nullptr,
                                                  nullptr);
            }
        }
    }
}

void BareDirectory(NWClient& client, DSContext context, const std::string& path,
                   BareCounts& counts) {
    std::string server, volume;
    if (client.NWParsePath(path, &server, nullptr, &volume, nullptr) != 0) return;
    const std::size_t cut = path.rfind('\\');
    const std::string directory = path.substr(0, cut + 1);
    const std::string pattern = path.substr(cut + 1);
    ConnHandle conn = 0;
    DirHandle unused = 0;
    std::string relative;
    if (client.NWParseNetWarePath(directory, conn, unused, relative) != 0) return;
    const std::uint8_t ns = client.IsLongNameSpaceSupported(conn, 0, relative) ? 4 : 0;
    DirHandle handle = 0;
    if (client.NWAllocTempNSDirHandle2(conn, 0, relative, ns, handle, ns) != 0) return;
    const std::string base =
        server + "\\" + relative + (relative.empty() || relative.back() == '\\' ? "" : "\\");
    for (int pass = 0; pass < 2; ++pass) {
        NWSearchSequence12 sequence = NewSearchSequence12();
        NWEntryInfo entry{};
        while (client.NWScanNSEntryInfo(conn, handle, ns, 0xFFFF, sequence, pass == 0 ? pattern : "*",
                                        0x0FFF, entry) == 0) {
            const std::string name(entry.entryName, strnlen(entry.entryName, sizeof entry.entryName));
            if (name == "." || name == "..") continue;
            const bool isDirectory = (entry.attributes & kAttrDirectory) != 0;
            if (pass == 0 && !isDirectory) BareFile(client, context, base + name, counts);
            if (pass == 1 && isDirectory) BareDirectory(client, context, base + name + "\\" + pattern, counts);
        }
    }
    client.DeallocateDirectoryHandle(conn, handle);
}

void SetCounters(benchmark::State& state, std::size_t users, std::size_t locks) {
    const auto rows = static_cast<double>(users + locks);
    state.counters["users_rows"] = static_cast<double>(users);
    state.counters["locks_rows"] = static_cast<double>(locks);
    state.counters["rows_per_s"] =
        benchmark::Counter(rows, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_MiB"] = PeakMiB();
}

void BM_QueryBareWalk(benchmark::State& state) {
    SimulatedNetwork* network = Bench().Network();
    if (!network) return state.SkipWithError("cannot load the network");
    BareCounts counts;
    for (auto _ : state) {
        counts = BareCounts();
        BareDirectory(*network, Bench().Context(), Bench().QueryPath(), counts);
    }
    if (network->OpenDirHandles() != 0 || network->OpenDSBuffers() != 0) {
        return state.SkipWithError("handles or buffers left held");
    }
    SetCounters(state, counts.users, counts.locks);
}

void BM_QueryIntoModels(benchmark::State& state) {
    SimulatedNetwork* network = Bench().Network();
    if (!network) return state.SkipWithError("cannot load the network");
    ResultListModel users(ResultListModel::Kind::Users);
    ResultListModel locks(ResultListModel::Kind::Locks);
    QTreeView usersView;
    QTreeView locksView;
    for (QTreeView* view : {&usersView, &locksView}) {
        view->setRootIsDecorated(false);
        view->setUniformRowHeights(true);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->resize(700, 400);
    }
    usersView.setModel(&users);
    locksView.setModel(&locks);
    usersView.show();
    locksView.show();
    SilentPrompts prompts;
    BenchWindow window(Bench().Context(), users, locks);
    window.path = Bench().QueryPath();
    for (auto _ : state) {
        OpenFileQuery query(*network, prompts, window, users, locks);
        query.GetOpenFilesData();
        QApplication::processEvents();  // the views catch up as they would after the query
    }
    if (prompts.boxes != 0) return state.SkipWithError("the query showed error boxes");
    SetCounters(state, users.RowCount(), locks.RowCount());
}

// The real main window, offscreen: the query as "Check" runs it.
void BM_QueryThroughWindow(benchmark::State& state) {
    SimulatedNetwork* network = Bench().Network();
    if (!network) return state.SkipWithError("cannot load the network");
    const auto dir = std::filesystem::temp_directory_path() /
                     ("kr_query_bench_ini_" + std::to_string(::getpid()));
    IniProfile profile(dir / "bin" / "KESTRUNE.INI", dir / "config" / "KESTRUNE.INI");
    SilentPrompts prompts;
    MemoryAuditLog audit;
    TfrmKestrune window(*network, *network, prompts, profile, audit, {});
    window.show();
    while (!window.StartupFinished()) QApplication::processEvents();
    window.ui().chkCheckSub->setChecked(true);
    window.ui().chkCheckLocks->setChecked(true);
    window.ui().chkShowFullName->setChecked(true);
    window.ui().chkShowContext->setChecked(true);
    for (auto _ : state) {
        window.ui().cboFileName->setEditText(QString::fromStdString(Bench().QueryPath()));
        window.ui().cmdCheck->click();
        QApplication::processEvents();
    }
    if (prompts.boxes != 0) return state.SkipWithError("the query showed error boxes");
    SetCounters(state, static_cast<std::size_t>(window.ui().lvwUsers->model()->rowCount()),
                static_cast<std::size_t>(window.ui().lvwLocks->model()->rowCount()));
    window.close();
    std::filesystem::remove_all(dir);
}

// Sorting 100,000 Users rows, from scan order each time.
void SortUsers(benchmark::State& state, int column) {
    SimulatedNetwork* network = Bench().Network();
    if (!network) return state.SkipWithError("cannot load the network");
    static std::vector<ResultRow> scanOrder;
    if (scanOrder.empty()) {
        ResultListModel users(ResultListModel::Kind::Users);
        ResultListModel locks(ResultListModel::Kind::Locks);
        SilentPrompts prompts;
        BenchWindow window(Bench().Context(), users, locks);
        window.path = Bench().QueryPath();
        OpenFileQuery(*network, prompts, window, users, locks).GetOpenFilesData();
        for (std::size_t i = 0; i < users.RowCount(); ++i) scanOrder.push_back(users.Row(i));
    }
    ResultListModel model(ResultListModel::Kind::Users);
    QTreeView view;
    view.setModel(&model);
    for (auto _ : state) {
        state.PauseTiming();
        model.Clear();
        for (const ResultRow& row : scanOrder) model.Append(row);
        state.ResumeTiming();
        model.SortRows(column);
    }
    state.counters["rows"] = static_cast<double>(model.RowCount());
}

void BM_SortUsersByUserName(benchmark::State& state) {
    SortUsers(state, static_cast<int>(UsersColumn::UserName));
}
void BM_SortUsersByFileNameDescending(benchmark::State& state) {
    SortUsers(state, static_cast<int>(UsersColumn::FileName) + kSortDescending);
}
void BM_SortUsersByConn(benchmark::State& state) {
    SortUsers(state, static_cast<int>(UsersColumn::Conn));
}

}  // namespace

BENCHMARK(BM_QueryBareWalk)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_QueryThroughWindow)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_QueryIntoModels)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortUsersByUserName)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SortUsersByFileNameDescending)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SortUsersByConn)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
