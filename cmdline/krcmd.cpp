#include "cmdline/krcmd.h"

#include <algorithm>
#include <limits>

#include "cmdline/command_line.h"
#include "cmdline/file_scan.h"
#include "cmdline/long_options.h"
#include "cmdline/records.h"
#include "platform/codepage.h"
#include "platform/version.h"

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

std::string HelpText() {
    return UsageText() +
           "\n"
           "Options for scripts, anywhere on the command line (the positions above are\n"
           "counted without them):\n"
           "  --format=FORMAT     text: the lines above (the default); csv: RFC 4180 with a\n"
           "                      header line; json: one array. One record per file and\n"
           "                      connection: server, volumePath, path, connection, user,\n"
           "                      action and its result code.\n"
           "  --wait[=SECONDS]    without /p /c /o /m: while a station holds a matching\n"
           "                      file, scan again, for at most SECONDS (no limit without\n"
           "                      a value); what is printed is the last scan\n"
           "  --interval=SECONDS  time between two scans while waiting (default 5)\n"
           "  --help              show this help and exit\n"
           "  --version           show the version and exit\n"
           "  --                  the arguments after it are no long options\n"
           "\n"
           "Exit status with any of these options:\n"
           "  0  no station holds a matching file, or every action asked for succeeded\n"
           "  1  an error: no such file or directory, drive not mapped to NetWare,\n"
           "     server unknown or down, no rights, a file that could not be checked, a\n"
           "     bad option (a line on standard error where the lines above say nothing)\n"
           "  2  a station holds a matching file: still when --wait ran out, or because\n"
           "     its action failed or was declined\n"
           "The server's own use of a file (connection 0) is listed but does not count.\n"
           "Without them: 1 for the usage text, an invalid option, path or rights, else 0.\n"
           "\n"
           "Every clear, close, message and login switch is recorded in the system log.\n";
}

std::string VersionText() { return std::string("krcmd (Kestrune) ") + kKestruneVersion + "\n"; }

namespace {

// Where one run's text goes. Standard output carries either the text lines or
// the records; with records the diagnostics become lines on standard error,
// and so do the text lines when /p needs a screen for its question.
class Streams final {
public:
    Streams(Output& out, Output& err, bool records, bool prompt)
        : m_out(out),
          m_err(err),
          m_notesOnErr(err),
          m_lines(!records ? out : prompt ? err : m_discard),
          m_notes(records ? static_cast<Output&>(m_notesOnErr) : out) {}
    Streams(const Streams&) = delete;
    Streams& operator=(const Streams&) = delete;

    Output& out() { return m_out; }
    Output& err() { return m_err; }
    Output& lines() { return m_lines; }
    Output& notes() { return m_notes; }

private:
    Output& m_out;
    Output& m_err;
    NullOutput m_discard;
    NoteOutput m_notesOnErr;
    Output& m_lines;
    Output& m_notes;
};

ExitStatus Refuse(Output& err, const std::string& reason) {
    err.Write("krcmd: " + reason + "\n");
    return ExitStatus::Failure;
}

std::string Seconds(double seconds) { return Format("%g s", seconds); }

}  // namespace

