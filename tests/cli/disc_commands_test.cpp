#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>

#include "tests/data/SimulatedDrive.h"
#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"

namespace {

using testdata::DriveImageForm;
using testdata::DriveTrack;

// The CRC-32 of a WAV file's audio, computed apart from the program.
std::string Crc32(const std::string& wav) {
  return testdata::RunCommand("/usr/bin/python3 -c 'import sys,zlib; d=open(sys.argv[1],\"rb\").read()[44:]; "
                              "print(\"%08x\" % zlib.crc32(d), end=\"\")' '" + wav + "'").out;
}

testdata::ProcessResult RunCli(const std::string& arguments) {
  return testdata::RunCommand(std::string(QUILLON_CLI) + " " + arguments);
}

TEST(DiscCommandsTest, TocPrintsTheDiscAndItsTrackTable) {
  testdata::TempFolder folder;
  std::vector<discimage::ImageTrack> tracks = {{{}, testdata::Pattern(testdata::BlockFrames(18787), 1)},
                                               {testdata::Pattern(testdata::BlockFrames(75), 2),
                                                testdata::Pattern(testdata::BlockFrames(75), 3)}};
  std::string sheet = discimage::WriteImage(folder.Path(), "my disc", tracks, {discimage::FileType::Wave, true});
  testdata::ProcessResult result = RunCli("toc '" + sheet + "'");
  EXPECT_EQ(0, result.status);
  EXPECT_EQ(
      "First: 1\nLast: 2\nLeadout: 18937\nDiscID: c00fc02\n"
      "01\tTrack-01.mp3\t04:11,37\t   42.31 M\t18862\t0\n"
      "02\tTrack-02.mp3\t00:01,00\t    0.17 M\t75\t18862\n",
      result.out);
}

TEST(DiscCommandsTest, FailuresAndWrongUsageHaveTheirExitStatus) {
  testdata::ProcessResult missing = RunCli("toc /nonexistent/disc.cue");
  EXPECT_EQ(1, missing.status);
  EXPECT_EQ("quillon-cli: error: Cannot open file /nonexistent/disc.cue\n", missing.out);  // the reason, not just "no disc"
  for (std::string command : {"ids", "checksums", "musicbrainz", "rip"}) {
    std::string options = command == "rip" ? " --format wav --out /nonexistent/out" : "";
    EXPECT_EQ(missing.out, RunCli(command + " /nonexistent/disc.cue" + options).out) << command;
  }
  EXPECT_EQ(2, RunCli("toc").status);
  EXPECT_EQ(2, RunCli("frobnicate").status);

  // Settings a rip cannot use are named, nothing is ripped: a file that is not there, and a drive's read
  // offset beyond any drive's (as --offset is bounded).
  testdata::TempFolder folder;
  std::vector<discimage::ImageTrack> tracks = {{{}, testdata::Pattern(testdata::BlockFrames(75), 1)}};
  std::string sheet = discimage::WriteImage(folder.Path(), "disc", tracks, {});
  std::string rip = "rip '" + sheet + "' --format wav --out '" + folder.File("out") + "' --settings ";
  testdata::ProcessResult absent = RunCli(rip + "/nonexistent/settings.ini");
  EXPECT_EQ(1, absent.status);
  EXPECT_EQ("quillon-cli: error: Cannot open file /nonexistent/settings.ini\n", absent.out);
  std::string settings = folder.File("settings.ini");
  for (const char* offset : {"1000000000", "-100001", "99999999999999999999"}) {
    testdata::WriteTextFile(settings, "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n[AccurateRip]\nserver=\n"
                                      "[CTDB]\nserver=\n[Drive Offsets]\nImage: disc.cue=" + std::string(offset) + "\n");
    testdata::ProcessResult far = RunCli(rip + "'" + settings + "'");
    EXPECT_EQ(1, far.status);
    EXPECT_EQ("quillon-cli: error: The read offset " + std::string(offset) + " of Image: disc.cue in [Drive Offsets] is out of range: "
              "a read offset lies within -100000 and 100000 samples\n", far.out);
    EXPECT_EQ(far.out, RunCli("verify '" + sheet + "' --settings '" + settings + "'").out);
  }
  testdata::WriteTextFile(settings, "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n");
  testdata::ProcessResult oneMp3 = RunCli(rip + "'" + settings + "' --format mp3 --one-file");
  EXPECT_EQ(1, oneMp3.status);
  EXPECT_EQ("quillon-cli: error: A rip to one file is written as WAV or FLAC, whose audio stays exact, not as MP3: choose WAV or "
            "FLAC, or rip a file per track\n", oneMp3.out);
  EXPECT_FALSE(std::filesystem::exists(folder.File("out")));
}

// One disc as a BINARY file, a big-endian raw file, a FLAC file (typed FLAC, and WAVE as players write it)
// and an AIFF file: the same audio to the last bit. An AIFF file that is not CD audio is refused.
TEST(DiscCommandsTest, MotorolaFlacAndAiffImagesReadBitForBitLikeBinary) {
  testdata::TempFolder folder;
  std::vector<discimage::ImageTrack> tracks = {{{}, testdata::Pattern(testdata::BlockFrames(400), 1)},
                                               {testdata::Pattern(testdata::BlockFrames(30), 2),
                                                testdata::Pattern(testdata::BlockFrames(500) + 100, 3)}};
  std::string sheet = discimage::WriteImage(folder.Path(), "disc", tracks, {});
  std::string motorola = discimage::WriteImage(folder.Path(), "motorola", tracks, {discimage::FileType::Motorola, false});
  std::string raw = " -t raw -r 44100 -e signed -b 16 -c 2 -L '" + folder.File("disc.bin") + "' ";
  ASSERT_EQ(0, testdata::RunCommand("sox" + raw + "'" + folder.File("disc.aiff") + "'").status);
  ASSERT_EQ(0, testdata::RunCommand("sox" + raw + "-c 1 '" + folder.File("mono.aiff") + "'").status);
  ASSERT_EQ(0, testdata::RunCommand("flac -s --force-raw-format --endian=little --sign=signed --channels=2 --bps=16 "
                                    "--sample-rate=44100 -o '" + folder.File("disc.flac") + "' '" +
                                    folder.File("disc.bin") + "'").status);
  auto sheetOf = [&](const std::string& name, const std::string& fileLine) {
    std::string text = testdata::ReadTextFile(sheet);
    text.replace(0, text.find('\n'), fileLine);
    testdata::WriteTextFile(folder.File(name), text);
    return folder.File(name);
  };
  testdata::WriteTextFile(folder.File("settings.ini"), "[Drive Offsets]\n");
  auto checksums = [&](const std::string& image) {
    return RunCli("checksums '" + image + "' --offset 667 --settings '" + folder.File("settings.ini") + "'");
  };
  testdata::ProcessResult binary = checksums(sheet);
  ASSERT_EQ(0, binary.status) << binary.out;
  for (const std::string& image : {motorola, sheetOf("flac.cue", "FILE \"disc.flac\" FLAC"),
                                   sheetOf("flacwave.cue", "FILE \"disc.flac\" WAVE"),
                                   sheetOf("aiff.cue", "FILE \"disc.aiff\" AIFF")})
    EXPECT_EQ(binary.out, checksums(image).out) << image;
  EXPECT_EQ("quillon-cli: error: The AIFF file " + folder.File("mono.aiff") + " is not uncompressed 44,100 Hz 16-bit stereo\n",
            RunCli("toc '" + sheetOf("mono.cue", "FILE \"mono.aiff\" AIFF") + "'").out);
}

TEST(DiscCommandsTest, RipOfADamagedImageNamesWhatCouldNotBeReadAndFails) {
  testdata::TempFolder folder;
  std::vector<discimage::ImageTrack> tracks = {{{}, testdata::Pattern(testdata::BlockFrames(200), 1)},
                                               {{}, testdata::Pattern(testdata::BlockFrames(100), 2)}};
  std::string sheet = discimage::WriteImage(folder.Path(), "disc", tracks, {});
  std::string out = folder.File("out/made");  // a missing output folder is made
  testdata::WriteTextFile(folder.File("settings.ini"), "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n"
                                                       "[AccurateRip]\nserver=http://127.0.0.1:9\n[CTDB]\nserver=http://127.0.0.1:9\n");
  testdata::ProcessResult result = testdata::RunCommand(
      "ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" LD_PRELOAD=" FAILING_READS " QUILLON_FAIL_FILE=/disc.bin QUILLON_FAIL_BYTES=" + std::to_string(75 * 2352) + "-" +
      std::to_string(77 * 2352 - 1) + " " QUILLON_CLI " rip '" + sheet + "' --format wav --out '" + out +
      "' --settings '" + folder.File("settings.ini") + "'");
  EXPECT_EQ(1, result.status);
  EXPECT_EQ("quillon-cli: error: Track 01: 2 blocks could not be read at 00:01.00\u201300:01.01\n"
            "01\t" + out + "/Track-01.wav\t" + Crc32(out + "/Track-01.wav") +
                "\tAccurateRip: not verified\tCTDB: not verified\timage file, 2 blocks could not be read at 00:01.00\u201300:01.01\n"
            "02\t" + out + "/Track-02.wav\t" + Crc32(out + "/Track-02.wav") + "\tAccurateRip: not verified\tCTDB: not verified\timage file, read once\n"
            "AccurateRip: not verified (no answer from http://127.0.0.1:9)\n"
            "CTDB: not verified (no answer from http://127.0.0.1:9)\nLog: " + out + "/Disc 06000402.log\n",
            result.out);
  EXPECT_EQ(44u + 200 * 2352, std::filesystem::file_size(out + "/Track-01.wav"));
}

// The log is the rip's proof: a rip without one fails, and its tracks are kept.
TEST(DiscCommandsTest, ARipWhoseLogCannotBeWrittenFailsAndKeepsItsTracks) {
  testdata::TempFolder folder;
  std::vector<discimage::ImageTrack> tracks = {{{}, testdata::Pattern(testdata::BlockFrames(200), 1)},
                                               {{}, testdata::Pattern(testdata::BlockFrames(100), 2)}};
  std::string sheet = discimage::WriteImage(folder.Path(), "disc", tracks, {});
  std::string out = folder.File("out"), log = out + "/Disc 06000402.log";
  std::filesystem::create_directories(log);
  testdata::WriteTextFile(folder.File("settings.ini"), "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n"
                                                       "[AccurateRip]\nserver=\n[CTDB]\nserver=\n");
  testdata::ProcessResult result = testdata::RunCommand("{ " QUILLON_CLI " rip '" + sheet + "' --format wav --out '" +
                                                       out + "' --settings '" + folder.File("settings.ini") +
                                                       "' >/dev/null; }");
  EXPECT_EQ(1, result.status);
  EXPECT_EQ("AccurateRip: not verified\nCTDB: not verified\nquillon-cli: error: the rip log could not be written: " + log +
                ": Is a directory\n",
            result.out);
  EXPECT_EQ(44u + 100 * 2352, std::filesystem::file_size(out + "/Track-02.wav"));
}

// bincue: and cdrdao: open an image through libcdio's own driver and read it as a drive is read. A bincue
// sheet names its sessions: one session of audio then data keeps all its audio. Data tracks are marked, and so
// is the audio before track 1, which has a row and a file of its own.
TEST(DiscCommandsTest, ImagesThroughLibcdiosDriversAreReadAsDrives) {
  struct Case {
    DriveImageForm form;
    std::vector<DriveTrack> tracks;
    std::string toc;
  };
  const std::vector<Case> cases = {
      {DriveImageForm::BinCue, {{testdata::Pattern(testdata::BlockFrames(12000), 1)}, {{}, 300, true}},
       "First: 1\nLast: 2\nLeadout: 12300\nDiscID: b00a402\n"
       "01\tTrack-01.mp3\t02:40,00\t   26.92 M\t12000\t0\n02\tTrack-02.mp3\t00:04,00\t    0.67 M\t300\t12000\tdata\n"},
      {DriveImageForm::Cdrdao,
       {{testdata::Pattern(testdata::BlockFrames(100), 2)}, {testdata::Pattern(testdata::BlockFrames(60), 3)}},
       "First: 1\nLast: 2\nLeadout: 160\nDiscID: 5000202\n"
       "01\tTrack-01.mp3\t00:01,25\t    0.22 M\t100\t0\n02\tTrack-02.mp3\t00:00,60\t    0.13 M\t60\t100\n"},
      {DriveImageForm::BinCue,
       {{testdata::Pattern(testdata::BlockFrames(200), 4), 0, false, 50}, {testdata::Pattern(testdata::BlockFrames(100), 5)}},
       "First: 1\nLast: 2\nLeadout: 300\nDiscID: 6000402\n00\tTrack-00.mp3\t00:00,50\t    0.11 M\t50\t0\thidden\n"
       "01\tTrack-01.mp3\t00:02,00\t    0.34 M\t150\t50\n02\tTrack-02.mp3\t00:01,25\t    0.22 M\t100\t200\n"}};
  for (const Case& c : cases) {
    testdata::TempFolder folder;
    std::string drive = (c.form == DriveImageForm::BinCue ? "'bincue:" : "'cdrdao:") +
                        testdata::WriteDriveImage(folder.Path(), c.tracks, c.form) + "'";
    SCOPED_TRACE(drive);
    testdata::ProcessResult toc = RunCli("toc " + drive);
    EXPECT_EQ(0, toc.status);
    EXPECT_EQ(c.toc, toc.out);
    std::string settings = folder.File("settings.ini");
    testdata::WriteTextFile(settings, "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n[AccurateRip]\nserver=\n[CTDB]\nserver=\n");
    testdata::ProcessResult rip =
        RunCli("rip " + drive + " --format wav --out '" + folder.File("out") + "' --settings '" + settings + "'");
    EXPECT_EQ(0, rip.status) << rip.out;
    auto same = [&](const std::string& name, const std::int16_t* audio, std::size_t samples) {
      std::string wav = testdata::ReadTextFile(folder.File("out/" + name));
      EXPECT_TRUE(wav.size() == 44 + samples * 2 && std::memcmp(wav.data() + 44, audio, samples * 2) == 0) << name;
    };
    for (std::size_t k = 0; k < c.tracks.size(); ++k) {
      if (c.tracks[k].dataBlocks != 0) continue;
      const std::vector<std::int16_t>& audio = c.tracks[k].audio;
      const std::size_t hidden = testdata::BlockFrames(std::size_t(c.tracks[k].index1)) * 2;
      if (hidden != 0) same("Track-00.wav", audio.data(), hidden);
      same("Track-0" + std::to_string(k + 1) + ".wav", audio.data() + hidden, audio.size() - hidden);
    }
  }
}

// Faults put under libcdio's own reads of a bincue image reach the drive path as a failing drive's do: a
// sector at the track boundary that fails once is read again and delivered exact, one that always fails is
// reported in both tracks it belongs to, and Ctrl-C ends a rip at once while a read hangs.
TEST(DiscCommandsTest, AFailingBincueImageIsReadAsAFailingDriveAndCtrlCEndsTheRipAtOnce) {
  testdata::TempFolder folder;
  std::vector<DriveTrack> tracks = {{testdata::Pattern(testdata::BlockFrames(150), 1)},
                                    {testdata::Pattern(testdata::BlockFrames(150), 2)}};
  std::string drive = "'bincue:" + testdata::WriteDriveImage(folder.Path(), tracks, DriveImageForm::BinCue) + "'";
  std::string settings = folder.File("settings.ini");
  testdata::WriteTextFile(settings, "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n[AccurateRip]\nserver=\n[CTDB]\nserver=\n");
  std::string faults = "ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" LD_PRELOAD=" FAILING_READS
                       " QUILLON_FAIL_FILE=/disc.bin QUILLON_FAIL_BYTES=" + std::to_string(149 * 2352) + "-" +
                       std::to_string(151 * 2352 - 1) + " ";
  std::string rip = " " QUILLON_CLI " rip " + drive + " --format wav --out '" + folder.File("out") + "' --settings '" +
                    settings + "'";
  testdata::ProcessResult once = testdata::RunCommand(faults + "QUILLON_FAIL_TIMES=1" + rip);
  EXPECT_EQ(0, once.status) << once.out;
  for (std::size_t k = 0; k < 2; ++k) {
    std::string wav = testdata::ReadTextFile(folder.File("out/Track-0" + std::to_string(k + 1) + ".wav"));
    EXPECT_TRUE(wav.size() == 44 + 150 * 2352 && std::memcmp(wav.data() + 44, tracks[k].audio.data(), 150 * 2352) == 0);
  }
  testdata::ProcessResult always = testdata::RunCommand("{ " + faults + rip + " >/dev/null; }");
  EXPECT_EQ(1, always.status);
  EXPECT_EQ("quillon-cli: error: Track 01: 1 block could not be read at 00:01.74\nquillon-cli: error: Track 02: 1 block could not be read at "
            "00:00.00\nAccurateRip: not verified\nCTDB: not verified\nLog: " + folder.File("out") + "/Disc 06000402.log\n",
            always.out);
  // Each read of the boundary hangs for 4 s; Ctrl-C half a second in ends the rip long before that.
  testdata::ProcessResult stopped = testdata::RunCommand(
      "(" + faults + "QUILLON_SLOW_MS=4000" + rip + " & sleep 0.5; kill -INT $!; start=$(date +%s%N); wait $!; "
      "echo \"status $? after $((($(date +%s%N) - start) / 1000000)) ms\") 2>/dev/null");
  int status = 0, ms = 0;
  ASSERT_EQ(2, std::sscanf(stopped.out.c_str(), "status %d after %d ms", &status, &ms)) << stopped.out;
  EXPECT_EQ(130, status);
  EXPECT_LT(ms, 2500);
}

// SIGTERM, SIGHUP and SIGPIPE stop a rip as Ctrl-C does: its temporaries go, its log says it was cancelled, and the
// status names the signal.
// What a killed run left (a minute old, the user's, open nowhere) goes at the next write of that file.
TEST(DiscCommandsTest, ASignalledRipLeavesNoTemporariesAndStaleOnesAreCleared) {
  testdata::TempFolder folder;
  std::vector<DriveTrack> tracks = {{testdata::Pattern(testdata::BlockFrames(150), 1)},
                                    {testdata::Pattern(testdata::BlockFrames(150), 2)}};
  std::string drive = "'bincue:" + testdata::WriteDriveImage(folder.Path(), tracks, DriveImageForm::BinCue) + "'";
  std::string settings = folder.File("settings.ini"), out = folder.File("out");
  // Without ReplayGain, whose album values hold a whole disc's encodings until its last track is read, track 1 is
  // finished while track 2 is read.
  testdata::WriteTextFile(settings, "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n[AccurateRip]\nserver=\n[CTDB]\nserver=\n"
                                    "[Rip]\nReplayGain=False\n");
  // Track 2 hangs on a read for 4 s while track 1 is written.
  std::string rip = "ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" LD_PRELOAD=" FAILING_READS
                    " QUILLON_FAIL_FILE=/disc.bin QUILLON_SLOW_MS=4000 QUILLON_FAIL_BYTES=" + std::to_string(200 * 2352) +
                    "-" + std::to_string(201 * 2352) + " " QUILLON_CLI " rip " + drive + " --format mp3 --out '" + out +
                    "' --settings '" + settings + "'";
  const std::string partial = out + "/Track-01.mp3.partial";
  std::filesystem::create_directories(out);
  for (const char* suffix : {"", ".1", ".2", ".3"}) testdata::WriteTextFile(partial + suffix, "left by a killed run");
  for (const char* suffix : {"", ".1", ".3"})  // .2 is younger than a minute, .3 open in this test
    std::filesystem::last_write_time(partial + suffix, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2));
  int held = ::open((partial + ".3").c_str(), O_RDONLY);
  for (auto [signal, status] : {std::pair{"TERM", 143}, {"HUP", 129}, {"PIPE", 141}}) {
    SCOPED_TRACE(signal);
    testdata::ProcessResult stopped = testdata::RunCommand("(" + rip + " >/dev/null & sleep 1; kill -" + signal +
                                                           " $!; wait $!; echo \"status $?\") 2>/dev/null");
    EXPECT_EQ("status " + std::to_string(status) + "\n", stopped.out);
    std::set<std::string> left;
    for (const auto& file : std::filesystem::directory_iterator(out)) left.insert(file.path().filename());
    // The finished track stays, with the log of a cancelled rip.
    EXPECT_EQ((std::set<std::string>{"Disc 06000402.log", "Track-01.mp3", "Track-01.mp3.partial.2",
                                     "Track-01.mp3.partial.3"}),
              left);
  }
  ::close(held);
}

