#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

#include "tests/data/CddbTestServer.h"
#include "tests/data/TestDiscs.h"

using testdata::CddbFault;
using testdata::CddbTestServer;

namespace {

struct Result {
  int status;
  std::string out;
};

Result RunShell(const std::string& commandLine) {
  std::string command = commandLine + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  Result result{-1, ""};
  std::array<char, 4096> buffer;
  for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) result.out.append(buffer.data(), got);
  int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

Result RunCli(const std::string& arguments) { return RunShell(std::string(QUILLON_CLI) + " " + arguments); }

const char kMp3Options[] = "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n";

// Three tracks of 10 blocks: disc ID 06000003.
class CddbCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<discimage::ImageTrack> tracks;
    for (int i = 0; i < 3; ++i) tracks.push_back({{}, testdata::Pattern(testdata::BlockFrames(10), i)});
    FSheet = discimage::WriteImage(FFolder.Path(), "disc", tracks, {});
  }
  Result Cddb(const CddbTestServer& server) {
    return RunCli("cddb '" + FSheet + "' --server " + server.Address() + " --email 'me@example.org'");
  }

  testdata::TempFolder FFolder;
  std::string FSheet;
};

TEST_F(CddbCommandTest, PrintsTheDialogsTextsAndTheTrackNames) {
  CddbTestServer server({{"rock", "06000003", "Blue / Songs",
                          testdata::XmcdLines("06000003", "Blue / Songs", {"Intro", "AC/DC", "Outro"})}});
  Result found = Cddb(server);
  EXPECT_EQ(0, found.status);
  EXPECT_EQ("ID: 06000003\nArtist: Blue\nTitle: Songs\nType: rock\n01\tIntro.mp3\n02\tAC-DC.mp3\n03\tOutro.mp3\n",
            found.out);
  EXPECT_EQ("me example.org program 1.0", server.Requests().back().hello);

  CddbTestServer empty({});
  Result none = Cddb(empty);
  EXPECT_EQ(0, none.status);
  EXPECT_EQ(
      "ID: 6000003\nArtist: Unknown Artist\nTitle: Unknown Title\nType: Unknown Type\n"
      "01\tTrack-01.mp3\n02\tTrack-02.mp3\n03\tTrack-03.mp3\n",
      none.out);
}

TEST_F(CddbCommandTest, RipLooksTheDiscUpForNamesAndIdsPrintsTheDiscsIds) {
  CddbTestServer server({{"rock", "06000003", "Blue / Songs",
                          testdata::XmcdLines("06000003", "Blue / Songs", {"Intro", "Intro", "\x1b[31mOutro"})}});
  std::string settings = FFolder.File("settings.ini");
  testdata::WriteTextFile(settings, "[CDDB]\nserver=" + server.Address() + "\nemail=me@example.org\n"
                                    "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n[Rip]\nname template=%a/%n %t\n"
                                    "[AccurateRip]\nserver=\n[CTDB]\nserver=\n");
  std::string out = FFolder.File("out");
  std::filesystem::create_directory(out);
  std::string rip = "rip '" + FSheet + "' --format wav --out '" + out + "' --settings '" + settings + "' --lookup";
  EXPECT_EQ(0, RunCli(rip).status);
  const std::string files = " 2>/dev/null | cut -f2";  // each finished file's line: number, path, CRC, verdict
  EXPECT_EQ(out + "/Blue/01 Intro.wav\n" + out + "/Blue/02 Intro.wav\n" + out + "/Blue/03 Outro.wav\n",
            RunCli(rip + files).out);
  EXPECT_EQ(out + "/03.wav\n", RunCli(rip + " --tracks 3 --name %n" + files).out);

  // The MusicBrainz ID as computed apart: SHA-1 of "0103000000B4" and the offsets 150, 160, 170.
  EXPECT_EQ("CDDB: 06000003\nMusicBrainz: 5Yg_iRnsRa_h7uC5YjaJKRRyoZw-\nAccurateRip: dBAR-003-0000003c-000000c9-06000003.bin\n"
            "CTDB: 3EfKawdgAYcM1lgEa1imScXjnwM-\n",
            RunCli("ids '" + FSheet + "'").out);
}

