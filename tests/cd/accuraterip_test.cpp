#include "cd/AccurateRip.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

#include "cd/AccurateRipClient.h"
#include "cd/DiscChecksums.h"
#include "cd/DriveOffsetList.h"
#include "platform/inifile/TIniFile.h"
#include "tests/cd/TestChecksums.h"
#include "tests/data/HttpTestServer.h"
#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"

using discimage::ImageTrack;
using testdata::BlockFrames;
using testdata::Pattern;

namespace {

std::vector<ImageTrack> ThreeTracks() {
  return {{{}, Pattern(BlockFrames(460), 1)}, {{}, Pattern(BlockFrames(30), 2)}, {{}, Pattern(BlockFrames(460), 3)}};
}

std::string Lines(const std::string& text, bool ids) {
  std::string kept;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end - start + 1);
    if ((line.rfind("ids ", 0) == 0) == ids) kept += line;
    start = end + 1;
  }
  return kept;
}

TEST(AccurateRipTest, ChecksumsIdsAndOffsetsMatchAnIndependentComputation) {
  testdata::TempFolder folder;
  testdata::WriteTextFile(folder.File("settings.ini"), "[Drive Offsets]\n");
  std::string settings = " --settings '" + folder.File("settings.ini") + "'";
  struct Disc {
    std::vector<ImageTrack> tracks;
    std::string bounds;
  } discs[] = {{ThreeTracks(), "0 460 490 950"}, {{{{}, Pattern(BlockFrames(461), 4)}}, "0 461"}};
  for (const Disc& disc : discs) {
    std::string sheet = discimage::WriteImage(folder.Path(), "disc", disc.tracks, {});
    for (int offset : {0, 6, -6, 667, -1200}) {
      SCOPED_TRACE("offset " + std::to_string(offset));
      testdata::ProcessResult ours = testdata::RunCommand(std::string(QUILLON_CLI) + " checksums '" + sheet +
                                                          "' --offset " + std::to_string(offset) + settings);
      testdata::ProcessResult reference = testdata::RunCommand(std::string(QUILLON_PYTHON) + " " REFERENCE " '" +
                                                               folder.File("disc.bin") + "' " + std::to_string(offset) +
                                                               " " + disc.bounds);
      EXPECT_EQ(0, ours.status);
      EXPECT_EQ(Lines(reference.out, false), ours.out);
    }
    std::string ids = Lines(testdata::RunCommand(std::string(QUILLON_PYTHON) + " " REFERENCE " '" +
                                                 folder.File("disc.bin") + "' 0 " + disc.bounds).out, true);
    std::string id1 = ids.substr(4, 8), id2 = ids.substr(13, 8);
    std::string printed = testdata::RunCommand(std::string(QUILLON_CLI) + " ids '" + sheet + "'").out;
    EXPECT_NE(std::string::npos, printed.find("-" + id1 + "-" + id2 + "-")) << printed;
  }
}