TEST(DiscCommandsTest, ADataOnlyDiscIsListedButNotRipped) {
  testdata::TempFolder folder;
  std::string drive = "'bincue:" + testdata::WriteDriveImage(folder.Path(), {{{}, 300}}, DriveImageForm::BinCue) + "'";
  testdata::ProcessResult toc = RunCli("toc " + drive);
  EXPECT_EQ(0, toc.status);
  EXPECT_EQ(0u, toc.out.find("First: 1\nLast: 1\nLeadout: 300\n")) << toc.out;
  EXPECT_TRUE(toc.out.ends_with("\t300\t0\tdata\n")) << toc.out;
  testdata::ProcessResult rip = RunCli("rip " + drive + " --format wav --out '" + folder.File("out") + "'");
  EXPECT_EQ(1, rip.status);
  EXPECT_EQ("quillon-cli: error: the disc has no audio tracks\n", rip.out);
}

TEST(DiscCommandsTest, HelpGoesToStdoutAndWrongUsageNamesTheArgument) {
  testdata::ProcessResult help = RunCli("--help");
  EXPECT_EQ(0, help.status);
  EXPECT_NE(std::string::npos, help.out.find("quillon-cli record OUT.wav")) << help.out;
  testdata::ProcessResult ripHelp = RunCli("help rip 2>/dev/null");
  EXPECT_EQ(0, ripHelp.status);
  EXPECT_EQ(0u, ripHelp.out.find("usage: quillon-cli rip DRIVE")) << ripHelp.out;
  EXPECT_EQ(0, RunCli("--version").status);
  for (std::size_t start = 0, end; start < help.out.size(); start = end + 1) {
    end = help.out.find('\n', start);
    EXPECT_LE(end - start, 80u) << help.out.substr(start, end - start);
  }
  EXPECT_EQ(ripHelp.out, RunCli("rip -h").out);
  EXPECT_EQ(0u, RunCli("help help").out.find("usage: quillon-cli help [COMMAND]"));
  testdata::ProcessResult full = testdata::RunCommand("{ " QUILLON_CLI " --help >/dev/full; }");
  EXPECT_EQ(1, full.status);
  EXPECT_EQ("quillon-cli: error: the output could not be written: No space left on device\n", full.out);

  testdata::TempFolder folder;
  std::vector<discimage::ImageTrack> tracks = {{{}, testdata::Pattern(testdata::BlockFrames(75), 1)},
                                               {{}, testdata::Pattern(testdata::BlockFrames(75), 2)}};
  std::string sheet = discimage::WriteImage(folder.Path(), "disc", tracks, {});
  std::string rip = "rip '" + sheet + "' --out '" + folder.Path().string() + "' ";
  testdata::ProcessResult misspelt = RunCli(rip + "--fromat wav");
  EXPECT_EQ(2, misspelt.status);
  EXPECT_EQ(0u, misspelt.out.find("quillon-cli: unknown option --fromat\nusage: quillon-cli rip")) << misspelt.out;
  testdata::ProcessResult absent = RunCli(rip + "--format wav --tracks 2,3");
  EXPECT_EQ(2, absent.status);
  EXPECT_EQ(0u, absent.out.find("quillon-cli: the disc has no track 3 (it has tracks 1 to 2)")) << absent.out;
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Track-02.wav")) << "nothing is ripped";
  for (const char* list : {"flac,flac", "flac,", "flac,aiff", ",wav"}) {
    testdata::ProcessResult wrong = RunCli(rip + "--format " + list);
    EXPECT_EQ(2, wrong.status) << list;
    EXPECT_EQ(0u, wrong.out.find("quillon-cli: --format takes wav, mp3, ogg, flac or opus, or several of them")) << wrong.out;
  }
  const std::string settings = folder.File("settings.ini");
  testdata::WriteTextFile(settings, "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n[AccurateRip]\nserver=\n"
                                    "[CTDB]\nserver=\n");
  testdata::ProcessResult two = RunCli(rip + "--format wav,flac --tracks 1 --settings '" + settings + "' 2>/dev/null");
  EXPECT_EQ(0, two.status) << two.out;
  for (const char* file : {"wav/Track-01.wav", "flac/Track-01.flac"}) {
    EXPECT_NE(std::string::npos, two.out.find("01\t" + (folder.Path() / file).string() + "\t")) << two.out;
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / file)) << file;
  }

  // -q leaves the results and errors, -v adds each web request.
  testdata::WriteTextFile(folder.File("settings.ini"), "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n"
                                                       "[AccurateRip]\nserver=http://127.0.0.1:9\n[CTDB]\nserver=\n");
  rip += "--format wav --tracks 1 --settings '" + folder.File("settings.ini") + "' ";
  // The notes go to stderr, which alone is kept here.
  auto errorsOf = [](const std::string& args) { return testdata::RunCommand("{ " QUILLON_CLI " " + args + " >/dev/null; }"); };
  testdata::ProcessResult quiet = errorsOf(rip + "-q");
  EXPECT_EQ(0, quiet.status);
  EXPECT_EQ("", quiet.out);
  testdata::ProcessResult verbose = errorsOf(rip + "--verbose");
  EXPECT_NE(std::string::npos, verbose.out.find("GET http://127.0.0.1:9/")) << verbose.out;
  EXPECT_NE(std::string::npos, verbose.out.find("AccurateRip: not verified")) << verbose.out;
}