// The rip log of a rip into folder.
std::string LogIn(const std::string& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().extension() == ".log") return testdata::ReadTextFile(entry.path().string());
  return {};
}

// A disc's CD-Text shows in its table of contents and names and tags its rip without a lookup, as a plain
// sheet and through libcdio's own driver alike; the log says where the names came from.
TEST_F(CddbCommandTest, TheDiscsCdTextNamesTagsAndLogsTheRipWithoutALookup) {
  testdata::AddSampleCdText(FSheet);
  std::string settings = FFolder.File("settings.ini");
  testdata::WriteTextFile(settings, std::string(kMp3Options) + "[AccurateRip]\nserver=\n[CTDB]\nserver=\n");
  for (const std::string& drive : {FSheet, "bincue:" + FSheet}) {
    SCOPED_TRACE(drive);
    Result toc = RunCli("toc '" + drive + "'");
    EXPECT_NE(std::string::npos, toc.out.find("\n01\tIntro.mp3\t")) << toc.out;
    EXPECT_NE(std::string::npos, toc.out.find("\n02\tDuet for Two.mp3\t")) << toc.out;
    EXPECT_NE(std::string::npos, toc.out.find("\nCD-Text\t00\tSongs\tBlue\t\nCD-Text\t01\tIntro\t\t\n"
                                              "CD-Text\t02\tDuet for Two\tRed\tGreen\nCD-Text\t03\tOutro\t\t\n"))
        << toc.out;
    std::string out = FFolder.File(drive == FSheet ? "plain" : "bincue");
    Result rip = RunCli("rip '" + drive + "' --format flac --out '" + out + "' --settings '" + settings + "' --tracks 2,3");
    EXPECT_EQ(0, rip.status) << rip.out;
    Result tags = RunShell("metaflac --export-tags-to=- '" + out + "/Duet for Two.flac' | sort");
    EXPECT_NE(std::string::npos, tags.out.find("ALBUM=Songs\nALBUMARTIST=Blue\nARTIST=Red\n")) << tags.out;
    EXPECT_NE(std::string::npos, tags.out.find("TITLE=Duet for Two\n")) << tags.out;
    EXPECT_TRUE(std::filesystem::exists(out + "/Outro.flac"));
    EXPECT_NE(std::string::npos, LogIn(out).find("\nRelease: Blue / Songs\nMetadata: CD-Text\n"));
  }
}

// The lookup setting orders the sources: CD-Text first names a disc that has it without asking the server;
// the values of before ask the server first and fall back on the CD-Text when it does not know the disc. A disc
// without CD-Text is named as before.
TEST_F(CddbCommandTest, TheLookupOrderPutsTheCdTextFirstOrLast) {
  std::filesystem::copy_file(FSheet, FFolder.File("text.cue"));
  const std::string withText = FFolder.File("text.cue");
  testdata::AddSampleCdText(withText);
  CddbTestServer known({{"rock", "06000003", "Blue / Album", testdata::XmcdLines("06000003", "Blue / Album", {"A", "B", "C"})}});
  CddbTestServer empty({});
  const struct {
    std::string lookup;
    bool cdText, serverKnows;
    std::string names, metadata;
    bool asked;
  } cases[] = {{"CD-Text, then CDDB", true, true, "Intro Duet for Two Outro", "CD-Text", false},
               {"CD-Text, then MusicBrainz, then CDDB", true, true, "Intro Duet for Two Outro", "CD-Text", false},
               {"CDDB", true, true, "A B C", "CDDB", true},
               {"CDDB", true, false, "Intro Duet for Two Outro", "CD-Text", true},
               {"CD-Text, then CDDB", false, true, "A B C", "CDDB", true},
               {"CDDB", false, false, "Track-01 Track-02 Track-03", "", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lookup + (c.cdText ? " with CD-Text" : "") + (c.serverKnows ? ", known" : ""));
    const CddbTestServer& server = c.serverKnows ? known : empty;
    std::size_t before = server.Requests().size();
    std::string settings = FFolder.File("settings.ini"), out = FFolder.File("out");
    std::filesystem::remove_all(out);
    testdata::WriteTextFile(settings, std::string(kMp3Options) + "[CDDB]\nserver=" + server.Address() +
                                          "\n[MusicBrainz]\nserver=\nlookup=" + c.lookup +
                                          "\n[AccurateRip]\nserver=\n[CTDB]\nserver=\n");
    Result rip = RunCli("rip '" + (c.cdText ? withText : FSheet) + "' --format wav --lookup --out '" + out +
                        "' --settings '" + settings + "' 2>/dev/null | cut -f2 | xargs -d '\\n' -n1 basename -s .wav");
    std::string names = rip.out;
    std::replace(names.begin(), names.end(), '\n', ' ');
    EXPECT_EQ(c.names + " ", names);
    std::string log = LogIn(out);
    std::size_t line = log.find("\nMetadata: ");
    EXPECT_EQ(c.metadata, line == std::string::npos ? "" : log.substr(line + 11, log.find('\n', line + 1) - line - 11));
    EXPECT_EQ(c.asked, server.Requests().size() > before);
  }
}

