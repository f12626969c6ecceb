// The update check against a real HTTP server and real SOCKS 5 proxies, all
// on 127.0.0.1: what the About box's lines, its Download button and the
// user's boxes show for each answer the server or the network can give.

#include "app/update_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_info.h"
#include "tests/support/local_servers.h"
#include "tests/support/scoped_env.h"
#include "tests/support/scripted_prompts.h"

using local_servers::LocalHttpServer;
using local_servers::SocksGreetingListener;
using local_servers::SocksProxy;
using local_servers::UnusedLocalPort;

namespace {

// What the check did to the box, in order.
class RecordingDetails final : public UpdateDetails {
public:
    std::string status;
    std::string outcome = "(previous outcome)";
    bool download = false;
    std::vector<std::string> events;

    void SetStatus(const std::string& text) override {
        status = text;
        events.push_back("status:" + text);
    }
    void SetOutcome(const std::string& text) override {
        outcome = text;
        events.push_back("outcome:" + text);
    }
    void ShowDownload(bool shown) override {
        download = shown;
        events.push_back(shown ? "download shown" : "download hidden");
    }
    void Repaint() override { events.push_back("repaint"); }
};

std::string Document(const std::string& version, const std::string& url = "https://get.example/kr.zip") {
    return "<?xml version=\"1.0\"?>\n<ProductVersions>\n"
           "  <Other><Version>9.9</Version><URL>https://other.example/</URL></Other>\n"
           "  <Kestrune>\n    <Version>" + version + "</Version>\n    <URL>" + url + "</URL>\n"
           "  </Kestrune>\n</ProductVersions>\n";
}

class UpdateCheckTest : public ::testing::Test {
protected:
    UpdateCheckTest() : m_base(kUpdateBaseVariable, m_server.BaseUrl()) {}

    void ServeDocument(const std::string& body, int status = 200) {
        m_server.Serve(kUpdateDocumentPath, {status, body});
    }
    void Run(const ProxySettings& proxy = {}) { m_check.Run(m_details, proxy); }

    // The check ended with the pointer normal, and the box it showed (if
    // any) came after the pointer was restored.
    void ExpectPointerRestoredBeforeAnyBox() const {
        ASSERT_FALSE(m_prompts.shown.empty());
        EXPECT_EQ(m_prompts.shown.front().kind, ScriptedPrompts::Kind::Busy);
        EXPECT_FALSE(m_prompts.busy);
        EXPECT_EQ(m_prompts.Count(ScriptedPrompts::Kind::NotBusy), 1);
        if (m_prompts.shown.size() > 2) {
            EXPECT_EQ(m_prompts.shown[1].kind, ScriptedPrompts::Kind::NotBusy);
        }
    }

    LocalHttpServer m_server;
    ScopedEnv m_base;
    ScriptedPrompts m_prompts;
    CurlHttpGet m_http{std::chrono::seconds(5)};
    UpdateCheck m_check{m_http, m_prompts};
    RecordingDetails m_details;
};

// ---- outcomes --------------------------------------------------------------

struct OutcomeCase {
    const char* name;
    const char* version;
    bool newer;
};
void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }

class UpdateOutcomeTest : public UpdateCheckTest, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(UpdateOutcomeTest, ComparesThePublishedVersionAsANumber) {
    ServeDocument(Document(GetParam().version, "https://get.example/kr.zip"));
    Run();

    const char* outcome = GetParam().newer ? kNewerText : kUpToDateText;
    EXPECT_EQ(m_details.events,
              (std::vector<std::string>{"repaint", "status:Checking for Updates",
                                        std::string("outcome:") + outcome,
                                        GetParam().newer ? "download shown" : "download hidden",
                                        "status:"}));
    EXPECT_EQ(m_check.DownloadUrl(), "https://get.example/kr.zip");
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{});
    ExpectPointerRestoredBeforeAnyBox();
    EXPECT_EQ(m_server.Requests(), std::vector<std::string>{"GET /versions/versions.xml HTTP/1.1"});
    EXPECT_TRUE(m_server.WaitForClientCloses(1)) << "the connection is closed after the response";
}

