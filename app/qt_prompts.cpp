#include "app/qt_prompts.h"

#include <QApplication>
#include <QMessageBox>

namespace {

int ShowBox(QWidget* owner, const std::string& caption, const std::string& text,
            QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                    QString::fromStdString(text), buttons, owner);
    box.setObjectName("MessageBox");
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return box.exec();
}

}  // namespace

QtPrompts::~QtPrompts() {
    if (m_busy) QApplication::restoreOverrideCursor();
}

void QtPrompts::ErrorBox(const std::string& label, NWCode code, Owner owner) {
    QWidget* parent = owner == Owner::MainWindow ? m_mainWindow.data() : nullptr;
    ShowBox(parent, kAppCaption, FormatErrorBoxText(label, code), QMessageBox::Ok, QMessageBox::Ok);
}

void QtPrompts::MessageBox(const std::string& text, const std::string& caption) {
    ShowBox(m_mainWindow.data(), caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtPrompts::AskYesNo(const std::string& text) {
    return ShowBox(m_mainWindow.data(), kAppCaption, text, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Yes) == QMessageBox::Yes;
}

void QtPrompts::Beep() { QApplication::beep(); }

void QtPrompts::SetBusyPointer(bool busy) {
    if (busy == m_busy) return;
    m_busy = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}
