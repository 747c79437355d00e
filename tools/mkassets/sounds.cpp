// The sound generators. Samples are worked out as doubles and turned into
// 16-bit PCM at the end, scaled to a chosen peak.
//
// The looping sounds (wind, brook) are made as one lap of a periodic signal:
// their slow swells complete whole cycles per lap, bubbles that run past the
// end wrap round to the start, and every filter is run over two laps with
// only the second kept, so the filter's state where the lap ends is the state
// it starts from. Played in a loop, the seam cannot be heard.
#include "assets.h"
#include "rng.h"

#include <algorithm>
#include <cmath>

namespace {

const double kTwoPi = 6.283185307179586;

size_t sampleCount(double seconds, int rate)
{
    if (!(seconds > 0) || rate <= 0)
        return 0;
    return static_cast<size_t>(std::lround(seconds * rate));
}

// Scales `wave` so that its largest magnitude becomes `peak` (0..1 of full
// scale) and rounds it to 16-bit samples.
std::vector<int16_t> toPcm(const std::vector<double>& wave, double peak)
{
    double largest = 0;
    for (double v : wave)
        largest = std::max(largest, std::fabs(v));
    const double gain = largest > 0 ? peak * 32767.0 / largest : 0;
    std::vector<int16_t> out(wave.size());
    for (size_t i = 0; i < wave.size(); ++i)
        out[i] = static_cast<int16_t>(std::lround(std::clamp(wave[i] * gain, -32767.0, 32767.0)));
    return out;
}

std::vector<double> whiteNoise(size_t n, Rng& rng)
{
    std::vector<double> out(n);
    for (double& v : out)
        v = rng.range(-1.0, 1.0);
    return out;
}

// A sum of sines over the loop's phase p (0..1) with whole cycle counts, so
// it is periodic over one lap; each term is (cycles, weight, phase).
struct Swell {
    double cycles, weight, phase;
};

double swellAt(const std::vector<Swell>& terms, double p)
{
    double v = 0;
    for (const Swell& t : terms)
        v += t.weight * std::sin(kTwoPi * (t.cycles * p + t.phase));
    return v;
}

// Band-pass of `in` treated as one lap of a loop (state variable filter),
// its centre frequency per sample given by `centre` (Hz), `damping` about 1/Q.
std::vector<double> loopBandPass(const std::vector<double>& in, const std::vector<double>& centre,
                                 double damping, int rate)
{
    std::vector<double> out(in.size());
    double low = 0, band = 0;
    for (int lap = 0; lap < 2; ++lap)
        for (size_t i = 0; i < in.size(); ++i) {
            const double f = 2 * std::sin(kTwoPi * 0.5 * centre[i] / rate);
            low += f * band;
            const double high = in[i] - low - damping * band;
            band += f * high;
            out[i] = band;
        }
    return out;
}

// One-pole low-pass of `in` treated as one lap of a loop.
std::vector<double> loopLowPass(const std::vector<double>& in, double cutoff, int rate)
{
    const double a = 1 - std::exp(-kTwoPi * cutoff / rate);
    std::vector<double> out(in.size());
    double y = 0;
    for (int lap = 0; lap < 2; ++lap)
        for (size_t i = 0; i < in.size(); ++i) {
            y += a * (in[i] - y);
            out[i] = y;
        }
    return out;
}

// Adds one bubble at sample `start`: a short sine whose pitch rises as it
// dies away, the way a small air pocket rings as it bursts. Wraps past the end.
void addBubble(std::vector<double>& wave, size_t start, double hz, double seconds, double level, int rate)
{
    const size_t n = sampleCount(seconds, rate);
    const double attack = 0.001 * rate;
    double phase = 0;
    for (size_t j = 0; j < n; ++j) {
        const double t = static_cast<double>(j) / n;
        phase += kTwoPi * hz * (1 + 0.7 * t) / rate;
        const double envelope = std::min(1.0, j / attack) * std::exp(-4.0 * t) * (1 - t);
        wave[(start + j) % wave.size()] += level * envelope * std::sin(phase);
    }
}

} // namespace

std::vector<int16_t> makeTone(double hz, double seconds, int rate)
{
    std::vector<int16_t> out(sampleCount(seconds, rate));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>(std::lround(16384 * std::sin(kTwoPi * hz * i / rate)));
    return out;
}

