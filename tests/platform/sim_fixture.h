#pragma once

// Small networks written to a fresh temporary directory per test, and the
// simulation opened on them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/sim/simulated_network.h"

namespace simtest {

// One server with both kinds of volume, three connections and a tree: enough
// for every call, small enough to read at a glance.
inline const char* const kNetwork = R"({
  // the workstation holds a directory identity that is operator on FS1
  "workstation": {
    "primary": "FS1",
    "drives": { "F": "FS1\\SYS:", "G": "FS1\\DATA:APPS" },
    "nds": { "tree": "ACME", "user": "ADMIN.IT.ACME" }
  },
  "trees": {
    "ACME": {
      "ADMIN.IT.ACME":     { "password": "secret", "Full Name": ["Ada Admin"] },
      "JSMITH.SALES.ACME": { "password": "pw", "Full Name": ["John Smith", "J. Smith"] },
      "GUEST.ACME":        { "password": "" }
    }
  },
  "servers": [
    {
      "name": "FS1", "tree": "ACME", "version": [5, 70, 0], "module": true,
      "operators": ["ADMIN.IT.ACME", "SUPERVISOR"],
      "users": { "SUPERVISOR": "secret", "GUEST": "" },
      "address": "10.0.0.1",
      "volumes": [
        { "name": "SYS", "number": 0, "longNames": true, "entries": [
            "README.TXT",
            { "name": "ACCT", "entries": [
                "LEDGER.DAT",
                { "name": "Quarterly Report.doc", "dos": "QUARTE~1.DOC" },
                { "name": "ARCHIVE.DAT", "entries": [] },
                { "name": "AUDIT.DAT", "hidden": true, "system": true }
            ]}
        ]},
        { "name": "DATA", "number": 3, "longNames": false, "entries": [
            "PAYROLL.DB",
            { "name": "APPS", "entries": [ "TOOL.EXE" ] }
        ]}
      ],
      "connections": [
        { "number": 0, "open": ["SYS:ACCT\\LEDGER.DAT"] },
        { "number": 5, "user": "JSMITH.SALES.ACME", "loginTime": "2007-01-03 09:05:00",
          "address": "0000ABCD:00C0F0123456",
          "open": [
            "SYS:ACCT\\LEDGER.DAT",
            { "path": "sys:acct/quarte~1.doc",
              "locks": [ { "start": 0, "end": 511, "task": 2, "type": 1 },
                         { "start": 1024, "end": 2047 } ] }
          ] },
        { "number": 12, "user": "GUEST", "nds": false, "messages": false,
          "loginTime": "2007-01-03 17:45:10", "address": "10.1.2.3",
          "open": [ { "path": "SYS:ACCT\\LEDGER.DAT", "locks": [ { "start": 7, "end": 7 } ] } ] }
      ]
    },
    { "name": "FS2", "volumes": [ { "name": "SYS", "number": 0 } ],
      "discovery": { "ipx": false, "ip": "fs2.example" } },
    { "name": "OLD", "down": true, "discovery": { "ip": false } }
  ]
})";

class TempDir final {
public:
    TempDir() {
        std::string base = std::filesystem::temp_directory_path() / "nwsim-test-XXXXXX";
        m_path = mkdtemp(base.data()) ? base : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A test with a description file in its own directory and a simulation on it.
class SimTest : public ::testing::Test {
protected:
    // Writes text as the description and starts a simulation on it; the
    // returned code is NWCallsInit's.
    NWCode Start(const std::string& text = kNetwork, bool readOnly = false) {
        WriteText(m_file, text);
        m_sim = Open(readOnly);
        return m_sim->NWCallsInit();
    }

    std::unique_ptr<SimulatedNetwork> Open(bool readOnly = false) const {
        SimOptions options;
        options.networkPath = m_file;
        options.readOnly = readOnly;
        return CreateSimulatedNetwork(options);
    }

    ConnHandle Conn(const std::string& server = "FS1") {
        ConnHandle conn = 0;
        EXPECT_EQ(
            m_sim->NWCCOpenConnByName(0, server, kNameFormatBindery, kOpenStateLicensed, kTransportAny, conn),
            0);
        return conn;
    }

    TempDir m_dir;
    std::string m_file = m_dir.Path() + "/net.json";
    std::unique_ptr<SimulatedNetwork> m_sim;
};

}  // namespace simtest
