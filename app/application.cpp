#include "app/application.h"

#include <QCommandLineParser>
#include <QMessageBox>
#include <exception>

#include "app/app_info.h"
#include "platform/version.h"

void SetApplicationMetadata() {
    QCoreApplication::setApplicationName(kAppName);
    QCoreApplication::setApplicationVersion(kKestruneVersion);
    QCoreApplication::setOrganizationName(kOrganisationName);
    QCoreApplication::setOrganizationDomain(kOrganisationDomain);
    QGuiApplication::setDesktopFileName(kDesktopFileName);
}

QIcon KestruneIcon() { return QIcon(QStringLiteral(":/icons/kestrune.svg")); }

std::optional<QString> CommandLineAnswer(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Find the network connections that have a file open on a NetWare server,\n"
        "and clear them or send them a message.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument("path", "A path to check at start, e.g. 'F:\\ACCOUNTS\\*.*'.",
                                 "[path]");
    // Anything the parser does not know (a path, "-x") is the path to check.
    if (!parser.parse(arguments)) return std::nullopt;
    if (parser.isSet(help) || parser.isSet("help-all")) return parser.helpText();
    if (parser.isSet(version)) {
        return QCoreApplication::applicationName() + ' ' + QCoreApplication::applicationVersion() +
               '\n';
    }
    return std::nullopt;
}

KestruneApplication::KestruneApplication(int& argc, char** argv) : QApplication(argc, argv) {
    SetApplicationMetadata();
    setWindowIcon(KestruneIcon());
}

bool KestruneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("Unknown exception");
    }
    exit(0);
    return false;
}

void KestruneApplication::ShowException(const char* what) {
    QMessageBox::critical(nullptr, kAppName, QString::fromLocal8Bit(what));
}
