#include "app/result_list_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QStringList>

namespace {

// Fails the running test on any warning the model tester reports.
QStringList g_warnings;
void RecordWarning(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) g_warnings.append(message);
}

class ResultListModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_warnings.clear();
        m_previous = qInstallMessageHandler(RecordWarning);
    }
    void TearDown() override {
        qInstallMessageHandler(m_previous);
        EXPECT_TRUE(g_warnings.isEmpty()) << g_warnings.join('\n').toStdString();
    }

    static ResultRow UsersRow(ConnNumber conn, const char* user) {
        ResultRow row;
        row.connection = conn;
        row.SetCells({std::to_string(conn), "SYS:ACCT\\LEDGER.DAT", user, "09:05 03/Jan/2007",
                      "N/A", "", ""});
        return row;
    }

    static QStringList Column(const ResultListModel& model, int column) {
        QStringList texts;
        for (int r = 0; r < model.rowCount(); ++r) {
            texts.append(model.data(model.index(r, column)).toString());
        }
        return texts;
    }

    QtMessageHandler m_previous = nullptr;
};

TEST_F(ResultListModelTest, BothModelsPassTheModelTesterThroughAQueryAndSorts) {
    for (auto kind : {ResultListModel::Kind::Users, ResultListModel::Kind::Locks}) {
        ResultListModel model(kind);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::Warning);
        for (int round = 0; round < 2; ++round) {
            model.Clear();
            for (ConnNumber n : {10, 2, 33, 2, 0}) model.Append(UsersRow(n, "JSMITH"));
            for (int column = 0; column < model.columnCount(); ++column) {
                model.ColumnClicked(column);
                model.ColumnClicked(column);
            }
            model.sort(1, Qt::DescendingOrder);
        }
        model.Clear();
        EXPECT_EQ(model.rowCount(), 0);
    }
}

TEST_F(ResultListModelTest, ShowsTheListsColumnsCellsAndConnectionNumbers) {
    ResultListModel users(ResultListModel::Kind::Users);
    ResultListModel locks(ResultListModel::Kind::Locks);
    QStringList usersHeaders;
    QStringList locksHeaders;
    for (int c = 0; c < users.columnCount(); ++c) {
        usersHeaders.append(users.headerData(c, Qt::Horizontal).toString());
    }
    for (int c = 0; c < locks.columnCount(); ++c) {
        locksHeaders.append(locks.headerData(c, Qt::Horizontal).toString());
    }
    EXPECT_EQ(usersHeaders, (QStringList{"Conn", "File Name", "User Name", "Login Time",
                                         "Address", "Full Name"}));
    EXPECT_EQ(locksHeaders, (QStringList{"Conn", "File Name", "User Name", "Lock Type",
                                         "Start Position", "End Position", "Task"}));

    ResultRow row = UsersRow(512, "M\xc3\x9cLLER");  // workstation text is UTF-8
    users.Append(row);
    EXPECT_EQ(users.data(users.index(0, 2)).toString(), QString::fromUtf8("M\xc3\x9cLLER"));
    EXPECT_EQ(users.data(users.index(0, 0)).toString(), "512");
    EXPECT_EQ(users.data(users.index(0, 4), ResultListModel::kConnectionRole).toUInt(), 512u);
    EXPECT_EQ(users.Cell(0, 1), "SYS:ACCT\\LEDGER.DAT");
}

TEST_F(ResultListModelTest, EmptyingResetsTheModelInsteadOfRemovingRowByRow) {
    ResultListModel model(ResultListModel::Kind::Users);
    for (ConnNumber n = 1; n <= 50; ++n) model.Append(UsersRow(n, "U"));
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);
    model.Clear();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(removals.count(), 0);
    EXPECT_EQ(model.RowCount(), 0u);
}

