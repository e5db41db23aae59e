#include "platform/akrip32/akrip32.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "tests/data/SimulatedDrive.h"
#include "tests/data/TestDiscs.h"

using discimage::FileType;
using discimage::ImageTrack;
using testdata::BlockFrames;
using testdata::Pattern;

namespace {

class ImageDriveTest : public ::testing::Test {
 protected:
  void SetUp() override { SetPhysicalDrivesEnabled(false); }
  void TearDown() override {
    if (FHandle != 0) CloseCDHandle(FHandle);
    SetCDImageFiles({});
  }

  HCDROM OpenImage(const std::string& sheet) {
    FHandle = testdata::OpenImageDrive(sheet);
    return FHandle;
  }

  TOC ReadBlockToc() {
    ModifyCDParms(FHandle, CDP_MSF, 0);
    TOC toc;
    EXPECT_EQ(1, ReadTOC(FHandle, &toc));
    return toc;
  }

  // Reads a track the way a rip does: 25 blocks at a time, fewer at its end.
  std::vector<std::uint8_t> RipTrack(std::uint32_t start, std::uint32_t blocks) {
    std::vector<std::uint8_t> bytes;
    auto buffer = std::make_unique<TRACKBUF>();
    for (std::uint32_t done = 0; done < blocks;) {
      buffer->startFrame = start + done;
      buffer->numFrames = std::min<std::uint32_t>(TRACKBUF_BLOCKS, blocks - done);
      buffer->maxLen = TRACKBUF_BLOCKS * CD_BLOCK_BYTES;
      EXPECT_EQ(SS_COMP, static_cast<std::uint32_t>(ReadCDAudioLBA(FHandle, buffer.get())));
      EXPECT_EQ(buffer->numFrames * CD_BLOCK_BYTES, buffer->len);
      const std::uint8_t* data = buffer->buf + buffer->startOffset;
      bytes.insert(bytes.end(), data, data + buffer->len);
      done += buffer->numFrames;
    }
    return bytes;
  }

  void ExpectRipsBitForBit(const std::vector<ImageTrack>& tracks) {
    TOC toc = ReadBlockToc();
    ASSERT_EQ(1, toc.firstTrack);
    ASSERT_EQ(tracks.size(), toc.lastTrack);
    for (std::size_t k = 0; k < tracks.size(); ++k) {
      std::uint32_t start = Address(toc.tracks[k]);
      std::uint32_t blocks = Address(toc.tracks[k + 1]) - start;
      std::vector<std::uint8_t> expected = testdata::ExpectedTrackBytes(tracks, k);
      ASSERT_EQ(expected.size(), std::size_t(blocks) * CD_BLOCK_BYTES) << "track " << k + 1;
      EXPECT_TRUE(RipTrack(start, blocks) == expected) << "track " << k + 1;
    }
  }

  static std::uint32_t Address(const TOCTRACK& entry) {
    return std::uint32_t(entry.addr[0]) << 24 | entry.addr[1] << 16 | entry.addr[2] << 8 | entry.addr[3];
  }

