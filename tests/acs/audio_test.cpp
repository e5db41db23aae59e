// The sound-card components against the test sound server, whose default source hears its default sink:
// what TAudioOut plays, a recording made at the same time gets back.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "acs/ACS_Audio.h"
#include "acs/ACS_Wave.h"
#include "tests/acs/TestStreams.h"
#include "tests/data/Loopback.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using teststreams::MemorySource;
using teststreams::WaitFor;
using namespace testdata;

constexpr int kBytesPerSecond = 44100 * 4;

std::uint32_t Field(const std::vector<std::uint8_t>& bytes, std::size_t at, int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes.at(at + std::size_t(i));
  return value;
}

// Runs the sink and waits for its OnDone; false when it did not come within the time.
bool RunAndWait(TACSOutput& sink, std::chrono::seconds limit) {
  std::mutex lock;
  std::condition_variable finished;
  bool done = false;
  sink.SetOnDone([&](TACSOutput*) {
    std::lock_guard<std::mutex> guard(lock);
    done = true;
    finished.notify_all();
  });
  sink.Run();
  std::unique_lock<std::mutex> wait(lock);
  return finished.wait_for(wait, limit, [&] { return done; });
}

class AudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("quillon_audio_" + std::to_string(getpid()));
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  // Plays at Volume 0 and then at 255 while recording; returns the recording's samples.
  std::vector<std::int16_t> PlayQuietThenLoud(const std::vector<std::uint8_t>& pcm) {
    fs::path file = folder / "loopback.wav";
    LoopbackRecorder recorder(QUILLON_CLI, file, int(2 * pcm.size() / kBytesPerSecond) + 4);
    EXPECT_TRUE(recorder.Hearing());
    MemorySource source(pcm);
    TAudioOut sink;
    sink.SetInput(&source);
    sink.SetVolume(0);
    EXPECT_TRUE(RunAndWait(sink, 20s));
    sink.SetVolume(255);
    EXPECT_TRUE(RunAndWait(sink, 20s));
    EXPECT_EQ(recorder.Wait(), 0);
    return recorder.Samples();
  }

  fs::path folder;
};

TEST_F(AudioTest, DevicesOfTheServerAreListedAndOthersAreNot) {
  TDeviceInfo info;
  GetDeviceInfo(0, true, info);
  EXPECT_FALSE(info.DeviceName.empty());
  EXPECT_EQ(info.Formats, 0xFFF);
  EXPECT_TRUE(info.Stereo);
  GetDeviceInfo(0, false, info);
  EXPECT_FALSE(info.DeviceName.empty());
  try {
    GetDeviceInfo(1, true, info);
    FAIL() << "device 1 exists";
  } catch (const EACSException& error) {
    EXPECT_STREQ(error.what(), "Device 1 is not available.");
  }
  TAudioOut sink;
  try {
    sink.SetBaseChannel(1);
    FAIL() << "channel 1 exists";
  } catch (const EACSException& error) {
    EXPECT_STREQ(error.what(), "Channel 1 is not available");
  }
  EXPECT_EQ(sink.BaseChannel(), 0);
}

// The stream ends in a short block; only the loud run may be heard, whole and unchanged, to its last sample.
TEST_F(AudioTest, PlayedSoundComesBackWholeAndVolumeZeroIsSilent) {
  std::vector<std::uint8_t> pcm = Tone(kBytesPerSecond + 8192 * 3 + 1000);
  std::vector<std::int16_t> heard = HeardSound(PlayQuietThenLoud(pcm));
  ASSERT_FALSE(heard.empty()) << "nothing was heard";
  // Volume 0 came first: had it not been silent, the sound would have been heard twice.
  EXPECT_NEAR(double(heard.size()) / (44100 * 2), double(pcm.size()) / kBytesPerSecond, 0.05);
  std::vector<std::int16_t> played = Samples16(pcm, 0);
  EXPECT_GT(ShareHeardInOrder(heard, 0, played), 0.97);
  EXPECT_TRUE(EndHeard(heard, heard.size() - 44100 * 2 / 5, heard.size(), played))
      << "the device closed before its last buffer had played";
}

