// The performance: sequencer, clocks, synthesiser and notices.
#include "engine.h"

#include <QCoreApplication>
#include <QEvent>

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace lumbrast::music {

namespace {

// FluidSynth reports through a process-wide log; keep the last error so it
// can go into our own message instead of scattering lines on stderr.
std::mutex gLogMutex;
std::string gLastFluidError;

void fluidLog(int level, const char *message, void *) {
    if (level <= FLUID_ERR) {
        std::lock_guard<std::mutex> lock(gLogMutex);
        gLastFluidError = message ? message : "";
    }
}

void quietFluid() {
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_PANIC, fluidLog, nullptr);
        fluid_set_log_function(FLUID_ERR, fluidLog, nullptr);
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    });
}

std::string takeFluidError() {
    std::lock_guard<std::mutex> lock(gLogMutex);
    std::string s = std::move(gLastFluidError);
    gLastFluidError.clear();
    return s;
}

int driverCallback(void *data, int len, int nfx, float *fx[], int nout, float *out[]) {
    (void)nfx;
    (void)fx;
    if (nout < 2)
        return FLUID_FAILED;
    return static_cast<detail::Engine *>(data)->audioCallback(len, out);
}

// ALSA writes its own complaints to stderr when there is no card at all;
// without one there is nothing to try.
bool alsaHasCard() {
    std::ifstream in("/proc/asound/cards");
    std::string line;
    while (std::getline(in, line)) {
        auto p = line.find_first_not_of(' ');
        if (p != std::string::npos && std::isdigit(static_cast<unsigned char>(line[p])))
            return true;
    }
    return false;
}

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

const QEvent::Type kNoticeEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

} // namespace

// ---------------------------------------------------------------- event handle

NotificationEvent::NotificationEvent(int eventId, QObject *parent)
    : QObject(parent), eventId_(eventId) {}
NotificationEvent::~NotificationEvent() = default;

void NotificationEvent::set() {
    if (!pending_.exchange(true))
        QCoreApplication::postEvent(this, new QEvent(kNoticeEventType));
}

bool NotificationEvent::event(QEvent *e) {
    if (e->type() == kNoticeEventType) {
        pending_.store(false);
        Q_EMIT signalled(eventId_);
        return true;
    }
    return QObject::event(e);
}