// Each drive is matched on its vendor and model whatever its revision, spacing or case, the most submitted of
// several records; the list is kept for ten days, then asked for again, and an old one serves when the server
// gives none.
TEST(AccurateRipTest, TheDriveListIsParsedMatchedAndKeptForTenDays) {
  std::string list = testdata::DriveOffsetsFile({{6, "HL-DT-ST - DVDRAM GH24NSD1", 1520}, {-472, "PLEXTOR  - DVDR   PX-716A", 3},
                                                 {667, "HL-DT-ST - DVDRAM GH24NSD1", 20}, {48, "HL-DT-ST - DVDRAM GH24NS", 9}});
  std::vector<DriveOffsetRecord> records;
  EXPECT_FALSE(ParseDriveOffsetList(list.substr(1), records));
  ASSERT_TRUE(ParseDriveOffsetList(list, records));
  ASSERT_EQ(4u, records.size());
  EXPECT_EQ("PLEXTOR  - DVDR   PX-716A", records[1].name);
  auto listed = [&](const std::string& drive) {
    const DriveOffsetRecord* record = ListedDriveOffset(records, drive);
    return record == nullptr ? std::string("none") : SignedOffset(record->offset) + "/" + std::to_string(record->submissions);
  };
  EXPECT_EQ("+6/1520", listed("HL-DT-ST DVDRAM GH24NSD1 LG00"));
  EXPECT_EQ("-472/3", listed("plextor DVDR PX-716A 1.11"));
  EXPECT_EQ("+48/9", listed("HL-DT-ST DVDRAM GH24NS"));
  EXPECT_EQ("none", listed("HL-DT-ST DVDRAM GH24NS D1 LG00"));
  EXPECT_EQ("none", listed("Image: disc.cue"));

  testdata::TempFolder folder;
  std::string served = list;
  testdata::HttpTestServer server([&](const std::string&) { return testdata::HttpTestReply{200, served}; });
  auto look = [&](const std::string& url) { return AccurateRipClient(url, folder.File("cache")).LookDriveOffsets(); };
  EXPECT_EQ(4u, look(server.Url()).records.size());
  served = list.substr(0, 69);
  EXPECT_EQ(4u, look(server.Url()).records.size());
  EXPECT_EQ("/accuraterip/DriveOffsets.bin", server.Requests().at(0).target);
  EXPECT_EQ(1u, server.Requests().size());
  std::string kept = folder.File("cache/accuraterip/DriveOffsets.bin");
  std::filesystem::last_write_time(kept, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 11));
  EXPECT_EQ(1u, look(server.Url()).records.size());
  std::filesystem::last_write_time(kept, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 11));
  DriveOffsetListLookup old = look("http://127.0.0.1:9");
  EXPECT_TRUE(old.found);
  EXPECT_EQ(1u, old.records.size());
  EXPECT_FALSE(AccurateRipClient("http://127.0.0.1:9", "").LookDriveOffsets().found);
}

std::string Dbar(const AccurateRipIds& ids, const std::vector<std::vector<DbarTrack>>& pressings) {
  std::vector<std::vector<testdata::DbarEntry>> entries;
  for (const auto& pressing : pressings) {
    entries.emplace_back();
    for (const DbarTrack& track : pressing) entries.back().push_back({track.confidence, track.checksum, track.checksum450});
  }
  return testdata::DbarFile(ids.id1, ids.id2, ids.cddb, entries);
}

class VerificationTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenDisc(ThreeTracks()); }

  void OpenDisc(const std::vector<ImageTrack>& tracks) {
    if (FHandle != 0) CloseCDHandle(FHandle);
    FHandle = testdata::OpenImageDrive(discimage::WriteImage(FFolder.Path(), "disc", tracks, {}));
    ModifyCDParms(FHandle, CDP_MSF, 0);
    TOC record;
    ReadTOC(FHandle, &record);
    TableOfContentsFromRecord(record, FToc);
    FIds = AccurateRipIdsOf(FToc);
    FTracks = Checksums(0);
  }
  void TearDown() override {
    CloseCDHandle(FHandle);
    SetCDImageFiles({});
  }

  std::vector<AudioTrackChecksums> Checksums(int offset) { return testdata::ChecksumsAt(FHandle, FToc, offset); }

  std::vector<DbarTrack> Pressing(const std::vector<AudioTrackChecksums>& tracks, int confidence, bool v2) {
    std::vector<DbarTrack> pressing;
    for (const AudioTrackChecksums& track : tracks) {
      const TrackSums& sums = track.checksums.Sums();
      pressing.push_back({confidence, v2 ? sums.arV2 : sums.arV1, sums.ar450});
    }
    return pressing;
  }

  // The verdicts on our tracks when the server answers so.
  std::vector<std::string> Verdicts(testdata::HttpTestReply reply, std::string* disc = nullptr) {
    testdata::HttpTestServer server([&](const std::string&) { return reply; });
    AccurateRipClient client(server.Url(), "");
    client.SetTimeouts(std::chrono::milliseconds(500), std::chrono::milliseconds(500));
    DbarLookup lookup = client.Look(FIds);
    std::vector<std::string> texts;
    if (lookup.result == DbarLookup::Result::Failed) return {lookup.error};
    std::vector<TrackVerdict> verdicts;
    std::vector<int> offsets;
    for (std::size_t i = 0; i < FTracks.size(); ++i) {
      ShiftedSumsOf sumsAt = ShiftedSumsFromDrive(FHandle, FToc, int(i), i == 0, i + 1 == FTracks.size());
      verdicts.push_back(VerifyTrack(lookup.pressings, i, FTracks[i].checksums, sumsAt, offsets));
      if (verdicts.back().kind == TrackVerdict::Kind::AccurateWithOffset) offsets.push_back(verdicts.back().offset);
      texts.push_back(verdicts.back().Text());
    }
    if (disc != nullptr) *disc = DiscVerdictText(verdicts);
    EXPECT_EQ(FIds.Path(), server.Requests().at(0).target.substr(1));
    EXPECT_EQ(ProgramUserAgent(), server.Requests().at(0).userAgent);
    return texts;
  }

  testdata::TempFolder FFolder;
  HCDROM FHandle = 0;
  TableOfContents FToc;
  AccurateRipIds FIds;
  std::vector<AudioTrackChecksums> FTracks;
};

