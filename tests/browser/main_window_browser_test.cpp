// The browser on the main window, offscreen: the tree filled at start-up,
// expansions through the view (refused ones collapse again), the login
// dialog, the file list and the path box, the server page following the
// selection, the login switches, and a double click that runs the query.
// Both models run under Qt's model tester throughout.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <fstream>

#include "app/drive_tree_model.h"
#include "app/file_list_model.h"
#include "app/login_dialog.h"
#include "app/main_window.h"
#include "app/status_window.h"
#include "tests/app/qt_environment.h"
#include "tests/browser/browser_test_support.h"
#include "tests/support/window_harness.h"

namespace browsertest {
namespace {

class MainWindowBrowserTest : public ::testing::Test {
protected:
    void SetUp() override { std::ofstream(m_harness.NetworkFile()) << BaseNetwork().dump(); }
    void TearDown() override {
        m_testers.clear();
        if (m_harness.window) {
            EXPECT_EQ(m_harness.network->OpenDirHandles(), 0);
            EXPECT_EQ(m_harness.network->OpenConnHandles(), 0);
        }
    }

    TfrmKestrune& Start() {
        TfrmKestrune& w = m_harness.Start();
        for (QAbstractItemModel* model : {w.ui().tvwDrives->model(), w.ui().lvwFiles->model()})
            m_testers.push_back(std::make_unique<QAbstractItemModelTester>(
                model, QAbstractItemModelTester::FailureReportingMode::Fatal));
        return w;
    }

    DriveTreeModel& Drives() { return *qobject_cast<DriveTreeModel*>(Tree()->model()); }
    QTreeView* Tree() { return m_harness.window->ui().tvwDrives; }

    QModelIndex Node(const QModelIndex& parent, const QString& text) {
        QAbstractItemModel* model = Tree()->model();
        for (int r = 0; r < model->rowCount(parent); ++r) {
            const QModelIndex index = model->index(r, 0, parent);
            if (index.data().toString() == text) return index;
        }
        ADD_FAILURE() << "no node " << text.toStdString();
        return {};
    }

    Texts Rows(QAbstractItemModel* model, const QModelIndex& parent = {}) {
        Texts texts;
        for (int r = 0; r < model->rowCount(parent); ++r)
            texts.push_back(model->index(r, 0, parent).data().toString().toStdString());
        return texts;
    }

    // Expands through the view, as a click on the expand mark does.
    QModelIndex Expand(const QModelIndex& parent, const QString& text) {
        const QModelIndex index = Node(parent, text);
        Tree()->expand(index);
        return index;
    }

    void Select(const QModelIndex& index) { Tree()->setCurrentIndex(index); }

    std::string Text(const QLabel* label) { return label->text().toStdString(); }

