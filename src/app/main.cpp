// lumbrast: two players, two mice, one table of pairs.
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include "app/frmlumbrast.h"
#include "app/rawinputfactory.h"
#include "platform/desktop/messageboxes.h"
#include "platform/desktop/sounds.h"
#include "platform/x11/session.h"
#include "version.h"

namespace {
void describe(QCoreApplication &app) {
    app.setApplicationName(QStringLiteral("lumbrast"));
    app.setApplicationVersion(QStringLiteral(LUMBRAST_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lumbrast.Lumbrast"));
}

bool haveDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}
} // namespace

int main(int argc, char **argv) {
    lumbrast::app::RawInputChoice choice;
    {
        // --help and --version answer without a display.
        QCoreApplication early(argc, argv);
        describe(early);
        QCommandLineParser parser;
        parser.setApplicationDescription(
            QStringLiteral("Lumbrast - game for single computer and mice"));
        parser.addHelpOption();
        parser.addVersionOption();
        const QCommandLineOption simulated(
            QStringLiteral("simulated-mice"),
            QStringLiteral(
                "Try the game without two mice: two scripted mice stand in; the real pointer "
                "acts as the first one, and with Shift held as the second one."));
        parser.addOption(simulated);
        const QCommandLineOption virtualMice(
            QStringLiteral("virtual-mice"),
            QStringLiteral(
                "Count the X server's virtual test pointers (XTest) as mice, so the game can be "
                "tried with scripted input."));
        parser.addOption(virtualMice);
        parser.process(early);
        choice.simulatedMice = parser.isSet(simulated);
        choice.virtualMice = parser.isSet(virtualMice);
    }
    if (!choice.simulatedMice) {
        // Only a real X server tells the mice apart; say so once and stop.
        using namespace lumbrast::platform::x11;
        const SessionKind session = detectSession();
        if (session != SessionKind::X11) {
            const std::string text = sessionMessage(session, std::getenv("QT_QPA_PLATFORM"));
            std::fprintf(stderr, "lumbrast: %s\n", text.c_str());
            if (session == SessionKind::Xwayland) { // a display to show it on, too
                qputenv("QT_QPA_PLATFORM", "xcb");
                QApplication app(argc, argv);
                QMessageBox::critical(nullptr, QStringLiteral("Lumbrast"),
                                      QString::fromStdString(text));
            }
            return 1;
        }
    }
    if (!haveDisplay()) {
        std::fprintf(stderr,
                     "lumbrast: no display to open the game window on (DISPLAY is not set)\n");
        return 1;
    }

    QApplication app(argc, argv);
    describe(app);
    std::unique_ptr<lumbrast::platform::RawInput> raw;
    try {
        raw = lumbrast::app::makeRawInput(choice);
    } catch (const std::exception &e) { // an X server that cannot tell mice apart
        std::fprintf(stderr, "lumbrast: %s\n", e.what());
        QMessageBox::critical(nullptr, QStringLiteral("Lumbrast"), QString::fromUtf8(e.what()));
        return 1;
    }
    lumbrast::platform::QtMessageBoxes boxes;
    lumbrast::platform::CanberraSounds sounds;
    lumbrast::app::frmLumbrast window(*raw, boxes, sounds);
    window.Form_Load();
    window.show();
    return app.exec();
}