  testdata::TempFolder FFolder;
  HCDROM FHandle = 0;
};

std::vector<ImageTrack> ThreeTracks(std::size_t pregapBlocks) {
  return {{{}, Pattern(BlockFrames(60), 1)},
          {Pattern(BlockFrames(pregapBlocks), 2), Pattern(BlockFrames(37), 3)},
          {{}, Pattern(BlockFrames(51) + 100, 4)}};  // ends in a partial block
}

TEST_F(ImageDriveTest, OneBinaryFileGivesItsTocAndItsAudioBitForBit) {
  auto tracks = ThreeTracks(0);
  ASSERT_NE(0u, OpenImage(discimage::WriteImage(FFolder.Path(), "disc", tracks, {})));
  TOC toc = ReadBlockToc();
  EXPECT_EQ(0u, Address(toc.tracks[0]));
  EXPECT_EQ(60u, Address(toc.tracks[1]));
  EXPECT_EQ(97u, Address(toc.tracks[2]));
  EXPECT_EQ(0xAA, toc.tracks[3].trackNumber);
  EXPECT_EQ(149u, Address(toc.tracks[3]));  // the partial last block counts
  ExpectRipsBitForBit(tracks);
}

TEST_F(ImageDriveTest, PregapBelongsToThePreviousTrack) {
  auto tracks = ThreeTracks(150);
  ASSERT_NE(0u, OpenImage(discimage::WriteImage(FFolder.Path(), "gap", tracks, {})));
  TOC toc = ReadBlockToc();
  EXPECT_EQ(210u, Address(toc.tracks[1]));  // INDEX 01, after 60 blocks and the 150-block INDEX 00
  ExpectRipsBitForBit(tracks);
}

TEST_F(ImageDriveTest, WaveFilePerTrackAndBigEndianImagesReadLikeBinary) {
  auto tracks = ThreeTracks(75);
  tracks[0].audio.resize(tracks[0].audio.size() - 50);  // a file may end inside a block
  for (FileType type : {FileType::Wave, FileType::Motorola}) {
    std::string name = type == FileType::Wave ? "wave" : "motorola";
    ASSERT_NE(0u, OpenImage(discimage::WriteImage(FFolder.Path(), name, tracks, {type, true}))) << name;
    ExpectRipsBitForBit(tracks);
    CloseCDHandle(FHandle);
  }
  FHandle = 0;
}

TEST_F(ImageDriveTest, TocIsInMinutesSecondsFramesUntilBlockAddressingIsAsked) {
  auto tracks = ThreeTracks(0);
  ASSERT_NE(0u, OpenImage(discimage::WriteImage(FFolder.Path(), "msf", tracks, {})));
  TOC toc;
  ASSERT_EQ(1, ReadTOC(FHandle, &toc));
  // Block 60 is 210 frames after the 150-frame lead-in: 00:02:60.
  EXPECT_EQ(0, toc.tracks[1].addr[1]);
  EXPECT_EQ(2, toc.tracks[1].addr[2]);
  EXPECT_EQ(60, toc.tracks[1].addr[3]);
  EXPECT_EQ(0, ModifyCDParms(FHandle, 99, 0));
}

TEST_F(ImageDriveTest, ReadsStopAtTheLeadOutAndRefuseWhatLiesBeyond) {
  auto tracks = ThreeTracks(0);
  ASSERT_NE(0u, OpenImage(discimage::WriteImage(FFolder.Path(), "end", tracks, {})));
  auto buffer = std::make_unique<TRACKBUF>();
  buffer->startFrame = 140;
  buffer->numFrames = 25;
  buffer->maxLen = sizeof buffer->buf;
  EXPECT_EQ(int(SS_COMP), ReadCDAudioLBA(FHandle, buffer.get()));
  EXPECT_EQ(9u * CD_BLOCK_BYTES, buffer->len);
  EXPECT_EQ(9u, buffer->numFrames);  // the block count says what was read

  buffer->startFrame = 149;
  EXPECT_EQ(int(SS_ERR), ReadCDAudioLBA(FHandle, buffer.get()));
  EXPECT_EQ(0u, buffer->len);

  buffer->startFrame = 0;
  buffer->numFrames = 25;
  buffer->maxLen = 10 * CD_BLOCK_BYTES;  // less room than asked for
  EXPECT_EQ(int(SS_ERR), ReadCDAudioLBA(FHandle, buffer.get()));
  EXPECT_EQ(int(SS_ERR), ReadCDAudioLBA(FHandle + 1000, buffer.get()));
}

TEST_F(ImageDriveTest, BrokenImagesAreDrivesThatCannotBeOpened) {
  auto tracks = ThreeTracks(0);
  std::string good = discimage::WriteImage(FFolder.Path(), "good", tracks, {});
  std::string missing = FFolder.File("missing.cue");
  testdata::WriteTextFile(missing, "FILE \"nothere.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  std::string garbage = FFolder.File("garbage.cue");
  testdata::WriteTextFile(garbage, "\x01\x02 FILE TRACK \xff INDEX 99:99\n}{ garbage\n");
  std::string beyond = FFolder.File("beyond.cue");
  testdata::WriteTextFile(beyond, "FILE \"good.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 10:00:00\n");
  std::string mono = FFolder.File("mono.cue");
  tracks[0].audio.resize(100);
  discimage::WriteImage(FFolder.Path(), "stereo", tracks, {FileType::Wave, false});
  std::string wave = FFolder.File("stereo.wav");
  std::vector<char> header(44);
  {
    std::ifstream in(wave, std::ios::binary);
    in.read(header.data(), 44);
  }
  header[22] = 1;  // one channel
  {
    std::fstream out(wave, std::ios::binary | std::ios::in | std::ios::out);
    out.write(header.data(), 44);
  }
  testdata::WriteTextFile(mono, "FILE \"stereo.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  // A FIFO or a device waits for ever for data: neither the sheet nor a file it names may be one.
  std::string fifo = FFolder.File("fifo.cue"), namesFifo = FFolder.File("namesfifo.cue");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  testdata::WriteTextFile(namesFifo, "FILE \"fifo.cue\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");

  for (const std::string& sheet : {missing, garbage, beyond, mono, FFolder.File("nosheet.cue"), fifo, namesFifo,
                                   std::string("/dev/zero")}) {
    EXPECT_EQ(0u, OpenImage(sheet)) << sheet;
  }
  EXPECT_NE(0u, OpenImage(good));
}

// The sheet's own numbers, gaps of silence, lower-case keywords, a FILE named twice and an extended WAVE
// header are taken as written; more than 99 tracks, numbers out of order, times out of range or a track
// beyond its file are refused with their reason.
TEST_F(ImageDriveTest, SheetsAreTakenAsWrittenOrRefusedWithTheirReason) {
  std::vector<ImageTrack> tracks = {{{}, Pattern(BlockFrames(60), 1)}, {{}, Pattern(BlockFrames(40), 2)}};
  discimage::WriteImage(FFolder.Path(), "disc", tracks, {});
  std::string sheet = FFolder.File("own.cue");
  testdata::WriteTextFile(sheet, "file \"disc.bin\" binary\n track 03 audio\n  index 01 00:00:00\n postgap 00:00:05\n"
                                 "FILE \"disc.bin\" BINARY\n  TRACK 04 AUDIO\n    PREGAP 00:00:10\n"
                                 "    INDEX 01 00:00:60\n");
  ASSERT_NE(0u, OpenImage(sheet));
  TOC toc = ReadBlockToc();
  EXPECT_EQ(3, toc.firstTrack);
  EXPECT_EQ(4, toc.lastTrack);
  EXPECT_EQ(75u, Address(toc.tracks[1]));  // 60 blocks, then 5 + 10 of silence
  EXPECT_EQ(115u, Address(toc.tracks[2]));
  std::vector<std::uint8_t> expected = testdata::ExpectedTrackBytes(tracks, 0);
  expected.resize(expected.size() + 15 * CD_BLOCK_BYTES, 0);
  EXPECT_TRUE(RipTrack(0, 75) == expected);
  CloseCDHandle(FHandle);

  // An extended WAVE header: WAVE_FORMAT_EXTENSIBLE with the PCM sub-format.
  discimage::WriteImage(FFolder.Path(), "wave", tracks, {FileType::Wave, false});
  std::string wave = testdata::ReadTextFile(FFolder.File("wave.wav")), extensible = wave.substr(0, 12);
  extensible += std::string("fmt \x28\0\0\0\xFE\xFF", 10) + wave.substr(22, 14) + std::string("\x16\0\x10\0\x03\0\0\0", 8) +
                std::string("\x01\0\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 16) + wave.substr(36);
  testdata::WriteTextFile(FFolder.File("wave.wav"), extensible);
  ASSERT_NE(0u, OpenImage(FFolder.File("wave.cue")));
  ExpectRipsBitForBit(tracks);
  CloseCDHandle(FHandle);
  FHandle = 0;

  std::string many = "FILE \"disc.bin\" BINARY\n", gap = "FILE \"disc.bin\" BINARY\n";
  for (int n = 1; n <= 100; ++n)
    many += "TRACK " + std::to_string(n) + " AUDIO\nINDEX 01 00:00:" + std::to_string(n % 60) + "\n";
  gap += "TRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 03 AUDIO\nINDEX 01 00:00:30\n";
  const std::string frames = "FILE \"disc.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:100\n";
  const std::string seconds = "FILE \"disc.bin\" BINARY\nTRACK 01 AUDIO\nPREGAP 00:60:00\nINDEX 01 00:00:00\n";
  const std::string outside = "FILE \"disc.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
                              "INDEX 01 00:02:00\n";
  const std::string range = ": a time's seconds go from 00 to 59 and its frames from 00 to 74";
  const std::vector<std::pair<std::string, std::string>> refused = {
      {many, "has more than 99 tracks"},
      {gap, "numbers its tracks out of order at TRACK 3"},
      {frames, "has the time 00:00:100 at INDEX 01 of track 1" + range},
      {seconds, "has the time 00:60:00 at PREGAP of track 1" + range},
      {outside, "places track 2 outside its file"}};
  for (const auto& [text, reason] : refused) {
    testdata::WriteTextFile(sheet, text);
    std::string shown;
    EXPECT_EQ(0u, testdata::OpenImageDrive(sheet, &shown));
    EXPECT_EQ("The CUE sheet " + sheet + " " + reason, shown);
  }
}

// A sheet's TITLE, PERFORMER and SONGWRITER lines, quoted or not, are the disc's CD-Text, made safe: UTF-8
// (a Latin-1 byte converted), without control characters, bounded. libcdio's bincue driver reads them the same.
TEST_F(ImageDriveTest, TheSheetsTitlesAndPerformersAreItsCdText) {
  std::vector<ImageTrack> tracks = {{{}, Pattern(BlockFrames(60), 1)}, {{}, Pattern(BlockFrames(40), 2)}};
  std::string sheet = discimage::WriteImage(FFolder.Path(), "disc", tracks, {});
  testdata::AddCdText(sheet, "PERFORMER \"Blue\"\nTITLE Songs of Caf\xE9\n",
                      {"    TITLE \"\x1b[31mRed Line\x7f\"\n    SONGWRITER Green\n",
                       "    TITLE \"" + std::string(200, 'x') + "\"\n    PERFORMER \"Red\"\n"});
  for (const std::string& drive : {sheet, "bincue:" + sheet}) {
    SCOPED_TRACE(drive);
    ASSERT_NE(0u, OpenImage(drive));
    DiscText text;
    ASSERT_TRUE(ReadCDText(FHandle, text));
    EXPECT_EQ("Songs of Caf\xC3\xA9", text.disc.title);
    EXPECT_EQ("Blue", text.disc.performer);
    ASSERT_EQ(2u, text.tracks.size());
    EXPECT_EQ("[31mRed Line", text.tracks[0].title);
    EXPECT_EQ("Green", text.tracks[0].songwriter);
    EXPECT_EQ(std::string(kMostDiscTextBytes, 'x'), text.tracks[1].title);
    EXPECT_EQ("Red", text.tracks[1].performer);
    CloseCDHandle(FHandle);
    FHandle = 0;
  }
  ASSERT_NE(0u, OpenImage(discimage::WriteImage(FFolder.Path(), "plain", tracks, {})));
  DiscText none;
  ASSERT_TRUE(ReadCDText(FHandle, none));
  EXPECT_TRUE(none.Empty());
}

// REM SESSION lines, which libcue passes over, say whether a data track after audio starts a session.
TEST_F(ImageDriveTest, RemSessionLinesSayWhereTheAudioEnds) {
  std::vector<ImageTrack> tracks = {{{}, Pattern(BlockFrames(12000), 1)}, {{}, Pattern(BlockFrames(300), 2)}};
  discimage::WriteImage(FFolder.Path(), "disc", tracks, {});
  std::string sheet = FFolder.File("sessions.cue");
  for (int second : {1, 2}) {
    testdata::WriteTextFile(sheet, "FILE \"disc.bin\" BINARY\n  REM SESSION 01\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                   "  rem session 0" + std::to_string(second) + "\n  TRACK 02 MODE1/2352\n"
                                   "    INDEX 01 02:40:00\n");
    ASSERT_NE(0u, OpenImage(sheet));
    TOC toc = ReadBlockToc();
    EXPECT_EQ(second, toc.tracks[1].reserved1);
    std::uint32_t blocks = second == 1 ? 12000 : 600;
    std::vector<std::uint8_t> expected = testdata::ExpectedTrackBytes(tracks, 0);
    expected.resize(std::size_t(blocks) * CD_BLOCK_BYTES);
    EXPECT_TRUE(RipTrack(0, blocks) == expected);
    CloseCDHandle(FHandle);
  }
  FHandle = 0;
}

// libcue loses memory on each sheet it cannot parse: such a sheet is not parsed again while unchanged.
TEST_F(ImageDriveTest, AnUnchangedBrokenSheetIsNotParsedAgain) {
  std::string sheet = FFolder.File("broken.cue");
  testdata::WriteTextFile(sheet, "FILE \"x.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 XYZ\nINDEX 01 00:00:10\n");
  OpenImage(sheet);
  std::size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 300; ++i) EXPECT_EQ(0u, OpenImage(sheet));
  EXPECT_LT(mallinfo2().uordblks, before + 100000);
}

// A value of [CD Images] may name libcdio's image driver before its path; the path starts at the given folder.
// Such an image is a drive without a door, named after its file and driver.
TEST_F(ImageDriveTest, ImageValuesMayNameLibcdiosImageDriver) {
  std::vector<std::int16_t> audio = Pattern(BlockFrames(30), 1);
  testdata::WriteDriveImage(FFolder.Path(), {{audio}}, testdata::DriveImageForm::BinCue);
  testdata::WriteTextFile(FFolder.File("settings.ini"), "[CD Images]\na=bincue:disc.cue\nb=cdrdao:none.toc\n");
  UseCDImagesOf(FFolder.File("settings.ini"), FFolder.Path().string());
  CDLIST list;
  GetCDList(&list);
  ASSERT_EQ(2, list.num);
  EXPECT_STREQ("Image: disc.cue (bincue)", list.cd[0].id);
  EXPECT_STREQ("Image: none.toc (cdrdao)", list.cd[1].id);
  EXPECT_FALSE(CDDriveHasDoor(list.cd[0]));
  GETCDHAND request;
  request.ha = list.cd[0].ha;
  request.tgt = list.cd[0].tgt;
  FHandle = GetCDHandle(&request);
  ASSERT_NE(0u, FHandle);
  std::vector<std::uint8_t> ripped = RipTrack(0, 30);
  EXPECT_TRUE(ripped.size() == audio.size() * 2 && std::memcmp(ripped.data(), audio.data(), ripped.size()) == 0);
  request.tgt = list.cd[1].tgt;
  EXPECT_EQ(0u, GetCDHandle(&request));
  EXPECT_EQ("The disc image " + FFolder.File("none.toc") + " cannot be opened", CDDriveOpenError(list.cd[1]));
}

TEST_F(ImageDriveTest, TheListHoldsAtMostEightDrivesNamedAfterTheirSheets) {
  std::vector<std::string> sheets;
  for (int i = 0; i < 10; ++i) sheets.push_back(FFolder.File("disc" + std::to_string(i) + ".cue"));
  SetCDImageFiles(sheets);
  CDLIST list;
  GetCDList(&list);
  ASSERT_EQ(MAXCDLIST, list.num);
  EXPECT_STREQ("Image: disc0.cue", list.cd[0].id);
  EXPECT_STREQ("Image: disc7.cue", list.cd[7].id);
  GETCDHAND request;
  request.ha = list.cd[7].ha;
  request.tgt = list.cd[7].tgt;
  request.ver = 2;
  EXPECT_EQ(0u, GetCDHandle(&request));
}

}  // namespace
