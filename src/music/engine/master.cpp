// Loudness follower and true-peak limiter of the master output.
#include "master.h"

#include <algorithm>
#include <cmath>

namespace lumbrast::music::detail {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kAbsoluteGate = -70; // LUFS
constexpr double kMaxSlewDb = 0.25;   // per 100 ms step, once the first block is in
// The limiter aims a little under the ceiling: its 4x estimate of the peak
// between samples can fall short of a finer one by a few tenths of a dB.
constexpr double kMarginDb = 0.4;
constexpr double kMakeUpDb = 3;   // most the follower adds for what the limiter took
constexpr double kRecent = 0.975; // per 100 ms: the calibration's memory fades over about 4 s

double loudnessOf(double power) {
    return -0.691 + 10 * std::log10(power);
}

} // namespace

void MasterBus::init(int sampleRate) {
    rate_ = sampleRate;
    const double fs = sampleRate;
    // K-weighting: a high shelf of +4 dB above about 1.7 kHz, then a high pass near 38 Hz.
    {
        const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
        const double k = std::tan(kPi * f0 / fs);
        const double vh = std::pow(10.0, gainDb / 20), vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1 + k / q + k * k;
        shelf_.b0 = (vh + vb * k / q + k * k) / a0;
        shelf_.b1 = 2 * (k * k - vh) / a0;
        shelf_.b2 = (vh - vb * k / q + k * k) / a0;
        shelf_.a1 = 2 * (k * k - 1) / a0;
        shelf_.a2 = (1 - k / q + k * k) / a0;
    }
    {
        const double f0 = 38.13547087602444, q = 0.5003270373238773;
        const double k = std::tan(kPi * f0 / fs);
        const double a0 = 1 + k / q + k * k;
        highPass_.b0 = 1;
        highPass_.b1 = -2;
        highPass_.b2 = 1;
        highPass_.a1 = 2 * (k * k - 1) / a0;
        highPass_.a2 = (1 - k / q + k * k) / a0;
    }
    stepLength_ = std::max(1, sampleRate / 10);
    gainSmoothing_ = 1 - std::exp(-1 / (0.05 * fs));

    // Windowed sinc between the 4th and 5th of 8 samples, at quarter steps.
    ceiling_ = std::pow(10.0, (kCeilingDb - kMarginDb) / 20);
    reach_ = 0;
    for (std::size_t p = 0; p < kPhases; ++p) {
        const double f = static_cast<double>(p + 1) / 4;
        std::array<double, kTaps> taps{};
        double sum = 0, reach = 0;
        for (std::size_t i = 0; i < kTaps; ++i) {
            const double u = 3 + f - static_cast<double>(i);
            taps[i] = std::sin(kPi * u) / (kPi * u) * 0.5 * (1 + std::cos(kPi * u / 4));
            sum += taps[i];
        }
        for (std::size_t i = 0; i < kTaps; ++i) {
            phase_[p][i] = static_cast<float>(taps[i] / sum);
            reach += std::fabs(phase_[p][i]);
        }
        reach_ = std::max(reach_, static_cast<float>(reach));
    }
    lookAhead_ = std::max(8, static_cast<int>(sampleRate * 0.0015));
    release_ = 1 - std::exp(-1 / (0.15 * fs));
    // Rings of a power of two, so positions wrap with a mask.
    std::size_t ring = 1;
    while (ring < static_cast<std::size_t>(lookAhead_) + 8)
        ring <<= 1;
    ringMask_ = ring - 1;
    minValue_.assign(ring, 1.0);
    minIndex_.assign(ring, 0);
    minHead_ = minSize_ = 0;
    average_.assign(static_cast<std::size_t>(lookAhead_), 1.0);
    averageSum_ = lookAhead_;
    averageSlot_ = 0;
    held_ = 1;
    deepest_ = 1;
    delayL_.assign(ring, 0.0f);
    delayR_.assign(delayL_.size(), 0.0f);
    history_ = {};
    newest_ = 0;
    n_ = 0;
    setTarget(0);
}

