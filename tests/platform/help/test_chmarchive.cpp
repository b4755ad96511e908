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

std::unique_ptr<ChmArchive> openContent(const QTemporaryDir &dir, const QByteArray &content)
{
    const QString path = dir.filePath(QStringLiteral("test.chm"));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
    f.close();
    return ChmArchive::open(path);
}

} // namespace

TEST(ChmArchive, ReadsPagesAndPicturesOfTheBuiltHelpFile)
{
    auto archive = ChmArchive::open(kBuiltHelp);
    ASSERT_TRUE(archive);
    const auto main = archive->read(QStringLiteral("Lumbrast_help_main_EN.htm"));
    ASSERT_TRUE(main);
    EXPECT_TRUE(main->contains("<title>Lumbrast Help</title>"));
    // With or without the leading slash, in any letter case, as in the format itself.
    EXPECT_TRUE(archive->contains(QStringLiteral("/mice_EN.htm")));
    EXPECT_TRUE(archive->contains(QStringLiteral("MICE_en.HTM")));
    const auto picture = archive->read(QStringLiteral("images/window.png"));
    ASSERT_TRUE(picture);
    EXPECT_EQ(QImage::fromData(*picture).size(), QSize(429, 419));
    EXPECT_FALSE(archive->read(QStringLiteral("no_such_page.htm")));
}

TEST(ChmArchive, RefusesWhatIsNotAHelpFile)
{
    QTemporaryDir dir;
    EXPECT_FALSE(ChmArchive::open(dir.filePath(QStringLiteral("missing.chm"))));
    EXPECT_FALSE(ChmArchive::open(dir.path())); // a folder
    EXPECT_FALSE(openContent(dir, {}));
    EXPECT_FALSE(openContent(dir, "<html>not compiled</html>"));
    EXPECT_FALSE(openContent(dir, builtHelp().left(200)));
    // A named pipe would block the reader for good.
    const QString fifo = dir.filePath(QStringLiteral("pipe.chm"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(ChmArchive::open(fifo));
}

// Truncated and damaged files: refused, or their entries read without a crash.
// The reader library on its own crashes on files like these.
TEST(ChmArchive, DamagedFilesNeverCrashTheProgram)
{
    QTemporaryDir dir;
    const QByteArray good = builtHelp();
    ASSERT_GT(good.size(), 4096);
    auto readAll = [&](const QByteArray &content) {
        if (auto archive = openContent(dir, content)) {
            for (const char *entry : {"Lumbrast_help_main_EN.htm", "mice_EN.htm", "images/window.png", "nothing.htm"})
                (void)archive->read(QString::fromLatin1(entry));
        }
    };
    for (qsizetype cut : {qsizetype(1000), good.size() / 2, good.size() - 100})
        readAll(good.left(cut));
    std::mt19937 random(20100810);
    for (int round = 0; round < 100; ++round) {
        QByteArray damaged = good;
        for (int i = 1 + int(random() % 16); i > 0; --i)
            damaged[qsizetype(random() % quint32(damaged.size()))] = char(random() & 0xFF);
        readAll(damaged);
    }
}
