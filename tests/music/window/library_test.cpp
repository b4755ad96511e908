// The media folder, the first choice, loading and closing, start-up failures.

#include "fixture.h"

namespace lumbrast::musicwindow::test {
namespace {

using namespace modMusicPublic;

// A box of the engine with its second line, the engine's own detail, left out.
Box withoutDetail(Box b) {
    QStringList lines = b.text.split('\n');
    lines.removeAt(1);
    b.text = lines.join('\n');
    return b;
}
QString code(music::ErrorCode c) {
    return QString::number(int(c));
}

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

TEST(ErrorBox, PlainTextWithTitleAndIcon) {
    std::tuple<QString, QString, QMessageBox::Icon, Qt::TextFormat> seen;
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            seen = {box->text(), box->windowTitle(), box->icon(), box->textFormat()};
            box->accept();
        }
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
    const auto none = [this](const char *what) {
        return Box{QStringLiteral("There is no single %1 file in default (MediaSL9) folder\n"
                                  "Looked in %2. To restore it, install the Debian package "
                                  "lumbrast again.")
                       .arg(what, media.path()),
                   BoxIcon::Critical, "MuVoTre - Style Player"};
    };
    EXPECT_EQ(boxes->boxes, (std::vector<Box>{none("style"), none("chordmap")}));
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
    EXPECT_EQ(withoutDetail(boxes->boxes[0]),
              (Box{code(music::ErrorCode::Syntax) +
                       "\nCould not initialize DirectMusic.\nStyle form: sub: Form_Load",
                   BoxIcon::Information, "MuVoTre"}));
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
    EXPECT_EQ(withoutDetail(boxes->boxes[2]),
              (Box{code(music::ErrorCode::BadContent) + "\nform: Style , sub: cboStyles_Click",
                   BoxIcon::Critical, "MuVoTre"}));
    EXPECT_TRUE(boxes->boxes[2].text.contains("broken.sty:3")) << texts().join('|').toStdString();
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
    server.isNull() ? qunsetenv("PULSE_SERVER") : qputenv("PULSE_SERVER", server);
    EXPECT_TRUE(boxes->boxes.empty());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("lumbrast: No sound device could be opened"));
    EXPECT_TRUE(errors[0].contains("pulseaudio")) << errors[0].toStdString();
}

} // namespace
} // namespace lumbrast::musicwindow::test
