// The window in the language of the user's locale.
#include <QTemporaryDir>
#include <QTranslator>

#include "app/translation.h"
#include "game/errorreport.h"
#include "window_fixture.h"

using namespace lumbrast;
using namespace lumbrast::testing;

TEST(WindowLanguage, TheUsersLocaleIsLoadedAndADamagedFileIsNamed) {
    // The translation of the user's locale, found beside the program.
    QStringList folders = app::translationFolders(QCoreApplication::applicationDirPath());
    EXPECT_TRUE(app::installTranslation(*qApp, QLocale(QLocale::German), folders).isEmpty());
    QTemporaryDir damaged; // a damaged file is named, and the next folder is tried
    QFile bad(damaged.filePath("lumbrast_hr.qm"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly) && bad.write("not a translation") > 0);
    bad.close();
    folders.prepend(damaged.path());
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(app::installTranslation(*qApp, QLocale(QLocale::Croatian), folders)
                    .endsWith("translations/lumbrast_hr.qm"));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(bad.fileName().toStdString() +
                                                            " cannot be read"),
              std::string::npos);
    Window t;
    t.bindBoth();
    t.sim.click(kMouse1, t.w.cmdGamePlay);
    EXPECT_EQ(t.w.cmdGamePlay->text(), "Počni");
    EXPECT_EQ(t.piece(0)->accessibleName(), "Pločica 1, licem dolje");
    t.w.game().reportError(game::kErrOverflow, "Overflow", "sub: 23");
    ASSERT_EQ(t.boxes.boxes.size(), 1u);
    EXPECT_EQ(t.boxes.boxes[0].text, "6\r\nPreljev\r\nsub: 23");
    for (auto *translator : qApp->findChildren<QTranslator *>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}
