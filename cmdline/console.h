#pragma once

// The two ends of the console that the scanner talks through: where its text
// goes and where a prompt's answer comes from. Injected so that tests can
// capture the text and script the keys.

#include <cstdarg>
#include <string>
#include <string_view>

namespace krcmd {

class Output {
public:
    virtual ~Output() = default;
    virtual void Write(std::string_view text) = 0;
    // Called before waiting for a key: the question must be visible first.
    virtual void Flush() = 0;
};

class KeySource {
public:
    virtual ~KeySource() = default;
    // The character of one key press, or -1 when there is no keyboard to ask.
    virtual int ReadKey() = 0;
};

// Standard output through stdio.
class StdoutOutput final : public Output {
public:
    void Write(std::string_view text) override;
    void Flush() override;
};

// The controlling terminal, read without echo (platform ReadKeyPress).
class TerminalKeys final : public KeySource {
public:
    int ReadKey() override;
};

// printf into a std::string; the output lines are defined by printf formats.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace krcmd