// Every wait on a server that takes the connection and never answers ends at once on Ctrl-C, with status 130:
// the lookups of their own, the rip's naming lookups before it reads, its AccurateRip wait after the first track.
TEST_F(CddbCommandTest, CtrlCEndsEveryWaitOnAStalledServerAtOnce) {
  testdata::HttpTestServer stalled([](const std::string&) { return testdata::HttpTestReply{200, "", true}; });
  std::string settings = FFolder.File("settings.ini");
  auto write = [&](const std::string& lookup, const std::string& accurateRip) {
    testdata::WriteTextFile(settings, "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n[CDDB]\nserver=" +
                                      stalled.Address() + "\n[MusicBrainz]\nserver=" + stalled.Url() +
                                      "\nlookup=" + lookup + "\n[AccurateRip]\nserver=" + accurateRip +
                                      "\n[CTDB]\nserver=" + stalled.Url() + "\n");
  };
  const std::string disc = " '" + FSheet + "' --settings '" + settings + "'";
  const std::string rip = "rip" + disc + " --format wav --out '" + FFolder.File("out") + "'";
  const struct {
    std::string lookup, accurateRip, arguments;
  } cases[] = {{"CDDB", "", "cddb '" + FSheet + "' --server " + stalled.Address()},
               {"CDDB", "", "musicbrainz '" + FSheet + "' --server " + stalled.Url()},
               {"CDDB", stalled.Url(), "verify" + disc},
               {"CDDB", stalled.Url(), "offset" + disc},
               {"CDDB", "", rip + " --lookup"},
               {"MusicBrainz", "", rip + " --lookup"},
               {"CDDB", stalled.Url(), rip}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lookup + " " + c.arguments);
    write(c.lookup, c.accurateRip);
    Result stopped = RunCli(c.arguments + " >/dev/null 2>&1 & sleep 0.5; kill -INT $!; start=$(date +%s%N); wait $!; "
                            "echo \"status $? after $((($(date +%s%N) - start) / 1000000)) ms\"");
    int status = 0, ms = 0;
    ASSERT_EQ(2, std::sscanf(stopped.out.c_str(), "status %d after %d ms", &status, &ms)) << stopped.out;
    EXPECT_EQ(130, status);
    EXPECT_LT(ms, 1500);
  }
}

TEST_F(CddbCommandTest, FailuresAndWrongUsageHaveTheirExitStatus) {
  CddbTestServer server({{"rock", "06000003", "Blue / Songs", {}}});
  server.SetFault(CddbFault::HttpError);
  Result sites = Cddb(server);
  EXPECT_EQ(1, sites.status);
  EXPECT_EQ("quillon-cli: error: Can't got CDDB server list\n", sites.out);
  server.SetFault(CddbFault::ReadRefused);
  Result entry = Cddb(server);
  EXPECT_EQ(1, entry.status);
  EXPECT_EQ("quillon-cli: error: Error while getting DiskInfo!\n", entry.out);
  EXPECT_EQ(2, RunCli("cddb").status);
  EXPECT_EQ(2, RunCli("cddb 0 --server").status);
  EXPECT_EQ(2, RunCli("cddb 0 --port 80").status);
}

}  // namespace
