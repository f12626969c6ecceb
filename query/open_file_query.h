#pragma once

// The open-file query: turns the text of the path box into the rows of the
// Users and Locks lists. A path is a single file, a wildcard pattern ("*"
// only) or a directory; with "Check Subdirectories" a wildcard path is walked
// depth first through every subdirectory, each directory's files before its
// subdirectories. Failures are reported in error boxes and never stop the
// walk.

#include <string>

#include "platform/nwclient.h"
#include "platform/prompts.h"
#include "query/connection_rows.h"
#include "query/query_window.h"
#include "query/result_list.h"

class OpenFileQuery final {
public:
    OpenFileQuery(NWClient& client, Prompts& prompts, QueryWindow& window, ResultList& users,
                  ResultList& locks);

    // One whole query over the path box's text. Does nothing while a query is
    // already running (an error box of the running one may let input through).
    void GetOpenFilesData();

    // One level of the walk over path (OEM code page), recursive.
    void DoDirScan(const std::string& path);

    // Checks one file (server-qualified path, workstation text) and has its
    // rows added.
    void GetOpenFileData(const std::string& path);

    // The DOS-name-space path of the file relative (volume-qualified, OEM).
    // False, with shortPath empty, after a reported failure.
    bool ConvertToShortName(ConnHandle conn, const std::string& relative, DirHandle dirHandle,
                            std::string& shortPath);

    // Whether a file of the last query passed every check.
    bool FilesFound() const { return m_filesFound; }

private:
    void FailedFile();

    NWClient& m_client;
    Prompts& m_prompts;
    QueryWindow& m_window;
    ResultList& m_users;
    ResultList& m_locks;
    ConnectionRows m_rows;
    bool m_filesFound = false;
    bool m_running = false;
};
