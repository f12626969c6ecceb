#pragma once

// What the network browser touches on the main window besides its tree: the
// option boxes of the "Options" tab (read at the moment of use), the
// "Please Wait" window, the path box, the file list and the server page.

#include <cstddef>
#include <string>
#include <vector>

struct TreeNode;

// The file list beside the tree: one column "File Name", kept sorted by the
// list itself. Captions are workstation text.
class FileList {
public:
    virtual ~FileList() = default;

    virtual void Clear() = 0;
    // Replaces the list's items with these, at once.
    virtual void SetFiles(std::vector<std::string> captions) = 0;
    virtual std::size_t Count() const = 0;
    virtual std::string Caption(std::size_t index) const = 0;
};

// The "Login" dialog: shown with its details line and both fields empty.
// True when the user pressed OK, with what was typed (workstation text).
class LoginBox {
public:
    virtual ~LoginBox() = default;
    virtual bool AskLogin(const std::string& details, std::string& userName,
                          std::string& password) = 0;
};

class BrowserWindow {
public:
    virtual ~BrowserWindow() = default;

    virtual bool ShowDrives() const = 0;   // "Show Drives"
    virtual bool ShowServers() const = 0;  // "Show Servers"
    virtual bool UseIPX() const = 0;       // "Use IPX Method"
    virtual bool UseIP() const = 0;        // "Use IP Method"

    // The "Please Wait" window; each text is painted before the caller goes on.
    virtual void ShowStatus() = 0;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void HideStatus() = 0;

    // The path box's text (workstation text).
    virtual void SetPathText(const std::string& text) = 0;
    // Repaints the whole window at once.
    virtual void RepaintWindow() = 0;
    // The node selected in the tree, or nullptr.
    virtual TreeNode* SelectedNode() const = 0;
    // The server page follows the selection.
    virtual void UpdateServerPage() = 0;
};
