#pragma once
// Modal message boxes with an OK button.

#include <QString>

class QWidget;

namespace lumbrast::platform {

enum class BoxIcon : unsigned char { None, Exclamation, Information, Critical };

// The one modal box of the program: OK button, plain text (markup in a
// message shows as typed), lines separated by CR LF or LF.
void execMessageBox(QWidget *parent, const QString &text, BoxIcon icon, const QString &title);

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows the box over parent and returns when it was dismissed. Lines of
    // text are separated by CR LF or LF.
    virtual void show(QWidget *parent, const QString &text, BoxIcon icon, const QString &title) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    void show(QWidget *parent, const QString &text, BoxIcon icon, const QString &title) override;
};

} // namespace lumbrast::platform
