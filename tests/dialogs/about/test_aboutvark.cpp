#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include "dialogs/about/frmAboutVark.h"
#include "platform/help/fakes.h"

using namespace lumbrast::dialogs;
using lumbrast::platform::RecordingUrlOpener;

namespace {

QRect twips(int left, int top, int width, int height)
{
    return {left / 15, top / 15, width / 15, height / 15};
}

// The next widget Tab moves to, skipping the inner parts of `from`.
QWidget *nextTabStop(QWidget *from)
{
    QWidget *w = from->nextInFocusChain();
    while (w != from && (!(w->focusPolicy() & Qt::TabFocus) || from->isAncestorOf(w)))
        w = w->nextInFocusChain();
    return w;
}

// A mouse move over the widget with no button held, as the window system sends it.
void moveOver(QWidget *widget)
{
    const QPoint pos(10, 10);
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

} // namespace

TEST(AboutText, EightLinesWithTheFixedOnesExact)
{
    const QString text = aboutVarkText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("This is game for single computer and mice.\r\n")));
    EXPECT_FALSE(text.endsWith(QStringLiteral("\r\n")));
    EXPECT_EQ(text.count(u'\r'), 7);
    EXPECT_EQ(text.count(u'\n'), 7);

    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0], QStringLiteral("This is game for single computer and mice."));
    EXPECT_EQ(lines[1], QString());
    EXPECT_FALSE(lines[2].trimmed().isEmpty());
    EXPECT_EQ(lines[3], QString());
    EXPECT_FALSE(lines[4].trimmed().isEmpty());
    EXPECT_EQ(lines[5], QString());
    EXPECT_EQ(lines[6], QStringLiteral("Lumbrast   ver. 1.0.0   from 10-aug-2010"));
    EXPECT_FALSE(lines[7].trimmed().isEmpty());
}

TEST(RoundRectRegion, CutsEveryCornerToAQuarterEllipse)
{
    for (const QSize size : {QSize(494, 248), QSize(60, 40), QSize(24, 24)}) {
        const QRegion region = roundRectRegion(size, QSize(24, 24));
        const int r = size.width() - 1;
        const int b = size.height() - 1;
        for (const QPoint corner : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b), QPoint(2, 2), QPoint(r - 2, b - 2)})
            EXPECT_FALSE(region.contains(corner)) << size.width() << "x" << size.height();
        for (const QPoint inside : {QPoint(12, 0), QPoint(0, 12), QPoint(r, 12), QPoint(12, b), QPoint(r / 2, b / 2), QPoint(5, 5)})
            EXPECT_TRUE(region.contains(inside)) << size.width() << "x" << size.height();
        EXPECT_EQ(region.boundingRect(), QRect(QPoint(0, 0), size));
    }
}

class AboutWindow : public testing::Test {
protected:
    void SetUp() override
    {
        game.setGeometry(200, 150, 429, 400);
        game.show();
    }

    QWidget game;
    RecordingUrlOpener links;
    QCursor startCursor{Qt::PointingHandCursor};
};

