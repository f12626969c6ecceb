#include "app/settings.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { fs::remove_all(m_dir); }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path File() const { return m_dir / "config" / "KESTRUNE.INI"; }
    std::string Text() const {
        std::ifstream in(File(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const std::string& text) {
        fs::create_directories(File().parent_path());
        std::ofstream(File(), std::ios::binary) << text;
    }

    fs::path m_dir = fs::temp_directory_path() /
                     ("kr-settings-" + std::to_string(::getpid()) + "-" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
    IniProfile m_profile{m_dir / "bin" / "KESTRUNE.INI", m_dir / "config" / "KESTRUNE.INI"};
};

bool On(const OptionStates& s, Option o) { return s[static_cast<std::size_t>(o)]; }

TEST_F(SettingsTest, FirstRunTakesTheDefaultOfEveryKey) {
    const StoredSettings s = LoadSettings(m_profile);
    struct Case { Option option; bool on; };
    const Case cases[] = {
        {Option::Confirm, true},      {Option::ShowContext, true}, {Option::ShowNetwork, true},
        {Option::ShowHints, true},    {Option::CheckLocks, false}, {Option::CheckSub, false},
        {Option::ShowFullName, true}, {Option::ShowDrives, true},  {Option::ShowServers, true},
        {Option::UseIPX, true},       {Option::UseIP, true},
    };
    for (const Case& c : cases) EXPECT_EQ(On(s.options, c.option), c.on) << static_cast<int>(c.option);
    EXPECT_EQ(s.usersColumns, (std::array<int, 6>{45, 145, 164, 164, 100, 100}));
    EXPECT_EQ(s.locksColumns, (std::array<int, 7>{44, 134, 141, 67, 77, 75, 44}));
    EXPECT_EQ(s.placement.width, 0);
    EXPECT_EQ(s.placement.top, 0);
    EXPECT_EQ(s.placement.state, 0);
    EXPECT_EQ(s.switches.enableLogins, 1);
    EXPECT_EQ(s.switches.enableClear, 1);
    EXPECT_EQ(s.switches.enableSend, 1);
    EXPECT_TRUE(s.recent.PickList().empty());
    EXPECT_FALSE(fs::exists(File())) << "reading creates no file";
}

TEST_F(SettingsTest, BuiltInStatesDifferFromStoredDefaults) {
    // Before the settings are read the window shows these; a failed start-up
    // keeps them.
    const OptionStates b = BuiltInOptionStates();
    EXPECT_TRUE(On(b, Option::Confirm));
    EXPECT_FALSE(On(b, Option::ShowHints));
    EXPECT_FALSE(On(b, Option::ShowFullName));
    EXPECT_FALSE(On(b, Option::CheckLocks));
    EXPECT_FALSE(On(b, Option::CheckSub));
    EXPECT_TRUE(On(b, Option::UseIP));
}

TEST_F(SettingsTest, ReadsStoredValuesAndIgnoresOnesThatAreNotNumbers) {
    Write("[KESTRUNE]\nShow Hints=0\nCheck Locks=2\nConfirm Clear=yes\n"
          "[Users]\nColumn2=wide\nColumn5=0\n[Locks]\nColumn6=300\n"
          "[Options]\nEnableLogins=0\nEnableClear=2\n"
          "[Size]\nState=2\nLeft=120\n"
          "[Recent Files]\nEntry0=A\nEntry2=C\n");
    const StoredSettings s = LoadSettings(m_profile);
    EXPECT_FALSE(On(s.options, Option::ShowHints));
    EXPECT_TRUE(On(s.options, Option::CheckLocks)) << "any non-zero value ticks the box";
    EXPECT_TRUE(On(s.options, Option::Confirm)) << "not a number: the default";
    EXPECT_EQ(s.usersColumns[2], 164);
    EXPECT_EQ(s.usersColumns[5], 0);
    EXPECT_EQ(s.locksColumns[6], 300);
    EXPECT_EQ(s.switches.enableLogins, 0);
    EXPECT_EQ(s.switches.enableClear, 2);
    EXPECT_EQ(s.switches.enableSend, 1);
    EXPECT_EQ(s.placement.state, 2);
    EXPECT_EQ(s.placement.left, 120);
    EXPECT_EQ(s.recent.Slots()[1], "");
    EXPECT_EQ(s.recent.PickList(), (std::vector<std::string>{"A", "C"}));
}

TEST_F(SettingsTest, SetDefaultStoresTheTenBoxesButNotCheckSubdirectories) {
    OptionStates states = BuiltInOptionStates();
    states[static_cast<std::size_t>(Option::Confirm)] = false;
    states[static_cast<std::size_t>(Option::CheckLocks)] = true;
    states[static_cast<std::size_t>(Option::CheckSub)] = true;
    SaveDefaults(m_profile, states);

    EXPECT_EQ(Text(),
              "[KESTRUNE]\n"
              "Confirm Clear=0\n"
              "Show Context=1\n"
              "Show Network=1\n"
              "Show Hints=0\n"
              "Check Locks=1\n"
              "ShowFullName=0\n"
              "ShowDrives=1\n"
              "ShowServers=1\n"
              "UseIPX=1\n"
              "UseIP=1\n");
    const StoredSettings back = LoadSettings(m_profile);
    EXPECT_FALSE(On(back.options, Option::Confirm));
    EXPECT_TRUE(On(back.options, Option::CheckLocks));
    EXPECT_FALSE(On(back.options, Option::CheckSub));
}

ClosingState Closing(WindowState state) {
    ClosingState c;
    c.pickList = {"F:\\A", "F:\\C"};
    c.checkSub = false;
    c.state = state;
    c.normal = {100, 50, 800, 600};
    c.usersColumns = {1, 2, 3, 4, 5, 0};
    c.locksColumns = {7, 6, 5, 4, 3, 2, 1};
    return c;
}

TEST_F(SettingsTest, CloseWritesPathsWithoutGapsAndPlacementOnlyWhenNormal) {
    Write("[KESTRUNE]\nCheck Sub=1\nConfirm Clear=0\n[Options]\nEnableSend=0\n"
          "[Recent Files]\nEntry0=F:\\A\nEntry1=\nEntry2=F:\\C\n");
    SavePickList(m_profile, Closing(WindowState::Normal));
    StoredSettings s = LoadSettings(m_profile);
    EXPECT_EQ(s.recent.Slots()[0], "F:\\A");
    EXPECT_EQ(s.recent.Slots()[1], "F:\\C");
    EXPECT_EQ(s.recent.Slots()[2], "");
    EXPECT_FALSE(On(s.options, Option::CheckSub)) << "stored at every close";
    EXPECT_FALSE(On(s.options, Option::Confirm)) << "only Set Default stores it";
    EXPECT_EQ(s.placement.left, 100);
    EXPECT_EQ(s.placement.top, 50);
    EXPECT_EQ(s.placement.width, 800);
    EXPECT_EQ(s.placement.height, 600);
    EXPECT_EQ(s.usersColumns, (std::array<int, 6>{1, 2, 3, 4, 5, 0}));
    EXPECT_EQ(s.locksColumns, (std::array<int, 7>{7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(s.switches.enableSend, 0);

    // Maximised: the state changes, the placement of the last normal close stays.
    ClosingState maximised = Closing(WindowState::Maximised);
    maximised.normal = {0, 0, 1920, 1080};
    SavePickList(m_profile, maximised);
    s = LoadSettings(m_profile);
    EXPECT_EQ(s.placement.state, 2);
    EXPECT_EQ(s.placement.width, 800);
    EXPECT_EQ(s.placement.left, 100);
    EXPECT_NE(Text().find("[Options]\nEnableSend=0\n"), std::string::npos)
        << "the button switches are never written:\n" << Text();
}

// How many times the settings file was replaced while save ran: every
// replacement is one rename over it (and, before it, a sync of the new text).
// Creations are watched too: the kernel folds identical events that follow
// each other, and each temporary file's creation stands between two renames.
int Replacements(const fs::path& file, const std::function<void()>& save) {
    fs::create_directories(file.parent_path());
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return -1;
    ::inotify_add_watch(fd, file.parent_path().c_str(), IN_MOVED_TO | IN_CREATE);
    save();
    int count = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
        for (char* p = buffer; p < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            if ((event->mask & IN_MOVED_TO) && event->len > 0 && file.filename() == event->name)
                ++count;
            p += sizeof(inotify_event) + event->len;
        }
    }
    ::close(fd);
    return count;
}

// A save rewrote the whole file with a sync for every key: 29 replacements at
// every close, 10 at "Set Default".
TEST_F(SettingsTest, EachSaveReplacesTheFileOnce) {
    EXPECT_EQ(Replacements(File(), [&] { SavePickList(m_profile, ClosingState{}); }), 1);
    EXPECT_EQ(Replacements(File(), [&] { SaveDefaults(m_profile, BuiltInOptionStates()); }), 1);
    const StoredSettings s = LoadSettings(m_profile);
    EXPECT_EQ(s.placement.state, 0);
    EXPECT_EQ(s.usersColumns, (std::array<int, 6>{}));
    EXPECT_FALSE(On(s.options, Option::ShowHints));
}

TEST(Placement, StoredEdgesOrCentredOnTheScreen) {
    const Rect screen{0, 0, 1920, 1080};
    struct Case {
        const char* what;
        StoredPlacement stored;
        Rect expected;
        Rect desktop{};  // no area: no bound
    };
    const Case cases[] = {
        {"nothing stored: built-in size, centred", {}, {589, 314, 741, 452}},
        {"Top 0 and Left 120", {0, 0, 0, 120, 0}, {120, 314, 741, 452}},
        {"all stored", {800, 600, 10, 20, 0}, {20, 10, 800, 600}},
        {"below the minimum size", {100, 100, 5, 5, 0}, {5, 5, 510, 300}},
        {"taller than the screen: the offset truncates toward zero", {0, 1083, 0, 0, 0},
         {589, -1, 741, 1083}},
        {"a size beyond the desktop is bounded by it", {2000000000, 2000000000, 0, 0, 0},
         {-320, -180, 2560, 1440}, {0, 0, 2560, 1440}},
        {"a desktop below the minimum size still gets the minimum", {0, 0, 0, 0, 0},
         {705, 390, 510, 300}, {0, 0, 400, 200}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolvePlacement(c.stored, 741, 452, 510, 300, screen, c.desktop), c.expected)
            << c.what;
}

TEST(Placement, UnknownStatesStartNormal) {
    struct Case { int stored; WindowState state; };
    const Case cases[] = {{0, WindowState::Normal}, {1, WindowState::Minimised},
                          {2, WindowState::Maximised}, {3, WindowState::Normal},
                          {-1, WindowState::Normal}};
    for (const Case& c : cases) EXPECT_EQ(StateFromStored(c.stored), c.state) << c.stored;
}

}  // namespace
