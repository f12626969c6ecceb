// The proxy settings in the registry: the order they are read in and where
// the reading stops, the order they are written in, and the Port field.

#include "app/proxy_settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class ProxySettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("kr-proxy-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path File() const { return m_dir / "HKEY_CURRENT_USER.reg"; }
    UserRegistry Registry() const { return UserRegistry(File()); }

    void Write(const std::string& text) const { std::ofstream(File(), std::ios::binary) << text; }
    std::string Read() const {
        std::ifstream in(File(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path m_dir;
};

// What memory held before the box was shown: distinct from every value below.
const ProxySettings kHeld{7, "held.example", 3128, "held-user", "held-password"};

struct LoadCase {
    const char* name;
    const char* values;  // the key's lines
    ProxySettings expected;
};
void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class ProxySettingsLoadTest : public ProxySettingsTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(ProxySettingsLoadTest, ReadsInOrderAndStopsAtTheFirstWrongValue) {
    Write(std::string("[HKEY_CURRENT_USER\\Software\\Copperlathe\\ProxySettings]\n") + GetParam().values);
    ProxySettings settings = kHeld;
    LoadProxySettings(Registry(), settings);
    EXPECT_EQ(settings, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ProxySettingsLoadTest,
    ::testing::Values(
        LoadCase{"AllFive",
                 "\"ProxyEnabled\"=dword:00000001\n\"ProxyServer\"=\"socks.example\"\n"
                 "\"ProxyPort\"=dword:00000438\n\"ProxyUser\"=\"bob\"\n\"ProxyPassword\"=\"p\\\"w\"\n",
                 {1, "socks.example", 1080, "bob", "p\"w"}},
        LoadCase{"StringTypedEnabledStopsAtOnce",
                 "\"ProxyEnabled\"=\"1\"\n\"ProxyServer\"=\"socks.example\"\n"
                 "\"ProxyPort\"=dword:00000438\n\"ProxyUser\"=\"bob\"\n\"ProxyPassword\"=\"pw\"\n",
                 kHeld},
        LoadCase{"MissingEnabledStopsAtOnce", "\"ProxyServer\"=\"socks.example\"\n", kHeld},
        LoadCase{"DwordTypedServerStops",
                 "\"ProxyEnabled\"=dword:00000000\n\"ProxyServer\"=dword:00000001\n"
                 "\"ProxyPort\"=dword:00000438\n",
                 {0, "held.example", 3128, "held-user", "held-password"}},
        LoadCase{"MissingStringsReadAsEmpty",
                 "\"ProxyEnabled\"=dword:00000001\n\"ProxyPort\"=dword:00000438\n",
                 {1, "", 1080, "", ""}},
        LoadCase{"MissingPortStops",
                 "\"ProxyEnabled\"=dword:00000001\n\"ProxyServer\"=\"socks.example\"\n"
                 "\"ProxyUser\"=\"bob\"\n",
                 {1, "socks.example", 3128, "held-user", "held-password"}},
        LoadCase{"StringTypedPasswordKeepsTheHeldOne",
                 "\"ProxyEnabled\"=dword:00000001\n\"ProxyServer\"=\"s\"\n\"ProxyPort\"=dword:00000001\n"
                 "\"ProxyUser\"=\"\"\n\"ProxyPassword\"=dword:00000001\n",
                 {1, "s", 1, "", "held-password"}},
        LoadCase{"NonZeroEnabledIsOn", "\"ProxyEnabled\"=dword:00000005\n\"ProxyServer\"=\"s\"\n",
                 {5, "s", 3128, "held-user", "held-password"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProxySettingsTest, AMissingKeyOrADamagedFileChangesNothing) {
    ProxySettings settings = kHeld;
    LoadProxySettings(Registry(), settings);
    EXPECT_EQ(settings, kHeld) << "no file";

    Write("[HKEY_CURRENT_USER\\Software\\Other]\n\"ProxyEnabled\"=dword:00000001\n");
    LoadProxySettings(Registry(), settings);
    EXPECT_EQ(settings, kHeld) << "another key";

    const std::string damaged =
        "[HKEY_CURRENT_USER\\Software\\Copperlathe\\ProxySettings]\n\"ProxyEnabled\"=dword:1\n\"ProxyServer\"=\"s";
    Write(damaged);
    LoadProxySettings(Registry(), settings);
    EXPECT_EQ(settings, kHeld) << "damaged";
    EXPECT_EQ(Read(), damaged) << "reading leaves a damaged file alone";
}

TEST_F(ProxySettingsTest, WritesTheFiveValuesInOrder) {
    UserRegistry registry = Registry();
    ASSERT_TRUE(SaveProxySettings(registry, {9, "socks.example", 1080, "bob", "a\\b"}));
    EXPECT_EQ(Read(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Copperlathe\\ProxySettings]\n"
              "\"ProxyEnabled\"=dword:00000001\n"
              "\"ProxyServer\"=\"socks.example\"\n"
              "\"ProxyPort\"=dword:00000438\n"
              "\"ProxyUser\"=\"bob\"\n"
              "\"ProxyPassword\"=\"a\\\\b\"\n");
    ProxySettings reread;
    LoadProxySettings(registry, reread);
    EXPECT_EQ(reread, (ProxySettings{1, "socks.example", 1080, "bob", "a\\b"}));
}

TEST_F(ProxySettingsTest, TheFirstFailedWriteEndsTheWriting) {
    // A server name with a line break cannot be kept; what follows it is not written.
    UserRegistry registry = Registry();
    EXPECT_FALSE(SaveProxySettings(registry, {1, "bad\nname", 1080, "bob", "pw"}));
    EXPECT_EQ(Read(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Copperlathe\\ProxySettings]\n"
              "\"ProxyEnabled\"=dword:00000001\n");
}

struct PortCase {
    const char* name;
    const char* field;
    std::uint32_t expected;  // with 3128 held
};
void PrintTo(const PortCase& c, std::ostream* os) { *os << c.name; }

class PortFieldTest : public ::testing::TestWithParam<PortCase> {};

TEST_P(PortFieldTest, AWholeNumberFromZeroTo65535OrTheHeldPort) {
    EXPECT_EQ(PortFromField(GetParam().field, 3128), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, PortFieldTest,
    ::testing::Values(PortCase{"Number", "1080", 1080}, PortCase{"Zero", "0", 0},
                      PortCase{"Highest", "65535", 65535}, PortCase{"BlanksAround", " 8080 ", 8080},
                      PortCase{"TooLarge", "65536", 3128}, PortCase{"Huge", "99999999999", 3128},
                      PortCase{"Negative", "-1", 3128}, PortCase{"Signed", "+80", 3128},
                      PortCase{"Empty", "", 3128}, PortCase{"Text", "socks", 3128},
                      PortCase{"TrailingText", "80x", 3128}, PortCase{"Fraction", "80.5", 3128}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