namespace detail {

Engine::Engine() {
    quietFluid();
}

Engine::~Engine() {
    closeDown();
}

void Engine::requireOpen() const {
    if (closed_)
        throw MusicError(ErrorCode::ClosedDown, "the performance has been closed down");
}

void Engine::requireInit() const {
    requireOpen();
    if (!initialised_)
        throw MusicError(ErrorCode::NotInitialised, "the performance's audio is not initialised");
}

void Engine::init(const AudioParams &params) {
    requireOpen();
    if (initialised_)
        throw MusicError(ErrorCode::InvalidArgument,
                         "the performance's audio is already initialised");
    if (params.sampleRate < 8000 || params.sampleRate > 192000)
        throw MusicError(ErrorCode::InvalidArgument, "sample rate must be 8000 to 192000");

    namespace fs = std::filesystem;
    std::string font = params.soundFont;
    if (font.empty()) {
        for (const char *candidate : {kDefaultSoundFont, "/usr/share/sounds/sf2/TimGM6mb.sf2",
                                      "/usr/share/sounds/sf2/FluidR3_GM.sf2"}) {
            std::error_code ec;
            if (fs::is_regular_file(candidate, ec)) {
                font = candidate;
                break;
            }
        }
        if (font.empty())
            throw MusicError(ErrorCode::NoSoundFont,
                             std::string("no General MIDI SoundFont found at ") +
                                 kDefaultSoundFont + "; install the Debian package " +
                                 kSoundFontPackage);
    } else {
        std::error_code ec;
        if (!fs::is_regular_file(font, ec))
            throw MusicError(ErrorCode::NoSoundFont,
                             "SoundFont " + font + " not found; install the Debian package " +
                                 kSoundFontPackage + " for the default one");
    }

    settings_ = new_fluid_settings();
    if (!settings_)
        throw MusicError(ErrorCode::AudioFailure, "cannot create synthesiser settings");
    int channels = std::clamp((params.channels + 15) / 16 * 16, 16, 256);
    fluid_settings_setnum(settings_, "synth.sample-rate", params.sampleRate);
    fluid_settings_setint(settings_, "synth.midi-channels", channels);
    fluid_settings_setint(settings_, "synth.polyphony", 256);
    fluid_settings_setnum(settings_, "synth.gain", 1.0);
    fluid_settings_setint(settings_, "synth.reverb.active", 1);
    fluid_settings_setint(settings_, "synth.chorus.active", 1);
    fluid_settings_setint(settings_, "audio.period-size",
                          std::clamp(params.periodFrames, 64, 8192));
    fluid_settings_setint(settings_, "audio.periods", 2);
    synth_ = new_fluid_synth(settings_);
    if (!synth_) {
        delete_fluid_settings(settings_);
        settings_ = nullptr;
        throw MusicError(ErrorCode::AudioFailure,
                         "cannot create the synthesiser: " + takeFluidError());
    }
    if (fluid_synth_sfload(synth_, font.c_str(), 1) == FLUID_FAILED) {
        std::string why = takeFluidError();
        delete_fluid_synth(synth_);
        delete_fluid_settings(settings_);
        synth_ = nullptr;
        settings_ = nullptr;
        throw MusicError(ErrorCode::NoSoundFont,
                         "cannot load SoundFont " + font + (why.empty() ? "" : ": " + why) +
                             "; install the Debian package " + kSoundFontPackage);
    }
    fluid_synth_set_reverb_group_roomsize(synth_, -1, 0.55);
    fluid_synth_set_reverb_group_level(synth_, -1, 0.6);

    rate_ = params.sampleRate;
    uPerTick_ = 60000LL * rate_;
    now_ = nowU_ = anchorSample_ = anchorU_ = 0;
    scratch_.assign(2 * 4096, 0.0f);
    initialised_ = true;
    output_ = params.output;

    if (params.output == AudioOutput::Offline)
        return;
    if (params.output == AudioOutput::Automatic || params.output == AudioOutput::Device) {
        std::vector<std::string> tried;
        std::vector<std::string> drivers;
        if (!params.driver.empty())
            drivers.push_back(params.driver);
        else
            drivers = {"pulseaudio", "pipewire", "alsa"};
        std::string lastWhy;
        for (const auto &d : drivers) {
            if (d == "alsa" && params.driver.empty() && !alsaHasCard()) {
                tried.push_back("alsa (no sound card)");
                continue;
            }
            if (fluid_settings_setstr(settings_, "audio.driver", d.c_str()) == FLUID_FAILED)
                continue;
            tried.push_back(d);
            takeFluidError();
            driver_ = new_fluid_audio_driver2(settings_, driverCallback, this);
            if (driver_) {
                driverName_ = d;
                output_ = AudioOutput::Device;
                return;
            }
            std::string why = takeFluidError();
            if (why.find("Couldn't find the requested audio driver") != std::string::npos) {
                tried.pop_back(); // not built into this FluidSynth
                continue;
            }
            if (!why.empty() && lastWhy.empty())
                lastWhy = why;
        }
        std::string detail = "tried ";
        for (std::size_t i = 0; i < tried.size(); ++i)
            detail += (i ? ", " : "") + tried[i];
        if (tried.empty())
            detail += "none";
        if (!lastWhy.empty())
            detail += ": " + lastWhy;
        if (params.output == AudioOutput::Device) {
            // Leave the performance as it was, so InitAudio can be tried again.
            delete_fluid_synth(synth_);
            delete_fluid_settings(settings_);
            synth_ = nullptr;
            settings_ = nullptr;
            initialised_ = false;
            throw MusicError(ErrorCode::AudioFailure,
                             "No sound device could be opened (" + detail + ")");
        }
        status_ = "No sound device could be opened, so the music plays on without sound. "
                  "Check that a sound card is connected and the sound server is running.";
        statusDetail_ = detail;
    } else {
        status_ = "Silent output chosen: the music plays without sound.";
    }
    output_ = AudioOutput::RealTimeSilent;
    driverName_ = "none";
    if (!micros_)
        micros_ = [] {
            return std::chrono::duration_cast<std::chrono::microseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    clockOrigin_ = micros_();
    clockSkipped_ = 0;
    stopClock_ = false;
    clock_ = std::thread([this] { clockThread(); });
}

void Engine::clockThread() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopClock_) {
        clockWake_.wait_for(lock, std::chrono::milliseconds(5));
        if (stopClock_)
            break;
        lock.unlock();
        clockStep();
        lock.lock();
    }
}

