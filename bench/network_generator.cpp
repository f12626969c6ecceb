#include "bench/network_generator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kTree = "BENCH";
constexpr const char* kAdmin = "ADMIN.BENCH";

std::string Format(const char* format, std::size_t value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string UserName(std::size_t connection) {
    return Format("U%05zu.STAFF.BENCH", connection);
}

std::string Address(std::size_t connection) {
    char text[32];
    std::snprintf(text, sizeof text, "10.%zu.%zu.%zu", (connection >> 16) & 0xFF,
                  (connection >> 8) & 0xFF, connection & 0xFF);
    return text;
}

}  // namespace

NetworkShape RecursiveQueryShape() {
    NetworkShape shape;
    shape.files = 10'000;
    shape.filesPerDirectory = 100;
    shape.subdirectories = 10;
    shape.connections = 500;
    shape.openedFiles = 10'000;
    shape.opensPerFile = 10;
    shape.locksPerOpen = 1;
    shape.lockEvery = 5;
    return shape;
}

GeneratedNetwork::GeneratedNetwork(const NetworkShape& shape) : m_shape(shape) {
    // Degenerate shapes would divide by zero below; they mean "one of each".
    m_shape.filesPerDirectory = std::max<std::size_t>(m_shape.filesPerDirectory, 1);
    m_shape.subdirectories = std::max<std::size_t>(m_shape.subdirectories, 1);
    m_shape.connections = std::max<std::size_t>(m_shape.connections, 1);
    m_shape.lockEvery = std::max<std::size_t>(m_shape.lockEvery, 1);
    m_shape.openedFiles = std::min(m_shape.openedFiles, m_shape.files);
    m_directories = (m_shape.files + m_shape.filesPerDirectory - 1) / m_shape.filesPerDirectory;
}

// Directories 0 .. subdirectories-1 sit in the volume root; the children of
// directory p are (p+1)*subdirectories .. (p+2)*subdirectories-1.
std::size_t GeneratedNetwork::ParentOf(std::size_t d) const {
    return d / m_shape.subdirectories - 1;
}

std::size_t GeneratedNetwork::Depth() const {
    if (m_directories == 0) return 0;
    std::size_t depth = 1;
    for (std::size_t d = m_directories - 1; d >= m_shape.subdirectories; d = ParentOf(d)) ++depth;
    return depth;
}

std::string GeneratedNetwork::DirectoryName(std::size_t d) const {
    return Format("D%06zu", d);
}

std::string GeneratedNetwork::DirectoryPath(std::size_t d) const {
    std::string path = DirectoryName(d);
    while (d >= m_shape.subdirectories) {
        d = ParentOf(d);
        path = DirectoryName(d) + "\\" + path;
    }
    return path;
}

std::string GeneratedNetwork::FileName(std::size_t i) const {
    // The leading six digits keep the 8.3 names that the server derives from
    // long names unique in a directory without numbered tails piling up.
    return m_shape.longNames ? Format("%06zu Weekly report.txt", i) : Format("F%06zu.DAT", i);
}

std::string GeneratedNetwork::FilePath(std::size_t i) const {
    return DirectoryPath(i / m_shape.filesPerDirectory) + "\\" + FileName(i);
}

std::string GeneratedNetwork::VolumePath(const std::string& path) const {
    return std::string(kVolume) + ":" + path;
}

std::string GeneratedNetwork::DrivePath(const std::string& path) const {
    return std::string(1, kDrive) + ":\\" + path;
}

std::size_t GeneratedNetwork::OpenedFile(std::size_t k) const {
    return k * m_shape.files / std::max<std::size_t>(m_shape.openedFiles, 1);
}

std::size_t GeneratedNetwork::TotalLocks() const {
    const std::size_t opens = TotalOpens();
    return (opens + m_shape.lockEvery - 1) / m_shape.lockEvery * m_shape.locksPerOpen;
}

