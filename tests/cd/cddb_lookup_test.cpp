#include <gtest/gtest.h>

#include <chrono>

#include "cd/CddbLookup.h"
#include "platform/inifile/TIniFile.h"
#include "tests/data/CddbTestServer.h"
#include "tests/data/TestDiscs.h"

using testdata::CddbFault;
using testdata::CddbTestServer;

namespace {

// Three tracks of 10 blocks: disc ID 06000003.
class CddbLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPhysicalDrivesEnabled(false);
    std::vector<discimage::ImageTrack> tracks;
    for (int i = 0; i < 3; ++i) tracks.push_back({{}, testdata::Pattern(testdata::BlockFrames(10), i)});
    UseDisc(discimage::WriteImage(FFolder.Path(), "disc", tracks, {}));
  }
  void TearDown() override { SetCDImageFiles({}); }

  void UseDisc(const std::string& sheet) {
    SetCDImageFiles({sheet});
    ASSERT_TRUE(FDrives.ReadDriveList());
  }

  CddbLookupResult LookUp(const CddbTestServer& server, OutputFormat format = OutputFormat::MP3) {
    FStatus.clear();
    CddbServer settings{server.Address(), "me@example.org"};
    return LookUpDisc(FDrives, format, settings, [this](const std::string& text) { FStatus.push_back(text); });
  }

  static std::vector<std::string> Names(const CddbLookupResult& result) {
    std::vector<std::string> names;
    for (const TrackRow& row : result.rows) names.push_back(row.name);
    return names;
  }

  testdata::TempFolder FFolder;
  CdDrives FDrives;
  std::vector<std::string> FStatus;
  const std::vector<std::string> FDefaultNames = {"Track-01.mp3", "Track-02.mp3", "Track-03.mp3"};
};

TEST_F(CddbLookupTest, MatchNamesTheRowsAfterTheirTitlesWithinTheOutputFolder) {
  CddbTestServer server(
      {{"rock", "06000003", "Die \xC3\x84rzte / Live", testdata::XmcdLines("06000003", "x", {"Intro", "../../evil", ".."})}});
  CddbLookupResult result = LookUp(server, OutputFormat::WAV);
  EXPECT_EQ(CddbOutcome::Found, result.outcome);
  EXPECT_EQ(std::vector<std::string>({"Intro.wav", "_..-..-evil.wav", "_...wav"}), Names(result));
  ASSERT_TRUE(result.information);
  EXPECT_EQ("06000003", result.information->discId);
  EXPECT_EQ("Die \xC3\x84rzte", result.information->artist);
  EXPECT_EQ("Live", result.information->title);
  EXPECT_EQ("rock", result.information->category);
  EXPECT_EQ(std::vector<std::string>({"Connecting with CDDB......", "Successful"}), FStatus);
  EXPECT_TRUE(result.rows[2].checked);
}

TEST_F(CddbLookupTest, EveryTrackGetsAFileOfItsOwnAndTheEntrysDataForItsTags) {
  // A NUL inside the first title once cut off the entry there, leaving the later tracks unnamed.
  std::vector<std::string> titles = {std::string("Intro\0\x1b[2J", 9), " ", "intro"};
  CddbTestServer server({{"rock", "06000003", "Various / Mix", testdata::XmcdLines("06000003", "Various / Mix", titles)}});
  CddbLookupResult result = LookUp(server);
  EXPECT_EQ(std::vector<std::string>({"Intro.mp3", "Track-02.mp3", "intro (2).mp3"}), Names(result));
  ASSERT_TRUE(result.metadata);
  EXPECT_EQ("Various", result.metadata->artist);
  EXPECT_EQ("Mix", result.metadata->album);
  EXPECT_EQ("2001", result.metadata->year);
  EXPECT_EQ("Test", result.metadata->genre);
  EXPECT_EQ("06000003", result.metadata->cddbId);
  EXPECT_EQ(std::vector<std::string>({"Intro", "", "intro"}), result.metadata->titles);

  CddbServer settings{server.Address(), "me@example.org"};
  result = LookUpDisc(FDrives, OutputFormat::Ogg, settings, [](const std::string&) {}, {"%A/%n %t", false});
  EXPECT_EQ(std::vector<std::string>({"Mix/01 Intro.ogg", "Mix/02 Track-02.ogg", "Mix/03 intro.ogg"}), Names(result));
}

