// The connection actions as the main window runs them, offscreen: the row
// selection aid of a press, the details window from a double click, the
// Send Message dialog keeping its text, and a clear followed by the refresh.

#include "app/main_window_actions.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <fstream>

#include "app/main_window.h"
#include "app/map_drive_dialog.h"
#include "app/message_dialog.h"
#include "app/user_info_dialog.h"
#include "tests/app/qt_environment.h"
#include "tests/query/query_test_support.h"
#include "tests/support/window_harness.h"

namespace {

using Texts = std::vector<std::string>;

class MainWindowActionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(m_harness.NetworkFile()) << querytest::BaseNetwork().dump();
        m_window = &m_harness.Start();
        m_window->ui().chkCheckLocks->setChecked(true);
        m_window->ui().cboFileName->setEditText("FS1\\SYS:ACCT\\LEDGER.DAT");
        m_window->ui().cmdCheck->click();
        m_prompts.Reset();
    }

    QTreeView* Users() const { return m_window->ui().lvwUsers; }

    Texts Column(const QTreeView* view, int column = 0) const {
        Texts texts;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            texts.push_back(view->model()->index(r, column).data().toString().toStdString());
        return texts;
    }

    Texts SelectedConnections(const QTreeView* view) const {
        Texts texts;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            if (view->selectionModel()->isRowSelected(r, QModelIndex()))
                texts.push_back(view->model()->index(r, 0).data().toString().toStdString());
        return texts;
    }

    // The middle of a cell, in the list's viewport.
    static QPoint CellCentre(const QTreeView* view, int row, int column) {
        return view->visualRect(view->model()->index(row, column)).center();
    }

    // Narrow columns, so that there is room beside them.
    static int NarrowColumns(QTreeView* view) {
        for (int c = 0; c < view->header()->count(); ++c) view->header()->resizeSection(c, 40);
        return view->header()->length();
    }

    WindowHarness m_harness{"kr-actions-window-"};
    ScriptedPrompts& m_prompts = m_harness.prompts;
    TfrmKestrune* m_window = nullptr;
};

TEST_F(MainWindowActionsTest, APressAnywhereAlongARowSelectsIt) {
    ASSERT_EQ(Column(Users()), (Texts{"0", "5", "12", "12", "7"}));
    const int loginTime = static_cast<int>(UsersColumn::LoginTime);
    QTest::mouseClick(Users()->viewport(), Qt::LeftButton, {}, CellCentre(Users(), 1, loginTime));
    EXPECT_EQ(SelectedConnections(Users()), Texts{"5"});

    // Beside the last column the list itself would select nothing.
    const int beside = NarrowColumns(Users()) + 20;
    ASSERT_LT(beside, Users()->viewport()->width());
    QTest::mouseClick(Users()->viewport(), Qt::LeftButton, {},
                      QPoint(beside, CellCentre(Users(), 4, 0).y()));
    EXPECT_EQ(SelectedConnections(Users()), Texts{"7"});
    EXPECT_EQ(m_window->State().lastUsersMouseDown.x(), beside);

    QTreeView* locks = m_window->ui().lvwLocks;
    m_window->ui().tabPages->setCurrentWidget(m_window->ui().tabLocks);
    ASSERT_EQ(locks->model()->rowCount(), 2);
    const int lockBeside = NarrowColumns(locks) + 20;
    QTest::mouseClick(locks->viewport(), Qt::LeftButton, {},
                      QPoint(lockBeside, CellCentre(locks, 1, 0).y()));
    EXPECT_EQ(SelectedConnections(locks), Texts{"7"});
}

TEST_F(MainWindowActionsTest, DoubleClickShowsTheRowsOtherFilesAndASecondReplacesThem) {
    TfrmUserInfo& info = m_window->frmUserInfo();
    QString shownName;
    QStringList shownFiles;
    auto record = [&](QWidget* modal) {
        EXPECT_EQ(modal, &info);
        shownName = info.lblUserName->text();
        shownFiles.clear();
        for (int i = 0; i < info.lstfiles->count(); ++i) shownFiles << info.lstfiles->item(i)->text();
        info.cmdOK->click();
    };
    const int address = static_cast<int>(UsersColumn::Address);

    WhenModalOpens(record);
    QTest::mouseDClick(Users()->viewport(), Qt::LeftButton, {}, CellCentre(Users(), 1, address));
    EXPECT_EQ(shownName, "JSMITH.SALES.ACME");
    EXPECT_EQ(shownFiles, (QStringList{"SYS:ACCT\\LEDGER.DAT", "SYS:ACCT\\QUARTE~1.DOC",
                                       "DATA:PAYROLL.DB"}));
    EXPECT_TRUE(Users()->selectionModel()->isRowSelected(1, QModelIndex()));

    WhenModalOpens(record);
    QTest::mouseDClick(Users()->viewport(), Qt::LeftButton, {}, CellCentre(Users(), 4, address));
    EXPECT_EQ(shownName, "ADMIN.IT.ACME");
    EXPECT_EQ(shownFiles, QStringList{"SYS:ACCT\\LEDGER.DAT"});
    EXPECT_EQ(m_prompts.Texts(), Texts{});
}

