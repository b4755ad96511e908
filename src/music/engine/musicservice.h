// Lumbrast music service: loads styles and chord maps, composes segments from
// shapes and plays them through FluidSynth with sample-accurate notifications.
//
// Objects and their roles
//   Loader        LoadStyle, LoadChordMap (text files, see docs/music-formats.md)
//   Composer      ComposeSegmentFromShape
//   Performance   InitAudio, AddNotificationType, SetNotificationHandle,
//                 SetMasterAutoDownload, GetNotificationPMSG, IsPlaying,
//                 PlaySegmentEx, StopEx, SendTempoPMSG, GetDefaultAudioPath,
//                 CloseDown; plus the offline clock used by tests and renderers
//   Style         GetTempo, GetTimeSignature, GetBandCount/GetBandName/GetBand,
//                 GetMotifCount/GetMotifName/GetMotif
//   Band          Download, Unload, CreateSegment
//   Segment       Download, SetRepeats
//   SegmentState  GetSegment
//   NotificationEvent  the event handle: a QObject living on the UI thread
//
// Identity: every object is handed out as a std::shared_ptr. A segment keeps
// its identity for its whole life: the SegmentState carried by a notice
// returns, through GetSegment(), the very shared_ptr that was given to
// PlaySegmentEx, so callers compare segments with ==. Style::GetMotif returns
// the same segment object for the same name on every call.
//
// Errors: every operation reports failure by throwing MusicError, which
// carries a number (number()), a description (description()) and, for file
// errors, the file, line and column (what() then reads "FILE:LINE:COLUMN:
// description").
//
// Threads: all calls are made from one thread (the UI thread). With a real
// audio device or the silent real-time clock, the performance runs its
// sequencer on a thread of its own; notices are queued there and the
// NotificationEvent is signalled, which Qt delivers through the event loop
// of the thread that created it. Drain the queue there with
// GetNotificationPMSG. With the offline clock nothing runs on its own: the
// caller moves time forward with AdvanceOffline/RenderOffline.
#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrast::music {

namespace detail {
struct StyleData;
struct ChordMapData;
struct BandData;
struct SegmentData;
class Engine;
} // namespace detail

class Style;
class ChordMap;
class Band;
class Segment;
class SegmentState;
class AudioPath;
class Performance;
class NotificationEvent;

using StylePtr = std::shared_ptr<Style>;
using ChordMapPtr = std::shared_ptr<ChordMap>;
using BandPtr = std::shared_ptr<Band>;
using SegmentPtr = std::shared_ptr<Segment>;
using SegmentStatePtr = std::shared_ptr<SegmentState>;
using AudioPathPtr = std::shared_ptr<AudioPath>;

// ---------------------------------------------------------------- errors

// Error numbers; shown in decimal by the music window.
enum class ErrorCode : std::int32_t {
    FileNotFound = 1001,    // cannot open the file
    FileTooLarge = 1002,    // larger than Loader::kMaxFileBytes
    Syntax = 1003,          // not valid TOML
    BadContent = 1004,      // valid TOML, but not a valid style or chord map
    WrongKind = 1005,       // e.g. a chord map given to LoadStyle
    NoSoundFont = 1101,     // no General MIDI SoundFont found or loadable
    AudioFailure = 1102,    // the synthesiser could not be set up
    NotInitialised = 1103,  // performance used before InitAudio
    ClosedDown = 1104,      // performance used after CloseDown
    WrongClock = 1105,      // offline calls on a real-time performance or back
    InvalidArgument = 1201, // null object, value out of range
    NotFound = 1202,        // no band or motif of that name / index
    WavWrite = 1301,        // cannot write the audio file
};

class MusicError : public std::runtime_error {
public:
    MusicError(ErrorCode code, std::string description, std::string file = {}, int line = 0,
               int column = 0);

    ErrorCode code() const noexcept { return code_; }
    std::int32_t number() const noexcept { return static_cast<std::int32_t>(code_); }
    const std::string &description() const noexcept { return description_; }
    const std::string &file() const noexcept { return file_; }
    int line() const noexcept { return line_; }     // from 1; 0 when unknown
    int column() const noexcept { return column_; } // from 1; 0 when unknown

private:
    ErrorCode code_;
    std::string description_;
    std::string file_;
    int line_;
    int column_;
};

