#include "acs/ACS_AudioMix.h"

#include <gtest/gtest.h>

#include <fstream>

#include "acs/ACS_Wave.h"
#include "tests/acs/TestStreams.h"
#include "tests/data/TestDiscs.h"

using teststreams::Bytes;
using teststreams::MemorySource;

namespace {

std::vector<std::uint8_t> Pcm(const std::vector<int>& samples) {
  std::vector<std::uint8_t> bytes;
  for (int sample : samples) {
    bytes.push_back(static_cast<std::uint8_t>(sample));
    bytes.push_back(static_cast<std::uint8_t>(sample >> 8));
  }
  return bytes;
}

std::vector<int> SamplesOf(const std::vector<std::uint8_t>& bytes) {
  std::vector<int> samples;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) samples.push_back(std::int16_t(bytes[i] | bytes[i + 1] << 8));
  return samples;
}

// Everything the mixer delivers, asked for in pieces of the given size.
std::vector<std::uint8_t> Drain(TACSInput& source, int piece = 5000) {
  std::vector<std::uint8_t> all;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(piece));
  while (int got = source.GetData(buffer.data(), piece)) all.insert(all.end(), buffer.begin(), buffer.begin() + got);
  return all;
}

// The text of the EACSException the action throws; empty when it throws none.
template <typename Action>
std::string ErrorOf(Action action) {
  try {
    action();
  } catch (const EACSException& error) {
    return error.what();
  }
  return "";
}

// Two sources in memory wired into a mixer.
struct Mixing {
  Mixing(std::vector<std::uint8_t> bytes1, std::vector<std::uint8_t> bytes2, TAudioMixerMode mode = amMix)
      : one(std::move(bytes1)), two(std::move(bytes2)) {
    mixer.SetInput1(&one);
    mixer.SetInput2(&two);
    mixer.SetMode(mode);
  }
  MemorySource one;
  MemorySource two;
  TAudioMixer mixer;
};

TEST(AudioMixerTest, MixScalesRoundsAndTruncatesTheAverage) {
  struct Case {
    int sample1, sample2, volume1, volume2, expected;
  } cases[] = {
      {1000, 0, 255, 255, 500},       {1000, 1000, 255, 255, 1000}, {-32768, -32768, 255, 255, -32768},
      {32767, 32767, 255, 255, 32767}, {1001, 0, 255, 255, 500},     {-1001, 0, 255, 255, -500},
      {100, 0, 128, 255, 25},          // 100 × 128 ÷ 255 = 50.196 rounds to 50
      {-100, 0, 128, 255, -25},        {0, 301, 255, 128, 75},  // 151.1 rounds to 151, halved towards zero
      {700, 1000, 0, 255, 500},        // the first source muted: the second at half level
      {255, 255, 1, 1, 1},             {7, 7, 100, 100, 3},  // 2.745 rounds up to 3
      {-7, -7, 100, 100, -3},
  };
  for (const Case& c : cases) {
    Mixing mixing(Pcm({c.sample1}), Pcm({c.sample2}));
    mixing.mixer.SetVolume1(static_cast<std::uint8_t>(c.volume1));
    mixing.mixer.SetVolume2(static_cast<std::uint8_t>(c.volume2));
    mixing.mixer.Init();
    EXPECT_EQ(std::vector<int>{c.expected}, SamplesOf(Drain(mixing.mixer)))
        << c.sample1 << " at " << c.volume1 << " with " << c.sample2 << " at " << c.volume2;
  }
}

TEST(AudioMixerTest, ConcatenationDeliversTheFirstThenTheSecond) {
  std::vector<std::uint8_t> all = Bytes(30);
  Mixing small({all.begin(), all.begin() + 10}, {all.begin() + 10, all.end()}, amConcatenate);
  small.mixer.Init();
  EXPECT_EQ(30, small.mixer.Size());
  EXPECT_EQ(all, Drain(small.mixer, 7));
  EXPECT_EQ(30, small.mixer.Position());
  small.mixer.Flush();
  small.two.HideSize();  // one length unknown: the sum is unknown too
  small.mixer.Init();
  EXPECT_EQ(-1, small.mixer.Size());
}

