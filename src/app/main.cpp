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
struct CommandLine {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
};

void describe(QCoreApplication &app) {
    app.setApplicationName(QStringLiteral("lumbrast"));
    app.setApplicationVersion(QStringLiteral(LUMBRAST_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lumbrast.Lumbrast"));
}

void translate(QCoreApplication &app) {
    lumbrast::app::installTranslation(
        app, QLocale(), lumbrast::app::translationFolders(QCoreApplication::applicationDirPath()));
}

bool haveDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

void complain(const QString &text) {
    std::fprintf(stderr, "lumbrast: %s\n", qPrintable(text));
}

// Why the game cannot start in this session, or nothing; it also picks the
// platform the window opens on. `showToo` asks for the reason in a box as well.
QString refusal(lumbrast::app::RawInputChoice &choice,
                lumbrast::platform::x11::SessionRequest request, bool &showToo) {
    using namespace lumbrast::platform::x11;
    if (!choice.simulatedMice) {
        const SessionKind session = detectSession(request);
        if (session == SessionKind::Wayland) { // a native client, whatever the toolkit would pick
            qputenv("QT_QPA_PLATFORM", "wayland");
            choice.wayland = true;
        } else if (session == SessionKind::X11) {
            if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QStringLiteral("xcb")))
                qputenv("QT_QPA_PLATFORM", "xcb");
        } else if (!choice.evdev) { // evdev tells the mice apart in any session
            QString text = sessionMessage(session, std::getenv("QT_QPA_PLATFORM"));
            if (session == SessionKind::Xwayland) { // a display to show it on, too
                qputenv("QT_QPA_PLATFORM", "xcb");
                showToo = true;
            }
            return text;
        }
    }
    if (!haveDisplay())
        return CommandLine::tr("no display to open the game window on (neither WAYLAND_DISPLAY "
                               "nor DISPLAY is set)");
    return {};
}
} // namespace

int main(int argc, char **argv) {
    lumbrast::app::RawInputChoice choice;
    QString cannotStart;
    bool showToo = false;
    {
        // --help, --version and a session that cannot play answer without a
        // display, in the user's language.
        QCoreApplication early(argc, argv);
        describe(early);
        translate(early);
        QCommandLineParser parser;
        parser.setApplicationDescription(
            CommandLine::tr("Lumbrast - game for single computer and mice"));
        parser.addHelpOption();
        parser.addVersionOption();
        const QCommandLineOption simulated(
            QStringLiteral("simulated-mice"),
            CommandLine::tr(
                "Try the game without two mice: two scripted mice stand in; the real pointer "
                "acts as the first one, and with Shift held as the second one."));
        parser.addOption(simulated);
        const QCommandLineOption virtualMice(
            QStringLiteral("virtual-mice"),
            CommandLine::tr(
                "Count the X server's virtual test pointers (XTest) as mice, so the game can be "
                "tried with scripted input."));
        parser.addOption(virtualMice);
        const QCommandLineOption sessionOption(
            QStringLiteral("session"),
            CommandLine::tr("The kind of desktop session to play in: x11 (mice told apart by "
                            "XInput 2), wayland (mice told apart by their input devices) or auto "
                            "(the default: the session the program was started in)."),
            CommandLine::tr("kind"), QStringLiteral("auto"));
        parser.addOption(sessionOption);
        const QCommandLineOption input(
            QStringLiteral("input"),
            CommandLine::tr("Where the mice are read: \"x11\" (the X server) or \"evdev\" (the "
                            "kernel's input devices). A Wayland session always reads evdev."),
            CommandLine::tr("backend"), QStringLiteral("x11"));
        parser.addOption(input);
        parser.process(early);
        choice.simulatedMice = parser.isSet(simulated);
        choice.virtualMice = parser.isSet(virtualMice);
        const QString from = parser.value(input);
        if (from != QStringLiteral("x11") && from != QStringLiteral("evdev")) {
            complain(CommandLine::tr("--input takes \"x11\" or \"evdev\", not \"%1\"").arg(from));
            return 2;
        }
        choice.evdev = from == QStringLiteral("evdev");
        const auto asked =
            lumbrast::platform::x11::parseSessionRequest(parser.value(sessionOption).toStdString());
        if (!asked) {
            complain(CommandLine::tr("--session takes x11, wayland or auto, not \"%1\"")
                         .arg(parser.value(sessionOption)));
            return 2;
        }
        cannotStart = refusal(choice, *asked, showToo);
    }
    if (!cannotStart.isEmpty()) { // a session that cannot tell the mice apart: say so once and stop
        complain(cannotStart);
        if (showToo) {
            QApplication app(argc, argv);
            QMessageBox::critical(nullptr, QStringLiteral("Lumbrast"), cannotStart);
        }
        return 1;
    }

    QApplication app(argc, argv);
    describe(app);
    translate(app);
    std::unique_ptr<lumbrast::platform::RawInput> raw;
    try {
        raw = lumbrast::app::makeRawInput(choice);
    } catch (const std::exception &e) { // a back end that cannot tell mice apart
        complain(QString::fromUtf8(e.what()));
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
