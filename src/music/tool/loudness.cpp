// Loudness and true peak of rendered music, measured with libebur128.
#include "loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace lumbrast::music::tool {

LoudnessMeter::LoudnessMeter(int sampleRate)
    : state_(ebur128_init(2, static_cast<unsigned long>(sampleRate),
                          EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK)) {
    if (!state_)
        throw MusicError(ErrorCode::InvalidArgument, "cannot set up the loudness meter");
}

LoudnessMeter::~LoudnessMeter() {
    ebur128_destroy(&state_);
}

void LoudnessMeter::add(const float *left, const float *right, std::size_t frames) {
    interleaved_.resize(2 * frames);
    for (std::size_t i = 0; i < frames; ++i) {
        interleaved_[2 * i] = left[i];
        interleaved_[2 * i + 1] = right[i];
    }
    ebur128_add_frames_float(state_, interleaved_.data(), frames);
}

Loudness LoudnessMeter::result() const {
    Loudness l;
    double lufs = -HUGE_VAL;
    ebur128_loudness_global(state_, &lufs);
    l.lufs = std::isfinite(lufs) ? lufs : -200.0;
    double peak = 0;
    for (unsigned ch = 0; ch < 2; ++ch) {
        double p = 0;
        ebur128_true_peak(state_, ch, &p);
        peak = std::max(peak, p);
    }
    l.truePeakDb = peak > 0 ? 20 * std::log10(peak) : -200.0;
    return l;
}

Loudness MeasureRender(const SegmentPtr &segment, const SegmentPtr &band, const AudioParams &params,
                       double tailSeconds) {
    LoudnessMeter meter(params.sampleRate);
    RenderSegmentOffline(segment, params, tailSeconds, band,
                         [&](const float *left, const float *right, std::int64_t frames) {
                             meter.add(left, right, static_cast<std::size_t>(frames));
                         });
    return meter.result();
}

} // namespace lumbrast::music::tool
