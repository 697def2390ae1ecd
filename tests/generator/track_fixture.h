#pragma once
// Track files for the generator's tests, built with the track format helpers.
// Frame 0 carries a full-scale amplitude in pair 6, which no channel plays, so
// that scaling leaves every other amplitude as written.

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "track/track_format.h"

namespace testing_support {

class TrackFixture {
 public:
  explicit TrackFixture(int frames, std::int32_t storedUnit = 15, std::int32_t staggerOff = 1,
                        bool fullScaleReference = true)
      : records_(static_cast<std::size_t>(frames)) {
    if (fullScaleReference && frames > 0) records_[0].pairs[6] = {65535, 0};
    trailer_ = {staggerOff, storedUnit};
  }

  TrackFixture& voice(int frame, int pair, std::int32_t amplitude, std::int32_t tenths) {
    records_[static_cast<std::size_t>(frame)].pairs[static_cast<std::size_t>(pair)] = {amplitude,
                                                                                       tenths};
    return *this;
  }

  // The same voice in frames [from, to).
  TrackFixture& hold(int pair, std::int32_t amplitude, std::int32_t tenths, int from, int to) {
    for (int frame = from; frame < to; ++frame) voice(frame, pair, amplitude, tenths);
    return *this;
  }
  TrackFixture& hold(int pair, std::int32_t amplitude, std::int32_t tenths) {
    return hold(pair, amplitude, tenths, 0, static_cast<int>(records_.size()));
  }

  std::vector<unsigned char> bytes() const {
    std::vector<unsigned char> out(records_.size() * track::kRecordBytes);
    for (std::size_t frame = 0; frame < records_.size(); ++frame)
      track::writeRecord(out.data(), frame, records_[frame]);
    if (!records_.empty()) track::writeTrailer(out.data(), records_.size(), trailer_);
    return out;
  }

  void write(const std::string& path) const { writeBytes(path, bytes()); }

 private:
  std::vector<track::TrackRecord> records_;
  track::TrackTrailer trailer_;
};

}  // namespace testing_support
