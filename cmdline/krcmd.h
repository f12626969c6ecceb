#pragma once

// krcmd from its command line to its exit status. main only supplies the
// client, the workstation's file listing, the console, the audit trail and
// the clock.

#include <string>
#include <vector>

#include "cmdline/console.h"
#include "cmdline/exit_status.h"
#include "platform/audit_log.h"
#include "platform/nwclient.h"
#include "platform/workstation_files.h"

namespace krcmd {

// The text printed for a run without arguments.
std::string UsageText();
// --help: the usage text, then the long options and the exit statuses.
std::string HelpText();
// --version.
std::string VersionText();

struct RunContext {
    Output& out;  // standard output
    Output& err;  // standard error
    KeySource& keys;
    AuditLog& audit;
    WaitClock& clock;
};

// arguments exclude the program name.
ExitStatus RunKrcmd(const std::vector<std::string>& arguments, NWClient& client,
                    WorkstationFiles& files, const RunContext& context);

}  // namespace krcmd
