// The game window's life: construction, start-up, the rules' effects,
// resizing and closing.
#include "app/frmlumbrast.h"

#include <QCloseEvent>
#include <QLayout>
#include <QTimer>

#include "app/accessibility.h"
#include "app/colourbutton.h"
#include "app/look.h"
#include "game/errorreport.h"

namespace lumbrast::app {

namespace {
constexpr const char *kRefusal = QT_TRANSLATE_NOOP(
    "lumbrast::app::frmLumbrast", "You must have minimum of two computer mouses \r\n"
                                  "connected to your PC\r\n"
                                  "Sorry, but program will not work.");

// The rules build their messages in English around the player's name; the
// window shows them translated, the name put into the translated sentence.
struct MessageForm {
    QLatin1String begin, end;
    const char *whole;
};
constexpr MessageForm kMessageForms[] = {
    {QLatin1String("Excellent "), QLatin1String(", you win 3 points"),
     QT_TRANSLATE_NOOP("lumbrast::app::frmLumbrast", "Excellent %1, you win 3 points")},
    {QLatin1String("Very good "), QLatin1String(", you win 2 points"),
     QT_TRANSLATE_NOOP("lumbrast::app::frmLumbrast", "Very good %1, you win 2 points")},
    {QLatin1String("Not bad "), QLatin1String(", you win 1 point"),
     QT_TRANSLATE_NOOP("lumbrast::app::frmLumbrast", "Not bad %1, you win 1 point")},
    {QLatin1String("Bravo "), QLatin1String(", you win Set"),
     QT_TRANSLATE_NOOP("lumbrast::app::frmLumbrast", "Bravo %1, you win Set")},
    {QLatin1String("Congratulations "), QLatin1String(", you win Match"),
     QT_TRANSLATE_NOOP("lumbrast::app::frmLumbrast", "Congratulations %1, you win Match")},
};

// The rules' own error descriptions; a report carries one on its second line.
constexpr const char *kErrorDescriptions[] = {
    QT_TRANSLATE_NOOP("lumbrast::app::frmLumbrast", "Overflow"),
    QT_TRANSLATE_NOOP("lumbrast::app::frmLumbrast", "Control array element does not exist"),
};

QString translatedMessage(const QString &text) {
    QStringList report = text.split(QStringLiteral("\r\n"));
    if (report.size() == 3) {
        for (const char *description : kErrorDescriptions)
            if (report[1] == QLatin1String(description)) {
                report[1] = frmLumbrast::tr(description);
                return report.join(QStringLiteral("\r\n"));
            }
    }
    for (const MessageForm &form : kMessageForms) {
        const qsizetype name = text.size() - form.begin.size() - form.end.size();
        if (name >= 0 && text.startsWith(form.begin) && text.endsWith(form.end))
            return frmLumbrast::tr(form.whole).arg(text.mid(form.begin.size(), name));
    }
    return text;
}

// Both tables follow the order of the game's enumerators.
platform::BoxIcon boxIcon(game::MessageIcon icon) {
    using enum platform::BoxIcon;
    constexpr platform::BoxIcon kBoxes[] = {None, Exclamation, Information, Critical};
    return kBoxes[static_cast<std::size_t>(icon)];
}

platform::SoundKind soundKind(game::Beep beep) {
    using enum platform::SoundKind;
    constexpr platform::SoundKind kSounds[] = {Default, Ok, Asterisk, Exclamation};
    return kSounds[static_cast<std::size_t>(beep)];
}

} // namespace

frmLumbrast::frmLumbrast(platform::RawInput &raw, platform::MessageBoxes &boxes,
                         platform::Sounds &sounds, QWidget *parent)
    : QMainWindow(parent), raw_(raw), boxes_(boxes), sounds_(sounds), game_(input_, *this),
      mouse_(input_, raw, boxes,
             [this](const std::exception &e, std::string_view tag) { reportInputError(e, tag); }) {
    setWindowTitle(QStringLiteral("Lumbrast"));
    fill(this, kGrey);
    // Disabled captions in the style's pale grey vanish on this grey.
    QPalette pal = palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
    setPalette(pal);
    buildControls();
    nameFixedControls(*this);
    mouse_.attach({this,
                   cmdCursorPos,
                   lvwMice,
                   lstMouseCollection,
                   {lblDevhDevice_01, lblDevhDevice_02},
                   {lblDevDesc_01, lblDevDesc_02}});
    buildMenus();
    musicwindow::MusicWindowEnv music;
    // Shares the game window's boxes, which outlive it (no ownership).
    music.messages = std::shared_ptr<platform::MessageBoxes>(std::shared_ptr<void>(), &boxes_);
    music.beep = [this] { sounds_.play(platform::SoundKind::Default); };
    music_ = new musicwindow::MusicWindowHost(
        this, std::move(music), [this](long number, const QString &text) {
            game_.reportError(number, text.toStdString(), "sub: 07");
        });
    follower_ = std::make_unique<GameFollower>(*music_);
    game_.setObserver(follower_.get());
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate(); // the final size, which the rounded shape needs before the first show
    render();
}

frmLumbrast::~frmLumbrast() {
    game_.setObserver(nullptr); // the follower goes before the game
    // However the window goes, the hook goes first.
    if (input_.IsHooked == input::kTrue)
        mouse_.UnHook();
}

// ---------------------------------------------------------------- start-up

void frmLumbrast::Form_Load() {
    try {
        // The input logic holds this window as the raw input target since construction.
        game_.SetPublicDefaults();
        musicwindow::modMusicPublic::SetPublicDefaults();
        RoundMainWindow();
        RoundButtonCorners();
        cmdGetRawData_Click();
        if (input_.MiceCount >= 2) {
            cmdLoadMusic_Click();
            cmdHook_Click();
        } else {
            boxes_.show(this, tr(kRefusal), platform::BoxIcon::Critical,
                        QStringLiteral("Lumbrast"));
        }
        render();
    } catch (const std::exception &e) {
        reportInputError(e, "sub: 26");
    }
}

void frmLumbrast::reportInputError(const std::exception &error, std::string_view tag) {
    if (const auto *known = dynamic_cast<const game::RuntimeError *>(&error))
        game_.reportError(known->number(), known->description(), tag);
    else
        game_.reportError(5, error.what(), tag);
}

// ---------------------------------------------------------------- effects of the rules

void frmLumbrast::showMessage(const std::string &text, game::MessageIcon icon,
                              const std::string &title) {
    render(); // a found pair stays visible while its score is announced
    boxes_.show(this, translatedMessage(QString::fromStdString(text)), boxIcon(icon),
                QString::fromStdString(title));
}

void frmLumbrast::beep(game::Beep kind) {
    sounds_.play(soundKind(kind));
}

void frmLumbrast::startMoveTimer() {
    tmrGameMove->start();
}

void frmLumbrast::stopMoveTimer() {
    tmrGameMove->stop();
}

void frmLumbrast::releaseCursor() {
    ReleaseCursorForm();
}

// ---------------------------------------------------------------- resize and closing

void frmLumbrast::Form_Resize() {
    if (isMinimized() || isMaximized())
        ReleaseCursorForm();
    else if (placed_)
        ConfineCursorForm();
}

bool frmLumbrast::event(QEvent *event) {
    if (event->type() == QEvent::Paint && !placed_) {
        // The first show's resize came before the window manager placed the
        // window; trap the cursor in the rectangle it really has.
        placed_ = true;
        Form_Resize();
    }
    return QMainWindow::event(event);
}

void frmLumbrast::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmLumbrast::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmLumbrast::unhookAndCloseMusic() {
    if (input_.IsHooked == input::kTrue)
        mouse_.UnHook();
    try {
        pressMusicWindowExit();
    } catch (...) {
        // closing goes on (and the cursor is freed) whatever the music window does
    }
}

void frmLumbrast::cmdExit_Click() {
    unhookAndCloseMusic();
    close();
}

void frmLumbrast::mnuExit_Click() {
    cmdExit_Click();
}

void frmLumbrast::Form_QueryUnload() {
    if (input_.IsHooked == input::kTrue)
        mouse_.UnHook();
    ReleaseCursorForm();
}

void frmLumbrast::Form_Unload() {
    unhookAndCloseMusic();
    ReleaseCursorForm();
    tmrGameMove->stop();
}

void frmLumbrast::closeEvent(QCloseEvent *event) {
    Form_QueryUnload(); // never refuses
    Form_Unload();
    event->accept();
}

} // namespace lumbrast::app
