#include "acs/ACS_Vorbis.h"
#include "acs/OggCommentPacket.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "acs/ACS_Wave.h"
#include "tests/acs/TestStreams.h"
#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"

using teststreams::Correlation;
using teststreams::MemorySource;
using teststreams::Music;
using teststreams::Samples;
using teststreams::WaitFor;

namespace {

void RunToEnd(TACSOutput& sink) {
  std::atomic<bool> done{false};
  sink.SetOnDone([&](TACSOutput*) { done = true; });
  sink.Run();
  ASSERT_TRUE(WaitFor([&] { return done.load(); }));
  EXPECT_EQ("", sink.RunError());
}

std::string Encode(const testdata::TempFolder& folder, MemorySource& source, float quality,
                   const std::vector<std::string>& comments = {}) {
  TVorbisOut sink;
  sink.SetInput(&source);
  sink.SetFileName(folder.File("out.ogg"));
  sink.SetCompression(quality);
  sink.SetComments(comments);
  RunToEnd(sink);
  EXPECT_TRUE(sink.Comments().empty());
  return sink.FileName();
}

std::vector<std::uint8_t> Decode(const std::string& path) {
  TVorbisIn source;
  source.SetFileName(path);
  source.Init();
  std::vector<std::uint8_t> all;
  std::uint8_t buffer[5000];
  for (int got; (got = source.GetData(buffer, sizeof buffer)) > 0;) all.insert(all.end(), buffer, buffer + got);
  source.Flush();
  return all;
}

std::string Shell(const std::string& command) { return testdata::RunCommand(command).out; }

class VorbisTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { BindVorbisLibraries(); }
  testdata::TempFolder FFolder;
};

TEST_F(VorbisTest, RoundTripKeepsLengthAndSound) {
  std::vector<std::uint8_t> pcm = Music(3 * 44100, 2, 16);
  MemorySource source(pcm);
  std::string ogg = Encode(FFolder, source, 0.4f);
  TVorbisIn decoded;
  decoded.SetFileName(ogg);
  EXPECT_EQ(3, decoded.GetTotalTime());
  EXPECT_EQ(2, decoded.Channels());
  std::vector<std::uint8_t> back = Decode(ogg);
  EXPECT_EQ(pcm.size(), back.size());
  EXPECT_GT(Correlation(Samples(pcm, 16), Samples(back, 16)), 0.99);
}

TEST_F(VorbisTest, EightBitMonoIsConvertedNotTakenAsSixteenBit) {
  std::vector<std::uint8_t> pcm = Music(44100, 1, 8);
  MemorySource source(pcm, 1, 8, 44100);
  std::vector<std::uint8_t> back = Decode(Encode(FFolder, source, 0.5f));
  EXPECT_EQ(pcm.size() * 2, back.size());
  EXPECT_GT(Correlation(Samples(pcm, 8), Samples(back, 16)), 0.98);
}

