#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>

#include "dialogs/help/chmhelpviewer.h"
#include "dialogs/help/frmHelpViewer.h"
#include "dialogs/help/helplocal.h"
#include "platform/help/fakes.h"

using namespace lumbrast::dialogs;
using lumbrast::platform::RecordingHelpViewer;
using lumbrast::platform::RecordingUrlOpener;

namespace {

template <typename T>
QList<T *> windowsOf()
{
    QList<T *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *t = qobject_cast<T *>(w))
            found.append(t);
    }
    return found;
}

QUrl topic(const char *path)
{
    return QUrl(QStringLiteral("chm:/") + QString::fromLatin1(path));
}

// Clicks the link whose text is `text` on the shown page.
void clickLink(ChmTextBrowser *browser, const QString &text)
{
    const QTextCursor found = browser->document()->find(text);
    ASSERT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor at(browser->document());
    at.setPosition(found.selectionStart() + 2);
    browser->setTextCursor(at);
    browser->ensureCursorVisible();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, browser->cursorRect(at).center());
}

// A program folder holding a copy of the built help file. Its name is full of
// characters a shell would act on: the path must reach the reader as it is.
class HelpFolder : public testing::Test {
protected:
    void SetUp() override
    {
        folder = root.filePath(QStringLiteral("games; $(touch x) 'a' & \"b\""));
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(QFile::copy(QStringLiteral(LUMBRAST_TEST_HELP_FILE), folder + QStringLiteral("/Lumbrast.chm")));
    }

    void TearDown() override { qDeleteAll(windowsOf<frmHelpViewer>()); }

    QTemporaryDir root;
    QString folder;
    QWidget game;
};

} // namespace

TEST(HelpLocal, AsksForTheMainTopicOfFolderSlashFile)
{
    QWidget game;
    RecordingHelpViewer viewer;
    mnuHelpLocal_Click(&game, QStringLiteral("/opt/lumbrast"), viewer);
    mnuHelpLocal_Click(&game, QStringLiteral("/"), viewer); // joined as is
    ASSERT_EQ(viewer.calls.size(), 2u);
    EXPECT_EQ(viewer.calls[0].owner, &game);
    EXPECT_EQ(viewer.calls[0].helpFile, QStringLiteral("/opt/lumbrast/Lumbrast.chm"));
    EXPECT_EQ(viewer.calls[0].topic, QStringLiteral("Lumbrast_help_main_EN.htm"));
    EXPECT_EQ(viewer.calls[1].helpFile, QStringLiteral("//Lumbrast.chm"));
}

TEST(HelpLocal, AFailureIsReportedWithItsTag)
{
    struct Failing : lumbrast::platform::HelpViewer {
        void displayTopic(QWidget *, const QString &, const QString &) override
        {
            throw std::runtime_error("viewer gone");
        }
    } viewer;
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            shown = box->windowTitle() + u'|' + box->text() + u'|' + QString::number(box->icon());
            box->accept();
        }
    });
    mnuHelpLocal_Click(nullptr, QStringLiteral("/opt/lumbrast"), viewer);
    EXPECT_EQ(shown, QStringLiteral("Lumbrast|5\r\nviewer gone\r\nsub: 27|") + QString::number(QMessageBox::Warning));
}

TEST_F(HelpFolder, OpensTheMainTopicAndFollowsLinks)
{
    showHelpLocal(&game, folder);
    const auto windows = windowsOf<frmHelpViewer>();
    ASSERT_EQ(windows.size(), 1);
    frmHelpViewer *viewer = windows.first();
    ChmTextBrowser *page = viewer->txtHelpTopic;
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_FALSE(viewer->isModal());
    EXPECT_EQ(viewer->parentWidget(), &game);
    EXPECT_EQ(page->source(), topic("Lumbrast_help_main_EN.htm"));
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Lumbrast Help"));

    // Style sheet and pictures come out of the file too.
    const QTextBlock heading = page->document()->begin();
    EXPECT_EQ(heading.text().trimmed(), QStringLiteral("Lumbrast Help"));
    EXPECT_EQ(heading.begin().fragment().charFormat().foreground().color(), QColor(0x00, 0x60, 0x6a));
    const QVariant picture = page->loadResource(QTextDocument::ImageResource, topic("images/window.png"));
    EXPECT_EQ(QImage::fromData(picture.toByteArray()).size(), QSize(429, 419));

    viewer->resize(700, 900);
    QApplication::processEvents();
    clickLink(page, QStringLiteral("Two mice: plugging in and binding"));
    EXPECT_EQ(page->source(), topic("mice_EN.htm"));
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Two mice: plugging in and binding"));
    viewer->cmdHelpBack->click();
    EXPECT_EQ(page->source(), topic("Lumbrast_help_main_EN.htm"));

    // A doubled slash reaches the same file: its window is reused.
    showHelpLocal(&game, folder + u'/');
    EXPECT_EQ(windowsOf<frmHelpViewer>().size(), 1);
}

TEST_F(HelpFolder, OnlyLinksOutOfTheFileGoToTheDesktop)
{
    RecordingUrlOpener links;
    ChmHelpViewer viewer(&links);
    viewer.displayTopic(&game, folder + QStringLiteral("/Lumbrast.chm"), QStringLiteral("mice_EN.htm#binding"));
    frmHelpViewer *window = ChmHelpViewer::openWindowFor(folder + QStringLiteral("/Lumbrast.chm"));
    ASSERT_NE(window, nullptr);
    ChmTextBrowser *page = window->txtHelpTopic;
    EXPECT_EQ(page->source(), topic("mice_EN.htm#binding"));

    for (const char *url : {"https://lumbrast.example.org/faq", "file:///etc/passwd", "chm:/no_such_page.htm"})
        emit page->anchorClicked(QUrl(QString::fromLatin1(url)));
    EXPECT_EQ(links.opened, QStringList{QStringLiteral("https://lumbrast.example.org/faq")});
    EXPECT_EQ(page->source(), topic("mice_EN.htm#binding"));
    // Nothing outside the help file is loaded into a page.
    EXPECT_FALSE(page->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("file:///etc/passwd"))).isValid());
}

TEST_F(HelpFolder, MissingFileCorruptFileAndMissingTopicShowNothing)
{
    const QString other = root.filePath(QStringLiteral("other"));
    ASSERT_TRUE(QDir().mkpath(other));
    showHelpLocal(&game, other); // no help file there

    QFile good(QStringLiteral(LUMBRAST_TEST_HELP_FILE));
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    QByteArray bytes = good.readAll();
    bytes.replace(0, 4, "XXXX"); // no longer a compiled help file
    QFile corrupt(other + QStringLiteral("/Lumbrast.chm"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write(bytes);
    corrupt.close();
    showHelpLocal(&game, other);

    ChmHelpViewer viewer;
    viewer.displayTopic(&game, folder + QStringLiteral("/Lumbrast.chm"), QStringLiteral("no_such_topic.htm"));

    EXPECT_TRUE(windowsOf<frmHelpViewer>().isEmpty());
    EXPECT_TRUE(windowsOf<QMessageBox>().isEmpty());
}
