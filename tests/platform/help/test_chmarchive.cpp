#include <gtest/gtest.h>

#include <random>

#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/help/chmarchive.h"

using lumbrast::platform::ChmArchive;

namespace {

QByteArray builtHelp() {
    QFile f(QStringLiteral(LUMBRAST_TEST_HELP_FILE));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

std::unique_ptr<ChmArchive> openContent(const QTemporaryDir &dir, const QByteArray &content) {
    QFile f(dir.filePath(QStringLiteral("test.chm")));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
    f.close();
    return ChmArchive::open(f.fileName());
}

} // namespace

// Missing, foreign, truncated and damaged files: refused, or read without a crash
// (the reader library on its own crashes on files like these).
TEST(ChmArchive, BadFilesAreRefusedAndNeverCrash) {
    QTemporaryDir dir;
    EXPECT_FALSE(ChmArchive::open(dir.filePath(QStringLiteral("missing.chm"))));
    EXPECT_FALSE(ChmArchive::open(dir.path())); // a folder
    EXPECT_FALSE(openContent(dir, "<html>not compiled</html>"));
    const QString fifo =
        dir.filePath(QStringLiteral("pipe.chm")); // would block the reader for good
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(ChmArchive::open(fifo));

    const QByteArray good = builtHelp();
    ASSERT_GT(good.size(), 4096);
    EXPECT_FALSE(openContent(dir, good.left(200)));
    auto readAll = [&](const QByteArray &content) {
        if (auto archive = openContent(dir, content))
            for (const char *entry :
                 {"Lumbrast_help_main_EN.htm", "mice_EN.htm", "images/window.png", "nothing.htm"})
                (void)archive->read(QString::fromLatin1(entry));
    };
    for (qsizetype cut : {qsizetype(1000), good.size() / 2, good.size() - 100})
        readAll(good.left(cut));
    std::mt19937 random(20100810);
    for (int round = 0; round < 40; ++round) {
        QByteArray damaged = good;
        for (int i = 1 + int(random() % 16); i > 0; --i)
            damaged[qsizetype(random() % quint32(damaged.size()))] = char(random() & 0xFF);
        readAll(damaged);
    }
}
