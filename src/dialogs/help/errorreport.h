#pragma once
// The game window's error report: error number, CR LF, description, CR LF and
// the procedure's tag ("sub: 27"), exclamation icon, OK button, title "Lumbrast".

#include <QString>

class QWidget;

namespace lumbrast::dialogs {

// The text of the report, e.g. "7\r\nOut of memory\r\nsub: 27".
QString errorReportText(int number, const QString &description, const QString &tag);

// Call from inside a catch block: reports the exception being handled.
void reportCurrentError(QWidget *owner, const QString &tag);

} // namespace lumbrast::dialogs
