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
// motifs on channel 5 (measure boundary) sound on their first beat, each with
// a key of its own: 84, 72, 60...
inline QString StyleText(const StyleRecipe &r) {
    QString t = QStringLiteral("[style]\nname = \"Test\"\ntempo = %1\ntime_signature = [%2, 4]\n"
                               "loudness = -20\nhumanize = { time = 0, velocity = 0 }\n\n")
                    .arg(r.tempo)
                    .arg(r.beatsPerMeasure);
    for (qsizetype i = 0; i < r.bands.size(); ++i)
        t += QStringLiteral("[[band]]\nname = \"%1\"\nchannels = [ { channel = 1, program = %2 }, "
                            "{ channel = 5, program = 12 } ]\n\n")
                 .arg(r.bands[i])
                 .arg(i + 1);
    QStringList notes;
    for (int b = 1; b <= r.beatsPerMeasure; ++b)
        notes << QStringLiteral("\"1.%1 c1 1 90\"").arg(b);
    for (const QString &p : QStringList{"normal", "intro", "end"}.mid(0, r.introAndEnd ? 3 : 1))
        t += QStringLiteral(
                 "[[pattern]]\nname = \"%1\"\nembellishment = \"%1\"\ngroove = [1, 100]\n\n"
                 "[[pattern.part]]\nchannel = 1\nvoice = \"voicing\"\nnotes = [%2]\n\n")
                 .arg(p, notes.join(", "));
    for (qsizetype i = 0; i < r.motifs.size(); ++i)
        t += QStringLiteral("[[motif]]\nname = \"%1\"\nboundary = \"measure\"\n\n[[motif.part]]\n"
                            "channel = 5\nnotes = [\"1.1 %2 1 100\"]\n\n")
                 .arg(r.motifs[i])
                 .arg(84 - 12 * i);
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
        write(name, "[chordmap]\nname = \"C\"\nkey = \"C\"\nscale = \"major\"\n\n"
                    "[[chord]]\nid = \"I\"\ndegree = 1\ntype = \"maj\"\n\n"
                    "[[chord]]\nid = \"IV\"\ndegree = 4\ntype = \"maj\"\n\n"
                    "[[chord]]\nid = \"V\"\ndegree = 5\ntype = \"7\"\n\n"
                    "[[connection]]\nfrom = \"I\"\nto = [\"IV\", \"V\"]\nbeats = [2, 4]\n\n"
                    "[[connection]]\nfrom = \"IV\"\nto = [\"V\", \"I\"]\nbeats = [2, 4]\n\n"
                    "[[connection]]\nfrom = \"V\"\nto = \"I\"\nbeats = [2, 4]\n\n"
                    "[signposts]\nstart = \"I\"\nend = \"I\"\ncadence = [\"V\", \"I\"]\n");
    }

private:
    QTemporaryDir dir_;
};

} // namespace lumbrast::musicwindow::test