TEST_F(MainWindowActionsTest, DoubleClickBelowTheRowsBeepsAndOpensNothing) {
    const QPoint below(10, Users()->viewport()->height() - 3);
    ASSERT_FALSE(Users()->indexAt(below).isValid());
    QTest::mouseDClick(Users()->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(m_prompts.Count(ScriptedPrompts::Kind::Beep), 1);
    EXPECT_EQ(m_prompts.Texts(), Texts{"Double Click on a User to get Information"});
    EXPECT_FALSE(m_window->frmUserInfo().isVisible());
}

TEST_F(MainWindowActionsTest, SendMessageKeepsItsTextAndCancelSendsNothing) {
    TfrmMessage& dialog = m_window->frmMessage();
    Users()->selectionModel()->select(Users()->model()->index(1, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    auto sent = [this] { return m_harness.network->CallCounts()["NWSendBroadcastMessage"]; };

    WhenModalOpens([&](QWidget*) {
        dialog.txtMessage->setText("Please close the ledger");
        dialog.cmdOK->click();
    });
    m_window->ui().cmdSendMessage->click();
    EXPECT_EQ(sent(), 1u);

    QString shown;
    WhenModalOpens([&](QWidget*) {
        shown = dialog.txtMessage->text();
        dialog.cmdCancel->click();
    });
    m_window->ui().cmdSendMessage->click();
    EXPECT_EQ(shown, "Please close the ledger");
    EXPECT_EQ(sent(), 1u);

    WhenModalOpens([&](QWidget*) { QTest::keyClick(dialog.txtMessage, Qt::Key_Return); });
    m_window->ui().cmdSendMessage->click();
    EXPECT_EQ(sent(), 2u);
    EXPECT_EQ(m_prompts.Texts(), Texts{});
}

TEST_F(MainWindowActionsTest, ClearAsksThenRefreshesTheList) {
    m_window->ui().chkConfirm->setChecked(true);
    Users()->selectionModel()->select(Users()->model()->index(2, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m_prompts.answers = {true};
    m_window->ui().cmdClear->click();
    EXPECT_EQ(m_prompts.Texts(), Texts{"Clear Connection 12?"});
    EXPECT_EQ(Column(Users()), (Texts{"0", "5", "7"}));

    m_prompts.Reset();
    m_prompts.answers = {true};
    m_window->ui().cmdClearAll->click();
    EXPECT_EQ(m_prompts.Texts(),
              (Texts{"Clear Al Connections ?", "Cannot Clear Connection : 0\n Code : 89fd"}));
    EXPECT_EQ(Column(Users()), Texts{"0"});
    EXPECT_FALSE(m_prompts.busy);
}

TEST_F(MainWindowActionsTest, MapDriveKeepsTheDialogOpenUntilAPathIsAcceptedAndCancelMapsNothing) {
    TfrmMapDrive* dialog = m_window->findChild<TfrmMapDrive*>("TfrmMapDrive");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Map Drive");
    auto resolves = [this](const std::string& root) {
        ConnHandle conn = 0;
        DirHandle dirHandle = 0;
        std::string relative;
        return m_harness.network->NWParseNetWarePath(root, conn, dirHandle, relative) == 0
                   ? relative
                   : std::string();
    };

    QStringList offered;
    bool stayedOpen = false;
    WhenModalOpens([&](QWidget* modal) {
        EXPECT_EQ(modal, dialog);
        for (int i = 0; i < dialog->cboDrive->count(); ++i) offered << dialog->cboDrive->itemText(i);
        EXPECT_EQ(dialog->cboDrive->currentText(), "Z:");
        dialog->txtPath->setText("FS9\\SYS:");
        dialog->cmdOK->click();
        stayedOpen = dialog->isVisible();
        dialog->cboDrive->setCurrentText("H:");
        dialog->txtPath->setText("\\\\FS1\\SYS\\ACCT");
        dialog->cmdOK->click();
    });
    m_window->ui().cmdMapDrive->click();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(offered.size(), 24) << "F: and G: are mapped";
    EXPECT_FALSE(offered.contains("F:"));
    EXPECT_EQ(m_prompts.Texts(), Texts{"The server FS9 is unknown or down"});
    EXPECT_EQ(resolves("H:\\"), "SYS:ACCT");

    WhenModalOpens([&](QWidget*) {
        EXPECT_EQ(dialog->txtPath->text(), "\\\\FS1\\SYS\\ACCT");
        dialog->cboDrive->setCurrentText("K:");
        dialog->cmdCancel->click();
    });
    m_window->ui().cmdMapDrive->click();
    EXPECT_EQ(resolves("K:\\"), "");
}

}  // namespace
