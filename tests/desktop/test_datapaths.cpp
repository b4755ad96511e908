#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/desktop/datapaths.h"

using namespace lumbrast::platform;

// With nothing anywhere the answer is where an installation keeps the files, so that a
// message names the right place; files beside the program (a build folder) come first.
TEST(DataPaths, BesideTheProgramFirstElseWhereAnInstallationKeepsThem) {
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("bin"));
    const QString share = root.filePath(QStringLiteral("share/lumbrast"));
    ASSERT_TRUE(QDir().mkpath(bin));
    EXPECT_EQ(mediaFolder(bin), share + "/media/MediaSL9");
    EXPECT_EQ(helpFolder(bin), share + "/help");
    for (const QString &folder : {share + "/media/MediaSL9", share + "/help", bin + "/MediaSL9"})
        ASSERT_TRUE(QDir().mkpath(folder));
    for (const QString &file : {share + "/help/Lumbrast.chm", bin + "/Lumbrast.chm"})
        ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));
    EXPECT_EQ(mediaFolder(bin), bin + "/MediaSL9");
    EXPECT_EQ(helpFolder(bin), bin);
}
