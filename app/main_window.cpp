#include "app/main_window.h"
#include "app/main_window_actions.h"
#include "app/main_window_browser.h"
#include "app/main_window_query.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/about_dialog.h"
#include "app/app_info.h"
#include "app/login_dialog.h"
#include "app/message_dialog.h"
#include "app/paint_now.h"
#include "app/proxy_settings_dialog.h"
#include "app/status_window.h"
#include "app/user_info_dialog.h"

namespace {

constexpr std::array<const char*, kUsersColumns> kUsersHeaders{
    "Conn", "File Name", "User Name", "Login Time", "Address", "Full Name"};
constexpr std::array<const char*, kLocksColumns> kLocksHeaders{
    "Conn", "File Name", "User Name", "Lock Type", "Start Position", "End Position", "Task"};

// A model that only carries column headers, until a subsystem supplies its own.
QStandardItemModel* HeaderModel(QObject* parent, std::initializer_list<const char*> headers) {
    auto* model = new QStandardItemModel(0, static_cast<int>(headers.size()), parent);
    int column = 0;
    for (const char* h : headers) model->setHeaderData(column++, Qt::Horizontal, h);
    return model;
}

template <std::size_t N>
QStandardItemModel* HeaderModel(QObject* parent, const std::array<const char*, N>& headers) {
    auto* model = new QStandardItemModel(0, static_cast<int>(N), parent);
    for (std::size_t i = 0; i < N; ++i)
        model->setHeaderData(static_cast<int>(i), Qt::Horizontal, headers[i]);
    return model;
}

QTreeView* ReportList(QWidget* parent, const char* name, QAbstractItemView::SelectionMode mode) {
    auto* view = new QTreeView(parent);
    view->setObjectName(name);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(mode);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionsMovable(false);
    view->header()->setSectionsClickable(true);
    view->header()->setMinimumSectionSize(0);
    return view;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QLabel* Label(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    return l;
}

}  // namespace

TfrmKestrune::TfrmKestrune(NWClient& client, WorkstationFiles& files, Prompts& prompts,
                           IniProfile& profile, AuditLog& audit, std::vector<std::string> arguments,
                           QWidget* parent)
    : QMainWindow(parent),
      m_client(client),
      m_files(files),
      m_prompts(prompts),
      m_profile(profile),
      m_audit(audit),
      m_arguments(std::move(arguments)) {
    setObjectName("frmKestrune");
    setWindowTitle(kAppName);

    auto* central = new QWidget(this);
    m_ui.tabPages = new QTabWidget(central);
    m_ui.tabPages->setObjectName("tabPages");
    BuildPathTab();
    BuildUsersTab();
    BuildLocksTab();
    BuildOptionsTab();
    BuildServerInfoTab();

    m_ui.cmdCheck = Button(central, "cmdCheck", "Check");
    m_ui.cmdMapDrive = Button(central, "cmdMapDrive", "Map Drive");
    m_ui.cmdAbout = Button(central, "cmdAbout", "About");
    m_ui.cmdCheck->setDefault(true);
    m_ui.cmdCheck->setToolTip("Show the connections using the path");
    m_ui.cmdMapDrive->setToolTip("Map a network drive");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_ui.cmdCheck);
    buttons->addWidget(m_ui.cmdMapDrive);
    buttons->addWidget(m_ui.cmdAbout);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(m_ui.tabPages, 1);
    layout->addLayout(buttons);
    setCentralWidget(central);

    BuildMenu();

    // The design shows "Users"; start-up selects "Path" once the client is up.
    m_ui.tabPages->setCurrentWidget(m_ui.tabUsers);

    setMinimumSize(kMinWidth, kMinHeight);
    resize(kClientWidth, kClientHeight + m_ui.MainMenu1->sizeHint().height());

