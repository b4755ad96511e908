// The master output: a loudness follower that brings the music to its
// style's target, then a look-ahead limiter that keeps true peaks under
// -1 dBTP. Both run on the audio thread: process() never allocates or locks.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace lumbrast::music::detail {

class MasterBus {
public:
    static constexpr double kCeilingDb = -1.0; // true peak the output never exceeds

    // Sizes the buffers for the sample rate; call before process, off the audio thread.
    void init(int sampleRate);
    // Integrated loudness (LUFS) to aim for, 0 for none (unity gain). Starts a
    // fresh measurement; the gain moves on from where it is when the target stays.
    // `energyMean` (0: unknown) is the music's expected power over the whole
    // piece, in the units of expect().
    void setTarget(double lufs, double energyMean = 0);
    // The expected power of what plays now (see SegmentData::energy). With it
    // the follower learns how loud the synthesiser plays that power and aims the
    // whole piece at the target, not only what was heard so far: a piece that
    // grows louder is not left too loud at its end.
    void expect(double energy) { energy_ = energy; }
    void process(float *left, float *right, std::int64_t frames);

    double gainDb() const { return gainDb_; }
    // Deepest cut the limiter made since init, in dB (0: none).
    double limitedDb() const;

private:
    static constexpr int kTaps = 8;    // taps of the true-peak interpolator
    static constexpr int kPhases = 3;  // points between two samples (4x oversampling)
    static constexpr int kBins = 1000; // loudness histogram: 0.1 LU from -70 LUFS

    struct Biquad {
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
        double z1[2] = {0, 0}, z2[2] = {0, 0};
        double run(double x, int ch) {
            const double y = b0 * x + z1[ch];
            z1[ch] = b1 * x - a1 * y + z2[ch];
            z2[ch] = b2 * x - a2 * y;
            return y;
        }
    };

    void measure(double kl, double kr);
    void endOfStep();
    void limit(float l, float r, float &outL, float &outR);

    int rate_ = 44100;
    double target_ = 0;
    // Follower: K-weighted power in steps of 100 ms, blocks of four steps.
    Biquad shelf_, highPass_;
    std::int64_t stepLength_ = 4410, stepFill_ = 0;
    double stepPower_ = 0, stepEnergy_ = 0;
    std::array<double, 4> steps_{}, stepEnergies_{};
    double energy_ = 0, energyMean_ = 0;
    double recentPower_ = 0, recentEnergy_ = 0; // blocks above the gate, fading
    std::array<double, kBins> binEnergy_{};
    // What the limiter takes away: power into and out of it, per step and per bin.
    double stepInto_ = 0, stepOut_ = 0;
    std::array<double, 4> stepsInto_{}, stepsOut_{};
    std::array<double, kBins> binInto_{}, binOut_{};
    int stepsSeen_ = 0;
    std::array<std::uint32_t, kBins> binCount_{};
    std::array<double, kBins> binPower_{};
    bool jump_ = true; // the first measurement sets the gain at once
    double gainDb_ = 0;
    double gain_ = 1, gainWanted_ = 1, gainSmoothing_ = 0.001;

    // Limiter: interpolator history, gain needed per sample, its running
    // minimum (a monotonic queue), release, moving average and delayed audio.
    std::array<std::array<float, kTaps>, kPhases> phase_{};
    double ceiling_ = 1; // what the limiter aims for, linear
    float reach_ = 1;    // largest sum of |taps|: no point between samples lies further out
    // Each sample is kept twice, so the last kTaps always lie side by side.
    std::array<std::array<float, 2 * kTaps>, 2> history_{};
    int newest_ = 0;
    int lookAhead_ = 64;
    double release_ = 0.0001;
    std::vector<double> minValue_;
    std::vector<std::int64_t> minIndex_;
    std::size_t minHead_ = 0, minSize_ = 0, ringMask_ = 0;
    double held_ = 1;
    float deepest_ = 1;
    std::vector<double> average_;
    double averageSum_ = 0;
    std::size_t averageSlot_ = 0;
    std::vector<float> delayL_, delayR_;
    std::int64_t n_ = 0; // samples seen
};

} // namespace lumbrast::music::detail
