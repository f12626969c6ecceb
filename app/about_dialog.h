#pragma once

// "About": the program's name, version, maker and web site, and the update
// check with its proxy settings.

#include <QDialog>

class QLabel;
class QPushButton;
class TfrmProxySettings;

class TfrmAbout final : public QDialog {
    Q_OBJECT
public:
    TfrmAbout(TfrmProxySettings& proxySettings, QWidget* parent = nullptr);

    QLabel* lblAppName = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblCopyRight = nullptr;
    QLabel* lblURL = nullptr;
    QPushButton* cmdUpdates = nullptr;
    QPushButton* cmdProxy = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblStatus2 = nullptr;
    QPushButton* cmdDownload = nullptr;
    QPushButton* cmdOk = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void cmdProxyClick();

    TfrmProxySettings& m_proxySettings;
};
