#pragma once

// One QApplication for a whole test program (the offscreen platform comes
// from the test environment), and helpers for modal boxes.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Calls handle with the first modal window that opens, from inside its event
// loop; handle must close it.
inline void WhenModalOpens(std::function<void(QWidget*)> handle) {
    auto* timer = new QTimer(qApp);  // freed with the application even if no box opens
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, handle] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            handle(modal);
        }
    });
    timer->start();
}