std::string GeneratedNetwork::Description() const {
    const NetworkShape& s = m_shape;

    // Entries of every directory, built from the deepest up so that a parent
    // can take its finished children.
    std::vector<Json> directories(m_directories);
    for (std::size_t d = m_directories; d-- > 0;) {
        Json entries = Json::array();
        const std::size_t first = d * s.filesPerDirectory;
        const std::size_t last = std::min(first + s.filesPerDirectory, s.files);
        for (std::size_t i = first; i < last; ++i) entries.push_back(FileName(i));
        const std::size_t firstChild = (d + 1) * s.subdirectories;
        for (std::size_t c = firstChild; c < firstChild + s.subdirectories && c < m_directories; ++c)
            entries.push_back(std::move(directories[c]));
        directories[d] = Json{{"name", DirectoryName(d)}, {"entries", std::move(entries)}};
    }
    Json rootEntries = Json::array();
    for (std::size_t d = 0; d < s.subdirectories && d < m_directories; ++d)
        rootEntries.push_back(std::move(directories[d]));

    // Open g (0-based over all opens) is open (g % opensPerFile) of opened
    // file g / opensPerFile, held by connection g % connections + 1.
    std::vector<Json> opens(s.connections + 1, Json::array());
    for (std::size_t g = 0; g < TotalOpens(); ++g) {
        const std::string path = VolumePath(FilePath(OpenedFile(g / s.opensPerFile)));
        Json& list = opens[g % s.connections + 1];
        if (s.locksPerOpen > 0 && g % s.lockEvery == 0) {
            Json locks = Json::array();
            for (std::size_t l = 0; l < s.locksPerOpen; ++l)
                locks.push_back({{"start", l * 512}, {"end", l * 512 + 511}, {"task", 1}, {"type", 1}});
            list.push_back({{"path", path}, {"locks", std::move(locks)}});
        } else {
            list.push_back(path);
        }
    }

    Json tree = Json::object();
    tree[kAdmin] = {{"password", "bench"}};
    Json connections = Json::array();
    connections.push_back({{"number", 0}, {"open", Json::array()}});
    for (std::size_t c = 1; c <= s.connections; ++c) {
        const std::string user = UserName(c);
        Json entry = {{"password", ""}};
        if (s.fullNames) entry["Full Name"] = Json::array({Format("Bench User %zu", c)});
        tree[user] = std::move(entry);
        connections.push_back({{"number", c},
                               {"user", user},
                               {"loginTime", "2007-03-14 08:00:00"},
                               {"address", Address(c)},
                               {"open", std::move(opens[c])}});
    }

    Json server = {
        {"name", kServer},
        {"tree", kTree},
        {"version", {6, 50, 0}},
        {"module", true},
        {"operators", Json::array({kAdmin})},
        {"address", "10.255.0.1"},
        {"maxConnections", std::min<std::size_t>(s.connections + 10, 65535)},
        {"scanEnd", s.scanEnd == ScanEndStyle::Error ? "error" : "last-batch"},
        {"volumes", Json::array({Json{{"name", kVolume}, {"number", 0}, {"longNames", s.longNames},
                                      {"entries", std::move(rootEntries)}}})},
        {"connections", std::move(connections)},
    };
    Json drives = Json::object();
    drives[std::string(1, kDrive)] = std::string(kServer) + "\\" + kVolume + ":";
    Json workstation = {
        {"primary", kServer},
        {"drives", std::move(drives)},
        {"nds", {{"tree", kTree}, {"user", kAdmin}}},
    };
    Json network = {
        {"workstation", std::move(workstation)},
        {"trees", {{kTree, std::move(tree)}}},
        {"servers", Json::array({std::move(server)})},
    };
    return network.dump();
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

std::filesystem::path MakeBenchDirectory(const std::string& program) {
    std::string pattern = (std::filesystem::temp_directory_path() / ("kr-" + program + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) {
        std::perror((program + ": mkdtemp").c_str());
        return {};
    }
    return pattern;
}
