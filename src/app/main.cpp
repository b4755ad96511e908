// lumbrast: two players, two mice, one table of pairs.
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include "app/frmlumbrast.h"
#include "app/rawinputfactory.h"
#include "app/translation.h"
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
    auto request = lumbrast::platform::x11::SessionRequest::Automatic;
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
        const QCommandLineOption sessionOption(
            QStringLiteral("session"),
            QStringLiteral("The kind of desktop session to play in: x11 (mice told apart by "
                           "XInput 2), wayland (mice told apart by their input devices) or auto "
                           "(the default: the session the program was started in)."),
            QStringLiteral("kind"), QStringLiteral("auto"));
        parser.addOption(sessionOption);
        const QCommandLineOption input(
            QStringLiteral("input"),
            QStringLiteral("Where the mice are read: \"x11\" (the X server) or \"evdev\" (the "
                           "kernel's input devices). A Wayland session always reads evdev."),
            QStringLiteral("backend"), QStringLiteral("x11"));
        parser.addOption(input);
        parser.process(early);
        choice.simulatedMice = parser.isSet(simulated);
        choice.virtualMice = parser.isSet(virtualMice);
        const QString from = parser.value(input);
        if (from != QStringLiteral("x11") && from != QStringLiteral("evdev")) {
            std::fprintf(stderr, "lumbrast: --input takes \"x11\" or \"evdev\", not \"%s\"\n",
                         qPrintable(from));
            return 2;
        }
        choice.evdev = from == QStringLiteral("evdev");
        const auto asked =
            lumbrast::platform::x11::parseSessionRequest(parser.value(sessionOption).toStdString());
        if (!asked) {
            std::fprintf(stderr, "lumbrast: --session takes x11, wayland or auto, not \"%s\"\n",
                         qPrintable(parser.value(sessionOption)));
            return 2;
        }
        request = *asked;
    }
    if (!choice.simulatedMice) {
        // A session that cannot tell the mice apart: say so once and stop.
        using namespace lumbrast::platform::x11;
        const SessionKind session = detectSession(request);
        if (session == SessionKind::Wayland) { // a native client, whatever the toolkit would pick
            qputenv("QT_QPA_PLATFORM", "wayland");
            choice.wayland = true;
        } else if (session == SessionKind::X11) {
            if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QStringLiteral("xcb")))
                qputenv("QT_QPA_PLATFORM", "xcb");
        } else if (!choice.evdev) { // evdev tells the mice apart in any session
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
                     "lumbrast: no display to open the game window on (neither WAYLAND_DISPLAY "
                     "nor DISPLAY is set)\n");
        return 1;
    }

    QApplication app(argc, argv);
    describe(app);
    lumbrast::app::installTranslation(
        app, QLocale(), lumbrast::app::translationFolders(QCoreApplication::applicationDirPath()));
    std::unique_ptr<lumbrast::platform::RawInput> raw;
    try {
        raw = lumbrast::app::makeRawInput(choice);
    } catch (const std::exception &e) { // a back end that cannot tell mice apart
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
