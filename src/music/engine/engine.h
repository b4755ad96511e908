// The performance's inner engine: a sequencer that runs in sample time in
// front of a FluidSynth synthesiser, driven by one of three clocks.
#pragma once

#include "master.h"
#include "model.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <thread>

struct _fluid_hashtable_t;
typedef struct _fluid_hashtable_t fluid_settings_t;
struct _fluid_synth_t;
typedef struct _fluid_synth_t fluid_synth_t;
struct _fluid_audio_driver_t;
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;

namespace lumbrast::music::detail {

// Division rounding towards positive infinity, for b > 0.
inline std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

class Engine {
public:
    Engine();
    ~Engine();

    void init(const AudioParams &params);
    void closeDown();
    bool closed() const { return closed_; }

    AudioOutput output() const { return output_; }
    std::string driver() const { return driverName_; }
    std::string status() const { return status_; }
    std::string statusDetail() const { return statusDetail_; }
    int sampleRate() const { return rate_; }
    // Offline only (no other thread touches it then): the master output's state.
    const MasterBus &master() const { return master_; }

    void enableNotices(std::uint32_t type, bool on);
    void setHandle(std::shared_ptr<NotificationEvent> handle);
    bool takeNotice(NotificationPMSG &out);

    bool isPlaying(const Segment *segment, const SegmentState *state) const;
    SegmentStatePtr play(const SegmentPtr &segment, std::uint32_t flags);
    void stop(const Segment *segment, std::uint32_t flags);
    void setTempo(double bpm);
    double tempo() const;
    void endAfterPass(const SegmentState *state);
    Performance::PrimaryPosition playingPrimary(std::uint32_t boundary) const;
    AudioPathPtr audioPath();

    void advance(std::int64_t frames, float *left, float *right);
    std::int64_t sampleTime() const;
    void setTap(std::function<void(const PlayedEvent &)> tap);

    // Throws NotFound when a program of the band is missing from the SoundFont.
    void checkInstruments(const std::vector<BandMember> &members);

    // The audio driver's callback.
    int audioCallback(int len, float **out);

    // The silent real-time clock: microseconds from any fixed origin. Set it
    // before init; tests drive it by hand and call clockStep themselves.
    void setClock(std::function<std::int64_t()> micros) { micros_ = std::move(micros); }
    // Brings the silent clock up to the present, at most a tenth of a second
    // of music at once: after a stall the music resumes instead of racing.
    void clockStep();
    static constexpr int kMaxCatchUpDivisor = 10; // a tenth of a second

private:
    struct Running {
        SegmentStatePtr state;
        const SegmentData *data = nullptr;
        bool primary = false;
        bool deferred = false; // a primary waiting for its boundary or its turn
        bool started = false;
        std::int64_t startU = 0;
        std::uint32_t loopsLeft = 0;
        std::int64_t loop = 0;
        std::vector<MidiEvent> own; // motif notes placed when it starts
        // Looked up on each use: a Running moves when running_ grows or shrinks.
        const std::vector<MidiEvent> &events() const {
            return data->kind == Segment::Kind::Motif ? own : data->events;
        }
        std::size_t cursor = 0;
        std::int64_t beat = 0; // next beat notice
        std::int64_t beatsPerLoop = 0;
        std::vector<std::pair<std::uint8_t, std::uint8_t>> sounding;
    };

    void requireOpen() const;
    void requireInit() const;
    // Everything below runs with mutex_ held.
    void process(std::int64_t frames, float *left, float *right);
    void render(std::int64_t frames, float *left, float *right, std::int64_t offset);
    void runDue();
    bool nextItem(const Running &r, std::int64_t &u, int &priority) const;
    void runItem(Running &r, int priority);
    std::int64_t sampleOf(std::int64_t u) const;
    std::int64_t posOf(std::int64_t sample) const;
    void startState(Running &r);
    void placeMotif(Running &r);
    void send(const MidiEvent &e, Running *r);
    void silence(Running &r);
    void notice(std::uint32_t type, std::uint32_t option, std::int32_t f1, std::int32_t f2,
                const SegmentStatePtr &state);
    void finish(std::size_t index, std::uint32_t option);
    void setTempoLocked(double bpm);
    std::int64_t boundaryAfterNow(std::uint32_t flags) const;
    const Running *primary() const;
    // A primary that waits (queue.cpp): where it starts; the index of the one
    // that starts once the others are gone.
    void placeDeferred(Running &r, std::uint32_t flags);
    std::size_t takeOver(std::size_t index);
    void signalHandle();
    void clockThread();

    mutable std::mutex mutex_;
    fluid_settings_t *settings_ = nullptr;
    fluid_synth_t *synth_ = nullptr;
    fluid_audio_driver_t *driver_ = nullptr;
    std::thread clock_;
    std::function<std::int64_t()> micros_;
    std::int64_t clockOrigin_ = 0;  // micros_() at start
    std::int64_t clockSkipped_ = 0; // samples dropped after stalls
    std::condition_variable clockWake_;
    bool stopClock_ = false;

    AudioOutput output_ = AudioOutput::Automatic;
    std::string driverName_;
    std::string status_;
    std::string statusDetail_;
    bool initialised_ = false;
    bool closed_ = false;
    int rate_ = 44100;

    // Music position in units: one tick is 60000 * rate units, so a sample
    // moves tempoMilli * kTicksPerBeat units and every time maps exactly.
    std::int64_t uPerTick_ = 0;
    std::int64_t tempoMilli_ = 120000;
    std::int64_t anchorSample_ = 0;
    std::int64_t anchorU_ = 0;
    std::int64_t now_ = 0; // samples
    std::int64_t nowU_ = 0;

    std::vector<Running> running_;
    std::uint64_t nextStateId_ = 1;
    std::vector<float> scratch_;
    MasterBus master_; // after the synthesiser, on every sound that is heard or written
    std::function<void(const PlayedEvent &)> tap_;
    AudioPathPtr audioPath_;

    mutable std::mutex noticeMutex_;
    std::deque<NotificationPMSG> notices_;
    bool wantSegment_ = false;
    bool wantBeat_ = false;
    std::shared_ptr<NotificationEvent> handle_;
    bool noticed_ = false;
};

} // namespace lumbrast::music::detail
