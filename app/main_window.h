#pragma once

// The main window: five tabs, three buttons below them, the menu, and the
// start-up that runs once when the window is first shown. It creates every
// dialog of the program, once, right after itself.
//
// The handlers of the other subsystems (query, browser, connection actions)
// are member functions defined in main_window_hooks.cpp; start-up and the
// buttons call them from here only.

#include <QMainWindow>
#include <QPoint>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/recent_paths.h"
#include "app/settings.h"
#include "platform/audit_log.h"
#include "platform/client_session.h"
#include "platform/nwclient.h"
#include "platform/profile.h"
#include "platform/prompts.h"
#include "platform/workstation_files.h"

class QAbstractItemModel;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTreeView;
class QWidget;
class QAction;
class QMenu;
class QMenuBar;

class MainWindowActions;
class MainWindowBrowser;
class MainWindowQuery;
class TfrmAbout;
class TfrmLoginBox;
class TfrmMessage;
class TfrmProxySettings;
class TfrmStatus;
class TfrmUserInfo;

// State the whole program shares, owned by the main window.
struct AppState {
    ClientSession session;          // shared with the query, the browser and the actions
    bool serverPageReady = false;   // start-up has reached the first server-page update
    QPoint lastUsersMouseDown;      // in lvwUsers' viewport coordinates
    ButtonSwitches switches;
    RecentPaths recent;
};

class TfrmKestrune final : public QMainWindow {
    Q_OBJECT
public:
    // Every named control, by its name.
    struct Controls {
        QTabWidget* tabPages = nullptr;
        QWidget* TabSheet1 = nullptr;
        QComboBox* cboFileName = nullptr;
        QSplitter* Splitter1 = nullptr;
        QTreeView* tvwDrives = nullptr;
        QTreeView* lvwFiles = nullptr;
        QCheckBox* chkCheckSub = nullptr;
        QLabel* lblLoginStatus = nullptr;
        QPushButton* cmdEnableLogins = nullptr;
        QPushButton* cmdDisableLogins = nullptr;

        QWidget* tabUsers = nullptr;
        QTreeView* lvwUsers = nullptr;
        QLabel* txtScanStatus = nullptr;
        QPushButton* cmdRefresh = nullptr;
        QPushButton* cmdClear = nullptr;
        QPushButton* cmdClearAll = nullptr;
        QPushButton* cmdSendMessage = nullptr;

        QWidget* tabLocks = nullptr;
        QTreeView* lvwLocks = nullptr;
        QLabel* lblCheckLocks = nullptr;

        QWidget* tabOptions = nullptr;
        std::array<QCheckBox*, kOptionCount> options{};  // by Option, chkCheckSub included
        QCheckBox* chkConfirm = nullptr;
        QCheckBox* chkShowContext = nullptr;
        QCheckBox* chkShowNetwork = nullptr;
        QCheckBox* chkShowHints = nullptr;
        QCheckBox* chkCheckLocks = nullptr;
        QCheckBox* chkShowFullName = nullptr;
        QCheckBox* chkShowDrives = nullptr;
        QCheckBox* chkShowServers = nullptr;
        QCheckBox* chkUseIPX = nullptr;
        QCheckBox* chkUseIP = nullptr;
        QPushButton* cmdDefault = nullptr;
        QPushButton* cmdReload = nullptr;

        QWidget* tabServerInfo = nullptr;
        QLabel* lblServerName = nullptr;
        QLabel* lblLicenseCount = nullptr;
        QLabel* lblSuperEquivalent = nullptr;

        QPushButton* cmdCheck = nullptr;
        QPushButton* cmdMapDrive = nullptr;
        QPushButton* cmdAbout = nullptr;

        QMenuBar* MainMenu1 = nullptr;
        QAction* Exit1 = nullptr;
        QAction* ReloadServerList1 = nullptr;
        QMenu* About1 = nullptr;
        QAction* About2 = nullptr;
    };

    // The client area the window opens with, before any stored size applies.
    static constexpr int kClientWidth = 741;
    static constexpr int kClientHeight = 432;
    static constexpr int kMinWidth = 510;
    static constexpr int kMinHeight = 300;
    // A command-line path is remembered up to this many characters.
    static constexpr int kMaxArgumentChars = 511;

    // arguments: the command line without the program's name.
    // audit: where every change the program makes to a server is recorded.
    TfrmKestrune(NWClient& client, WorkstationFiles& files, Prompts& prompts, IniProfile& profile,
                 AuditLog& audit,
                 std::vector<std::string> arguments, QWidget* parent = nullptr);
    ~TfrmKestrune() override;

