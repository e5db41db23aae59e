#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "acs/ACS_Wave.h"
#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"

namespace {

testdata::ProcessResult Succeed(const std::string& command) {
  testdata::ProcessResult result = testdata::RunCommand(command);
  EXPECT_EQ(0, result.status) << command << "\n" << result.out;
  return result;
}

testdata::ProcessResult RunCli(const std::string& arguments) {
  return testdata::RunCommand(std::string(QUILLON_CLI) + " mix " + arguments);
}

// quillon-cli mix with the three paths quoted.
testdata::ProcessResult Mix(const std::string& input1, const std::string& input2, const std::string& output,
                            const std::string& options = "") {
  std::string arguments;
  for (const std::string* path : {&input1, &input2, &output}) arguments.append("'").append(*path).append("' ");
  return RunCli(arguments + options);
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> Pcm(const std::string& path) {
  std::vector<std::uint8_t> bytes = ReadAll(path);
  return {bytes.begin() + std::min<std::size_t>(kWaveHeaderSize, bytes.size()), bytes.end()};
}

// The first sample where two PCM streams part, or -1.
long FirstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    if (a[i] != b[i]) return static_cast<long>(i / 2);
  return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()) / 2);
}

class MixCommandTest : public testing::Test {
 protected:
  // Loud noise: clipped in part, so the extremes of the sample range occur too.
  std::string Input(const std::string& name, const std::string& seconds, const std::string& format = "-r 44100 -c 2") {
    std::string path = folder.File(name);
    Succeed("sox -n " + format + " -b 16 '" + path + "' synth " + seconds + " whitenoise vol 1.4 2>/dev/null");
    return path;
  }
  std::string File(const std::string& name) const { return folder.File(name); }

  testdata::TempFolder folder;
};

// Longer than several blocks, odd sample counts, levels that need rounding: checked against a separate
// computation, sample by sample.
TEST_F(MixCommandTest, AMixMatchesAnIndependentComputation) {
  std::string first = Input("one.wav", "1.3");
  std::string second = Input("two.wav", "0.71");
  for (auto [volume1, volume2] : {std::pair{255, 255}, std::pair{200, 90}, std::pair{0, 128}}) {
    std::string levels = std::to_string(volume1) + " " + std::to_string(volume2);
    std::string out = File("made/mix " + levels + ".wav");  // the folder is made
    std::string expected = File("expected.pcm");
    EXPECT_EQ(0, Mix(first, second, out, "--volume1 " + std::to_string(volume1) + " --volume2 " +
                                             std::to_string(volume2)).status);
    Succeed(std::string(QUILLON_PYTHON) + " " + MIX_REFERENCE + " '" + first + "' '" + second + "' " + levels + " '" +
        expected + "'");
    std::vector<std::uint8_t> want = ReadAll(expected);
    EXPECT_EQ(-1, FirstDifference(want, Pcm(out))) << "levels " << levels;
    std::vector<std::uint8_t> written = ReadAll(out);
    TWaveHeader header = MakeWaveHeader(2, 16, static_cast<std::int32_t>(want.size()), 44100);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), written.begin())) << "levels " << levels;
  }
}

TEST_F(MixCommandTest, ConcatenationMatchesSoxKeepsTheFormatAndWritesThroughTheOutputsLink) {
  std::string first = Input("one.wav", "0.9", "-r 22050 -c 1");
  std::string second = Input("two.wav", "1.2", "-r 22050 -c 1");
  // The output is a link to the real file; a link planted under the temporary file's name points elsewhere.
  testdata::WriteTextFile(File("victim"), "victim");
  testdata::WriteTextFile(File("real.wav"), "earlier");
  std::filesystem::create_symlink(File("victim"), File("real.wav.partial"));
  std::filesystem::create_symlink(File("real.wav"), File("ours.wav"));
  EXPECT_EQ(0, Mix(first, second, File("ours.wav"), "--concatenate").status);
  EXPECT_TRUE(std::filesystem::is_symlink(File("ours.wav")));
  EXPECT_EQ("victim", testdata::ReadTextFile(File("victim")));
  Succeed("sox '" + first + "' '" + second + "' '" + File("sox.wav") + "'");
  EXPECT_EQ(-1, FirstDifference(Pcm(File("sox.wav")), Pcm(File("ours.wav"))));
  std::vector<std::uint8_t> written = ReadAll(File("ours.wav"));
  TWaveHeader header = MakeWaveHeader(1, 16, static_cast<std::int32_t>(written.size() - kWaveHeaderSize), 22050);
  EXPECT_TRUE(std::equal(header.begin(), header.end(), written.begin()));
}