// Commands that read a file given by the user take regular files only: a folder, a device or a FIFO is
// refused at once with the reason (a FIFO would keep them waiting, a device give no end), and a log far
// larger than any rip log is refused as one.
TEST(DiscCommandsTest, OnlyRegularFilesAreReadAsLogsAndTaggedFiles) {
  testdata::TempFolder folder;
  const std::string fifo = folder.File("fifo.mp3");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  const std::string here = folder.Path().string();
  testdata::WriteTextFile(folder.File("big.log"), "");
  std::filesystem::resize_file(folder.File("big.log"), 5 << 20);
  struct Case {
    std::string command, error;
  };
  const std::string notRegular = "Cannot open file " + fifo + ": it is not a regular file";
  for (const Case& c : {Case{"verify-log '" + here + "'", "Cannot open file " + here + ": it is a folder"},
                        Case{"verify-log /dev/zero", "Cannot open file /dev/zero: it is not a regular file"},
                        Case{"verify-log '" + fifo + "'", notRegular},
                        Case{"verify-log '" + folder.File("big.log") + "'",
                             "The file " + folder.File("big.log") + " is too large to be a rip log (over 4 MiB)"},
                        Case{"tag show '" + fifo + "'", notRegular},
                        Case{"tag write '" + fifo + "' --title t", notRegular},
                        Case{"tag remove '" + fifo + "'", notRegular}}) {
    testdata::ProcessResult result = testdata::RunCommand("timeout 10 " + std::string(QUILLON_CLI) + " " + c.command);
    EXPECT_EQ(1, result.status) << c.command << "\n" << result.out;
    EXPECT_NE(std::string::npos, result.out.find("quillon-cli: error: " + c.error)) << result.out;
  }
}

}  // namespace
