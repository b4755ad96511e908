#pragma once
// The program's own reader for its compiled help file: a window that is not
// modal, shows one topic at a time and follows the links between topics.

#include <memory>

#include <QTextBrowser>
#include <QWidget>

#include "platform/help/chmarchive.h"

class QToolButton;

namespace lumbrast::platform {
class UrlOpener;
}

namespace lumbrast::dialogs {

// Serves pages, style sheets and pictures straight out of the help file.
// Addresses inside the file use the scheme "chm" ("chm:/page.htm").
class ChmTextBrowser : public QTextBrowser {
    Q_OBJECT
public:
    ChmTextBrowser(const platform::ChmArchive &archive, QWidget *parent = nullptr);

    static QUrl topicUrl(const QString &topic);

    QVariant loadResource(int type, const QUrl &name) override;

private:
    const platform::ChmArchive &archive_;
};

class frmHelpViewer : public QWidget {
    Q_OBJECT
public:
    // `links` receives the addresses of links that lead out of the help file
    // (web pages, mail); may be null, then such links do nothing.
    frmHelpViewer(std::unique_ptr<platform::ChmArchive> archive, const QString &helpFile,
                  platform::UrlOpener *links, QWidget *owner = nullptr);

    const QString &helpFile() const { return helpFile_; }

    // Shows `topic` ("page.htm" or "page.htm#anchor"). False, with nothing
    // changed, when the file has no such page. "Contents" returns to the
    // first page this window showed.
    bool showTopic(const QString &topic);

    ChmTextBrowser *txtHelpTopic = nullptr;
    QToolButton *cmdHelpBack = nullptr;
    QToolButton *cmdHelpForward = nullptr;
    QToolButton *cmdHelpHome = nullptr;

private:
    void txtHelpTopic_AnchorClicked(const QUrl &url);

    std::unique_ptr<platform::ChmArchive> archive_;
    QString helpFile_;
    platform::UrlOpener *links_;
};

} // namespace lumbrast::dialogs
