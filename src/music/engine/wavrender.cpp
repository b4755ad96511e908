// Offline rendering of a segment into a 16-bit stereo WAV file.
#include "musicservice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace lumbrast::music {

namespace {

void put16(unsigned char *p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void put32(unsigned char *p, std::uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

void header(unsigned char *h, std::uint32_t rate, std::uint32_t frames) {
    std::uint32_t dataBytes = frames * 4;
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1); // PCM
    put16(h + 22, 2);
    put32(h + 24, rate);
    put32(h + 28, rate * 4);
    put16(h + 32, 4);
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);
}

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};

} // namespace

RenderResult RenderSegmentToWav(const SegmentPtr &segment, const std::string &wavPath,
                                const AudioParams &params, double tailSeconds) {
    if (!segment)
        throw MusicError(ErrorCode::InvalidArgument, "no segment to render");
    AudioParams p = params;
    p.output = AudioOutput::Offline;
    Performance perf;
    perf.InitAudio(p);
    perf.PlaySegmentEx(segment, 0);

    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(wavPath.c_str(), "wb"));
    if (!f)
        throw MusicError(ErrorCode::WavWrite, "cannot write the file", wavPath);
    unsigned char h[44];
    header(h, static_cast<std::uint32_t>(p.sampleRate), 0);
    std::fwrite(h, 1, sizeof h, f.get());

    constexpr std::int64_t kBlock = 4096;
    std::vector<float> left(kBlock), right(kBlock);
    std::vector<unsigned char> pcm(kBlock * 4);
    RenderResult result;
    double sumSquares = 0;
    std::int64_t tailLeft = static_cast<std::int64_t>(std::max(0.0, tailSeconds) * p.sampleRate);
    const std::int64_t maxFrames = 0x7FFFFFFF / 4 - kBlock; // stay inside a WAV file's size field
    bool playing = true;
    while (playing || tailLeft > 0) {
        std::int64_t n = kBlock;
        if (!playing) {
            n = std::min(n, tailLeft);
            tailLeft -= n;
        }
        perf.RenderOffline(left.data(), right.data(), n);
        for (std::int64_t i = 0; i < n; ++i) {
            float l = left[static_cast<std::size_t>(i)], r = right[static_cast<std::size_t>(i)];
            result.peak = std::max({result.peak, std::fabs(l), std::fabs(r)});
            sumSquares += static_cast<double>(l) * l + static_cast<double>(r) * r;
            auto q = [](float v) {
                return static_cast<std::uint32_t>(
                    static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f)));
            };
            put16(&pcm[static_cast<std::size_t>(i) * 4], q(l) & 0xFFFF);
            put16(&pcm[static_cast<std::size_t>(i) * 4 + 2], q(r) & 0xFFFF);
        }
        if (std::fwrite(pcm.data(), 4, static_cast<std::size_t>(n), f.get()) !=
            static_cast<std::size_t>(n))
            throw MusicError(ErrorCode::WavWrite, "cannot write the file (disk full?)", wavPath);
        result.frames += n;
        if (playing)
            playing = perf.IsPlaying(segment) && result.frames < maxFrames;
        if (result.frames >= maxFrames)
            tailLeft = 0;
    }
    header(h, static_cast<std::uint32_t>(p.sampleRate), static_cast<std::uint32_t>(result.frames));
    if (std::fseek(f.get(), 0, SEEK_SET) != 0 || std::fwrite(h, 1, sizeof h, f.get()) != sizeof h)
        throw MusicError(ErrorCode::WavWrite, "cannot write the file header", wavPath);
    if (std::fclose(f.release()) != 0)
        throw MusicError(ErrorCode::WavWrite, "cannot finish the file", wavPath);
    result.rms = result.frames > 0
                     ? std::sqrt(sumSquares / (2.0 * static_cast<double>(result.frames)))
                     : 0.0;
    return result;
}

} // namespace lumbrast::music
