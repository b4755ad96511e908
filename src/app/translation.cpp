#include "app/translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace lumbrast::app {

QStringList translationFolders(const QString &programFolder) {
    return {programFolder + QStringLiteral("/translations"),
            QDir::cleanPath(programFolder + QStringLiteral("/../share/lumbrast/translations"))};
}

QString installTranslation(QCoreApplication &app, const QLocale &locale,
                           const QStringList &folders) {
    for (const QString &folder : folders) {
        auto *ours = new QTranslator(&app);
        if (ours->load(locale, QStringLiteral("lumbrast"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(ours);
            auto *qt = new QTranslator(&app);
            if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
                QCoreApplication::installTranslator(qt);
            else
                delete qt;
            return ours->filePath();
        }
        delete ours;
    }
    return {};
}

} // namespace lumbrast::app
