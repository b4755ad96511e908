#include <gtest/gtest.h>

#include <random>

#include <sys/stat.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "platform/help/chmarchive.h"

using lumbrast::platform::ChmArchive;

namespace {

const QString kBuiltHelp = QStringLiteral(LUMBRAST_TEST_HELP_FILE);

QByteArray builtHelp()
{
    QFile f(kBuiltHelp);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << kBuiltHelp.toStdString();
    return f.readAll();
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return path;
}

} // namespace

TEST(ChmArchive, ReadsPagesAndPicturesOfTheBuiltHelpFile)
{
    auto archive = ChmArchive::open(kBuiltHelp);
    ASSERT_TRUE(archive);

    const auto main = archive->read(QStringLiteral("Lumbrast_help_main_EN.htm"));
    ASSERT_TRUE(main);
    EXPECT_TRUE(main->contains("<title>Lumbrast Help</title>"));
    // With or without the leading slash, in any letter case, like the format itself.
    EXPECT_TRUE(archive->contains(QStringLiteral("/mice_EN.htm")));
    EXPECT_TRUE(archive->contains(QStringLiteral("MICE_en.HTM")));

    const auto picture = archive->read(QStringLiteral("images/window.png"));
    ASSERT_TRUE(picture);
    EXPECT_EQ(QImage::fromData(*picture).size(), QSize(429, 420));

    EXPECT_FALSE(archive->contains(QStringLiteral("no_such_page.htm")));
    EXPECT_FALSE(archive->read(QStringLiteral("no_such_page.htm")));
}

TEST(ChmArchive, RefusesWhatIsNotAHelpFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray good = builtHelp();

    EXPECT_FALSE(ChmArchive::open(dir.filePath(QStringLiteral("missing.chm"))));
    EXPECT_FALSE(ChmArchive::open(dir.path())); // a folder
    EXPECT_FALSE(ChmArchive::open(writeFile(dir, QStringLiteral("empty.chm"), {})));
    EXPECT_FALSE(ChmArchive::open(writeFile(dir, QStringLiteral("text.chm"), "<html>not compiled</html>")));
    EXPECT_FALSE(ChmArchive::open(writeFile(dir, QStringLiteral("head.chm"), good.left(200))));

    // A named pipe would block the reader forever.
    const QString fifo = dir.filePath(QStringLiteral("pipe.chm"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(ChmArchive::open(fifo));
}

// A truncated or damaged file must never take the program down: it is
// refused, or reading its entries ends normally.
TEST(ChmArchive, DamagedFilesAreRefusedOrReadWithoutCrash)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray good = builtHelp();
    ASSERT_GT(good.size(), 4096);
    const QStringList entries = {QStringLiteral("Lumbrast_help_main_EN.htm"), QStringLiteral("mice_EN.htm"),
                                 QStringLiteral("images/window.png"), QStringLiteral("no_such_page.htm")};

    auto check = [&](const QByteArray &content) {
        const QString path = writeFile(dir, QStringLiteral("damaged.chm"), content);
        if (auto archive = ChmArchive::open(path)) {
            for (const QString &entry : entries)
                (void)archive->read(entry);
        }
    };

    for (qsizetype cut : {qsizetype(1000), good.size() / 3, good.size() / 2, good.size() - 100})
        check(good.left(cut));

    std::mt19937 random(20100810);
    for (int round = 0; round < 120; ++round) {
        QByteArray damaged = good;
        const int flips = 1 + int(random() % 16);
        for (int i = 0; i < flips; ++i)
            damaged[qsizetype(random() % quint32(damaged.size()))] = char(random() & 0xFF);
        check(damaged);
    }
}
