#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "cd/MusicBrainzLookup.h"
#include "cd/TrackNaming.h"
#include "tests/data/MusicBrainzTestServer.h"
#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"

using testdata::MusicBrainzReplyFile;
using testdata::MusicBrainzTestServer;

namespace {

const std::string kDiscPath = "/ws/2/discid/5Yg_iRnsRa_h7uC5YjaJKRRyoZw-";

// Three tracks of 10 blocks, as the test disc images have them.
TableOfContents ThreeTracks() {
  TableOfContents toc;
  toc.firstTrack = 1;
  toc.lastTrack = 3;
  for (std::uint32_t start : {0u, 10u, 20u, 30u}) toc.entries.push_back({0, start, true});
  return toc;
}

MusicBrainzResult LookUp(const MusicBrainzTestServer& server) {
  return LookUpMusicBrainz(ThreeTracks(), {server.Url(), "me@example.org", ""});
}

TEST(MusicBrainzLookupTest, OneReleaseGivesTheMediumsTitlesCreditsAndIds) {
  MusicBrainzTestServer server({{kDiscPath, {200, MusicBrainzReplyFile("one_release.json")}}});
  MusicBrainzResult result = LookUp(server);
  ASSERT_EQ(MusicBrainzOutcome::Found, result.outcome);
  ASSERT_EQ(1u, result.releases.size());
  const MusicBrainzRelease& release = result.releases[0];
  EXPECT_EQ("Blue feat. R\xC3\xB8" "d", release.artist);
  EXPECT_EQ("Songs", release.title);
  EXPECT_EQ("2001-05-02", release.date);
  EXPECT_EQ("DE", release.country);
  EXPECT_EQ("Label One", release.label);
  EXPECT_EQ("CD", release.format);
  EXPECT_EQ(std::vector<std::string>({"Intro", "Zwei/Two", "Outro"}), release.metadata.titles);
  EXPECT_EQ("Guest", release.metadata.artists[1]);
  EXPECT_EQ("2001", release.metadata.year);
  EXPECT_EQ("6a1c6c6e-0b3f-4d7c-9e57-2f0c1e8d4a01", release.metadata.musicBrainzReleaseId);
  EXPECT_EQ("7a8b9c0d-1e2f-4a3b-4c5d-6e7f8091a2b3", release.metadata.musicBrainzRecordingIds[1]);
  EXPECT_EQ("5e6f7a8b-9c0d-4e1f-2a3b-4c5d6e7f8091", release.metadata.musicBrainzTrackIds[1]);
  EXPECT_EQ("synth-pop", release.metadata.genre);  // the release's genre with the most votes
  std::vector<TrackRow> rows = {MakeTrackRow(1, 10, OutputFormat::MP3), MakeTrackRow(2, 10, OutputFormat::MP3),
                                MakeTrackRow(3, 10, OutputFormat::MP3)};
  EXPECT_EQ(std::vector<std::string>({"Intro.mp3", "Zwei-Two.mp3", "Outro.mp3"}),
            LookedUpNames(release.metadata, rows, OutputFormat::MP3, {}));

  std::vector<testdata::MusicBrainzRequest> requests = server.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ(kDiscPath + "?inc=recordings+artist-credits+labels+release-groups+isrcs+genres&fmt=json", requests[0].target);
  EXPECT_EQ("Quillon/2.98 ( me@example.org )", requests[0].userAgent);
}

TEST(MusicBrainzLookupTest, SeveralReleasesAndTheMediumOfABoxThatHoldsTheDisc) {
  MusicBrainzTestServer several({{kDiscPath, {200, MusicBrainzReplyFile("several_releases.json")}}});
  MusicBrainzResult result = LookUp(several);
  ASSERT_EQ(2u, result.releases.size());
  EXPECT_EQ("Songs (Remaster)", result.releases[1].title);
  EXPECT_EQ("", result.releases[1].label);
  EXPECT_EQ("Enhanced CD", result.releases[1].format);
  EXPECT_EQ("pop", result.releases[1].metadata.genre);  // none on the release: its release group's
  EXPECT_EQ("", result.releases[0].metadata.genre);

  MusicBrainzTestServer box({{kDiscPath, {200, MusicBrainzReplyFile("multi_disc.json")}}});
  result = LookUp(box);
  ASSERT_EQ(1u, result.releases.size());
  EXPECT_EQ(std::vector<std::string>({"Two A", "Two B", "Two C"}), result.releases[0].metadata.titles);
}

TEST(MusicBrainzLookupTest, AnUnknownIdFallsBackToTheTableOfContentsAFullSecondLater) {
  MusicBrainzTestServer server({{"/ws/2/discid/-", {200, MusicBrainzReplyFile("toc_lookup.json")}}});
  MusicBrainzResult result = LookUp(server);
  ASSERT_EQ(MusicBrainzOutcome::Found, result.outcome);
  EXPECT_EQ("Near Match", result.releases[0].title);
  std::vector<testdata::MusicBrainzRequest> requests = server.Requests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ("/ws/2/discid/-?toc=1+3+180+150+160+170&cdstubs=no&"
            "inc=recordings+artist-credits+labels+release-groups+isrcs+genres&fmt=json",
            requests[1].target);
  EXPECT_GE(requests[1].arrived - requests[0].arrived, std::chrono::milliseconds(990));

  // An enhanced CD: the data session after the same three tracks is not counted, the audio session's end
  // (11,400 blocks before the data track) is the lead-out, as for the disc ID.
  TableOfContents enhanced = ThreeTracks();
  enhanced.lastTrack = 4;
  enhanced.entries.back() = {0, 30u + 11400u, false};
  enhanced.entries.push_back({0, 30u + 11400u + 500u, true});
  MusicBrainzTestServer second({{"/ws/2/discid/-", {200, MusicBrainzReplyFile("toc_lookup.json")}}});
  LookUpMusicBrainz(enhanced, {second.Url(), "me@example.org", ""});
  ASSERT_EQ(2u, second.Requests().size());
  EXPECT_EQ(kDiscPath + "?inc=recordings+artist-credits+labels+release-groups+isrcs+genres&fmt=json", second.Requests()[0].target);
  EXPECT_EQ(requests[1].target, second.Requests()[1].target);
}

TEST(MusicBrainzLookupTest, NoMatchBusyServerAndMalformedRepliesAreToldApart) {
  MusicBrainzTestServer none({});
  MusicBrainzResult result = LookUp(none);
  EXPECT_EQ(MusicBrainzOutcome::NoMatch, result.outcome);
  EXPECT_EQ("No record in MusicBrainz!", result.message);

  MusicBrainzTestServer busy({{kDiscPath, {503, R"({"error": "Your requests are exceeding the allowable rate limit."})"}}});
  result = LookUp(busy);
  EXPECT_EQ(MusicBrainzOutcome::Failed, result.outcome);
  EXPECT_EQ("MusicBrainz is busy (503); try again in a moment", result.message);

  MusicBrainzTestServer broken({{kDiscPath, {200, MusicBrainzReplyFile("malformed.json")}}});
  result = LookUp(broken);
  EXPECT_EQ(MusicBrainzOutcome::Failed, result.outcome);
  EXPECT_EQ("MusicBrainz sent a reply that cannot be read", result.message);
  EXPECT_TRUE(result.releases.empty());

  MusicBrainzTestServer huge({{kDiscPath, {200, std::string((1 << 20) + 1, ' ')}}});
  EXPECT_EQ("MusicBrainz sent a reply too large to read (over 1 MiB)", LookUp(huge).message);
}

// A silent service holds the lookup only until its caller gives up, which it is asked about all along.
TEST(MusicBrainzLookupTest, ASilentServiceIsAbandonedWhenTheCallerGivesUp) {
  MusicBrainzTestServer silent({{kDiscPath, testdata::MusicBrainzReply{200, "", true}}});
  auto start = std::chrono::steady_clock::now();
  int asked = 0;
  MusicBrainzResult result = LookUpMusicBrainz(ThreeTracks(), {silent.Url(), "me@example.org", ""}, [&] {
    ++asked;
    return std::chrono::steady_clock::now() - start < std::chrono::milliseconds(600);
  });
  EXPECT_EQ(MusicBrainzOutcome::Abandoned, result.outcome);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
  EXPECT_GE(asked, 5);  // often enough for a window to stay painted
}

TEST(MusicBrainzCommandTest, ListsTheReleasesAndNamesTheTracksAfterTheChosenOne) {
  MusicBrainzTestServer server({{kDiscPath, {200, MusicBrainzReplyFile("several_releases.json")}}});
  testdata::TempFolder folder;
  std::vector<discimage::ImageTrack> tracks;
  for (int i = 0; i < 3; ++i) tracks.push_back({{}, testdata::Pattern(testdata::BlockFrames(10), i)});
  std::string sheet = discimage::WriteImage(folder.Path(), "disc", tracks, {});
  testdata::ProcessResult result =
      testdata::RunCommand(std::string(QUILLON_CLI) + " musicbrainz '" + sheet + "' --server " + server.Url() + " --release 2");
  EXPECT_EQ(0, result.status);
  EXPECT_EQ(
      "Release: 1\tBlue\tSongs\t2001\tDE\tLabel One\tCD\n"
      "Release: 2\tBlue\tSongs (Remaster)\t2011-10-01\tGB\t\tEnhanced CD\n"
      "ID: 5Yg_iRnsRa_h7uC5YjaJKRRyoZw-\nArtist: Blue\nTitle: Songs (Remaster)\nType: Enhanced CD\n"
      "01\tIntro (Remaster).mp3\n02\tMiddle (Remaster).mp3\n03\tOutro (Remaster).mp3\n",
      result.out);
  EXPECT_EQ(1, testdata::RunCommand(std::string(QUILLON_CLI) + " musicbrainz '" + sheet + "' --server " + server.Url() +
                                    " --release 3").status);

  // rip --lookup asks MusicBrainz when the settings say so, and rips after the release --release names; without
  // one, or with one it does not know, it lists them and stops as wrong usage.
  std::string settings = folder.File("settings.ini");
  testdata::WriteTextFile(settings, "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n[MusicBrainz]\nserver=" +
                                        server.Url() + "\nlookup=MusicBrainz, then CDDB\n[AccurateRip]\nserver=\n[CTDB]\nserver=\n");
  std::string out = folder.File("out");
  std::filesystem::create_directory(out);
  std::string rip = std::string(QUILLON_CLI) + " rip '" + sheet + "' --format wav --tracks 3 --lookup --out '" + out +
                    "' --settings '" + settings + "'";
  for (std::string choice : {"", " --release 3"}) {
    result = testdata::RunCommand(rip + choice);
    EXPECT_EQ(2, result.status);
    EXPECT_NE(std::string::npos, result.out.find("Release: 2\tBlue\tSongs (Remaster)\t2011-10-01\tGB\t\tEnhanced CD\n"));
  }
  EXPECT_NE(std::string::npos, result.out.find("quillon-cli: MusicBrainz knows 2 releases of this disc, not 3\n"));
  EXPECT_TRUE(std::filesystem::is_empty(out));
  result = testdata::RunCommand(rip + " --release 2 2>/dev/null | cut -f2");
  EXPECT_EQ(out + "/Outro (Remaster).wav\n", result.out);
  // The three rips ran one after another, each asking once: the pace holds across runs.
  std::vector<testdata::MusicBrainzRequest> requests = server.Requests();
  ASSERT_GE(requests.size(), 3u);
  for (std::size_t k = requests.size() - 2; k < requests.size(); ++k)
    EXPECT_GE(requests[k].arrived - requests[k - 1].arrived, std::chrono::milliseconds(990));
}

}  // namespace