// ---------------------------------------------------------------- constants

// Notification types (AddNotificationType, NotificationPMSG::type).
inline constexpr std::uint32_t kNotifyMeasureAndBeat = 3;
inline constexpr std::uint32_t kNotifySegment = 5;

// Options of segment notices. Measure-and-beat notices carry option 0.
inline constexpr std::uint32_t kSegmentStart = 0;
inline constexpr std::uint32_t kSegmentEnd = 1;   // played to its end
inline constexpr std::uint32_t kSegmentAbort = 4; // StopEx, or replaced by a new primary

// PlaySegmentEx flags. 0 plays a primary segment at once, replacing the one
// that plays. kPlaySecondary lays the segment over the primary; the other
// bits choose its start boundary on the primary's grid:
//   0x80 at once, 0x880 next grid point, 0x1080 next beat,
//   0x2080 next measure, 0x4080 the segment's default boundary.
// "Next" means the first boundary at or after the current time. With no
// primary playing every secondary starts at once.
inline constexpr std::uint32_t kPlaySecondary = 0x80;
inline constexpr std::uint32_t kPlayGrid = 0x800;
inline constexpr std::uint32_t kPlayBeat = 0x1000;
inline constexpr std::uint32_t kPlayMeasure = 0x2000;
inline constexpr std::uint32_t kPlayDefault = 0x4000;
// A primary segment given kPlayGrid, kPlayBeat or kPlayMeasure waits for that
// boundary of the primary that plays and takes over from it there; with
// kPlayQueue it starts where the last primary (playing or waiting) ends.
// Either way it keeps the tempo that runs. A primary played at once, a stop
// of the primary and a later boundary primary drop the ones still waiting.
inline constexpr std::uint32_t kPlayQueue = 0x100;

// StopEx flag: stop the primary segment that plays, whichever segment it is
// (the segment argument is then ignored); secondaries play on.
inline constexpr std::uint32_t kStopPrimary = 0x10000;

// Music time: ticks per beat (the beat being the time signature's note value).
inline constexpr std::int64_t kTicksPerBeat = 480;

// Shapes for ComposeSegmentFromShape; the numbers are the shape numbers.
enum class Shape : int {
    Falling = 0,
    Level = 1,
    Loopable = 2,
    Loud = 3,
    Quiet = 4,
    Peaking = 5,
    Random = 6,
    Rising = 7,
    Song = 8,
};
inline constexpr int kShapeCount = 9;
// "FALLING", "LEVEL", ... "SONG"; empty for a number outside 0-8.
std::string_view ShapeName(int shape);
// Shape number of a name (any letter case), or -1.
int ShapeFromName(std::string_view name);

// Pattern embellishments.
enum class Embellishment { Normal, Intro, Fill, Break, End };
std::string_view EmbellishmentName(Embellishment e);

struct TimeSignature {
    std::uint8_t beatsPerMeasure = 4;
    std::uint8_t beat = 4; // note value of one beat: 4 quarter, 8 eighth
    std::uint16_t gridsPerBeat = 4;
};

// ---------------------------------------------------------------- loader

class Loader {
public:
    // Files larger than this are refused with ErrorCode::FileTooLarge.
    static constexpr std::size_t kMaxFileBytes = 1024 * 1024;

    // Full path of a "*.sty" / "*.cdm" file. Throws MusicError with file, line
    // and column for anything wrong in the file.
    StylePtr LoadStyle(const std::string &path);
    ChordMapPtr LoadChordMap(const std::string &path);

    // The same from text in memory; sourceName stands in for the file name in
    // errors.
    static StylePtr ParseStyle(std::string_view text, const std::string &sourceName);
    static ChordMapPtr ParseChordMap(std::string_view text, const std::string &sourceName);
};

// ---------------------------------------------------------------- style

class Style {
public:
    explicit Style(std::shared_ptr<const detail::StyleData> data);

