#pragma once
// Small music files in the engine's text format, in a temporary media folder.

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace lumbrast::musicwindow::test {

struct StyleRecipe {
    double tempo = 120;
    int beatsPerMeasure = 4;
    QStringList bands = {"Band 0"}; // in the style's order
    QStringList motifs = {"Bell"};
    bool introAndEnd = false; // patterns for an intro and an ending
};

// One part on channel 1 with a note on every beat; bands set channels 1 and 5;
// motifs on channel 5 (measure boundary) sound on their first beat.
inline QString StyleText(const StyleRecipe &r) {
    QString t = QStringLiteral("[style]\nname = \"Test\"\ntempo = %1\ntime_signature = [%2, 4]\n"
                               "humanize = { time = 0, velocity = 0 }\n\n")
                    .arg(r.tempo)
                    .arg(r.beatsPerMeasure);
    int program = 1;
    for (const QString &band : r.bands)
        t += QStringLiteral("[[band]]\nname = \"%1\"\nchannels = [ { channel = 1, program = %2 }, "
                            "{ channel = 5, program = 12 } ]\n\n")
                 .arg(band)
                 .arg(program++);
    QStringList notes;
    for (int b = 1; b <= r.beatsPerMeasure; ++b)
        notes << QStringLiteral("\"1.%1 c1 1 90\"").arg(b);
    t += QStringLiteral(
             "[[pattern]]\nname = \"basic\"\ngroove = [1, 100]\n\n[[pattern.part]]\nchannel = 1\n"
             "voice = \"voicing\"\nnotes = [%1]\n\n")
             .arg(notes.join(", "));
    for (const char *e : {"intro", "end"})
        if (r.introAndEnd)
            t += QStringLiteral(
                     "[[pattern]]\nname = \"%1\"\nembellishment = \"%1\"\ngroove = [1, 100]\n\n"
                     "[[pattern.part]]\nchannel = 1\nvoice = \"voicing\"\nnotes = [%2]\n\n")
                     .arg(QLatin1String(e), notes.join(", "));
    for (const QString &motif : r.motifs)
        t += QStringLiteral(
                 "[[motif]]\nname = \"%1\"\nboundary = \"measure\"\n\n[[motif.part]]\nchannel = 5\n"
                 "voice = \"voicing\"\nnotes = [\"1.1 c1 1 100\"]\n\n")
                 .arg(motif);
    return t;
}

class MediaFolder {
public:
    QString path() const { return dir_.path() + '/'; }
    void write(const QString &name, const QString &text) const {
        QFile f(path() + name);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write test media");
        f.write(text.toUtf8());
    }
    void style(const QString &name, const StyleRecipe &r = {}) const { write(name, StyleText(r)); }
    // C major with I, IV and V.
    void chordMap(const QString &name) const {
        write(name, "[chordmap]\nname = \"C\"\nkey = \"C\"\nscale = \"major\"\n\n[[chord]]\nid = "
                    "\"I\"\ndegree = 1\n"
                    "type = \"maj\"\n\n[[chord]]\nid = \"IV\"\ndegree = 4\ntype = "
                    "\"maj\"\n\n[[chord]]\nid = \"V\"\n"
                    "degree = 5\ntype = \"7\"\n\n[[connection]]\nfrom = \"I\"\nto = [\"IV\", "
                    "\"V\"]\nbeats = [2, 4]\n\n"
                    "[[connection]]\nfrom = \"IV\"\nto = [\"V\", \"I\"]\nbeats = [2, "
                    "4]\n\n[[connection]]\nfrom = \"V\"\n"
                    "to = \"I\"\nbeats = [2, 4]\n\n[signposts]\nstart = \"I\"\nend = "
                    "\"I\"\ncadence = [\"V\", \"I\"]\n");
    }

private:
    QTemporaryDir dir_;
};

} // namespace lumbrast::musicwindow::test
