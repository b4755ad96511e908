// The engine's outer side: the synthesiser, the audio device or the silent
// clock that drives it, and shutting them down.
#include "engine.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

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

} // namespace

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
    // Past 32 voices the quietest releasing ones give way: dense styles with
    // long string releases otherwise spend most of the time on inaudible tails.
    fluid_settings_setint(settings_, "synth.polyphony", 32);
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
    master_.init(rate_);
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
        master_.process(out[0], out[1], len);
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

} // namespace detail

} // namespace lumbrast::music