void Engine::clockStep() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (output_ != AudioOutput::RealTimeSilent || !synth_)
            return;
        std::int64_t target = (micros_() - clockOrigin_) * rate_ / 1000000 - clockSkipped_;
        const std::int64_t cap = rate_ / kMaxCatchUpDivisor;
        if (target - now_ > cap) {
            clockSkipped_ += target - now_ - cap;
            target = now_ + cap;
        }
        // In slices, so a call from the UI thread never waits for a long one.
        while (now_ < target) {
            process(std::min<std::int64_t>(target - now_, 1024), scratch_.data(),
                    scratch_.data() + 4096);
            lock.unlock();
            lock.lock();
            if (!synth_)
                return;
        }
    }
    signalHandle();
}

int Engine::audioCallback(int len, float **out) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!synth_)
            return FLUID_OK;
        process(len, out[0], out[1]);
    }
    signalHandle();
    return FLUID_OK;
}

void Engine::closeDown() {
    if (closed_)
        return;
    // The audio thread takes mutex_, so it is stopped before the lock is held.
    if (driver_) {
        delete_fluid_audio_driver(driver_);
        driver_ = nullptr;
    }
    if (clock_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopClock_ = true;
        }
        clockWake_.notify_all();
        clock_.join();
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_.clear();
        if (synth_)
            delete_fluid_synth(synth_);
        if (settings_)
            delete_fluid_settings(settings_);
        synth_ = nullptr;
        settings_ = nullptr;
        if (audioPath_)
            audioPath_->detach();
        closed_ = true;
    }
    std::lock_guard<std::mutex> lock(noticeMutex_);
    notices_.clear();
    handle_.reset();
}

// ---------------------------------------------------------------- notices

void Engine::enableNotices(std::uint32_t type, bool on) {
    requireOpen();
    std::lock_guard<std::mutex> lock(noticeMutex_);
    if (type == kNotifySegment)
        wantSegment_ = on;
    else if (type == kNotifyMeasureAndBeat)
        wantBeat_ = on;
    else
        throw MusicError(ErrorCode::InvalidArgument,
                         "unknown notification type " + std::to_string(type));
}

void Engine::setHandle(std::shared_ptr<NotificationEvent> handle) {
    requireOpen();
    std::lock_guard<std::mutex> lock(noticeMutex_);
    handle_ = std::move(handle);
    if (handle_ && !notices_.empty())
        handle_->set();
}

bool Engine::takeNotice(NotificationPMSG &out) {
    std::lock_guard<std::mutex> lock(noticeMutex_);
    if (notices_.empty())
        return false;
    out = std::move(notices_.front());
    notices_.pop_front();
    return true;
}

void Engine::notice(std::uint32_t type, std::uint32_t option, std::int32_t f1, std::int32_t f2,
                    const SegmentStatePtr &state) {
    std::lock_guard<std::mutex> lock(noticeMutex_);
    if ((type == kNotifySegment && !wantSegment_) || (type == kNotifyMeasureAndBeat && !wantBeat_))
        return;
    if (notices_.size() >= 100000)
        notices_.pop_front(); // nobody drains: keep memory bounded
    notices_.push_back({type, option, f1, f2, state, now_});
    noticed_ = true;
}

void Engine::signalHandle() {
    std::lock_guard<std::mutex> lock(noticeMutex_);
    if (noticed_ && handle_)
        handle_->set();
    noticed_ = false;
}

// ---------------------------------------------------------------- control

bool Engine::isPlaying(const Segment *segment, const SegmentState *state) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto &r : running_) {
        if (state && r.state.get() != state)
            continue;
        if (segment && r.state->GetSegment().get() != segment)
            continue;
        return true;
    }
    return false;
}

const Engine::Running *Engine::primary() const {
    for (const auto &r : running_)
        if (r.primary)
            return &r;
    return nullptr;
}

