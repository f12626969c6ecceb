#include "cmdline/long_options.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace krcmd {
namespace {

struct LongOptionCase {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<std::string> rest;
    std::string error;
    RecordFormat format = RecordFormat::Text;
    bool wait = false;
    std::optional<double> waitSeconds = std::nullopt;
    double interval = kDefaultIntervalSeconds;
};

void PrintTo(const LongOptionCase& c, std::ostream* os) { *os << c.name; }

class TakeLongOptionsTest : public ::testing::TestWithParam<LongOptionCase> {};

TEST_P(TakeLongOptionsTest, LeavesTheSpecifiedCommandLine) {
    const LongOptionCase& c = GetParam();
    const SplitArguments split = TakeLongOptions(c.arguments);
    EXPECT_EQ(split.rest, c.rest);
    EXPECT_EQ(split.error, c.error);
    if (!c.error.empty()) return;
    EXPECT_EQ(split.options.any, split.rest.size() != c.arguments.size());
    EXPECT_EQ(split.options.format, c.format);
    EXPECT_EQ(split.options.wait, c.wait);
    EXPECT_EQ(split.options.waitSeconds, c.waitSeconds);
    EXPECT_EQ(split.options.intervalSeconds, c.interval);
}

const LongOptionCase kCases[] = {
    {"NoneLeavesEverything", {"F:\\A\\*.*", "/s", "/c"}, {"F:\\A\\*.*", "/s", "/c"}, ""},
    {"SingleDashAndSlashQuestionAreNotOurs", {"-h", "/?"}, {"-h", "/?"}, ""},
    {"FormatBeforeThePath", {"--format=json", "F:\\A", "/s"}, {"F:\\A", "/s"}, "",
     RecordFormat::Json},
    {"FormatBetweenOptionsWithItsValueApart", {"F:\\A", "/s", "--format", "csv", "/c"},
     {"F:\\A", "/s", "/c"}, "", RecordFormat::Csv},
    {"LaterFormatWins", {"--format=csv", "F:\\A", "--format=text"}, {"F:\\A"}, ""},
    {"WaitWithoutLimit", {"F:\\A", "--wait"}, {"F:\\A"}, "", RecordFormat::Text, true},
    {"WaitWithSecondsAndInterval", {"--wait=600", "--interval=0.5", "F:\\A"}, {"F:\\A"}, "",
     RecordFormat::Text, true, 600.0, 0.5},
    {"WaitDoesNotTakeTheNextArgument", {"--wait", "30"}, {"30"}, "", RecordFormat::Text, true},
    {"DoubleDashEndsThem", {"--format=csv", "--", "--wait", "/s"}, {"--wait", "/s"}, "",
     RecordFormat::Csv},
    {"UnknownIsAnError", {"F:\\A", "--fromat=csv"}, {"F:\\A"},
     "unrecognized option '--fromat=csv'"},
    {"FormatNeedsAValue", {"F:\\A", "--format"}, {"F:\\A"},
     "option '--format' requires an argument"},
    {"FormatValueIsChecked", {"--format=xml"}, {}, "invalid argument 'xml' for '--format' (csv, json or text)"},
    {"NegativeWait", {"--wait=-1"}, {}, "invalid number of seconds '-1' for '--wait'"},
    {"WaitWithUnits", {"--wait=10s"}, {}, "invalid number of seconds '10s' for '--wait'"},
    {"ZeroInterval", {"--interval=0"}, {}, "invalid number of seconds '0' for '--interval'"},
    {"HelpTakesNoValue", {"--help=me"}, {}, "option '--help' doesn't allow an argument"},
};

INSTANTIATE_TEST_SUITE_P(Cases, TakeLongOptionsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TakeLongOptions, HelpAndVersionAnywhere) {
    EXPECT_TRUE(TakeLongOptions({"F:\\A", "/c", "--help"}).options.help);
    EXPECT_TRUE(TakeLongOptions({"/d", "--version", "FS1"}).options.version);
}

}  // namespace
}  // namespace krcmd
