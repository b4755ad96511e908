// Offline rendering of a segment into a WAV, FLAC or Ogg Vorbis file.
#include "engine.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

namespace lumbrast::music {

namespace {

struct Container {
    int format;
    const char *name;
    std::int64_t maxFrames;
};

// The container for a file name, by its extension in any letter case.
Container containerFor(const std::string &path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.rfind('.');
    std::string ext;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        ext = path.substr(dot + 1);
    for (auto &c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    constexpr std::int64_t kUnlimited = std::numeric_limits<std::int64_t>::max();
    if (ext == "wav") // RF64 past 4 GiB, see below
        return {SF_FORMAT_WAV | SF_FORMAT_PCM_16, "WAV", kUnlimited};
    if (ext == "flac") // the stream header counts samples in 36 bits
        return {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "FLAC", (std::int64_t{1} << 36) - 1};
    if (ext == "ogg")
        return {SF_FORMAT_OGG | SF_FORMAT_VORBIS, "Ogg Vorbis", kUnlimited};
    throw MusicError(ErrorCode::WavWrite,
                     "cannot tell the audio format from the name; end it in .wav, .flac or .ogg",
                     path);
}

// Frames the segment plays for, with its repeats, at the tempo it plays at.
long double playedFrames(const Segment &segment, int rate) {
    const double bpm = segment.kind() == Segment::Kind::Composed ? segment.tempo() : 120.0;
    const long double beats = static_cast<long double>(segment.GetLength()) *
                              (1.0L + segment.GetRepeats()) / kTicksPerBeat;
    return std::ceil(beats * 60.0L * rate / bpm);
}

// Every container gets the same 16-bit samples, so a FLAC decodes to the WAV.
short pcm16(float v) {
    return static_cast<short>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
}

struct SndCloser {
    void operator()(SNDFILE *f) const { sf_close(f); }
};

} // namespace

RenderResult RenderSegmentOffline(
    const SegmentPtr &segment, const AudioParams &params, double tailSeconds,
    const SegmentPtr &band,
    const std::function<void(const float *left, const float *right, std::int64_t frames)> &sink) {
    if (!segment)
        throw MusicError(ErrorCode::InvalidArgument, "no segment to render");
    AudioParams p = params;
    p.output = AudioOutput::Offline;
    Performance perf;
    perf.InitAudio(p);
    if (band) {
        band->Download(perf.GetDefaultAudioPath());
        perf.PlaySegmentEx(band, kPlaySecondary, 0);
    }
    perf.PlaySegmentEx(segment, 0);

    constexpr std::int64_t kBlock = 4096;
    std::vector<float> left(kBlock), right(kBlock);
    RenderResult result;
    double sumSquares = 0;
    std::int64_t tailLeft =
        static_cast<std::int64_t>(std::max(0.0, tailSeconds) * std::max(p.sampleRate, 0));
    bool playing = true;
    while (playing || tailLeft > 0) {
        std::int64_t n = kBlock;
        if (!playing) {
            n = std::min(n, tailLeft);
            tailLeft -= n;
        }
        perf.RenderOffline(left.data(), right.data(), n);
        for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
            const float l = left[i], r = right[i];
            result.peak = std::max({result.peak, std::fabs(l), std::fabs(r)});
            sumSquares += static_cast<double>(l) * l + static_cast<double>(r) * r;
        }
        sink(left.data(), right.data(), n);
        result.frames += n;
        if (playing)
            playing = perf.IsPlaying(segment);
    }
    result.rms = result.frames > 0
                     ? std::sqrt(sumSquares / (2.0 * static_cast<double>(result.frames)))
                     : 0.0;
    result.limitedDb = perf.engine()->master().limitedDb();
    return result;
}

RenderResult RenderSegmentToWav(const SegmentPtr &segment, const std::string &path,
                                const AudioParams &params, double tailSeconds,
                                const SegmentPtr &band) {
    if (!segment)
        throw MusicError(ErrorCode::InvalidArgument, "no segment to render");
    Container container = containerFor(path);
    const int rate = std::max(params.sampleRate, 0);
    const auto tail = static_cast<std::int64_t>(std::max(0.0, tailSeconds) * rate);
    // Refused before the file is touched, so nothing already there is lost.
    if (playedFrames(*segment, rate) + tail > container.maxFrames)
        throw MusicError(ErrorCode::WavWrite,
                         std::string("the music is too long for a ") + container.name +
                             " file; render fewer measures or choose .wav",
                         path);
    // Rendering stops at the first block after the end: allow for one more,
    // and for the header, before a 32-bit WAV size field overflows.
    constexpr std::int64_t kBlock = 4096;
    if ((container.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV &&
        (playedFrames(*segment, rate) + tail + kBlock) * 4 + 4096 > 0xFFFFFFFFLL)
        container.format = SF_FORMAT_RF64 | SF_FORMAT_PCM_16;

    // Opened at the first block, once the synthesiser is ready.
    std::unique_ptr<SNDFILE, SndCloser> f;
    std::vector<short> frames(2 * kBlock);
    RenderResult result = RenderSegmentOffline(
        segment, params, tailSeconds, band,
        [&](const float *left, const float *right, std::int64_t n) {
            if (!f) {
                SF_INFO info{};
                info.samplerate = rate;
                info.channels = 2;
                info.format = container.format;
                f.reset(sf_open(path.c_str(), SFM_WRITE, &info));
                if (!f)
                    throw MusicError(ErrorCode::WavWrite,
                                     std::string("cannot write the file: ") + sf_strerror(nullptr),
                                     path);
            }
            for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
                frames[2 * i] = pcm16(left[i]);
                frames[2 * i + 1] = pcm16(right[i]);
            }
            if (sf_writef_short(f.get(), frames.data(), n) != n)
                throw MusicError(ErrorCode::WavWrite,
                                 std::string("cannot write the file: ") + sf_strerror(f.get()),
                                 path);
        });
    if (sf_close(f.release()) != 0)
        throw MusicError(ErrorCode::WavWrite, "cannot finish the file", path);
    return result;
}

} // namespace lumbrast::music
