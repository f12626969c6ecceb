#pragma once

// "Please Wait": a small window without title-bar buttons that says what a
// long operation on the user-interface thread is doing. It is not modal; the
// caller keeps working between ShowWindow and hide().

#include <QDialog>

class QLabel;

class TfrmStatus final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStatus(QWidget* parent = nullptr);

    // Shows the window centred on the screen and lets it paint before the
    // caller goes on.
    void ShowWindow();
    // Sets the line and repaints at once, so it is readable while the caller
    // keeps the event loop busy.
    void SetStatus(const QString& text);

    QLabel* lblStatus = nullptr;

public slots:
    // Only its caller hides it: Esc does not.
    void reject() override {}
};
