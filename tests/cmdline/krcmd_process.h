#pragma once

// Runs the built krcmd as a child process on a network description: with no
// controlling terminal at all, or on a pseudo-terminal the test types into.
// Standard input is always /dev/null, so only the terminal can answer.

#include <string>
#include <vector>

namespace krcmd::test {

// The usage text exactly as a user sees it: tests compare the program's
// output with it, never with the program's own copy.
inline constexpr const char* kUsage =
    "\n"
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

// PtyUnderShell: krcmd runs as a job of a minimal shell on the terminal, so
// Ctrl-Z stops it; the shell writes to standard error whether the terminal
// was back in line mode while the job was stopped, then resumes it.
enum class Terminal { None, Pty, PtyUnderShell };

inline constexpr char kStoppedInLineMode[] = "[stopped, line mode]";
inline constexpr char kStoppedInRawMode[] = "[stopped, raw mode]";

struct ProcessResult {
    std::string out;
    std::string err;
    int exitCode = -1;  // -1 when ended by a signal
    int signal = 0;
};

class KrcmdProcess final {
public:
    // workingDirectory empty: the test's own. environment: NAME=value entries
    // added to the test's own (whose NWSIM_ and KESTRUNE_ variables are left out).
    KrcmdProcess(const std::vector<std::string>& arguments, const std::string& networkPath,
                 Terminal terminal, const std::string& workingDirectory = {},
                 const std::vector<std::string>& environment = {});
    ~KrcmdProcess();
    KrcmdProcess(const KrcmdProcess&) = delete;
    KrcmdProcess& operator=(const KrcmdProcess&) = delete;

    // Reads standard output until it holds text; false on end or time-out.
    bool WaitForOutput(const std::string& text);
    bool WaitForError(const std::string& text);
    // Waits until the program has the terminal in its no-echo mode.
    bool WaitForKeyWait();
    void Type(const std::string& keys);
    void Signal(int signal);
    // Whether the terminal is back in its normal line mode with echo.
    bool TerminalRestored() const;
    // What the terminal showed (echo), read without waiting.
    std::string TerminalText();

    ProcessResult Finish();

private:
    bool ReadSome(int timeoutMs);
    bool WaitFor(const std::string& text, const std::string& stream, const int& fd);

    int m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
    int m_master = -1;
    int m_slave = -1;
    std::string m_out;
    std::string m_err;
};

// The whole run with no terminal.
ProcessResult RunKrcmd(const std::vector<std::string>& arguments, const std::string& networkPath,
                       const std::string& workingDirectory = {},
                       const std::vector<std::string>& environment = {});

}  // namespace krcmd::test
