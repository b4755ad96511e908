#pragma once
// Showing one topic of a compiled help file (.chm) in a help window. The
// window is not modal and lives on its own once shown.

#include <QString>

class QWidget;

namespace lumbrast::platform {

class HelpViewer {
public:
    virtual ~HelpViewer() = default;

    // Shows `topic` (a path inside the file, e.g. "index.htm") of the help file
    // at `helpFile`, owned by `owner`. A file that is missing, unreadable or not
    // a compiled help file, or a topic it does not hold, shows nothing; the
    // result then says why, in a sentence for the user. Empty when shown.
    virtual QString displayTopic(QWidget *owner, const QString &helpFile, const QString &topic) = 0;
};

} // namespace lumbrast::platform
