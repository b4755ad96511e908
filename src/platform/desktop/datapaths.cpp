#include "platform/desktop/datapaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace lumbrast::platform {

QStringList ownFileCandidates(const QString &programFolder, const QString &beside,
                              const QString &installed) {
    const QString relative = QDir::cleanPath(
        programFolder + QStringLiteral("/" LUMBRAST_RELATIVE_DATADIR "/") + installed);
    const QString absolute = QStringLiteral(LUMBRAST_INSTALL_DATADIR "/") + installed;
    QStringList candidates = {QDir::cleanPath(programFolder + u'/' + beside), relative};
    if (absolute != relative)
        candidates.append(absolute);
    return candidates;
}

QString findOwnFile(const QString &programFolder, const QString &beside, const QString &installed) {
    const QStringList candidates = ownFileCandidates(programFolder, beside, installed);
    for (const QString &c : candidates) {
        if (QFileInfo::exists(c))
            return c;
    }
    return candidates.at(1);
}

QString mediaFolder(const QString &programFolder) {
    return findOwnFile(programFolder, QStringLiteral("MediaSL9"), QStringLiteral("MediaSL9"));
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
