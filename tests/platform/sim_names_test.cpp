#include <gtest/gtest.h>

#include "platform/sim/network_model.h"

namespace {

TEST(DosNames, WildcardsFollowDosRules) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.*", "README", true},
        {"*.*", "Quarterly Report.doc", true},
        {"*", "a.b.c", true},
        {"*.DAT", "ledger.dat", true},
        {"*.DAT", "LEDGER.DATA", false},
        {"L?DGER.DAT", "LEDGER.DAT", true},
        {"L?DGER.DAT", "LDGER.DAT", false},
        {"*REPORT*", "Quarterly Report.doc", true},
        {"Q*.D?C", "QUARTE~1.DOC", true},
        {"README.*", "README", true},
        {"README.*", "README.TXT", true},
        {"*.", "MAKEFILE", true},
        {"*.", "MAKE.TXT", false},
        {"A*B*C", "AXXBYYC", true},
        {"A*B*C", "AXXBYYCD", false},
        {"", "X", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nwsim::WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
    }
}

TEST(DosNames, ValidEightDotThreeNames) {
    const std::pair<const char*, bool> cases[] = {
        {"LEDGER.DAT", true},   {"a", true},          {"12345678.123", true},
        {"123456789", false},   {"NAME.1234", false}, {"NAME.", false},
        {".DAT", false},        {"A.B.C", false},     {"MY FILE", false},
        {"QUARTE~1.DOC", true}, {"M\x81LLER", true},  {"A+B", false},
    };
    for (const auto& [name, valid] : cases) EXPECT_EQ(nwsim::IsValid83(name), valid) << name;
}

}  // namespace
