#pragma once

// Every way krcmd can end, in one place. Scripts test these, so the values
// are fixed. Without a long option only 0 and 1 occur, 1 for every fatal
// condition alike; with one, 2 tells a file in use from an error.
namespace krcmd {

enum class ExitStatus : int {
    Success = 0,  // with a long option: no station holds a matching file, or every action succeeded
    Failure = 1,  // client not started, usage shown, invalid option, path or rights
    InUse = 2,    // with a long option only: a station still holds a matching file
};

}  // namespace krcmd
