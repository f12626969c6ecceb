#pragma once

#include <QScreen>
#include <QWidget>

// Places a top-level window in the middle of its screen (dialogs otherwise
// open over their parent).
inline void CentreOnScreen(QWidget& window) {
    if (const QScreen* screen = window.screen()) {
        const QRect area = screen->geometry();
        window.move(area.left() + (area.width() - window.width()) / 2,
                    area.top() + (area.height() - window.height()) / 2);
    }
}
