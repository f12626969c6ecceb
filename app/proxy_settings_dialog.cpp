#include "app/proxy_settings_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_buttons.h"

TfrmProxySettings::TfrmProxySettings(QWidget* parent) : QDialog(parent) {
    setObjectName("TfrmProxySettings");
    setWindowTitle("Proxy Settings");

    auto* frame = new QGroupBox("Proxy Settings", this);
    chkUseProxy = new QCheckBox("Use Proxy Server", frame);
    chkUseProxy->setObjectName("chkUseProxy");
    auto edit = [frame](const char* name) {
        auto* e = new QLineEdit(frame);
        e->setObjectName(name);
        return e;
    };
    txtHostName = edit("txtHostName");
    txtPort = edit("txtPort");
    txtUserName = edit("txtUserName");
    txtPassword = edit("txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet("lineedit-password-character: 42");

    auto* fields = new QFormLayout(frame);
    fields->addRow(chkUseProxy);
    fields->addRow("Host Name", txtHostName);
    fields->addRow("Port", txtPort);
    fields->addRow("User", txtUserName);
    fields->addRow("Password", txtPassword);

    DialogButtons buttons = MakeDialogButtons(this, "cmdOK", "cmdCancel");
    cmdOK = buttons.ok;
    cmdCancel = buttons.cancel;
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(chkUseProxy, &QCheckBox::toggled, this, &TfrmProxySettings::chkUseProxyChange);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons.row);
    chkUseProxyChange();
}

void TfrmProxySettings::chkUseProxyChange() {
    const bool on = chkUseProxy->isChecked();
    for (QLineEdit* e : {txtHostName, txtPort, txtUserName, txtPassword}) e->setEnabled(on);
}

void TfrmProxySettings::Fill(const ProxySettings& settings) {
    chkUseProxy->setChecked(settings.enabled != 0);
    txtHostName->setText(QString::fromStdString(settings.server));
    txtPort->setText(QString::number(settings.port));
    txtUserName->setText(QString::fromStdString(settings.user));
    txtPassword->setText(QString::fromStdString(settings.password));
    chkUseProxyChange();  // toggled() fires only on a change
}

ProxySettings TfrmProxySettings::Read(const ProxySettings& current) const {
    ProxySettings settings;
    settings.enabled = chkUseProxy->isChecked() ? 1 : 0;
    settings.server = txtHostName->text().toStdString();
    settings.port = PortFromField(txtPort->text().toStdString(), current.port);
    settings.user = txtUserName->text().toStdString();
    settings.password = txtPassword->text().toStdString();
    return settings;
}
