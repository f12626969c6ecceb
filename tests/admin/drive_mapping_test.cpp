// Map Drive on the simulated network: the letters offered, the checks made
// before a drive is mapped, what the user is told, and the tree rebuilt
// afterwards whatever happened.

#include "admin/drive_mapping.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/admin/admin_test_support.h"
#include "tests/cmdline/krcmd_process.h"

namespace admintest {
namespace {

using json = nlohmann::json;
using Texts = std::vector<std::string>;
using Attempt = std::pair<char, std::string>;

// Plays the user at the dialog: tries each attempt in turn until one is
// accepted, and cancels when none is left.
class ScriptedMapDriveWindow final : public MapDriveWindow {
public:
    void ShowMapDriveDialog(const std::vector<char>& letters, const Accept& accept) override {
        ++dialogs;
        offered = letters;
        for (const Attempt& attempt : attempts) {
            ++tries;
            if (accept(attempt.first, attempt.second)) return;
        }
    }
    void LoadDrives() override { ++reloads; }

    std::vector<Attempt> attempts;
    std::vector<char> offered;
    int dialogs = 0;
    int tries = 0;
    int reloads = 0;
};

json WithDownServer() {
    json description = BaseNetwork();
    description["servers"].push_back({{"name", "OLD"}, {"down", true}});
    return description;
}

struct MapCase {
    const char* name;
    std::vector<Attempt> attempts;
    Texts texts;
    json drives;  // stored afterwards
};

void PrintTo(const MapCase& c, std::ostream* os) { *os << c.name; }

const json kOnlyF = {{"F", "FS1\\SYS:"}};

const MapCase kMapCases[] = {
    {"ServerQualifiedPath", {{'H', "FS1\\SYS:ACCT"}}, {}, {{"F", "FS1\\SYS:"}, {"H", "FS1\\SYS:ACCT"}}},
    {"UncPathWithNamesOutsideAscii", {{'z', " \\\\fs1\\sys\\acct\\bücher "}}, {},
     {{"F", "FS1\\SYS:"}, {"Z", "FS1\\SYS:ACCT\\Bücher"}}},
    {"VolumeRoot", {{'G', "FS1/DATA:"}}, {}, {{"F", "FS1\\SYS:"}, {"G", "FS1\\DATA:"}}},
    {"UnknownServerIsRefused", {{'H', "FS9\\SYS:ACCT"}},
     {"The server FS9 is unknown or down"}, kOnlyF},
    {"DownServerIsRefused", {{'H', "\\\\OLD\\SYS"}}, {"The server OLD is unknown or down"}, kOnlyF},
    {"LetterInUseIsRefused", {{'F', "FS1\\SYS:ACCT"}}, {"Drive F: is already in use"}, kOnlyF},
    {"MissingFolderIsRefused", {{'H', "FS1\\SYS:NOWHERE"}},
     {"The folder FS1\\SYS:NOWHERE does not exist or you have no rights to it"}, kOnlyF},
    {"FileIsRefused", {{'H', "FS1\\SYS:README.TXT"}},
     {"The folder FS1\\SYS:README.TXT does not exist or you have no rights to it"}, kOnlyF},
    {"MissingVolumeIsRefused", {{'H', "FS1\\VOL9:"}}, {"The volume of FS1\\VOL9: does not exist"},
     kOnlyF},
    {"PathWithoutVolumeIsRefused", {{'H', "FS1"}},
     {"Enter the folder to map as SERVER\\VOLUME:PATH or \\\\SERVER\\VOLUME\\PATH"}, kOnlyF},
    {"PatternIsRefused", {{'H', "FS1\\SYS:AC*"}},
     {"Enter the folder to map as SERVER\\VOLUME:PATH or \\\\SERVER\\VOLUME\\PATH"}, kOnlyF},
    {"RefusedThenCorrected", {{'H', "FS9\\SYS:"}, {'H', "FS1\\SYS:"}},
     {"The server FS9 is unknown or down"}, {{"F", "FS1\\SYS:"}, {"H", "FS1\\SYS:"}}},
    {"CancelMapsNothing", {}, {}, kOnlyF},
};

class MapDriveTest : public AdminTest, public ::testing::WithParamInterface<MapCase> {};

TEST_P(MapDriveTest, MapsOnlyWhatTheClientAcceptsAndAlwaysReloads) {
    const MapCase& c = GetParam();
    Load(WithDownServer());
    ScriptedMapDriveWindow mapWindow;
    mapWindow.attempts = c.attempts;

    DriveMapping(*network, prompts, mapWindow, audit).MapDrive();

    EXPECT_EQ(prompts.Texts(), c.texts);
    EXPECT_EQ(Stored()["workstation"]["drives"], c.drives);
    EXPECT_EQ(mapWindow.dialogs, 1);
    EXPECT_EQ(mapWindow.reloads, 1);
    // Only a mapping that reached the client is recorded.
    const std::size_t mapped = c.drives.size() - 1;
    ASSERT_EQ(audit.events().size(), mapped);
    if (mapped == 1) {
        EXPECT_EQ(audit.events()[0].action, audit::kMapDrive);
        EXPECT_EQ(audit.events()[0].server, "FS1");
        EXPECT_EQ(audit.events()[0].result, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MapDriveTest, ::testing::ValuesIn(kMapCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AdminTest, MapDriveOffersOnlyLettersNotMapped) {
    json description = BaseNetwork();
    description["workstation"]["drives"]["a"] = "FS1\\SYS:ACCT";
    Load(description);
    ScriptedMapDriveWindow mapWindow;
    DriveMapping mapping(*network, prompts, mapWindow, audit);
    mapping.MapDrive();
    std::vector<char> expected;
    for (char letter = 'B'; letter <= 'Z'; ++letter)
        if (letter != 'F') expected.push_back(letter);
    EXPECT_EQ(mapWindow.offered, expected);
}

TEST_F(AdminTest, MapDriveWithEveryLetterInUseSaysSoAndStillReloads) {
    json description = BaseNetwork();
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        description["workstation"]["drives"][std::string(1, letter)] = "FS1\\SYS:";
    Load(description);
    ScriptedMapDriveWindow mapWindow;
    DriveMapping(*network, prompts, mapWindow, audit).MapDrive();
    EXPECT_EQ(prompts.Texts(), Texts{"Every drive letter is in use"});
    EXPECT_EQ(mapWindow.dialogs, 0);
    EXPECT_EQ(mapWindow.reloads, 1);
}

TEST_F(AdminTest, AMappedDriveIsSeenByKrcmd) {
    Load(BaseNetwork());
    ScriptedMapDriveWindow mapWindow;
    mapWindow.attempts = {{'H', "FS1\\SYS:ACCT"}};
    DriveMapping(*network, prompts, mapWindow, audit).MapDrive();
    ASSERT_EQ(prompts.Texts(), Texts{});

    const krcmd::test::ProcessResult result = krcmd::test::RunKrcmd({"H:\\LEDGER.DAT"}, File().string());
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_NE(result.out.find("JSMITH"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("ADMIN"), std::string::npos) << result.out;
}

}  // namespace
}  // namespace admintest
