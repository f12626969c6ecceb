// The query as the main window runs it: "Check", Enter in the path box and a
// command-line path fill lvwUsers and lvwLocks, header clicks sort them.

#include "app/main_window_query.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <fstream>

#include "app/main_window.h"
#include "platform/profile.h"
#include "tests/query/query_test_support.h"
#include "tests/support/window_harness.h"

namespace querytest {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

class MainWindowQueryTest : public ::testing::Test {
protected:
    void SetUp() override { std::ofstream(m_harness.NetworkFile()) << BaseNetwork().dump(); }
    void TearDown() override {
        if (m_window) {
            EXPECT_EQ(m_network->OpenDirHandles(), 0);
            EXPECT_EQ(m_network->OpenDSBuffers(), 0);
        }
    }

    TfrmKestrune& Start(std::vector<std::string> arguments = {}) {
        return m_harness.Start(std::move(arguments));
    }

    static Texts Column(const QTreeView* view, int column) {
        Texts texts;
        const QAbstractItemModel* model = view->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            texts.push_back(model->index(r, column).data().toString().toStdString());
        }
        return texts;
    }

    static void ClickHeader(QTreeView* view, int column) {
        QHeaderView* header = view->header();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    void Check(const std::string& path) {
        m_window->ui().cboFileName->setEditText(QString::fromStdString(path));
        m_window->ui().cmdCheck->click();
    }

    WindowHarness m_harness{"kr-query-window-"};
    ScriptedPrompts& m_prompts = m_harness.prompts;
    std::unique_ptr<SimulatedNetwork>& m_network = m_harness.network;
    std::unique_ptr<TfrmKestrune>& m_window = m_harness.window;
};

TEST_F(MainWindowQueryTest, CheckFillsBothListsTheStatusLineAndTheCurrentConnection) {
    TfrmKestrune& w = Start();
    w.ui().chkCheckLocks->setChecked(true);
    Check("FS1\\SYS:ACCT\\LEDGER.DAT");

    EXPECT_EQ(m_prompts.Texts(), Texts{});
    EXPECT_EQ(Column(w.ui().lvwUsers, 0), (Texts{"0", "5", "12", "12", "7"}));
    const QModelIndex jsmith = w.ui().lvwUsers->model()->index(1, 0);
    EXPECT_EQ(jsmith.siblingAtColumn(2).data().toString(), "JSMITH.SALES.ACME");
    EXPECT_EQ(jsmith.siblingAtColumn(3).data().toString(), "09:05 03/Jan/2007");
    EXPECT_EQ(jsmith.siblingAtColumn(5).data().toString(), "John Smith");
    EXPECT_EQ(jsmith.siblingAtColumn(4).data(ResultListModel::kConnectionRole).toUInt(), 5u);
    EXPECT_EQ(Column(w.ui().lvwLocks, 2), (Texts{"Netware File Server", "ADMIN.IT.ACME"}));
    EXPECT_EQ(w.ui().txtScanStatus->text(), "5 Open Handle(s)");
    EXPECT_EQ(w.ui().tabPages->currentWidget(), w.ui().tabUsers);
    EXPECT_NE(w.State().session.currentConn, 0u);
    EXPECT_EQ(w.ui().cboFileName->itemText(0), "FS1\\SYS:ACCT\\LEDGER.DAT");
    EXPECT_FALSE(m_prompts.busy);
    EXPECT_TRUE(w.ui().lvwUsers->updatesEnabled());

    // Options are read when the query runs: cut names, no lock scan.
    w.ui().chkShowContext->setChecked(false);
    w.ui().chkCheckLocks->setChecked(false);
    Check("FS1\\SYS:ACCT\\LEDGER.DAT");
    EXPECT_EQ(Column(w.ui().lvwUsers, 2),
              (Texts{"Netware File Server", "JSMITH", "GUEST", "GUEST", "ADMIN"}));
    EXPECT_EQ(w.ui().lvwLocks->model()->rowCount(), 0);
}

// The query holds the event loop: whatever shows while it runs is painted
// by the query itself. Once it has switched to "Users", the list is painted
// while files are still being checked, not only when the query ends.
TEST_F(MainWindowQueryTest, UsersPageIsPaintedWhileTheQueryRuns) {
    TfrmKestrune& w = Start();
    struct PaintWatch final : QObject {
        explicit PaintWatch(const QLabel* status) : m_status(status) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) statusAtPaint.push_back(m_status->text().toStdString());
            return false;
        }
        const QLabel* m_status;
        Texts statusAtPaint;
    } watch(w.ui().txtScanStatus);
    w.ui().lvwUsers->viewport()->installEventFilter(&watch);
    QTest::qWait(0);
    watch.statusAtPaint.clear();

    Check("FS1\\SYS:ACCT\\*.*");
    ASSERT_EQ(w.ui().tabPages->currentWidget(), w.ui().tabUsers);
    ASSERT_FALSE(watch.statusAtPaint.empty());
    EXPECT_EQ(watch.statusAtPaint.front().rfind("Checking : ", 0), 0u) << watch.statusAtPaint.front();
}

