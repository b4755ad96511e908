#pragma once
// The real help viewer: the program's own help window reading the .chm file.

#include "platform/help/helpviewer.h"

namespace lumbrast::platform {
class UrlOpener;
}

namespace lumbrast::dialogs {

class frmHelpViewer;

class ChmHelpViewer final : public platform::HelpViewer {
public:
    // `links` takes the links that lead out of the help file; may be null.
    explicit ChmHelpViewer(platform::UrlOpener *links = nullptr);

    // One window per help file: showing another topic of a file that is
    // already open turns that window to the topic and raises it.
    QString displayTopic(QWidget *owner, const QString &helpFile, const QString &topic) override;

    // The window that displayTopic() showed or reused last; null when it
    // showed nothing or the window has been closed since.
    static frmHelpViewer *openWindowFor(const QString &helpFile);

private:
    platform::UrlOpener *links_;
};

} // namespace lumbrast::dialogs
