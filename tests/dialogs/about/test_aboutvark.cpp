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
using lumbrast::platform::RecordingUrlOpener;

namespace {

QRect twips(int left, int top, int width, int height)
{
    return {left / 15, top / 15, width / 15, height / 15};
}

// A mouse move over the widget with no button held, as the window system sends it.
void moveOver(QWidget *widget)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), widget->mapToGlobal(QPointF(10, 10)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
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
};

} // namespace

TEST(AboutText, EightLinesWithTheFixedOnesExact)
{
    const QString text = aboutVarkText();
    EXPECT_FALSE(text.endsWith(u'\n'));
    EXPECT_EQ(text.count(u'\r'), 7);
    EXPECT_EQ(text.count(u'\n'), 7);
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0], QStringLiteral("This is game for single computer and mice."));
    EXPECT_EQ(lines[6], QStringLiteral("Lumbrast   ver. 1.0.0   from 10-aug-2010"));
    for (int empty : {1, 3, 5})
        EXPECT_TRUE(lines[empty].isEmpty()) << "line " << empty + 1;
    for (int own : {2, 4, 7})
        EXPECT_FALSE(lines[own].trimmed().isEmpty()) << "line " << own + 1;
}

TEST(RoundRectRegion, CutsEveryCornerToAQuarterEllipse)
{
    for (const QSize size : {QSize(494, 248), QSize(40, 30)}) {
        const QRegion region = roundRectRegion(size, QSize(24, 24));
        const int r = size.width() - 1, b = size.height() - 1;
        for (const QPoint out : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b), QPoint(2, 2), QPoint(r - 2, b - 2)})
            EXPECT_FALSE(region.contains(out)) << size.width();
        for (const QPoint in : {QPoint(12, 0), QPoint(0, 12), QPoint(r, 12), QPoint(12, b), QPoint(5, 5)})
            EXPECT_TRUE(region.contains(in)) << size.width();
        EXPECT_EQ(region.boundingRect(), QRect(QPoint(0, 0), size));
    }
}

TEST_F(AboutWindow, LayoutTextFontsAndPictures)
{
    frmAboutVark about(&game, {}, links);
    about.show();
    QApplication::processEvents();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Lumbrast- About author and program"));
    EXPECT_EQ(about.size(), QSize(494, 248));
    EXPECT_EQ(about.mask(), roundRectRegion(QSize(494, 248), QSize(24, 24)));
    EXPECT_EQ(about.pos(), game.frameGeometry().topLeft());

    EXPECT_EQ(about.imgAuthorPicture->geometry(), twips(120, 0, 2400, 2925));
    EXPECT_EQ(about.txtAboutVark->geometry(), twips(2640, 0, 4815, 2895));
    EXPECT_EQ(about.imgAuthorAddress->geometry(), twips(0, 3000, 7680, 720));
    EXPECT_EQ(about.lblAuthorWeb->geometry(), twips(360, 3360, 3255, 375));
    EXPECT_EQ(about.lblAuthorMail->geometry(), twips(3960, 3360, 3255, 375));
    EXPECT_EQ(about.imgAuthorPicture->pixmap().size(), QSize(160, 195));
    EXPECT_EQ(about.imgAuthorAddress->pixmap().size(), QSize(512, 48));

    // The box shows the eight lines, all at once.
    const QStringList lines = aboutVarkText().split(QStringLiteral("\r\n"));
    QTextDocument *doc = about.txtAboutVark->document();
    ASSERT_EQ(doc->blockCount(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(doc->findBlockByNumber(i).text(), lines[i]) << "line " << i + 1;
    EXPECT_EQ(about.txtAboutVark->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(about.txtAboutVark->font().family(), QStringLiteral("Arial"));
    EXPECT_DOUBLE_EQ(about.txtAboutVark->font().pointSizeF(), 11.25);

    EXPECT_EQ(about.lblAuthorWeb->text(), QStringLiteral("https://lumbrast.example.org/"));
    EXPECT_EQ(about.lblAuthorMail->text(), QStringLiteral("lumbrast@example.org"));
    for (LinkLabel *link : {about.lblAuthorWeb, about.lblAuthorMail}) {
        const QFont font = link->font();
        EXPECT_EQ(font.family(), QStringLiteral("Arial"));
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 12.0);
        EXPECT_TRUE(font.underline());
        EXPECT_EQ(font.weight(), QFont::Normal);
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        EXPECT_EQ(link->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
        EXPECT_TRUE(link->autoFillBackground());
        EXPECT_LE(link->fontMetrics().horizontalAdvance(link->text()), link->width()); // readable in full
    }
}

TEST_F(AboutWindow, LinksHandExactlyTheAddressesToTheDesktop)
{
    frmAboutVark about(&game, {}, links);
    about.show();
    QTest::mouseClick(about.lblAuthorMail, Qt::LeftButton);
    QTest::mouseClick(about.lblAuthorWeb, Qt::LeftButton);
    QTest::mouseClick(about.lblAuthorWeb, Qt::RightButton); // no click
    QTest::keyClick(about.lblAuthorMail, Qt::Key_Space);
    EXPECT_EQ(links.opened, (QStringList{QStringLiteral("mailto:lumbrast@example.org"),
                                         QStringLiteral("https://lumbrast.example.org/"),
                                         QStringLiteral("mailto:lumbrast@example.org")}));
}

TEST_F(AboutWindow, LinksTakeTheStartButtonsCursorAtEachMove)
{
    QCursor startCursor(Qt::PointingHandCursor);
    frmAboutVark about(&game, [&] { return startCursor; }, links);
    about.show();
    moveOver(about.lblAuthorMail);
    EXPECT_EQ(about.lblAuthorMail->cursor().shape(), Qt::PointingHandCursor);

    // After a table was closed "Start" carries the next opener's cursor.
    QPixmap image(32, 32);
    image.fill(Qt::red);
    startCursor = QCursor(image, 24, 7);
    moveOver(about.lblAuthorWeb);
    EXPECT_EQ(about.lblAuthorWeb->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(about.lblAuthorWeb->cursor().hotSpot(), QPoint(24, 7));
    EXPECT_EQ(about.lblAuthorMail->cursor().shape(), Qt::PointingHandCursor); // until moved over
}
