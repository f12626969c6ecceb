#pragma once

// The windowed program's one way of talking to the user from its logic: error
// boxes, message boxes, Yes/No questions, the beep and the busy pointer. The
// logic calls this; app/ implements it with Qt, tests with a script.

#include <string>

#include "platform/nwcodes.h"

inline constexpr const char* kAppCaption = "Kestrune";

class Prompts {
public:
    enum class Owner { MainWindow, None };

    virtual ~Prompts() = default;

    // "%s\n Code : %lx", or the label alone for code 0 (FormatErrorBoxText).
    virtual void ErrorBox(const std::string& label, NWCode code,
                          Owner owner = Owner::MainWindow) = 0;
    // OK only.
    virtual void MessageBox(const std::string& text, const std::string& caption = kAppCaption) = 0;
    // Yes and No; anything but Yes counts as No.
    virtual bool AskYesNo(const std::string& text) = 0;
    virtual void Beep() = 0;
    virtual void SetBusyPointer(bool busy) = 0;
};

// The error box text: the label, a line break, " Code : " and the code in
// lower-case hexadecimal (a negative code as its eight-digit two's complement);
// the label alone when the code is 0. At most 255 characters.
std::string FormatErrorBoxText(const std::string& label, NWCode code);
