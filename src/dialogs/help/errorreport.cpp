#include "dialogs/help/errorreport.h"

#include <exception>
#include <new>

#include <QMessageBox>

namespace lumbrast::dialogs {

QString errorReportText(int number, const QString &description, const QString &tag)
{
    return QString::number(number) + QStringLiteral("\r\n") + description + QStringLiteral("\r\n") + tag;
}

void reportCurrentError(QWidget *owner, const QString &tag)
{
    // The numbers are the classic run-time error codes players may know from
    // other programs: 7 out of memory, 5 anything else.
    int number = 5;
    QString description = QStringLiteral("Invalid procedure call or argument");
    try {
        throw;
    } catch (const std::bad_alloc &) {
        number = 7;
        description = QStringLiteral("Out of memory");
    } catch (const std::exception &e) {
        description = QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Lumbrast"), errorReportText(number, description, tag),
                    QMessageBox::Ok, owner);
    box.exec();
}

} // namespace lumbrast::dialogs
