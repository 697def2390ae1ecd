#include "generator/pitch_sort.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "track/track_format.h"

namespace generator {
namespace {

constexpr std::int32_t kQuiet = 1024;
constexpr std::array<std::uint32_t, 9> kFactorials = {40320, 5040, 720, 120, 24, 6, 2, 1, 1};
using Permutation = std::array<int, track::kPairsPerRecord>;

// 1,000 × ln a for every scaled amplitude.
std::vector<std::int32_t> buildLogAmplitudeTable() {
  std::vector<std::int32_t> table(65536, 0);
  for (std::size_t a = 1; a < table.size(); ++a)
    table[a] = static_cast<std::int32_t>(std::log(static_cast<double>(a)) * 1000.0);
  return table;
}

std::int32_t logAmplitude(const std::vector<std::int32_t>& table, std::int32_t amplitude) {
  return table[static_cast<std::size_t>(std::clamp(amplitude, 0, 65535))];
}

// The k-th permutation of 0..count-1 in lexicographic order, by the factorial
// number system, packed three bits per position; positions from count on keep
// their own index.
std::uint32_t packedPermutation(std::uint32_t k, int count) {
  std::array<std::uint32_t, track::kPairsPerRecord> order = {0, 1, 2, 3, 4, 5, 6, 7};
  for (int i = 0; i < count; ++i) {
    const std::uint32_t q = (k / kFactorials[static_cast<std::size_t>(8 - (count - 1 - i))]) %
                            static_cast<std::uint32_t>(count - i);
    std::rotate(order.begin() + i, order.begin() + i + q, order.begin() + i + q + 1);
  }
  std::uint32_t packed = 0;
  for (std::size_t i = 0; i < order.size(); ++i) packed |= order[i] << (3 * i);
  return packed;
}

Permutation unpack(std::uint32_t packed) {
  Permutation from{};
  for (std::size_t i = 0; i < from.size(); ++i) from[i] = static_cast<int>((packed >> (3 * i)) & 7);
  return from;
}

// The values the cost compares, for the sorted pairs of one frame.
struct FrameView {
  std::array<std::int32_t, track::kPairsPerRecord> amplitude{};
  std::array<std::int32_t, track::kPairsPerRecord> logAmplitude{};
};

class Sorter {
 public:
  Sorter(unsigned char* records, std::int32_t frameCount, int count)
      : records_(records),
        frameCount_(frameCount),
        count_(count),
        logTable_(buildLogAmplitudeTable()),
        pitch_(static_cast<std::size_t>(frameCount) * track::kPairsPerRecord) {
    const std::uint32_t permutations = kFactorials[static_cast<std::size_t>(8 - count)];
    for (std::uint32_t k = 0; k < permutations; ++k)
      permutations_.push_back(unpack(packedPermutation(k, count)));
    for (std::int32_t frame = 0; frame < frameCount; ++frame)
      for (int pair = 0; pair < count; ++pair)
        pitch(frame, pair) = pitchOf(read(frame, pair).frequencyTenths);
  }

  void run() {
    for (std::int32_t frame = 1; frame < frameCount_; ++frame)
      reorder(frame, permutations_[cheapest(frame)]);
  }

 private:
  std::size_t cheapest(std::int32_t frame) const {
    const FrameView now = view(frame), before = view(frame - 1);
    std::size_t best = 0;
    std::int32_t bestCost = 2147483647;
    for (std::size_t k = 0; k < permutations_.size(); ++k) {
      const Permutation& from = permutations_[k];
      std::uint32_t cost = 0;  // 32-bit arithmetic, wrapping
      for (int p = 0; p < count_; ++p) {
        const int q = from[static_cast<std::size_t>(p)];
        const std::int32_t aNew = now.amplitude[static_cast<std::size_t>(q)];
        const std::int32_t aOld = before.amplitude[static_cast<std::size_t>(p)];
        const std::int64_t dA =
            std::abs(std::int64_t{now.logAmplitude[static_cast<std::size_t>(q)]} -
                     before.logAmplitude[static_cast<std::size_t>(p)]);
        std::int64_t dP = std::abs(std::int64_t{pitch(frame, q)} - pitch(frame - 1, p));
        if (aNew < kQuiet || aOld < kQuiet) dP = 1;
        if (aNew < kQuiet && aOld < kQuiet) dP = 0;
        cost += static_cast<std::uint32_t>(dP) * static_cast<std::uint32_t>(dA);
      }
      if (static_cast<std::int32_t>(cost) < bestCost) {
        bestCost = static_cast<std::int32_t>(cost);
        best = k;
      }
    }
    return best;
  }

  // Pair p of the frame takes what pair from[p] held: frequencies, amplitudes
  // and pitches move together.
  void reorder(std::int32_t frame, const Permutation& from) {
    std::array<track::VoicePair, track::kPairsPerRecord> pairs{};
    std::array<std::int32_t, track::kPairsPerRecord> pitches{};
    for (int pair = 0; pair < count_; ++pair) {
      pairs[static_cast<std::size_t>(pair)] = read(frame, pair);
      pitches[static_cast<std::size_t>(pair)] = pitch(frame, pair);
    }
    for (int p = 0; p < count_; ++p) {
      const auto q = static_cast<std::size_t>(from[static_cast<std::size_t>(p)]);
      track::writePair(records_, static_cast<std::size_t>(frame), p, pairs[q]);
      pitch(frame, p) = pitches[q];
    }
  }

  FrameView view(std::int32_t frame) const {
    FrameView result;
    for (int pair = 0; pair < count_; ++pair) {
      const std::int32_t amplitude = read(frame, pair).amplitude;
      result.amplitude[static_cast<std::size_t>(pair)] = amplitude;
      result.logAmplitude[static_cast<std::size_t>(pair)] = logAmplitude(logTable_, amplitude);
    }
    return result;
  }

  track::VoicePair read(std::int32_t frame, int pair) const {
    return track::readPair(records_, static_cast<std::size_t>(frame), pair);
  }
  std::int32_t& pitch(std::int32_t frame, int pair) {
    return pitch_[static_cast<std::size_t>(frame) * track::kPairsPerRecord +
                  static_cast<std::size_t>(pair)];
  }
  std::int32_t pitch(std::int32_t frame, int pair) const {
    return pitch_[static_cast<std::size_t>(frame) * track::kPairsPerRecord +
                  static_cast<std::size_t>(pair)];
  }

  unsigned char* records_;
  std::int32_t frameCount_;
  int count_;
  std::vector<std::int32_t> logTable_;
  std::vector<std::int32_t> pitch_;
  std::vector<Permutation> permutations_;
};

}  // namespace

std::int32_t pitchOf(std::int32_t frequencyTenths) {
  const std::int32_t tenths = std::max(frequencyTenths, 1);
  return static_cast<std::int32_t>(std::log(tenths / 10.0) / std::log(1.0194406437021448) -
                                   109.12894968688775);
}

void pitchSort(unsigned char* records, std::int32_t frameCount, std::int32_t channelCount) {
  if (frameCount < 2) return;
  const int count = std::clamp(channelCount, 1, track::kPairsPerRecord);
  Sorter(records, frameCount, count).run();
}

}  // namespace generator
