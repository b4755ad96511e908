#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include "dialogs/help/chmhelpviewer.h"
#include "dialogs/help/frmHelpViewer.h"
#include "dialogs/help/helplocal.h"
#include "platform/help/fakes.h"

using namespace lumbrast::dialogs;

namespace {

template <typename T> QList<T *> windowsOf() {
    QList<T *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w))
            found.append(t);
    return found;
}

QUrl topic(const char *path) {
    return QUrl(QStringLiteral("chm:/") + QString::fromLatin1(path));
}

} // namespace

// A viewer that fails is reported, not let through.
TEST(HelpLocal, AFailureIsReported) {
    struct Failing : lumbrast::platform::HelpViewer {
        QString displayTopic(QWidget *, const QString &, const QString &) override {
            throw std::runtime_error("viewer <b>gone</b>");
        }
    } failing;
    QString shown;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        shown = box ? box->text() : QString();
        box->accept();
    });
    mnuHelpLocal_Click(nullptr, QStringLiteral("/opt/lumbrast"), failing);
    EXPECT_EQ(shown, QStringLiteral("5\nviewer <b>gone</b>\nsub: 27"));
}

// Help that cannot be shown is named with its reason beside the game, which goes on; the
// help that is there opens, follows its links and sends only outside links to the desktop.
TEST(HelpLocal, MissingCorruptOrPageLessHelpSaysWhyAndPresentHelpOpens) {
    QTemporaryDir root;
    QWidget game;
    const QString file = root.filePath(QStringLiteral("Lumbrast.chm"));
    // Opens the help in `root` and returns what the boxes said.
    const auto shown = [&] {
        showHelpLocal(&game, root.path());
        QStringList texts;
        for (QMessageBox *box : windowsOf<QMessageBox>()) {
            EXPECT_TRUE(box->isVisible() && !box->isModal());
            EXPECT_EQ(box->textFormat(), Qt::PlainText); // a path is not markup
            texts.append(box->text());
            const QPointer<QMessageBox> open(box);
            box->close(); // and closing frees it
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_TRUE(open.isNull());
        }
        return texts;
    };
    const QString advice =
        QStringLiteral("\nTo restore it, install the Debian package lumbrast again.");
    EXPECT_EQ(shown(), QStringList{"The help file " + file + " is missing." + advice});
    QFile corrupt(file); // not a compiled help file
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly) && corrupt.write("XXXX", 4) == 4);
    corrupt.close();
    EXPECT_EQ(shown(), QStringList{"The help file " + file +
                                   " is damaged: it is not a compiled help file." + advice});
    ASSERT_TRUE(QFile::remove(file) && QDir().mkpath(file)); // a folder in its place
    EXPECT_EQ(shown(), QStringList{"The help file " + file + " cannot be read." + advice});

    // The built help in a folder named with shell metacharacters: the path reaches the
    // reader as it is.
    const QString folder = root.filePath(QStringLiteral("games; $(touch x) 'a' & \"b\""));
    const QString good = folder + QStringLiteral("/Lumbrast.chm");
    ASSERT_TRUE(QDir().mkpath(folder) && QFile::copy(LUMBRAST_TEST_HELP_FILE, good));
    EXPECT_EQ(ChmHelpViewer().displayTopic(&game, good, QStringLiteral("no_such_topic.htm")),
              "The help file " + good + " has no page no_such_topic.htm.");
    EXPECT_TRUE(windowsOf<frmHelpViewer>().isEmpty());

    lumbrast::platform::RecordingUrlOpener links;
    ChmHelpViewer chm(&links);
    mnuHelpLocal_Click(&game, folder, chm);
    const auto windows = windowsOf<frmHelpViewer>();
    ASSERT_EQ(windows.size(), 1);
    frmHelpViewer *viewer = windows.first();
    ChmTextBrowser *page = viewer->txtHelpTopic;
    EXPECT_TRUE(viewer->isVisible() && !viewer->isModal() && viewer->parentWidget() == &game);
    EXPECT_EQ(page->source(), topic("Lumbrast_help_main_EN.htm"));
    EXPECT_FALSE(
        page->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("file:///etc/passwd")))
            .isValid());
    emit page->anchorClicked(topic("mice_EN.htm")); // as the browser resolves the page's link
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Two mice: plugging in and binding"));
    for (const char *url :
         {"https://lumbrast.example.org/faq", "file:///etc/passwd", "chm:/no_such_page.htm"})
        emit page->anchorClicked(QUrl(QString::fromLatin1(url)));
    EXPECT_EQ(links.opened, QStringList{QStringLiteral("https://lumbrast.example.org/faq")});
    EXPECT_EQ(page->source(), topic("mice_EN.htm"));
    viewer->cmdHelpBack->click();
    EXPECT_EQ(page->source(), topic("Lumbrast_help_main_EN.htm"));

    emit page->anchorClicked(topic("mice_EN.htm"));
    viewer->hide();
    mnuHelpLocal_Click(&game, folder + u'/', chm); // same file: its window is reused
    EXPECT_EQ(windowsOf<frmHelpViewer>(), windows);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(page->source(), topic("Lumbrast_help_main_EN.htm"));
    EXPECT_TRUE(windowsOf<QMessageBox>().isEmpty());
}