std::int64_t Engine::boundaryAfterNow(std::uint32_t flags) const {
    const Running *p = primary();
    if (!p || !(flags & (kPlayGrid | kPlayBeat | kPlayMeasure)))
        return nowU_;
    const TimeSignature &ts = p->data->timeSig;
    std::int64_t unit = kTicksPerBeat * uPerTick_;
    if (flags & kPlayMeasure)
        unit *= std::max<int>(1, ts.beatsPerMeasure);
    else if (flags & kPlayGrid)
        unit /= std::max<int>(1, ts.gridsPerBeat);
    std::int64_t d = nowU_ - p->startU;
    if (d <= 0)
        return p->startU;
    return p->startU + ceilDiv(d, unit) * unit;
}

SegmentStatePtr Engine::play(const SegmentPtr &segment, std::uint32_t flags) {
    if (!segment)
        throw MusicError(ErrorCode::InvalidArgument, "no segment given to play");
    SegmentStatePtr state;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requireInit();
        Running r;
        r.data = segment->data().get();
        r.primary = !(flags & kPlaySecondary);
        if (r.primary) {
            for (std::size_t i = running_.size(); i-- > 0;)
                if (running_[i].primary)
                    finish(i, kSegmentAbort);
            r.startU = nowU_;
        } else {
            std::uint32_t boundary = flags & (kPlayGrid | kPlayBeat | kPlayMeasure);
            if (flags & kPlayDefault)
                boundary = segment->GetDefaultResolution();
            r.startU = boundaryAfterNow(boundary);
        }
        state = std::make_shared<SegmentState>(segment, nextStateId_++);
        r.state = state;
        r.loopsLeft = segment->GetRepeats();
        running_.push_back(std::move(r));
    }
    signalHandle();
    return state;
}

void Engine::stop(const Segment *segment, std::uint32_t flags) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requireInit();
        const bool primaryOnly = flags & kStopPrimary;
        for (std::size_t i = running_.size(); i-- > 0;) {
            const Running &r = running_[i];
            if (primaryOnly ? r.primary : !segment || r.state->GetSegment().get() == segment)
                finish(i, kSegmentAbort);
        }
    }
    signalHandle();
}

void Engine::setTempo(double bpm) {
    if (!(bpm >= 1 && bpm <= 1000))
        throw MusicError(ErrorCode::InvalidArgument, "tempo must be 1 to 1000 beats per minute");
    std::lock_guard<std::mutex> lock(mutex_);
    requireInit();
    setTempoLocked(bpm);
}

void Engine::setTempoLocked(double bpm) {
    anchorSample_ = now_;
    anchorU_ = nowU_;
    tempoMilli_ = std::max<std::int64_t>(1, std::llround(bpm * 1000.0));
}

double Engine::tempo() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<double>(tempoMilli_) / 1000.0;
}

AudioPathPtr Engine::audioPath() {
    std::lock_guard<std::mutex> lock(mutex_);
    requireInit();
    if (!audioPath_)
        audioPath_ = std::make_shared<AudioPath>(this);
    return audioPath_;
}

void Engine::setTap(std::function<void(const PlayedEvent &)> tap) {
    std::lock_guard<std::mutex> lock(mutex_);
    tap_ = std::move(tap);
}

std::int64_t Engine::sampleTime() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
}

void Engine::advance(std::int64_t frames, float *left, float *right) {
    if (frames < 0)
        throw MusicError(ErrorCode::InvalidArgument, "cannot move the clock backwards");
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requireInit();
        if (output_ != AudioOutput::Offline)
            throw MusicError(ErrorCode::WrongClock,
                             "the offline clock is only there on an offline performance");
        std::int64_t done = 0;
        while (done < frames) {
            std::int64_t n = std::min<std::int64_t>(frames - done, 4096);
            if (left && right) {
                std::fill(left + done, left + done + n, 0.0f);
                std::fill(right + done, right + done + n, 0.0f);
                process(n, left + done, right + done);
            } else {
                std::fill(scratch_.begin(), scratch_.end(), 0.0f);
                process(n, scratch_.data(), scratch_.data() + 4096);
            }
            done += n;
        }
    }
    signalHandle();
}

