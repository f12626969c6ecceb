#pragma once

// The open-file query on the main window: the Users and Locks list models
// shown in lvwUsers and lvwLocks, header clicks that sort them, and the
// window as the query sees it (path box, option boxes, status line, pages).

#include <QElapsedTimer>

#include "app/result_list_model.h"
#include "query/open_file_query.h"
#include "query/query_window.h"

class QWidget;
class TfrmKestrune;

class MainWindowQuery final : public QueryWindow {
public:
    // Puts the models into the window's lists; the window must outlive this.
    explicit MainWindowQuery(TfrmKestrune& window);
    MainWindowQuery(const MainWindowQuery&) = delete;
    MainWindowQuery& operator=(const MainWindowQuery&) = delete;

    void GetOpenFilesData() { m_query.GetOpenFilesData(); }

    ResultListModel& Users() { return m_users; }
    ResultListModel& Locks() { return m_locks; }

    std::string PathText() const override;
    bool CheckSubdirectories() const override;
    bool CheckFileLocks() const override;
    bool ShowFullContext() const override;
    bool ShowFullName() const override;
    bool ShowNetworkNumber() const override;
    void UpdatePickList(const std::string& path) override;
    void SetScanStatus(const std::string& text) override;
    void ShowPage(Page page) override;
    void Repaint() override;
    void QueryRunning(bool running) override;
    void SetCurrentServerConnection(ConnHandle conn) override;
    DSContext SharedNdsContext() const override;

private:
    void HoldListPaints(bool hold);

    TfrmKestrune& m_window;
    QElapsedTimer m_statusPainted;
    QElapsedTimer m_windowPainted;
    bool m_running = false;
    ResultListModel m_users{ResultListModel::Kind::Users};
    ResultListModel m_locks{ResultListModel::Kind::Locks};
    OpenFileQuery m_query;
};
