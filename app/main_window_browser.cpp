#include "app/main_window_browser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include "app/login_dialog.h"
#include "app/main_window.h"
#include "app/paint_now.h"
#include "app/status_window.h"

MainWindowBrowser::MainWindowBrowser(TfrmKestrune& window)
    : m_window(window),
      m_browser(window.Client(), window.Files(), window.UserPrompts(), window.State().session,
                *this, *this, m_drives, m_files),
      m_page(window.Client(), window.UserPrompts(), *this, window.State().serverPageReady,
             window.Audit()) {
    const auto& ui = m_window.ui();
    QTreeView* tree = ui.tvwDrives;
    tree->setIndentation(19);
    tree->setUniformRowHeights(true);
    // Neither view has a caption of its own on the screen.
    tree->setAccessibleName("Drives and servers");
    ui.lvwFiles->setAccessibleName("Files");
    m_window.SetDrivesModel(&m_drives);
    m_window.SetFilesModel(&m_files);
    for (QLabel* label : {ui.lblServerName, ui.lblLicenseCount, ui.lblSuperEquivalent, ui.lblLoginStatus})
        label->setTextFormat(Qt::PlainText);

    QObject::connect(tree, &QTreeView::expanded, tree, [this](const QModelIndex& index) { Expanded(index); });
    QObject::connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, tree,
                     [this](const QModelIndex& current) {
                         m_browser.tvwDrivesChange(m_drives.NodeAt(current));
                     });
    QObject::connect(ui.lvwFiles->selectionModel(), &QItemSelectionModel::currentChanged,
                     ui.lvwFiles, [this](const QModelIndex& current) {
                         if (!current.isValid()) {
                             m_browser.lvwFilesChange(nullptr);
                             return;
                         }
                         const std::string caption = current.data().toString().toStdString();
                         m_browser.lvwFilesChange(&caption);
                     });
}

// The view has no way to refuse an expansion before it happens: a refused
// one is undone at once, before anything is painted.
void MainWindowBrowser::Expanded(const QModelIndex& index) {
    TreeNode* node = m_drives.NodeAt(index);
    if (!node || m_browser.tvwDrivesExpanding(node)) return;
    m_window.ui().tvwDrives->collapse(index);
}

TreeNode* MainWindowBrowser::SelectedNode() const {
    const QItemSelectionModel* selection = m_window.ui().tvwDrives->selectionModel();
    const QModelIndex current = selection->currentIndex();
    return selection->isSelected(current) ? m_drives.NodeAt(current) : nullptr;
}

ServerSelection MainWindowBrowser::Selection() const {
    ServerSelection selection;
    const TreeNode* node = SelectedNode();
    selection.nodeSelected = node != nullptr;
    selection.hasRecord = node && node->record;
    if (selection.hasRecord) selection.serverName = node->record->serverName;
    return selection;
}

bool MainWindowBrowser::ShowDrives() const { return m_window.ui().chkShowDrives->isChecked(); }
bool MainWindowBrowser::ShowServers() const { return m_window.ui().chkShowServers->isChecked(); }
bool MainWindowBrowser::UseIPX() const { return m_window.ui().chkUseIPX->isChecked(); }
bool MainWindowBrowser::UseIP() const { return m_window.ui().chkUseIP->isChecked(); }

void MainWindowBrowser::ShowStatus() { m_window.frmStatus().ShowWindow(); }

void MainWindowBrowser::SetStatus(const std::string& text) {
    m_window.frmStatus().SetStatus(QString::fromStdString(text));
}

void MainWindowBrowser::HideStatus() { m_window.frmStatus().hide(); }

void MainWindowBrowser::SetPathText(const std::string& text) {
    m_window.ui().cboFileName->setEditText(QString::fromStdString(text));
}

// A load paints the window as it starts (the busy pointer, the list about to
// change) and as it ends. Painting the whole window costs more than listing
// a small directory, so a paint that would follow the last one within this
// interval is left to the event loop, which paints as soon as the load
// returns.
void MainWindowBrowser::RepaintWindow() {
    constexpr qint64 kWindowPaintMs = 500;
    PaintNowOrSoon(&m_window, m_windowPainted, kWindowPaintMs);
}

bool MainWindowBrowser::AskLogin(const std::string& details, std::string& userName,
                                 std::string& password) {
    TfrmLoginBox& box = m_window.frmLoginBox();
    box.lblDetails->setText(QString::fromStdString(details));
    if (box.exec() != TfrmLoginBox::kResultOK) return false;
    userName = box.txtUserName->text().toStdString();
    password = box.txtPassword->text().toStdString();
    return true;
}

void MainWindowBrowser::SetServerName(const std::string& text) {
    m_window.ui().lblServerName->setText(QString::fromStdString(text));
}
void MainWindowBrowser::SetLicenseCount(const std::string& text) {
    m_window.ui().lblLicenseCount->setText(QString::fromStdString(text));
}
void MainWindowBrowser::SetSuperEquivalent(const std::string& text) {
    m_window.ui().lblSuperEquivalent->setText(QString::fromStdString(text));
}
void MainWindowBrowser::SetLoginStatus(const std::string& text) {
    m_window.ui().lblLoginStatus->setText(QString::fromStdString(text));
}