    ConnectHandlers();
    qApp->installEventFilter(this);
    CreateDialogs();
    m_query = std::make_unique<MainWindowQuery>(*this);
    m_actions = std::make_unique<MainWindowActions>(
        m_client, m_state.session, m_prompts, m_audit,
        MainWindowActions::Controls{m_ui.lvwUsers, m_ui.lvwLocks, m_ui.chkConfirm, m_frmMessage,
                                    m_frmUserInfo},
        MainWindowActions::Hooks{[this] { GetOpenFilesData(); }, [this] { lvwUsersDblClick(); },
                                 [this] { LoadDrives(); }},
        m_state.lastUsersMouseDown);
    m_browser = std::make_unique<MainWindowBrowser>(*this);
}

TfrmKestrune::~TfrmKestrune() = default;

void TfrmKestrune::BuildPathTab() {
    auto* tab = new QWidget;
    tab->setObjectName("TabSheet1");
    m_ui.TabSheet1 = tab;

    auto* toolBar = new QToolBar(tab);
    toolBar->setObjectName("ToolBar1");
    m_ui.cboFileName = new QComboBox(toolBar);
    m_ui.cboFileName->setObjectName("cboFileName");
    m_ui.cboFileName->setEditable(true);
    // The list holds the recent paths only; typing a path must not add one.
    m_ui.cboFileName->setInsertPolicy(QComboBox::NoInsert);
    m_ui.cboFileName->setFixedWidth(457);
    m_ui.cboFileName->setMaxVisibleItems(static_cast<int>(RecentPaths::kSlots));
    m_ui.cboFileName->setToolTip("Path of a file, a pattern or a directory to check");
    toolBar->addWidget(m_ui.cboFileName);

    m_ui.Splitter1 = new QSplitter(Qt::Horizontal, tab);
    m_ui.Splitter1->setObjectName("Splitter1");
    m_ui.tvwDrives = new QTreeView(m_ui.Splitter1);
    m_ui.tvwDrives->setObjectName("tvwDrives");
    m_ui.tvwDrives->setHeaderHidden(true);
    m_ui.tvwDrives->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ui.tvwDrives->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ui.tvwDrives->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ui.tvwDrives->setAllColumnsShowFocus(true);
    m_ui.tvwDrives->setModel(new QStandardItemModel(this));
    m_ui.lvwFiles = ReportList(m_ui.Splitter1, "lvwFiles", QAbstractItemView::SingleSelection);
    m_ui.lvwFiles->setModel(HeaderModel(this, {"File Name"}));
    m_ui.lvwFiles->header()->setStretchLastSection(true);
    m_ui.Splitter1->addWidget(m_ui.tvwDrives);
    m_ui.Splitter1->addWidget(m_ui.lvwFiles);
    m_ui.Splitter1->setStretchFactor(0, 0);
    m_ui.Splitter1->setStretchFactor(1, 1);
    m_ui.Splitter1->setSizes({185, 400});

    m_ui.chkCheckSub = new QCheckBox(kOptionKeys[static_cast<std::size_t>(Option::CheckSub)].caption, tab);
    m_ui.chkCheckSub->setObjectName("chkCheckSub");
    m_ui.chkCheckSub->setToolTip("Check the subdirectories of the path too");

    auto* loginGroup = new QGroupBox("Login Status", tab);
    m_ui.lblLoginStatus = Label(loginGroup, "lblLoginStatus");
    m_ui.cmdEnableLogins = Button(loginGroup, "cmdEnableLogins", "Enable Logins");
    m_ui.cmdDisableLogins = Button(loginGroup, "cmdDisableLogins", "Disable Logins");
    auto* loginLayout = new QVBoxLayout(loginGroup);
    loginLayout->addWidget(m_ui.lblLoginStatus);
    loginLayout->addWidget(m_ui.cmdEnableLogins);
    loginLayout->addWidget(m_ui.cmdDisableLogins);

    auto* right = new QVBoxLayout;
    right->addWidget(m_ui.chkCheckSub);
    right->addWidget(loginGroup);
    right->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(m_ui.Splitter1, 1);
    body->addLayout(right);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(toolBar);
    layout->addLayout(body, 1);

    m_ui.tabPages->addTab(tab, "Path");
}

