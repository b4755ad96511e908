#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

#include "platform/help/urlopener.h"

namespace {

// Stands in for the desktop's browser, mail program and file manager.
class Handler : public QObject {
    Q_OBJECT
public:
    QStringList received;
public slots:
    void open(const QUrl &url) { received.append(url.toString()); }
};

} // namespace

TEST(DesktopUrlOpener, HandsOnlyWellFormedAddressesToTheDesktop) {
    Handler handler;
    for (const char *scheme : {"mailto", "https", "file"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &handler, "open");
    lumbrast::platform::DesktopUrlOpener opener;
    for (const char *address : {"mailto:lumbrast@example.org", "https://lumbrast.example.org/",
                                "Lumbrast.chm", "/etc/passwd", "", "https://exa mple.org/"})
        opener.open(QString::fromLatin1(address));
    // Without a scheme nothing is guessed into a local file or a web search.
    EXPECT_EQ(handler.received, (QStringList{QStringLiteral("mailto:lumbrast@example.org"),
                                             QStringLiteral("https://lumbrast.example.org/")}));
    for (const char *scheme : {"mailto", "https", "file"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

#include "test_urlopener.moc"
