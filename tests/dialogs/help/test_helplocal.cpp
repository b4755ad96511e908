#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>

#include "dialogs/help/chmhelpviewer.h"
#include "dialogs/help/errorreport.h"
#include "dialogs/help/frmHelpViewer.h"
#include "dialogs/help/helplocal.h"
#include "platform/help/fakes.h"

using namespace lumbrast::dialogs;
using lumbrast::platform::RecordingHelpViewer;
using lumbrast::platform::RecordingUrlOpener;

namespace {

const QString kBuiltHelp = QStringLiteral(LUMBRAST_TEST_HELP_FILE);

QList<frmHelpViewer *> helpWindows()
{
    QList<frmHelpViewer *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *viewer = qobject_cast<frmHelpViewer *>(w))
            found.append(viewer);
    }
    return found;
}

int messageBoxes()
{
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        count += qobject_cast<QMessageBox *>(w) != nullptr;
    return count;
}

// A program folder of its own holding a copy of the built help file. The name
// is full of characters a shell would act on: the path must reach the reader as it is.
class HelpFolder : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        folder = root.filePath(QStringLiteral("my games; $(touch pwned) 'x' & \"y\""));
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(QFile::copy(kBuiltHelp, folder + QStringLiteral("/Lumbrast.chm")));
    }

    void TearDown() override
    {
        for (frmHelpViewer *w : helpWindows())
            delete w;
        EXPECT_FALSE(QFile::exists(QStringLiteral("pwned")));
    }

    QTemporaryDir root;
    QString folder;
    QWidget game;
};

// Clicks the link whose text is `text` in the viewer's page.
void clickLink(ChmTextBrowser *browser, const QString &text)
{
    QTextDocument *doc = browser->document();
    const QTextCursor found = doc->find(text);
    ASSERT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor at(doc);
    at.setPosition(found.selectionStart() + 2);
    browser->setTextCursor(at);
    browser->ensureCursorVisible();
    const QPoint point = browser->cursorRect(at).center();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, point);
}

} // namespace

TEST(HelpLocal, PathIsFolderSlashFileNameJoinedAsIs)
{
    EXPECT_EQ(helpFilePath(QStringLiteral("/usr/games/lumbrast")), QStringLiteral("/usr/games/lumbrast/Lumbrast.chm"));
    EXPECT_EQ(helpFilePath(QStringLiteral("/")), QStringLiteral("//Lumbrast.chm"));
    EXPECT_EQ(helpFilePath(QStringLiteral("/opt/lumbrast/")), QStringLiteral("/opt/lumbrast//Lumbrast.chm"));
}

TEST(HelpLocal, AsksTheViewerForTheMainTopicOwnedByTheGameWindow)
{
    QWidget game;
    RecordingHelpViewer viewer;
    mnuHelpLocal_Click(&game, QStringLiteral("/opt/lumbrast"), viewer);
    ASSERT_EQ(viewer.calls.size(), 1u);
    EXPECT_EQ(viewer.calls[0].owner, &game);
    EXPECT_EQ(viewer.calls[0].helpFile, QStringLiteral("/opt/lumbrast/Lumbrast.chm"));
    EXPECT_EQ(viewer.calls[0].topic, QStringLiteral("Lumbrast_help_main_EN.htm"));
}

TEST(HelpLocal, ErrorReportReadsNumberDescriptionAndTag)
{
    EXPECT_EQ(errorReportText(7, QStringLiteral("Out of memory"), QStringLiteral("sub: 27")),
              QStringLiteral("7\r\nOut of memory\r\nsub: 27"));
}

