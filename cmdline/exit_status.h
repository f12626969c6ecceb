#pragma once

// Every way krcmd can end, in one place. Scripts test these, so the values
// are fixed: 1 covers every fatal condition alike.
namespace krcmd {

enum class ExitStatus : int {
    Success = 0,
    Failure = 1,  // client not started, usage shown, invalid option, path or rights
};

}  // namespace krcmd
