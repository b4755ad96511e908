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

void ChmHelpViewer::displayTopic(QWidget *owner, const QString &helpFile, const QString &topic) {
    if (frmHelpViewer *open = openWindowFor(helpFile)) {
        if (open->showTopic(topic)) {
            open->show();
            open->raise();
            open->activateWindow();
        }
        return;
    }

    auto archive = platform::ChmArchive::open(helpFile);
    if (!archive)
        return;
    auto *viewer = new frmHelpViewer(std::move(archive), helpFile, links_, owner);
    if (!viewer->showTopic(topic)) {
        delete viewer;
        return;
    }
    viewer->show();
}

} // namespace lumbrast::dialogs
