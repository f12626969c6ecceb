#include "cmdline/command_line.h"

#include "platform/codepage.h"

namespace krcmd {

std::string UpperCaseAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

namespace {

// Cuts at a character boundary, never inside a UTF-8 sequence.
std::string CutToCharacters(std::string_view text, std::size_t characters) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && count++ == characters) {
            return std::string(text.substr(0, i));
        }
    }
    return std::string(text);
}

}  // namespace

bool ApplyOption(std::string_view argument, RunOptions& options) {
    if (argument == "/p" || argument == "/P") {
        options.action = ActionMode::Prompt;
    } else if (argument == "/c" || argument == "/C") {
        options.action = ActionMode::Clear;
    } else if (argument == "/o" || argument == "/O") {
        options.action = ActionMode::Close;
    } else if (argument == "/s" || argument == "/S") {
        options.recurse = true;
    } else if (argument.starts_with("/m") || argument.starts_with("/M")) {
        // Two characters carry no text, not even an empty one: the text was
        // most likely typed as the next argument, and sending nothing to
        // every user of the file is not what was asked.
        if (argument.size() == 2) return false;
        // The third character (normally the colon) is skipped whatever it is.
        std::string_view text = argument.size() > 3 ? argument.substr(3) : std::string_view();
        // A message cut short could say something else entirely: refuse it.
        // Measured as sent: a byte that is no UTF-8 character (Latin-1 text)
        // still becomes one character of the server's code page.
        if (CharToOemA(text).size() > kMaxTextLength) return false;
        options.action = ActionMode::Message;
        options.message = std::string(text);
    } else {
        return false;
    }
    return true;
}

Command ParseCommand(const std::vector<std::string>& arguments) {
    Command command;
    command.path = UpperCaseAscii(arguments.at(0));
    if (command.path == "/D" || command.path == "/E") {
        command.kind = command.path == "/D" ? CommandKind::DisableLogins
                                            : CommandKind::EnableLogins;
        command.path.clear();
        if (arguments.size() < 2) {
            command.serverMissing = true;
        } else {
            // No server name comes near 255 characters, so a cut one still
            // names no server and the open fails as it should.
            command.server = CutToCharacters(arguments[1], kMaxTextLength);
        }
        return command;
    }
    // Only the second and third arguments are options; later ones are ignored.
    for (std::size_t i = 1; i < arguments.size() && i <= 2; ++i) {
        if (!ApplyOption(arguments[i], command.options)) {
            command.invalidOption = true;
            break;
        }
    }
    return command;
}

}  // namespace krcmd
