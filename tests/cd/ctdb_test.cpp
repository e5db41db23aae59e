#include "cd/Ctdb.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cd/CtdbClient.h"
#include "cd/CtdbReply.h"
#include "tests/cd/TestChecksums.h"
#include "tests/data/HttpTestServer.h"
#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"

using testdata::BlockFrames;
using testdata::Pattern;

namespace {

// A table of contents written as the database writes it: starts, a data track's after "-", then the end.
TableOfContents TocOf(const std::string& text) {
  TableOfContents toc;
  std::istringstream fields(text);
  for (std::string field; std::getline(fields, field, ':');)
    toc.entries.push_back({std::uint8_t(toc.entries.size() + 1), std::uint32_t(std::stoul(field.substr(field[0] == '-'))),
                           field[0] != '-', 0});
  toc.firstTrack = 1;
  toc.lastTrack = std::uint8_t(toc.entries.size() - 1);
  return toc;
}

// The published IDs: a plain disc, one whose first track starts after a pregap, and an enhanced CD, whose audio
// ends 11,400 blocks before its data track.
TEST(CtdbTocTest, TocIdsAreThePublishedOnes) {
  const std::pair<const char*, const char*> discs[] = {
      {"0:11413:25024:45713:55220", "VukMWWItblELRM.CEFpXxw0FlME-"},
      {"32:21180:25110:39232:57730:76330:79185:82515:96282:105612:110650:124772:141292:149317:159710:172327:180325",
       "iL4EZ56YD5WmG..M4v5qzPG0cFY-"},
      {"0:15047:30797:45995:60397:78942:94607:108395:125382:146117:162905:177397:194782:-220352:332850",
       "gmEsiU5wvQFA1Nq9YE_posiwgK8-"}};
  for (const auto& [text, id] : discs) {
    EXPECT_EQ(text, CtdbTocText(TocOf(text)));
    EXPECT_EQ(id, CtdbTocId(TocOf(text))) << text;
  }
}

class CtdbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // 954 blocks: the disc's CRC also leaves out the four blocks past whole tens.
    FSheet = discimage::WriteImage(FFolder.Path(), "disc",
                                   {{{}, Pattern(BlockFrames(460), 1)}, {{}, Pattern(BlockFrames(33), 2)},
                                    {{}, Pattern(BlockFrames(461), 3)}},
                                   {});
    FHandle = testdata::OpenImageDrive(FSheet);
    ModifyCDParms(FHandle, CDP_MSF, 0);
    TOC record;
    ReadTOC(FHandle, &record);
    TableOfContentsFromRecord(record, FToc);
  }
  void TearDown() override {
    CloseCDHandle(FHandle);
    SetCDImageFiles({});
  }

  // An entry of this disc that holds its CRCs as a drive reads them at this offset.
  testdata::CtdbTestEntry Entry(int offset, int confidence, bool trackCrcs = true) {
    return testdata::CtdbEntryOf(FToc, testdata::ChecksumsAt(FHandle, FToc, offset), confidence, trackCrcs);
  }

  // What quillon-cli verify prints when the CUETools database answers so (and AccurateRip knows nothing): its
  // verdict columns, each track's and the disc's, or its error.
  std::vector<std::string> Verify(const testdata::HttpTestReply& reply) {
    testdata::HttpTestServer server([&](const std::string& target) {
      return target.rfind("/lookup2.php?", 0) == 0 ? reply : testdata::HttpTestReply{404, ""};
    });
    testdata::TempFolder settings;  // and the cache beside it: a fresh one each time
    testdata::WriteTextFile(settings.File("settings.ini"), "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n"
                                                           "[AccurateRip]\nserver=" + server.Url() + "\n[CTDB]\nserver=" +
                                                               server.Url() + "\n");
    testdata::ProcessResult result = testdata::RunCommand(std::string(QUILLON_CLI) + " verify '" + FSheet +
                                                          "' --settings '" + settings.File("settings.ini") + "'");
    for (const testdata::HttpTestRequest& request : server.Requests())
      if (request.target.rfind("/lookup2.php?", 0) == 0) FRequests.push_back(request);
    std::vector<std::string> lines;
    std::istringstream out(result.out);
    for (std::string line; std::getline(out, line);)
      lines.push_back(line.rfind("quillon-cli: error: ", 0) == 0 ? line : line.substr(line.find("\tCTDB: ") + 7));
    return lines;
  }

  testdata::TempFolder FFolder;
  std::string FSheet;
  HCDROM FHandle = 0;
  TableOfContents FToc;
  std::vector<testdata::HttpTestRequest> FRequests;  // of the CUETools database, so far
};

