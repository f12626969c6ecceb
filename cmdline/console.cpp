#include "cmdline/console.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/keypress.h"

namespace krcmd {

void StdoutOutput::Write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void StdoutOutput::Flush() { std::fflush(stdout); }

void StderrOutput::Write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
}

void StderrOutput::Flush() { std::fflush(stderr); }

void NoteOutput::Write(std::string_view text) {
    const std::size_t first = text.find_first_not_of('\n');
    if (first == std::string_view::npos) return;
    const std::size_t last = text.find_last_not_of('\n');
    m_target.Write("krcmd: " + std::string(text.substr(first, last + 1 - first)) + "\n");
}

int TerminalKeys::ReadKey() { return ReadKeyPress(); }

double SteadyClock::Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SteadyClock::Sleep(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<std::size_t>(length));
    }
    va_end(again);
    return text;
}

}  // namespace krcmd
