#include "app/login_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/centre_on_screen.h"
#include "app/dialog_buttons.h"

TfrmLoginBox::TfrmLoginBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName("TfrmLoginBox");
    setWindowTitle("Login");

    lblDetails = new QLabel(this);
    lblDetails->setObjectName("lblDetails");
    txtUserName = new QLineEdit(this);
    txtUserName->setObjectName("txtUserName");
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName("txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet("lineedit-password-character: 42");

    DialogButtons buttons = MakeDialogButtons(this, "Button1", "Button2");
    Button1 = buttons.ok;
    Button2 = buttons.cancel;
    connect(Button1, &QPushButton::clicked, this, [this] { done(kResultOK); });
    connect(Button2, &QPushButton::clicked, this, [this] { done(kResultCancel); });

    auto* userLabel = new QLabel("User Name", this);
    userLabel->setBuddy(txtUserName);
    auto* passwordLabel = new QLabel("Password", this);
    passwordLabel->setBuddy(txtPassword);

    auto* fields = new QGridLayout;
    fields->addWidget(userLabel, 0, 0);
    fields->addWidget(txtUserName, 0, 1);
    fields->addWidget(passwordLabel, 1, 0);
    fields->addWidget(txtPassword, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblDetails);
    layout->addLayout(fields);
    layout->addLayout(buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(txtUserName, txtPassword);
}

void TfrmLoginBox::reject() { done(kResultCancel); }

void TfrmLoginBox::showEvent(QShowEvent* event) {
    txtUserName->clear();
    txtPassword->clear();
    txtUserName->setFocus();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}
