#pragma once

// Prompts for tests: records every box, question, beep and pointer change in
// the order they happen, and answers Yes/No questions from a script.
//
//   ScriptedPrompts prompts;
//   prompts.answers = {true, false};          // first question Yes, then No
//   ... run the logic ...
//   EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Cannot Init Netware\n Code : 88fe"}));
//
// A question asked after the script has run out is answered No and counted
// in unscriptedQuestions, so a test can tell it was not expected.

#include <deque>
#include <string>
#include <vector>

#include "platform/prompts.h"

class ScriptedPrompts final : public Prompts {
public:
    enum class Kind { Error, Message, Question, Beep, Busy, NotBusy };

    struct Shown {
        Kind kind;
        std::string text;     // as the user would read it (error boxes: composed)
        std::string caption;  // message boxes only
        std::string label;    // error boxes only
        NWCode code = 0;      // error boxes only
        Owner owner = Owner::MainWindow;
    };

    std::deque<bool> answers;
    int unscriptedQuestions = 0;
    std::vector<Shown> shown;
    bool busy = false;

    void ErrorBox(const std::string& label, NWCode code, Owner owner = Owner::MainWindow) override {
        shown.push_back({Kind::Error, FormatErrorBoxText(label, code), kAppCaption, label, code, owner});
    }
    void MessageBox(const std::string& text, const std::string& caption = kAppCaption) override {
        shown.push_back({Kind::Message, text, caption, {}, 0, Owner::MainWindow});
    }
    bool AskYesNo(const std::string& text) override {
        shown.push_back({Kind::Question, text, kAppCaption, {}, 0, Owner::MainWindow});
        if (answers.empty()) {
            ++unscriptedQuestions;
            return false;
        }
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    void Beep() override { shown.push_back({Kind::Beep, {}, {}, {}, 0, Owner::MainWindow}); }
    void SetBusyPointer(bool on) override {
        busy = on;
        shown.push_back({on ? Kind::Busy : Kind::NotBusy, {}, {}, {}, 0, Owner::MainWindow});
    }

    // The texts of the error boxes, message boxes and questions, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Shown& s : shown)
            if (s.kind == Kind::Error || s.kind == Kind::Message || s.kind == Kind::Question)
                texts.push_back(s.text);
        return texts;
    }
    int Count(Kind kind) const {
        int n = 0;
        for (const Shown& s : shown) n += s.kind == kind ? 1 : 0;
        return n;
    }
    void Reset() {
        shown.clear();
        answers.clear();
        unscriptedQuestions = 0;
    }
};
