#include "app/about_dialog.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app_info.h"
#include "app/proxy_settings_dialog.h"

TfrmAbout::TfrmAbout(TfrmProxySettings& proxySettings, QWidget* parent)
    : QDialog(parent), m_proxySettings(proxySettings) {
    setObjectName("TfrmAbout");
    setWindowTitle("About");

    auto label = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        return l;
    };
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };

    auto* info = new QGroupBox("Application Information", this);
    lblAppName = label("lblAppName");
    lblVersion = label("lblVersion");
    lblCopyRight = label("lblCopyRight");
    lblURL = label("lblURL");
    lblURL->setStyleSheet("color: blue");
    auto* infoLayout = new QFormLayout(info);
    infoLayout->addRow("Application Name :", lblAppName);
    infoLayout->addRow("Version :", lblVersion);
    infoLayout->addRow("Copyright :", lblCopyRight);
    infoLayout->addRow("Website : ", lblURL);

    auto* updates = new QGroupBox("Updates", this);
    cmdUpdates = button("cmdUpdates", "Check For Updates");
    cmdProxy = button("cmdProxy", "Proxy Settings");
    auto* details = new QGroupBox("Update Details", updates);
    lblStatus = label("lblStatus");
    lblStatus2 = label("lblStatus2");
    cmdDownload = button("cmdDownload", "Download");
    cmdDownload->hide();
    auto* detailsLayout = new QVBoxLayout(details);
    detailsLayout->addWidget(lblStatus);
    detailsLayout->addWidget(lblStatus2);
    detailsLayout->addWidget(cmdDownload, 0, Qt::AlignLeft);
    auto* updateButtons = new QVBoxLayout;
    updateButtons->addWidget(cmdUpdates);
    updateButtons->addWidget(cmdProxy);
    updateButtons->addStretch();
    auto* updatesLayout = new QHBoxLayout(updates);
    updatesLayout->addLayout(updateButtons);
    updatesLayout->addWidget(details, 1);

    cmdOk = button("cmdOk", "OK");
    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdProxy, &QPushButton::clicked, this, &TfrmAbout::cmdProxyClick);

    auto* okRow = new QHBoxLayout;
    okRow->addStretch();
    okRow->addWidget(cmdOk);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(info);
    layout->addWidget(updates);
    layout->addLayout(okRow);
}

void TfrmAbout::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfrmAbout::FormShow() {
    lblAppName->setText(kAppName);
    lblVersion->setText(QString::asprintf("%1.2lf", kAppVersion));
    lblCopyRight->setText(kCopyright);
    lblURL->setText(kWebSite);
}

void TfrmAbout::cmdProxyClick() { m_proxySettings.exec(); }
