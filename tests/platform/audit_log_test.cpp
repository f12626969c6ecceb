#include "platform/audit_log.h"

#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

namespace {

AuditEvent Clear(std::string user, std::string file, NWCode result) {
    AuditEvent event;
    event.action = audit::kClear;
    event.server = "FS1";
    event.connection = 12;
    event.connectionUser = std::move(user);
    event.file = std::move(file);
    event.result = result;
    return event;
}

struct LineCase {
    const char* name;
    AuditEvent event;
    std::string line;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class AuditLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(AuditLine, OneLineThatNoNameCanBreak) {
    EXPECT_EQ(FormatAuditLine("krcmd", "ada", GetParam().event), GetParam().line);
}

const LineCase kLines[] = {
    {"PlainValuesStayBare", Clear("GUEST", "F:\\ACCT\\LEDGER.DAT", 0),
     "action=clear result=0 server=FS1 connection=12 connection_user=GUEST "
     "file=F:\\ACCT\\LEDGER.DAT local_user=ada program=krcmd"},
    {"SpacesQuotesAndBackslashesAreQuoted", Clear("O\"BRIEN, PAT", "F:\\A B.DAT", 0x89C6),
     "action=clear result=0x89c6 server=FS1 connection=12 "
     "connection_user=\"O\\\"BRIEN, PAT\" file=\"F:\\\\A B.DAT\" local_user=ada program=krcmd"},
    // A name from a server must not start a line of its own in the log.
    {"LineBreaksAreEscaped", Clear("X\nprogram=forged", "F:\\A", 0),
     "action=clear result=0 server=FS1 connection=12 connection_user=\"X\\x0aprogram=forged\" "
     "file=F:\\A local_user=ada program=krcmd"},
    {"EmptyUserIsQuoted", Clear("", "F:\\A", 0),
     "action=clear result=0 server=FS1 connection=12 connection_user=\"\" file=F:\\A "
     "local_user=ada program=krcmd"},
    {"ServerWideChangeHasNoConnectionOrFile",
     AuditEvent{audit::kDisableLogins, "fs1", std::nullopt, "", "", 0x880F},
     "action=disable-logins result=0x880f server=fs1 local_user=ada program=krcmd"},
};

INSTANTIATE_TEST_SUITE_P(Cases, AuditLine, ::testing::ValuesIn(kLines),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AuditJson, AllFieldsNullWhereTheyDoNotApply) {
    const auto record = nlohmann::json::parse(FormatAuditJson(
        "kestrune", "ada", AuditEvent{audit::kEnableLogins, "FS2", std::nullopt, "", "", 0}));
    EXPECT_EQ(record, nlohmann::json({{"program", "kestrune"},
                                      {"localUser", "ada"},
                                      {"action", "enable-logins"},
                                      {"server", "FS2"},
                                      {"connection", nullptr},
                                      {"connectionUser", nullptr},
                                      {"file", nullptr},
                                      {"result", 0}}));
}

TEST(AuditJson, TextThatIsNoUtf8StillGivesARecord) {
    const std::string text = FormatAuditJson("krcmd", "ada", Clear("M\xDCLLER", "F:\\A", 0));
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(text)["connectionUser"], "M\xEF\xBF\xBDLLER");
}

TEST(MemoryAuditLog, KeepsEveryEventInOrder) {
    MemoryAuditLog log;
    AuditLog& asInterface = log;
    asInterface.Record(Clear("A", "F:\\A", 0));
    asInterface.Record(Clear("B", "F:\\A", 0x89C6));
    ASSERT_EQ(log.events().size(), 2u);
    EXPECT_EQ(log.events()[1], Clear("B", "F:\\A", 0x89C6));
}

TEST(LocalUserName, NamesTheAccountRunningUs) { EXPECT_FALSE(LocalUserName().empty()); }

}  // namespace
