#pragma once

// The windowed program's application object. An exception that reaches the
// event loop from a handler is shown in a critical message box with its
// text, and the program then ends (exit code 0), rather than unwinding
// through Qt, which does not support it.

#include <QApplication>
#include <QIcon>
#include <QStringList>
#include <optional>

class KestruneApplication final : public QApplication {
    Q_OBJECT
public:
    KestruneApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The box for an exception; also used by program entry for exceptions
    // from outside the event loop.
    static void ShowException(const char* what);
};

// The application's name, version, organisation and desktop file name, set
// on the application object (before or after it is created).
void SetApplicationMetadata();

// The program's icon, drawn as SVG; also every window's icon.
QIcon KestruneIcon();

// What "kestrune --help" or "--version" prints, for the program's arguments
// (the program's name first); nothing for every other command line, whose
// first argument is the path to check as it always was, also one that
// begins with a dash. Needs no display and touches no network.
std::optional<QString> CommandLineAnswer(const QStringList& arguments);
