#pragma once

// A network description in a temporary directory of its own: written before a
// run, read back after it to see what the run changed.

#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

namespace krcmd::test {

class NetworkFile final {
public:
    explicit NetworkFile(const nlohmann::json& description);
    ~NetworkFile();
    NetworkFile(const NetworkFile&) = delete;
    NetworkFile& operator=(const NetworkFile&) = delete;

    const std::string& path() const { return m_path; }
    const std::filesystem::path& directory() const { return m_directory; }
    nlohmann::json Read() const;

private:
    std::filesystem::path m_directory;
    std::string m_path;
};

// The description's connection numbered number on server; null when gone.
nlohmann::json FindConnection(const nlohmann::json& description, const std::string& server,
                              int number);

}  // namespace krcmd::test
