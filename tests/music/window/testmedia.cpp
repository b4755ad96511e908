#include "testmedia.h"

#include <QFile>

namespace lumbrast::musicwindow::test {

QString StyleText(const StyleRecipe& recipe) {
  QString t;
  t += QStringLiteral("[style]\nname = \"Test\"\ntempo = %1\ntime_signature = [%2, 4]\n"
                      "humanize = { time = 0, velocity = 0 }\n\n")
           .arg(recipe.tempo)
           .arg(recipe.beatsPerMeasure);
  int program = 1;
  for (const QString& band : recipe.bands) {
    t += QStringLiteral("[[band]]\nname = \"%1\"\nchannels = [ { channel = 1, program = %2 }, "
                        "{ channel = 5, program = 12 } ]\n\n")
             .arg(band)
             .arg(program++);
  }
  QStringList notes;
  for (int b = 1; b <= recipe.beatsPerMeasure; ++b) notes << QStringLiteral("\"1.%1 c1 1 90\"").arg(b);
  t += QStringLiteral("[[pattern]]\nname = \"basic\"\ngroove = [1, 100]\n\n"
                      "[[pattern.part]]\nchannel = 1\nvoice = \"voicing\"\nnotes = [%1]\n\n")
           .arg(notes.join(QStringLiteral(", ")));
  for (const QString& motif : recipe.motifs) {
    t += QStringLiteral("[[motif]]\nname = \"%1\"\nboundary = \"%2\"\n\n"
                        "[[motif.part]]\nchannel = 5\nvoice = \"voicing\"\nnotes = [\"1.1 c1 1 100\"]\n\n")
             .arg(motif, recipe.motifBoundary);
  }
  return t;
}

QString ChordMapText() {
  return QStringLiteral(
      "[chordmap]\nname = \"C\"\nkey = \"C\"\nscale = \"major\"\n\n"
      "[[chord]]\nid = \"I\"\ndegree = 1\ntype = \"maj\"\n\n"
      "[[chord]]\nid = \"IV\"\ndegree = 4\ntype = \"maj\"\n\n"
      "[[chord]]\nid = \"V\"\ndegree = 5\ntype = \"7\"\n\n"
      "[[connection]]\nfrom = \"I\"\nto = [\"IV\", \"V\"]\nbeats = [2, 4]\n\n"
      "[[connection]]\nfrom = \"IV\"\nto = [\"V\", \"I\"]\nbeats = [2, 4]\n\n"
      "[[connection]]\nfrom = \"V\"\nto = \"I\"\nbeats = [2, 4]\n\n"
      "[signposts]\nstart = \"I\"\nend = \"I\"\ncadence = [\"V\", \"I\"]\n");
}

MediaFolder::MediaFolder() = default;

QString MediaFolder::path() const { return dir_.path() + QLatin1Char('/'); }

void MediaFolder::write(const QString& name, const QString& text) const {
  QFile f(path() + name);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write test media");
  f.write(text.toUtf8());
}

}  // namespace lumbrast::musicwindow::test