TEST_F(HelpFolder, OpensTheMainTopicAndFollowsLinks)
{
    showHelpLocal(&game, folder);

    const auto windows = helpWindows();
    ASSERT_EQ(windows.size(), 1);
    frmHelpViewer *viewer = windows.first();
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_FALSE(viewer->isModal());
    EXPECT_EQ(viewer->parentWidget(), &game);
    EXPECT_EQ(viewer->txtHelpTopic->source(), QUrl(QStringLiteral("chm:/Lumbrast_help_main_EN.htm")));
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Lumbrast Help"));
    EXPECT_TRUE(viewer->txtHelpTopic->toPlainText().contains(QStringLiteral("A game in short")));

    // The page's style sheet comes out of the file: headings in the table's colour.
    const QTextBlock heading = viewer->txtHelpTopic->document()->begin();
    EXPECT_EQ(heading.text().trimmed(), QStringLiteral("Lumbrast Help"));
    EXPECT_EQ(heading.begin().fragment().charFormat().foreground().color(), QColor(0x00, 0x60, 0x6a));

    // The window's picture comes out of the file too.
    const QVariant picture = viewer->txtHelpTopic->loadResource(
        QTextDocument::ImageResource, QUrl(QStringLiteral("chm:/images/window.png")));
    EXPECT_EQ(QImage::fromData(picture.toByteArray()).size(), QSize(429, 420));

    viewer->resize(700, 900);
    QApplication::processEvents();
    clickLink(viewer->txtHelpTopic, QStringLiteral("Two mice: plugging in and binding"));
    EXPECT_EQ(viewer->txtHelpTopic->source(), QUrl(QStringLiteral("chm:/mice_EN.htm")));
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Two mice: plugging in and binding"));
    EXPECT_TRUE(viewer->cmdHelpBack->isEnabled());

    viewer->cmdHelpBack->click();
    EXPECT_EQ(viewer->txtHelpTopic->source(), QUrl(QStringLiteral("chm:/Lumbrast_help_main_EN.htm")));
}

TEST_F(HelpFolder, ADoubledSlashStillOpens)
{
    showHelpLocal(&game, folder + u'/');
    EXPECT_EQ(helpWindows().size(), 1);
}

TEST_F(HelpFolder, OpeningAgainReusesTheWindow)
{
    showHelpLocal(&game, folder);
    showHelpLocal(&game, folder);
    EXPECT_EQ(helpWindows().size(), 1);
}

TEST_F(HelpFolder, LinksOutOfTheFileGoToTheDesktopAndNothingElseIsFetched)
{
    RecordingUrlOpener links;
    ChmHelpViewer viewer(&links);
    viewer.displayTopic(&game, folder + QStringLiteral("/Lumbrast.chm"), QStringLiteral("mice_EN.htm#binding"));
    frmHelpViewer *window = ChmHelpViewer::openWindowFor(folder + QStringLiteral("/Lumbrast.chm"));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->txtHelpTopic->source(), QUrl(QStringLiteral("chm:/mice_EN.htm#binding")));

    emit window->txtHelpTopic->anchorClicked(QUrl(QStringLiteral("https://lumbrast.example.org/faq")));
    emit window->txtHelpTopic->anchorClicked(QUrl(QStringLiteral("file:///etc/passwd")));
    emit window->txtHelpTopic->anchorClicked(QUrl(QStringLiteral("chm:/no_such_page.htm")));
    EXPECT_EQ(links.opened, QStringList{QStringLiteral("https://lumbrast.example.org/faq")});
    EXPECT_EQ(window->txtHelpTopic->source(), QUrl(QStringLiteral("chm:/mice_EN.htm#binding")));

    EXPECT_FALSE(window->txtHelpTopic->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("file:///etc/passwd"))).isValid());
}

TEST_F(HelpFolder, MissingFileCorruptFileAndMissingTopicShowNothing)
{
    const QString other = root.filePath(QStringLiteral("other"));
    ASSERT_TRUE(QDir().mkpath(other));
    showHelpLocal(&game, other); // no help file there
    EXPECT_TRUE(helpWindows().isEmpty());

    QFile corrupt(other + QStringLiteral("/Lumbrast.chm"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    QFile good(kBuiltHelp);
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    QByteArray bytes = good.readAll();
    bytes.replace(0, 4, "XXXX"); // no longer a compiled help file
    corrupt.write(bytes);
    corrupt.close();
    showHelpLocal(&game, other);
    EXPECT_TRUE(helpWindows().isEmpty());

    ChmHelpViewer viewer;
    viewer.displayTopic(&game, folder + QStringLiteral("/Lumbrast.chm"), QStringLiteral("no_such_topic.htm"));
    EXPECT_TRUE(helpWindows().isEmpty());
    EXPECT_EQ(messageBoxes(), 0);
}