TEST_F(VerificationTest, EachTrackIsJudgedAgainstEveryPressing) {
  std::string disc;
  EXPECT_EQ(std::vector<std::string>(3, "accurate (confidence 3)"),
            Verdicts({200, Dbar(FIds, {Pressing(FTracks, 3, false)})}, &disc));
  EXPECT_EQ("accurate (3 of 3 tracks)", disc);

  std::vector<DbarTrack> other = Pressing(Checksums(1000), 9, false);
  std::vector<DbarTrack> wrong = Pressing(FTracks, 7, true);
  wrong[1].checksum ^= 1;
  std::vector<std::string> verdicts = Verdicts({200, Dbar(FIds, {other, wrong})}, &disc);
  EXPECT_EQ("accurate (confidence 7)", verdicts[0]);
  EXPECT_EQ("not accurate (database holds " + [&] {
              char text[32];
              std::snprintf(text, sizeof text, "%08x, %08x", other[1].checksum, wrong[1].checksum);
              return std::string(text);
            }() + ")",
            verdicts[1]);
  EXPECT_EQ("2 of 3 tracks accurate, 1 not accurate", disc);

  // Read six samples too early: the block-450 sums find where the pressing matches.
  EXPECT_EQ("accurate with offset +6 (confidence 2)", Verdicts({200, Dbar(FIds, {Pressing(Checksums(6), 2, false)})})[0]);
}

// An offset is claimed only where whole tracks prove it: not for a track whose bytes differ far from block 450,
// nor for audio that repeats, so that block 450 matches at many shifts (the nearest 0 that proves out is taken).
// A track too short for block 450 is proved at the offset of the others, and the disc says so once.
TEST_F(VerificationTest, AnOffsetIsClaimedOnlyWhereWholeTracksProveIt) {
  std::string disc;
  std::vector<DbarTrack> shifted = Pressing(Checksums(6), 2, true);
  EXPECT_EQ(std::vector<std::string>(3, "accurate with offset +6 (confidence 2)"), Verdicts({200, Dbar(FIds, {shifted})}, &disc));
  EXPECT_EQ("accurate with offset +6 (3 of 3 tracks)", disc);
  shifted[0].checksum ^= 0x10;  // the pressing differs from the disc far from block 450
  EXPECT_EQ(0u, Verdicts({200, Dbar(FIds, {shifted})})[0].rfind("not accurate (database holds", 0));

  std::vector<std::int16_t> repeating(BlockFrames(460) * 2);
  std::vector<std::int16_t> period = Pattern(49, 5);
  for (std::size_t i = 0; i < repeating.size(); ++i) repeating[i] = period[i % period.size()];
  OpenDisc({{{}, repeating}, {{}, Pattern(BlockFrames(460), 6)}});
  EXPECT_EQ("accurate with offset +55 (confidence 4)", Verdicts({200, Dbar(FIds, {Pressing(Checksums(55), 4, true)})})[0]);
  std::vector<DbarTrack> other = Pressing(Checksums(55), 4, true);
  other[0].checksum ^= 1;
  EXPECT_EQ(0u, Verdicts({200, Dbar(FIds, {other})})[0].rfind("not accurate (database holds", 0));
}

