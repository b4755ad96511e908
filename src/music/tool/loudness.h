// EBU R128 measurement of rendered music through libebur128.
#pragma once

#include "analyze.h"
#include "musicservice.h"

#include <ebur128.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace lumbrast::music::tool {

class LoudnessMeter {
public:
    explicit LoudnessMeter(int sampleRate);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter &) = delete;
    LoudnessMeter &operator=(const LoudnessMeter &) = delete;

    void add(const float *left, const float *right, std::size_t frames);
    Loudness result() const;

private:
    ebur128_state *state_ = nullptr;
    std::vector<float> interleaved_;
};

// Renders the segment offline, with `band` applied first, and measures it.
Loudness MeasureRender(const SegmentPtr &segment, const SegmentPtr &band, const AudioParams &params,
                       double tailSeconds = 2.0);

} // namespace lumbrast::music::tool
