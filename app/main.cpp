// kestrune: the windowed program. Everything but wiring lives in kr_app.

#include <QAbstractItemModel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTreeView>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <optional>

#include "app/about_dialog.h"
#include "app/application.h"
#include "app/main_window.h"
#include "app/qt_prompts.h"
#include "app/settings.h"
#include "platform/audit_log.h"
#include "platform/profile.h"
#include "platform/sim/simulated_network.h"

namespace {

// Before a screenshot: expands the tree along the node texts of browse
// ("FS1/DATA/ACCOUNTS"), selects the last node and then the file named by
// file, if any, as a person would with the mouse.
void Browse(TfrmKestrune& window, const QString& browse, const QString& file) {
    QTreeView* tree = window.ui().tvwDrives;
    QModelIndex node;
    for (const QString& text : browse.split('/', Qt::SkipEmptyParts)) {
        if (node.isValid()) tree->expand(node);
        const QAbstractItemModel* model = tree->model();
        QModelIndex found;
        for (int r = 0; r < model->rowCount(node) && !found.isValid(); ++r)
            if (model->index(r, 0, node).data().toString() == text) found = model->index(r, 0, node);
        if (!found.isValid()) break;
        node = found;
    }
    if (node.isValid()) tree->setCurrentIndex(node);
    QTreeView* files = window.ui().lvwFiles;
    for (int r = 0; r < files->model()->rowCount() && !file.isEmpty(); ++r)
        if (files->model()->index(r, 0).data().toString() == file)
            files->setCurrentIndex(files->model()->index(r, 0));
}

// KESTRUNE_SCREENSHOT=file.png: once start-up has finished, save a picture
// of the main window as the display shows it and close the window. Used to
// document the program. KESTRUNE_SCREENSHOT_BROWSE and _FILE walk the
// browser first (see Browse); KESTRUNE_SCREENSHOT_TAB names the tab to show.
// With KESTRUNE_SCREENSHOT_ABOUT=1 the picture is of the About box instead,
// after a check for updates.
void ArrangeScreenshot(TfrmKestrune& window) {
    const QString target = qEnvironmentVariable("KESTRUNE_SCREENSHOT");
    if (target.isEmpty()) return;
    const bool about = qEnvironmentVariable("KESTRUNE_SCREENSHOT_ABOUT") == "1";
    QObject::connect(&window, &TfrmKestrune::StartupDone, &window, [&window, target, about] {
        Browse(window, qEnvironmentVariable("KESTRUNE_SCREENSHOT_BROWSE"),
               qEnvironmentVariable("KESTRUNE_SCREENSHOT_FILE"));
        const QString tab = qEnvironmentVariable("KESTRUNE_SCREENSHOT_TAB");
        QTabWidget* pages = window.ui().tabPages;
        for (int i = 0; i < pages->count() && !tab.isEmpty(); ++i)
            if (pages->tabText(i) == tab) pages->setCurrentIndex(i);
        QWidget* shown = &window;
        if (about) {
            TfrmAbout& box = window.frmAbout();
            box.show();
            box.cmdUpdates->click();
            shown = &box;
        }
        QTimer::singleShot(500, &window, [&window, shown, target] {
            QPixmap picture;
            if (QScreen* screen = shown->screen()) picture = screen->grabWindow(shown->winId());
            if (picture.isNull()) picture = shown->grab();
            picture.save(target, "PNG");
            shown->close();
            window.close();
        });
    });
}

// The directories this build installs its programs to: that of
// `cmake --install` and that of the Debian package.
std::vector<std::filesystem::path> InstallDirectories() {
    std::vector<std::filesystem::path> directories;
    for (const QString& d : QStringLiteral(KR_INSTALL_BINDIRS).split(':', Qt::SkipEmptyParts)) {
        directories.emplace_back(d.toStdString());
    }
    return directories;
}

// --help and --version, answered on the console before a window system is
// opened, so they work without a display. Only a command line with a dash
// in it is looked at; every other start is left exactly as it was.
std::optional<QString> ConsoleAnswer(int argc, char* argv[]) {
    bool dash = false;
    for (int i = 1; i < argc; ++i) dash = dash || argv[i][0] == '-';
    if (!dash) return std::nullopt;
    QCoreApplication console(argc, argv);
    SetApplicationMetadata();
    return CommandLineAnswer(QCoreApplication::arguments());
}

int Run(int argc, char* argv[]) {
    KestruneApplication app(argc, argv);
    try {
        std::vector<std::string> arguments;
        const QStringList args = QApplication::arguments();
        for (qsizetype i = 1; i < args.size(); ++i) arguments.push_back(args[i].toStdString());

        std::unique_ptr<SimulatedNetwork> network = CreateSimulatedNetwork(SimOptions::FromEnvironment());
        IniProfile profile = SettingsProfile(QApplication::applicationFilePath().toStdString(),
                                             InstallDirectories());
        QtPrompts prompts;

        const std::unique_ptr<AuditLog> audit = CreateSystemAuditLog("kestrune");
        TfrmKestrune window(*network, *network, prompts, profile, *audit, std::move(arguments));
        prompts.SetMainWindow(&window);
        QObject::connect(&window, &TfrmKestrune::Closed, &app, &QApplication::quit,
                         Qt::QueuedConnection);
        ArrangeScreenshot(window);
        window.show();
        app.exec();
    } catch (const std::exception& e) {
        KestruneApplication::ShowException(e.what());
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    try {
        if (const std::optional<QString> answer = ConsoleAnswer(argc, argv)) {
            std::fputs(answer->toLocal8Bit().constData(), stdout);
            return 0;
        }
        return Run(argc, argv);
    } catch (...) {
        // Nothing to show it with: the application object itself failed.
        return 0;
    }
}