// Confidence adds up over the disc's entries that hold a track's CRC, never over another disc's that the fuzzy
// lookup also finds; an older entry, which holds the disc's CRC alone, speaks for the disc only.
TEST_F(CtdbTest, EachTrackAndTheDiscAreJudgedByTheDiscsOwnEntries) {
  testdata::CtdbTestEntry exact = Entry(0, 3), otherPressing = Entry(0, 2), older = Entry(0, 4, false);
  otherPressing.trackCrcs[1] ^= 1;
  otherPressing.crc ^= 1;
  testdata::CtdbTestEntry otherDisc = Entry(0, 9);
  otherDisc.toc = "0:460:493:955";
  EXPECT_EQ((std::vector<std::string>{"accurate (confidence 5)", "accurate (confidence 3)", "accurate (confidence 5)",
                                      "accurate (confidence 7)"}),
            Verify({200, testdata::CtdbReply({exact, otherPressing, otherDisc, older})}));
  ASSERT_EQ(1u, FRequests.size());
  EXPECT_EQ("/lookup2.php?version=3&ctdb=1&fuzzy=1&metadata=none&toc=0:460:493:954", FRequests[0].target);
  EXPECT_EQ("Quillon/" QUILLON_VERSION, FRequests[0].userAgent);

  EXPECT_EQ((std::vector<std::string>{"not verified", "not verified", "not verified", "accurate (confidence 4)"}),
            Verify({200, testdata::CtdbReply({older})}));
  EXPECT_EQ(std::vector<std::string>(4, "not in database"), Verify({200, testdata::CtdbReply({otherDisc})}));
  EXPECT_EQ(std::vector<std::string>(4, "not in database"), Verify({404, ""}));
}

// A drive read at another offset is told from a wrong rip: the whole track's CRC matches at the shift nearest
// 0, taking in its neighbours' audio; the disc, from its CRC alone, too; beyond the shifts looked at, nothing does.
TEST_F(CtdbTest, ATrackReadAtAnotherOffsetMatchesThere) {
  EXPECT_EQ(std::vector<std::string>(4, "accurate with offset +6 (confidence 2)"),
            Verify({200, testdata::CtdbReply({Entry(6, 2)})}));
  EXPECT_EQ("accurate with offset -2939 (confidence 3)", Verify({200, testdata::CtdbReply({Entry(-2939, 3, false)})})[3]);
  EXPECT_EQ(0u, Verify({200, testdata::CtdbReply({Entry(2940, 3)})})[1].rfind("not accurate (database holds ", 0));
  EXPECT_EQ(0u, Verify({200, testdata::CtdbReply({Entry(2940, 3, false)})})[3].rfind("not accurate (database holds ", 0));
}

// A reply that is not the database's is refused whole, and the lookup says so; one that is found is kept.
TEST_F(CtdbTest, AMalformedReplyIsRefusedAndAFoundOneIsKept) {
  const std::string entry = "<entry crc32=\"1a2b3c4d\" confidence=\"2\" toc=\"0:460:493:954\"";
  const std::string broken[] = {
      "", "<ctdb>", "<ctdb></ctbd>", "<other/>", "<ctdb/><ctdb/>", "text<ctdb/>", "<!DOCTYPE ctdb><ctdb/>",
      "<ctdb a='1' a='2'/>",
      "<ctdb><entry crc32='1' toc='0:1'/></ctdb>",                          // no confidence
      "<ctdb><entry crc32='123456789' confidence='2' toc='0:1'/></ctdb>",   // nine digits
      "<ctdb><entry crc32='1' confidence='2' toc='0:-1'/></ctdb>",          // the end is no track
      "<ctdb>" + entry + " trackcrcs=\"1 2\"/></ctdb>",                   // the toc has three audio tracks
      "<ctdb>" + entry + " trackcrcs=\"1 2 x\"/></ctdb>",
      "<ctdb>" + entry + "></ctdb>"};                                        // the entry is never closed
  for (const std::string& reply : broken) {
    std::vector<CtdbEntry> entries;
    EXPECT_FALSE(ParseCtdbReply(reply, entries)) << reply;
  }
  std::vector<CtdbEntry> entries;
  EXPECT_TRUE(ParseCtdbReply("<?xml version='1.0'?><!-- x --><ctdb>" + entry + " trackcrcs=' 1 2\n3 '/><metadata "
                             "a='&amp;'><track>x &gt; y</track></metadata></ctdb>\n", entries));
  EXPECT_EQ((std::vector<std::uint32_t>{1, 2, 3}), entries.at(0).trackCrcs);
  std::vector<std::string> said = Verify({200, "<ctdb>"});
  EXPECT_EQ("quillon-cli: error: CTDB: the server's reply is malformed", said.at(0));
  EXPECT_EQ("not verified", said.back());

  // A disc the database holds is kept: the next lookup needs no server.
  const std::string reply = testdata::CtdbReply({Entry(0, 3)});
  testdata::HttpTestServer server([&](const std::string&) { return testdata::HttpTestReply{200, reply}; });
  EXPECT_EQ(CtdbLookup::Result::Found, CtdbClient(server.Url(), FFolder.File("cache")).Look(FToc).result);
  EXPECT_EQ(1u, CtdbClient("http://127.0.0.1:9", FFolder.File("cache")).Look(FToc).entries.size());
}

}  // namespace
