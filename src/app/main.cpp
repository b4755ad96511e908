// lumbrast: two players, two mice, one table of pairs.
#include <cstdio>

#include <QApplication>
#include <QCommandLineParser>

#include "app/frmlumbrast.h"
#include "app/rawinputfactory.h"
#include "platform/desktop/messageboxes.h"
#include "platform/desktop/sounds.h"

namespace {
void describe(QCoreApplication &app)
{
    app.setApplicationName(QStringLiteral("lumbrast"));
    app.setApplicationVersion(QStringLiteral(LUMBRAST_VERSION));
}

bool haveDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}
} // namespace

int main(int argc, char **argv)
{
    lumbrast::app::RawInputChoice choice;
    {
        // --help and --version answer without a display.
        QCoreApplication early(argc, argv);
        describe(early);
        QCommandLineParser parser;
        parser.setApplicationDescription(QStringLiteral("Lumbrast - game for single computer and mice"));
        parser.addHelpOption();
        parser.addVersionOption();
        const QCommandLineOption simulated(
            QStringLiteral("simulated-mice"),
            QStringLiteral("Try the game without two mice: two scripted mice stand in; the real pointer "
                           "acts as the first one, and with Shift held as the second one."));
        parser.addOption(simulated);
        parser.process(early);
        choice.simulatedMice = parser.isSet(simulated);
    }
    if (!haveDisplay()) {
        std::fprintf(stderr, "lumbrast: no display to open the game window on (DISPLAY is not set)\n");
        return 1;
    }

    QApplication app(argc, argv);
    describe(app);
    auto raw = lumbrast::app::makeRawInput(choice);
    lumbrast::platform::QtMessageBoxes boxes;
    lumbrast::platform::CanberraSounds sounds;
    lumbrast::app::frmLumbrast window(*raw, boxes, sounds);
    window.Form_Load();
    window.show();
    return app.exec();
}
