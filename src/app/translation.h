#pragma once
// Loading the program's texts in the user's language, when a translation for
// it is installed. Without one every text stays in English.

#include <QLocale>
#include <QString>
#include <QStringList>

class QCoreApplication;

namespace lumbrast::app {

// Where translations are looked for: "translations" beside the program (the
// build folder), then share/lumbrast/translations of an installed copy.
QStringList translationFolders(const QString &programFolder);

// Installs lumbrast_<language>.qm for `locale` from the first folder that has
// one, and Qt's own translation for its standard buttons. Returns the file
// installed, or an empty text when there is none for this language; a file
// that is there but cannot be read is named on the standard error.
QString installTranslation(QCoreApplication &app, const QLocale &locale,
                           const QStringList &folders);

} // namespace lumbrast::app
