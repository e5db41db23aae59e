#include <gtest/gtest.h>

#include <cstring>

#include "platform/akrip32/CddbClient.h"
#include "platform/akrip32/akrip32.h"
#include "tests/data/CddbTestServer.h"
#include "tests/data/TestDiscs.h"

using testdata::CddbFault;
using testdata::CddbTestEntry;
using testdata::CddbTestServer;

namespace {

// Three tracks of 10 blocks: disc ID 06000003, offsets 150 160 170, 2 seconds.
const std::string kDiscId = "06000003";

std::string Joined(const std::vector<std::string>& lines, const std::string& end) {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

// The disc ID as the database's own documentation computes it: whole seconds of each track's
// minute:second:frame address (lead-in included), the playing time from those of the lead-out and track 1.
std::uint32_t ReferenceDiscId(const CddbDisc& disc) {
  auto seconds = [](std::uint32_t lba) { return (lba + 150) / 4500 * 60 + (lba + 150) / 75 % 60; };
  std::uint32_t n = 0;
  for (std::uint32_t start : disc.trackStarts)
    for (std::uint32_t s = seconds(start); s > 0; s /= 10) n += s % 10;
  std::uint32_t t = seconds(disc.leadout) - seconds(disc.trackStarts.front());
  return (n % 0xFF) << 24 | t << 8 | static_cast<std::uint32_t>(disc.trackStarts.size());
}

TEST(CddbDiscIdTest, MatchesTheDatabaseAlsoWhenTheFirstTrackStartsLater) {
  EXPECT_EQ(0x1f03a303u, CddbDiscIdOf({{182, 20000, 41234}, 70000}));  // worked out by hand
  EXPECT_EQ(0x1d03a503u, CddbDiscIdOf({{0, 20000, 41234}, 70000}));
  for (std::uint32_t first = 0; first < 3000; first += 37) {
    CddbDisc disc{{first, first + 16000 + first % 74, first + 40000 + 3 * first}, first + 300000 + first % 75};
    EXPECT_EQ(ReferenceDiscId(disc), CddbDiscIdOf(disc)) << first;
  }
}

class CddbClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPhysicalDrivesEnabled(false);
    std::vector<discimage::ImageTrack> tracks;
    for (int i = 0; i < 3; ++i) tracks.push_back({{}, testdata::Pattern(testdata::BlockFrames(10), i)});
    SetCDImageFiles({discimage::WriteImage(FFolder.Path(), "disc", tracks, {})});
    CDLIST list;
    GetCDList(&list);
    GETCDHAND request;
    request.ha = list.cd[0].ha;
    request.tgt = list.cd[0].tgt;
    FHandle = GetCDHandle(&request);
    ASSERT_NE(0u, FHandle);
  }
  void TearDown() override {
    CloseCDHandle(FHandle);
    SetCDImageFiles({});
  }

  static void UseServer(const std::string& address) {
    CDDBSetOption(CDDB_OPT_SERVER, address.c_str(), 0);
    CDDBSetOption(CDDB_OPT_CGI, "/~cddb/cddb.cgi", 0);
    CDDBSetOption(CDDB_OPT_USER, "me@example.org", 0);
    CDDBSetOption(CDDB_OPT_AGENT, "program 1.0", 0);
  }

  int Query(CDDBQUERYITEM* items, std::uint8_t capacity) {
    CDDBQUERY query;
    query.num = capacity;
    query.q = items;
    CDDBQuery(FHandle, &query);
    return query.num;
  }

  testdata::TempFolder FFolder;
  HCDROM FHandle = 0;
  std::vector<std::string> FLines = testdata::XmcdLines(kDiscId, "Blue / Songs", {"One", "Two", "Three"});
};

TEST_F(CddbClientTest, QueryAndReadSpeakTheProtocol) {
  // 79 letters and a two-byte character: the 80-byte artist field must not keep half of it.
  std::string artist = std::string(79, 'a') + "\xC3\xA9";
  CddbTestServer server({{"rock", kDiscId, artist + " / Songs", FLines}});
  UseServer(server.Address());

  CDDBQUERYITEM match;
  ASSERT_EQ(1, Query(&match, 1));
  EXPECT_STREQ("rock", match.categ);
  EXPECT_STREQ("06000003", match.cddbId);
  EXPECT_EQ(std::string(79, 'a'), match.artist);
  EXPECT_STREQ("Songs", match.title);
  ASSERT_EQ(1u, server.Requests().size());
  EXPECT_EQ("cddb query 06000003 3 150 160 170 2", server.Requests()[0].cmd);
  EXPECT_EQ("me example.org program 1.0", server.Requests()[0].hello);
  EXPECT_EQ("6", server.Requests()[0].proto);

  std::vector<char> text(32000, 'x');
  ASSERT_EQ(1, CDDBGetDiskInfo(&match, text.data(), 32000));
  EXPECT_EQ(Joined(FLines, "\r\n"), text.data());
  EXPECT_EQ("cddb read rock 06000003", server.Requests()[1].cmd);

  // A buffer too small for the entry keeps whole lines only.
  std::size_t firstThree = Joined({FLines[0], FLines[1], FLines[2]}, "\r\n").size();
  ASSERT_EQ(1, CDDBGetDiskInfo(&match, text.data(), static_cast<int>(firstThree + 2)));
  EXPECT_EQ(Joined({FLines[0], FLines[1], FLines[2]}, "\r\n"), text.data());
}

TEST_F(CddbClientTest, SeveralMatchesFillTheRoomGiven) {
  CddbTestServer server({{"rock", kDiscId, "A / B", FLines}, {"jazz", kDiscId, "Untitled", FLines}});
  UseServer(server.Address());
  CDDBQUERYITEM matches[2];
  EXPECT_EQ(1, Query(matches, 1));
  ASSERT_EQ(2, Query(matches, 2));
  EXPECT_STREQ("jazz", matches[1].categ);
  EXPECT_STREQ("Untitled", matches[1].artist);  // no separator: the whole title names both
  EXPECT_STREQ("Untitled", matches[1].title);
}

TEST_F(CddbClientTest, EntryCutShortFailsAndBareLineFeedsGetCarriageReturns) {
  CddbTestServer server({{"rock", kDiscId, "Blue / Songs", FLines}});
  UseServer(server.Address());
  CDDBQUERYITEM match;
  ASSERT_EQ(1, Query(&match, 1));
  std::vector<char> text(32000);
  server.SetFault(CddbFault::ReadCutShort);
  EXPECT_EQ(0, CDDBGetDiskInfo(&match, text.data(), 32000));
  server.SetFault(CddbFault::BareLineFeeds);
  ASSERT_EQ(1, CDDBGetDiskInfo(&match, text.data(), 32000));
  EXPECT_EQ(Joined(FLines, "\r\n"), text.data());
}

}  // namespace
