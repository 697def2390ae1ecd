#pragma once
// Deterministic test sounds at 44,100 Hz, 16-bit: speech-like (a buzz at a
// drifting pitch through three moving resonances, with hiss for the
// consonants and pauses between syllables), music-like (chords of harmonic
// notes with attack and decay, over a bass line and drum hits), noise and
// steady tones. The same seed gives the same samples with the same C library:
// the random numbers are integers of our own.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace testing_support {

inline constexpr int kRate = 44'100;

// A small, well-mixed generator (splitmix64).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double uniform() { return static_cast<double>(next() >> 11) * 0x1p-53; }
  double between(double low, double high) { return low + (high - low) * uniform(); }

 private:
  std::uint64_t state_;
};

inline std::int16_t clip16(double v) {
  return static_cast<std::int16_t>(std::clamp(v, -32'768.0, 32'767.0));
}

// A two-pole resonance at `hz` with bandwidth `width`, gain-normalised.
class Resonator {
 public:
  void tune(double hz, double width) {
    const double r = std::exp(-std::numbers::pi * width / kRate);
    a1_ = 2 * r * std::cos(2 * std::numbers::pi * hz / kRate);
    a2_ = -r * r;
    gain_ = 1 - r;
  }
  double step(double x) {
    const double y = gain_ * x + a1_ * y1_ + a2_ * y2_;
    y2_ = y1_;
    y1_ = y;
    return y;
  }

 private:
  double a1_ = 0, a2_ = 0, gain_ = 0, y1_ = 0, y2_ = 0;
};

inline std::vector<std::int16_t> speechLike(double seconds, std::uint64_t seed) {
  Random random(seed);
  const auto length = static_cast<std::size_t>(seconds * kRate);
  std::vector<std::int16_t> out(length);
  Resonator formants[3];
  Resonator hissBand;
  double phase = 0.0;
  std::size_t i = 0;
  while (i < length) {
    // A syllable: a consonant, a vowel with gliding formants, then a short pause.
    const auto consonant = static_cast<std::size_t>(random.between(0.02, 0.08) * kRate);
    const auto vowel = static_cast<std::size_t>(random.between(0.08, 0.25) * kRate);
    const auto pause = static_cast<std::size_t>(random.between(0.01, 0.15) * kRate);
    const double f0 = random.between(90, 210), f0End = f0 * random.between(0.8, 1.25);
    const double f1 = random.between(300, 800), f2 = random.between(900, 2'300);
    const double f2End = random.between(900, 2'300);
    const double level = random.between(0.2, 0.9);
    hissBand.tune(random.between(3'000, 6'000), 2'000);
    for (std::size_t k = 0; k < consonant && i < length; ++k, ++i)
      out[i] = clip16(hissBand.step(random.between(-1, 1)) * 60'000 * level);
    for (std::size_t k = 0; k < vowel && i < length; ++k, ++i) {
      const double t = static_cast<double>(k) / static_cast<double>(vowel);
      formants[0].tune(f1, 80);
      formants[1].tune(f2 + (f2End - f2) * t, 120);
      formants[2].tune(2'600, 200);
      phase += (f0 + (f0End - f0) * t) / kRate;
      const double pulse = phase >= 1.0 ? 1.0 : 0.0;
      if (phase >= 1.0) phase -= 1.0;
      const double excitation = pulse * 40.0 + random.between(-0.02, 0.02);
      const double envelope = std::sin(std::numbers::pi * t);
      double v = 0;
      for (auto& f : formants) v += f.step(excitation);
      out[i] = clip16(v * 12'000 * level * envelope);
    }
    for (std::size_t k = 0; k < pause && i < length; ++k, ++i) out[i] = 0;
  }
  return out;
}

inline std::vector<std::int16_t> musicLike(double seconds, std::uint64_t seed) {
  Random random(seed);
  const auto length = static_cast<std::size_t>(seconds * kRate);
  std::vector<double> mix(length, 0.0);
  // One cycle of a bright, hollow tone: odd harmonics stronger than even ones.
  constexpr int kTable = 2'048;
  std::vector<double> wave(kTable);
  for (int j = 0; j < kTable; ++j) {
    double v = 0;
    for (int h = 1; h <= 8; ++h)
      v += (h % 2 ? 1.0 : 0.4) / h * std::sin(2 * std::numbers::pi * h * j / kTable);
    wave[j] = v;
  }
  auto note = [&](std::size_t start, std::size_t duration, double hz, double level) {
    double position = random.uniform() * kTable;
    const double step = hz * kTable / kRate;
    for (std::size_t k = 0; k < duration && start + k < length; ++k) {
      const double t = static_cast<double>(k) / kRate;
      const double envelope = std::min(1.0, t / 0.01) * std::exp(-t * 3.0);
      mix[start + k] += wave[static_cast<int>(position) % kTable] * level * envelope;
      position += step;
      if (position >= kTable) position -= kTable;
    }
  };
  const double beat = random.between(0.2, 0.35);
  const int scale[7] = {0, 2, 4, 5, 7, 9, 11};
  for (double t = 0; t < seconds; t += beat) {
    const auto start = static_cast<std::size_t>(t * kRate);
    const auto duration = static_cast<std::size_t>(beat * random.between(1.0, 3.0) * kRate);
    const int root = scale[random.next() % 7];
    if (random.uniform() < 0.7)  // a chord
      for (const int step : {0, 4, 7})
        note(start, duration, 261.63 * std::pow(2.0, (root + step) / 12.0), 2'500);
    note(start, static_cast<std::size_t>(beat * kRate), 65.41 * std::pow(2.0, root / 12.0), 3'500);
    if (random.uniform() < 0.5)  // a drum hit
      for (std::size_t k = 0; k < 4'000 && start + k < length; ++k)
        mix[start + k] += random.between(-1, 1) * 6'000 * std::exp(-static_cast<double>(k) / 600);
  }
  std::vector<std::int16_t> out(length);
  for (std::size_t i = 0; i < length; ++i) out[i] = clip16(mix[i]);
  return out;
}

inline std::vector<std::int16_t> whiteNoise(double seconds, std::uint64_t seed, double level) {
  Random random(seed);
  std::vector<std::int16_t> out(static_cast<std::size_t>(seconds * kRate));
  for (auto& s : out) s = clip16(random.between(-level, level));
  return out;
}

// Steady sines: (hertz, amplitude) pairs.
inline std::vector<std::int16_t> steadyTones(double seconds,
                                             const std::vector<std::pair<double, double>>& parts) {
  std::vector<std::int16_t> out(static_cast<std::size_t>(seconds * kRate));
  for (std::size_t i = 0; i < out.size(); ++i) {
    double v = 0;
    for (const auto& [hz, amplitude] : parts)
      v += amplitude * std::sin(2 * std::numbers::pi * hz * i / kRate);
    out[i] = clip16(v);
  }
  return out;
}

// Both channels from one: the right a little delayed and softer.
inline std::vector<std::int16_t> stereoFrom(const std::vector<std::int16_t>& mono) {
  std::vector<std::int16_t> out(mono.size() * 2);
  for (std::size_t i = 0; i < mono.size(); ++i) {
    out[2 * i] = mono[i];
    out[2 * i + 1] = static_cast<std::int16_t>(i >= 7 ? mono[i - 7] * 3 / 4 : 0);
  }
  return out;
}

}  // namespace testing_support