void TfrmKestrune::BuildUsersTab() {
    auto* tab = new QWidget;
    tab->setObjectName("tabUsers");
    m_ui.tabUsers = tab;

    m_ui.lvwUsers = ReportList(tab, "lvwUsers", QAbstractItemView::ExtendedSelection);
    m_ui.lvwUsers->setModel(HeaderModel(this, kUsersHeaders));
    ApplyColumnWidths(m_ui.lvwUsers, m_usersWidths.data(), m_usersWidths.size());
    m_ui.lvwUsers->setToolTip("Double click a row to see what else its connection has open");
    m_ui.txtScanStatus = Label(tab, "txtScanStatus");
    m_ui.cmdRefresh = Button(tab, "cmdRefresh", "Refresh");
    m_ui.cmdClear = Button(tab, "cmdClear", "Clear");
    m_ui.cmdClearAll = Button(tab, "cmdClearAll", "Clear All");
    m_ui.cmdSendMessage = Button(tab, "cmdSendMessage", "Send Message");

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_ui.cmdRefresh, m_ui.cmdClear, m_ui.cmdClearAll, m_ui.cmdSendMessage})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_ui.lvwUsers, 1);
    layout->addWidget(m_ui.txtScanStatus);
    layout->addLayout(buttons);

    m_ui.tabPages->addTab(tab, "Users");
}

void TfrmKestrune::BuildLocksTab() {
    auto* tab = new QWidget;
    tab->setObjectName("tabLocks");
    m_ui.tabLocks = tab;

    m_ui.lvwLocks = ReportList(tab, "lvwLocks", QAbstractItemView::SingleSelection);
    m_ui.lvwLocks->setModel(HeaderModel(this, kLocksHeaders));
    ApplyColumnWidths(m_ui.lvwLocks, m_locksWidths.data(), m_locksWidths.size());
    m_ui.lblCheckLocks = new QLabel("Lock Checking Disabled - enable in options tab", tab);
    m_ui.lblCheckLocks->setObjectName("lblCheckLocks");
    QFont bold = m_ui.lblCheckLocks->font();
    bold.setBold(true);
    m_ui.lblCheckLocks->setFont(bold);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_ui.lvwLocks, 1);
    layout->addWidget(m_ui.lblCheckLocks);

    m_ui.tabPages->addTab(tab, "Locks");
}

void TfrmKestrune::BuildOptionsTab() {
    auto* tab = new QWidget;
    tab->setObjectName("tabOptions");
    m_ui.tabOptions = tab;

    for (const OptionKey& k : kOptionKeys) {
        const auto i = static_cast<std::size_t>(k.option);
        if (k.option == Option::CheckSub) {
            m_ui.options[i] = m_ui.chkCheckSub;
            continue;
        }
        auto* box = new QCheckBox(k.caption, tab);
        box->setObjectName(k.boxName);
        m_ui.options[i] = box;
    }
    auto box = [this](Option o) { return m_ui.options[static_cast<std::size_t>(o)]; };
    m_ui.chkConfirm = box(Option::Confirm);
    m_ui.chkShowContext = box(Option::ShowContext);
    m_ui.chkShowNetwork = box(Option::ShowNetwork);
    m_ui.chkShowHints = box(Option::ShowHints);
    m_ui.chkCheckLocks = box(Option::CheckLocks);
    m_ui.chkShowFullName = box(Option::ShowFullName);
    m_ui.chkShowDrives = box(Option::ShowDrives);
    m_ui.chkShowServers = box(Option::ShowServers);
    m_ui.chkUseIPX = box(Option::UseIPX);
    m_ui.chkUseIP = box(Option::UseIP);
    const OptionStates builtIn = BuiltInOptionStates();
    for (std::size_t i = 0; i < kOptionCount; ++i) m_ui.options[i]->setChecked(builtIn[i]);

    auto* options = new QGroupBox("Options", tab);
    auto* optionsLayout = new QVBoxLayout(options);
    for (QCheckBox* b : {m_ui.chkConfirm, m_ui.chkShowContext, m_ui.chkShowNetwork,
                         m_ui.chkShowHints, m_ui.chkCheckLocks, m_ui.chkShowFullName}) {
        b->setParent(options);
        optionsLayout->addWidget(b);
    }
    m_ui.cmdDefault = Button(tab, "cmdDefault", "Set Default");
    m_ui.cmdDefault->setToolTip("Keep these options for the next start");

    auto* drives = new QGroupBox("Servers/Drives", tab);
    auto* drivesLayout = new QVBoxLayout(drives);
    for (QCheckBox* b : {m_ui.chkShowDrives, m_ui.chkShowServers}) {
        b->setParent(drives);
        drivesLayout->addWidget(b);
    }
    auto* detection = new QGroupBox("Server Detection", tab);
    auto* detectionLayout = new QVBoxLayout(detection);
    for (QCheckBox* b : {m_ui.chkUseIPX, m_ui.chkUseIP}) {
        b->setParent(detection);
        detectionLayout->addWidget(b);
    }
    m_ui.cmdReload = Button(tab, "cmdReload", "Reload Server List");

    auto* left = new QVBoxLayout;
    left->addWidget(options);
    left->addWidget(m_ui.cmdDefault, 0, Qt::AlignLeft);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(drives);
    right->addWidget(detection);
    right->addWidget(m_ui.cmdReload, 0, Qt::AlignLeft);
    right->addStretch();
    auto* layout = new QHBoxLayout(tab);
    layout->addLayout(left);
    layout->addLayout(right);
    layout->addStretch();

    m_ui.tabPages->addTab(tab, "Options");
}

