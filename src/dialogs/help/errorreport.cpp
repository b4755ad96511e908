#include "dialogs/help/errorreport.h"

#include <exception>
#include <new>

#include "game/errorreport.h"
#include "platform/desktop/messageboxes.h"

namespace lumbrast::dialogs {

void reportCurrentError(QWidget *owner, const QString &tag) {
    long number = 5;
    std::string description = "Invalid procedure call or argument";
    try {
        throw;
    } catch (const game::RuntimeError &e) {
        number = e.number();
        description = e.description();
    } catch (const std::bad_alloc &) {
        number = 7;
        description = "Out of memory";
    } catch (const std::exception &e) {
        description = e.what();
    } catch (...) {
    }
    const std::string text = game::formatErrorReport(number, description, tag.toStdString());
    platform::execMessageBox(owner, QString::fromStdString(text), platform::BoxIcon::Exclamation,
                             QStringLiteral("Lumbrast"));
}

} // namespace lumbrast::dialogs
