#pragma once

// krcmd from its command line to its exit status. main only supplies the
// client, the workstation's file listing and the console.

#include <string>
#include <vector>

#include "cmdline/console.h"
#include "cmdline/exit_status.h"
#include "platform/nwclient.h"
#include "platform/workstation_files.h"

namespace krcmd {

// The text printed for a run without arguments.
std::string UsageText();

// arguments exclude the program name.
ExitStatus RunKrcmd(const std::vector<std::string>& arguments, NWClient& client,
                    WorkstationFiles& files, Output& out, KeySource& keys);

}  // namespace krcmd