void TfrmKestrune::BuildServerInfoTab() {
    auto* tab = new QWidget;
    tab->setObjectName("tabServerInfo");
    m_ui.tabServerInfo = tab;

    auto* group = new QGroupBox("Server Information", tab);
    m_ui.lblServerName = Label(group, "lblServerName");
    m_ui.lblLicenseCount = Label(group, "lblLicenseCount");
    m_ui.lblSuperEquivalent = Label(group, "lblSuperEquivalent");
    auto* form = new QFormLayout(group);
    form->addRow("Server Name :", m_ui.lblServerName);
    form->addRow("Connections In Use :", m_ui.lblLicenseCount);
    form->addRow("Supervisor Equivalent :", m_ui.lblSuperEquivalent);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(group);
    layout->addStretch();

    m_ui.tabPages->addTab(tab, "Server Info");
}

void TfrmKestrune::BuildMenu() {
    m_ui.MainMenu1 = menuBar();
    m_ui.MainMenu1->setObjectName("MainMenu1");

    QMenu* file = m_ui.MainMenu1->addMenu("File");
    file->setObjectName("File1");
    m_ui.Exit1 = file->addAction("Exit");
    m_ui.Exit1->setObjectName("Exit1");

    QMenu* edit = m_ui.MainMenu1->addMenu("Edit");
    edit->setObjectName("Edit1");
    m_ui.ReloadServerList1 = edit->addAction("Reload Server List");
    m_ui.ReloadServerList1->setObjectName("ReloadServerList1");

    m_ui.About1 = m_ui.MainMenu1->addMenu("Help");
    m_ui.About1->setObjectName("About1");
    m_ui.About2 = m_ui.About1->addAction("About");
    m_ui.About2->setObjectName("About2");
}

void TfrmKestrune::CreateDialogs() {
    // In the program's fixed order, right after the main window.
    m_frmUserInfo = new TfrmUserInfo(this);
    m_frmMessage = new TfrmMessage(this);
    m_frmStatus = new TfrmStatus(this);
    m_frmLoginBox = new TfrmLoginBox(this);
    m_frmProxySettings = new TfrmProxySettings(this);
    m_frmAbout = new TfrmAbout(*m_frmProxySettings, m_prompts, UserRegistry::ForUser(),
                               std::make_unique<CurlHttpGet>(), this);
}

