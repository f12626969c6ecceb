#include "app/main_window_query.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>
#include <QTreeView>

#include "app/main_window.h"
#include "app/paint_now.h"

namespace {

// Each click sorts by the column in the direction it remembers; the header
// shows that direction.
void SortOnHeaderClicks(QTreeView* view, ResultListModel* model) {
    QHeaderView* header = view->header();
    QObject::connect(header, &QHeaderView::sectionClicked, model, [header, model](int column) {
        const Qt::SortOrder order = model->ColumnClicked(column);
        header->setSortIndicatorShown(true);
        header->setSortIndicator(column, order);
    });
}

// The query holds the event loop, so what it shows must be painted at once;
// but painting every one of thousands of "Checking" lines, or the whole window
// at every directory, would cost more than checking the files. Paints closer
// together than these are left to the event loop, which paints the latest
// state as soon as the query returns.
constexpr qint64 kStatusPaintMs = 100;
constexpr qint64 kWindowPaintMs = 500;

}  // namespace

MainWindowQuery::MainWindowQuery(TfrmKestrune& window)
    : m_window(window),
      m_query(window.Client(), window.UserPrompts(), *this, m_users, m_locks) {
    m_window.ui().txtScanStatus->setTextFormat(Qt::PlainText);  // paths may hold "<"
    m_window.SetUsersModel(&m_users);
    m_window.SetLocksModel(&m_locks);
    SortOnHeaderClicks(m_window.ui().lvwUsers, &m_users);
    SortOnHeaderClicks(m_window.ui().lvwLocks, &m_locks);
    // A new query shows scan order again: the indicator goes with it.
    for (ResultListModel* model : {&m_users, &m_locks}) {
        QTreeView* view = model == &m_users ? m_window.ui().lvwUsers : m_window.ui().lvwLocks;
        QObject::connect(model, &QAbstractItemModel::modelReset, view,
                         [view] { view->header()->setSortIndicatorShown(false); });
    }
}

std::string MainWindowQuery::PathText() const {
    return m_window.ui().cboFileName->currentText().toStdString();
}

bool MainWindowQuery::CheckSubdirectories() const { return m_window.ui().chkCheckSub->isChecked(); }
bool MainWindowQuery::CheckFileLocks() const { return m_window.ui().chkCheckLocks->isChecked(); }
bool MainWindowQuery::ShowFullContext() const { return m_window.ui().chkShowContext->isChecked(); }
bool MainWindowQuery::ShowFullName() const { return m_window.ui().chkShowFullName->isChecked(); }
bool MainWindowQuery::ShowNetworkNumber() const {
    return m_window.ui().chkShowNetwork->isChecked();
}

void MainWindowQuery::UpdatePickList(const std::string& path) { m_window.UpdatePickList(path); }

void MainWindowQuery::SetScanStatus(const std::string& text) {
    // Before each file: what the earlier files found is in the lists by the
    // time any box about this one can show them.
    m_users.Publish();
    m_locks.Publish();
    QLabel* label = m_window.ui().txtScanStatus;
    label->setText(QString::fromStdString(text));
    PaintNowOrSoon(label, m_statusPainted, kStatusPaintMs);
}

void MainWindowQuery::ShowPage(Page page) {
    const auto& ui = m_window.ui();
    QWidget* shown = page == Page::Users ? ui.tabUsers : ui.TabSheet1;
    if (ui.tabPages->currentWidget() == shown) return;
    ui.tabPages->setCurrentWidget(shown);
    // The lists are held back while a query runs; left unpainted, the page
    // switched to would show the old page's controls until the query ends.
    m_users.Publish();
    m_locks.Publish();
    if (m_running) HoldListPaints(false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    m_window.repaint();
    m_windowPainted.start();
    if (m_running) HoldListPaints(true);
}

// Painting any widget at once paints every widget waiting for paint, and a
// report view lays out all its rows before it paints. So while a query runs
// the lists are painted only with the whole window, not with every status
// line.
void MainWindowQuery::HoldListPaints(bool hold) {
    m_window.ui().lvwUsers->setUpdatesEnabled(!hold);
    m_window.ui().lvwLocks->setUpdatesEnabled(!hold);
}

void MainWindowQuery::QueryRunning(bool running) {
    m_running = running;
    m_users.HoldBack(running);
    m_locks.HoldBack(running);
    HoldListPaints(running);
}

void MainWindowQuery::Repaint() {
    m_users.Publish();
    m_locks.Publish();
    if (m_running) HoldListPaints(false);
    PaintNowOrSoon(&m_window, m_windowPainted, kWindowPaintMs);
    if (m_running) HoldListPaints(true);
}

void MainWindowQuery::SetCurrentServerConnection(ConnHandle conn) {
    m_window.State().session.currentConn = conn;
}

DSContext MainWindowQuery::SharedNdsContext() const { return m_window.State().session.dsContext; }