// Once both sources have ended nothing more comes, not even what the buffer last held.
TEST(AudioMixerTest, TheEndIsFinalUntilTheNextInit) {
  for (TAudioMixerMode mode : {amMix, amConcatenate}) {
    Mixing empty({}, {}, mode);
    empty.mixer.Init();
    std::uint8_t buffer[64];
    EXPECT_EQ(0, empty.mixer.GetData(buffer, sizeof buffer));
    EXPECT_EQ(0, empty.mixer.GetData(buffer, sizeof buffer));

    Mixing mixing(Bytes(100), Bytes(300), mode);
    mixing.mixer.Init();
    EXPECT_FALSE(Drain(mixing.mixer).empty());
    EXPECT_EQ(0, mixing.mixer.GetData(buffer, sizeof buffer));
    EXPECT_EQ(0, mixing.mixer.GetData(buffer, sizeof buffer));
    mixing.mixer.Flush();
    EXPECT_FALSE(mixing.one.Busy() || mixing.two.Busy() || mixing.mixer.Busy());
    mixing.mixer.Init();
    EXPECT_EQ(mode == amMix ? 300u : 400u, Drain(mixing.mixer).size());
  }
}

TEST(AudioMixerTest, MissingSourcesAndAClosedStreamAreReported) {
  TAudioMixer mixer;
  MemorySource source(Bytes(10));
  EXPECT_EQ("Input1 not assigned", ErrorOf([&] { mixer.Init(); }));
  EXPECT_EQ("Input not assigned", ErrorOf([&] { mixer.Channels(); }));
  mixer.SetInput1(&source);
  EXPECT_EQ("Input2 not assigned", ErrorOf([&] { mixer.Init(); }));
  EXPECT_EQ(0, source.inits);
  mixer.SetInput2(&source);
  std::uint8_t buffer[10];
  EXPECT_EQ("The Stream is not opened", ErrorOf([&] { mixer.GetData(buffer, 10); }));
  mixer.Init();
  mixer.Flush();
  EXPECT_EQ("The Stream is not opened", ErrorOf([&] { mixer.GetData(buffer, 10); }));
}

TEST(AudioMixerTest, SourcesOfDifferentFormatsOrNot16BitAreRefusedBeforeOpening) {
  MemorySource mono22(Bytes(10), 1, 16, 22050);
  MemorySource stereo22(Bytes(10), 2, 16, 22050);
  MemorySource mono44(Bytes(10), 1, 16, 44100);
  MemorySource eightBit(Bytes(10), 1, 8, 22050);
  TAudioMixer mixer;
  mixer.SetInput1(&mono22);
  EXPECT_EQ(22050, mixer.SampleRate());
  mixer.SetInput2(&stereo22);
  EXPECT_EQ("Input1 and Input2 differ in format (22050 Hz, 1 channel and 22050 Hz, 2 channels)",
            ErrorOf([&] { mixer.Init(); }));
  mixer.SetInput2(&mono44);
  EXPECT_EQ("Input1 and Input2 differ in format (22050 Hz, 1 channel and 44100 Hz, 1 channel)",
            ErrorOf([&] { mixer.Init(); }));
  mixer.SetInput2(&eightBit);
  EXPECT_EQ("Input2 is not 16-bit PCM audio", ErrorOf([&] { mixer.Init(); }));
  mixer.SetInput1(&eightBit);
  mixer.SetMode(amConcatenate);
  EXPECT_EQ("Input1 is not 16-bit PCM audio", ErrorOf([&] { mixer.Init(); }));
  for (MemorySource* source : {&mono22, &stereo22, &mono44, &eightBit}) EXPECT_EQ(0, source->inits);
  testdata::TempFolder folder;
  testdata::WriteTextFile(folder.File("song.ogg"), "OggS and no WAV at all");
  TWaveIn notWave;
  notWave.SetFileName(folder.File("song.ogg"));
  mixer.SetInput1(&notWave);
  EXPECT_EQ("Input1 (" + folder.File("song.ogg") + ") is not a PCM WAV file", ErrorOf([&] { mixer.Init(); }));
}

// A second source that cannot open must not leave the first one open: it would refuse the next start.
TEST(AudioMixerTest, AFailedInitLeavesNoSourceOpen) {
  testdata::TempFolder folder;
  TWaveHeader header = MakeWaveHeader(2, 16, 8, 44100);
  std::ofstream(folder.File("in.wav"), std::ios::binary)
      .write(reinterpret_cast<const char*>(header.data()), kWaveHeaderSize)
      .write("12345678", 8);
  TWaveIn wave;
  wave.SetFileName(folder.File("in.wav"));
  TAudioMixer mixer;
  mixer.SetInput1(&wave);
  mixer.SetInput2(&wave);
  EXPECT_EQ("The component is buisy", ErrorOf([&] { mixer.Init(); }));
  EXPECT_FALSE(wave.Busy());
}

}  // namespace
