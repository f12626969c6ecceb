#pragma once

// What a query touches on the main window besides its two lists. The window
// implements it; its handlers only delegate to OpenFileQuery. Options are
// read through it at the moment of use, so a box changed during a query's
// error box takes effect at the next read.

#include <string>

#include "platform/nwclient.h"

class QueryWindow {
public:
    enum class Page { Path, Users };

    virtual ~QueryWindow() = default;

    // The text of the path box (workstation text).
    virtual std::string PathText() const = 0;

    virtual bool CheckSubdirectories() const = 0;  // "Check Subdirectories"
    virtual bool CheckFileLocks() const = 0;       // "Check File Locks"
    virtual bool ShowFullContext() const = 0;      // "Show Full NDS Context"
    virtual bool ShowFullName() const = 0;         // "Show Users Full Name"
    virtual bool ShowNetworkNumber() const = 0;    // "Show Network # with MAC Address"

    // Records the path among the recent paths and refreshes the path box.
    virtual void UpdatePickList(const std::string& path) = 0;
    // Sets the status line and shows it at once, before the query goes on.
    virtual void SetScanStatus(const std::string& text) = 0;
    virtual void ShowPage(Page page) = 0;
    // Repaints the whole window at once.
    virtual void Repaint() = 0;

    // A query starts (true) or has ended (false, before its closing box). The
    // window may hold off painting what the query fills while it runs, as
    // long as Repaint still shows everything.
    virtual void QueryRunning(bool running) = 0;

    virtual void SetCurrentServerConnection(ConnHandle conn) = 0;
    virtual DSContext SharedNdsContext() const = 0;
};
