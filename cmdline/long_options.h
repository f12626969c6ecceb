#pragma once

// The long options for scripts. They may stand anywhere on the command line
// and are taken out before the rest is read, so the positions of the path
// and its options are those of the command line without them.

#include <optional>
#include <string>
#include <vector>

namespace krcmd {

enum class RecordFormat { Text, Csv, Json };

inline constexpr double kDefaultIntervalSeconds = 5;

struct LongOptions {
    bool any = false;  // any long option given: the exit status tells free from in use
    bool help = false;
    bool version = false;
    RecordFormat format = RecordFormat::Text;
    bool wait = false;
    std::optional<double> waitSeconds = std::nullopt;  // with wait; none: no time limit
    double intervalSeconds = kDefaultIntervalSeconds;
};

struct SplitArguments {
    LongOptions options;
    std::vector<std::string> rest;  // the command line without the long options
    std::string error;              // a long option not understood; empty when none
};

// "--" ends the long options: every argument after it is kept as it is.
SplitArguments TakeLongOptions(const std::vector<std::string>& arguments);

}  // namespace krcmd
