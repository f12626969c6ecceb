#include "app/about_dialog.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/app_info.h"
#include "app/proxy_settings_dialog.h"

class TfrmAbout::Details final : public UpdateDetails {
public:
    explicit Details(TfrmAbout& box) : m_box(box) {}

    void SetStatus(const std::string& text) override {
        m_box.lblStatus->setText(QString::fromStdString(text));
        m_box.lblStatus->repaint();
    }
    void SetOutcome(const std::string& text) override {
        m_box.lblStatus2->setText(QString::fromStdString(text));
    }
    void ShowDownload(bool shown) override { m_box.cmdDownload->setVisible(shown); }
    void Repaint() override { m_box.repaint(); }

private:
    TfrmAbout& m_box;
};

namespace {

// Opens an address the way the desktop opens web links. The download address
// comes from a document on the network: only web addresses are opened, never
// a local file or a program's own scheme.
void OpenWebAddress(const std::string& address) {
    if (address.empty()) return;
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https")) return;
    QDesktopServices::openUrl(url);
}

}  // namespace

TfrmAbout::TfrmAbout(TfrmProxySettings& proxySettings, Prompts& prompts, UserRegistry registry,
                     std::unique_ptr<HttpGet> http, QWidget* parent)
    : QDialog(parent),
      m_proxySettings(proxySettings),
      m_registry(std::move(registry)),
      m_http(std::move(http)),
      m_check(*m_http, prompts),
      m_details(std::make_unique<Details>(*this)) {
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
    lblURL->setCursor(Qt::PointingHandCursor);
    lblURL->installEventFilter(this);
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
    lblStatus->setAccessibleName("Update progress");
    lblStatus2->setAccessibleName("Update outcome");
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
    connect(cmdUpdates, &QPushButton::clicked, this, &TfrmAbout::cmdUpdatesClick);
    connect(cmdProxy, &QPushButton::clicked, this, &TfrmAbout::cmdProxyClick);
    connect(cmdDownload, &QPushButton::clicked, this, &TfrmAbout::cmdDownloadClick);

    auto* okRow = new QHBoxLayout;
    okRow->addStretch();
    okRow->addWidget(cmdOk);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(info);
    layout->addWidget(updates);
    layout->addLayout(okRow);
}

TfrmAbout::~TfrmAbout() = default;

void TfrmAbout::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblURL) {
        switch (event->type()) {
            case QEvent::Enter: lblURLMouseEnter(); break;
            case QEvent::Leave: lblURLMouseLeave(); break;
            case QEvent::MouseButtonRelease:
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) lblURLClick();
                break;
            default: break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmAbout::FormShow() {
    lblAppName->setText(kAppName);
    lblVersion->setText(QString::asprintf("%1.2lf", kAppVersion));
    lblCopyRight->setText(kCopyright);
    lblURL->setText(kWebSite);
    LoadProxySettings(m_registry, m_proxy);
}

void TfrmAbout::cmdUpdatesClick() { m_check.Run(*m_details, m_proxy); }

void TfrmAbout::cmdProxyClick() {
    m_proxySettings.Fill(m_proxy);
    if (m_proxySettings.exec() != QDialog::Accepted) return;
    m_proxy = m_proxySettings.Read(m_proxy);
    // The settings are in force whether or not they could be kept.
    SaveProxySettings(m_registry, m_proxy);
}

void TfrmAbout::cmdDownloadClick() { OpenWebAddress(DownloadUrl()); }

void TfrmAbout::lblURLClick() { OpenWebAddress(kWebSite); }

void TfrmAbout::lblURLMouseEnter() {
    QFont font = lblURL->font();
    font.setUnderline(true);
    lblURL->setFont(font);
}

void TfrmAbout::lblURLMouseLeave() {
    QFont font = lblURL->font();
    font.setUnderline(false);
    lblURL->setFont(font);
}
