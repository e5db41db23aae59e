#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <set>

#include "platform/akrip32/CdioSectorReader.h"
#include "platform/akrip32/DiscSessions.h"
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
    FFaults->seeks = 0;
    Read read = ReadBlocks(900, 700);
    EXPECT_EQ(int(SS_COMP), read.status);
    EXPECT_TRUE(read.bytes == Bytes(enhanced[1].audio));
    EXPECT_LE(FFaults->requested, 700 * 11 / 10);
    EXPECT_EQ(1, FFaults->seeks);  // to the first block; then the reads follow each other
    EXPECT_EQ(0, FFaults->failed);
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

// The audio ends where its session does: at a data track of the same session, or before the gap of a later
// one, as the image's CUE sheet says. A cdrdao sheet cannot say: a data track after audio is then taken to
// start a session. A drive says where its last session starts.
TEST_F(PhysicalDriveTest, TheAudioEndsWithItsSession) {
  struct Case {
    bool sameSession;
    DriveImageForm form;
    int session1, session2;
    std::size_t blocks;
  };
  for (const Case& c : {Case{true, DriveImageForm::BinCue, 1, 1, 12000}, Case{false, DriveImageForm::BinCue, 1, 2, 12000},
                        Case{true, DriveImageForm::Cdrdao, 0, 0, 600}}) {
    SCOPED_TRACE(c.session2);
    std::vector<DriveTrack> tracks = {{Pattern(BlockFrames(12000), 1)}, {{}, 300, c.sameSession}};
    Open(tracks, c.form);
    TOC toc;
    ASSERT_EQ(1, ReadTOC(FHandle, &toc));
    EXPECT_EQ(c.session1, toc.tracks[0].reserved1);
    EXPECT_EQ(c.session2, toc.tracks[1].reserved1);
    Read read = ReadBlocks(0, 12000);
    EXPECT_EQ(c.blocks == 12000 ? int(SS_COMP) : int(SS_ERR), read.status);
    std::vector<std::uint8_t> expected = Bytes(tracks[0].audio);
    expected.resize(c.blocks * CD_BLOCK_BYTES);
    EXPECT_TRUE(read.bytes == expected);
  }

  const std::vector<std::pair<std::int32_t, std::vector<int>>> answers = {
      {0, {1, 1, 1}}, {12000, {1, 1, 2}}, {11990, {1, 1, 2}}, {500, {1, 2, 2}}, {12001, {0, 0, 0}}};
  for (const auto& [lastSessionStart, sessions] : answers) {
    DiscLayout layout{{{1, 0}, {2, 500}, {3, 12000, false}}, 12300};
    SetSessionsFromLastSession(layout, lastSessionStart);
    EXPECT_EQ(sessions, (std::vector<int>{layout.tracks[0].session, layout.tracks[1].session, layout.tracks[2].session}))
        << lastSessionStart;
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
  EXPECT_GE(FFaults->failed, 2 + 2 * SecureReader::kMinAttempts);  // each hopeless block is tried enough
}

TEST_F(PhysicalDriveTest, JitterIsCorrected) {
  std::vector<DriveTrack> tracks = AudioTracks();
  FFaults->jitter = {40, 333, 334, 899};
  Open(tracks);
  Read read = ReadBlocks(0, 900);
  EXPECT_EQ(int(SS_COMP), read.status);
  EXPECT_TRUE(read.bytes == Bytes(tracks[0].audio));
}

// A stretch where faults lie close together (a failing block before a read that starts off, noise beside
// jitter) in secure mode: every block comes out as on the disc, or reported.
TEST_F(PhysicalDriveTest, ASecureReadOfADeepScratchDeliversNoWrongBlockUnreported) {
  std::vector<DriveTrack> tracks = {{Pattern(BlockFrames(900), 1)}};
  std::mt19937 random(2);
  std::uniform_int_distribution<int> percent(0, 99);
  for (std::int32_t sector = 300; sector < 600; ++sector) {
    int roll = percent(random);
    if (roll < 3) FFaults->unreadable[sector] = -1;
    else if (roll < 11) FFaults->unreadable[sector] = 1 + roll % 3;
    else if (roll < 16) FFaults->noisy.insert(sector);
    else if (roll < 20) FFaults->jitter.insert(sector);
  }
  Open(tracks);
  SetCDReadMode(FHandle, ReadMode::Secure);
  Read read = ReadBlocks(0, 900);
  std::vector<std::uint8_t> expected = Bytes(tracks[0].audio);
  for (std::size_t block = 0; block < 900; ++block) {
    bool reported = std::count(read.unreadable.begin(), read.unreadable.end(), block) != 0;
    bool same = std::equal(expected.begin() + block * CD_BLOCK_BYTES, expected.begin() + (block + 1) * CD_BLOCK_BYTES,
                           read.bytes.begin() + block * CD_BLOCK_BYTES);
    EXPECT_TRUE(same || reported) << block;
  }
  EXPECT_LT(read.unreadable.size(), 60u);  // about the blocks that fail always, read differently or start off
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

namespace {

// Tracks at 0, 900 and 1600: the search finds each pregap where the Q sub-channel proves it, whatever the
// image driver or the read offset, and where blocks at the change cannot be read it leaves it unknown.
TEST_F(PhysicalDriveTest, PregapsAreFoundFromTheQSubchannelOrLeftUnknown) {
  struct Case {
    const char* name;
    std::map<int, std::int32_t> indexZero;
    std::set<std::int32_t> unreadable, invalid;
    std::vector<std::int32_t> pregaps;
  };
  const std::vector<Case> cases = {
      {"clean", {{2, 825}, {3, 1450}}, {}, {}, {-1, 825, 1450}},
      {"no pregap before 3", {{2, 825}}, {}, {}, {-1, 825, -1}},
      {"faults away from the change", {{2, 825}, {3, 1450}}, {899, 449, 826}, {1599, 1524, 1451}, {-1, 825, 1450}},
      {"the change cannot be read", {{2, 825}, {3, 1450}}, {824, 825}, {}, {-1, -1, 1450}},
  };
  for (DriveImageForm form : {DriveImageForm::BinCue, DriveImageForm::Cdrdao})
    for (int offset : {0, 667})
      for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (form == DriveImageForm::BinCue ? " bin/cue " : " cdrdao ") + std::to_string(offset));
        FFaults->indexZero = c.indexZero;
        FFaults->qUnreadable = c.unreadable;
        FFaults->qInvalid = c.invalid;
        Open({{Pattern(BlockFrames(900), 1)}, {Pattern(BlockFrames(700), 2)}, {Pattern(BlockFrames(500), 3)}}, form);
        SetCDReadOffset(FHandle, offset);
        std::vector<std::string> progress;
        GapProgress told = [&](int track, int last) { progress.push_back(std::to_string(track) + "/" + std::to_string(last)); };
        EXPECT_EQ(GapDetection::QSubchannel, DetectCDGaps(FHandle, told));
        EXPECT_EQ((std::vector<std::string>{"2/3", "3/3"}), progress);
        DiscCodes codes;
        ASSERT_TRUE(ReadCDCodes(FHandle, codes));
        EXPECT_EQ(c.pregaps, codes.pregaps);
        FFaults->qReads = 0;
        EXPECT_EQ(GapDetection::QSubchannel, DetectCDGaps(FHandle, told));  // once per disc
        EXPECT_EQ(0, FFaults->qReads);
      }
}

// A cancel ends the search with nothing found, so that the next one searches afresh; a source without a
// sub-channel says so.
TEST_F(PhysicalDriveTest, AGapSearchEndsAtACancelAndWithoutSubchannel) {
  FFaults->indexZero = {{2, 825}};
  Open(AudioTracks());
  std::atomic<bool> cancel{false};
  EXPECT_EQ(GapDetection::Cancelled, DetectCDGaps(FHandle, [&](int, int) { cancel = true; }, &cancel));
  DiscCodes codes;
  ASSERT_TRUE(ReadCDCodes(FHandle, codes));
  EXPECT_EQ((std::vector<std::int32_t>{-1, -1}), codes.pregaps);
  EXPECT_EQ(GapDetection::QSubchannel, DetectCDGaps(FHandle, {}));
  ASSERT_TRUE(ReadCDCodes(FHandle, codes));
  EXPECT_EQ((std::vector<std::int32_t>{-1, 825}), codes.pregaps);

  std::string sheet = testdata::WriteDriveImage(FFolder.Path(), AudioTracks(), DriveImageForm::BinCue);
  SetSimulatedCDDrives({});
  SetCDImageFiles({"bincue:" + sheet});
  CloseCDHandle(FHandle);
  FHandle = testdata::OpenOnlyListedDrive();
  ASSERT_NE(0u, FHandle);
  EXPECT_EQ(GapDetection::NotSupported, DetectCDGaps(FHandle, {}));
}

}  // namespace

