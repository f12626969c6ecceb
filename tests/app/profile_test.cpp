#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/settings.h"
#include "tests/support/scoped_env.h"

namespace fs = std::filesystem;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("kr-profile-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "bin");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path Beside() const { return m_dir / "bin" / "KESTRUNE.INI"; }
    fs::path Fallback() const { return m_dir / "config" / "kestrune" / "KESTRUNE.INI"; }
    IniProfile Profile() const { return IniProfile(Beside(), Fallback()); }

    static void Write(const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path m_dir;
};

TEST_F(ProfileTest, ReadsSectionsAndKeysWithoutRegardToCase) {
    Write(Beside(),
          "; written by hand\n"
          "[kestrune]\n"
          "  Confirm Clear = 0  \n"
          "SHOW HINTS=1\n"
          "Path=  \"  F:\\DATA  \"\n"
          "[Size]\r\n"
          "Width=800\n"
          "[KESTRUNE]\n"
          "Confirm Clear=1\n"
          "[Recent Files]\n"
          "Entry0=F:\\ACCT\\*.*\n");
    const IniProfile profile = Profile();
    struct Case { const char* section; const char* key; const char* text; };
    const Case cases[] = {
        {"KESTRUNE", "Confirm Clear", "0"},  // the first of two equal sections wins
        {"Kestrune", "show hints", "1"},
        {"KESTRUNE", "Path", "  F:\\DATA  "},  // quotes keep the blanks
        {"SIZE", "width", "800"},
        {"Recent Files", "ENTRY0", "F:\\ACCT\\*.*"},
        {"Recent Files", "Entry1", "<none>"},
        {"Nowhere", "Entry0", "<none>"},
        {"KESTRUNE", "; written by hand", "<none>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(profile.ReadText(c.section, c.key, "<none>"), c.text) << c.section << "/" << c.key;
}

TEST_F(ProfileTest, IntegersThatDoNotParseTakeTheDefault) {
    struct Case { const char* stored; int expected; };
    const Case cases[] = {
        {"12", 12},        {" -7 ", -7},    {"+3", 3},       {"0", 0},
        {"12abc", 99},     {"", 99},        {"abc", 99},     {"0x10", 99},
        {"99999999999", 99}, {"+-1", 99},   {"1.5", 99},     {"\"42\"", 42},
    };
    for (const Case& c : cases) {
        Write(Beside(), std::string("[Size]\nWidth=") + c.stored + "\n");
        EXPECT_EQ(Profile().ReadInt("Size", "Width", 99), c.expected) << "stored: " << c.stored;
    }
    EXPECT_EQ(Profile().ReadInt("Size", "Missing", -5), -5);
}

TEST_F(ProfileTest, WritesInPlaceOrAddsKeyAndSectionLeavingTheRestAsItWas) {
    Write(Beside(),
          "; kept\n"
          "[KESTRUNE]\n"
          "Confirm Clear=1\n"
          "Show Hints=1\n"
          "\n"
          "[Options]\n"
          "EnableClear=0\n");
    IniProfile profile = Profile();
    ASSERT_TRUE(profile.WriteInt("kestrune", "show hints", 0));
    ASSERT_TRUE(profile.WriteInt("KESTRUNE", "Check Sub", 1));
    ASSERT_TRUE(profile.WriteText("Recent Files", "Entry0", "F:\\DATA\\*.*"));
    EXPECT_EQ(Read(Beside()),
              "; kept\n"
              "[KESTRUNE]\n"
              "Confirm Clear=1\n"
              "show hints=0\n"
              "Check Sub=1\n"
              "\n"
              "[Options]\n"
              "EnableClear=0\n"
              "\n"
              "[Recent Files]\n"
              "Entry0=F:\\DATA\\*.*\n");
}

TEST_F(ProfileTest, KeepsWindowsLineEndingsOfAnExistingFile) {
    Write(Beside(), "[Size]\r\nWidth=800\r\n");
    IniProfile profile = Profile();
    ASSERT_TRUE(profile.WriteInt("Size", "Height", 600));
    EXPECT_EQ(Read(Beside()), "[Size]\r\nWidth=800\r\nHeight=600\r\n");
    EXPECT_EQ(profile.ReadInt("Size", "Width", 0), 800);
}

TEST_F(ProfileTest, TextRoundTripsWithBlanksQuotesAndNonAsciiCharacters) {
    IniProfile profile = Profile();
    for (const std::string value : {"  leading and trailing  ", "\"quoted\"", "Ærø\\Bjørn", "a=b", ""}) {
        ASSERT_TRUE(profile.WriteText("Recent Files", "Entry0", value));
        EXPECT_EQ(profile.ReadText("Recent Files", "Entry0", "<none>"), value);
    }
}

TEST_F(ProfileTest, RefusesLineBreaksThatWouldWriteOtherKeys) {
    IniProfile profile = Profile();
    ASSERT_TRUE(profile.WriteInt("Options", "EnableClear", 1));
    const std::string before = Read(Fallback());
    EXPECT_FALSE(profile.WriteText("Recent Files", "Entry0", "F:\\X\n[Options]\nEnableClear=0"));
    EXPECT_FALSE(profile.WriteText("Recent Files", "Entry\r0", "x"));
    EXPECT_FALSE(profile.WriteText("Recent]", "Entry0", "x"));
    EXPECT_FALSE(profile.WriteText("Recent Files", "A=B", "x"));
    EXPECT_EQ(Read(Fallback()), before);
}

TEST_F(ProfileTest, EntriesWrittenTogetherLeaveOutOnlyTheOnesThatCannotBeWritten) {
    IniProfile profile = Profile();
    EXPECT_FALSE(profile.WriteEntries({{"Size", "Width", "800"},
                                       {"Recent Files", "Entry0", "F:\\X\n[Options]\nEnableClear=0"},
                                       {"Size", "Width", "640"},
                                       {"Users", "Column0", "45"}}));
    EXPECT_EQ(Read(Fallback()), "[Size]\nWidth=640\n\n[Users]\nColumn0=45\n");
    EXPECT_TRUE(profile.WriteEntries({}));
}

TEST_F(ProfileTest, TextIsCutToTheDestinationWithoutSplittingACharacter) {
    IniProfile profile = Profile();
    ASSERT_TRUE(profile.WriteText("Recent Files", "Entry0", std::string(300, 'a')));
    EXPECT_EQ(profile.ReadText("Recent Files", "Entry0", ""), std::string(254, 'a'));
    // "é" is two bytes and would straddle the 254th.
    ASSERT_TRUE(profile.WriteText("Recent Files", "Entry1", std::string(253, 'b') + "é"));
    EXPECT_EQ(profile.ReadText("Recent Files", "Entry1", ""), std::string(253, 'b'));
    EXPECT_EQ(profile.ReadText("Recent Files", "Entry2", std::string(260, 'd')), std::string(254, 'd'));
}

TEST_F(ProfileTest, UsesTheFileBesideTheProgramOnlyWhenItCanBeRead) {
    IniProfile profile = Profile();
    // No file anywhere: reading creates nothing; the first write goes to the
    // fallback, whose directories are created.
    EXPECT_EQ(profile.ReadInt("Size", "Width", 7), 7);
    EXPECT_FALSE(fs::exists(Fallback()));
    ASSERT_TRUE(profile.WriteInt("Size", "Width", 640));
    EXPECT_EQ(Read(Fallback()), "[Size]\nWidth=640\n");

    // A file beside the program takes over for reading and writing.
    Write(Beside(), "[Size]\nWidth=800\n");
    EXPECT_EQ(profile.Location(), Beside());
    EXPECT_EQ(profile.ReadInt("Size", "Width", 0), 800);
    ASSERT_TRUE(profile.WriteInt("Size", "Height", 480));
    EXPECT_EQ(Read(Beside()), "[Size]\nWidth=800\nHeight=480\n");
    EXPECT_EQ(Read(Fallback()), "[Size]\nWidth=640\n");

    // Something beside the program that is not a readable file is passed over.
    fs::remove(Beside());
    fs::create_directory(Beside());
    EXPECT_EQ(profile.Location(), Fallback());
    EXPECT_EQ(profile.ReadInt("Size", "Width", 0), 640);
}

TEST_F(ProfileTest, ReplacesTheFileWholeAndKeepsItsPermissions) {
    Write(Beside(), "[Size]\nWidth=800\n");
    ASSERT_EQ(::chmod(Beside().c_str(), 0600), 0);
    IniProfile profile = Profile();
    ASSERT_TRUE(profile.WriteInt("Size", "Width", 900));

    struct stat st{};
    ASSERT_EQ(::stat(Beside().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Beside().parent_path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"KESTRUNE.INI"}) << "no temporary file is left behind";
}

TEST_F(ProfileTest, WritesThroughALinkToTheFileItNames) {
    Write(m_dir / "shared" / "site.ini", "[Size]\nWidth=800\n");
    fs::create_symlink(m_dir / "shared" / "site.ini", Beside());
    IniProfile profile = Profile();
    ASSERT_TRUE(profile.WriteInt("Size", "Width", 900));
    EXPECT_TRUE(fs::is_symlink(Beside()));
    EXPECT_EQ(Read(m_dir / "shared" / "site.ini"), "[Size]\nWidth=900\n");
}

TEST_F(ProfileTest, AFailedWriteIsReportedAndLeavesNothingBehind) {
    // A plain file where the fallback's directory should be.
    Write(m_dir / "config" / "kestrune", "in the way");
    IniProfile profile = Profile();
    EXPECT_FALSE(profile.WriteInt("Size", "Width", 1));
    EXPECT_EQ(profile.ReadInt("Size", "Width", 5), 5);
    EXPECT_EQ(Read(m_dir / "config" / "kestrune"), "in the way");
}

TEST_F(ProfileTest, ConcurrentWritersLoseNoKey) {
    // Two windows closing at once: each write reads the file, changes one
    // key and replaces the file; without exclusion one replaces the other's.
    constexpr int kKeys = 40;
    auto writer = [this](const char* section) {
        IniProfile profile = Profile();
        for (int i = 0; i < kKeys; ++i) profile.WriteInt(section, "Key" + std::to_string(i), i);
    };
    std::thread first(writer, "First");
    std::thread second(writer, "Second");
    first.join();
    second.join();
    const IniProfile profile = Profile();
    int missing = 0;
    for (const char* section : {"First", "Second"})
        for (int i = 0; i < kKeys; ++i)
            missing += profile.ReadInt(section, "Key" + std::to_string(i), -1) != i ? 1 : 0;
    EXPECT_EQ(missing, 0) << Read(Fallback());
}

TEST_F(ProfileTest, AByteOrderMarkBeforeTheFirstSectionIsKept) {
    // Editors on the workstation save a hand-edited file with one.
    Write(Beside(), "\xEF\xBB\xBF[Options]\r\nEnableClear=0\r\n");
    IniProfile profile = Profile();
    EXPECT_EQ(profile.ReadInt("Options", "EnableClear", 1), 0);
    ASSERT_TRUE(profile.WriteInt("Options", "EnableSend", 0));
    EXPECT_EQ(Read(Beside()), "\xEF\xBB\xBF[Options]\r\nEnableClear=0\r\nEnableSend=0\r\n");
}

TEST_F(ProfileTest, ProgramLocationFollowsXdgConfigHome) {
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string restore = savedXdg ? savedXdg : "";
    const fs::path program = m_dir / "bin" / "kestrune";

    ::setenv("XDG_CONFIG_HOME", (m_dir / "xdg").c_str(), 1);
    EXPECT_EQ(IniProfile::ForProgram(program).Location(), m_dir / "xdg" / "kestrune" / "KESTRUNE.INI");
    ::unsetenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (home && *home) {
        EXPECT_EQ(IniProfile::ForProgram(program).Location(),
                  fs::path(home) / ".config" / "kestrune" / "KESTRUNE.INI");
    }
    Write(Beside(), "");
    EXPECT_EQ(IniProfile::ForProgram(program).Location(), Beside());

    if (savedXdg) ::setenv("XDG_CONFIG_HOME", restore.c_str(), 1);
}

// An installed copy never takes the file beside it; a copy elsewhere does, as
// before, also when the directory list names directories that do not exist.
TEST_F(ProfileTest, AnInstalledProgramKeepsItsSettingsInTheXdgFolderOnly) {
    ScopedEnv xdg("XDG_CONFIG_HOME", (m_dir / "xdg").string());
    const fs::path program = m_dir / "bin" / "kestrune";
    const fs::path xdgFile = m_dir / "xdg" / "kestrune" / "KESTRUNE.INI";
    Write(Beside(), "[KESTRUNE]\nShow Hints=0\n");
    fs::create_directory_symlink(m_dir / "bin", m_dir / "linked-bin");

    EXPECT_EQ(SettingsProfile(program, {m_dir / "elsewhere", m_dir / "bin"}).Location(), xdgFile);
    EXPECT_EQ(SettingsProfile(program, {m_dir / "linked-bin"}).Location(), xdgFile)
        << "the same directory by another name";
    EXPECT_EQ(SettingsProfile(program, {m_dir / "elsewhere", ""}).Location(), Beside());
    EXPECT_EQ(SettingsProfile(program, {}).Location(), Beside());

    IniProfile installed = SettingsProfile(program, {m_dir / "bin"});
    EXPECT_EQ(installed.ReadInt("KESTRUNE", "Show Hints", 1), 1);
    ASSERT_TRUE(installed.WriteInt("KESTRUNE", "Check Sub", 1));
    EXPECT_NE(Read(xdgFile).find("Check Sub=1"), std::string::npos) << Read(xdgFile);
    EXPECT_EQ(Read(Beside()), "[KESTRUNE]\nShow Hints=0\n");
}

}  // namespace
