#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

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

TEST(AboutWindow, TextPicturesLinksAndCorners) {
    QWidget game;
    game.setGeometry(200, 150, 429, 400);
    game.show();
    lumbrast::platform::RecordingUrlOpener links;
    frmAboutVark about(&game, {}, links);
    about.show();
    QApplication::processEvents();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Lumbrast- About author and program"));
    EXPECT_EQ(about.size(), QSize(494, 248));
    EXPECT_EQ(about.pos(), game.frameGeometry().topLeft());
    const QRegion mask = about.mask();
    for (const QPoint out : {QPoint(0, 0), QPoint(493, 0), QPoint(0, 247), QPoint(491, 245)})
        EXPECT_FALSE(mask.contains(out));
    for (const QPoint in : {QPoint(12, 0), QPoint(0, 12), QPoint(493, 12), QPoint(5, 5)})
        EXPECT_TRUE(mask.contains(in));

    EXPECT_EQ(about.imgAuthorPicture->pixmap().size(), QSize(160, 195));
    EXPECT_EQ(about.imgAuthorAddress->pixmap().size(), QSize(512, 48));

    // Eight lines joined by CR LF, all shown at once.
    const QStringList lines = aboutVarkText().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(aboutVarkText().count(u'\n'), 7);
    EXPECT_EQ(lines[0], QStringLiteral("This is game for single computer and mice."));
    EXPECT_EQ(lines[6], QStringLiteral("Lumbrast   ver. 1.0.0   from 10-aug-2010"));
    QTextDocument *doc = about.txtAboutVark->document();
    ASSERT_EQ(doc->blockCount(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(lines[i].isEmpty(), i == 1 || i == 3 || i == 5) << "line " << i + 1;
        EXPECT_EQ(doc->findBlockByNumber(i).text(), lines[i]) << "line " << i + 1;
    }
    EXPECT_EQ(about.txtAboutVark->verticalScrollBar()->maximum(), 0);
    EXPECT_DOUBLE_EQ(about.txtAboutVark->font().pointSizeF(), 11.25);

    for (LinkLabel *link : {about.lblAuthorWeb, about.lblAuthorMail}) {
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        EXPECT_EQ(link->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
        EXPECT_LE(link->fontMetrics().horizontalAdvance(link->text()), link->width());
    }
}

TEST(AboutWindow, LinksOpenExactAddressesWithTheStartButtonsCursor) {
    QWidget game;
    lumbrast::platform::RecordingUrlOpener links;
    QCursor startCursor(Qt::PointingHandCursor);
    frmAboutVark about(
        &game, [&] { return startCursor; }, links);
    about.show();
    QTest::mouseClick(about.lblAuthorMail, Qt::LeftButton);
    QTest::mouseClick(about.lblAuthorWeb, Qt::LeftButton);
    QTest::mouseClick(about.lblAuthorWeb, Qt::RightButton); // no click
    EXPECT_EQ(links.opened, (QStringList{QStringLiteral("mailto:lumbrast@example.org"),
                                         QStringLiteral("https://lumbrast.example.org/")}));

    // The cursor is taken anew at each move: "Start" changes between tables.
    moveOver(about.lblAuthorMail);
    EXPECT_EQ(about.lblAuthorMail->cursor().shape(), Qt::PointingHandCursor);
    QPixmap image(32, 32);
    image.fill(Qt::red);
    startCursor = QCursor(image, 24, 7);
    moveOver(about.lblAuthorWeb);
    EXPECT_EQ(about.lblAuthorWeb->cursor().hotSpot(), QPoint(24, 7));
}
