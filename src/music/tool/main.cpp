// lumbrast-music: a workbench for people who write styles and chord maps.
#include "app/translation.h"
#include "commands.h"
#include "composer.h"
#include "midiexport.h"
#include "moments.h"
#include "musicservice.h"
#include "platform/desktop/datapaths.h"
#include "version.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSocketNotifier>
#include <QTimer>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace lumbrast::music;
using lumbrast::music::tool::ComposeArgs;
using lumbrast::music::tool::UsageError;

namespace {

const char *kUsage = QT_TRANSLATE_NOOP(
    "MusicTool",
    "Usage: lumbrast-music COMMAND [ARGUMENTS]\n"
    "       lumbrast-music --version\n"
    "\n"
    "Commands:\n"
    "  info FILE                 show a style's tempo, time signature, bands, motifs and\n"
    "                            patterns, or a chord map's key, chords and signposts\n"
    "  render STYLE CHORDMAP --shape NAME --measures N [--activity N] [--intro] [--end]\n"
    "         [--seed N] [--soundfont FILE] [--plan] --output FILE\n"
    "                            compose and render to FILE.wav (16-bit stereo),\n"
    "                            FILE.flac or FILE.ogg, or write FILE.mid (a track\n"
    "                            per channel, with the first band's programs);\n"
    "                            --plan lists groove, pattern and chords per measure\n"
    "  play STYLE CHORDMAP --shape NAME --measures N [--activity N] [--intro] [--end]\n"
    "         [--seed N] [--soundfont FILE] [--motif NAME]\n"
    "                            compose and play to the speakers, showing bar and beat;\n"
    "                            --motif lays that motif over every fourth measure\n"
    "  analyze STYLE CHORDMAP --shape NAME --measures N [--activity N] [--seed N]\n"
    "         [--soundfont FILE] [--no-audio] [--where]\n"
    "                            figures of the composition: distinct measures, repeats,\n"
    "                            pattern and variation changes, clashes, bass leaps,\n"
    "                            onset spread, texture, loudness (LUFS) and true peak;\n"
    "                            --where lists each bass leap with its measure, beat,\n"
    "                            pattern, variations and chords\n"
    "  analyze --all FOLDER [--measures N] [--seeds N] [--loudness-measures N] [--no-audio]\n"
    "         [--where]\n"
    "                            the same for every style with every chord map in FOLDER,\n"
    "                            over the nine shapes and seeds 1-N (default 1024, 10, 32)\n"
    "\n"
    "Shapes: FALLING LEVEL LOOPABLE LOUD QUIET PEAKING RANDOM RISING SONG (or 0-8).\n"
    "Activity 0-3 (default 1): lower changes chords more often.\n"
    "A bare file name that is not in the current folder is taken from the music folder\n"
    "MediaSL9 of the game (beside the program or installed).\n"
    "Errors in files are reported as FILE:LINE:COLUMN: message; the exit status is 1.\n");

// The usage in the user's language, when a translation is installed.
std::string usage(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    lumbrast::app::installTranslation(
        app, QLocale(), lumbrast::app::translationFolders(QCoreApplication::applicationDirPath()));
    return QCoreApplication::translate("MusicTool", kUsage).toStdString();
}

std::string noteName(int pc) {
    static const char *names[12] = {"C",  "C#", "D",  "Eb", "E",  "F",
                                    "F#", "G",  "Ab", "A",  "Bb", "B"};
    return names[((pc % 12) + 12) % 12];
}

std::string boundaryName(std::uint32_t b) {
    if (b & kPlayMeasure)
        return "measure";
    if (b & kPlayBeat)
        return "beat";
    if (b & kPlayGrid)
        return "grid";
    return "immediate";
}

// A bare name missing here is one of the game's own styles or chord maps.
std::string mediaFile(const std::string &arg) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (arg.find('/') != std::string::npos || fs::exists(arg, ec))
        return arg;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return arg;
    const QString folder =
        lumbrast::platform::mediaFolder(QString::fromStdString(program.parent_path().string()));
    return (folder + u'/' + QString::fromStdString(arg)).toStdString();
}

