// The media folder scan, the first choice and the lists' failure messages.

#include "fixture.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace lumbrast::musicwindow::test {
namespace {

using namespace modMusicPublic;

TEST(MediaListing, PlainFilesAnyCaseInNaturalOrder) {
  MediaFolder m;
  for (const char* n : {"s10.sty", "s2.sty", "NEWAVTCH.STY", "b.Sty", "a.cdm", ".hidden.sty", "x.sty~"})
    m.write(QString::fromLatin1(n), QStringLiteral("x"));
  QDir(m.path()).mkdir(QStringLiteral("folder.sty"));
  EXPECT_EQ(ListMediaFiles(m.path(), QStringLiteral("*.sty")),
            (QStringList{"b.Sty", "NEWAVTCH.STY", "s2.sty", "s10.sty"}));
  EXPECT_EQ(ListMediaFiles(m.path(), QStringLiteral("*.cdm")), QStringList{"a.cdm"});
  EXPECT_TRUE(ListMediaFiles(m.path() + QStringLiteral("missing/"), QStringLiteral("*.sty")).isEmpty());
}

TEST(LengthText, PastedValues) {
  EXPECT_EQ(TextValue("12ab"), 12);
  EXPECT_EQ(TextValue(" 1 2"), 12);
  EXPECT_EQ(RoundToInt16(TextValue("2.5")), std::int16_t{2});
  EXPECT_FALSE(RoundToInt16(TextValue("1E99")));
  EXPECT_EQ(DrawBelowLast(0.9999999f, 9), 7);
}

TEST_F(StylePlayerTest, FirstChoiceTakesDefaultStyleAndNeverLastChordMapOrSong) {
  media.style("a.sty");
  media.style("NEWAVTCH.STY");
  media.style("z.sty");
  media.chordMap("one.cdm");
  media.chordMap("three.cdm");
  media.chordMap("two.cdm");
  random->values = {0.9999999f, 0.9999999f};
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(boxes->boxes.empty());
  EXPECT_EQ(StyleIndex, 1);
  EXPECT_EQ(StyleFileName, "NEWAVTCH.STY");
  EXPECT_EQ(StylePath, media.path() + "NEWAVTCH.STY");
  EXPECT_EQ(w->cboStyles->currentText(), "NEWAVTCH.STY");
  // Chord maps one, three, two: the last ("two.cdm") is never drawn.
  EXPECT_EQ(ChordMapIndex, 1);
  EXPECT_EQ(ChordMapFileName, "three.cdm");
  EXPECT_EQ(w->cboChordMap->currentText(), "three.cdm");
  EXPECT_EQ(ShapeIndexText, "7");
  EXPECT_EQ(ShapeName, "RISING");
  EXPECT_EQ(w->cboShape->currentText(), "RISING");
  EXPECT_EQ(w->cboShape->count(), 9);
  EXPECT_EQ(w->cboShape->itemText(8), "SONG");
  EXPECT_EQ(random->randomizes, 2);
  // The box and the check boxes are set at the end of the start-up.
  EXPECT_EQ(w->txtComposeLength->text(), "1024");
  EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment));
  EXPECT_FALSE(w->isVisible());
}

TEST_F(StylePlayerTest, FirstChoiceWithoutDefaultStyleAndFewChordMaps) {
  media.style("b.sty");
  media.style("newavtch.sty");  // other letter case: not the default
  media.chordMap("only.cdm");
  random->fallback = 0.9999999f;
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(StyleFileName, "b.sty");
  EXPECT_EQ(ChordMapFileName, "only.cdm");
  EXPECT_NE(ShapeName, "SONG");

  w->cmdOK->click();
  SetPublicDefaults();
  media.chordMap("other.cdm");
  ASSERT_NE(open(), nullptr);
  EXPECT_EQ(ChordMapFileName, "only.cdm");  // of two, always the first
}

TEST_F(StylePlayerTest, SecondOpeningRestoresTheChoices) {
  standardMedia();
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  w->selectStyle(0);
  w->selectChordMap(2);
  w->selectShape(8);
  EXPECT_EQ(ShapeIndexText, "8");
  w->cmdOK->click();
  EXPECT_EQ(host->window(), nullptr);

  const int draws = random->draws;
  w = open();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(random->draws, draws);
  EXPECT_EQ(w->cboStyles->currentText(), "a.sty");
  EXPECT_EQ(w->cboChordMap->currentText(), "two.cdm");
  EXPECT_EQ(w->cboShape->currentText(), "SONG");
  EXPECT_TRUE(boxes->boxes.empty());
}

TEST_F(StylePlayerTest, EmptyMediaFolderClosesTheWindowWithItsMessage) {
  EXPECT_EQ(open(), nullptr);
  ASSERT_EQ(boxes->boxes.size(), 1u);
  EXPECT_EQ(boxes->boxes[0].text, "There is no single style file in default (MediaSL9) folder");
  EXPECT_EQ(boxes->boxes[0].icon, BoxIcon::Critical);
  EXPECT_EQ(boxes->boxes[0].title, "MuVoTre - Style Player");
  EXPECT_EQ(host->window(), nullptr);

  media.style("a.sty");
  EXPECT_EQ(open(), nullptr);
  ASSERT_EQ(boxes->boxes.size(), 2u);
  EXPECT_EQ(boxes->boxes[1].text, "There is no single chordmap file in default (MediaSL9) folder");
  EXPECT_EQ(boxes->boxes[1].title, "MuVoTre - Style Player");
  EXPECT_TRUE(StylePath.isEmpty());  // nothing else of the start-up ran
}

TEST_F(StylePlayerTest, CorruptStylesAreReported) {
  standardMedia();
  media.write("broken.sty", "[style]\nname = \"Broken\"\ntempo = \"fast\"\n");
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  const auto playing = w->MainSegment;
  w->cboStyles->setCurrentIndex(w->cboStyles->findText("broken.sty"));
  emit w->cboStyles->activated(w->cboStyles->currentIndex());
  ASSERT_EQ(boxes->boxes.size(), 1u);
  const QStringList lines = boxes->boxes[0].text.split('\n');
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], QString::number(int(music::ErrorCode::BadContent)));
  EXPECT_TRUE(lines[1].contains("broken.sty:3")) << lines[1].toStdString();
  EXPECT_EQ(lines[2], "form: Style , sub: cboStyles_Click");
  EXPECT_EQ(boxes->boxes[0].icon, BoxIcon::Critical);
  EXPECT_EQ(boxes->boxes[0].title, "MuVoTre");
  // The music was stopped for the new style and stays stopped.
  EXPECT_EQ(w->MainSegment, playing);
  EXPECT_FALSE(w->Perf->IsPlaying(playing));
}

TEST_F(StylePlayerTest, StartUpFailuresShowTheStartUpMessage) {
  media.write("NEWAVTCH.STY", "this is not a style");
  media.chordMap("one.cdm");
  EXPECT_EQ(open(), nullptr);
  ASSERT_EQ(boxes->boxes.size(), 1u);
  QStringList lines = boxes->boxes[0].text.split('\n');
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], QString::number(int(music::ErrorCode::Syntax)));
  EXPECT_EQ(lines[2], "Could not initialize DirectMusic.");
  EXPECT_EQ(lines[3], "Style form: sub: Form_Load");
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
  lines = boxes->boxes[1].text.split('\n');
  EXPECT_EQ(lines[0], "380");
  EXPECT_EQ(lines[2], "Could not initialize DirectMusic.");
}

}  // namespace
}  // namespace lumbrast::musicwindow::test
