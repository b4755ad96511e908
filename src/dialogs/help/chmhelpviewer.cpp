#include "dialogs/help/chmhelpviewer.h"

#include <QApplication>
#include <QFileInfo>

#include "dialogs/help/frmHelpViewer.h"
#include "platform/help/chmarchive.h"

namespace lumbrast::dialogs {
namespace {

QString sameFileKey(const QString &path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

} // namespace

ChmHelpViewer::ChmHelpViewer(platform::UrlOpener *links) : links_(links) {}

frmHelpViewer *ChmHelpViewer::openWindowFor(const QString &helpFile) {
    const QString key = sameFileKey(helpFile);
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (auto *viewer = qobject_cast<frmHelpViewer *>(w);
            viewer && sameFileKey(viewer->helpFile()) == key)
            return viewer;
    }
    return nullptr;
}

QString ChmHelpViewer::displayTopic(QWidget *owner, const QString &helpFile, const QString &topic) {
    const auto noTopic = [&] {
        return QCoreApplication::translate("lumbrast::dialogs", "The help file %1 has no page %2.")
            .arg(helpFile, topic);
    };
    if (frmHelpViewer *open = openWindowFor(helpFile)) {
        if (!open->showTopic(topic))
            return noTopic();
        open->show();
        open->raise();
        open->activateWindow();
        return {};
    }

    const QFileInfo file(helpFile);
    if (!file.exists())
        return QCoreApplication::translate("lumbrast::dialogs", "The help file %1 is missing.")
            .arg(helpFile);
    if (!file.isFile() || !file.isReadable())
        return QCoreApplication::translate("lumbrast::dialogs", "The help file %1 cannot be read.")
            .arg(helpFile);
    auto archive = platform::ChmArchive::open(helpFile);
    if (!archive)
        return QCoreApplication::translate("lumbrast::dialogs",
                                           "The help file %1 is damaged: it is not a compiled "
                                           "help file.")
            .arg(helpFile);
    auto *viewer = new frmHelpViewer(std::move(archive), helpFile, links_, owner);
    if (!viewer->showTopic(topic)) {
        delete viewer;
        return noTopic();
    }
    viewer->show();
    return {};
}

} // namespace lumbrast::dialogs