TEST_F(VorbisTest, DecodingMatchesTheReferenceDecoder) {
  MemorySource source(Music(2 * 44100 + 123, 2, 16));
  std::string ogg = Encode(FFolder, source, 0.2f);
  std::string reference = FFolder.File("reference.raw");
  Shell("oggdec -Q -R -o '" + reference + "' '" + ogg + "'");
  std::ifstream in(reference, std::ios::binary);
  std::vector<std::uint8_t> expected{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(expected.empty()) << "oggdec made nothing";
  EXPECT_TRUE(Decode(ogg) == expected);
}

TEST_F(VorbisTest, CommentsGoIntoTheStreamEachWithItsOwnValue) {
  MemorySource source(Music(4410, 2, 16));
  std::string ogg = Encode(FFolder, source, 0.2f, {"ARTIST=First", "ARTIST=Second", "TITLE=Song=Long", "junk"});
  EXPECT_EQ("ARTIST=First\nARTIST=Second\nTITLE=Song=Long\n", Shell("vorbiscomment -l '" + ogg + "'"));
}

TEST_F(VorbisTest, EmptyInputStillMakesAValidFile) {
  MemorySource source({});
  std::string ogg = Encode(FFolder, source, 0.2f);
  std::ifstream in(ogg, std::ios::binary);
  char magic[4];
  in.read(magic, 4);
  EXPECT_EQ(0, std::memcmp(magic, "OggS", 4));
  TVorbisIn decoded;
  decoded.SetFileName(ogg);
  EXPECT_EQ(2, decoded.Channels());
  EXPECT_TRUE(decoded.Valid());
  EXPECT_TRUE(Decode(ogg).empty());
}

TEST_F(VorbisTest, FilesTheDecoderRefusesDeliverNothing) {
  testdata::WriteTextFile(FFolder.File("text.ogg"), "this is not an Ogg Vorbis stream at all");
  for (const std::string& path : {FFolder.File("missing.ogg"), FFolder.File("text.ogg")}) {
    TVorbisIn source;
    source.SetFileName(path);
    source.Init();
    EXPECT_FALSE(source.Valid()) << path;
    std::uint8_t buffer[100];
    EXPECT_EQ(0, source.GetData(buffer, sizeof buffer)) << path;
    source.SetLoop(true);
    EXPECT_EQ(0, source.GetData(buffer, sizeof buffer)) << path;
    source.Flush();
  }
}

// One damaged page costs its own audio only: decoding goes on after the hole, as oggdec does.
TEST_F(VorbisTest, ADamagedPageIsSkipped) {
  MemorySource input(Music(10 * 44100, 2, 16));
  std::string ogg = Encode(FFolder, input, 0.3f);
  std::string bytes = testdata::ReadTextFile(ogg);
  std::size_t page = bytes.find("OggS", bytes.size() / 4);
  ASSERT_NE(std::string::npos, page);
  for (std::size_t i = page + 40; i < page + 240; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
  testdata::WriteTextFile(ogg, bytes);
  std::size_t reference = Shell("oggdec -Q -R -o - '" + ogg + "' 2>/dev/null").size();
  EXPECT_GT(reference, std::size_t(8 * 44100 * 4));
  EXPECT_NEAR(double(reference), double(Decode(ogg).size()), 44100 * 4 * 0.1);
}

TEST_F(VorbisTest, LoopAndJumpKeepTheDecoderInStep) {
  MemorySource input(Music(44100, 2, 16));
  std::string ogg = Encode(FFolder, input, 0.3f);
  std::vector<std::uint8_t> once = Decode(ogg);
  TVorbisIn source;
  source.SetFileName(ogg);
  source.Init();
  source.Jump(-10);  // clamps at the start
  std::vector<std::uint8_t> start(1000);
  ASSERT_EQ(1000, source.GetData(start.data(), 1000));
  EXPECT_TRUE(std::equal(start.begin(), start.end(), once.begin()));
  source.Flush();

  source.SetLoop(true);
  source.Init();
  std::vector<std::uint8_t> twice;
  std::uint8_t buffer[4096];
  while (twice.size() < once.size() + 1000) {
    int got = source.GetData(buffer, sizeof buffer);
    ASSERT_GT(got, 0);
    twice.insert(twice.end(), buffer, buffer + got);
  }
  EXPECT_TRUE(std::equal(once.begin(), once.end(), twice.begin()));
  EXPECT_TRUE(std::equal(once.begin(), once.begin() + 1000, twice.begin() + static_cast<long>(once.size())));
  EXPECT_LT(source.Position(), static_cast<std::int32_t>(once.size()));
  source.Flush();
}

TEST(VorbisBindingTest, AMissingLibraryIsNamedInItsOrder) {
  struct Case {
    VorbisLibraryNames names;
    const char* message;
  };
  VorbisLibraryNames noOgg, noVorbis, noVorbisfile, noVorbisenc;
  noOgg.ogg = "libquillon-missing.so";
  noOgg.vorbisenc = "libquillon-missing.so";
  noVorbis.vorbis = "libquillon-missing.so";
  noVorbisfile.vorbisfile = "libquillon-missing.so";
  noVorbisenc.vorbisenc = "libquillon-missing.so";
  for (const Case& c : {Case{noOgg, "ogg.dll library could not be loaded."},
                        Case{noVorbis, "vorbis.dll library could not be loaded."},
                        Case{noVorbisfile, "vorbisfile.dll library could not be loaded."},
                        Case{noVorbisenc, "vorbisenc.dll library could not be loaded."}}) {
    BindVorbisLibraries(c.names);
    for (int component = 0; component < 2; ++component) {
      try {
        if (component == 0) TVorbisOut out;
        else TVorbisIn in;
        ADD_FAILURE() << c.message;
      } catch (const EACSException& error) {
        EXPECT_STREQ(c.message, error.what());
      }
    }
  }
  BindVorbisLibraries();
  EXPECT_NO_THROW(TVorbisOut());
}

}  // namespace

// A new comment header, pages longer than the old: the other comments and the audio stay, the pages after it
// are numbered on; a file that is no Ogg stream stays as it was.
TEST_F(VorbisTest, ASecondPacketReplacedKeepsTheAudioAndTheOtherComments) {
  MemorySource source(Music(2 * 44100, 2, 16));
  std::string ogg = Encode(FFolder, source, 0.2f, {"ARTIST=First", "replaygain_album_gain=old"});
  const std::vector<std::uint8_t> audio = Decode(ogg);
  const std::string big(200000, 'x');
  RewriteSecondOggPacket(ogg, [&](const OggPacket& packet) {
    return WithCommentFields(packet, std::string("\x03vorbis", 7), {{"REPLAYGAIN_ALBUM_GAIN", "-1.00 dB"}, {"BIG", big}});
  }, LinkRule::Any);
  EXPECT_EQ("ARTIST=First\nREPLAYGAIN_ALBUM_GAIN=-1.00 dB\nBIG=" + big + "\n", Shell("vorbiscomment -l '" + ogg + "'"));
  EXPECT_TRUE(Decode(ogg) == audio);
  testdata::ProcessResult info = testdata::RunCommand("ogginfo '" + ogg + "'");
  EXPECT_EQ(0, info.status);
  EXPECT_EQ(std::string::npos, info.out.find("WARNING")) << info.out;
  const std::string text = FFolder.File("text.ogg");
  testdata::WriteTextFile(text, "no pages here");
  EXPECT_THROW(RewriteSecondOggPacket(text, [](const OggPacket& packet) { return packet; }), EACSException);
  EXPECT_EQ("no pages here", testdata::ReadTextFile(text));
}
