#include "dialogs/about/frmAboutVark.h"

#include <algorithm>

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QStringList>
#include <QSvgRenderer>

#include "dialogs/help/errorreport.h"
#include "platform/desktop/twips.h"
#include "platform/help/urlopener.h"

// Resources of a static library must be registered by name, from outside any namespace.
static void registerAboutPictures() {
    Q_INIT_RESOURCE(about);
}

namespace lumbrast::dialogs {

using platform::twipsRect;
using platform::twipsToPixels;

namespace {

// Colours are written &HBBGGRR.
QColor bgr(quint32 value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

void styleLink(LinkLabel *label) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(12);
    font.setWeight(QFont::Normal);
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, bgr(0xFF0000));
    palette.setColor(QPalette::Window, bgr(0xC0C0C0));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->setMouseTracking(true);
    label->setFocusPolicy(Qt::TabFocus);
}

// What assistive tools see of a LinkLabel: a link named by its text, which
// their "press" follows.
class LinkAccessible final : public QAccessibleWidget {
public:
    explicit LinkAccessible(LinkLabel *link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override {
        const auto *link = static_cast<const LinkLabel *>(widget());
        if (t == QAccessible::Name && link->accessibleName().isEmpty())
            return link->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.linked = true;
        return s;
    }
    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override {
        if (action == pressAction())
            static_cast<LinkLabel *>(widget())->activate();
        else
            QAccessibleWidget::doAction(action);
    }
};

// A picture drawn from SVG for the pixel ratio it is painted at, and drawn
// again when that changes (the window moved to a screen of another scale).
class SvgPicture final : public QLabel {
public:
    SvgPicture(QString file, QSize size, QWidget *parent)
        : QLabel(parent), file_(std::move(file)), size_(size) {
        redraw();
    }

protected:
    void paintEvent(QPaintEvent *event) override {
        if (pixmap().devicePixelRatio() != devicePixelRatioF())
            redraw();
        QLabel::paintEvent(event);
    }

private:
    void redraw() { setPixmap(drawPicture(file_, size_, devicePixelRatioF())); }

