// The CD audio device against disc images and the test sound server.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/cdaudio/CdAudioDevice.h"
#include "tests/data/Loopback.h"
#include "tests/data/TestDiscs.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kSeconds = 75;  // blocks per second

std::uint32_t Tmsf(int track, int minute, int second, int frame = 0) {
  return std::uint32_t(track | minute << 8 | second << 16 | frame << 24);
}

std::vector<std::int16_t> Silence(int blocks) { return std::vector<std::int16_t>(testdata::BlockFrames(blocks) * 2); }

std::vector<std::int16_t> ToneSamples(int blocks) {
  return testdata::Samples16(testdata::Tone(blocks * CD_BLOCK_BYTES), 0);
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds limit) {
  auto until = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

bool WaitForMode(CdAudioDevice& device, CdAudioMode mode, std::chrono::seconds limit) {
  return WaitFor([&] { return device.Mode() == mode; }, limit);
}

// Threads of this process that serve an open sound device.
int SoundDeviceThreads() {
  int count = 0;
  for (const fs::directory_entry& task : fs::directory_iterator("/proc/self/task")) {
    std::ifstream comm(task.path() / "comm");
    std::string name;
    std::getline(comm, name);
    if (name.rfind("SDLAudio", 0) == 0) ++count;
  }
  return count;
}

class CdAudioTest : public ::testing::Test {
 protected:
  // Three tracks: 70 s of silence, 2 s of a tone, 1 s of silence.
  static void SetUpTestSuite() {
    folder = std::make_unique<testdata::TempFolder>();
    tracks = {{{}, Silence(70 * kSeconds)}, {{}, ToneSamples(2 * kSeconds)}, {{}, Silence(kSeconds)}};
    sheet = discimage::WriteImage(folder->Path().string(), "disc", tracks, {});
  }
  static void TearDownTestSuite() { folder.reset(); }

  // Lists the sheets as the only drives; the records of the list.
  static CDLIST ListImages(const std::vector<std::string>& sheets) {
    SetPhysicalDrivesEnabled(false);
    SetCDImageFiles(sheets);
    CDLIST list;
    GetCDList(&list);
    return list;
  }

  void OpenDisc() {
    device.Open(ListImages({sheet}).cd[0]);
    device.SetTimeFormatTMSF();
  }

  static std::unique_ptr<testdata::TempFolder> folder;
  static std::vector<discimage::ImageTrack> tracks;
  static std::string sheet;
  CdAudioDevice device;
};

std::unique_ptr<testdata::TempFolder> CdAudioTest::folder;
std::vector<discimage::ImageTrack> CdAudioTest::tracks;
std::string CdAudioTest::sheet;

TEST_F(CdAudioTest, AStoppedDiscAnswersItsTracksAndPositionsInBothTimeFormats) {
  device.Open(ListImages({sheet}).cd[0]);
  EXPECT_EQ(device.NumberOfTracks(), 3);
  EXPECT_EQ(device.Mode(), CdAudioMode::Stopped);
  EXPECT_EQ(device.Position(), 0x000200u) << "the first block is 0:02:00 counted from the lead-in";
  device.SetTimeFormatTMSF();
  EXPECT_EQ(device.Position(), Tmsf(1, 0, 0));

  EXPECT_TRUE(device.Seek(2));
  EXPECT_EQ(device.Position(), Tmsf(2, 0, 0));
  EXPECT_TRUE(device.Seek(Tmsf(1, 1, 5, 40)));
  EXPECT_EQ(device.Position(), Tmsf(1, 1, 5, 40));
  EXPECT_FALSE(device.Seek(4)) << "no such track";
  EXPECT_FALSE(device.Seek(Tmsf(2, 0, 2))) << "past the end of track 2";
  EXPECT_EQ(device.Position(), Tmsf(1, 1, 5, 40)) << "a refused seek leaves the position";
}

TEST_F(CdAudioTest, PlayPauseResumeAndStopMoveThroughTheModesAndKeepThePosition) {
  OpenDisc();
  ASSERT_TRUE(device.Seek(Tmsf(1, 1, 5)));
  ASSERT_TRUE(device.Play());
  EXPECT_EQ(device.Mode(), CdAudioMode::Playing);
  // The sound server takes a moment to start; then the position follows what is heard.
  EXPECT_TRUE(WaitFor([&] { return device.Position() == Tmsf(1, 1, 6); }, 5s));

  ASSERT_TRUE(device.Pause());
  EXPECT_EQ(device.Mode(), CdAudioMode::Paused);
  std::uint32_t paused = device.Position();
  std::this_thread::sleep_for(700ms);
  EXPECT_EQ(device.Position(), paused);
  EXPECT_FALSE(device.Pause()) << "only a playing device pauses";

  ASSERT_TRUE(device.Resume());
  EXPECT_EQ(device.Mode(), CdAudioMode::Playing);
  EXPECT_TRUE(WaitFor([&] { return device.Position() != paused; }, 5s));

  ASSERT_TRUE(device.Stop());
  EXPECT_EQ(device.Mode(), CdAudioMode::Stopped);
  std::uint32_t stopped = device.Position();
  EXPECT_EQ(stopped & 0xFF, 1u);
  std::this_thread::sleep_for(400ms);
  EXPECT_EQ(device.Position(), stopped) << "a stop keeps the place";
  EXPECT_FALSE(device.Resume()) << "a stopped device does not resume";

  // A stop while paused must not leave the sound held for the next play.
  ASSERT_TRUE(device.Play());
  ASSERT_TRUE(device.Pause());
  ASSERT_TRUE(device.Stop());
  ASSERT_TRUE(device.Play());
  EXPECT_TRUE(WaitFor([&] { return device.Position() != stopped; }, 5s));
}

TEST_F(CdAudioTest, PlayingRunsToTheEndOfTheDiscAndStops) {
  OpenDisc();
  ASSERT_TRUE(device.Seek(3));
  ASSERT_TRUE(device.Play());
  EXPECT_TRUE(WaitForMode(device, CdAudioMode::Stopped, 5s));
  EXPECT_EQ(device.Position(), Tmsf(3, 0, 1)) << "at the end of the last track";
  // Even a silent sound device keeps a thread working: a stopped player lets it go after a moment.
  EXPECT_EQ(SoundDeviceThreads(), 1);
  EXPECT_TRUE(WaitFor([&] { return device.Mode() == CdAudioMode::Stopped && SoundDeviceThreads() == 0; }, 5s));
}

// What reaches the sound server is the track's audio, whole.
TEST_F(CdAudioTest, TheTrackPlayedIsTheTrackHeard) {
  OpenDisc();
  fs::path file = folder->Path() / "heard.wav";
  testdata::LoopbackRecorder recorder(QUILLON_CLI, file, 6);
  ASSERT_TRUE(recorder.Hearing());
  ASSERT_TRUE(device.Seek(2));
  ASSERT_TRUE(device.Play());
  EXPECT_TRUE(WaitForMode(device, CdAudioMode::Stopped, 6s));
  EXPECT_EQ(recorder.Wait(), 0);
  std::vector<std::int16_t> heard = testdata::HeardSound(recorder.Samples());
  ASSERT_FALSE(heard.empty()) << "nothing was heard";
  // Found where it best matches, not at the first loud sample: sound left over from an earlier test may
  // come first.
  std::size_t start = testdata::Locate(heard, 0, heard.size(), tracks[1].audio);
  EXPECT_NEAR(double(heard.size() - start) / (44100 * 2), 2.0, 0.05);
  EXPECT_GT(testdata::ShareHeardInOrder(heard, start, tracks[1].audio), 0.97);
}

TEST_F(CdAudioTest, AnImageHasNoDoorAndItsDiscStays) {
  OpenDisc();
  EXPECT_FALSE(device.CanEject());
  EXPECT_FALSE(device.Eject());
  EXPECT_FALSE(device.SendString("set cdaudio door closed wait"));
  EXPECT_FALSE(device.SendString("set cdaudio door open"));
  EXPECT_FALSE(device.SendString("play cdaudio"));
  EXPECT_EQ(device.NumberOfTracks(), 3);
  EXPECT_EQ(device.Mode(), CdAudioMode::Stopped);
}

TEST_F(CdAudioTest, WithoutADiscNothingPlaysUntilOneArrives) {
  std::vector<discimage::ImageTrack> one = {{{}, Silence(kSeconds)}};
  std::string late = discimage::WriteImage(folder->Path().string(), "late", one, {});
  fs::path audio = folder->Path() / "late.bin";
  fs::rename(audio, folder->Path() / "elsewhere.bin");
  device.Open(ListImages({late}).cd[0]);
  device.SetTimeFormatTMSF();
  EXPECT_EQ(device.NumberOfTracks(), 0);
  EXPECT_EQ(device.Mode(), CdAudioMode::NotReady);
  EXPECT_EQ(device.Position(), 0u);
  EXPECT_FALSE(device.Seek(1));
  EXPECT_FALSE(device.Play());

  fs::rename(folder->Path() / "elsewhere.bin", audio);
  EXPECT_EQ(device.NumberOfTracks(), 1);
  EXPECT_EQ(device.Mode(), CdAudioMode::Stopped);
}

TEST_F(CdAudioTest, AnotherDriveOrAClosedDeviceEndsThePlaying) {
  std::vector<discimage::ImageTrack> one = {{{}, Silence(kSeconds)}};
  std::string other = discimage::WriteImage(folder->Path().string(), "other", one, {});
  CDLIST list = ListImages({sheet, other});
  device.Open(list.cd[0]);
  device.SetTimeFormatTMSF();
  ASSERT_TRUE(device.Play());
  device.SelectDrive(list.cd[0]);
  EXPECT_EQ(device.Mode(), CdAudioMode::Playing) << "reading the playing drive's table again goes on playing";
  device.SelectDrive(list.cd[1]);
  EXPECT_EQ(device.Mode(), CdAudioMode::Stopped);
  EXPECT_EQ(device.NumberOfTracks(), 1);

  ASSERT_TRUE(device.Play());
  device.Close();
  EXPECT_EQ(device.Mode(), CdAudioMode::NotReady);
  EXPECT_EQ(device.NumberOfTracks(), 0);
  EXPECT_FALSE(device.Play());
}

}  // namespace
