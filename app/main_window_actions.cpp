#include "app/main_window_actions.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTreeView>

#include "app/map_drive_dialog.h"
#include "app/message_dialog.h"
#include "app/result_list_model.h"
#include "app/user_info_dialog.h"
#include "query/result_list.h"

MainWindowActions::MainWindowActions(NWClient& client, ClientSession& session, Prompts& prompts,
                                     AuditLog& audit, Controls controls, Hooks hooks, QPoint& lastUsersMouseDown)
    : m_ui(controls),
      m_hooks(std::move(hooks)),
      m_lastUsersMouseDown(lastUsersMouseDown),
      m_frmMapDrive(new TfrmMapDrive(controls.lvwUsers->window())),
      m_actions(client, session, prompts, *this, audit),
      m_mapping(client, prompts, *this, audit) {
    m_ui.lvwUsers->viewport()->installEventFilter(this);
    m_ui.lvwLocks->viewport()->installEventFilter(this);
}

QModelIndex MainWindowActions::RowAt(const QTreeView* view, int y) {
    return view->indexAt(QPoint(5, y)).siblingAtColumn(0);
}

bool MainWindowActions::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (m_passingOn || (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
                        type != QEvent::MouseButtonRelease))
        return false;
    QTreeView* view = watched == m_ui.lvwUsers->viewport()   ? m_ui.lvwUsers
                      : watched == m_ui.lvwLocks->viewport() ? m_ui.lvwLocks
                                                             : nullptr;
    if (!view) return false;

    // The list handles the event first; the row at the press's height is
    // selected in addition to whatever the list made of the press and of the
    // release that ends the click, so a press beside the columns still
    // selects its row.
    m_passingOn = true;
    QCoreApplication::sendEvent(watched, event);
    m_passingOn = false;
    if (type == QEvent::MouseButtonRelease) {
        if (m_pressedView == view && m_pressedRow.isValid())
            view->selectionModel()->select(m_pressedRow,
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_pressedView = nullptr;
        return true;
    }
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (view == m_ui.lvwUsers) m_lastUsersMouseDown = at;
    m_pressedView = view;
    m_pressedRow = RowAt(view, at.y());
    if (m_pressedRow.isValid())
        view->selectionModel()->select(m_pressedRow,
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (type == QEvent::MouseButtonDblClick && view == m_ui.lvwUsers && m_hooks.lvwUsersDblClick)
        m_hooks.lvwUsersDblClick();
    return true;
}

void MainWindowActions::ShowConnectionDetails() {
    QTreeView* view = m_ui.lvwUsers;
    view->repaint();
    const QModelIndex row = RowAt(view, m_lastUsersMouseDown.y());
    if (!row.isValid()) {
        m_actions.ShowConnectionDetails(std::nullopt);
        return;
    }
    view->selectionModel()->select(row, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    UsersRowPick pick;
    pick.connection = static_cast<ConnNumber>(row.data(ResultListModel::kConnectionRole).toUInt());
    pick.userName = row.siblingAtColumn(static_cast<int>(UsersColumn::UserName))
                        .data()
                        .toString()
                        .toStdString();
    m_actions.ShowConnectionDetails(pick);
}

std::vector<ConnNumber> MainWindowActions::UsersConnections(bool selectedOnly) const {
    std::vector<ConnNumber> numbers;
    const QAbstractItemModel* model = m_ui.lvwUsers->model();
    const QItemSelectionModel* selection = m_ui.lvwUsers->selectionModel();
    for (int r = 0; r < model->rowCount(); ++r) {
        if (selectedOnly && !selection->isRowSelected(r, QModelIndex())) continue;
        numbers.push_back(static_cast<ConnNumber>(
            model->index(r, 0).data(ResultListModel::kConnectionRole).toUInt()));
    }
    return numbers;
}

UsersRowTexts MainWindowActions::RowTexts(ConnNumber number) const {
    const QAbstractItemModel* model = m_ui.lvwUsers->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        const QModelIndex row = model->index(r, 0);
        if (row.data(ResultListModel::kConnectionRole).toUInt() != number) continue;
        const auto cell = [&row](UsersColumn column) {
            return row.siblingAtColumn(static_cast<int>(column)).data().toString().toStdString();
        };
        return {cell(UsersColumn::UserName), cell(UsersColumn::FileName)};
    }
    return {};
}

bool MainWindowActions::ConfirmOnClear() const { return m_ui.chkConfirm->isChecked(); }

void MainWindowActions::GetOpenFilesData() {
    if (m_hooks.getOpenFilesData) m_hooks.getOpenFilesData();
}

std::optional<std::string> MainWindowActions::AskMessageText() {
    if (m_ui.frmMessage->exec() != QDialog::Accepted) return std::nullopt;
    return m_ui.frmMessage->txtMessage->text().toStdString();
}

void MainWindowActions::SetUserInfoName(const std::string& userName) {
    m_ui.frmUserInfo->lblUserName->setText(QString::fromStdString(userName));
}

void MainWindowActions::ClearUserInfoFiles() { m_ui.frmUserInfo->lstfiles->clear(); }

void MainWindowActions::AddUserInfoFile(const std::string& line) {
    m_ui.frmUserInfo->lstfiles->addItem(QString::fromStdString(line));
}

void MainWindowActions::ShowUserInfo() { m_ui.frmUserInfo->exec(); }

void MainWindowActions::ShowMapDriveDialog(const std::vector<char>& letters, const Accept& accept) {
    m_frmMapDrive->Run(letters, accept);
}

void MainWindowActions::LoadDrives() {
    if (m_hooks.loadDrives) m_hooks.loadDrives();
}