void MasterBus::setTarget(double lufs, double energyMean) {
    jump_ = lufs != target_ || jump_;
    target_ = lufs;
    energyMean_ = energyMean;
    stepFill_ = 0;
    stepPower_ = 0;
    stepEnergy_ = 0;
    stepInto_ = stepOut_ = 0;
    stepsSeen_ = 0;
    binCount_.fill(0);
    binPower_.fill(0);
    binEnergy_.fill(0);
    recentPower_ = recentEnergy_ = 0;
    binInto_.fill(0);
    binOut_.fill(0);
    if (lufs == 0) {
        gainDb_ = 0;
        gainWanted_ = 1;
    }
}

void MasterBus::measure(double kl, double kr) {
    stepPower_ += kl * kl + kr * kr;
    stepEnergy_ += energy_;
    if (++stepFill_ == stepLength_)
        endOfStep();
}

// A gating block (400 ms) ends every 100 ms: into the histogram with it, and
// the gain follows the integrated loudness so far (EBU R128 gating).
void MasterBus::endOfStep() {
    const auto slot = static_cast<std::size_t>(stepsSeen_++ % 4);
    steps_[slot] = stepPower_ / static_cast<double>(stepLength_);
    stepEnergies_[slot] = stepEnergy_ / static_cast<double>(stepLength_);
    stepsInto_[slot] = stepInto_;
    stepsOut_[slot] = stepOut_;
    stepFill_ = 0;
    stepPower_ = 0;
    stepEnergy_ = 0;
    stepInto_ = stepOut_ = 0;
    if (stepsSeen_ < 4)
        return;
    const double power = (steps_[0] + steps_[1] + steps_[2] + steps_[3]) / 4;
    const double energy =
        (stepEnergies_[0] + stepEnergies_[1] + stepEnergies_[2] + stepEnergies_[3]) / 4;
    if (!(power > 0) || loudnessOf(power) <= kAbsoluteGate)
        return;
    const int bin =
        std::clamp(static_cast<int>((loudnessOf(power) - kAbsoluteGate) * 10), 0, kBins - 1);
    ++binCount_[static_cast<std::size_t>(bin)];
    binPower_[static_cast<std::size_t>(bin)] += power;
    binEnergy_[static_cast<std::size_t>(bin)] += energy;
    for (std::size_t i = 0; i < 4; ++i) {
        binInto_[static_cast<std::size_t>(bin)] += stepsInto_[i];
        binOut_[static_cast<std::size_t>(bin)] += stepsOut_[i];
    }

    double sum = 0, count = 0;
    for (int i = 0; i < kBins; ++i) {
        sum += binPower_[static_cast<std::size_t>(i)];
        count += binCount_[static_cast<std::size_t>(i)];
    }
    const double relativeGate = loudnessOf(sum / count) - 10;
    const int first =
        std::clamp(static_cast<int>(std::ceil((relativeGate - kAbsoluteGate) * 10)), 0, kBins - 1);
    double energySum = 0, into = 0, out = 0;
    sum = count = 0;
    for (int i = first; i < kBins; ++i) {
        sum += binPower_[static_cast<std::size_t>(i)];
        energySum += binEnergy_[static_cast<std::size_t>(i)];
        into += binInto_[static_cast<std::size_t>(i)];
        out += binOut_[static_cast<std::size_t>(i)];
        count += binCount_[static_cast<std::size_t>(i)];
    }
    if (count == 0)
        return;
    if (loudnessOf(power) > relativeGate) {
        recentPower_ = recentPower_ * kRecent + power;
        recentEnergy_ = recentEnergy_ * kRecent + energy;
    }
    // Loudness heard so far, moved by how much more or less power the whole
    // piece is expected to have than the part heard. How loud the synthesiser
    // plays a unit of expected power is taken from the last seconds, as
    // instruments come and go.
    double piece = loudnessOf(sum / count);
    if (energyMean_ > 0 && recentEnergy_ > 0 && recentPower_ > 0)
        piece = loudnessOf(recentPower_ * energyMean_ / recentEnergy_);
    else if (energyMean_ > 0 && energySum > 0)
        piece += 10 * std::log10(energyMean_ * count / energySum);
    // The limiter's cut is made up for, up to a point: past it, more gain only
    // squashes the music.
    if (into > 0 && out > 0)
        piece += std::max(-kMakeUpDb, 10 * std::log10(out / into));
    const double wanted = std::clamp(target_ - piece, -30.0, 20.0);
    gainDb_ = jump_ ? wanted : gainDb_ + std::clamp(wanted - gainDb_, -kMaxSlewDb, kMaxSlewDb);
    jump_ = false;
    gainWanted_ = std::pow(10.0, gainDb_ / 20);
}