TEST_F(ResultListModelTest, HeaderClicksAlternatePerColumnAndSelectionsFollowTheirRows) {
    ResultListModel model(ResultListModel::Kind::Users);
    model.Append(UsersRow(10, "bob"));
    model.Append(UsersRow(2, "Carol"));
    model.Append(UsersRow(33, "alice"));
    QItemSelectionModel selection(&model);
    selection.select(model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

    EXPECT_EQ(model.ColumnClicked(0), Qt::AscendingOrder);
    EXPECT_EQ(Column(model, 0), (QStringList{"2", "10", "33"}));
    EXPECT_EQ(model.ColumnClicked(2), Qt::AscendingOrder);
    EXPECT_EQ(Column(model, 2), (QStringList{"alice", "bob", "Carol"}));
    EXPECT_EQ(model.ColumnClicked(0), Qt::DescendingOrder);
    EXPECT_EQ(Column(model, 0), (QStringList{"33", "10", "2"}));
    EXPECT_EQ(model.ColumnClicked(2), Qt::DescendingOrder);
    EXPECT_EQ(Column(model, 2), (QStringList{"Carol", "bob", "alice"}));

    // A new query shows scan order, but each column keeps its next direction.
    model.Clear();
    model.Append(UsersRow(2, "x"));
    model.Append(UsersRow(10, "y"));
    EXPECT_EQ(model.ColumnClicked(0), Qt::AscendingOrder);
    EXPECT_EQ(model.ColumnClicked(2), Qt::AscendingOrder);

    // The selected row ("Carol", connection 2) is still the selected one.
    ResultListModel kept(ResultListModel::Kind::Users);
    kept.Append(UsersRow(10, "bob"));
    kept.Append(UsersRow(2, "Carol"));
    kept.Append(UsersRow(33, "alice"));
    QItemSelectionModel keptSelection(&kept);
    keptSelection.select(kept.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    kept.ColumnClicked(2);
    const QModelIndexList rows = keptSelection.selectedRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.front().row(), 2);
    EXPECT_EQ(kept.data(rows.front(), ResultListModel::kConnectionRole).toUInt(), 2u);
}

TEST_F(ResultListModelTest, HeldRowsAreKeptAsideUntilPublishedInOneInsert) {
    ResultListModel model(ResultListModel::Kind::Users);
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    model.Append(UsersRow(7, "shown"));
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);

    model.HoldBack(true);
    for (ConnNumber n : {3, 1, 2}) model.Append(UsersRow(n, "held"));
    // The query sees every row; the views see only the published one.
    EXPECT_EQ(model.RowCount(), 4u);
    EXPECT_EQ(model.Connection(3), 2u);
    EXPECT_EQ(model.Cell(1, 2), "held");
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(inserts.count(), 0);

    model.Publish();
    ASSERT_EQ(inserts.count(), 1);
    EXPECT_EQ(inserts.front().at(1).toInt(), 1);
    EXPECT_EQ(inserts.front().at(2).toInt(), 3);
    EXPECT_EQ(Column(model, 0), (QStringList{"7", "3", "1", "2"}));
    model.Publish();  // nothing held: no empty insert
    EXPECT_EQ(inserts.count(), 1);

    // Still holding after a publish; sorting shows the held rows first.
    model.Append(UsersRow(5, "late"));
    EXPECT_EQ(model.rowCount(), 4);
    model.ColumnClicked(0);
    EXPECT_EQ(inserts.count(), 2);
    EXPECT_EQ(Column(model, 0), (QStringList{"1", "2", "3", "5", "7"}));

    // Ending the hold publishes what came since; later rows go in one by one.
    model.Append(UsersRow(9, "last held"));
    model.HoldBack(false);
    EXPECT_EQ(inserts.count(), 3);
    EXPECT_EQ(model.rowCount(), 6);
    model.Append(UsersRow(4, "direct"));
    EXPECT_EQ(inserts.count(), 4);
    EXPECT_EQ(model.rowCount(), 7);

    // Emptying drops held rows too.
    model.HoldBack(true);
    model.Append(UsersRow(8, "dropped"));
    model.Clear();
    EXPECT_EQ(model.RowCount(), 0u);
    model.Publish();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(inserts.count(), 4);
}

}  // namespace
