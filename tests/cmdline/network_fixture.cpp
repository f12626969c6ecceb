#include "tests/cmdline/network_fixture.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>

namespace krcmd::test {

NetworkFile::NetworkFile(const nlohmann::json& description) {
    std::string pattern = (std::filesystem::temp_directory_path() / "krcmd-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) m_directory = pattern;
    m_path = (m_directory / "network.json").string();
    std::ofstream(m_path) << description.dump(2);
}

NetworkFile::~NetworkFile() {
    std::error_code ignored;
    if (!m_directory.empty()) std::filesystem::remove_all(m_directory, ignored);
}

nlohmann::json NetworkFile::Read() const {
    std::ifstream in(m_path);
    std::stringstream text;
    text << in.rdbuf();
    return nlohmann::json::parse(text.str(), nullptr, false, true);
}

nlohmann::json FindConnection(const nlohmann::json& description, const std::string& server,
                              int number) {
    for (const auto& s : description.value("servers", nlohmann::json::array())) {
        if (s.value("name", "") != server) continue;
        for (const auto& c : s.value("connections", nlohmann::json::array())) {
            if (c.value("number", -1) == number) return c;
        }
    }
    return nullptr;
}

}  // namespace krcmd::test
