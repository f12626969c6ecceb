#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>
#include <QTreeView>
#include <fstream>
#include <sstream>

#include "app/about_dialog.h"
#include "app/login_dialog.h"
#include "app/message_dialog.h"
#include "app/status_window.h"
#include "platform/sim/simulated_network.h"
#include "tests/app/qt_environment.h"
#include "tests/support/window_harness.h"

namespace fs = std::filesystem;

namespace {

// One server with a drive mapped to it; enough for start-up and a query path.
constexpr const char* kSmallNetwork = R"({
  "workstation": { "primary": "FS1", "drives": { "F": "FS1\\SYS:" },
                   "bindery": { "FS1": "SUPERVISOR" } },
  "servers": [ {
    "name": "FS1", "operators": ["SUPERVISOR"], "users": { "SUPERVISOR": "" },
    "volumes": [ { "name": "SYS", "number": 0,
                   "entries": [ { "name": "DATA", "entries": ["A.DAT"] } ] } ],
    "connections": [ { "number": 3, "user": "SUPERVISOR", "open": ["SYS:DATA\\A.DAT"] } ]
  } ]
})";

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { WriteNetwork(kSmallNetwork); }

    void WriteNetwork(const std::string& text) { WriteFile(m_dir / "network.json", text); }
    void WriteSettings(const std::string& text) { WriteFile(SettingsFile(), text); }
    fs::path SettingsFile() const { return m_dir / "config" / "KESTRUNE.INI"; }
    std::string Settings() const { return ReadFile(SettingsFile()); }

    static void WriteFile(const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string ReadFile(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    TfrmKestrune& Start(std::vector<std::string> arguments = {}) {
        return m_harness.Start(std::move(arguments));
    }

    template <class T>
    T* Find(const char* name) const {
        T* found = m_window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    std::vector<std::string> PickList() const {
        std::vector<std::string> items;
        const QComboBox* box = m_window->ui().cboFileName;
        for (int i = 0; i < box->count(); ++i) items.push_back(box->itemText(i).toStdString());
        return items;
    }

    WindowHarness m_harness{"kr-window-"};
    const fs::path& m_dir = m_harness.dir;
    ScriptedPrompts& m_prompts = m_harness.prompts;
    std::unique_ptr<SimulatedNetwork>& m_network = m_harness.network;
    std::unique_ptr<TfrmKestrune>& m_window = m_harness.window;
};

TEST_F(MainWindowTest, EveryControlCarriesItsNameAndCaption) {
    TfrmKestrune& w = Start();
    EXPECT_EQ(w.windowTitle(), "Kestrune");
    EXPECT_EQ(w.objectName(), "frmKestrune");

    struct Named { const char* name; const char* caption; };
    const Named buttons[] = {
        {"cmdEnableLogins", "Enable Logins"}, {"cmdDisableLogins", "Disable Logins"},
        {"cmdRefresh", "Refresh"},            {"cmdClear", "Clear"},
        {"cmdClearAll", "Clear All"},         {"cmdSendMessage", "Send Message"},
        {"cmdDefault", "Set Default"},        {"cmdReload", "Reload Server List"},
        {"cmdCheck", "Check"},                {"cmdMapDrive", "Map Drive"},
        {"cmdAbout", "About"},                {"chkCheckSub", "Check Subdirectories"},
        {"chkConfirm", "Confirm on Clear File"}, {"chkShowContext", "Show Full NDS Context"},
        {"chkShowNetwork", "Show Network # with MAC Address"}, {"chkShowHints", "Show Hints"},
        {"chkCheckLocks", "Check File Locks"}, {"chkShowFullName", "Show Users Full Name"},
        {"chkShowDrives", "Show Drives"},     {"chkShowServers", "Show Servers"},
        {"chkUseIPX", "Use IPX Method"},      {"chkUseIP", "Use IP Method"},
    };
    for (const Named& b : buttons) {
        if (auto* button = Find<QAbstractButton>(b.name)) {
            EXPECT_EQ(button->text(), b.caption) << b.name;
        }
    }
    for (const char* label : {"lblLoginStatus", "txtScanStatus", "lblServerName", "lblLicenseCount",
                              "lblSuperEquivalent"})
        Find<QLabel>(label);
    EXPECT_EQ(Find<QLabel>("lblCheckLocks")->text(), "Lock Checking Disabled - enable in options tab");
    EXPECT_TRUE(Find<QLabel>("lblCheckLocks")->font().bold());
    EXPECT_TRUE(Find<QComboBox>("cboFileName")->isEditable());
    EXPECT_TRUE(w.ui().cmdCheck->isDefault());

    QStringList tabs;
    for (int i = 0; i < w.ui().tabPages->count(); ++i)
        tabs << w.ui().tabPages->widget(i)->objectName() + "=" + w.ui().tabPages->tabText(i);
    EXPECT_EQ(tabs.join(", ").toStdString(),
              "TabSheet1=Path, tabUsers=Users, tabLocks=Locks, tabOptions=Options, "
              "tabServerInfo=Server Info");

    QStringList groups;
    for (const QGroupBox* g : w.findChildren<QGroupBox*>())
        if (g->window() == &w) groups << g->title();
    groups.sort();
    EXPECT_EQ(groups.join("|").toStdString(),
              "Login Status|Options|Server Detection|Server Information|Servers/Drives");

    auto headers = [](const QTreeView* view) {
        QStringList h;
        for (int i = 0; i < view->model()->columnCount(); ++i)
            h << view->model()->headerData(i, Qt::Horizontal).toString();
        return h.join("|").toStdString();
    };
    EXPECT_EQ(headers(Find<QTreeView>("lvwUsers")), "Conn|File Name|User Name|Login Time|Address|Full Name");
    EXPECT_EQ(headers(Find<QTreeView>("lvwLocks")),
              "Conn|File Name|User Name|Lock Type|Start Position|End Position|Task");
    EXPECT_EQ(headers(Find<QTreeView>("lvwFiles")), "File Name");
    EXPECT_EQ(w.ui().lvwUsers->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(w.ui().lvwLocks->selectionMode(), QAbstractItemView::SingleSelection);

    QStringList menu;
    for (QAction* top : w.ui().MainMenu1->actions()) {
        QStringList entries;
        for (QAction* a : top->menu()->actions()) entries << a->objectName() + "=" + a->text();
        menu << top->text() + "(" + entries.join(",") + ")";
    }
    EXPECT_EQ(menu.join(" ").toStdString(),
              "File(Exit1=Exit) Edit(ReloadServerList1=Reload Server List) Help(About2=About)");
    EXPECT_EQ(w.ui().About1->objectName(), "About1");
}

TEST_F(MainWindowTest, DialogsAreCreatedOnceInTheirOrderWithTheirCaptions) {
    TfrmKestrune& w = Start();
    QStringList dialogs;
    for (const QDialog* d : w.findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
        dialogs << d->objectName() + "=" + d->windowTitle();
    EXPECT_EQ(dialogs.join(", ").toStdString(),
              "TfrmUserInfo=Other Files Open, TfrmMessage=Send Message, TfrmStatus=Please Wait, "
              "TfrmLoginBox=Login, TfrmProxySettings=Proxy Settings, TfrmAbout=About, "
              "TfrmMapDrive=Map Drive");
    for (const QDialog* d : w.findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(d->isHidden()) << d->objectName().toStdString();
}

TEST_F(MainWindowTest, StartUpOnASmallNetwork) {
    WriteSettings("[Options]\nEnableLogins=0\nEnableClear=2\nEnableSend=0\n[Users]\nColumn0=-5\n");
    TfrmKestrune& w = Start();
    EXPECT_EQ(w.ui().lvwUsers->header()->sectionSize(0), 0) << "a negative width hides the column";
    EXPECT_TRUE(m_prompts.Texts().empty()) << m_prompts.Texts().front();
    EXPECT_EQ(w.ui().tabPages->currentWidget(), w.ui().TabSheet1);
    EXPECT_TRUE(w.State().serverPageReady);
    EXPECT_FALSE(m_prompts.busy);
    EXPECT_EQ(m_network->CallCounts()["NWCallsInit"], 1u);
    EXPECT_EQ(m_network->CallCounts()["DSCreateContextHandle"], 1u);

    struct Visibility { QWidget* button; bool hidden; };
    const Visibility cases[] = {
        {w.ui().cmdEnableLogins, true}, {w.ui().cmdDisableLogins, true},
        {w.ui().cmdClear, false},       {w.ui().cmdClearAll, false},  // 2 keeps them
        {w.ui().cmdSendMessage, true},  {w.ui().cmdRefresh, false},
    };
    for (const Visibility& c : cases)
        EXPECT_EQ(c.button->isHidden(), c.hidden) << c.button->objectName().toStdString();

    // "Check File Locks" is off by default: the notice shows, and follows the box.
    EXPECT_FALSE(w.ui().lblCheckLocks->isHidden());
    w.ui().chkCheckLocks->click();
    EXPECT_TRUE(w.ui().lblCheckLocks->isHidden());
    w.ui().chkCheckLocks->click();
    EXPECT_FALSE(w.ui().lblCheckLocks->isHidden());
}

TEST_F(MainWindowTest, StartUpPreparesTheDirectoryContext) {
    TfrmKestrune& w = Start();
    std::uint32_t flags = 0;
    std::string nameContext;
    ASSERT_EQ(m_network->DSGetContext(w.State().session.dsContext, kDSContextFlags, flags), 0);
    ASSERT_EQ(m_network->DSGetContext(w.State().session.dsContext, kDSContextNameContext, nameContext), 0);
    EXPECT_EQ(flags & kDSFlagTypeless, kDSFlagTypeless);
    EXPECT_EQ(nameContext, "[root]");
}

TEST_F(MainWindowTest, DirectoryContextFailuresAreReportedAndStartUpGoesOn) {
    struct Case {
        const char* fault;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {R"({ "call": "DSGetContext", "code": -601 })", {"Cannot Get Context\n Code : fffffda7"}},
        {R"({ "call": "DSSetContext", "code": "0x8801", "times": 1 })", {"Cannot Set Context\n Code : 8801"}},
        {R"({ "call": "DSSetContext", "code": "0x8801", "after": 1 })", {"Cannot Set Context\n Code : 8801"}},
    };
    for (const Case& c : cases) {
        std::string network = kSmallNetwork;
        network.insert(network.rfind('}'), std::string(", \"faults\": [") + c.fault + "]");
        WriteNetwork(network);
        WriteSettings("[Recent Files]\nEntry0=F:\\KEPT\n");
        m_prompts.Reset();
        TfrmKestrune& w = Start();
        EXPECT_EQ(m_prompts.Texts(), c.boxes) << c.fault;
        EXPECT_EQ(w.ui().tabPages->currentWidget(), w.ui().TabSheet1) << c.fault;
        EXPECT_EQ(PickList(), std::vector<std::string>{"F:\\KEPT"}) << c.fault;
        EXPECT_TRUE(w.State().serverPageReady) << c.fault;
    }

    // Unreadable flags: the typeless bit alone is written.
    WriteNetwork(std::string(kSmallNetwork).insert(
        std::string(kSmallNetwork).rfind('}'),
        R"(, "faults": [ { "call": "DSGetContext", "code": -601, "times": 1 } ])"));
    TfrmKestrune& w = Start();
    std::uint32_t flags = 99;
    ASSERT_EQ(m_network->DSGetContext(w.State().session.dsContext, kDSContextFlags, flags), 0);
    EXPECT_EQ(flags, kDSFlagTypeless);
}

TEST_F(MainWindowTest, ALongCommandLinePathIsCut) {
    const std::string argument = "F:\\" + std::string(600, 'X');
    TfrmKestrune& w = Start({argument});
    // The query may read less of it; never more than was remembered.
    const std::string text = w.ui().cboFileName->currentText().toStdString();
    EXPECT_FALSE(text.empty());
    EXPECT_LE(text.size(), static_cast<std::size_t>(TfrmKestrune::kMaxArgumentChars));
    EXPECT_EQ(argument.compare(0, text.size(), text), 0) << "a prefix of the argument";
    EXPECT_TRUE(PickList().empty()) << "too long for a recent-path slot";
}

TEST_F(MainWindowTest, StoredLockCheckingHidesTheNoticeFromTheStart) {
    WriteSettings("[KESTRUNE]\nCheck Locks=1\n[Options]\nEnableClear=0\n");
    TfrmKestrune& w = Start();
    EXPECT_TRUE(w.ui().chkCheckLocks->isChecked());
    EXPECT_TRUE(w.ui().lblCheckLocks->isHidden());
    EXPECT_TRUE(w.ui().cmdClear->isHidden());
    EXPECT_TRUE(w.ui().cmdClearAll->isHidden());
    EXPECT_FALSE(w.ui().cmdSendMessage->isHidden());
    EXPECT_FALSE(w.ui().cmdEnableLogins->isHidden());
}

TEST_F(MainWindowTest, FirstRunDefaultsThenSetDefaultAndCloseRoundTrip) {
    TfrmKestrune& w = Start();
    EXPECT_TRUE(w.ui().chkShowHints->isChecked());
    EXPECT_TRUE(w.ui().chkShowFullName->isChecked());
    EXPECT_FALSE(w.ui().chkCheckLocks->isChecked());
    EXPECT_FALSE(w.ui().chkCheckSub->isChecked());
    EXPECT_TRUE(PickList().empty());
    EXPECT_EQ(w.centralWidget()->size(), QSize(741, 432));
    EXPECT_EQ(w.minimumSize(), QSize(510, 300));
    const QRect screen = w.screen()->geometry();
    EXPECT_EQ(w.x(), screen.left() + (screen.width() - w.width()) / 2);
    EXPECT_EQ(w.y(), screen.top() + (screen.height() - w.height()) / 2);
    EXPECT_FALSE(fs::exists(SettingsFile())) << "a first run writes nothing until asked";

    // Set Default stores the option boxes, not "Check Subdirectories".
    w.ui().chkConfirm->click();
    w.ui().chkCheckSub->click();
    w.ui().cmdDefault->click();
    EXPECT_NE(Settings().find("Confirm Clear=0\n"), std::string::npos) << Settings();
    EXPECT_EQ(Settings().find("Check Sub"), std::string::npos) << Settings();

    // A query records its path; the layout changes; closing stores it all.
    w.ui().cboFileName->setEditText("F:\\DATA\\*.*");
    w.ui().cmdCheck->click();
    w.ui().cboFileName->setEditText("F:\\DATA\\A.DAT");
    w.ui().cmdCheck->click();
    w.resize(800, 500);
    w.move(30, 40);
    w.ui().lvwUsers->header()->resizeSection(1, 0);
    w.ui().lvwLocks->header()->resizeSection(3, 90);
    w.ui().chkShowContext->click();  // changed but never stored
    EXPECT_TRUE(w.close());

    TfrmKestrune& again = Start();
    EXPECT_FALSE(again.ui().chkConfirm->isChecked());
    EXPECT_TRUE(again.ui().chkShowContext->isChecked());
    EXPECT_TRUE(again.ui().chkCheckSub->isChecked());
    EXPECT_EQ(PickList(), (std::vector<std::string>{"F:\\DATA\\*.*", "F:\\DATA\\A.DAT"}));
    EXPECT_EQ(again.ui().cboFileName->currentText(), "") << "loading fills the list, not the box";
    EXPECT_EQ(again.size(), QSize(800, 500));
    EXPECT_EQ(again.pos(), QPoint(30, 40));
    EXPECT_EQ(again.ui().lvwUsers->header()->sectionSize(1), 0);
    EXPECT_EQ(again.ui().lvwUsers->header()->sectionSize(2), 164);
    EXPECT_EQ(again.ui().lvwLocks->header()->sectionSize(3), 90);

    // Unchecking "Check Subdirectories" is stored by the close alone.
    again.ui().chkCheckSub->click();
    again.close();
    EXPECT_NE(Settings().find("Check Sub=0\n"), std::string::npos) << Settings();
}

TEST_F(MainWindowTest, AMaximisedCloseKeepsTheLastNormalPlacement) {
    WriteSettings("[Size]\nWidth=700\nHeight=400\nTop=20\nLeft=10\nState=2\n");
    TfrmKestrune& w = Start();
    EXPECT_TRUE(w.isMaximized());
    w.close();
    const std::string stored = Settings();
    EXPECT_NE(stored.find("State=2\n"), std::string::npos) << stored;
    EXPECT_NE(stored.find("Width=700\nHeight=400\nTop=20\nLeft=10\n"), std::string::npos) << stored;
}

TEST_F(MainWindowTest, AnAbsurdStoredSizeStartsAWindowWithinTheDesktop) {
    WriteSettings("[Size]\nWidth=2000000000\nHeight=2000000000\n");
    TfrmKestrune& w = Start();
    const QRect desktop = w.screen()->virtualGeometry();
    EXPECT_EQ(w.size(), desktop.size());
    w.close();
    EXPECT_NE(Settings().find("Width=" + std::to_string(desktop.width()) + "\n"), std::string::npos)
        << Settings();
}

TEST_F(MainWindowTest, ReplacingAListModelKeepsTheColumnWidths) {
    WriteSettings("[Users]\nColumn0=60\nColumn3=0\n[Locks]\nColumn6=120\n");
    TfrmKestrune& w = Start();
    QStandardItemModel users(0, 6);
    QStandardItemModel locks(0, 7);
    w.SetUsersModel(&users);
    w.SetLocksModel(&locks);
    EXPECT_EQ(w.ui().lvwUsers->model(), &users);
    EXPECT_EQ(w.ui().lvwUsers->header()->sectionSize(0), 60);
    EXPECT_EQ(w.ui().lvwUsers->header()->sectionSize(1), 145);
    EXPECT_EQ(w.ui().lvwUsers->header()->sectionSize(3), 0);
    EXPECT_EQ(w.ui().lvwLocks->header()->sectionSize(6), 120);
    w.close();
    EXPECT_NE(Settings().find("[Users]\nColumn0=60\nColumn3=0\nColumn1=145\n"), std::string::npos)
        << Settings();
}

TEST_F(MainWindowTest, CommandLinePathIsQueriedAndRecorded) {
    WriteSettings("[Recent Files]\nEntry0=F:\\OLD\n");
    TfrmKestrune& w = Start({"F:\\DATA\\A.DAT", "F:\\IGNORED"});
    EXPECT_EQ(w.ui().cboFileName->currentText(), "F:\\DATA\\A.DAT");
    EXPECT_EQ(PickList(), (std::vector<std::string>{"F:\\OLD", "F:\\DATA\\A.DAT"}));
    EXPECT_FALSE(m_prompts.busy);
}

TEST_F(MainWindowTest, AGapInTheStoredPathsIsClosedUpOrFilled) {
    const std::string withGap = "[Recent Files]\nEntry0=F:\\A\nEntry1=\nEntry2=F:\\C\n";
    WriteSettings(withGap);
    TfrmKestrune& w = Start();
    EXPECT_EQ(PickList(), (std::vector<std::string>{"F:\\A", "F:\\C"}));
    w.close();
    EXPECT_NE(Settings().find("Entry0=F:\\A\nEntry1=F:\\C\nEntry2=\n"), std::string::npos)
        << Settings();

    WriteSettings(withGap);
    TfrmKestrune& again = Start();
    again.ui().cboFileName->setEditText("F:\\D");
    again.ui().cmdCheck->click();
    EXPECT_EQ(PickList(), (std::vector<std::string>{"F:\\A", "F:\\D", "F:\\C"}));
}

TEST_F(MainWindowTest, EnterInThePathBoxRunsTheCheck) {
    TfrmKestrune& w = Start();
    QLineEdit* edit = w.ui().cboFileName->lineEdit();
    edit->setText("F:\\DATA");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(PickList(), std::vector<std::string>{"F:\\DATA"});
    // The same path again: the list does not grow, typing adds nothing.
    QTest::keyClick(edit, Qt::Key_Enter);
    EXPECT_EQ(PickList(), std::vector<std::string>{"F:\\DATA"});
    // Typed in other case, the path stays as typed: case makes a new entry.
    edit->clear();
    QTest::keyClicks(edit, "f:\\data");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(PickList(), (std::vector<std::string>{"F:\\DATA", "f:\\data"}));
    EXPECT_EQ(w.ui().cboFileName->currentText(), "f:\\data");
}

TEST_F(MainWindowTest, EscFromAnyFocusedControlOrFileExitClosesAndSaves) {
    for (const char* name : {"cboFileName", "tvwDrives", "chkConfirm", "lvwUsers", "cmdCheck",
                             "tabPages", "Exit1"}) {
        TfrmKestrune& w = Start();
        w.ui().chkCheckSub->setChecked(true);
        if (std::string(name) == "Exit1") {
            w.ui().Exit1->trigger();
        } else {
            QWidget* control = w.findChild<QWidget*>(name);
            ASSERT_NE(control, nullptr) << name;
            if (auto* box = qobject_cast<QComboBox*>(control)) control = box->lineEdit();
            QTest::keyClick(control, Qt::Key_Escape);
        }
        EXPECT_FALSE(w.isVisible()) << name;
        EXPECT_NE(Settings().find("Check Sub=1\n"), std::string::npos) << name;
        fs::remove(SettingsFile());
    }
}

TEST_F(MainWindowTest, EscInADialogLeavesTheMainWindowOpen) {
    TfrmKestrune& w = Start();
    w.frmMessage().show();
    QTest::keyClick(w.frmMessage().txtMessage, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.frmMessage().isVisible());
}

TEST_F(MainWindowTest, FailedClientInitialisationLeavesTheBuiltInWindowAndWritesNothing) {
    WriteNetwork("{ \"servers\": [ { \"name\": \"FS1\" }, { \"name\": \"FS1\" } ] }");
    const std::string stored = "[KESTRUNE]\nShow Hints=1\n[Recent Files]\nEntry0=F:\\KEEP\n";
    WriteSettings(stored);

    TfrmKestrune& w = Start({"F:\\DATA\\A.DAT"});
    ASSERT_EQ(m_prompts.Count(ScriptedPrompts::Kind::Error), 1);
    EXPECT_EQ(m_prompts.shown.front().text, "Cannot Init Netware\n Code : 88fe");
    EXPECT_EQ(m_prompts.shown.front().owner, Prompts::Owner::MainWindow);
    EXPECT_EQ(w.ui().tabPages->currentWidget(), w.ui().tabUsers);
    EXPECT_FALSE(w.ui().chkShowHints->isChecked()) << "built-in state";
    EXPECT_TRUE(PickList().empty());
    EXPECT_EQ(w.ui().cboFileName->currentText(), "") << "the command-line path is not queried";
    EXPECT_FALSE(w.State().serverPageReady);
    EXPECT_EQ(m_network->CallCounts()["DSCreateContextHandle"], 0u);

    w.ui().chkCheckSub->setChecked(true);
    w.resize(900, 700);
    EXPECT_TRUE(w.close());
    EXPECT_EQ(Settings(), stored);
}

TEST_F(MainWindowTest, HintsFollowTheStoredOptionForTheWholeRun) {
    struct Case { const char* stored; bool shown; };
    for (const Case c : {Case{"0", false}, Case{"1", true}}) {
        WriteSettings(std::string("[KESTRUNE]\nShow Hints=") + c.stored + "\n");
        TfrmKestrune& w = Start();
        // Clicking the box later changes nothing until the next start.
        w.ui().chkShowHints->click();
        QToolTip::hideText();
        QWidget* target = w.ui().cmdCheck;
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(target, &help);
        EXPECT_EQ(QToolTip::isVisible(), c.shown) << "Show Hints=" << c.stored;
        QToolTip::hideText();
    }
}

TEST_F(MainWindowTest, AboutButtonAndHelpMenuShowTheSameAboutBox) {
    TfrmKestrune& w = Start();
    std::vector<QWidget*> opened;
    auto record = [&opened](QWidget* modal) {
        opened.push_back(modal);
        static_cast<QDialog*>(modal)->accept();
    };
    WhenModalOpens(record);
    w.ui().cmdAbout->click();
    WhenModalOpens(record);
    w.ui().About2->trigger();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], &w.frmAbout());
    EXPECT_EQ(opened[1], &w.frmAbout());
    EXPECT_EQ(w.frmAbout().lblAppName->text(), "Kestrune");
    EXPECT_EQ(w.frmAbout().lblVersion->text(), "3.20");
    EXPECT_TRUE(w.frmAbout().cmdDownload->isHidden());
}

TEST_F(MainWindowTest, PleaseWaitWindowShowsItsLineWithoutBlocking) {
    TfrmKestrune& w = Start();
    TfrmStatus& status = w.frmStatus();
    status.ShowWindow();
    status.SetStatus("Loading Server FS1");
    EXPECT_TRUE(status.isVisible());
    EXPECT_FALSE(status.isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(status.lblStatus->text(), "Loading Server FS1");
    EXPECT_EQ(status.size(), QSize(309, 43));
    QTest::keyClick(&status, Qt::Key_Escape);
    EXPECT_TRUE(status.isVisible()) << "only its caller hides it";
    status.hide();
}

TEST_F(MainWindowTest, LoginBoxStartsEmptyAndEndsWithOneOrTwo) {
    TfrmKestrune& w = Start();
    TfrmLoginBox& login = w.frmLoginBox();
    struct Case { const char* how; int result; };
    for (const Case c : {Case{"Button1", 1}, Case{"Button2", 2}, Case{"Esc", 2}}) {
        QString seenUser = "unset";
        WhenModalOpens([&](QWidget*) {
            seenUser = login.txtUserName->text();
            login.txtUserName->setText("ADMIN");
            login.txtPassword->setText("secret");
            if (QString(c.how) == "Esc") {
                QTest::keyClick(login.txtPassword, Qt::Key_Escape);
            } else {
                login.findChild<QAbstractButton*>(c.how)->click();
            }
        });
        EXPECT_EQ(login.exec(), c.result) << c.how;
        EXPECT_EQ(seenUser, "") << c.how;
        EXPECT_TRUE(w.isVisible()) << "Esc in the dialog leaves the main window open";
    }
    EXPECT_EQ(login.txtPassword->echoMode(), QLineEdit::Password);
}

}  // namespace