void TfrmKestrune::ConnectHandlers() {
    connect(m_ui.Exit1, &QAction::triggered, this, &TfrmKestrune::Exit1Click);
    connect(m_ui.About2, &QAction::triggered, this, &TfrmKestrune::About2Click);
    connect(m_ui.ReloadServerList1, &QAction::triggered, this, &TfrmKestrune::cmdReloadClick);
    connect(m_ui.cmdAbout, &QPushButton::clicked, this, &TfrmKestrune::cmdHelpClick);
    connect(m_ui.cmdCheck, &QPushButton::clicked, this, &TfrmKestrune::cmdCheckClick);
    connect(m_ui.cmdMapDrive, &QPushButton::clicked, this, &TfrmKestrune::cmdMapDriveClick);
    connect(m_ui.cmdDefault, &QPushButton::clicked, this, &TfrmKestrune::cmdDefaultClick);
    connect(m_ui.cmdReload, &QPushButton::clicked, this, &TfrmKestrune::cmdReloadClick);
    connect(m_ui.cmdEnableLogins, &QPushButton::clicked, this, &TfrmKestrune::cmdEnableLoginsClick);
    connect(m_ui.cmdDisableLogins, &QPushButton::clicked, this, &TfrmKestrune::cmdDisableLoginsClick);
    connect(m_ui.cmdRefresh, &QPushButton::clicked, this, &TfrmKestrune::LMDButton1Click);
    connect(m_ui.cmdClear, &QPushButton::clicked, this, &TfrmKestrune::LMDButton2Click);
    connect(m_ui.cmdClearAll, &QPushButton::clicked, this, &TfrmKestrune::LMDButton3Click);
    connect(m_ui.cmdSendMessage, &QPushButton::clicked, this, &TfrmKestrune::cmdSendMessageClick);
    connect(m_ui.lvwFiles, &QAbstractItemView::doubleClicked, this, &TfrmKestrune::lvwFilesDblClick);
    // Also fires when the settings set the box, so the notice follows at start.
    connect(m_ui.chkCheckLocks, &QCheckBox::toggled, this, &TfrmKestrune::chkCheckLocksClick);
    chkCheckLocksClick();
}

// ---- start-up -------------------------------------------------------------

void TfrmKestrune::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_startupQueued) {
        m_startupQueued = true;
        // After the window is on the screen, so boxes shown by start-up have
        // their owner visible.
        QMetaObject::invokeMethod(this, &TfrmKestrune::FormShow, Qt::QueuedConnection);
    }
}

void TfrmKestrune::FormShow() {
    if (m_startupRan) return;
    m_startupRan = true;

    if (!m_arguments.empty()) {
        QString path = QString::fromStdString(m_arguments.front());
        if (path.size() > kMaxArgumentChars) {
            qsizetype keep = kMaxArgumentChars;
            if (path[keep - 1].isHighSurrogate()) --keep;
            path.truncate(keep);
        }
        m_commandLinePath = path.toStdString();
    }
    m_state.recent.Clear();

    if (const NWCode code = m_client.NWCallsInit(); code != 0) {
        // The window stays as designed and closing it writes nothing.
        m_prompts.ErrorBox("Cannot Init Netware", code);
        m_startupFinished = true;
        emit StartupDone();
        return;
    }

    if (const NWCode code = m_client.DSCreateContextHandle(m_state.session.dsContext); code != 0)
        m_prompts.ErrorBox("NWCDSCreateContextHandle() ", code);
    // When the flags cannot be read, only the typeless bit is written.
    std::uint32_t flags = 0;
    if (const NWCode code = m_client.DSGetContext(m_state.session.dsContext, kDSContextFlags, flags); code != 0) {
        flags = 0;
        m_prompts.ErrorBox("Cannot Get Context", code);
    }
    flags |= kDSFlagTypeless;
    if (const NWCode code = m_client.DSSetContext(m_state.session.dsContext, kDSContextFlags, flags); code != 0)
        m_prompts.ErrorBox("Cannot Set Context", code);
    if (const NWCode code =
            m_client.DSSetContext(m_state.session.dsContext, kDSContextNameContext, std::string("[root]"));
        code != 0)
        m_prompts.ErrorBox("Cannot Set Context", code);

    LoadDefaults();
    m_hintsOn = m_ui.chkShowHints->isChecked();
    ApplyButtonSwitches();
    m_ui.tabPages->setCurrentWidget(m_ui.TabSheet1);
    // The steps from here on hold the event loop for as long as the network
    // takes: the window is painted first, not left blank until they end.
    PaintNow(*this);

    LoadDrives();
    m_prompts.SetBusyPointer(false);
    repaint();

    m_state.serverPageReady = true;
    UpdateServerPage();

    if (m_commandLinePath) {
        m_ui.cboFileName->setEditText(QString::fromStdString(*m_commandLinePath));
        GetOpenFilesData();
        m_prompts.SetBusyPointer(false);
    }
    m_startupFinished = true;
    emit StartupDone();
}

