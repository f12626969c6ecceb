#pragma once

// "Proxy Settings": the proxy used by the update check. The four fields are
// enabled exactly while "Use Proxy Server" is ticked.

#include <QDialog>

#include "app/proxy_settings.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

class TfrmProxySettings final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProxySettings(QWidget* parent = nullptr);

    QCheckBox* chkUseProxy = nullptr;
    QLineEdit* txtHostName = nullptr;
    QLineEdit* txtPort = nullptr;
    QLineEdit* txtUserName = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    // The fields from settings; the four edit fields enabled when ticked.
    void Fill(const ProxySettings& settings);
    // The settings the fields hold; the port stays current's when the Port
    // field does not hold a port number.
    ProxySettings Read(const ProxySettings& current) const;

private:
    void chkUseProxyChange();
};