bool looksLikeChordMap(const std::string &path) {
    auto dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? "" : path.substr(dot + 1);
    for (auto &c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "cdm";
}

int info(const std::string &path) {
    Loader loader;
    if (looksLikeChordMap(path)) {
        ChordMapPtr map = loader.LoadChordMap(path);
        const auto &d = *map->data();
        std::cout << "Chord map:  " << d.name << "\n"
                  << "Key:        " << noteName(d.key) << " " << d.scaleName << "\n"
                  << "Phrase:     " << d.phraseMeasures << " measures\n"
                  << "Chords (" << d.chords.size() << "):\n";
        for (std::size_t i = 0; i < d.chords.size(); ++i) {
            const auto &c = d.chords[i];
            std::cout << "  " << c.id << " = " << noteName(c.root) << " " << c.type << "  ->";
            for (const auto &e : d.edges)
                if (e.from == static_cast<int>(i))
                    std::cout << " " << d.chords[static_cast<std::size_t>(e.to)].id << " (w"
                              << e.weight << ", " << e.minBeats << "-" << e.maxBeats << " beats)";
            std::cout << "\n";
        }
        auto list = [&](const std::vector<int> &v) {
            std::string s;
            for (int c : v)
                s += (s.empty() ? "" : " ") + d.chords[static_cast<std::size_t>(c)].id;
            return s;
        };
        std::cout << "Signposts:  start " << list(d.startSignposts) << "; end "
                  << list(d.endSignposts) << "; cadence " << list(d.cadence) << "\n";
        return 0;
    }
    StylePtr style = loader.LoadStyle(path);
    const auto &d = *style->data();
    TimeSignature ts = style->GetTimeSignature();
    std::cout << "Style:      " << d.name << "\n"
              << "Tempo:      " << style->GetTempo() << " bpm\n"
              << "Time sig.:  " << int(ts.beatsPerMeasure) << "/" << int(ts.beat) << ", "
              << ts.gridsPerBeat << " grid points a beat\n"
              << "Bands (" << style->GetBandCount() << "):\n";
    for (const auto &b : d.bands) {
        std::cout << "  " << b->name << ":";
        for (const auto &m : b->members)
            std::cout << " ch" << m.channel + 1 << "=prog " << m.program + 1 << " vol " << m.volume
                      << " pan " << m.pan << ";";
        std::cout << "\n";
    }
    std::cout << "Motifs (" << style->GetMotifCount() << "):\n";
    for (const auto &m : d.motifs)
        std::cout << "  " << m.name << ": " << m.measures << " measure(s), boundary "
                  << boundaryName(m.boundary) << "\n";
    std::cout << "Moments:   ";
    for (int i = 0; i < kMomentCount; ++i) {
        const std::string motif = MomentMotif(d, static_cast<Moment>(i));
        std::cout << (i ? ", " : " ") << MomentKey(static_cast<Moment>(i)) << " "
                  << (motif.empty() ? "-" : motif);
    }
    std::cout << "\n";
    for (const std::string &w : MomentWarnings(d))
        std::cout << "  Note: " << w << "\n";
    std::cout << "Patterns (" << d.patterns.size() << "):\n";
    for (const auto &p : d.patterns) {
        std::size_t notes = 0;
        for (const auto &part : p.parts)
            notes += part.notes.size();
        std::cout << "  " << p.name << ": groove " << p.grooveLow << "-" << p.grooveHigh << ", "
                  << EmbellishmentName(p.embellishment) << ", " << p.measures << " measure(s), "
                  << p.parts.size() << " part(s), " << notes << " notes\n";
    }
    return 0;
}

// The command's arguments, with bare style and chord-map names found in the game's music.
ComposeArgs composeArgs(const std::vector<std::string> &args, tool::Command command) {
    ComposeArgs c = tool::ParseComposeArgs(args, command);
    if (c.all.empty()) {
        c.style = mediaFile(c.style);
        c.chordMap = mediaFile(c.chordMap);
    }
    return c;
}

SegmentPtr compose(const ComposeArgs &c, StylePtr &style) {
    Loader loader;
    style = loader.LoadStyle(c.style);
    ChordMapPtr map = loader.LoadChordMap(c.chordMap);
    Composer composer = c.seed ? Composer(*c.seed) : Composer();
    return composer.ComposeSegmentFromShape(style, c.measures, c.shape, c.activity, c.intro, c.end,
                                            map);
}

// Composed music carries no instruments of its own: the style's first band sets them.
SegmentPtr firstBand(const Style &style) {
    return style.GetBandCount() > 0 ? style.GetBand(style.GetBandName(0))->CreateSegment()
                                    : nullptr;
}

void printPlan(const SegmentPtr &seg) {
    const auto &d = *seg->data();
    const auto &map = *d.chordMap;
    const std::int64_t measureTicks = kTicksPerBeat * d.timeSig.beatsPerMeasure;
    std::size_t ci = 0;
    for (int m = 0; m < d.measures; ++m) {
        std::printf(
            "%4d  groove %3d  %-6s %-18s |", m + 1, d.groove[static_cast<std::size_t>(m)],
            std::string(EmbellishmentName(d.embellishments[static_cast<std::size_t>(m)])).c_str(),
            d.patternNames[static_cast<std::size_t>(m)].c_str());
        while (ci < d.chords.size() && d.chords[ci].tick < (m + 1) * measureTicks) {
            const auto &c = d.chords[ci];
            std::printf(" %s(%lld)", map.chords[static_cast<std::size_t>(c.chord)].id.c_str(),
                        static_cast<long long>(c.length / kTicksPerBeat));
            if (c.tick + c.length > (m + 1) * measureTicks)
                break;
            ++ci;
        }
        std::printf("\n");
    }
}

int render(const ComposeArgs &c) {
    StylePtr style;
    SegmentPtr seg = compose(c, style);
    if (c.plan)
        printPlan(seg);
    if (tool::IsMidiFileName(c.output)) {
        tool::WriteMidiFile(*seg, c.output);
        std::printf("%s: %d measures, Standard MIDI File\n", c.output.c_str(), c.measures);
        return 0;
    }
    AudioParams params;
    params.soundFont = c.soundFont;
    RenderResult r = RenderSegmentToWav(seg, c.output, params, 2.0, firstBand(*style));
    double seconds = static_cast<double>(r.frames) / params.sampleRate;
    auto db = [](double v) { return v > 0 ? 20 * std::log10(v) : -999.0; };
    std::printf("%s: %d measures, %.1f s, peak %.1f dBFS, rms %.1f dBFS", c.output.c_str(),
                c.measures, seconds, db(r.peak), db(r.rms));
    if (r.limitedDb < -0.05)
        std::printf(" (limited by up to %.1f dB to keep peaks under -1 dBTP)", -r.limitedDb);
    std::printf("\n");
    return 0;
}

int gSignalPipe[2] = {-1, -1};
void onSignal(int) {
    char b = 1;
    [[maybe_unused]] auto n = write(gSignalPipe[1], &b, 1);
}

int play(const ComposeArgs &c, int argc, char **argv) {
    QCoreApplication app(argc, argv);
    StylePtr style;
    SegmentPtr seg = compose(c, style);
    SegmentPtr motif = c.motif.empty() ? nullptr : style->GetMotif(c.motif);

    Performance perf;
    AudioParams params;
    params.soundFont = c.soundFont;
    perf.InitAudio(params);
    if (!perf.audioStatus().empty())
        std::fprintf(stderr, "%s\n", perf.audioStatus().c_str());
    if (!perf.audioStatusDetail().empty())
        std::fprintf(stderr, "(%s)\n", perf.audioStatusDetail().c_str());
    else
        std::fprintf(stderr, "Playing through %s.\n", perf.audioDriver().c_str());
    auto handle = std::make_shared<NotificationEvent>(1);
    perf.AddNotificationType(kNotifySegment);
    perf.AddNotificationType(kNotifyMeasureAndBeat);
    perf.SetNotificationHandle(handle);
    seg->Download(perf.GetDefaultAudioPath());
    if (SegmentPtr band = firstBand(*style)) {
        band->Download(perf.GetDefaultAudioPath());
        perf.PlaySegmentEx(band, kPlaySecondary, 0);
    }

    int bar = 0;
    QObject::connect(handle.get(), &NotificationEvent::signalled, &app, [&](int) {
        NotificationPMSG n;
        while (perf.GetNotificationPMSG(n)) {
            const bool main = n.user && n.user->GetSegment() == seg;
            if (n.type == kNotifyMeasureAndBeat && main) {
                if (n.field1 == 0) {
                    ++bar;
                    if (motif && bar % 4 == 2)
                        perf.PlaySegmentEx(motif, kPlaySecondary | kPlayMeasure);
                }
                std::printf("\rbar %4d  beat %d  ", bar, n.field1 + 1);
                std::fflush(stdout);
            } else if (n.type == kNotifySegment && !main && n.option == kSegmentStart) {
                std::printf("\n%s motif started\n", n.user->GetSegment()->name().c_str());
            } else if (n.type == kNotifySegment && main && n.option != kSegmentStart) {
                std::printf("\nfinished\n");
                QTimer::singleShot(1500, &app, &QCoreApplication::quit); // let the last notes ring
            }
        }
    });

    if (pipe(gSignalPipe) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        auto *notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&] {
            perf.StopEx(seg);
            std::printf("\nstopped\n");
            app.quit();
        });
    }
    perf.PlaySegmentEx(seg, 0);
    int rc = app.exec();
    perf.CloseDown();
    return rc;
}

} // namespace

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
            std::cout << usage(argc, argv);
            return args.empty() ? 2 : 0;
        }
        if (args[0] == "--version") {
            std::cout << "lumbrast-music " LUMBRAST_VERSION "\n";
            return 0;
        }
        for (const auto &a : args)
            if (a == "--help" || a == "-h") {
                std::cout << usage(argc, argv);
                return 0;
            }
        std::string cmd = args[0];
        std::vector<std::string> rest(args.begin() + 1, args.end());
        if (cmd == "info") {
            if (rest.size() != 1)
                throw UsageError("info takes one file");
            return info(mediaFile(rest[0]));
        }
        if (cmd == "render")
            return render(composeArgs(rest, tool::Command::Render));
        if (cmd == "analyze")
            return tool::RunAnalyze(composeArgs(rest, tool::Command::Analyze));
        if (cmd == "play")
            return play(composeArgs(rest, tool::Command::Play), argc, argv);
        throw UsageError("unknown command '" + cmd + "'");
    } catch (const UsageError &e) {
        std::cerr
            << "lumbrast-music: " << e.what() << "\n"
            << QCoreApplication::translate("MusicTool", "(see lumbrast-music --help)").toStdString()
            << "\n";
        return 2;
    } catch (const MusicError &e) {
        std::cerr << (e.file().empty() ? "lumbrast-music: " : "") << e.what() << "\n";
        return 1;
    } catch (const std::exception &e) {
        std::cerr << "lumbrast-music: " << e.what() << "\n";
        return 1;
    }
}