void TfrmKestrune::LoadDefaults() {
    const StoredSettings stored = LoadSettings(m_profile);
    for (std::size_t i = 0; i < kOptionCount; ++i) m_ui.options[i]->setChecked(stored.options[i]);

    ApplyPlacement(stored.placement);

    m_usersWidths = stored.usersColumns;
    m_locksWidths = stored.locksColumns;
    ApplyColumnWidths(m_ui.lvwUsers, m_usersWidths.data(), m_usersWidths.size());
    ApplyColumnWidths(m_ui.lvwLocks, m_locksWidths.data(), m_locksWidths.size());

    m_state.switches = stored.switches;
    m_state.recent = stored.recent;
    RebuildPickList();
    m_settingsLoaded = true;
}

void TfrmKestrune::ApplyPlacement(const StoredPlacement& stored) {
    Rect screenRect;
    Rect desktop;
    if (const QScreen* s = screen()) {
        const QRect g = s->geometry();
        const QRect v = s->virtualGeometry();
        screenRect = {g.left(), g.top(), g.width(), g.height()};
        desktop = {v.left(), v.top(), v.width(), v.height()};
    }
    const Rect r =
        ResolvePlacement(stored, width(), height(), kMinWidth, kMinHeight, screenRect, desktop);
    resize(r.width, r.height);
    move(r.left, r.top);
    switch (StateFromStored(stored.state)) {
        case WindowState::Minimised: setWindowState(Qt::WindowMinimized); break;
        case WindowState::Maximised: setWindowState(Qt::WindowMaximized); break;
        case WindowState::Normal: break;
    }
}

void TfrmKestrune::ApplyButtonSwitches() {
    if (m_state.switches.enableLogins == 0) {
        m_ui.cmdEnableLogins->hide();
        m_ui.cmdDisableLogins->hide();
    }
    if (m_state.switches.enableClear == 0) {
        m_ui.cmdClear->hide();
        m_ui.cmdClearAll->hide();
    }
    if (m_state.switches.enableSend == 0) m_ui.cmdSendMessage->hide();
}

// ---- recent paths ----------------------------------------------------------

void TfrmKestrune::UpdatePickList(const std::string& path) {
    m_state.recent.Update(path);
    RebuildPickList();
    m_ui.cboFileName->setEditText(QString::fromStdString(path));
}

void TfrmKestrune::RebuildPickList() {
    QComboBox* box = m_ui.cboFileName;
    const QString text = box->currentText();
    const QSignalBlocker block(box);
    box->clear();
    for (const std::string& path : m_state.recent.PickList()) box->addItem(QString::fromStdString(path));
    // Filling an editable box selects its first item; the text stays as it was.
    box->setCurrentIndex(-1);
    box->setEditText(text);
}

// ---- options -------------------------------------------------------------

OptionStates TfrmKestrune::CurrentOptions() const {
    OptionStates states{};
    for (std::size_t i = 0; i < kOptionCount; ++i) states[i] = m_ui.options[i]->isChecked();
    return states;
}

void TfrmKestrune::cmdDefaultClick() { SaveDefaults(m_profile, CurrentOptions()); }

