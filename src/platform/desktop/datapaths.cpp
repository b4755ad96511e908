#include "platform/desktop/datapaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace lumbrast::platform {

namespace {

QStringList ownFileCandidates(const QString &programFolder, const QString &beside,
                              const QString &installed) {
    return {QDir::cleanPath(programFolder + u'/' + beside),
            QDir::cleanPath(programFolder + QStringLiteral("/" LUMBRAST_RELATIVE_DATADIR "/") +
                            installed)};
}

} // namespace

QString findOwnFile(const QString &programFolder, const QString &beside, const QString &installed) {
    const QStringList candidates = ownFileCandidates(programFolder, beside, installed);
    for (const QString &c : candidates) {
        if (QFileInfo::exists(c))
            return c;
    }
    return candidates.last();
}

QString mediaFolder(const QString &programFolder) {
    return findOwnFile(programFolder, QStringLiteral("MediaSL9"), QStringLiteral("media/MediaSL9"));
}

QString helpFolder(const QString &programFolder) {
    const QString file = findOwnFile(programFolder, QStringLiteral("Lumbrast.chm"),
                                     QStringLiteral("help/Lumbrast.chm"));
    return QFileInfo(file).path();
}

QString reinstallAdvice() {
    return QCoreApplication::translate("lumbrast::platform",
                                       "To restore it, install the Debian package %1 again.")
        .arg(QLatin1String(kOwnPackage));
}

} // namespace lumbrast::platform
