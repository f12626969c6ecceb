#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QWidget>
#include <QWindow>

// Repaints widget at once unless it was painted less than intervalMs ago;
// then it only asks for a paint, which the event loop does when the caller
// returns to it. Long operations report progress through this so that
// painting never costs more than the work it shows.
inline void PaintNowOrSoon(QWidget* widget, QElapsedTimer& lastPaint, qint64 intervalMs) {
    if (lastPaint.isValid() && lastPaint.elapsed() < intervalMs) {
        widget->update();
        return;
    }
    widget->repaint();
    lastPaint.start();
}

// Paints a top-level window at once, for work that holds the event loop right
// after showing it. A window just shown is not on the screen until the window
// system has answered (exposed it), and painting before that shows nothing:
// so this waits for the answer first, a short while at most, taking no user
// input meanwhile. A hidden or minimised window is not waited for.
inline void PaintNow(QWidget& window, int maxWaitMs = 1000) {
    if (!window.isVisible() || window.isMinimized()) return;
    const QDeadlineTimer deadline(maxWaitMs);
    while (window.windowHandle() && !window.windowHandle()->isExposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    // Layouts of what was shown meanwhile, so the paint shows them in place.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    window.repaint();
}
