// The network browser on one server whose volume holds a directory with
// 10,000 subdirectories and one with 10,000 files:
//   - expanding the first through the main window's tree (offscreen), against
//     the bare client calls the expansion makes;
//   - selecting the second, which fills the file list, the path box and the
//     server page, against the bare client calls of the listing and the page.
// Their ratio is what the tree, the list and the window add over the client;
// the window's figures include the layout and paint that follow in the event
// loop.
//
// Run: QT_QPA_PLATFORM=offscreen ./build/bench/browser/browser_bench

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QTreeView>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/drive_tree_model.h"
#include "app/main_window.h"
#include "browser/network_browser.h"
#include "platform/profile.h"
#include "platform/sim/simulated_network.h"

namespace {

constexpr int kEntries = 10'000;
const char* const kServer = "BENCH1";

std::string Description() {
    using nlohmann::json;
    json wide = json::array();
    json many = json::array();
    char name[32];
    for (int i = 0; i < kEntries; ++i) {
        std::snprintf(name, sizeof name, "Folder %05d", i);
        wide.push_back({{"name", name}, {"entries", json::array()}});
        std::snprintf(name, sizeof name, "Document %05d.txt", i);
        many.push_back(name);
    }
    json net = {
        {"workstation", {{"primary", kServer}, {"bindery", {{kServer, "SUPERVISOR"}}}}},
        {"servers",
         json::array({{{"name", kServer},
                       {"operators", json::array({"SUPERVISOR"})},
                       {"users", {{"SUPERVISOR", "x"}}},
                       {"volumes",
                        json::array({{{"name", "DATA"},
                                      {"number", 0},
                                      {"longNames", true},
                                      {"entries", json::array({{{"name", "WIDE"}, {"entries", wide}},
                                                               {{"name", "MANY"}, {"entries", many}}})}}})},
                       {"connections", json::array({{{"number", 1}, {"user", "SUPERVISOR"}}})}}})}};
    return net.dump();
}

class SilentPrompts final : public Prompts {
public:
    void ErrorBox(const std::string& label, NWCode code, Owner) override {
        std::fprintf(stderr, "box: %s\n", FormatErrorBoxText(label, code).c_str());
    }
    void MessageBox(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
    }
    bool AskYesNo(const std::string&) override { return false; }
    void Beep() override {}
    void SetBusyPointer(bool) override {}
};

// The network and a started main window on it, made once.
class Bench final {
public:
    Bench()
        : m_dir(std::filesystem::temp_directory_path() /
                ("kr_browser_bench_" + std::to_string(::getpid()))),
          m_profile(m_dir / "bin" / "KESTRUNE.INI", m_dir / "config" / "KESTRUNE.INI") {
        std::filesystem::create_directories(m_dir);
        std::ofstream(m_dir / "network.json") << Description();
        SimOptions options;
        options.networkPath = (m_dir / "network.json").string();
        options.readOnly = true;
        m_network = CreateSimulatedNetwork(options);
        m_window = std::make_unique<TfrmKestrune>(*m_network, *m_network, m_prompts, m_profile, m_audit,
                                                  std::vector<std::string>{});
        m_window->resize(900, 600);
        m_window->show();
        while (!m_window->StartupFinished()) QApplication::processEvents();
    }
    ~Bench() {
        m_window.reset();
        std::filesystem::remove_all(m_dir);
    }

    SimulatedNetwork& Network() { return *m_network; }
    TfrmKestrune& Window() { return *m_window; }
    QTreeView* Tree() { return m_window->ui().tvwDrives; }
    DriveTreeModel& Drives() { return *qobject_cast<DriveTreeModel*>(Tree()->model()); }

    QModelIndex Child(const QModelIndex& parent, const QString& text) {
        QAbstractItemModel* model = Tree()->model();
        for (int r = 0; r < model->rowCount(parent); ++r) {
            const QModelIndex index = model->index(r, 0, parent);
            if (index.data().toString() == text) return index;
        }
        return {};
    }