TEST_F(VerificationTest, AbsentMalformedAndSilentRepliesAreToldApart) {
  std::string disc;
  EXPECT_EQ(std::vector<std::string>(3, "not in database"), Verdicts({404, ""}, &disc));
  EXPECT_EQ("not in database", disc);
  std::string bytes = Dbar(FIds, {Pressing(FTracks, 3, false)});
  EXPECT_EQ(std::vector<std::string>{"the server's reply is malformed"}, Verdicts({200, bytes.substr(1)}));
  std::string otherDisc = bytes;
  otherDisc[2] ^= 1;
  EXPECT_EQ(std::vector<std::string>{"the server's reply is malformed"}, Verdicts({200, otherDisc}));
  EXPECT_EQ(1u, Verdicts({200, "", true})[0].rfind("no answer from http://127.0.0.1:", 0) + 1);
  EXPECT_EQ(std::vector<std::string>{"the server's reply is too large"}, Verdicts({200, std::string((1 << 20) + 1, 'x')}));
}

// quillon-cli offset reads with no offset set, whatever [Drive Offsets] holds, finds the shift at which the
// tracks match the pressing, and --save stores it, the rest of the settings kept. Without --save three discs
// that agree store it (the same disc read again counts once). A disc the database does not know, one of fewer
// than 3 tracks and one with a single track to prove a shift cannot tell.
TEST_F(VerificationTest, TheOffsetCommandFindsTheDrivesOffsetOrSaysTheDiscCannotTell) {
  std::map<std::string, std::string> served;  // the disc's dBAR path: its file
  testdata::HttpTestServer server([&](const std::string& target) {
    auto found = served.find(target.substr(1));
    return found == served.end() ? testdata::HttpTestReply{404, ""} : testdata::HttpTestReply{200, found->second};
  });
  const std::string settings = FFolder.File("settings.ini");
  auto run = [&](const std::string& options) {
    std::filesystem::remove_all(FFolder.File("accuraterip"));
    return testdata::RunCommand(std::string(QUILLON_CLI) + " offset '" + FFolder.File("disc.cue") + "' --settings '" +
                                settings + "'" + options);
  };
  auto stored = [&] { return TIniFile(settings).ReadString("Drive Offsets", "Image: disc.cue", "none"); };
  for (int offset : {6, -1200}) {
    SCOPED_TRACE("offset " + std::to_string(offset));
    testdata::WriteTextFile(settings, "[AccurateRip]\nserver=" + server.Url() + "\n[Drive Offsets]\nImage: disc.cue=30\n"
                                      "[Folder]\nopen=True\n");
    served = {{FIds.Path(), Dbar(FIds, {Pressing(Checksums(offset), 2, true)})}};
    testdata::ProcessResult result = run("");
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("Drive: Image: disc.cue\nAccurateRip's drive list: not known (the server answered 404)\n"
              "Read offset: " + SignedOffset(offset) + " (tracks 1, 3)\n"
              "Discs that agree: 1 (3 store it without asking)\nStored: no\n", result.out);
    EXPECT_EQ("30", stored());
    EXPECT_EQ(0, run(" --save").status);
    EXPECT_EQ(std::to_string(offset), stored());
    EXPECT_EQ("True", TIniFile(settings).ReadString("Folder", "open", ""));
  }

  std::vector<std::pair<std::string, std::string>> cannotTell;
  served = {{FIds.Path(), Dbar(FIds, {Pressing(Checksums(6), 2, true)})}};
  served.begin()->second[13 + 2 * 9 + 1] ^= 1;  // track 3's v2 sum, so that block 450 alone matches there
  cannotTell.emplace_back("no shift makes two of its tracks match AccurateRip (track 1 matches at +6)", run("").out);
  served.clear();
  cannotTell.emplace_back("AccurateRip does not know it", run("").out);
  OpenDisc({{{}, Pattern(BlockFrames(460), 1)}, {{}, Pattern(BlockFrames(460), 2)}});
  served = {{FIds.Path(), Dbar(FIds, {Pressing(Checksums(6), 2, true)})}};
  cannotTell.emplace_back("it has fewer than 3 audio tracks", run("").out);
  for (const auto& [why, out] : cannotTell)
    EXPECT_NE(std::string::npos, out.find("quillon-cli: error: The disc cannot tell the drive's read offset: " + why + "\n")) << out;

  for (int disc = 0; disc < 3; ++disc) {
    OpenDisc({{{}, Pattern(BlockFrames(460 + disc), 4)}, {{}, Pattern(BlockFrames(460), 5)}, {{}, Pattern(BlockFrames(460), 6)}});
    served = {{FIds.Path(), Dbar(FIds, {Pressing(Checksums(-3), 2, false)})}};
    for (int again = 0; again < (disc == 0 ? 2 : 1); ++again) EXPECT_EQ(0, run("").status);
    EXPECT_EQ(disc < 2 ? "-1200" : "-3", stored());
  }
}

