#include "acs/ACS_FLAC.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/acs/TestStreams.h"
#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"

using teststreams::MemorySource;
using teststreams::RunToEnd;
using teststreams::Music;
using teststreams::WaitFor;

namespace {

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Succeed(const std::string& command) {
  testdata::ProcessResult result = testdata::RunCommand(command);
  EXPECT_EQ(0, result.status) << command << "\n" << result.out;
  return result.out;
}

// The PCM the reference decoder gives, in the file's own sample format (8-bit unsigned, 16-bit signed).
std::vector<std::uint8_t> ReferenceDecode(const std::string& flac, const std::string& wav) {
  Succeed("flac -d -s -f -o '" + wav + "' '" + flac + "'");
  std::vector<std::uint8_t> bytes = ReadAll(wav);
  return {bytes.begin() + std::min<std::size_t>(44, bytes.size()), bytes.end()};
}

class FlacTest : public ::testing::Test {
 protected:
  testdata::TempFolder FFolder;
};

TEST_F(FlacTest, EncodedFilesAreBitExactWithTheirMd5SumAndComments) {
  struct Case {
    int channels, bits, level;
    bool sizeKnown;
  };
  for (Case c : {Case{2, 16, 5, true}, Case{1, 16, 0, false}, Case{2, 8, 8, true}}) {
    SCOPED_TRACE(std::to_string(c.channels) + " channels, " + std::to_string(c.bits) + " bits");
    std::vector<std::uint8_t> pcm = Music(2 * 44100 + 333, c.channels, c.bits);
    MemorySource source(pcm, c.channels, c.bits, 44100);
    if (!c.sizeKnown) source.HideSize();
    TFLACOut sink;
    sink.SetInput(&source);
    sink.SetFileName(FFolder.File("out.flac"));
    sink.SetCompressionLevel(c.level);
    sink.SetComments({"TITLE=\xC3\x96" "ffnung", "ARTIST=Die Band", "no pair"});
    ASSERT_EQ("", RunToEnd(sink));
    EXPECT_TRUE(sink.Comments().empty());
    EXPECT_FALSE(source.Busy());
    std::string flac = FFolder.File("out.flac");
    EXPECT_TRUE(ReferenceDecode(flac, FFolder.File("out.wav")) == pcm);
    std::vector<std::uint8_t> signedPcm = pcm;  // the sum is taken over signed samples
    if (c.bits == 8)
      for (std::uint8_t& sample : signedPcm) sample = static_cast<std::uint8_t>(sample - 128);
    std::ofstream(FFolder.File("pcm"), std::ios::binary)
        .write(reinterpret_cast<const char*>(signedPcm.data()), std::streamsize(signedPcm.size()));
    std::string md5 = Succeed("md5sum < '" + FFolder.File("pcm") + "'").substr(0, 32);
    EXPECT_EQ(md5 + "\n" + std::to_string(pcm.size() * 8 / c.bits / c.channels) + "\n",
              Succeed("metaflac --show-md5sum --show-total-samples '" + flac + "'"));
    EXPECT_EQ("TITLE=\xC3\x96" "ffnung\nARTIST=Die Band\n", Succeed("metaflac --export-tags-to=- '" + flac + "'"));
  }
}

TEST_F(FlacTest, TheSourceDeliversWhatTheReferenceEncoderWroteAsSixteenBits) {
  struct Case {
    int channels, bits;
  };
  for (Case c : {Case{2, 16}, Case{1, 24}}) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits");
    std::vector<std::uint8_t> pcm = Music(44100 + 17, c.channels, 16);
    std::vector<std::uint8_t> raw;  // 24-bit: the same samples with a low byte below them
    for (std::size_t i = 0; i < pcm.size(); i += 2) {
      if (c.bits == 24) raw.push_back(0x5A);
      raw.insert(raw.end(), {pcm[i], pcm[i + 1]});
    }
    std::ofstream(FFolder.File("in.raw"), std::ios::binary)
        .write(reinterpret_cast<const char*>(raw.data()), std::streamsize(raw.size()));
    Succeed("flac -s -f --force-raw-format --endian=little --sign=signed --channels=" + std::to_string(c.channels) +
        " --bps=" + std::to_string(c.bits) + " --sample-rate=22050 -o '" + FFolder.File("ref.flac") + "' '" +
        FFolder.File("in.raw") + "'");
    TFLACIn source;
    source.SetFileName(FFolder.File("ref.flac"));
    EXPECT_EQ(16, source.BitsPerSample());
    EXPECT_EQ(c.channels, source.Channels());
    EXPECT_EQ(22050, source.SampleRate());
    EXPECT_EQ(2, source.GetTotalTime());
    source.Init();
    EXPECT_EQ(std::int32_t(pcm.size()), source.Size());
    std::vector<std::uint8_t> decoded(pcm.size() + 100);
    std::size_t got = 0;
    for (int n; (n = source.GetData(decoded.data() + got, int(std::min<std::size_t>(1000, decoded.size() - got)))) > 0;)
      got += std::size_t(n);
    decoded.resize(got);
    EXPECT_TRUE(decoded == pcm);
    source.Flush();
  }

  testdata::WriteTextFile(FFolder.File("text.flac"), "not a FLAC file");
  TFLACIn text;
  text.SetFileName(FFolder.File("text.flac"));
  EXPECT_EQ(0, text.Channels());
  EXPECT_FALSE(text.Valid());
}

// A stopped conversion still gives a complete file of what it encoded; a failed write keeps the old file.
TEST_F(FlacTest, AStoppedRunGivesAWholeFileAndAFailedWriteNone) {
  std::vector<std::uint8_t> pcm = Music(60 * 44100, 2, 16);
  MemorySource source(pcm);
  TFLACOut sink;
  sink.SetInput(&source);
  sink.SetFileName(FFolder.File("stopped.flac"));
  sink.SetOnProgress([&](TACSOutput* sender) {
    if (sender->Progress() >= 10) sink.Stop();
  });
  std::atomic<bool> done{false};
  sink.SetOnDone([&](TACSOutput*) { done = true; });
  sink.Run();
  ASSERT_TRUE(WaitFor([&] { return done.load(); }));
  EXPECT_EQ("", sink.RunError());
  std::vector<std::uint8_t> decoded = ReferenceDecode(FFolder.File("stopped.flac"), FFolder.File("stopped.wav"));
  EXPECT_GT(decoded.size(), 0u);
  EXPECT_LT(decoded.size(), pcm.size());
  EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), pcm.begin()));

  sink.SetOnProgress(nullptr);
  std::string path = FFolder.File("full.flac");
  testdata::WriteTextFile(path, "old");
  sink.SetFileName(path);
  {
    testdata::FullDisk disk(100000);
    EXPECT_EQ("Stream write error", RunToEnd(sink));
  }
  EXPECT_EQ("old", testdata::ReadTextFile(path));
  EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
  sink.SetCompressionLevel(9);
  EXPECT_THROW(sink.Run(), EACSException);
}

}  // namespace
