#include "app/translation.h"

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace lumbrast::app {

namespace {
// A file for the language that is there but cannot be read is named, so that
// it can be replaced; the texts then stay in English. The program loads its
// translation twice (before and after the window system), so it says this once.
void reportUnreadable(const QLocale &locale, const QString &folder) {
    static QStringList told;
    for (QString language : locale.uiLanguages()) {
        const QString file =
            folder + QStringLiteral("/lumbrast_") + language.replace(u'-', u'_') + ".qm";
        if (QFileInfo::exists(file) && !told.contains(file)) {
            told.append(file);
            std::fprintf(stderr,
                         "lumbrast: the translation %s cannot be read (reinstall it); "
                         "the texts stay in English\n",
                         qPrintable(QDir::toNativeSeparators(file)));
        }
    }
}
} // namespace

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
        reportUnreadable(locale, folder);
    }
    return {};
}

} // namespace lumbrast::app
