#pragma once

// What krcmd's command line asks for. Pure text handling: no client calls.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace krcmd {

// The run's text buffers (path, server name, message) hold 255 characters.
inline constexpr std::size_t kMaxTextLength = 255;

enum class ActionMode { None, Prompt, Clear, Close, Message };

struct RunOptions {
    ActionMode action = ActionMode::None;
    bool recurse = false;
    std::string message;  // workstation text
};

// Turns a-z into A-Z and leaves every other byte, so UTF-8 stays intact.
std::string UpperCaseAscii(std::string_view text);

// Characters of workstation (UTF-8) text: what the client's buffers count.
std::size_t CharacterCount(std::string_view text);

// Applies one option argument to the run options. False for an argument that
// is not an option (or a message too long to send); the options are then
// left as they were.
bool ApplyOption(std::string_view argument, RunOptions& options);

// The three commands the first argument can select.
enum class CommandKind { Scan, DisableLogins, EnableLogins };

struct Command {
    CommandKind kind = CommandKind::Scan;
    std::string path;    // upper-cased first argument (Scan)
    std::string server;  // as typed, cut to 255 characters; empty when missing
    bool serverMissing = false;
    RunOptions options;
    bool invalidOption = false;
};

// arguments exclude the program name and must not be empty.
Command ParseCommand(const std::vector<std::string>& arguments);

}  // namespace krcmd
