// Takes docs/other-files.png: the main window on the demo network with a
// query's Users list, and the "Other Files Open" window of one of its rows in
// front, as a person gets it by double-clicking the row. Run it on a display
// of its own (scripts/screenshot-other-files.sh); it is not a test.
//
//   other_files_screenshot output.png path user

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <cstdio>

#include "app/main_window.h"
#include "app/qt_prompts.h"
#include "app/user_info_dialog.h"
#include "platform/profile.h"
#include "platform/sim/simulated_network.h"
#include "query/result_list.h"

namespace {

QRect FrameOf(const QWidget& w) { return w.frameGeometry(); }

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: other_files_screenshot output.png path user\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString user = QString::fromLocal8Bit(argv[3]);

    std::unique_ptr<SimulatedNetwork> network = CreateSimulatedNetwork(SimOptions::FromEnvironment());
    const std::string settings = QDir::temp().filePath("kr-screenshot.ini").toStdString();
    IniProfile profile(settings, settings);
    QtPrompts prompts;
    MemoryAuditLog audit;
    TfrmKestrune window(*network, *network, prompts, profile, audit, {argv[2]});
    prompts.SetMainWindow(&window);
    window.show();
    if (!QTest::qWaitFor([&] { return window.StartupFinished(); }, 30000)) return 1;

    QTreeView* users = window.ui().lvwUsers;
    int row = -1;
    for (int r = 0; r < users->model()->rowCount() && row < 0; ++r) {
        const QModelIndex name = users->model()->index(r, static_cast<int>(UsersColumn::UserName));
        if (name.data().toString() == user) row = r;
    }
    if (row < 0) {
        std::fprintf(stderr, "no row of %s\n", argv[3]);
        return 1;
    }

    int result = 1;
    TfrmUserInfo& info = window.frmUserInfo();
    // The window opens modally from the double click; it is pictured from
    // inside its own event loop, once both windows are painted.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!info.isVisible()) return;
        poll.stop();
        QTimer::singleShot(500, [&] {
            const QRect area = FrameOf(window).united(FrameOf(info));
            QPixmap picture;
            if (QScreen* screen = window.screen())
                picture = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
            if (picture.isNull()) {
                // Without a real display: the two windows painted one over the other.
                picture = QPixmap(area.size());
                picture.fill(Qt::white);
                QPainter painter(&picture);
                painter.drawPixmap(window.geometry().topLeft() - area.topLeft(), window.grab());
                painter.drawPixmap(info.geometry().topLeft() - area.topLeft(), info.grab());
            }
            result = picture.save(output, "PNG") ? 0 : 1;
            info.cmdOK->click();
        });
    });
    poll.start(20);
    const QModelIndex address = users->model()->index(row, static_cast<int>(UsersColumn::Address));
    users->scrollTo(address);
    QTest::mouseDClick(users->viewport(), Qt::LeftButton, {}, users->visualRect(address).center());
    window.close();
    std::remove(settings.c_str());
    return result;
}
