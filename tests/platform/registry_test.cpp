// The user's registry file: its text format both ways, damaged files, how a
// write replaces the file, and writers taking turns.

#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr const char* kKey = "Software\\Maker\\Product";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("kr-registry-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path File() const { return m_dir / "config" / "HKEY_CURRENT_USER.reg"; }
    UserRegistry Registry() const { return UserRegistry(File()); }

    void Write(const std::string& text) const {
        fs::create_directories(File().parent_path());
        std::ofstream(File(), std::ios::binary) << text;
    }
    std::string Read() const {
        std::ifstream in(File(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static mode_t Mode(const fs::path& path) {
        struct stat st{};
        return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }

    fs::path m_dir;
};

TEST_F(RegistryTest, WritesTheExportFormatAndReadsItBack) {
    UserRegistry registry = Registry();
    ASSERT_TRUE(registry.SetValue(kKey, "Count", RegistryValue::Dword(0xBEEF)));
    ASSERT_TRUE(registry.SetValue(kKey, "Path", RegistryValue::String("C:\\a \"b\" ü")));
    ASSERT_TRUE(registry.SetValue("Software\\Other", "Empty", RegistryValue::String("")));
    ASSERT_TRUE(registry.SetValue(kKey, "count", RegistryValue::Dword(0xFFFFFFFF)));

    EXPECT_EQ(Read(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Maker\\Product]\n"
              "\"Count\"=dword:ffffffff\n"
              "\"Path\"=\"C:\\\\a \\\"b\\\" ü\"\n"
              "\n[HKEY_CURRENT_USER\\Software\\Other]\n"
              "\"Empty\"=\"\"\n");

    const std::optional<RegistryKey> key = registry.OpenKey("SOFTWARE\\maker\\product");
    ASSERT_TRUE(key);
    std::uint32_t count = 0;
    std::string path;
    EXPECT_EQ(key->ReadDword("COUNT", count), RegistryKey::Read::Ok);
    EXPECT_EQ(count, 0xFFFFFFFFu);
    EXPECT_EQ(key->ReadString("Path", path), RegistryKey::Read::Ok);
    EXPECT_EQ(path, "C:\\a \"b\" ü");
}

TEST_F(RegistryTest, TellsAMissingValueFromOneOfAnotherType) {
    Write("[HKEY_CURRENT_USER\\Software\\Maker\\Product]\n\"Text\"=\"1\"\n\"Number\"=dword:1\n");
    const std::optional<RegistryKey> key = Registry().OpenKey(kKey);
    ASSERT_TRUE(key);
    std::uint32_t number = 42;
    std::string text = "kept";
    EXPECT_EQ(key->ReadDword("Text", number), RegistryKey::Read::WrongType);
    EXPECT_EQ(key->ReadString("Number", text), RegistryKey::Read::WrongType);
    EXPECT_EQ(key->ReadDword("Absent", number), RegistryKey::Read::Missing);
    EXPECT_EQ(number, 42u);
    EXPECT_EQ(text, "kept");
    EXPECT_FALSE(Registry().OpenKey("Software\\Maker"));
    EXPECT_FALSE(Registry().OpenKey("Software\\Maker\\Product\\Sub"));
}

TEST_F(RegistryTest, ReadsHandWrittenFiles) {
    // The way an editor on another machine might leave it: a byte order mark,
    // Windows line endings, comments, the old header, blanks, upper-case
    // digits, a value given twice and a key given twice.
    Write("\xEF\xBB\xBFREGEDIT4\r\n\r\n; proxy\r\n"
          "[hkey_current_user\\Software\\Maker\\Product]\r\n"
          "  \"A\" = dword:0000ABCD  \r\n\"B\"=\"one\"\r\n"
          "[HKEY_CURRENT_USER\\Software\\Maker\\Product]\r\n\"b\"=\"two\"\r\n");
    const std::optional<RegistryKey> key = Registry().OpenKey(kKey);
    ASSERT_TRUE(key);
    std::uint32_t a = 0;
    std::string b;
    EXPECT_EQ(key->ReadDword("A", a), RegistryKey::Read::Ok);
    EXPECT_EQ(a, 0xABCDu);
    EXPECT_EQ(key->ReadString("B", b), RegistryKey::Read::Ok);
    EXPECT_EQ(b, "two");
    EXPECT_EQ(key->values.size(), 2u);
}

struct DamageCase {
    const char* name;
    const char* text;
};
void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class DamagedRegistryTest : public RegistryTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedRegistryTest, ReadsAsNoKeyAndIsLeftAloneUntilAWrite) {
    const std::string damaged = std::string("[HKEY_CURRENT_USER\\Software\\Maker\\Product]\n"
                                            "\"Good\"=dword:00000001\n") + GetParam().text + "\n";
    Write(damaged);
    UserRegistry registry = Registry();
    EXPECT_FALSE(registry.OpenKey(kKey));
    EXPECT_EQ(Read(), damaged);

    ASSERT_TRUE(registry.SetValue(kKey, "New", RegistryValue::Dword(2)));
    EXPECT_EQ(Read(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Maker\\Product]\n\"New\"=dword:00000002\n");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DamagedRegistryTest,
    ::testing::Values(DamageCase{"UnclosedQuote", "\"Text\"=\"abc"},
                      DamageCase{"TextAfterTheQuote", "\"Text\"=\"abc\" more"},
                      DamageCase{"UnknownEscape", "\"Text\"=\"a\\nb\""},
                      DamageCase{"DwordTooLong", "\"N\"=dword:000000001"},
                      DamageCase{"DwordNotHexadecimal", "\"N\"=dword:0000000g"},
                      DamageCase{"DwordEmpty", "\"N\"=dword:"},
                      DamageCase{"BinaryType", "\"N\"=hex:01,02"},
                      DamageCase{"DeletedValue", "\"N\"=-"},
                      DamageCase{"DefaultValue", "@=\"x\""},
                      DamageCase{"UnquotedName", "N=dword:00000001"},
                      DamageCase{"NoEqualsSign", "\"N\" dword:00000001"},
                      DamageCase{"AnotherHive", "[HKEY_LOCAL_MACHINE\\Software]"},
                      DamageCase{"UnclosedKey", "[HKEY_CURRENT_USER\\Software"},
                      DamageCase{"EmptyKeyName", "[HKEY_CURRENT_USER\\Software\\\\Maker]"},
                      DamageCase{"DeletedKey", "[-HKEY_CURRENT_USER\\Software]"},
                      DamageCase{"HeaderNotFirst", "Windows Registry Editor Version 5.00"},
                      DamageCase{"BinaryGarbage", "\x01\x02\x03"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryTest, AValueBeforeAnyKeyDamagesTheFile) {
    Write("\"N\"=dword:00000001\n[HKEY_CURRENT_USER\\Software\\Maker\\Product]\n");
    EXPECT_FALSE(Registry().OpenKey(kKey));
}

TEST_F(RegistryTest, AWriteKeepsEveryOtherKeyAndValue) {
    Write("; a comment\n"
          "[HKEY_CURRENT_USER\\Software\\Other]\n\"X\"=\"x\"\n"
          "[HKEY_CURRENT_USER\\Software\\Maker\\Product]\n\"A\"=dword:00000001\n\"B\"=\"b\"\n");
    ASSERT_TRUE(Registry().SetValue(kKey, "a", RegistryValue::String("now text")));
    EXPECT_EQ(Read(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\n\"X\"=\"x\"\n"
              "\n[HKEY_CURRENT_USER\\Software\\Maker\\Product]\n\"A\"=\"now text\"\n\"B\"=\"b\"\n");
}

TEST_F(RegistryTest, TheFileIsReadableByItsOwnerAloneAndReplacedWhole) {
    Write("[HKEY_CURRENT_USER\\Software\\Maker\\Product]\n");
    ASSERT_EQ(::chmod(File().c_str(), 0644), 0);
    ASSERT_TRUE(Registry().SetValue(kKey, "Password", RegistryValue::String("secret")));
    EXPECT_EQ(Mode(File()), 0600u);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(File().parent_path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"HKEY_CURRENT_USER.reg"}) << "no temporary file is left behind";

    fs::remove(File());
    ASSERT_TRUE(Registry().SetValue(kKey, "Password", RegistryValue::String("secret")));
    EXPECT_EQ(Mode(File()), 0600u) << "a new file";
}

TEST_F(RegistryTest, AFailedWriteIsReportedAndChangesNothing) {
    UserRegistry registry = Registry();
    ASSERT_TRUE(registry.SetValue(kKey, "A", RegistryValue::String("a")));
    const std::string before = Read();
    EXPECT_FALSE(registry.SetValue(kKey, "A", RegistryValue::String("line\nbreak")));
    EXPECT_FALSE(registry.SetValue(kKey, "Line\rName", RegistryValue::Dword(1)));
    EXPECT_FALSE(registry.SetValue(kKey, "", RegistryValue::Dword(1)));
    EXPECT_FALSE(registry.SetValue("Software\\Bad]Key", "A", RegistryValue::Dword(1)));
    EXPECT_FALSE(registry.SetValue("\\Software", "A", RegistryValue::Dword(1)));
    EXPECT_EQ(Read(), before);

    // A plain file where the registry's directory should be.
    std::ofstream(m_dir / "blocked", std::ios::binary) << "in the way";
    UserRegistry blocked(m_dir / "blocked" / "HKEY_CURRENT_USER.reg");
    EXPECT_FALSE(blocked.SetValue(kKey, "A", RegistryValue::Dword(1)));
    EXPECT_FALSE(blocked.OpenKey(kKey));
}

TEST_F(RegistryTest, ConcurrentWritersLoseNoValue) {
    constexpr int kValues = 30;
    auto writer = [this](const char* prefix) {
        UserRegistry registry = Registry();
        for (int i = 0; i < kValues; ++i)
            registry.SetValue(kKey, prefix + std::to_string(i), RegistryValue::Dword(static_cast<std::uint32_t>(i)));
    };
    std::thread first(writer, "First");
    std::thread second(writer, "Second");
    first.join();
    second.join();
    const std::optional<RegistryKey> key = Registry().OpenKey(kKey);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->values.size(), 2u * kValues) << Read();
}

TEST_F(RegistryTest, TheUsersFileFollowsXdgConfigHome) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string restore = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", (m_dir / "xdg").c_str(), 1);
    EXPECT_EQ(UserRegistry::ForUser().Location(), m_dir / "xdg" / "kestrune" / "HKEY_CURRENT_USER.reg");
    if (saved) {
        ::setenv("XDG_CONFIG_HOME", restore.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
}

}  // namespace