TEST_F(MixCommandTest, FailuresAndWrongUsageHaveTheirExitStatus) {
  std::string wav = Input("one.wav", "0.1");
  testdata::ProcessResult same = Mix(wav, File("two.wav"), wav);
  EXPECT_EQ(1, same.status);
  EXPECT_EQ("quillon-cli: error: Please check the Input File and Output File! They can't be the same file!\n", same.out);
  std::filesystem::create_hard_link(wav, File("linked.wav"));
  EXPECT_EQ(same.out, Mix(wav, File("two.wav"), File("linked.wav")).out);
  EXPECT_EQ("quillon-cli: error: Please check the Output File! It is a folder!\n", Mix(wav, File("two.wav"), File("")).out);
  for (const char* wrong : {"a.wav b.wav", "a.wav b.wav c.wav --volume1 256", "a.wav b.wav c.wav --loud"})
    EXPECT_EQ(2, RunCli(wrong).status) << wrong;
}

// Ctrl-C: the work stops, an earlier file of the output's name stays as it was, nothing half-written is left.
TEST_F(MixCommandTest, CtrlCStopsTheWorkKeepsTheOldFileAndExits130) {
  std::string wav = Input("long.wav", "120");
  std::string ogg = File("long.ogg");
  std::ofstream(ogg) << "old";
  testdata::ProcessResult stopped = testdata::RunCommand(
      std::string(QUILLON_CLI) + " convert '" + wav + "' '" + ogg + "' --cpu 1 & pid=$!; sleep 1; kill -INT $pid; wait $pid");
  EXPECT_EQ(130, stopped.status) << stopped.out;
  EXPECT_EQ((std::vector<std::uint8_t>{'o', 'l', 'd'}), ReadAll(ogg));
  EXPECT_EQ(2, std::distance(std::filesystem::directory_iterator(folder.Path()), {})) << "only the two files";
}

using ConvertCommandTest = MixCommandTest;

// Decoded by the reference tools: FLAC gives the WAV's samples back exactly, and an MP3 or Ogg file made
// from FLAC decodes to exactly as many samples.
TEST_F(ConvertCommandTest, FlacTakesAndGivesBackExactAudio) {
  std::string wav = Input("one.wav", "1.3");
  auto convert = [&](const std::string& in, const std::string& out, const std::string& options = "") {
    return Succeed(std::string(QUILLON_CLI) + " convert '" + File(in) + "' '" + File(out) + "' " + options);
  };
  convert("one.wav", "one.flac", "--level 8");
  Succeed("flac -d -s -o '" + File("reference.wav") + "' '" + File("one.flac") + "'");
  EXPECT_TRUE(Pcm(wav) == Pcm(File("reference.wav")));
  convert("one.flac", "back.wav");
  EXPECT_TRUE(Pcm(wav) == Pcm(File("back.wav")));
  convert("one.flac", "one.mp3");
  Succeed(std::string(MPG123) + " -q -w '" + File("mp3.wav") + "' '" + File("one.mp3") + "'");
  EXPECT_EQ(Pcm(wav).size(), Pcm(File("mp3.wav")).size());
  convert("one.flac", "one.ogg");
  Succeed("oggdec -Q -o '" + File("ogg.wav") + "' '" + File("one.ogg") + "'");
  EXPECT_EQ(Pcm(wav).size(), Pcm(File("ogg.wav")).size());
  EXPECT_EQ(2, testdata::RunCommand(std::string(QUILLON_CLI) + " convert a.wav b.flac --level 9").status);
}

// An Opus file made from WAV decodes at 48 kHz to the WAV's length within one 20 ms frame, at any bit rate
// Opus takes, not only an MP3 one.
TEST_F(ConvertCommandTest, OpusFromWavDecodesToTheWavsLength) {
  Input("one.wav", "1.3");
  Succeed(std::string(QUILLON_CLI) + " convert '" + File("one.wav") + "' '" + File("one.opus") + "' --bitrate 100");
  Succeed("opusdec --quiet --rate 48000 '" + File("one.opus") + "' '" + File("opus.wav") + "'");
  TWaveIn decoded;
  decoded.SetFileName(File("opus.wav"));
  EXPECT_EQ(48000, decoded.SampleRate());
  EXPECT_NEAR(1.3 * 48000, decoded.Size() / 4, 960);
}

// An MP3 is written as asked or not at all: a sample rate of 0 or 4 GHz read from a damaged header, and a bit
// rate given that the sample rate lacks, are refused without an output file; the default bit rate follows it.
TEST_F(ConvertCommandTest, AnMp3ThatCannotBeWrittenAsAskedIsRefused) {
  std::string wav = Input("one.wav", "0.2");
  std::string low = Input("low.wav", "0.2", "-r 11025 -c 1");
  auto convert = [&](const std::string& in, const std::string& options) {
    return testdata::RunCommand(std::string(QUILLON_CLI) + " convert '" + in + "' '" + File("out.mp3") + "' " + options);
  };
  EXPECT_EQ(0, convert(low, "").status);
  std::filesystem::remove(File("out.mp3"));
  auto withRate = [&](const std::string& name, std::uint32_t rate) {
    std::string bytes = testdata::ReadTextFile(wav);
    for (int k = 0; k < 4; ++k) bytes[std::size_t(24 + k)] = static_cast<char>(rate >> (8 * k));
    testdata::WriteTextFile(File(name), bytes);
    return File(name);
  };
  const struct {
    std::string in, options, message;
  } refused[] = {
      {wav, "--bitrate 144", "An MP3 of 44100 Hz has no bit rate of 144 kbit/s; it has 32, 40, 48, 56, 64, 80, 96, 112, "
                             "128, 160, 192, 224, 256 and 320 kbit/s"},
      {low, "--bitrate 128", "An MP3 of 11025 Hz has no bit rate of 128 kbit/s; it has 8, 16, 24, 32, 40, 48, 56 and 64 kbit/s"},
      {withRate("none.wav", 0), "", "The MP3 encoder cannot take a sample rate of 0 Hz"},
      {withRate("fast.wav", 4000000000u), "", "The MP3 encoder cannot take a sample rate of 4000000000 Hz"}};
  for (const auto& c : refused) {
    testdata::ProcessResult result = convert(c.in, c.options);
    EXPECT_EQ(1, result.status) << c.message;
    EXPECT_EQ("quillon-cli: error: " + c.message + "\n", result.out);
    EXPECT_FALSE(std::filesystem::exists(File("out.mp3"))) << c.message;
  }
}