void Engine::checkInstruments(const std::vector<BandMember> &members) {
    std::lock_guard<std::mutex> lock(mutex_);
    requireInit();
    fluid_sfont_t *font = fluid_synth_get_sfont(synth_, 0);
    if (!font)
        throw MusicError(ErrorCode::NoSoundFont, "no SoundFont loaded");
    for (const auto &m : members) {
        int bank = m.channel == 9 ? 128 : m.bank;
        if (!fluid_sfont_get_preset(font, bank, m.program) &&
            !fluid_sfont_get_preset(font, bank == 128 ? 128 : 0, m.channel == 9 ? 0 : m.program))
            throw MusicError(ErrorCode::NotFound, "the SoundFont has no instrument for program " +
                                                      std::to_string(m.program + 1) + " (bank " +
                                                      std::to_string(bank) + ")");
    }
}

// ---------------------------------------------------------------- sequencer

std::int64_t Engine::posOf(std::int64_t sample) const {
    return anchorU_ + (sample - anchorSample_) * tempoMilli_ * kTicksPerBeat;
}

std::int64_t Engine::sampleOf(std::int64_t u) const {
    if (u <= anchorU_)
        return anchorSample_;
    return anchorSample_ + ceilDiv(u - anchorU_, tempoMilli_ * kTicksPerBeat);
}

bool Engine::nextItem(const Running &r, std::int64_t &u, int &priority) const {
    if (!r.started) {
        u = r.startU;
        priority = 0;
        return true;
    }
    const std::int64_t len = r.data->length;
    const std::int64_t loopBase = r.startU + r.loop * len * uPerTick_;
    u = loopBase + len * uPerTick_;
    priority = 4; // end of this pass
    if (r.cursor < r.events().size()) {
        const MidiEvent &e = r.events()[r.cursor];
        std::int64_t eu = loopBase + e.tick * uPerTick_;
        int p = e.kind == MidiEvent::NoteOff ? 1 : 3;
        if (eu < u || (eu == u && p < priority)) {
            u = eu;
            priority = p;
        }
    }
    if (r.primary && r.beat < r.beatsPerLoop * (r.loop + 1)) {
        std::int64_t bu = r.startU + r.beat * kTicksPerBeat * uPerTick_;
        if (bu < u || (bu == u && 2 < priority)) {
            u = bu;
            priority = 2;
        }
    }
    return true;
}

void Engine::runDue() {
    while (true) {
        std::size_t best = running_.size();
        std::int64_t bestU = std::numeric_limits<std::int64_t>::max();
        int bestP = 9;
        for (std::size_t i = 0; i < running_.size(); ++i) {
            std::int64_t u;
            int p;
            if (!nextItem(running_[i], u, p))
                continue;
            if (u > nowU_)
                continue;
            if (u < bestU || (u == bestU && p < bestP)) {
                best = i;
                bestU = u;
                bestP = p;
            }
        }
        if (best == running_.size())
            return;
        Running &r = running_[best];
        switch (bestP) {
        case 0:
            startState(r);
            break;
        case 1:
        case 3:
            send(r.events()[r.cursor], &r);
            ++r.cursor;
            break;
        case 2: {
            int bpm = std::max<int>(1, r.data->timeSig.beatsPerMeasure);
            notice(kNotifyMeasureAndBeat, 0, static_cast<std::int32_t>(r.beat % bpm),
                   static_cast<std::int32_t>(r.beat / bpm), r.state);
            ++r.beat;
            break;
        }
        default:
            if (r.loopsLeft > 0 && r.data->length > 0) {
                --r.loopsLeft;
                ++r.loop;
                r.cursor = 0;
            } else {
                finish(best, kSegmentEnd);
            }
            break;
        }
    }
}

void Engine::startState(Running &r) {
    r.started = true;
    r.state->setStartSample(now_);
    if (r.primary && r.data->kind == Segment::Kind::Composed) {
        setTempoLocked(r.data->tempo);
        r.beatsPerLoop =
            static_cast<std::int64_t>(r.data->measures) * r.data->timeSig.beatsPerMeasure;
    }
    if (r.data->kind == Segment::Kind::Motif)
        placeMotif(r);
    notice(kNotifySegment, kSegmentStart, 0, 0, r.state);
}

