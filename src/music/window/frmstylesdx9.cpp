#include "music/window/frmstylesdx9.h"

#include "music/window/follower.h"
#include "music/window/frmstylesdx9_detail.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <new>

namespace lumbrast::musicwindow {

namespace detail {

void invalidValue() {
    throw WindowError(kErrInvalidValue, "Invalid property value");
}

std::int32_t checkedAdd(std::int32_t a, std::int32_t b) {
    std::int32_t r = 0;
    if (__builtin_add_overflow(a, b, &r))
        throw WindowError(kErrOverflow, "Overflow");
    return r;
}

std::int16_t lengthFromText(const QString &text) {
    return RoundToInt16(TextValue(text)).value_or(std::int16_t{9999});
}

std::int16_t shapeIndex(const QString &text) {
    const auto shape = RoundToInt16(TextValue(text));
    if (!shape)
        throw WindowError(kErrOverflow, "Overflow");
    return *shape;
}

} // namespace detail

ErrorInfo CurrentError() {
    try {
        throw;
    } catch (const mus::MusicError &e) {
        // File errors name the file, line and column.
        return {e.number(), QString::fromStdString(e.file().empty() ? e.description() : e.what())};
    } catch (const WindowError &e) {
        return {e.number(), QString::fromStdString(e.what())};
    } catch (const std::bad_alloc &) {
        return {7, QStringLiteral("Out of memory")};
    } catch (const std::exception &e) {
        return {51, QString::fromStdString(e.what())};
    } catch (...) {
        return {51, QStringLiteral("Internal error")};
    }
}

frmStylesDX9::frmStylesDX9(QWidget *gameWindow, MusicWindowEnv env)
    : QWidget(gameWindow, Qt::Window), gameWindow_(gameWindow), env_(std::move(env)) {
    if (!env_.messages)
        env_.messages = std::make_shared<QtMessageBoxes>();
    if (!env_.random)
        env_.random = std::make_shared<ClockRandom>();
    setObjectName(QStringLiteral("frmStylesDX9"));
    setWindowTitle(tr(kCaption));
    buildControls();
}

frmStylesDX9::~frmStylesDX9() {
    // Leaves nothing playing when the owner goes away without pressing Exit.
    if (Perf) {
        try {
            Perf->CloseDown();
        } catch (...) {
        }
    }
}

// ------------------------------------------------------------------ window life

void frmStylesDX9::paintEvent(QPaintEvent *event) {
    Form_Paint();
    QWidget::paintEvent(event);
}

void frmStylesDX9::Form_Paint() {
    // Always over the game window's top-left corner.
    if (gameWindow_ && pos() != gameWindow_->pos())
        move(gameWindow_->pos());
}

void frmStylesDX9::closeEvent(QCloseEvent *event) {
    // The close box hides, like "Hide": the music plays on and the choices
    // stay; only the game window's Exit unloads the window.
    if (!unloaded_) {
        event->ignore();
        cmdHide_Click();
        return;
    }
    QWidget::closeEvent(event);
}

void frmStylesDX9::cmdHide_Click() {
    hide();
}

void frmStylesDX9::cmdOK_Click() {
    Composer.reset();
    Loader.reset();
    try {
        if (Perf)
            Perf->CloseDown();
    } catch (...) {
    }
    Perf.reset();
    Unload();
}

void frmStylesDX9::Form_Unload() {
    BarNumber = 0;
}

void frmStylesDX9::Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    Form_Unload();
    hide();
    if (NotifyEvent)
        NotifyEvent->disconnect(this);
    if (Perf) {
        try {
            Perf->CloseDown();
        } catch (...) {
        }
    }
    MotifTable.clear();
    MainSegment.reset();
    BandSegment.reset();
    CurBand.reset();
    CurStyle.reset();
    CurChordMap.reset();
    Composer.reset();
    Loader.reset();
    Perf.reset();
    NotifyEvent.reset();
    emit unloaded();
    deleteLater();
}

void frmStylesDX9::RoundMusicWindow() {
    setMask(RoundRectRegion(width(), height(), 24, 24));
}

void frmStylesDX9::RoundMusicControls() {
    for (QWidget *w : std::initializer_list<QWidget *>{cmdStopSegment, cmdPlaySegment, cmdPlayMotif,
                                                       cmdOK, cmdRecompose})
        w->setMask(RoundRectRegion(w->width(), w->height(), 3, 3));
    for (QWidget *w :
         std::initializer_list<QWidget *>{cboStyles, cboChordMap, cboShape, lstBands, lstMotifs,
                                          txtStyleFileName, txtComposeLength})
        w->setMask(RoundRectRegion(w->width(), w->height(), 4, 4));
}

// ------------------------------------------------------------------ helpers

bool frmStylesDX9::guarded(const char *tag, const std::function<void()> &body, BoxIcon icon) {
    try {
        body();
        return true;
    } catch (...) {
        const ErrorInfo e = CurrentError();
        showError(e.number, e.description, QString::fromLatin1(tag), icon);
        return false;
    }
}

void frmStylesDX9::showError(std::int32_t number, const QString &description, const QString &tag,
                             BoxIcon icon) {
    env_.messages->show(
        this, QString::number(number) + QLatin1Char('\n') + description + QLatin1Char('\n') + tag,
        icon, QString::fromLatin1(kErrorTitle));
}

std::string frmStylesDX9::mediaPath(const QString &name) const {
    return FilePath(MediaFolder + name);
}

void frmStylesDX9::beep() {
    if (env_.beep)
        env_.beep();
    else
        QApplication::beep();
}

} // namespace lumbrast::musicwindow
