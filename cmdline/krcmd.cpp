#include "cmdline/krcmd.h"

#include "cmdline/command_line.h"
#include "cmdline/file_scan.h"
#include "platform/codepage.h"

namespace krcmd {

std::string UsageText() {
    return "\n"
           "KRCMD - Copyright (c) 2007 Copperlathe\n"
           "Version 3.0\n\n"
           "Usage : KRCMD <Path> options\n"
           "Options : /p  Prompt to Clear Connections\n"
           "          /c  Clear Connections without prompting\n"
           "          /o  Close connections using NLM without prompting\n"
           "          /m:\"Message\" Send Message to users with file open\n"
           "          /s  Recurse sub-directories\n"
           "Only one of /p /o /c /m can be used\n"
           "To disable/enable logins before/after use :\n"
           "KRCMD /d Server\n"
           "KRCMD /e Server\n";
}

ExitStatus RunKrcmd(const std::vector<std::string>& arguments, NWClient& client,
                    WorkstationFiles& files, Output& out, KeySource& keys) {
    // Even the usage text needs a working client.
    if (client.NWCallsInit() != 0) {
        out.Write("Cannot Initialise Novell Libraries\n");
        return ExitStatus::Failure;
    }
    if (arguments.empty()) {
        out.Write(UsageText());
        return ExitStatus::Failure;
    }
    const Command command = ParseCommand(arguments);
    if (command.kind != CommandKind::Scan) {
        if (command.serverMissing) {
            out.Write("Missing Server Name\n\n");
        } else {
            SwitchLogins(client, out, command.server,
                         command.kind == CommandKind::EnableLogins);
        }
        return ExitStatus::Success;
    }
    if (command.invalidOption) {
        out.Write("Invalid Option\n");
        return ExitStatus::Failure;
    }
    // A path cut to fit would be another path: refuse it as unresolvable.
    if (CharToOemA(command.path).size() > kMaxTextLength) {
        out.Write("Invalid Path/File\n");
        return ExitStatus::Failure;
    }
    FileScanner scanner(client, files, out, keys, command.options);
    return scanner.Walk(command.path);
}

}  // namespace krcmd