TEST_F(CddbLookupTest, EachFailureKeepsTheFreshRowsWithTheirDefaultNames) {
  CddbTestServer server({{"rock", "06000003", "A / B", testdata::XmcdLines("06000003", "A / B", {"x", "y", "z"})}});

  server.SetFault(CddbFault::HttpError);
  CddbLookupResult result = LookUp(server);
  EXPECT_EQ(CddbOutcome::NoServerList, result.outcome);
  EXPECT_EQ(FDefaultNames, Names(result));
  EXPECT_FALSE(result.information);
  EXPECT_EQ(std::vector<std::string>({"Connecting with CDDB......", "Can't got CDDB server list"}), FStatus);

  server.SetFault(CddbFault::ReadRefused);
  result = LookUp(server);
  EXPECT_EQ(CddbOutcome::NoEntry, result.outcome);
  EXPECT_EQ("Error while getting DiskInfo!", result.message);
  EXPECT_EQ(FDefaultNames, Names(result));
  EXPECT_FALSE(result.information);
  EXPECT_EQ("Successful", FStatus.back());

  server.SetFault(CddbFault::ReadCutShort);
  EXPECT_EQ(CddbOutcome::NoEntry, LookUp(server).outcome);
}

TEST_F(CddbLookupTest, NoMatchShowsTheComputedDiscId) {
  CddbTestServer server({});
  CddbLookupResult result = LookUp(server);
  EXPECT_EQ(CddbOutcome::NoRecord, result.outcome);
  ASSERT_TRUE(result.information);
  EXPECT_EQ("6000003", result.information->discId);  // not padded, unlike the server's IDs
  EXPECT_EQ("Unknown Artist", result.information->artist);
  EXPECT_EQ("Unknown Title", result.information->title);
  EXPECT_EQ("Unknown Type", result.information->category);
  EXPECT_EQ("No record in CDDB!", FStatus.back());
  EXPECT_EQ(FDefaultNames, Names(result));
}

TEST_F(CddbLookupTest, UnreadableDiscOrSilentServerEndTheLookupEarly) {
  CddbTestServer server({});
  server.SetFault(CddbFault::Silent);
  SetCDDBTimeouts(std::chrono::milliseconds(300), std::chrono::milliseconds(500));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(CddbOutcome::NoServerList, LookUp(server).outcome);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  SetCDDBTimeouts(std::chrono::seconds(5), std::chrono::seconds(10));

  UseDisc(FFolder.File("missing.cue"));
  CddbLookupResult result = LookUp(server);
  EXPECT_EQ(CddbOutcome::DiscUnreadable, result.outcome);
  EXPECT_TRUE(result.rows.empty());
  EXPECT_EQ(std::vector<std::string>({"Cann't get CD Information from CDDB! Cannot open file " + FFolder.File("missing.cue")}),
            FStatus);
}

TEST(CddbTitleTest, TitleRunsToTheCarriageReturnAndTheFirstKeyWins) {
  std::string entry = "DTITLE=A / B\r\nTTITLE0=First\r\nTTITLE0=Continued\r\nTTITLE10=Eleventh\r\nTTITLE1=Second\r\n"
                      "TTITLE2=Last line";
  EXPECT_EQ("First", CddbTrackTitle(entry, 1));
  EXPECT_EQ("Second", CddbTrackTitle(entry, 2));
  EXPECT_EQ("Last line", CddbTrackTitle(entry, 3));
  EXPECT_EQ("Eleventh", CddbTrackTitle(entry, 11));
  EXPECT_EQ("", CddbTrackTitle(entry, 4));
}

TEST(CddbSettingsTest, ServerAndEmailComeFromTheCddbSectionOrTheirDefaults) {
  EXPECT_EQ("gnudb.gnudb.org", ReadCddbServer(nullptr).server);
  EXPECT_EQ("quillon@localhost", ReadCddbServer(nullptr).email);
  testdata::TempFolder folder;
  testdata::WriteTextFile(folder.File("settings.ini"), "[cddb]\nServer=cddb.example.org:8880\nemail=\n");
  TIniFile settings(folder.File("settings.ini"));
  EXPECT_EQ("cddb.example.org:8880", ReadCddbServer(&settings).server);
  EXPECT_EQ("quillon@localhost", ReadCddbServer(&settings).email);
}

}  // namespace