std::vector<int16_t> makeBell(double hz, double seconds, int rate)
{
    // Overtones of a small bell relative to its strike note: (ratio, level,
    // decay time in seconds). Two close partials near the strike note beat
    // slowly against each other, which gives the ring its shimmer.
    struct Partial {
        double ratio, level, decay;
    };
    const Partial partials[] = {
        {0.50, 0.30, 0.70}, {1.00, 1.00, 0.45}, {1.004, 0.45, 0.40}, {1.19, 0.45, 0.32},
        {1.50, 0.30, 0.26}, {2.00, 0.38, 0.20}, {2.52, 0.20, 0.14}, {3.01, 0.14, 0.10},
        {4.07, 0.08, 0.06},
    };
    std::vector<double> wave(sampleCount(seconds, rate));
    const double attack = 0.002 * rate;
    const double fadeStart = 0.9 * wave.size();
    for (size_t i = 0; i < wave.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0;
        for (const Partial& p : partials)
            v += p.level * std::exp(-t / p.decay) * std::sin(kTwoPi * hz * p.ratio * t);
        const double fade = i < fadeStart ? 1.0 : (wave.size() - 1.0 - i) / (wave.size() - 1.0 - fadeStart);
        wave[i] = v * std::min(1.0, i / attack) * std::max(0.0, fade);
    }
    return toPcm(wave, 0.7);
}

std::vector<int16_t> makeWind(double seconds, int rate, uint32_t seed)
{
    const size_t n = sampleCount(seconds, rate);
    if (n == 0)
        return {};
    Rng rng(seed);
    const std::vector<Swell> gusts = {
        {2, 0.25, rng.unit()}, {3, 0.15, rng.unit()}, {5, 0.07, rng.unit()}, {9, 0.03, rng.unit()}};

    // Loudness 0.1..1 per sample; the whistle rises with it as gusts blow harder.
    std::vector<double> loudness(n), centre(n);
    for (size_t i = 0; i < n; ++i) {
        loudness[i] = 0.55 + swellAt(gusts, static_cast<double>(i) / n);
        centre[i] = 260 + 520 * std::pow(loudness[i], 1.5);
    }
    const std::vector<double> noise = whiteNoise(n, rng);
    const std::vector<double> whistle = loopBandPass(noise, centre, 0.6, rate);
    const std::vector<double> rumble = loopLowPass(loopLowPass(noise, 180, rate), 180, rate);

    std::vector<double> wave(n);
    for (size_t i = 0; i < n; ++i)
        wave[i] = loudness[i] * (whistle[i] + 6.0 * rumble[i]);
    return toPcm(wave, 0.45);
}

std::vector<int16_t> makeBrook(double seconds, int rate, uint32_t seed)
{
    const size_t n = sampleCount(seconds, rate);
    if (n == 0)
        return {};
    Rng rng(seed);

    // The rushing bed: bright noise with a little body, fluttering quickly.
    const std::vector<double> noise = whiteNoise(n, rng);
    const std::vector<double> bright = loopBandPass(noise, std::vector<double>(n, 2000.0), 1.2, rate);
    const std::vector<double> body = loopBandPass(noise, std::vector<double>(n, 550.0), 1.0, rate);
    const double laps = std::max(1.0, std::round(seconds * 1.5));
    const std::vector<Swell> flutter = {
        {laps, 0.15, rng.unit()}, {laps * 3 + 1, 0.08, rng.unit()}, {laps * 7 + 2, 0.05, rng.unit()}};
    std::vector<double> wave(n);
    for (size_t i = 0; i < n; ++i)
        wave[i] = (0.6 + swellAt(flutter, static_cast<double>(i) / n)) * (0.22 * bright[i] + 0.3 * body[i]);

    // Bubbles, mostly small and quiet, now and then a deeper plop.
    const size_t bubbles = static_cast<size_t>(seconds * 50);
    for (size_t b = 0; b < bubbles; ++b) {
        const size_t start = static_cast<size_t>(rng.unit() * n);
        const double hz = 380 * std::exp(rng.range(0.0, 1.5));
        const double length = rng.range(0.02, 0.07);
        const double level = 0.12 + 0.5 * std::pow(rng.unit(), 3);
        addBubble(wave, start, hz, length, level, rate);
    }
    return toPcm(wave, 0.5);
}
