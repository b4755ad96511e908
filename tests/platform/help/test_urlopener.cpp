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
    const QStringList schemes{"mailto", "https", "file"};
    for (const QString &scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, &handler, "open");
    lumbrast::platform::DesktopUrlOpener opener;
    // Without a scheme nothing is guessed into a local file or a web search.
    for (const char *address : {"mailto:lumbrast@example.org", "https://lumbrast.example.org/",
                                "Lumbrast.chm", "/etc/passwd", "", "https://exa mple.org/"})
        opener.open(QString::fromLatin1(address));
    EXPECT_EQ(handler.received,
              QStringList({"mailto:lumbrast@example.org", "https://lumbrast.example.org/"}));
    for (const QString &scheme : schemes)
        QDesktopServices::unsetUrlHandler(scheme);
}

#include "test_urlopener.moc"
