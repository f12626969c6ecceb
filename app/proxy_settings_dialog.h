#pragma once

// "Proxy Settings": the proxy used by the update check. The four fields are
// enabled exactly while "Use Proxy Server" is ticked.

#include <QDialog>

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

private:
    void chkUseProxyChange();
};
