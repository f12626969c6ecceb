#pragma once

// The network browser and the server page on the main window: the tree and
// file-list models shown in tvwDrives and lvwFiles, the "Please Wait" and
// "Login" windows, the path box and the page's labels as the logic sees them.

#include <QElapsedTimer>

#include "admin/server_page.h"
#include "app/drive_tree_model.h"
#include "app/file_list_model.h"
#include "browser/browser_window.h"
#include "browser/network_browser.h"

class QModelIndex;
class TfrmKestrune;

class MainWindowBrowser final : public BrowserWindow, public LoginBox, public ServerPageLabels {
public:
    // Puts the models into the window's tree and list; the window must outlive this.
    explicit MainWindowBrowser(TfrmKestrune& window);
    MainWindowBrowser(const MainWindowBrowser&) = delete;
    MainWindowBrowser& operator=(const MainWindowBrowser&) = delete;

    void LoadDrives() { m_browser.LoadDrives(); }
    void UpdateServerPage() override { m_page.UpdateServerPage(Selection()); }
    void cmdEnableLoginsClick() { m_page.cmdEnableLoginsClick(Selection()); }
    void cmdDisableLoginsClick() { m_page.cmdDisableLoginsClick(Selection()); }

    DriveTreeModel& Drives() { return m_drives; }
    FileListModel& Files() { return m_files; }
    NetworkBrowser& Browser() { return m_browser; }

    // BrowserWindow
    bool ShowDrives() const override;
    bool ShowServers() const override;
    bool UseIPX() const override;
    bool UseIP() const override;
    void ShowStatus() override;
    void SetStatus(const std::string& text) override;
    void HideStatus() override;
    void SetPathText(const std::string& text) override;
    void RepaintWindow() override;
    TreeNode* SelectedNode() const override;

    // LoginBox
    bool AskLogin(const std::string& details, std::string& userName, std::string& password) override;

    // ServerPageLabels
    void SetServerName(const std::string& text) override;
    void SetLicenseCount(const std::string& text) override;
    void SetSuperEquivalent(const std::string& text) override;
    void SetLoginStatus(const std::string& text) override;

private:
    ServerSelection Selection() const;
    void Expanded(const QModelIndex& index);

    TfrmKestrune& m_window;
    QElapsedTimer m_windowPainted;
    DriveTreeModel m_drives;
    FileListModel m_files;
    NetworkBrowser m_browser;
    ServerPage m_page;
};
