#pragma once
// The game's error report for the help and About actions: error number,
// CR LF, description, CR LF and the procedure's tag ("sub: 27"), with the
// exclamation icon, an OK button and the title "Lumbrast".

#include <QString>

class QWidget;

namespace lumbrast::dialogs {

// Call from inside a catch block: reports the exception being handled.
void reportCurrentError(QWidget *owner, const QString &tag);

} // namespace lumbrast::dialogs