void Engine::placeMotif(Running &r) {
    const SegmentData &d = *r.data;
    const Running *p = primary();
    std::mt19937 rng(static_cast<std::uint32_t>(r.state->id() * 2654435761u));
    auto jitter = [&](int range) {
        return range > 0 ? std::uniform_int_distribution<int>(-range, range)(rng) : 0;
    };
    r.own.clear();
    for (const Part &part : d.motifParts) {
        int ht = part.humanTime >= 0 ? part.humanTime : d.humanTime;
        int hv = part.humanVelocity >= 0 ? part.humanVelocity : d.humanVelocity;
        for (const PatternNote &n : part.notes) {
            if (n.chance < 100 && std::uniform_int_distribution<int>(1, 100)(rng) > n.chance)
                continue;
            ChordContext chord = DefaultChord();
            if (p && p->data->kind == Segment::Kind::Composed) {
                std::int64_t at = (r.startU - p->startU) / uPerTick_ + n.start;
                chord = ChordAt(*p->data, at);
            }
            int key = ResolveKey(n, part, chord);
            std::int64_t on = std::max<std::int64_t>(0, n.start + jitter(ht));
            std::int64_t off = std::min<std::int64_t>(d.length, n.start + n.length);
            if (off <= on)
                continue;
            int vel = std::clamp(n.velocity + jitter(hv), 1, 127);
            r.own.push_back({on, MidiEvent::NoteOn, static_cast<std::uint8_t>(part.channel),
                             static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(vel)});
            r.own.push_back({off, MidiEvent::NoteOff, static_cast<std::uint8_t>(part.channel),
                             static_cast<std::uint8_t>(key), 0});
        }
    }
    std::stable_sort(r.own.begin(), r.own.end());
    r.cursor = 0;
}

void Engine::send(const MidiEvent &e, Running *r) {
    PlayedEvent pe{PlayedEvent::Kind::NoteOn, e.channel, e.data1, e.data2, now_,
                   r ? r->state->id() : 0};
    switch (e.kind) {
    case MidiEvent::NoteOn:
        fluid_synth_noteon(synth_, e.channel, e.data1, e.data2);
        if (r)
            r->sounding.emplace_back(e.channel, e.data1);
        break;
    case MidiEvent::NoteOff:
        pe.kind = PlayedEvent::Kind::NoteOff;
        fluid_synth_noteoff(synth_, e.channel, e.data1);
        if (r) {
            auto it = std::find(r->sounding.begin(), r->sounding.end(),
                                std::make_pair(e.channel, e.data1));
            if (it != r->sounding.end())
                r->sounding.erase(it);
        }
        break;
    case MidiEvent::Program:
        pe.kind = PlayedEvent::Kind::Program;
        if (e.channel != 9)
            fluid_synth_bank_select(synth_, e.channel, e.data2);
        fluid_synth_program_change(synth_, e.channel, e.data1);
        break;
    case MidiEvent::Control:
        pe.kind = PlayedEvent::Kind::Control;
        fluid_synth_cc(synth_, e.channel, e.data1, e.data2);
        break;
    }
    if (tap_)
        tap_(pe);
}

void Engine::silence(Running &r) {
    auto sounding = std::move(r.sounding);
    for (auto [ch, key] : sounding)
        send({0, MidiEvent::NoteOff, ch, key, 0}, nullptr);
    r.sounding.clear();
}

void Engine::finish(std::size_t index, std::uint32_t option) {
    Running r = std::move(running_[index]);
    running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(index));
    silence(r);
    notice(kNotifySegment, option, 0, 0, r.state);
}

void Engine::render(std::int64_t frames, float *left, float *right, std::int64_t offset) {
    if (frames <= 0 || output_ == AudioOutput::RealTimeSilent)
        return; // nobody hears it
    float *out[2] = {left + offset, right + offset};
    float *fx[4] = {out[0], out[1], out[0], out[1]};
    fluid_synth_process(synth_, static_cast<int>(frames), 4, fx, 2, out);
}

