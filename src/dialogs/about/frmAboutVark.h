#pragma once
// Help > "About": a small modal window with a few lines about the game, two
// pictures and links to the author's web page and e-mail address.

#include <functional>

#include <QCursor>
#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QRegion>
#include <QString>

#include "platform/help/urlopener.h"

class QPlainTextEdit;

namespace lumbrast::dialogs {

inline constexpr char kAuthorMail[] = "lumbrast@example.org";
inline constexpr char kAuthorWeb[] = "https://lumbrast.org/";

// The eight lines of the About text joined by CR LF, without a final CR LF;
// line 7 names the program's version.
QString aboutVarkText();

// An SVG picture drawn for `ratio` device pixels per pixel at `size` pixels.
QPixmap drawPicture(const QString &svgFile, QSize size, qreal ratio);

// A rectangle of `size` from (0, 0) whose corners are cut to quarter
// ellipses of `ellipse` (width and height), as the window's rounded shape.
QRegion roundRectRegion(QSize size, QSize ellipse);

// The cursor the game window's "Start" button carries at the moment of asking.
using CursorProvider = std::function<QCursor()>;

// A label that works as a link: it reports clicks (mouse, or Space/Enter
// when it has the keyboard focus) and every mouse move over it, shows a dotted
// frame while it has the focus, and tells assistive tools that it is a link.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString &text, QWidget *parent = nullptr);
    // Follows the link, as a click does.
    void activate() { emit clicked(); }

signals:
    void clicked();
    void mouseMoved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool pressed_ = false;
};

class frmAboutVark : public QDialog {
    Q_OBJECT
public:
    // `gameWindow` places the window (may be null); `startCursor` may be empty,
    // then the links keep their cursor.
    frmAboutVark(QWidget *gameWindow, CursorProvider startCursor, platform::UrlOpener &links);

    QLabel *imgAuthorPicture = nullptr;
    QPlainTextEdit *txtAboutVark = nullptr;
    QLabel *imgAuthorAddress = nullptr;
    LinkLabel *lblAuthorWeb = nullptr;
    LinkLabel *lblAuthorMail = nullptr;

    void lblAuthorMail_Click();
    void lblAuthorWeb_Click();
    void lblAuthorMail_MouseMove();
    void lblAuthorWeb_MouseMove();

private:
    void Form_Load(QWidget *gameWindow);
    void RoundAboutWindow();

    CursorProvider startCursor_;
    platform::UrlOpener &links_;
};

// Help > "About": shows frmAboutVark modally over the game window and
// returns when it is closed.
void showAbout(QWidget *gameWindow, CursorProvider startCursor, platform::UrlOpener &links);

// The same with the desktop's own handlers for the two links.
void showAbout(QWidget *gameWindow, CursorProvider startCursor);

} // namespace lumbrast::dialogs
