#pragma once

// The workstation's own file listing (find-first/find-next). Paths on a drive
// mapped to NetWare or in UNC form (\\SERVER\VOLUME\DIR) are answered by the
// network; any other path by the local file system. Text is workstation text
// (UTF-8).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/nwrecords.h"  // kAttr* bits

struct FindData {
    std::string name;            // long name where the volume has them
    std::uint32_t attributes = 0;
};

// The state of one listing between FindFirst and FindClose.
struct FindState {
    std::vector<FindData> entries;
    std::size_t next = 0;
};

class WorkstationFiles {
public:
    virtual ~WorkstationFiles() = default;

    // Entries matching pattern (DOS wildcards in its last component). Plain
    // files always match; an entry with the hidden, system or directory
    // attribute only when that bit is in attributes. "." and ".." come first
    // in every directory but a volume root. 0 and the first entry, or
    // non-zero when nothing matches.
    virtual int FindFirst(const std::string& pattern, std::uint32_t attributes,
                          FindState& state, FindData& entry) = 0;
    virtual int FindNext(FindState& state, FindData& entry) = 0;
    virtual void FindClose(FindState& state) = 0;
};
