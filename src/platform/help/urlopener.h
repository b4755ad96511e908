#pragma once
// Handing an address (web page, "mailto:" link) to whatever the desktop uses
// for it. The address goes to the desktop's own handlers, never to a shell.

#include <QString>

namespace lumbrast::platform {

class UrlOpener {
public:
    virtual ~UrlOpener() = default;

    // Fire and forget: a missing browser or mail program is not reported.
    virtual void open(const QString &address) = 0;
};

// The real one: QDesktopServices, i.e. the desktop's "open" for the address's scheme.
class DesktopUrlOpener final : public UrlOpener {
public:
    void open(const QString &address) override;
};

} // namespace lumbrast::platform
