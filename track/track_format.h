#pragma once
// The track file: one 64-byte record per frame, eight (amplitude, frequency)
// pairs of little-endian int32 each, nothing else. Pair 7 of the last record
// carries the trailer: whether the voices were staggered, and the sounding unit.

#include <array>
#include <cstddef>
#include <cstdint>

namespace track {

inline constexpr int kPairsPerRecord = 8;
inline constexpr std::size_t kRecordBytes = 64;
inline constexpr int kTrailerPair = 7;

struct VoicePair {
  std::int32_t amplitude = 0;
  std::int32_t frequencyTenths = 0;
};

struct TrackRecord {
  std::array<VoicePair, kPairsPerRecord> pairs{};
};

struct TrackTrailer {
  std::int32_t staggerOff = 0;  // 1 - stagger
  std::int32_t storedUnit = 0;  // frames per second; 0 stands for any
};

inline std::int32_t loadInt32(const unsigned char* bytes) {
  const std::uint32_t value = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                              std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
  return static_cast<std::int32_t>(value);
}

inline void storeInt32(unsigned char* bytes, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  bytes[0] = static_cast<unsigned char>(bits);
  bytes[1] = static_cast<unsigned char>(bits >> 8);
  bytes[2] = static_cast<unsigned char>(bits >> 16);
  bytes[3] = static_cast<unsigned char>(bits >> 24);
}

// Byte offset of a pair's amplitude inside a record buffer; the frequency follows 4 bytes later.
inline constexpr std::size_t pairOffset(std::size_t record, int pair) {
  return record * kRecordBytes + static_cast<std::size_t>(pair) * 8;
}

inline VoicePair readPair(const unsigned char* records, std::size_t record, int pair) {
  const unsigned char* at = records + pairOffset(record, pair);
  return {loadInt32(at), loadInt32(at + 4)};
}

inline void writePair(unsigned char* records, std::size_t record, int pair, VoicePair value) {
  unsigned char* at = records + pairOffset(record, pair);
  storeInt32(at, value.amplitude);
  storeInt32(at + 4, value.frequencyTenths);
}

inline void writeRecord(unsigned char* records, std::size_t record, const TrackRecord& value) {
  for (int pair = 0; pair < kPairsPerRecord; ++pair)
    writePair(records, record, pair, value.pairs[static_cast<std::size_t>(pair)]);
}

inline TrackRecord readRecord(const unsigned char* records, std::size_t record) {
  TrackRecord value;
  for (int pair = 0; pair < kPairsPerRecord; ++pair)
    value.pairs[static_cast<std::size_t>(pair)] = readPair(records, record, pair);
  return value;
}

// The trailer of a track of `recordCount` (>= 1) whole records.
inline TrackTrailer readTrailer(const unsigned char* records, std::size_t recordCount) {
  const VoicePair pair = readPair(records, recordCount - 1, kTrailerPair);
  return {pair.amplitude, pair.frequencyTenths};
}

inline void writeTrailer(unsigned char* records, std::size_t recordCount, TrackTrailer trailer) {
  writePair(records, recordCount - 1, kTrailerPair, {trailer.staggerOff, trailer.storedUnit});
}

}  // namespace track