namespace {

// Q sub-channels whose CRCs were computed apart from this program: each Q bit is bit 6 of a raw byte, among the
// other sub-channels' bits. One wrong bit, or a Q that is no position, gives no position.
TEST(RawSubchannelTest, TheQPositionIsTakenOnlyWhenItsCrcAndAdrAreRight) {
  auto raw = [](std::vector<std::uint8_t> q) {
    std::vector<std::uint8_t> bytes(96);
    for (int bit = 0; bit < 96; ++bit)  // every other sub-channel's bit set
      bytes[std::size_t(bit)] = 0xBF | ((q[std::size_t(bit / 8)] & (0x80 >> (bit % 8))) != 0 ? 0x40 : 0);
    return bytes;
  };
  std::vector<std::uint8_t> pregap = {0x01, 0x02, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x02, 0x05, 0x64, 0x40};
  std::vector<std::uint8_t> track12 = {0x41, 0x12, 0x01, 0x00, 0x01, 0x00, 0x00, 0x03, 0x14, 0x20, 0xC7, 0xCF};
  QPosition position = CdioSectorReader::PositionOfRawSubchannel(raw(pregap).data());
  EXPECT_EQ(QPosition::Status::Valid, position.status);
  EXPECT_EQ(2, position.track);
  EXPECT_EQ(0, position.index);
  position = CdioSectorReader::PositionOfRawSubchannel(raw(track12).data());
  EXPECT_EQ(QPosition::Status::Valid, position.status);
  EXPECT_EQ(12, position.track);
  EXPECT_EQ(1, position.index);
  std::vector<std::uint8_t> flipped = pregap;
  flipped[5] ^= 0x01;
  std::vector<std::uint8_t> catalogue = pregap;
  catalogue[0] = 0x02;
  for (const auto& wrong : {flipped, catalogue})
    EXPECT_EQ(QPosition::Status::Invalid, CdioSectorReader::PositionOfRawSubchannel(raw(wrong).data()).status);
}

}  // namespace