    const std::string &name() const;
    double GetTempo() const; // beats per minute
    TimeSignature GetTimeSignature() const;

    int GetBandCount() const;
    std::string GetBandName(int index) const;       // index from 0; NotFound outside
    BandPtr GetBand(const std::string &name) const; // NotFound for an unknown name

    int GetMotifCount() const;
    std::string GetMotifName(int index) const;
    // The motif as a secondary segment; the same object for the same name.
    SegmentPtr GetMotif(const std::string &name) const;

    const std::shared_ptr<const detail::StyleData> &data() const { return data_; }

private:
    std::shared_ptr<const detail::StyleData> data_;
    std::vector<BandPtr> bands_;
    std::vector<SegmentPtr> motifs_;
};

class ChordMap {
public:
    explicit ChordMap(std::shared_ptr<const detail::ChordMapData> data);
    const std::string &name() const;
    const std::shared_ptr<const detail::ChordMapData> &data() const { return data_; }

private:
    std::shared_ptr<const detail::ChordMapData> data_;
};

// A named set of instruments: for each MIDI channel a General MIDI program,
// volume, pan and effect sends.
class Band : public std::enable_shared_from_this<Band> {
public:
    explicit Band(std::shared_ptr<const detail::BandData> data);
    const std::string &name() const;

    // Makes the band's instruments ready in the performance's synthesiser
    // (checks each program exists in the SoundFont); Unload releases them.
    void Download(Performance &performance);
    void Unload(Performance &performance);
    bool isDownloaded() const { return downloaded_; }

    // A short segment that sets the band's instruments when played (usually
    // as a secondary segment, flags 0x80). A new segment on every call.
    SegmentPtr CreateSegment() const;

    const std::shared_ptr<const detail::BandData> &data() const { return data_; }

private:
    std::shared_ptr<const detail::BandData> data_;
    bool downloaded_ = false;
};

// ---------------------------------------------------------------- segment

class Segment {
public:
    enum class Kind { Composed, Motif, Band };

    explicit Segment(std::shared_ptr<const detail::SegmentData> data);

    Kind kind() const;
    const std::string &name() const;
    std::int64_t GetLength() const; // in ticks
    int measures() const;
    TimeSignature timeSignature() const;
    double tempo() const;

    // Readies the segment's instruments on that audio path (see Band::Download).
    void Download(const AudioPathPtr &audioPath);
    bool isDownloaded() const { return downloaded_.load(); }

    // Extra times the segment plays after the first: 0 plays once. Read when
    // the segment starts playing.
    void SetRepeats(std::uint32_t repeats) { repeats_.store(repeats); }
    std::uint32_t GetRepeats() const { return repeats_.load(); }

    // Boundary used by PlaySegmentEx with kPlayDefault: one of kPlayGrid,
    // kPlayBeat, kPlayMeasure, or 0 for at once. Motifs take it from the style.
    void SetDefaultResolution(std::uint32_t boundary);
    std::uint32_t GetDefaultResolution() const { return defaultBoundary_.load(); }

    const std::shared_ptr<const detail::SegmentData> &data() const { return data_; }

private:
    std::shared_ptr<const detail::SegmentData> data_;
    std::atomic<std::uint32_t> repeats_{0};
    std::atomic<std::uint32_t> defaultBoundary_{0};
    std::atomic<bool> downloaded_{false};
};

// One playing (or played) instance of a segment.
class SegmentState {
public:
    SegmentState(SegmentPtr segment, std::uint64_t id);
    const SegmentPtr &GetSegment() const { return segment_; }
    std::uint64_t id() const { return id_; }
    // Sample of the performance clock at which it starts (or started).
    std::int64_t GetStartSample() const { return startSample_.load(); }
    void setStartSample(std::int64_t s) { startSample_.store(s); }

private:
    SegmentPtr segment_;
    std::uint64_t id_;
    std::atomic<std::int64_t> startSample_{-1};
};

// The performance's output as seen by segments (GetDefaultAudioPath).
class AudioPath {
public:
    explicit AudioPath(detail::Engine *engine) : engine_(engine) {}
    detail::Engine *engine() const { return engine_; }
    void detach() { engine_ = nullptr; }

private:
    detail::Engine *engine_;
};