    const Controls& ui() const { return m_ui; }
    AppState& State() { return m_state; }
    NWClient& Client() { return m_client; }
    WorkstationFiles& Files() { return m_files; }
    Prompts& UserPrompts() { return m_prompts; }
    AuditLog& Audit() { return m_audit; }

    TfrmUserInfo& frmUserInfo() { return *m_frmUserInfo; }
    TfrmMessage& frmMessage() { return *m_frmMessage; }
    TfrmStatus& frmStatus() { return *m_frmStatus; }
    TfrmLoginBox& frmLoginBox() { return *m_frmLoginBox; }
    TfrmProxySettings& frmProxySettings() { return *m_frmProxySettings; }
    TfrmAbout& frmAbout() { return *m_frmAbout; }

    // Start-up; runs once, queued from the first show. Public so a caller that
    // never shows the window can still run it.
    void FormShow();
    bool StartupFinished() const { return m_startupFinished; }

    // Records a query's path among the recent paths, rebuilds the drop-down
    // list and puts the path into the path box.
    void UpdatePickList(const std::string& path);

    // The option boxes as they are now.
    OptionStates CurrentOptions() const;

    // Replace the lists' models (the window keeps the column widths). The
    // window does not take ownership.
    void SetUsersModel(QAbstractItemModel* model);
    void SetLocksModel(QAbstractItemModel* model);
    void SetFilesModel(QAbstractItemModel* model);
    void SetDrivesModel(QAbstractItemModel* model);

signals:
    void StartupDone();
    // The window has closed; the program ends.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPathTab();
    void BuildUsersTab();
    void BuildLocksTab();
    void BuildOptionsTab();
    void BuildServerInfoTab();
    void BuildMenu();
    void CreateDialogs();
    void ConnectHandlers();

    void LoadDefaults();
    void ApplyPlacement(const StoredPlacement& stored);
    void ApplyButtonSwitches();
    void RebuildPickList();
    void SetModelKeepingWidths(QTreeView* view, QAbstractItemModel* model);
    static void ApplyColumnWidths(QTreeView* view, const int* widths, std::size_t count);
    void SavePickList();
    bool OwnsWidget(QObject* object) const;

    // Handlers of this window.
    void FormKeyPress();
    void FormClose();
    void Exit1Click();
    void cmdHelpClick();
    void About2Click();
    void cmdDefaultClick();
    void chkCheckLocksClick();

    // Hooks into the other subsystems: main_window_hooks.cpp.
    void LoadDrives();
    void UpdateServerPage();
    void GetOpenFilesData();
    void cmdCheckClick();
    void cmdReloadClick();
    void cmdMapDriveClick();
    void cmdEnableLoginsClick();
    void cmdDisableLoginsClick();
    void LMDButton1Click();   // Refresh
    void LMDButton2Click();   // Clear
    void LMDButton3Click();   // Clear All
    void cmdSendMessageClick();
    void lvwUsersDblClick();
    void lvwFilesDblClick();

    NWClient& m_client;
    WorkstationFiles& m_files;
    Prompts& m_prompts;
    IniProfile& m_profile;
    AuditLog& m_audit;
    std::vector<std::string> m_arguments;

    Controls m_ui;
    AppState m_state;
    std::optional<std::string> m_commandLinePath;
    std::array<int, kUsersColumns> m_usersWidths = kUsersColumnDefaults;
    std::array<int, kLocksColumns> m_locksWidths = kLocksColumnDefaults;

    bool m_startupQueued = false;
    bool m_startupRan = false;
    bool m_startupFinished = false;
    bool m_settingsLoaded = false;  // closing writes only what was loaded
    bool m_closeSaved = false;
    bool m_hintsOn = true;

    TfrmUserInfo* m_frmUserInfo = nullptr;
    TfrmMessage* m_frmMessage = nullptr;
    TfrmStatus* m_frmStatus = nullptr;
    TfrmLoginBox* m_frmLoginBox = nullptr;
    TfrmProxySettings* m_frmProxySettings = nullptr;
    TfrmAbout* m_frmAbout = nullptr;

    std::unique_ptr<MainWindowQuery> m_query;  // the Users and Locks lists and their query
    std::unique_ptr<MainWindowActions> m_actions;  // what the Users tab's buttons do
    std::unique_ptr<MainWindowBrowser> m_browser;  // the tree, the file list and the server page
};
