#include "app/application.h"

#include <QMessageBox>
#include <exception>

#include "app/app_info.h"

KestruneApplication::KestruneApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(kAppName);
}

bool KestruneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("Unknown exception");
    }
    exit(0);
    return false;
}

void KestruneApplication::ShowException(const char* what) {
    QMessageBox::critical(nullptr, kAppName, QString::fromLocal8Bit(what));
}