// ---------------------------------------------------------------- composer

class Composer {
public:
    Composer(); // seeded from the clock
    explicit Composer(std::uint64_t seed);
    void SetSeed(std::uint64_t seed);

    // A new primary segment of exactly `measures` measures (0 gives an empty
    // segment; negative or over 32767 is InvalidArgument). shape 0-8 (Shape),
    // activity 0-3 (0 changes chords most often), intro/end add those
    // embellishments. See docs/music-composer.md.
    SegmentPtr ComposeSegmentFromShape(const StylePtr &style, int measures, int shape, int activity,
                                       bool intro, bool end, const ChordMapPtr &chordMap);

private:
    std::uint64_t seed_;
    std::uint64_t compositions_ = 0;
};

// ---------------------------------------------------------------- notices

struct NotificationPMSG {
    std::uint32_t type = 0;      // kNotifySegment or kNotifyMeasureAndBeat
    std::uint32_t option = 0;    // segment: kSegmentStart/End/Abort; beat: 0
    std::int32_t field1 = 0;     // beat notice: beat within the measure, from 0
    std::int32_t field2 = 0;     // beat notice: measure within the state, from 0
    SegmentStatePtr user;        // the segment state the notice speaks of
    std::int64_t sampleTime = 0; // performance clock sample at which it fell
};

// The event handle: create it on the UI thread and connect its signal to the
// callback that drains Performance::GetNotificationPMSG. The performance
// calls set() from its own thread; Qt's event loop then emits signalled() on
// the thread that owns this object. Signals that come while one is still
// pending are merged, so drain the whole queue on each signal.
class NotificationEvent : public QObject {
    Q_OBJECT
public:
    explicit NotificationEvent(int eventId = 0, QObject *parent = nullptr);
    ~NotificationEvent() override;
    int eventId() const { return eventId_; }

    void set(); // any thread

Q_SIGNALS:
    void signalled(int eventId);

protected:
    bool event(QEvent *e) override;

private:
    int eventId_;
    std::atomic<bool> pending_{false};
};

// ---------------------------------------------------------------- performance

enum class AudioOutput {
    Automatic,      // a real device if one opens, else RealTimeSilent
    Device,         // a real device or AudioFailure
    RealTimeSilent, // real-time clock into a null output: notices, no sound
    Offline,        // no threads: the caller advances the clock
};

struct AudioParams {
    AudioOutput output = AudioOutput::Automatic;
    std::string soundFont; // empty: kDefaultSoundFont, then other GM fonts
    std::string driver;    // FluidSynth audio driver; empty: pulseaudio, pipewire, alsa
    int sampleRate = 44100;
    int periodFrames = 256; // device period; latency
    int channels = 16;      // MIDI channels (accepts the window's 128, uses 16..256)
};

inline constexpr const char *kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";
inline constexpr const char *kSoundFontPackage = "timgm6mb-soundfont";

// One MIDI message as the sequencer sends it to the synthesiser.
struct PlayedEvent {
    enum class Kind { NoteOn, NoteOff, Program, Control };
    Kind kind;
    int channel; // from 0; 9 is the drum channel
    int data1;   // key, program or controller
    int data2;   // velocity or value
    std::int64_t sample;
    std::uint64_t stateId; // SegmentState::id of the state that played it
};

class Performance {
public:
    Performance();
    ~Performance();
    Performance(const Performance &) = delete;
    Performance &operator=(const Performance &) = delete;

    // Opens the synthesiser, loads the SoundFont and starts the clock chosen by
    // params. Throws NoSoundFont (naming kSoundFontPackage) or AudioFailure;
    // after a failure InitAudio may be called again.
    void InitAudio(const AudioParams &params = {});

    // How the performance ended up playing.
    AudioOutput audioOutput() const;
    std::string audioDriver() const; // name of the FluidSynth driver in use
    // Empty with sound; otherwise the one message, in plain words, saying
    // why there is none.
    std::string audioStatus() const;
    // The technical side of audioStatus (drivers tried, the sound server's
    // own words), for standard error; empty when there is nothing to add.
    std::string audioStatusDetail() const;
    int sampleRate() const;