void Engine::process(std::int64_t frames, float *left, float *right) {
    const std::int64_t begin = now_;
    const std::int64_t end = now_ + frames;
    runDue();
    while (now_ < end) {
        std::int64_t next = end;
        for (const auto &r : running_) {
            std::int64_t u;
            int p;
            if (nextItem(r, u, p))
                next = std::min(next, sampleOf(u));
        }
        next = std::max(next, now_ + 1);
        render(next - now_, left, right, now_ - begin);
        now_ = next;
        nowU_ = posOf(now_);
        runDue();
    }
}

} // namespace detail

// ---------------------------------------------------------------- downloads

void Band::Download(Performance &performance) {
    if (!performance.engine())
        throw MusicError(ErrorCode::ClosedDown, "the performance is closed");
    performance.engine()->checkInstruments(data_->members);
    downloaded_ = true;
}

void Band::Unload(Performance &performance) {
    if (!performance.engine())
        throw MusicError(ErrorCode::ClosedDown, "the performance is closed");
    downloaded_ = false;
}

void Segment::Download(const AudioPathPtr &audioPath) {
    if (!audioPath)
        throw MusicError(ErrorCode::InvalidArgument, "no audio path given");
    if (!audioPath->engine())
        throw MusicError(ErrorCode::ClosedDown, "the audio path's performance is closed");
    audioPath->engine()->checkInstruments(data_->band);
    downloaded_.store(true);
}

// ---------------------------------------------------------------- performance

Performance::Performance() : engine_(std::make_unique<detail::Engine>()) {}
Performance::~Performance() = default;

void Performance::InitAudio(const AudioParams &params) {
    engine_->init(params);
}
AudioOutput Performance::audioOutput() const {
    return engine_->output();
}
std::string Performance::audioDriver() const {
    return engine_->driver();
}
std::string Performance::audioStatus() const {
    return engine_->status();
}
std::string Performance::audioStatusDetail() const {
    return engine_->statusDetail();
}
int Performance::sampleRate() const {
    return engine_->sampleRate();
}
void Performance::AddNotificationType(std::uint32_t type) {
    engine_->enableNotices(type, true);
}
void Performance::RemoveNotificationType(std::uint32_t type) {
    engine_->enableNotices(type, false);
}
void Performance::SetNotificationHandle(std::shared_ptr<NotificationEvent> handle) {
    engine_->setHandle(std::move(handle));
}
void Performance::SetMasterAutoDownload(bool) {
    // Every instrument of the SoundFont is loaded with it, so downloads
    // always happen by themselves; the call only checks the performance.
    if (engine_->closed())
        throw MusicError(ErrorCode::ClosedDown, "the performance has been closed down");
}
bool Performance::GetNotificationPMSG(NotificationPMSG &out) {
    return engine_->takeNotice(out);
}

bool Performance::IsPlaying(const SegmentPtr &segment, const SegmentStatePtr &state) const {
    return engine_->isPlaying(segment.get(), state.get());
}

SegmentStatePtr Performance::PlaySegmentEx(const SegmentPtr &segment, std::uint32_t flags,
                                           std::int64_t startTime) {
    if (startTime != 0)
        throw MusicError(ErrorCode::InvalidArgument, "segments start at time 0 (now) only");
    return engine_->play(segment, flags);
}

void Performance::StopEx(const SegmentPtr &segment, std::int64_t, std::uint32_t flags) {
    engine_->stop(segment.get(), flags);
}
void Performance::SendTempoPMSG(std::int64_t, std::uint32_t, double tempo) {
    engine_->setTempo(tempo);
}
double Performance::GetTempo() const {
    return engine_->tempo();
}
AudioPathPtr Performance::GetDefaultAudioPath() {
    return engine_->audioPath();
}
void Performance::CloseDown() {
    engine_->closeDown();
}
void Performance::AdvanceOffline(std::int64_t frames) {
    engine_->advance(frames, nullptr, nullptr);
}
void Performance::RenderOffline(float *left, float *right, std::int64_t frames) {
    if (!left || !right)
        throw MusicError(ErrorCode::InvalidArgument, "no buffers to render into");
    engine_->advance(frames, left, right);
}
std::int64_t Performance::GetSampleTime() const {
    return engine_->sampleTime();
}
void Performance::SetEventTap(std::function<void(const PlayedEvent &)> tap) {
    engine_->setTap(std::move(tap));
}

} // namespace lumbrast::music