TEST_F(AudioTest, StopLetsTheQueuedBlocksPlayBeforeOnDone) {
  MemorySource source(Tone(kBytesPerSecond * 10));
  TAudioOut sink;
  sink.SetInput(&source);
  std::atomic<bool> done{false};
  sink.SetOnDone([&](TACSOutput*) { done = true; });
  sink.Run();
  // Blocks beyond the first nine were taken only after earlier ones had played: the sound is flowing.
  ASSERT_TRUE(WaitFor([&] { return source.Position() > 20 * 8192; }));
  auto stop = std::chrono::steady_clock::now();
  sink.Stop();
  ASSERT_TRUE(WaitFor([&] { return bool(done); }));
  auto waited = std::chrono::steady_clock::now() - stop;
  // Up to nine blocks of 8,192 bytes were at the device: about 0.4 s of sound.
  EXPECT_GT(waited, 250ms);
  EXPECT_LT(waited, 1500ms);
  EXPECT_LT(source.Position(), kBytesPerSecond * 2);
  EXPECT_FALSE(source.Busy());
}

struct RecordingFormat {
  int rate, bits, channels;
};

class RecordingTest : public AudioTest, public ::testing::WithParamInterface<RecordingFormat> {};

// The file holds the time asked for at the chosen format, and its header says what it holds.
TEST_P(RecordingTest, HoldsTheChosenTimeInTheChosenFormat) {
  RecordingFormat format = GetParam();
  fs::path file = folder / "recording.wav";
  TAudioIn source;
  source.SetInSampleRate(format.rate);
  source.SetInBitsPerSample(format.bits);
  source.SetInChannels(format.channels);
  source.SetRecTime(1);
  EXPECT_EQ(source.Size(), -1);
  TWaveOut sink;
  sink.SetInput(&source);
  sink.SetFileName(file.string());
  ASSERT_TRUE(RunAndWait(sink, 20s));
  EXPECT_EQ(sink.RunError(), "");
  std::vector<std::uint8_t> bytes = ReadBytes(file);
  std::int64_t needed = std::int64_t(format.rate) * format.bits / 8 * format.channels;
  EXPECT_EQ(std::int64_t(bytes.size()) - 44, needed);
  EXPECT_EQ(source.Size(), needed);
  EXPECT_EQ(Field(bytes, 22, 2), std::uint32_t(format.channels));
  EXPECT_EQ(Field(bytes, 24, 4), std::uint32_t(format.rate));
  EXPECT_EQ(Field(bytes, 34, 2), std::uint32_t(format.bits));
  EXPECT_EQ(Field(bytes, 40, 4), bytes.size() - 44);
  EXPECT_EQ(Field(bytes, 4, 4), bytes.size() - 8);
  EXPECT_FALSE(source.Busy());
}

INSTANTIATE_TEST_SUITE_P(Formats, RecordingTest,
                         ::testing::Values(RecordingFormat{11025, 8, 1}, RecordingFormat{11025, 8, 2},
                                           RecordingFormat{22050, 16, 1}, RecordingFormat{44100, 16, 2}),
                         [](const ::testing::TestParamInfo<RecordingFormat>& info) {
                           const RecordingFormat& f = info.param;
                           return std::to_string(f.rate) + "Hz_" + std::to_string(f.bits) + "bit_" +
                                  std::to_string(f.channels) + "ch";
                         });

TEST_F(AudioTest, CancelEndsARecordingWithAValidFileAndTheNextOneStarts) {
  fs::path file = folder / "cancelled.wav";
  TAudioIn source;
  source.SetInSampleRate(22050);
  source.SetInBitsPerSample(16);
  source.SetRecTime(30);
  TWaveOut sink;
  sink.SetInput(&source);
  sink.SetFileName(file.string());
  std::atomic<int> progress{0};
  std::atomic<bool> done{false};
  sink.SetOnProgress([&](TACSOutput* sender) { progress = sender->Progress(); });
  sink.SetOnDone([&](TACSOutput*) { done = true; });
  sink.Run();
  EXPECT_EQ(source.Size(), 30 * 22050 * 2);
  ASSERT_TRUE(WaitFor([&] { return progress >= 2; }));
  sink.Stop();
  ASSERT_TRUE(WaitFor([&] { return bool(done); }));
  std::vector<std::uint8_t> bytes = ReadBytes(file);
  ASSERT_GT(bytes.size(), 44u + 16384);
  EXPECT_LT(bytes.size(), 44u + 30 * 22050);
  EXPECT_EQ(Field(bytes, 40, 4), bytes.size() - 44);
  EXPECT_FALSE(source.Busy());

  source.SetRecTime(1);
  EXPECT_TRUE(RunAndWait(sink, 20s));
  EXPECT_GE(ReadBytes(file).size(), 44u + 22050 * 2);
}

}  // namespace
