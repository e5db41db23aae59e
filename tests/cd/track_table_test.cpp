#include <gtest/gtest.h>

#include "cd/CdDrives.h"
#include "tests/data/TestDiscs.h"

namespace {

TEST(TrackTableTest, RowsShowLengthAndSizeAsTheListPrintsThem) {
  TrackRow row = MakeTrackRow(4, 18787, OutputFormat::MP3);
  EXPECT_EQ("04", row.number);
  EXPECT_EQ("Track-04.mp3", row.name);
  EXPECT_EQ("04:10,37", row.length);
  EXPECT_EQ("   42.14 M", row.size);
  EXPECT_EQ("18787", row.blocks);
  EXPECT_TRUE(row.checked);

  row = MakeTrackRow(12, 75, OutputFormat::WAV);
  EXPECT_EQ("00:01,00", row.length);
  EXPECT_EQ("    0.17 M", row.size);
  EXPECT_EQ("Track-12.wav", row.name);
  EXPECT_EQ("Track-03.ogg", MakeTrackRow(3, 1, OutputFormat::Ogg).name);
  EXPECT_EQ("74:00,74", TrackLengthText(74 * 60 * 75 + 74));
}

TableOfContents TocOf(std::vector<std::uint32_t> starts) {
  TableOfContents toc;
  toc.firstTrack = 1;
  toc.lastTrack = static_cast<std::uint8_t>(starts.size() - 1);
  for (std::size_t k = 0; k < starts.size(); ++k)
    toc.entries.push_back({static_cast<std::uint8_t>(k + 1 < starts.size() ? k + 1 : 0xAA), starts[k]});
  return toc;
}

TEST(TrackTableTest, DiscIdFollowsTheCddbSums) {
  std::vector<std::uint32_t> starts;
  for (std::uint32_t offset : {150, 21834, 43363, 63436, 89772, 115596, 138570, 167224, 190210})
    starts.push_back(offset - 150);
  starts.push_back(2819 * 75 - 150);
  EXPECT_EQ("820b0109", CddbDiscId(TocOf(starts)));
  EXPECT_EQ("6019002", CddbDiscId(TocOf({0, 15000, 30000})));  // no leading zero
}

TEST(TrackTableTest, TocRecordsThatGoBackwardsAreRefused) {
  TOC record;
  record.firstTrack = 1;
  record.lastTrack = 2;
  record.tracks[0].addr[3] = 10;
  record.tracks[1].addr[3] = 5;
  record.tracks[2].addr[3] = 20;
  TableOfContents toc;
  EXPECT_FALSE(TableOfContentsFromRecord(record, toc));
  record.tracks[1].addr[3] = 15;
  ASSERT_TRUE(TableOfContentsFromRecord(record, toc));
  EXPECT_EQ(5u, toc.BlocksOf(0));
  record.lastTrack = 0;
  EXPECT_FALSE(TableOfContentsFromRecord(record, toc));
}

class CdDrivesTest : public ::testing::Test {
 protected:
  void SetUp() override { SetPhysicalDrivesEnabled(false); }
  void TearDown() override { SetCDImageFiles({}); }
  testdata::TempFolder FFolder;
};

TEST_F(CdDrivesTest, ReadingADiscGivesOneCheckedRowPerTrack) {
  std::vector<discimage::ImageTrack> tracks = {{{}, testdata::Pattern(testdata::BlockFrames(18787), 1)},
                                               {{}, testdata::Pattern(testdata::BlockFrames(75), 2)}};
  SetCDImageFiles({discimage::WriteImage(FFolder.Path(), "two", tracks, {}), FFolder.File("absent.cue")});
  CdDrives drives;
  ASSERT_TRUE(drives.ReadDriveList());
  EXPECT_EQ((std::vector<std::string>{"Image: two.cue", "Image: absent.cue"}), drives.Identifications());

  DiscReading reading = drives.ReadTableOfContents(OutputFormat::Ogg);
  EXPECT_EQ("", reading.message);
  ASSERT_EQ(2u, reading.rows.size());
  EXPECT_EQ("Track-01.ogg", reading.rows[0].name);
  EXPECT_EQ("04:10,37", reading.rows[0].length);
  EXPECT_EQ("75", reading.rows[1].blocks);
  EXPECT_EQ(18787u, drives.Toc().entries[1].start);
  EXPECT_NE(0u, drives.Handle());

  drives.SetCurrentIndex(1);
  reading = drives.ReadTableOfContents(OutputFormat::MP3);
  EXPECT_EQ(kNoDiscMessage, reading.message);
  EXPECT_TRUE(reading.rows.empty());
  EXPECT_EQ(0u, drives.Handle());
}

TEST_F(CdDrivesTest, NoDriveLeavesTheEarlierList) {
  CdDrives drives;
  EXPECT_FALSE(drives.ReadDriveList());
  EXPECT_TRUE(drives.Identifications().empty());
  EXPECT_EQ(kNoDiscMessage, drives.ReadTableOfContents(OutputFormat::MP3).message);
}

}  // namespace