    void AddNotificationType(std::uint32_t type);
    void RemoveNotificationType(std::uint32_t type);
    void SetNotificationHandle(std::shared_ptr<NotificationEvent> handle);
    void SetMasterAutoDownload(bool on);
    // Takes the oldest waiting notice; false when none waits.
    bool GetNotificationPMSG(NotificationPMSG &out);

    // segment: true while a state of it plays or waits for its boundary;
    // with state given, only that state counts. Both null: anything playing.
    bool IsPlaying(const SegmentPtr &segment, const SegmentStatePtr &state = nullptr) const;
    // See the kPlay... flags. startTime must be 0 (now).
    SegmentStatePtr PlaySegmentEx(const SegmentPtr &segment, std::uint32_t flags,
                                  std::int64_t startTime = 0);
    // Stops every state of the segment at once (null: everything); with
    // kStopPrimary, the primary that plays.
    void StopEx(const SegmentPtr &segment, std::int64_t stopTime = 0, std::uint32_t flags = 0);
    // Changes the tempo at once (time 0, any flags); 1 to 1000 bpm.
    void SendTempoPMSG(std::int64_t time, std::uint32_t flags, double tempo);
    double GetTempo() const;
    // Lets a repeating state end where its current pass ends, not cut.
    void EndAfterPass(const SegmentStatePtr &state);
    // The primary that plays and the tick within it of the next boundary
    // (kPlayGrid, kPlayBeat, kPlayMeasure; 0 now); no segment when none plays.
    struct PrimaryPosition {
        SegmentPtr segment;
        std::int64_t tick = 0;
    };
    PrimaryPosition PlayingPrimary(std::uint32_t boundary) const;
    AudioPathPtr GetDefaultAudioPath();
    // Stops the clock and the synthesiser and drops waiting notices. Later
    // calls that play, stop or set anything throw ClosedDown; IsPlaying and
    // GetNotificationPMSG answer false. Calling it again does nothing.
    void CloseDown();

    // Offline clock (AudioOutput::Offline only). Moves time forward by
    // `frames` samples, running every event and notice in between.
    void AdvanceOffline(std::int64_t frames);
    // The same, writing the sound (stereo, float) into left/right.
    void RenderOffline(float *left, float *right, std::int64_t frames);
    // Samples played since InitAudio.
    std::int64_t GetSampleTime() const;

    // Called with every MIDI message sent to the synthesiser, on the clock's
    // thread; for monitors and tests.
    void SetEventTap(std::function<void(const PlayedEvent &)> tap);

    detail::Engine *engine() const { return engine_.get(); }

private:
    std::unique_ptr<detail::Engine> engine_;
};

// Renders `segment` from its start to its end (plus tail seconds of
// release) into a stereo file, sample-exact and repeatable: 16-bit WAV (RF64
// past 4 GiB), 16-bit FLAC or Ogg Vorbis by the extension (.wav, .flac, .ogg).
// Throws WavWrite, before touching the file, for another extension or music
// longer than the format holds. A band segment, when given, sets the
// instruments first. Returns the number of frames written.
struct RenderResult {
    std::int64_t frames = 0;
    float peak = 0; // largest absolute sample, 1.0 = full scale
    double rms = 0;
    double limitedDb = 0; // deepest cut by the master limiter, 0 if it never acted
};
RenderResult RenderSegmentToWav(const SegmentPtr &segment, const std::string &wavPath,
                                const AudioParams &params = {}, double tailSeconds = 2.0,
                                const SegmentPtr &band = nullptr);
// Plays the segment offline, after `band` if given, until it ends and
// `tailSeconds` more have passed, handing each block of sound to `sink`.
RenderResult RenderSegmentOffline(
    const SegmentPtr &segment, const AudioParams &params, double tailSeconds,
    const SegmentPtr &band,
    const std::function<void(const float *left, const float *right, std::int64_t frames)> &sink);

} // namespace lumbrast::music
