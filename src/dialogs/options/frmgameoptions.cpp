#include "dialogs/options/frmgameoptions.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>

#include "platform/desktop/twips.h"

namespace lumbrast::dialogs {

using platform::twipsRect;

namespace {
QFont buttonFont() {
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                   QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(9.75);
    f.setBold(true);
    return f;
}

// Selects one index of a group, setting every button explicitly in index order.
template <std::size_t N> void select(std::array<QRadioButton *, N> &group, std::size_t chosen) {
    for (std::size_t i = 0; i < N; ++i)
        group[i]->setChecked(i == chosen);
}
} // namespace

frmGameOptions::frmGameOptions(game::GameVariables &settings, QWidget *gameWindow)
    : QDialog(gameWindow), settings_(settings) {
    setWindowTitle(tr("Lumbrast - game options"));
    setModal(true);
    setFixedSize(twipsRect(0, 0, 3840, 2535).size());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(pal);
    setAutoFillBackground(true);

    const QFont font = buttonFont();
    auto frame = [this](const QString &caption, int top) {
        auto *f = new QGroupBox(caption, this);
        f->setGeometry(twipsRect(120, top, 2535, 615));
        return f;
    };
    auto options = [&font](QGroupBox *parent, auto &group,
                           std::initializer_list<const char *> captions) {
        auto *exclusive = new QButtonGroup(parent);
        const int lefts[] = {120, 960, 1800};
        std::size_t i = 0;
        for (const char *caption : captions) {
            auto *b = new QRadioButton(QString::fromLatin1(caption), parent);
            b->setGeometry(twipsRect(lefts[i], 240, 615, 255));
            b->setFont(font);
            exclusive->addButton(b);
            group[i++] = b;
        }
    };
    // Created in tab order: each frame, then its buttons, then Save and Cancel.
    fraPlayerMoveTime = frame(tr("Player move time"), 120);
    options(fraPlayerMoveTime, optPlayerMoveTime, {"10", "20", "30"});
    fraPointsSet = frame(tr("Points for Set"), 960);
    options(fraPointsSet, optPointsSet, {"7", "15", "21"});
    fraSetMatch = frame(tr("Sets for Match"), 1800);
    options(fraSetMatch, optSetMatch, {"2", "3"});

    auto button = [this](const QString &caption, int top) {
        auto *b = new QPushButton(caption, this);
        b->setGeometry(twipsRect(2880, top, 855, 375));
        b->setAutoDefault(false); // neither is the default nor the cancel button
        b->setDefault(false);
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };
    cmdGameOptionsSave = button(tr("Save"), 120);
    cmdGameOptionsCancel = button(tr("Cancel"), 960);
    connect(cmdGameOptionsSave, &QPushButton::clicked, this,
            &frmGameOptions::cmdGameOptionsSave_Click);
    connect(cmdGameOptionsCancel, &QPushButton::clicked, this,
            &frmGameOptions::cmdGameOptionsCancel_Click);

    Form_Load(gameWindow);
}

void frmGameOptions::Form_Load(QWidget *gameWindow) {
    const std::int16_t time = settings_.PlayerMoveTime;
    select(optPlayerMoveTime, time == 10 ? 0 : time == 30 ? 2 : 1);
    const std::int16_t points = settings_.PointsPerSet;
    select(optPointsSet, points == 7 ? 0 : points == 21 ? 2 : 1);
    select(optSetMatch, settings_.SetsPerMatch == 2 ? 0 : 1);
    if (gameWindow) // top-left corner on the game window's, frames included
        move(gameWindow->frameGeometry().topLeft());
}

void frmGameOptions::cmdGameOptionsSave_Click() {
    const std::int16_t times[] = {10, 20, 30};
    const std::int16_t points[] = {7, 15, 21};
    const std::int16_t sets[] = {2, 3};
    for (std::size_t i = 0; i < 3; ++i)
        if (optPlayerMoveTime[i]->isChecked())
            settings_.PlayerMoveTime = times[i];
    for (std::size_t i = 0; i < 3; ++i)
        if (optPointsSet[i]->isChecked())
            settings_.PointsPerSet = points[i];
    for (std::size_t i = 0; i < 2; ++i)
        if (optSetMatch[i]->isChecked())
            settings_.SetsPerMatch = sets[i];
    accept();
}

void frmGameOptions::cmdGameOptionsCancel_Click() {
    reject();
}

void frmGameOptions::keyPressEvent(QKeyEvent *event) {
    // Enter and Escape mean nothing here: only the two buttons close the dialog.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

} // namespace lumbrast::dialogs
