#include "app/status_window.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QScreen>

TfrmStatus::TfrmStatus(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("TfrmStatus");
    setWindowTitle("Please Wait");
    setFixedSize(309, 43);
    setModal(false);

    auto* bevel = new QFrame(this);
    bevel->setObjectName("Bevel1");
    bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bevel->setGeometry(0, 0, 309, 43);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName("lblStatus");
    lblStatus->setGeometry(12, 16, 283, lblStatus->sizeHint().height());
}

void TfrmStatus::ShowWindow() {
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
    show();
    raise();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrmStatus::SetStatus(const QString& text) {
    lblStatus->setText(text);
    repaint();
}
