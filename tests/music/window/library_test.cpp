// The media folder, the first choice, loading and closing, start-up failures.

#include "fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTimer>

namespace lumbrast::musicwindow::test {
namespace {

using namespace modMusicPublic;

TEST(MediaListing, PlainFilesAnyCaseInNaturalOrder) {
    MediaFolder m;
    for (const char *n :
         {"s10.sty", "s2.sty", "NEWAVTCH.STY", "b.Sty", "a.cdm", ".hidden.sty", "x.sty~"})
        m.write(QString::fromLatin1(n), "x");
    QDir(m.path()).mkdir("folder.sty");
    EXPECT_EQ(ListMediaFiles(m.path(), "*.sty"),
              (QStringList{"b.Sty", "NEWAVTCH.STY", "s2.sty", "s10.sty"}));
    EXPECT_EQ(ListMediaFiles(m.path(), "*.cdm"), QStringList{"a.cdm"});
    EXPECT_TRUE(ListMediaFiles(m.path() + "missing/", "*.sty").isEmpty());
}

TEST(ErrorBox, TitleIconAndTextAsGiven) {
    QMessageBox *box = nullptr;
    QString text, title;
    QTimer::singleShot(0, [&] {
        box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        text = box->text();
        title = box->windowTitle();
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        box->accept();
    });
    QtMessageBoxes().show(nullptr, "6\n<b>a.sty</b>", BoxIcon::Exclamation, "MuVoTre");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(text, "6\n<b>a.sty</b>");
    EXPECT_EQ(title, "MuVoTre");
}

TEST_F(StylePlayerTest, FirstChoiceThenCmdOKReleasesAndReopeningRestores) {
    for (const char *s : {"a.sty", "NEWAVTCH.STY", "z.sty"})
        media.style(s);
    for (const char *c : {"one.cdm", "three.cdm", "two.cdm"})
        media.chordMap(c);
    random->values = {0.9999999f, 0.9999999f};
    ASSERT_NE(w = open(), nullptr);
    EXPECT_EQ(StyleFileName, "NEWAVTCH.STY");
    EXPECT_EQ(ChordMapFileName, "three.cdm"); // the last ("two.cdm") is never drawn
    EXPECT_EQ(ShapeName, "RISING");           // never "SONG"
    EXPECT_FALSE(w->isVisible());
    host->setup(); // Hide and the close box only hide it: it stays loaded
    w->cmdHide->click();
    host->setup();
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(host->window(), w);

    w->selectStyle(0);
    w->selectChordMap(2);
    w->selectShape(8);
    std::weak_ptr<music::Performance> perf = w->Perf;
    w->cmdOK->click();
    EXPECT_EQ(host->window(), nullptr);
    EXPECT_TRUE(perf.expired());

    const int draws = random->draws;
    ASSERT_NE(w = open(), nullptr);
    EXPECT_EQ(random->draws, draws);
    EXPECT_EQ(w->cboStyles->currentText(), "a.sty");
    EXPECT_EQ(w->cboChordMap->currentText(), "two.cdm");
    EXPECT_EQ(w->cboShape->currentText(), "SONG");
    EXPECT_TRUE(boxes->boxes.empty());
}

// The folder fills up: no styles, no chord maps, then few of them.
TEST_F(StylePlayerTest, EmptyThenSparseMediaFolder) {
    EXPECT_EQ(open(), nullptr);
    media.style("b.sty");
    media.style("newavtch.sty"); // other letter case: not the default
    EXPECT_EQ(open(), nullptr);
    ASSERT_EQ(boxes->boxes.size(), 2u);
    EXPECT_EQ(boxes->boxes[0].text, "There is no single style file in default (MediaSL9) folder");
    EXPECT_EQ(boxes->boxes[1].text,
              "There is no single chordmap file in default (MediaSL9) folder");
    for (const Box &b : boxes->boxes) {
        EXPECT_EQ(b.icon, BoxIcon::Critical);
        EXPECT_EQ(b.title, "MuVoTre - Style Player");
    }
    EXPECT_EQ(host->window(), nullptr);
    EXPECT_TRUE(StylePath.isEmpty()); // nothing else of the start-up ran

    media.chordMap("only.cdm");
    random->fallback = 0.9999999f;
    ASSERT_NE(w = open(), nullptr);
    EXPECT_EQ(StyleFileName, "b.sty");
    w->cmdOK->click();
    SetPublicDefaults();
    media.chordMap("other.cdm");
    ASSERT_NE(open(), nullptr);
    EXPECT_EQ(ChordMapFileName, "only.cdm"); // of two, always the first
}

TEST_F(StylePlayerTest, CorruptStylesAtStartUpAndWhenChosen) {
    media.write("NEWAVTCH.STY", "this is not a style");
    media.chordMap("one.cdm");
    EXPECT_EQ(open(), nullptr);
    ASSERT_EQ(boxes->boxes.size(), 1u);
    QStringList lines = boxes->boxes[0].text.split('\n');
    EXPECT_EQ(lines.value(0), QString::number(int(music::ErrorCode::Syntax)));
    EXPECT_EQ(lines.mid(2),
              (QStringList{"Could not initialize DirectMusic.", "Style form: sub: Form_Load"}));
    EXPECT_EQ(boxes->boxes[0].icon, BoxIcon::Information);
    EXPECT_EQ(boxes->boxes[0].title, "MuVoTre");
    EXPECT_EQ(host->window(), nullptr);

    // A stored position that no longer exists.
    SetPublicDefaults();
    media.style("NEWAVTCH.STY");
    StylePath = media.path() + "NEWAVTCH.STY";
    StyleFileName = "NEWAVTCH.STY";
    StyleIndex = 4;
    EXPECT_EQ(open(), nullptr);
    ASSERT_EQ(boxes->boxes.size(), 2u);
    EXPECT_TRUE(boxes->boxes[1].text.startsWith("380\n")) << boxes->boxes[1].text.toStdString();

    // A broken style chosen while the music plays: reported, and the music stays stopped.
    SetPublicDefaults();
    media.write("broken.sty", "[style]\nname = \"Broken\"\ntempo = \"fast\"\n");
    ASSERT_NE(w = open(), nullptr);
    const auto playing = w->MainSegment;
    w->cboStyles->setCurrentIndex(w->cboStyles->findText("broken.sty"));
    emit w->cboStyles->activated(w->cboStyles->currentIndex());
    ASSERT_EQ(boxes->boxes.size(), 3u);
    lines = boxes->boxes[2].text.split('\n');
    EXPECT_EQ(lines.value(0), QString::number(int(music::ErrorCode::BadContent)));
    EXPECT_TRUE(lines.value(1).contains("broken.sty:3")) << lines.value(1).toStdString();
    EXPECT_EQ(lines.mid(2), QStringList{"form: Style , sub: cboStyles_Click"});
    EXPECT_EQ(boxes->boxes[2].icon, BoxIcon::Critical);
    EXPECT_EQ(boxes->boxes[2].title, "MuVoTre");
    EXPECT_EQ(w->MainSegment, playing);
    EXPECT_FALSE(w->Perf->IsPlaying(playing));
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
        ASSERT_NE(w = host->load(), nullptr);
        EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment));
        EXPECT_FALSE(w->lblAudioStatus->isHidden());
        EXPECT_TRUE(w->lblAudioStatus->text().startsWith("No sound device could be opened"));
        EXPECT_FALSE(w->lblAudioStatus->text().contains("pulseaudio"));
        host->exit();
    }
    if (server.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", server);
    EXPECT_TRUE(boxes->boxes.empty());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("lumbrast: No sound device could be opened"));
    EXPECT_TRUE(errors[0].contains("pulseaudio")) << errors[0].toStdString();
}

} // namespace
} // namespace lumbrast::musicwindow::test
