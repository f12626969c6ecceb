// The About box and the Proxy Settings dialog on the offscreen platform:
// labels and link, the update check's lines and Download button against a
// local server, and the proxy settings kept in a registry file of the test's
// own. Addresses the box opens are caught before they reach the desktop.

#include "app/about_dialog.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/app_info.h"
#include "app/proxy_settings_dialog.h"
#include "tests/app/qt_environment.h"
#include "tests/support/local_servers.h"
#include "tests/support/scoped_env.h"
#include "tests/support/scripted_prompts.h"

namespace fs = std::filesystem;

namespace {

class UrlCatcher final : public QObject {
    Q_OBJECT
public:
    QStringList opened;
public slots:
    void Open(const QUrl& url) { opened << url.toString(); }
};

std::string Document(const std::string& version, const std::string& url) {
    return "<ProductVersions><Kestrune><Version>" + version + "</Version><URL>" + url +
           "</URL></Kestrune></ProductVersions>";
}

const std::string kStoredKey =
    "[HKEY_CURRENT_USER\\Software\\Copperlathe\\ProxySettings]\n"
    "\"ProxyEnabled\"=dword:00000001\n\"ProxyServer\"=\"socks.example\"\n"
    "\"ProxyPort\"=dword:00000438\n\"ProxyUser\"=\"bob\"\n\"ProxyPassword\"=\"pw\"\n";
const ProxySettings kStored{1, "socks.example", 1080, "bob", "pw"};

class AboutDialogTest : public ::testing::Test {
protected:
    AboutDialogTest()
        : m_dir(fs::temp_directory_path() /
                ("kr-about-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())),
          m_base(kUpdateBaseVariable, m_server.BaseUrl()) {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        QDesktopServices::setUrlHandler("http", &m_catcher, "Open");
        QDesktopServices::setUrlHandler("https", &m_catcher, "Open");
        QDesktopServices::setUrlHandler("file", &m_catcher, "Open");
    }
    ~AboutDialogTest() override {
        m_box.reset();
        for (const char* scheme : {"http", "https", "file"}) QDesktopServices::unsetUrlHandler(scheme);
        fs::remove_all(m_dir);
    }

    fs::path RegistryFile() const { return m_dir / "HKEY_CURRENT_USER.reg"; }
    void WriteRegistry(const std::string& text) const {
        std::ofstream(RegistryFile(), std::ios::binary) << text;
    }
    std::string ReadRegistry() const {
        std::ifstream in(RegistryFile(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // A box as the program has it, shown; a second call is the next start.
    TfrmAbout& ShowBox(const fs::path& registryFile = {}) {
        m_box.reset();
        m_box = std::make_unique<TfrmAbout>(m_proxyDialog, m_prompts,
                                            UserRegistry(registryFile.empty() ? RegistryFile() : registryFile),
                                            std::make_unique<CurlHttpGet>(std::chrono::seconds(5)));
        m_box->show();
        return *m_box;
    }

    // Opens the Proxy Settings dialog from the box, lets edit look at it and
    // change it, and ends it with the given button.
    void EditProxy(const std::function<void(TfrmProxySettings&)>& edit, bool ok) {
        WhenModalOpens([&](QWidget* modal) {
            EXPECT_EQ(modal, &m_proxyDialog);
            edit(m_proxyDialog);
            (ok ? m_proxyDialog.cmdOK : m_proxyDialog.cmdCancel)->click();
        });
        m_box->cmdProxy->click();
    }

    static ProxySettings Fields(const TfrmProxySettings& d) {
        return {d.chkUseProxy->isChecked() ? 1u : 0u, d.txtHostName->text().toStdString(),
                static_cast<std::uint32_t>(d.txtPort->text().toUInt()), d.txtUserName->text().toStdString(),
                d.txtPassword->text().toStdString()};
    }
    static std::vector<bool> FieldsEnabled(const TfrmProxySettings& d) {
        return {d.txtHostName->isEnabled(), d.txtPort->isEnabled(), d.txtUserName->isEnabled(),
                d.txtPassword->isEnabled()};
    }

    fs::path m_dir;
    local_servers::LocalHttpServer m_server;
    ScopedEnv m_base;
    UrlCatcher m_catcher;
    ScriptedPrompts m_prompts;
    TfrmProxySettings m_proxyDialog;
    std::unique_ptr<TfrmAbout> m_box;
};

TEST_F(AboutDialogTest, ShowsTheProgramAndALinkThatUnderlinesWhileHovered) {
    TfrmAbout& box = ShowBox();
    EXPECT_EQ(box.windowTitle(), "About");
    EXPECT_EQ(box.lblAppName->text(), "Kestrune");
    EXPECT_EQ(box.lblVersion->text(), "3.20");
    EXPECT_EQ(box.lblCopyRight->text(), kCopyright);
    EXPECT_EQ(box.lblURL->text(), kWebSite);
    EXPECT_TRUE(box.cmdDownload->isHidden());

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(box.lblURL, &enter);
    EXPECT_TRUE(box.lblURL->font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(box.lblURL, &leave);
    EXPECT_FALSE(box.lblURL->font().underline());

    QTest::mouseClick(box.lblURL, Qt::LeftButton);
    EXPECT_EQ(m_catcher.opened, QStringList{kWebSite});
}

TEST_F(AboutDialogTest, ANewerVersionOffersItsDownloadUntilACheckFindsNone) {
    TfrmAbout& box = ShowBox();
    m_server.Serve(kUpdateDocumentPath, {200, Document("3.21", "https://downloads.example/kestrune-3.21.zip")});
    QTest::mouseClick(box.cmdUpdates, Qt::LeftButton);
    EXPECT_EQ(box.lblStatus->text(), "");
    EXPECT_EQ(box.lblStatus2->text(), "A Newer Version Is Available");
    EXPECT_TRUE(box.cmdDownload->isVisible());
    EXPECT_FALSE(m_prompts.busy);

    QTest::mouseClick(box.cmdDownload, Qt::LeftButton);
    EXPECT_EQ(m_catcher.opened, QStringList{"https://downloads.example/kestrune-3.21.zip"});

    // The box keeps its lines between showings.
    box.hide();
    box.show();
    EXPECT_EQ(box.lblStatus2->text(), "A Newer Version Is Available");
    EXPECT_TRUE(box.cmdDownload->isVisible());

    m_server.Serve(kUpdateDocumentPath, {200, Document("3.2", "https://downloads.example/kestrune-3.2.zip")});
    box.cmdUpdates->click();
    EXPECT_EQ(box.lblStatus2->text(), "The current version is up to date");
    EXPECT_TRUE(box.cmdDownload->isHidden());
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{});
}

TEST_F(AboutDialogTest, DownloadOpensOnlyAWebAddress) {
    TfrmAbout& box = ShowBox();
    box.cmdDownload->click();  // no check has set an address yet
    EXPECT_EQ(m_catcher.opened, QStringList{});

    m_server.Serve(kUpdateDocumentPath, {200, Document("9", "file:///etc/passwd")});
    box.cmdUpdates->click();
    ASSERT_TRUE(box.cmdDownload->isVisible());
    box.cmdDownload->click();
    EXPECT_EQ(m_catcher.opened, QStringList{}) << "an address from the network that is not a web page";
}

TEST_F(AboutDialogTest, WithoutAStoredKeyTheDialogOpensClearAndDisabled) {
    ShowBox();
    EXPECT_EQ(m_box->Proxy(), ProxySettings{});
    EditProxy(
        [](TfrmProxySettings& d) {
            EXPECT_EQ(d.windowTitle(), "Proxy Settings");
            EXPECT_EQ(Fields(d), ProxySettings{});
            EXPECT_EQ(d.txtPort->text(), "0");
            EXPECT_EQ(FieldsEnabled(d), std::vector<bool>(4, false));
            d.chkUseProxy->click();
            EXPECT_EQ(FieldsEnabled(d), std::vector<bool>(4, true));
            d.chkUseProxy->click();
            EXPECT_EQ(FieldsEnabled(d), std::vector<bool>(4, false));
        },
        false);
    EXPECT_FALSE(fs::exists(RegistryFile()));
}

TEST_F(AboutDialogTest, CancelChangesNothingEvenAfterEditing) {
    WriteRegistry(kStoredKey);
    ShowBox();
    ASSERT_EQ(m_box->Proxy(), kStored);
    auto edit = [](TfrmProxySettings& d) {
        EXPECT_EQ(Fields(d), kStored);
        EXPECT_EQ(FieldsEnabled(d), std::vector<bool>(4, true));
        d.chkUseProxy->setChecked(false);
        d.txtHostName->setText("other.example");
        d.txtPort->setText("9");
        d.txtUserName->setText("eve");
        d.txtPassword->setText("x");
    };
    EditProxy(edit, false);
    EXPECT_EQ(m_box->Proxy(), kStored);
    EXPECT_EQ(ReadRegistry(), kStoredKey);
    // The dialog is filled from memory again, not left as it was edited.
    EditProxy(edit, false);
}

TEST_F(AboutDialogTest, SettingsTakenWithOkSurviveARestart) {
    ShowBox();
    EditProxy(
        [](TfrmProxySettings& d) {
            d.chkUseProxy->click();
            d.txtHostName->setText("127.0.0.1");
            d.txtPort->setText("1080");
            d.txtUserName->setText("alice");
            d.txtPassword->setText("s3cret");
            EXPECT_EQ(d.txtPassword->echoMode(), QLineEdit::Password);
        },
        true);
    const ProxySettings entered{1, "127.0.0.1", 1080, "alice", "s3cret"};
    EXPECT_EQ(m_box->Proxy(), entered);

    ShowBox();  // the next start
    EXPECT_EQ(m_box->Proxy(), entered);
    EditProxy([&](TfrmProxySettings& d) { EXPECT_EQ(Fields(d), entered); }, false);
}

TEST_F(AboutDialogTest, APortThatIsNotANumberKeepsTheHeldOne) {
    WriteRegistry(kStoredKey);
    ShowBox();
    EditProxy([](TfrmProxySettings& d) { d.txtPort->setText("socks"); }, true);
    EXPECT_EQ(m_box->Proxy().port, 1080u);
}

TEST_F(AboutDialogTest, AStringTypedProxyEnabledTakesNothingFromTheRegistry) {
    std::string stored = kStoredKey;
    stored.replace(stored.find("dword:00000001"), 14, "\"1\"");
    WriteRegistry(stored);
    ShowBox();
    EXPECT_EQ(m_box->Proxy(), ProxySettings{});
}

TEST_F(AboutDialogTest, AFailedWriteLeavesTheSettingsInForceAndSaysNothing) {
    std::ofstream(m_dir / "blocked", std::ios::binary) << "in the way";
    ShowBox(m_dir / "blocked" / "HKEY_CURRENT_USER.reg");
    EditProxy(
        [](TfrmProxySettings& d) {
            d.chkUseProxy->click();
            d.txtHostName->setText("h");
        },
        true);
    EXPECT_EQ(m_box->Proxy(), (ProxySettings{1, "h", 0, "", ""}));
    EXPECT_EQ(m_prompts.shown.size(), 0u);
}

TEST_F(AboutDialogTest, ADamagedFileIsReplacedOnlyByOk) {
    const std::string damaged = "[HKEY_CURRENT_USER\\Software\\Copperlathe\\ProxySettings]\n\"ProxyEnabled\"=dword:";
    WriteRegistry(damaged);
    ShowBox();
    EXPECT_EQ(m_box->Proxy(), ProxySettings{});
    EditProxy([](TfrmProxySettings&) {}, false);
    EXPECT_EQ(ReadRegistry(), damaged);

    EditProxy([](TfrmProxySettings& d) { d.txtHostName->setText("h"); }, true);
    ShowBox();
    EXPECT_EQ(m_box->Proxy(), (ProxySettings{0, "h", 0, "", ""}));
}

TEST_F(AboutDialogTest, ChecksThroughTheAuthenticatingProxyEnteredInTheDialog) {
    local_servers::SocksProxy proxy("alice", "s3cret");
    ASSERT_TRUE(proxy.Running()) << "microsocks did not start";
    m_server.Serve(kUpdateDocumentPath, {200, Document("3.21", "https://downloads.example/k.zip")});
    ShowBox();
    EditProxy(
        [&](TfrmProxySettings& d) {
            d.chkUseProxy->click();
            d.txtHostName->setText("127.0.0.1");
            d.txtPort->setText(QString::number(proxy.Port()));
            d.txtUserName->setText("alice");
            d.txtPassword->setText("s3cret");
        },
        true);
    m_box->cmdUpdates->click();
    EXPECT_EQ(m_box->lblStatus2->text(), "A Newer Version Is Available");
    EXPECT_EQ(m_server.Requests().size(), 1u);
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{});
}

}  // namespace

#include "about_dialog_test.moc"