    // A fresh tree with the volume expanded: WIDE and MANY unloaded.
    QModelIndex FreshVolume() {
        Tree()->clearSelection();
        Tree()->setCurrentIndex({});
        m_window->ui().tvwDrives->collapseAll();
        m_window->ui().cmdReload->click();
        const QModelIndex server = Child({}, kServer);
        Tree()->expand(server);
        const QModelIndex volume = Child(server, "DATA");
        Tree()->expand(volume);
        return volume;
    }

private:
    std::filesystem::path m_dir;
    IniProfile m_profile;
    SilentPrompts m_prompts;
    MemoryAuditLog m_audit;
    std::unique_ptr<SimulatedNetwork> m_network;
    std::unique_ptr<TfrmKestrune> m_window;
};

std::unique_ptr<Bench> g_bench;  // made on first use, gone before the application

Bench& TheBench() {
    if (!g_bench) g_bench = std::make_unique<Bench>();
    return *g_bench;
}

// ---- the bare client calls --------------------------------------------------------

std::size_t BareScan(NWClient& client, const std::string& path, bool directories) {
    ConnHandle conn = 0;
    DirHandle unused = 0;
    std::string relative;
    if (client.NWParseNetWarePath(path, conn, unused, relative) != 0) return 0;
    DirHandle handle = 0;
    if (client.NWAllocTempNSDirHandle2(conn, 0, relative, kNameSpaceLong, handle, kNameSpaceLong) != 0)
        return 0;
    NWSearchSequence12 sequence = NewSearchSequence12();
    NWEntryInfo entry{};
    std::size_t found = 0;
    while (client.NWScanNSEntryInfo(conn, handle, kNameSpaceLong, 0xFFFF, sequence, "*", 0x0FFF,
                                    entry) == 0) {
        const bool directory = (entry.attributes & kAttrDirectory) != 0;
        if (directory == directories && std::strcmp(entry.entryName, ".") != 0 &&
            std::strcmp(entry.entryName, "..") != 0)
            ++found;
    }
    client.DeallocateDirectoryHandle(conn, handle);
    return found;
}

void BareServerPage(NWClient& client) {
    ConnHandle conn = 0;
    if (client.NWCCOpenConnByName(0, kServer, kNameFormatBindery, kOpenStateLicensed, kTransportAny, conn) != 0)
        return;
    NWServerVersion version{};
    client.NWCCGetConnInfo(conn, kConnInfoServerVersion, sizeof version, &version);
    client.CheckConsolePrivileges(conn);
    NWFileServerInfo info;
    client.GetFileServerInformation(conn, info);
    std::uint8_t enabled = 0;
    client.GetFileServerLoginStatus(conn, enabled);
    client.NWCCCloseConn(conn);
}

// The browser logic on a plain tree and list, without Qt: what the logic
// itself adds, apart from the models and the views.
class NoWindow final : public BrowserWindow, public LoginBox {
public:
    bool ShowDrives() const override { return false; }
    bool ShowServers() const override { return true; }
    bool UseIPX() const override { return true; }
    bool UseIP() const override { return false; }
    void ShowStatus() override {}
    void SetStatus(const std::string&) override {}
    void HideStatus() override {}
    void SetPathText(const std::string&) override {}
    void RepaintWindow() override {}
    TreeNode* SelectedNode() const override { return nullptr; }
    void UpdateServerPage() override {}
    bool AskLogin(const std::string&, std::string&, std::string&) override { return false; }
};

class NoFiles final : public FileList {
public:
    void Clear() override { m_files.clear(); }
    void SetFiles(std::vector<std::string> captions) override { m_files = std::move(captions); }
    std::size_t Count() const override { return m_files.size(); }
    std::string Caption(std::size_t index) const override { return m_files[index]; }

private:
    std::vector<std::string> m_files;
};

// ---- benchmarks ----------------------------------------------------------------------

void BM_ExpandWideDirectoryThroughWindow(benchmark::State& state) {
    Bench& bench = TheBench();
    for (auto _ : state) {
        state.PauseTiming();
        const QModelIndex wide = bench.Child(bench.FreshVolume(), "WIDE");
        QApplication::processEvents();
        state.ResumeTiming();
        bench.Tree()->expand(wide);
        QApplication::processEvents();  // the layout and paint that follow
        state.PauseTiming();
        if (bench.Drives().rowCount(wide) != kEntries) state.SkipWithError("not expanded");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_ExpandWideDirectoryLogicOnly(benchmark::State& state) {
    SimulatedNetwork& network = TheBench().Network();
    SilentPrompts prompts;
    ClientSession session;
    NoWindow window;
    NoFiles files;
    NodeTree tree;
    NetworkBrowser browser(network, network, prompts, session, window, window, tree, files);
    for (auto _ : state) {
        state.PauseTiming();
        browser.LoadDrives();
        TreeNode* server = tree.Children(nullptr).front().get();
        browser.tvwDrivesExpanding(server);
        TreeNode* volume = server->children.front().get();
        browser.tvwDrivesExpanding(volume);
        TreeNode* wide = nullptr;
        for (const auto& child : volume->children)
            if (child->text == "WIDE") wide = child.get();
        state.ResumeTiming();
        browser.tvwDrivesExpanding(wide);
        state.PauseTiming();
        if (wide->children.size() != kEntries) state.SkipWithError("not expanded");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_ExpandWideDirectoryBare(benchmark::State& state) {
    NWClient& client = TheBench().Network();
    const std::string path = std::string(kServer) + "\\DATA:\\WIDE";
    for (auto _ : state) {
        if (BareScan(client, path, true) != kEntries) state.SkipWithError("scan failed");
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_ListManyFilesThroughWindow(benchmark::State& state) {
    Bench& bench = TheBench();
    const QModelIndex volume = bench.FreshVolume();
    const QModelIndex many = bench.Child(volume, "MANY");
    for (auto _ : state) {
        state.PauseTiming();
        bench.Tree()->setCurrentIndex(volume);
        QApplication::processEvents();
        state.ResumeTiming();
        bench.Tree()->setCurrentIndex(many);
        QApplication::processEvents();
        state.PauseTiming();
        if (bench.Window().ui().lvwFiles->model()->rowCount() != kEntries) state.SkipWithError("not listed");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_ListManyFilesBare(benchmark::State& state) {
    NWClient& client = TheBench().Network();
    const std::string path = std::string(kServer) + "\\DATA:\\MANY";
    for (auto _ : state) {
        std::string server, volume;
        client.NWParsePath(path, &server, nullptr, &volume, nullptr);
        if (BareScan(client, path, false) != kEntries) state.SkipWithError("scan failed");
        BareServerPage(client);
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

BENCHMARK(BM_ExpandWideDirectoryThroughWindow)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ExpandWideDirectoryLogicOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ExpandWideDirectoryBare)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ListManyFilesThroughWindow)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ListManyFilesBare)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_bench.reset();
    return 0;
}