TEST_F(MainWindowQueryTest, ACommandLinePathAndEnterInThePathBoxRunTheQuery) {
    TfrmKestrune& w = Start({"FS1\\SYS:README.TXT"});
    EXPECT_EQ(Column(w.ui().lvwUsers, 0), Texts{"9"});
    EXPECT_EQ(w.ui().tabPages->currentWidget(), w.ui().tabUsers);

    QLineEdit* edit = w.ui().cboFileName->lineEdit();
    edit->setText("F:\\ACCT\\*.XYZ");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(w.ui().lvwUsers->model()->rowCount(), 0);
    EXPECT_EQ(w.ui().txtScanStatus->text(), "0 Open Handle(s)");
    EXPECT_EQ(m_prompts.Texts(), Texts{"No Matching Files were found"});
    EXPECT_EQ(w.ui().tabPages->currentWidget(), w.ui().tabUsers) << "no file reached the check";
    // The lists are held from painting only while the query runs.
    EXPECT_TRUE(w.ui().lvwUsers->updatesEnabled());
    EXPECT_TRUE(w.ui().lvwLocks->updatesEnabled());
}

TEST_F(MainWindowQueryTest, HeaderClicksSortInTheDirectionEachColumnRemembers) {
    TfrmKestrune& w = Start();
    Check("FS1\\SYS:ACCT\\LEDGER.DAT");
    QTreeView* users = w.ui().lvwUsers;
    const int conn = static_cast<int>(UsersColumn::Conn);
    const int user = static_cast<int>(UsersColumn::UserName);
    users->selectionModel()->select(users->model()->index(1, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);

    ClickHeader(users, conn);
    EXPECT_EQ(Column(users, conn), (Texts{"0", "5", "7", "12", "12"}));
    EXPECT_EQ(users->header()->sortIndicatorOrder(), Qt::AscendingOrder);
    ClickHeader(users, user);
    EXPECT_EQ(Column(users, user), (Texts{"ADMIN.IT.ACME", "GUEST", "GUEST", "JSMITH.SALES.ACME",
                                          "Netware File Server"}));
    ClickHeader(users, conn);
    EXPECT_EQ(Column(users, conn), (Texts{"12", "12", "7", "5", "0"}));
    EXPECT_EQ(users->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    // The selected row (connection 5) stayed selected through the sorts.
    const QModelIndexList selected = users->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front().data().toString(), "5");

    // A new query shows scan order; "User Name" sorts descending next.
    Check("FS1\\SYS:ACCT\\LEDGER.DAT");
    EXPECT_EQ(Column(users, conn), (Texts{"0", "5", "12", "12", "7"}));
    EXPECT_FALSE(users->header()->isSortIndicatorShown());
    ClickHeader(users, user);
    EXPECT_EQ(Column(users, user), (Texts{"Netware File Server", "JSMITH.SALES.ACME", "GUEST",
                                          "GUEST", "ADMIN.IT.ACME"}));

    // The Locks list sorts on its own: "Lock Type" as text, 10 before 9.
    w.ui().chkCheckLocks->setChecked(true);
    Check("FS1\\SYS:ACCT\\LEDGER.DAT");
    ClickHeader(w.ui().lvwLocks, static_cast<int>(LocksColumn::LockType));
    EXPECT_EQ(Column(w.ui().lvwLocks, static_cast<int>(LocksColumn::LockType)),
              (Texts{"10", "9"}));
}

}  // namespace
}  // namespace querytest
