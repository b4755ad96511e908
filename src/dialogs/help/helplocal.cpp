#include "dialogs/help/helplocal.h"

#include "dialogs/help/chmhelpviewer.h"
#include "dialogs/help/errorreport.h"
#include "platform/help/urlopener.h"

namespace lumbrast::dialogs {

QString helpFilePath(const QString &programFolder) {
    return programFolder + u'/' + QLatin1String(kHelpFileName);
}

void mnuHelpLocal_Click(QWidget *owner, const QString &programFolder,
                        platform::HelpViewer &viewer) {
    try {
        viewer.displayTopic(owner, helpFilePath(programFolder), QLatin1String(kHelpMainTopic));
    } catch (...) {
        reportCurrentError(owner, QStringLiteral("sub: 27"));
    }
}

void showHelpLocal(QWidget *owner, const QString &programFolder) {
    static platform::DesktopUrlOpener desktop;
    static ChmHelpViewer viewer(&desktop);
    mnuHelpLocal_Click(owner, programFolder, viewer);
}

} // namespace lumbrast::dialogs
