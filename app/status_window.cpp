#include "app/status_window.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>

#include "app/centre_on_screen.h"
#include "app/paint_now.h"

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
    CentreOnScreen(*this);
    show();
    raise();
    PaintNow(*this);
}

void TfrmStatus::SetStatus(const QString& text) {
    lblStatus->setText(text);
    repaint();
}
