#include "acs/ACS_LAME.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/bladeenc/LameLibrary.h"
#include "tests/acs/TestStreams.h"
#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"

using teststreams::MemorySource;
using teststreams::RunToEnd;
using teststreams::Music;
using teststreams::Samples;

namespace {

// How far the decoded audio may lie from the input when the Info frame is not honoured: its own frame and
// the encoder's delay.
constexpr std::size_t kLead = 1152 + 1105;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The PCM of an MP3 file as the reference decoder gives it: 16-bit, the stream's channels and rate.
std::vector<std::uint8_t> Decode(const std::string& mp3) {
  std::string pcm = testdata::RunCommand("(" MPG123 " -q -s '" + mp3 + "' 2>/dev/null)").out;
  return {pcm.begin(), pcm.end()};
}

// Stream and tag facts from an independent reader.
std::map<std::string, std::string> Facts(const std::string& mp3) {
  std::istringstream lines(testdata::RunCommand(QUILLON_PYTHON " " MP3_FACTS " '" + mp3 + "'").out);
  std::map<std::string, std::string> facts;
  for (std::string line; std::getline(lines, line);) {
    std::size_t tab = line.find('\t');
    if (tab != std::string::npos) facts[line.substr(0, tab)] = line.substr(tab + 1);
  }
  return facts;
}

// How much the decoded audio sounds like the input, at the best alignment after the encoder's lead.
double Likeness(const std::vector<double>& input, const std::vector<double>& decoded, std::size_t channels) {
  const std::size_t start = 10000 * channels, length = 20000 * channels;
  double best = -1;
  for (std::size_t lag = 0; lag <= 2 * kLead; ++lag) {
    std::size_t shift = start + lag * channels;
    if (shift + length > decoded.size() || start + length > input.size()) break;
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < length; ++i) {
      ab += input[start + i] * decoded[shift + i];
      aa += input[start + i] * input[start + i];
      bb += decoded[shift + i] * decoded[shift + i];
    }
    best = std::max(best, ab / std::sqrt(aa * bb));
  }
  return best;
}

// The Info frame tells the decoder the encoder's delay and padding: the input comes out at its own length.
void ExpectLength(std::size_t inputFrames, std::size_t decodedFrames) { EXPECT_EQ(inputFrames, decodedFrames); }

class Mp3Test : public ::testing::Test {
 protected:
  std::string Encode(MemorySource& source, TMP3Out& sink, const std::string& name) {
    sink.SetInput(&source);
    sink.SetFileName(FFolder.File(name));
    EXPECT_EQ("", RunToEnd(sink));
    return sink.FileName();
  }

  testdata::TempFolder FFolder;
};

TEST_F(Mp3Test, StereoKeepsItsLengthAndSoundAtTheChosenBitRate) {
  std::vector<std::uint8_t> pcm = Music(3 * 44100, 2, 16);
  for (TMP3BitRate bitRate : {br128, br320}) {
    SCOPED_TRACE(KilobitsPerSecond(bitRate));
    MemorySource source(pcm);
    if (bitRate == br320) source.HideSize();  // the encoder's own default for an unknown length
    TMP3Out sink;
    EXPECT_EQ(br128, sink.BitRate());
    sink.SetBitRate(bitRate);
    std::string mp3 = Encode(source, sink, "stereo.mp3");
    std::map<std::string, std::string> facts = Facts(mp3);
    EXPECT_EQ(std::to_string(KilobitsPerSecond(bitRate)), facts["bitrate"]);
    EXPECT_EQ("44100", facts["rate"]);
    EXPECT_EQ("2", facts["channels"]);
    EXPECT_EQ("none", facts["tag"]);
    std::vector<std::uint8_t> decoded = Decode(mp3);
    ExpectLength(pcm.size() / 4, decoded.size() / 4);
    EXPECT_GT(Likeness(Samples(pcm, 16), Samples(decoded, 16), 2), 0.95);
    EXPECT_FALSE(source.Busy());
  }
}

TEST_F(Mp3Test, MonoAndEightBitInputKeepTheirSound) {
  struct Case {
    int channels, bits;
  };
  for (Case c : {Case{1, 16}, Case{2, 8}, Case{1, 8}}) {
    SCOPED_TRACE(std::to_string(c.channels) + " channels, " + std::to_string(c.bits) + " bits");
    std::vector<std::uint8_t> pcm = Music(2 * 44100 + 333, c.channels, c.bits);
    MemorySource source(pcm, c.channels, c.bits, 44100);
    TMP3Out sink;
    std::string mp3 = Encode(source, sink, "small.mp3");
    EXPECT_EQ(std::to_string(c.channels), Facts(mp3)["channels"]);
    std::vector<std::uint8_t> decoded = Decode(mp3);
    ExpectLength(pcm.size() * 8 / c.bits / c.channels, decoded.size() / 2 / c.channels);
    EXPECT_GT(Likeness(Samples(pcm, c.bits), Samples(decoded, 16), c.channels), 0.95);
  }
}

