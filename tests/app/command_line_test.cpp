// kestrune's own command line: --help and --version answered on the console,
// every other command line left to the window as the path to check; and what
// the desktop knows the program by.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <optional>

#include "app/app_info.h"
#include "app/application.h"
#include "platform/version.h"

namespace {

enum class Answer { None, Help, Version };

struct ArgumentsCase {
    const char* name;
    QStringList arguments;  // without the program's name
    Answer answer;
};
void PrintTo(const ArgumentsCase& c, std::ostream* os) { *os << c.name; }

class CommandLineAnswerTest : public ::testing::TestWithParam<ArgumentsCase> {
protected:
    void SetUp() override { SetApplicationMetadata(); }
};

TEST_P(CommandLineAnswerTest, AnswersHelpAndVersionAndLeavesEveryPathAlone) {
    const std::optional<QString> answer =
        CommandLineAnswer(QStringList{"kestrune"} + GetParam().arguments);
    switch (GetParam().answer) {
        case Answer::None:
            EXPECT_FALSE(answer.has_value()) << answer->toStdString();
            break;
        case Answer::Help:
            ASSERT_TRUE(answer.has_value());
            EXPECT_TRUE(answer->contains("[options] [path]")) << answer->toStdString();
            EXPECT_TRUE(answer->contains("--version")) << answer->toStdString();
            break;
        case Answer::Version:
            ASSERT_TRUE(answer.has_value());
            EXPECT_EQ(answer->toStdString(), std::string("Kestrune ") + kKestruneVersion + "\n");
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineAnswerTest,
    ::testing::Values(
        ArgumentsCase{"NoArguments", {}, Answer::None},
        ArgumentsCase{"DrivePath", {"F:\\ACCOUNTS\\*.*"}, Answer::None},
        ArgumentsCase{"ServerPath", {"FS1/DATA:ACCOUNTS\\LEDGER.DAT", "ignored"}, Answer::None},
        ArgumentsCase{"SlashOption", {"/S"}, Answer::None},
        ArgumentsCase{"UnknownDashArgument", {"-x"}, Answer::None},
        ArgumentsCase{"UnknownLongOption", {"--check", "F:\\X"}, Answer::None},
        ArgumentsCase{"DashesAlone", {"--"}, Answer::None},
        ArgumentsCase{"Help", {"--help"}, Answer::Help},
        ArgumentsCase{"ShortHelp", {"-h"}, Answer::Help},
        ArgumentsCase{"HelpAll", {"--help-all"}, Answer::Help},
        ArgumentsCase{"HelpAfterAPath", {"F:\\X", "--help"}, Answer::Help},
        ArgumentsCase{"Version", {"--version"}, Answer::Version},
        ArgumentsCase{"ShortVersion", {"-v"}, Answer::Version}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ApplicationIdentity, NamesTheProgramAsItsDesktopEntryAndPackageDo) {
    SetApplicationMetadata();
    EXPECT_EQ(QCoreApplication::applicationName(), "Kestrune");
    EXPECT_EQ(QCoreApplication::applicationVersion(), kKestruneVersion);
    EXPECT_EQ(QCoreApplication::organizationName(), "Copperlathe");
    EXPECT_EQ(QGuiApplication::desktopFileName(), "example.copperlathe.kestrune");
}

// Drawn from the SVG built into the program, at the sizes a title bar, a task
// switcher and a dock ask for.
TEST(ApplicationIdentity, TheIconIsDrawnAtEverySize) {
    const QIcon icon = KestruneIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : {16, 32, 48, 256}) {
        const QPixmap picture = icon.pixmap(size, size);
        ASSERT_FALSE(picture.isNull()) << size;
        EXPECT_EQ(picture.size(), QSize(size, size));
        const QImage image = picture.toImage();
        EXPECT_NE(image.pixelColor(size / 2, size / 2).alpha(), 0) << "drawn, not blank, at " << size;
    }
}

}  // namespace
