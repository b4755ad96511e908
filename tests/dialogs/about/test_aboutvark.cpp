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

TEST(AboutWindow, TextPicturesCornersAndLinksByMouseKeyboardAndAssistiveTools) {
    QCoreApplication::setApplicationVersion(QStringLiteral("2.4.1"));
    QWidget game;
    game.setGeometry(200, 150, 429, 400);
    game.show();
    lumbrast::platform::RecordingUrlOpener links;
    QCursor startCursor(Qt::PointingHandCursor);
    frmAboutVark about(
        &game, [&] { return startCursor; }, links);
    about.show();
    QApplication::setActiveWindow(&about);
    QApplication::processEvents();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Lumbrast- About author and program"));
    EXPECT_EQ(about.size(), QSize(494, 248));
    EXPECT_EQ(about.pos(), game.frameGeometry().topLeft());
    const QRegion mask = about.mask(); // rounded corners
    for (const QPoint out : {QPoint(0, 0), QPoint(493, 0), QPoint(0, 247), QPoint(491, 245)})
        EXPECT_FALSE(mask.contains(out));
    for (const QPoint in : {QPoint(4, 4), QPoint(489, 4), QPoint(4, 243), QPoint(489, 243)})
        EXPECT_TRUE(mask.contains(in)) << in.x() << ',' << in.y();

    // Eight lines joined by CR LF, all shown at once.
    EXPECT_EQ(aboutVarkText(), "This is game for single computer and mice.\r\n\r\n"
                               "Buy it to support the author's further work.\r\n\r\n"
                               "It is sold at https://lumbrast.org/\r\n\r\n"
                               "Lumbrast   ver. 2.4.1   from 10-aug-2010\r\n"
                               "Two mice, one table, good luck!");
    EXPECT_EQ(about.txtAboutVark->toPlainText(), aboutVarkText().replace("\r\n", "\n"));
    EXPECT_EQ(about.txtAboutVark->verticalScrollBar()->maximum(), 0);

    for (LinkLabel *link : {about.lblAuthorWeb, about.lblAuthorMail})
        EXPECT_TRUE(link->font().underline());
    QTest::mouseClick(about.lblAuthorMail, Qt::LeftButton);
    QTest::mouseClick(about.lblAuthorWeb, Qt::LeftButton);
    QTest::mouseClick(about.lblAuthorWeb, Qt::RightButton); // no click

    // The cursor is taken at each move, not once: "Start" changes between tables.
    startCursor = QCursor(QPixmap(32, 32), 24, 7);
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10),
                     about.lblAuthorWeb->mapToGlobal(QPointF(10, 10)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(about.lblAuthorWeb, &move);
    EXPECT_EQ(about.lblAuthorWeb->cursor().hotSpot(), QPoint(24, 7));

    // Reached by Tab, with a visible cue.
    about.txtAboutVark->setFocus();
    const QImage unfocused = about.lblAuthorWeb->grab().toImage();
    QTest::keyClick(about.txtAboutVark, Qt::Key_Tab);
    ASSERT_TRUE(about.lblAuthorWeb->hasFocus());
    EXPECT_NE(about.lblAuthorWeb->grab().toImage(), unfocused);
    QTest::keyClick(about.lblAuthorWeb, Qt::Key_Tab);
    EXPECT_TRUE(about.lblAuthorMail->hasFocus());
    QTest::keyClick(about.lblAuthorMail, Qt::Key_Return);
    QTest::keyClick(about.lblAuthorMail, Qt::Key_A); // only Space and Enter follow it

    QAccessibleInterface *mail = QAccessible::queryAccessibleInterface(about.lblAuthorMail);
    ASSERT_NE(mail, nullptr);
    EXPECT_EQ(mail->role(), QAccessible::Link);
    EXPECT_EQ(mail->text(QAccessible::Name), QString::fromLatin1(kAuthorMail));
    mail->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    const QString toMail = QStringLiteral("mailto:lumbrast@example.org");
    EXPECT_EQ(links.opened,
              (QStringList{toMail, QStringLiteral("https://lumbrast.org/"), toMail, toMail}));
}
