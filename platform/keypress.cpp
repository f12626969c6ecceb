#include "platform/keypress.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace {

// What the signal handlers need to put the terminal back. Only one wait runs
// at a time, so one set suffices.
volatile sig_atomic_t g_ttyFd = -1;
struct termios g_savedMode;
struct termios g_rawMode;

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[3];
struct sigaction g_previousStop;

void RestoreAndReraise(int signal) {
    if (g_ttyFd >= 0) tcsetattr(g_ttyFd, TCSANOW, &g_savedMode);
    for (int i = 0; i < 3; ++i) {
        if (kEndingSignals[i] == signal) sigaction(signal, &g_previous[i], nullptr);
    }
    raise(signal);
}

// Ctrl-Z: the shell gets its terminal back as it left it; on resumption the
// wait goes on without echo again.
void StopAndResume(int) {
    const int savedErrno = errno;
    if (g_ttyFd >= 0) tcsetattr(g_ttyFd, TCSANOW, &g_savedMode);
    struct sigaction stop = {};
    stop.sa_handler = SIG_DFL;
    sigemptyset(&stop.sa_mask);
    struct sigaction mine;
    sigaction(SIGTSTP, &stop, &mine);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
    raise(SIGTSTP);
    // Resumed.
    sigaction(SIGTSTP, &mine, nullptr);
    if (g_ttyFd >= 0) tcsetattr(g_ttyFd, TCSANOW, &g_rawMode);
    errno = savedErrno;
}

// A signal the program was started to ignore (nohup, a background job) stays
// ignored: catching it would end the wait's raw mode and still go on waiting.
void InstallHandler(int signal, void (*handler)(int), struct sigaction& previous) {
    sigaction(signal, nullptr, &previous);
    if (previous.sa_handler == SIG_IGN) return;
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

void InstallHandlers() {
    for (int i = 0; i < 3; ++i) InstallHandler(kEndingSignals[i], RestoreAndReraise, g_previous[i]);
    InstallHandler(SIGTSTP, StopAndResume, g_previousStop);
}

void RemoveHandlers() {
    for (int i = 0; i < 3; ++i) sigaction(kEndingSignals[i], &g_previous[i], nullptr);
    sigaction(SIGTSTP, &g_previousStop, nullptr);
}

// One byte, waiting at most tenths/10 seconds when tenths > 0, forever at 0.
// -1 on end of input or error, -2 on timeout.
int ReadByte(int fd, int tenths) {
    struct termios mode = g_rawMode;
    mode.c_cc[VMIN] = tenths > 0 ? 0 : 1;
    mode.c_cc[VTIME] = static_cast<cc_t>(tenths);
    tcsetattr(fd, TCSANOW, &mode);
    unsigned char byte = 0;
    for (;;) {
        const ssize_t got = read(fd, &byte, 1);
        if (got == 1) return byte;
        if (got == 0) return tenths > 0 ? -2 : -1;
        if (errno != EINTR) return -1;
    }
}

constexpr int kEscape = 0x1B;

// A cursor or function key sends Escape and a sequence that would otherwise
// read as letters ("\033[A", "\033OP"); it is one key press. The sequence
// arrives at once, so a short wait tells it from a lone Escape, and a key
// typed after it is left for the next read.
void SkipEscapeSequence(int fd) {
    constexpr int kWithinSequence = 1;  // tenths of a second
    const int introducer = ReadByte(fd, kWithinSequence);
    if (introducer == 'O') {
        ReadByte(fd, kWithinSequence);
    } else if (introducer == '[') {
        for (int b = ReadByte(fd, kWithinSequence); b >= 0 && !(b >= 0x40 && b <= 0x7E);
             b = ReadByte(fd, kWithinSequence)) {
        }
    }
}

}  // namespace

int ReadKeyPress() {
    const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (tcgetattr(fd, &g_savedMode) != 0) {
        close(fd);
        return -1;
    }
    g_rawMode = g_savedMode;
    // Signals stay on: Ctrl-C still ends the program, through the handlers.
    g_rawMode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    g_rawMode.c_iflag &= ~static_cast<tcflag_t>(ICRNL | IXON);
    g_rawMode.c_cc[VMIN] = 1;
    g_rawMode.c_cc[VTIME] = 0;

    // Handlers first, so that no signal can leave the raw mode behind.
    sigset_t block, previousMask;
    sigemptyset(&block);
    for (const int signal : kEndingSignals) sigaddset(&block, signal);
    sigaddset(&block, SIGTSTP);
    sigprocmask(SIG_BLOCK, &block, &previousMask);
    g_ttyFd = fd;
    InstallHandlers();
    sigprocmask(SIG_SETMASK, &previousMask, nullptr);

    const int key = ReadByte(fd, 0);
    if (key == kEscape) SkipEscapeSequence(fd);

    sigprocmask(SIG_BLOCK, &block, nullptr);
    tcsetattr(fd, TCSANOW, &g_savedMode);
    RemoveHandlers();
    g_ttyFd = -1;
    sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    close(fd);
    return key;
}
