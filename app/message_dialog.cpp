#include "app/message_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/centre_on_screen.h"
#include "app/dialog_buttons.h"

TfrmMessage::TfrmMessage(QWidget* parent) : QDialog(parent) {
    setObjectName("TfrmMessage");
    setWindowTitle("Send Message");
    resize(448, 132);

    auto* caption = new QLabel("Message Text :", this);
    txtMessage = new QLineEdit(this);
    txtMessage->setObjectName("txtMessage");
    txtMessage->setMinimumWidth(421);
    caption->setBuddy(txtMessage);

    DialogButtons buttons = MakeDialogButtons(this, "cmdOK", "cmdCancel");
    cmdOK = buttons.ok;
    cmdCancel = buttons.cancel;
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(txtMessage);
    layout->addStretch();
    layout->addLayout(buttons.row);
}

void TfrmMessage::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}
