#include <gtest/gtest.h>

#include <filesystem>

#include "tests/platform/sim_fixture.h"

namespace {

using simtest::SimTest;

std::vector<std::string> List(WorkstationFiles& files, const std::string& pattern, std::uint32_t attributes,
                              int* first = nullptr) {
    std::vector<std::string> names;
    FindState state;
    FindData entry;
    int rc = files.FindFirst(pattern, attributes, state, entry);
    if (first) *first = rc;
    for (; rc == 0 && names.size() < 50; rc = files.FindNext(state, entry))
        names.push_back(entry.name + ((entry.attributes & kAttrDirectory) ? "/" : ""));
    files.FindClose(state);
    return names;
}

class WorkstationFilesTest : public SimTest {};

TEST_F(WorkstationFilesTest, MappedDrivesAndUncPathsListThroughTheNetwork) {
    ASSERT_EQ(Start(), 0);
    const std::uint32_t all = kAttrHidden | kAttrSystem | kAttrDirectory;
    struct Case {
        const char* pattern;
        std::uint32_t attributes;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"F:\\ACCT\\*.*",
         all,
         {"./", "../", "LEDGER.DAT", "Quarterly Report.doc", "ARCHIVE.DAT/", "AUDIT.DAT"}},
        {"F:\\ACCT\\*.*", 0, {"LEDGER.DAT", "Quarterly Report.doc"}},
        {"F:\\ACCT\\*.*", kAttrHidden, {"LEDGER.DAT", "Quarterly Report.doc"}},  // AUDIT is system too
        {"f:/acct/quarte~1.doc", 0, {"Quarterly Report.doc"}},
        {"F:\\ACCT\\*.DOC", all, {"Quarterly Report.doc"}},
        {"F:\\*.*", all, {"README.TXT", "ACCT/"}},  // no dot entries in a volume root
        {"\\\\FS1\\SYS\\ACCT\\L*", all, {"LEDGER.DAT"}},
        {"G:\\*.*", all, {"./", "../", "TOOL.EXE"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(List(*m_sim, c.pattern, c.attributes), c.names) << c.pattern;
    }
    int rc = 0;
    EXPECT_TRUE(List(*m_sim, "F:\\ACCT\\*.XYZ", all, &rc).empty());
    EXPECT_NE(rc, 0);
    EXPECT_TRUE(List(*m_sim, "F:\\NODIR\\*.*", all, &rc).empty());
    EXPECT_NE(rc, 0);
}

TEST_F(WorkstationFilesTest, NamesComeBackAsWorkstationText) {
    ASSERT_EQ(Start(R"({ "workstation": { "drives": { "M": "FS1\\SYS:" }, "bindery": { "FS1": "X" } },
      "servers": [ { "name": "FS1", "operators": ["X"], "volumes": [ { "name": "SYS", "number": 0, "longNames": true,
                     "entries": [ "Müller Straße.txt" ] } ] } ] })"),
              0);
    EXPECT_EQ(List(*m_sim, "M:\\*.*", 0), std::vector<std::string>{"Müller Straße.txt"});
    EXPECT_EQ(List(*m_sim, "M:\\mü*", 0), std::vector<std::string>{"Müller Straße.txt"});

    // A change writes the description back in UTF-8 with the name intact.
    ConnHandle conn = Conn();
    ASSERT_EQ(m_sim->NWDisableFileServerLogin(conn), 0);
    auto next = Open();
    ASSERT_EQ(next->NWCallsInit(), 0);
    EXPECT_EQ(List(*next, "M:\\*.TXT", 0), std::vector<std::string>{"Müller Straße.txt"});
    EXPECT_NE(simtest::ReadText(m_file).find("Müller Straße.txt"), std::string::npos);
}

TEST_F(WorkstationFilesTest, OtherPathsListTheLocalFileSystem) {
    ASSERT_EQ(Start(), 0);
    const std::string root = m_dir.Path() + "/local";
    std::filesystem::create_directories(root + "/sub");
    simtest::WriteText(root + "/b.dat", "x");
    simtest::WriteText(root + "/A.DAT", "x");
    simtest::WriteText(root + "/note.txt", "x");
    EXPECT_EQ(List(*m_sim, root + "/*.dat", kAttrDirectory), (std::vector<std::string>{"A.DAT", "b.dat"}));
    EXPECT_EQ(List(*m_sim, root + "/*.*", kAttrDirectory),
              (std::vector<std::string>{"./", "../", "A.DAT", "b.dat", "note.txt", "sub/"}));
    EXPECT_EQ(List(*m_sim, root + "/*.*", 0), (std::vector<std::string>{"A.DAT", "b.dat", "note.txt"}));
    int rc = 0;
    EXPECT_TRUE(List(*m_sim, root + "/missing/*.*", 0, &rc).empty());
    EXPECT_NE(rc, 0);
}

}  // namespace
