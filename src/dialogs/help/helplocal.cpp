#include "dialogs/help/helplocal.h"

#include "dialogs/help/chmhelpviewer.h"
#include "dialogs/help/errorreport.h"
#include "platform/desktop/datapaths.h"
#include "platform/help/urlopener.h"

#include <QMessageBox>

namespace lumbrast::dialogs {

QString helpFilePath(const QString &programFolder) {
    return programFolder + u'/' + QLatin1String(kHelpFileName);
}

void mnuHelpLocal_Click(QWidget *owner, const QString &programFolder,
                        platform::HelpViewer &viewer) {
    try {
        const QString why =
            viewer.displayTopic(owner, helpFilePath(programFolder), QLatin1String(kHelpMainTopic));
        if (why.isEmpty())
            return;
        // Said beside the game, which goes on without help.
        auto *box =
            new QMessageBox(QMessageBox::Warning, QStringLiteral("Lumbrast"),
                            why + u'\n' + platform::reinstallAdvice(), QMessageBox::Ok, owner);
        box->setTextFormat(Qt::PlainText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
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
