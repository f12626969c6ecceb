#pragma once

// The windowed program's application object. An exception that reaches the
// event loop from a handler is shown in a critical message box with its
// text, and the program then ends (exit code 0), rather than unwinding
// through Qt, which does not support it.

#include <QApplication>

class KestruneApplication final : public QApplication {
    Q_OBJECT
public:
    KestruneApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The box for an exception; also used by program entry for exceptions
    // from outside the event loop.
    static void ShowException(const char* what);
};
