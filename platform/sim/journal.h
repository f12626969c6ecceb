#pragma once

// The change journal beside a description ("<description>.journal"): one
// line of JSON per change, appended and flushed to disk under the
// description's lock, so that a change costs what it changes however large
// the network is. Its first line names the description it belongs to (size
// and a hash of the text); a journal that names another text (the
// description was folded back, edited or replaced since) belongs to nothing
// and is ignored. A last line without its line end is a change whose writer
// died before it was done: it never happened.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/description_store.h"

namespace nwsim {

struct DescriptionId {
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    bool operator==(const DescriptionId&) const = default;
};

DescriptionId IdOf(std::string_view text);
std::string JournalPath(const std::string& description);

// What one read of a journal found.
struct JournalText {
    bool exists = false;
    bool belongs = false;            // its first line names this description
    std::vector<std::string> lines;  // complete change lines after those already read
    std::size_t end = 0;             // bytes up to the end of the last complete line
    FileStamp stamp;                 // the journal as read
    std::size_t damagedLine = 0;     // 1-based line of a damaged header; 0: none
};

// Reads the journal of the description with id, from byte `from` on (0:
// from the start, header included; otherwise the header is not read again).
// False only when the file exists but cannot be read.
bool ReadJournal(const std::string& path, const DescriptionId& id, std::size_t from, JournalText& out);

// Appends change lines and flushes them to disk. A journal that does not
// belong to the description (or is missing) is first replaced by one that
// does, written beside it and renamed into place; a torn last line (at
// `end`) is cut off. Returns the new end, or 0 on failure.
std::size_t AppendJournal(const std::string& path, const DescriptionId& id, bool belongs, std::size_t end,
                          const std::vector<std::string>& lines);

}  // namespace nwsim