TEST_F(Mp3Test, TagFieldsFollowTheAudioAsAnId3v1TagAtTheEnd) {
  MemorySource source(Music(44100, 2, 16));
  TMP3Out sink;
  sink.SetId3TagTitle("A title longer than the thirty characters of the tag");
  sink.SetId3TagArtist("The Artist");
  sink.SetId3TagAlbum("The Album");
  sink.SetId3TagYear("1999");
  sink.SetId3TagTrack("7");
  sink.SetId3TagComment("Made in a test");
  std::string mp3 = Encode(source, sink, "tagged.mp3");
  std::string bytes = ReadAll(mp3);
  EXPECT_NE("ID3", bytes.substr(0, 3));
  EXPECT_EQ("TAG", bytes.substr(bytes.size() - 128, 3));
  std::map<std::string, std::string> facts = Facts(mp3);
  EXPECT_EQ("1.1", facts["tag"]);
  EXPECT_EQ("A title longer than the thirty", facts["title"]);
  EXPECT_EQ("The Artist", facts["artist"]);
  EXPECT_EQ("The Album", facts["album"]);
  EXPECT_EQ("1999", facts["year"]);
  EXPECT_EQ("7", facts["track"]);
  EXPECT_EQ("Made in a test", facts["comment"]);
}

TEST_F(Mp3Test, AnEmptyInputGivesOnlyTheFlushAndTheTagWhenOneIsSet) {
  MemorySource source({});
  TMP3Out sink;
  std::string plain = ReadAll(Encode(source, sink, "empty.mp3"));
  ASSERT_GT(plain.size(), 128u);
  EXPECT_NE("TAG", plain.substr(plain.size() - 128, 3));
  sink.SetId3TagComment("only a comment");
  std::string tagged = ReadAll(Encode(source, sink, "empty-tagged.mp3"));
  EXPECT_EQ(plain.size() + 128, tagged.size());
  EXPECT_EQ(plain, tagged.substr(0, plain.size()));
  EXPECT_EQ("TAG", tagged.substr(plain.size(), 3));
}

TEST_F(Mp3Test, AFailedStartSaysWhyAndLeavesNothingBehind) {
  MemorySource source(Music(4410, 2, 16));
  TMP3Out sink;
  sink.SetInput(&source);
  try {
    sink.Run();
    ADD_FAILURE() << "ran without a file name";
  } catch (const EACSException& error) {
    EXPECT_STREQ("File name is not assigned.", error.what());
  }
  EXPECT_EQ(0, source.inits);

  std::string unreachable = FFolder.File("missing/out.mp3");
  sink.SetFileName(unreachable);
  try {
    sink.Run();
    ADD_FAILURE() << "created a file in a missing folder";
  } catch (const EStreamError& error) {
    EXPECT_EQ("Cannot create file " + unreachable, error.what());
  }
  EXPECT_FALSE(sink.Busy());
  EXPECT_FALSE(std::filesystem::exists(FFolder.Path() / "missing"));
  source.Flush();

  EXPECT_EQ(FFolder.File("good.mp3"), Encode(source, sink, "good.mp3"));  // the sink is still usable
}

TEST_F(Mp3Test, AFailedWriteKeepsTheOldFileAndSaysWhy) {
  std::string path = FFolder.File("out.mp3");
  testdata::WriteTextFile(path, "old");
  MemorySource source(Music(30 * 44100, 2, 16));
  TMP3Out sink;
  sink.SetInput(&source);
  sink.SetFileName(path);
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 100000;
  setrlimit(RLIMIT_FSIZE, &small);
  std::string error = RunToEnd(sink);
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ("Stream write error", error);
  EXPECT_EQ("old", ReadAll(path));
  EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
  EXPECT_FALSE(source.Busy());
}

TEST_F(Mp3Test, ASinkDestroyedWhileRunningLeavesNoFile) {
  MemorySource source(Music(60 * 44100, 2, 16));
  {
    TMP3Out sink;
    sink.SetInput(&source);
    sink.SetFileName(FFolder.File("abandoned.mp3"));
    sink.Run();
  }
  EXPECT_TRUE(std::filesystem::is_empty(FFolder.Path()));
}

TEST(Mp3BindingTest, AMissingLibraryIsReportedUntilOneIsFound) {
  SetLameLibraryName("libquillon-missing.so");
  try {
    TMP3Out sink;
    ADD_FAILURE() << "constructed without LAME";
  } catch (const EACSException& error) {
    EXPECT_STREQ("lame_enc.dll library could not be loaded.\n"
                 "MP3 files are encoded by libmp3lame.so.0: install the package libmp3lame0.",
                 error.what());
  }
  SetLameLibraryName("libmp3lame.so.0");
  EXPECT_NO_THROW(TMP3Out());
}

}  // namespace
