#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/desktop/datapaths.h"

using namespace lumbrast::platform;

namespace {

// A tree under a temporary folder: bin/ for the program, share/lumbrast/ for
// an installation's data.
class Tree : public testing::Test {
protected:
    QString at(const QString &relative) const { return root.filePath(relative); }
    void folder(const QString &relative) { ASSERT_TRUE(QDir().mkpath(at(relative))); }
    void file(const QString &relative) {
        QFile f(at(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }

    QTemporaryDir root;
    QString bin = at(QStringLiteral("bin"));
};

} // namespace

TEST_F(Tree, BuildFolderFilesBesideTheProgramComeFirst) {
    folder(QStringLiteral("bin/MediaSL9"));
    file(QStringLiteral("bin/Lumbrast.chm"));
    folder(QStringLiteral("share/lumbrast/media/MediaSL9"));
    folder(QStringLiteral("share/lumbrast/help"));
    file(QStringLiteral("share/lumbrast/help/Lumbrast.chm"));
    EXPECT_EQ(mediaFolder(bin), at(QStringLiteral("bin/MediaSL9")));
    EXPECT_EQ(helpFolder(bin), bin);
}

TEST_F(Tree, InstalledFilesAreFoundRelativeToTheProgram) {
    folder(QStringLiteral("bin"));
    folder(QStringLiteral("share/lumbrast/media/MediaSL9"));
    folder(QStringLiteral("share/lumbrast/help"));
    file(QStringLiteral("share/lumbrast/help/Lumbrast.chm"));
    EXPECT_EQ(mediaFolder(bin), at(QStringLiteral("share/lumbrast/media/MediaSL9")));
    EXPECT_EQ(helpFolder(bin), at(QStringLiteral("share/lumbrast/help")));
}

// Nothing anywhere: the answer is where an installation keeps it, so that a
// message names the right place.
TEST_F(Tree, MissingFilesAreNamedWhereAnInstallationKeepsThem) {
    folder(QStringLiteral("bin"));
    EXPECT_EQ(mediaFolder(bin), at(QStringLiteral("share/lumbrast/media/MediaSL9")));
    EXPECT_EQ(helpFolder(bin), at(QStringLiteral("share/lumbrast/help")));
}