INSTANTIATE_TEST_SUITE_P(
    Versions, UpdateOutcomeTest,
    ::testing::Values(OutcomeCase{"SameVersion", "3.2", false},
                      OutcomeCase{"SameVersionWithTrailingZero", "3.20", false},
                      OutcomeCase{"Newer", "3.21", true},
                      OutcomeCase{"TenIsLowerThanTwenty", "3.10", false},
                      OutcomeCase{"Older", "2.9", false},
                      OutcomeCase{"NextMajor", "4", true},
                      OutcomeCase{"BlanksAroundTheNumber", "\n  3.3  \n", true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- documents without a usable entry --------------------------------------

struct EntryCase {
    const char* name;
    const char* document;
};
void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }

class UpdateEntryProblemTest : public UpdateCheckTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(UpdateEntryProblemTest, ShowsTheFetchErrorAndLeavesThePreviousOutcome) {
    ServeDocument(Document("3.21", "https://get.example/first.zip"));
    Run();
    ASSERT_TRUE(m_details.download);
    m_details.events.clear();

    ServeDocument(GetParam().document);
    Run();
    EXPECT_EQ(m_details.events,
              (std::vector<std::string>{"repaint", "status:Checking for Updates",
                                        "status:Error fetching update info"}));
    EXPECT_EQ(m_details.outcome, kNewerText);
    EXPECT_TRUE(m_details.download);
    EXPECT_EQ(m_check.DownloadUrl(), "https://get.example/first.zip");
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{});
    EXPECT_FALSE(m_prompts.busy);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, UpdateEntryProblemTest,
    ::testing::Values(
        EntryCase{"NoProductElement",
                  "<ProductVersions><Other><Version>4</Version><URL>u</URL></Other></ProductVersions>"},
        EntryCase{"NamesMatchExactly",
                  "<ProductVersions><kestrune><Version>4</Version><URL>u</URL></kestrune></ProductVersions>"},
        EntryCase{"OtherTopLevelElement",
                  "<Products><Kestrune><Version>4</Version><URL>u</URL></Kestrune></Products>"},
        EntryCase{"ProductNotDirectlyInside",
                  "<ProductVersions><Group><Kestrune><Version>4</Version><URL>u</URL></Kestrune></Group>"
                  "</ProductVersions>"},
        EntryCase{"VersionMissing", "<ProductVersions><Kestrune><URL>u</URL></Kestrune></ProductVersions>"},
        EntryCase{"UrlMissing", "<ProductVersions><Kestrune><Version>4</Version></Kestrune></ProductVersions>"},
        EntryCase{"VersionNotANumber",
                  "<ProductVersions><Kestrune><Version>3.2a</Version><URL>u</URL></Kestrune></ProductVersions>"},
        EntryCase{"VersionWithTwoPoints",
                  "<ProductVersions><Kestrune><Version>3.2.1</Version><URL>u</URL></Kestrune></ProductVersions>"},
        EntryCase{"VersionEmpty",
                  "<ProductVersions><Kestrune><Version/><URL>u</URL></Kestrune></ProductVersions>"},
        EntryCase{"VersionWithExponent",
                  "<ProductVersions><Kestrune><Version>1e9</Version><URL>u</URL></Kestrune></ProductVersions>"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- failures of the transfer and the parse ----------------------------------

TEST_F(UpdateCheckTest, AnHttpErrorStatusGoesToTheErrorBoxWithTheTransfersText) {
    ServeDocument("gone", 404);
    Run();
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"The requested URL returned error: 404"});
    EXPECT_EQ(m_prompts.shown.back().kind, ScriptedPrompts::Kind::Error);
    EXPECT_EQ(m_details.events,
              (std::vector<std::string>{"repaint", "status:Checking for Updates", "status:"}));
    ExpectPointerRestoredBeforeAnyBox();
}

TEST_F(UpdateCheckTest, ADocumentThatIsNotXmlGoesToTheErrorBoxWithTheParsersText) {
    ServeDocument("<html><body>Maintenance</body>");
    Run();
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.shown.back().kind, ScriptedPrompts::Kind::Error);
    EXPECT_EQ(m_prompts.shown.back().label, "Start-end tags mismatch");
    EXPECT_EQ(m_details.status, "");
    EXPECT_EQ(m_details.outcome, "(previous outcome)");
    ExpectPointerRestoredBeforeAnyBox();
}

TEST_F(UpdateCheckTest, AnEmptyAnswerIsNotADocument) {
    ServeDocument("");
    Run();
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"No document element found"});
}

