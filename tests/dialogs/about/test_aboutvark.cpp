#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include "dialogs/about/frmAboutVark.h"
#include "platform/help/fakes.h"

using namespace lumbrast::dialogs;

namespace {

void moveOver(QWidget *widget) {
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), widget->mapToGlobal(QPointF(10, 10)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

} // namespace

TEST(AboutWindow, TextPicturesCornersAndLinksWithTheStartButtonsCursor) {
    QCoreApplication::setApplicationVersion(QStringLiteral("2.4.1"));
    QWidget game;
    game.setGeometry(200, 150, 429, 400);
    game.show();
    lumbrast::platform::RecordingUrlOpener links;
    QCursor startCursor(Qt::PointingHandCursor);
    frmAboutVark about(
        &game, [&] { return startCursor; }, links);
    about.show();
    QApplication::processEvents();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Lumbrast- About author and program"));
    EXPECT_EQ(about.size(), QSize(494, 248));
    EXPECT_EQ(about.pos(), game.frameGeometry().topLeft());
    const QRegion mask = about.mask(); // rounded corners
    for (const QPoint out : {QPoint(0, 0), QPoint(493, 0), QPoint(0, 247), QPoint(491, 245)})
        EXPECT_FALSE(mask.contains(out));
    EXPECT_TRUE(mask.contains(QPoint(12, 0)) && mask.contains(QPoint(493, 12)));
    EXPECT_EQ(about.imgAuthorPicture->pixmap().deviceIndependentSize(), QSizeF(160, 195));

    // Eight lines joined by CR LF, every second one blank from the second, all shown at once.
    const QStringList lines = aboutVarkText().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(aboutVarkText().count(u'\n'), 7);
    EXPECT_EQ(lines[6], QStringLiteral("Lumbrast   ver. 2.4.1   from 10-aug-2010"));
    EXPECT_TRUE(lines[2].contains("Buy") && lines[4].contains("https://lumbrast.org/"));
    EXPECT_TRUE(lines[1].isEmpty() && lines[3].isEmpty() && lines[5].isEmpty());
    EXPECT_EQ(about.txtAboutVark->toPlainText().split(u'\n'), lines);
    EXPECT_EQ(about.txtAboutVark->verticalScrollBar()->maximum(), 0);

    for (LinkLabel *link : {about.lblAuthorWeb, about.lblAuthorMail}) {
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        EXPECT_LE(link->fontMetrics().horizontalAdvance(link->text()), link->width());
    }

    QTest::mouseClick(about.lblAuthorMail, Qt::LeftButton);
    QTest::mouseClick(about.lblAuthorWeb, Qt::LeftButton);
    QTest::mouseClick(about.lblAuthorWeb, Qt::RightButton); // no click
    EXPECT_EQ(links.opened, (QStringList{QStringLiteral("mailto:lumbrast@example.org"),
                                         QStringLiteral("https://lumbrast.org/")}));

    // The cursor is taken anew at each move: "Start" changes between tables.
    moveOver(about.lblAuthorMail);
    EXPECT_EQ(about.lblAuthorMail->cursor().shape(), Qt::PointingHandCursor);
    QPixmap image(32, 32);
    image.fill(Qt::red);
    startCursor = QCursor(image, 24, 7);
    moveOver(about.lblAuthorWeb);
    EXPECT_EQ(about.lblAuthorWeb->cursor().hotSpot(), QPoint(24, 7));
}

TEST(AboutWindow, LinksAreReachedByTabShowTheirFocusAndAreLinksToAssistiveTools) {
    lumbrast::platform::RecordingUrlOpener links;
    frmAboutVark about(nullptr, {}, links);
    about.show();
    QApplication::setActiveWindow(&about);
    about.txtAboutVark->setFocus();
    const QImage unfocused = about.lblAuthorWeb->grab().toImage();
    int blue = 0; // the address itself is drawn, in the link colour
    for (int y = 0; y < unfocused.height(); ++y)
        for (int x = 0; x < unfocused.width(); ++x)
            blue += unfocused.pixelColor(x, y) == QColor(0, 0, 255);
    EXPECT_GT(blue, 20);
    QTest::keyClick(about.txtAboutVark, Qt::Key_Tab);
    ASSERT_TRUE(about.lblAuthorWeb->hasFocus());
    EXPECT_NE(about.lblAuthorWeb->grab().toImage(), unfocused); // a visible cue
    QTest::keyClick(about.lblAuthorWeb, Qt::Key_Tab);
    EXPECT_TRUE(about.lblAuthorMail->hasFocus());

    QTest::keyClick(about.lblAuthorMail, Qt::Key_Return);
    EXPECT_EQ(links.opened.size(), 1);
    QTest::keyClick(about.lblAuthorMail, Qt::Key_A); // only Space and Enter follow it
    EXPECT_EQ(links.opened.size(), 1);

    QAccessibleInterface *mail = QAccessible::queryAccessibleInterface(about.lblAuthorMail);
    ASSERT_NE(mail, nullptr);
    EXPECT_EQ(mail->role(), QAccessible::Link);
    EXPECT_EQ(mail->text(QAccessible::Name), QString::fromLatin1(kAuthorMail));
    mail->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(links.opened, QStringList(2, QStringLiteral("mailto:lumbrast@example.org")));
}
