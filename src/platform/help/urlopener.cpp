#include "platform/help/urlopener.h"

#include <QDesktopServices>
#include <QUrl>

namespace lumbrast::platform {

void DesktopUrlOpener::open(const QString &address) {
    // StrictMode: an address that is not a well-formed URL is dropped rather
    // than guessed at (a guess could turn it into a local file path).
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return;
    QDesktopServices::openUrl(url);
}

} // namespace lumbrast::platform
