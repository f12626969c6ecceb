#include "cmdline/long_options.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace krcmd {

namespace {

// A number of seconds: digits with an optional fraction, nothing else.
std::optional<double> ParseSeconds(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value) ||
        value < 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

SplitArguments TakeLongOptions(const std::vector<std::string>& arguments) {
    SplitArguments split;
    LongOptions& options = split.options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            split.rest.insert(split.rest.end(), arguments.begin() + static_cast<long>(i) + 1,
                              arguments.end());
            break;
        }
        if (!argument.starts_with("--")) {
            split.rest.push_back(argument);
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const bool hasValue = equals != std::string::npos;
        std::string value = hasValue ? argument.substr(equals + 1) : std::string();
        auto fail = [&](const std::string& error) {
            if (split.error.empty()) split.error = error;
        };
        // --format and --interval take their value from the next argument too.
        auto takeValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= arguments.size()) {
                fail("option '" + name + "' requires an argument");
                return false;
            }
            value = arguments[++i];
            return true;
        };
        options.any = true;
        if (name == "--help" && !hasValue) {
            options.help = true;
        } else if (name == "--version" && !hasValue) {
            options.version = true;
        } else if (name == "--format") {
            if (!takeValue()) continue;
            if (value == "csv") {
                options.format = RecordFormat::Csv;
            } else if (value == "json") {
                options.format = RecordFormat::Json;
            } else if (value == "text") {
                options.format = RecordFormat::Text;
            } else {
                fail("invalid argument '" + value + "' for '--format' (csv, json or text)");
            }
        } else if (name == "--wait") {
            options.wait = true;
            options.waitSeconds.reset();
            if (!hasValue) continue;
            options.waitSeconds = ParseSeconds(value);
            if (!options.waitSeconds) fail("invalid number of seconds '" + value + "' for '--wait'");
        } else if (name == "--interval") {
            if (!takeValue()) continue;
            const std::optional<double> seconds = ParseSeconds(value);
            if (!seconds || *seconds <= 0) {
                fail("invalid number of seconds '" + value + "' for '--interval'");
            } else {
                options.intervalSeconds = *seconds;
            }
        } else if (name == "--help" || name == "--version") {
            fail("option '" + name + "' doesn't allow an argument");
        } else {
            fail("unrecognized option '" + argument + "'");
        }
    }
    return split;
}

}  // namespace krcmd