TEST_F(VerificationTest, AFoundDiscIsKeptSoTheNextLookNeedsNoServer) {
  std::string bytes = Dbar(FIds, {Pressing(FTracks, 3, false)});
  {
    testdata::HttpTestServer server([&](const std::string&) { return testdata::HttpTestReply{200, bytes}; });
    EXPECT_EQ(DbarLookup::Result::Found, AccurateRipClient(server.Url(), FFolder.File("cache")).Look(FIds).result);
  }
  DbarLookup again = AccurateRipClient("http://127.0.0.1:9", FFolder.File("cache")).Look(FIds);
  EXPECT_EQ(DbarLookup::Result::Found, again.result);
  EXPECT_EQ(1u, again.pressings.size());
}

// A reply without pressings is not kept, so the server is asked again. Anything but a regular file at a
// cache name is no kept reply: it is not read (a FIFO would hang the reader), nor replaced, nor written
// through (a link's target stays as it was).
TEST_F(VerificationTest, OnlyARegularFileWithPressingsIsAKeptReply) {
  std::string served;
  testdata::HttpTestServer server([&](const std::string&) { return testdata::HttpTestReply{200, served}; });
  const std::string cache = FFolder.File("cache");
  AccurateRipClient client(server.Url(), cache);
  EXPECT_EQ(DbarLookup::Result::NotInDatabase, client.Look(FIds).result);
  served = Dbar(FIds, {Pressing(FTracks, 3, false)});
  EXPECT_EQ(DbarLookup::Result::Found, client.Look(FIds).result);
  EXPECT_EQ(2u, server.Requests().size());

  const std::string elsewhere = FFolder.File("elsewhere");
  const std::vector<std::string> names = {cache + "/accuraterip/" + FIds.FileName(), cache + "/accuraterip/DriveOffsets.bin"};
  const std::vector<std::function<void(const std::string&)>> plants = {
      [](const std::string& name) { std::filesystem::create_directory(name); },
      [](const std::string& name) { ASSERT_EQ(0, ::mkfifo(name.c_str(), 0600)); },
      [&](const std::string& name) { std::filesystem::create_symlink(elsewhere, name); }};
  for (std::size_t plant = 0; plant < plants.size(); ++plant) {
    SCOPED_TRACE("plant " + std::to_string(plant));
    testdata::WriteTextFile(elsewhere, served);
    for (const std::string& name : names) {
      std::filesystem::remove_all(name);
      plants[plant](name);
    }
    const std::size_t asked = server.Requests().size();
    EXPECT_EQ(DbarLookup::Result::Found, client.Look(FIds).result);
    served = testdata::DriveOffsetsFile({{6, "HL-DT-ST - DVDRAM GH24NSD1", 1520}});
    EXPECT_EQ(1u, client.LookDriveOffsets().records.size());
    served = Dbar(FIds, {Pressing(FTracks, 3, false)});
    EXPECT_EQ(asked + 2, server.Requests().size());
    EXPECT_EQ(served, testdata::ReadTextFile(elsewhere));
    for (const std::string& name : names) EXPECT_FALSE(std::filesystem::is_regular_file(std::filesystem::symlink_status(name)));
  }
}

}  // namespace
