#pragma once

// The network browser: the tree of drives, servers, volumes and directories,
// loaded lazily, the file list beside it and the path texts both put into the
// path box. Every node that can have children gets one placeholder child;
// its children are read on the first expansion, and a refused expansion
// keeps the placeholder so that the next one reads again.
//
// Connections this opens by name or by reference serve one run of one
// operation and are released at its end.

#include <string>

#include "browser/browser_window.h"
#include "browser/node_tree.h"
#include "browser/server_login.h"
#include "platform/client_session.h"
#include "platform/nwclient.h"
#include "platform/prompts.h"
#include "platform/workstation_files.h"

class NetworkBrowser final {
public:
    NetworkBrowser(NWClient& client, WorkstationFiles& files, Prompts& prompts,
                   ClientSession& session, BrowserWindow& window, LoginBox& loginBox,
                   NodeTree& tree, FileList& fileList);

    // Rebuilds the top level: the mapped drives and the file servers found.
    // Always 0.
    int LoadDrives();

    // The tree asks before expanding node: false refuses the expansion.
    bool tvwDrivesExpanding(TreeNode* node);
    // 0: node's children are loaded; -1: refused.
    int LoadBranch(TreeNode* node);

    // A new selection (nullptr: none): the file list, the path box and the
    // server page follow it.
    void tvwDrivesChange(TreeNode* node);
    // The file list for node. Always 0.
    int LoadData(TreeNode* node);
    // The current file-list item changed; caption is nullptr when there is none.
    void lvwFilesChange(const std::string* caption);

private:
    void LoadDrive(char letter);
    void LoadIpxServers();
    void LoadIpServers();
    void AddServer(const std::string& name);
    bool InTree(const std::string& shownName) const;

    int LoadDriveDirectories(TreeNode* node);
    int LoadVolumes(TreeNode* node);
    int LoadServerDirectories(TreeNode* node);

    NWClient& m_client;
    WorkstationFiles& m_files;
    Prompts& m_prompts;
    ClientSession& m_session;
    BrowserWindow& m_window;
    NodeTree& m_tree;
    FileList& m_fileList;
    ServerLogin m_login;
};