void TfrmKestrune::chkCheckLocksClick() {
    m_ui.lblCheckLocks->setVisible(!m_ui.chkCheckLocks->isChecked());
}

// ---- list models -----------------------------------------------------------

void TfrmKestrune::ApplyColumnWidths(QTreeView* view, const int* widths, std::size_t count) {
    QHeaderView* header = view->header();
    for (std::size_t i = 0; i < count && static_cast<int>(i) < header->count(); ++i)
        header->resizeSection(static_cast<int>(i), std::max(widths[i], 0));
}

void TfrmKestrune::SetModelKeepingWidths(QTreeView* view, QAbstractItemModel* model) {
    QHeaderView* header = view->header();
    std::vector<int> widths;
    for (int i = 0; i < header->count(); ++i) widths.push_back(header->sectionSize(i));
    view->setModel(model);
    ApplyColumnWidths(view, widths.data(), widths.size());
}

void TfrmKestrune::SetUsersModel(QAbstractItemModel* model) { SetModelKeepingWidths(m_ui.lvwUsers, model); }
void TfrmKestrune::SetLocksModel(QAbstractItemModel* model) { SetModelKeepingWidths(m_ui.lvwLocks, model); }
void TfrmKestrune::SetFilesModel(QAbstractItemModel* model) { SetModelKeepingWidths(m_ui.lvwFiles, model); }
void TfrmKestrune::SetDrivesModel(QAbstractItemModel* model) { m_ui.tvwDrives->setModel(model); }

// ---- closing ---------------------------------------------------------------

void TfrmKestrune::Exit1Click() { close(); }

void TfrmKestrune::cmdHelpClick() { m_frmAbout->exec(); }

void TfrmKestrune::About2Click() { m_frmAbout->exec(); }

void TfrmKestrune::FormKeyPress() { close(); }

void TfrmKestrune::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
    emit Closed();
}

void TfrmKestrune::FormClose() {
    // After a start-up that never loaded the settings, the built-in layout and
    // an empty list would overwrite what the user had stored.
    if (!m_settingsLoaded || m_closeSaved) return;
    m_closeSaved = true;
    SavePickList();
}

void TfrmKestrune::SavePickList() {
    ClosingState closing;
    for (int i = 0; i < m_ui.cboFileName->count(); ++i)
        closing.pickList.push_back(m_ui.cboFileName->itemText(i).toStdString());
    closing.checkSub = m_ui.chkCheckSub->isChecked();
    const Qt::WindowStates state = windowState();
    closing.state = state & Qt::WindowMinimized   ? WindowState::Minimised
                    : state & Qt::WindowMaximized ? WindowState::Maximised
                                                  : WindowState::Normal;
    closing.normal = {x(), y(), width(), height()};

    auto widths = [](QTreeView* view, auto stored) {
        const QHeaderView* header = view->header();
        for (std::size_t i = 0; i < stored.size() && static_cast<int>(i) < header->count(); ++i)
            stored[i] = header->sectionSize(static_cast<int>(i));
        return stored;
    };
    closing.usersColumns = widths(m_ui.lvwUsers, m_usersWidths);
    closing.locksColumns = widths(m_ui.lvwLocks, m_locksWidths);
    ::SavePickList(m_profile, closing);
}

// ---- keys and hints ----------------------------------------------------------

bool TfrmKestrune::OwnsWidget(QObject* object) const {
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget && widget->window() == this;
}

bool TfrmKestrune::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && !m_hintsOn) return true;
    if (event->type() != QEvent::KeyPress || !OwnsWidget(watched)) return false;

    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
        FormKeyPress();
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // A focused push button takes Enter for itself; anywhere else Enter
        // presses the default button.
        if (auto* button = qobject_cast<QPushButton*>(watched)) {
            button->click();
            return true;
        }
        if (m_ui.cmdCheck->isVisible() && m_ui.cmdCheck->isEnabled()) {
            m_ui.cmdCheck->click();
            return true;
        }
    }
    return false;
}
