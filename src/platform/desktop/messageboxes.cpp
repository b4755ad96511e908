#include "platform/desktop/messageboxes.h"

#include <QMessageBox>

namespace lumbrast::platform {

namespace {
QMessageBox::Icon toQt(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Exclamation:
        return QMessageBox::Warning;
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Critical:
        return QMessageBox::Critical;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void execMessageBox(QWidget *parent, const QString &text, BoxIcon icon, const QString &title) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); // a bare CR would show as a glyph
    QMessageBox box(toQt(icon), title, shown, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtMessageBoxes::show(QWidget *parent, const QString &text, BoxIcon icon,
                          const QString &title) {
    execMessageBox(parent, text, icon, title);
}

} // namespace lumbrast::platform