TEST_F(AboutWindow, LayoutTextFontsAndPictures)
{
    frmAboutVark about(&game, {}, links);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Lumbrast- About author and program"));
    EXPECT_EQ(about.size(), QSize(494, 248));

    EXPECT_EQ(about.imgAuthorPicture->geometry(), twips(120, 0, 2400, 2925));
    EXPECT_EQ(about.txtAboutVark->geometry(), twips(2640, 0, 4815, 2895));
    EXPECT_EQ(about.imgAuthorAddress->geometry(), twips(0, 3000, 7680, 720));
    EXPECT_EQ(about.lblAuthorWeb->geometry(), twips(360, 3360, 3255, 375));
    EXPECT_EQ(about.lblAuthorMail->geometry(), twips(3960, 3360, 3255, 375));

    EXPECT_EQ(about.imgAuthorPicture->pixmap().size(), QSize(160, 195));
    EXPECT_EQ(about.imgAuthorAddress->pixmap().size(), QSize(512, 48));

    // The box shows the eight lines, one per line.
    const QStringList lines = aboutVarkText().split(QStringLiteral("\r\n"));
    QTextDocument *doc = about.txtAboutVark->document();
    ASSERT_EQ(doc->blockCount(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(doc->findBlockByNumber(i).text(), lines[i]) << "line " << i + 1;
    // All of it readable at once, without scrolling.
    about.show();
    QApplication::processEvents();
    EXPECT_EQ(about.txtAboutVark->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(about.txtAboutVark->font().family(), QStringLiteral("Arial"));
    EXPECT_DOUBLE_EQ(about.txtAboutVark->font().pointSizeF(), 11.25);

    for (LinkLabel *link : {about.lblAuthorWeb, about.lblAuthorMail}) {
        EXPECT_EQ(link->font().family(), QStringLiteral("Arial"));
        EXPECT_DOUBLE_EQ(link->font().pointSizeF(), 12.0);
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->font().weight(), QFont::Normal);
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        EXPECT_EQ(link->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
        EXPECT_TRUE(link->autoFillBackground());
        // The whole address must be readable in its label.
        EXPECT_LE(link->fontMetrics().horizontalAdvance(link->text()), link->width()) << link->text().toStdString();
    }
    EXPECT_EQ(about.lblAuthorWeb->text(), QStringLiteral("https://lumbrast.example.org/"));
    EXPECT_EQ(about.lblAuthorMail->text(), QStringLiteral("lumbrast@example.org"));

    EXPECT_EQ(nextTabStop(about.txtAboutVark), about.lblAuthorWeb);
    EXPECT_EQ(nextTabStop(about.lblAuthorWeb), about.lblAuthorMail);
}

TEST_F(AboutWindow, RoundedAndPlacedAtTheGameWindowsCorner)
{
    frmAboutVark about(&game, {}, links);
    EXPECT_EQ(about.mask(), roundRectRegion(QSize(494, 248), QSize(24, 24)));
    EXPECT_EQ(about.pos(), game.frameGeometry().topLeft());
}

TEST_F(AboutWindow, LinksHandExactlyTheAddressesToTheDesktop)
{
    frmAboutVark about(&game, {}, links);
    about.show();
    QTest::mouseClick(about.lblAuthorMail, Qt::LeftButton);
    ASSERT_EQ(links.opened.size(), 1);
    EXPECT_EQ(links.opened[0], QStringLiteral("mailto:lumbrast@example.org"));

    QTest::mouseClick(about.lblAuthorWeb, Qt::LeftButton);
    ASSERT_EQ(links.opened.size(), 2);
    EXPECT_EQ(links.opened[1], QStringLiteral("https://lumbrast.example.org/"));

    // A press that ends outside the label is no click; a right click is none either.
    QTest::mousePress(about.lblAuthorWeb, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(about.lblAuthorWeb, Qt::LeftButton, {}, QPoint(-20, 5));
    QTest::mouseClick(about.lblAuthorWeb, Qt::RightButton);
    EXPECT_EQ(links.opened.size(), 2);

    // From the keyboard, too.
    about.lblAuthorMail->setFocus();
    QTest::keyClick(about.lblAuthorMail, Qt::Key_Space);
    EXPECT_EQ(links.opened.size(), 3);
}

TEST_F(AboutWindow, LinksTakeTheStartButtonsCursorAtEachMove)
{
    frmAboutVark about(&game, [this] { return startCursor; }, links);
    about.show();

    moveOver(about.lblAuthorMail);
    EXPECT_EQ(about.lblAuthorMail->cursor().shape(), Qt::PointingHandCursor);

    // After a table was closed the button carries the next opener's cursor.
    QPixmap image(32, 32);
    image.fill(Qt::red);
    startCursor = QCursor(image, 24, 7);
    moveOver(about.lblAuthorWeb);
    EXPECT_EQ(about.lblAuthorWeb->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(about.lblAuthorWeb->cursor().hotSpot(), QPoint(24, 7));
    EXPECT_EQ(about.lblAuthorMail->cursor().shape(), Qt::PointingHandCursor); // untouched until moved over
}

TEST_F(AboutWindow, WithoutACursorTheLinksKeepTheirOwn)
{
    frmAboutVark about(&game, {}, links);
    about.show();
    const Qt::CursorShape before = about.lblAuthorMail->cursor().shape();
    moveOver(about.lblAuthorMail);
    EXPECT_EQ(about.lblAuthorMail->cursor().shape(), before);
}

TEST_F(AboutWindow, ShowAboutIsModalOverTheGameWindow)
{
    bool sawModal = false;
    QTimer::singleShot(0, [&] {
        auto *about = qobject_cast<frmAboutVark *>(QApplication::activeModalWidget());
        sawModal = about && about->isModal() && about->parentWidget() == &game;
        if (QWidget *w = QApplication::activeModalWidget())
            w->close();
    });
    showAbout(&game, {}, links);
    EXPECT_TRUE(sawModal);
}
