// kestrune: the windowed program. Everything but wiring lives in kr_app.

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <exception>

#include "app/app_info.h"
#include "app/main_window.h"
#include "app/qt_prompts.h"
#include "platform/profile.h"
#include "platform/sim/simulated_network.h"

namespace {

// KESTRUNE_SCREENSHOT=file.png: once start-up has finished, save a picture
// of the main window as the display shows it and close the window. Used to
// document the program.
void ArrangeScreenshot(TfrmKestrune& window) {
    const QString target = qEnvironmentVariable("KESTRUNE_SCREENSHOT");
    if (target.isEmpty()) return;
    QObject::connect(&window, &TfrmKestrune::StartupDone, &window, [&window, target] {
        QTimer::singleShot(500, &window, [&window, target] {
            QPixmap picture;
            if (QScreen* screen = window.screen())
                picture = screen->grabWindow(window.winId());
            if (picture.isNull()) picture = window.grab();
            picture.save(target, "PNG");
            window.close();
        });
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    try {
        QApplication app(argc, argv);
        QApplication::setApplicationName(kAppName);

        std::vector<std::string> arguments;
        const QStringList args = QApplication::arguments();
        for (qsizetype i = 1; i < args.size(); ++i) arguments.push_back(args[i].toStdString());

        std::unique_ptr<SimulatedNetwork> network = CreateSimulatedNetwork(SimOptions::FromEnvironment());
        IniProfile profile = IniProfile::ForProgram(QApplication::applicationFilePath().toStdString());
        QtPrompts prompts;

        TfrmKestrune window(*network, *network, prompts, profile, std::move(arguments));
        prompts.SetMainWindow(&window);
        QObject::connect(&window, &TfrmKestrune::Closed, &app, &QApplication::quit, Qt::QueuedConnection);
        ArrangeScreenshot(window);
        window.show();
        app.exec();
    } catch (const std::exception& e) {
        // Qt's widgets may be gone by now: the box needs an application of its own.
        static char name[] = "kestrune";
        char* fallbackArgv[] = {name, nullptr};
        int fallbackArgc = 1;
        QApplication fallback(fallbackArgc, fallbackArgv);
        QMessageBox::critical(nullptr, kAppName, QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