TEST_F(UpdateCheckTest, ADocumentBeyondTheSizeLimitIsRefused) {
    ServeDocument(std::string(CurlHttpGet::kMaxBodyBytes + 1, ' '));
    Run();
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"The update document is larger than 1048576 bytes"});
}

// ---- network failures -----------------------------------------------------------

std::string NetworkErrorText(int socketError) {
    return std::string(kNetworkErrorText) + std::to_string(socketError);
}

TEST_F(UpdateCheckTest, ARefusedConnectionShowsItsErrorNumber) {
    const ScopedEnv base(kUpdateBaseVariable, "http://127.0.0.1:" + std::to_string(UnusedLocalPort()));
    Run();
    ASSERT_EQ(m_prompts.Texts(), std::vector<std::string>{NetworkErrorText(ECONNREFUSED)});
    EXPECT_EQ(m_prompts.shown.back().caption, "Check for Updates");
    EXPECT_EQ(m_prompts.Texts().front(),
              "An Error occured whilst Checking for updates. \n\n Error Code : 111");
    EXPECT_EQ(m_details.status, "");
    EXPECT_EQ(m_details.outcome, "(previous outcome)");
    ExpectPointerRestoredBeforeAnyBox();
}

TEST_F(UpdateCheckTest, ASilentServerEndsInATimeOut) {
    m_server.Silent();
    CurlHttpGet impatient(std::chrono::milliseconds(200));
    UpdateCheck check(impatient, m_prompts);
    check.Run(m_details, {});
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{NetworkErrorText(ETIMEDOUT)});
}

TEST_F(UpdateCheckTest, TheEnvironmentsProxyVariablesAreNotUsed) {
    const std::string dead = "socks5h://127.0.0.1:" + std::to_string(UnusedLocalPort());
    const ScopedEnv http("http_proxy", dead);
    const ScopedEnv all("ALL_PROXY", dead);
    ServeDocument(Document("3.21"));
    Run();
    EXPECT_EQ(m_details.outcome, kNewerText);
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{});
}

// ---- through a SOCKS 5 proxy ------------------------------------------------------

struct GreetingCase {
    const char* name;
    const char* user;
    std::string greeting;
};
void PrintTo(const GreetingCase& c, std::ostream* os) { *os << c.name; }

class SocksGreetingTest : public UpdateCheckTest, public ::testing::WithParamInterface<GreetingCase> {};

TEST_P(SocksGreetingTest, OffersOnlyTheMethodsItCanUse) {
    SocksGreetingListener listener;
    // Even where the environment says this address needs no proxy.
    const ScopedEnv noProxy("no_proxy", "127.0.0.1,localhost");
    ProxySettings proxy{1, "127.0.0.1", static_cast<std::uint32_t>(listener.Port()), GetParam().user, "pw"};
    Run(proxy);
    EXPECT_EQ(listener.Greeting(), GetParam().greeting);
    EXPECT_EQ(m_server.Requests(), std::vector<std::string>{});
    // The listener refuses every method: a failure of the proxy's, not of the network.
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.shown.back().kind, ScriptedPrompts::Kind::Error);
}

INSTANTIATE_TEST_SUITE_P(
    Users, SocksGreetingTest,
    ::testing::Values(GreetingCase{"NoUserNoAuthentication", "", std::string("\x05\x01\x00", 3)},
                      GreetingCase{"UserNameAndPassword", "alice", std::string("\x05\x02\x00\x02", 4)}),
    [](const auto& info) { return std::string(info.param.name); });

class ProxiedUpdateCheckTest : public UpdateCheckTest {
protected:
    void SetUp() override { ServeDocument(Document("3.21")); }

    ProxySettings Through(const SocksProxy& proxy, std::string user = {}, std::string password = {}) {
        EXPECT_TRUE(proxy.Running()) << "microsocks did not start";
        return {1, "127.0.0.1", static_cast<std::uint32_t>(proxy.Port()), std::move(user), std::move(password)};
    }
};

TEST_F(ProxiedUpdateCheckTest, ChecksThroughAProxyWithoutAuthentication) {
    SocksProxy proxy;
    Run(Through(proxy));
    EXPECT_EQ(m_details.outcome, kNewerText);
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{});
    EXPECT_EQ(m_server.Requests().size(), 1u);
}

