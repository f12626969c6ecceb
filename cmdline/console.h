#pragma once

// The ends of the console that the scanner talks through: where its text
// goes, where a prompt's answer comes from and how it waits between scans.
// Injected so that tests can capture the text, script the keys and the time.

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

class WaitClock {
public:
    virtual ~WaitClock() = default;
    virtual double Now() = 0;  // seconds, from any fixed point
    virtual void Sleep(double seconds) = 0;
};

// Standard output through stdio.
class StdoutOutput final : public Output {
public:
    void Write(std::string_view text) override;
    void Flush() override;
};

// Standard error through stdio.
class StderrOutput final : public Output {
public:
    void Write(std::string_view text) override;
    void Flush() override;
};

// Keeps the text until it is known to be wanted.
class BufferOutput final : public Output {
public:
    void Write(std::string_view text) override { m_text += text; }
    void Flush() override {}
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

class NullOutput final : public Output {
public:
    void Write(std::string_view) override {}
    void Flush() override {}
};

// Each text written becomes one line "krcmd: text" on target, the line
// breaks around it dropped: the diagnostics of the text lines, told on
// standard error when standard output carries records.
class NoteOutput final : public Output {
public:
    explicit NoteOutput(Output& target) : m_target(target) {}
    void Write(std::string_view text) override;
    void Flush() override { m_target.Flush(); }

private:
    Output& m_target;
};

// The controlling terminal, read without echo (platform ReadKeyPress).
class TerminalKeys final : public KeySource {
public:
    int ReadKey() override;
};

// The steady clock; sleeps the thread.
class SteadyClock final : public WaitClock {
public:
    double Now() override;
    void Sleep(double seconds) override;
};

// printf into a std::string; the output lines are defined by printf formats.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace krcmd
