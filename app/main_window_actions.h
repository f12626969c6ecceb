#pragma once

// The connection actions on the main window: the Users list read through its
// model's connection role and its selection, "Confirm on Clear File", the
// Send Message, Other Files Open and Map Drive dialogs, and the row selection
// aid on a mouse press in lvwUsers and lvwLocks.

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "admin/actions_window.h"
#include "admin/connection_actions.h"
#include "admin/drive_mapping.h"

class QCheckBox;
class QTreeView;
class TfrmMapDrive;
class TfrmMessage;
class TfrmUserInfo;

class MainWindowActions final : public QObject, public ActionsWindow, public MapDriveWindow {
    Q_OBJECT
public:
    // The controls the actions use; the window owns them and outlives this.
    struct Controls {
        QTreeView* lvwUsers = nullptr;
        QTreeView* lvwLocks = nullptr;
        QCheckBox* chkConfirm = nullptr;
        TfrmMessage* frmMessage = nullptr;
        TfrmUserInfo* frmUserInfo = nullptr;
    };
    // The window's own handlers the actions end in or are reached through.
    struct Hooks {
        std::function<void()> getOpenFilesData;
        std::function<void()> lvwUsersDblClick;
        std::function<void()> loadDrives;
    };

    // lastUsersMouseDown: where the window keeps the last press in lvwUsers.
    MainWindowActions(NWClient& client, ClientSession& session, Prompts& prompts, AuditLog& audit,
                      Controls controls, Hooks hooks, QPoint& lastUsersMouseDown);

    ConnectionActions& Actions() { return m_actions; }
    DriveMapping& Mapping() { return m_mapping; }
    TfrmMapDrive& frmMapDrive() { return *m_frmMapDrive; }

    // The details of the row at the last press's height in lvwUsers.
    void ShowConnectionDetails();

    std::vector<ConnNumber> UsersConnections(bool selectedOnly) const override;
    UsersRowTexts RowTexts(ConnNumber number) const override;
    bool ConfirmOnClear() const override;
    void GetOpenFilesData() override;
    std::optional<std::string> AskMessageText() override;
    void SetUserInfoName(const std::string& userName) override;
    void ClearUserInfoFiles() override;
    void AddUserInfoFile(const std::string& line) override;
    void ShowUserInfo() override;

    void ShowMapDriveDialog(const std::vector<char>& letters, const Accept& accept) override;
    void LoadDrives() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The row at the height y of view, whatever the column; invalid when none.
    static QModelIndex RowAt(const QTreeView* view, int y);

    Controls m_ui;
    Hooks m_hooks;
    QPoint& m_lastUsersMouseDown;
    bool m_passingOn = false;
    QTreeView* m_pressedView = nullptr;  // the list of the click under way
    QPersistentModelIndex m_pressedRow;  // the row at its press's height
    TfrmMapDrive* m_frmMapDrive = nullptr;  // a child of the main window
    ConnectionActions m_actions;
    DriveMapping m_mapping;
};