TEST_F(ProxiedUpdateCheckTest, ChecksThroughAnAuthenticatingProxy) {
    SocksProxy proxy("alice", "s3cret");
    Run(Through(proxy, "alice", "s3cret"));
    EXPECT_EQ(m_details.outcome, kNewerText);
    EXPECT_TRUE(m_details.download);
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{});
    EXPECT_TRUE(m_server.WaitForClientCloses(1));
}

TEST_F(ProxiedUpdateCheckTest, AWrongProxyPasswordGoesToTheErrorBoxWithTheTransfersText) {
    SocksProxy proxy("alice", "s3cret");
    Run(Through(proxy, "alice", "wrong"));
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.shown.back().kind, ScriptedPrompts::Kind::Error);
    // libcurl's text, with the status the proxy answered.
    EXPECT_THAT(m_prompts.shown.back().label, ::testing::StartsWith("User was rejected by the SOCKS5 server"));
    EXPECT_EQ(m_server.Requests(), std::vector<std::string>{});
    EXPECT_EQ(m_details.outcome, "(previous outcome)");
    ExpectPointerRestoredBeforeAnyBox();
}

TEST_F(ProxiedUpdateCheckTest, AProxyThatCannotBeReachedIsANetworkFailure) {
    ProxySettings proxy{1, "127.0.0.1", static_cast<std::uint32_t>(UnusedLocalPort()), "", ""};
    Run(proxy);
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{NetworkErrorText(ECONNREFUSED)});
}

TEST_F(ProxiedUpdateCheckTest, AServerThatRefusesTheProxyIsANetworkFailure) {
    SocksProxy proxy;
    const ScopedEnv base(kUpdateBaseVariable, "http://127.0.0.1:" + std::to_string(UnusedLocalPort()));
    Run(Through(proxy));
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{NetworkErrorText(ECONNREFUSED)});
}

TEST_F(ProxiedUpdateCheckTest, AProxyHostThatIsNotAHostNameIsNotPassedOn) {
    // "user@host" must not become proxy credentials, nor "http://" another kind of proxy.
    for (const char* server : {"alice@127.0.0.1", "http://127.0.0.1", ""}) {
        m_prompts.Reset();
        Run({1, server, 1080, "", ""});
        ASSERT_EQ(m_prompts.Texts().size(), 1u) << server;
        EXPECT_EQ(m_prompts.shown.back().kind, ScriptedPrompts::Kind::Error) << server;
    }
    EXPECT_EQ(m_server.Requests(), std::vector<std::string>{});
}

// ---- where the document is -----------------------------------------------------------

TEST(UpdateDocumentUrlTest, TheVariableReplacesTheMakersServer) {
    {
        const ScopedEnv base(kUpdateBaseVariable, "");
        EXPECT_EQ(UpdateDocumentUrl(), "https://updates.copperlathe.example/versions/versions.xml");
    }
    const ScopedEnv base(kUpdateBaseVariable, "http://127.0.0.1:8080/");
    EXPECT_EQ(UpdateDocumentUrl(), "http://127.0.0.1:8080/versions/versions.xml");
}

// ---- the program's own version as a number -------------------------------

struct VersionCase {
    const char* name;
    const char* version;
    double number;
};
void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.name; }

class VersionNumberTest : public ::testing::TestWithParam<VersionCase> {};

// Exactly the double of the literal, or "3.2" would not equal a published 3.2.
TEST_P(VersionNumberTest, IsTheDecimalNumberOfMajorAndMinor) {
    EXPECT_EQ(VersionNumber(GetParam().version), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionNumberTest,
    ::testing::Values(VersionCase{"MajorMinor", "3.2", 3.2}, VersionCase{"TwoDigitMinor", "3.21", 3.21},
                      VersionCase{"TrailingZero", "3.20", 3.2}, VersionCase{"PatchIgnored", "3.2.7", 3.2},
                      VersionCase{"MajorOnly", "4", 4.0}, VersionCase{"TenthsNotTens", "3.10", 3.1},
                      VersionCase{"LongFraction", "0.3", 0.3}, VersionCase{"Empty", "", 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
