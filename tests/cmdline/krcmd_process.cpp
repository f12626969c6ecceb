#include "tests/cmdline/krcmd_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace krcmd::test {

namespace {

// A guard against a hung child, not a measurement.
constexpr auto kPatience = std::chrono::seconds(30);

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// What a shell does for a foreground job: its own process group, given the
// terminal; a stopped job is continued. Never returns.
[[noreturn]] void RunAsJob(int tty, char** argv, char** envp) {
    int go[2];
    if (pipe(go) != 0) _exit(125);
    const pid_t job = fork();
    if (job == 0) {
        setpgid(0, 0);
        close(go[1]);
        char ready;
        if (read(go[0], &ready, 1) != 1) _exit(125);
        execve(argv[0], argv, envp);
        _exit(127);
    }
    setpgid(job, job);
    tcsetpgrp(tty, job);
    close(go[0]);
    [[maybe_unused]] ssize_t done = write(go[1], "g", 1);
    int status = 0;
    waitpid(job, &status, WUNTRACED);
    if (WIFSTOPPED(status)) {
        termios mode{};
        tcgetattr(tty, &mode);
        const bool lineMode = (mode.c_lflag & ECHO) && (mode.c_lflag & ICANON);
        const char* report = lineMode ? kStoppedInLineMode : kStoppedInRawMode;
        done = write(STDERR_FILENO, report, std::strlen(report));
        kill(job, SIGCONT);
        waitpid(job, &status, 0);
    }
    if (WIFSIGNALED(status)) {
        signal(WTERMSIG(status), SIG_DFL);
        kill(getpid(), WTERMSIG(status));
    }
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 125);
}

}  // namespace

KrcmdProcess::KrcmdProcess(const std::vector<std::string>& arguments,
                           const std::string& networkPath, Terminal terminal,
                           const std::string& workingDirectory,
                           const std::vector<std::string>& environment) {
    // Everything the child needs is prepared before fork.
    std::vector<std::string> argStore{KRCMD_PATH};
    argStore.insert(argStore.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "NWSIM_", 6) != 0 && std::strncmp(*e, "KESTRUNE_", 9) != 0) {
            envStore.emplace_back(*e);
        }
    }
    envStore.push_back("NWSIM_NETWORK=" + networkPath);
    envStore.insert(envStore.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (std::string& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return;
    if (terminal != Terminal::None && openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        return;
    }
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);

    m_pid = fork();
    if (m_pid == 0) {
        if (terminal == Terminal::None) {
            setsid();  // a new session has no controlling terminal
        } else {
            close(m_master);
            login_tty(m_slave);  // new session, the pty as its controlling terminal
        }
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) _exit(126);
        // A run ended by SIGQUIT leaves no core file in the build tree.
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        const int tty = open("/dev/tty", O_RDWR | O_CLOEXEC);
        dup2(devNull, STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        if (terminal == Terminal::PtyUnderShell) RunAsJob(tty, argv.data(), envp.data());
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(devNull);
    close(outPipe[1]);
    close(errPipe[1]);
    m_outFd = outPipe[0];
    m_errFd = errPipe[0];
    SetNonBlocking(m_outFd);
    SetNonBlocking(m_errFd);
    if (m_master >= 0) SetNonBlocking(m_master);
}

KrcmdProcess::~KrcmdProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    for (int fd : {m_outFd, m_errFd, m_master, m_slave}) {
        if (fd >= 0) close(fd);
    }
}

bool KrcmdProcess::ReadSome(int timeoutMs) {
    pollfd fds[2] = {{m_outFd, POLLIN, 0}, {m_errFd, POLLIN, 0}};
    const int ready = poll(fds, 2, timeoutMs);
    if (ready <= 0) return ready == 0;
    bool open = false;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
        int& fd = i == 0 ? m_outFd : m_errFd;
        if (fd < 0) continue;
        if (fds[i].revents == 0) {
            open = true;
            continue;
        }
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            (i == 0 ? m_out : m_err).append(buffer, static_cast<std::size_t>(got));
            open = true;
        } else if (got == 0) {
            close(fd);
            fd = -1;
        } else {
            open = true;
        }
    }
    return open;
}

bool KrcmdProcess::WaitFor(const std::string& text, const std::string& stream, const int& fd) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (stream.find(text) == std::string::npos) {
        if (fd < 0 || std::chrono::steady_clock::now() > deadline) return false;
        if (!ReadSome(100)) return stream.find(text) != std::string::npos;
    }
    return true;
}

bool KrcmdProcess::WaitForOutput(const std::string& text) { return WaitFor(text, m_out, m_outFd); }

bool KrcmdProcess::WaitForError(const std::string& text) { return WaitFor(text, m_err, m_errFd); }

bool KrcmdProcess::WaitForKeyWait() {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    termios mode{};
    while (std::chrono::steady_clock::now() < deadline) {
        if (tcgetattr(m_slave, &mode) == 0 && !(mode.c_lflag & ECHO) && !(mode.c_lflag & ICANON)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

void KrcmdProcess::Type(const std::string& keys) {
    [[maybe_unused]] const ssize_t written = write(m_master, keys.data(), keys.size());
}

void KrcmdProcess::Signal(int signal) { kill(m_pid, signal); }

bool KrcmdProcess::TerminalRestored() const {
    termios mode{};
    return tcgetattr(m_slave, &mode) == 0 && (mode.c_lflag & ECHO) && (mode.c_lflag & ICANON);
}

std::string KrcmdProcess::TerminalText() {
    std::string text;
    char buffer[1024];
    for (;;) {
        const ssize_t got = read(m_master, buffer, sizeof buffer);
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

ProcessResult KrcmdProcess::Finish() {
    ProcessResult result;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while ((m_outFd >= 0 || m_errFd >= 0) && std::chrono::steady_clock::now() < deadline) {
        ReadSome(100);
    }
    int status = 0;
    if (m_outFd >= 0 || m_errFd >= 0) kill(m_pid, SIGKILL);  // hung: fail, do not hang
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.out = m_out;
    result.err = m_err;
    return result;
}

ProcessResult RunKrcmd(const std::vector<std::string>& arguments, const std::string& networkPath,
                       const std::string& workingDirectory,
                       const std::vector<std::string>& environment) {
    KrcmdProcess process(arguments, networkPath, Terminal::None, workingDirectory, environment);
    return process.Finish();
}

}  // namespace krcmd::test
