#pragma once

// "Map Drive": maps a free drive letter of the workstation to a directory on
// a server, given as SERVER\VOLUME:PATH or \\SERVER\VOLUME\PATH, after
// checking through the client that the letter is free and the directory is
// there. Whether or not a drive was mapped, the browser is rebuilt afterwards
// so that it shows the drives as they now are.

#include <functional>
#include <string>
#include <vector>

#include "platform/audit_log.h"
#include "platform/nwclient.h"
#include "platform/prompts.h"

class MapDriveWindow {
public:
    // Called with the letter and the path typed; true when the drive is mapped.
    using Accept = std::function<bool(char letter, const std::string& path)>;

    virtual ~MapDriveWindow() = default;

    // Shows the drive-mapping dialog modally, offering letters. OK calls
    // accept, and the dialog closes only when it answers true; Cancel and
    // closing the window end it without a call.
    virtual void ShowMapDriveDialog(const std::vector<char>& letters, const Accept& accept) = 0;
    // Rebuilds the browser's tree.
    virtual void LoadDrives() = 0;
};

class DriveMapping final {
public:
    // Every mapping tried is recorded in audit.
    DriveMapping(NWClient& client, Prompts& prompts, MapDriveWindow& window, AuditLog& audit);

    // The whole action of the "Map Drive" button.
    void MapDrive();

    // The letters A to Z that no drive is mapped to.
    std::vector<char> FreeLetters();

    // Maps letter to path (workstation text) when the letter is free and the
    // path names a directory the client can reach; otherwise tells the user
    // why not and answers false.
    bool Map(char letter, const std::string& path);

private:
    bool LetterInUse(char letter);

    NWClient& m_client;
    Prompts& m_prompts;
    MapDriveWindow& m_window;
    AuditLog& m_audit;
};
