#include <gtest/gtest.h>

#include <random>

#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/help/chmarchive.h"

using lumbrast::platform::ChmArchive;

// Missing, truncated and damaged files: refused, or read without a crash
// (the reader library on its own crashes on files like these).
TEST(ChmArchive, BadFilesAreRefusedAndNeverCrash) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("test.chm"));
    auto openContent = [&](const QByteArray &content) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) >= 0);
        f.close();
        return ChmArchive::open(path);
    };
    EXPECT_FALSE(ChmArchive::open(dir.filePath(QStringLiteral("missing.chm"))));
    EXPECT_FALSE(ChmArchive::open(dir.path()));                    // a folder
    const QString fifo = dir.filePath(QStringLiteral("pipe.chm")); // would block the reader
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(ChmArchive::open(fifo));

    QFile built(QStringLiteral(LUMBRAST_TEST_HELP_FILE));
    ASSERT_TRUE(built.open(QIODevice::ReadOnly));
    const QByteArray good = built.readAll();
    EXPECT_FALSE(openContent(good.left(200)));
    std::mt19937 random(20100810);
    for (int round = 0; round < 40; ++round) {
        QByteArray damaged = good;
        for (int i = 1 + int(random() % 16); i > 0; --i)
            damaged[qsizetype(random() % quint32(damaged.size()))] = char(random() & 0xFF);
        if (auto archive = openContent(damaged))
            for (const char *entry : {"Lumbrast_help_main_EN.htm", "images/window.png", "no.htm"})
                (void)archive->read(QString::fromLatin1(entry));
    }
}
