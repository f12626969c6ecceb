#include "cmdline/records.h"

#include <csv.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace krcmd {
namespace {

std::vector<ConnectionRecord> AwkwardRecords() {
    return {
        {"FS1", "SYS:ACCT\\LEDGER.DAT", "F:\\ACCT\\LEDGER.DAT", 0, "", "", std::nullopt},
        {"FS1", "SYS:ACCT\\Budget, \"Final\".xls", "F:\\ACCT\\Budget, \"Final\".xls", 300,
         "O\"BRIEN, PAT\r\nNEXT", "clear", 0x89C6},
        {"FS\xC3\x9C", "SYS:X", "F:\\X", 65535, "M\xC3\x9CLLER\\GUEST", "message", 0},
    };
}

// Reads CSV back as a strict RFC 4180 reader would: rows of fields.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    struct Rows {
        std::vector<std::vector<std::string>> rows{{}};
    } rows;
    csv_parser parser;
    csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
    auto field = [](void* data, size_t length, void* user) {
        static_cast<Rows*>(user)->rows.back().emplace_back(static_cast<char*>(data), length);
    };
    auto row = [](int, void* user) { static_cast<Rows*>(user)->rows.emplace_back(); };
    EXPECT_EQ(csv_parse(&parser, text.data(), text.size(), field, row, &rows), text.size())
        << csv_strerror(csv_error(&parser));
    EXPECT_EQ(csv_fini(&parser, field, row, &rows), 0);
    csv_free(&parser);
    rows.rows.pop_back();  // after the last line break
    return rows.rows;
}

TEST(RecordsCsv, EveryFieldReadsBackAsWritten) {
    const std::string csv = RecordsCsv(AwkwardRecords());
    EXPECT_TRUE(csv.starts_with("server,volumePath,path,connection,user,action,result\r\n"));
    EXPECT_TRUE(csv.ends_with("\r\n"));
    const std::vector<std::vector<std::string>> rows = ParseCsv(csv);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"FS1", "SYS:ACCT\\LEDGER.DAT",
                                                 "F:\\ACCT\\LEDGER.DAT", "0", "", "", ""}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{
                           "FS1", "SYS:ACCT\\Budget, \"Final\".xls", "F:\\ACCT\\Budget, \"Final\".xls",
                           "300", "O\"BRIEN, PAT\r\nNEXT", "clear", "35270"}));
    EXPECT_EQ(rows[3][0], "FS\xC3\x9C");
    EXPECT_EQ(rows[3][3], "65535");
}

TEST(RecordsCsv, NoRecordsIsTheHeaderAlone) {
    EXPECT_EQ(RecordsCsv({}), "server,volumePath,path,connection,user,action,result\r\n");
}

TEST(RecordsJson, OneArrayThatReadsBackAsWritten) {
    const std::string text = RecordsJson(AwkwardRecords());
    const nlohmann::json document = nlohmann::json::parse(text);
    ASSERT_EQ(document.size(), 3u);
    EXPECT_EQ(document[0]["action"], nullptr);
    EXPECT_EQ(document[0]["result"], nullptr);
    EXPECT_EQ(document[1]["user"], "O\"BRIEN, PAT\r\nNEXT");
    EXPECT_EQ(document[1]["result"], 0x89C6);
    EXPECT_EQ(document[2]["user"], "M\xC3\x9CLLER\\GUEST");
    EXPECT_EQ(RecordsJson({}), "[]\n");
}

// A path typed in Latin-1 is no UTF-8: the document stays readable.
TEST(RecordsJson, TextThatIsNoUtf8IsReplacedNotFatal) {
    ConnectionRecord record;
    record.path = "F:\\M\xDCLLER.DAT";
    const nlohmann::json document = nlohmann::json::parse(RecordsJson({record}));
    EXPECT_EQ(document[0]["path"], "F:\\M\xEF\xBF\xBDLLER.DAT");
}

}  // namespace
}  // namespace krcmd
