// The performance: its public face, and the engine's controls behind it.
#include "engine.h"

namespace lumbrast::music {

namespace detail {

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
        if (r.primary && !r.deferred)
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
    // A primary starts at once, so it never lies ahead of now.
    return p->startU + ceilDiv(nowU_ - p->startU, unit) * unit;
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
        if (r.primary && (flags & (kPlayQueue | kPlayGrid | kPlayBeat | kPlayMeasure)) &&
            primary()) {
            placeDeferred(r, flags);
        } else if (r.primary) {
            for (std::size_t i = running_.size(); i-- > 0;)
                if (running_[i].primary)
                    finish(i, kSegmentAbort);
            r.startU = nowU_;
            if (r.data->kind == Segment::Kind::Composed)
                master_.setTarget(r.data->loudness, r.data->energyMean);
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
    tempoMilli_ = std::llround(bpm * 1000.0); // 1 to 1000 bpm, checked by callers
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
                master_.process(left + done, right + done, n);
            } else { // the sound is not wanted: no need to clear it first
                process(n, scratch_.data(), scratch_.data() + 4096);
            }
            done += n;
        }
    }
    signalHandle();
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
void Performance::EndAfterPass(const SegmentStatePtr &state) {
    engine_->endAfterPass(state.get());
}
Performance::PrimaryPosition Performance::PlayingPrimary(std::uint32_t boundary) const {
    return engine_->playingPrimary(boundary);
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