// Damaged input fails as the reference decoders' tests fail it, and leaves no output behind: a read error
// in the middle of an Ogg file (which the Ogg decoder takes for its end), a FLAC file cut short, one of only
// its header, one with a damaged stretch, one whose audio does not match its MD5 sum. A file that cannot be
// read at all, or a FLAC file of a format that cannot be delivered, says so.
TEST_F(ConvertCommandTest, DamagedOrUnreadableInputFailsAndWritesNothing) {
  Input("one.wav", "10");
  const std::string cli = std::string(QUILLON_CLI) + " convert ";
  Succeed(cli + "'" + File("one.wav") + "' '" + File("one.flac") + "'");
  Succeed(cli + "'" + File("one.wav") + "' '" + File("one.ogg") + "'");
  const std::string flac = testdata::ReadTextFile(File("one.flac"));
  std::string damaged = flac, wrongSum = flac;
  for (std::size_t i = flac.size() / 2; i < flac.size() / 2 + 200; ++i) damaged[i] = static_cast<char>(~damaged[i]);
  wrongSum[26] = static_cast<char>(~wrongSum[26]);  // the MD5 sum's first byte: "fLaC", a block header, 18 bytes
  std::string headerOnly = flac.substr(0, 42);
  headerOnly[4] = static_cast<char>(headerOnly[4] | 0x80);  // the last metadata block
  testdata::WriteTextFile(File("cut.flac"), flac.substr(0, flac.size() / 2));
  testdata::WriteTextFile(File("damaged.flac"), damaged);
  testdata::WriteTextFile(File("sum.flac"), wrongSum);
  testdata::WriteTextFile(File("header.flac"), headerOnly);
  testdata::WriteTextFile(File("six.raw"), std::string(9600 * 6 * 3, '\0'));
  std::filesystem::create_directory(File("folder.ogg"));
  Succeed("flac -s --force-raw-format --endian=little --sign=signed --channels=6 --bps=24 --sample-rate=96000 -o '" +
          File("six.flac") + "' '" + File("six.raw") + "'");
  const std::string failingRead = std::string("QUILLON_FAIL_FILE=one.ogg QUILLON_FAIL_BYTES=20000-21000 LD_PRELOAD=") +
                                  FAILING_READS + " ";
  struct Case {
    std::string prefix, input, error;
  };
  for (const Case& c : {Case{failingRead, "one.ogg", "Stream read error"},
                        Case{"", "cut.flac", "The FLAC file " + File("cut.flac")},  // lost sync, or ends early
                        Case{"", "header.flac", "ends early: it holds 0 of the 441000 samples its header gives"},
                        Case{"", "damaged.flac", "is damaged after "},
                        Case{"", "sum.flac", "is damaged: its audio does not match its MD5 sum"},
                        Case{"", "six.flac", "has 6 channels: only mono and stereo FLAC files can be read"},
                        Case{"", "missing.ogg", "Cannot open file " + File("missing.ogg") + ": No such file"},
                        Case{"", "missing.flac", "Cannot open file " + File("missing.flac") + ": No such file"},
                        Case{"", "folder.ogg", "Cannot open file " + File("folder.ogg") + ": it is a folder"}}) {
    testdata::ProcessResult result =
        testdata::RunCommand(c.prefix + cli + "'" + File(c.input) + "' '" + File("out.wav") + "'");
    EXPECT_EQ(1, result.status) << c.input;
    EXPECT_EQ(0u, result.out.rfind("quillon-cli: error: ", 0)) << result.out;
    EXPECT_NE(std::string::npos, result.out.find(c.error)) << result.out;
    EXPECT_FALSE(std::filesystem::exists(File("out.wav"))) << c.input;
  }
  Succeed(cli + "'" + File("one.ogg") + "' '" + File("out.wav") + "'");  // the file itself is sound
  EXPECT_EQ("quillon-cli: error: Cannot open file " + File("missing.ogg") + ": No such file or directory\n",
            testdata::RunCommand(std::string(QUILLON_CLI) + " play '" + File("missing.ogg") + "'").out);
}

}  // namespace
