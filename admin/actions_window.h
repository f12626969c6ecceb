#pragma once

// What the connection actions need of the main window: the connection numbers
// of the Users rows, the one option they read, the query that refreshes the
// lists and the two dialogs they open. The window implements it with its
// list model and its dialogs; tests with a recording fake.

#include <optional>
#include <string>
#include <vector>

#include "platform/nwclient.h"

// What the Users list shows of one connection, for the audit trail.
struct UsersRowTexts {
    std::string userName;  // "User Name" (workstation text)
    std::string fileName;  // "File Name"
};

class ActionsWindow {
public:
    virtual ~ActionsWindow() = default;

    // The connection numbers of the Users rows from the first row to the last:
    // every row, or only the selected ones. A connection listed in several rows
    // comes once per row.
    virtual std::vector<ConnNumber> UsersConnections(bool selectedOnly) const = 0;
    // The texts of the first Users row of that connection; empty when no row
    // has it.
    virtual UsersRowTexts RowTexts(ConnNumber number) const = 0;
    // "Confirm on Clear File", read at the moment of use.
    virtual bool ConfirmOnClear() const = 0;
    // Runs the query again on the path box's text, as "Check" does.
    virtual void GetOpenFilesData() = 0;

    // "Send Message", modal, showing the text of its last use: the text when
    // closed with OK, nothing when cancelled or closed.
    virtual std::optional<std::string> AskMessageText() = 0;

    // "Other Files Open": filled while hidden, then shown modally.
    virtual void SetUserInfoName(const std::string& userName) = 0;
    virtual void ClearUserInfoFiles() = 0;
    virtual void AddUserInfoFile(const std::string& line) = 0;
    virtual void ShowUserInfo() = 0;
};
