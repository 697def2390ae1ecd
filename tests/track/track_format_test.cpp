#include "track/track_format.h"

#include <gtest/gtest.h>

#include <vector>

namespace track {
namespace {

TEST(TrackFormat, Int32IsLittleEndianTwosComplement) {
  unsigned char bytes[4];
  storeInt32(bytes, -2);
  EXPECT_EQ(bytes[0], 0xFE);
  EXPECT_EQ(bytes[3], 0xFF);
  EXPECT_EQ(loadInt32(bytes), -2);
  storeInt32(bytes, 0x12345678);
  EXPECT_EQ(bytes[0], 0x78);
  EXPECT_EQ(bytes[3], 0x12);
}

TEST(TrackFormat, RecordsAndTrailerSitAtTheirOffsets) {
  std::vector<unsigned char> file(3 * kRecordBytes);
  TrackRecord record;
  record.pairs[2] = {1234, 4400};
  writeRecord(file.data(), 1, record);
  writeTrailer(file.data(), 3, {0, 15});
  EXPECT_EQ(loadInt32(&file[64 + 16]), 1234);
  EXPECT_EQ(loadInt32(&file[64 + 20]), 4400);
  EXPECT_EQ(loadInt32(&file[file.size() - 8]), 0);
  EXPECT_EQ(loadInt32(&file[file.size() - 4]), 15);
  EXPECT_EQ(readRecord(file.data(), 1).pairs[2].frequencyTenths, 4400);
  EXPECT_EQ(readTrailer(file.data(), 3).storedUnit, 15);
}

}  // namespace
}  // namespace track
