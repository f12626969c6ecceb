#pragma once

// Prompts shown with Qt: modal message boxes captioned "Kestrune" with no
// icon (so no sound of their own), the workstation's beep and the
// application-wide busy pointer.

#include <QPointer>
#include <QWidget>

#include "platform/prompts.h"

class QtPrompts final : public Prompts {
public:
    QtPrompts() = default;
    ~QtPrompts() override;
    QtPrompts(const QtPrompts&) = delete;
    QtPrompts& operator=(const QtPrompts&) = delete;

    // The window that owns the boxes of Owner::MainWindow; until it is set
    // they have no owner.
    void SetMainWindow(QWidget* window) { m_mainWindow = window; }

    void ErrorBox(const std::string& label, NWCode code, Owner owner = Owner::MainWindow) override;
    void MessageBox(const std::string& text, const std::string& caption = kAppCaption) override;
    bool AskYesNo(const std::string& text) override;
    void Beep() override;
    // Idempotent: the override cursor is pushed once and popped once.
    void SetBusyPointer(bool busy) override;

private:
    QPointer<QWidget> m_mainWindow;
    bool m_busy = false;
};
