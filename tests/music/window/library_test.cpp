// The media folder, the first choice, loading and closing, start-up failures.

#include "fixture.h"

namespace lumbrast::musicwindow::test {
namespace {

using namespace modMusicPublic;

// The program's one modal box: title, icon, and the text as typed, not as markup.
TEST(ErrorBox, PlainTextWithTitleAndIcon) {
    std::tuple<QString, QString, QMessageBox::Icon, Qt::TextFormat> seen;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        seen = {box->text(), box->windowTitle(), box->icon(), box->textFormat()};
        box->accept();
    });
    QtMessageBoxes().show(nullptr, "6\n<b>a.sty</b>", BoxIcon::Exclamation, "MuVoTre");
    EXPECT_EQ(seen, std::tuple(QString("6\n<b>a.sty</b>"), QString("MuVoTre"), QMessageBox::Warning,
                               Qt::PlainText));
}

TEST_F(StylePlayerTest, FirstChoiceThenCmdOKReleasesAndReopeningRestores) {
    for (const char *s : {"a.sty", "NEWAVTCH.STY", "z.sty"})
        media.style(s);
    for (const char *c : {"one.cdm", "three.cdm", "two.cdm"})
        media.chordMap(c);
    random->value = 0.9999999f;
    ASSERT_TRUE(open()) << shown();
    // Never the last chord map ("two.cdm"), never the shape "SONG".
    EXPECT_EQ(StyleFileName + " " + ChordMapFileName + " " + ShapeName,
              "NEWAVTCH.STY three.cdm RISING");

    w->selectStyle(2);
    w->selectChordMap(2);
    w->selectShape(8);
    std::weak_ptr<music::Performance> perf = w->Perf;
    w->cmdOK->click();
    EXPECT_EQ(host->window(), nullptr);
    EXPECT_TRUE(perf.expired());

    ASSERT_TRUE(open()); // nothing drawn again
    EXPECT_EQ(w->cboStyles->currentText() + " " + w->cboChordMap->currentText() + " " +
                  w->cboShape->currentText(),
              "z.sty two.cdm SONG");
    EXPECT_EQ(shown(), "");

    host->exit(); // the stored position no longer exists
    QFile::remove(media.path() + "a.sty");
    EXPECT_EQ(open(), nullptr);
    EXPECT_TRUE(boxes->boxes.at(0).text.startsWith("380\n")) << shown();
}

// The folder fills up: no styles, no chord maps; then a broken default style.
TEST_F(StylePlayerTest, EmptySparseAndCorruptMedia) {
    EXPECT_EQ(open(), nullptr);
    media.style("b.sty");
    media.style("newavtch.sty"); // other letter case: not the default
    EXPECT_EQ(open(), nullptr);
    const QString none = QStringLiteral("MuVoTre - Style Player, 3: There is no single %1 file in "
                                        "default (MediaSL9) folder\nLooked in %2. To restore it, "
                                        "install the Debian package lumbrast again.");
    EXPECT_EQ(shown(),
              (none.arg("style", media.path()) + " | " + none.arg("chordmap", media.path()))
                  .toStdString());

    media.chordMap("only.cdm");
    media.write("NEWAVTCH.STY", "this is not a style");
    EXPECT_EQ(open(), nullptr);
    const Box &b = boxes->boxes.at(2); // its second line is the engine's own detail
    EXPECT_TRUE(b.text.section('\n', 1, 1).contains("NEWAVTCH.STY:1")) << shown();
    EXPECT_EQ(describe(b).remove(b.text.section('\n', 1, 1) + '\n'),
              QStringLiteral("MuVoTre, 2: %1\nCould not initialize DirectMusic."
                             "\nStyle form: sub: Form_Load")
                  .arg(int(music::ErrorCode::Syntax)));
}

// A sound server that refuses the connection: the music plays on silently, said in plain words
// in the window and once a run on standard error, which alone carries the detail; no box.
TEST_F(StylePlayerTest, NoSoundDeviceIsToldWithoutABox) {
    standardMedia();
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", QFile::encodeName(media.path() + "no-server"));
    MusicWindowEnv e = env();
    e.audio.output = music::AudioOutput::Automatic;
    e.audio.driver = "pulseaudio";
    QStringList errors;
    e.errorLine = [&](const QString &line) { errors << line; };
    host = std::make_unique<MusicWindowHost>(&game, e);
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(open()) << shown();
        EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment) && !w->lblAudioStatus->isHidden() &&
                    w->lblAudioStatus->text().startsWith("No sound device could be opened"));
        host->exit();
    }
    server.isNull() ? qunsetenv("PULSE_SERVER") : qputenv("PULSE_SERVER", server);
    EXPECT_EQ(shown(), "");
    ASSERT_EQ(errors.size(), 1); // with the output's own detail
    EXPECT_TRUE(errors[0].startsWith("lumbrast: No sound device could be opened") &&
                errors[0].contains("pulseaudio"))
        << errors[0].toStdString();
}

} // namespace
} // namespace lumbrast::musicwindow::test