    WindowHarness m_harness{"kr-browser-window-"};
    ScriptedPrompts& m_prompts = m_harness.prompts;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> m_testers;
};

TEST_F(MainWindowBrowserTest, StartupFillsTheTreeAndLeavesThePageEmpty) {
    TfrmKestrune& w = Start();
    EXPECT_EQ(Rows(Tree()->model()),
              (Texts{"F:  (FS1\\SYS:)", "G:  (FS1\\DATA:APPS)", "FS1", "FS2", "HB1"}));
    EXPECT_TRUE(Tree()->model()->hasChildren(Node({}, "FS1")));
    EXPECT_FALSE(w.frmStatus().isVisible());
    EXPECT_EQ(w.ui().tabPages->currentWidget(), w.ui().TabSheet1);
    EXPECT_EQ(Text(w.ui().lblServerName), "N/A");
    EXPECT_EQ(Text(w.ui().lblLicenseCount), "N/A");
    EXPECT_EQ(Text(w.ui().lblSuperEquivalent), "N/A");
    EXPECT_EQ(m_prompts.Texts(), Texts{});
    for (int i = 0; i < kNodeImageCount; ++i)
        EXPECT_FALSE(DriveTreeModel::Image(static_cast<NodeImage>(i)).isNull()) << i;
    EXPECT_EQ(Tree()->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(Tree()->accessibleName().isEmpty());
    EXPECT_FALSE(w.ui().lvwFiles->accessibleName().isEmpty());
}

// Start-up holds the event loop from the browser's filling on: the window is
// painted before that, not left blank until start-up ends.
TEST_F(MainWindowBrowserTest, WindowIsPaintedBeforeTheBrowserIsFilled) {
    struct PaintWatch final : QObject {
        bool eventFilter(QObject* watched, QEvent* event) override {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (!widget) return false;
            if (event->type() == QEvent::Paint && widget->window()->objectName() == "frmKestrune" &&
                !statusShown)
                mainPaintedFirst = true;
            if (event->type() == QEvent::Show && widget->objectName() == "TfrmStatus")
                statusShown = true;
            return false;
        }
        bool statusShown = false;
        bool mainPaintedFirst = false;
    } watch;
    qApp->installEventFilter(&watch);
    Start();
    qApp->removeEventFilter(&watch);
    EXPECT_TRUE(watch.statusShown);
    EXPECT_TRUE(watch.mainPaintedFirst);
}

TEST_F(MainWindowBrowserTest, WalkDownSelectAFileAndDoubleClickIt) {
    TfrmKestrune& w = Start();
    const QModelIndex sys = Expand(Expand({}, "FS1"), "SYS");
    EXPECT_TRUE(Tree()->isExpanded(sys));
    EXPECT_EQ(Rows(Tree()->model(), sys), (Texts{"ACCT", "EMPTY", "PUBLIC"}));

    Select(Node(sys, "ACCT"));
    EXPECT_EQ(Rows(w.ui().lvwFiles->model()), (Texts{"LEDGER.DAT", "Quarterly Report.doc"}));
    EXPECT_EQ(w.ui().cboFileName->currentText().toStdString(), "FS1\\SYS:\\ACCT\\*.*");
    EXPECT_EQ(Text(w.ui().lblServerName), "FS1");
    EXPECT_EQ(Text(w.ui().lblSuperEquivalent), "Yes");
    EXPECT_EQ(Text(w.ui().lblLoginStatus), "Enabled");

    QTreeView* files = w.ui().lvwFiles;
    const QModelIndex ledger = files->model()->index(0, 0);
    files->setCurrentIndex(ledger);
    EXPECT_EQ(w.ui().cboFileName->currentText().toStdString(), "FS1\\SYS:\\ACCT\\LEDGER.DAT");
    // A view takes a double click only on the item its press went to.
    const QPoint at = files->visualRect(ledger).center();
    QTest::mousePress(files->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(w.ui().tabPages->currentWidget(), w.ui().tabUsers);
    EXPECT_EQ(w.ui().txtScanStatus->text().toStdString(), "0 Open Handle(s)");
}

TEST_F(MainWindowBrowserTest, CancelledLoginCollapsesAndARetryLogsIn) {
    TfrmKestrune& w = Start();
    const QModelIndex fs2 = Node({}, "FS2");
    WhenModalOpens([](QWidget* modal) {
        auto* box = qobject_cast<TfrmLoginBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->lblDetails->text(), "Login To Server FS2");
        box->Button2->click();
    });
    Tree()->expand(fs2);
    EXPECT_FALSE(Tree()->isExpanded(fs2));
    EXPECT_EQ(Rows(Tree()->model(), fs2), Texts{"Working..."});

    WhenModalOpens([](QWidget* modal) {
        auto* box = qobject_cast<TfrmLoginBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->txtUserName->text(), "");
        box->txtUserName->setText("SUPERVISOR");
        box->txtPassword->setText("secret");
        box->Button1->click();
    });
    Tree()->expand(fs2);
    EXPECT_TRUE(Tree()->isExpanded(fs2));
    EXPECT_EQ(Rows(Tree()->model(), fs2), Texts{"VOL1"});
    EXPECT_EQ(m_prompts.Texts(), Texts{});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    (void)w;
}

TEST_F(MainWindowBrowserTest, LoginButtonsSwitchTheSelectedServer) {
    TfrmKestrune& w = Start();
    w.ui().cmdDisableLogins->click();
    EXPECT_EQ(m_prompts.Texts(), Texts{"Select a drive or server"});

    Select(Node({}, "F:  (FS1\\SYS:)"));
    EXPECT_EQ(Text(w.ui().lblLoginStatus), "Enabled");
    w.ui().cmdDisableLogins->click();
    EXPECT_EQ(Text(w.ui().lblLoginStatus), "Disabled");
    w.ui().cmdEnableLogins->click();
    EXPECT_EQ(Text(w.ui().lblLoginStatus), "Enabled");
}

TEST_F(MainWindowBrowserTest, ReloadKeepsTheListAndEmptiesThePageSelection) {
    TfrmKestrune& w = Start();
    Select(Expand({}, "F:  (FS1\\SYS:)"));
    const Texts listed = Rows(w.ui().lvwFiles->model());
    EXPECT_EQ(listed, (Texts{"autoexec.bat", "README.TXT"}));
    w.ui().cmdReload->click();
    EXPECT_EQ(Rows(w.ui().lvwFiles->model()), listed);
    EXPECT_EQ(Rows(Tree()->model()).size(), 5u);
    EXPECT_EQ(Drives().RecordsAttached() - Drives().RecordsReleased(), 5u);
}

}  // namespace
}  // namespace browsertest