    QString file_;
    QSize size_;
};

QAccessibleInterface *linkAccessible(const QString &, QObject *object) {
    if (auto *link = qobject_cast<LinkLabel *>(object))
        return new LinkAccessible(link);
    return nullptr;
}

} // namespace

QString aboutVarkText() {
    const QStringList lines = {
        frmAboutVark::tr("This is game for single computer and mice."),
        QString(),
        frmAboutVark::tr("Buy it to support the author's further work."),
        QString(),
        frmAboutVark::tr("It is sold at https://lumbrast.org/"),
        QString(),
        frmAboutVark::tr("Lumbrast   ver. %1   from 10-aug-2010")
            .arg(QCoreApplication::applicationVersion()),
        frmAboutVark::tr("Two mice, one table, good luck!"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

QPixmap drawPicture(const QString &svgFile, QSize size, qreal ratio) {
    QPixmap picture(size * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QSvgRenderer svg(svgFile);
    QPainter painter(&picture);
    svg.render(&painter, QRectF(QPointF(0, 0), size));
    return picture;
}

QRegion roundRectRegion(QSize size, QSize ellipse) {
    const int w = size.width();
    const int h = size.height();
    const int ew = std::min(ellipse.width(), w);
    const int eh = std::min(ellipse.height(), h);
    QRegion region(0, eh / 2, w, h - eh / 2 * 2);
    region += QRegion(ew / 2, 0, w - ew / 2 * 2, h);
    region += QRegion(0, 0, ew, eh, QRegion::Ellipse);
    region += QRegion(w - ew, 0, ew, eh, QRegion::Ellipse);
    region += QRegion(0, h - eh, ew, eh, QRegion::Ellipse);
    region += QRegion(w - ew, h - eh, ew, eh, QRegion::Ellipse);
    return region;
}

LinkLabel::LinkLabel(const QString &text, QWidget *parent) : QLabel(text, parent) {
    [[maybe_unused]] static const bool known = (QAccessible::installFactory(linkAccessible), true);
}

void LinkLabel::mousePressEvent(QMouseEvent *event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click)
        emit clicked();
}

void LinkLabel::mouseMoveEvent(QMouseEvent *event) {
    event->accept();
    emit mouseMoved();
}

void LinkLabel::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void LinkLabel::paintEvent(QPaintEvent *event) {
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

frmAboutVark::frmAboutVark(QWidget *gameWindow, CursorProvider startCursor,
                           platform::UrlOpener &links)
    : QDialog(gameWindow), startCursor_(std::move(startCursor)), links_(links) {
    [[maybe_unused]] static const bool pictures = (registerAboutPictures(), true);
    setWindowTitle(tr("Lumbrast- About author and program"));
    setFixedSize(twipsToPixels(7410), twipsToPixels(3720));

    imgAuthorPicture = new SvgPicture(QStringLiteral(":/about/author.svg"), QSize(160, 195), this);
    imgAuthorPicture->setGeometry(twipsRect(120, 0, 2400, 2925));
    imgAuthorPicture->setAccessibleName(tr("Picture: a smiling piece over two mice"));

    txtAboutVark = new QPlainTextEdit(this);
    txtAboutVark->setGeometry(twipsRect(2640, 0, 4815, 2895));
    QFont textFont(QStringLiteral("Arial"));
    textFont.setPointSizeF(11.25);
    txtAboutVark->setFont(textFont);
    txtAboutVark->setReadOnly(true);
    txtAboutVark->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtAboutVark->setTabChangesFocus(true); // Tab leads on to the links
    txtAboutVark->setAccessibleName(tr("About Lumbrast"));

    imgAuthorAddress = new SvgPicture(QStringLiteral(":/about/address.svg"), QSize(512, 48), this);
    imgAuthorAddress->setGeometry(twipsRect(0, 3000, 7680, 720));
    imgAuthorAddress->setAccessibleName(
        tr("Lumbrast: a pairs game for two players, two mice and one computer"));

    lblAuthorWeb = new LinkLabel(QString::fromLatin1(kAuthorWeb), this);
    lblAuthorWeb->setGeometry(twipsRect(360, 3360, 3255, 375));
    styleLink(lblAuthorWeb);
    lblAuthorWeb->setAccessibleDescription(tr("Opens the author's web page"));

    lblAuthorMail = new LinkLabel(QString::fromLatin1(kAuthorMail), this);
    lblAuthorMail->setGeometry(twipsRect(3960, 3360, 3255, 375));
    styleLink(lblAuthorMail);
    lblAuthorMail->setAccessibleDescription(tr("Writes an e-mail to the author"));

    setTabOrder(txtAboutVark, lblAuthorWeb);
    setTabOrder(lblAuthorWeb, lblAuthorMail);

    connect(lblAuthorMail, &LinkLabel::clicked, this, &frmAboutVark::lblAuthorMail_Click);
    connect(lblAuthorWeb, &LinkLabel::clicked, this, &frmAboutVark::lblAuthorWeb_Click);
    connect(lblAuthorMail, &LinkLabel::mouseMoved, this, &frmAboutVark::lblAuthorMail_MouseMove);
    connect(lblAuthorWeb, &LinkLabel::mouseMoved, this, &frmAboutVark::lblAuthorWeb_MouseMove);

    Form_Load(gameWindow);
}

void frmAboutVark::Form_Load(QWidget *gameWindow) {
    // The box shows each CR LF as one line break.
    txtAboutVark->setPlainText(
        aboutVarkText().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    RoundAboutWindow();
    if (gameWindow)
        move(gameWindow->window()->frameGeometry().topLeft());
}

void frmAboutVark::RoundAboutWindow() {
    setMask(roundRectRegion(size(), QSize(24, 24)));
}

void frmAboutVark::lblAuthorMail_Click() {
    try {
        links_.open(QStringLiteral("mailto:") + QString::fromLatin1(kAuthorMail));
    } catch (...) {
        reportCurrentError(this, QStringLiteral("sub: 51"));
    }
}

void frmAboutVark::lblAuthorWeb_Click() {
    try {
        links_.open(QString::fromLatin1(kAuthorWeb));
    } catch (...) {
        reportCurrentError(this, QStringLiteral("sub: 52"));
    }
}

// The links borrow the cursor of the player who opens the next table; it is
// asked for at every move because it changes with each closed table.
void frmAboutVark::lblAuthorMail_MouseMove() {
    if (startCursor_)
        lblAuthorMail->setCursor(startCursor_());
}

void frmAboutVark::lblAuthorWeb_MouseMove() {
    if (startCursor_)
        lblAuthorWeb->setCursor(startCursor_());
}

void showAbout(QWidget *gameWindow, CursorProvider startCursor, platform::UrlOpener &links) {
    frmAboutVark about(gameWindow, std::move(startCursor), links);
    about.exec();
}

void showAbout(QWidget *gameWindow, CursorProvider startCursor) {
    platform::DesktopUrlOpener desktop;
    showAbout(gameWindow, std::move(startCursor), desktop);
}

} // namespace lumbrast::dialogs
