#include <gtest/gtest.h>

#include <cstring>

#include "platform/akrip32/PhysicalMedium.h"
#include "tests/data/SimulatedDrive.h"
#include "tests/data/TestDiscs.h"

using testdata::BlockFrames;
using testdata::DriveFaults;
using testdata::DriveImageForm;
using testdata::DriveTrack;
using testdata::Pattern;

namespace {

class PhysicalDriveTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { PhysicalMedium::SetBlockTimeLimit(std::chrono::milliseconds(500)); }
  void TearDown() override {
    if (FHandle != 0) CloseCDHandle(FHandle);
    SetSimulatedCDDrives({});
  }

  void Open(const std::vector<DriveTrack>& tracks, DriveImageForm form = DriveImageForm::BinCue) {
    if (FHandle != 0) CloseCDHandle(FHandle);
    FHandle = testdata::OpenSimulatedDrive(testdata::WriteDriveImage(FFolder.Path(), tracks, form), FFaults);
    ASSERT_NE(0u, FHandle);
  }

  struct Read {
    int status;
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint32_t> unreadable;
  };

  // Reads blocks as a rip does, 25 at a time.
  Read ReadBlocks(std::uint32_t start, std::uint32_t blocks) {
    Read read{int(SS_COMP), {}, {}};
    auto buffer = std::make_unique<TRACKBUF>();
    for (std::uint32_t done = 0; done < blocks;) {
      buffer->startFrame = start + done;
      buffer->numFrames = std::min<std::uint32_t>(TRACKBUF_BLOCKS, blocks - done);
      buffer->maxLen = sizeof buffer->buf;
      if (ReadCDAudioLBA(FHandle, buffer.get()) != int(SS_COMP)) read.status = int(SS_ERR);
      if (buffer->len == 0) break;
      read.bytes.insert(read.bytes.end(), buffer->buf, buffer->buf + buffer->len);
      for (std::uint32_t block : UnreadableCDBlocks(FHandle)) read.unreadable.push_back(block);
      done += buffer->numFrames;
    }
    return read;
  }

  testdata::TempFolder FFolder;
  std::shared_ptr<DriveFaults> FFaults = std::make_shared<DriveFaults>();
  HCDROM FHandle = 0;
};

std::vector<std::uint8_t> Bytes(const std::vector<std::int16_t>& samples) {
  std::vector<std::uint8_t> bytes(samples.size() * 2);
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

std::vector<DriveTrack> AudioTracks() { return {{Pattern(BlockFrames(900), 1)}, {Pattern(BlockFrames(700), 2)}}; }

TEST_F(PhysicalDriveTest, CleanDiscsAreReadOnceBitForBitAndTheirDataTracksNever) {
  for (DriveImageForm form : {DriveImageForm::BinCue, DriveImageForm::Cdrdao}) {
    SCOPED_TRACE(form == DriveImageForm::BinCue ? "bin/cue" : "cdrdao");
    std::vector<DriveTrack> enhanced = AudioTracks();
    enhanced.push_back({{}, 300});
    Open(enhanced, form);
    TOC toc;
    ModifyCDParms(FHandle, CDP_MSF, 0);
    ASSERT_EQ(1, ReadTOC(FHandle, &toc));
    EXPECT_EQ(0x14, toc.tracks[2].adrControl);  // the data track is marked
    FFaults->requested = 0;
    Read read = ReadBlocks(900, 700);
    EXPECT_EQ(int(SS_COMP), read.status);
    EXPECT_TRUE(read.bytes == Bytes(enhanced[1].audio));
    EXPECT_LE(FFaults->requested, 700 * 11 / 10);
    // Reads stop where the audio session does, before its gap; the data track is no audio.
    EXPECT_EQ(10u * CD_BLOCK_BYTES, ReadBlocks(1590, 25).bytes.size());
    EXPECT_TRUE(ReadBlocks(1600, 25).bytes.empty());
    EXPECT_TRUE(ReadBlocks(1600 + kSessionGapBlocks, 25).bytes.empty());

    std::vector<DriveTrack> mixed = {{{}, 300}, {Pattern(BlockFrames(400), 3)}};
    Open(mixed, form);
    EXPECT_TRUE(ReadBlocks(300, 400).bytes == Bytes(mixed[1].audio));
    EXPECT_TRUE(ReadBlocks(0, 25).bytes.empty());
  }
}

TEST_F(PhysicalDriveTest, OnlyTheBlocksThatCannotBeReadAreSilence) {
  std::vector<DriveTrack> tracks = AudioTracks();
  FFaults->unreadable = {{500, -1}, {501, -1}, {1200, 2}};  // 1200 fails twice, then reads
  Open(tracks);
  Read read = ReadBlocks(0, 1600);
  std::vector<std::uint8_t> expected = Bytes(tracks[0].audio);
  std::vector<std::uint8_t> second = Bytes(tracks[1].audio);
  expected.insert(expected.end(), second.begin(), second.end());
  std::fill(expected.begin() + 500 * CD_BLOCK_BYTES, expected.begin() + 502 * CD_BLOCK_BYTES, 0);
  EXPECT_EQ(int(SS_ERR), read.status);
  EXPECT_EQ((std::vector<std::uint32_t>{500, 501}), read.unreadable);
  EXPECT_TRUE(read.bytes == expected);
}

TEST_F(PhysicalDriveTest, JitterIsCorrected) {
  std::vector<DriveTrack> tracks = AudioTracks();
  FFaults->jitter = {40, 333, 334, 899};
  Open(tracks);
  Read read = ReadBlocks(0, 900);
  EXPECT_EQ(int(SS_COMP), read.status);
  EXPECT_TRUE(read.bytes == Bytes(tracks[0].audio));
}

TEST_F(PhysicalDriveTest, ADriveThatVanishesDeliversNothingAtOnce) {
  Open(AudioTracks());
  FFaults->vanishAfter = FFaults->requested + 300;
  Read read = ReadBlocks(0, 900);
  EXPECT_EQ(int(SS_ERR), read.status);
  EXPECT_LT(read.bytes.size(), 300u * CD_BLOCK_BYTES);
  EXPECT_LT(FFaults->requested, FFaults->vanishAfter + 50);  // no block is tried again and again
}

}  // namespace
