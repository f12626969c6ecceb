#pragma once

// "About": the program's name, version, maker and web site, and the update
// check with its proxy settings. The check itself is UpdateCheck; the proxy
// settings live here, read from the registry each time the box is shown.

#include <QDialog>
#include <memory>
#include <string>

#include "app/http_get.h"
#include "app/proxy_settings.h"
#include "app/update_check.h"
#include "platform/prompts.h"
#include "platform/registry.h"

class QLabel;
class QPushButton;
class TfrmProxySettings;

class TfrmAbout final : public QDialog {
    Q_OBJECT
public:
    TfrmAbout(TfrmProxySettings& proxySettings, Prompts& prompts, UserRegistry registry,
              std::unique_ptr<HttpGet> http, QWidget* parent = nullptr);
    ~TfrmAbout() override;

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

    // The proxy settings in force.
    const ProxySettings& Proxy() const { return m_proxy; }
    // What "Download" opens.
    const std::string& DownloadUrl() const { return m_check.DownloadUrl(); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Details;

    void FormShow();
    void cmdUpdatesClick();
    void cmdProxyClick();
    void cmdDownloadClick();
    void lblURLClick();
    void lblURLMouseEnter();
    void lblURLMouseLeave();

    TfrmProxySettings& m_proxySettings;
    UserRegistry m_registry;
    std::unique_ptr<HttpGet> m_http;
    UpdateCheck m_check;
    std::unique_ptr<Details> m_details;
    ProxySettings m_proxy;
};
