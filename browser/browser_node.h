#pragma once

// The record every browser tree node carries (placeholders excepted): what the
// node stands for and how its contents are listed.

#include <cstdint>
#include <string>

#include "platform/nwclient.h"

// The child that gives an unloaded node its expand mark. It has no record and
// is recognised by its text alone.
inline constexpr const char* kPlaceholderText = "Working...";

// The tree's six images, by index.
enum class NodeImage : int {
    Folder = 0,        // yellow folder
    Document = 1,
    Volume = 2,        // filing cabinet
    MappedFolder = 3,  // grey folder with a letter
    Server = 4,        // server tower
    Computer = 5,      // desktop computer
    Count
};
inline constexpr int kNodeImageCount = static_cast<int>(NodeImage::Count);

struct TBrowserNode {
    // 1: a drive root or a directory reached through a drive letter, listed
    // through the workstation's file system; 0: a server, a volume or a
    // directory reached through a server, listed through the client.
    std::int32_t driveBased = 0;
    // driveBased 0 only: 0 file server, 1 volume, 2 directory.
    std::int32_t level = 0;
    // The connection the node was reached through; all zero for servers.
    NWAllConnInfo connInfo;
    std::string serverName;  // OEM
    std::string path;        // OEM
    std::uint32_t nameSpace = kNameSpaceDOS;
};

// The sibling order: with both records present, drives before servers, then
// path folded to upper case and compared as unsigned bytes. Without both
// records the result comes back as it came in.
int tvwDrivesCompare(const TBrowserNode* node1, const TBrowserNode* node2, int result = 0);

// Folds a-z to A-Z and leaves every other byte.
std::string UpperAscii(std::string text);
