#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include "platform/help/urlopener.h"

namespace {

// Stands in for the desktop's browser and mail program.
class Handler : public QObject {
    Q_OBJECT
public:
    QStringList received;

public slots:
    void open(const QUrl &url) { received.append(url.toString()); }
};

} // namespace

TEST(DesktopUrlOpener, HandsWellFormedAddressesToTheirHandlers)
{
    Handler handler;
    for (const char *scheme : {"mailto", "https", "file"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &handler, "open");

    lumbrast::platform::DesktopUrlOpener opener;
    opener.open(QStringLiteral("mailto:lumbrast@example.org"));
    opener.open(QStringLiteral("https://lumbrast.example.org/"));
    // No scheme: not guessed into a local file or a web search.
    opener.open(QStringLiteral("Lumbrast.chm"));
    opener.open(QStringLiteral("/etc/passwd"));
    opener.open(QString());
    opener.open(QStringLiteral("https://exa mple.org/")); // not a valid address

    EXPECT_EQ(handler.received,
              (QStringList{QStringLiteral("mailto:lumbrast@example.org"), QStringLiteral("https://lumbrast.example.org/")}));

    for (const char *scheme : {"mailto", "https", "file"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

#include "test_urlopener.moc"