// Takes one sample pair in, gives the pair from lookAhead_ + 2 samples ago,
// scaled so that its peak between samples stays under the ceiling.
void MasterBus::limit(float l, float r, float &outL, float &outR) {
    const double ceiling = ceiling_;
    float peak = 0;
    newest_ = (newest_ + 1) % kTaps;
    const auto ceilingF = static_cast<float>(ceiling);
    for (std::size_t ch = 0; ch < 2; ++ch) {
        auto &h = history_[ch];
        h[static_cast<std::size_t>(newest_)] = h[static_cast<std::size_t>(newest_ + kTaps)] =
            ch == 0 ? l : r;
        const float *w = h.data() + newest_ + 1; // oldest first
        float most = 0;
        for (std::size_t i = 0; i < kTaps; ++i)
            most = std::max(most, std::fabs(w[i]));
        peak = std::max(peak, std::fabs(w[4]));
        if (most * reach_ <= ceilingF)
            continue; // nothing between these samples can reach the ceiling
        for (const auto &taps : phase_) {
            float v = 0;
            for (std::size_t i = 0; i < kTaps; ++i)
                v += w[i] * taps[i];
            peak = std::max(peak, std::fabs(v));
        }
    }
    const double need = peak > ceiling ? ceiling / peak : 1.0;

    // Smallest need over the last lookAhead_ samples.
    while (minSize_ > 0 && minValue_[(minHead_ + minSize_ - 1) & ringMask_] >= need)
        --minSize_;
    minValue_[(minHead_ + minSize_) & ringMask_] = need;
    minIndex_[(minHead_ + minSize_) & ringMask_] = n_;
    ++minSize_;
    while (minIndex_[minHead_] <= n_ - lookAhead_) {
        minHead_ = (minHead_ + 1) & ringMask_;
        --minSize_;
    }
    held_ = std::min(minValue_[minHead_], held_ + (1 - held_) * release_);
    // Averaging the held gain over the look-ahead ramps it down before each
    // peak and never rises above what any sample in reach needs.
    averageSum_ += held_ - average_[averageSlot_];
    average_[averageSlot_] = held_;
    if (++averageSlot_ == average_.size())
        averageSlot_ = 0;
    const auto gain = static_cast<float>(averageSum_ / lookAhead_);
    deepest_ = std::min(deepest_, gain);

    const auto in = static_cast<std::size_t>(n_) & ringMask_;
    delayL_[in] = l;
    delayR_[in] = r;
    const auto out = static_cast<std::size_t>(n_ - lookAhead_ - 2) & ringMask_;
    ++n_;
    const auto clip = static_cast<float>(ceiling);
    outL = std::clamp(delayL_[out] * gain, -clip, clip);
    outR = std::clamp(delayR_[out] * gain, -clip, clip);
}

double MasterBus::limitedDb() const {
    return deepest_ < 1 ? 20 * std::log10(static_cast<double>(deepest_)) : 0.0;
}

void MasterBus::process(float *left, float *right, std::int64_t frames) {
    for (std::int64_t i = 0; i < frames; ++i) {
        if (target_ != 0)
            measure(highPass_.run(shelf_.run(left[i], 0), 0),
                    highPass_.run(shelf_.run(right[i], 1), 1));
        gain_ += (gainWanted_ - gain_) * gainSmoothing_;
        const auto l = static_cast<float>(left[i] * gain_);
        const auto r = static_cast<float>(right[i] * gain_);
        limit(l, r, left[i], right[i]);
        if (target_ != 0) {
            stepInto_ += static_cast<double>(l) * l + static_cast<double>(r) * r;
            stepOut_ +=
                static_cast<double>(left[i]) * left[i] + static_cast<double>(right[i]) * right[i];
        }
    }
}

} // namespace lumbrast::music::detail
