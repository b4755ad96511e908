#pragma once
// Small music files in the engine's text format, written into a temporary
// media folder for the style player's tests.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace lumbrast::musicwindow::test {

struct StyleRecipe {
  double tempo = 120;
  int beatsPerMeasure = 4;
  QStringList bands = {"Band 0"};  // in the style's order, index 0 first
  QStringList motifs = {"Bell"};
  QString motifBoundary = "measure";
};

// A style: one part on channel 1 with a note on every beat, bands setting
// channels 1 and 5, and motifs on channel 5 that start on their first beat.
QString StyleText(const StyleRecipe& recipe);
// A chord map in C major with I, IV and V.
QString ChordMapText();

class MediaFolder {
 public:
  MediaFolder();
  QString path() const;  // ends with "/"
  void write(const QString& name, const QString& text) const;
  void style(const QString& name, const StyleRecipe& recipe = {}) const { write(name, StyleText(recipe)); }
  void chordMap(const QString& name) const { write(name, ChordMapText()); }

 private:
  QTemporaryDir dir_;
};

}  // namespace lumbrast::musicwindow::test