ExitStatus RunKrcmd(const std::vector<std::string>& arguments, NWClient& client,
                    WorkstationFiles& files, const RunContext& context) {
    const SplitArguments split = TakeLongOptions(arguments);
    const LongOptions& longOptions = split.options;
    if (!split.error.empty()) {
        return Refuse(context.err,
                      split.error + "\nTry 'krcmd --help' for more information.");
    }
    // Ours, not the client's: they work without it.
    if (longOptions.help) {
        context.out.Write(HelpText());
        return ExitStatus::Success;
    }
    if (longOptions.version) {
        context.out.Write(VersionText());
        return ExitStatus::Success;
    }
    const bool records = longOptions.format != RecordFormat::Text;
    Streams streams(context.out, context.err, records, false);

    // Even the usage text needs a working client.
    if (client.NWCallsInit() != 0) {
        streams.notes().Write("Cannot Initialise Novell Libraries\n");
        return ExitStatus::Failure;
    }
    if (split.rest.empty()) {
        (records ? context.err : context.out).Write(UsageText());
        return ExitStatus::Failure;
    }
    const Command command = ParseCommand(split.rest);
    if (command.kind != CommandKind::Scan) {
        if (longOptions.wait) return Refuse(context.err, "--wait cannot be used with /d or /e");
        if (records) return Refuse(context.err, "/d and /e give no records for --format");
        if (command.serverMissing) {
            context.out.Write("Missing Server Name\n\n");
            return longOptions.any ? ExitStatus::Failure : ExitStatus::Success;
        }
        const NWCode code = SwitchLogins(client, context.out, command.server,
                                         command.kind == CommandKind::EnableLogins,
                                         &context.audit);
        return longOptions.any && code != 0 ? ExitStatus::Failure : ExitStatus::Success;
    }
    if (command.invalidOption) {
        streams.notes().Write("Invalid Option\n");
        return ExitStatus::Failure;
    }
    if (longOptions.wait && command.options.action != ActionMode::None) {
        return Refuse(context.err, "--wait cannot be used with /p, /c, /o or /m");
    }
    // A path cut to fit would be another path: refuse it as unresolvable.
    if (CharToOemA(command.path).size() > kMaxTextLength) {
        streams.notes().Write("Invalid Path/File\n");
        return ExitStatus::Failure;
    }

    const bool prompt = command.options.action == ActionMode::Prompt;
    const double deadline = longOptions.waitSeconds
                                ? context.clock.Now() + *longOptions.waitSeconds
                                : std::numeric_limits<double>::infinity();
    std::vector<ConnectionRecord> found;
    ExitStatus status = ExitStatus::Success;
    ScanTally tally;
    bool waiting = false;
    for (;;) {
        // While waiting, only the last scan is shown: each is kept until then.
        BufferOutput outBuffer;
        BufferOutput errBuffer;
        Streams pass(longOptions.wait ? outBuffer : context.out,
                     longOptions.wait ? errBuffer : context.err, records, prompt);
        found.clear();
        ScanSinks sinks;
        sinks.notes = &pass.notes();
        sinks.reasons = longOptions.any ? &pass.err() : nullptr;
        sinks.records = records ? &found : nullptr;
        sinks.audit = &context.audit;
        FileScanner scanner(client, files, pass.lines(), context.keys, command.options, sinks);
        status = scanner.Walk(command.path);
        tally = scanner.tally();
        if (longOptions.any && status == ExitStatus::Success && tally.filesChecked == 0 &&
            tally.filesUnchecked == 0) {
            const std::string why = WhyNothingWasChecked(client, command.path);
            if (!why.empty()) {
                pass.err().Write("krcmd: " + command.path + ": " + why + "\n");
                status = ExitStatus::Failure;
            }
        }
        const double now = context.clock.Now();
        const bool last = !longOptions.wait || status != ExitStatus::Success ||
                          tally.filesUnchecked > 0 || tally.stillHeld == 0 || now >= deadline;
        if (last) {
            if (longOptions.wait) {
                context.out.Write(outBuffer.text());
                context.err.Write(errBuffer.text());
            }
            break;
        }
        if (!waiting) {
            // Said once, so that a person (or a test) knows the wait began.
            context.err.Write("krcmd: " + command.path + ": in use; scanning again every " +
                              Seconds(longOptions.intervalSeconds) +
                              (longOptions.waitSeconds
                                   ? " for up to " + Seconds(*longOptions.waitSeconds)
                                   : std::string()) +
                              "\n");
            context.err.Flush();
            waiting = true;
        }
        context.clock.Sleep(std::min(longOptions.intervalSeconds, deadline - now));
    }
    // Written even after an error: actions already taken must not go unreported.
    if (longOptions.format == RecordFormat::Csv) context.out.Write(RecordsCsv(found));
    if (longOptions.format == RecordFormat::Json) context.out.Write(RecordsJson(found));

    if (!longOptions.any) return status;
    if (status != ExitStatus::Success || tally.filesUnchecked > 0) return ExitStatus::Failure;
    return tally.stillHeld > 0 ? ExitStatus::InUse : ExitStatus::Success;
}

}  // namespace krcmd
